#include "headless/event_loop.h"

namespace raidmon {

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

void EventLoop::catchTerminationSignals() {
  catching_ = true;
  wakeup_.catchTermination();
}

void EventLoop::post(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    posted_.push_back(std::move(task));
  }
  wakeup_.wake();
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

void EventLoop::wait(std::optional<Clock::time_point> until) {
  int timeoutMs = -1;
  if (until) {
    const auto left = *until - Clock::now();
    // Rounded up, so that the loop does not wake just before the time and spin.
    timeoutMs = left <= Clock::duration::zero()
                    ? 0
                    : static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
  }
  wakeup_.wait(timeoutMs);
}

EventLoop::End EventLoop::run() {
  while (true) {
    runPosted();
    if (catching_ && wakeup_.terminationRequested()) return End::Signal;
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
