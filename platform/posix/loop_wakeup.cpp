#include "platform/loop_wakeup.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <stdexcept>

namespace raidmon {

namespace {

// The signal handler's way back to the loop: set the flag, write to the pipe.
std::atomic<int> gSignalPipe{-1};
volatile std::sig_atomic_t gSignalled = 0;

extern "C" void onTerminationSignal(int) {
  const int saved = errno;
  gSignalled = 1;
  const int fd = gSignalPipe.load();
  if (fd >= 0) {
    const char byte = 's';
    [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
  }
  errno = saved;
}

}  // namespace

// A non-blocking pipe: a byte in it is a wake-up; a full pipe already holds one.
struct LoopWakeup::Os {
  int pipe[2] = {-1, -1};
};

LoopWakeup::LoopWakeup() : os_(new Os) {
  if (::pipe2(os_->pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    delete os_;
    throw std::runtime_error("cannot make the event loop's pipe");
  }
}

LoopWakeup::~LoopWakeup() {
  if (gSignalPipe.load() == os_->pipe[1]) {
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    gSignalPipe = -1;
  }
  ::close(os_->pipe[0]);
  ::close(os_->pipe[1]);
  delete os_;
}

void LoopWakeup::wake() {
  const char byte = 't';
  [[maybe_unused]] const ssize_t n = ::write(os_->pipe[1], &byte, 1);
}

void LoopWakeup::wait(int timeoutMs) {
  pollfd fd{os_->pipe[0], POLLIN, 0};
  if (::poll(&fd, 1, timeoutMs) > 0) {
    char buffer[256];
    while (::read(os_->pipe[0], buffer, sizeof buffer) > 0) {
    }
  }
}

void LoopWakeup::catchTermination() {
  gSignalled = 0;
  gSignalPipe = os_->pipe[1];
  struct sigaction action{};
  action.sa_handler = &onTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
}

bool LoopWakeup::terminationRequested() const { return gSignalled != 0; }

void keepRunningWhenOutputCloses() { std::signal(SIGPIPE, SIG_IGN); }

}  // namespace raidmon
