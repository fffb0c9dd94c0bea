// The 9x family end to end: start-up and poll cycles through the real bridge library
// and the ASPI stand-in against the emulated controller, side by side with the NT
// family's direct port on the same scenario.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>

#include "aspilink/loaded_bridge.h"
#include "emulator/controller.h"
#include "emulator/emulated_nt_storage.h"
#include "emulator/scenario_parser.h"
#include "link/direct_port_link.h"
#include "monitor/monitor.h"
#include "support/recording_views.h"
#include "support/temp_dir.h"

namespace raidmon {
namespace {

namespace fs = std::filesystem;

// One run of the monitor on a family. The ASPI layer has one device behind it per
// process, so only one 9x run may exist at a time.
class FamilyRun {
 public:
  FamilyRun(std::uint8_t family, const std::string& scenarioText)
      : dir_("raidmon_9x_" + std::to_string(family)) {
    emu::ScenarioParse parsed = emu::parseScenario(scenarioText);
    EXPECT_TRUE(parsed.has_value()) << parsed.error().line << ": " << parsed.error().message;
    controller = std::make_unique<emu::Controller>(parsed.value());
    if (family == kOsFamily9x) {
      bridge_ = std::make_unique<test::LoadedBridge>("korvane");
      EXPECT_TRUE(bridge_->ok()) << bridge_->error();
      standIn_.emplace();
      (*standIn_)->attachDevice(*controller);
      link_ = std::make_unique<BridgeLink>(bridge_->exports());
    } else {
      storage_ = std::make_unique<emu::EmulatedNtStorage>(*controller);
      link_ = std::make_unique<DirectPortLink>(*storage_);
    }
    monitor = std::make_unique<Monitor>(*link_, packet_, family, dir_.slashed());
    monitor->setViews(views.all());
  }
  ~FamilyRun() {
    standIn_.reset();
  }
  void start() {
    monitor->start();
    monitor->startMonitoring();
  }
  bool logged(const std::string& line) const {
    return std::find(views.log.begin(), views.log.end(), line) != views.log.end();
  }

  test::RecordingViews views;
  std::unique_ptr<emu::Controller> controller;
  std::unique_ptr<Monitor> monitor;

 private:
  test::TempDir dir_;
  std::unique_ptr<emu::EmulatedNtStorage> storage_;
  std::unique_ptr<test::LoadedBridge> bridge_;
  std::optional<test::AttachedStandIn> standIn_;
  std::unique_ptr<ControllerLink> link_;
  SharedPacket packet_;
};

void expectSameModel(const Monitor& a, const Monitor& b) {
  EXPECT_EQ(a.state().CardCount, b.state().CardCount);
  EXPECT_EQ(a.tables().I_Here, b.tables().I_Here);
  ASSERT_EQ(a.model().highestArray(), b.model().highestArray());
  for (int n = 0; n <= a.model().highestArray(); ++n) {
    const ArrayRecord& x = a.model().array(n);
    const ArrayRecord& y = b.model().array(n);
    EXPECT_EQ(std::tie(x.kind, x.size, x.memberCard, x.memberPosition),
              std::tie(y.kind, y.size, y.memberCard, y.memberPosition));
    for (int m = 0; m < kMaxMembers; ++m) {
      EXPECT_EQ(x.memberIdentity[m].bytes, y.memberIdentity[m].bytes) << n << "/" << m;
    }
  }
  EXPECT_EQ(a.model().capacityList(), b.model().capacityList());
  EXPECT_EQ(a.model().flashMaker(), b.model().flashMaker());
}

// Start-up and then a pull, a re-insert and a rebuild target appearing: through the
// bridge the monitor builds the model and shows what the direct port shows, every
// request goes by ASPI to the one adapter/target, and plug tables are never asked for.
TEST(Bridge9xIntegration, StartUpAndPollCyclesMatchTheNtPath) {
  const std::string scenario = std::string(emu::defaultScenarioText()) +
                               "\nat 4 pull 1.2\nat 6 insert 1.2\nat 8 rebuild 1.2 from 1.1\n";
  FamilyRun nt(kOsFamilyNt, scenario);
  FamilyRun x9(kOsFamily9x, scenario);
  nt.start();
  x9.start();
  EXPECT_TRUE(x9.views.errors.empty());
  EXPECT_EQ(std::make_tuple(x9.monitor->state().AspiAdapter, x9.monitor->state().AspiTarget),
            std::make_tuple(std::uint8_t{1}, std::uint8_t{0}));
  EXPECT_EQ(x9.monitor->state().CardCount, 2);
  EXPECT_EQ(x9.monitor->model().array(1).memberIdentity[0].model().substr(0, 29),
            "Orvik OV080-UA133 DiskStar 80");
  EXPECT_TRUE(x9.logged("monitor dialog"));
  expectSameModel(*nt.monitor, *x9.monitor);

  nt.views.clear();
  x9.views.clear();
  for (int tick = 0; tick < 9; ++tick) {
    SCOPED_TRACE(tick);
    nt.monitor->pollOnce();
    x9.monitor->pollOnce();
    EXPECT_EQ(x9.views.log, nt.views.log);  // indicators, tree, notices, event rows
    EXPECT_EQ(x9.monitor->tables().I_NotHere, nt.monitor->tables().I_NotHere);
    EXPECT_EQ(x9.monitor->snapshot().bytes, nt.monitor->snapshot().bytes);
  }
  EXPECT_TRUE(x9.logged("hide 1,2"));
  EXPECT_EQ(x9.monitor->tables().I_Hot[1], 1);  // the rebuild target was announced

  const emu::Controller& c = *x9.controller;
  EXPECT_EQ(c.requestCount(CTL_PROBE), 1u);  // adapter 0 has no controller to answer
  EXPECT_EQ(c.requestCount(CTL_PLUG_BACKUP), 0u);
  EXPECT_EQ(c.requestCount(CTL_READ_STATUS), nt.controller->requestCount(CTL_READ_STATUS));
  for (const emu::RequestRecord& r : c.requestLog()) {
    EXPECT_EQ(std::make_tuple(r.transport, r.adapter, r.target),
              std::make_tuple(emu::Transport::Aspi, 1, 0));
  }
}

// On the 9x family the card count comes from the first status (cards with a drive
// present), then from every configuration parse (the highest configured card).
TEST(Bridge9xIntegration, CardCountRulesOnThe9xFamily) {
  FamilyRun x9(kOsFamily9x,
               "aspi 0 2\ndrive 1.1 model \"A\" sectors 1000\ndrive 3.2 model \"B\" sectors 1000\n"
               "array 1 0 1.1\narray 1 1 3.2\n");
  x9.monitor->start();
  EXPECT_EQ(std::make_tuple(x9.monitor->state().AspiAdapter, x9.monitor->state().AspiTarget),
            std::make_tuple(std::uint8_t{0}, std::uint8_t{2}));
  EXPECT_EQ(x9.monitor->state().CardCount, 2);
  x9.monitor->startMonitoring();
  EXPECT_EQ(x9.monitor->state().CardCount, 3);
  EXPECT_TRUE(x9.logged("skin 3"));
}

// A status read the ASPI layer fails leaves the last status in place: the cycle sees
// what a good read shows, not the configuration block the packet still holds.
TEST(Bridge9xIntegration, FailedStatusReadKeepsTheLastStatus) {
  const std::string base(emu::defaultScenarioText());
  StatusBlock good;
  DisplayTables goodTables;
  {
    FamilyRun run(kOsFamily9x, base);
    run.start();
    run.monitor->pollOnce();
    good = run.monitor->snapshot();
    goodTables = run.monitor->tables();
  }
  FamilyRun failing(kOsFamily9x, base + "\nat 2 fail-status 1\n");
  failing.start();
  failing.monitor->pollOnce();
  EXPECT_EQ(failing.controller->statusTick(), 2u);
  EXPECT_EQ(failing.monitor->snapshot().bytes, good.bytes);
  EXPECT_EQ(failing.monitor->tables().I_NotHere, goodTables.I_NotHere);
}

// No controller behind any adapter: start-up says so and the window closes.
TEST(Bridge9xIntegration, NoControllerOnTheAspiPathClosesTheWindow) {
  std::string scenario(emu::defaultScenarioText());
  scenario.erase(scenario.find("aspi 1 0"), 8);
  FamilyRun x9(kOsFamily9x, scenario);
  x9.start();
  EXPECT_EQ(x9.views.errors, std::vector<std::string>{"RAID controller HDD not installed"});
  EXPECT_TRUE(x9.logged("close"));
  EXPECT_EQ(x9.monitor->state().DeviceHandle, 0);
  EXPECT_EQ(x9.controller->requestTotal(), 0u);
}

}  // namespace
}  // namespace raidmon
