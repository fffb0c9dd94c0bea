// Block layouts byte by byte and the answer to every control code on the miniport
// and CDB 0x77 paths.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "emulator/controller.h"
#include "emulator/scenario_parser.h"
#include "protocol/control_packet.h"

namespace raidmon::emu {
namespace {

constexpr std::string_view kSmall = R"(
drive 1.2 model "ABCDEFGH" serial "SER1" sectors 1000 cylinders 100 heads 4 spt 5 udma 0x7F
drive 2.3 model "XYZ" sectors 2000
array 4 7 1.2 2.3
capacity 1000 2 3
controller 0x11223344 0x5566 1 2 3 4
flash maker 0x1F device 0x01
aspi 2 1
hotplug 1 2
active 1.2 1
hot 1.2 1
rebuild 2.3 from 1.2
rebuild-time 0x1234
)";

Scenario parsed(std::string_view text) {
  ScenarioParse p = parseScenario(text);
  EXPECT_TRUE(p.has_value()) << p.error().line << ": " << p.error().message;
  return p.value();
}

// A packet as the direct sender fills it, data area pre-filled with a marker so that
// the tests see which bytes the answer wrote.
ControlPacket request(std::uint32_t code, std::uint8_t fill = 0xEE) {
  ControlPacket p;
  std::fill(p.bytes.begin(), p.bytes.end(), fill);
  p.fillDirectHeader(code, 2048);
  return p;
}

ControlPacket send(Controller& c, std::uint32_t code, int port = 1) {
  ControlPacket p = request(code);
  EXPECT_TRUE(c.handleMiniport(port, p.raw(), p.bytes.size()));
  return p;
}

TEST(ControllerBlocks, StatusBlockLayout) {
  Controller c(parsed(kSmall));
  const ControlPacket p = send(c, CTL_READ_STATUS);
  EXPECT_EQ(p.returnCode(), 1u);
  std::array<std::uint8_t, 100> want{};
  want[0 + 1] = 1;       // 1.2 active
  want[16 + 1] = 1;      // 1.2 present
  want[16 + 6] = 1;      // 2.3 present, idle
  want[32 + 6] = 1;      // 2.3 rebuild target
  want[48 + 1] = 1;      // 1.2 rebuild source
  want[64] = 0x34;       // rebuild time, little-endian
  want[65] = 0x12;
  want[76 + 1] = 1;      // card 1 channel 2 in hot-plug mode
  want[84 + 1] = 1;      // 1.2 hot
  for (std::size_t i = 0; i < want.size(); ++i) EXPECT_EQ(p.data8(i), want[i]) << "offset " << i;
  for (std::size_t i = 100; i < kDataSize; ++i) ASSERT_EQ(p.data8(i), 0) << "offset " << i;
  EXPECT_EQ(c.rebuildTime(), 0x1234);
}

TEST(ControllerBlocks, ConfigBlockLayout) {
  Controller c(parsed(kSmall));
  const ControlPacket p = send(c, CTL_READ_CONFIG);
  EXPECT_EQ(p.returnCode(), 1u);
  EXPECT_EQ(p.data32(0), 0x11223344u);
  EXPECT_EQ(p.data16(4), 0x5566);
  EXPECT_EQ(p.data8(9), 1);
  EXPECT_EQ(p.data8(12), 4);
  EXPECT_EQ(p.data32(16), 1000u);
  EXPECT_EQ(p.data32(20), 2u);
  EXPECT_EQ(p.data32(24), 3u);
  EXPECT_EQ(p.data32(28), 0u);
  // Position entries: 1.2 is entry 1, 2.3 is entry 6.
  EXPECT_EQ(p.data8(48 + 3), 4);
  EXPECT_EQ(p.data8(48 + 4), 7);
  EXPECT_EQ(p.data8(48 + 5), 0);
  EXPECT_EQ(p.data8(48 + 18), 4);
  EXPECT_EQ(p.data8(48 + 19), 7);
  EXPECT_EQ(p.data8(48 + 20), 1);
  EXPECT_EQ(p.data8(48), 0);  // 1.1: no drive
  // Identity record of 1.2 at 256 + 96.
  const std::size_t r = 256 + 96;
  EXPECT_EQ(p.data16(r + 0), 100);
  EXPECT_EQ(p.data16(r + 2), 4);
  EXPECT_EQ(p.data16(r + 4), 5);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.data() + r + 12), 20),
            "SER1                ");
  // Model text in IDENTIFY order: each word's two bytes swapped, padded with blanks.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.data() + r + 40), 40),
            "BADCFEHG                                ");
  EXPECT_EQ(p.data32(r + 80), 1000u);
  EXPECT_EQ(p.data8(r + 88), 0x7F);
  // An odd-length model: the pad blank pairs with the last letter.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.data() + 256 + 96 * 6 + 40), 4), "YX Z");
  // No identity where there is no drive.
  for (std::size_t i = 256; i < 256 + 96; ++i) ASSERT_EQ(p.data8(i), 0);
  EXPECT_EQ(p.data8(1792), 0x01);  // device
  EXPECT_EQ(p.data8(1793), 0x1F);  // maker
  EXPECT_EQ(p.data8(1794), 0);
}

TEST(ControllerBlocks, PlugBlockLayout) {
  Controller c(parsed(kSmall));
  const ControlPacket p = send(c, CTL_PLUG_BACKUP);
  EXPECT_EQ(p.returnCode(), 1u);
  EXPECT_EQ(p.data32(80), 2u);                 // CountPdo: two drives
  EXPECT_EQ(p.data32(40), 1u);                 // TargetId of the first child: entry 1
  EXPECT_EQ(p.data32(44), 6u);                 // second child: entry 6
  EXPECT_NE(p.data32(0), 0u);                  // ChildPdo
  EXPECT_EQ(p.data32(8), 0u);
  EXPECT_EQ(p.data8(148 + 1), 0x04);           // PioStatus 1.2
  EXPECT_EQ(p.data8(148 + 8 + 2), 0x04);       // PioStatus 2.3
  EXPECT_EQ(p.data8(148), 0);                  // 1.1: nothing
  EXPECT_EQ(p.data8(180 + 1), 1);              // ExistTavrix 1.2
  EXPECT_EQ(p.data8(212 + 8 + 2), 1);          // ExistFilter 2.3
  EXPECT_EQ(p.data32(244), 1u);                // TavrixATA
  for (std::size_t i = 248; i < kDataSize; ++i) ASSERT_EQ(p.data8(i), 0);
}

TEST(ControllerAnswers, ProbeEchoesCodeAndUnknownCodesLeavePacketAlone) {
  Controller c(parsed(kSmall));
  EXPECT_EQ(send(c, CTL_PROBE).returnCode(), CTL_PROBE);
  for (std::uint32_t code : {0x12345678u, CTL_UNNAMED_20, CTL_UNNAMED_100}) {
    ControlPacket before = request(code);
    ControlPacket p = before;
    EXPECT_TRUE(c.handleMiniport(1, p.raw(), p.bytes.size()));
    EXPECT_EQ(p.bytes, before.bytes) << std::hex << code;
  }
}

TEST(ControllerAnswers, ShortOrMissingPacketIsRejected) {
  Controller c(parsed(kSmall));
  ControlPacket p = request(CTL_READ_STATUS);
  EXPECT_FALSE(c.handleMiniport(1, p.raw(), kPacketSize - 1));
  EXPECT_FALSE(c.handleMiniport(1, nullptr, kPacketSize));
  EXPECT_EQ(c.requestTotal(), 0u);
}

TEST(ControllerAnswers, RebuildBeginRefusalAndEnd) {
  Controller c(parsed(kSmall));
  c.refuseRebuildBegin(1, 7);
  EXPECT_EQ(send(c, CTL_REBUILD_BEGIN).returnCode(), 7u);
  EXPECT_FALSE(c.rebuildBegun());
  EXPECT_EQ(send(c, CTL_REBUILD_BEGIN).returnCode(), 1u);
  EXPECT_TRUE(c.rebuildBegun());
  send(c, CTL_REBUILD_END);
  EXPECT_FALSE(c.rebuildBegun());
  const auto s = c.statusBlock();
  for (std::size_t i = 32; i < 64; ++i) EXPECT_EQ(s[i], 0) << i;
  EXPECT_EQ(c.rebuildTime(), 0);
  EXPECT_EQ(s[16 + 1], 1);  // presence untouched
}

TEST(ControllerAnswers, RequestLogRecordsCodePortDataAndCounts) {
  Controller c(parsed(kSmall));
  ControlPacket p = request(CTL_TRANSFER, 0);
  p.setData8(0, 0);
  p.setData8(1, 1);
  p.setData32(4, 0xAABBCCDD);
  ASSERT_TRUE(c.handleMiniport(3, p.raw(), p.bytes.size()));
  send(c, CTL_READ_STATUS, 2);
  send(c, CTL_READ_STATUS, 2);
  send(c, 0xDEAD);
  const auto log = c.requestLog();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].code, CTL_TRANSFER);
  EXPECT_EQ(log[0].port, 3);
  EXPECT_EQ(log[0].transport, Transport::Miniport);
  EXPECT_EQ(log[0].data[1], 1);
  EXPECT_EQ(log[0].data[4], 0xDD);
  EXPECT_EQ(log[0].data[7], 0xAA);
  EXPECT_EQ(log[1].port, 2);
  EXPECT_EQ(c.requestCount(CTL_READ_STATUS), 2u);
  EXPECT_EQ(c.requestCount(CTL_TRANSFER), 1u);
  EXPECT_EQ(c.requestCount(CTL_PROBE), 0u);
  EXPECT_EQ(c.requestTotal(), 4u);
  c.clearRequestLog();
  EXPECT_TRUE(c.requestLog().empty());
  EXPECT_EQ(c.requestCount(CTL_READ_STATUS), 0u);
}

TEST(ControllerAnswers, RequestLogKeepsOnlyTheNewestButCountsAll) {
  Controller c;
  ControlPacket p = request(CTL_PROBE);
  for (std::size_t i = 0; i < RequestLog::kCapacity + 10; ++i) {
    p.setData32(0, static_cast<std::uint32_t>(i));
    ASSERT_TRUE(c.handleMiniport(0, p.raw(), p.bytes.size()));
  }
  const auto log = c.requestLog();
  ASSERT_EQ(log.size(), RequestLog::kCapacity);
  EXPECT_EQ(log.front().data[0], 10);
  EXPECT_EQ(c.requestCount(CTL_PROBE), RequestLog::kCapacity + 10);
}

TEST(ControllerAnswers, FailNextSendsPerCode) {
  Controller c(parsed(kSmall));
  c.failNextSends(CTL_PROBE, 2);
  for (bool expected : {false, false, true}) {
    ControlPacket before = request(CTL_PROBE);
    ControlPacket p = before;
    EXPECT_EQ(c.handleMiniport(1, p.raw(), p.bytes.size()), expected);
    if (!expected) {
      EXPECT_EQ(p.bytes, before.bytes);
    }
  }
  // Other codes are not affected.
  EXPECT_EQ(send(c, CTL_READ_STATUS).returnCode(), 1u);
  const auto log = c.requestLog();
  EXPECT_TRUE(log[0].failed);
  EXPECT_FALSE(log[2].failed);
}

TEST(ControllerAnswers, StallHookSeesEveryRequestFirst) {
  Controller c(parsed(kSmall));
  std::vector<std::uint32_t> seen;
  c.setStallHook([&](std::uint32_t code) {
    seen.push_back(code);
    EXPECT_EQ(c.requestTotal(), seen.size() - 1);  // not yet logged: no lock held here
  });
  send(c, CTL_PROBE);
  send(c, CTL_READ_STATUS);
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{CTL_PROBE, CTL_READ_STATUS}));
}

// ---- CDB 0x77 path -------------------------------------------------------------------

TEST(ControllerAspi, ProbeAnswersOnlyAtTheScenarioAddress) {
  Controller c(parsed(kSmall));  // aspi 2 1
  struct Case {
    int adapter, target;
    std::uint32_t rc;
  } cases[] = {{2, 1, CTL_PROBE}, {2, 0, 0xFF}, {0, 1, 0xFF}, {9, 3, 0xFF}};
  for (const Case& k : cases) {
    ControlPacket p = request(CTL_PROBE);
    EXPECT_TRUE(c.handleAspiCdb77(k.adapter, k.target, p.raw(), p.bytes.size()));
    EXPECT_EQ(p.returnCode(), k.rc) << k.adapter << "/" << k.target;
  }
  EXPECT_EQ(c.requestTotal(), 1u);
  EXPECT_EQ(c.requestLog()[0].transport, Transport::Aspi);
  EXPECT_EQ(c.requestLog()[0].adapter, 2);
}

TEST(ControllerAspi, AnswersStayInsideShortBuffers) {
  Controller c(parsed(kSmall));
  // A 48-byte transfer-entry buffer asking for the status: only 20 data bytes exist.
  std::array<std::uint8_t, 64> buf{};
  buf.fill(0xEE);
  ControlPacket h = request(CTL_READ_STATUS);
  std::memcpy(buf.data(), h.raw(), kHeaderSize);
  EXPECT_TRUE(c.handleAspiCdb77(2, 1, buf.data(), 48));
  EXPECT_EQ(buf[kHeaderSize + 17], 1);  // 1.2 present
  for (std::size_t i = 48; i < buf.size(); ++i) EXPECT_EQ(buf[i], 0xEE) << i;
  // Without a scenario address nothing answers.
  Controller none;
  ControlPacket p = request(CTL_PROBE);
  EXPECT_TRUE(none.handleAspiCdb77(0, 0, p.raw(), p.bytes.size()));
  EXPECT_EQ(p.returnCode(), 0xFFu);
}

}  // namespace
}  // namespace raidmon::emu
