#include "app/app_options.h"

#include <cstdint>

#include "platform/os_family.h"

namespace raidmon {

namespace {

bool parseFamily(const std::string& text, std::uint8_t& family) {
  if (text == "nt" || text == "NT") {
    family = kOsFamilyNt;
    return true;
  }
  if (text == "9x" || text == "9X") {
    family = kOsFamily9x;
    return true;
  }
  return false;
}

}  // namespace

Result<AppOptions> parseAppOptions(const std::vector<std::string>& args,
                                   const std::optional<std::string>& envFamily) {
  AppOptions o;
  o.osFamily = systemOsFamily();
  if (envFamily && !envFamily->empty() && !parseFamily(*envFamily, o.osFamily)) {
    return Unexpected("K4_OS_FAMILY must be nt or 9x, not '" + *envFamily + "'");
  }
  for (const std::string& arg : args) {
    if (arg == "--emulate") {
      o.emulate = true;
    } else if (arg.rfind("--emulate=", 0) == 0) {
      o.emulate = true;
      o.scenarioPath = arg.substr(10);
      if (o.scenarioPath.empty()) return Unexpected("--emulate= needs a scenario file");
    } else if (arg.rfind("--os-family=", 0) == 0) {
      if (!parseFamily(arg.substr(12), o.osFamily)) {
        return Unexpected("--os-family must be nt or 9x, not '" + arg.substr(12) + "'");
      }
    } else if (arg.rfind("--controller=", 0) == 0) {
      const std::string value = arg.substr(13);
      if (value.rfind("socket:", 0) != 0 || value.size() == 7) {
        return Unexpected("--controller takes socket:PATH");
      }
      o.socketPath = value.substr(7);
    } else if (arg.rfind("--transcript=", 0) == 0) {
      o.transcriptPath = arg.substr(13);
      if (o.transcriptPath.empty()) {
        return Unexpected("--transcript= needs a file (or - for standard output)");
      }
    } else if (arg.rfind("--flash-update=", 0) == 0) {
      o.flashImage = arg.substr(15);
      if (o.flashImage.empty()) return Unexpected("--flash-update= needs an image file");
    } else if (arg.rfind("--alert-program=", 0) == 0) {
      o.alertProgram = arg.substr(16);
      if (o.alertProgram.find_first_not_of(" \t") == std::string::npos) {
        return Unexpected("--alert-program= needs a command");
      }
    } else if (arg == "--test-alert") {
      o.testAlert = true;
    } else if (arg == "--answer-dialogs") {
      o.answerDialogs = true;
    } else if (arg.rfind("--quit-after=", 0) == 0 || arg.rfind("--loop-time=", 0) == 0) {
      const bool quit = arg[2] == 'q';
      const std::string ms = arg.substr(quit ? 13 : 12);
      // Zero would never quit (or poll back to back): both take at least 1 ms.
      if (ms.empty() || ms.size() > 9 || ms.find_first_not_of("0123456789") != std::string::npos ||
          std::stoi(ms) == 0) {
        return Unexpected(std::string(quit ? "--quit-after" : "--loop-time") + " takes milliseconds");
      }
      (quit ? o.quitAfterMs : o.loopTimeMs) = std::stoi(ms);
    } else if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else {
      return Unexpected("unknown option '" + arg + "'");
    }
  }
  return o;
}

std::string appUsage() {
  return "usage: raidmon [--emulate[=SCENARIO] | --controller=socket:PATH] [--os-family=nt|9x]\n"
         "               [--transcript=FILE] [--answer-dialogs] [--quit-after=MS] [--loop-time=MS]\n"
         "               [--flash-update=IMAGE] [--alert-program=CMD] [--test-alert]\n"
         "       raidmon --headless [raidmond's options]\n"
         "  --emulate            run against the built-in emulated controller\n"
         "  --emulate=SCENARIO   run against an emulated controller described by SCENARIO\n"
         "  --controller=socket:PATH  talk to a controller served by k4emu on a Unix socket\n"
         "  --os-family=nt|9x    behave as on the NT family or the 9x family (default: the\n"
         "                       system's; NT where there is none); K4_OS_FAMILY sets the same\n"
         "  --transcript=FILE    write each notice, event row, trace line and dialog to FILE\n"
         "                       as it happens (- for standard output)\n"
         "  --answer-dialogs     answer dialogs without showing them: OK, or the default text\n"
         "  --quit-after=MS      end the program after MS milliseconds\n"
         "  --loop-time=MS       poll every MS milliseconds (as the LOOP_TIME command sets)\n"
         "  --flash-update=IMAGE once monitoring runs, open \"Flash Update\", read IMAGE with\n"
         "                       \"File Select\" and press \"Flash ROM Update\", as an operator would\n"
         "  --alert-program=CMD  run CMD for each drive event, rebuild outcome and flash outcome\n"
         "                       (instead of [Alert] Program in QZ133.ini); no shell is used\n"
         "  --test-alert         run the alert program once with RAIDMON_EVENT=test and end\n"
         "  --headless           run raidmond, the monitor without a display, from the program\n"
         "                       directory with the other options (see raidmond --help)\n"
         "Exit status: 0 ended normally; 1 the bridge library did not load (no ASPI layer);\n"
         "2 bad command line, scenario, transcript or controller socket, or another raidmon\n"
         "monitors the controller; 3 no controller found at start.\n"
         "--test-alert: 0 the program ran and exited 0; 4 no alert program configured;\n"
         "5 it cannot start; 6 it exited non-zero or was killed; 7 it was ended after 30 s.\n";
}

}  // namespace raidmon
