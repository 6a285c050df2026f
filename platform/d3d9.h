// Our Direct3D-9-shaped drawing device. The game draws through these names;
// behind them an OpenGL 3.3 core context does the work (see d3d9_device.cpp).
// Only the states, values and calls that the game uses are declared.
#pragma once
#include "platform/d3dx_math.h"
#include "platform/win_types.h"

typedef DWORD D3DCOLOR;  // 0xAARRGGBB
#define D3DCOLOR_ARGB(a, r, g, b)                                                     \
  ((D3DCOLOR)((((DWORD)(a) & 0xffu) << 24) | (((DWORD)(r) & 0xffu) << 16) |         \
              (((DWORD)(g) & 0xffu) << 8) | ((DWORD)(b) & 0xffu)))

#define D3D_OK S_OK
#define D3DERR_DEVICELOST ((HRESULT)0x88760868)
#define D3DERR_DEVICENOTRESET ((HRESULT)0x88760869)
#define D3DERR_INVALIDCALL ((HRESULT)0x8876086C)
#define D3DERR_NOTAVAILABLE ((HRESULT)0x8876086A)
#define D3DXERR_INVALIDDATA ((HRESULT)0x88760B59)
#define E_OUTOFMEMORY ((HRESULT)0x8007000E)

struct D3DCOLORVALUE {
  float r, g, b, a;
};

typedef D3DXVECTOR3 D3DVECTOR;

struct D3DMATERIAL9 {
  D3DCOLORVALUE Diffuse;
  D3DCOLORVALUE Ambient;
  D3DCOLORVALUE Specular;
  D3DCOLORVALUE Emissive;
  float Power;
};

enum D3DLIGHTTYPE { D3DLIGHT_DIRECTIONAL = 3 };

struct D3DLIGHT9 {
  D3DLIGHTTYPE Type;
  D3DCOLORVALUE Diffuse;
  D3DCOLORVALUE Specular;
  D3DCOLORVALUE Ambient;
  D3DVECTOR Position;
  D3DVECTOR Direction;
  float Range;
  float Falloff;
  float Attenuation0;
  float Attenuation1;
  float Attenuation2;
  float Theta;
  float Phi;
};

enum D3DRENDERSTATETYPE {
  D3DRS_ZENABLE = 7,
  D3DRS_FILLMODE = 8,
  D3DRS_ZWRITEENABLE = 14,
  D3DRS_SRCBLEND = 19,
  D3DRS_DESTBLEND = 20,
  D3DRS_CULLMODE = 22,
  D3DRS_ALPHABLENDENABLE = 27,
  D3DRS_LIGHTING = 137,
  D3DRS_NORMALIZENORMALS = 143,
};

enum D3DZBUFFERTYPE { D3DZB_FALSE = 0, D3DZB_TRUE = 1 };
enum D3DFILLMODE { D3DFILL_WIREFRAME = 2, D3DFILL_SOLID = 3 };
enum D3DBLEND { D3DBLEND_ZERO = 1, D3DBLEND_ONE = 2, D3DBLEND_SRCALPHA = 5, D3DBLEND_INVSRCALPHA = 6 };
enum D3DCULL { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };

enum D3DTEXTURESTAGESTATETYPE {
  D3DTSS_COLOROP = 1,
  D3DTSS_ALPHAOP = 4,
  D3DTSS_ALPHAARG1 = 5,
  D3DTSS_ALPHAARG2 = 6,
};
enum D3DTEXTUREOP { D3DTOP_MODULATE = 4 };
#define D3DTA_DIFFUSE 0x00000000
#define D3DTA_TEXTURE 0x00000002

enum D3DSAMPLERSTATETYPE {
  D3DSAMP_MAGFILTER = 5,
  D3DSAMP_MINFILTER = 6,
  D3DSAMP_MIPFILTER = 7,
};
enum D3DTEXTUREFILTERTYPE { D3DTEXF_NONE = 0, D3DTEXF_POINT = 1, D3DTEXF_LINEAR = 2 };

enum D3DTRANSFORMSTATETYPE { D3DTS_VIEW = 2, D3DTS_PROJECTION = 3, D3DTS_WORLD = 256 };

enum D3DPRIMITIVETYPE {
  D3DPT_LINELIST = 2,
  D3DPT_LINESTRIP = 3,
  D3DPT_TRIANGLELIST = 4,
  D3DPT_TRIANGLESTRIP = 5,
  D3DPT_TRIANGLEFAN = 6,
};

// Flexible vertex format bits, in the order the elements sit in a vertex.
#define D3DFVF_XYZ 0x002
#define D3DFVF_NORMAL 0x010
#define D3DFVF_DIFFUSE 0x040
#define D3DFVF_TEX1 0x100

#define D3DCLEAR_TARGET 0x1
#define D3DCLEAR_ZBUFFER 0x2
#define D3DCLEAR_STENCIL 0x4

enum D3DFORMAT {
  D3DFMT_UNKNOWN = 0,
  D3DFMT_A8R8G8B8 = 21,
  D3DFMT_X8R8G8B8 = 22,
  D3DFMT_D24X8 = 77,
  D3DFMT_D16 = 80,
};
enum D3DPOOL { D3DPOOL_DEFAULT = 0, D3DPOOL_MANAGED = 1 };
enum D3DSWAPEFFECT { D3DSWAPEFFECT_COPY = 3 };
enum D3DDEVTYPE { D3DDEVTYPE_HAL = 1, D3DDEVTYPE_REF = 2 };
#define D3DCREATE_SOFTWARE_VERTEXPROCESSING 0x20
#define D3DCREATE_HARDWARE_VERTEXPROCESSING 0x40
#define D3DPRESENTFLAG_LOCKABLE_BACKBUFFER 0x1
#define D3DPRESENT_INTERVAL_IMMEDIATE 0x80000000u
#define D3DADAPTER_DEFAULT 0
#define D3D_SDK_VERSION 32

struct D3DPRESENT_PARAMETERS {
  UINT BackBufferWidth;
  UINT BackBufferHeight;
  D3DFORMAT BackBufferFormat;
  UINT BackBufferCount;
  DWORD MultiSampleType;
  DWORD MultiSampleQuality;
  D3DSWAPEFFECT SwapEffect;
  HWND hDeviceWindow;
  BOOL Windowed;
  BOOL EnableAutoDepthStencil;
  D3DFORMAT AutoDepthStencilFormat;
  DWORD Flags;
  UINT FullScreen_RefreshRateInHz;
  UINT PresentationInterval;
};

struct D3DDISPLAYMODE {
  UINT Width;
  UINT Height;
  UINT RefreshRate;
  D3DFORMAT Format;
};

struct D3DSURFACE_DESC {
  D3DFORMAT Format;
  D3DPOOL Pool;
  UINT Width;
  UINT Height;
};

// Reference counting as the game expects of every object it releases.
class D3DObject {
 public:
  ULONG AddRef() { return ++refs_; }
  ULONG Release() {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  D3DObject() = default;
  virtual ~D3DObject() = default;
  D3DObject(const D3DObject&) = delete;
  D3DObject& operator=(const D3DObject&) = delete;

 private:
  ULONG refs_ = 1;
};

struct D3DTextureImpl;
struct D3DDeviceImpl;
class IDirect3DDevice9;

// A 2-D texture with its mip chain, 32-bit ARGB texels.
class IDirect3DTexture9 : public D3DObject {
 public:
  DWORD GetLevelCount();
  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc);
  D3DTextureImpl* impl() { return impl_; }

  explicit IDirect3DTexture9(D3DTextureImpl* impl) : impl_(impl) {}

 private:
  ~IDirect3DTexture9() override;
  D3DTextureImpl* impl_;
};
typedef IDirect3DTexture9* LPDIRECT3DTEXTURE9;

class IDirect3DDevice9 : public D3DObject {
 public:
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value);
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DXMATRIX* matrix);
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DXMATRIX* matrix);
  HRESULT SetViewport(const D3DVIEWPORT9* viewport);
  HRESULT GetViewport(D3DVIEWPORT9* viewport);
  HRESULT SetLight(DWORD index, const D3DLIGHT9* light);
  HRESULT LightEnable(DWORD index, BOOL enable);
  HRESULT GetLight(DWORD index, D3DLIGHT9* light);
  HRESULT GetLightEnable(DWORD index, BOOL* enable);
  HRESULT SetMaterial(const D3DMATERIAL9* material);
  HRESULT GetMaterial(D3DMATERIAL9* material);
  HRESULT SetTexture(DWORD stage, IDirect3DTexture9* texture);
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value);
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
  HRESULT SetFVF(DWORD fvf);
  HRESULT GetFVF(DWORD* fvf);
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices,
                          UINT stride);
  // rects are not supported: count must be 0; the current viewport is cleared.
  HRESULT Clear(DWORD count, const void* rects, DWORD flags, D3DCOLOR color, float z,
                DWORD stencil);
  HRESULT BeginScene();
  HRESULT EndScene();
  HRESULT Present(const RECT* source, const RECT* dest, HWND window, const void* dirty);
  HRESULT TestCooperativeLevel();
  HRESULT Reset(D3DPRESENT_PARAMETERS* params);

  D3DDeviceImpl* impl() { return impl_; }
  explicit IDirect3DDevice9(D3DDeviceImpl* impl) : impl_(impl) {}

 private:
  ~IDirect3DDevice9() override;
  D3DDeviceImpl* impl_;
};
typedef IDirect3DDevice9* LPDIRECT3DDEVICE9;

// The factory object of the start-up code. CreateDevice makes the device on the
// GL context that the window (or a test) registered with SetGlContext.
class IDirect3D9 : public D3DObject {
 public:
  HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode);
  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD flags,
                       D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device);
};
IDirect3D9* Direct3DCreate9(UINT sdkVersion);
