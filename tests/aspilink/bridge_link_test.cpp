// The bridge link: the probe walk and what each operation hands the bridge's exports
// (with fakes), then a rebuild chunk and its end through the real library.
#include <gtest/gtest.h>

#include <vector>

#include "aspilink/loaded_bridge.h"
#include "emulator/controller.h"
#include "emulator/scenario_parser.h"
#include "link/bridge_link.h"

namespace raidmon {
namespace {

struct Call {
  char entry;  // 'I' TavrixIoControl, 'R' TavrixReadWrite, 'F' TavrixFlashReadWrite
  std::uint32_t token, code, adapter, target;
  std::vector<std::uint32_t> args;
};

// The fakes answer like the real library: a probe succeeds where the "controller"
// sits and the packet's ReturnCode then echoes the code.
struct FakeBridge {
  static inline std::vector<Call> calls;
  static inline int deviceAdapter = -1;
  static inline int deviceTarget = -1;

  static std::uint8_t ioControl(std::uint32_t, std::uint32_t token, std::uint32_t code,
                                std::uint32_t adapter, std::uint32_t target, std::uint8_t* packet,
                                std::uint32_t p1, std::uint32_t p2, std::uint32_t p3,
                                std::uint32_t p4, std::uint32_t v32, std::uint32_t v16) {
    calls.push_back({'I', token, code, adapter, target, {p1, p2, p3, p4, v32, v16}});
    const bool here = static_cast<int>(adapter) == deviceAdapter &&
                      static_cast<int>(target) == deviceTarget;
    if (here) storeLe32(packet + kOffReturnCode, code == CTL_PROBE ? code : 1);
    return code == CTL_PROBE ? loadLe32(packet + kOffReturnCode) == CTL_PROBE : 1;
  }
  static std::uint8_t readWrite(std::uint32_t token, std::uint32_t adapter, std::uint32_t target,
                                std::uint8_t* packet, std::uint32_t p1, std::uint32_t p2,
                                std::uint32_t p3, std::uint32_t p4, std::uint32_t v32,
                                std::uint32_t v16) {
    calls.push_back({'R', token, CTL_TRANSFER, adapter, target, {p1, p2, p3, p4, v32, v16}});
    if (static_cast<int>(adapter) == deviceAdapter && static_cast<int>(target) == deviceTarget) {
      storeLe32(packet + kOffReturnCode, 1);
    }
    return loadLe32(packet + kOffReturnCode) != 0;
  }
  static std::uint8_t flash(std::uint32_t token, std::uint32_t adapter, std::uint32_t target,
                            std::uint8_t*, std::uint32_t op, std::uint32_t v16, std::uint32_t v8) {
    calls.push_back({'F', token, op, adapter, target, {v16, v8}});
    return 1;
  }
  static BridgeExports exports() { return {&ioControl, &readWrite, &flash}; }
};

class BridgeLinkFake : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeBridge::calls.clear();
    FakeBridge::deviceAdapter = 3;
    FakeBridge::deviceTarget = 2;
  }
  BridgeLink link_{FakeBridge::exports()};
  ControlPacket packet_;
};

TEST_F(BridgeLinkFake, ProbesAdaptersThenTargetsAndStopsAtTheFirstAnswer) {
  const LocateResult found = link_.locate(packet_);
  EXPECT_TRUE(found.portFound);
  EXPECT_EQ(found.probeResult, 1);
  EXPECT_EQ(found.aspiAdapter, 3);
  EXPECT_EQ(found.aspiTarget, 2);
  const auto& calls = FakeBridge::calls;
  ASSERT_EQ(calls.size(), 3u * 4u + 3u);
  for (std::size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].code, CTL_PROBE);
    EXPECT_EQ(calls[i].adapter, i / 4);
    EXPECT_EQ(calls[i].target, i % 4);
    EXPECT_EQ(calls[i].token, 0u);
    EXPECT_EQ(calls[i].args, std::vector<std::uint32_t>(6, 0));
  }

  // Later operations go to the remembered adapter and target with the token.
  FakeBridge::calls.clear();
  EXPECT_TRUE(link_.readConfig(packet_));
  EXPECT_TRUE(link_.readStatus(packet_));
  EXPECT_TRUE(link_.rebuildBegin(packet_));
  EXPECT_TRUE(link_.rebuildEnd(packet_, 1, 3));
  EXPECT_TRUE(link_.transfer(packet_, {0, 1, 2, 3, 0x12345678, 128}));
  std::array<std::uint8_t, 180> flash{};
  EXPECT_TRUE(link_.flashCommand(flash.data(), 0x10, 0xFF80, 0));
  ASSERT_EQ(calls.size(), 6u);
  const std::uint32_t codes[] = {CTL_READ_CONFIG, CTL_READ_STATUS, CTL_REBUILD_BEGIN,
                                 CTL_REBUILD_END, CTL_TRANSFER, 0x10};
  for (std::size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].code, codes[i]);
    EXPECT_EQ(calls[i].adapter, 3u);
    EXPECT_EQ(calls[i].target, 2u);
    EXPECT_NE(calls[i].token, 0u);
  }
  EXPECT_EQ(calls[0].args, std::vector<std::uint32_t>(6, 0));
  EXPECT_EQ(calls[3].args, (std::vector<std::uint32_t>{1, 3, 0, 0, 0, 0}));
  EXPECT_EQ(calls[4].entry, 'R');
  EXPECT_EQ(calls[4].args, (std::vector<std::uint32_t>{0, 1, 2, 3, 0x12345678, 128}));
  EXPECT_EQ(calls[5].entry, 'F');
  EXPECT_EQ(calls[5].args, (std::vector<std::uint32_t>{0xFF80, 0}));

  // Nothing for the plug tables or a rescan on this path.
  EXPECT_FALSE(link_.plugBackup(packet_));
  EXPECT_FALSE(link_.rescanBus());
  EXPECT_EQ(calls.size(), 6u);
  EXPECT_FALSE(link_.hasHotPlug());
  EXPECT_FALSE(link_.checksStatusRead());
}

TEST_F(BridgeLinkFake, NoAnswerAnywhereLeavesTheLinkUnusable) {
  FakeBridge::deviceAdapter = -1;
  // A probe echo left in the packet by an earlier exchange does not count.
  packet_.setReturnCode(CTL_PROBE);
  const LocateResult found = link_.locate(packet_);
  EXPECT_FALSE(found.portFound);
  EXPECT_EQ(found.probeResult, 0);
  EXPECT_EQ(found.aspiAdapter, 100);
  EXPECT_EQ(FakeBridge::calls.size(), 40u);
  FakeBridge::calls.clear();
  EXPECT_FALSE(link_.readStatus(packet_));
  EXPECT_FALSE(link_.transfer(packet_, {}));
  EXPECT_TRUE(FakeBridge::calls.empty());
}

// Through the real library and stand-in to the emulator: a rebuild chunk really
// copies the sectors, and the rebuild end clears the controller's rebuild flags.
TEST(BridgeLinkReal, TransferCopiesSectorsAndRebuildEndClearsFlags) {
  test::LoadedBridge bridge("korvane");
  ASSERT_TRUE(bridge.ok()) << bridge.error();
  test::AttachedStandIn standIn;
  ASSERT_TRUE(standIn);
  emu::ScenarioParse scenario = emu::parseScenario(
      std::string(emu::defaultScenarioText()) + "\nrebuild 1.2 from 1.1\nrebuild-time 1\n");
  ASSERT_TRUE(scenario.ok()) << scenario.error;
  emu::Controller controller(scenario.scenario);
  standIn->attachDevice(controller);

  BridgeLink link(bridge.exports());
  ControlPacket packet;
  const LocateResult found = link.locate(packet);
  EXPECT_EQ(found.aspiAdapter, 1);
  EXPECT_EQ(found.aspiTarget, 0);
  EXPECT_FALSE(controller.rangeEqual(1, 1, 1, 2, 4096, 128));
  EXPECT_TRUE(link.transfer(packet, {0, 0, 0, 1, 4096, 128}));
  EXPECT_TRUE(controller.rangeEqual(1, 1, 1, 2, 4096, 128));
  EXPECT_FALSE(controller.rangeEqual(1, 1, 1, 2, 4096 + 128, 1));
  // Past the end of the drive: the driver says no, and so does the link.
  EXPECT_FALSE(link.transfer(packet, {0, 0, 0, 1, 0xFFFFFF00u, 128}));

  EXPECT_NE(controller.rebuildTime(), 0);
  EXPECT_TRUE(link.rebuildEnd(packet, 0, 1));
  EXPECT_EQ(controller.rebuildTime(), 0);
  const auto log = controller.requestLog();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().code, CTL_REBUILD_END);
  EXPECT_EQ(log.back().data[1], 1);
  standIn->detach();
}

}  // namespace
}  // namespace raidmon
