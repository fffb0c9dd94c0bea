// raidmond: the monitor without a display. The same controller choice, link and core
// as raidmon; notices and event rows go to standard output and the system log.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/controller_setup.h"
#include "headless/headless_monitor.h"
#include "headless/headless_options.h"
#include "link/shared_packet.h"
#include "monitor/alert_program.h"
#include "monitor/alert_setup.h"
#include "monitor/monitor.h"
#include "platform/loop_wakeup.h"
#include "platform/program_dir.h"
#include "platform/system_log.h"

namespace raidmon {
namespace {

constexpr const char* kProgram = "raidmond";

int failStart(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
  return kExitBadStart;
}

// --test-alert: the alert program once, with RAIDMON_EVENT=test; its exit status says
// how that went.
int testAlert(const AppOptions& options) {
  const TestAlertResult result = runTestAlert(alertCommand(programDirectory(), options.alertProgram));
  std::fprintf(result.exitStatus == 0 ? stdout : stderr, "%s: %s\n", kProgram, result.message.c_str());
  return result.exitStatus;
}

// The history and the alert program. Their notes (a program that failed, a history
// that cannot be written) are trace lines: they go where traces go, the transcript.
std::unique_ptr<AlertSetup> alertsFor(const AppOptions& options, Transcript* transcript) {
  auto setup = setUpAlerts(programDirectory(), options.alertProgram, [transcript](const std::string& line) {
    if (transcript) transcript->write("trace", {line});
  });
  if (setup->command.empty()) {
    std::fprintf(stderr,
                 "%s: no alert program configured ([Alert] Program in QZ133.ini, or "
                 "--alert-program=CMD): events go to standard output, the system log and "
                 "the history only\n",
                 kProgram);
  } else if (!setup->problem.empty()) {
    std::fprintf(stderr, "%s: alert program not used: %s\n", kProgram, setup->problem.c_str());
  }
  return setup;
}

Result<std::unique_ptr<SystemLog>> openLog(const HeadlessOptions& options) {
  if (options.logSocket.empty()) return openSystemLog();
  return openDatagramLog(options.logSocket);
}

}  // namespace
}  // namespace raidmon

int main(int argc, char* argv[]) {
  using namespace raidmon;
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const char* env = std::getenv("K4_OS_FAMILY");
  const Result<HeadlessOptions> parsed =
      parseHeadlessOptions(args, env ? std::optional<std::string>(env) : std::nullopt);
  if (!parsed) {
    std::fprintf(stderr, "%s: %s\n%s", kProgram, parsed.error().c_str(), headlessUsage().c_str());
    return kExitBadStart;
  }
  const AppOptions& options = parsed->app;
  if (options.help) {
    std::fputs(headlessUsage().c_str(), stdout);
    return 0;
  }
  if (options.testAlert) return testAlert(options);
  // A reader of standard output that goes away (a pipe closed, a restarted journal)
  // must not end the monitor, least of all in the middle of a rebuild: the lines are
  // lost, the log records and the monitoring go on.
  keepRunningWhenOutputCloses();
  Result<std::unique_ptr<SystemLog>> log = openLog(*parsed);
  if (!log) return failStart(log.error());
  Result<ControllerSide> controllerSide = chooseController(options, kProgram);
  if (!controllerSide) return failStart(controllerSide.error());
  Result<LinkSide> linkSide = chooseLink(options, *controllerSide);
  if (!linkSide) return failStart(linkSide.error());
  SharedPacket packet;
  Monitor monitor(*linkSide->link, packet, options.osFamily, programDirectory());
  Transcript standardOutput("-");
  // --transcript=- shares standard output with the notices and rows.
  std::unique_ptr<Transcript> transcriptFile;
  if (!options.transcriptPath.empty() && options.transcriptPath != "-") {
    Result<std::unique_ptr<Transcript>> opened = openTranscript(options);
    if (!opened) return failStart(opened.error());
    transcriptFile = std::move(opened).value();
  }
  Transcript* transcript = options.transcriptPath == "-" ? &standardOutput : transcriptFile.get();

  const std::unique_ptr<AlertSetup> alerts = alertsFor(options, transcript);
  HeadlessMonitor headless(monitor,
                           HeadlessOutputs{standardOutput, transcript, **log, alerts->history.get(), &alerts->sink()},
                           options);
  const int status = headless.run();
  // A request the server holds back must not hold up the exit (the rebuild worker is
  // joined next).
  if (controllerSide->connection) controllerSide->connection->disconnect();
  return status;
}
