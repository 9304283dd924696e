// The local time of the modules of one process: the system's, shifted by the milliseconds in the
// environment variable kClockShiftVariable when a page run has set it (a browser never does).
#pragma once

#include "automation/date.h"

namespace verolin::com {

inline constexpr const wchar_t* kClockShiftVariable = L"VEROLIN_CLOCK_SHIFT_MS";

automation::DateTime localNow();
// Shifts what localNow() reports for this process so that it reads `t` now.
void setLocalNow(const automation::DateTime& t);

}  // namespace verolin::com
