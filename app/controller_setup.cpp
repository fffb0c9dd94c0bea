#include "app/controller_setup.h"

#include <cstdio>

#include "aspilink/aspilink.h"
#include "emulator/scenario_parser.h"
#include "link/bridge_link.h"
#include "link/direct_port_link.h"
#include "monitor/monitor.h"
#include "platform/program_dir.h"

namespace raidmon {

Result<std::unique_ptr<InstanceLock>> lockController(const AppOptions& options, const std::string& program) {
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
    std::fprintf(stderr, "%s: no lock file for this controller, going on without one: %s\n",
                 program.c_str(), lock.error.c_str());
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

Result<ControllerSide> chooseController(const AppOptions& options, const std::string& program) {
  ControllerSide side;
  auto lock = lockController(options, program);
  if (!lock) return Unexpected(lock.error());
  side.lock = std::move(lock).value();
  if (!options.socketPath.empty()) {
    if (options.emulate) return Unexpected("--emulate and --controller=socket: exclude each other");
    auto connection = emu::SocketConnection::connect(options.socketPath);
    if (!connection) return Unexpected(connection.error());
    side.connection = std::move(connection).value();
    side.connection->setLostHandler([program](const std::string& why) {
      std::fprintf(stderr, "%s: lost the controller connection: %s\n", program.c_str(), why.c_str());
    });
    side.socketStorage = std::make_unique<emu::SocketNtStorage>(*side.connection);
  }
  auto controller = emulatedController(options);
  if (!controller) return Unexpected(controller.error());
  side.controller = std::move(controller).value();
  side.storage = std::make_unique<emu::EmulatedNtStorage>(*side.controller);
  if (!options.emulate && !side.socketStorage) side.systemStorage = systemNtStorageStack();
  return side;
}

NtStorageStack& ControllerSide::ntStorage() {
  if (socketStorage) return *socketStorage;
  if (systemStorage) return *systemStorage;
  return *storage;
}

Result<LinkSide> chooseLink(const AppOptions& options, ControllerSide& side) {
  LinkSide chosen;
  if (options.osFamily != kOsFamily9x) {
    chosen.link = std::make_unique<DirectPortLink>(side.ntStorage());
    return chosen;
  }
  chosen.link = std::make_unique<BridgeLink>(
      BridgeExports{&TavrixIoControl, &TavrixReadWrite, &TavrixFlashReadWrite});
  // Where the system has a storage stack of its own (Windows, no --emulate or
  // --controller), the bridge talks to the system's ASPI layer beside the program: no
  // stand-in is opened and no emulated device is put behind it.
  if (side.systemStorage) return chosen;
  auto aspiLayer = AspiStandIn::open(programDirectory());
  if (!aspiLayer) return Unexpected(aspiLayer.error());
  chosen.aspiLayer = std::move(aspiLayer).value();
  if (side.connection) {
    chosen.aspiLayer->attach(&emu::socketAspiBackend, side.connection.get());
  } else {
    chosen.aspiLayer->attachDevice(*side.controller);
  }
  return chosen;
}

Result<std::unique_ptr<Transcript>> openTranscript(const AppOptions& options) {
  if (options.transcriptPath.empty()) return std::unique_ptr<Transcript>();
  auto transcript = std::make_unique<Transcript>(options.transcriptPath);
  if (!transcript->ok()) return Unexpected("cannot write the transcript " + options.transcriptPath);
  return transcript;
}

}  // namespace raidmon
