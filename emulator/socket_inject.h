// Event lines injected into a running controller: each line is one event in the
// scenario file's syntax (no "at" tick), or "stall on|off" for the server.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/controller.h"
#include "emulator/scenario.h"

namespace raidmon::emu {

// One parsed line: a controller event, or a stall switch for the server.
struct InjectedLine {
  std::optional<Event> event;
  std::optional<bool> stall;
  std::string text;  // the line as given, for logs
};

struct InjectParse {
  std::vector<InjectedLine> lines;
  std::string error;  // empty on success; names the line and what is wrong
  bool ok() const { return error.empty(); }
};

// Parses lines separated by '\n' (blank and comment-only lines are skipped) against
// `controller`'s drives: a pull or insert must name a position that has a drive.
// All-or-nothing: on any bad line `lines` is empty and `error` says which; no line
// at all is an error too. Reads the controller, changes nothing.
InjectParse parseInjectedLines(const Controller& controller, std::string_view text);

}  // namespace raidmon::emu
