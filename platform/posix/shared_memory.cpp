#include "platform/shared_memory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace raidmon {

namespace {

std::string describe(const std::string& what, const std::string& name) {
  return what + " " + name + ": " + std::strerror(errno);
}

// 64 bits from the system's random source (a generator seeded from it where that
// source is not available).
std::uint64_t systemRandom() {
  std::uint64_t v = 0;
  if (::getrandom(&v, sizeof v, 0) == static_cast<ssize_t>(sizeof v)) return v;
  static std::mt19937_64 fallback{std::random_device{}()};
  return fallback();
}

std::string nameFor(std::string_view word, std::uint64_t random) {
  char suffix[17];
  std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random));
  return "/" + std::string(word) + "." + std::to_string(getpid()) + "." + suffix;
}

}  // namespace

Result<std::unique_ptr<SharedView>> SharedView::create(std::string_view word, std::size_t size) {
  return create(word, size, systemRandom);
}

Result<std::unique_ptr<SharedView>> SharedView::create(
    std::string_view word, std::size_t size, const std::function<std::uint64_t()>& random) {
  if (size == 0 || word.empty() || word.find('/') != std::string_view::npos) {
    return Unexpected("bad shared memory request");
  }
  // Created exclusively under a fresh name: an object someone else made beforehand,
  // under any name, is never ours to open.
  std::string name;
  int fd = -1;
  for (int attempt = 0; attempt < kNameAttempts && fd < 0; ++attempt) {
    name = nameFor(word, random());
    fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0 && errno != EEXIST) {
      return Unexpected(describe("cannot create shared memory", name));
    }
  }
  if (fd < 0) {
    return Unexpected("cannot create shared memory /" + std::string(word) + ": " +
                      std::to_string(kNameAttempts) + " names taken");
  }
  void* mapped = MAP_FAILED;
  int failure = 0;
  if (fchmod(fd, S_IRUSR | S_IWUSR) != 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) {
    failure = errno;
  } else {
    mapped = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapped == MAP_FAILED) failure = errno;
  }
  close(fd);
  // Mapped or not, the name goes: nobody else may open this view.
  shm_unlink(name.c_str());
  if (mapped == MAP_FAILED) {
    errno = failure;
    return Unexpected(describe("cannot set up shared memory", name));
  }
  return std::unique_ptr<SharedView>(
      new SharedView(static_cast<std::uint8_t*>(mapped), size, std::move(name)));
}

SharedView::~SharedView() { munmap(data_, size_); }

}  // namespace raidmon
