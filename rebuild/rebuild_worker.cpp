#include "rebuild/rebuild_worker.h"

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>

#include "rebuild/rebuild_progress.h"

namespace raidmon {

RebuildWorker::RebuildWorker(ControllerLink& link, SharedPacket& packet,
                             WorkerRebuildState rebuildState, GuiExecutor& gui,
                             RebuildWorkerHost& host, const RebuildRequest& request)
    : link_(link),
      packet_(packet),
      rebuildState_(rebuildState),
      gui_(gui),
      host_(host),
      sourceCard_(request.source.wireCard()),
      sourcePos_(request.source.wirePosition()),
      targetCard_(request.target.wireCard()),
      targetPos_(request.target.wirePosition()),
      size_(request.size),
      thread_([this](std::stop_token stop) { Execute(std::move(stop)); }) {}

RebuildWorker::~RebuildWorker() {
  thread_.request_stop();
  join();
}

void RebuildWorker::join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

bool RebuildWorker::transferChunk(std::uint64_t lba, std::uint16_t count) {
  const TransferRequest request{sourceCard_, sourcePos_, targetCard_, targetPos_,
                                static_cast<std::uint32_t>(lba), count};
  for (int attempt = 0; attempt < kTransferAttempts; ++attempt) {
    auto ex = packet_.exchange();
    // A request that went through but that the controller did not do (a pulled drive,
    // a range past a drive's end) is a failed attempt like one that did not go out.
    if (link_.transfer(ex.packet(), request) && ex.packet().controllerDone()) return true;
  }
  return false;
}

bool RebuildWorker::sendRebuildEnd() {
  auto ex = packet_.exchange();
  return link_.rebuildEnd(ex.packet(), sourcePos_, targetPos_) && ex.packet().controllerDone();
}

bool RebuildWorker::leaveRunning(RebuildState to) {
  return rebuildState_.leaveRunning(to);
}

void RebuildWorker::cancelled() {
  // A running rebuild becomes cancelled; a failed one stays failed.
  leaveRunning(RebuildState::Cancelled);
  RebuildWorkerHost& host = host_;
  gui_.post([&host] { host.rebuildCancelled(); });
  running_ = false;
}

void RebuildWorker::reportProgress(std::uint64_t lba, bool atEnd) {
  std::shared_ptr<ProgressSlot> slot = progress_;
  std::lock_guard lock(slot->mutex);
  slot->lba = lba;
  slot->atEnd = atEnd;
  if (slot->queued) return;  // the queued update will carry these values
  slot->queued = true;
  RebuildWorkerHost& host = host_;
  const std::uint64_t size = size_;
  gui_.post([&host, slot, size] {
    std::uint64_t at;
    bool end;
    {
      std::lock_guard l(slot->mutex);
      at = slot->lba;
      end = slot->atEnd;
      slot->queued = false;
    }
    host.rebuildPosition(at, size);
    host.rebuildProgress(rebuildProgressText(at, size), end ? 100 : rebuildPercent(at, size));
  });
}

void RebuildWorker::waitForFailureBox(const std::stop_token& stop) {
  auto shown = std::make_shared<std::promise<void>>();
  std::future<void> dismissed = shown->get_future();
  RebuildWorkerHost& host = host_;
  gui_.post([&host, shown] {
    host.rebuildTransferFailed();
    shown->set_value();
  });
  // Waits for the operator, unless the worker is being torn down meanwhile.
  while (dismissed.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
    if (stop.stop_requested()) return;
  }
}

void RebuildWorker::Execute(std::stop_token stop) {
  for (std::uint64_t lba = 0;; lba += kChunkSectors) {
    if (stop.stop_requested()) {
      cancelled();
      return;
    }
    currentLba_ = lba;
    if (lba >= size_) {
      reportProgress(size_, true);
      break;
    }
    const auto count = static_cast<std::uint16_t>(std::min<std::uint64_t>(kChunkSectors, size_ - lba));
    if (!transferChunk(lba, count)) {
      // Failed unless a cancel came first; the failed chunk is not tried again and
      // the walk ends through the cancellation path, without CTL_REBUILD_END.
      if (leaveRunning(RebuildState::Failed)) waitForFailureBox(stop);
      reportProgress(lba, false);
      cancelled();
      return;
    }
    if (lba + count >= size_) {
      reportProgress(size_, true);
      break;
    }
    reportProgress(lba, false);
  }

  // A cancel that came while the last chunk was in flight stands: no end steps.
  if (stop.stop_requested()) {
    cancelled();
    return;
  }
  RebuildWorkerHost& host = host_;
  if (!sendRebuildEnd()) {
    leaveRunning(RebuildState::Failed);
    gui_.post([&host] { host.rebuildEndFailed(); });
    running_ = false;
    return;
  }
  const std::uint8_t src = sourcePos_, tgt = targetPos_;
  gui_.post([&host, src, tgt] { host.rebuildCompleted(src, tgt); });
  running_ = false;
}

}  // namespace raidmon
