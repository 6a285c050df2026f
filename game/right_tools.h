// The editor's right-button tools and the stage's area. On an item the right
// button rotates (Shift: 22.5-degree steps), deletes (R) or lowers the motor
// (V); on a joint with R it deletes the joint; with F it clears the
// selection; on the empty stage of stage editing it draws the area or drags
// the area's edges. The Delete key deletes the selection.
#pragma once
#include <cstdint>

#include "platform/d3dx_math.h"

extern float g_rotateDragAngle;   // degrees: the item's angle when snapping began
extern int32_t g_rotateSnapLatch; // 1 while a rotation drag snaps to 22.5 degrees
extern int32_t g_deleteKeyLatch;  // edge latch of the Delete key

// Stages of UpdateFrame, in this order after the left button.
// The edges of a defined area that lie under the mouse (g_areaEdgeHover), and
// the hand-over of a dragged edge that has crossed its opposite edge.
void UpdateAreaEdgeHover();
// A Delete press deletes the selected player items of the current mode.
void HandleDeleteKey();
// The right button's press, drag and release.
void UpdateRightButtonTools();

// The item's turn in the stage plane, degrees counter-clockwise in -180..180,
// read from its rotation matrix `R` (a bar's axis points down at 0).
float ItemPlaneAngle(int kind, const D3DXMATRIX& R);
