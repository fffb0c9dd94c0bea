// The k4emu program's commands: serve a scenario's controller on a Unix socket, and
// inject events into a running server.
#pragma once

#include <string>
#include <vector>

namespace raidmon::k4emu {

// Exit statuses: 0 done, 2 bad command line, scenario, socket or event.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 2;

std::string usage();

// `k4emu serve [SCENARIO] --socket PATH [--quiet]`: runs until SIGINT or SIGTERM.
int serveCommand(const std::vector<std::string>& args);

// `k4emu inject --socket PATH [--file FILE] EVENT...`: applies the events at once.
int injectCommand(const std::vector<std::string>& args);

}  // namespace raidmon::k4emu
