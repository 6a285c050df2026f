// The application shell's own globals; the main window, its menus, the
// program's name and folder and the settings are in world/shell_state.h.
#pragma once
#include <cstdint>

#include <ode/ode.h>

#include "platform/d3d9.h"
#include "platform/d3dx9.h"
#include "platform/win_menu.h"
#include "platform/win_types.h"
#include "world/shell_state.h"
#include "world/types.h"

// The drawing device; the frame driver leaves this frame's view, projection
// and viewport on it, and the picking reads them back.
extern IDirect3DDevice9* g_device;
extern D3DVIEWPORT9 g_viewport;  // the device's viewport, as last fetched
// The 2-D batch every overlay picture and text goes through (made at start-up).
extern ID3DXSprite* g_sprite;
// Which device creation start-up succeeded with: 4 the best .. 1 the plainest
// (0 before start-up); the title screen shows it as pips.
extern int32_t g_deviceLevel;
extern dGeomID g_pickRay;        // the mouse's pick ray, in no space
// 1 once start-up has made everything a frame needs; before that WM_PAINT
// draws nothing.
extern int32_t g_initDone;
