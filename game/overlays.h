// The 2-D overlay pass of a drawn frame, after the 3-D world. The frame
// driver calls, in this order:
//   DrawLabelsAndGizmos(hintContext);  // begins the overlay sprite batch
//   (the editor hint list, while hintContext != -1 and no button is hovered)
//   DrawHudPanels();                   // leaves the batch begun
//   (the clear flash, then g_sprite->End())
#pragma once
#include <cstdint>

// Rotation of the motor icon at a hovered motorised item, whole degrees.
extern int32_t g_motorIconAngle;
// Alpha 0..255 of the picture shown while nothing moves in a run.
extern int32_t g_idleHintAlpha;

// Texts of the labels, Shift-JIS.
extern const char* const SpeedLabels[5];  // by |motorSpeed| - 1
extern const char* const GoalTexts[4];    // by GoalType

// Begins g_sprite's batch (alpha blending) and draws, outside a run, the goal
// markers; in the editing and placing modes the warnings under items outside
// the placement area or overlapping others; the labels of the hovered item,
// joint and connection; and the gizmo arrows of the move (context 2), rotate
// (3) and resize (7) tools. hintContext is the frame's hint context, -1 none.
void DrawLabelsAndGizmos(int hintContext);

// The HUD: palette panel and 3-D palette wheel, the still-scene picture, the
// clear sparkles and banner, the mode badge, the verified icon, the
// start/stop button, the scroll and zoom buttons, the item bar with its 3-D
// previews or the truck's key guides, the goal panel and the item counter.
// Expects the batch begun; ends and begins it again around each 3-D inset and
// leaves it begun.
void DrawHudPanels();

// For a frame that would be drawn but cannot be seen: what the overlays
// change besides the picture, with no drawing. TurnMotorIcon turns the motor
// icon of a hovered motorised item (DrawLabelsAndGizmos does as it draws it);
// PassHudPanelsUnseen fades the still-scene picture, grows the open item bar
// and leaves the insets' projection set, as DrawHudPanels does.
void TurnMotorIcon();
void PassHudPanelsUnseen();

// Width of the item counter's box for its text: 115 pixels, or wider when the
// text (drawn from x = 5) needs it, with 2 pixels to spare.
float ItemCounterBoxWidth(const char* text);
