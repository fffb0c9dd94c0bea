// The bridge library's state from load to unload: the ASPI layer and its two entry
// points, the shared packet view, the request block and the completion event.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/aspi32/aspi32.h"
#include "platform/manual_reset_event.h"
#include "platform/result.h"
#include "platform/shared_memory.h"

namespace raidmon::bridge {

inline constexpr std::size_t kViewSize = 2076;

enum class AttachFailure { AspiLibraryMissing, AspiEntryMissing, ViewFailed, EventFailed };
// Why attach() failed: which step, and the reason in words.
struct AttachError {
  AttachFailure failure = AttachFailure::AspiLibraryMissing;
  std::string message;
};

// One per loaded library. The entry points take lock() for a whole request, so two
// threads calling in never share the view at the same time.
class BridgeState {
 public:
  // Loads `directory` + the ASPI layer's file (aspi::kLibraryFile), fetches GetASPI32SupportInfo and
  // SendASPI32Command, creates the view named after `word`, the request block and the
  // event. On failure the result says which step failed and why, and nothing is left
  // behind (the ASPI layer is unloaded again).
  static Result<std::unique_ptr<BridgeState>, AttachError> attach(const std::string& directory,
                                                                  std::string_view word);
  // Unmaps the view, frees the request block and the event. The ASPI layer stays
  // loaded until the process ends.
  ~BridgeState();

  BridgeState(const BridgeState&) = delete;
  BridgeState& operator=(const BridgeState&) = delete;

  std::mutex& lock() { return lock_; }
  std::uint8_t* view() { return view_->data(); }
  const SharedView& sharedView() const { return *view_; }

  // Calls GetASPI32SupportInfo (the answer is not needed).
  void touchSupportInfo();

  // Sends the first `length` bytes of the view as a CDB 0x77 request to the adapter
  // and target and waits for it up to `timeout`. True when the layer completed it
  // (SS_COMP); false when the layer refused or failed it, or when it did not complete
  // in time (it is then aborted). After a false return the layer no longer touches
  // the view, but the view's contents are unspecified.
  bool send(std::uint8_t adapter, std::uint8_t target, std::uint32_t length,
            std::chrono::milliseconds timeout);

 private:
  BridgeState() = default;

  void* aspiLibrary_ = nullptr;
  aspi::GetASPI32SupportInfoFn getSupportInfo_ = nullptr;
  aspi::SendASPI32CommandFn sendCommand_ = nullptr;
  std::unique_ptr<SharedView> view_;
  std::unique_ptr<aspi::ExecRequest> request_;
  std::unique_ptr<ManualResetEvent> event_;
  std::mutex lock_;
};

// Process attach, called by the system's load hook (posix_load.cpp, win32_load.cpp):
// loads the ASPI layer from the program directory and sets up the library's state.
// On failure shows the load-failure message box and returns false; the hook then
// fails the load.
bool attachProcess();
// Process detach: the view, the request block and the event go; the ASPI layer stays.
void detachProcess();

// The time-out for one request: `packetTimeoutSeconds`, unless K4_ASPI_TIMEOUT_MS holds
// a whole number of milliseconds from 1 to 86400000.
std::chrono::milliseconds requestTimeout(std::uint32_t packetTimeoutSeconds);

}  // namespace raidmon::bridge
