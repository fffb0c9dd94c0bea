// Runs the built k4emu server and a raidmon connected to it as separate processes, and
// the `k4emu inject` command between them; raidmon's transcript is read as it grows.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/program_dir.h"
#include "support/temp_dir.h"
#include "support/transcript_file.h"

extern char** environ;

namespace raidmon::test {

// A process started with posix_spawn, its standard error in a file; ended on
// destruction (SIGTERM, then SIGKILL).
class Process {
 public:
  Process(std::vector<std::string> args, const std::string& stderrFile) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, stderrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    started_ = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Process() { stop(); }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool started() const { return started_; }
  bool running() {
    if (!started_ || pid_ <= 0) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = 0;
      status_ = status;
      return false;
    }
    return true;
  }
  void signal(int sig) {
    if (pid_ > 0) ::kill(pid_, sig);
  }
  // Waits up to `seconds` for the process to end; its wait status, or -1 if it runs on.
  int wait(int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (running()) {
      if (std::chrono::steady_clock::now() > deadline) return -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return status_;
  }
  // SIGTERM, then SIGKILL after two seconds; the wait status.
  int stop() {
    if (!running()) return status_;
    signal(SIGTERM);
    if (wait(2) != -1) return status_;
    signal(SIGKILL);
    return wait(5);
  }

 private:
  pid_t pid_ = 0;
  bool started_ = false;
  int status_ = -1;
};

inline std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// `k4emu serve SCENARIO --socket PATH`, ready once the socket answers.
class K4emuServer {
 public:
  K4emuServer(const TempDir& dir, const std::string& scenario,
              const std::string& socketName = "k4.sock")
      : socket_(dir.file(socketName)), log_(dir.file(socketName + ".log")) {
    const std::string scn = dir.file(socketName + ".scn");
    std::ofstream(scn) << scenario;
    process_ = std::make_unique<Process>(
        std::vector<std::string>{programDirectory() + "k4emu", "serve", scn, "--socket", socket_},
        log_);
  }
  // Waits until `k4emu inject` reaches the server (with a harmless "stall off"), up to 10 s.
  bool waitReady() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      if (std::filesystem::exists(socket_) && inject({"stall off"}) == 0) return true;
      if (!process_->running()) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }
  // Runs `k4emu inject --socket PATH EVENT...`; its exit status (-1: did not end).
  int inject(const std::vector<std::string>& events) {
    std::vector<std::string> args = {programDirectory() + "k4emu", "inject", "--socket", socket_};
    args.insert(args.end(), events.begin(), events.end());
    Process p(args, log_ + ".inject");
    const int status = p.wait(10);
    return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  Process& process() { return *process_; }
  const std::string& socket() const { return socket_; }
  std::string log() const { return readFile(log_); }

 private:
  std::string socket_;
  std::string log_;
  std::unique_ptr<Process> process_;
};

// raidmon --controller=socket:PATH, offscreen, answering its own dialogs.
class SocketRaidmon {
 public:
  SocketRaidmon(const TempDir& dir, const std::string& socket, std::vector<std::string> extra)
      : transcript_(dir.file("transcript.txt")), stderr_(dir.file("raidmon.err")) {
    std::vector<std::string> args = {programDirectory() + "raidmon", "--controller=socket:" + socket,
                                     "--transcript=" + transcript_.path(), "--answer-dialogs",
                                     "--loop-time=40", "--quit-after=60000"};
    args.insert(args.end(), extra.begin(), extra.end());
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    process_ = std::make_unique<Process>(args, stderr_);
  }

  std::vector<std::string> lines() const { return transcript_.lines(); }
  int count(const std::string& line) const { return transcript_.count(line); }
  // Waits until `line` has appeared at least `times` times (up to `seconds`).
  bool waitFor(const std::string& line, int times = 1, int seconds = 20) const {
    return transcript_.waitFor(line, times, seconds);
  }
  Process& process() { return *process_; }
  std::string errors() const { return readFile(stderr_); }

 private:
  TranscriptFile transcript_;
  std::string stderr_;
  std::unique_ptr<Process> process_;
};

}  // namespace raidmon::test
