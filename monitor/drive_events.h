// Drive events: the notice and grid row for a drive that comes, goes or fails, and
// the connection log that records presence changes of cards 1 and 2.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "monitor/monitor_views.h"
#include "monitor/status_block.h"

namespace raidmon {

inline constexpr std::string_view kNoticeSecondLine = "RAID controller !";

// Texts of event codes 1..3; empty for other codes.
std::string_view eventSentence(int code);   // the notice's first line
std::string_view eventGridText(int code);   // "Connected", "Diconnected", "51 ERROR "

class DriveEvents {
 public:
  DriveEvents(NoticeView& notice, EventGridView& grid) : notice_(&notice), grid_(&grid) {}
  void setViews(NoticeView& notice, EventGridView& grid) {
    notice_ = &notice;
    grid_ = &grid;
  }

  // Card 1..4, position 1..4, code 1..3. Out-of-range values leave the matching
  // line and cell alone; the row is added in every case.
  void RaiseDriveEvent(int card, int position, int code);

  // Adds a "Connected" or "Diconnected" row for each position of cards 1 and 2 that
  // is present in the latest status and whose presence sum changed.
  void LogConnectionChanges(const StatusBlock& latest, const DisplayTables& tables,
                            const std::array<std::uint32_t, 8>& sums,
                            const std::array<std::uint32_t, 8>& previous);

 private:
  NoticeView* notice_;
  EventGridView* grid_;
};

}  // namespace raidmon
