// The event history: every event row and notice of the run appended, one line each in
// the transcript's format, to "raidmon-events.log" in the program directory, so that
// it outlives the run. At the size limit the file is rotated: the current file becomes
// ".1", ".1" becomes ".2", ".2" becomes ".3", and the oldest ".3" is dropped.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/transcript.h"

namespace raidmon {

inline constexpr std::string_view kHistoryFileName = "raidmon-events.log";
inline constexpr std::uintmax_t kHistoryLimit = 1024 * 1024;  // bytes per file
inline constexpr int kHistoryOldFiles = 3;                       // ".1" to ".3"

// Any thread may write. Nothing it meets is thrown: a file that cannot be opened or
// written gives one note (through `note`, called on the writing thread) and the lines
// are dropped until a later write succeeds again.
class EventHistory final : public LineRecorder {
 public:
  using Note = std::function<void(const std::string&)>;
  EventHistory(std::string path, Note note, std::uintmax_t limit = kHistoryLimit);
  ~EventHistory() override;
  EventHistory(const EventHistory&) = delete;
  EventHistory& operator=(const EventHistory&) = delete;

  void write(std::string_view kind, const std::vector<std::string_view>& fields) override;
  const std::string& path() const { return path_; }

 private:
  bool openLocked();
  void rotateLocked();
  void failLocked(const std::string& why);

  std::mutex mutex_;
  const std::string path_;
  const Note note_;
  const std::uintmax_t limit_;
  std::FILE* file_ = nullptr;
  std::uintmax_t size_ = 0;
  bool noted_ = false;  // a failure was noted and nothing has succeeded since
};

// The history file of a program directory (which ends in a path separator).
std::string historyPath(const std::string& programDir);

}  // namespace raidmon
