#include "headless/headless_views.h"

#include <cstdio>

#include "monitor/drive_events.h"
#include "monitor/monitor.h"

namespace raidmon {

namespace {

// Outcomes that went wrong say so in their text: "Rebuild Process Fail!",
// "Flash ROM Update Fail!".
bool tellsOfFailure(std::string_view text) { return text.find("Fail") != std::string_view::npos; }

void appendField(std::string& out, std::string_view text) {
  if (text.empty()) return;
  if (!out.empty()) out += ' ';
  out += text;
}

}  // namespace

LogSeverity noticeSeverity(std::string_view line1, std::string_view line2, std::string_view line3) {
  if (line1 == eventSentence(DriveEvent::PlugError)) return LogSeverity::Error;
  if (tellsOfFailure(line1) || tellsOfFailure(line2) || tellsOfFailure(line3)) return LogSeverity::Error;
  if (line1 == eventSentence(DriveEvent::Disconnected)) return LogSeverity::Warning;
  return LogSeverity::Notice;
}

LogSeverity rowSeverity(std::string_view, std::string_view event, std::string_view) {
  if (event == eventGridText(DriveEvent::PlugError) || tellsOfFailure(event)) return LogSeverity::Error;
  if (event == eventGridText(DriveEvent::Disconnected)) return LogSeverity::Warning;
  return LogSeverity::Notice;
}

std::string noticeRecord(std::string_view line1, std::string_view line2, std::string_view line3) {
  std::string out;
  for (std::string_view line : {line1, line2, line3}) appendField(out, line);
  return out;
}

std::string rowRecord(std::string_view location, std::string_view event, std::string_view last) {
  std::string out(location);
  if (!out.empty()) out += ':';
  appendField(out, event);
  appendField(out, last);
  return out;
}

void LogRecorder::write(std::string_view kind, const std::vector<std::string_view>& fields) {
  if (fields.size() != 3) return;  // only notices and rows have three fields
  if (kind == "notice") {
    log_.send(noticeSeverity(fields[0], fields[1], fields[2]), noticeRecord(fields[0], fields[1], fields[2]));
  } else if (kind == "row") {
    log_.send(rowSeverity(fields[0], fields[1], fields[2]), rowRecord(fields[0], fields[1], fields[2]));
  }
}

void HeadlessDialogs::tell(LogSeverity severity, std::string_view text) {
  std::fprintf(stderr, "raidmond: %.*s\n", static_cast<int>(text.size()), text.data());
  log_.send(severity, text);
}

void HeadlessDialogs::errorBox(std::string_view text) { tell(LogSeverity::Error, text); }

bool HeadlessDialogs::confirmBox(std::string_view text, bool withCancel) {
  // A question is answered OK; an OK-only box tells something ("TAVRIX DMA Failed!").
  if (!withCancel) tell(tellsOfFailure(text) ? LogSeverity::Error : LogSeverity::Notice, text);
  return true;
}

void HeadlessDialogs::messageBox(std::string_view text) { tell(LogSeverity::Notice, text); }

std::optional<std::string> HeadlessDialogs::inputBox(std::string_view, std::string_view,
                                                     std::string_view defaultText) {
  return std::string(defaultText);
}

void HeadlessWindow::closeMainWindow() {
  closed_ = true;
  if (onClosed_) onClosed_();
}

void HeadlessWindow::selectSmallSkin(int) {
  // No skin to load; the run state records the small layout as the window would.
  monitor_.setSmallGui(true);
}

void HeadlessWindow::showMonitorDialog() {
  if (onMonitorShown_) onMonitorShown_();
}

}  // namespace raidmon
