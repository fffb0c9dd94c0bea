#include "monitor/alert_sink.h"

namespace raidmon {

std::string_view alertEventName(AlertEvent event) {
  switch (event) {
    case AlertEvent::Connected: return "connected";
    case AlertEvent::Disconnected: return "disconnected";
    case AlertEvent::Failed: return "failed";
    case AlertEvent::RebuildComplete: return "rebuild-complete";
    case AlertEvent::RebuildCancelled: return "rebuild-cancelled";
    case AlertEvent::RebuildFailed: return "rebuild-failed";
    case AlertEvent::FlashComplete: return "flash-complete";
    case AlertEvent::FlashFailed: return "flash-failed";
    case AlertEvent::Test: return "test";
  }
  return "unknown";
}

std::string noticeMessage(const std::vector<std::string_view>& lines) {
  std::string text;
  for (std::string_view line : lines) {
    if (line.empty()) continue;
    if (!text.empty()) text += ' ';
    text += line;
  }
  return text;
}

namespace {
struct NullAlertSink final : AlertSink {
  void raise(const AlertFacts&) override {}
  void record(std::string_view, const std::vector<std::string_view>&) override {}
};
}  // namespace

AlertSink& nullAlertSink() {
  static NullAlertSink sink;
  return sink;
}

}  // namespace raidmon
