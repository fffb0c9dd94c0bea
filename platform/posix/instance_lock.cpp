#include "platform/instance_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace raidmon {

namespace {

// The process id the holder wrote, digits only and short, or empty.
std::string readHolder(int fd) {
  char buffer[24] = {};
  const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
  if (n <= 0) return {};
  std::string text;
  for (ssize_t i = 0; i < n && buffer[i] != '\n'; ++i) {
    if (buffer[i] < '0' || buffer[i] > '9') return {};
    text += buffer[i];
  }
  return text.size() <= 10 ? text : std::string();
}

}  // namespace

InstanceLock::Acquisition InstanceLock::acquire(const std::string& path) {
  Acquisition result;
  const int flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | flags, 0600);
  // A lock file another user made can still be locked through a read-only open.
  if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_RDONLY | flags);
  if (fd < 0) {
    result.error = path + ": " + std::strerror(errno);
    return result;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    result.error = path + ": not a regular file";
    return result;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    if (err == EWOULDBLOCK) {
      result.outcome = Outcome::HeldByOther;
      result.holder = readHolder(fd);
    } else {
      result.error = path + ": " + std::strerror(err);
    }
    ::close(fd);
    return result;
  }
  const std::string pid = std::to_string(::getpid()) + "\n";
  if (::ftruncate(fd, 0) == 0) {
    [[maybe_unused]] const ssize_t written = ::pwrite(fd, pid.data(), pid.size(), 0);
  }
  result.outcome = Outcome::Taken;
  result.lock.reset(new InstanceLock(fd));
  return result;
}

InstanceLock::~InstanceLock() { ::close(fd_); }

}  // namespace raidmon
