#include "platform/local_time.h"

namespace raidmon {

std::tm localTime(std::time_t secs) {
  std::tm tm{};
  localtime_r(&secs, &tm);
  return tm;
}

int utcOffsetMinutes(std::time_t secs) { return static_cast<int>(localTime(secs).tm_gmtoff / 60); }

}  // namespace raidmon
