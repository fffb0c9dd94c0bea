// The alert program through the whole program: a hot-plug event runs it with the
// event's facts, and --test-alert's exit statuses and messages.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "emulator/scenario_parser.h"
#include "raidmon_run.h"

namespace raidmon {
namespace {

namespace fs = std::filesystem;

struct Dir {
  Dir() : path(fs::temp_directory_path() / ("raidmon_alert_e2e_" + std::to_string(::getpid()))) {
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~Dir() { fs::remove_all(path); }
  fs::path path;
};

std::map<std::string, std::string> readEnv(const fs::path& file) {
  std::map<std::string, std::string> env;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    const auto eq = line.find('=');
    if (line.rfind("RAIDMON_", 0) == 0 && eq != std::string::npos) env[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return env;
}

TEST(AlertEndToEnd, AHotPlugEventRunsTheAlertProgramWithItsFactsAndMonitoringGoesOnMeanwhile) {
  Dir d;
  // One file per run, named by event and process, holding the run's environment; then
  // the program takes five seconds.
  const std::string cmd =
      "--alert-program=/bin/sh -c 'env > \"$0/$RAIDMON_EVENT.$$\"; sleep 5' " + d.path.string();
  test::RaidmonRun run(std::string(emu::defaultScenarioText()) + "\nhotplug 1 1\nat 4 pull 1.2\nat 70 insert 1.2\n",
                       {"--loop-time=15", cmd});
  ASSERT_TRUE(run.started());
  const auto runs = [&d] {
    std::vector<fs::path> found;
    for (const auto& e : fs::directory_iterator(d.path)) {
      if (e.path().filename().string().rfind("connected.", 0) == 0) found.push_back(e.path());
    }
    return found;
  };
  const auto waitForRuns = [&](std::size_t n) {
    for (int i = 0; i < 600 && runs().size() < n; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return runs().size() >= n;
  };
  // The drive is announced twice (at start and when it is back), about a second apart:
  // the second announcement and its alert come while the first alert still runs.
  ASSERT_TRUE(waitForRuns(1));
  const auto first = std::chrono::steady_clock::now();
  ASSERT_TRUE(waitForRuns(2));
  EXPECT_LT(std::chrono::steady_clock::now() - first, std::chrono::seconds(4));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the file is written
  const auto env = readEnv(runs().front());
  EXPECT_EQ(env.at("RAIDMON_EVENT"), "connected");
  EXPECT_EQ(env.at("RAIDMON_CARD"), "1");
  EXPECT_EQ(env.at("RAIDMON_POSITION"), "PS");
  EXPECT_EQ(env.at("RAIDMON_LOCATION"), "Card 1 Primary Slave");
  EXPECT_EQ(env.at("RAIDMON_MESSAGE"),
            "A Hard Disk has been connected to RAID controller ! ( location : Card 1 Primary Slave)");
  EXPECT_EQ(env.at("RAIDMON_TIME").size(), std::string("2026-12-07T21:03:05+01:00").size());
  EXPECT_EQ(run.count("notice\tA Hard Disk has been connected to\tRAID controller !\t( location : Card 1 Primary Slave)"), 2);
  // Runs that went well leave no trace note.
  for (const auto& l : run.lines()) EXPECT_EQ(l.find("Alert program"), std::string::npos) << l;
}

// Runs raidmon with `args`; its exit status and its standard output and error.
std::pair<int, std::string> raidmon(const std::vector<std::string>& extra) {
  const fs::path out = fs::temp_directory_path() / ("raidmon_test_alert_" + std::to_string(::getpid()));
  std::vector<std::string> args = {programDirectory() + "raidmon"};
  args.insert(args.end(), extra.begin(), extra.end());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  int status = -1;
  // No display at all: the test run needs none.
  std::vector<std::string> envText = {"PATH=/usr/bin:/bin"};
  std::vector<char*> envp = {envText[0].data(), nullptr};
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  std::ifstream in(out);
  std::stringstream text;
  text << in.rdbuf();
  fs::remove(out);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
}

TEST(AlertEndToEnd, TestAlertExitStatusesAndMessages) {
  // The program directory's QZ133.ini names no alert program.
  EXPECT_EQ(raidmon({"--test-alert"}),
            std::make_pair(4, std::string("raidmon: no alert program is configured: set [Alert] Program= in "
                                          "QZ133.ini or give --alert-program=CMD\n")));
  EXPECT_EQ(raidmon({"--test-alert", "--alert-program=true"}),
            std::make_pair(0, std::string("raidmon: the alert program ran and exited with status 0\n")));
  EXPECT_EQ(raidmon({"--alert-program=/bin/sh -c 'test \"$RAIDMON_EVENT\" = test && exit 9'", "--test-alert"}),
            std::make_pair(6, std::string("raidmon: the alert program failed: exit status 9\n")));
  EXPECT_EQ(raidmon({"--test-alert", "--bogus"}).first, 2);
}

}  // namespace
}  // namespace raidmon
