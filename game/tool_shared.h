// What the per-frame update hands to the editor's mouse tools, and what the
// tools share among themselves: the mouse, the tool of the drag and its press
// point, the resize's working sizes, and the steps that come before and after
// every edit. It lies below the update and the tools, so that the update can
// call the tools and none of them needs the update or one another.
#pragma once
#include <cstdint>

#include "platform/d3dx_math.h"
#include "platform/win_types.h"

extern POINT g_mousePos;           // client pixels, read every update
extern int32_t g_hoveredBarSlot;   // item-bar slot under the mouse, -1 none
extern int32_t g_dragTool;         // DragTool of the current mouse drag
extern int32_t g_pressMouseX;      // client pixels at the press
extern int32_t g_pressMouseY;
extern float g_resizeSize1;        // working sizes of a resize drag
extern float g_resizeSize2;

// An item's position, and its body brought to rest.
D3DXVECTOR3 GeomPosition(int item);
void StopBody(int item);

// Takes the state before an edit into the undo slot that the next undo
// restores.
void CaptureUndo();
// In stage editing: sets the changed mark, withdraws a verified clear (the
// play-file export) and refreshes the title. Does nothing in other modes.
void MarkStageChanged();
// After a drop or a rotation: every item comes to rest and is woken; player
// items left beyond the stage field are destroyed, the goal objects are put
// back on its edge with their assemblies, other stage parts stay.
void SettleItemsAfterDrag();
