// The editor's hints: next to the mouse cursor, the key and mouse operations
// that apply to what lies under it, unfolding as a cascade of small boxes
// whenever what lies under the cursor changes.
#pragma once
#include <cstdint>

#include "platform/win_types.h"

constexpr int kHintTextCount = 38;
constexpr int kHintContextCount = 39;
constexpr int kHintRowLength = 10;  // lines of a row at most; -1 ends a shorter one
// The fully unfolded step: lines 15 pixels apart, boxes and text at full alpha.
constexpr float kHintUnfoldFull = 15.0f;

// Shift-JIS texts of the hint lines, each shorter than 100 bytes.
extern const char* const EditorHintTexts[kHintTextCount];
// Per context: indexes into EditorHintTexts in display order.
extern const int32_t HintRowTable[kHintContextCount][kHintRowLength];

// The hint context of this drawn frame (-1: none); the gizmos read it too.
extern int32_t g_hintContext;
// The context of the last frame that drew the list, and how far it unfolded.
extern int32_t g_lastHintContext;
extern float g_hintUnfold;

// The context for what the update left under the cursor and the keys held
// now (-1 when nothing applies). Reads the highlight flag of this frame's
// world drawing, so it runs after DrawWorld.
int32_t ChooseHintContext();

// One line of a hint list: the text's origin, its measured width; its box
// reaches 2 pixels left of the text and 2 past it, from 1 pixel above, 14 high.
struct HintLineBox {
  const char* text = nullptr;
  float x = 0.0f, y = 0.0f;
  int width = 0;
};
// Lays out the lines of `context` for the cursor at `cursor` (client pixels)
// and the unfold step `unfold`; returns how many lines. A list that would run
// past an edge of the 640 x 480 screen is moved back inside as a whole.
int LayoutHintList(int32_t context, POINT cursor, float unfold, HintLineBox lines[kHintRowLength]);

// Draws the list of `context` beside the cursor inside the frame's sprite
// batch and unfolds it one step (UnfoldHintList); nothing when the context is
// -1 or the mouse is over an on-screen button.
void DrawHintList(int32_t context);
// The list's step of a frame, drawn or not: starts it folded when the context
// changed, and returns the unfold to draw this frame with (-1: no list) after
// moving it one step on.
float UnfoldHintList(int32_t context);
