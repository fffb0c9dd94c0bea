#include "flash/flash_image.h"

#include <gtest/gtest.h>

namespace raidmon {
namespace {

std::vector<std::uint8_t> bytes(std::size_t n, std::uint8_t fill = 1) { return std::vector<std::uint8_t>(n, fill); }

TEST(FlashImageTest, WholeBlocksOnly) {
  SettingsInputs in;
  Result<FlashImage> r = buildFlashImage(bytes(65536), in);
  EXPECT_TRUE(r) << r.error();
  EXPECT_EQ(r->blockCount(), 512u);
  EXPECT_EQ(r->checksum, 65536u);
  EXPECT_EQ(r->checksumText(), "0000");  // the low 16 bits of 0x10000

  r = buildFlashImage({}, in);
  EXPECT_EQ(r->blockCount(), 0u);
  EXPECT_EQ(r->checksumText(), "0000");

  r = buildFlashImage(bytes(300, 2), in);
  EXPECT_EQ(r->blockCount(), 2u);
  EXPECT_EQ(r->checksum, 512u);  // the last 44 bytes are not summed
  EXPECT_EQ(r->checksumText(), "0200");
  EXPECT_EQ(r->raw.size(), 256u);

  r = buildFlashImage(bytes(65536 + 128), in);
  EXPECT_FALSE(r);  // 513 blocks would wrap the flash address
  r = buildFlashImage(bytes(65536 + 127), in);
  EXPECT_TRUE(r) << r.error();
}

TEST(FlashImageTest, SettingsBlockFollowsTheController) {
  std::vector<std::uint8_t> file(256, 0xAA);
  file[128] = 0x40;
  file[129] = 0x5E;
  file[130] = 0x5E;
  file[131] = 0x41;
  SettingsInputs in;
  in.packetByte64 = 0x12;
  in.packetByte65 = 0x34;
  for (std::size_t i = 0; i < 48; ++i) in.receivedEntries[i] = static_cast<std::uint8_t>(i + 1);
  // An all-zero capacity list leaves bytes 16..47 as in the file.
  Result<FlashImage> r = buildFlashImage(file, in);
  const FlashBlock& b = r->blocks[1];
  EXPECT_EQ(r->blocks[0][0], 0xAA);  // not a settings block
  EXPECT_EQ(b[8], 0x12);
  EXPECT_EQ(b[9], 0x34);
  EXPECT_EQ(b[10], 0);
  EXPECT_EQ(b[11], 0);
  for (std::size_t i = 16; i < 48; ++i) EXPECT_EQ(b[i], 0xAA) << i;
  for (std::size_t i = 48; i < 96; ++i) EXPECT_EQ(b[i], i - 47) << i;
  EXPECT_EQ(b[96], 0xAA);
  unsigned sum = 0;
  for (std::uint8_t v : b) sum += v;
  EXPECT_EQ(sum % 256, 0u);

  // Capacity values are copied up to the first zero.
  in.capacity = {0x11111111, 0x22222222, 0, 0x44444444};
  r = buildFlashImage(file, in);
  EXPECT_EQ(r->blocks[1][16], 0x11);
  EXPECT_EQ(r->blocks[1][23], 0x22);
  EXPECT_EQ(r->blocks[1][24], 0xAA);
  EXPECT_EQ(r->blocks[1][28], 0xAA);

  // With the adaptation off the block is programmed as it stands.
  in.adapt = false;
  r = buildFlashImage(file, in);
  EXPECT_EQ(r->blocks[1][8], 0xAA);
}

}  // namespace
}  // namespace raidmon
