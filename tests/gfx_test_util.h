// Helpers shared by the drawing tests: a headless device, pixel access and
// pictures of what was drawn written to the build folder.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/d3d9.h"
#include "platform/gl_context.h"

struct Pixels {
  std::vector<uint32_t> argb;
  int width = 0, height = 0;
  uint32_t at(int x, int y) const { return argb[(size_t)y * width + x]; }
};

inline int Red(uint32_t c) { return (c >> 16) & 0xff; }
inline int Green(uint32_t c) { return (c >> 8) & 0xff; }
inline int Blue(uint32_t c) { return c & 0xff; }

inline Pixels Grab(IDirect3DDevice9* device) {
  Pixels p;
  p.argb = ReadBackBuffer(device, &p.width, &p.height);
  return p;
}

// Saves the picture as <build folder>/gfx_pictures/<name>.png for a person to look at.
inline void SavePicture(const Pixels& p, const std::string& name) {
  std::string dir = std::string(GFX_PICTURE_DIR);
  std::string cmd = "mkdir -p '" + dir + "'";
  if (system(cmd.c_str()) != 0) return;
  WritePngFile((dir + "/" + name + ".png").c_str(), p.argb.data(), p.width, p.height);
}

// A folder for the files of one case, under the build folder's test_files and
// apart for each process: a binary run whole and its cases run one by one may
// run at the same time.
inline std::string CaseFilesDir(const std::string& name) {
  return std::string(GFX_PICTURE_DIR) + "/../test_files/" + name + "." + std::to_string(getpid());
}

#define EXPECT_COLOR_NEAR(actual, r, g, b, tol)                                   \
  do {                                                                            \
    uint32_t c_ = (actual);                                                       \
    EXPECT_NEAR(Red(c_), (r), (tol)) << std::hex << "colour 0x" << c_;            \
    EXPECT_NEAR(Green(c_), (g), (tol)) << std::hex << "colour 0x" << c_;          \
    EXPECT_NEAR(Blue(c_), (b), (tol)) << std::hex << "colour 0x" << c_;           \
  } while (0)

class DeviceFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    device = CreateHeadlessDevice();
    ASSERT_NE(device, nullptr) << "no headless GL device";
    TakeGlErrors();
  }
  void TearDown() override {
    EXPECT_EQ(TakeGlErrors(), 0u) << "GL errors while drawing";
    if (device) device->Release();
  }
  // Eye at (0, 0, -10) looking along +z, 60 degree vertical field, 4:3.
  void SetCamera() {
    D3DXMATRIX view, proj;
    D3DXVECTOR3 eye(0, 0, -10), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 3, 4.0f / 3.0f, 1.0f, 100.0f);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &proj);
  }
  IDirect3DDevice9* device = nullptr;
};
