// The event history and the alert program set up together, as both monitors (with
// and without a window) use them: the history in the program directory, and a
// dispatcher for the configured command that records its failures there.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "monitor/alert_dispatcher.h"
#include "monitor/event_history.h"

namespace raidmon {

struct AlertSetup {
  std::unique_ptr<EventHistory> history;
  // Null when no alert program is configured, or its command cannot be split.
  std::unique_ptr<AlertDispatcher> dispatcher;
  std::string command;  // as configured; empty when none is
  // Why a configured command is not used (an unterminated quote...); empty otherwise.
  std::string problem;

  // The sink the core reports to: the dispatcher, or, without one, a sink that only
  // writes recorded lines to the history.
  AlertSink& sink();

 private:
  struct HistoryOnly final : AlertSink {
    LineRecorder* history = nullptr;
    void raise(const AlertFacts&) override {}
    void record(std::string_view kind, const std::vector<std::string_view>& fields) override {
      if (history) history->write(kind, fields);
    }
  };
  HistoryOnly historyOnly_;
};

// `optionCommand` is --alert-program's value (it wins over [Alert] Program). `note`
// gets the history's and the alert runs' trace notes, on the thread that met them.
std::unique_ptr<AlertSetup> setUpAlerts(const std::string& programDir, const std::string& optionCommand,
                                        std::function<void(const std::string&)> note,
                                        AlertDispatcherOptions options = {});

}  // namespace raidmon
