// Runs a built program of the program directory (raidmond, or raidmon --headless) with
// its standard output and standard error in files, and reads its output as it grows.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/program_dir.h"
#include "support/temp_dir.h"
#include "support/transcript_file.h"

extern char** environ;

namespace raidmon::test {

class HeadlessRun {
 public:
  // `program` is a name in the program directory; `env` replaces the environment when
  // given.
  HeadlessRun(const std::string& program, std::vector<std::string> args,
              const std::vector<std::string>* env = nullptr)
      : stdout_(dir_.file("stdout.txt")), stderr_(dir_.file("stderr.txt")) {
    args.insert(args.begin(), programDirectory() + program);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envCopy = env ? *env : std::vector<std::string>{};
    std::vector<char*> envp;
    for (auto& e : envCopy) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, stdout_.path().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, stderr_.path().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    started_ = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), env ? envp.data() : environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~HeadlessRun() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  HeadlessRun(const HeadlessRun&) = delete;
  HeadlessRun& operator=(const HeadlessRun&) = delete;

  bool started() const { return started_; }
  // Standard output, line by line without the time field.
  const TranscriptFile& out() const { return stdout_; }
  std::string errors() const { return stderr_.text(); }
  // A scratch file name beside the outputs.
  std::string file(const std::string& name) const { return dir_.file(name); }

  void signal(int sig) {
    if (pid_ > 0) ::kill(pid_, sig);
  }
  // Waits up to `seconds` for the program to end: its exit status, or -1 when it was
  // killed by a signal or ran on (then it is killed).
  int wait(int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    while (pid_ > 0) {
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      if (std::chrono::steady_clock::now() > deadline) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = 0;
        return -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }

 private:
  TempDir dir_{"raidmond_run"};
  TranscriptFile stdout_;
  TranscriptFile stderr_;
  pid_t pid_ = 0;
  bool started_ = false;
};

}  // namespace raidmon::test
