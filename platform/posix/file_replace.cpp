#include "platform/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <optional>

namespace raidmon {

namespace {

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

// The file a write goes to: `fileName` itself, or the last target of the symbolic links
// it names (a missing target is created there, as writing through the link would).
// nullopt for a loop of links or a link that cannot be read.
std::optional<std::string> writeTargetOf(const std::string& fileName) {
  std::string path = fileName;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    std::string target(4096, '\0');
    const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return std::nullopt;
    target.resize(static_cast<std::size_t>(n));
    if (target.front() != '/') {
      const auto slash = path.rfind('/');
      target.insert(0, slash == std::string::npos ? std::string() : path.substr(0, slash + 1));
    }
    path = std::move(target);
  }
  return std::nullopt;
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

bool replaceFileContents(const std::string& fileName, std::string_view text) {
  const auto target = writeTargetOf(fileName);
  if (!target) return false;
  struct stat existing {};
  const bool exists = ::stat(target->c_str(), &existing) == 0;
  // A file without any write permission is read-only, for root as well: it is left as
  // it is, as the read-only attribute keeps a file from being written.
  if (exists && (!S_ISREG(existing.st_mode) || (existing.st_mode & 0222) == 0 ||
                 ::access(target->c_str(), W_OK) != 0)) {
    return false;
  }
  std::string tempName;
  FileDescriptor fd(createTemporaryBeside(*target, tempName));
  if (fd.get() < 0) return false;
  const bool written = (!exists || ::fchmod(fd.get(), existing.st_mode & 07777) == 0) &&
                       writeAll(fd.get(), text) && ::fsync(fd.get()) == 0 && fd.close() &&
                       ::rename(tempName.c_str(), target->c_str()) == 0;
  if (!written) {
    ::unlink(tempName.c_str());
    return false;
  }
  return true;
}

}  // namespace raidmon
