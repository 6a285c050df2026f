// Frame pacing: which calls of the loop become frames, which frames are drawn.
#include "game/frame.h"
#include "game/update.h"
#include "platform/win_input.h"
#include "platform/win_message.h"
#include "platform/winmm.h"
#include "world/shell_state.h"
#include "world/update_state.h"

DWORD g_frameNow = 0;
DWORD g_lastFrameTime = 0;
DWORD g_frameLag = 0;
DWORD g_frameInterval = 0;
uint64_t g_pacedFrameCount = 0;
uint64_t g_drawnFrameCount = 0;
float g_lastDollPos[3] = {0.0f, 0.0f, 0.0f};
D3DPRESENT_PARAMETERS g_presentParams = {};

// Lateness beyond this is forgiven at once rather than paid off frame by frame.
constexpr DWORD kMaxFrameLag = 100;

DWORD FrameIntervalForPeriod(UINT periodMinMs) {
  if (periodMinMs == 0) periodMinMs = 1;  // a timer claiming 0 ms runs at 1 ms
  return (DWORD)(1000.0 / (periodMinMs * 60.0) + 0.5);
}

int PaceFrame() {
  g_frameNow = timeGetTime();
  const DWORD elapsed = g_frameNow - g_lastFrameTime;  // wraps correctly at 2^32
  if (elapsed < g_frameInterval) return 0;
  if (elapsed > g_frameInterval) {
    g_frameLag += elapsed - g_frameInterval;
    if (g_frameLag > kMaxFrameLag) g_frameLag = 0;
  } else if (g_frameLag > g_frameInterval) {
    g_frameLag -= g_frameInterval;
  } else {
    g_frameLag = 0;
  }
  g_lastFrameTime = g_frameNow;
  ++g_pacedFrameCount;
  return 1;
}

DWORD NextFrameDueTime() { return g_lastFrameTime + g_frameInterval; }

bool FrameCanBeSeen() { return !g_hWnd || platform::WindowCanBeSeen(g_hWnd); }

int AdvanceFrame() {
  if (!PaceFrame()) return 0;
  if (g_appInactive == 0) {
    if (UpdateFrame() == 0) return 0;
  } else {
    // Nothing moves while the window is inactive, but a press that arrives
    // meanwhile is kept so its release is not taken for a new click.
    if (GetAsyncKeyState(VK_LBUTTON) & 0x8000) g_leftButtonDown = 1;
    if (GetAsyncKeyState(VK_RBUTTON) & 0x8000) g_rightButtonDown = 1;
    FinishInputPoll();
  }
  // A late frame keeps its update (the simulation never skips a step) but
  // not its picture.
  return g_frameLag == 0 ? 1 : 0;
}
