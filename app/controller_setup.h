// The steps before the monitor runs that both programs share (raidmon with its window,
// raidmond without one): which controller to talk to, the link the OS family uses, the
// one-monitor-per-controller lock and the transcript. No Qt here: raidmond links this
// and must not link any Qt library.
#pragma once

#include <memory>
#include <string>

#include "app/app_options.h"
#include "emulator/controller.h"
#include "emulator/emulated_nt_storage.h"
#include "emulator/socket_client.h"
#include "link/controller_link.h"
#include "monitor/transcript.h"
#include "platform/aspi_standin.h"
#include "platform/instance_lock.h"
#include "platform/nt_storage_stack.h"
#include "platform/result.h"

namespace raidmon {

// Bad command line, scenario, transcript or controller socket, or a controller that
// another monitor watches.
inline constexpr int kExitBadStart = kExitUsage;

// The controller side of the run, in the order it is built (and torn down in reverse).
struct ControllerSide {
  std::unique_ptr<InstanceLock> lock;
  // --controller=socket:PATH: the controller runs in a k4emu server; requests cross
  // the socket, and a lost connection makes each of them fail as a silent driver would.
  std::unique_ptr<emu::SocketConnection> connection;
  std::unique_ptr<emu::SocketNtStorage> socketStorage;
  // Without --emulate and --controller: the system's own storage stack (Windows);
  // null where the system has none.
  std::unique_ptr<NtStorageStack> systemStorage;
  // Without --emulate and without a system stack there is no controller driver: the
  // emulated storage stack has no ports, and start-up says so.
  std::unique_ptr<emu::Controller> controller;
  std::unique_ptr<emu::EmulatedNtStorage> storage;

  // The stack the NT family's link uses: the socket's, the system's, or the emulated.
  NtStorageStack& ntStorage();
};

// The way requests travel: the ASPI layer and the bridge on the 9x family, the storage
// stack's ports on the NT family.
struct LinkSide {
  std::unique_ptr<AspiStandIn> aspiLayer;
  std::unique_ptr<ControllerLink> link;
};

// `program` names the program in the messages it prints ("raidmon", "raidmond").

// One monitor per controller: a second one is refused. A lock file that cannot be
// used is only a warning. raidmon and raidmond share the lock: one of them per
// controller.
Result<std::unique_ptr<InstanceLock>> lockController(const AppOptions& options, const std::string& program);

// The emulated controller --emulate asks for (a scenario file or the built-in one), or
// without --emulate a controller with no driver behind it.
Result<std::unique_ptr<emu::Controller>> emulatedController(const AppOptions& options);

// Step 1: the controller: the emulator, a k4emu server, or the system's storage stack
// (on Linux, which has none, an emulated stack without ports).
Result<ControllerSide> chooseController(const AppOptions& options, const std::string& program);

// Step 2: the link. The bridge library was loaded with the program (and loaded the ASPI
// layer beside it); on the 9x family every request goes through it, and the ASPI layer
// delivers to the controller behind its host adapters.
Result<LinkSide> chooseLink(const AppOptions& options, ControllerSide& side);

// --transcript=FILE: null without the option.
Result<std::unique_ptr<Transcript>> openTranscript(const AppOptions& options);

}  // namespace raidmon
