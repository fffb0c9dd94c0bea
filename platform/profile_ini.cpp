#include "platform/profile_ini.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <vector>

namespace raidmon {

ProfileWriteError::ProfileWriteError(const std::string& fileName)
    : std::runtime_error("Unable to write to " + fileName) {}

namespace {

// ---- Text ----------------------------------------------------------------------------

constexpr std::string_view kBlanks = " \t\r\v\f";

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

std::vector<Line> splitLines(std::string_view text) {
  std::vector<Line> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    Line line;
    line.begin = begin;
    const auto newline = text.find('\n', begin);
    line.end = newline == std::string_view::npos ? text.size() : newline + 1;
    line.contentEnd = newline == std::string_view::npos ? text.size() : newline;
    if (line.contentEnd > begin && text[line.contentEnd - 1] == '\r' &&
        newline != std::string_view::npos) {
      --line.contentEnd;
    }
    classify(text.substr(begin, line.contentEnd - begin), line);
    lines.push_back(line);
    begin = line.end;
  }
  return lines;
}

std::string_view lineEndingOf(std::string_view text) {
  const auto newline = text.find('\n');
  if (newline != std::string_view::npos && (newline == 0 || text[newline - 1] != '\r')) {
    return "\n";
  }
  return "\r\n";
}

// Line indexes of the first section named `name`: its header and one past its last line.
struct SectionSpan {
  std::size_t header = 0;
  std::size_t end = 0;
};

std::optional<SectionSpan> findSection(const std::vector<Line>& lines, std::string_view name) {
  const auto isHeader = [](const Line& l) { return l.kind == LineKind::kSection; };
  const auto header = std::ranges::find_if(
      lines, [&](const Line& l) { return isHeader(l) && equalsIgnoringCase(l.name, name); });
  if (header == lines.end()) return std::nullopt;
  const auto end = std::find_if(header + 1, lines.end(), isHeader);
  return SectionSpan{static_cast<std::size_t>(header - lines.begin()),
                     static_cast<std::size_t>(end - lines.begin())};
}

std::optional<std::size_t> findKey(const std::vector<Line>& lines, SectionSpan span,
                                   std::string_view key) {
  for (std::size_t i = span.header + 1; i < span.end; ++i) {
    if (lines[i].kind == LineKind::kKey && equalsIgnoringCase(lines[i].name, key)) return i;
  }
  return std::nullopt;
}

std::size_t lastNonBlankLine(const std::vector<Line>& lines, SectionSpan span) {
  std::size_t last = span.header;
  for (std::size_t i = span.header + 1; i < span.end; ++i) {
    if (lines[i].kind != LineKind::kBlank) last = i;
  }
  return last;
}

bool hasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

bool isStorable(std::string_view section, std::string_view key, std::string_view value) {
  if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value)) return false;
  if (section.find(']') != std::string_view::npos) return false;
  return !key.empty() && key.find('=') == std::string_view::npos && key.front() != ';' &&
         key.front() != '[';
}

// ---- Files ---------------------------------------------------------------------------

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() { close(); }
  int get() const { return fd_; }
  bool close() {
    const bool ok = fd_ < 0 || ::close(fd_) == 0;
    fd_ = -1;
    return ok;
  }

 private:
  int fd_;
};

enum class FileState { kLoaded, kMissing, kUnreadable };

struct FileContents {
  FileState state = FileState::kMissing;
  std::string text;
};

FileContents readWholeFile(const std::string& fileName) {
  // O_NONBLOCK: opening a FIFO must not hang; it is then refused as not regular.
  FileDescriptor fd(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) {
    const bool missing = errno == ENOENT || errno == ENOTDIR;
    return {missing ? FileState::kMissing : FileState::kUnreadable, {}};
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
      static_cast<std::size_t>(info.st_size) > kMaxProfileFileSize) {
    return {FileState::kUnreadable, {}};
  }
  // Read at most one byte past the limit, so a file that grows meanwhile is still bounded.
  std::string text(kMaxProfileFileSize + 1, '\0');
  std::size_t size = 0;
  while (size < text.size()) {
    const ssize_t n = ::read(fd.get(), text.data() + size, text.size() - size);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return {FileState::kUnreadable, {}};
    }
    size += static_cast<std::size_t>(n);
  }
  if (size > kMaxProfileFileSize) return {FileState::kUnreadable, {}};
  text.resize(size);
  return {FileState::kLoaded, std::move(text)};
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Creates a new temporary file beside `fileName` (mode 0666 less the umask).
int createTemporaryBeside(const std::string& fileName, std::string& tempName) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempName = fileName + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(counter++);
    const int fd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

// ---- Public: text ----------------------------------------------------------------------

std::optional<std::string> readProfileString(std::string_view text, std::string_view section,
                                             std::string_view key) {
  const auto lines = splitLines(text);
  const auto span = findSection(lines, trim(section));
  if (!span) return std::nullopt;
  const auto line = findKey(lines, *span, trim(key));
  if (!line) return std::nullopt;
  return std::string(unquote(lines[*line].value));
}

std::optional<std::string> writeProfileString(std::string_view text, std::string_view section,
                                              std::string_view key, std::string_view value) {
  section = trim(section);
  key = trim(key);
  if (!isStorable(section, key, value)) return std::nullopt;
  const auto lines = splitLines(text);
  const std::string_view eol = lineEndingOf(text);
  std::string out;
  out.reserve(text.size() + section.size() + key.size() + value.size() + 8);

  const auto span = findSection(lines, section);
  if (!span) {
    out.append(text);
    if (!text.empty() && text.back() != '\n') out.append(eol);
    out.append("[").append(section).append("]").append(eol);
    out.append(key).append("=").append(value).append(eol);
    return out;
  }
  if (const auto k = findKey(lines, *span, key)) {
    const Line& line = lines[*k];
    out.append(text.substr(0, line.begin));
    out.append(line.name).append("=").append(value);
    out.append(text.substr(line.contentEnd));
    return out;
  }
  const Line& last = lines[lastNonBlankLine(lines, *span)];
  out.append(text.substr(0, last.end));
  if (last.end == last.contentEnd) out.append(eol);  // the text's last line had no ending
  out.append(key).append("=").append(value).append(eol);
  out.append(text.substr(last.end));
  return out;
}

// ---- Public: files ---------------------------------------------------------------------

std::optional<std::string> loadProfileFile(const std::string& fileName) {
  FileContents file = readWholeFile(fileName);
  if (file.state != FileState::kLoaded) return std::nullopt;
  return std::move(file.text);
}

void storeProfileFile(const std::string& fileName, std::string_view text) {
  struct stat existing {};
  const bool keepMode = ::stat(fileName.c_str(), &existing) == 0;
  std::string tempName;
  FileDescriptor fd(createTemporaryBeside(fileName, tempName));
  if (fd.get() < 0) throw ProfileWriteError(fileName);
  const bool written = (!keepMode || ::fchmod(fd.get(), existing.st_mode & 07777) == 0) &&
                       writeAll(fd.get(), text) && ::fsync(fd.get()) == 0 && fd.close() &&
                       ::rename(tempName.c_str(), fileName.c_str()) == 0;
  if (!written) {
    ::unlink(tempName.c_str());
    throw ProfileWriteError(fileName);
  }
}

std::optional<std::string> getPrivateProfileString(const std::string& fileName,
                                                   std::string_view section, std::string_view key) {
  const auto text = loadProfileFile(fileName);
  if (!text) return std::nullopt;
  return readProfileString(*text, section, key);
}

void writePrivateProfileString(const std::string& fileName, std::string_view section,
                               std::string_view key, std::string_view value) {
  const FileContents file = readWholeFile(fileName);
  if (file.state == FileState::kUnreadable) throw ProfileWriteError(fileName);
  const auto updated = writeProfileString(file.text, section, key, value);
  if (!updated) throw std::invalid_argument("profile entry cannot be stored in an INI file");
  storeProfileFile(fileName, *updated);
}

}  // namespace raidmon
