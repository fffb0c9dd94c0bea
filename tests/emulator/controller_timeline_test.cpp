// The timeline by status-read tick, pulling and inserting drives on channels with
// and without hot-plug mode, rescans, and faults injected from the scenario.
#include <gtest/gtest.h>

#include "emulator/controller.h"
#include "emulator/scenario_parser.h"
#include "protocol/control_packet.h"

namespace raidmon::emu {
namespace {

constexpr std::string_view kDrives = R"(
drive 1.1 model "A" sectors 5000
drive 1.2 model "B" sectors 5000
drive 1.3 model "C" sectors 5000
array 4 0 1.1 1.2
array 1 1 1.3
hotplug 1 2
)";

Controller make(std::string_view extra) {
  std::string text(kDrives);
  text += extra;
  ScenarioParse p = parseScenario(text);
  EXPECT_TRUE(p.has_value()) << p.error().line << ": " << p.error().message;
  return Controller(p.value());
}

// One status read; nullopt when the transport call failed.
std::optional<ControlPacket> readStatus(Controller& c) {
  ControlPacket p;
  p.fillDirectHeader(CTL_READ_STATUS, 2048);
  if (!c.handleMiniport(1, p.raw(), p.bytes.size())) return std::nullopt;
  return p;
}

std::uint8_t present(const std::array<std::uint8_t, 100>& s, int card, int pos) {
  return s[16 + entryIndex(card, pos)];
}
std::uint8_t active(const std::array<std::uint8_t, 100>& s, int card, int pos) {
  return s[entryIndex(card, pos)];
}

TEST(Timeline, EventsApplyWhenTheirStatusReadArrivesBeforeItIsAnswered) {
  Controller c = make("at 2 pull 1.1\nat 2 active 1.3 0\nat 4 insert 1.1\n");
  const int presentAt = 16 + entryIndex(1, 1);
  std::vector<int> seen;
  for (int i = 0; i < 5; ++i) seen.push_back(readStatus(c)->data8(presentAt));
  EXPECT_EQ(seen, (std::vector<int>{1, 0, 0, 1, 1}));
  EXPECT_EQ(c.statusTick(), 5u);
  EXPECT_EQ(active(c.statusBlock(), 1, 3), 0);
}

TEST(Timeline, EventsAreAppliedOnceInTickOrderWhateverTheFileOrder) {
  Controller c = make("at 3 rebuild-time 3\nat 1 rebuild-time 1\nat 3 rebuild-time 4\n");
  std::vector<std::uint16_t> seen;
  for (int i = 0; i < 4; ++i) seen.push_back(readStatus(c)->data16(64));
  EXPECT_EQ(seen, (std::vector<std::uint16_t>{1, 1, 4, 4}));
}

TEST(Timeline, FailedStatusReadsStillCountAsTicks) {
  Controller c = make("at 2 fail-status 2\nat 4 rebuild-time 9\n");
  EXPECT_TRUE(readStatus(c));
  EXPECT_FALSE(readStatus(c));
  EXPECT_FALSE(readStatus(c));
  auto p = readStatus(c);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->data16(64), 9);
  EXPECT_EQ(c.requestCount(CTL_READ_STATUS), 4u);
}

TEST(PullInsert, ChannelWithoutHotPlugClearsPresenceOnly) {
  Controller c = make("");
  const auto plugBefore = c.plugBlock();
  c.pull(1, 2);
  auto s = c.statusBlock();
  EXPECT_EQ(present(s, 1, 2), 0);
  EXPECT_EQ(active(s, 1, 2), 0);
  EXPECT_EQ(c.plugBlock(), plugBefore);
  // The driver still lists the drive until a rescan.
  EXPECT_EQ(c.configBlock()[48 + 3], 4);
  c.insert(1, 2);
  s = c.statusBlock();
  EXPECT_EQ(present(s, 1, 2), 1);
  EXPECT_EQ(active(s, 1, 2), 0);  // back, and idle until I/O reaches it
  // Pulled across a rescan, it drops out of the configuration and comes back only
  // with the next rescan.
  c.pull(1, 2);
  c.rescanBus();
  EXPECT_EQ(c.configBlock()[48 + 3], 0);
  c.insert(1, 2);
  EXPECT_EQ(c.configBlock()[48 + 3], 0);
  c.rescanBus();
  EXPECT_EQ(c.configBlock()[48 + 3], 4);
  EXPECT_EQ(c.rescanCount(), 2u);
}

TEST(PullInsert, HotPlugChannelMovesPlugStateAndRelistsOnInsert) {
  Controller c = make("");
  const std::size_t pio = 148 + 2, tavrix = 180 + 2, filter = 212 + 2;
  c.pull(1, 3);
  auto plug = c.plugBlock();
  EXPECT_EQ(plug[pio], 0x54);  // plug state 5, low nibble kept
  EXPECT_EQ(plug[tavrix], 0);
  EXPECT_EQ(plug[filter], 0);
  EXPECT_EQ(present(c.statusBlock(), 1, 3), 0);
  auto cfg = c.configBlock();
  EXPECT_EQ(cfg[48 + 3 * 2], 0);            // entry gone
  EXPECT_EQ(cfg[256 + 96 * 2 + 80], 0);     // identity gone
  c.insert(1, 3);
  plug = c.plugBlock();
  EXPECT_EQ(plug[pio], 0x54);
  EXPECT_EQ(plug[tavrix], 1);
  EXPECT_EQ(plug[filter], 1);
  EXPECT_EQ(present(c.statusBlock(), 1, 3), 1);
  EXPECT_EQ(active(c.statusBlock(), 1, 3), 0);
  cfg = c.configBlock();
  EXPECT_EQ(cfg[48 + 3 * 2], 1);
  EXPECT_EQ(loadLe32(cfg.data() + 256 + 96 * 2 + 80), 5000u);
  // The channel on the other side of the card is not in hot-plug mode.
  c.pull(1, 1);
  EXPECT_EQ(c.plugBlock()[148], 0x04);
}

TEST(PullInsert, ScenarioSetsPlugStatesAndRawBytes) {
  Controller c = make(
      "at 1 plug-state 1.3 10\nat 2 plug-state 1.3 11\nat 3 plug-byte 150 0x50\n"
      "at 4 plug-byte 150 0x51\nat 5 status-byte 99 0xAB\nat 5 hot 1.1 1\nat 6 hotplug 1 2 0\n");
  std::vector<int> pio;
  for (int i = 0; i < 4; ++i) {
    readStatus(c);
    pio.push_back(c.plugBlock()[150]);
  }
  EXPECT_EQ(pio, (std::vector<int>{0xA4, 0xB4, 0x50, 0x51}));
  auto p = readStatus(c);
  EXPECT_EQ(p->data8(99), 0xAB);
  EXPECT_EQ(p->data8(84), 1);
  EXPECT_EQ(p->data8(77), 1);
  EXPECT_EQ(readStatus(c)->data8(77), 0);
}

TEST(PullInsert, RepeatedOrMisplacedEventsChangeNothing) {
  Controller c = make("");
  const auto before = c.statusBlock();
  c.insert(1, 1);  // already in
  c.pull(1, 4);    // no drive
  c.pull(0, 1);
  c.pull(5, 5);
  EXPECT_EQ(c.statusBlock(), before);
}

TEST(Timeline, RebuildFlagsFromTheScenarioAndTheirEnd) {
  Controller c = make("at 1 rebuild 1.2 from 1.1\nat 1 rebuild-time 1\n");
  auto p = readStatus(c);
  EXPECT_EQ(p->data8(32 + 1), 1);
  EXPECT_EQ(p->data8(48 + 0), 1);
  EXPECT_EQ(p->data16(64), 1);
  ControlPacket end;
  end.fillDirectHeader(CTL_REBUILD_END, 0);
  ASSERT_TRUE(c.handleMiniport(1, end.raw(), end.bytes.size()));
  p = readStatus(c);
  EXPECT_EQ(p->data8(32 + 1), 0);
  EXPECT_EQ(p->data8(48 + 0), 0);
  EXPECT_EQ(p->data16(64), 0);
}

TEST(Timeline, ScenarioFaultsRefuseRebuildAndFailSends) {
  Controller c = make("at 1 refuse-rebuild 2 code 3\nat 1 fail-send 0x80018001 1\n");
  readStatus(c);
  ControlPacket p;
  std::vector<std::uint32_t> rc;
  for (int i = 0; i < 3; ++i) {
    p.fillDirectHeader(CTL_REBUILD_BEGIN, 2048);
    ASSERT_TRUE(c.handleMiniport(1, p.raw(), p.bytes.size()));
    rc.push_back(p.returnCode());
  }
  EXPECT_EQ(rc, (std::vector<std::uint32_t>{3, 3, 1}));
  p.fillDirectHeader(CTL_PROBE, 0);
  EXPECT_FALSE(c.handleMiniport(1, p.raw(), p.bytes.size()));
  EXPECT_TRUE(c.handleMiniport(1, p.raw(), p.bytes.size()));
}

TEST(Timeline, InitialEventsApplyInFileOrder) {
  // The pull comes before the channel enters hot-plug mode, so it is a plain pull.
  ScenarioParse p = parseScenario("drive 2.4 model \"M\" sectors 10\npull 2.4\nhotplug 2 2\n");
  ASSERT_TRUE(p.has_value()) << p.error().message;
  Controller c(p.value());
  EXPECT_EQ(c.plugBlock()[148 + 8 + 3], 0x04);  // plug tables untouched
  EXPECT_FALSE(c.isInserted(2, 4));
  EXPECT_EQ(c.statusBlock()[78 + 1], 1);
}

}  // namespace
}  // namespace raidmon::emu
