#include "monitor/drive_status_display.h"

namespace raidmon {

std::string_view displayStateFile(DisplayState state) {
  switch (state) {
    case DisplayState::Present: return kGifTopGreen;
    case DisplayState::Active: return kGifGreen;
    case DisplayState::Attention: return kGifOrange;
    case DisplayState::ActiveRebuild: return kGifActiveOrange;
    default: return {};
  }
}

void DriveStatusDisplay::ShowPositionState(int card, int position, DisplayState state) {
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
  for (int card = 1; card <= kCards; ++card) {
    for (int position = 1; position <= kPositions; ++position) {
      auto& flag = startPending_[static_cast<std::size_t>(4 * (card - 1) + position - 1)];
      if (!flag) continue;
      sink_->showAndPlay(card, position);
      flag = 0;
    }
  }
}

void DriveStatusDisplay::markRebuildPair(DrivePosition source, DrivePosition target) {
  if (onDisplay(source.card, source.position)) {
    sink_->loadAnimation(source.card, source.position, programDir_ + std::string(kGifRebuildGreen));
    sink_->showAndPlay(source.card, source.position);
  }
  if (onDisplay(target.card, target.position)) {
    sink_->loadAnimation(target.card, target.position, programDir_ + std::string(kGifRebuildOrange));
    sink_->showAndPlay(target.card, target.position);
  }
}

}  // namespace raidmon
