// The command line of raidmon: which controller to talk to and which OS family the
// program behaves as.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace raidmon {

// Exit statuses besides 0: 2 for a bad command line and for a start that cannot go on
// (scenario, transcript, controller socket, another raidmon on the controller); 3 when
// start-up found no controller ("RAID controller DRIVER not installed", or no
// controller behind the ASPI layer). The bridge library's failed load ends with 1.
// --test-alert ends with 4 to 7 when the alert program did not run well (see
// monitor/alert_program.h).
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoController = 3;

// raidmon --headless hands over to raidmond, the monitor without a display, with the
// other arguments.
inline constexpr std::string_view kHeadlessOption = "--headless";

struct AppOptions {
  bool emulate = false;
  std::string scenarioPath;  // empty: the built-in default scenario
  // 2 NT family, 1 9x family: the system's (platform/os_family.h) unless K4_OS_FAMILY
  // or --os-family says otherwise.
  std::uint8_t osFamily = 2;
  bool help = false;
  std::string socketPath;      // --controller=socket:PATH: a controller served by k4emu
  std::string transcriptPath;  // --transcript=FILE ("-": standard output)
  bool answerDialogs = false;  // --answer-dialogs
  int quitAfterMs = 0;         // --quit-after=MS, at least 1 (0: not given, run until closed)
  int loopTimeMs = 0;          // --loop-time=MS: the poll period (0: as configured)
  std::string flashImage;      // --flash-update=IMAGE: read IMAGE and update the flash ROM
  std::string alertProgram;    // --alert-program=CMD: wins over [Alert] Program in QZ133.ini
  bool testAlert = false;      // --test-alert: run the alert program once and end
};

// Parses the arguments after the program name. The OS family is the system's;
// `envFamily` is K4_OS_FAMILY when set and wins over it, --os-family over both.
// Unknown options (other than Qt's own, which the caller has removed) are an error.
Result<AppOptions> parseAppOptions(const std::vector<std::string>& args,
                                   const std::optional<std::string>& envFamily);

std::string appUsage();

}  // namespace raidmon
