// Helpers of the overlay tests: a headless device with the game's sprite and
// fonts, an atlas of flat colour blocks (one colour per picture the overlays
// name, so a picture is found by its colour), a white 1 x 1 box texture, and
// on request the real data folder for pictures a person looks at.
#pragma once
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/fonts_textures.h"
#include "app/shell_globals.h"
#include "platform/d3dx9.h"
#include "platform/gl_internal.h"
#include "platform/headless.h"
#include "render/meshes.h"
#include "tests/render_test_support.h"
#include "world/globals.h"

namespace hud {

struct Block {
  RECT rect;
  uint32_t colour;  // opaque RGB of the block in the test atlas
};

// The pictures the widgets and panels use, each filled with its own colour.
// Later blocks are painted over earlier ones where two rectangles touch.
const Block kGoalMarker = {{230, 2, 285, 57}, 0xFF20C0F0};
const Block kObjectMarker = {{172, 2, 227, 57}, 0xFFF0C020};
const Block kMarkerArrow = {{141, 46, 166, 60}, 0xFF40F040};
const Block kScrollArrow = {{141, 2, 169, 21}, 0xFFFFFFFF};
const Block kZoomIn = {{288, 2, 323, 18}, 0xFFFFFFFF};
const Block kZoomOut = {{288, 21, 323, 42}, 0xFFFFFFFF};
const Block kMotorIcon = {{347, 128, 415, 171}, 0xFFE0E020};
const Block kMoveArrow = {{2, 2, 37, 62}, 0xFF30FF30};
const Block kRotateArrow = {{40, 2, 100, 67}, 0xFF3030FF};
const Block kResizeArrow = {{103, 2, 138, 62}, 0xFFFF3030};
const Block kPalettePanel = {{3, 70, 114, 175}, 0xFFFFFFFF};
const Block kStillScene = {{113, 241, 222, 268}, 0xFF80FF80};
const Block kSparkle = {{117, 65, 135, 83}, 0xFF204060};
const Block kBanner = {{138, 65, 378, 92}, 0xFFC02020};
const Block kBlink = {{117, 95, 357, 122}, 0xFFFFFFFF};
const Block kBadgeEdit = {{170, 125, 344, 148}, 0xFFE08020};
const Block kBadgePlay = {{170, 151, 299, 174}, 0xFF2080E0};
const Block kBadgeRun = {{170, 177, 282, 200}, 0xFF20E080};
const Block kVerified = {{2, 200, 57, 255}, 0xFF10A010};
const Block kStartButton = {{381, 2, 478, 33}, 0xFF208020};
const Block kStopButton = {{381, 36, 478, 67}, 0xFF802020};
const Block kSlotFrame = {{2, 258, 122, 339}, 0xFFFFFFFF};
const Block kTruckGuide1 = {{291, 241, 430, 271}, 0xFF6060A0};
const Block kTruckGuide2 = {{291, 274, 431, 304}, 0xFF60A060};
const Block kTruckGuide3 = {{291, 307, 425, 337}, 0xFFA06060};
const Block kTruckGuide4 = {{364, 174, 436, 204}, 0xFFA0A060};

inline std::vector<uint32_t> TestAtlas() {
  const Block* blocks[] = {
      &kGoalMarker, &kObjectMarker, &kMarkerArrow, &kScrollArrow, &kZoomIn,     &kZoomOut,
      &kMotorIcon,  &kMoveArrow,    &kRotateArrow, &kResizeArrow, &kPalettePanel, &kSlotFrame,
      &kStillScene, &kSparkle,      &kBanner,      &kBlink,       &kBadgeEdit,  &kBadgePlay,
      &kBadgeRun,   &kVerified,     &kStartButton, &kStopButton,  &kTruckGuide1, &kTruckGuide2,
      &kTruckGuide3, &kTruckGuide4};
  std::vector<uint32_t> px(512 * 512, 0xFFFF00FF);  // the colour key: transparent
  for (const Block* b : blocks)
    for (LONG y = b->rect.top; y < b->rect.bottom; ++y)
      for (LONG x = b->rect.left; x < b->rect.right; ++x) px[(size_t)y * 512 + x] = b->colour;
  return px;
}

// c (opaque) drawn with alpha over `under`, per channel.
inline uint32_t Over(uint32_t c, int alpha, uint32_t under = 0xFF000000) {
  auto ch = [&](int shift) {
    int s = (c >> shift) & 0xFF, d = (under >> shift) & 0xFF;
    return (uint32_t)((s * alpha + d * (255 - alpha) + 127) / 255) << shift;
  };
  return 0xFF000000 | ch(16) | ch(8) | ch(0);
}

#define EXPECT_PIXEL(pixels, x, y, expected, tol)                                          \
  do {                                                                                     \
    uint32_t e_ = (expected);                                                              \
    SCOPED_TRACE(::testing::Message() << "pixel (" << (x) << ", " << (y) << ")");         \
    EXPECT_COLOR_NEAR((pixels).at((x), (y)), Red(e_), Green(e_), Blue(e_), (tol));        \
  } while (0)

class HudFixture : public DeviceFixture {
 protected:
  void SetUp() override {
    DeviceFixture::SetUp();
    if (!device) return;
    g_device = device;
    headless::Reset();
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    repoDir = here;
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = CaseFilesDir(std::string("hud_") + info->test_suite_name() + "_" + info->name());
    ASSERT_EQ(system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str()), 0);
    rts::WriteBmp(dir + "/atlas.bmp", 512, 512, TestAtlas());
    rts::WriteSolidBmp(dir + "/solid.bmp", 1, 1, 0xFFFFFFFF);
    LoadTexture(&g_spriteAtlas, (dir + "/atlas.bmp").c_str(), 512, 512, 0xFFFF00FF);
    LoadTexture(&g_solidTexture, (dir + "/solid.bmp").c_str(), 1, 1, 0);
    ASSERT_NE(g_spriteAtlas, nullptr);
    ASSERT_NE(g_solidTexture, nullptr);
    ASSERT_EQ(D3DXCreateSprite(device, &g_sprite), D3D_OK);
    ASSERT_EQ(CreateFonts(), 1);
    D3DXMatrixIdentity(&g_worldIdentity);
    SetGameCamera(D3DXVECTOR3(400, 200, -100));
  }
  void TearDown() override {
    if (g_sprite) g_sprite->Release();
    g_sprite = nullptr;
    ReleaseFonts();
    ReleaseTextures();
    ReleaseModels();
    ReleasePrimitiveMeshes();
    g_device = nullptr;
    headless::Reset();
    if (!dir.empty()) {
      EXPECT_EQ(system(("rm -rf '" + dir + "'").c_str()), 0);
    }
    DeviceFixture::TearDown();
  }

  // The game's camera at eye looking along +z, kept where the overlays read it.
  void SetGameCamera(D3DXVECTOR3 eye) {
    g_cameraPos = eye;
    D3DXVECTOR3 at(eye.x, eye.y, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&g_viewMatrix, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&g_projMatrix, 1.0471976f, 4.0f / 3.0f, 10.0f, 5000.0f);
    device->SetTransform(D3DTS_VIEW, &g_viewMatrix);
    device->SetTransform(D3DTS_PROJECTION, &g_projMatrix);
    D3DVIEWPORT9 full = {0, 0, 640, 480, 0.0f, 1.0f};
    device->SetViewport(&full);
    g_viewport = full;
    SetDefaultRenderStates();
    SetupLights();
  }

  // The real textures, models and meshes of the repository's data folder.
  void LoadRealData() {
    ReleaseTextures();
    std::string old = Cwd();
    ASSERT_EQ(chdir(repoDir.c_str()), 0);
    EXPECT_EQ(LoadTextureFiles(0, kTexturesBeforeModels), 0);
    EXPECT_EQ(LoadModels(), 0);
    EXPECT_EQ(LoadTextureFiles(kTexturesBeforeModels, kTextureCount - kTexturesBeforeModels), 0);
    EXPECT_EQ(CreatePrimitiveMeshes(), 0);
    ASSERT_EQ(chdir(old.c_str()), 0);
  }

  static std::string Cwd() {
    char here[4096];
    return getcwd(here, sizeof here) ? std::string(here) : std::string();
  }

  void Clear(D3DCOLOR colour = 0xFF000000) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, colour, 1.0f, 0);
  }

  // The device's own state, for what the public interface cannot read back.
  const DeviceState& State() { return device->impl()->state; }

  std::string repoDir, dir;
};

}  // namespace hud
