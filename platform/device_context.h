// What an HDC is in our platform layer: something that can measure text in
// the font chosen into it. Fonts of the drawing layer make one; a window
// toolkit may make its own.
#pragma once
#include "platform/win_types.h"

struct HDC__ {
  virtual ~HDC__() = default;
  // Size in pixels of `count` bytes of Shift-JIS text.
  virtual bool MeasureText(const char* text, int count, SIZE* size) = 0;
};
