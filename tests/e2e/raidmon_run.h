// Runs the built raidmon program (offscreen, answering its own dialogs) against an
// emulated controller and reads its transcript as it grows.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/program_dir.h"
#include "support/temp_dir.h"
#include "support/transcript_file.h"

extern char** environ;

namespace raidmon::test {

class RaidmonRun {
 public:
  // Starts raidmon with `scenario` written to a file and the given extra arguments.
  RaidmonRun(const std::string& scenario, std::vector<std::string> extra) {
    const std::string scn = dir_.file("run.scn");
    std::ofstream(scn) << scenario;
    std::vector<std::string> args = {programDirectory() + "raidmon", "--emulate=" + scn,
                                     "--transcript=" + transcript_.path(), "--answer-dialogs",
                                     "--quit-after=60000"};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    started_ = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~RaidmonRun() { stop(); }

  bool started() const { return started_; }

  // The transcript's lines without their time field ("kind\ttext\t...").
  std::vector<std::string> lines() const { return transcript_.lines(); }
  // Waits until `line` has appeared (up to `seconds`).
  bool waitFor(const std::string& line, int seconds = 30) const { return transcript_.waitFor(line, 1, seconds); }
  int count(const std::string& line) const { return transcript_.count(line); }
  // Ends the program; its exit status, or -1 when it had to be killed.
  int stop() {
    if (!started_ || pid_ <= 0) return -1;
    int status = 0;
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = 0;
        return status;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status, 0);
    pid_ = 0;
    return -1;
  }

 private:
  TempDir dir_{"raidmon_e2e"};
  TranscriptFile transcript_{dir_.file("transcript.txt")};
  pid_t pid_ = 0;
  bool started_ = false;
};

}  // namespace raidmon::test
