// The editor's mouse tools. The left button places, moves, copies, fixes,
// motorises, makes rubber, selects and connects; what a press does is chosen
// at the press from what lies under the mouse and the modifier keys held, and
// the chosen tool works until the release.
#pragma once
#include <cstdint>

#include "platform/d3dx_math.h"
#include "render/view_state.h"
#include "world/update_state.h"

extern int32_t g_pressMouseX;      // client pixels at the press
extern int32_t g_pressMouseY;
extern float g_resizeSize1;        // working sizes of a resize drag
extern float g_resizeSize2;

// The left-button stage of UpdateFrame: buttons, the stage and item tools,
// their drags and the release.
void UpdateLeftButtonTools();

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
