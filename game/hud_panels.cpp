// The second stretch of the overlay pass: the palette with its 3-D wheel, the
// run and clear pictures, the mode badge and buttons, the item bar with its
// 3-D previews, the truck's key guides, the goal panel and the item counter.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "game/goal_reached.h"
#include "game/overlays.h"
#include "game/run_behaviours.h"
#include "game/update.h"
#include "platform/text_encoding.h"
#include "platform/win_input.h"
#include "render/camera.h"
#include "render/hud_widgets.h"
#include "render/item_drawing.h"
#include "render/render_state.h"
#include "world/effects.h"
#include "world/globals.h"
#include "world/shell_state.h"
#include "world/update_state.h"

int32_t g_idleHintAlpha = 0;

const char* const GoalTexts[4] = {
    Cp932Text("設置エリア内にアイテムを配置して、ゴールベルに衝撃を与える"),
    Cp932Text("自由にアイテムを配置して、スタートボールをゴールエリアに入れる"),
    Cp932Text("パワートラックを操作して、ゴールエリアまで走る（アイテム設置不可）"),
    Cp932Text("設置エリア内にアイテムを配置して、\n固定アイテムに弾かれるドールをおもちゃ箱に入れる"),
};

namespace {

constexpr RECT kAtlasPalettePanel = {3, 70, 114, 175};
constexpr RECT kAtlasStillScene = {113, 241, 222, 268};
constexpr RECT kAtlasSparkle = {117, 65, 135, 83};
constexpr RECT kAtlasClearBanner = {138, 65, 378, 92};
constexpr RECT kAtlasClearBlink = {117, 95, 357, 122};
constexpr RECT kAtlasBadgeEdit = {170, 125, 344, 148};
constexpr RECT kAtlasBadgePlay = {170, 151, 299, 174};
constexpr RECT kAtlasBadgeRun = {170, 177, 282, 200};
constexpr RECT kAtlasVerified = {2, 200, 57, 255};
constexpr RECT kAtlasStartButton = {381, 2, 478, 33};
constexpr RECT kAtlasStopButton = {381, 36, 478, 67};
constexpr RECT kAtlasSlotFrame = {2, 258, 122, 339};
constexpr RECT kAtlasTruckGuide1 = {291, 241, 430, 271};
constexpr RECT kAtlasTruckGuide2 = {291, 274, 431, 304};
constexpr RECT kAtlasTruckGuide3 = {291, 307, 425, 337};
constexpr RECT kAtlasTruckGuide4 = {364, 174, 436, 204};

const char* const kTextPaletteKeys = Cp932Text("１・２ - アイテム変更");
const char* const kTextGoalHeading = Cp932Text("■目的■");
const char* const kTextItemCount = Cp932Text("アイテム数 %4d/%4d");

// The item bar: right edge column, first slot's top, slot height.
constexpr float kBarLeft = 532.0f;
constexpr float kBarTop = 37.0f;
constexpr float kSlotHeight = 81.0f;
constexpr int kBarSlots = 5;
constexpr int kPaletteSize = 4;  // entries of g_paletteTypes

// How a palette kind is shown in the 3-D insets.
struct PreviewRecipe {
  float sizeA, sizeB;
  bool stood;  // the bar is turned 90 degrees about x
};

bool FindRecipe(int kind, PreviewRecipe* out) {
  switch (kind) {
    case kKindBall:
    case kKindRubberBall:
      *out = {2.0f, 0.0f, false};
      return true;
    case kKindBox:
    case kKindRubberBox:
      *out = {4.0f, 4.0f, false};
      return true;
    case kKindCapsule:
    case kKindRubberCapsule:
      *out = {0.8f, 4.8f, true};
      return true;
    default:
      return false;
  }
}

D3DXMATRIX BaseRotation(const PreviewRecipe& r) {
  D3DXMATRIX m;
  if (r.stood) {
    D3DXMatrixRotationX(&m, 90.0f * kDegToRad);
  } else {
    D3DXMatrixIdentity(&m);
  }
  return m;
}

bool PlacementShown() {
  return g_appMode == kModeEdit || (g_appMode == kModePlay && g_goalType != kGoalTruck);
}

void SetViewport(DWORD x, DWORD y, DWORD w, DWORD h) {
  D3DVIEWPORT9 v = {x, y, w, h, 0.0f, 1.0f};
  g_device->SetViewport(&v);
}

// The insets' projection. It is kept in g_projMatrix and on the device
// until the next frame sets the scene's back, so the picking of the update
// in between reads it.
void SetInsetProjection() {
  D3DXMatrixPerspectiveFovLH(&g_projMatrix, 60.0f * kDegToRad, 4.0f / 3.0f, 2.0f, 5000.0f);
  g_device->SetTransform(D3DTS_PROJECTION, &g_projMatrix);
}

// The camera, lights and states the 3-D insets share.
void BeginInset() {
  const D3DXVECTOR3 eye(0, 0, 0), at(0, 0, 1), up(0, 1, 0);
  D3DXMATRIX view;
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  g_device->SetTransform(D3DTS_VIEW, &view);
  SetInsetProjection();
  g_device->LightEnable(0, FALSE);
  g_device->LightEnable(1, TRUE);
  g_device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
}

void EndInset() {
  SetViewport(0, 0, 640, 480);
  g_device->SetTransform(D3DTS_VIEW, &g_viewMatrix);
  g_device->SetRenderState(D3DRS_NORMALIZENORMALS, FALSE);
  g_device->LightEnable(0, TRUE);
  g_device->LightEnable(1, FALSE);
}

int PaletteKind(int index) {
  if (index < 0 || index >= kPaletteSize) return -1;
  return g_paletteTypes[index];
}

// The two kinds on the palette wheel, in the screen's bottom-right corner.
void DrawPaletteWheel() {
  SetViewport(520, 390, 120, 90);
  g_device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  BeginInset();
  const int first = g_paletteWheelAngle / 90;
  const int rest = g_paletteWheelAngle % 90;
  D3DXMATRIX spin;
  const float s = g_previewSpin * kDegToRad;
  D3DXMatrixRotationYawPitchRoll(&spin, s, s, s);
  const int style = (GetAsyncKeyState('X') & 0x8000) ? kStyleFixed : kStyleMovable;
  for (int i = 0; i < 2; ++i) {
    PreviewRecipe recipe;
    if (!FindRecipe(PaletteKind(first + i), &recipe)) continue;
    const float a = (float)(rest + 45 - 90 * i) * kDegToRad;
    D3DXMATRIX translation, rotation;
    D3DXMatrixTranslation(&translation, 6.0f - 6.0f * sinf(a), 6.0f * cosf(a) - 4.0f, 8.0f);
    rotation = spin * BaseRotation(recipe);
    DrawItem(PaletteKind(first + i), &translation, &rotation, recipe.sizeA, recipe.sizeB, 1.0f,
             style, g_appMode, 0);
  }
  EndInset();
}

bool SceneStillInRun() {
  return g_appMode == kModeRun && g_stageCleared == 0 && g_sceneMoving == 0;
}

// The picture shows while a run's scene is still, except in a rocket-doll
// run before the launch.
bool StillScenePictureShown() {
  return SceneStillInRun() && (g_goalType != kGoalRocketDoll || g_dollLaunchCounter == -1);
}

// It fades in while shown and out while the scene moves; a rocket-doll run
// before the launch keeps it as it is.
void FadeStillScenePicture() {
  if (StillScenePictureShown()) {
    g_idleHintAlpha += 20;
    if (g_idleHintAlpha > 255) g_idleHintAlpha = 255;
  } else if (!SceneStillInRun()) {
    g_idleHintAlpha -= 20;
    if (g_idleHintAlpha < 0) g_idleHintAlpha = 0;
  }
}

void DrawStillScenePicture() {
  if (StillScenePictureShown())
    DrawAtlasPicture(kAtlasStillScene, 266.0f, 120.0f, ((D3DCOLOR)g_idleHintAlpha << 24) | 0xFFFFFF);
  FadeStillScenePicture();
}

void DrawClearEffects() {
  SetOverlayAdditive(true);
  const D3DXVECTOR3 centre(9.0f, 9.0f, 0.0f);
  for (const Sparkle& p : g_sparkles) {
    if (p.active == 0) continue;
    D3DXMATRIX scale, turn, move, m;
    D3DXMatrixScaling(&scale, p.scale, p.scale, 0.0f);
    D3DXMatrixRotationZ(&turn, p.angle * kDegToRad);
    D3DXMatrixTranslation(&move, p.pos.x, p.pos.y, 0.0f);
    m = scale * turn * move;
    g_sprite->SetTransform(&m);
    g_sprite->Draw(g_spriteAtlas, &kAtlasSparkle, &centre, nullptr,
                   ((D3DCOLOR)(p.alpha & 0xFF) << 24) | 0xFFFFFF);
  }
  SetOverlayAdditive(false);
  DrawAtlasPicture(kAtlasClearBanner, 200.0f, 120.0f, 0xFFFFFFFF);
  const int blink = (int)(sinf((float)g_clearBlinkAngle * kDegToRad) * 80.0f + 120.0f);
  DrawAtlasPicture(kAtlasClearBlink, 200.0f, 120.0f, ((D3DCOLOR)blink << 24) | 0xFFFFFF);
}

// The open bar grows by 60 pixels a frame to the full height.
void GrowItemBar() {
  if (g_itemBarOpen != 1) return;
  g_itemBarHeight += 60;
  if (g_itemBarHeight > 480) g_itemBarHeight = 480;
}

void DrawItemBar() {
  if (g_itemBarHeight > 0) {
    DrawFilledBox(kBarLeft, 480.0f - (float)g_itemBarHeight, 108.0f, (float)g_itemBarHeight,
                  0xC8000000);
  }
  if (g_itemBarOpen != 1) return;
  GrowItemBar();
  if (g_itemBarHeight != 480) return;  // the slots show once the bar is full height

  int slots = g_paletteCount < kBarSlots ? g_paletteCount : kBarSlots;
  if (slots > kPaletteSize) slots = kPaletteSize;
  DrawFilledBox(kBarLeft, kBarTop + kSlotHeight * (float)g_paletteIndex, 108.0f, kSlotHeight,
                0x64FFFF00);
  if (g_hoveredBarSlot != -1) {
    DrawFilledBox(kBarLeft, kBarTop + kSlotHeight * (float)g_hoveredBarSlot, 108.0f, kSlotHeight,
                  0x96FFFFFF);
  }
  for (int k = 0; k < slots; ++k)
    DrawAtlasPicture(kAtlasSlotFrame, kBarLeft, kBarTop + kSlotHeight * (float)k, 0xDCFFFFFF);

  g_sprite->End();
  g_device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  BeginInset();
  D3DXMATRIX tilt, translation;
  D3DXMatrixRotationYawPitchRoll(&tilt, -20.0f * kDegToRad, 10.0f * kDegToRad, 10.0f * kDegToRad);
  D3DXMatrixTranslation(&translation, 0.0f, 0.0f, 8.0f);
  for (int k = 0; k < slots; ++k) {
    PreviewRecipe recipe;
    if (!FindRecipe(g_paletteTypes[k], &recipe)) continue;
    SetViewport((DWORD)kBarLeft, (DWORD)(kBarTop + kSlotHeight * (float)k), 108, 81);
    D3DXMATRIX rotation = BaseRotation(recipe) * tilt;
    DrawItem(g_paletteTypes[k], &translation, &rotation, recipe.sizeA, recipe.sizeB, 1.0f,
             kStyleMovable, g_appMode, 0);
  }
  EndInset();
  g_sprite->Begin(D3DXSPRITE_ALPHABLEND);
}

void DrawGoalPanel() {
  const int alpha = g_goalPanelAlpha > 255 ? 255 : g_goalPanelAlpha;
  DrawFilledBox(98.0f, 68.0f, 440.0f, 80.0f, (D3DCOLOR)(alpha * 200 / 255) << 24);
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  g_sprite->SetTransform(&identity);
  const D3DCOLOR colour = ((D3DCOLOR)alpha << 24) | 0xFFFFFF;
  if (g_titleFont != nullptr) {
    RECT heading = {100, 80, 540, 450};
    g_titleFont->DrawTextA(g_sprite, kTextGoalHeading, -1, &heading, DT_CENTER | DT_NOCLIP,
                           colour);
  }
  if (g_labelFont != nullptr && g_goalType >= 0 && g_goalType < 4) {
    RECT body = {100, 110, 540, 450};
    g_labelFont->DrawTextA(g_sprite, GoalTexts[g_goalType], -1, &body, DT_CENTER | DT_NOCLIP,
                           colour);
  }
}

void DrawItemCounter() {
  char text[64];
  snprintf(text, sizeof text, kTextItemCount, (int)g_itemCount, kMaxItems);
  DrawFilledBox(0.0f, 30.0f, ItemCounterBoxWidth(text), 18.0f, 0x64000000);
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  g_sprite->SetTransform(&identity);
  if (g_labelFont != nullptr) {
    RECT at = {5, 35, 635, 480};
    g_labelFont->DrawTextA(g_sprite, text, -1, &at, DT_NOCLIP,
                           g_itemCount >= kMaxItems ? 0xFFFF0000 : 0xFFFFFFFF);
  }
}

}  // namespace

float ItemCounterBoxWidth(const char* text) {
  // The box was made for narrower digits than the desktop's font has: it
  // grows on the right when the text would run past it.
  float width = 115.0f;
  SIZE extent = {0, 0};
  if (g_labelFont != nullptr && text != nullptr &&
      GetTextExtentPoint32A(g_labelFont->GetDC(), text, (int)strlen(text), &extent))
    width = std::max(width, 5.0f + (float)extent.cx + 2.0f);
  return width;
}

void PassHudPanelsUnseen() {
  if (g_sprite == nullptr || g_device == nullptr) return;  // as DrawHudPanels
  // In DrawHudPanels' order: the palette wheel's inset, the still picture,
  // the item bar.
  const bool placement = PlacementShown();
  if (placement) SetInsetProjection();
  FadeStillScenePicture();
  if (g_appMode != kModeRun && placement) GrowItemBar();
}

void DrawHudPanels() {
  if (g_sprite == nullptr || g_device == nullptr) return;
  const bool placement = PlacementShown();

  if (placement) {
    const D3DXVECTOR3 corner(111.0f, 105.0f, 0.0f), at(640.0f, 480.0f, 0.0f);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    g_sprite->SetTransform(&identity);
    g_sprite->Draw(g_spriteAtlas, &kAtlasPalettePanel, &corner, &at, 0x96000000);
    DrawOverlayText(g_hintFont, kTextPaletteKeys, 545.0f, 465.0f, 0xFFFFFFFF);
  }

  g_sprite->End();
  if (placement) DrawPaletteWheel();
  g_sprite->Begin(D3DXSPRITE_ALPHABLEND);

  DrawStillScenePicture();
  if (g_stageCleared != 0) DrawClearEffects();

  switch (g_appMode) {
    case kModeEdit:
      DrawAtlasPicture(kAtlasBadgeEdit, 2.0f, 2.0f, 0xFFFFFFFF);
      break;
    case kModePlay:
      DrawAtlasPicture(kAtlasBadgePlay, 2.0f, 2.0f, 0xFFFFFFFF);
      break;
    case kModeRun:
      DrawAtlasPicture(kAtlasBadgeRun, 2.0f, 2.0f, 0xFFFFFFFF);
      break;
    default:
      break;
  }

  if (g_isPlayFile == 0 && g_clearVerified != 0)
    DrawAtlasPicture(kAtlasVerified, 5.0f, 420.0f, 0xFFFFFFFF);

  if (g_appMode == kModePlay || g_appMode == kModeRun) {
    DrawAtlasPicture(g_appMode == kModePlay ? kAtlasStartButton : kAtlasStopButton, 390.0f,
                     445.0f, 0xFFFFFFFF);
    if (g_buttonHover[kButtonStartStop] != 0) {
      SetOverlayAdditive(true);
      DrawFilledBox(390.0f, 445.0f, 97.0f, 26.0f, 0x96FFFFFF);
      SetOverlayAdditive(false);
    }
  }

  if (g_appMode != kModeRun) {
    SetOverlayAdditive(false);
    DrawScrollButtons(0);
    DrawScrollButtons(1);
    if (placement) DrawItemBar();
  }

  if (g_appMode == kModeRun && g_goalType == kGoalTruck && g_stageCleared == 0) {
    DrawAtlasPicture(kAtlasTruckGuide1, 10.0f, 440.0f, 0xFFFFFFFF);
    DrawAtlasPicture(kAtlasTruckGuide2, 170.0f, 440.0f, 0xFFFFFFFF);
    DrawAtlasPicture(kAtlasTruckGuide3, 10.0f, 410.0f, 0xFFFFFFFF);
    // The R key sets the truck upright only while nothing moves.
    if (g_sceneMoving == 0) DrawAtlasPicture(kAtlasTruckGuide4, 284.0f, 220.0f, 0xFFFFFFFF);
  }

  if (g_isPlayFile != 0 && g_goalPanelState >= 1 && g_goalPanelAlpha > 0) DrawGoalPanel();

  if (g_appMode != kModeRun) DrawItemCounter();
}
