#include "platform/image_file.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
// jpeglib.h needs FILE declared first.
#include <jpeglib.h>
#include <cstring>
#include <memory>

#include "platform/regular_file.h"

namespace {

uint32_t U16(const uint8_t* p) { return (uint32_t)p[0] | ((uint32_t)p[1] << 8); }
uint32_t U32(const uint8_t* p) { return U16(p) | (U16(p + 2) << 16); }

// One channel of a bit-field pixel, widened to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0, bits = 0;
  explicit Channel(uint32_t m = 0) : mask(m) {
    if (!m) return;
    while (!((m >> shift) & 1)) ++shift;
    while (shift + bits < 32 && ((m >> (shift + bits)) & 1)) ++bits;
  }
  uint32_t Get(uint32_t v) const {
    if (!mask) return 0;
    uint32_t x = (v & mask) >> shift;
    uint32_t maxv = bits >= 32 ? 0xffffffffu : (1u << bits) - 1;
    return (uint32_t)(((uint64_t)x * 255 + maxv / 2) / maxv);
  }
};

bool DecodeBmp(const uint8_t* d, size_t size, Image* out) {
  if (size < 14 + 12 || d[0] != 'B' || d[1] != 'M') return false;
  uint32_t offBits = U32(d + 10);
  uint32_t hdr = U32(d + 14);
  if (hdr != 12 && hdr != 40 && hdr != 52 && hdr != 56 && hdr != 108 && hdr != 124) return false;
  if (14 + (uint64_t)hdr > size) return false;
  const uint8_t* h = d + 14;
  int64_t width, height;
  uint32_t planes, bpp, compression = 0, clrUsed = 0;
  size_t paletteAt, paletteStride;
  uint32_t masks[4] = {0, 0, 0, 0};
  if (hdr == 12) {
    width = U16(h + 4);
    height = U16(h + 6);
    planes = U16(h + 8);
    bpp = U16(h + 10);
    paletteAt = 14 + 12;
    paletteStride = 3;
  } else {
    width = (int32_t)U32(h + 4);
    height = (int32_t)U32(h + 8);
    planes = U16(h + 12);
    bpp = U16(h + 14);
    compression = U32(h + 16);
    clrUsed = U32(h + 32);
    paletteAt = 14 + hdr;
    paletteStride = 4;
    if (compression == 3) {  // BI_BITFIELDS
      if (hdr == 40) {
        if (paletteAt + 12 > size) return false;
        for (int i = 0; i < 3; ++i) masks[i] = U32(d + paletteAt + 4 * i);
        paletteAt += 12;
      } else {
        for (int i = 0; i < 4 && 40 + 4 * i + 4 <= (int)hdr; ++i) masks[i] = U32(h + 40 + 4 * i);
      }
    }
  }
  bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) return false;
  if (planes != 1) return false;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
  if (compression != 0 && !(compression == 3 && (bpp == 16 || bpp == 32))) return false;
  if (compression == 0 && bpp == 16) {
    masks[0] = 0x7c00;
    masks[1] = 0x03e0;
    masks[2] = 0x001f;
  }
  if (compression == 0 && bpp == 32) {
    masks[0] = 0x00ff0000;
    masks[1] = 0x0000ff00;
    masks[2] = 0x000000ff;
    masks[3] = 0;  // the fourth byte of a plain 32-bit bitmap is not alpha
  }
  if (compression == 3 && (!masks[0] || !masks[1] || !masks[2])) return false;

  std::vector<uint32_t> palette;
  if (bpp <= 8) {
    uint32_t maxEntries = 1u << bpp;
    uint32_t entries = clrUsed ? clrUsed : maxEntries;
    if (entries > maxEntries) return false;
    if (paletteAt + (uint64_t)entries * paletteStride > size) return false;
    palette.resize(maxEntries, 0xFF000000u);  // indexes past the table read black
    for (uint32_t i = 0; i < entries; ++i) {
      const uint8_t* e = d + paletteAt + i * paletteStride;
      palette[i] = 0xFF000000u | ((uint32_t)e[2] << 16) | ((uint32_t)e[1] << 8) | e[0];
    }
  }
  uint64_t rowSize = (((uint64_t)width * bpp + 31) / 32) * 4;
  if (offBits < 14 + hdr || (uint64_t)offBits + rowSize * (uint64_t)height > size) return false;

  Channel r(masks[0]), g(masks[1]), b(masks[2]), a(masks[3]);
  out->width = (uint32_t)width;
  out->height = (uint32_t)height;
  out->argb.assign((size_t)width * height, 0);
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t* row = d + offBits + rowSize * (uint64_t)(topDown ? y : height - 1 - y);
    uint32_t* dst = &out->argb[(size_t)(y * width)];
    for (int64_t x = 0; x < width; ++x) {
      uint32_t c;
      switch (bpp) {
        case 1: c = palette[(row[x >> 3] >> (7 - (x & 7))) & 1]; break;
        case 4: c = palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15]; break;
        case 8: c = palette[row[x]]; break;
        case 24: {
          const uint8_t* p = row + x * 3;
          c = 0xFF000000u | ((uint32_t)p[2] << 16) | ((uint32_t)p[1] << 8) | p[0];
          break;
        }
        default: {
          uint32_t v = bpp == 16 ? U16(row + x * 2) : U32(row + x * 4);
          uint32_t alpha = masks[3] ? a.Get(v) : 255;
          c = (alpha << 24) | (r.Get(v) << 16) | (g.Get(v) << 8) | b.Get(v);
          break;
        }
      }
      dst[x] = c;
    }
  }
  return true;
}

bool DecodePng(const uint8_t* d, size_t size, Image* out) {
  png_image image;
  memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, d, size)) return false;
  if (image.width == 0 || image.height == 0 || image.width > kMaxImageSide ||
      image.height > kMaxImageSide) {
    png_image_free(&image);
    return false;
  }
  image.format = PNG_FORMAT_BGRA;  // B, G, R, A bytes: 0xAARRGGBB words
  std::vector<uint32_t> pixels((size_t)image.width * image.height);
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
    png_image_free(&image);
    return false;
  }
  out->width = image.width;
  out->height = image.height;
  out->argb.swap(pixels);
  return true;
}

struct JpegError {
  jpeg_error_mgr mgr;
  jmp_buf jump;
};

void JpegFail(j_common_ptr info) { longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }
void JpegQuiet(j_common_ptr, int) {}

bool DecodeJpeg(const uint8_t* d, size_t size, Image* out) {
  jpeg_decompress_struct info;
  JpegError err;
  info.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegFail;
  err.mgr.emit_message = JpegQuiet;
  // Buffers live behind a pointer set before the jump point and never
  // changed after it, so a jump back leaves nothing stale in registers.
  struct Buffers {
    std::vector<uint32_t> pixels;
    std::vector<uint8_t> row;
  };
  std::unique_ptr<Buffers> buffers(new Buffers);
  std::vector<uint32_t>& pixels = buffers->pixels;
  std::vector<uint8_t>& row = buffers->row;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, const_cast<uint8_t*>(d), (unsigned long)size);
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  if (info.image_width == 0 || info.image_height == 0 || info.image_width > kMaxImageSide ||
      info.image_height > kMaxImageSide || info.num_components < 1 ||
      info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  if (info.output_components != 3) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  uint32_t w = info.output_width, h = info.output_height;
  pixels.resize((size_t)w * h);
  row.resize((size_t)w * 3);
  while (info.output_scanline < h) {
    JSAMPROW rows[1] = {row.data()};
    uint32_t y = info.output_scanline;
    if (jpeg_read_scanlines(&info, rows, 1) != 1) break;
    for (uint32_t x = 0; x < w; ++x)
      pixels[(size_t)y * w + x] = 0xFF000000u | ((uint32_t)row[x * 3] << 16) |
                                  ((uint32_t)row[x * 3 + 1] << 8) | row[x * 3 + 2];
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  out->width = w;
  out->height = h;
  out->argb.swap(pixels);
  return true;
}

}  // namespace

bool DecodeImage(const uint8_t* data, size_t size, Image* out) {
  if (!data || !out) return false;
  Image img;
  bool ok = false;
  if (size >= 2 && data[0] == 'B' && data[1] == 'M')
    ok = DecodeBmp(data, size, &img);
  else if (size >= 8 && memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0)
    ok = DecodePng(data, size, &img);
  else if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
    ok = DecodeJpeg(data, size, &img);
  if (ok) *out = std::move(img);
  return ok;
}

bool LoadImageFile(const char* hostPath, Image* out) {
  FILE* f = OpenRegularFileForReading(hostPath);
  if (!f) return false;
  std::vector<uint8_t> bytes;
  uint8_t buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) {
    bytes.insert(bytes.end(), buffer, buffer + n);
    if (bytes.size() > (size_t)64 << 20) {  // no texture of ours is that big
      fclose(f);
      return false;
    }
  }
  fclose(f);
  return DecodeImage(bytes.data(), bytes.size(), out);
}
