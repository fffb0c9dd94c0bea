// Drive events: the notice and grid row for a drive that comes, goes or fails, and
// the connection log that records presence changes of cards 1 and 2.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "monitor/alert_sink.h"
#include "monitor/monitor_views.h"
#include "monitor/state_codes.h"
#include "monitor/status_block.h"

namespace raidmon {

inline constexpr std::string_view kNoticeSecondLine = "RAID controller !";

// Texts of the events; empty for None and for any value outside the enum.
std::string_view eventSentence(DriveEvent event);  // the notice's first line
std::string_view eventGridText(DriveEvent event);  // "Connected", "Diconnected", "51 ERROR "

class DriveEvents {
 public:
  DriveEvents(NoticeView& notice, EventGridView& grid) : notice_(&notice), grid_(&grid) {}
  void setViews(NoticeView& notice, EventGridView& grid) {
    notice_ = &notice;
    grid_ = &grid;
  }
  // Where each raised event also goes as an alert (nothing by default).
  void setAlertSink(AlertSink& alerts) { alerts_ = &alerts; }

  // Card 1..4, position 1..4, an event other than None. Out-of-range values leave the
  // matching line and cell alone; the row is added in every case. Connected,
  // Disconnected and PlugError also go to the alert sink, after the notice is shown.
  void RaiseDriveEvent(int card, int position, DriveEvent event);

  // Adds a "Connected" or "Diconnected" row for each position of cards 1 and 2 that
  // is present in the latest status and whose presence sum changed.
  void LogConnectionChanges(const StatusBlock& latest, const DisplayTables& tables,
                            const std::array<std::uint32_t, kEntries>& sums,
                            const std::array<std::uint32_t, kEntries>& previous);

 private:
  NoticeView* notice_;
  EventGridView* grid_;
  AlertSink* alerts_ = &nullAlertSink();
};

}  // namespace raidmon
