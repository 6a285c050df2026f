// Image readers and textures from files: formats, colour key, sizes, and
// refusal of malformed files.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
// jpeglib.h needs FILE declared first.
#include <jpeglib.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3dx9.h"
#include "platform/gl_internal.h"
#include "platform/image_file.h"
#include "tests/gfx_test_util.h"

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = (uint8_t)v;
  b[at + 1] = (uint8_t)(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  Put16(b, at, v & 0xffff);
  Put16(b, at + 2, v >> 16);
}

// A bottom-up BMP of 0xAARRGGBB pixels (top row first) in 24 or 32 bits, or
// 8 bits with the given palette (pixels then hold palette indexes).
std::vector<uint8_t> MakeBmp(int w, int h, int bpp, const std::vector<uint32_t>& px,
                             const std::vector<uint32_t>& palette = {}, bool topDown = false) {
  size_t rowSize = ((size_t)(w * bpp + 31) / 32) * 4;
  size_t palBytes = palette.size() * 4;
  size_t off = 14 + 40 + palBytes;
  std::vector<uint8_t> b(off + rowSize * h, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, (uint32_t)b.size());
  Put32(b, 10, (uint32_t)off);
  Put32(b, 14, 40);
  Put32(b, 18, (uint32_t)w);
  Put32(b, 22, (uint32_t)(topDown ? -h : h));
  Put16(b, 26, 1);
  Put16(b, 28, (uint32_t)bpp);
  Put32(b, 46, (uint32_t)palette.size());
  for (size_t i = 0; i < palette.size(); ++i) Put32(b, 54 + i * 4, palette[i]);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = &b[off + rowSize * (topDown ? y : h - 1 - y)];
    for (int x = 0; x < w; ++x) {
      uint32_t c = px[(size_t)y * w + x];
      if (bpp == 8) {
        row[x] = (uint8_t)c;
      } else {
        uint8_t* p = row + x * (bpp / 8);
        p[0] = (uint8_t)c;
        p[1] = (uint8_t)(c >> 8);
        p[2] = (uint8_t)(c >> 16);
        if (bpp == 32) p[3] = 0x12;  // not alpha in a plain 32-bit bitmap
      }
    }
  }
  return b;
}

// The folder of this process's image files, removed when the process ends.
struct TextureFiles {
  std::string dir = CaseFilesDir("textures");
  ~TextureFiles() {
    if (system(("rm -rf '" + dir + "'").c_str()) != 0) return;
  }
};

std::string TempPath(const std::string& name) {
  static TextureFiles files;
  std::string cmd = "mkdir -p '" + files.dir + "'";
  EXPECT_EQ(system(cmd.c_str()), 0);
  return files.dir + "/" + name;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::vector<uint8_t> b;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return b;
  int c;
  while ((c = fgetc(f)) != EOF) b.push_back((uint8_t)c);
  fclose(f);
  return b;
}

std::vector<uint8_t> MakeJpeg(int w, int h, uint32_t color) {
  jpeg_compress_struct info;
  jpeg_error_mgr err;
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &mem, &size);
  info.image_width = (JDIMENSION)w;
  info.image_height = (JDIMENSION)h;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row((size_t)w * 3);
  for (int x = 0; x < w; ++x) {
    row[x * 3] = (uint8_t)(color >> 16);
    row[x * 3 + 1] = (uint8_t)(color >> 8);
    row[x * 3 + 2] = (uint8_t)color;
  }
  while (info.next_scanline < info.image_height) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&info, &r, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<uint8_t> out(mem, mem + size);
  jpeg_destroy_compress(&info);
  free(mem);
  return out;
}

TEST(ImageFileTest, BmpVariantsDecodeTopRowFirst) {
  std::vector<uint32_t> px = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF102030, 0xFFFFFFFF,
                              0xFF000000};
  for (int bpp : {24, 32}) {
    for (bool topDown : {false, true}) {
      std::vector<uint8_t> f = MakeBmp(3, 2, bpp, px, {}, topDown);
      Image img;
      ASSERT_TRUE(DecodeImage(f.data(), f.size(), &img)) << bpp;
      EXPECT_EQ(img.width, 3u);
      EXPECT_EQ(img.height, 2u);
      EXPECT_EQ(img.argb, px) << bpp << " top-down " << topDown;
    }
  }
  std::vector<uint32_t> idx = {0, 1, 2, 2, 1, 0};
  std::vector<uint8_t> f = MakeBmp(3, 2, 8, idx, {0x00112233, 0x00445566, 0x00FF00FF});
  Image img;
  ASSERT_TRUE(DecodeImage(f.data(), f.size(), &img));
  EXPECT_EQ(img.argb[0], 0xFF112233u);
  EXPECT_EQ(img.argb[2], 0xFFFF00FFu);
  EXPECT_EQ(img.argb[4], 0xFF445566u);
}

TEST(ImageFileTest, MalformedFilesAreRefused) {
  std::vector<uint32_t> px(4, 0xFFFF0000);
  std::vector<uint8_t> good = MakeBmp(2, 2, 24, px);
  Image img;
  ASSERT_TRUE(DecodeImage(good.data(), good.size(), &img));
  auto refused = [&](std::vector<uint8_t> f, const char* what) {
    Image out;
    EXPECT_FALSE(DecodeImage(f.data(), f.size(), &out)) << what;
  };
  refused(std::vector<uint8_t>(good.begin(), good.end() - 1), "pixel data cut short");
  refused(std::vector<uint8_t>(good.begin(), good.begin() + 20), "header cut short");
  auto patched = [&](size_t at, uint32_t v, bool wide) {
    std::vector<uint8_t> f = good;
    if (wide) Put32(f, at, v); else Put16(f, at, v);
    return f;
  };
  refused(patched(18, 0, true), "zero width");
  refused(patched(22, 0, true), "zero height");
  refused(patched(18, 100000, true), "huge width");
  refused(patched(22, 0x80000000u, true), "most negative height");
  refused(patched(18, 0x40000000u, true), "width whose row size overflows");
  refused(patched(26, 2, false), "two planes");
  refused(patched(28, 7, false), "7 bits per pixel");
  refused(patched(30, 1, true), "run-length compression");
  refused(patched(14, 41, true), "unknown header size");
  refused(patched(10, 0xFFFFFFF0u, true), "pixel offset past the end");
  std::vector<uint8_t> pal = MakeBmp(2, 2, 8, {0, 0, 0, 0}, {0xFF0000});
  refused([&] { auto f = pal; Put32(f, 46, 300); return f; }(), "more colours than 8 bits hold");
  refused([&] { auto f = pal; Put32(f, 46, 200); return f; }(), "palette past the end");

  // PNG and JPEG: cut, corrupted, empty.
  std::vector<uint32_t> one = {0x80FF0000};
  std::string png = TempPath("one.png");
  ASSERT_TRUE(WritePngFile(png.c_str(), one.data(), 1, 1));
  std::vector<uint8_t> p = ReadFile(png);
  ASSERT_TRUE(DecodeImage(p.data(), p.size(), &img));
  EXPECT_EQ(img.argb[0], 0x80FF0000u);
  refused(std::vector<uint8_t>(p.begin(), p.begin() + 30), "PNG cut short");
  std::vector<uint8_t> bigPng = p;
  Put32(bigPng, 16, 0x00010000);  // IHDR width 65536 x 256 (big-endian field)
  refused(bigPng, "PNG of a huge size");
  std::vector<uint8_t> j = MakeJpeg(8, 8, 0x336699);
  ASSERT_TRUE(DecodeImage(j.data(), j.size(), &img));
  refused(std::vector<uint8_t>(j.begin(), j.begin() + 40), "JPEG cut short");
  std::vector<uint8_t> badJ = j;
  ASSERT_GT(badJ.size(), 40u);
  std::fill(badJ.begin() + 20, badJ.end() - 2, (uint8_t)0xFF);
  refused(badJ, "JPEG full of markers");
  refused({}, "empty file");
  refused({'G', 'I', 'F', '8', '9', 'a'}, "unknown format");
}

class TextureTest : public DeviceFixture {
 protected:
  // Draws the texture over the whole screen, unlit, point sampled, blended
  // over a green background.
  Pixels DrawFullScreen(IDirect3DTexture9* tex) {
    struct V {
      float x, y, z;
      D3DCOLOR c;
      float u, v;
    } q[4] = {{-1, 1, 0.5f, 0xFFFFFFFF, 0, 0},
              {1, 1, 0.5f, 0xFFFFFFFF, 1, 0},
              {1, -1, 0.5f, 0xFFFFFFFF, 1, 1},
              {-1, -1, 0.5f, 0xFFFFFFFF, 0, 1}};
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF00FF00, 1.0f, 0);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTexture(0, tex);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q, sizeof q[0]);
    device->SetTexture(0, nullptr);
    return Grab(device);
  }
};

TEST_F(TextureTest, ColourKeyMakesMagentaTransparent) {
  // Left half magenta, right half red.
  std::vector<uint32_t> px(16);
  for (int i = 0; i < 16; ++i) px[i] = (i % 4) < 2 ? 0xFFFF00FF : 0xFFFF0000;
  std::string path = TempPath("keyed.bmp");
  WriteFile(path, MakeBmp(4, 4, 24, px));
  IDirect3DTexture9* tex = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileExA(device, path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                         0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_NONE,
                                         D3DX_DEFAULT, 0xFFFF00FF, nullptr, nullptr, &tex),
            D3D_OK);
  D3DSURFACE_DESC desc;
  tex->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 4u);
  EXPECT_EQ(tex->GetLevelCount(), 3u);  // 4, 2, 1
  Pixels p = DrawFullScreen(tex);
  SavePicture(p, "texture_colour_key");
  EXPECT_EQ(p.at(100, 240), 0xFF00FF00u);
  EXPECT_EQ(p.at(540, 240), 0xFFFF0000u);
  tex->Release();

  // Without the key the magenta stays.
  tex = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileA(device, path.c_str(), &tex), D3D_OK);
  p = DrawFullScreen(tex);
  EXPECT_EQ(p.at(100, 240), 0xFFFF00FFu);
  tex->Release();
}

TEST_F(TextureTest, ExplicitSizeWithoutFilterPadsWithTransparentBlack) {
  std::vector<uint32_t> px(4, 0xFF0000FF);
  std::string path = TempPath("small.bmp");
  WriteFile(path, MakeBmp(2, 2, 24, px));
  IDirect3DTexture9* tex = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileExA(device, path.c_str(), 4, 4, 1, 0, D3DFMT_UNKNOWN,
                                         D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_DEFAULT, 0,
                                         nullptr, nullptr, &tex),
            D3D_OK);
  EXPECT_EQ(tex->GetLevelCount(), 1u);
  Pixels p = DrawFullScreen(tex);
  EXPECT_EQ(p.at(100, 100), 0xFF0000FFu);  // top-left quarter: the picture
  EXPECT_EQ(p.at(540, 100), 0xFF00FF00u);  // elsewhere: transparent
  EXPECT_EQ(p.at(100, 400), 0xFF00FF00u);
  tex->Release();
}

TEST_F(TextureTest, SamplerStatesChooseFilteringAndMipLevels) {
  // A 64 x 64 black-and-white checkerboard of single texels, loaded with a
  // full chain and stretched to 256 x 128 (filtered).
  std::vector<uint32_t> px(64 * 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) px[y * 64 + x] = ((x + y) & 1) ? 0xFFFFFFFF : 0xFF000000;
  std::string path = TempPath("checker.bmp");
  WriteFile(path, MakeBmp(64, 64, 24, px));
  IDirect3DTexture9* tex = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileExA(device, path.c_str(), 256, 128, 0, 0, D3DFMT_UNKNOWN,
                                         D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr,
                                         nullptr, &tex),
            D3D_OK);
  D3DSURFACE_DESC desc;
  tex->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 256u);
  EXPECT_EQ(desc.Height, 128u);
  EXPECT_EQ(tex->GetLevelCount(), 9u);
  tex->Release();

  // The checkerboard itself drawn tiny (64 texels onto about 20 pixels): with
  // mip levels it averages to grey; point sampled without them, single
  // texels show black or white.
  tex = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileA(device, path.c_str(), &tex), D3D_OK);
  auto drawSmall = [&](DWORD min, DWORD mip) {
    device->SetSamplerState(0, D3DSAMP_MINFILTER, min);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, mip);
    struct V {
      float x, y, z;
      D3DCOLOR c;
      float u, v;
    } q[4] = {{-0.05f, 0.05f, 0.5f, 0xFFFFFFFF, 0, 0},
              {0.05f, 0.05f, 0.5f, 0xFFFFFFFF, 1, 0},
              {0.05f, -0.05f, 0.5f, 0xFFFFFFFF, 1, 1},
              {-0.05f, -0.05f, 0.5f, 0xFFFFFFFF, 0, 1}};
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF00FF00, 1.0f, 0);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetTexture(0, tex);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q, sizeof q[0]);
    device->SetTexture(0, nullptr);
    return Grab(device);
  };
  Pixels mipped = drawSmall(D3DTEXF_LINEAR, D3DTEXF_POINT);
  int grey = Red(mipped.at(320, 240));
  EXPECT_GT(grey, 90);
  EXPECT_LT(grey, 165);
  Pixels aliased = drawSmall(D3DTEXF_POINT, D3DTEXF_NONE);
  int extremes = 0;
  for (int x = 312; x < 328; ++x) {
    int r = Red(aliased.at(x, 240));
    extremes += r < 40 || r > 215;
  }
  EXPECT_GT(extremes, 8);
  tex->Release();
}

// Every level of a texture as GL holds it.
std::vector<std::vector<uint32_t>> LevelsOf(IDirect3DTexture9* tex) {
  std::vector<std::vector<uint32_t>> levels;
  TouchGlState();
  glBindTexture(GL_TEXTURE_2D, tex->impl()->tex);
  for (DWORD l = 0; l < tex->GetLevelCount(); ++l) {
    D3DSURFACE_DESC desc;
    tex->GetLevelDesc(l, &desc);
    levels.emplace_back((size_t)desc.Width * desc.Height);
    glGetTexImage(GL_TEXTURE_2D, (GLint)l, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                  levels.back().data());
  }
  return levels;
}

TEST_F(TextureTest, TexturesReadAheadAreTheSameAsThoseReadWhenMade) {
  // Every texel different, a colour-keyed one among them.
  std::vector<uint32_t> px(16 * 8);
  for (size_t i = 0; i < px.size(); ++i) px[i] = 0xFF000000u | (uint32_t)(i * 0x010307u);
  px[5] = 0xFFFF00FF;
  std::string path = TempPath("ahead.bmp");
  WriteFile(path, MakeBmp(16, 8, 24, px));
  struct Args {
    UINT width, height, mips;
    DWORD filter;
    D3DCOLOR key;
  };
  const Args cases[] = {{D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DX_FILTER_NONE, 0xFFFF00FF},
                        {32, 32, 0, D3DX_FILTER_NONE, 0},
                        {8, 8, D3DX_DEFAULT, D3DX_DEFAULT, 0},
                        {D3DX_DEFAULT, D3DX_DEFAULT, 2, D3DX_DEFAULT, 0}};
  auto make = [&](const Args& a) {
    IDirect3DTexture9* tex = nullptr;
    D3DXIMAGE_INFO info{};
    EXPECT_EQ(D3DXCreateTextureFromFileExA(device, path.c_str(), a.width, a.height, a.mips, 0,
                                           D3DFMT_UNKNOWN, D3DPOOL_MANAGED, a.filter,
                                           D3DX_DEFAULT, a.key, &info, nullptr, &tex),
              D3D_OK);
    EXPECT_EQ(info.Width, 16u);
    EXPECT_EQ(info.Height, 8u);
    std::vector<std::vector<uint32_t>> levels = tex ? LevelsOf(tex) : decltype(levels)();
    if (tex) tex->Release();
    return levels;
  };
  for (const Args& a : cases) {
    const auto readWhenMade = make(a);
    PrefetchTextureFromFileExA(path.c_str(), a.width, a.height, a.mips, a.filter, a.key);
    EXPECT_EQ(make(a), readWhenMade);
  }
  // Read ahead with other arguments: the file is read as it is when made.
  std::vector<uint32_t> changed(px.size(), 0xFF102030);
  PrefetchTextureFromFileExA(path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, 1, D3DX_DEFAULT, 0);
  WriteFile(path, MakeBmp(16, 8, 24, changed));
  const auto now = make({D3DX_DEFAULT, D3DX_DEFAULT, 3, D3DX_DEFAULT, 0});
  ASSERT_EQ(now.size(), 3u);
  EXPECT_EQ(now[0], changed);
  // A file that is not there fails the same way read ahead, and leaves the
  // pointer alone.
  PrefetchTextureFromFileExA("no\\such\\file.bmp", D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT,
                             D3DX_DEFAULT, 0);
  IDirect3DTexture9* untouched = reinterpret_cast<IDirect3DTexture9*>(0x1);
  EXPECT_EQ(D3DXCreateTextureFromFileA(device, "no\\such\\file.bmp", &untouched),
            D3DXERR_INVALIDDATA);
  EXPECT_EQ(untouched, reinterpret_cast<IDirect3DTexture9*>(0x1));
}

// A named pipe or a folder where a texture is looked for fails at once, made
// or read ahead: no reader waits for a writer that never comes, and the
// read-ahead's worker is free for the next texture.
TEST_F(TextureTest, APipeOrAFolderInATexturesPlaceFailsAtOnce) {
  const std::string pipe = TempPath("pipe.bmp");
  const std::string folder = TempPath("folder.bmp");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  alarm(60);  // a reader waiting on the pipe would otherwise hold the case for ever
  for (const std::string& path : {pipe, folder}) {
    IDirect3DTexture9* untouched = reinterpret_cast<IDirect3DTexture9*>(0x1);
    EXPECT_EQ(D3DXCreateTextureFromFileA(device, path.c_str(), &untouched), D3DXERR_INVALIDDATA)
        << path;
    PrefetchTextureFromFileExA(path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT,
                               D3DX_DEFAULT, 0);
    EXPECT_EQ(D3DXCreateTextureFromFileA(device, path.c_str(), &untouched), D3DXERR_INVALIDDATA)
        << path;
    EXPECT_EQ(untouched, reinterpret_cast<IDirect3DTexture9*>(0x1));
  }
  const std::string good = TempPath("after_pipe.bmp");
  WriteFile(good, MakeBmp(2, 2, 24, std::vector<uint32_t>(4, 0xFF336699)));
  PrefetchTextureFromFileExA(good.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT,
                             0);
  while (TexturesLeftToReadAhead() != 0) usleep(1000);  // within the alarm's time
  alarm(0);
  IDirect3DTexture9* tex = nullptr;
  EXPECT_EQ(D3DXCreateTextureFromFileA(device, good.c_str(), &tex), D3D_OK);
  if (tex) tex->Release();
}

TEST_F(TextureTest, PngAlphaJpegAndGamePathsLoad) {
  std::vector<uint32_t> px = {0x80FF0000, 0x80FF0000, 0x80FF0000, 0x80FF0000};
  std::string png = TempPath("half.png");
  ASSERT_TRUE(WritePngFile(png.c_str(), px.data(), 2, 2));
  // The game writes paths with backslashes.
  std::string gamePath = png;
  gamePath.replace(gamePath.rfind('/'), 1, "\\");
  IDirect3DTexture9* tex = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileA(device, gamePath.c_str(), &tex), D3D_OK);
  Pixels p = DrawFullScreen(tex);
  // red at alpha 128 over green
  EXPECT_COLOR_NEAR(p.at(320, 240), 128, 127, 0, 1);
  tex->Release();

  // A Shift-JIS file name ("テスト.jpg").
  std::string jpgHost = TempPath("\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88.jpg");
  WriteFile(jpgHost, MakeJpeg(16, 16, 0x336699));
  std::string jpgGame = jpgHost.substr(0, jpgHost.rfind('/') + 1) + "\x83\x65\x83\x58\x83\x67.jpg";
  tex = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileA(device, jpgGame.c_str(), &tex), D3D_OK);
  p = DrawFullScreen(tex);
  EXPECT_COLOR_NEAR(p.at(320, 240), 0x33, 0x66, 0x99, 3);
  tex->Release();

  // Missing and malformed files fail and leave the pointer alone.
  IDirect3DTexture9* untouched = reinterpret_cast<IDirect3DTexture9*>(0x1);
  EXPECT_LT(D3DXCreateTextureFromFileA(device, "no\\such\\file.bmp", &untouched), 0);
  std::string bad = TempPath("bad.bmp");
  WriteFile(bad, {'B', 'M', 0, 0, 0, 0});
  EXPECT_LT(D3DXCreateTextureFromFileA(device, bad.c_str(), &untouched), 0);
  EXPECT_EQ(untouched, reinterpret_cast<IDirect3DTexture9*>(0x1));
}

}  // namespace
