// Scenario text to a Scenario value: a pure, bounded parser of the line-based format
// described in docs/emulator.md, plus the built-in default scenario.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "emulator/scenario.h"
#include "platform/result.h"

namespace raidmon::emu {

inline constexpr std::size_t kMaxScenarioBytes = 1 << 20;
inline constexpr std::size_t kMaxScenarioLines = 4096;
inline constexpr std::size_t kMaxScenarioLineLength = 512;

// Why a scenario was refused: the first offending line (1-based; 0 for errors not tied
// to a line: file, size) and what is wrong with it.
struct ScenarioError {
  int line = 0;
  std::string message;
};
// The scenario, or why it was refused.
using ScenarioParse = Result<Scenario, ScenarioError>;

// Parses scenario text. Never throws on bad input and never reads past the text: any
// malformed line, out-of-range number or limit exceeded gives an error naming the
// first offending line.
ScenarioParse parseScenario(std::string_view text);

// Reads and parses a file (at most kMaxScenarioBytes). A file that cannot be read
// gives line 0 and a message naming the path.
ScenarioParse loadScenarioFile(const std::string& path);

// The default scenario, compiled in; the same text ships as
// emulator/scenarios/default.scn.
std::string_view defaultScenarioText();

}  // namespace raidmon::emu
