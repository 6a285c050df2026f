// The application shell's own globals. What the lower layers read lives below:
// the main window, its menus, the program's name and folder and the settings
// in world/shell_state.h, the device, sprite, fonts and textures in
// render/render_state.h, the pick ray in game/update.h.
#pragma once
#include <cstdint>

#include <ode/ode.h>

#include "game/update.h"
#include "platform/d3d9.h"
#include "platform/d3dx9.h"
#include "platform/win_menu.h"
#include "platform/win_types.h"
#include "render/render_state.h"
#include "world/shell_state.h"
#include "world/types.h"

// 1 once start-up has made everything a frame needs; before that WM_PAINT
// draws nothing.
extern int32_t g_initDone;
// 1 when Config.dat was there at start-up but could not be read: the game
// runs with the default settings and shut-down leaves the file as it is,
// unless the player gives their editor name.
extern int32_t g_keepConfigFile;
