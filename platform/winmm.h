// The multimedia timer calls the game paces its frames with.
//
// timeGetTime: milliseconds from a fixed point, monotonic, wrapping at 2^32
// (compare times by unsigned difference). The platform layer reads the
// system's monotonic clock, or in tests a manual clock (headless.h).
// timeBeginPeriod / timeEndPeriod raise and restore the timer resolution; they
// are counted in pairs and change nothing else here.
#pragma once
#include "platform/win_types.h"

typedef UINT MMRESULT;

#define MMSYSERR_NOERROR 0u
#define TIMERR_NOERROR 0u
#define TIMERR_NOCANDO 97u

struct TIMECAPS {
  UINT wPeriodMin;  // ms
  UINT wPeriodMax;  // ms
};
typedef TIMECAPS* LPTIMECAPS;

DWORD timeGetTime();
// Fills caps (cbSize must be sizeof(TIMECAPS)); TIMERR_NOCANDO otherwise.
MMRESULT timeGetDevCaps(LPTIMECAPS caps, UINT cbSize);
// TIMERR_NOCANDO for a period outside the caps' range.
MMRESULT timeBeginPeriod(UINT periodMs);
// TIMERR_NOCANDO unless a timeBeginPeriod of the same period is still open.
MMRESULT timeEndPeriod(UINT periodMs);
