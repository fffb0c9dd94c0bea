// The rebuild walk on the emulated controller through both links: every sector of
// the range copied exactly once, the end steps, cancellation and failed transfers.
#include <gtest/gtest.h>

#include <atomic>

#include "rebuild/rebuild_progress.h"
#include "rebuild_fixture.h"
#include "support/monitor_test_access.h"

namespace raidmon {
namespace {

using test::LinkKind;
using test::RebuildRig;
using test::mirrorScenario;

class RebuildWalkTest : public ::testing::TestWithParam<LinkKind> {};

bool logged(const test::RecordingViews& v, const std::string& line) {
  return std::find(v.log.begin(), v.log.end(), line) != v.log.end();
}

TEST_P(RebuildWalkTest, EveryRangeIsCopiedWholeThenEnded) {
  for (std::uint32_t size : {1000000u, 10000u, 640u, 300u, 513u}) {
    SCOPED_TRACE(size);
    RebuildRig rig(GetParam(), mirrorScenario(size));
    rig.select(0, 0);
    EXPECT_EQ(rig.page.target, " TGT DISK" + std::string(32, ' '));
    EXPECT_EQ(rig.page.caption, "START [&S]");
    rig.controller->clearRequestLog();
    rig.control->startRebuild();
    EXPECT_EQ(rig.monitor->state().RebuildState, RebuildState::Running);
    EXPECT_EQ(rig.page.caption, "CANCEL [&C]");
    EXPECT_FALSE(rig.views.timerEnabled);
    ASSERT_TRUE(rig.waitForState(RebuildState::Completed));

    const std::uint64_t chunks = (size + 127) / 128;
    EXPECT_EQ(rig.controller->requestCount(CTL_TRANSFER), chunks);
    EXPECT_EQ(rig.controller->requestCount(CTL_REBUILD_END), 1u);
    EXPECT_TRUE(rig.controller->rangeEqual(1, 1, 1, 2, 0, size));
    EXPECT_FALSE(rig.controller->rangeEqual(1, 1, 1, 2, size, 128));  // nothing past the range
    if (chunks < 4000) {
      // The chunk list: 128 sectors from 0 upward, the last one partial.
      std::uint32_t expect = 0;
      for (const auto& r : rig.controller->requestLog()) {
        if (r.code != CTL_TRANSFER) continue;
        EXPECT_EQ(loadLe32(r.data.data() + 4), expect);
        const std::uint16_t count = loadLe16(r.data.data() + 8);
        EXPECT_EQ(count, std::min<std::uint32_t>(128, size - expect));
        EXPECT_EQ(r.data[0], 0);  // source card index
        EXPECT_EQ(r.data[1], 0);  // source position index
        EXPECT_EQ(r.data[3], 1);  // target position index
        expect += count;
      }
      EXPECT_EQ(expect, size);
    }
    // The end steps, in the operator's terms.
    EXPECT_EQ(rig.page.statusTexts.back(), rebuildProgressText(size, size));
    EXPECT_EQ(rig.page.status, "");
    EXPECT_EQ(rig.page.progress, 0);
    EXPECT_TRUE(rig.control->RebuildIdle);
    EXPECT_TRUE(rig.views.timerEnabled);
    EXPECT_EQ(rig.views.rows.back(), "Card1 S:PM Card1 T:PS|Rebuild End|");
    for (int e = 0; e < kEntries; ++e) EXPECT_EQ(rig.monitor->snapshot().rebuild(e), 1);
    // The next cycle sees the change and announces the outcome.
    rig.monitor->pollOnce();
    EXPECT_TRUE(logged(rig.views, "notice |Rebuild Process Complete!|"));
    EXPECT_EQ(rig.monitor->state().RebuildState, RebuildState::Idle);
    EXPECT_EQ(rig.page.prompt, "Select Source HDD from left-side list");
  }
}

TEST_P(RebuildWalkTest, CancelDuringATransferStopsAfterThatChunk) {
  RebuildRig rig(GetParam(), mirrorScenario(100000));
  std::atomic<int> transfers{0};
  std::atomic<bool> inside{false};
  rig.controller->setStallHook([&](std::uint32_t code) {
    if (code != CTL_TRANSFER || ++transfers != 20) return;
    inside = true;  // the cancel is clicked while this chunk is in flight
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  });
  rig.select(0, 1);  // from the slave onto the master this time
  rig.control->startRebuild();
  while (!inside) std::this_thread::yield();
  rig.control->cancelRebuild();  // its status read waits for the chunk's exchange
  EXPECT_TRUE(logged(rig.views, "box Are you sure to finish rebuilding ? "));
  ASSERT_TRUE(rig.waitForState(RebuildState::Cancelled));
  EXPECT_EQ(transfers.load(), 20);
  EXPECT_EQ(rig.controller->requestCount(CTL_REBUILD_END), 0u);
  EXPECT_EQ(rig.page.source, " None");
  EXPECT_EQ(rig.page.target, " None");
  EXPECT_EQ(rig.page.progress, 0);
  EXPECT_TRUE(rig.views.timerEnabled);
  EXPECT_EQ(rig.views.rows.back(), "Card1 S:PS Card1 T:PM|Rebuild Cancel|");
  // The target's snapshot source byte makes the next poll see a change.
  EXPECT_EQ(rig.monitor->snapshot().source(entryIndex(1, 1)), 1);
  rig.monitor->pollOnce();
  EXPECT_TRUE(logged(rig.views, "notice |Rebuild Process Cancel!|"));
}

TEST_P(RebuildWalkTest, AChunkFailingFiveTimesFailsTheRebuildOnce) {
  RebuildRig rig(GetParam(), mirrorScenario(10000, "fail-transfer 5 at 1024\n"));
  rig.select(0, 0);
  rig.control->startRebuild();
  ASSERT_TRUE(rig.waitForState(RebuildState::Failed));
  // Chunks 0..7 went through, the ninth was tried five times, nothing after it.
  EXPECT_EQ(rig.controller->requestCount(CTL_TRANSFER), 8u + 5u);
  EXPECT_EQ(std::count(rig.views.log.begin(), rig.views.log.end(), "box TAVRIX DMA Failed!"), 1);
  EXPECT_EQ(rig.controller->requestCount(CTL_REBUILD_END), 0u);
  EXPECT_TRUE(rig.page.startEnabled);
  EXPECT_EQ(rig.page.caption, "CANCEL [&C]");  // leads the operator through the cancel
  for (const auto& row : rig.views.rows) EXPECT_EQ(row.find("Rebuild End"), std::string::npos);
  MonitorTestAccess::snapshot(*rig.monitor).setRunRTime(99);  // any change lets the next cycle report
  rig.monitor->pollOnce();
  EXPECT_TRUE(logged(rig.views, "notice |Rebuild Process Fail!|"));
  EXPECT_FALSE(logged(rig.views, "notice |Rebuild Process Complete!|"));
}

TEST_P(RebuildWalkTest, FourFailuresThenSuccessCompletes) {
  RebuildRig rig(GetParam(), mirrorScenario(1000, "fail-transfer 4 at 512\n"));
  rig.select(0, 0);
  rig.control->startRebuild();
  ASSERT_TRUE(rig.waitForState(RebuildState::Completed));
  EXPECT_EQ(rig.controller->requestCount(CTL_TRANSFER), 8u + 4u);
  EXPECT_TRUE(rig.controller->rangeEqual(1, 1, 1, 2, 0, 1000));
}

TEST_P(RebuildWalkTest, RefusedBeginResetsAndReportsACancel) {
  RebuildRig rig(GetParam(), mirrorScenario(1000, "refuse-rebuild 1 code 2\n"));
  rig.select(0, 0);
  rig.views.timerEnabled = false;
  rig.control->startRebuild();
  EXPECT_TRUE(logged(rig.views, "box Reset Failed!!!"));
  EXPECT_EQ(rig.monitor->state().RebuildState, RebuildState::Cancelled);
  EXPECT_TRUE(rig.views.timerEnabled);
  EXPECT_EQ(rig.views.timerInterval, 1000);
  EXPECT_EQ(rig.control->worker(), nullptr);
  EXPECT_EQ(rig.controller->requestCount(CTL_TRANSFER), 0u);
}

INSTANTIATE_TEST_SUITE_P(BothLinks, RebuildWalkTest, ::testing::Values(LinkKind::Direct, LinkKind::Bridge),
                         [](const auto& info) { return info.param == LinkKind::Direct ? "Direct" : "Bridge"; });

TEST(RebuildProgressTest, TextAndPercentage) {
  EXPECT_EQ(rebuildProgressText(1024 * 2048, 38162ULL * 2048), "  Total : 38162  /  1024   MB     2 %");
  EXPECT_EQ(rebuildProgressText(999424, 1000000), "  Total : 488  /  488   MB     100 %");
  EXPECT_EQ(rebuildPercent(0, 300), 0);
  EXPECT_EQ(rebuildPercent(256, 300), 85);
  EXPECT_EQ(rebuildPercent(300, 300), 100);
  EXPECT_EQ(rebuildPercent(0, 0), 100);
}

}  // namespace
}  // namespace raidmon
