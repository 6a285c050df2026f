// The per-frame update: mouse and keys, what lies under the mouse, camera
// zoom and scrolling, the palette, the overlap and area flags, the editor
// tools and the goal panel. The frame driver calls UpdateFrame once per paced
// frame in every mode but the title screen.
#pragma once
#include <ode/ode.h>

#include <cstdint>

#include "game/tool_shared.h"
#include "platform/win_types.h"
#include "render/view_state.h"
#include "world/types.h"
#include "world/update_state.h"

// Length of the pick ray: the far plane of the projection, so the ray reaches
// everything the camera shows at every zoom step.
constexpr dReal kPickRayLength = 5000.0;

extern int32_t g_paletteCount;
extern int32_t g_paletteWheelAngle;  // degrees, follows 90 x g_paletteIndex
extern float g_previewSpin;  // degrees, turns the 3-D previews outside runs
extern dGeomID g_pickRay;    // the mouse's pick ray, in no space
// Edge latches of the polled keys, and the double-press timers of the scroll
// keys in the order W, S, A, D.
extern int g_latchKey1;
extern int g_latchKey2;
extern int g_latchZoomIn;
extern int g_latchZoomOut;
extern int g_scrollLatch[4];
extern int g_scrollTimer[4];

// One update of the game. Always returns 1.
int UpdateFrame();

// Steps of UpdateFrame, callable on their own by tests and by the shell.
void UpdateButtonHover();
void UpdatePaletteKeys();
void UpdatePaletteWheel();
void UpdateZoomAndScrollKeys();
void UpdatePicking();
void UpdateOverlapFlags();
void UpdateAreaFlags();
void UpdateGoalPanel();

// Makes the pick ray (outside any space) when there is none yet.
void CreatePickRay();
void DestroyPickRay();
