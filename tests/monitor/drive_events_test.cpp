#include "monitor/drive_events.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "monitor/monitor.h"
#include "support/fake_link.h"
#include "support/recording_views.h"
#include "support/monitor_test_access.h"

namespace raidmon {
namespace {

using test::FakeLink;
using test::RecordingViews;

TEST(DriveEventsTest, NoticeLinesAndRowPerCode) {
  RecordingViews v;
  DriveEvents events(v, v);
  events.RaiseDriveEvent(1, 1, DriveEvent::Connected);
  EXPECT_EQ(v.log.back(),
            "notice A Hard Disk has been connected to|RAID controller !|( location : Card 1 Primary Master)");
  events.RaiseDriveEvent(1, 3, DriveEvent::Disconnected);
  EXPECT_EQ(v.log.back(),
            "notice A Hard Disk has been disconnected from|RAID controller !|( location : Card 1 Secondary Master)");
  events.RaiseDriveEvent(4, 4, DriveEvent::PlugError);
  EXPECT_EQ(v.rows, (std::vector<std::string>{"Card 1 Primary Master|Connected|",
                                              "Card 1 Secondary Master|Diconnected|",
                                              "Card 4 Secondary Slave|51 ERROR |"}));
  EXPECT_EQ(v.noticeLines[0], "Hard Disk Error ( OFF -> ON )");
}

TEST(DriveEventsTest, OutOfRangeValuesLeaveTheirLinesButAddTheRow) {
  RecordingViews v;
  DriveEvents events(v, v);
  events.RaiseDriveEvent(2, 2, DriveEvent::Connected);
  events.RaiseDriveEvent(5, 0, static_cast<DriveEvent>(9));  // no such event
  EXPECT_EQ(v.noticeLines[0], "A Hard Disk has been connected to");
  EXPECT_EQ(v.noticeLines[2], "( location : Card 2 Primary Slave)");
  ASSERT_EQ(v.rows.size(), 2u);
  EXPECT_EQ(v.rows[1], "||");
}

TEST(DriveEventsTest, ConnectionLogOnlyForPresentDrivesWhoseSumChanged) {
  RecordingViews v;
  DriveEvents events(v, v);
  StatusBlock latest;
  DisplayTables t;
  std::array<std::uint32_t, kEntries> sums{}, previous{};
  // Position 0: present, sum changed, I_Here set -> Connected.
  latest.setIsHere(0, 1);
  t.I_Here[0] = 1;
  sums[0] = 1;
  // Position 1: hot and I_Hot -> Diconnected.
  latest.setIsHere(1, 1);
  latest.setHot(1, 1);
  t.I_Hot[1] = 1;
  sums[1] = 1;
  // Position 2: sum changed but not present in the status -> nothing.
  t.I_Here[2] = 1;
  sums[2] = 1;
  // Position 5 (card 2 PS): rebuild flag with I_Rebuild -> Connected.
  latest.setIsHere(5, 1);
  latest.setRebuild(5, 1);
  t.I_Rebuild[5] = 1;
  sums[5] = 3;
  previous[5] = 1;
  // Position 6: present, unchanged sum -> nothing.
  latest.setIsHere(6, 1);
  t.I_Here[6] = 1;
  events.LogConnectionChanges(latest, t, sums, previous);
  EXPECT_EQ(v.rows, (std::vector<std::string>{"Card 1 Primary Master|Connected|",
                                              "Card 1 Primary Slave|Diconnected|",
                                              "Card 2 Primary Slave|Connected|"}));
  EXPECT_TRUE(v.log.size() == 3u);  // no notice
}

class PlugCheckTest : public ::testing::Test {
 protected:
  PlugCheckTest() {
    link.present(0);
    monitor.setViews(views.all());
    monitor.start();
  }
  FakeLink link;
  SharedPacket packet;
  RecordingViews views;
  Monitor monitor{link, packet, kOsFamilyNt, "/proc/self/raidmon-test/"};
};

TEST_F(PlugCheckTest, CardsThreeAndFourAreComparedLikeCardsOneAndTwo) {
  link.plug[kOffPioStatus + plugSlot(3, 2)] = 0x50;
  EXPECT_EQ(monitor.plugCheck(), 1);
  EXPECT_EQ(views.traces.back(), "DEVICE_IO_TRUE->PioStatus");
  EXPECT_EQ(monitor.plugCopy().PioStatus(3, 2), 0x50);
  EXPECT_EQ(monitor.plugCheck(), 0);
  link.plug[kOffExistFilter + plugSlot(4, 4)] = 1;
  EXPECT_EQ(monitor.plugCheck(), 1);
  EXPECT_EQ(views.traces.back(), "DEVICE_IO_TRUE->ExistFilter");
  EXPECT_EQ(monitor.plugCopy().existFilter(4, 4), 1);
  EXPECT_EQ(monitor.plugCheck(), 0);
}

TEST_F(PlugCheckTest, MarkerRuleReportsAChangeWithNoByteDiffering) {
  link.plug[kOffExistTavrix + plugSlot(1, 3)] = 1;
  link.plug[kOffExistFilter + plugSlot(1, 3)] = 1;
  EXPECT_EQ(monitor.plugCheck(), 1);
  EXPECT_EQ(monitor.plugCheck(), 0);
  MonitorTestAccess::state(monitor).HotPlugMarker[1] = HotPlugMark::State10;  // card 1, channel 2
  MonitorTestAccess::state(monitor).HotPlugMarkerPosition[1] = 3;        // set by the Secondary Master
  EXPECT_EQ(monitor.plugCheck(), 1);
  EXPECT_EQ(views.traces.back(), "DEVICE_IO_TRUE->A0 ExistFilter");
  MonitorTestAccess::state(monitor).HotPlugMarker[1] = HotPlugMark::State11;
  EXPECT_EQ(monitor.plugCheck(), 1);
  EXPECT_EQ(views.traces.back(), "DEVICE_IO_TRUE->B0 ExistFilter");
  // Only the drive that set the marker counts, and only once it has left state 10/11.
  MonitorTestAccess::state(monitor).HotPlugMarkerPosition[1] = 4;
  EXPECT_EQ(monitor.plugCheck(), 0);
  MonitorTestAccess::state(monitor).HotPlugMarkerPosition[1] = 3;
  link.plug[kOffPioStatus + plugSlot(1, 3)] = 0xB4;
  EXPECT_EQ(monitor.plugCheck(), 1);  // the PioStatus byte itself
  EXPECT_EQ(views.traces.back(), "DEVICE_IO_TRUE->PioStatus");
  EXPECT_EQ(monitor.plugCheck(), 0);
}

TEST_F(PlugCheckTest, PanelTextsInUpperCaseHex) {
  link.plug[kOffPioStatus + plugSlot(1, 3)] = 0x5A;
  link.plug[kOffTavrixATA] = 0x1;
  link.plug[kOffCountPdo] = 0xAB;
  link.plug[kOffChildPdo + 4] = 0x12;
  link.plug[kOffChildPdo + 5] = 0x01;  // the second value is 0x0112
  monitor.plugCheck();
  EXPECT_EQ(views.panels[1], "[00][00][5A][00][00][00][00][00]");
  EXPECT_EQ(views.panels[4], "01");
  EXPECT_EQ(views.panels[5], "[00][112][00][00][00][00][00][00][00][00]");
  EXPECT_EQ(views.panels[7], "AB");
}

TEST_F(PlugCheckTest, RescanNowStartsTheQuietPeriod) {
  MonitorTestAccess::state(monitor).ScanActive = true;
  MonitorTestAccess::state(monitor).RescanRequested = true;
  MonitorTestAccess::state(monitor).ScanCounter = 12;
  monitor.rescanNow();
  EXPECT_EQ(link.rescans, 1);
  EXPECT_TRUE(monitor.state().HoldOff);
  EXPECT_FALSE(MonitorTestAccess::state(monitor).ScanActive);
  EXPECT_FALSE(MonitorTestAccess::state(monitor).RescanRequested);
  EXPECT_EQ(MonitorTestAccess::state(monitor).ScanCounter, 0);
  EXPECT_EQ(views.progress.back(), 0);
  EXPECT_EQ(views.log.back(), "scan close");
}

}  // namespace
}  // namespace raidmon
