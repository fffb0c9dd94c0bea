// Runs the alert program for each raised alert on a thread of its own, so the poll
// cycle never waits for it: alerts queue, at most four programs run at once, and each
// is ended after its time limit. A program that cannot start, fails or is ended gives
// a note (for the trace) and a line in the event history.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "monitor/alert_program.h"
#include "monitor/alert_sink.h"
#include "monitor/transcript.h"

namespace raidmon {

struct AlertDispatcherOptions {
  int atOnce = kAlertsAtOnce;
  std::chrono::milliseconds limit = kAlertTimeLimit;
  std::chrono::milliseconds grace = kAlertKillGrace;
  // At destruction: how long queued and running alerts may still take before the
  // rest are ended.
  std::chrono::milliseconds drain{5000};
};

class AlertDispatcher final : public AlertSink {
 public:
  using Note = std::function<void(const std::string&)>;
  // `argv` is the split command (non-empty). `history` (may be null) gets the lines
  // of failed runs and the recorded lines; `note` (may be null) is called on the
  // dispatcher's thread.
  AlertDispatcher(std::vector<std::string> argv, LineRecorder* history, Note note,
                  AlertDispatcherOptions options = {});
  ~AlertDispatcher() override;
  AlertDispatcher(const AlertDispatcher&) = delete;
  AlertDispatcher& operator=(const AlertDispatcher&) = delete;

  // Queues one run; the facts' time is now. Never waits.
  void raise(const AlertFacts& facts) override;
  void record(std::string_view kind, const std::vector<std::string_view>& fields) override;

  // For tests: waits until nothing is queued or running (false after `wait`).
  bool waitIdle(std::chrono::milliseconds wait);
  // The most programs that ran at the same time so far.
  int peakRunning() const;

 private:
  struct Job {
    AlertEvent event;
    std::vector<std::string> env;
  };
  struct Running {
    AlertEvent event;
    std::unique_ptr<AlertRunner> runner;
  };
  void run();
  void stepRunning(std::vector<Running>& running, std::chrono::steady_clock::time_point now, bool drained);

  const std::vector<std::string> argv_;
  LineRecorder* history_;
  const Note note_;
  const AlertDispatcherOptions options_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<Job> queue_;
  int running_ = 0;
  int peak_ = 0;
  bool stopping_ = false;
  std::thread thread_;  // last: starts after every field above exists
};

}  // namespace raidmon
