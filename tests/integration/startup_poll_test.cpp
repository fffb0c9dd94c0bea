// Start-up, the start of monitoring and poll cycles through the real direct port link
// against the emulated controller and its timeline.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "emulator/controller.h"
#include "emulator/emulated_nt_storage.h"
#include "emulator/scenario_parser.h"
#include "link/direct_port_link.h"
#include "monitor/monitor.h"
#include "support/recording_views.h"
#include "support/temp_dir.h"

namespace raidmon {
namespace {

class EmulatedRun {
 public:
  explicit EmulatedRun(const std::string& extraLines = "")
      : controller_(parse(std::string(emu::defaultScenarioText()) + "\n" + extraLines)),
        storage_(controller_),
        link_(storage_),
        monitor_(link_, packet_, kOsFamilyNt, dir_.slashed()) {
    monitor_.setViews(views.all());
  }

  static emu::Scenario parse(const std::string& text) {
    emu::ScenarioParse p = emu::parseScenario(text);
    EXPECT_TRUE(p.has_value()) << p.error().line << ": " << p.error().message;
    return p.value();
  }
  void start() {
    monitor_.start();
    monitor_.startMonitoring();
  }
  void cycles(int n) {
    for (int i = 0; i < n; ++i) monitor_.pollOnce();
  }
  bool logged(const std::string& line) const {
    return std::find(views.log.begin(), views.log.end(), line) != views.log.end();
  }

  test::RecordingViews views;
  emu::Controller controller_;
  emu::EmulatedNtStorage storage_;
  DirectPortLink link_;
  SharedPacket packet_;
  test::TempDir dir_{"raidmon_it"};
  Monitor monitor_;
};

TEST(StartupPollIntegration, FindsTheDriverPortAndBuildsTheModel) {
  EmulatedRun run;
  run.start();
  const Monitor& m = run.monitor_;
  EXPECT_TRUE(run.views.errors.empty());
  EXPECT_TRUE(m.state().PortFoundByName);
  EXPECT_EQ(m.state().ProbeResult, 1);
  EXPECT_EQ(m.state().CardCount, 2);  // two ports carry the driver's name
  EXPECT_EQ(m.portNames()[0], "\\IdePort");
  EXPECT_EQ(m.portNames()[1], "tavrixRX");
  EXPECT_EQ(run.storage_.portOfHandle(run.link_.handle()), 1);
  EXPECT_EQ(run.storage_.openHandleCount(), 1u);
  EXPECT_EQ(m.model().highestArray(), 2);
  EXPECT_EQ(m.model().array(0).kind, kKindRaid1);
  EXPECT_EQ(m.model().array(0).size, 156301488u);
  EXPECT_EQ(m.model().array(2).memberCount(), 4);
  EXPECT_EQ(m.model().array(1).memberIdentity[0].model().substr(0, 29), "Orvik OV080-UA133 DiskStar 80");
  EXPECT_EQ(flashChipName(m.model().flashMaker(), m.model().flashDevice()).value(), "SyncMOS(F29C51001T)");
  EXPECT_EQ(run.controller_.requestCount(CTL_PROBE), 1u);
  EXPECT_EQ(run.controller_.requestCount(CTL_READ_STATUS), 1u);
  EXPECT_EQ(run.controller_.requestCount(CTL_READ_CONFIG), 1u);
}

TEST(StartupPollIntegration, TheRoadOfOneEvent) {
  // Card 1's Primary Slave is pulled before the fourth status read.
  EmulatedRun run("at 4 pull 1.2\n");
  run.start();
  run.cycles(2);  // the first accepts the initial state, the second sees no change
  EXPECT_EQ(run.monitor_.tables().I_NotHere[1], 0);
  run.views.clear();
  run.cycles(1);
  const auto& traces = run.views.traces;
  EXPECT_NE(std::find(traces.begin(), traces.end(), "DEVICE_IO_TRUE->IsHereHdd"), traces.end());
  EXPECT_EQ(std::count(traces.begin(), traces.end(), "EyeSetting"), 1);
  EXPECT_EQ(run.monitor_.tables().I_NotHere[1], 1);
  EXPECT_TRUE(run.logged("hide 1,2"));
  EXPECT_FALSE(run.logged("row Card 1 Primary Slave|Diconnected|"));  // a plain pull raises no notice
  EXPECT_EQ(run.views.timerInterval, 1000);
  EXPECT_TRUE(run.views.timerEnabled);
  EXPECT_EQ(run.monitor_.snapshot().isHere(1), 0);
  run.views.clear();
  run.cycles(3);
  EXPECT_FALSE(run.logged("hide 1,2"));  // hidden once
}

TEST(StartupPollIntegration, HotPlugPullRescanAndReinsert) {
  const std::string notice =
      "notice A Hard Disk has been connected to|RAID controller !|( location : Card 1 Primary Slave)";
  EmulatedRun run("hotplug 1 1\nat 3 pull 1.2\nat 60 insert 1.2\n");
  run.start();
  run.cycles(1);
  // Both drives of the channel are present before any pull: both show as idle.
  EXPECT_TRUE(run.logged("load 1,1 s_Top_Green.gif"));
  EXPECT_TRUE(run.logged("load 1,2 s_Top_Green.gif"));
  EXPECT_FALSE(run.logged("hide 1,1"));
  EXPECT_FALSE(run.logged("hide 1,2"));
  run.cycles(2);  // the pull lands with the third status read; the next plug check sees it
  EXPECT_TRUE(run.logged(notice));
  EXPECT_TRUE(run.logged("row Card 1 Primary Slave|Connected|"));
  EXPECT_TRUE(run.logged("load 1,2 s_Orange.gif"));
  EXPECT_TRUE(run.monitor_.state().ScanActive);
  EXPECT_TRUE(run.monitor_.state().RescanRequested);
  EXPECT_EQ(run.monitor_.state().HotPlugMarker[0], HotPlugMark::Pulled);

  // 46 cycles of waiting, then the rescan reaches the controller once.
  run.cycles(46);
  EXPECT_TRUE(run.logged("scan show Hard Disk Scaning......"));
  EXPECT_EQ(run.controller_.rescanCount(), 0u);
  EXPECT_EQ(run.views.progress.back(), 102);
  run.cycles(1);
  EXPECT_EQ(run.controller_.rescanCount(), 1u);
  EXPECT_TRUE(run.monitor_.state().HoldOff);
  EXPECT_FALSE(run.monitor_.state().ScanActive);
  EXPECT_TRUE(run.logged("scan close"));

  // Re-inserted during the quiet period: seen by both tables, configuration re-read,
  // connected again; the wait does not restart and nothing is rescanned again.
  run.views.clear();
  const auto configReads = run.controller_.requestCount(CTL_READ_CONFIG);
  run.cycles(12);
  EXPECT_TRUE(run.logged(notice));
  EXPECT_TRUE(run.logged("load 1,2 s_Top_Green.gif"));
  EXPECT_EQ(run.controller_.requestCount(CTL_READ_CONFIG), configReads + 1);
  EXPECT_EQ(run.monitor_.state().HotPlugMarker[0], HotPlugMark::Back);
  run.cycles(40);
  EXPECT_FALSE(run.monitor_.state().HoldOff);
  EXPECT_EQ(run.controller_.rescanCount(), 1u);
}

TEST(StartupPollIntegration, APullOnCardThreeAloneIsAnnouncedAsOnCardOne) {
  // Card 3 carries one drive and a hot-plug channel; nothing changes on cards 1 and 2.
  EmulatedRun run(
      "port 3 driver \\Device\\tavrixRX2\n"
      "drive 3.2 model \"NorthPeak NP8000A8\" serial \"NP80A8-440001\" sectors 156301488 "
      "cylinders 16383 heads 16 spt 63 udma 0x3F\n"
      "array 1 3 3.2\nhotplug 3 1\nat 3 pull 3.2\n");
  run.start();
  run.cycles(1);
  EXPECT_EQ(run.monitor_.state().CardCount, 3);
  EXPECT_TRUE(run.logged("row Card 3 Primary Slave|Connected|"));  // start-up's connection log
  EXPECT_TRUE(run.logged("load 3,2 s_Top_Green.gif"));
  run.views.clear();
  run.cycles(2);
  EXPECT_TRUE(run.logged("notice A Hard Disk has been connected to|RAID controller !|( location : Card 3 Primary Slave)"));
  EXPECT_TRUE(run.logged("row Card 3 Primary Slave|Connected|"));
  EXPECT_TRUE(run.logged("load 3,2 s_Orange.gif"));
  EXPECT_EQ(run.monitor_.state().HotPlugMarker[4], HotPlugMark::Pulled);  // card 3, channel 1
  EXPECT_TRUE(run.monitor_.state().ScanActive);
}

}  // namespace
}  // namespace raidmon
