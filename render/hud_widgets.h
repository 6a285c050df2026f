// The 2-D pictures of the overlays: rectangles of the sprite atlas, filled
// boxes and texts drawn through g_sprite in the fixed 640 x 480 overlay space
// (x right, y down), and the two widgets drawn inside the overlay batch: the
// goal markers and the scroll and zoom buttons.
#pragma once
#include <cstdint>

#include "platform/d3dx9.h"
#include "platform/d3dx_math.h"
#include "platform/win_types.h"

// Atlas rectangles of the widgets (left, top, right, bottom; right and bottom
// exclusive).
constexpr RECT kAtlasGoalMarker = {230, 2, 285, 57};    // the bell and the goal
constexpr RECT kAtlasObjectMarker = {172, 2, 227, 57};  // the object to carry
constexpr RECT kAtlasMarkerArrow = {141, 46, 166, 60};
constexpr RECT kAtlasScrollArrow = {141, 2, 169, 21};
constexpr RECT kAtlasZoomIn = {288, 2, 323, 18};
constexpr RECT kAtlasZoomOut = {288, 21, 323, 42};

// The layout rectangle every overlay text is given.
constexpr RECT kOverlayTextRect = {0, 0, 640, 480};

// Marker kinds of DrawGoalMarker.
enum GoalMarkerKind : int {
  kMarkerBell = 0,
  kMarkerObject = 1,
  kMarkerGoal = 2,
};

// A marker for a goal object whose projected screen point is screenPoint
// (x, y pixels, z the projected depth): the bell and the object are drawn 70
// pixels toward the window centre with an arrow at the real spot, the goal on
// it; every marker is kept inside 80..560 x 80..400, and a clamped one shows
// the arrow too.
void DrawGoalMarker(int markerKind, const D3DXVECTOR3* screenPoint);

// The scroll buttons W, S, D, A at the window edges (each only while the
// camera can still move that way) and the zoom buttons Q and E. Pass 0 draws
// them; pass 1 draws the held or hovered ones again additively, between two
// flushes, and puts the destination blend back to INVSRCALPHA.
void DrawScrollButtons(int pass);

// ---- Helpers of the overlay pass (all through g_sprite) ----

// Sets the sprite transform to a translation.
void SetSpriteTranslation(float x, float y);
// The atlas picture `source` with its top-left at (x, y), under a translation.
void DrawAtlasPicture(const RECT& source, float x, float y, D3DCOLOR colour);
// g_solidTexture stretched over w x h pixels with its top-left at (x, y).
void DrawFilledBox(float x, float y, float w, float h, D3DCOLOR colour);
// Text of `font` with its layout origin at (x, y) (a translation of the sprite
// transform), in the overlay rectangle with DT_NOCLIP. Nothing without a font.
void DrawOverlayText(ID3DXFont* font, const char* text, float x, float y, D3DCOLOR colour);
// Flushes the batch and switches the destination blend: additive (ONE) when
// `additive`, else back to INVSRCALPHA.
void SetOverlayAdditive(bool additive);
