#include "platform/loop_wakeup.h"

#include <windows.h>

#include <atomic>
#include <stdexcept>

namespace raidmon {

namespace {

// The console handler's way back to the loop (it runs on a thread of its own).
std::atomic<HANDLE> gWakeEvent{nullptr};
std::atomic<bool> gTerminationRequested{false};

BOOL WINAPI onConsoleControl(DWORD kind) {
  switch (kind) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_SHUTDOWN_EVENT: {
      gTerminationRequested = true;
      if (HANDLE event = gWakeEvent.load()) ::SetEvent(event);
      // Closing and shutting down end the process once the handler returns: give the
      // loop a moment to cancel a running rebuild first.
      if (kind == CTRL_CLOSE_EVENT || kind == CTRL_SHUTDOWN_EVENT) ::Sleep(3000);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

// An auto-reset event: set is a wake-up, a wait that sees it clears it.
struct LoopWakeup::Os {
  HANDLE event = nullptr;
  bool catching = false;
};

LoopWakeup::LoopWakeup() : os_(new Os) {
  os_->event = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (os_->event == nullptr) {
    delete os_;
    throw std::runtime_error("cannot make the event loop's event");
  }
}

LoopWakeup::~LoopWakeup() {
  if (os_->catching) {
    ::SetConsoleCtrlHandler(&onConsoleControl, FALSE);
    gWakeEvent = nullptr;
  }
  ::CloseHandle(os_->event);
  delete os_;
}

void LoopWakeup::wake() { ::SetEvent(os_->event); }

void LoopWakeup::wait(int timeoutMs) {
  ::WaitForSingleObject(os_->event, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
}

void LoopWakeup::catchTermination() {
  gTerminationRequested = false;
  gWakeEvent = os_->event;
  os_->catching = true;
  ::SetConsoleCtrlHandler(&onConsoleControl, TRUE);
}

bool LoopWakeup::terminationRequested() const { return gTerminationRequested.load(); }

// Writes to a closed pipe fail with an error on Windows; nothing ends the program.
void keepRunningWhenOutputCloses() {}

}  // namespace raidmon
