// A manual-reset event: once set it stays signalled, waking every waiter, until it is
// reset. Header-only, so the bridge library and the ASPI layer share one definition.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/spin_wait.h"

namespace raidmon {

// Any thread may call any member. A waiter first spins briefly on the signalled flag,
// then blocks on the condition variable.
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
      fast_.store(true, std::memory_order_release);
    }
    changed_.notify_all();
  }
  // Back to not signalled.
  void reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
    fast_.store(false, std::memory_order_release);
  }
  bool isSet() const {
    std::lock_guard lock(mutex_);
    return signalled_;
  }
  // Blocks until the event is signalled.
  void wait() {
    spin_([this] { return fast_.load(std::memory_order_acquire); });
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return signalled_; });
  }
  // Blocks until the event is signalled or `timeout` has passed; true when signalled.
  bool waitFor(std::chrono::milliseconds timeout) {
    spin_([this] { return fast_.load(std::memory_order_acquire); });
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return signalled_; });
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool signalled_ = false;
  std::atomic<bool> fast_{false};  // signalled_, readable without the mutex
  AdaptiveSpin spin_;
};

}  // namespace raidmon
