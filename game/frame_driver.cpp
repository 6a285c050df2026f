// One turn of the game loop outside the title screen.
#include "game/frame.h"
#include "game/hints.h"
#include "game/overlays.h"
#include "game/update.h"
#include "render/render_state.h"
#include "render/world_drawing.h"
#include "world/globals.h"

void RunFrame() {
  if (!AdvanceFrame()) return;
  // A frame nobody can see costs no drawing, but everything else of a drawn
  // frame still happens: the camera, counters and fades go on, and a run
  // comes out the same whether its window is seen or covered.
  if (g_device && FrameCanBeSeen()) {
    DrawFrame();
  } else {
    PassUnseenFrame();
  }
}

void PassUnseenFrame() {
  // DrawFrame's steps in its order, less the device's work.
  if (g_appMode == kModeRun) UpdateRunCamera();
  SetViewAndProjection();
  PassWorldUnseen();
  g_hintContext = ChooseHintContext();
  if (g_sprite) {
    TurnMotorIcon();
    UnfoldHintList(g_hintContext);
    PassHudPanelsUnseen();
    FadeClearFlash();
  }
}

void DrawFrame() {
  if (!g_device) return;

  g_device->BeginScene();
  if (g_appMode == kModeRun) UpdateRunCamera();
  SetViewAndProjection();
  DrawWorld();

  // The hints depend on what the world drawing highlighted in this frame.
  g_hintContext = ChooseHintContext();

  // The overlays, in sprite batches: labels and gizmos open the first one,
  // the HUD closes and reopens it around its 3-D insets, and the clear flash
  // goes over everything before the batch ends.
  if (g_sprite) {
    DrawLabelsAndGizmos(g_hintContext);
    if (g_hintContext != -1 && g_mouseOverButton == 0) DrawHintList(g_hintContext);
    DrawHudPanels();
    DrawClearFlash();
  }
  EndFrame();
}
