// The rebuild's rate and time left: the ten-second window on an injected clock, the
// line under the progress text, the outcome's alert and summary, and the rate against
// the pace an emulated controller's transfer time sets.
#include "rebuild/rebuild_rate.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "rebuild_fixture.h"
#include "tests/support/monitor_test_access.h"

namespace raidmon {
namespace {

using namespace std::chrono_literals;
using test::LinkKind;
using test::RebuildRig;
using test::mirrorScenario;

struct RecordingAlerts final : AlertSink {
  std::vector<AlertFacts> raised;
  std::vector<std::string> recorded;
  void raise(const AlertFacts& f) override { raised.push_back(f); }
  void record(std::string_view kind, const std::vector<std::string_view>& fields) override {
    std::string line(kind);
    for (auto f : fields) line += "|" + std::string(f);
    recorded.push_back(line);
  }
};

struct FakeClock {
  std::chrono::steady_clock::time_point now{};
  RebuildRate::Clock clock() {
    return [this] { return now; };
  }
};

constexpr std::uint64_t kMB = 2048;  // sectors

TEST(RebuildRateTest, AveragesTheLastTenSecondsAndTheTimeLeftFalls) {
  FakeClock t;
  RebuildRate rate(t.clock());
  rate.start(DrivePosition{1, 2});
  const std::uint64_t size = 1000 * kMB;
  rate.progress(0, size);
  EXPECT_EQ(rate.line(), "");  // one report gives no rate yet
  // 20 s at 10 MB/s, reported every half second.
  std::uint64_t at = 0;
  for (int i = 0; i < 40; ++i) {
    t.now += 500ms;
    at += 5 * kMB;
    rate.progress(at, size);
  }
  ASSERT_TRUE(rate.rate());
  EXPECT_DOUBLE_EQ(*rate.rate(), 10.0);
  EXPECT_EQ(rate.line(), "10.0 MB/s, 0:01:20 left");  // 800 MB at 10 MB/s
  // Then 5 MB/s: after ten seconds the window holds the new pace alone.
  std::vector<std::chrono::seconds> left;
  for (int i = 0; i < 20; ++i) {
    t.now += 500ms;
    at += 5 * kMB / 2;
    rate.progress(at, size);
    left.push_back(*rate.timeLeft());
  }
  EXPECT_DOUBLE_EQ(*rate.rate(), 5.0);
  EXPECT_EQ(rate.line(), "5.0 MB/s, 0:02:30 left");  // 750 MB at 5 MB/s
  // While the pace halves the time left rises; afterwards it falls steadily.
  for (int i = 0; i < 20; ++i) {
    t.now += 1s;
    at += 5 * kMB;
    rate.progress(at, size);
    const auto now = *rate.timeLeft();
    EXPECT_LT(now, left.back());
    left.push_back(now);
  }
  rate.progress(size, size);
  EXPECT_EQ(*rate.timeLeft(), 0s);
  EXPECT_EQ(clockText(3h + 4min + 5s), "3:04:05");
  EXPECT_EQ(clockText(100h), "100:00:00");
}

TEST(RebuildRateTest, TheOutcomeIsRaisedWithTheTargetAndItsDurationAndRateRecordedOnce) {
  FakeClock t;
  RebuildRate rate(t.clock());
  RecordingAlerts alerts;
  rate.start(DrivePosition{2, 4});  // card 2, Secondary Slave
  rate.progress(0, 600 * kMB);
  t.now += 60s;
  rate.progress(600 * kMB, 600 * kMB);
  t.now += 2s;  // the poll cycle reports the outcome a little later
  rate.reportOutcome(alerts, RebuildState::Completed, "Rebuild Process Complete!");
  ASSERT_EQ(alerts.raised.size(), 1u);
  EXPECT_EQ(alerts.raised[0].event, AlertEvent::RebuildComplete);
  EXPECT_EQ(alerts.raised[0].card, 2);
  EXPECT_EQ(alerts.raised[0].position, 4);
  EXPECT_EQ(alerts.raised[0].location, "Card 2 Secondary Slave");
  EXPECT_EQ(alerts.raised[0].message, "Rebuild Process Complete!");
  EXPECT_EQ(alerts.recorded, (std::vector<std::string>{"rebuild|Rebuild Process Complete!|duration 0:01:02|average 9.7 MB/s"}));
  // An outcome without a started rebuild still alerts, without a place or a summary.
  rate.reportOutcome(alerts, RebuildState::Failed, "Rebuild Process Fail!");
  ASSERT_EQ(alerts.raised.size(), 2u);
  EXPECT_EQ(alerts.raised[1].event, AlertEvent::RebuildFailed);
  EXPECT_EQ(alerts.raised[1].card, 0);
  EXPECT_EQ(alerts.recorded.size(), 1u);
  rate.reportOutcome(alerts, RebuildState::Idle, "");
  EXPECT_EQ(alerts.raised.size(), 2u);
}

double mbps(const std::string& line) {
  double rate = 0;
  return std::sscanf(line.c_str(), "%lf MB/s", &rate) == 1 ? rate : -1;
}
int secondsLeft(const std::string& line) {
  int h = 0, m = 0, s = 0;
  const auto comma = line.find(", ");
  if (comma == std::string::npos || std::sscanf(line.c_str() + comma + 2, "%d:%d:%d left", &h, &m, &s) != 3) return -1;
  return h * 3600 + m * 60 + s;
}

TEST(RebuildRateTest, TheRateFollowsTheControllersPaceAndTheTimeLeftFalls) {
  // Each 64 KiB transfer takes 10 ms: 1/16 MB per 10 ms is 6.25 MB/s. 300 chunks take
  // about three seconds.
  constexpr double kPace = 62500.0 / 10000.0;
  RebuildRig rig(LinkKind::Direct, mirrorScenario(300 * 128, "transfer-time 10000\n"));
  RecordingAlerts alerts;
  MonitorViews v = rig.views.all();
  v.rebuild = rig.control.get();
  v.alerts = &alerts;
  rig.monitor->setViews(v);
  rig.select(0, 0);
  rig.control->startRebuild();
  ASSERT_TRUE(rig.waitForState(RebuildState::Completed));
  EXPECT_EQ(rig.page.rate, "");  // cleared with the progress text at the end
  const auto& lines = rig.page.rateTexts;
  ASSERT_GT(lines.size(), 20u);
  // After the first second every reading is within 10 % of the pace.
  std::vector<int> left;
  for (std::size_t i = lines.size() / 3; i < lines.size(); ++i) {
    const double r = mbps(lines[i]);
    EXPECT_NEAR(r, kPace, kPace * 0.10) << lines[i];
    left.push_back(secondsLeft(lines[i]));
  }
  RecordProperty("rate_readings", static_cast<int>(lines.size()));
  std::printf("rebuild rate: pace %.3f MB/s, last reading \"%s\"\n", kPace, lines.back().c_str());
  EXPECT_GE(secondsLeft(lines[lines.size() / 3]), 1);
  EXPECT_EQ(left.back(), 0);
  for (std::size_t i = 1; i < left.size(); ++i) EXPECT_LE(left[i], left[i - 1]) << lines[lines.size() / 3 + i];

  rig.monitor->pollOnce();  // the outcome: alert and summary
  ASSERT_EQ(alerts.raised.size(), 1u);
  EXPECT_EQ(alerts.raised[0].event, AlertEvent::RebuildComplete);
  EXPECT_EQ(alerts.raised[0].location, "Card 1 Primary Slave");
  ASSERT_EQ(alerts.recorded.size(), 1u);
  EXPECT_EQ(alerts.recorded[0].rfind("rebuild|Rebuild Process Complete!|duration 0:00:0", 0), 0u) << alerts.recorded[0];
  const double average = std::stod(alerts.recorded[0].substr(alerts.recorded[0].rfind("average ") + 8));
  EXPECT_NEAR(average, kPace, kPace * 0.10) << alerts.recorded[0];
}

TEST(RebuildRateTest, AFailedRebuildClearsItsLineAndAlertsWithItsTarget) {
  RebuildRig rig(LinkKind::Direct, mirrorScenario(4000 * 128, "transfer-time 1000\nfail-transfer 5 at 256000\n"));
  RecordingAlerts alerts;
  MonitorViews v = rig.views.all();
  v.rebuild = rig.control.get();
  v.alerts = &alerts;
  rig.monitor->setViews(v);
  rig.select(0, 1);  // from the slave onto the master
  rig.control->startRebuild();
  ASSERT_TRUE(rig.waitForState(RebuildState::Failed));
  EXPECT_FALSE(rig.page.rateTexts.empty());
  EXPECT_EQ(rig.page.rate, "");
  MonitorTestAccess::snapshot(*rig.monitor).setRunRTime(99);  // any change lets the next cycle report
  rig.monitor->pollOnce();
  ASSERT_EQ(alerts.raised.size(), 1u);
  EXPECT_EQ(alerts.raised[0].event, AlertEvent::RebuildFailed);
  EXPECT_EQ(alerts.raised[0].location, "Card 1 Primary Master");
  EXPECT_EQ(alerts.raised[0].message, "Rebuild Process Fail!");
  ASSERT_EQ(alerts.recorded.size(), 1u);
  EXPECT_EQ(alerts.recorded[0].rfind("rebuild|Rebuild Process Fail!|duration 0:00:0", 0), 0u) << alerts.recorded[0];
}

}  // namespace
}  // namespace raidmon
