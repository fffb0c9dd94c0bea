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

extern char** environ;

namespace raidmon::test {

class RaidmonRun {
 public:
  // Starts raidmon with `scenario` written to a file and the given extra arguments.
  RaidmonRun(const std::string& scenario, std::vector<std::string> extra) {
    dir_ = std::filesystem::temp_directory_path() /
           ("raidmon_e2e_" + std::to_string(::getpid()) + "_" + std::to_string(counter()++));
    std::filesystem::create_directories(dir_);
    const std::string scn = (dir_ / "run.scn").string();
    std::ofstream(scn) << scenario;
    transcript_ = (dir_ / "transcript.txt").string();
    std::vector<std::string> args = {programDirectory() + "raidmon", "--emulate=" + scn,
                                     "--transcript=" + transcript_, "--answer-dialogs",
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
  ~RaidmonRun() {
    stop();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  bool started() const { return started_; }

  // The transcript's lines without their time field ("kind\ttext\t...").
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    std::ifstream in(transcript_);
    for (std::string line; std::getline(in, line);) {
      const auto tab = line.find('\t');
      out.push_back(tab == std::string::npos ? line : line.substr(tab + 1));
    }
    return out;
  }
  // Waits until `line` has appeared (up to `seconds`).
  bool waitFor(const std::string& line, int seconds = 30) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
      for (const auto& l : lines()) {
        if (l == line) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  int count(const std::string& line) const {
    int n = 0;
    for (const auto& l : lines()) n += l == line;
    return n;
  }
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
  static int& counter() {
    static int n = 0;
    return n;
  }
  std::filesystem::path dir_;
  std::string transcript_;
  pid_t pid_ = 0;
  bool started_ = false;
};

}  // namespace raidmon::test
