#include "platform/child_process.h"

namespace raidmon {

std::optional<std::vector<std::string>> splitCommandLine(std::string_view line, std::string& error) {
  std::vector<std::string> args;
  std::string word;
  bool inWord = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      if (inWord) args.push_back(std::move(word));
      word.clear();
      inWord = false;
      continue;
    }
    inWord = true;
    if (c == '\\') {
      if (++i == line.size()) {
        error = "the command ends in a backslash";
        return std::nullopt;
      }
      word += line[i];
    } else if (c == '\'') {
      const std::size_t end = line.find('\'', i + 1);
      if (end == std::string_view::npos) {
        error = "the command has an unterminated single quote";
        return std::nullopt;
      }
      word.append(line.substr(i + 1, end - i - 1));
      i = end;
    } else if (c == '"') {
      for (++i;; ++i) {
        if (i == line.size()) {
          error = "the command has an unterminated double quote";
          return std::nullopt;
        }
        if (line[i] == '"') break;
        if (line[i] == '\\' && i + 1 < line.size() &&
            (line[i + 1] == '"' || line[i + 1] == '\\' || line[i + 1] == '$' || line[i + 1] == '`')) {
          ++i;
        }
        word += line[i];
      }
    } else {
      word += c;
    }
  }
  if (inWord) args.push_back(std::move(word));
  return args;
}

std::vector<std::string> buildEnvironment(const char* const* inherited,
                                          const std::vector<std::pair<std::string, std::string>>& set) {
  std::vector<std::string> env;
  const auto overridden = [&set](std::string_view entry) {
    const std::string_view name = entry.substr(0, entry.find('='));
    for (const auto& [n, v] : set) {
      if (n == name) return true;
    }
    return false;
  };
  for (const char* const* e = inherited; e && *e; ++e) {
    if (!overridden(*e)) env.emplace_back(*e);
  }
  for (const auto& [name, value] : set) env.push_back(name + "=" + value);
  return env;
}

}  // namespace raidmon
