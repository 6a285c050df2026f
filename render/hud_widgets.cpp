#include "render/hud_widgets.h"

#include <cmath>

#include "platform/win_input.h"
#include "render/render_state.h"
#include "render/view_state.h"
#include "world/globals.h"
#include "world/shell_state.h"

namespace {

bool Held(int virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

// The centre of a picture: half its size in whole pixels.
D3DXVECTOR3 HalfSize(const RECT& r) {
  return D3DXVECTOR3((float)((r.right - r.left) / 2), (float)((r.bottom - r.top) / 2), 0.0f);
}

// The marker stays this far inside the window.
constexpr float kMarkerMinX = 80.0f, kMarkerMaxX = 560.0f;
constexpr float kMarkerMinY = 80.0f, kMarkerMaxY = 400.0f;
// Bell and object markers sit this many pixels toward the window centre.
constexpr float kMarkerPull = 70.0f;
constexpr D3DCOLOR kMarkerColour = 0x96FFFFFF;

struct ScrollButton {
  const char* letter;
  int key;
  int hoverSlot;
  float angle;  // radians
  float x, y;   // the arrow's centre
  float letterX, letterY;
};

struct ZoomButton {
  const char* letter;
  int key;
  int hoverSlot;
  RECT image;
  float x, y;  // the image's top-left
  float letterX, letterY;
};

}  // namespace

void SetSpriteTranslation(float x, float y) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, 0.0f);
  g_sprite->SetTransform(&m);
}

void DrawAtlasPicture(const RECT& source, float x, float y, D3DCOLOR colour) {
  SetSpriteTranslation(x, y);
  g_sprite->Draw(g_spriteAtlas, &source, nullptr, nullptr, colour);
}

void DrawFilledBox(float x, float y, float w, float h, D3DCOLOR colour) {
  D3DXMATRIX scale, move, m;
  D3DXMatrixScaling(&scale, w, h, 1.0f);
  D3DXMatrixTranslation(&move, x, y, 0.0f);
  D3DXMatrixMultiply(&m, &scale, &move);
  g_sprite->SetTransform(&m);
  g_sprite->Draw(g_solidTexture, nullptr, nullptr, nullptr, colour);
}

void DrawOverlayText(ID3DXFont* font, const char* text, float x, float y, D3DCOLOR colour) {
  if (font == nullptr) return;
  SetSpriteTranslation(x, y);
  RECT layout = kOverlayTextRect;
  font->DrawTextA(g_sprite, text, -1, &layout, DT_NOCLIP, colour);
}

void SetOverlayAdditive(bool additive) {
  g_sprite->Flush();
  g_device->SetRenderState(D3DRS_DESTBLEND, additive ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA);
}

void DrawGoalMarker(int markerKind, const D3DXVECTOR3* screenPoint) {
  if (g_sprite == nullptr || screenPoint == nullptr) return;
  const D3DXVECTOR3 p = *screenPoint;

  // The direction from the window centre to the target, depth included.
  D3DXVECTOR3 d = p - D3DXVECTOR3(320.0f, 240.0f, 0.0f);
  if (D3DXVec3Length(&d) >= 1.0f) {
    D3DXVec3Normalize(&d, &d);
  } else {
    d = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
  }

  D3DXVECTOR3 m = p;
  bool arrow = false;
  if (markerKind != kMarkerGoal) {
    m = p - d * kMarkerPull;
    arrow = true;
  }
  if (m.x < kMarkerMinX) { m.x = kMarkerMinX; arrow = true; }
  if (m.x > kMarkerMaxX) { m.x = kMarkerMaxX; arrow = true; }
  if (m.y < kMarkerMinY) { m.y = kMarkerMinY; arrow = true; }
  if (m.y > kMarkerMaxY) { m.y = kMarkerMaxY; arrow = true; }

  const RECT& image = markerKind == kMarkerObject ? kAtlasObjectMarker : kAtlasGoalMarker;
  D3DXVECTOR3 centre = HalfSize(image);
  SetSpriteTranslation(m.x, m.y);
  g_sprite->Draw(g_spriteAtlas, &image, &centre, nullptr, kMarkerColour);

  if (arrow) {
    // The arrow image points up; turned so that it points from the marker at
    // the real spot, 28 to 42 pixels out from the marker's centre.
    const float a = atan2f(p.x - m.x, m.y - p.y);
    D3DXMATRIX turn, move, t;
    D3DXMatrixRotationZ(&turn, a);
    D3DXMatrixTranslation(&move, m.x, m.y, 0.0f);
    D3DXMatrixMultiply(&t, &turn, &move);
    g_sprite->SetTransform(&t);
    D3DXVECTOR3 arrowCentre((float)((kAtlasMarkerArrow.right - kAtlasMarkerArrow.left) / 2),
                            42.0f, 0.0f);
    g_sprite->Draw(g_spriteAtlas, &kAtlasMarkerArrow, &arrowCentre, nullptr, kMarkerColour);
  }
}

void DrawScrollButtons(int pass) {
  if (g_sprite == nullptr) return;
  const bool lit = pass == 1;
  if (lit) {
    // Ctrl belongs to the menu shortcuts unless a copy drag is under way.
    if (g_appInactive != 0) return;
    if (Held(VK_CONTROL) && g_copySourceItem == -1) return;
    SetOverlayAdditive(true);
  }

  const ScrollButton scroll[4] = {
      {"W", 'W', kButtonScrollUp, 0.0f, 320.0f, 15.0f, 315.0f, 13.0f},
      {"S", 'S', kButtonScrollDown, D3DX_PI, 320.0f, 465.0f, 316.0f, 456.0f},
      {"D", 'D', kButtonScrollRight, D3DX_PI / 2.0f, 625.0f, 240.0f, 617.0f, 235.0f},
      {"A", 'A', kButtonScrollLeft, -D3DX_PI / 2.0f, 15.0f, 240.0f, 15.0f, 234.0f},
  };
  const bool canMove[4] = {g_cameraPos.y < 400.0f, g_cameraPos.y > 1.0f,
                           g_cameraPos.x < 800.0f, g_cameraPos.x > 0.0f};
  const D3DXVECTOR3 arrowCentre = HalfSize(kAtlasScrollArrow);
  for (int i = 0; i < 4; ++i) {
    const ScrollButton& b = scroll[i];
    if (!canMove[i]) continue;
    const bool held = Held(b.key);
    if (lit && !held && g_buttonHover[b.hoverSlot] == 0) continue;
    D3DCOLOR colour = lit ? 0xFFFFC8C8 : 0xFFFF0000;
    if (g_fastScroll != 0 && held) colour = 0xFF00FF00;
    D3DXMATRIX scale, turn, move, t;
    D3DXMatrixScaling(&scale, 1.5f, 1.5f, 1.0f);
    D3DXMatrixRotationZ(&turn, b.angle);
    D3DXMatrixTranslation(&move, b.x, b.y, 0.0f);
    t = scale * turn * move;
    g_sprite->SetTransform(&t);
    g_sprite->Draw(g_spriteAtlas, &kAtlasScrollArrow, &arrowCentre, nullptr, colour);
    DrawOverlayText(g_boldFont, b.letter, b.letterX, b.letterY, 0xC8FFFFFF);
  }

  const ZoomButton zoom[2] = {
      {"Q", 'Q', kButtonZoomIn, kAtlasZoomIn, 590.0f, 62.0f, 612.0f, 68.0f},
      {"E", 'E', kButtonZoomOut, kAtlasZoomOut, 590.0f, 87.0f, 612.0f, 95.0f},
  };
  // Dimmed at the zoom limit, where the button does nothing.
  const DWORD alpha[2] = {g_zoomLevel >= 2 ? 100u : 255u, g_zoomLevel < -5 ? 100u : 255u};
  for (int i = 0; i < 2; ++i) {
    const ZoomButton& b = zoom[i];
    DWORD a = alpha[i];
    if (lit && (a != 255 || (!Held(b.key) && g_buttonHover[b.hoverSlot] == 0))) continue;
    const D3DCOLOR colour = (a << 24) + (lit ? 0xFFC8C8u : 0xFF0000u);
    D3DXMATRIX scale, move, t;
    D3DXMatrixScaling(&scale, 1.5f, 1.5f, 1.0f);
    D3DXMatrixTranslation(&move, b.x, b.y, 0.0f);
    t = scale * move;
    g_sprite->SetTransform(&t);
    g_sprite->Draw(g_spriteAtlas, &b.image, nullptr, nullptr, colour);
    DrawOverlayText(g_boldFont, b.letter, b.letterX, b.letterY, (a << 24) + 0xFFFFFFu);
  }

  if (lit) SetOverlayAdditive(false);
}
