#include "platform/local_time.h"

namespace raidmon {

std::tm localTime(std::time_t secs) {
  std::tm tm{};
  localtime_s(&tm, &secs);
  return tm;
}

// The local fields read back as if they were UTC, less the moment itself.
int utcOffsetMinutes(std::time_t secs) {
  std::tm tm = localTime(secs);
  const std::time_t asUtc = _mkgmtime(&tm);
  if (asUtc == static_cast<std::time_t>(-1)) return 0;
  return static_cast<int>((asUtc - secs) / 60);
}

}  // namespace raidmon
