// The rebuild worker (the system's rebuild thread K4M_Rebuild): walks a mirror's sector
// range in 128-sector CTL_TRANSFER requests on its own thread, then ends the rebuild or
// is cancelled.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "link/controller_link.h"
#include "link/shared_packet.h"
#include "monitor/drive_position.h"
#include "monitor/state_codes.h"
#include "rebuild/gui_executor.h"

namespace raidmon {

inline constexpr int kTransferAttempts = 5;
inline constexpr std::string_view kDmaFailed = "TAVRIX DMA Failed!";

// What the worker hands to the GUI thread. Every call arrives there through the
// executor; the worker never touches a widget.
class RebuildWorkerHost {
 public:
  virtual ~RebuildWorkerHost() = default;
  // The latest progress (text and bar value); updates are coalesced, so some are
  // never shown, but the last one always is.
  virtual void rebuildProgress(const std::string& text, int percent) = 0;
  // The position that progress report stands for (`lba` of `size` sectors), just
  // before it; for the rate and the time left.
  virtual void rebuildPosition(std::uint64_t /*lba*/, std::uint64_t /*size*/) {}
  // Shows "TAVRIX DMA Failed!" and returns when the operator dismissed it; the
  // worker waits meanwhile. `Rebuild_Start` is enabled and the state is already Failed;
  // polling resumes, so the next cycle reports the failure.
  virtual void rebuildTransferFailed() = 0;
  // The end steps after the controller confirmed CTL_REBUILD_END: page, state Completed,
  // snapshot, row, timer.
  virtual void rebuildCompleted(std::uint8_t sourcePos, std::uint8_t targetPos) = 0;
  // Every chunk was copied but CTL_REBUILD_END did not go through or was not done:
  // the state is already Failed; the page returns to idle and polling resumes, so the
  // next cycle reports the failure.
  virtual void rebuildEndFailed() = 0;
  // The cancellation path's page changes (labels " None", status cleared, bar 0).
  virtual void rebuildCancelled() = 0;
};

struct RebuildRequest {
  DrivePosition source{1, 1};
  DrivePosition target{1, 1};
  std::uint64_t size = 0;  // sectors, from sector 0
};

class RebuildWorker {
 public:
  // Starts the walk at once on a new thread. `rebuildState` is the monitor's
  // RebuildState (already Running). A chunk is done only when its request went through
  // and the controller's ReturnCode says done; a chunk not done after 5 attempts, or an
  // end the controller did not confirm, fails the rebuild (Failed). The worker moves the
  // state only away from Running: a cancel (Cancelled) or a report (Idle) that came
  // first stands.
  RebuildWorker(ControllerLink& link, SharedPacket& packet, WorkerRebuildState rebuildState,
                GuiExecutor& gui, RebuildWorkerHost& host, const RebuildRequest& request);
  // Requests termination and waits for the thread (any thread but the worker's).
  ~RebuildWorker();

  RebuildWorker(const RebuildWorker&) = delete;
  RebuildWorker& operator=(const RebuildWorker&) = delete;

  // The termination request; takes effect at the next chunk step.
  void Terminate() { thread_.request_stop(); }
  bool running() const { return running_.load(); }
  // Waits until the walk has ended (for tests and shutdown).
  void join();

  // Fields, in the worker's own terms (indexes 0..3).
  std::uint8_t sourceCardIndex() const { return sourceCard_; }
  std::uint8_t sourcePosIndex() const { return sourcePos_; }
  std::uint8_t targetCardIndex() const { return targetCard_; }
  std::uint8_t targetPosIndex() const { return targetPos_; }
  std::uint64_t size() const { return size_; }
  std::uint64_t currentLba() const { return currentLba_.load(); }

 private:
  void Execute(std::stop_token stop);
  bool transferChunk(std::uint64_t lba, std::uint16_t count);
  bool sendRebuildEnd();
  // Moves RebuildState from running to `to`; false when it was no longer running.
  bool leaveRunning(RebuildState to);
  void cancelled();
  void reportProgress(std::uint64_t lba, bool atEnd);
  void waitForFailureBox(const std::stop_token& stop);

  ControllerLink& link_;
  SharedPacket& packet_;
  WorkerRebuildState rebuildState_;
  GuiExecutor& gui_;
  RebuildWorkerHost& host_;
  const std::uint8_t sourceCard_, sourcePos_, targetCard_, targetPos_;
  const std::uint64_t size_;
  std::atomic<std::uint64_t> currentLba_{0};
  std::atomic<bool> running_{true};

  // Progress coalescing: the latest values, and whether an update is already queued.
  // Shared with the queued update, which may run after this object is gone.
  // The text is made on the GUI thread, only for the updates that are shown.
  struct ProgressSlot {
    std::mutex mutex;
    std::uint64_t lba = 0;
    bool atEnd = false;
    bool queued = false;
  };
  std::shared_ptr<ProgressSlot> progress_ = std::make_shared<ProgressSlot>();

  std::jthread thread_;  // last: starts after every field above exists
};

}  // namespace raidmon
