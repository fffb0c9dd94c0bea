// While the status window sits in the tray, drive events and rebuild outcomes also
// show as a tray message with the notice's text; every alert then goes on unchanged.
#pragma once

#include <QString>
#include <QSystemTrayIcon>
#include <functional>

#include "monitor/alert_sink.h"

namespace raidmon {

class TrayAlerts final : public AlertSink {
 public:
  using InTray = std::function<bool()>;
  using Show = std::function<void(const QString& title, const QString& text, QSystemTrayIcon::MessageIcon icon)>;
  // `inTray` tells whether the window is in the tray and the desktop shows messages;
  // `show` shows one.
  TrayAlerts(AlertSink& inner, InTray inTray, Show show)
      : inner_(inner), inTray_(std::move(inTray)), show_(std::move(show)) {}

  void raise(const AlertFacts& facts) override;
  void record(std::string_view kind, const std::vector<std::string_view>& fields) override {
    inner_.record(kind, fields);
  }

 private:
  AlertSink& inner_;
  InTray inTray_;
  Show show_;
};

}  // namespace raidmon
