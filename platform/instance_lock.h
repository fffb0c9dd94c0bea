// One program per controller: a lock file that the monitor holds for as long as it
// runs, so that a second monitor of the same controller says so and ends instead of
// starting a second rebuild or flash update of the same drives.
#pragma once

#include <memory>
#include <string>

namespace raidmon {

class InstanceLock {
 public:
  enum class Outcome {
    Taken,        // the lock is ours until this object goes
    HeldByOther,  // another process holds it; `holder` names its process id when known
    Unavailable,  // the lock file cannot be used (see `error`): nothing is locked
  };
  struct Acquisition {
    Outcome outcome = Outcome::Unavailable;
    std::unique_ptr<InstanceLock> lock;  // set when Taken
    std::string holder;                  // HeldByOther: the holder's process id, or empty
    std::string error;                   // Unavailable: why
  };

  // Opens or creates `path` (owner-only, never through a symbolic link, regular files
  // only) and takes an exclusive lock on it without waiting; our process id is written
  // into it. The lock ends with the process, however it ends.
  static Acquisition acquire(const std::string& path);

  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

 private:
  explicit InstanceLock(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace raidmon
