// Arbitrary image files and controller state through the image reader and the
// settings-block adaptation: the first 83 bytes are the controller's side (packet
// bytes 64-65, the capacity list, the position entries, the adaptation switch), the
// rest is the file.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "flash/flash_image.h"
#include "protocol/byte_order.h"

using namespace raidmon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kHead = 2 + 32 + 48 + 1;
  if (size < kHead) return 0;
  SettingsInputs in;
  in.packetByte64 = data[0];
  in.packetByte65 = data[1];
  for (std::size_t i = 0; i < 8; ++i) in.capacity[i] = loadLe32(data + 2 + 4 * i);
  std::memcpy(in.receivedEntries.data(), data + 34, 48);
  in.adapt = (data[82] & 1) == 0;
  const std::vector<std::uint8_t> file(data + kHead, data + size);
  const Result<FlashImage> r = buildFlashImage(file, in);
  const std::size_t blocks = file.size() / kFlashBlockSize;
  if (blocks > kFlashMaxBlocks) {
    if (r) std::abort();
    return 0;
  }
  if (!r || r->blockCount() != blocks || r->raw.size() != blocks * kFlashBlockSize) {
    std::abort();
  }
  std::uint32_t sum = 0;
  for (const FlashBlock& b : r->blocks) {
    std::uint8_t blockSum = 0;
    for (std::uint8_t v : b) {
      sum += v;
      blockSum = static_cast<std::uint8_t>(blockSum + v);
    }
    if (in.adapt && isSettingsBlock(b) && blockSum != 0) std::abort();
  }
  if (sum != r->checksum || r->checksumText().size() != 4) std::abort();
  return 0;
}
