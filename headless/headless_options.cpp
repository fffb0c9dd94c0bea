#include "headless/headless_options.h"

namespace raidmon {

Result<HeadlessOptions> parseHeadlessOptions(const std::vector<std::string>& args,
                                             const std::optional<std::string>& envFamily) {
  HeadlessOptions o;
  std::vector<std::string> shared;
  for (const std::string& arg : args) {
    if (arg.rfind("--syslog-socket=", 0) == 0) {
      o.logSocket = arg.substr(16);
      if (o.logSocket.empty()) return Unexpected("--syslog-socket= needs a socket path");
    } else if (arg.rfind("--flash-update", 0) == 0) {
      return Unexpected("a flash update needs an operator at a screen: run raidmon for it");
    } else {
      shared.push_back(arg);
    }
  }
  auto app = parseAppOptions(shared, envFamily);
  if (!app) return Unexpected(app.error());
  o.app = std::move(app).value();
  // Nobody is there to answer: every confirmation is answered OK, every input box
  // with its default text.
  o.app.answerDialogs = true;
  return o;
}

std::string headlessUsage() {
  return "usage: raidmond [--emulate[=SCENARIO] | --controller=socket:PATH] [--os-family=nt|9x]\n"
         "                [--transcript=FILE] [--answer-dialogs] [--quit-after=MS] [--loop-time=MS]\n"
         "                [--syslog-socket=PATH] [--alert-program=CMD] [--test-alert]\n"
         "The monitor without a display: start-up, the poll cycle, drive events, the connection\n"
         "log and automatic rebuilds as in raidmon, with no window. Each notice and event row is\n"
         "written to standard output (one tab-separated line: time, kind, texts) and to the\n"
         "system log (daemon facility, tag raidmond): failures as errors, disconnections as\n"
         "warnings, the rest as notices; and to the history raidmon-events.log beside the\n"
         "program. Drive events and rebuild outcomes run the alert program. Confirmations are answered OK; the commands that need\n"
         "an operator (manual rebuild, flash update, the hidden commands) are not offered.\n"
         "SIGTERM and SIGINT end it: a running rebuild is cancelled first.\n"
         "  --emulate            run against the built-in emulated controller\n"
         "  --emulate=SCENARIO   run against an emulated controller described by SCENARIO\n"
         "  --controller=socket:PATH  talk to a controller served by k4emu on a Unix socket\n"
         "  --os-family=nt|9x    behave as on the NT family (default) or the 9x family;\n"
         "                       K4_OS_FAMILY sets the same\n"
         "  --transcript=FILE    also write every trace line and dialog to FILE, with the\n"
         "                       notices and rows (- for standard output)\n"
         "  --answer-dialogs     accepted for raidmon's command lines; always the case here\n"
         "  --quit-after=MS      end the program after MS milliseconds\n"
         "  --loop-time=MS       poll every MS milliseconds (as the LOOP_TIME command sets)\n"
         "  --syslog-socket=PATH send the system log records as RFC 3164 datagrams to the Unix\n"
         "                       socket PATH instead of syslog(3)\n"
         "  --alert-program=CMD  run CMD for each drive event and rebuild outcome (instead of\n"
         "                       [Alert] Program in QZ133.ini); no shell is used\n"
         "  --test-alert         run the alert program once with RAIDMON_EVENT=test and end\n"
         "Exit status: 0 ended normally (also by SIGTERM or SIGINT); 1 the bridge library did\n"
         "not load (no ASPI layer); 2 bad command line, scenario, transcript, controller socket\n"
         "or log socket, or another raidmon monitors the controller; 3 no controller found at\n"
         "start. --test-alert: 0 the program ran and exited 0; 4 no alert program configured;\n"
         "5 it cannot start; 6 it exited non-zero or was killed; 7 it was ended after 30 s.\n";
}

}  // namespace raidmon
