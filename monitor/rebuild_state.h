// RebuildState, shared by the monitor's poll cycle, the rebuild control and the
// rebuild worker (a field of the monitor's run state that both threads write).
#pragma once

#include <cstdint>

namespace raidmon {

// The values are the system's own: 0 idle, 1 running, 2 completed, 3 cancelled,
// 4 failed.
enum class RebuildState : std::uint8_t {
  Idle = 0,
  Running = 1,
  Completed = 2,
  Cancelled = 3,
  Failed = 4,
};

}  // namespace raidmon
