// The title screen, the program's first mode: behind the logo and two
// buttons, boxes fall one after another onto the ground in full 3-D, pile up,
// fade out together and start again, while the camera circles the pile. The
// buttons open the play list or start a new stage in the editor.
//
// The boxes are ordinary movable items of the item table, stepped in the one
// physics world without the stage-plane pass; whatever leaves the title (the
// new-stage command, a file loaded from the play list or a menu) destroys
// them with the rest of the table.
#pragma once
#include <cstdint>

#include "platform/win_types.h"

// Spawn cycle 0..30: a box is spawned on an update that finds it at 0; -1
// while every box fades out.
extern int32_t g_titleSpawnTimer;
// Degrees of the camera's orbit around the pile.
extern float g_titleCameraAngle;

// The two buttons, in the order they stand on the screen.
enum TitleButton : int {
  kTitleButtonNone = -1,
  kTitleButtonPlayList = 0,
  kTitleButtonNewStage = 1,
};
// The button under a client pixel, or kTitleButtonNone.
int TitleButtonAt(POINT p);

// One title frame: pacing, the update (while the window is active), and on a
// frame that is not late the camera, the scene, the overlay and Present, with
// a lost device brought back. The main loop calls it while the mode is the
// title.
void RunTitleFrame();

// One title update: the physics step, spawning and fading, and the clicks on
// the buttons. Returns 0 when the title has been left (nothing of the title
// may be drawn after that), else 1.
int UpdateTitleScreen();

// The 3-D scene: background, sky, ground and every live item as a box of the
// player's colours. Inside BeginScene with the view and projection set.
void DrawTitleScene();

// The 2-D overlay: logo, buttons (lit under the mouse), credit, version and
// the device-level pips. Opens the sprite batch and leaves it open; the frame's
// end closes it.
void DrawTitleOverlay();
