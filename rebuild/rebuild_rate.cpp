#include "rebuild/rebuild_rate.h"

#include <cmath>
#include <cstdio>

#include "monitor/drive_position.h"
#include "rebuild/rebuild_progress.h"

namespace raidmon {

std::string clockText(std::chrono::seconds duration) {
  const long long s = std::max<long long>(0, duration.count());
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  return text;
}

void RebuildRate::start(DrivePosition target) {
  started_ = true;
  card_ = target.card;
  position_ = target.position;
  startedAt_ = clock_();
  size_ = 0;
  reached_ = 0;
  window_.clear();
}

void RebuildRate::progress(std::uint64_t lba, std::uint64_t size) {
  const auto now = clock_();
  size_ = size;
  reached_ = std::max(reached_, lba);
  window_.push_back({now, lba});
  // The oldest sample kept is the newest one at least ten seconds old, so the window
  // spans the last ten seconds in full once the rebuild has run that long.
  while (window_.size() > 2 && window_[1].at <= now - kRateWindow) window_.pop_front();
}

std::optional<double> RebuildRate::rate() const {
  if (window_.size() < 2) return std::nullopt;
  const Sample& first = window_.front();
  const Sample& last = window_.back();
  const double secs = std::chrono::duration<double>(last.at - first.at).count();
  if (secs <= 0 || last.lba < first.lba) return std::nullopt;
  return static_cast<double>(last.lba - first.lba) / static_cast<double>(kSectorsPerMB) / secs;
}

std::optional<std::chrono::seconds> RebuildRate::timeLeft() const {
  const std::optional<double> mbps = rate();
  if (!mbps || *mbps <= 0 || window_.empty()) return std::nullopt;
  const std::uint64_t last = window_.back().lba;
  const double leftMB = static_cast<double>(size_ > last ? size_ - last : 0) / static_cast<double>(kSectorsPerMB);
  return std::chrono::seconds(static_cast<long long>(std::ceil(leftMB / *mbps)));
}

std::string RebuildRate::line() const {
  const std::optional<double> mbps = rate();
  const std::optional<std::chrono::seconds> left = timeLeft();
  if (!mbps || !left) return {};
  char text[64];
  std::snprintf(text, sizeof text, "%.1f MB/s, %s left", *mbps, clockText(*left).c_str());
  return text;
}

void RebuildRate::reportOutcome(AlertSink& alerts, RebuildState state, std::string_view noticeLine) {
  AlertEvent event;
  switch (state) {
    case RebuildState::Completed: event = AlertEvent::RebuildComplete; break;
    case RebuildState::Cancelled: event = AlertEvent::RebuildCancelled; break;
    case RebuildState::Failed: event = AlertEvent::RebuildFailed; break;
    default: return;
  }
  AlertFacts facts{event, 0, 0, "", std::string(noticeLine)};
  if (started_) {
    started_ = false;
    facts.card = card_;
    facts.position = position_;
    facts.location = locationText(card_, position_);
    const double secs = std::chrono::duration<double>(clock_() - startedAt_).count();
    char average[32];
    std::snprintf(average, sizeof average, "average %.1f MB/s",
                  secs > 0 ? static_cast<double>(reached_) / static_cast<double>(kSectorsPerMB) / secs : 0.0);
    const std::string duration =
        "duration " + clockText(std::chrono::seconds(static_cast<long long>(std::llround(secs))));
    alerts.record("rebuild", {noticeLine, duration, average});
  }
  alerts.raise(facts);
}

}  // namespace raidmon
