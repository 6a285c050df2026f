// Pieces of the art generator shared between its files.
#pragma once
#include <map>
#include <string>

#include "tools/art_image.h"
#include "tools/art_mesh.h"

namespace art {

Image8 BuildAtlas();

// The textures by file name (as written into the data folder).
struct Texture {
  std::string file;  // "Ground.bmp"
  Image8 image;
  enum Format { kBmp, kPng, kJpeg } format;
};
std::vector<Texture> BuildTextures();

// The models by file name ("Bell.x").
std::vector<std::pair<std::string, Mesh>> BuildModels();

}  // namespace art
