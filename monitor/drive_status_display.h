// The eight position indicators of cards 1 and 2: which animation each shows, and
// the start-pending flags that let a poll cycle start them all at its end.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "monitor/drive_position.h"
#include "monitor/monitor_views.h"
#include "monitor/state_codes.h"

namespace raidmon {

inline constexpr std::string_view kGifTopGreen = "s_Top_Green.gif";
inline constexpr std::string_view kGifGreen = "s_Green.gif";
inline constexpr std::string_view kGifOrange = "s_Orange.gif";
inline constexpr std::string_view kGifActiveOrange = "s_Active_Orange.gif";
inline constexpr std::string_view kGifRebuildGreen = "s_Rebuild_Green.gif";
inline constexpr std::string_view kGifRebuildOrange = "s_Rebuild_Orange.gif";

// The animation file of a display state; empty for None and for any value outside the
// enum.
std::string_view displayStateFile(DisplayState state);

class DriveStatusDisplay {
 public:
  DriveStatusDisplay(IndicatorSink& sink, std::string programDir)
      : sink_(&sink), programDir_(std::move(programDir)) {}

  void setSink(IndicatorSink& sink) { sink_ = &sink; }

  // Cards 1..2, positions 1..4, a state other than None; anything else does nothing.
  void ShowPositionState(int card, int position, DisplayState state);
  void HidePositionIndicator(int card, int position);
  // Starts every indicator whose start-pending flag is set, card 1 then card 2.
  void PlayPositionIndicators();
  // Sets a position's start-pending flag (cards 1 and 2 only).
  void markStartPending(int card, int position);
  // Marks the two drives of a running rebuild (positions counted 0..3 here).
  void markRebuildPair(DrivePosition source, DrivePosition target);

  const std::array<std::uint8_t, kEntries>& startPending() const { return startPending_; }

 private:
  static bool onDisplay(int card, int position) {
    return validCard(card) && validPosition(position);
  }
  IndicatorSink* sink_;
  std::string programDir_;
  std::array<std::uint8_t, kEntries> startPending_{};
};

}  // namespace raidmon
