// The configuration, status and plug blocks are laid out twice: the emulator builds
// them (emulator/block_layout.h) and the monitor reads them (monitor/). These tests
// pin the two together: a scenario gives every field a value of its own, the emulator
// answers real requests through the direct port link, and the monitor's parsers must
// read each field back. A field moved on one side only fails here by name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "emulator/block_layout.h"
#include "emulator/controller.h"
#include "emulator/emulated_nt_storage.h"
#include "emulator/scenario_parser.h"
#include "link/direct_port_link.h"
#include "monitor/drive_model.h"
#include "monitor/plug_block.h"
#include "monitor/status_block.h"

namespace raidmon {
namespace {

struct Drive {
  int card, position;
  std::uint8_t kind, arrayId, member;
};

// Every position but 1.4, 3.3 and 3.4 has a drive; 4.1 is pulled on a hot-plug channel,
// so the driver no longer lists it.
const std::vector<Drive> kDrives = {
    {1, 1, 4, 10, 0}, {1, 2, 4, 10, 1}, {1, 3, 1, 12, 0},                    // mirror, single
    {2, 1, 5, 11, 0}, {2, 2, 5, 11, 1}, {2, 3, 5, 11, 2}, {2, 4, 5, 11, 3},  // four-drive 0+1
    {3, 1, 1, 13, 0}, {3, 2, 1, 14, 0},                                      // singles
    {4, 1, 1, 15, 0}, {4, 2, 1, 16, 0}, {4, 3, 1, 17, 0}, {4, 4, 1, 18, 0},  // singles
};
constexpr int kPulled = entryIndex(4, 1);

// The values of the drive at entry index e, each different from every other drive's.
std::uint16_t cylindersOf(int e) { return static_cast<std::uint16_t>(0x1100 + 0x0102 * e); }
std::uint16_t headsOf(int e) { return static_cast<std::uint16_t>(2 + e); }
std::uint16_t sptOf(int e) { return static_cast<std::uint16_t>(0x0203 + e); }
std::uint32_t sectorsOf(int e) { return 0x01020304u + 0x01010101u * static_cast<std::uint32_t>(e); }
std::uint8_t udmaOf(int e) { return static_cast<std::uint8_t>(0x40 + e); }
// Odd and even lengths, so the word swap of the model text is seen at its end too.
std::string modelOf(int e) { return "MODEL " + std::string(static_cast<std::size_t>(1 + e), 'a' + e); }
std::string serialOf(int e) { return "SN-" + std::to_string(1000 + e); }
std::string padded(const std::string& s, std::size_t n) { return s + std::string(n - s.size(), ' '); }

std::string scenarioText() {
  std::string t = "port 1 driver \\Device\\tavrixRX0\nflash maker 0x40 device 0x7C\n";
  for (const Drive& d : kDrives) {
    const int e = entryIndex(d.card, d.position);
    const std::string at = std::to_string(d.card) + "." + std::to_string(d.position);
    t += "drive " + at + " model \"" + modelOf(e) + "\" serial \"" + serialOf(e) + "\" sectors " +
         std::to_string(sectorsOf(e)) + " cylinders " + std::to_string(cylindersOf(e)) + " heads " +
         std::to_string(headsOf(e)) + " spt " + std::to_string(sptOf(e)) + " udma " +
         std::to_string(udmaOf(e)) + "\n";
  }
  t += "array 4 10 1.1 1.2\narray 5 11 2.1 2.2 2.3 2.4\narray 1 12 1.3\narray 1 13 3.1\n"
       "array 1 14 3.2\narray 1 15 4.1\narray 1 16 4.2\narray 1 17 4.3\narray 1 18 4.4\n"
       "capacity 0x11223344 0x21324354 0x31425364 0x41526374 0x51627384 0x61728394 0x718293A4 "
       "0x8192A3B4\n"
       "controller 0xA1B2C3D4 0xE5F6 0x91 0x92 0x93 0x94\n"
       // Status: each field its own set of positions.
       "active 1.1 1\nactive 2.3 1\nactive 4.4 1\nhot 1.3 1\nhot 3.2 1\n"
       "rebuild 2.1 from 2.2\nrebuild-time 0x1234\n"
       "hotplug 4 1\nhotplug 3 2\npull 4.1\nplug-state 3.1 10\n";
  return t;
}

class BlockLayout : public ::testing::Test {
 protected:
  BlockLayout() : controller_(parse()), storage_(controller_), link_(storage_) {}
  void SetUp() override { ASSERT_TRUE(link_.locate(packet_).portFound); }

  static emu::Scenario parse() {
    emu::ScenarioParse p = emu::parseScenario(scenarioText());
    EXPECT_TRUE(p.has_value()) << (p ? std::string() : std::to_string(p.error().line) + ": " + p.error().message);
    return p ? p.value() : emu::Scenario{};
  }
  ControlPacket& packet() { return packet_; }

  emu::Controller controller_;
  emu::EmulatedNtStorage storage_;
  DirectPortLink link_;
  ControlPacket packet_;
};

TEST_F(BlockLayout, TheMonitorReadsEveryConfigurationFieldTheEmulatorWrote) {
  ASSERT_TRUE(link_.readConfig(packet()));
  DriveModel model;
  std::uint8_t cardCount = 0;
  std::vector<std::string> notes;
  model.parseConfiguration(packet(), ParseOptions{}, cardCount,
                           [&](std::string_view n) { notes.emplace_back(n); });
  EXPECT_TRUE(notes.empty()) << notes.front();

  EXPECT_EQ(model.controllerValue0(), 0xA1B2C3D4u);
  EXPECT_EQ(model.controllerValue4(), 0xE5F6);
  EXPECT_EQ(model.controllerBytes9(), (std::array<std::uint8_t, 4>{0x91, 0x92, 0x93, 0x94}));
  EXPECT_EQ(model.capacityList(), (std::array<std::uint32_t, kCapacityValues>{
                                      0x11223344, 0x21324354, 0x31425364, 0x41526374, 0x51627384,
                                      0x61728394, 0x718293A4, 0x8192A3B4}));
  EXPECT_EQ(model.flashDevice(), 0x7C);
  EXPECT_EQ(model.flashMaker(), 0x40);

  std::array<PositionEntry, kEntries> expected{};
  for (const Drive& d : kDrives) {
    const int e = entryIndex(d.card, d.position);
    if (e != kPulled) expected[static_cast<std::size_t>(e)] = {d.kind, d.arrayId, d.member};
  }
  for (int e = 0; e < kEntries; ++e) {
    SCOPED_TRACE("entry " + std::to_string(e));
    const PositionEntry& got = model.receivedEntries()[static_cast<std::size_t>(e)];
    const PositionEntry& want = expected[static_cast<std::size_t>(e)];
    EXPECT_EQ(got.kind, want.kind);
    EXPECT_EQ(got.array, want.array);
    EXPECT_EQ(got.member, want.member);
  }

  for (const Drive& d : kDrives) {
    const int e = entryIndex(d.card, d.position);
    SCOPED_TRACE("drive " + std::to_string(d.card) + "." + std::to_string(d.position));
    const auto member = model.memberAt(e);
    if (e == kPulled) {
      EXPECT_FALSE(member);
      continue;
    }
    ASSERT_TRUE(member);
    const ArrayRecord& rec = model.array(member->array);
    const std::size_t slot = static_cast<std::size_t>(member->slot);
    EXPECT_EQ(rec.kind, d.kind);
    EXPECT_EQ(rec.memberCard[slot], d.card);
    EXPECT_EQ(rec.memberPosition[slot], d.position - 1);
    const IdentityRecord& id = rec.memberIdentity[slot];
    EXPECT_EQ(id.cylinders(), cylindersOf(e));
    EXPECT_EQ(id.heads(), headsOf(e));
    EXPECT_EQ(id.sectorsPerTrack(), sptOf(e));
    EXPECT_EQ(id.serial(), padded(serialOf(e), 20));
    EXPECT_EQ(id.model(), padded(modelOf(e), 40));
    EXPECT_EQ(id.totalSectors(), sectorsOf(e));
    EXPECT_EQ(id.udmaBits(), udmaOf(e));
  }
}

TEST_F(BlockLayout, TheMonitorReadsEveryStatusFieldTheEmulatorWrote) {
  ASSERT_TRUE(link_.readStatus(packet()));
  const StatusBlock status = StatusBlock::fromPacket(packet());
  auto only = [](std::initializer_list<int> entries) {
    std::array<std::uint8_t, kEntries> out{};
    for (int e : entries) out[static_cast<std::size_t>(e)] = 1;
    return out;
  };
  std::array<std::uint8_t, kEntries> present{};
  for (const Drive& d : kDrives) present[static_cast<std::size_t>(entryIndex(d.card, d.position))] = 1;
  present[kPulled] = 0;
  const auto active = only({entryIndex(1, 1), entryIndex(2, 3), entryIndex(4, 4)});
  const auto hot = only({entryIndex(1, 3), entryIndex(3, 2)});
  const auto target = only({entryIndex(2, 1)});
  const auto source = only({entryIndex(2, 2)});
  for (int e = 0; e < kEntries; ++e) {
    SCOPED_TRACE("entry " + std::to_string(e));
    const std::size_t i = static_cast<std::size_t>(e);
    EXPECT_EQ(status.active(e), active[i]);
    EXPECT_EQ(status.isHere(e), present[i]);
    EXPECT_EQ(status.hot(e), hot[i]);
    EXPECT_EQ(status.rebuild(e), target[i]);
    EXPECT_EQ(status.source(e), source[i]);
  }
  for (int card = 1; card <= 4; ++card) {
    for (int channel = 1; channel <= 2; ++channel) {
      const bool on = (card == 4 && channel == 1) || (card == 3 && channel == 2);
      EXPECT_EQ(status.isHotPlug(card, channel), on ? 1 : 0) << card << "/" << channel;
    }
  }
  EXPECT_EQ(status.runRTime(), 0x1234);
}

TEST_F(BlockLayout, TheMonitorReadsEveryPlugFieldTheEmulatorWrote) {
  ASSERT_TRUE(link_.plugBackup(packet()));
  PlugBlock plug;
  std::copy_n(packet().data(), kPlugBytes, plug.bytes.begin());
  for (int card = 1; card <= 4; ++card) {
    for (int position = 1; position <= 4; ++position) {
      SCOPED_TRACE(std::to_string(card) + "." + std::to_string(position));
      const int e = entryIndex(card, position);
      bool there = false;
      for (const Drive& d : kDrives) there |= entryIndex(d.card, d.position) == e;
      there &= e != kPulled;
      std::uint8_t pio = there ? 0x04 : 0;
      if (e == kPulled) pio = 0x54;           // pulled on a hot-plug channel
      if (e == entryIndex(3, 1)) pio = 0xA4;  // plug state 10
      EXPECT_EQ(plug.PioStatus(card, position), pio);
      EXPECT_EQ(plug.existTavrix(card, position), there ? 1 : 0);
      EXPECT_EQ(plug.existFilter(card, position), there ? 1 : 0);
      EXPECT_EQ(plug.disableHdd(card, position), 0);
    }
  }
  // One child per drive in entry order, as many as the ten slots hold; the pull of 4.1
  // leaves the child tables as they were until a bus rescan.
  const std::vector<int> children = {0, 1, 2, 4, 5, 6, 7, 8, 9, 12};
  EXPECT_EQ(plug.countPdo(), children.size());
  for (std::size_t i = 0; i < children.size(); ++i) {
    EXPECT_EQ(plug.childPdo(static_cast<int>(i)), 0x81000000u | (static_cast<std::uint32_t>(children[i]) << 8)) << i;
    EXPECT_EQ(plug.targetId(static_cast<int>(i)), static_cast<std::uint32_t>(children[i])) << i;
  }
  EXPECT_EQ(plug.tavrixATA(), 1u);
}

// Fields no scenario sets (the plug block's disable table) and the block sizes: the
// two sides' offsets themselves.
TEST(BlockLayoutOffsets, BothSidesNameTheSameOffsets) {
  EXPECT_EQ(emu::kStatusBlockSize, kStatusBytes);
  EXPECT_EQ(emu::kPlugBlockSize, kPlugBytes);
  EXPECT_EQ(emu::kConfigBlockSize, kDataSize);
  EXPECT_EQ(emu::kIdentitySize, kIdentitySize);
  EXPECT_EQ(emu::kCapacityCount, static_cast<std::size_t>(kCapacityValues));
  EXPECT_EQ(emu::kPlugDisableHdd, kOffDisableHdd);
  for (int card = 1; card <= 4; ++card) {
    for (int channel = 1; channel <= 2; ++channel) {
      EXPECT_EQ(emu::statusHotPlugOffset(card, channel), hotPlugOffset(card, channel));
    }
    for (int position = 1; position <= 4; ++position) {
      EXPECT_EQ(emu::plugTableOffset(0, card, position), plugSlot(card, position));
    }
  }
}

}  // namespace
}  // namespace raidmon
