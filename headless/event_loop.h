// raidmond's event loop: one thread that runs the poll timer's ticks, the tasks the
// rebuild worker posts from its own thread, and the end of the program (SIGTERM,
// SIGINT or their Windows counterparts, --quit-after). It sleeps in a LoopWakeup that
// posted tasks and termination requests wake, with the nearest deadline as its
// time-out.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "monitor/monitor_views.h"
#include "platform/loop_wakeup.h"
#include "rebuild/gui_executor.h"

namespace raidmon {

class EventLoop final : public GuiExecutor {
 public:
  using Clock = std::chrono::steady_clock;

  // Why run() returned.
  enum class End { Quit, Signal, Deadline };

  EventLoop() = default;
  ~EventLoop() override = default;
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // From now on a request to end the program (SIGTERM, SIGINT; Ctrl+C, Ctrl+Break or
  // the console closing on Windows) ends run() with End::Signal instead of the
  // process. Call once, before the loop runs.
  void catchTerminationSignals();

  // The poll timer, as the core drives it: a periodic timer that enabling or a new
  // interval restarts, as a running window timer restarts.
  PollTimer& timer() { return timer_; }
  // What a timer tick runs.
  void setTick(std::function<void()> tick) { tick_ = std::move(tick); }

  // GuiExecutor: queues a task for the loop's thread; any thread, never blocks.
  void post(std::function<void()> task) override;

  // run() returns End::Deadline once `after` has passed from now.
  void quitAfter(std::chrono::milliseconds after) { quitAt_ = Clock::now() + after; }
  // run() returns End::Quit before it waits again (loop thread).
  void quit() { quitRequested_ = true; }

  // Runs ticks and tasks until quit(), a signal or the deadline.
  End run();
  // Runs the tasks queued so far (the loop thread, also outside run()).
  void runPosted();
  // Drops the tasks queued so far without running them (once what they report to is
  // gone).
  void discardPosted();
  // Every tick and task runs through `guard` (which catches what they throw).
  void setGuard(std::function<void(const std::function<void()>&)> guard) { guard_ = std::move(guard); }

 private:
  class LoopTimer final : public PollTimer {
   public:
    void setInterval(int ms) override;
    int interval() const override { return interval_; }
    void setEnabled(bool on) override;
    bool enabled() const override { return enabled_; }
    // The next tick's time, when enabled.
    Clock::time_point due() const { return due_; }
    // Called as the tick runs: the next one one interval on.
    void fired(Clock::time_point now);

   private:
    int interval_ = 0;
    bool enabled_ = false;
    Clock::time_point due_{};
  };

  void wait(std::optional<Clock::time_point> until);

  LoopWakeup wakeup_;
  LoopTimer timer_;
  std::function<void()> tick_;
  std::function<void(const std::function<void()>&)> guard_;
  std::mutex mutex_;
  std::deque<std::function<void()>> posted_;
  std::optional<Clock::time_point> quitAt_;
  bool quitRequested_ = false;
  bool catching_ = false;
};

}  // namespace raidmon
