// The windowed monitor's event history and alert program: set up from the options and
// "QZ133.ini", with their trace notes carried to the GUI thread.
#pragma once

#include <memory>
#include <string>

#include "app/app_options.h"
#include "monitor/alert_setup.h"
#include "monitor/monitor.h"

namespace raidmon {

// --test-alert, before any window: runs the alert program once, says how it went
// (standard output on success, standard error otherwise) and gives the exit status.
int runTestAlertOption(const AppOptions& options, const std::string& programDir);
// The same from the program's arguments (a bad command line ends with kExitUsage).
int testAlertMain(int argc, char* argv[]);

// The history and the alerts for `monitor` (whose trace gets their notes); they must
// go before the monitor does. `history()` and `alerts()` feed the forms' options.
class AlertWiring {
 public:
  AlertWiring(Monitor& monitor, const AppOptions& options, const std::string& programDir);
  ~AlertWiring();
  LineRecorder* history() { return setup_->history.get(); }
  AlertSink* alerts() { return &setup_->sink(); }

 private:
  std::unique_ptr<AlertSetup> setup_;
};

}  // namespace raidmon
