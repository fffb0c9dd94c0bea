// The command line of raidmon: which controller to talk to and which OS family the
// program behaves as.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace raidmon {

struct AppOptions {
  bool emulate = false;
  std::string scenarioPath;  // empty: the built-in default scenario
  std::uint8_t osFamily = 2;  // 2 NT family, 1 9x family
  bool help = false;
};

struct AppOptionsParse {
  AppOptions options;
  std::string error;  // empty on success
};

// Parses the arguments after the program name. `envFamily` is K4_OS_FAMILY when set;
// --os-family wins over it. Unknown options (other than Qt's own, which the caller
// has removed) are an error.
AppOptionsParse parseAppOptions(const std::vector<std::string>& args,
                                const std::optional<std::string>& envFamily);

std::string appUsage();

}  // namespace raidmon
