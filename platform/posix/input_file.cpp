#include "platform/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace raidmon {

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

bool InputFile::rewind() { return ::lseek(static_cast<int>(fd_), 0, SEEK_SET) == 0; }

long long InputFile::readSome(void* into, std::size_t room) {
  for (;;) {
    const ssize_t n = ::read(static_cast<int>(fd_), into, room);
    if (n >= 0 || errno != EINTR) return n;
  }
}

}  // namespace raidmon
