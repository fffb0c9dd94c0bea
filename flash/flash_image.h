// A flash ROM image: read in 128-byte blocks, its settings block adapted to the
// controller's arrays, and the checksum that the update verifies against.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/result.h"

namespace raidmon {

inline constexpr std::size_t kFlashBlockSize = 128;
inline constexpr std::size_t kFlashMaxBlocks = 512;  // the 16-bit flash address
inline constexpr std::string_view kFileSizeError = "Error FileError(FileSize > Totalread)";

using FlashBlock = std::array<std::uint8_t, kFlashBlockSize>;

// What the settings block takes from the controller.
struct SettingsInputs {
  bool adapt = true;                              // the flash option flag is false
  std::uint8_t packetByte64 = 0;                  // the shared packet's data bytes 64, 65
  std::uint8_t packetByte65 = 0;
  std::array<std::uint32_t, 8> capacity{};        // the last configuration's capacity list
  std::array<std::uint8_t, 48> receivedEntries{};  // its 16 position entries as received
  bool packetAvailable = true;  // false: the shared packet could not be read in time
};

// True for a block that starts 0x40 0x5E 0x5E 0x41.
bool isSettingsBlock(const FlashBlock& block);

// Rewrites a settings block for the controller (bytes 8-11, 16-47 up to the first
// zero capacity value, 48-95, and 127 so the block sums to 0 mod 256); any other
// block, or adaptation switched off, is left alone.
void PrepareSettingsBlock(FlashBlock& block, const SettingsInputs& inputs);

// An image as read: the blocks exactly as they will be programmed.
struct FlashImage {
  std::string path;
  std::vector<std::uint8_t> raw;   // the whole blocks of the file as it was read
  std::vector<FlashBlock> blocks;  // adapted
  std::uint32_t checksum = 0;      // sum of every byte of every adapted block
  std::size_t blockCount() const { return blocks.size(); }
  // The checksum's low 16 bits as four upper-case hex digits ("F_CheckSum").
  std::string checksumText() const;
};

// Builds an image from file bytes: whole blocks only, trailing bytes ignored.
// Refuses an image of more than 512 blocks (it would wrap the flash address). The
// error is the operator's message.
Result<FlashImage> buildFlashImage(const std::vector<std::uint8_t>& bytes,
                                   const SettingsInputs& inputs);

// Reads a file and builds its image. A file that cannot be read gives an error
// naming it; nothing larger than 512 blocks and a few bytes is read.
Result<FlashImage> readFlashImage(const std::string& path, const SettingsInputs& inputs);

// The file's bytes now (up to a little more than the largest image), for checking that
// it did not change; an error naming the file when it cannot be read.
Result<std::vector<std::uint8_t>> readImageBytes(const std::string& path);

}  // namespace raidmon
