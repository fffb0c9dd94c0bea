#include "rebuild/rebuild_control.h"

#include <algorithm>

#include "monitor/array_info.h"
#include "platform/strict_int.h"
#include "protocol/packet_timeout.h"

namespace raidmon {

namespace {

// Where a member of an array sits, from the configuration's record.
DrivePosition memberPlace(const ArrayRecord& rec, int slot) {
  const auto k = static_cast<std::size_t>(slot);
  return DrivePosition::fromWire(rec.memberCard[k], rec.memberPosition[k]);
}

struct NullPage final : RebuildPageView {
  void setSourceText(std::string_view) override {}
  void setTargetText(std::string_view) override {}
  void setPrompt(std::string_view) override {}
  void setPromptVisible(bool) override {}
  void setTops(int, int, int, int) override {}
  void setStartVisible(bool) override {}
  void setStartEnabled(bool) override {}
  void setStartCaption(std::string_view) override {}
  void setProgress(int) override {}
  void setStatusText(std::string_view) override {}
};


constexpr std::string_view kPromptSource = "Select Source HDD from list on left side";
constexpr std::string_view kPromptSourceAfterReset = "Select Source HDD from left-side list";
constexpr std::string_view kPromptTarget = "Select Target HDD from list on left side";
constexpr std::string_view kConfirmStart = "Press OK to start REBUILD";
constexpr std::string_view kSizeZero = "Rebuild Size Zero";
constexpr std::string_view kConfirmCancel = "Are you sure to finish rebuilding ? ";
constexpr std::string_view kFlashRunning =
    "A flash ROM update is running: start the rebuild after it has ended";
constexpr std::string_view kConfirmRebuildEnd =
    "Press OK to tell the controller that the rebuild is complete.\n"
    "No data is copied: the target drive is marked as equal to its source.";
constexpr std::string_view kNoRebuildToEnd =
    "No drive waits for a rebuild: nothing was sent to the controller";

bool mirrored(std::uint8_t kind) {
  return kind == kKindRaid1 || kind == kKindRaid01Four || kind == kKindRaid01Eight;
}

// Member slot of the mirror partner of slot k, by kind.
int partnerSlot(std::uint8_t kind, int k) {
  switch (kind) {
    case kKindRaid1: return k == 0 ? 1 : k - 1;
    case kKindRaid01Four: return k < 2 ? k + 2 : k - 2;
    case kKindRaid01Eight: return k < 4 ? k + 4 : k - 4;
    default: return -1;
  }
}

std::string modelText(const ArrayRecord& r, int slot) {
  return r.memberIdentity[static_cast<std::size_t>(slot)].model().substr(0, 40);
}

}  // namespace

RebuildPageView& nullRebuildPage() {
  static NullPage page;
  return page;
}

RebuildControl::RebuildControl(Monitor& monitor, GuiExecutor& gui)
    : monitor_(monitor), gui_(gui), page_(&nullRebuildPage()), packetWait_(packetTimeout()) {}

RebuildControl::~RebuildControl() = default;

void RebuildControl::ShowSelectionLayout() {
  page_->setPromptVisible(true);
  page_->setTops(64, 62, 103, 102);
  page_->setStartVisible(false);
}

void RebuildControl::ShowStartLayout() {
  page_->setTops(29, 27, 68, 67);
  page_->setStartVisible(true);
  page_->setPromptVisible(false);
}

void RebuildControl::UpdateStartCaption() {
  page_->setStartCaption(RebuildIdle ? kStartCaption : kCancelCaption);
}

void RebuildControl::preparePage() {
  affinity_.check("RebuildControl");
  source = target = DrivePosition{};
  if (monitor_.state().RebuildState == RebuildState::Idle) {
    RebuildIdle = true;
    page_->setSourceText(kNone);
    page_->setTargetText(kNone);
    page_->setPrompt(kPromptSource);
    page_->setPromptVisible(true);
    ShowSelectionLayout();
  }
  UpdateStartCaption();
}

void RebuildControl::selectSource(int absoluteIndex, int arrayNodeIndex,
                                         const std::string& nodeLabel, int arrayNumber) {
  affinity_.check("RebuildControl");
  // A running rebuild keeps its pair, whatever is clicked in the tree.
  if (!RebuildIdle || monitor_.state().RebuildState == RebuildState::Running) return;
  if (arrayNumber < 0 || arrayNumber >= kArrayRecords) return;
  const ArrayRecord& rec = monitor_.model().array(arrayNumber);
  if (!mirrored(rec.kind)) {
    monitor_.views().dialogs->messageBox("only raid1 or raid 0+1 hdd select");
    return;
  }
  if (absoluteIndex < 0 || absoluteIndex == arrayNodeIndex) return;
  const int k = absoluteIndex - arrayNodeIndex - 1;  // the drive's place under its array
  const int members = rec.memberCount();
  if (k < 0 || k >= members) return;
  source = memberPlace(rec, k);
  page_->setSourceText(" " + nodeLabel);
  RebuildArray = static_cast<std::uint8_t>(arrayNumber);
  page_->setPrompt(kPromptTarget);
  page_->setPromptVisible(true);
  ShowSelectionLayout();
  const int partner = partnerSlot(rec.kind, k);
  if (partner < 0 || partner >= members) {
    // A mirror missing its partner: nothing to copy onto.
    target = DrivePosition{};
    page_->setTargetText(kNone);
    return;
  }
  target = memberPlace(rec, partner);
  ShowStartLayout();
  page_->setTargetText(" " + modelText(rec, partner));
}

bool RebuildControl::validPair() const {
  return source.valid() && target.valid() && source != target;
}

std::string RebuildControl::startRefusal() const {
  if (monitor_.flashUpdateRunning()) return std::string(kFlashRunning);
  return {};
}

void RebuildControl::markSnapshotForOutcome() {
  monitor_.markSnapshotChanged();
}

void RebuildControl::resumePolling() {
  const MonitorViews& v = monitor_.views();
  v.timer->setInterval(monitor_.state().LoopTime);
  v.timer->setEnabled(true);
}

bool RebuildControl::sendRebuildBegin() {
  auto ex = monitor_.packet().exchange();
  const bool sent = monitor_.link().rebuildBegin(ex.packet());
  // A request that did not go through is no acceptance either.
  return sent && ex.packet().controllerDone();
}

void RebuildControl::refuseStart(bool clearRebuildFlags, std::string_view message) {
  // The evaluation of a position reads only its own flags: clearing them all first is
  // the same as clearing each just before its evaluation.
  if (clearRebuildFlags) monitor_.clearRebuildFlags();
  for (int card = 1; card <= kCards; ++card) {
    for (int pos = 1; pos <= kPositions; ++pos) monitor_.evaluatePosition(card, pos, kChanged, 1);
  }
  resumePolling();
  page_->setStartEnabled(true);
  monitor_.setRebuildState(RebuildState::Cancelled);
  monitor_.views().dialogs->confirmBox(message, false);
}

void RebuildControl::refreshRebuildIndicators() {
  // Cards 1 and 2 always (as the page has always done); cards 3 and 4 where they exist.
  const int cards = std::clamp<int>(monitor_.state().CardCount, 2, kCards);
  for (int card = 1; card <= cards; ++card) {
    for (int pos = 1; pos <= kPositions; ++pos) RefreshRebuildIndicator(card, pos);
  }
}

void RebuildControl::markAndStart(std::uint64_t size) {
  refreshRebuildIndicators();
  MarkRebuildIndicators();
  AddRebuildEvent(source.wirePosition(), target.wirePosition(), "Rebuild Start");
  rate_.start(target);
  startWorker(applySizeOverride(size));
}

std::uint64_t RebuildControl::applySizeOverride(std::uint64_t size) const {
  const std::int64_t over = monitor_.rebuildSizeOverride();
  if (monitor_.menu().checked(MenuItem::RebuildSizeCheck1) && over > 9999) {
    return static_cast<std::uint64_t>(over);
  }
  return size;
}

void RebuildControl::startWorker(std::uint64_t size) {
  monitor_.setRebuildState(RebuildState::Running);
  worker_.reset();  // a finished worker from before
  worker_ = std::make_unique<RebuildWorker>(
      monitor_.link(), monitor_.packet(), monitor_.rebuildStateForWorker(), gui_, *this,
      RebuildRequest{source, target, size});
}

void RebuildControl::startRebuild() {
  affinity_.check("RebuildControl");
  const MonitorViews& v = monitor_.views();
  if (!RebuildIdle) {
    cancelRebuild();
    return;
  }
  if (const std::string why = startRefusal(); !why.empty()) {
    v.dialogs->errorBox(why);
    return;
  }
  if (!validPair()) {
    monitor_.traceNote("Rebuild not started: no target drive apart from the source");
    return;
  }
  if (!v.dialogs->confirmBox(kConfirmStart, true)) return;
  const std::uint64_t size = monitor_.model().array(RebuildArray).size;
  if (size == 0) {
    v.dialogs->confirmBox(kSizeZero, false);
    return;
  }
  if (!sendRebuildBegin()) {
    refuseStart(false, "Reset Failed!!!");
    return;
  }
  v.timer->setEnabled(false);
  RebuildIdle = false;
  UpdateStartCaption();
  markAndStart(size);
}

void RebuildControl::startAutoRebuild() {
  affinity_.check("RebuildControl");
  const MonitorViews& v = monitor_.views();
  if (monitor_.flashUpdateRunning()) {
    // The flash update owns the controller and the poll timer until it ends; the
    // automatic rebuild stays armed and the first cycle after the update retries it.
    monitor_.traceNote("Auto rebuild deferred: a flash ROM update is running");
    monitor_.setAutoRebuildOff(false);
    monitor_.clearRebuildFlags();
    markSnapshotForOutcome();
    return;
  }
  v.timer->setEnabled(false);
  monitor_.setAutoRebuildOff(true);
  monitor_.readStatus();
  const StatusBlock& status = monitor_.latestStatus();

  bool haveTarget = false;
  const std::uint64_t size = findFlaggedPair(status, haveTarget);
  if (size == 0) {
    v.dialogs->confirmBox(kSizeZero, false);
    v.timer->setEnabled(true);
    return;
  }
  if (!haveTarget || !validPair()) {
    // Nothing to copy onto: no request goes out, and the next flag arms it again.
    monitor_.traceNote(haveTarget ? "Auto rebuild not started: the rebuild target is its own source"
                                  : "Auto rebuild not started: no rebuild target in the configuration");
    monitor_.setAutoRebuildOff(false);
    source = target = DrivePosition{};
    page_->setSourceText(kNone);
    page_->setTargetText(kNone);
    v.timer->setEnabled(true);
    return;
  }
  if (!v.dialogs->confirmBox(kConfirmStart, true)) {
    v.timer->setEnabled(true);
    return;
  }
  if (!sendRebuildBegin()) {
    refuseStart(true, "Reset Failed!");
    return;
  }
  v.timer->setEnabled(false);
  RebuildIdle = false;
  ShowStartLayout();
  UpdateStartCaption();
  page_->setStartVisible(true);
  markAndStart(size);
}

std::uint64_t RebuildControl::findFlaggedPair(const StatusBlock& status, bool& haveTarget) {
  std::uint64_t size = 0;
  bool haveSource = false;
  haveTarget = false;
  source = target = DrivePosition{};
  for (int card = 1; card <= kCards; ++card) {
    for (int pos = 1; pos <= kPositions; ++pos) {
      const int e = entryIndex(card, pos);
      const bool isTarget = !haveTarget && status.rebuild(e) == 1;
      const bool isSource = !haveSource && status.source(e) == 1;
      if (!isTarget && !isSource) continue;
      const auto member = monitor_.model().memberAt(e);
      if (!member) continue;
      const ArrayRecord& rec = monitor_.model().array(member->array);
      if (isTarget) {
        haveTarget = true;
        target = memberPlace(rec, member->slot);
        page_->setTargetText(modelText(rec, member->slot));
      }
      if (isSource) {
        haveSource = true;
        source = memberPlace(rec, member->slot);
        page_->setSourceText(modelText(rec, member->slot));
        size = rec.size;
      }
    }
  }
  return size;
}

void RebuildControl::cancelRebuild() {
  affinity_.check("RebuildControl");
  const MonitorViews& v = monitor_.views();
  // A rebuild that has already ended in failure is reported by the next poll: nothing
  // is left to cancel, and the failure is not turned into a cancel.
  const auto endedInFailure = [this] {
    if (monitor_.state().RebuildState != RebuildState::Failed) return false;
    ShowSelectionLayout();
    RebuildIdle = true;
    UpdateStartCaption();
    return true;
  };
  if (endedInFailure()) return;
  if (!v.dialogs->confirmBox(kConfirmCancel, true)) return;
  // The rebuild may have ended while the question was open.
  if (endedInFailure() || monitor_.state().RebuildState != RebuildState::Running) return;
  // The worker is told first, so that it stops after the chunk in flight however fast
  // the controller answers while the steps below run.
  if (worker_ && worker_->running()) worker_->Terminate();
  // The worker may be inside a request the controller holds back: wait for the packet
  // no longer than the request's own time-out, then go on without a fresh status.
  if (!monitor_.readStatusWithin(packetWait_)) {
    monitor_.traceNote("Rebuild Cancel: no status read, the controller did not answer in time");
  }
  refreshRebuildIndicators();
  // The row below forgets the cards of the pair: keep the target's place first.
  const DrivePosition cancelledTarget = target;
  AddRebuildEvent(source.wirePosition(), target.wirePosition(), "Rebuild Cancel");
  ShowSelectionLayout();
  RebuildIdle = true;
  UpdateStartCaption();
  page_->setProgress(0);
  page_->setStartEnabled(true);
  if (cancelledTarget.valid()) monitor_.markCancelledTarget(cancelledTarget.entry());
  // A worker that failed meanwhile keeps its failure.
  monitor_.leaveRunningRebuild(RebuildState::Cancelled);
  source = target = DrivePosition{};
  page_->setSourceText(kNone);
  page_->setTargetText(kNone);
  resumePolling();
  page_->setStatusText("");
  page_->setRateText("");
  page_->setProgress(0);
}

void RebuildControl::dialogClosing() {
  affinity_.check("RebuildControl");
  if (!RebuildIdle) startRebuild();
}

void RebuildControl::AddRebuildEvent(std::uint8_t sourcePos, std::uint8_t targetPos,
                                     std::string_view message) {
  affinity_.check("RebuildControl");
  const std::string location = "Card" + std::to_string(source.card) + " S:" +
                               std::string(positionShortName(sourcePos)) + " Card" +
                               std::to_string(target.card) + " T:" +
                               std::string(positionShortName(targetPos));
  monitor_.views().grid->addEventRow(location, message, "");
  if (message != "Rebuild Start") source.card = target.card = 0;
}

void RebuildControl::RefreshRebuildIndicator(int card, int position) {
  const MonitorViews& v = monitor_.views();
  v.debug->fillDebugGrid();
  v.debug->addTrace("Eye_Stop");
  if (!validCard(card) || !validPosition(position)) return;
  const int e = entryIndex(card, position);
  if (monitor_.latestStatus().isHere(e) != 1) return;
  const std::string_view file = monitor_.latestStatus().rebuild(e) == 1 ? kGifOrange : kGifTopGreen;
  v.indicators->loadAnimation(card, position, monitor_.programDir() + std::string(file));
  v.indicators->showAndPlay(card, position);
}

void RebuildControl::MarkRebuildIndicators() {
  monitor_.markRebuildPair(source, target);
}

void RebuildControl::ReportRebuildOutcome() {
  affinity_.check("RebuildControl");
  const RebuildState state = monitor_.state().RebuildState;
  std::string_view line;
  switch (state) {
    case RebuildState::Completed: line = "Rebuild Process Complete!"; break;
    case RebuildState::Cancelled: line = "Rebuild Process Cancel!"; break;
    case RebuildState::Failed: line = "Rebuild Process Fail!"; break;
    default: return;
  }
  NoticeView& box = *monitor_.views().notice;
  box.setNoticeLine(1, "");
  box.setNoticeLine(2, line);
  box.setNoticeLine(3, "");
  if (state == RebuildState::Completed) box.setNoticeOkVisible(true);
  box.showNotice();
  rate_.reportOutcome(*monitor_.views().alerts, state, line);
  monitor_.setRebuildState(RebuildState::Idle);
  ResetRebuildPage();
}

void RebuildControl::ResetRebuildPage() {
  affinity_.check("RebuildControl");
  ShowSelectionLayout();
  RebuildIdle = true;
  page_->setProgress(0);
  page_->setSourceText(kNone);
  page_->setTargetText(kNone);
  page_->setPrompt(kPromptSourceAfterReset);
  UpdateStartCaption();
  monitor_.copyStatusToSnapshot(Monitor::CopyHotFrom::Rebuild);
}

void RebuildControl::markRebuildComplete() {
  affinity_.check("RebuildControl");
  const MonitorViews& v = monitor_.views();
  // It tells the controller that target and source are equal without copying a byte,
  // so it is sent only where a rebuild is due, and only when the operator confirms.
  bool flagged = monitor_.state().RebuildState == RebuildState::Running;
  for (int e = 0; e < kEntries && !flagged; ++e) flagged = monitor_.latestStatus().rebuild(e) == 1;
  if (!flagged) {
    v.dialogs->messageBox(kNoRebuildToEnd);
    return;
  }
  if (!v.dialogs->confirmBox(kConfirmRebuildEnd, true)) return;
  auto ex = monitor_.packet().tryExchange(packetWait_);
  const bool done =
      ex && monitor_.link().rebuildEnd(ex->packet(), source.wirePosition(), target.wirePosition()) && ex->packet().controllerDone();
  monitor_.traceNote(done ? "Rebuild Complete sent" : "Rebuild Complete not done by the controller");
}

void RebuildControl::askRebuildSize() {
  affinity_.check("RebuildControl");
  const MonitorViews& v = monitor_.views();
  const std::string answer = v.dialogs->inputBox("Rebuild", "Rebuild Size", "10000").value_or("10000");
  if (const auto value = parseWholeNumber(answer)) {
    monitor_.setRebuildSizeOverride(*value);  // sign-extended
  } else {
    v.dialogs->errorBox(conversionErrorMessage(answer));
  }
}

void RebuildControl::toggleRebuildSize() {
  affinity_.check("RebuildControl");
  const bool on = !monitor_.menu().checked(MenuItem::RebuildSizeCheck1);
  monitor_.setMenuChecked(MenuItem::RebuildSizeCheck1, on);
  monitor_.setMenuVisible(MenuItem::RebuildSizeValue1, on);
  monitor_.setMenuVisible(MenuItem::RebuildSizeCheck1, on);
}

void RebuildControl::rebuildProgress(const std::string& text, int percent) {
  affinity_.check("RebuildControl");
  page_->setStatusText(text);
  page_->setProgress(percent);
}

void RebuildControl::rebuildPosition(std::uint64_t lba, std::uint64_t size) {
  affinity_.check("RebuildControl");
  rate_.progress(lba, size);
  page_->setRateText(rate_.line());
}

void RebuildControl::rebuildTransferFailed() {
  affinity_.check("RebuildControl");
  page_->setStartEnabled(true);
  monitor_.views().dialogs->confirmBox(kDmaFailed, false);
  // The failed rebuild is over: polling resumes and its next cycle reports the failure.
  markSnapshotForOutcome();
  resumePolling();
}

void RebuildControl::endOfWalkPage() {
  page_->setStartEnabled(true);
  page_->setStatusText("");
  page_->setRateText("");
  RebuildIdle = true;
  ShowSelectionLayout();
  page_->setProgress(0);
}

void RebuildControl::rebuildEndFailed() {
  affinity_.check("RebuildControl");
  monitor_.traceNote("Rebuild End not done by the controller: the rebuild failed");
  endOfWalkPage();
  UpdateStartCaption();
  markSnapshotForOutcome();
  resumePolling();
}

void RebuildControl::rebuildCompleted(std::uint8_t sourcePos, std::uint8_t targetPos) {
  affinity_.check("RebuildControl");
  // A cancel that the GUI thread ran before this report stands.
  if (monitor_.state().RebuildState != RebuildState::Running) return;
  endOfWalkPage();
  monitor_.setRebuildState(RebuildState::Completed);
  markSnapshotForOutcome();
  AddRebuildEvent(sourcePos, targetPos, "Rebuild End");
  monitor_.views().timer->setEnabled(true);
}

void RebuildControl::rebuildCancelled() {
  affinity_.check("RebuildControl");
  page_->setSourceText(kNone);
  page_->setTargetText(kNone);
  page_->setStatusText("");
  page_->setRateText("");
  page_->setProgress(0);
}

}  // namespace raidmon
