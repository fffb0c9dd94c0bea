#include <signal.h>

#include <cstdio>
#include <string>

#include "emulator/controller.h"
#include "emulator/scenario_parser.h"
#include "emulator/socket_server.h"
#include "k4emu/k4emu_commands.h"

namespace raidmon::k4emu {

namespace {

emu::SocketServer* gServer = nullptr;

void onStopSignal(int) {
  if (gServer != nullptr) gServer->requestStop();
}

// Takes "--name VALUE" or "--name=VALUE" at args[i]; advances i past what it used.
bool optionValue(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
                 std::string& value) {
  const std::string& a = args[i];
  if (a == name) {
    if (i + 1 >= args.size()) return false;
    value = args[++i];
    return true;
  }
  if (a.rfind(name + "=", 0) == 0) {
    value = a.substr(name.size() + 1);
    return true;
  }
  return false;
}

}  // namespace

std::string usage() {
  return "usage: k4emu serve [SCENARIO] --socket PATH [--quiet]\n"
         "       k4emu inject --socket PATH [--file FILE] [EVENT...]\n"
         "       k4emu --help\n"
         "\n"
         "serve   runs the controller SCENARIO describes (default: the built-in two-card\n"
         "        scenario) behind the Unix socket PATH, created owner-only and removed on\n"
         "        exit; ends on SIGINT or SIGTERM. raidmon connects with\n"
         "        --controller=socket:PATH. --quiet leaves out the log of clients and events.\n"
         "inject  applies events to the running controller at once, all or none. Each EVENT\n"
         "        argument (quote it) and each line of FILE ('-': standard input) is one\n"
         "        event in the scenario syntax without 'at', e.g. 'pull 1.2', 'insert 1.2',\n"
         "        'hotplug 1 1', 'rebuild 1.2 from 1.1', 'fail-transfer 5 at 1024',\n"
         "        'refuse-rebuild', 'fail-status 2', 'plug-state 1.3 10'; 'stall on' holds\n"
         "        back the controller's answers until 'stall off'.\n"
         "\n"
         "Exit status: 0 done; 2 bad command line, scenario, socket or event, or no server.\n";
}

int serveCommand(const std::vector<std::string>& args) {
  std::string scenarioPath, socketPath;
  bool quiet = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string value;
    if (optionValue(args, i, "--socket", value)) {
      socketPath = value;
    } else if (args[i] == "--quiet") {
      quiet = true;
    } else if (!args[i].empty() && args[i][0] != '-' && scenarioPath.empty()) {
      scenarioPath = args[i];
    } else {
      std::fprintf(stderr, "k4emu serve: unexpected '%s'\n%s", args[i].c_str(), usage().c_str());
      return kExitFailed;
    }
  }
  if (socketPath.empty()) {
    std::fprintf(stderr, "k4emu serve: --socket PATH is needed\n%s", usage().c_str());
    return kExitFailed;
  }
  const emu::ScenarioParse scenario = scenarioPath.empty()
                                          ? emu::parseScenario(emu::defaultScenarioText())
                                          : emu::loadScenarioFile(scenarioPath);
  if (!scenario.has_value()) {
    std::fprintf(stderr, "k4emu serve: scenario %s: line %d: %s\n",
                 scenarioPath.empty() ? "(built-in)" : scenarioPath.c_str(), scenario.error().line,
                 scenario.error().message.c_str());
    return kExitFailed;
  }

  emu::Controller controller(scenario.value());
  emu::SocketServer::LogFn log;
  if (!quiet) log = [](const std::string& line) { std::fprintf(stderr, "k4emu: %s\n", line.c_str()); };
  emu::SocketServer server(controller, socketPath, log);
  if (const Result<void> listening = server.listen(); !listening) {
    std::fprintf(stderr, "k4emu serve: %s\n", listening.error().c_str());
    return kExitFailed;
  }

  gServer = &server;
  struct sigaction sa {};
  sa.sa_handler = onStopSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  if (!quiet) {
    std::fprintf(stderr, "k4emu: serving %s on %s\n",
                 scenarioPath.empty() ? "the built-in scenario" : scenarioPath.c_str(),
                 socketPath.c_str());
  }
  const bool ok = server.run();
  signal(SIGINT, SIG_DFL);
  signal(SIGTERM, SIG_DFL);
  gServer = nullptr;
  return ok ? kExitOk : kExitFailed;
}

}  // namespace raidmon::k4emu
