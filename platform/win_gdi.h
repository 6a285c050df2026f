// The little of the graphics device interface that dialogs use to style
// their static controls: fonts, the text colour and background mode of a
// device context, and text measurement (GetTextExtentPoint32A, d3dx9.h).
//
// The face asks the dialog procedure with WM_CTLCOLORSTATIC (wParam the
// control's HDC, lParam the control) when it renders a static control, and
// shows the text in the colour, font and underline the procedure chose into
// that HDC. A brush returned is not looked at beyond "handled" (non-null).
#pragma once
#include <string>

#include "platform/device_context.h"
#include "platform/win_message.h"
#include "platform/win_types.h"

typedef DWORD COLORREF;
#define RGB(r, g, b) \
  ((COLORREF)(((BYTE)(r)) | ((WORD)((BYTE)(g)) << 8) | (((DWORD)(BYTE)(b)) << 16)))
#define GetRValue(c) ((BYTE)(c))
#define GetGValue(c) ((BYTE)((c) >> 8))
#define GetBValue(c) ((BYTE)((c) >> 16))

typedef HGDIOBJ HFONT;

#define FW_DONTCARE 0
#define FW_NORMAL 400
#define FW_BOLD 700
#define SHIFTJIS_CHARSET 128
#define DEFAULT_CHARSET 1
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define PROOF_QUALITY 2
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_MODERN 0x30

#define TRANSPARENT 1
#define OPAQUE 2
#define CLR_INVALID 0xFFFFFFFFu

// height: the character cell in pixels (negative: the character height,
// taken the same); only height, weight, italic, underline, the pitch and the
// face name are kept.
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName);
// Fonts made by CreateFontA; stock objects are never deleted.
BOOL DeleteObject(HGDIOBJ object);
// Selects a font into the context; returns the one it had (null at first).
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
COLORREF SetTextColor(HDC dc, COLORREF color);  // returns the previous colour
int SetBkMode(HDC dc, int mode);                 // returns the previous mode
// Width and height in pixels of count bytes of CP932 text in the context's
// font (also declared with the drawing library's fonts, which make contexts
// of their own).
BOOL GetTextExtentPoint32A(HDC dc, const char* text, int count, SIZE* size);
// The brush of a system colour (COLOR_BTNFACE ...), as a token.
HBRUSH GetSysColorBrush(int index);

namespace platform {

struct FontInfo {
  bool found = false;
  int height = 0;
  int weight = 0;
  bool italic = false, underline = false;
  DWORD pitchAndFamily = 0;
  std::string faceCp932;
};
FontInfo GetFontInfo(HGDIOBJ font);

// The desktop's font family (UTF-8, for fontconfig) for a font as the game
// asks for it. Without a face name: the proportional Japanese gothic, or the
// fixed-pitch one when FIXED_PITCH is asked (the game's texts were laid out
// for the system's proportional face). The Japanese system gothics named by
// their own names become the matching gothic of the desktop; any other name
// is taken as it stands.
std::string FontFamilyFor(const std::string& faceCp932, DWORD pitchAndFamily);

// What a procedure chose into a context.
struct DcState {
  HGDIOBJ font = nullptr;
  COLORREF textColor = 0;
  bool textColorSet = false;
  int bkMode = OPAQUE;
};
DcState GetDcState(HDC dc);
void ForgetDc(HDC dc);

// A context that measures text without a display: single-byte characters
// half the selected font's height wide, double-byte ones the full height
// (12 pixels without a font). For tests and the headless face.
class MeasuringDc : public HDC__ {
 public:
  ~MeasuringDc() override;
  bool MeasureText(const char* text, int count, SIZE* size) override;
};

}  // namespace platform
