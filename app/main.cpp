// raidmon: picks the controller (the emulator, or the platform's storage stack) and
// the link the OS family uses, builds the core and the forms, and runs the message loop.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
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
#include "ui/forms.h"

int main(int argc, char* argv[]) {
  // --help needs no display: answer it before the application object looks for one
  // (without a display it would end the program first).
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(raidmon::appUsage().c_str(), stdout);
      return 0;
    }
    if (arg == "--test-alert") return raidmon::testAlertMain(argc, argv);
  }
  QApplication app(argc, argv);  // takes Qt's own options out of argv
  QCoreApplication::setApplicationName(QStringLiteral("Graphics User Interface"));
  QApplication::setQuitOnLastWindowClosed(false);

  std::vector<std::string> args;
  for (const QString& a : QCoreApplication::arguments().mid(1)) args.push_back(a.toStdString());
  const char* env = std::getenv("K4_OS_FAMILY");
  const auto parsed = raidmon::parseAppOptions(args, env ? std::optional<std::string>(env) : std::nullopt);
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "raidmon: %s\n%s", parsed.error.c_str(), raidmon::appUsage().c_str());
    return 2;
  }
  const raidmon::AppOptions& options = parsed.options;
  if (options.help) {
    std::fputs(raidmon::appUsage().c_str(), stdout);
    return 0;
  }

  // One monitor per controller: a second one says so and ends.
  std::unique_ptr<raidmon::InstanceLock> controllerLock;
  if (!options.emulate) {
    const std::string lockPath = options.socketPath.empty()
                                     ? raidmon::programDirectory() + "raidmon.lock"
                                     : options.socketPath + ".lock";
    raidmon::InstanceLock::Result lock = raidmon::InstanceLock::acquire(lockPath);
    if (lock.outcome == raidmon::InstanceLock::Outcome::HeldByOther) {
      std::fprintf(stderr, "raidmon: another raidmon%s already monitors this controller (%s)\n",
                   lock.holder.empty() ? "" : (" (process " + lock.holder + ")").c_str(),
                   lockPath.c_str());
      return 2;
    }
    if (lock.outcome == raidmon::InstanceLock::Outcome::Unavailable) {
      std::fprintf(stderr, "raidmon: no lock file for this controller, going on without one: %s\n",
                   lock.error.c_str());
    }
    controllerLock = std::move(lock.lock);
  }

  // --controller=socket:PATH: the controller runs in a k4emu server; requests cross
  // the socket, and a lost connection makes each of them fail as a silent driver would.
  std::unique_ptr<raidmon::emu::SocketConnection> connection;
  std::unique_ptr<raidmon::emu::SocketNtStorage> socketStorage;
  if (!options.socketPath.empty()) {
    if (options.emulate) {
      std::fputs("raidmon: --emulate and --controller=socket: exclude each other\n", stderr);
      return 2;
    }
    std::string error;
    connection = raidmon::emu::SocketConnection::connect(options.socketPath, error);
    if (!connection) {
      std::fprintf(stderr, "raidmon: %s\n", error.c_str());
      return 2;
    }
    connection->setLostHandler([](const std::string& why) {
      std::fprintf(stderr, "raidmon: lost the controller connection: %s\n", why.c_str());
    });
    socketStorage = std::make_unique<raidmon::emu::SocketNtStorage>(*connection);
  }

  // Without --emulate there is no controller driver on this platform: the storage
  // stack has no ports, and start-up says so.
  std::unique_ptr<raidmon::emu::Controller> controller;
  if (options.emulate) {
    const raidmon::emu::ScenarioParse scenario =
        options.scenarioPath.empty()
            ? raidmon::emu::parseScenario(raidmon::emu::defaultScenarioText())
            : raidmon::emu::loadScenarioFile(options.scenarioPath);
    if (!scenario.ok()) {
      std::fprintf(stderr, "raidmon: scenario %s: line %d: %s\n",
                   options.scenarioPath.empty() ? "(built-in)" : options.scenarioPath.c_str(),
                   scenario.errorLine, scenario.error.c_str());
      return 2;
    }
    controller = std::make_unique<raidmon::emu::Controller>(scenario.scenario);
  } else {
    controller = std::make_unique<raidmon::emu::Controller>();
  }
  raidmon::emu::EmulatedNtStorage storage(*controller);

  // The bridge library was loaded with the program (and loaded the ASPI layer beside
  // it); on the 9x family every request goes through it, and the ASPI layer delivers
  // to the controller behind its host adapters.
  std::unique_ptr<raidmon::AspiStandIn> aspiLayer;
  std::unique_ptr<raidmon::ControllerLink> link;
  if (options.osFamily == raidmon::kOsFamily9x) {
    std::string error;
    aspiLayer = raidmon::AspiStandIn::open(raidmon::programDirectory(), error);
    if (!aspiLayer) {
      std::fprintf(stderr, "raidmon: %s\n", error.c_str());
      return 2;
    }
    if (connection) {
      aspiLayer->attach(&raidmon::emu::socketAspiBackend, connection.get());
    } else {
      aspiLayer->attachDevice(*controller);
    }
    link = std::make_unique<raidmon::BridgeLink>(
        raidmon::BridgeExports{&TavrixIoControl, &TavrixReadWrite, &TavrixFlashReadWrite});
  } else {
    link = std::make_unique<raidmon::DirectPortLink>(
        socketStorage ? static_cast<raidmon::NtStorageStack&>(*socketStorage) : storage);
  }
  raidmon::SharedPacket packet;
  raidmon::Monitor monitor(*link, packet, options.osFamily, raidmon::programDirectory());

  std::unique_ptr<raidmon::Transcript> transcript;
  if (!options.transcriptPath.empty()) {
    transcript = std::make_unique<raidmon::Transcript>(options.transcriptPath);
    if (!transcript->ok()) {
      std::fprintf(stderr, "raidmon: cannot write the transcript %s\n", options.transcriptPath.c_str());
      return 2;
    }
  }
  raidmon::AlertWiring alerts(monitor, options, raidmon::programDirectory());
  raidmon::Forms forms(monitor, raidmon::FormsOptions{transcript.get(), options.answerDialogs, alerts.history(), alerts.alerts()});
  if (options.loopTimeMs > 0) monitor.setLoopTime(options.loopTimeMs);
  if (options.quitAfterMs > 0) QTimer::singleShot(options.quitAfterMs, &app, &QCoreApplication::quit);
  forms.showMain();
  if (!options.flashImage.empty()) {
    // The operator's steps: the dialog, "File Select" with the image, the update.
    QTimer::singleShot(0, &app, [&forms, image = options.flashImage] {
      raidmon::FlashUpdateDialog& dialog = *forms.flashDialog;
      dialog.show();
      dialog.chooseFileOverride = [image]() -> std::optional<std::string> { return image; };
      dialog.File_Select->click();
      dialog.chooseFileOverride = nullptr;
      dialog.Update_Start_Button->click();
    });
  }
  const int status = app.exec();
  // A request the server holds back must not hold up the exit (the ASPI layer waits
  // for its backend when it is detached).
  if (connection) connection->disconnect();
  // No controller found at start: the program has ended, but not as a success.
  return monitor.startFailed() ? raidmon::kExitNoController : status;
}
