// The first 100 bytes of the controller's status block, used both for the latest
// status read (the F_ fields) and for the monitor's snapshot (the B_ fields).
#pragma once

#include <array>
#include <cstdint>

#include "monitor/drive_position.h"
#include "protocol/byte_order.h"
#include "protocol/control_packet.h"

namespace raidmon {

inline constexpr std::size_t kStatusBytes = 100;
inline constexpr std::size_t kOffActive = 0;
inline constexpr std::size_t kOffIsHere = 16;
inline constexpr std::size_t kOffRebuild = 32;
inline constexpr std::size_t kOffSource = 48;
inline constexpr std::size_t kOffRunRTime = 64;
inline constexpr std::size_t kOffIsHotPlug = 76;
inline constexpr std::size_t kOffHot = 84;

// Offset of the hot-plug byte of a card (1..4) and channel (1..2).
constexpr std::size_t hotPlugOffset(int card, int channel) {
  return kOffIsHotPlug + 2 * static_cast<std::size_t>(card - 1) +
         static_cast<std::size_t>(channel - 1);
}

// Entry indexes are 0..15 (entryIndex()); callers pass checked indexes.
struct StatusBlock {
  std::array<std::uint8_t, kStatusBytes> bytes{};

  std::uint8_t active(int e) const { return bytes[kOffActive + e]; }
  std::uint8_t isHere(int e) const { return bytes[kOffIsHere + e]; }
  std::uint8_t rebuild(int e) const { return bytes[kOffRebuild + e]; }
  std::uint8_t source(int e) const { return bytes[kOffSource + e]; }
  std::uint8_t hot(int e) const { return bytes[kOffHot + e]; }
  std::uint8_t isHotPlug(int card, int channel) const { return bytes[hotPlugOffset(card, channel)]; }
  std::uint16_t runRTime() const { return loadLe16(bytes.data() + kOffRunRTime); }

  void setActive(int e, std::uint8_t v) { bytes[kOffActive + e] = v; }
  void setIsHere(int e, std::uint8_t v) { bytes[kOffIsHere + e] = v; }
  void setRebuild(int e, std::uint8_t v) { bytes[kOffRebuild + e] = v; }
  void setSource(int e, std::uint8_t v) { bytes[kOffSource + e] = v; }
  void setHot(int e, std::uint8_t v) { bytes[kOffHot + e] = v; }
  void setIsHotPlug(int card, int channel, std::uint8_t v) { bytes[hotPlugOffset(card, channel)] = v; }
  void setRunRTime(std::uint16_t v) { storeLe16(bytes.data() + kOffRunRTime, v); }

  // Copies the first 100 data bytes of a packet holding a status answer.
  static StatusBlock fromPacket(const ControlPacket& packet) {
    StatusBlock block;
    std::copy_n(packet.data(), kStatusBytes, block.bytes.begin());
    return block;
  }
  bool operator==(const StatusBlock&) const = default;
};

// The per-position display tables.
struct DisplayTables {
  std::array<std::uint8_t, kEntries> I_Here{};
  std::array<std::uint8_t, kEntries> I_NotHere{};
  std::array<std::uint8_t, kEntries> I_Hot{};
  std::array<std::uint8_t, kEntries> I_Rebuild{};
};

}  // namespace raidmon
