#include "monitor/event_history.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace raidmon {

std::string historyPath(const std::string& programDir) { return programDir + std::string(kHistoryFileName); }

EventHistory::EventHistory(std::string path, Note note, std::uintmax_t limit)
    : path_(std::move(path)), note_(std::move(note)), limit_(limit) {}

EventHistory::~EventHistory() {
  if (file_) std::fclose(file_);
}

void EventHistory::failLocked(const std::string& why) {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (noted_) return;
  noted_ = true;
  if (note_) note_("Event history not written (" + path_ + "): " + why);
}

bool EventHistory::openLocked() {
  if (file_) return true;
  // Binary: the bytes counted against the size limit are the bytes in the file (no
  // line-ending translation where the C library would make CR LF of LF).
  file_ = std::fopen(path_.c_str(), "ab");
  if (!file_) {
    failLocked(std::strerror(errno));
    return false;
  }
  struct stat st {};
  size_ = fstat(fileno(file_), &st) == 0 ? static_cast<std::uintmax_t>(st.st_size) : 0;
  return true;
}

void EventHistory::rotateLocked() {
  std::fclose(file_);
  file_ = nullptr;
  const auto old = [this](int n) { return path_ + "." + std::to_string(n); };
  std::remove(old(kHistoryOldFiles).c_str());
  for (int n = kHistoryOldFiles - 1; n >= 1; --n) std::rename(old(n).c_str(), old(n + 1).c_str());
  std::rename(path_.c_str(), old(1).c_str());
}

void EventHistory::write(std::string_view kind, const std::vector<std::string_view>& fields) {
  const std::string line = transcriptLine(std::chrono::system_clock::now(), kind, fields);
  std::lock_guard lock(mutex_);
  if (!openLocked()) return;
  // A line that would take the file past the limit starts a new one (a file holds at
  // least one line, however long).
  if (size_ > 0 && size_ + line.size() > limit_) {
    rotateLocked();
    if (!openLocked()) return;
  }
  if (std::fputs(line.c_str(), file_) < 0 || std::fflush(file_) != 0) {
    failLocked(std::strerror(errno));
    return;
  }
  size_ += line.size();
  noted_ = false;
}

}  // namespace raidmon
