#include "monitor/alert_dispatcher.h"

#include <algorithm>
#include <memory>

#include "platform/child_process.h"

namespace raidmon {

AlertDispatcher::AlertDispatcher(std::vector<std::string> argv, LineRecorder* history, Note note,
                                 AlertDispatcherOptions options)
    : argv_(std::move(argv)), history_(history), note_(std::move(note)), options_(options),
      thread_([this] { run(); }) {}

AlertDispatcher::~AlertDispatcher() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void AlertDispatcher::raise(const AlertFacts& facts) {
  // The environment is made now, so RAIDMON_TIME is the event's time however long
  // the alert waits in the queue.
  Job job{facts.event, buildEnvironment(inheritedEnvironment(), alertVariables(facts, std::chrono::system_clock::now()))};
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(job));
  }
  wake_.notify_all();
}

void AlertDispatcher::record(std::string_view kind, const std::vector<std::string_view>& fields) {
  if (history_) history_->write(kind, fields);
}

bool AlertDispatcher::waitIdle(std::chrono::milliseconds wait) {
  std::unique_lock lock(mutex_);
  return idle_.wait_for(lock, wait, [this] { return queue_.empty() && running_ == 0; });
}

int AlertDispatcher::peakRunning() const {
  std::lock_guard lock(mutex_);
  return peak_;
}

void AlertDispatcher::run() {
  std::vector<Running> running;
  std::chrono::steady_clock::time_point drainEnd{};
  for (;;) {
    std::vector<Job> starting;
    bool stopping;
    {
      std::unique_lock lock(mutex_);
      // Sleeps until there is something to start, or briefly while programs run (to
      // reap them and watch their limits).
      if (running.empty()) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      } else {
        wake_.wait_for(lock, std::chrono::milliseconds(10), [this, &running] {
          return static_cast<int>(running.size()) < options_.atOnce && !queue_.empty();
        });
      }
      stopping = stopping_;
      while (!queue_.empty() && static_cast<int>(running.size() + starting.size()) < options_.atOnce) {
        starting.push_back(std::move(queue_.front()));
        queue_.pop_front();
      }
      running_ = static_cast<int>(running.size() + starting.size());
      peak_ = std::max(peak_, running_);
      if (stopping && drainEnd == std::chrono::steady_clock::time_point{}) {
        drainEnd = std::chrono::steady_clock::now() + options_.drain;
      }
    }
    for (Job& job : starting) {
      running.push_back({job.event, std::make_unique<AlertRunner>(argv_, job.env, options_.limit, options_.grace)});
    }

    const auto now = std::chrono::steady_clock::now();
    const bool drained = stopping && now >= drainEnd;
    stepRunning(running, now, drained);

    std::lock_guard lock(mutex_);
    if (drained) queue_.clear();
    running_ = static_cast<int>(running.size());
    if (queue_.empty() && running.empty()) {
      idle_.notify_all();
      if (stopping_) return;
    }
  }
}

// Advances every running program: one that ended leaves the list (a failure is noted
// and recorded); at the end of the drain the rest are ended.
void AlertDispatcher::stepRunning(std::vector<Running>& running, std::chrono::steady_clock::time_point now,
                                  bool drained) {
  for (auto it = running.begin(); it != running.end();) {
    std::optional<AlertRun> result = it->runner->step(now);
    if (!result && drained) {
      result = AlertRun{AlertRunOutcome::TimedOut, "ended at exit"};
    }
    if (!result) {
      ++it;
      continue;
    }
    if (result->outcome != AlertRunOutcome::Succeeded) {
      const std::string what = describeAlertRun(*result);
      const std::string_view event = alertEventName(it->event);
      if (note_) note_("Alert program for " + std::string(event) + ": " + what);
      if (history_) history_->write("alert", {event, what, argv_.front()});
    }
    it = running.erase(it);  // a program still running is killed with its group here
  }
}

}  // namespace raidmon
