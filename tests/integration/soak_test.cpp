// A long run: 100,000 poll cycles against a controller whose drive is pulled and put
// back every few cycles. Nothing may crash or grow, and every change must be seen.
#include <gtest/gtest.h>

#include <malloc.h>

#include "emulator/controller.h"
#include "emulator/emulated_nt_storage.h"
#include "emulator/scenario_parser.h"
#include "link/direct_port_link.h"
#include "monitor/monitor.h"

namespace raidmon {
namespace {

// Views that only count what they are asked to do.
struct CountingViews final : IndicatorSink, NoticeView, EventGridView, DebugView {
  long hides = 0, loads = 0, plays = 0, notices = 0, rows = 0, traces = 0;
  long flapHides = 0, flapLoads = 0;  // card 1 Primary Slave, the flapping drive
  void loadAnimation(int c, int p, const std::string&) override {
    ++loads;
    flapLoads += c == 1 && p == 2;
  }
  void hideIndicator(int c, int p) override {
    ++hides;
    flapHides += c == 1 && p == 2;
  }
  void showAndPlay(int, int) override { ++plays; }
  void setNoticeLine(int, std::string_view) override {}
  void setNoticeOkVisible(bool) override {}
  void showNotice() override { ++notices; }
  void closeNotice() override {}
  void addEventRow(std::string_view, std::string_view, std::string_view) override { ++rows; }
  void addTrace(std::string_view) override { ++traces; }
  void setPlugLabel(std::string_view) override {}
  void fillDebugGrid() override {}
};

std::size_t heapInUse() { return mallinfo2().uordblks; }

TEST(SoakTest, HundredThousandCyclesWithAFlappingDrive) {
  emu::Controller controller(emu::parseScenario(emu::defaultScenarioText()).value());
  emu::EmulatedNtStorage storage(controller);
  DirectPortLink link(storage);
  SharedPacket packet;
  Monitor monitor(link, packet, kOsFamilyNt, "/proc/self/raidmon-soak/");
  CountingViews views;
  MonitorViews v;
  v.indicators = &views;
  v.notice = &views;
  v.grid = &views;
  v.debug = &views;
  monitor.setViews(v);
  monitor.start();
  monitor.startMonitoring();
  monitor.pollOnce();

  constexpr int kCycles = 100000;
  constexpr int kFlapEvery = 5;
  std::size_t heapAfterWarmUp = 0;
  long pulls = 0, inserts = 0;
  const long hidesBefore = views.flapHides, loadsBefore = views.flapLoads, rowsBefore = views.rows;
  for (int cycle = 1; cycle <= kCycles; ++cycle) {
    if (cycle % kFlapEvery == 0) {
      if (controller.isInserted(1, 2)) {
        controller.pull(1, 2);
        ++pulls;
      } else {
        controller.insert(1, 2);
        ++inserts;
      }
    }
    monitor.pollOnce();
    if (cycle == 1000) heapAfterWarmUp = heapInUse();
  }
  // Every pull hid the drive once and every return showed it again; no other drive was
  // hidden, no notice was raised and the event grid gained nothing.
  EXPECT_EQ(views.flapHides - hidesBefore, pulls);
  EXPECT_EQ(views.flapLoads - loadsBefore, inserts);
  // The empty card 1 Secondary Slave and the eight places of the absent cards 3 and 4,
  // once each.
  EXPECT_EQ(views.hides - views.flapHides, 9);
  EXPECT_EQ(views.notices, 0);
  EXPECT_EQ(views.rows - rowsBefore, 0);
  EXPECT_EQ(monitor.state().RebuildState, RebuildState::Idle);
  // The heap does not grow with the cycles (a few KiB of allocator noise at most).
  EXPECT_LT(heapInUse(), heapAfterWarmUp + 64 * 1024);
}

}  // namespace
}  // namespace raidmon
