// The command line of raidmond: the controller options raidmon takes, and where the
// system log records go.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/app_options.h"
#include "platform/result.h"

namespace raidmon {

struct HeadlessOptions {
  AppOptions app;
  // --syslog-socket=PATH: records go as datagrams to this Unix socket instead of the
  // system log (empty: syslog(3)).
  std::string logSocket;
};

// Parses the arguments after the program name; the controller options and the
// transcript as raidmon parses them. What needs an operator at a screen
// (--flash-update) is refused.
Result<HeadlessOptions> parseHeadlessOptions(const std::vector<std::string>& args,
                                             const std::optional<std::string>& envFamily);

std::string headlessUsage();

}  // namespace raidmon
