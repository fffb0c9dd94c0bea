// Choosing the pair, the size, and the automatic start on the rebuild page.
#include <gtest/gtest.h>

#include "rebuild_fixture.h"

namespace raidmon {
namespace {

using test::LinkKind;
using test::RebuildRig;
using test::mirrorScenario;

bool logged(const test::RecordingViews& v, const std::string& line) {
  return std::find(v.log.begin(), v.log.end(), line) != v.log.end();
}

TEST(RebuildControlTest, PartnerSlotsAndLayouts) {
  RebuildRig rig(LinkKind::Direct, mirrorScenario(1000));
  EXPECT_EQ(rig.page.prompt, "Select Source HDD from list on left side");
  EXPECT_EQ(rig.page.tops, (std::array<int, 4>{64, 62, 103, 102}));
  EXPECT_FALSE(rig.page.startVisible);

  rig.select(0, 0);  // RAID1: slot 0 pairs with slot 1
  EXPECT_EQ(rig.control->target.position, 2);
  EXPECT_EQ(rig.page.source.substr(0, 9), " SRC DISK");
  EXPECT_EQ(rig.page.tops, (std::array<int, 4>{29, 27, 68, 67}));
  EXPECT_TRUE(rig.page.startVisible);
  EXPECT_FALSE(rig.page.promptVisible);
  rig.select(0, 1);
  EXPECT_EQ(rig.control->target.position, 1);

  rig.select(2, 3);  // RAID 0+1 of four: slot 3 pairs with slot 1
  EXPECT_EQ(rig.control->source.card, 2);
  EXPECT_EQ(rig.control->source.position, 4);
  EXPECT_EQ(rig.control->target.position, 2);
  rig.select(2, 0);
  EXPECT_EQ(rig.control->target.position, 3);

  // The array node itself changes nothing; a JBOD drive is refused.
  const auto before = rig.page.source;
  const ArrayRecord& mirror = rig.monitor->model().array(0);
  rig.control->selectSource(mirror.arrayNodeIndex, mirror.arrayNodeIndex, "RAID1", 0);
  EXPECT_EQ(rig.page.source, before);
  rig.select(1, 0);
  EXPECT_TRUE(logged(rig.views, "message only raid1 or raid 0+1 hdd select"));
  EXPECT_EQ(rig.page.source, before);
}

TEST(RebuildControlTest, EightDriveMirrorPairs) {
  std::string s = "port 1 driver \\Device\\tavrixRX0\n";
  for (int c = 1; c <= 2; ++c)
    for (int p = 1; p <= 4; ++p) s += "drive " + std::to_string(c) + "." + std::to_string(p) + " model \"D\" sectors 100\n";
  s += "array 6 0 1.1 1.2 1.3 1.4 2.1 2.2 2.3 2.4\ncapacity 100\n";
  RebuildRig rig(LinkKind::Direct, s);
  rig.select(0, 5);
  EXPECT_EQ(rig.control->target.card, 1);
  EXPECT_EQ(rig.control->target.position, 2);
  rig.select(0, 2);
  EXPECT_EQ(rig.control->target.card, 2);
  EXPECT_EQ(rig.control->target.position, 3);
}

TEST(RebuildControlTest, SizeOverride) {
  struct Case {
    bool checked;
    std::int64_t override;
    std::uint64_t expected;
  };
  for (const Case c : {Case{true, 9999, 1000}, Case{true, 10000, 10000}, Case{true, -20000, 1000},
                       Case{false, 50000, 1000}}) {
    RebuildRig rig(LinkKind::Direct, mirrorScenario(1000));
    if (c.checked) rig.control->toggleRebuildSize();
    EXPECT_EQ(rig.monitor->menu().item(MenuItem::RebuildSizeValue1).visible, c.checked);
    rig.monitor->setRebuildSizeOverride(c.override);
    rig.select(0, 0);
    rig.control->startRebuild();
    EXPECT_EQ(rig.control->worker()->size(), c.expected);
    ASSERT_TRUE(rig.waitForState(RebuildState::Completed));
  }
}

TEST(RebuildControlTest, SizeValueCommand) {
  RebuildRig rig(LinkKind::Direct, mirrorScenario(1000));
  rig.views.inputAnswers = {std::string("-5"), std::string("12x"), std::nullopt};
  rig.control->askRebuildSize();
  EXPECT_EQ(rig.monitor->rebuildSizeOverride(), -5);
  rig.control->askRebuildSize();
  EXPECT_EQ(rig.monitor->rebuildSizeOverride(), -5);
  EXPECT_EQ(rig.views.errors.back(), "'12x' is not a valid integer value");
  rig.control->askRebuildSize();
  EXPECT_EQ(rig.monitor->rebuildSizeOverride(), 10000);
  rig.control->toggleRebuildSize();
  rig.control->toggleRebuildSize();
  EXPECT_FALSE(rig.monitor->menu().checked(MenuItem::RebuildSizeCheck1));
  EXPECT_FALSE(rig.monitor->menu().item(MenuItem::RebuildSizeCheck1).visible);
}

TEST(RebuildControlTest, AutomaticRebuildFromTheControllersFlags) {
  // The controller flags 1.2 as target; two sources, the lower card and position wins.
  RebuildRig rig(LinkKind::Direct,
                 mirrorScenario(2000, "at 4 rebuild 1.2 from 1.1\nat 4 status-byte 54 1\nat 5 rebuild-time 1\n"));
  rig.monitor->pollOnce();  // tick 3: nothing
  rig.monitor->pollOnce();  // tick 4: target appears, reported disconnected
  EXPECT_TRUE(logged(rig.views, "notice A Hard Disk has been disconnected from|RAID controller !|( location : Card 1 Primary Slave)"));
  rig.monitor->pollOnce();  // tick 5: the rebuild starts, handed over at the end
  EXPECT_TRUE(logged(rig.views, "page 2"));
  EXPECT_TRUE(logged(rig.views, "box Press OK to start REBUILD"));
  EXPECT_EQ(rig.control->source.card, 1);
  EXPECT_EQ(rig.control->source.position, 1);
  EXPECT_EQ(rig.control->target.position, 2);
  EXPECT_EQ(rig.page.target.substr(0, 8), "TGT DISK");  // no leading blank here
  ASSERT_TRUE(rig.waitForState(RebuildState::Completed));
  EXPECT_TRUE(rig.controller->rangeEqual(1, 1, 1, 2, 0, 2000));
  EXPECT_EQ(rig.views.rows.back(), "Card1 S:PM Card1 T:PS|Rebuild End|");
}

TEST(RebuildControlTest, AutomaticRebuildOfAnEmptySizeKeepsPolling) {
  RebuildRig rig(LinkKind::Direct, mirrorScenario(0, "at 4 rebuild 1.2 from 1.1\n"));
  rig.views.timerEnabled = false;
  rig.control->startAutoRebuild();
  EXPECT_TRUE(logged(rig.views, "box Rebuild Size Zero"));
  EXPECT_TRUE(rig.views.timerEnabled);
  EXPECT_EQ(rig.control->worker(), nullptr);
  EXPECT_EQ(rig.monitor->state().RebuildState, RebuildState::Idle);
}

TEST(RebuildControlTest, DeclinedStartSendsNothing) {
  RebuildRig rig(LinkKind::Direct, mirrorScenario(1000));
  rig.select(0, 0);
  rig.views.confirmAnswers = {false};
  rig.control->startRebuild();
  EXPECT_EQ(rig.controller->requestCount(CTL_REBUILD_BEGIN), 0u);
  EXPECT_TRUE(rig.control->RebuildIdle);
}

TEST(RebuildControlTest, ASelectionDuringARunLeavesTheRunningPairAlone) {
  RebuildRig rig(LinkKind::Direct, mirrorScenario(100000, "transfer-time 1000\n"));
  rig.select(0, 0);
  rig.control->startRebuild();
  ASSERT_EQ(rig.monitor->state().RebuildState, RebuildState::Running);
  const auto pair = std::make_pair(rig.control->source, rig.control->target);
  const std::string source = rig.page.source, target = rig.page.target;
  rig.select(2, 3);  // another mirror
  rig.select(0, 1);  // the same mirror the other way round
  rig.select(1, 0);  // a drive with no partner
  EXPECT_EQ(std::make_pair(rig.control->source, rig.control->target), pair);
  EXPECT_EQ(rig.page.source, source);
  EXPECT_EQ(rig.page.target, target);
  EXPECT_TRUE(rig.page.startVisible);  // CANCEL stays
  EXPECT_EQ(rig.page.caption, "CANCEL [&C]");
  EXPECT_FALSE(logged(rig.views, "message only raid1 or raid 0+1 hdd select"));
  // The cancel names the pair that runs and marks its target.
  rig.control->cancelRebuild();
  ASSERT_TRUE(rig.waitForState(RebuildState::Cancelled));
  EXPECT_EQ(rig.views.rows.back(), "Card1 S:PM Card1 T:PS|Rebuild Cancel|");
  EXPECT_EQ(rig.monitor->snapshot().source(entryIndex(1, 2)), 1);
}

TEST(RebuildControlTest, NoRebuildStartsWhileAFlashUpdateRuns) {
  RebuildRig rig(LinkKind::Direct, mirrorScenario(1000));
  rig.monitor->setFlashUpdateRunning(true);
  rig.views.timerEnabled = false;  // the flash update stopped polling
  rig.select(0, 0);
  rig.control->startRebuild();
  EXPECT_EQ(rig.views.errors.back(), "A flash ROM update is running: start the rebuild after it has ended");
  // The controller flags a pair meanwhile; the automatic start waits for the update.
  emu::Event flags;
  flags.kind = emu::EventKind::RebuildFlags;
  flags.card = 1;
  flags.position = 2;
  flags.card2 = 1;
  flags.position2 = 1;
  rig.controller->applyEvent(flags);
  emu::Event time;
  time.kind = emu::EventKind::RebuildTime;
  time.value = 1;
  rig.controller->applyEvent(time);
  rig.control->startAutoRebuild();
  EXPECT_EQ(rig.controller->requestCount(CTL_REBUILD_BEGIN), 0u);
  EXPECT_EQ(rig.control->worker(), nullptr);
  EXPECT_EQ(rig.monitor->state().RebuildState, RebuildState::Idle);
  EXPECT_FALSE(rig.views.timerEnabled);  // the update restarts polling when it ends
  // Once the update has ended, the first cycle starts the deferred automatic rebuild.
  rig.monitor->setFlashUpdateRunning(false);
  rig.monitor->pollOnce();
  EXPECT_EQ(rig.controller->requestCount(CTL_REBUILD_BEGIN), 1u);
  ASSERT_TRUE(rig.waitForState(RebuildState::Completed));
  EXPECT_TRUE(rig.controller->rangeEqual(1, 1, 1, 2, 0, 1000));
}

}  // namespace
}  // namespace raidmon
