// The editor's mouse tools. The left button places, moves, copies, fixes,
// motorises, makes rubber, selects and connects; what a press does is chosen
// at the press from what lies under the mouse and the modifier keys held, and
// the chosen tool works until the release.
#pragma once
#include <cstdint>

#include "game/tool_shared.h"
#include "platform/d3dx_math.h"
#include "render/view_state.h"
#include "world/update_state.h"

// The left-button stage of UpdateFrame: buttons, the stage and item tools,
// their drags and the release.
void UpdateLeftButtonTools();
