#include "app/title_screen.h"

#include <ode/ode.h>

#include <cstdlib>

#include "app/command_steps.h"
#include "app/fonts_textures.h"
#include "app/menus.h"
#include "app/shell_globals.h"
#include "game/frame.h"
#include "game/update.h"
#include "platform/d3dx9.h"
#include "platform/win_input.h"
#include "platform/win_menu.h"
#include "platform/win_message.h"
#include "platform/win_window.h"
#include "platform/winmm.h"
#include "render/item_drawing.h"
#include "render/meshes.h"
#include "render/transforms.h"
#include "render/world_drawing.h"
#include "world/collision.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/physics_world.h"
#include "world/rotations.h"
#include "world/types.h"
#include "world/update_state.h"

int32_t g_titleSpawnTimer = 0;
float g_titleCameraAngle = 0.0f;

namespace {

// Updates from one spawn to the next: 0 spawns, then 1 .. kSpawnCycle.
constexpr int32_t kSpawnCycle = 30;
constexpr int32_t kFading = -1;
// Alpha every box loses per update while the pile fades (255 -> gone in 128).
constexpr int32_t kFadeStep = 2;

// Where the boxes fall: a 21 x 21 patch around (400, *, 0), from this height.
constexpr float kPileX = 400.0f;
constexpr float kSpawnHeight = 50.0f;

// The camera circles (400, 10, 0) at this distance, turning this much per
// drawn frame.
constexpr float kOrbitRadius = 50.0f;
constexpr float kOrbitHeight = 10.0f;
constexpr float kOrbitStep = 0.1f;

constexpr D3DCOLOR kBackground = 0xFF1E415A;
constexpr D3DCOLOR kWhite = 0xFFFFFFFF;
constexpr D3DCOLOR kBlack = 0xFF000000;
constexpr D3DCOLOR kButtonLight = 0x96FFFFFF;

// Atlas pictures (left, top, right, bottom; right and bottom exclusive).
constexpr RECT kLogoRect = {2, 357, 461, 449};
constexpr RECT kButtonRects[2] = {{113, 271, 288, 311}, {113, 314, 288, 354}};
constexpr RECT kPipOnRect = {288, 45, 301, 59};
constexpr RECT kPipOffRect = {304, 45, 317, 59};

// The logo and the buttons are centred on the 640-pixel-wide overlay.
constexpr int kLogoWidth = 459;
constexpr int kLogoLeft = 320 - kLogoWidth / 2;  // 91
constexpr int kLogoTop = 50;
constexpr int kButtonWidth = 175;
constexpr int kButtonHeight = 40;
constexpr int kButtonLeft = 320 - kButtonWidth / 2;  // 233
constexpr int kButtonTop = 300;
constexpr int kButtonPitch = 50;

constexpr int kPipCount = 3;
constexpr int kPipLeft = 590;
constexpr int kPipPitch = 15;
constexpr int kPipTop = 5;
constexpr int kDeviceLabelRight = kPipLeft - 3;

const char kVersionText[] = "Ver.1.10";
const char kDeviceLabel[] = "Direct3D-Spec:";
// 物理演算: Open Dynamics Engine　／　フォント: IPAゴシック
const char kCreditText[] =
    "\x95\xA8\x97\x9D\x89\x89\x8E\x5A: Open Dynamics Engine\x81\x40\x81\x5E\x81\x40"
    "\x83\x74\x83\x48\x83\x93\x83\x67: IPA\x83\x53\x83\x56\x83\x62\x83\x4E";


// One box high above the pile, turned every which way. The draws go into
// locals one by one: their order fixes which box falls where.
void SpawnTitleBox() {
  const int roll = rand() % 360;
  const int pitch = rand() % 360;
  const int yaw = rand() % 360;
  D3DXMATRIX rotation;
  D3DXMatrixRotationYawPitchRoll(&rotation, (float)yaw * kDegToRad, (float)pitch * kDegToRad,
                                 (float)roll * kDegToRad);
  const int z = rand() % 21 - 10;
  const int x = (int)kPileX + (rand() % 21 - 10);
  // A full table only means one box fewer.
  CreateItem(D3DXVECTOR3((float)x, kSpawnHeight, (float)z), &rotation, 0.0f, 0.0f, kKindBox, 1);
}

// Every box loses some alpha; those that reach 0 are gone. Spawning starts
// again once the pass finds nothing left.
void FadeTitleBoxes() {
  bool anyLive = false;
  for (int i = 0; i < kMaxItems; ++i) {
    if (g_items[i].state == kItemFree) continue;
    anyLive = true;
    g_items[i].alpha -= kFadeStep;
    if (g_items[i].alpha <= 0) DestroyItem(i);
  }
  if (!anyLive) g_titleSpawnTimer = 0;
}

void StepTitlePhysics() {
  if (!g_world || !g_space) return;
  CollideSpace(nullptr);
  dRandSetSeed(0);
  dWorldQuickStep(g_world, kStepSize);
  dJointGroupEmpty(g_contactGroup);
}

// The camera circles the pile and the sky dome turns, a little further on
// every drawn frame, seen or not.
void TurnTitleView() {
  g_titleCameraAngle -= kOrbitStep;
  if (g_titleCameraAngle < 0.0f) g_titleCameraAngle += 360.0f;
  TurnSky();
}

// The camera circling the pile.
void SetTitleCamera() {
  const float theta = g_titleCameraAngle * kDegToRad;
  const D3DXVECTOR3 at(kPileX, kOrbitHeight, 0.0f);
  D3DXMATRIX orbit;
  D3DXMatrixRotationY(&orbit, theta);
  const D3DXVECTOR3 back(0.0f, 0.0f, -kOrbitRadius);
  D3DXVECTOR3 offset;
  D3DXVec3TransformCoord(&offset, &back, &orbit);
  const D3DXVECTOR3 eye = at + offset;

  const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
  D3DXMatrixLookAtLH(&g_viewMatrix, &eye, &at, &up);
  D3DXMatrixPerspectiveFovLH(&g_projMatrix, 60.0f * kDegToRad, 4.0f / 3.0f, 0.6f, 5000.0f);
  g_device->SetTransform(D3DTS_VIEW, &g_viewMatrix);
  g_device->SetTransform(D3DTS_PROJECTION, &g_projMatrix);
}

void DrawText(ID3DXFont* font, const char* text, RECT rect, DWORD format, D3DCOLOR colour) {
  if (font) font->DrawTextA(g_sprite, text, -1, &rect, format, colour);
}

void DrawAtlas(const RECT& source, D3DCOLOR colour = kWhite) {
  if (g_spriteAtlas) g_sprite->Draw(g_spriteAtlas, &source, nullptr, nullptr, colour);
}

// A lit button: a translucent white box over the button's whole rectangle,
// added onto what is there between two flushes.
void LightButton(int button) {
  if (!g_solidTexture) return;
  g_sprite->Flush();
  g_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  const D3DXMATRIX box = Scaling((float)kButtonWidth, (float)kButtonHeight, 1.0f) *
                         Translation((float)kButtonLeft, (float)(kButtonTop + kButtonPitch * button));
  g_sprite->SetTransform(&box);
  g_sprite->Draw(g_solidTexture, nullptr, nullptr, nullptr, kButtonLight);
  g_sprite->Flush();
  g_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

}  // namespace

int TitleButtonAt(POINT p) {
  if (p.x < kButtonLeft || p.x >= kButtonLeft + kButtonWidth) return kTitleButtonNone;
  for (int i = 0; i < 2; ++i) {
    const int top = kButtonTop + kButtonPitch * i;
    if (p.y >= top && p.y < top + kButtonHeight) return i;
  }
  return kTitleButtonNone;
}

namespace {
void ReadTitleMouse() {
  POINT cursor = {0, 0};
  GetCursorPos(&cursor);
  ScreenToClient(g_hWnd, &cursor);
  g_mousePos = cursor;
}
}  // namespace

int UpdateTitleScreen() {
  StepTitlePhysics();
  g_itemCount = CountLiveItems();

  if (g_titleSpawnTimer == 0) {
    if (g_itemCount < kTitleMaxObjects) {
      SpawnTitleBox();
    } else {
      g_titleSpawnTimer = kFading;
    }
  }
  if (g_titleSpawnTimer >= 0) {
    ++g_titleSpawnTimer;
    if (g_titleSpawnTimer > kSpawnCycle) g_titleSpawnTimer = 0;
  }
  if (g_titleSpawnTimer == kFading) FadeTitleBoxes();

  ReadTitleMouse();
  const bool leftHeld = (GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0;
  // The button is the title's only input: a click shorter than one update
  // has now been seen once.
  FinishInputPoll();
  if (!leftHeld) {
    g_leftButtonDown = 0;
  } else if (g_leftButtonDown == 0) {
    // Only a press counts: a button held down while the mouse moves onto a
    // picture clicks nothing.
    g_leftButtonDown = 1;
    switch (TitleButtonAt(g_mousePos)) {
      case kTitleButtonPlayList:
        // The play list runs modally inside the send. Cancelled, it leaves
        // the title as it was; a play file chosen there has already replaced
        // the title with its stage, which no title frame may be drawn over.
        SendMessageA(g_hWnd, WM_COMMAND, kCmdPlayList, 0);
        // The frame that follows lights the buttons where the pointer is
        // now, not where it was when the list was opened.
        ReadTitleMouse();
        return g_appMode == kModeTitle ? 1 : 0;
      case kTitleButtonNewStage:
        SetMenu(g_hWnd, g_editorMenu);
        SendMessageA(g_hWnd, WM_COMMAND, kCmdNewStage, 0);
        return 0;
      default:
        break;
    }
  }
  return 1;
}

void DrawTitleScene() {
  IDirect3DDevice9* d = g_device;
  if (!d) return;
  d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0);

  // The sky dome, unlit and slowly turning.
  d->SetRenderState(D3DRS_LIGHTING, FALSE);
  D3DXMATRIX sky;
  D3DXMatrixRotationY(&sky, g_skyAngle * kDegToRad);
  sky = Scaling(1000.0f, 1000.0f, 1000.0f) * sky * Translation(0.0f, 0.0f, 0.0f);
  d->SetTransform(D3DTS_WORLD, &sky);
  DrawMesh(&g_meshSky);

  // The ground the boxes land on: one textured square around the pile.
  const ColoredVertex ground[4] = {
      {D3DXVECTOR3(-800.0f, 0.0f, -800.0f), kWhite, 0.0f, 0.0f},
      {D3DXVECTOR3(-800.0f, 0.0f, 800.0f), kWhite, 1.0f, 0.0f},
      {D3DXVECTOR3(800.0f, 0.0f, 800.0f), kWhite, 1.0f, 1.0f},
      {D3DXVECTOR3(800.0f, 0.0f, -800.0f), kWhite, 0.0f, 1.0f},
  };
  d->SetFVF(ColoredVertex::kFvf);
  d->SetTransform(D3DTS_WORLD, &g_worldIdentity);
  d->SetTexture(0, g_groundTexture);
  d->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, ground, sizeof(ColoredVertex));

  // The boxes, lit from two sides so that their faces tell apart as they
  // tumble.
  d->SetRenderState(D3DRS_LIGHTING, TRUE);
  d->LightEnable(1, TRUE);
  for (const StageItem& item : g_items) {
    if (item.state == kItemFree || !item.geom) continue;
    D3DXVECTOR3 position;
    ConvertOdeVectorToVector3(dGeomGetPosition(item.geom), &position);
    D3DXMATRIX rotation;
    ConvertOdeRotationToMatrix(dGeomGetRotation(item.geom), &rotation);
    const D3DXMATRIX translation = Translation(position.x, position.y, position.z);
    DrawItem(item.kind, &translation, &rotation, item.sizeA, item.sizeB,
             (float)item.alpha / 255.0f, kStyleMovable, kModePlay, 0);
  }
  // The second light belongs to the title's boxes alone: however the title
  // is left (new stage, a play file, a file from the menu or dropped on the
  // window), the next scene must not inherit it.
  d->LightEnable(1, FALSE);
}

void DrawTitleOverlay() {
  if (!g_sprite || !g_device) return;
  g_sprite->Begin(D3DXSPRITE_ALPHABLEND);

  D3DXMATRIX place = Translation((float)kLogoLeft, (float)kLogoTop);
  g_sprite->SetTransform(&place);
  DrawAtlas(kLogoRect);

  for (int i = 0; i < 2; ++i) {
    const int top = kButtonTop + kButtonPitch * i;
    place = Translation((float)kButtonLeft, (float)top);
    g_sprite->SetTransform(&place);
    DrawAtlas(kButtonRects[i]);
    if (TitleButtonAt(g_mousePos) == i) LightButton(i);
  }

  g_sprite->SetTransform(&g_worldIdentity);
  DrawText(g_boldFont, kCreditText, RECT{0, 460, 640, 480}, DT_CENTER | DT_NOCLIP, kWhite);
  // The version with a one-pixel shadow.
  DrawText(g_boldFont, kVersionText, RECT{0, 151, 571, 480}, DT_RIGHT | DT_NOCLIP, kBlack);
  DrawText(g_boldFont, kVersionText, RECT{0, 150, 570, 480}, DT_RIGHT | DT_NOCLIP, kWhite);

  // One pip per device level above the plainest that start-up attained.
  const int attained = g_deviceLevel - 1;
  for (int k = 0; k < kPipCount; ++k) {
    place = Translation((float)(kPipLeft + kPipPitch * k), (float)kPipTop);
    g_sprite->SetTransform(&place);
    DrawAtlas(k < attained ? kPipOnRect : kPipOffRect);
  }

  // The label ends just before the first pip, with a one-pixel shadow. Set
  // from the left at 496, as the layout has it, our bold face runs into the
  // pips.
  place = Translation(0.0f, 0.0f, 0.0f);
  g_sprite->SetTransform(&place);
  DrawText(g_boldFont, kDeviceLabel, RECT{0, 8, kDeviceLabelRight + 1, 480}, DT_RIGHT | DT_NOCLIP,
           kBlack);
  DrawText(g_boldFont, kDeviceLabel, RECT{0, 7, kDeviceLabelRight, 480}, DT_RIGHT | DT_NOCLIP,
           kWhite);
}

void RunTitleFrame() {
  if (!PaceFrame()) return;
  // An inactive window is drawn but nothing moves.
  if (g_appInactive == 0 && UpdateTitleScreen() == 0) return;
  if (g_frameLag != 0) return;
  if (!g_device || !FrameCanBeSeen()) {
    TurnTitleView();  // nobody sees it, but the view moves on as if drawn
    return;
  }

  g_device->BeginScene();
  SetTitleCamera();
  DrawTitleScene();
  DrawTitleOverlay();
  TurnTitleView();
  EndFrame();  // ends the sprite batch and the scene, presents, recovers a lost device
}
