#include "platform/profile_ini.h"

#include "platform/file_replace.h"
#include "platform/input_file.h"
#include "platform/raidmon_error.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace raidmon {

std::string profileWriteErrorText(const std::string& fileName) {
  return "Unable to write to " + fileName;
}

namespace {

// ---- Text ----------------------------------------------------------------------------

// Ctrl-Z, the end-of-file mark some old editors leave after the last line, is a blank.
constexpr std::string_view kBlanks = " \t\r\v\f\x1a";

// The byte-order mark an editor may put before UTF-8 text: not part of the first line.
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::size_t bodyStart(std::string_view text) { return text.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0; }

std::string_view trim(std::string_view s) {
  const auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

std::string_view unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

enum class LineKind { kBlank, kSection, kKey, kOther };

struct Line {
  std::size_t begin = 0;       // offset of the line's first byte
  std::size_t contentEnd = 0;  // offset of its line ending (the text's end when it has none)
  std::size_t end = 0;         // offset after its line ending
  LineKind kind = LineKind::kOther;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key value, trimmed, quotes kept
};

void classify(std::string_view content, Line& line) {
  const std::string_view t = trim(content);
  if (t.empty()) {
    line.kind = LineKind::kBlank;
    return;
  }
  if (t.front() == ';') return;  // comment
  if (t.front() == '[') {
    const auto close = t.rfind(']');
    if (close == std::string_view::npos) return;
    line.kind = LineKind::kSection;
    line.name = trim(t.substr(1, close - 1));
    return;
  }
  const auto equals = t.find('=');
  if (equals == std::string_view::npos) return;
  const std::string_view name = trim(t.substr(0, equals));
  if (name.empty()) return;
  line.kind = LineKind::kKey;
  line.name = name;
  line.value = trim(t.substr(equals + 1));
}

// Walks the lines of a text one at a time (no table of lines, so a file of any size
// costs no memory beyond its text). CR, LF and CRLF each end a line.
class LineCursor {
 public:
  explicit LineCursor(std::string_view text) : text_(text), pos_(bodyStart(text)) {}

  // The next line, or nullopt at the end of the text.
  std::optional<Line> next() {
    if (pos_ >= text_.size()) return std::nullopt;
    Line line;
    line.begin = pos_;
    const auto brk = text_.find_first_of("\r\n", pos_);
    if (brk == std::string_view::npos) {
      line.contentEnd = line.end = text_.size();
    } else {
      line.contentEnd = brk;
      line.end = brk + 1;
      if (text_[brk] == '\r' && line.end < text_.size() && text_[line.end] == '\n') ++line.end;
    }
    classify(text_.substr(line.begin, line.contentEnd - line.begin), line);
    pos_ = line.end;
    return line;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// The line ending of the text's first line; CRLF when it has none.
std::string_view lineEndingOf(std::string_view text) {
  const auto brk = text.find_first_of("\r\n");
  if (brk == std::string_view::npos) return "\r\n";
  if (text[brk] == '\n') return "\n";
  return brk + 1 < text.size() && text[brk + 1] == '\n' ? "\r\n" : "\r";
}

// Where the first section named `name` stands and what it holds.
struct SectionScan {
  bool found = false;
  std::optional<Line> key;  // the first line of the wanted key in that section
  Line lastNonBlank;        // the section's last line that is not blank (its header at least)
};

SectionScan scanSection(std::string_view text, std::string_view section, std::string_view key) {
  SectionScan scan;
  LineCursor cursor(text);
  bool inside = false;
  while (const auto line = cursor.next()) {
    if (line->kind == LineKind::kSection) {
      if (inside) break;  // the first section of that name ends here
      if (equalsIgnoringCase(line->name, section)) {
        inside = scan.found = true;
        scan.lastNonBlank = *line;
      }
      continue;
    }
    if (!inside) continue;
    if (line->kind != LineKind::kBlank) scan.lastNonBlank = *line;
    if (!scan.key && line->kind == LineKind::kKey && equalsIgnoringCase(line->name, key)) {
      scan.key = *line;
    }
  }
  return scan;
}

bool hasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

bool isStorable(std::string_view section, std::string_view key, std::string_view value) {
  if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value)) return false;
  if (section.find(']') != std::string_view::npos) return false;
  return !key.empty() && key.find('=') == std::string_view::npos && key.front() != ';' &&
         key.front() != '[';
}

// ---- Files ---------------------------------------------------------------------------

ProfileFile readWholeFile(const std::string& fileName) {
  // Opened without blocking: a FIFO or a device is refused as not regular.
  std::string text;
  switch (readInputFile(fileName, kMaxProfileFileSize, text)) {
    case InputFileStatus::kOk:
      // UTF-16 text (a byte-order mark FF FE or FE FF first) is not read as 8-bit lines:
      // its settings would go unseen and a write would add 8-bit lines to it.
      if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
        return {ProfileFileState::kUnreadable, {}};
      }
      return {ProfileFileState::kLoaded, std::move(text)};
    case InputFileStatus::kMissing: return {ProfileFileState::kMissing, {}};
    default: return {ProfileFileState::kUnreadable, {}};
  }
}

}  // namespace

// ---- Public: text ----------------------------------------------------------------------

std::optional<std::string> readProfileString(std::string_view text, std::string_view section,
                                             std::string_view key) {
  const SectionScan scan = scanSection(text, trim(section), trim(key));
  if (!scan.key) return std::nullopt;
  return std::string(unquote(scan.key->value));
}

std::optional<std::string> writeProfileString(std::string_view text, std::string_view section,
                                              std::string_view key, std::string_view value) {
  // A line break is refused before the blanks are trimmed: a CR is a blank to the
  // trimming and a line end to the reader.
  if (hasLineBreak(section) || hasLineBreak(key)) return std::nullopt;
  section = trim(section);
  key = trim(key);
  if (!isStorable(section, key, value)) return std::nullopt;
  const std::string_view eol = lineEndingOf(text);
  std::string out;
  out.reserve(text.size() + section.size() + key.size() + value.size() + 8);

  const SectionScan scan = scanSection(text, section, key);
  const auto endsLine = [](char c) { return c == '\n' || c == '\r'; };
  if (!scan.found) {
    out.append(text);
    if (text.size() > bodyStart(text) && !endsLine(text.back())) out.append(eol);
    out.append("[").append(section).append("]").append(eol);
    out.append(key).append("=").append(value).append(eol);
    return out;
  }
  if (scan.key) {
    const Line& line = *scan.key;
    out.append(text.substr(0, line.begin));
    out.append(line.name).append("=").append(value);
    out.append(text.substr(line.contentEnd));
    return out;
  }
  const Line& last = scan.lastNonBlank;
  out.append(text.substr(0, last.end));
  if (last.end == last.contentEnd) out.append(eol);  // the text's last line had no ending
  out.append(key).append("=").append(value);
  // A lone CR before a line that starts with LF would join it into one CRLF ending and
  // swallow that (blank) line.
  const std::string_view rest = text.substr(last.end);
  out.append(eol == "\r" && !rest.empty() && rest.front() == '\n' ? "\r\n" : eol);
  out.append(rest);
  return out;
}

// ---- Public: files ---------------------------------------------------------------------

std::string profileReadErrorText(const std::string& fileName) { return "Unable to read " + fileName; }

ProfileFile readProfileFile(const std::string& fileName) { return readWholeFile(fileName); }

std::optional<std::string> loadProfileFile(const std::string& fileName) {
  ProfileFile file = readWholeFile(fileName);
  if (file.state != ProfileFileState::kLoaded) return std::nullopt;
  return std::move(file.text);
}

void storeProfileFile(const std::string& fileName, std::string_view text) {
  if (!replaceFileContents(fileName, text)) throw RaidmonError(profileWriteErrorText(fileName));
}

std::optional<std::string> getPrivateProfileString(const std::string& fileName,
                                                   std::string_view section, std::string_view key) {
  const auto text = loadProfileFile(fileName);
  if (!text) return std::nullopt;
  return readProfileString(*text, section, key);
}

void writePrivateProfileString(const std::string& fileName, std::string_view section,
                               std::string_view key, std::string_view value) {
  const ProfileFile file = readWholeFile(fileName);
  if (file.state == ProfileFileState::kUnreadable) throw RaidmonError(profileWriteErrorText(fileName));
  const auto updated = writeProfileString(file.text, section, key, value);
  if (!updated) throw std::invalid_argument("profile entry cannot be stored in an INI file");
  storeProfileFile(fileName, *updated);
}

}  // namespace raidmon
