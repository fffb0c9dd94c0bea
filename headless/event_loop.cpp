#include "headless/event_loop.h"

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

// The signal handler's way back to the loop: set the flag, wake the poll.
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

void EventLoop::LoopTimer::setInterval(int ms) {
  interval_ = ms < 0 ? 0 : ms;
  if (enabled_) due_ = Clock::now() + std::chrono::milliseconds(interval_);
}

void EventLoop::LoopTimer::setEnabled(bool on) {
  enabled_ = on;
  if (on) due_ = Clock::now() + std::chrono::milliseconds(interval_);
}

void EventLoop::LoopTimer::fired(Clock::time_point now) {
  // Periodic: the next tick one interval after this one was due, or one interval from
  // now when the loop fell behind (ticks are not made up).
  due_ += std::chrono::milliseconds(interval_);
  if (due_ <= now) due_ = now + std::chrono::milliseconds(interval_);
}

EventLoop::EventLoop() {
  if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("cannot make the event loop's pipe");
}

EventLoop::~EventLoop() {
  if (gSignalPipe.load() == pipe_[1]) {
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    gSignalPipe = -1;
  }
  ::close(pipe_[0]);
  ::close(pipe_[1]);
}

void EventLoop::catchTerminationSignals() {
  catching_ = true;
  gSignalled = 0;
  gSignalPipe = pipe_[1];
  struct sigaction action{};
  action.sa_handler = &onTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
}

void EventLoop::post(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    posted_.push_back(std::move(task));
  }
  // A full pipe already holds a wake-up: the byte that did not fit is not needed.
  const char byte = 't';
  [[maybe_unused]] const ssize_t n = ::write(pipe_[1], &byte, 1);
}

void EventLoop::runPosted() {
  std::deque<std::function<void()>> tasks;
  {
    std::lock_guard lock(mutex_);
    tasks.swap(posted_);
  }
  // In the order posted; a task posted meanwhile waits for the next round.
  for (auto& task : tasks) {
    if (guard_) {
      guard_(task);
    } else {
      task();
    }
  }
}

void EventLoop::discardPosted() {
  std::deque<std::function<void()>> tasks;
  std::lock_guard lock(mutex_);
  tasks.swap(posted_);
}

void EventLoop::drainPipe() {
  char buffer[256];
  while (::read(pipe_[0], buffer, sizeof buffer) > 0) {
  }
}

void EventLoop::wait(std::optional<Clock::time_point> until) {
  int timeoutMs = -1;
  if (until) {
    const auto left = *until - Clock::now();
    // Rounded up, so that the loop does not wake just before the time and spin.
    timeoutMs = left <= Clock::duration::zero()
                    ? 0
                    : static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
  }
  pollfd fd{pipe_[0], POLLIN, 0};
  if (::poll(&fd, 1, timeoutMs) > 0) drainPipe();
}

EventLoop::End EventLoop::run() {
  while (true) {
    runPosted();
    if (catching_ && gSignalled) return End::Signal;
    if (quitRequested_) return End::Quit;
    const Clock::time_point now = Clock::now();
    if (quitAt_ && now >= *quitAt_) return End::Deadline;
    if (timer_.enabled() && now >= timer_.due()) {
      timer_.fired(now);
      if (tick_ && guard_) {
        guard_(tick_);
      } else if (tick_) {
        tick_();
      }
      continue;
    }
    std::optional<Clock::time_point> until = quitAt_;
    if (timer_.enabled() && (!until || timer_.due() < *until)) until = timer_.due();
    wait(until);
  }
}

}  // namespace raidmon
