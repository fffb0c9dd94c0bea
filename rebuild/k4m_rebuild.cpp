#include "rebuild/k4m_rebuild.h"

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>

#include "rebuild/rebuild_progress.h"

namespace raidmon {

K4M_Rebuild::K4M_Rebuild(ControllerLink& link, SharedPacket& packet,
                         std::atomic<std::uint8_t>& rebuildState, GuiExecutor& gui,
                         RebuildWorkerHost& host, const RebuildRequest& request)
    : link_(link),
      packet_(packet),
      rebuildState_(rebuildState),
      gui_(gui),
      host_(host),
      sourceCard_(static_cast<std::uint8_t>(request.sourceCard - 1)),
      sourcePos_(request.sourcePos),
      targetCard_(static_cast<std::uint8_t>(request.targetCard - 1)),
      targetPos_(request.targetPos),
      size_(request.size),
      thread_([this](std::stop_token stop) { Execute(std::move(stop)); }) {}

K4M_Rebuild::~K4M_Rebuild() {
  thread_.request_stop();
  join();
}

void K4M_Rebuild::join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

bool K4M_Rebuild::transferChunk(std::uint64_t lba, std::uint16_t count) {
  const TransferRequest request{sourceCard_, sourcePos_, targetCard_, targetPos_,
                                static_cast<std::uint32_t>(lba), count};
  for (int attempt = 0; attempt < kTransferAttempts; ++attempt) {
    auto ex = packet_.exchange();
    if (link_.transfer(ex.packet(), request)) return true;
  }
  return false;
}

void K4M_Rebuild::reportProgress(std::uint64_t lba, bool atEnd) {
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
    host.rebuildProgress(rebuildProgressText(at, size), end ? 100 : rebuildPercent(at, size));
  });
}

void K4M_Rebuild::waitForFailureBox(const std::stop_token& stop) {
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

void K4M_Rebuild::Execute(std::stop_token stop) {
  bool terminate = false;  // set by a chunk that failed every attempt
  for (std::uint64_t lba = 0;; lba += kChunkSectors) {
    if (terminate || stop.stop_requested()) {
      // Cancellation path: a failed rebuild stays failed, anything else is cancelled.
      if (rebuildState_ != 4) rebuildState_ = 3;
      RebuildWorkerHost& host = host_;
      gui_.post([&host] { host.rebuildCancelled(); });
      running_ = false;
      return;
    }
    currentLba_ = lba;
    if (lba >= size_) {
      reportProgress(size_, true);
      break;
    }
    const auto count = static_cast<std::uint16_t>(std::min<std::uint64_t>(kChunkSectors, size_ - lba));
    if (!transferChunk(lba, count)) {
      rebuildState_ = 4;
      waitForFailureBox(stop);
      terminate = true;
      reportProgress(lba, false);
      continue;
    }
    if (lba + count >= size_) {
      reportProgress(size_, true);
      break;
    }
    reportProgress(lba, false);
  }

  {
    auto ex = packet_.exchange();
    link_.rebuildEnd(ex.packet(), sourcePos_, targetPos_);
  }
  RebuildWorkerHost& host = host_;
  const std::uint8_t src = sourcePos_, tgt = targetPos_;
  gui_.post([&host, src, tgt] { host.rebuildCompleted(src, tgt); });
  running_ = false;
}

}  // namespace raidmon
