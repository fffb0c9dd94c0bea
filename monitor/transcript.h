// A line-by-line record of what the operator is shown (notices, event rows, trace
// lines, dialogs), for runs checked from outside the program. One line per item:
// an ISO time, a kind, then the texts, all separated by tabs.
#pragma once

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/monitor_views.h"

namespace raidmon {

// One line of the record, ending in a line break: the local time `at` (ISO, to the
// millisecond), the kind, then the fields; tabs and line breaks inside a field become
// blanks so that every item stays one line.
std::string transcriptLine(std::chrono::system_clock::time_point at, std::string_view kind,
                           const std::vector<std::string_view>& fields);

// Where recorded lines go: the transcript, the event history. Any thread may write.
class LineRecorder {
 public:
  virtual ~LineRecorder() = default;
  virtual void write(std::string_view kind, const std::vector<std::string_view>& fields) = 0;
};

// Writes to a file it opened (or standard output for "-"); any thread may write.
class Transcript final : public LineRecorder {
 public:
  // Opens `path` for writing ("-" is standard output); ok() tells whether it worked.
  explicit Transcript(const std::string& path);
  ~Transcript();
  Transcript(const Transcript&) = delete;
  Transcript& operator=(const Transcript&) = delete;

  bool ok() const { return file_ != nullptr; }
  // Writes one line: time, kind, fields; tabs and line breaks inside a field become
  // blanks so that every item stays one line.
  void write(std::string_view kind, const std::vector<std::string_view>& fields) override;

 private:
  std::mutex mutex_;
  std::FILE* file_ = nullptr;
  bool owned_ = false;
};

// Decorators that record what passes through to the real views (into the transcript,
// or the event history).
class NoticeTranscript final : public NoticeView {
 public:
  NoticeTranscript(NoticeView& inner, LineRecorder& out) : inner_(inner), out_(out) {}
  void setNoticeLine(int line, std::string_view text) override;
  void setNoticeOkVisible(bool visible) override { inner_.setNoticeOkVisible(visible); }
  void showNotice() override;
  void closeNotice() override { inner_.closeNotice(); }

 private:
  NoticeView& inner_;
  LineRecorder& out_;
  std::string lines_[3];
};

class EventGridTranscript final : public EventGridView {
 public:
  EventGridTranscript(EventGridView& inner, LineRecorder& out) : inner_(inner), out_(out) {}
  void addEventRow(std::string_view location, std::string_view event, std::string_view last) override;

 private:
  EventGridView& inner_;
  LineRecorder& out_;
};

class DebugTranscript final : public DebugView {
 public:
  DebugTranscript(DebugView& inner, LineRecorder& out) : inner_(inner), out_(out) {}
  void addTrace(std::string_view line) override;
  void setPlugLabel(std::string_view text) override { inner_.setPlugLabel(text); }
  void fillDebugGrid() override { inner_.fillDebugGrid(); }

 private:
  DebugView& inner_;
  LineRecorder& out_;
};

// Records every dialog; with `answer` set it shows none and answers them itself:
// confirmations OK, input boxes their default text (for unattended runs).
class DialogsTranscript final : public Dialogs {
 public:
  DialogsTranscript(Dialogs& inner, LineRecorder* out, bool answer) : inner_(inner), out_(out), answer_(answer) {}
  void errorBox(std::string_view text) override;
  bool confirmBox(std::string_view text, bool withCancel) override;
  void messageBox(std::string_view text) override;
  std::optional<std::string> inputBox(std::string_view caption, std::string_view prompt,
                                      std::string_view defaultText) override;
  void errorNotice(std::string_view text) override;

 private:
  void record(std::string_view kind, std::string_view text);
  Dialogs& inner_;
  LineRecorder* out_;
  bool answer_;
};

}  // namespace raidmon
