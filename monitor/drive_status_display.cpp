#include "monitor/drive_status_display.h"

namespace raidmon {

std::string_view displayStateFile(int state) {
  switch (state) {
    case 1: return kGifTopGreen;
    case 2: return kGifGreen;
    case 3: return kGifOrange;
    case 4: return kGifActiveOrange;
    default: return {};
  }
}

void DriveStatusDisplay::ShowPositionState(int card, int position, int state) {
  const std::string_view file = displayStateFile(state);
  if (!onDisplay(card, position) || file.empty()) return;
  sink_->loadAnimation(card, position, programDir_ + std::string(file));
}

void DriveStatusDisplay::HidePositionIndicator(int card, int position) {
  if (!onDisplay(card, position)) return;
  sink_->hideIndicator(card, position);
}

void DriveStatusDisplay::markStartPending(int card, int position) {
  if (onDisplay(card, position)) startPending_[static_cast<std::size_t>(4 * (card - 1) + position - 1)] = 1;
}

void DriveStatusDisplay::PlayPositionIndicators() {
  for (int card = 1; card <= 2; ++card) {
    for (int position = 1; position <= 4; ++position) {
      auto& flag = startPending_[static_cast<std::size_t>(4 * (card - 1) + position - 1)];
      if (!flag) continue;
      sink_->showAndPlay(card, position);
      flag = 0;
    }
  }
}

void DriveStatusDisplay::markRebuildPair(int sourceCard, int sourcePos, int targetCard,
                                         int targetPos) {
  if (onDisplay(sourceCard, sourcePos + 1)) {
    sink_->loadAnimation(sourceCard, sourcePos + 1, programDir_ + std::string(kGifRebuildGreen));
    sink_->showAndPlay(sourceCard, sourcePos + 1);
  }
  if (onDisplay(targetCard, targetPos + 1)) {
    sink_->loadAnimation(targetCard, targetPos + 1, programDir_ + std::string(kGifRebuildOrange));
    sink_->showAndPlay(targetCard, targetPos + 1);
  }
}

}  // namespace raidmon
