// Byte layouts of the blocks the controller answers with: status block, configuration
// block and plug block, as data offsets into the control packet's data area.
#pragma once

#include <cstddef>
#include <cstdint>

namespace raidmon::emu {

inline constexpr int kCardCount = 4;
inline constexpr int kPositionsPerCard = 4;
inline constexpr int kPositionCount = kCardCount * kPositionsPerCard;

// Entry index of card 1..4 and position 1..4 (card-major).
constexpr int entryIndex(int card, int position) {
  return kPositionsPerCard * (card - 1) + (position - 1);
}
// Channel 1 (positions 1, 2) or 2 (positions 3, 4).
constexpr int channelOf(int position) { return position <= 2 ? 1 : 2; }

// Status block.
inline constexpr std::size_t kStatusBlockSize = 100;
inline constexpr std::size_t kStatusActive = 0;
inline constexpr std::size_t kStatusPresent = 16;
inline constexpr std::size_t kStatusRebuildTarget = 32;
inline constexpr std::size_t kStatusRebuildSource = 48;
inline constexpr std::size_t kStatusRebuildTime = 64;  // 16-bit
inline constexpr std::size_t kStatusHotPlug = 76;      // + 2 * (card - 1) + (channel - 1)
inline constexpr std::size_t kStatusHot = 84;

constexpr std::size_t statusHotPlugOffset(int card, int channel) {
  return kStatusHotPlug + 2 * static_cast<std::size_t>(card - 1) +
         static_cast<std::size_t>(channel - 1);
}

// Configuration block.
inline constexpr std::size_t kConfigBlockSize = 2048;
inline constexpr std::size_t kConfigValue0 = 0;   // 32-bit
inline constexpr std::size_t kConfigValue4 = 4;   // 16-bit
inline constexpr std::size_t kConfigBytes9 = 9;   // four bytes
inline constexpr std::size_t kConfigCapacity = 16;  // eight 32-bit values
inline constexpr std::size_t kCapacityCount = 8;
inline constexpr std::size_t kConfigEntries = 48;   // 3 bytes per position
inline constexpr std::size_t kConfigIdentity = 256;  // 96 bytes per position
inline constexpr std::size_t kIdentitySize = 96;
inline constexpr std::size_t kConfigFlashDevice = 1792;
inline constexpr std::size_t kConfigFlashMaker = 1793;

// Identity record fields.
inline constexpr std::size_t kIdCylinders = 0;
inline constexpr std::size_t kIdHeads = 2;
inline constexpr std::size_t kIdSectorsPerTrack = 4;
inline constexpr std::size_t kIdSerial = 12;
inline constexpr std::size_t kIdSerialSize = 20;
inline constexpr std::size_t kIdModel = 40;
inline constexpr std::size_t kIdModelSize = 40;
inline constexpr std::size_t kIdTotalSectors = 80;
inline constexpr std::size_t kIdUdma = 88;

// Plug block; per-position tables hold 8 bytes per card, positions use bytes 0..3.
inline constexpr std::size_t kPlugBlockSize = 248;
inline constexpr std::size_t kPlugChildPdo = 0;   // ten 32-bit values
inline constexpr std::size_t kPlugTargetId = 40;  // ten 32-bit values
inline constexpr std::size_t kPlugPdoSlots = 10;
inline constexpr std::size_t kPlugCountPdo = 80;
inline constexpr std::size_t kPlugDisableHdd = 84;
inline constexpr std::size_t kPlugPioStatus = 148;
inline constexpr std::size_t kPlugExistTavrix = 180;
inline constexpr std::size_t kPlugExistFilter = 212;
inline constexpr std::size_t kPlugTavrixATA = 244;

constexpr std::size_t plugTableOffset(std::size_t table, int card, int position) {
  return table + 8 * static_cast<std::size_t>(card - 1) + static_cast<std::size_t>(position - 1);
}

// Transfer request fields.
inline constexpr std::size_t kXferSourceCard = 0;
inline constexpr std::size_t kXferSourcePos = 1;
inline constexpr std::size_t kXferTargetCard = 2;
inline constexpr std::size_t kXferTargetPos = 3;
inline constexpr std::size_t kXferFirstSector = 4;  // 32-bit
inline constexpr std::size_t kXferCount = 8;        // 16-bit

// Flash command fields.
inline constexpr std::size_t kFlashCommand = 0;
inline constexpr std::size_t kFlashAddress = 4;
inline constexpr std::size_t kFlashParameter = 8;
inline constexpr std::size_t kFlashBlockDirect = 12;  // block area on the miniport path
inline constexpr std::size_t kFlashBlockAspi = 14;    // block area on the CDB 0x77 path
inline constexpr std::size_t kFlashBlockSize = 128;

}  // namespace raidmon::emu
