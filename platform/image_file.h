// Image file readers for textures: BMP (our own), PNG (libpng), JPEG
// (libjpeg). They refuse malformed headers and sizes with a failure result.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct Image {
  uint32_t width = 0, height = 0;
  std::vector<uint32_t> argb;  // 0xAARRGGBB, top row first
};

// Neither side may exceed this many pixels.
constexpr uint32_t kMaxImageSide = 8192;

// Decodes by the file's signature, not its name.
bool DecodeImage(const uint8_t* data, size_t size, Image* out);
bool LoadImageFile(const char* hostPath, Image* out);
