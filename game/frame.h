// The frame driver: one turn of the game loop outside the title screen. It
// paces frames by the multimedia clock, runs the per-frame update on every
// accepted frame and, while the frames are on time, moves the run camera,
// draws the world and the 2-D overlays, presents, and brings a lost device
// back.
#pragma once
#include <cstdint>

#include "platform/d3d9.h"
#include "platform/win_types.h"

extern DWORD g_frameNow;       // timeGetTime at the start of the current call, ms
extern DWORD g_lastFrameTime;  // time of the last accepted frame, ms
extern DWORD g_frameLag;       // lateness in ms; frames are drawn only while it is 0
extern DWORD g_frameInterval;  // ms per frame, set once at start-up
// Frames accepted by the pacing (each one updated, unless the window is
// inactive) and frames drawn and presented, since start-up; what the frame
// log of the main loop reports.
extern uint64_t g_pacedFrameCount;
extern uint64_t g_drawnFrameCount;
// The doll's position on the previous drawn frame of a rocket-doll run; kept
// from one run to the next.
extern float g_lastDollPos[3];
// What the device was created with, handed to Reset again after a loss.
extern D3DPRESENT_PARAMETERS g_presentParams;

// The frame period for the timer's finest period: 60 frames a second
// rounded to whole milliseconds (17 at 1 ms, 8 at 2 ms).
DWORD FrameIntervalForPeriod(UINT periodMinMs);

// The pacing rule shared with the title screen: reads the clock and returns
// 0 when the frame is not due yet (nothing changes but g_frameNow); otherwise
// books the lateness, accepts the frame and returns 1.
int PaceFrame();

// When the next frame falls due: the time (timeGetTime) at which PaceFrame
// will accept one, that is the last accepted frame plus one interval. A loop
// with nothing to do waits until then, and no longer.
DWORD NextFrameDueTime();

// Whether a drawn frame could be seen: false while the main window is
// minimised, hidden or wholly covered. Such a frame is updated and goes
// through every step of a drawn one (PassUnseenFrame) but draws nothing and
// presents nothing; it still sets the device's view and projection, which
// picking reads back from the device.
bool FrameCanBeSeen();

// Pacing, then the update of an accepted frame (or, while the window is
// inactive, only the mouse-button latches). Returns 1 when the frame is to
// be drawn: accepted, updated and on time (whether it can be seen or not).
int AdvanceFrame();

// The camera of a run (drawn frames of the running mode only): frames the
// moving items, follows the truck, watches the doll, and eases the eye
// toward its target.
void UpdateRunCamera();

// Builds g_viewMatrix and g_projMatrix from g_cameraPos and sets them on
// the device.
void SetViewAndProjection();

// The white full-screen flash after a goal, over every overlay, fading by 5
// per drawn frame (FadeClearFlash). Inside the frame's sprite batch.
void DrawClearFlash();
void FadeClearFlash();

// Closes a drawn frame: ends the sprite batch and the scene, presents the
// 640 x 480 picture and, when that fails, tries to bring the device back.
void EndFrame();

// After a failed Present: a lost device waits; one that can be reset has the
// fonts and the sprite released, is reset with g_presentParams, gets the
// default states and lights again, and the sprite and fonts are restored.
void RecoverLostDevice();

// One call of the game loop: pacing, update, and on a drawn frame the whole
// picture and Present, or PassUnseenFrame when nobody can see it.
void RunFrame();

// The drawn half of a frame: the run camera, the world, the overlays in
// their sprite batches, Present and the lost-device check.
void DrawFrame();

// A drawn frame that nobody can see: the run camera, the matrices (set on
// the device, as a drawn frame sets them, for picking to read back), and what
// the world drawing and the overlays change besides the picture (the sky,
// the highlight flag, torn joints breaking, the hint list's unfold, the motor
// icon, the still picture's fade, the item bar's growth, the clear flash's
// fade), in DrawFrame's order, with no drawing and no Present.
void PassUnseenFrame();
