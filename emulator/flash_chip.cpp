#include "emulator/flash_chip.h"

#include <algorithm>

namespace raidmon::emu {

FlashChip::FlashChip(std::uint8_t maker, std::uint8_t device) : maker_(maker), device_(device) {
  bytes_.fill(0xFF);
}

void FlashChip::erase() { bytes_.fill(0xFF); }

bool FlashChip::program(std::uint32_t offset, const std::uint8_t* block) {
  if (static_cast<std::uint64_t>(offset) + kFlashBlock > kFlashSize) return false;
  std::uint8_t* dst = bytes_.data() + offset;
  for (std::size_t i = 0; i < kFlashBlock; ++i) {
    dst[i] = pageWrite() ? block[i] : static_cast<std::uint8_t>(dst[i] & block[i]);
  }
  return true;
}

std::uint32_t FlashChip::checksum(std::uint32_t blocks) const {
  const std::size_t n = std::min<std::size_t>(blocks, kFlashSize / kFlashBlock) * kFlashBlock;
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum += bytes_[i];
  return sum;
}

}  // namespace raidmon::emu
