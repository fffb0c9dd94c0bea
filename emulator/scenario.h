// A scenario: the controller's cards, drives, arrays, flash chip, SCSI ports and the
// timeline of events by status-read tick. Plain values; the parser builds them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "emulator/block_layout.h"

namespace raidmon::emu {

// Identity of one drive; texts in reading order (the configuration block swaps the
// model text per 16-bit word as ATA IDENTIFY does).
struct DriveIdentity {
  std::uint16_t cylinders = 16383;
  std::uint16_t heads = 16;
  std::uint16_t sectorsPerTrack = 63;
  std::string serial;  // at most 20 characters, padded with blanks in the block
  std::string model;   // at most 40 characters, padded with blanks in the block
  std::uint32_t totalSectors = 0;
  std::uint8_t udmaBits = 0x3F;
};

struct ScenarioDrive {
  int card = 1;      // 1..4
  int position = 1;  // 1..4
  DriveIdentity identity;
  bool inserted = true;  // false: declared but not plugged in at start
};

// Array membership of one position as the configuration block carries it.
struct PositionEntry {
  std::uint8_t kind = 0;  // 0 = no drive/not in an array, 1..9
  std::uint8_t arrayId = 0;
  std::uint8_t memberIndex = 0;
};

enum class PortRole : std::uint8_t { Driver, Foreign };

struct ScenarioPort {
  int number = 0;  // 0..9
  PortRole role = PortRole::Foreign;
  std::string deviceName;  // e.g. \Device\tavrixRX0
};

// How a request made to fail reports it.
enum class FaultMode : std::uint8_t {
  TransportFalse,  // the transport call returns false
  ReturnCodeZero,  // delivered, ReturnCode 0 ("not done"), nothing done
  Stall,           // held for a while (the driver's time-out), then the transport fails
};
using TransferFailMode = FaultMode;

inline constexpr std::uint32_t kDefaultStallMs = 100000;  // the packet's time-out

enum class EventKind : std::uint8_t {
  Pull,           // card, position
  Insert,         // card, position
  SetActive,      // card, position, value 0/1
  SetHot,         // card, position, value 0/1
  HotPlugMode,    // card, channel (in `position`), value 0/1
  RebuildFlags,   // target card/position, source card2/position2
  RebuildClear,   // clears all target/source flags
  RebuildTime,    // value
  StatusByte,     // offset (value), byte (value2)
  PlugByte,       // offset (value), byte (value2)
  PlugState,      // card, position, state 0..15 (value): high nibble of PioStatus
  FailStatus,     // value = count of status reads that fail
  FailSend,       // value = control code, value2 = count
  FailTransfer,   // value = count, value2 = CTL_TRANSFER, sector (optional), failMode
  RefuseRebuild,  // value = count, value2 = ReturnCode given
  BadChecksum,    // value = count of checksum answers made wrong
  Fail,           // value = control or flash code, value2 = count, sector = "at" value
                  // (transfer: a sector of the chunk; flash 0x10: a byte of the block),
                  // skip, failMode, stallMs
};

struct Event {
  EventKind kind = EventKind::Pull;
  int card = 0;
  int position = 0;
  int card2 = 0;
  int position2 = 0;
  std::uint32_t value = 0;
  std::uint32_t value2 = 0;
  std::optional<std::uint32_t> sector;
  TransferFailMode failMode = TransferFailMode::TransportFalse;
  std::uint32_t stallMs = kDefaultStallMs;
  std::uint32_t skip = 0;  // Fail: matching requests let through before the first failure
};

struct TimedEvent {
  std::uint32_t tick = 0;  // applied when the tick-th status read arrives
  Event event;
};

struct Scenario {
  std::vector<ScenarioPort> ports;
  std::vector<ScenarioDrive> drives;
  std::array<PositionEntry, kPositionCount> entries{};
  std::array<std::uint32_t, kCapacityCount> capacity{};
  std::uint32_t controllerValue0 = 0;
  std::uint16_t controllerValue4 = 0;
  std::array<std::uint8_t, 4> controllerBytes9{};
  std::uint8_t flashMaker = 0;
  std::uint8_t flashDevice = 0;
  std::optional<int> aspiAdapter;  // where the controller answers CDB 0x77
  int aspiTarget = 0;
  std::uint32_t transferMicros = 0;  // how long each sector transfer takes
  std::vector<Event> initialEvents;  // applied once when the controller is built
  std::vector<TimedEvent> timeline;  // in file order; the controller sorts by tick
};

}  // namespace raidmon::emu
