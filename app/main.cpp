// raidmon: picks the controller (the emulator, or the platform's storage stack) and
// the link the OS family uses, builds the core and the forms, and runs the message loop.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "app/alert_wiring.h"
#include "app/app_options.h"
#include "app/controller_setup.h"
#include "link/shared_packet.h"
#include "platform/child_process.h"
#include "monitor/monitor.h"
#include "platform/program_dir.h"
#include "platform/result.h"
#include "ui/forms.h"

namespace raidmon {
namespace {

// --help needs no display: answered before the application object looks for one
// (without a display it would end the program first).
bool asked(int argc, char* argv[], std::initializer_list<std::string_view> names) {
  for (int i = 1; i < argc; ++i) {
    for (const std::string_view name : names) {
      if (argv[i] == name) return true;
    }
  }
  return false;
}

// --headless: the program hands over to raidmond before any window system is touched.
bool headlessAsked(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == kHeadlessOption) return true;
  }
  return false;
}

// Runs raidmond from the program directory with the other arguments; returns only when
// it could not be started.
int handOverToHeadless(int argc, char* argv[]) {
  const std::string program = programDirectory() + "raidmond";
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) != kHeadlessOption) args.push_back(argv[i]);
  }
  const std::string why = handOverTo(program, args);
  std::fprintf(stderr, "raidmon: cannot start %s: %s\n", program.c_str(), why.c_str());
  return kExitBadStart;
}

// The arguments left after Qt took its own, and K4_OS_FAMILY.
Result<AppOptions> readOptions() {
  std::vector<std::string> args;
  for (const QString& a : QCoreApplication::arguments().mid(1)) args.push_back(a.toStdString());
  const char* env = std::getenv("K4_OS_FAMILY");
  return parseAppOptions(args, env ? std::optional<std::string>(env) : std::nullopt);
}

// Step 3: the forms, which run start-up as they are created.
std::unique_ptr<Forms> buildForms(Monitor& monitor, const AppOptions& options,
                                  Transcript* transcript, AlertWiring& alerts) {
  auto forms = std::make_unique<Forms>(
      monitor, FormsOptions{transcript, options.answerDialogs, alerts.history(), alerts.alerts()});
  if (options.loopTimeMs > 0) monitor.setLoopTime(options.loopTimeMs);
  return forms;
}

// Step 4: shows the status window and runs the message loop until the program ends.
int run(QApplication& app, Forms& forms, const AppOptions& options,
        emu::SocketConnection* connection) {
  if (options.quitAfterMs > 0) {
    QTimer::singleShot(options.quitAfterMs, &app, &QCoreApplication::quit);
  }
  forms.showMain();
  if (!options.flashImage.empty()) {
    QTimer::singleShot(0, &app, [dialog = forms.flashDialog.get(), image = options.flashImage] {
      dialog->runUnattended(image);
    });
  }
  const int status = app.exec();
  // A request the server holds back must not hold up the exit (the ASPI layer waits
  // for its backend when it is detached).
  if (connection) connection->disconnect();
  return status;
}

int failStart(const std::string& message) {
  std::fprintf(stderr, "raidmon: %s\n", message.c_str());
  return kExitBadStart;
}

}  // namespace
}  // namespace raidmon

int main(int argc, char* argv[]) {
  using namespace raidmon;
  if (headlessAsked(argc, argv)) return handOverToHeadless(argc, argv);
  if (asked(argc, argv, {"--help", "-h"})) {
    std::fputs(appUsage().c_str(), stdout);
    return 0;
  }
  // The test alert needs no display either.
  if (asked(argc, argv, {"--test-alert"})) return testAlertMain(argc, argv);
  QApplication app(argc, argv);  // takes Qt's own options out of argv
  QCoreApplication::setApplicationName(QStringLiteral("Graphics User Interface"));
  QApplication::setQuitOnLastWindowClosed(false);

  const Result<AppOptions> parsed = readOptions();
  if (!parsed) {
    std::fprintf(stderr, "raidmon: %s\n%s", parsed.error().c_str(), appUsage().c_str());
    return kExitBadStart;
  }
  const AppOptions& options = *parsed;
  if (options.help) {
    std::fputs(appUsage().c_str(), stdout);
    return 0;
  }
  Result<ControllerSide> controllerSide = chooseController(options, "raidmon");
  if (!controllerSide) return failStart(controllerSide.error());
  Result<LinkSide> linkSide = chooseLink(options, *controllerSide);
  if (!linkSide) return failStart(linkSide.error());
  SharedPacket packet;
  Monitor monitor(*linkSide->link, packet, options.osFamily, programDirectory());
  const Result<std::unique_ptr<Transcript>> transcript = openTranscript(options);
  if (!transcript) return failStart(transcript.error());

  AlertWiring alerts(monitor, options, programDirectory());
  const std::unique_ptr<Forms> forms = buildForms(monitor, options, transcript->get(), alerts);
  const int status = run(app, *forms, options, controllerSide->connection.get());
  // No controller found at start: the program has ended, but not as a success.
  return monitor.startFailed() ? kExitNoController : status;
}
