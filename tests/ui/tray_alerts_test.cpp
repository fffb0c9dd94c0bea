// Tray messages: drive events and rebuild outcomes show while the window is in the
// tray; every alert goes on to the sink behind.
#include "ui/main/tray_alerts.h"

#include <gtest/gtest.h>

namespace raidmon {
namespace {

struct Inner final : AlertSink {
  std::vector<AlertEvent> raised;
  int recorded = 0;
  void raise(const AlertFacts& f) override { raised.push_back(f.event); }
  void record(std::string_view, const std::vector<std::string_view>&) override { ++recorded; }
};

TEST(TrayAlertsTest, DriveEventsAndRebuildOutcomesShowOnlyWhileInTheTray) {
  Inner inner;
  bool inTray = false;
  struct Shown {
    QString title, text;
    QSystemTrayIcon::MessageIcon icon;
  };
  std::vector<Shown> shown;
  TrayAlerts tray(
      inner, [&] { return inTray; },
      [&](const QString& t, const QString& x, QSystemTrayIcon::MessageIcon i) { shown.push_back({t, x, i}); });
  const std::string message = "A Hard Disk has been disconnected from RAID controller ! ( location : Card 1 Primary Slave)";
  tray.raise({AlertEvent::Disconnected, 1, 2, "Card 1 Primary Slave", message});
  EXPECT_TRUE(shown.empty());  // the window is on the screen
  inTray = true;
  for (AlertEvent e : {AlertEvent::Connected, AlertEvent::Disconnected, AlertEvent::Failed, AlertEvent::RebuildComplete,
                       AlertEvent::RebuildCancelled, AlertEvent::RebuildFailed, AlertEvent::FlashComplete,
                       AlertEvent::FlashFailed}) {
    tray.raise({e, 1, 2, e >= AlertEvent::RebuildComplete ? "" : "Card 1 Primary Slave", message});
  }
  ASSERT_EQ(shown.size(), 6u);  // not the flash outcomes
  EXPECT_EQ(shown[1].title, "Card 1 Primary Slave");
  EXPECT_EQ(shown[1].text.toStdString(), message);
  EXPECT_EQ(shown[2].icon, QSystemTrayIcon::Critical);  // a failed drive stands out
  EXPECT_EQ(shown[3].title, "Monitor");
  EXPECT_EQ(inner.raised.size(), 9u);  // all of them went on
  tray.record("rebuild", {"x"});
  EXPECT_EQ(inner.recorded, 1);
}

}  // namespace
}  // namespace raidmon
