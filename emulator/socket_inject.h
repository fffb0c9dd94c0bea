// Event lines injected into a running controller: each line is one event in the
// scenario file's syntax (no "at" tick), or "stall on|off" for the server.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/controller.h"
#include "emulator/scenario.h"
#include "platform/result.h"

namespace raidmon::emu {

// One parsed line: a controller event, or a stall switch for the server.
struct InjectedLine {
  std::optional<Event> event;
  std::optional<bool> stall;
  std::string text;  // the line as given, for logs
};

// Parses lines separated by '\n' (blank and comment-only lines are skipped) against
// `controller`'s drives: a pull or insert must name a position that has a drive.
// All-or-nothing: any bad line gives an error naming the line and what is wrong, and no
// line at all is an error too. Reads the controller, changes nothing.
Result<std::vector<InjectedLine>> parseInjectedLines(const Controller& controller,
                                                     std::string_view text);

}  // namespace raidmon::emu
