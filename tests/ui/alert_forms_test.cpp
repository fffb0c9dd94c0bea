// The forms wired to the event history and the alerts: a real automatic rebuild on
// the emulated controller shows its rate under the progress text, and the forms' rows,
// notices and drive events reach the history and the alert sink.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <filesystem>

#include "emulator/controller.h"
#include "emulator/emulated_nt_storage.h"
#include "emulator/scenario_parser.h"
#include "link/direct_port_link.h"
#include "platform/program_dir.h"
#include "ui/forms.h"

namespace raidmon {
namespace {

namespace fs = std::filesystem;

struct Lines final : LineRecorder {
  std::vector<std::string> lines;
  void write(std::string_view kind, const std::vector<std::string_view>& fields) override {
    std::string line(kind);
    for (auto f : fields) line += "|" + std::string(f);
    lines.push_back(line);
  }
  bool has(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
};

struct Alerts final : AlertSink {
  std::vector<AlertFacts> raised;
  void raise(const AlertFacts& f) override { raised.push_back(f); }
  void record(std::string_view, const std::vector<std::string_view>&) override {}
};

TEST(AlertFormsTest, ARunningRebuildShowsItsRateAndTheFormsFeedHistoryAndAlerts) {
  const fs::path dir = fs::temp_directory_path() / ("raidmon_alert_forms_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  for (const auto& entry : fs::directory_iterator(programDirectory())) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("s_", 0) == 0 || name == "tavrix.ico" || name == "C_Logo.Bmp") fs::copy(entry.path(), dir / name);
  }
  fs::copy(fs::path(programDirectory()) / "skins", dir / "skins", fs::copy_options::recursive);
  fs::copy(fs::path(programDirectory()) / "imagelist", dir / "imagelist", fs::copy_options::recursive);
  {
    // The rebuild demo (a drive flagged as a rebuild target, then an automatic
    // rebuild), each chunk taking 2 ms.
    const std::string scenario = std::string(emu::defaultScenarioText()) +
                                 "\ntransfer-time 2000\nat 4 rebuild 1.2 from 1.1\nat 6 rebuild-time 1\n";
    emu::Controller controller(emu::parseScenario(scenario).value());
    emu::EmulatedNtStorage storage(controller);
    DirectPortLink link(storage);
    SharedPacket packet;
    Monitor monitor(link, packet, kOsFamilyNt, dir.string() + "/");
    Lines history;
    Alerts alerts;
    Forms forms(monitor, FormsOptions{nullptr, true, &history, &alerts});
    monitor.setLoopTime(20);
    forms.showMain();
    forms.monitorDialog->show();
    forms.monitorDialog->Info_Tab_Note->setCurrentIndex(2);
    QLabel* rate = forms.monitorDialog->Rebuild_RateLabel;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline &&
           (rate->isHidden() || std::chrono::steady_clock::now() < deadline - std::chrono::seconds(17))) {
      QTest::qWait(20);
    }
    ASSERT_FALSE(rate->isHidden()) << [&] {
      std::string all;
      for (const auto& l : history.lines) all += l + "\n";
      return all;
    }();
    // 1/16 MB per 2 ms: 31.25 MB/s; the line shows it roughly (a loaded machine is slower).
    double mbps = 0;
    int h = 0, m = 0, s = 0;
    ASSERT_EQ(std::sscanf(rate->text().toStdString().c_str(), "%lf MB/s, %d:%d:%d left", &mbps, &h, &m, &s), 4)
        << rate->text().toStdString();
    EXPECT_GT(mbps, 31.25 * 0.5);
    EXPECT_LT(mbps, 31.25 * 1.1);
    EXPECT_GT(h * 3600 + m * 60 + s, 60);  // 80 GB at that pace: about 40 minutes
    EXPECT_FALSE(forms.monitorDialog->Rebuild_StatusBar->text().isEmpty());
    if (const char* shots = std::getenv("RAIDMON_SCREENSHOT_DIR")) {
      forms.monitorDialog->grab().save(QString::fromUtf8(shots) + "/rebuild_page_rate.png");
    }

    EXPECT_TRUE(history.has("notice|A Hard Disk has been disconnected from|RAID controller !|( location : Card 1 Primary Slave)"));
    EXPECT_TRUE(history.has("row|Card1 S:PM Card1 T:PS|Rebuild Start|"));
    ASSERT_FALSE(alerts.raised.empty());
    EXPECT_EQ(alerts.raised.front().event, AlertEvent::Disconnected);
    EXPECT_EQ(alerts.raised.front().location, "Card 1 Primary Slave");
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace raidmon
