// RebuildState, shared by the monitor's poll cycle, the rebuild control and the
// rebuild worker: 0 idle, 1 running, 2 completed, 3 cancelled, 4 failed.
#pragma once

#include <cstdint>

namespace raidmon {

inline constexpr std::uint8_t kRebuildIdle = 0;
inline constexpr std::uint8_t kRebuildRunning = 1;
inline constexpr std::uint8_t kRebuildCompleted = 2;
inline constexpr std::uint8_t kRebuildCancelled = 3;
inline constexpr std::uint8_t kRebuildFailed = 4;

}  // namespace raidmon
