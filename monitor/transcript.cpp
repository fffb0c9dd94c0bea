#include "monitor/transcript.h"

#include <chrono>
#include <ctime>

#include "platform/local_time.h"

namespace raidmon {

Transcript::Transcript(const std::string& path) {
  if (path == "-") {
    file_ = stdout;
  } else {
    file_ = std::fopen(path.c_str(), "wb");  // the same bytes on every system
    owned_ = file_ != nullptr;
  }
}

Transcript::~Transcript() {
  if (owned_) std::fclose(file_);
}

std::string transcriptLine(std::chrono::system_clock::time_point at, std::string_view kind,
                           const std::vector<std::string_view>& fields) {
  const std::time_t secs = std::chrono::system_clock::to_time_t(at);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count() % 1000;
  const std::tm tm = localTime(secs);
  char stamp[40];
  const std::size_t n = std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &tm);
  std::snprintf(stamp + n, sizeof stamp - n, ".%03d", static_cast<int>(ms));
  std::string line = stamp;
  line += '\t';
  line += kind;
  for (std::string_view f : fields) {
    line += '\t';
    for (char c : f) line += (c == '\t' || c == '\n' || c == '\r') ? ' ' : c;
  }
  line += '\n';
  return line;
}

void Transcript::write(std::string_view kind, const std::vector<std::string_view>& fields) {
  if (!file_) return;
  const std::string line = transcriptLine(std::chrono::system_clock::now(), kind, fields);
  std::lock_guard lock(mutex_);
  std::fputs(line.c_str(), file_);
  std::fflush(file_);
}

void NoticeTranscript::setNoticeLine(int line, std::string_view text) {
  if (line >= 1 && line <= 3) lines_[line - 1] = std::string(text);
  inner_.setNoticeLine(line, text);
}

void NoticeTranscript::showNotice() {
  out_.write("notice", {lines_[0], lines_[1], lines_[2]});
  inner_.showNotice();
}

void EventGridTranscript::addEventRow(std::string_view location, std::string_view event,
                                      std::string_view last) {
  out_.write("row", {location, event, last});
  inner_.addEventRow(location, event, last);
}

void DebugTranscript::addTrace(std::string_view line) {
  out_.write("trace", {line});
  inner_.addTrace(line);
}

void DialogsTranscript::record(std::string_view kind, std::string_view text) {
  if (out_) out_->write(kind, {text});
}

void DialogsTranscript::errorBox(std::string_view text) {
  record("error", text);
  if (!answer_) inner_.errorBox(text);
}

void DialogsTranscript::errorNotice(std::string_view text) {
  record("error", text);
  if (!answer_) inner_.errorNotice(text);
}

bool DialogsTranscript::confirmBox(std::string_view text, bool withCancel) {
  record(withCancel ? "confirm" : "box", text);
  return answer_ ? true : inner_.confirmBox(text, withCancel);
}

void DialogsTranscript::messageBox(std::string_view text) {
  record("message", text);
  if (!answer_) inner_.messageBox(text);
}

std::optional<std::string> DialogsTranscript::inputBox(std::string_view caption, std::string_view prompt,
                                                       std::string_view defaultText) {
  record("input", caption);
  if (answer_) return std::string(defaultText);
  return inner_.inputBox(caption, prompt, defaultText);
}

}  // namespace raidmon
