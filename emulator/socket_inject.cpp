#include "emulator/socket_inject.h"

#include <array>

#include "emulator/block_layout.h"
#include "emulator/scenario_parser.h"

namespace raidmon::emu {

namespace {

std::vector<std::string_view> words(std::string_view line) {
  if (const auto hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

// A line as messages and logs show it: anything unprintable as '?'.
std::string printable(std::string_view line) {
  std::string s(line);
  for (char& ch : s) {
    if (static_cast<unsigned char>(ch) < 0x20 || static_cast<unsigned char>(ch) > 0x7E) ch = '?';
  }
  return s;
}

std::string shown(std::string_view line) {
  constexpr std::size_t kShown = 60;
  std::string s = printable(line.substr(0, kShown));
  if (line.size() > kShown) s += "...";
  return "'" + s + "'";
}

// Declares every drive the controller has, so that the parser accepts a pull or an
// insert of it; the declarations themselves carry no event.
std::string drivePreamble(const Controller& controller) {
  std::string text;
  std::array<std::uint8_t, kSectorSize> scratch{};
  for (int card = 1; card <= kCardCount; ++card) {
    for (int pos = 1; pos <= kPositionsPerCard; ++pos) {
      if (!controller.readSector(card, pos, 0, scratch.data())) continue;
      text += "drive " + std::to_string(card) + "." + std::to_string(pos) +
              " model \"\" sectors 1\n";
    }
  }
  return text;
}

}  // namespace

Result<std::vector<InjectedLine>> parseInjectedLines(const Controller& controller,
                                                     std::string_view text) {
  std::vector<InjectedLine> lines;
  const std::string preamble = drivePreamble(controller);
  std::size_t start = 0;
  int lineNo = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::vector<std::string_view> w = words(line);
    if (w.empty()) continue;

    const std::string where = "event " + std::to_string(lineNo) + " " + shown(line) + ": ";
    auto fail = [&](const std::string& message) { return Unexpected(where + message); };
    InjectedLine parsed;
    parsed.text = printable(line);
    if (w[0] == "stall") {
      if (w.size() != 2 || (w[1] != "on" && w[1] != "off")) return fail("stall on or stall off");
      parsed.stall = w[1] == "on";
    } else if (w[0] == "at") {
      return fail("an injected event applies at once; leave out 'at TICK'");
    } else {
      const ScenarioParse p = parseScenario(preamble + std::string(line) + "\n");
      if (!p.has_value()) return fail(p.error().message);
      if (!p.value().timeline.empty() || p.value().initialEvents.size() != 1) {
        return fail("not an event");
      }
      parsed.event = p.value().initialEvents.front();
    }
    lines.push_back(std::move(parsed));
  }
  if (lines.empty()) return Unexpected("no event given");
  return lines;
}

}  // namespace raidmon::emu
