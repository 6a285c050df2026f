// Frame cost of a full stage: 500 items drawn offscreen through the game's
// world drawing, timed per frame (until the GL work has finished), beside one
// bare physics step of the same bodies. Run from the repository root so the
// data folder is found; missing models are reported and simply not drawn.
//
//   build/bench/frame_bench [frames [picture.png]]
#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/fonts_textures.h"
#include "app/shell_globals.h"
#include "game/simulation.h"
#include "platform/gl_context.h"
#include "render/meshes.h"
#include "render/world_drawing.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/physics_world.h"

namespace {

using Clock = std::chrono::steady_clock;

double Millis(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

// 25 columns by 20 rows over the stage field, cycling through the player's
// six kinds, every item movable.
int FillStage() {
  static const struct {
    int kind;
    float a, b;
  } kinds[] = {{kKindBall, 5, 0},      {kKindBox, 8, 6},       {kKindCapsule, 2, 8},
               {kKindRubberBall, 5, 0}, {kKindRubberBox, 8, 6}, {kKindRubberCapsule, 2, 8}};
  int made = 0;
  for (int i = 0; i < kMaxItems; ++i) {
    const auto& k = kinds[i % 6];
    D3DXVECTOR3 at(16.0f + 31.0f * (float)(i % 25), 12.0f + 19.0f * (float)(i / 25), 0);
    if (CreateItem(at, nullptr, k.a, k.b, k.kind, 1) >= 0) ++made;
  }
  return made;
}

}  // namespace

int main(int argc, char** argv) {
  int frames = argc > 1 ? atoi(argv[1]) : 200;
  if (frames < 1) frames = 200;

  IDirect3DDevice9* device = CreateHeadlessDevice();
  if (!device) {
    fprintf(stderr, "no headless GL device\n");
    return 1;
  }
  g_device = device;
  SetDefaultRenderStates();
  SetupLights();
  int missing = LoadTextureFiles(0, kTextureCount) + LoadModels() + CreatePrimitiveMeshes();
  if (missing) printf("note: %d textures or models missing from data/; they draw nothing\n", missing);

  CreatePhysicsWorld();
  int items = FillStage();
  g_appMode = kModeRun;  // the whole scene of a run: sky, floors, items, effects

  // The whole field 800 x 400 in view.
  g_cameraPos = D3DXVECTOR3(400, 200, -540);
  D3DXVECTOR3 at(400, 200, 0), up(0, 1, 0);
  D3DXMATRIX view, proj;
  D3DXMatrixLookAtLH(&view, &g_cameraPos, &at, &up);
  D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 3, 4.0f / 3.0f, 10.0f, 5000.0f);
  device->SetTransform(D3DTS_VIEW, &view);
  device->SetTransform(D3DTS_PROJECTION, &proj);

  std::vector<double> drawMs, stepMs;
  for (int f = -10; f < frames; ++f) {
    Clock::time_point a = Clock::now();
    device->BeginScene();
    DrawWorld();
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    glFinish();
    Clock::time_point b = Clock::now();

    // The run's physics step (collide with the game's contact rules, step,
    // empty the contacts) without the plane pass.
    StepSimulation();
    Clock::time_point c = Clock::now();
    if (f >= 0) {
      drawMs.push_back(Millis(a, b));
      stepMs.push_back(Millis(b, c));
    }
  }

  if (argc > 2) {  // a picture of the last frame, for a person to look at
    std::vector<uint32_t> pixels = ReadBackBuffer(device);
    WritePngFile(argv[2], pixels.data(), 640, 480);
  }
  printf("%d items, %d frames at 640 x 480\n", items, frames);
  printf("draw  median %.3f ms per frame\n", Median(drawMs));
  printf("step  median %.3f ms per physics step\n", Median(stepMs));
  printf("(the frame interval is 17 ms; drawing should stay within half of it)\n");

  for (int i = 0; i < kMaxItems; ++i)
    if (g_items[i].state != kItemFree) DestroyItem(i);
  DestroyPhysicsWorld();
  ReleasePrimitiveMeshes();
  ReleaseModels();
  ReleaseTextures();
  g_device = nullptr;
  device->Release();
  return 0;
}
