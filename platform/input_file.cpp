// The system-independent half of the input file: the bounded read and the one-step
// helpers. Opening, closing and the two primitives live in platform/posix and
// platform/win32.
#include "platform/input_file.h"

#include <algorithm>
#include <cstdint>

namespace raidmon {

const char* describe(InputFileStatus status) {
  switch (status) {
    case InputFileStatus::kOk: return "readable";
    case InputFileStatus::kMissing: return "no such file";
    case InputFileStatus::kNotRegular: return "not a regular file";
    case InputFileStatus::kTooLarge: return "too large";
    case InputFileStatus::kUnreadable: return "cannot be read";
  }
  return "cannot be read";
}

template <class Buffer>
InputFileStatus InputFile::readInto(std::size_t maxBytes, bool prefix, Buffer& out) {
  out.clear();
  if (!ok()) return status_;
  if (!prefix && size_ > maxBytes) return InputFileStatus::kTooLarge;
  // Room for the size the file has now and one byte more, so that a file that grew
  // meanwhile is seen; reading stops one byte past the limit (at it for a prefix).
  const std::size_t limit = (prefix || maxBytes == SIZE_MAX) ? maxBytes : maxBytes + 1;
  out.resize(std::min<std::size_t>(static_cast<std::size_t>(size_) + 1, limit));
  std::size_t filled = 0;
  if (!rewind()) {
    out.clear();
    return InputFileStatus::kUnreadable;
  }
  for (;;) {
    if (filled == out.size()) {
      if (out.size() >= limit) break;
      out.resize(std::min(limit, std::max<std::size_t>(2 * out.size(), 4096)));
    }
    const long long n = readSome(out.data() + filled, out.size() - filled);
    if (n == 0) break;
    if (n < 0) {
      out.clear();
      return InputFileStatus::kUnreadable;
    }
    filled += static_cast<std::size_t>(n);
  }
  if (!prefix && filled > maxBytes) {
    out.clear();
    return InputFileStatus::kTooLarge;
  }
  out.resize(filled);
  return InputFileStatus::kOk;
}

InputFileStatus InputFile::readAll(std::size_t maxBytes, std::string& out) {
  return readInto(maxBytes, false, out);
}

InputFileStatus InputFile::readAll(std::size_t maxBytes, std::vector<std::uint8_t>& out) {
  return readInto(maxBytes, false, out);
}

InputFileStatus InputFile::readPrefix(std::size_t maxBytes, std::string& out) {
  return readInto(maxBytes, true, out);
}

InputFileStatus InputFile::readPrefix(std::size_t maxBytes, std::vector<std::uint8_t>& out) {
  return readInto(maxBytes, true, out);
}

InputFileStatus readInputFile(const std::string& path, std::size_t maxBytes, std::string& out) {
  out.clear();
  InputFile f = InputFile::open(path);
  return f.readAll(maxBytes, out);
}

InputFileStatus readInputFile(const std::string& path, std::size_t maxBytes,
                              std::vector<std::uint8_t>& out) {
  out.clear();
  InputFile f = InputFile::open(path);
  return f.readAll(maxBytes, out);
}

InputFileStatus checkInputFile(const std::string& path) { return InputFile::open(path).status(); }

}  // namespace raidmon
