// The millisecond clock and the timer resolution calls.
#include <time.h>

#include <cstdint>
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

bool ManualClockInUse() { return C().manual; }

void SetTimerCaps(UINT periodMin, UINT periodMax) {
  C().caps.wPeriodMin = periodMin;
  C().caps.wPeriodMax = periodMax;
}

std::vector<UINT> GetActiveTimerPeriods() { return C().periods; }

void ResetWindowClock() { C() = Clock{}; }

}  // namespace platform

namespace {

int64_t MonotonicNs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

}  // namespace

int64_t platform::MonotonicNsWhenTimeReads(DWORD time) {
  const int64_t nowMs = MonotonicNs() / 1000000;
  // The unsigned difference, read as signed, is right across the wrap at 2^32.
  const int32_t ahead = static_cast<int32_t>(time - static_cast<DWORD>(nowMs));
  return (nowMs + ahead) * 1000000;
}

DWORD timeGetTime() {
  if (C().manual) return C().manualNow;
  return static_cast<DWORD>(MonotonicNs() / 1000000);
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
