// The local calendar time of a moment, safe to call from any thread.
#pragma once

#include <ctime>

namespace raidmon {

// The broken-down local time of `secs`.
std::tm localTime(std::time_t secs);
// The local time's offset from UTC at `secs`, in minutes east of Greenwich (summer
// time included).
int utcOffsetMinutes(std::time_t secs);

}  // namespace raidmon
