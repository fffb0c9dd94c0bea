// The bridge link: the probe walk and what each operation hands the bridge's exports
// (with fakes), then a rebuild chunk through the real library to the emulator.
#include <gtest/gtest.h>

#include <vector>

#include "aspilink/loaded_bridge.h"
#include "emulator/controller.h"
#include "emulator/scenario_parser.h"

namespace raidmon {
namespace {

struct Call {
  std::uint32_t code, token, adapter, target;
  std::vector<std::uint32_t> args;
  bool operator==(const Call&) const = default;
};

// Answers like the real library: the device at 3/2 echoes a probe and says done.
struct FakeBridge {
  static inline std::vector<Call> calls;
  static inline std::uint32_t deviceAdapter = 3;

  static bool here(std::uint32_t a, std::uint32_t t) { return a == deviceAdapter && t == 2; }
  static std::uint8_t io(std::uint32_t, std::uint32_t token, std::uint32_t code, std::uint32_t a,
                         std::uint32_t t, std::uint8_t* p, std::uint32_t p1, std::uint32_t p2,
                         std::uint32_t p3, std::uint32_t p4, std::uint32_t v32, std::uint32_t v16) {
    calls.push_back({code, token, a, t, {p1, p2, p3, p4, v32, v16}});
    if (here(a, t)) storeLe32(p + kOffReturnCode, code == CTL_PROBE ? code : 1);
    return code != CTL_PROBE || loadLe32(p + kOffReturnCode) == CTL_PROBE;
  }
  static std::uint8_t rw(std::uint32_t token, std::uint32_t a, std::uint32_t t, std::uint8_t* p,
                         std::uint32_t p1, std::uint32_t p2, std::uint32_t p3, std::uint32_t p4,
                         std::uint32_t v32, std::uint32_t v16) {
    calls.push_back({CTL_TRANSFER, token, a, t, {p1, p2, p3, p4, v32, v16}});
    if (here(a, t)) storeLe32(p + kOffReturnCode, 1);
    return loadLe32(p + kOffReturnCode) != 0;
  }
  static std::uint8_t flash(std::uint32_t, std::uint32_t, std::uint32_t, std::uint8_t*,
                            std::uint32_t, std::uint32_t, std::uint32_t) {
    return 1;
  }
};

TEST(BridgeLinkFake, ProbesAdaptersThenTargetsAndUsesWhatItFound) {
  FakeBridge::calls.clear();
  BridgeLink link({&FakeBridge::io, &FakeBridge::rw, &FakeBridge::flash});
  ControlPacket packet;
  const LocateResult found = link.locate(packet);
  EXPECT_EQ(std::make_tuple(found.portFound, found.probeResult, found.aspiAdapter, found.aspiTarget),
            std::make_tuple(true, std::uint8_t{1}, std::uint8_t{3}, std::uint8_t{2}));
  auto& calls = FakeBridge::calls;
  ASSERT_EQ(calls.size(), 3u * 4u + 3u);
  for (std::uint32_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i], (Call{CTL_PROBE, 0, i / 4, i % 4, std::vector<std::uint32_t>(6, 0)}));
  }

  calls.clear();
  EXPECT_TRUE(link.readStatus(packet));
  EXPECT_TRUE(link.rebuildEnd(packet, 1, 3));
  EXPECT_TRUE(link.transfer(packet, {0, 1, 2, 3, 0x12345678, 128}));
  EXPECT_FALSE(link.plugBackup(packet));  // nothing sent for these two
  EXPECT_FALSE(link.rescanBus());
  const std::vector<Call> want{
      {CTL_READ_STATUS, kBridgeToken, 3, 2, {0, 0, 0, 0, 0, 0}},
      {CTL_REBUILD_END, kBridgeToken, 3, 2, {1, 3, 0, 0, 0, 0}},
      {CTL_TRANSFER, kBridgeToken, 3, 2, {0, 1, 2, 3, 0x12345678, 128}}};
  EXPECT_EQ(calls, want);
}

// Through the real library and stand-in: a rebuild chunk copies the sectors.
TEST(BridgeLinkReal, TransferCopiesSectors) {
  test::LoadedBridge bridge("korvane");
  ASSERT_TRUE(bridge.ok()) << bridge.error();
  test::AttachedStandIn standIn;
  ASSERT_TRUE(standIn);
  emu::Controller controller(emu::parseScenario(emu::defaultScenarioText()).value());
  standIn->attachDevice(controller);
  BridgeLink link(bridge.exports());
  ControlPacket packet;
  EXPECT_EQ(link.locate(packet).aspiAdapter, 1);
  EXPECT_FALSE(controller.rangeEqual(1, 1, 1, 2, 4096, 128));
  EXPECT_TRUE(link.transfer(packet, {0, 0, 0, 1, 4096, 128}));
  EXPECT_TRUE(controller.rangeEqual(1, 1, 1, 2, 4096, 128));
  EXPECT_FALSE(controller.rangeEqual(1, 1, 1, 2, 4096 + 128, 1));
  EXPECT_FALSE(link.transfer(packet, {0, 0, 0, 1, 0xFFFFFF00u, 128}));  // past the end
  standIn->detach();
}

}  // namespace
}  // namespace raidmon
