#include "platform/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

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

InputFile InputFile::open(const std::string& path) {
  InputFile f;
  // O_NONBLOCK: opening a FIFO that has no writer returns at once instead of waiting;
  // O_NOCTTY: a terminal named here never becomes ours.
  f.fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (f.fd_ < 0) {
    f.status_ = (errno == ENOENT || errno == ENOTDIR) ? InputFileStatus::kMissing
                                                       : InputFileStatus::kUnreadable;
    return f;
  }
  struct stat st {};
  if (::fstat(f.fd_, &st) != 0) {
    f.status_ = InputFileStatus::kUnreadable;
  } else if (!S_ISREG(st.st_mode)) {
    f.status_ = InputFileStatus::kNotRegular;
  } else {
    f.status_ = InputFileStatus::kOk;
    f.identity_ = FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    f.size_ = st.st_size < 0 ? 0 : static_cast<std::uint64_t>(st.st_size);
  }
  if (!f.ok()) {
    ::close(f.fd_);
    f.fd_ = -1;
  }
  return f;
}

InputFile::InputFile(InputFile&& other) noexcept
    : fd_(other.fd_), status_(other.status_), identity_(other.identity_), size_(other.size_) {
  other.fd_ = -1;
}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    status_ = other.status_;
    identity_ = other.identity_;
    size_ = other.size_;
    other.fd_ = -1;
  }
  return *this;
}

InputFile::~InputFile() {
  if (fd_ >= 0) ::close(fd_);
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
  if (::lseek(fd_, 0, SEEK_SET) != 0) {
    out.clear();
    return InputFileStatus::kUnreadable;
  }
  for (;;) {
    if (filled == out.size()) {
      if (out.size() >= limit) break;
      out.resize(std::min(limit, std::max<std::size_t>(2 * out.size(), 4096)));
    }
    const ssize_t n = ::read(fd_, out.data() + filled, out.size() - filled);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
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
