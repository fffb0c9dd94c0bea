#include "platform/manual_reset_event.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "platform/spin_wait.h"

namespace raidmon {

// A waiter first spins briefly on the signalled flag, then blocks on the condition
// variable. The setter does all its work on the state under the mutex (the wake-up
// too), and a waiter that saw the flag while spinning takes the mutex once before it
// returns: so once a wait has returned, the setter no longer touches the event, and
// the waiter may destroy it at once (as a caller does with its request's event).
struct ManualResetEvent::State {
  mutable std::mutex mutex;
  std::condition_variable changed;
  bool signalled = false;
  std::atomic<bool> fast{false};  // signalled, readable without the mutex
  AdaptiveSpin spin;
};

ManualResetEvent::ManualResetEvent() : state_(std::make_unique<State>()) {}
ManualResetEvent::~ManualResetEvent() = default;

bool ManualResetEvent::valid() const { return state_ != nullptr; }

void ManualResetEvent::set() {
  std::lock_guard lock(state_->mutex);
  state_->signalled = true;
  state_->fast.store(true, std::memory_order_release);
  state_->changed.notify_all();
}

void ManualResetEvent::reset() {
  std::lock_guard lock(state_->mutex);
  state_->signalled = false;
  state_->fast.store(false, std::memory_order_release);
}

bool ManualResetEvent::isSet() const {
  std::lock_guard lock(state_->mutex);
  return state_->signalled;
}

void ManualResetEvent::wait() {
  State& s = *state_;
  s.spin([&s] { return s.fast.load(std::memory_order_acquire); });
  // Seen set or not, the mutex is taken: a setter still inside set() is waited for.
  std::unique_lock lock(s.mutex);
  s.changed.wait(lock, [&s] { return s.signalled; });
}

bool ManualResetEvent::waitFor(std::chrono::milliseconds timeout) {
  State& s = *state_;
  s.spin([&s] { return s.fast.load(std::memory_order_acquire); });
  std::unique_lock lock(s.mutex);
  return s.changed.wait_for(lock, timeout, [&s] { return s.signalled; });
}

void* ManualResetEvent::completionHandle() { return this; }

void ManualResetEvent::setByHandle(void* completionHandle) {
  static_cast<ManualResetEvent*>(completionHandle)->set();
}

}  // namespace raidmon
