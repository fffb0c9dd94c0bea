// The plug tables of the hot-plug check: the first 248 data bytes of the answer to
// CTL_PLUG_BACKUP, and the copy the monitor keeps of them.
#pragma once

#include <array>
#include <cstdint>

#include "protocol/byte_order.h"

namespace raidmon {

inline constexpr std::size_t kPlugBytes = 248;
inline constexpr std::size_t kOffChildPdo = 0;
inline constexpr std::size_t kOffTargetId = 40;
inline constexpr std::size_t kOffCountPdo = 80;
inline constexpr std::size_t kOffDisableHdd = 84;
inline constexpr std::size_t kOffPioStatus = 148;
inline constexpr std::size_t kOffExistTavrix = 180;
inline constexpr std::size_t kOffExistFilter = 212;
inline constexpr std::size_t kOffTavrixATA = 244;

// Offset within a per-position plug table: 8 bytes per card, positions use 0..3.
constexpr std::size_t plugSlot(int card, int position) {
  return 8 * static_cast<std::size_t>(card - 1) + static_cast<std::size_t>(position - 1);
}

struct PlugBlock {
  std::array<std::uint8_t, kPlugBytes> bytes{};

  std::uint8_t disableHdd(int c, int p) const { return bytes[kOffDisableHdd + plugSlot(c, p)]; }
  std::uint8_t PioStatus(int c, int p) const { return bytes[kOffPioStatus + plugSlot(c, p)]; }
  std::uint8_t existTavrix(int c, int p) const { return bytes[kOffExistTavrix + plugSlot(c, p)]; }
  std::uint8_t existFilter(int c, int p) const { return bytes[kOffExistFilter + plugSlot(c, p)]; }
  std::uint32_t childPdo(int i) const { return loadLe32(&bytes[kOffChildPdo + 4 * static_cast<std::size_t>(i)]); }
  std::uint32_t targetId(int i) const { return loadLe32(&bytes[kOffTargetId + 4 * static_cast<std::size_t>(i)]); }
  std::uint32_t countPdo() const { return loadLe32(&bytes[kOffCountPdo]); }
  std::uint32_t tavrixATA() const { return loadLe32(&bytes[kOffTavrixATA]); }
};

}  // namespace raidmon
