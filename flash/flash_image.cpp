#include "flash/flash_image.h"

#include <algorithm>
#include <cstdio>

#include "platform/input_file.h"
#include "protocol/byte_order.h"

namespace raidmon {

namespace {
// More than this can only be an image too large for the chip.
constexpr std::size_t kReadLimit = kFlashMaxBlocks * kFlashBlockSize + kFlashBlockSize;
}

bool isSettingsBlock(const FlashBlock& b) {
  return b[0] == 0x40 && b[1] == 0x5E && b[2] == 0x5E && b[3] == 0x41;
}

void PrepareSettingsBlock(FlashBlock& b, const SettingsInputs& in) {
  if (!in.adapt || !isSettingsBlock(b)) return;
  b[8] = in.packetByte64;
  b[9] = in.packetByte65;
  b[10] = 0;
  b[11] = 0;
  for (std::size_t i = 0; i < in.capacity.size() && in.capacity[i] != 0; ++i) {
    storeLe32(&b[16 + 4 * i], in.capacity[i]);
  }
  std::copy(in.receivedEntries.begin(), in.receivedEntries.end(), b.begin() + 48);
  std::uint8_t sum = 0;
  for (std::size_t i = 0; i < 127; ++i) sum = static_cast<std::uint8_t>(sum + b[i]);
  b[127] = static_cast<std::uint8_t>(0x100 - sum);
}

std::string FlashImage::checksumText() const {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", checksum & 0xFFFF);
  return text;
}

Result<FlashImage> buildFlashImage(const std::vector<std::uint8_t>& bytes,
                                   const SettingsInputs& inputs) {
  const std::size_t blocks = bytes.size() / kFlashBlockSize;
  if (blocks > kFlashMaxBlocks) {
    return Unexpected("The image holds " + std::to_string(blocks) +
                      " blocks of 128 bytes; the flash ROM takes at most 512 (65536 bytes)");
  }
  FlashImage image;
  image.raw.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(blocks * kFlashBlockSize));
  image.blocks.resize(blocks);
  for (std::size_t n = 0; n < blocks; ++n) {
    FlashBlock& block = image.blocks[n];
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(n * kFlashBlockSize), kFlashBlockSize, block.begin());
    PrepareSettingsBlock(block, inputs);
    for (std::uint8_t v : block) image.checksum += v;
  }
  return image;
}

Result<std::vector<std::uint8_t>> readImageBytes(const std::string& path) {
  // Never waits on a FIFO or a device: only a regular file is read.
  InputFile file = InputFile::open(path);
  std::vector<std::uint8_t> bytes;
  const InputFileStatus status = file.readPrefix(kReadLimit + 1, bytes);
  if (status == InputFileStatus::kOk) return bytes;
  return Unexpected(status == InputFileStatus::kUnreadable && file.ok()
                        ? "Read error in file \"" + path + "\""
                        : "Cannot open file \"" + path + "\"");
}

Result<FlashImage> readFlashImage(const std::string& path, const SettingsInputs& inputs) {
  Result<std::vector<std::uint8_t>> bytes = readImageBytes(path);
  if (!bytes) return Unexpected(bytes.error());
  Result<FlashImage> image = buildFlashImage(*bytes, inputs);
  if (image) image->path = path;
  return image;
}

}  // namespace raidmon
