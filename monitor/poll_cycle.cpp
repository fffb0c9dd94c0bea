// The poll cycle: the quiet period and scan wait before a bus rescan, the plug and
// status checks, the connection log, the evaluation of every position and the hand-off
// to the rebuild control.
#include "monitor/monitor.h"

namespace raidmon {

namespace {

std::size_t sumIndex(int card, int position) {
  return static_cast<std::size_t>(4 * (card - 1) + position - 1);
}

}  // namespace

void Monitor::pollOnce() {
  affinity_.check("Monitor");
  if (state_.RebuildState == RebuildState::Running) return;

  scanWaitTick();

  const int plugResult = plugCheck();
  const int statusResult = statusCheck();

  if (plugResult != 0 || statusResult != 0) {
    computePresenceSums();
    events_.LogConnectionChanges(latest_, tables_, state_.presenceSums, state_.previousSums);
    if (state_.RebuildState != RebuildState::Running) {
      trace("EyeSetting");
      for (int card = 1; card <= kCards; ++card) {
        for (int pos = 1; pos <= kPositions; ++pos) {
          evaluatePosition(card, pos, statusResult, plugResult);
        }
      }
    }
    display_.PlayPositionIndicators();
    state_.previousSums = state_.presenceSums;
    views_.rebuild->ReportRebuildOutcome();
    views_.timer->setInterval(state_.LoopTime);
  }

  if (state_.AutoRebuildPending) {
    state_.AutoRebuildPending = false;
    views_.rebuild->startAutoRebuild();
  } else {
    views_.timer->setEnabled(true);
  }
}

void Monitor::scanWaitTick() {
  if (state_.HoldOff) {
    ++state_.HoldOffCounter;
    if (state_.HoldOffCounter > kHoldOffTicks) state_.HoldOff = false;
  }
  if (!state_.ScanActive) return;
  if (state_.HoldOff) {
    state_.ScanCounter = 0;
    state_.HoldOff = false;
  }
  if (state_.ScanCounter <= kScanTicks) {
    if (state_.ScanCounter == 0) views_.scan->showScanForm(kScanCaption);
    ++state_.ScanCounter;
    views_.scan->setScanProgress(state_.ScanCounter * 100 / kScanTicks);
  } else if (state_.RescanRequested) {
    rescanNow();
  } else {
    // The wait is over without a rescan; the next failed read starts a new one.
    views_.scan->setScanCaption(kWaitCaption);
    views_.scan->closeScanForm();
    state_.ScanActive = false;
    state_.ScanCounter = 0;
  }
}

void Monitor::computePresenceSums() {
  for (int card = 1; card <= kWatchedCards; ++card) {
    for (int pos = 1; pos <= kPositions; ++pos) {
      const auto e = static_cast<std::size_t>(entryIndex(card, pos));
      state_.presenceSums[sumIndex(card, pos)] =
          static_cast<std::uint32_t>(tables_.I_Here[e]) + tables_.I_Hot[e];
    }
  }
}

void Monitor::rescanNow() {
  affinity_.check("Monitor");
  link_.rescanBus();
  state_.HoldOff = true;
  state_.ScanActive = false;
  state_.RescanRequested = false;
  state_.HoldOffCounter = 0;
  state_.ScanCounter = 0;
  views_.scan->setScanProgress(0);
  views_.scan->closeScanForm();
}

void Monitor::startScanWait(std::uint8_t counter, bool clearHoldOff) {
  if (state_.ScanActive) return;
  if (clearHoldOff) state_.HoldOff = false;
  state_.ScanActive = true;
  state_.ScanCounter = counter;
  views_.scan->setScanProgress(0);
}

}  // namespace raidmon
