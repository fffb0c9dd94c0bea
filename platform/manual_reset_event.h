// A manual-reset event: once set it stays signalled, waking every waiter, until it is
// reset. The same interface on every system; behind it a mutex, a condition variable
// and a flag (platform/posix/) or the system's own event object (platform/win32/), so
// that an event can be handed to the ASPI layer, which sets it by its handle.
#pragma once

#include <chrono>
#include <memory>

namespace raidmon {

// Any thread may call any member of a valid event.
class ManualResetEvent {
 public:
  // Not signalled. Check valid(): where the system makes the event it can refuse.
  ManualResetEvent();
  ~ManualResetEvent();
  ManualResetEvent(const ManualResetEvent&) = delete;
  ManualResetEvent& operator=(const ManualResetEvent&) = delete;

  // False when the system could not make the event; no other member may then be used.
  bool valid() const;

  // Signals the event and wakes every waiter.
  void set();
  // Back to not signalled.
  void reset();
  bool isSet() const;
  // Blocks until the event is signalled.
  void wait();
  // Blocks until the event is signalled or `timeout` has passed; true when signalled.
  bool waitFor(std::chrono::milliseconds timeout);

  // What goes into a request's completion slot for the ASPI layer (SRB_PostProc): the
  // system's event handle on Windows, this object elsewhere. Valid while the event is.
  void* completionHandle();
  // Sets the event behind a handle from completionHandle() (the ASPI layer's side).
  static void setByHandle(void* completionHandle);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace raidmon
