// raidmon: picks the controller (the emulator, or the platform's storage stack) and
// the link the OS family uses, builds the core and the forms, and runs the message loop.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <initializer_list>
#include <string_view>

#include "app/alert_wiring.h"
#include "app/app_options.h"
#include "emulator/controller.h"
#include "emulator/emulated_nt_storage.h"
#include "emulator/scenario_parser.h"
#include "emulator/socket_client.h"
#include "aspilink/aspilink.h"
#include "link/bridge_link.h"
#include "link/direct_port_link.h"
#include "link/shared_packet.h"
#include "monitor/monitor.h"
#include "platform/aspi_standin.h"
#include "platform/instance_lock.h"
#include "platform/program_dir.h"
#include "platform/result.h"
#include "ui/forms.h"

namespace raidmon {
namespace {

// Bad command line, scenario, transcript or controller socket, or a controller that
// another raidmon monitors.
constexpr int kExitBadStart = 2;

// The controller side of the run, in the order it is built (and torn down in reverse).
struct ControllerSide {
  std::unique_ptr<InstanceLock> lock;
  // --controller=socket:PATH: the controller runs in a k4emu server; requests cross
  // the socket, and a lost connection makes each of them fail as a silent driver would.
  std::unique_ptr<emu::SocketConnection> connection;
  std::unique_ptr<emu::SocketNtStorage> socketStorage;
  // Without --emulate there is no controller driver on this platform: the storage
  // stack has no ports, and start-up says so.
  std::unique_ptr<emu::Controller> controller;
  std::unique_ptr<emu::EmulatedNtStorage> storage;
};

// The way requests travel: the ASPI layer and the bridge on the 9x family, the storage
// stack's ports on the NT family.
struct LinkSide {
  std::unique_ptr<AspiStandIn> aspiLayer;
  std::unique_ptr<ControllerLink> link;
};

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

// The arguments left after Qt took its own, and K4_OS_FAMILY.
Result<AppOptions> readOptions() {
  std::vector<std::string> args;
  for (const QString& a : QCoreApplication::arguments().mid(1)) args.push_back(a.toStdString());
  const char* env = std::getenv("K4_OS_FAMILY");
  return parseAppOptions(args, env ? std::optional<std::string>(env) : std::nullopt);
}

// One monitor per controller: a second one is refused. A lock file that cannot be used
// is only a warning.
Result<std::unique_ptr<InstanceLock>> lockController(const AppOptions& options) {
  if (options.emulate) return std::unique_ptr<InstanceLock>();
  const std::string lockPath = options.socketPath.empty() ? programDirectory() + "raidmon.lock"
                                                          : options.socketPath + ".lock";
  InstanceLock::Acquisition lock = InstanceLock::acquire(lockPath);
  if (lock.outcome == InstanceLock::Outcome::HeldByOther) {
    return Unexpected("another raidmon" +
                      (lock.holder.empty() ? std::string() : " (process " + lock.holder + ")") +
                      " already monitors this controller (" + lockPath + ")");
  }
  if (lock.outcome == InstanceLock::Outcome::Unavailable) {
    std::fprintf(stderr, "raidmon: no lock file for this controller, going on without one: %s\n",
                 lock.error.c_str());
  }
  return std::move(lock.lock);
}

Result<std::unique_ptr<emu::Controller>> emulatedController(const AppOptions& options) {
  if (!options.emulate) return std::make_unique<emu::Controller>();
  const emu::ScenarioParse scenario = options.scenarioPath.empty()
                                          ? emu::parseScenario(emu::defaultScenarioText())
                                          : emu::loadScenarioFile(options.scenarioPath);
  if (!scenario) {
    const std::string name = options.scenarioPath.empty() ? "(built-in)" : options.scenarioPath;
    const emu::ScenarioError& error = scenario.error();
    return Unexpected("scenario " + name + ": line " + std::to_string(error.line) + ": " +
                      error.message);
  }
  return std::make_unique<emu::Controller>(scenario.value());
}

// Step 1: the controller: the emulator, a k4emu server, or the platform's (empty)
// storage stack.
Result<ControllerSide> chooseController(const AppOptions& options) {
  ControllerSide side;
  auto lock = lockController(options);
  if (!lock) return Unexpected(lock.error());
  side.lock = std::move(lock).value();
  if (!options.socketPath.empty()) {
    if (options.emulate) return Unexpected("--emulate and --controller=socket: exclude each other");
    auto connection = emu::SocketConnection::connect(options.socketPath);
    if (!connection) return Unexpected(connection.error());
    side.connection = std::move(connection).value();
    side.connection->setLostHandler([](const std::string& why) {
      std::fprintf(stderr, "raidmon: lost the controller connection: %s\n", why.c_str());
    });
    side.socketStorage = std::make_unique<emu::SocketNtStorage>(*side.connection);
  }
  auto controller = emulatedController(options);
  if (!controller) return Unexpected(controller.error());
  side.controller = std::move(controller).value();
  side.storage = std::make_unique<emu::EmulatedNtStorage>(*side.controller);
  return side;
}

// Step 2: the link. The bridge library was loaded with the program (and loaded the ASPI
// layer beside it); on the 9x family every request goes through it, and the ASPI layer
// delivers to the controller behind its host adapters.
Result<LinkSide> chooseLink(const AppOptions& options, ControllerSide& side) {
  LinkSide chosen;
  if (options.osFamily != kOsFamily9x) {
    chosen.link = std::make_unique<DirectPortLink>(
        side.socketStorage ? static_cast<NtStorageStack&>(*side.socketStorage) : *side.storage);
    return chosen;
  }
  auto aspiLayer = AspiStandIn::open(programDirectory());
  if (!aspiLayer) return Unexpected(aspiLayer.error());
  chosen.aspiLayer = std::move(aspiLayer).value();
  if (side.connection) {
    chosen.aspiLayer->attach(&emu::socketAspiBackend, side.connection.get());
  } else {
    chosen.aspiLayer->attachDevice(*side.controller);
  }
  chosen.link = std::make_unique<BridgeLink>(
      BridgeExports{&TavrixIoControl, &TavrixReadWrite, &TavrixFlashReadWrite});
  return chosen;
}

Result<std::unique_ptr<Transcript>> openTranscript(const AppOptions& options) {
  if (options.transcriptPath.empty()) return std::unique_ptr<Transcript>();
  auto transcript = std::make_unique<Transcript>(options.transcriptPath);
  if (!transcript->ok()) return Unexpected("cannot write the transcript " + options.transcriptPath);
  return transcript;
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
  Result<ControllerSide> controllerSide = chooseController(options);
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
