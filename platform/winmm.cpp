// The millisecond clock and the timer resolution calls.
#include <chrono>
#include <vector>

#include "platform/window_model.h"
#include "platform/winmm.h"

namespace {

struct Clock {
  bool manual = false;
  DWORD manualNow = 0;
  TIMECAPS caps = {1, 1000000};
  std::vector<UINT> periods;  // begun and not yet ended, in order
};

Clock& C() {
  static Clock* clock = new Clock;
  return *clock;
}

}  // namespace

namespace platform {

void SetManualClock(DWORD nowMs) {
  C().manual = true;
  C().manualNow = nowMs;
}

void AdvanceManualClock(DWORD ms) {
  if (!C().manual) SetManualClock(timeGetTime());
  C().manualNow += ms;  // wraps at 2^32 like the real clock
}

void UseSystemClock() { C().manual = false; }

void SetTimerCaps(UINT periodMin, UINT periodMax) {
  C().caps.wPeriodMin = periodMin;
  C().caps.wPeriodMax = periodMax;
}

std::vector<UINT> GetActiveTimerPeriods() { return C().periods; }

void ResetWindowClock() { C() = Clock{}; }

}  // namespace platform

DWORD timeGetTime() {
  if (C().manual) return C().manualNow;
  using namespace std::chrono;
  auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  return static_cast<DWORD>(ms);
}

MMRESULT timeGetDevCaps(LPTIMECAPS caps, UINT cbSize) {
  if (!caps || cbSize != sizeof(TIMECAPS)) return TIMERR_NOCANDO;
  *caps = C().caps;
  return MMSYSERR_NOERROR;
}

MMRESULT timeBeginPeriod(UINT periodMs) {
  if (periodMs < C().caps.wPeriodMin || periodMs > C().caps.wPeriodMax) return TIMERR_NOCANDO;
  C().periods.push_back(periodMs);
  return TIMERR_NOERROR;
}

MMRESULT timeEndPeriod(UINT periodMs) {
  std::vector<UINT>& periods = C().periods;
  for (size_t i = periods.size(); i-- > 0;) {
    if (periods[i] == periodMs) {
      periods.erase(periods.begin() + static_cast<long>(i));
      return TIMERR_NOERROR;
    }
  }
  return TIMERR_NOCANDO;
}
