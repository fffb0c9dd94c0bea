#include "monitor/drive_events.h"

#include <string>

#include "monitor/drive_position.h"

namespace raidmon {

std::string_view eventSentence(DriveEvent event) {
  switch (event) {
    case DriveEvent::Connected: return "A Hard Disk has been connected to";
    case DriveEvent::Disconnected: return "A Hard Disk has been disconnected from";
    case DriveEvent::PlugError: return "Hard Disk Error ( OFF -> ON )";
    default: return {};
  }
}

std::string_view eventGridText(DriveEvent event) {
  switch (event) {
    case DriveEvent::Connected: return "Connected";
    case DriveEvent::Disconnected: return "Diconnected";
    case DriveEvent::PlugError: return "51 ERROR ";
    default: return {};
  }
}

void DriveEvents::RaiseDriveEvent(int card, int position, DriveEvent event) {
  const std::string location = locationText(card, position);
  if (!location.empty()) notice_->setNoticeLine(3, "( location : " + location + ")");
  const std::string_view sentence = eventSentence(event);
  if (!sentence.empty()) notice_->setNoticeLine(1, sentence);
  grid_->addEventRow(location, eventGridText(event), "");
  notice_->setNoticeLine(2, kNoticeSecondLine);
  notice_->showNotice();
  AlertEvent kind;
  switch (event) {
    case DriveEvent::Connected: kind = AlertEvent::Connected; break;
    case DriveEvent::Disconnected: kind = AlertEvent::Disconnected; break;
    case DriveEvent::PlugError: kind = AlertEvent::Failed; break;
    default: return;
  }
  const std::string third = location.empty() ? std::string() : "( location : " + location + ")";
  alerts_->raise(AlertFacts{kind, validCard(card) ? card : 0, validPosition(position) ? position : 0, location,
                            noticeMessage({sentence, kNoticeSecondLine, third})});
}

void DriveEvents::LogConnectionChanges(const StatusBlock& latest, const DisplayTables& tables,
                                       const std::array<std::uint32_t, kEntries>& sums,
                                       const std::array<std::uint32_t, kEntries>& previous) {
  for (int card = 1; card <= kWatchedCards; ++card) {
    for (int pos = 1; pos <= kPositions; ++pos) {
      const int e = entryIndex(card, pos);
      const auto ue = static_cast<std::size_t>(e);
      if (latest.isHere(e) != 1 || sums[ue] == previous[ue]) continue;
      if (latest.hot(e) == 1 && tables.I_Hot[ue] == 1) {
        grid_->addEventRow(locationText(card, pos), eventGridText(DriveEvent::Disconnected), "");
      } else if (tables.I_Here[ue] == 1 || (latest.rebuild(e) == 1 && tables.I_Rebuild[ue] == 1)) {
        grid_->addEventRow(locationText(card, pos), eventGridText(DriveEvent::Connected), "");
      }
    }
  }
}

}  // namespace raidmon
