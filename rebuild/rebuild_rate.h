// The rebuild's pace, from the progress reports the page already gets: the transfer
// rate over the last ten seconds and the time left, for the line under the progress
// text, and the duration and average rate of the whole rebuild for the history.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "monitor/alert_sink.h"
#include "monitor/drive_position.h"
#include "monitor/state_codes.h"

namespace raidmon {

inline constexpr std::chrono::seconds kRateWindow{10};

// "h:mm:ss" (hours as many digits as they take).
std::string clockText(std::chrono::seconds duration);

// GUI thread only.
class RebuildRate {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  explicit RebuildRate(Clock clock = [] { return std::chrono::steady_clock::now(); })
      : clock_(std::move(clock)) {}

  // A rebuild starts onto `target`.
  void start(DrivePosition target);
  // A progress report: the first sector of the reported chunk (or the size at the
  // end) of `size` sectors.
  void progress(std::uint64_t lba, std::uint64_t size);

  // MB (2048 sectors) per second over the last ten seconds of reports; nullopt before
  // two reports at different times.
  std::optional<double> rate() const;
  // The rest of the range at that rate, rounded up to a second.
  std::optional<std::chrono::seconds> timeLeft() const;
  // "<rate> MB/s, <h:mm:ss> left", or empty while there is no rate yet.
  std::string line() const;

  // The outcome the operator was told (the notice's line), raised as an alert. For a
  // rebuild started here it carries the target's card and position, and the duration
  // and average rate go to the history (once).
  void reportOutcome(AlertSink& alerts, RebuildState state, std::string_view noticeLine);

 private:
  struct Sample {
    std::chrono::steady_clock::time_point at;
    std::uint64_t lba;
  };
  Clock clock_;
  bool started_ = false;
  int card_ = 0, position_ = 0;  // position 1..4
  std::chrono::steady_clock::time_point startedAt_{};
  std::uint64_t size_ = 0;
  std::uint64_t reached_ = 0;
  std::deque<Sample> window_;
};

}  // namespace raidmon
