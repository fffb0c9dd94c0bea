#include "app/alert_wiring.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <cstdio>
#include <cstdlib>

#include "platform/program_dir.h"

namespace raidmon {

int runTestAlertOption(const AppOptions& options, const std::string& programDir) {
  const TestAlertResult result = runTestAlert(alertCommand(programDir, options.alertProgram));
  std::fprintf(result.exitStatus == 0 ? stdout : stderr, "raidmon: %s\n", result.message.c_str());
  return result.exitStatus;
}

int testAlertMain(int argc, char* argv[]) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const char* env = std::getenv("K4_OS_FAMILY");
  const Result<AppOptions> parsed = parseAppOptions(args, env ? std::optional<std::string>(env) : std::nullopt);
  if (!parsed) {
    std::fprintf(stderr, "raidmon: %s\n%s", parsed.error().c_str(), appUsage().c_str());
    return kExitUsage;
  }
  return runTestAlertOption(*parsed, programDirectory());
}

AlertWiring::AlertWiring(Monitor& monitor, const AppOptions& options, const std::string& programDir) {
  // Notes may come from the dispatcher's thread: the trace is written on the GUI thread.
  setup_ = setUpAlerts(programDir, options.alertProgram, [&monitor](const std::string& line) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&monitor, line] { monitor.traceNote(line); }, Qt::QueuedConnection);
  });
}

AlertWiring::~AlertWiring() = default;

}  // namespace raidmon
