// The end of a drawn frame: the clear flash over everything, and bringing the
// device back after it was lost.
#include "game/frame.h"
#include "game/goal_reached.h"
#include "render/meshes.h"
#include "render/render_state.h"

void FadeClearFlash() {
  if (g_stageCleared <= 0) return;
  g_clearFlashAlpha -= 5;
  if (g_clearFlashAlpha < 0) g_clearFlashAlpha = 0;
}

void DrawClearFlash() {
  if (g_stageCleared <= 0) return;
  if (g_sprite && g_solidTexture) {
    // The 1 x 1 texel stretched over the whole 640 x 480 overlay.
    D3DXMATRIX cover;
    D3DXMatrixScaling(&cover, 640.0f, 480.0f, 1.0f);
    g_sprite->SetTransform(&cover);
    const int alpha = g_clearFlashAlpha < 0 ? 0 : (g_clearFlashAlpha > 255 ? 255 : g_clearFlashAlpha);
    g_sprite->Draw(g_solidTexture, nullptr, nullptr, nullptr, D3DCOLOR_ARGB(alpha, 255, 255, 255));
  }
  FadeClearFlash();
}

namespace {

// The fonts that draw through the device's frame; the title font is drawn
// only by the title screen, which keeps it out of the lost/reset round too.
ID3DXFont* const* const kFrameFonts[] = {&g_boldFont, &g_labelFont, &g_hintFont};

}  // namespace

void RecoverLostDevice() {
  if (!g_device) return;
  const HRESULT level = g_device->TestCooperativeLevel();
  if (level != D3DERR_DEVICENOTRESET) return;  // lost: wait for the next frame
  for (ID3DXFont* const* font : kFrameFonts)
    if (*font) (*font)->OnLostDevice();
  if (g_sprite) g_sprite->OnLostDevice();
  g_device->Reset(&g_presentParams);
  SetDefaultRenderStates();
  SetupLights();
  if (g_sprite) g_sprite->OnResetDevice();
  for (ID3DXFont* const* font : kFrameFonts)
    if (*font) (*font)->OnResetDevice();
}

void EndFrame() {
  if (g_sprite) g_sprite->End();
  if (!g_device) return;
  g_device->EndScene();
  RECT screen = {0, 0, 640, 480};
  if (g_device->Present(nullptr, &screen, nullptr, nullptr) < 0) RecoverLostDevice();
  ++g_drawnFrameCount;
}
