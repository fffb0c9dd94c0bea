// Scenario text to a Scenario value: a pure, bounded parser of the line-based format
// described in docs/emulator.md, plus the built-in default scenario.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "emulator/scenario.h"

namespace raidmon::emu {

inline constexpr std::size_t kMaxScenarioBytes = 1 << 20;
inline constexpr std::size_t kMaxScenarioLines = 4096;
inline constexpr std::size_t kMaxScenarioLineLength = 512;

struct ScenarioParse {
  Scenario scenario;     // meaningful only when ok()
  int errorLine = 0;     // 1-based; 0 for errors not tied to a line (file, size)
  std::string error;     // empty on success
  bool ok() const { return error.empty(); }
};

// Parses scenario text. Never throws on bad input and never reads past the text: any
// malformed line, out-of-range number or limit exceeded gives an error naming the
// first offending line; the scenario is then left default-constructed.
ScenarioParse parseScenario(std::string_view text);

// Reads and parses a file (at most kMaxScenarioBytes). A file that cannot be read
// gives errorLine 0 and a message naming the path.
ScenarioParse loadScenarioFile(const std::string& path);

// The default scenario, compiled in; the same text ships as
// emulator/scenarios/default.scn.
std::string_view defaultScenarioText();

}  // namespace raidmon::emu
