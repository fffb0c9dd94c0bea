// The flash chip behind the one-byte flash commands, on both transports.
#include <gtest/gtest.h>

#include <cstring>

#include "emulator/controller.h"
#include "emulator/scenario_parser.h"
#include "protocol/control_packet.h"

namespace raidmon::emu {
namespace {

Controller make(std::string_view flashLine) {
  std::string text(flashLine);
  text += "\naspi 0 2\n";
  ScenarioParse p = parseScenario(text);
  EXPECT_TRUE(p.has_value()) << p.error().message;
  return Controller(p.value());
}

// Sends one flash command on the miniport path; returns the packet as answered.
ControlPacket flashCommand(Controller& c, std::uint32_t code, std::uint32_t address,
                           std::uint8_t fill = 0) {
  ControlPacket p;
  p.fillDirectHeader(code, 2048);
  p.setData8(0, static_cast<std::uint8_t>(code));
  p.setData32(4, address);
  std::memset(p.data() + 12, fill, 128);
  EXPECT_TRUE(c.handleMiniport(1, p.raw(), p.bytes.size()));
  return p;
}

TEST(Flash, EraseProgramAndChecksum) {
  Controller c = make("flash maker 0x40 device 0x01");
  EXPECT_EQ(flashCommand(c, FLASH_OP_04, 0).returnCode(), 1u);
  EXPECT_EQ(flashCommand(c, FLASH_OP_10, 0, 0x01).returnCode(), 1u);
  EXPECT_EQ(flashCommand(c, FLASH_OP_10, 128, 0x02).returnCode(), 1u);
  const auto flash = c.flashContents();
  EXPECT_EQ(flash[0], 0x01);
  EXPECT_EQ(flash[255], 0x02);
  EXPECT_EQ(flash[256], 0xFF);
  // The checksum answer comes back in the header's control-code field, low 16 bits.
  const ControlPacket sum = flashCommand(c, FLASH_OP_40, 2);
  EXPECT_EQ(sum.controlCode(), (128u * 1 + 128u * 2) & 0xFFFF);
  EXPECT_EQ(sum.returnCode(), 1u);
  EXPECT_EQ(flashCommand(c, FLASH_OP_40, 3).controlCode(), (384u + 128u * 0xFF) & 0xFFFF);
  EXPECT_EQ(flashCommand(c, FLASH_OP_80, 0).returnCode(), 1u);
  // Past the end of the chip: refused, nothing written.
  EXPECT_EQ(flashCommand(c, FLASH_OP_10, 65536 - 64, 0).returnCode(), 0u);
  EXPECT_EQ(c.flashContents()[65535], 0xFF);
  EXPECT_EQ(flashCommand(c, FLASH_OP_10, 65536 - 128, 0).returnCode(), 1u);
}

TEST(Flash, ProgrammingClearsBitsOnlyUnlessTheChipWritesPages) {
  struct Case {
    const char* scenario;
    std::uint8_t expected;
  } cases[] = {{"flash maker 0x40", 0x00}, {"flash maker 0xC2", 0x00},
               {"flash maker 0x1F device 0x01", 0xF0}, {"flash maker 0xDA device 0xC1", 0xF0}};
  for (const Case& k : cases) {
    Controller c = make(k.scenario);
    flashCommand(c, FLASH_OP_10, 0, 0x0F);
    flashCommand(c, FLASH_OP_10, 0, 0xF0);
    EXPECT_EQ(c.flashContents()[0], k.expected) << k.scenario;
  }
}

TEST(Flash, AspiPathTakesTheBlockAtDataOffset14) {
  Controller c = make("flash maker 0x40");
  std::array<std::uint8_t, 180> buf{};
  ControlPacket h;
  h.fillDirectHeader(FLASH_OP_10, 150);
  std::memcpy(buf.data(), h.raw(), kHeaderSize);
  buf[kHeaderSize] = FLASH_OP_10;
  storeLe32(buf.data() + kHeaderSize + 4, 256);
  std::memset(buf.data() + kHeaderSize + 12, 0x00, 2);
  std::memset(buf.data() + kHeaderSize + 14, 0x3C, 128);
  ASSERT_TRUE(c.handleAspiCdb77(0, 2, buf.data(), buf.size()));
  EXPECT_EQ(loadLe32(buf.data() + kOffReturnCode), 1u);
  const auto flash = c.flashContents();
  EXPECT_EQ(flash[256], 0x3C);
  EXPECT_EQ(flash[383], 0x3C);
  EXPECT_EQ(flash[384], 0xFF);
}

TEST(Flash, ScenarioCanMakeTheChecksumWrong) {
  Controller c = make("flash maker 0x40\nbad-checksum 1");
  const std::uint32_t good = c.flashChecksum(4) & 0xFFFF;
  EXPECT_NE(flashCommand(c, FLASH_OP_40, 4).controlCode(), good);
  EXPECT_EQ(flashCommand(c, FLASH_OP_40, 4).controlCode(), good);
  // A count beyond the chip sums the whole chip.
  EXPECT_EQ(c.flashChecksum(60000), c.flashChecksum(512));
}

}  // namespace
}  // namespace raidmon::emu
