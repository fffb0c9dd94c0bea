#include "platform/manual_reset_event.h"

#include <windows.h>

namespace raidmon {

// The system's manual-reset event, without a name, initially not signalled.
struct ManualResetEvent::State {
  HANDLE event = nullptr;
};

ManualResetEvent::ManualResetEvent() : state_(std::make_unique<State>()) {
  state_->event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

ManualResetEvent::~ManualResetEvent() {
  if (state_->event != nullptr) CloseHandle(state_->event);
}

bool ManualResetEvent::valid() const { return state_->event != nullptr; }

void ManualResetEvent::set() { SetEvent(state_->event); }

void ManualResetEvent::reset() { ResetEvent(state_->event); }

bool ManualResetEvent::isSet() const { return WaitForSingleObject(state_->event, 0) == WAIT_OBJECT_0; }

void ManualResetEvent::wait() { WaitForSingleObject(state_->event, INFINITE); }

bool ManualResetEvent::waitFor(std::chrono::milliseconds timeout) {
  // Waits longer than one call takes (INFINITE is reserved) go on in slices, against
  // one deadline.
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    const DWORD slice = left.count() <= 0 ? 0
                        : left.count() >= 0x7FFFFFFF ? 0x7FFFFFFF
                                                     : static_cast<DWORD>(left.count());
    const DWORD got = WaitForSingleObject(state_->event, slice);
    if (got == WAIT_OBJECT_0) return true;
    if (got != WAIT_TIMEOUT || slice == 0) return false;
  }
}

void* ManualResetEvent::completionHandle() { return state_->event; }

void ManualResetEvent::setByHandle(void* completionHandle) {
  SetEvent(static_cast<HANDLE>(completionHandle));
}

}  // namespace raidmon
