// Fonts and device-context state for styling dialog statics.
#include "platform/win_gdi.h"

#include <cstdlib>
#include <map>

#include "platform/text_encoding.h"

namespace {

struct GdiState {
  std::map<uintptr_t, platform::FontInfo> fonts;
  std::map<const HDC__*, platform::DcState> dcs;
  uintptr_t nextFont = 0x40000;
};

GdiState& G() {
  static GdiState* state = new GdiState;
  return *state;
}

}  // namespace

HFONT CreateFontA(int height, int, int, int, int weight, DWORD italic, DWORD underline, DWORD,
                  DWORD, DWORD, DWORD, DWORD, DWORD pitchAndFamily, LPCSTR faceName) {
  platform::FontInfo f;
  f.found = true;
  f.height = height == 0 ? 12 : std::abs(height);
  f.weight = weight;
  f.italic = italic != 0;
  f.underline = underline != 0;
  f.pitchAndFamily = pitchAndFamily;
  f.faceCp932 = faceName ? faceName : "";
  uintptr_t handle = G().nextFont++;
  G().fonts[handle] = f;
  return reinterpret_cast<HFONT>(handle);
}

BOOL DeleteObject(HGDIOBJ object) {
  return G().fonts.erase(reinterpret_cast<uintptr_t>(object)) ? TRUE : FALSE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  if (!dc || !G().fonts.count(reinterpret_cast<uintptr_t>(object))) return nullptr;
  platform::DcState& s = G().dcs[dc];
  HGDIOBJ before = s.font;
  s.font = object;
  return before;
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
  if (!dc) return CLR_INVALID;
  platform::DcState& s = G().dcs[dc];
  COLORREF before = s.textColor;
  s.textColor = color;
  s.textColorSet = true;
  return before;
}

int SetBkMode(HDC dc, int mode) {
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  platform::DcState& s = G().dcs[dc];
  int before = s.bkMode;
  s.bkMode = mode;
  return before;
}

HBRUSH GetSysColorBrush(int index) {
  return reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(0x50000 + index));
}

namespace platform {

FontInfo GetFontInfo(HGDIOBJ font) {
  auto it = G().fonts.find(reinterpret_cast<uintptr_t>(font));
  return it == G().fonts.end() ? FontInfo{} : it->second;
}

DcState GetDcState(HDC dc) {
  auto it = G().dcs.find(dc);
  return it == G().dcs.end() ? DcState{} : it->second;
}

void ForgetDc(HDC dc) { G().dcs.erase(dc); }

std::string FontFamilyFor(const std::string& faceCp932, DWORD pitchAndFamily) {
  static const char kFixedGothic[] = "IPAGothic";
  static const char kProportionalGothic[] = "IPAPGothic";
  if (faceCp932.empty())
    return (pitchAndFamily & 3) == FIXED_PITCH ? kFixedGothic : kProportionalGothic;
  std::string utf8 = Cp932ToUtf8(faceCp932);
  static const struct {
    const char* name;
    const char* family;
  } kSystemGothics[] = {
      {"ＭＳ ゴシック", kFixedGothic},        {"MS Gothic", kFixedGothic},
      {"ＭＳ Ｐゴシック", kProportionalGothic}, {"MS PGothic", kProportionalGothic},
      {"MS UI Gothic", kProportionalGothic},
  };
  for (const auto& g : kSystemGothics)
    if (utf8 == g.name) return g.family;
  return utf8;
}

MeasuringDc::~MeasuringDc() { ForgetDc(this); }

bool MeasuringDc::MeasureText(const char* text, int count, SIZE* size) {
  if (!size || count < 0 || (count > 0 && !text)) return false;
  FontInfo font = GetFontInfo(GetDcState(this).font);
  int height = font.found ? font.height : 12;
  LONG width = 0;
  for (int i = 0; i < count;) {
    int len = Cp932CharLength(static_cast<unsigned char>(text[i]));
    width += len == 2 ? height : height / 2;
    i += len;
  }
  *size = SIZE{width, height};
  return true;
}

}  // namespace platform
