// The IDirect3D9 object the start-up code makes its device with, the GL
// context it makes it on, and what tests ask of devices from outside:
// simulated lost devices and the log of lost-device notifications.
#include <vector>

#include "platform/d3d9_internal.h"

namespace {

D3DDeviceImpl* ImplOf(IDirect3DDevice9* device) { return device->impl(); }

GlContext* g_currentContext = nullptr;

}  // namespace

HRESULT IDirect3D9::GetAdapterDisplayMode(UINT, D3DDISPLAYMODE* mode) {
  if (!mode) return D3DERR_INVALIDCALL;
  *mode = {640, 480, 60, D3DFMT_X8R8G8B8};
  return D3D_OK;
}

HRESULT IDirect3D9::CreateDevice(UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS* params,
                                 IDirect3DDevice9** device) {
  return CreateDeviceOnContext(g_currentContext, params, device);
}

IDirect3D9* Direct3DCreate9(UINT) { return new IDirect3D9; }

void SetGlContext(GlContext* context) { g_currentContext = context; }
GlContext* GetGlContext() { return g_currentContext; }

void SimulateDeviceState(IDirect3DDevice9* device, HRESULT state) {
  if (device) ImplOf(device)->simulatedState = state;
}

// ---- Lost-device notifications seen by tests ----

static std::vector<DeviceObjectEvent>* g_deviceObjectLog = nullptr;

void RecordDeviceObjectEvents(std::vector<DeviceObjectEvent>* log) { g_deviceObjectLog = log; }

void NoteDeviceObjectEvent(const void* object, bool reset) {
  if (g_deviceObjectLog) g_deviceObjectLog->push_back(DeviceObjectEvent{object, reset});
}
