// The operator's side of a mirror rebuild: the rebuild page, choosing source and
// mirror partner, starting (by hand or automatically), cancelling, and reporting.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "monitor/monitor.h"
#include "rebuild/gui_executor.h"
#include "rebuild/rebuild_rate.h"
#include "rebuild/rebuild_worker.h"
#include "platform/thread_affinity.h"

namespace raidmon {

inline constexpr std::string_view kStartCaption = "START [&S]";
inline constexpr std::string_view kCancelCaption = "CANCEL [&C]";
inline constexpr std::string_view kNone = " None";

// A rebuild page that shows nothing (where there is no screen, or before the dialog).
RebuildPageView& nullRebuildPage();

// GUI thread only (the worker's reports arrive through the executor).
class RebuildControl final : public RebuildHooks, public RebuildWorkerHost {
 public:
  RebuildControl(Monitor& monitor, GuiExecutor& gui);
  ~RebuildControl() override;

  void setPage(RebuildPageView& page) { page_ = &page; }

  // Page preparation when the Monitor dialog is shown.
  void preparePage();
  // A node chosen in the tree while the rebuild page shows (SelectRebuildSource).
  void selectSource(int absoluteIndex, int arrayNodeIndex, const std::string& nodeLabel,
                           int arrayNumber);
  // The page's START button (Rebuild_StartClick).
  void startRebuild();
  // The automatic start the poll cycle hands over (AutoRebuildClick).
  void startAutoRebuild() override;
  // The page's CANCEL button (Rebuild_CancelClick).
  void cancelRebuild();
  void ReportRebuildOutcome() override;
  void ResetRebuildPage();
  // The Monitor dialog closing: a running rebuild asks whether to cancel.
  void dialogClosing();

  void AddRebuildEvent(std::uint8_t sourcePos, std::uint8_t targetPos, std::string_view message);
  void RefreshRebuildIndicator(int card, int position);
  void MarkRebuildIndicators();
  void ShowSelectionLayout();
  void ShowStartLayout();
  void UpdateStartCaption();

  // Hidden main-window commands: "Rebuild Complete" (RebuildComplete1Click), the
  // rebuild size value (RebuildSizeValue1Click) and its check (RebuildSizeCheck1Click).
  void markRebuildComplete();
  void askRebuildSize();
  void toggleRebuildSize();

  // RebuildWorkerHost: the worker's reports, on the GUI thread.
  void rebuildProgress(const std::string& text, int percent) override;
  void rebuildPosition(std::uint64_t lba, std::uint64_t size) override;
  void rebuildTransferFailed() override;
  void rebuildCompleted(std::uint8_t sourcePos, std::uint8_t targetPos) override;
  void rebuildCancelled() override;
  void rebuildEndFailed() override;

  // The longest wait for the shared packet while the worker may hold it (the cancel's
  // status read, the hidden "Rebuild Complete" command): the packet's time-out.
  void setPacketWait(std::chrono::milliseconds wait) { packetWait_ = wait; }

  // Selection state.
  DrivePosition source, target;  // the pair; a card of 0: none chosen
  std::uint8_t RebuildArray = 0;
  bool RebuildIdle = true;
  RebuildWorker* worker() { return worker_.get(); }

 private:
  bool sendRebuildBegin();  // true when the controller accepted
  // The automatic start's pair: the first position the status flags as a rebuild
  // target and the first it flags as a source, with their texts on the page. Returns
  // the source array's size (0 without a source).
  std::uint64_t findFlaggedPair(const StatusBlock& status, bool& haveTarget);
  void startWorker(std::uint64_t size);
  std::uint64_t applySizeOverride(std::uint64_t size) const;
  // A refused CTL_REBUILD_BEGIN: positions re-evaluated, polling again, state
  // Cancelled, box.
  void refuseStart(bool clearRebuildFlags, std::string_view message);
  void refreshRebuildIndicators();  // cards 1 and 2
  // The accepted start's common steps: indicators, row, worker.
  void markAndStart(std::uint64_t size);
  // True when source and target are two different drive positions.
  bool validPair() const;
  // Why no rebuild may start now (a flash update runs), or empty.
  std::string startRefusal() const;
  // Makes the next poll cycle see a change, so it reports the rebuild's outcome.
  void markSnapshotForOutcome();
  // Polling resumes at LoopTime.
  void resumePolling();
  // The page once the worker's walk has ended: START enabled, status and bar cleared,
  // idle, selection layout.
  void endOfWalkPage();

  Monitor& monitor_;
  GuiExecutor& gui_;
  RebuildPageView* page_;
  std::unique_ptr<RebuildWorker> worker_;
  std::chrono::milliseconds packetWait_;
  ThreadAffinity affinity_;  // debug builds: every call on the creating thread
  RebuildRate rate_;  // the page's rate line, and the outcome's alert and summary
};

}  // namespace raidmon
