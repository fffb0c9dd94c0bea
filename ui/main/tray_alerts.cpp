#include "ui/main/tray_alerts.h"

#include "ui/common/qt_text.h"

namespace raidmon {

void TrayAlerts::raise(const AlertFacts& facts) {
  QSystemTrayIcon::MessageIcon icon = QSystemTrayIcon::Information;
  bool shown = true;
  switch (facts.event) {
    case AlertEvent::Failed:
    case AlertEvent::RebuildFailed: icon = QSystemTrayIcon::Critical; break;
    case AlertEvent::Disconnected:
    case AlertEvent::RebuildCancelled: icon = QSystemTrayIcon::Warning; break;
    case AlertEvent::Connected:
    case AlertEvent::RebuildComplete: break;
    default: shown = false;  // flash outcomes happen in front of the operator
  }
  if (shown && inTray_ && show_ && inTray_()) {
    show_(facts.location.empty() ? QStringLiteral("Monitor") : qs(facts.location), qs(facts.message), icon);
  }
  inner_.raise(facts);
}

}  // namespace raidmon
