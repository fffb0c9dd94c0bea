// What the core tells an alert program about: drive events, rebuild outcomes and flash
// outcomes, each as structured facts. The drive events, the rebuild control and the
// flash update report here; without a configured program the sink does nothing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace raidmon {

enum class AlertEvent {
  Connected,
  Disconnected,
  Failed,  // a drive's plug error
  RebuildComplete,
  RebuildCancelled,
  RebuildFailed,
  FlashComplete,
  FlashFailed,
  Test,  // --test-alert
};

// "connected", "disconnected", "failed", "rebuild-complete", "rebuild-cancelled",
// "rebuild-failed", "flash-complete", "flash-failed", "test".
std::string_view alertEventName(AlertEvent event);

struct AlertFacts {
  AlertEvent event = AlertEvent::Test;
  int card = 0;      // 1..4; 0 when the event has no card
  int position = 0;  // 1..4 (PM, PS, SM, SS); 0 when it has no position
  std::string location;  // the location text the operator is shown
  std::string message;   // the notice's lines, the empty ones left out, joined by blanks
};

// The notice's lines as one message: the non-empty lines joined by single blanks.
std::string noticeMessage(const std::vector<std::string_view>& lines);

// GUI thread only; an implementation never waits for an alert program.
class AlertSink {
 public:
  virtual ~AlertSink() = default;
  virtual void raise(const AlertFacts& facts) = 0;
  // A line that only the event history keeps (a rebuild's duration and rate).
  virtual void record(std::string_view kind, const std::vector<std::string_view>& fields) = 0;
};

// The sink that does nothing, for a monitor without alerts or history.
AlertSink& nullAlertSink();

}  // namespace raidmon
