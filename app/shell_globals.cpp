#include "app/shell_globals.h"

#include "platform/win_window.h"

IDirect3DDevice9* g_device = nullptr;
D3DVIEWPORT9 g_viewport = {};
ID3DXSprite* g_sprite = nullptr;
int32_t g_deviceLevel = 0;
dGeomID g_pickRay = nullptr;
int32_t g_initDone = 0;
