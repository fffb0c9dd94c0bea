// A manual-reset event: once set it stays signalled, waking every waiter, until it is
// reset. Header-only, so the bridge library and the ASPI layer share one definition.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace raidmon {

// Any thread may call any member.
class ManualResetEvent {
 public:
  ManualResetEvent() = default;
  ManualResetEvent(const ManualResetEvent&) = delete;
  ManualResetEvent& operator=(const ManualResetEvent&) = delete;

  // Signals the event and wakes every waiter.
  void set() {
    {
      std::lock_guard lock(mutex_);
      signalled_ = true;
    }
    changed_.notify_all();
  }
  // Back to not signalled.
  void reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
  }
  bool isSet() const {
    std::lock_guard lock(mutex_);
    return signalled_;
  }
  // Blocks until the event is signalled.
  void wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return signalled_; });
  }
  // Blocks until the event is signalled or `timeout` has passed; true when signalled.
  bool waitFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return signalled_; });
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool signalled_ = false;
};

}  // namespace raidmon
