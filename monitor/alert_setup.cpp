#include "monitor/alert_setup.h"

namespace raidmon {

AlertSink& AlertSetup::sink() {
  if (dispatcher) return *dispatcher;
  historyOnly_.history = history.get();
  return historyOnly_;
}

std::unique_ptr<AlertSetup> setUpAlerts(const std::string& programDir, const std::string& optionCommand,
                                        std::function<void(const std::string&)> note,
                                        AlertDispatcherOptions options) {
  auto setup = std::make_unique<AlertSetup>();
  setup->history = std::make_unique<EventHistory>(historyPath(programDir), note);
  setup->command = alertCommand(programDir, optionCommand);
  if (setup->command.empty()) return setup;
  std::string error;
  const auto argv = splitCommandLine(setup->command, error);
  if (!argv || argv->empty()) {
    setup->problem = "Alert program not used: " + (argv ? std::string("the command is empty") : error);
    if (note) note(setup->problem);
    return setup;
  }
  setup->dispatcher = std::make_unique<AlertDispatcher>(*argv, setup->history.get(), std::move(note), options);
  return setup;
}

}  // namespace raidmon
