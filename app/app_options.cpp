#include "app/app_options.h"

#include <cstdint>

namespace raidmon {

namespace {

bool parseFamily(const std::string& text, std::uint8_t& family) {
  if (text == "nt" || text == "NT") {
    family = 2;
    return true;
  }
  if (text == "9x" || text == "9X") {
    family = 1;
    return true;
  }
  return false;
}

}  // namespace

AppOptionsParse parseAppOptions(const std::vector<std::string>& args,
                                const std::optional<std::string>& envFamily) {
  AppOptionsParse result;
  AppOptions& o = result.options;
  if (envFamily && !envFamily->empty() && !parseFamily(*envFamily, o.osFamily)) {
    result.error = "K4_OS_FAMILY must be nt or 9x, not '" + *envFamily + "'";
    return result;
  }
  for (const std::string& arg : args) {
    if (arg == "--emulate") {
      o.emulate = true;
    } else if (arg.rfind("--emulate=", 0) == 0) {
      o.emulate = true;
      o.scenarioPath = arg.substr(10);
      if (o.scenarioPath.empty()) {
        result.error = "--emulate= needs a scenario file";
        return result;
      }
    } else if (arg.rfind("--os-family=", 0) == 0) {
      if (!parseFamily(arg.substr(12), o.osFamily)) {
        result.error = "--os-family must be nt or 9x, not '" + arg.substr(12) + "'";
        return result;
      }
    } else if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else {
      result.error = "unknown option '" + arg + "'";
      return result;
    }
  }
  return result;
}

std::string appUsage() {
  return "usage: raidmon [--emulate[=SCENARIO]] [--os-family=nt|9x]\n"
         "  --emulate            run against the built-in emulated controller\n"
         "  --emulate=SCENARIO   run against an emulated controller described by SCENARIO\n"
         "  --os-family=nt|9x    behave as on the NT family (default) or the 9x family;\n"
         "                       K4_OS_FAMILY sets the same\n";
}

}  // namespace raidmon
