// The controller's 64 KiB flash ROM: erase to 0xFF, program 128-byte blocks and the
// checksum of the first N blocks, with the maker and device codes it reports.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace raidmon::emu {

inline constexpr std::size_t kFlashSize = 64 * 1024;
inline constexpr std::size_t kFlashBlock = 128;

// Not thread-safe on its own; the Controller guards it.
class FlashChip {
 public:
  FlashChip(std::uint8_t maker, std::uint8_t device);

  std::uint8_t maker() const { return maker_; }
  std::uint8_t device() const { return device_; }

  // Page-write chips (makers 0x1F and 0xDA) replace a block's bytes when programmed;
  // the others can only clear bits, so they need an erase first.
  bool pageWrite() const { return maker_ == 0x1F || maker_ == 0xDA; }

  // Sets every byte to 0xFF.
  void erase();

  // Programs 128 bytes at `offset`. Returns false and changes nothing when the block
  // would pass the end of the chip. Without page write each byte becomes old AND new.
  bool program(std::uint32_t offset, const std::uint8_t* block);

  // Sum of the bytes of the first `blocks` blocks (at most the whole chip), 32 bits.
  std::uint32_t checksum(std::uint32_t blocks) const;

  const std::array<std::uint8_t, kFlashSize>& contents() const { return bytes_; }

 private:
  std::uint8_t maker_;
  std::uint8_t device_;
  std::array<std::uint8_t, kFlashSize> bytes_;
};

}  // namespace raidmon::emu
