#include "platform/shared_memory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace raidmon {

namespace {

std::string describe(const std::string& what, const std::string& name) {
  return what + " " + name + ": " + std::strerror(errno);
}

// Opens the object for reading and writing, creating it with mode 0600 when absent.
// An object that already exists must be ours, closed to everyone else and exactly
// `size` bytes long (or empty, when it is ours and was never sized).
int openPrivate(const std::string& name, std::size_t size, std::string& error) {
  int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, S_IRUSR | S_IWUSR);
  bool created = fd >= 0;
  if (!created) {
    if (errno != EEXIST) {
      error = describe("cannot create shared memory", name);
      return -1;
    }
    fd = shm_open(name.c_str(), O_RDWR, 0);
    if (fd < 0) {
      error = describe("cannot open shared memory", name);
      return -1;
    }
  }
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    error = describe("cannot inspect shared memory", name);
    close(fd);
    return -1;
  }
  if (st.st_uid != geteuid() || (st.st_mode & 077) != 0) {
    error = "shared memory " + name + " is not private to this user";
    close(fd);
    return -1;
  }
  if (st.st_size == 0) {
    if (ftruncate(fd, static_cast<off_t>(size)) != 0 || fstat(fd, &st) != 0) {
      error = describe("cannot size shared memory", name);
      close(fd);
      if (created) shm_unlink(name.c_str());
      return -1;
    }
  }
  if (static_cast<std::size_t>(st.st_size) != size) {
    error = "shared memory " + name + " has " + std::to_string(st.st_size) + " bytes, not " +
            std::to_string(size);
    close(fd);
    if (created) shm_unlink(name.c_str());
    return -1;
  }
  return fd;
}

}  // namespace

std::unique_ptr<SharedView> SharedView::create(std::string_view word, std::size_t size,
                                               std::string& error) {
  if (size == 0 || word.empty() || word.find('/') != std::string_view::npos) {
    error = "bad shared memory request";
    return nullptr;
  }
  std::string name = "/" + std::string(word) + "." + std::to_string(getpid());
  const int fd = openPrivate(name, size, error);
  if (fd < 0) return nullptr;
  void* mapped = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  const int mapErrno = errno;
  close(fd);
  // Mapped or not, the name goes: nobody else may open this view.
  shm_unlink(name.c_str());
  if (mapped == MAP_FAILED) {
    errno = mapErrno;
    error = describe("cannot map shared memory", name);
    return nullptr;
  }
  return std::unique_ptr<SharedView>(
      new SharedView(static_cast<std::uint8_t*>(mapped), size, std::move(name)));
}

SharedView::~SharedView() { munmap(data_, size_); }

}  // namespace raidmon
