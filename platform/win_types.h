// Basic integer and handle types shared by the game and our platform layer.
#pragma once
#include <cstdint>

typedef int32_t BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t UINT;
typedef int32_t INT;
typedef int32_t HRESULT;
typedef uint32_t ULONG;
typedef int16_t SHORT;
typedef uintptr_t UINT_PTR;
typedef uintptr_t ULONG_PTR;
typedef intptr_t LONG_PTR;
typedef char* LPSTR;
typedef const char* LPCSTR;

// Window-system handles. They are opaque tokens handed out by the platform
// layer; the game only stores and passes them back, never looks inside.
struct PlatformWindow;
struct PlatformMenu;
struct PlatformInstance;
typedef PlatformWindow* HWND;
typedef PlatformMenu* HMENU;
typedef PlatformInstance* HINSTANCE;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

struct RECT {
  LONG left, top, right, bottom;
};

struct POINT {
  LONG x, y;
};

struct SIZE {
  LONG cx, cy;
};

// A device context: here only something that can measure text.
struct HDC__;
typedef HDC__* HDC;

#define S_OK ((HRESULT)0)
#define E_FAIL ((HRESULT)0x80004005)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
