// What the drawing shows of the editor and the run: the buttons under the
// mouse, the palette page, the connect target, the band selection and the doll
// countdown. The game's update computes them every frame.
#pragma once
#include <cstdint>

// On-screen buttons by hover slot.
enum ButtonSlot : int {
  kButtonStartStop = 0,
  kButtonItemBar = 1,      // the whole open bar
  kButtonPaletteNext = 2,  // never lit
  kButtonPalettePrev = 3,  // never lit
  kButtonBarOpener = 4,
  kButtonScrollUp = 5,
  kButtonScrollDown = 6,
  kButtonScrollLeft = 7,
  kButtonScrollRight = 8,
  kButtonZoomIn = 9,
  kButtonZoomOut = 10,
  kButtonCount = 11,
};

extern int32_t g_buttonHover[kButtonCount];  // 1 while the mouse is on the button
extern int32_t g_mouseOverButton;            // the mouse is on a button that counts
extern int32_t g_paletteIndex;
extern int32_t g_fastScroll;          // double-speed scrolling until W, A, S, D are up
extern int32_t g_connectTarget;       // item the hovered item may be joined to, -1 none
extern int32_t g_bandSelecting;       // 1 while a band selection runs
extern int32_t g_dollLaunchCounter;   // updates until the doll launch, -1 once launched
