#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "monitor/monitor.h"
#include "support/fake_link.h"
#include "support/recording_views.h"
#include "support/monitor_test_access.h"
#include "support/temp_dir.h"

namespace raidmon {
namespace {

using test::FakeLink;
using test::RecordingViews;

bool has(const std::vector<std::string>& log, const std::string& line) {
  return std::find(log.begin(), log.end(), line) != log.end();
}

class PollCycleTest : public ::testing::Test {
 protected:
  Monitor& make(std::uint8_t family = kOsFamilyNt) {
    link.hotPlug = family == kOsFamilyNt;
    monitor = std::make_unique<Monitor>(link, packet, family, dir_.string() + "/");
    monitor->setViews(views.all());
    return *monitor;
  }
  // A RAID1 pair on card 1 PM/PS and a single drive on card 1 SM, all present.
  void defaultController() {
    for (int e : {0, 1, 2}) link.present(e);
    auto entry = [&](int e, std::uint8_t kind, std::uint8_t id, std::uint8_t member) {
      link.config[kCfgEntries + 3 * e] = kind;
      link.config[kCfgEntries + 3 * e + 1] = id;
      link.config[kCfgEntries + 3 * e + 2] = member;
    };
    entry(0, kKindRaid1, 0, 0);
    entry(1, kKindRaid1, 0, 1);
    entry(2, kKindSingle, 1, 0);
    link.config[kCfgCapacity] = 0x10;
  }
  Monitor& started(std::uint8_t family = kOsFamilyNt) {
    defaultController();
    Monitor& m = make(family);
    m.start();
    m.startMonitoring();
    m.pollOnce();  // first cycle accepts the first status as a change
    views.clear();
    return m;
  }

  test::TempDir temp_{"poll"};
  const std::filesystem::path& dir_ = temp_.path();
  FakeLink link;
  SharedPacket packet;
  RecordingViews views;
  std::unique_ptr<Monitor> monitor;
};

TEST_F(PollCycleTest, StartUpOnNtCountsMatchingPortsAndReadsStatusOnce) {
  defaultController();
  link.located.matchingPorts = 2;
  Monitor& m = make();
  m.start();
  EXPECT_TRUE(views.errors.empty());
  EXPECT_EQ(m.state().CardCount, 2);
  EXPECT_EQ(m.tables().I_Here[0], 1);
  EXPECT_EQ(m.tables().I_Here[3], 0);
  EXPECT_EQ(views.timerInterval, 4000);
  EXPECT_FALSE(views.timerEnabled);
  EXPECT_TRUE(has(views.log, "place 1130,1"));
  EXPECT_FALSE(m.menu().item(MenuItem::Rebuild1).visible);
  EXPECT_FALSE(m.menu().item(MenuItem::ScanHdd).enabled);
  EXPECT_TRUE(m.menu().checked(MenuItem::Auto_Rebuild_Option));
  EXPECT_EQ(link.count(CTL_READ_STATUS), 1);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "QZ133.ini"));

  m.startMonitoring();
  EXPECT_EQ(link.count(CTL_READ_CONFIG), 1);
  EXPECT_TRUE(has(views.log, "skin 2"));
  EXPECT_TRUE(has(views.log, "tree"));
  EXPECT_TRUE(has(views.log, "monitor dialog"));
  EXPECT_EQ(views.timerInterval, 1000);
  EXPECT_TRUE(views.timerEnabled);
  EXPECT_EQ(m.modeTree().nodes().size(), 5u);
  m.startMonitoring();  // only the first showing does anything
  EXPECT_EQ(link.count(CTL_READ_CONFIG), 1);
}

TEST_F(PollCycleTest, CardCountFromPresentDrivesAfterFallbackScan) {
  defaultController();
  link.present(entryIndex(3, 2));
  link.located.foundByName = false;
  link.located.matchingPorts = 0;
  Monitor& m = make();
  m.start();
  EXPECT_FALSE(m.state().PortFoundByName);
  EXPECT_EQ(m.state().CardCount, 2);  // cards 1 and 3 have a drive
  m.startMonitoring();
  EXPECT_EQ(m.state().CardCount, 2);  // the configuration counts cards only while the count is 0
}

TEST_F(PollCycleTest, MissingDriverClosesWithoutPolling) {
  link.located = {};
  link.located.portFound = false;
  link.located.foundByName = false;
  Monitor& m = make();
  m.start();
  ASSERT_EQ(views.errors.size(), 1u);
  EXPECT_EQ(views.errors[0], "RAID controller DRIVER not installed");
  EXPECT_FALSE(m.startFailed());
  m.startMonitoring();
  EXPECT_TRUE(has(views.log, "close"));
  EXPECT_TRUE(m.startFailed());  // the program ends with a failure status
  EXPECT_FALSE(views.timerEnabled);
  EXPECT_EQ(link.count(CTL_READ_STATUS), 0);
}

TEST_F(PollCycleTest, SilentPortRunsWithoutController) {
  link.located.probeResult = 0;
  Monitor& m = make();
  m.start();
  EXPECT_EQ(views.errors, std::vector<std::string>{"PAX7 controller HDD not installed"});
  m.startMonitoring();
  EXPECT_FALSE(m.startFailed());  // it runs on
  EXPECT_TRUE(has(views.log, "skin 1"));
  EXPECT_TRUE(has(views.log, "hide 2,4"));
  EXPECT_FALSE(has(views.log, "close"));
  EXPECT_TRUE(views.timerEnabled);
  EXPECT_FALSE(m.menu().item(MenuItem::MonitorOpen1).enabled);
  EXPECT_FALSE(m.menu().item(MenuItem::FlashFileUpdate5).enabled);
  EXPECT_TRUE(m.menu().item(MenuItem::ScanHdd).enabled);
}

TEST_F(PollCycleTest, FailedProbeOn9xClosesTheWindow) {
  link.located = {};
  Monitor& m = make(kOsFamily9x);
  m.start();
  EXPECT_EQ(views.errors, std::vector<std::string>{"RAID controller HDD not installed"});
  EXPECT_TRUE(has(views.log, "close"));
  EXPECT_TRUE(m.startFailed());
}

TEST_F(PollCycleTest, NoChangeOnlyReenablesTheTimer) {
  Monitor& m = started();
  views.timerEnabled = false;
  views.timerInterval = 55;
  m.pollOnce();
  EXPECT_TRUE(views.log.empty());
  EXPECT_TRUE(views.traces.empty());
  EXPECT_TRUE(views.timerEnabled);
  EXPECT_EQ(views.timerInterval, 55);
}

TEST_F(PollCycleTest, AllZeroStatusAgainstAllZeroSnapshotIsNoChange) {
  Monitor& m = make();
  m.start();
  EXPECT_EQ(m.statusCheck(), kNoChange);
  EXPECT_TRUE(views.traces.empty());
}

TEST_F(PollCycleTest, ChangesOnCardsThreeAndFourAloneAreSeen) {
  Monitor& m = started();
  link.present(entryIndex(3, 1));
  link.status[kOffActive + entryIndex(4, 4)] = 1;
  link.status[hotPlugOffset(3, 2)] = 1;  // card 3's channel bytes
  EXPECT_EQ(m.statusCheck(), kChanged);
  EXPECT_EQ(views.traces.back(), "DEVICE_IO_TRUE->IsHereHdd");
  EXPECT_EQ(m.snapshot().isHere(entryIndex(3, 1)), 1);
  EXPECT_EQ(m.snapshot().active(entryIndex(4, 4)), 1);
  EXPECT_EQ(m.snapshot().isHotPlug(3, 2), 1);
  EXPECT_EQ(m.statusCheck(), kNoChange);
  link.status[kOffRunRTime] = 3;  // the rebuild time counter alone is a change
  EXPECT_EQ(m.statusCheck(), kChanged);
  EXPECT_EQ(views.traces.back(), "DEVICE_IO_TRUE->RunRebuildTime");
  EXPECT_EQ(m.snapshot().runRTime(), 3);
}

TEST_F(PollCycleTest, StatusCheckNotesTheFirstDifferenceAndCopiesOwnBytes) {
  Monitor& m = started();
  link.status[kOffHot + entryIndex(2, 1)] = 1;
  link.status[kOffRebuild + entryIndex(1, 2)] = 1;
  link.status[hotPlugOffset(2, 2)] = 1;
  EXPECT_EQ(m.statusCheck(), kChanged);
  EXPECT_EQ(views.traces, std::vector<std::string>{"DEVICE_IO_TRUE->RebuildHdd"});
  // Each position's own hot byte goes to the snapshot; the packet keeps the answer.
  EXPECT_EQ(m.snapshot().hot(entryIndex(2, 1)), 1);
  EXPECT_EQ(m.snapshot().hot(entryIndex(1, 1)), 0);
  EXPECT_EQ(m.snapshot().isHotPlug(2, 2), 1);
  EXPECT_EQ(m.snapshot().isHotPlug(3, 1), 0);
  EXPECT_EQ(packet.unlocked().data8(kOffRebuild + entryIndex(1, 2)), 1);
  EXPECT_EQ(packet.unlocked().data8(kOffHot + entryIndex(1, 1)), 0);
}

TEST_F(PollCycleTest, HotPlugByteComparedPerCardAndChannel) {
  Monitor& m = started();
  link.status[hotPlugOffset(1, 2)] = 1;  // card 1, secondary channel
  EXPECT_EQ(m.statusCheck(), kChanged);
  EXPECT_EQ(views.traces, std::vector<std::string>{"DEVICE_IO_TRUE->IsHotPlug"});
  EXPECT_EQ(m.snapshot().isHotPlug(1, 2), 1);
  EXPECT_EQ(m.snapshot().isHotPlug(1, 1), 0);
}

TEST_F(PollCycleTest, RunningRebuildFreezesTheCycle) {
  Monitor& m = started();
  m.setRebuildState(RebuildState::Running);
  views.timerEnabled = false;
  const auto calls = link.calls.size();
  m.pollOnce();
  EXPECT_EQ(link.calls.size(), calls);
  EXPECT_FALSE(views.timerEnabled);
}

TEST_F(PollCycleTest, DisplayStatesFollowTheDrives) {
  Monitor& m = started();
  link.status[kOffActive + 0] = 1;                              // card 1 PM active
  link.status[kOffActive + 1] = 1;                              // card 1 PS active, rebuilding
  link.status[kOffRebuild + 1] = 1;
  link.status[kOffRunRTime] = 2;
  link.present(entryIndex(2, 3));                               // card 2 SM idle
  link.present(entryIndex(1, 3), false);                        // card 1 SM gone
  m.pollOnce();
  EXPECT_TRUE(has(views.log, "load 1,1 s_Green.gif"));
  EXPECT_TRUE(has(views.log, "load 1,2 s_Active_Orange.gif"));
  EXPECT_TRUE(has(views.log, "load 2,3 s_Top_Green.gif"));
  EXPECT_TRUE(has(views.log, "hide 1,3"));
  EXPECT_TRUE(has(views.log, "play 2,3"));
  EXPECT_FALSE(has(views.log, "play 1,3"));
  EXPECT_EQ(m.tables().I_NotHere[2], 1);
  EXPECT_EQ(m.display().startPending(), (std::array<std::uint8_t, kEntries>{}));

  // Still absent: nothing more happens to it.
  views.clear();
  link.status[kOffActive + 0] = 0;
  m.pollOnce();
  EXPECT_FALSE(has(views.log, "hide 1,3"));
}

TEST_F(PollCycleTest, RemovedAgainAfterReinsertIsHiddenAgain) {
  Monitor& m = started();
  for (bool here : {false, true, false}) {
    views.clear();
    link.present(2, here);
    m.pollOnce();
    EXPECT_EQ(has(views.log, "hide 1,3"), !here);
    EXPECT_EQ(has(views.log, "load 1,3 s_Top_Green.gif"), here);
  }
}

TEST_F(PollCycleTest, PresentHotDriveKeepsItsIndicator) {
  Monitor& m = started();
  link.status[kOffHot + 0] = 1;
  m.pollOnce();
  EXPECT_FALSE(has(views.log, "load 1,1 s_Top_Green.gif"));
  EXPECT_FALSE(has(views.log, "hide 1,1"));
}

TEST_F(PollCycleTest, RebuildTargetAppearingAndStarting) {
  Monitor& m = started();
  // Flagged with the counter at 0: hidden, reported disconnected, node image cleared.
  link.status[kOffRebuild + 1] = 1;
  m.pollOnce();
  EXPECT_TRUE(has(views.log, "hide 1,2"));
  EXPECT_TRUE(has(views.log, "row Card 1 Primary Slave|Diconnected|"));
  EXPECT_TRUE(has(views.log, "node 2=-1"));
  EXPECT_EQ(m.tables().I_Hot[1], 1);

  // The counter moves to 1: the rebuild starts; with automatic rebuild on, the cycle
  // turns the dialog to the rebuild page and hands over instead of re-enabling.
  views.clear();
  views.timerEnabled = false;
  link.status[kOffRunRTime] = 1;
  m.pollOnce();
  EXPECT_TRUE(has(views.log, "load 1,2 s_Orange.gif"));
  EXPECT_TRUE(has(views.log, "row Card 1 Primary Slave|Connected|"));
  EXPECT_TRUE(has(views.log, "node 2=2"));
  EXPECT_TRUE(has(views.log, "page 2"));
  EXPECT_EQ(m.tables().I_Rebuild[1], 1);
  EXPECT_TRUE(m.state().AutoRebuildOff);
  EXPECT_FALSE(m.state().AutoRebuildPending);
  EXPECT_EQ(views.autoRebuildClicks, 1);
  EXPECT_FALSE(views.timerEnabled);

  // Later changes keep the orange state while inactive; active turns it active orange.
  views.clear();
  link.status[kOffActive + 1] = 1;
  m.pollOnce();
  EXPECT_TRUE(has(views.log, "load 1,2 s_Active_Orange.gif"));
  EXPECT_FALSE(has(views.log,
                   "notice A Hard Disk has been connected to|RAID controller !|( location : Card 1 Primary Slave)"));
  // The connection log records the drive's presence sum falling back.
  EXPECT_TRUE(has(views.log, "row Card 1 Primary Slave|Connected|"));
}

TEST_F(PollCycleTest, TwoEventsInOneCycleGiveTwoRowsAndTheSecondNotice) {
  Monitor& m = started();
  link.status[kOffRebuild + entryIndex(1, 1)] = 1;  // two targets appear at once
  link.status[kOffRebuild + entryIndex(1, 3)] = 1;
  m.pollOnce();
  EXPECT_EQ(views.rows, (std::vector<std::string>{"Card 1 Primary Master|Diconnected|",
                                                  "Card 1 Secondary Master|Diconnected|"}));
  EXPECT_EQ(views.noticeLines[2], "( location : Card 1 Secondary Master)");
}

TEST_F(PollCycleTest, NodeImagesOnlyForMembersInTheTree) {
  Monitor& m = started();
  link.present(entryIndex(2, 2));  // a drive on no configured array
  link.status[kOffRebuild + entryIndex(2, 2)] = 1;
  m.pollOnce();
  EXPECT_TRUE(has(views.log, "row Card 2 Primary Slave|Diconnected|"));
  // The other drives re-show their nodes; nothing lands on a node for card 2.
  for (const auto& line : views.log) EXPECT_EQ(line.find("=-1"), std::string::npos) << line;
}

// The mirror is re-created on card 1 SM/SS and the configuration reloaded; a drive then
// arrives at the old PM position on a hot-plug channel. Its "pulled" image must not land
// on the node that now shows the SM drive.
TEST_F(PollCycleTest, NodeImagesOnlyOnThePositionsOwnNode) {
  Monitor& m = started();
  auto entry = [&](int e, std::uint8_t kind, std::uint8_t id, std::uint8_t member) {
    link.config[kCfgEntries + 3 * e] = kind;
    link.config[kCfgEntries + 3 * e + 1] = id;
    link.config[kCfgEntries + 3 * e + 2] = member;
  };
  entry(0, 0, 0, 0);
  entry(1, 0, 0, 0);
  entry(2, kKindRaid1, 0, 0);
  entry(3, kKindRaid1, 0, 1);
  link.present(0, false);
  link.present(1, false);
  link.present(3);
  m.reloadConfiguration();
  ASSERT_EQ(m.modeTree().nodes().size(), 3u);  // RAID1, SM, SS
  m.pollOnce();

  views.clear();
  link.status[hotPlugOffset(1, 1)] = 1;
  link.plug[kOffPioStatus + plugSlot(1, 1)] = 0x50;  // at PM, not yet listed
  link.present(0);
  m.pollOnce();
  m.pollOnce();
  std::vector<std::string> nodes;
  for (const auto& line : views.log) {
    if (line.rfind("node ", 0) == 0) nodes.push_back(line);
  }
  for (const auto& line : nodes) EXPECT_TRUE(line == "node 1=1" || line == "node 2=1") << line;
  EXPECT_FALSE(nodes.empty());
}

TEST_F(PollCycleTest, FailedConfigurationReadKeepsModelAndTree) {
  Monitor& m = started();
  link.config = {};  // whatever arrives now would be an empty controller
  link.failNext(test::LinkOp::ReadConfig);
  EXPECT_FALSE(m.reloadConfiguration());
  EXPECT_EQ(views.traces, std::vector<std::string>{"CTL_READ_CONFIG failed: configuration kept"});
  EXPECT_FALSE(has(views.log, "tree"));
  EXPECT_EQ(m.model().highestArray(), 1);
  EXPECT_EQ(m.model().array(0).kind, kKindRaid1);
  EXPECT_EQ(m.model().array(0).size, 0x10u);
  EXPECT_EQ(m.modeTree().nodes().size(), 5u);
  // The next reload reads again and takes what the controller sends.
  EXPECT_TRUE(m.reloadConfiguration());
  EXPECT_TRUE(m.modeTree().empty());
}

TEST_F(PollCycleTest, FailedReadStartsTheScanWaitWithItsProgress) {
  Monitor& m = started();
  link.failNext(test::LinkOp::ReadStatus);
  m.pollOnce();
  EXPECT_EQ(packet.unlocked().headerLength(), 0u);  // first 4 bytes cleared
  EXPECT_TRUE(m.state().ScanActive);
  EXPECT_EQ(m.state().ScanCounter, 0);
  views.clear();
  for (int i = 0; i < 5; ++i) m.pollOnce();
  EXPECT_EQ(views.progress, (std::vector<int>{2, 4, 6, 8, 11}));
  EXPECT_TRUE(has(views.log, "scan show Hard Disk Scaning......"));
  for (int i = 5; i < 46; ++i) m.pollOnce();
  EXPECT_EQ(m.state().ScanCounter, 46);
  EXPECT_EQ(views.progress.back(), 102);
  m.pollOnce();  // no rescan was requested: the wait ends without one
  EXPECT_TRUE(has(views.log, "scan caption Waiting...."));
  EXPECT_TRUE(has(views.log, "scan close"));
  EXPECT_EQ(link.rescans, 0);
  EXPECT_FALSE(m.state().ScanActive);
  EXPECT_EQ(m.state().ScanCounter, 0);

  // A later failed read shows the scan form again; this wait ends in a rescan.
  views.clear();
  link.failNext(test::LinkOp::ReadStatus);
  m.pollOnce();
  EXPECT_TRUE(m.state().ScanActive);
  MonitorTestAccess::state(m).RescanRequested = true;
  for (int i = 0; i < 46; ++i) m.pollOnce();
  EXPECT_TRUE(has(views.log, "scan show Hard Disk Scaning......"));
  EXPECT_EQ(link.rescans, 0);
  m.pollOnce();
  EXPECT_EQ(link.rescans, 1);
  EXPECT_FALSE(m.state().ScanActive);
  EXPECT_TRUE(m.state().HoldOff);
  for (int i = 0; i < 40; ++i) m.pollOnce();
  EXPECT_FALSE(m.state().HoldOff);
  EXPECT_EQ(m.state().HoldOffCounter, 40);
}

TEST_F(PollCycleTest, AControllerThatStopsAnsweringLosesNoDrive) {
  Monitor& m = started();
  const int statusReads = link.count(CTL_READ_STATUS);
  link.failAll();
  for (int i = 0; i < 120; ++i) m.pollOnce();
  // Every cycle still asks; the operator sees the scan wait, never a drive gone.
  EXPECT_EQ(link.count(CTL_READ_STATUS), statusReads + 120);
  EXPECT_TRUE(has(views.log, "scan show Hard Disk Scaning......"));
  EXPECT_TRUE(views.rows.empty());
  for (const auto& line : views.log) {
    EXPECT_EQ(line.rfind("hide", 0), std::string::npos) << line;
    EXPECT_EQ(line.rfind("event", 0), std::string::npos) << line;
  }
  // Once it answers again the wait ends, and still nothing is reported.
  views.clear();
  link.failNone();
  for (int i = 0; i < 60; ++i) m.pollOnce();
  EXPECT_TRUE(has(views.log, "scan close"));
  EXPECT_FALSE(m.state().ScanActive);
  EXPECT_TRUE(views.rows.empty());
}

TEST_F(PollCycleTest, FailedReadWithPlugChangeUsesTheAcceptedState) {
  Monitor& m = started();
  link.failNext(test::LinkOp::ReadStatus);
  link.plug[kOffPioStatus + plugSlot(1, 1)] = 0x33;
  m.pollOnce();
  // The present drives are re-shown from the snapshot; nothing is reported missing.
  EXPECT_TRUE(has(views.log, "load 1,1 s_Top_Green.gif"));
  for (const auto& line : views.log) {
    EXPECT_EQ(line.rfind("hide", 0), std::string::npos) << line;
    EXPECT_EQ(line.rfind("event", 0), std::string::npos) << line;
  }
}

TEST_F(PollCycleTest, HotPlugPullAndReinsert) {
  Monitor& m = started();
  link.status[hotPlugOffset(1, 1)] = 1;  // card 1 primary channel in hot-plug mode
  m.pollOnce();
  views.clear();
  // Pulled: plug state 5, missing from the presence tables.
  link.plug[kOffPioStatus + plugSlot(1, 2)] = 0x50;
  m.pollOnce();
  EXPECT_TRUE(has(views.log, "row Card 1 Primary Slave|Connected|"));
  EXPECT_TRUE(has(views.log, "load 1,2 s_Orange.gif"));
  EXPECT_EQ(m.state().HotPlugMarker[0], HotPlugMark::Pulled);
  EXPECT_TRUE(m.state().RescanRequested);
  EXPECT_TRUE(m.state().ScanActive);
  // Back and seen by both tables: configuration re-read, connected again.
  views.clear();
  link.plug[kOffExistTavrix + plugSlot(1, 2)] = 1;
  link.plug[kOffExistFilter + plugSlot(1, 2)] = 1;
  const int configReads = link.count(CTL_READ_CONFIG);
  m.pollOnce();
  EXPECT_EQ(link.count(CTL_READ_CONFIG), configReads + 1);
  EXPECT_TRUE(has(views.log, "row Card 1 Primary Slave|Connected|"));
  EXPECT_TRUE(has(views.log, "load 1,2 s_Top_Green.gif"));
  EXPECT_EQ(m.state().HotPlugMarker[0], HotPlugMark::Back);
}

// Card 1's primary channel in hot-plug mode with both drives listed; a plug query that
// does not go through must not read as "every drive gone".
TEST_F(PollCycleTest, FailedPlugQueryChangesNothing) {
  Monitor& m = started();
  link.status[hotPlugOffset(1, 1)] = 1;
  for (int pos : {1, 2}) {
    link.plug[kOffPioStatus + plugSlot(1, pos)] = 0x54;
    link.plug[kOffExistTavrix + plugSlot(1, pos)] = 1;
    link.plug[kOffExistFilter + plugSlot(1, pos)] = 1;
  }
  m.pollOnce();
  const PlugBlock copy = m.plugCopy();
  const auto panels = views.panels;
  views.clear();
  link.failNext(test::LinkOp::PlugBackup);
  m.pollOnce();
  EXPECT_EQ(m.plugCopy().bytes, copy.bytes);
  EXPECT_EQ(views.panels, panels);
  EXPECT_EQ(views.plugLabel, "FPlugBackup failed");
  EXPECT_TRUE(views.log.empty());
  EXPECT_TRUE(views.traces.empty());
  EXPECT_TRUE(views.timerEnabled);
  // The next query goes through and matches the copy: still nothing to do.
  m.pollOnce();
  EXPECT_EQ(views.plugLabel, "FPlugBackup");
  EXPECT_TRUE(views.log.empty());
}

// Card 1's secondary channel in hot-plug mode: the single drive at SM goes to plug state
// 10 while a second single drive at SS stays listed, then SM comes back listed in a plug
// state other than 5. Quiet cycles are quiet throughout, and SM shows as present again.
TEST_F(PollCycleTest, MarkerOfPlugState10EndsWhenTheDriveIsListedAgain) {
  defaultController();
  link.config[kCfgEntries + 3 * 3] = kKindSingle;  // SS: a second single drive
  link.config[kCfgEntries + 3 * 3 + 1] = 2;
  link.present(3);
  link.status[hotPlugOffset(1, 2)] = 1;
  for (int pos : {3, 4}) {
    link.plug[kOffPioStatus + plugSlot(1, pos)] = 0x04;
    link.plug[kOffExistTavrix + plugSlot(1, pos)] = 1;
    link.plug[kOffExistFilter + plugSlot(1, pos)] = 1;
  }
  Monitor& m = make();
  m.start();
  m.startMonitoring();
  m.pollOnce();
  EXPECT_TRUE(has(views.log, "load 1,3 s_Top_Green.gif"));
  EXPECT_TRUE(has(views.log, "load 1,4 s_Top_Green.gif"));

  auto changesIn = [&](int cycles) {
    views.clear();
    for (int i = 0; i < cycles; ++i) m.pollOnce();
    return std::count(views.traces.begin(), views.traces.end(), "EyeSetting");
  };
  link.plug[kOffPioStatus + plugSlot(1, 3)] = 0xA4;  // plug state 10, still listed
  EXPECT_EQ(changesIn(1), 1);
  EXPECT_TRUE(has(views.log, "hide 1,3"));
  EXPECT_TRUE(has(views.log, "row Card 1 Secondary Master|Diconnected|"));
  EXPECT_EQ(m.state().HotPlugMarker[1], HotPlugMark::State10);
  EXPECT_EQ(changesIn(10), 0);

  link.plug[kOffPioStatus + plugSlot(1, 3)] = 0x04;  // back, listed, plug state 0
  EXPECT_EQ(changesIn(1), 1);
  EXPECT_EQ(m.state().HotPlugMarker[1], HotPlugMark::None);
  EXPECT_TRUE(has(views.log, "load 1,3 s_Top_Green.gif"));
  EXPECT_EQ(changesIn(10), 0);
  for (const auto& t : views.traces) EXPECT_EQ(t.find("ExistFilter"), std::string::npos) << t;
}

TEST_F(PollCycleTest, PlugCheckIsSkippedOnThe9xFamily) {
  Monitor& m = started(kOsFamily9x);
  EXPECT_EQ(link.count(CTL_PLUG_BACKUP), 0);
  EXPECT_EQ(m.plugCheck(), 0);
  EXPECT_EQ(views.panels, (std::array<std::string, 8>{}));  // the scan form's panels stay empty
  link.status[hotPlugOffset(1, 1)] = 1;  // ignored on this path
  EXPECT_EQ(m.statusCheck(), kNoChange);
}

TEST_F(PollCycleTest, LoopTimeCommand) {
  Monitor& m = started();
  views.inputAnswers = {std::string("250"), std::string("abc"), std::nullopt, std::string(" -5"),
                        std::string("0"), std::string("1")};
  m.askLoopTime();
  EXPECT_EQ(m.state().LoopTime, 250);
  m.askLoopTime();
  EXPECT_EQ(m.state().LoopTime, 250);
  EXPECT_EQ(views.errors.back(), "'abc' is not a valid integer value");
  m.askLoopTime();
  EXPECT_EQ(m.state().LoopTime, 1000);  // cancelling returns the default text
  // A period below 1 ms is refused as a text that is not a number would be.
  m.askLoopTime();
  EXPECT_EQ(m.state().LoopTime, 1000);
  EXPECT_EQ(views.errors.back(), "' -5' is not a valid integer value");
  m.askLoopTime();
  EXPECT_EQ(m.state().LoopTime, 1000);
  EXPECT_EQ(views.errors.back(), "'0' is not a valid integer value");
  EXPECT_EQ(views.errors.size(), 3u);
  m.askLoopTime();
  EXPECT_EQ(m.state().LoopTime, 1);
}

// The 9x family loads the configuration twice at start-up; a file it may not write is
// reported once, as on the NT family.
TEST_F(PollCycleTest, ConfigurationWriteErrorIsShownOnceOnEitherFamily) {
  for (std::uint8_t family : {kOsFamilyNt, kOsFamily9x}) {
    SCOPED_TRACE(int(family));
    const auto ini = dir_ / "QZ133.ini";
    std::error_code ec;  // a read-only file cannot be removed everywhere: writable first
    std::filesystem::permissions(ini, std::filesystem::perms::owner_write, std::filesystem::perm_options::add, ec);
    std::filesystem::remove(ini);
    { std::ofstream(ini) << "[Rebuild]\r\nAuto Rebuild=0\r\n"; }
    std::filesystem::permissions(ini, std::filesystem::perms::owner_read);
    views.clear();
    defaultController();
    Monitor& m = make(family);
    m.start();
    // The name as the monitor makes it: its program directory (given with "/") and the file.
    EXPECT_EQ(views.errors, std::vector<std::string>{"Unable to write to " + dir_.string() + "/QZ133.ini"});
    EXPECT_FALSE(m.menu().checked(MenuItem::Auto_Rebuild_Option));
  }
}

// An unreadable file is reported and keeps automatic rebuild off from the first showing.
TEST_F(PollCycleTest, UnreadableConfigurationKeepsAutomaticRebuildOff) {
  std::filesystem::create_directory(dir_ / "QZ133.ini");
  defaultController();
  Monitor& m = make();
  m.start();
  EXPECT_EQ(views.errors, std::vector<std::string>{"Unable to read " + dir_.string() + "/QZ133.ini"});
  m.startMonitoring();
  EXPECT_FALSE(m.menu().checked(MenuItem::Auto_Rebuild_Option));
  EXPECT_TRUE(m.state().AutoRebuildOff);
}

TEST_F(PollCycleTest, AutoRebuildToggleWritesTheSecondFileOnly) {
  Monitor& m = started();
  m.toggleAutoRebuildOption();
  EXPECT_FALSE(m.menu().checked(MenuItem::Auto_Rebuild_Option));
  EXPECT_TRUE(m.state().AutoRebuildOff);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "Tavrix.ini"));
  m.toggleAutoRebuildOption();
  EXPECT_TRUE(m.menu().checked(MenuItem::Auto_Rebuild_Option));
  EXPECT_FALSE(m.state().AutoRebuildOff);
}

}  // namespace
}  // namespace raidmon
