// The views raidmond gives the core in place of windows: do-nothing screens, the
// system log for notices and event rows, dialogs that answer themselves, and what
// still matters of the status window without one (start-up closing it ends the
// program; its first showing opens the Monitor dialog, whose rebuild page is prepared).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system_log.h"
#include "monitor/transcript.h"
#include "monitor/monitor_views.h"

namespace raidmon {

class Monitor;

// How serious a notice or an event row is, for the system log: a failure (a drive's
// plug error, a rebuild or flash update that failed) is an error, a disconnection a
// warning, a connection and the rest a notice.
LogSeverity noticeSeverity(std::string_view line1, std::string_view line2, std::string_view line3);
LogSeverity rowSeverity(std::string_view location, std::string_view event, std::string_view last);

// The record's text: a notice's non-empty lines joined by blanks; a row as
// "location: event" with the last column after a blank when it has one.
std::string noticeRecord(std::string_view line1, std::string_view line2, std::string_view line3);
std::string rowRecord(std::string_view location, std::string_view event, std::string_view last);

// The screens nobody looks at.
class NoNoticeBox final : public NoticeView {
 public:
  void setNoticeLine(int, std::string_view) override {}
  void setNoticeOkVisible(bool) override {}
  void showNotice() override {}
  void closeNotice() override {}
};

class NoEventGrid final : public EventGridView {
 public:
  void addEventRow(std::string_view, std::string_view, std::string_view) override {}
};

// The system log as a line recorder: the transcript's notice and row decorators
// (monitor/transcript.h) feed it, and each notice or row becomes one record with its
// severity.
class LogRecorder final : public LineRecorder {
 public:
  explicit LogRecorder(SystemLog& log) : log_(log) {}
  void write(std::string_view kind, const std::vector<std::string_view>& fields) override;

 private:
  SystemLog& log_;
};

// Dialogs without a screen: every confirmation is answered OK and every input box
// with its default text, as --answer-dialogs answers them. Error boxes and OK-only
// boxes and messages, which would have told the operator something, go to standard
// error and to the system log (errors as errors, the others as notices).
class HeadlessDialogs final : public Dialogs {
 public:
  explicit HeadlessDialogs(SystemLog& log) : log_(log) {}
  void errorBox(std::string_view text) override;
  bool confirmBox(std::string_view text, bool withCancel) override;
  void messageBox(std::string_view text) override;
  std::optional<std::string> inputBox(std::string_view caption, std::string_view prompt,
                                      std::string_view defaultText) override;

 private:
  void tell(LogSeverity severity, std::string_view text);
  SystemLog& log_;
};

// The status window without a window.
class HeadlessWindow final : public MainWindowView {
 public:
  // `closed` runs when start-up closes the window (the program ends); `monitorShown`
  // when the Monitor dialog would be shown.
  HeadlessWindow(Monitor& monitor, std::function<void()> closed, std::function<void()> monitorShown)
      : monitor_(monitor), onClosed_(std::move(closed)), onMonitorShown_(std::move(monitorShown)) {}
  int screenWidth() const override { return 1024; }
  void placeWindow(int, int) override {}
  void closeMainWindow() override;
  void selectSmallSkin(int cardCount) override;
  void showMonitorDialog() override;
  void setMonitorPage(int) override {}
  // True once start-up closed the window.
  bool closed() const { return closed_; }

 private:
  Monitor& monitor_;
  std::function<void()> onClosed_;
  std::function<void()> onMonitorShown_;
  bool closed_ = false;
};

}  // namespace raidmon
