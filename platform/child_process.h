// Starting a program without a shell: a command line split into arguments, an
// environment built as data, and a child process that is reaped without waiting.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace raidmon {

// Splits a command line into arguments as a POSIX shell splits words, without running
// anything: blanks and tabs separate; single quotes keep everything up to the next
// single quote; double quotes keep everything up to the next unescaped double quote,
// inside them a backslash escapes only '"', '\', '$' and '`'; elsewhere a backslash
// keeps the next character. Nothing is expanded ($, ~, *, ; and | are ordinary characters). nullopt
// (with `error` set) for an unterminated quote or a trailing backslash.
std::optional<std::vector<std::string>> splitCommandLine(std::string_view line, std::string& error);

// The child's environment: `inherited` (NAME=VALUE entries, null-terminated, e.g.
// environ; may be null) with each name in `set` replaced by, or added as, its value.
std::vector<std::string> buildEnvironment(const char* const* inherited,
                                          const std::vector<std::pair<std::string, std::string>>& set);

// The environment this process was started with (NAME=VALUE entries, null-terminated).
const char* const* inheritedEnvironment();

// Runs `program` (its path without the system's suffix for programs: ".exe" is added on
// Windows) with `args` instead of this program, as if it had been started in its place:
// on Linux this process becomes it (execv); on Windows it runs with this program's
// standard handles and environment, this program leaves Ctrl+C to it, and its exit
// status ends this program. Returns only when it could not be started, with the reason.
std::string handOverTo(const std::string& program, const std::vector<std::string>& args);

// The signals a caller sends to end a child: asked to end, and ended at once. Where
// there are no signals, either ends the child and what it started.
inline constexpr int kSignalTerminate = 15;
inline constexpr int kSignalKill = 9;

// How a child ended, from its wait status.
struct ChildExit {
  bool exited = false;  // false: ended by a signal
  int code = 0;         // the exit status, or the signal number
};

class ChildProcess {
 public:
  // Starts argv[0] (looked up in PATH when it holds no '/') with exactly `env` as its
  // environment. Standard input reads /dev/null; standard output goes where the
  // parent's standard error goes (so the parent's standard output stays its own);
  // no other descriptor of the parent is passed on. The child leads a process group
  // of its own, so a signal reaches what it started too. nullopt with `error` set when
  // the program cannot be started (not found, not executable, ...).
  static std::optional<ChildProcess> start(const std::vector<std::string>& argv,
                                           const std::vector<std::string>& env, std::string& error);

  ChildProcess(ChildProcess&& other) noexcept
      : pid_(std::exchange(other.pid_, -1)),
        process_(std::exchange(other.process_, nullptr)),
        group_(std::exchange(other.group_, nullptr)),
        endedBy_(std::exchange(other.endedBy_, 0)) {}
  ChildProcess& operator=(ChildProcess&& other) noexcept {
    std::swap(pid_, other.pid_);
    std::swap(process_, other.process_);
    std::swap(group_, other.group_);
    std::swap(endedBy_, other.endedBy_);
    return *this;
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  // A child still running is killed (with its group) and reaped.
  ~ChildProcess();

  pid_t pid() const { return pid_; }
  // Reaps the child if it has ended, without waiting; nullopt while it runs.
  std::optional<ChildExit> poll();
  // Sends `sig` to the child's process group while the child has not been reaped.
  void signal(int sig);

 private:
  explicit ChildProcess(pid_t pid) : pid_(pid) {}
  pid_t pid_ = -1;  // -1 once reaped
  // Where processes are known by handles: the child's, and the group (job) that holds
  // it and what it starts; the signal that ended it, if one did.
  void* process_ = nullptr;
  void* group_ = nullptr;
  int endedBy_ = 0;
};

}  // namespace raidmon
