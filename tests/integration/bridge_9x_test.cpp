// The 9x family end to end: start-up, the start of monitoring and poll cycles through
// the real bridge library and the ASPI stand-in against the emulated controller, side
// by side with the NT family's direct port on the same scenario.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "aspilink/loaded_bridge.h"
#include "emulator/controller.h"
#include "emulator/emulated_nt_storage.h"
#include "emulator/scenario_parser.h"
#include "link/bridge_link.h"
#include "link/direct_port_link.h"
#include "monitor/monitor.h"
#include "support/recording_views.h"

namespace raidmon {
namespace {

namespace fs = std::filesystem;

// The status, configuration and event lines of a run, without the clock's column.
std::vector<std::string> displayLines(const std::vector<std::string>& log) {
  std::vector<std::string> out;
  for (const std::string& line : log) {
    if (line.rfind("row ", 0) != 0) out.push_back(line);
  }
  return out;
}

// Event rows up to the clock's column.
std::vector<std::string> rowsWithoutClock(const std::vector<std::string>& rows) {
  std::vector<std::string> out;
  for (const std::string& row : rows) out.push_back(row.substr(0, row.rfind('|')));
  return out;
}

// One run of the monitor on a family. The ASPI layer has one device behind it per
// process, so only one 9x run may exist at a time.
class FamilyRun {
 public:
  FamilyRun(std::uint8_t family, const std::string& scenarioText)
      : family_(family),
        dir_(fs::temp_directory_path() /
             ("raidmon_9x_" + std::to_string(getpid()) + "_" + std::to_string(family))) {
    emu::ScenarioParse parsed = emu::parseScenario(scenarioText);
    EXPECT_TRUE(parsed.ok()) << parsed.errorLine << ": " << parsed.error;
    controller_ = std::make_unique<emu::Controller>(parsed.scenario);
    if (family == kOsFamily9x) {
      bridge_ = std::make_unique<test::LoadedBridge>("korvane");
      EXPECT_TRUE(bridge_->ok()) << bridge_->error();
      standIn_.emplace();
      (*standIn_)->attachDevice(*controller_);
      link_ = std::make_unique<BridgeLink>(bridge_->exports());
    } else {
      storage_ = std::make_unique<emu::EmulatedNtStorage>(*controller_);
      link_ = std::make_unique<DirectPortLink>(*storage_);
    }
    fs::create_directories(dir_);
    monitor_ = std::make_unique<Monitor>(*link_, packet_, family, dir_.string() + "/");
    monitor_->setViews(views.all());
  }
  ~FamilyRun() {
    if (standIn_) (*standIn_)->detach();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  void start() {
    monitor_->FormCreate();
    monitor_->FormShow();
  }
  void cycles(int n) {
    for (int i = 0; i < n; ++i) monitor_->Sec_TimerTimer();
  }
  const Monitor& monitor() const { return *monitor_; }
  emu::Controller& controller() { return *controller_; }

  test::RecordingViews views;

 private:
  std::uint8_t family_;
  fs::path dir_;
  std::unique_ptr<emu::Controller> controller_;
  std::unique_ptr<emu::EmulatedNtStorage> storage_;
  std::unique_ptr<test::LoadedBridge> bridge_;
  std::optional<test::AttachedStandIn> standIn_;
  std::unique_ptr<ControllerLink> link_;
  SharedPacket packet_;
  std::unique_ptr<Monitor> monitor_;
};

void expectSameModel(const Monitor& a, const Monitor& b) {
  EXPECT_EQ(a.state().CardCount, b.state().CardCount);
  EXPECT_EQ(a.tables().I_Here, b.tables().I_Here);
  const DriveModel& ma = a.model();
  const DriveModel& mb = b.model();
  ASSERT_EQ(ma.highestArray(), mb.highestArray());
  for (int n = 0; n <= ma.highestArray(); ++n) {
    SCOPED_TRACE(n);
    const ArrayRecord& x = ma.array(n);
    const ArrayRecord& y = mb.array(n);
    EXPECT_EQ(x.kind, y.kind);
    EXPECT_EQ(x.size, y.size);
    ASSERT_EQ(x.memberCount(), y.memberCount());
    EXPECT_EQ(x.memberCard, y.memberCard);
    EXPECT_EQ(x.memberPosition, y.memberPosition);
    for (int m = 0; m < x.memberCount(); ++m) {
      EXPECT_EQ(x.memberIdentity[m].bytes, y.memberIdentity[m].bytes);
    }
  }
  EXPECT_EQ(ma.modelPositions().size(), mb.modelPositions().size());
  for (std::size_t e = 0; e < ma.modelPositions().size(); ++e) {
    EXPECT_EQ(ma.modelPositions()[e].kind, mb.modelPositions()[e].kind);
    EXPECT_EQ(ma.modelPositions()[e].array, mb.modelPositions()[e].array);
    EXPECT_EQ(ma.modelPositions()[e].member, mb.modelPositions()[e].member);
  }
  EXPECT_EQ(ma.capacityList(), mb.capacityList());
  EXPECT_EQ(ma.flashMaker(), mb.flashMaker());
  EXPECT_EQ(ma.flashDevice(), mb.flashDevice());
}

TEST(Bridge9xIntegration, StartsThroughTheBridgeAndBuildsTheSameModelAsNt) {
  const std::string scenario = std::string(emu::defaultScenarioText());
  FamilyRun nt(kOsFamilyNt, scenario);
  FamilyRun x9(kOsFamily9x, scenario);
  nt.start();
  x9.start();

  const Monitor& m = x9.monitor();
  EXPECT_TRUE(x9.views.errors.empty());
  EXPECT_EQ(m.state().AspiAdapter, 1);
  EXPECT_EQ(m.state().AspiTarget, 0);
  EXPECT_NE(m.state().DeviceHandle, 0);
  EXPECT_EQ(m.state().CardCount, 2);
  EXPECT_EQ(m.model().highestArray(), 2);
  EXPECT_EQ(m.model().array(0).kind, kKindRaid1);
  EXPECT_EQ(m.model().array(0).size, 156301488u);
  EXPECT_EQ(m.model().array(1).memberIdentity[0].model().substr(0, 29), "Orvik OV080-UA133 DiskStar 80");
  EXPECT_FALSE(std::count(x9.views.log.begin(), x9.views.log.end(), "close"));
  EXPECT_TRUE(std::count(x9.views.log.begin(), x9.views.log.end(), "monitor dialog"));
  expectSameModel(nt.monitor(), m);

  // Only the answering adapter/target reaches the driver; every request went by ASPI.
  emu::Controller& c = x9.controller();
  EXPECT_EQ(c.requestCount(CTL_PROBE), 1u);
  EXPECT_EQ(c.requestCount(CTL_READ_STATUS), 1u);
  EXPECT_EQ(c.requestCount(CTL_READ_CONFIG), 1u);
  for (const emu::RequestRecord& r : c.requestLog()) {
    EXPECT_EQ(r.transport, emu::Transport::Aspi);
    EXPECT_EQ(r.adapter, 1);
    EXPECT_EQ(r.target, 0);
  }
}

// A pull, a re-insert and a rebuild target appearing: the poll cycles through the
// bridge show the operator what the direct port shows, and never ask for plug tables.
TEST(Bridge9xIntegration, PollCyclesMatchTheNtPath) {
  const std::string scenario = std::string(emu::defaultScenarioText()) +
                               "\nat 4 pull 1.2\nat 6 insert 1.2\nat 8 rebuild 1.2 from 1.1\n";
  FamilyRun nt(kOsFamilyNt, scenario);
  FamilyRun x9(kOsFamily9x, scenario);
  nt.start();
  x9.start();
  nt.views.clear();
  x9.views.clear();
  for (int tick = 0; tick < 9; ++tick) {
    SCOPED_TRACE(tick);
    nt.cycles(1);
    x9.cycles(1);
    EXPECT_EQ(displayLines(x9.views.log), displayLines(nt.views.log));
    EXPECT_EQ(x9.monitor().tables().I_NotHere, nt.monitor().tables().I_NotHere);
    EXPECT_EQ(x9.monitor().tables().I_Hot, nt.monitor().tables().I_Hot);
    EXPECT_EQ(x9.monitor().snapshot().bytes, nt.monitor().snapshot().bytes);
  }
  const auto& log = x9.views.log;
  EXPECT_TRUE(std::count(log.begin(), log.end(), "hide 1,2"));
  EXPECT_EQ(rowsWithoutClock(x9.views.rows), rowsWithoutClock(nt.views.rows));
  EXPECT_EQ(x9.controller().requestCount(CTL_PLUG_BACKUP), 0u);
  EXPECT_EQ(x9.controller().requestCount(CTL_READ_STATUS), nt.controller().requestCount(CTL_READ_STATUS));
  EXPECT_EQ(x9.monitor().tables().I_Hot[1], 1);  // the rebuild target was announced
}

// On the 9x family the card count comes from the first status (cards with a drive
// present) and then from every configuration parse (the highest card with a
// configured drive); the controller here answers at adapter 0, target 2.
TEST(Bridge9xIntegration, CardCountRulesOnThe9xFamily) {
  const std::string scenario =
      "aspi 0 2\n"
      "drive 1.1 model \"A\" sectors 1000\n"
      "drive 3.2 model \"B\" sectors 1000\n"
      "array 1 0 1.1\n"
      "array 1 1 3.2\n";
  FamilyRun x9(kOsFamily9x, scenario);
  x9.monitor();
  const_cast<Monitor&>(x9.monitor()).FormCreate();
  EXPECT_EQ(x9.monitor().state().AspiAdapter, 0);
  EXPECT_EQ(x9.monitor().state().AspiTarget, 2);
  EXPECT_EQ(x9.monitor().state().CardCount, 2);  // cards 1 and 3 have a drive present
  const_cast<Monitor&>(x9.monitor()).FormShow();
  EXPECT_EQ(x9.monitor().state().CardCount, 3);  // the highest card with a configured drive
  EXPECT_TRUE(std::count(x9.views.log.begin(), x9.views.log.end(), "skin 3"));
}

// A status read that fails on the way (the ASPI layer reports an error) leaves the
// monitor's last status in place: the cycle then sees exactly what a good read of the
// same controller shows, never the configuration block the packet still holds.
TEST(Bridge9xIntegration, FailedStatusReadKeepsTheLastStatus) {
  // One 9x run at a time: the ASPI layer has one device behind it per process.
  const std::string base(emu::defaultScenarioText());
  StatusBlock goodSnapshot;
  DisplayTables goodTables;
  std::vector<std::string> goodTraces;
  {
    FamilyRun good(kOsFamily9x, base);
    good.start();
    good.cycles(1);
    goodSnapshot = good.monitor().snapshot();
    goodTables = good.monitor().tables();
    goodTraces = good.views.traces;
  }
  FamilyRun failing(kOsFamily9x, base + "\nat 2 fail-status 1\n");
  failing.start();
  failing.cycles(1);
  EXPECT_EQ(failing.controller().statusTick(), 2u);
  EXPECT_EQ(failing.monitor().snapshot().bytes, goodSnapshot.bytes);
  EXPECT_EQ(failing.monitor().tables().I_NotHere, goodTables.I_NotHere);
  EXPECT_EQ(failing.views.traces, goodTraces);
  failing.cycles(1);  // and the next read goes through again
  EXPECT_EQ(failing.controller().statusTick(), 3u);
  EXPECT_EQ(failing.monitor().snapshot().bytes, goodSnapshot.bytes);
}

// No controller behind any adapter: start-up says so and the window closes.
TEST(Bridge9xIntegration, NoControllerOnTheAspiPathClosesTheWindow) {
  std::string scenario(emu::defaultScenarioText());
  const auto at = scenario.find("aspi 1 0");
  ASSERT_NE(at, std::string::npos);
  scenario.erase(at, 8);
  FamilyRun x9(kOsFamily9x, scenario);
  x9.start();
  EXPECT_EQ(x9.views.errors, std::vector<std::string>{"RAID controller HDD not installed"});
  EXPECT_TRUE(std::count(x9.views.log.begin(), x9.views.log.end(), "close"));
  EXPECT_EQ(x9.monitor().state().DeviceHandle, 0);
  EXPECT_EQ(x9.monitor().state().AspiAdapter, 100);
  EXPECT_EQ(x9.controller().requestTotal(), 0u);
}

}  // namespace
}  // namespace raidmon
