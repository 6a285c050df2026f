// The 3-D scene of one frame in the editing, placing and running modes:
// background, sky, grid, floors, items in the style that tells their state,
// joints, the editor's ghosts, the effects, the band selection and the area.
// Joints stretched too far during a run break here, as they are drawn.
#pragma once
#include <cstdint>

// Degrees the sky dome has turned; 0..360.
extern float g_skyAngle;
// 1 when the item pass of this frame drew any item highlighted; the editor
// hints read it after the drawing.
extern int32_t g_anyHighlighted;

// Draws the whole scene. Needs g_device inside BeginScene with the view and
// projection set and the default render states in force; leaves the states it
// changed at their defaults again (stage 0 without a texture).
void DrawWorld();

// The sky dome turns a little on every frame that shows it, seen or not
// (the play mode shows none).
void TurnSky();

// For a frame that would be drawn but cannot be seen: what DrawWorld changes
// besides the picture, with no device work. The sky turns, g_anyHighlighted
// is set, and during a run the joints in view whose anchors have parted too
// far break, as DrawWorld breaks them: a run goes the same whether or not its
// window can be seen.
void PassWorldUnseen();

// The ItemDrawStyle the scene draws a live item in (the first rule that
// holds): highlighted when hovered or when exactly one of the selected and
// in-band marks is set; in the editing and placing modes the error style for
// an item outside the area or overlapping (unless it is the connect target),
// the connect-target style, or movable / fixed; otherwise movable / fixed.
int ChooseItemDrawStyle(int item);
