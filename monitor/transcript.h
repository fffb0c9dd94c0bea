// A line-by-line record of what the operator is shown (notices, event rows, trace
// lines, dialogs), for runs checked from outside the program. One line per item:
// an ISO time, a kind, then the texts, all separated by tabs.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/monitor_views.h"

namespace raidmon {

// Writes to a file it opened (or standard output for "-"); any thread may write.
class Transcript {
 public:
  // Opens `path` for writing ("-" is standard output); ok() tells whether it worked.
  explicit Transcript(const std::string& path);
  ~Transcript();
  Transcript(const Transcript&) = delete;
  Transcript& operator=(const Transcript&) = delete;

  bool ok() const { return file_ != nullptr; }
  // Writes one line: time, kind, fields; tabs and line breaks inside a field become
  // blanks so that every item stays one line.
  void write(std::string_view kind, const std::vector<std::string_view>& fields);

 private:
  std::mutex mutex_;
  std::FILE* file_ = nullptr;
  bool owned_ = false;
};

// Decorators that record what passes through to the real views.
class NoticeTranscript final : public NoticeView {
 public:
  NoticeTranscript(NoticeView& inner, Transcript& out) : inner_(inner), out_(out) {}
  void setNoticeLine(int line, std::string_view text) override;
  void setNoticeOkVisible(bool visible) override { inner_.setNoticeOkVisible(visible); }
  void showNotice() override;
  void closeNotice() override { inner_.closeNotice(); }

 private:
  NoticeView& inner_;
  Transcript& out_;
  std::string lines_[3];
};

class EventGridTranscript final : public EventGridView {
 public:
  EventGridTranscript(EventGridView& inner, Transcript& out) : inner_(inner), out_(out) {}
  void addEventRow(std::string_view location, std::string_view event, std::string_view last) override;

 private:
  EventGridView& inner_;
  Transcript& out_;
};

class DebugTranscript final : public DebugView {
 public:
  DebugTranscript(DebugView& inner, Transcript& out) : inner_(inner), out_(out) {}
  void addTrace(std::string_view line) override;
  void setPlugLabel(std::string_view text) override { inner_.setPlugLabel(text); }
  void fillDebugGrid() override { inner_.fillDebugGrid(); }

 private:
  DebugView& inner_;
  Transcript& out_;
};

// Records every dialog; with `answer` set it shows none and answers them itself:
// confirmations OK, input boxes their default text (for unattended runs).
class DialogsTranscript final : public Dialogs {
 public:
  DialogsTranscript(Dialogs& inner, Transcript* out, bool answer) : inner_(inner), out_(out), answer_(answer) {}
  void errorBox(std::string_view text) override;
  bool confirmBox(std::string_view text, bool withCancel) override;
  void messageBox(std::string_view text) override;
  std::optional<std::string> inputBox(std::string_view caption, std::string_view prompt,
                                      std::string_view defaultText) override;
  void errorNotice(std::string_view text) override;

 private:
  void record(std::string_view kind, std::string_view text);
  Dialogs& inner_;
  Transcript* out_;
  bool answer_;
};

}  // namespace raidmon
