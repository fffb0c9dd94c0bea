// k4emu: the controller emulator as a program (serve, inject, --help).
#include <cstdio>
#include <string>
#include <vector>

#include "k4emu/k4emu_commands.h"

int main(int argc, char* argv[]) {
  using namespace raidmon::k4emu;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(usage().c_str(), stderr);
    return kExitFailed;
  }
  const std::string command = args.front();
  args.erase(args.begin());
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(usage().c_str(), stdout);
    return kExitOk;
  }
  if (command == "serve") return serveCommand(args);
  if (command == "inject") return injectCommand(args);
  std::fprintf(stderr, "k4emu: unknown command '%s'\n%s", command.c_str(), usage().c_str());
  return kExitFailed;
}
