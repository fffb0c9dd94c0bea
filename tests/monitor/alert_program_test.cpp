// The alert program: its command split without a shell, the facts in its environment,
// the setting, one test run per outcome, and the dispatcher that keeps the poll cycle
// from ever waiting for it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <thread>

#include "monitor/alert_dispatcher.h"
#include "monitor/alert_setup.h"
#include "monitor/drive_events.h"
#include "support/recording_views.h"

namespace raidmon {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct TempDir {
  TempDir() : path(fs::temp_directory_path() / ("raidmon_alert_" + std::to_string(::getpid()))) {
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~TempDir() { fs::remove_all(path); }
  std::string dir() const { return path.string() + "/"; }
  std::string at(const std::string& name) const { return (path / name).string(); }
  fs::path path;
};

std::vector<std::string> split(std::string_view line) {
  std::string error;
  auto args = splitCommandLine(line, error);
  EXPECT_TRUE(args.has_value()) << line << ": " << error;
  return args.value_or(std::vector<std::string>{});
}

std::string fileText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct RecordingLines final : LineRecorder {
  std::mutex mutex;
  std::vector<std::string> lines;
  void write(std::string_view kind, const std::vector<std::string_view>& fields) override {
    std::string line(kind);
    for (auto f : fields) line += "|" + std::string(f);
    std::lock_guard lock(mutex);
    lines.push_back(line);
  }
};

struct Notes {
  std::mutex mutex;
  std::vector<std::string> lines;
  AlertDispatcher::Note note() {
    return [this](const std::string& l) {
      std::lock_guard lock(mutex);
      lines.push_back(l);
    };
  }
};

TEST(AlertCommandTest, SplitsLikeACommandLineAndNeverInterpretsShellText) {
  EXPECT_EQ(split("  /usr/bin/logger  -t raidmon\t"), (std::vector<std::string>{"/usr/bin/logger", "-t", "raidmon"}));
  EXPECT_EQ(split("mail -s 'RAID alert' \"ops team\""),
            (std::vector<std::string>{"mail", "-s", "RAID alert", "ops team"}));
  EXPECT_EQ(split(R"(a\ b "c \"d\" \\ \x" 'e\f' g"h"i '')"),
            (std::vector<std::string>{"a b", "c \"d\" \\ \\x", "e\\f", "ghi", ""}));
  // Shell syntax stays plain text in the arguments.
  EXPECT_EQ(split("echo $HOME ~ *; rm -rf / | cat"),
            (std::vector<std::string>{"echo", "$HOME", "~", "*;", "rm", "-rf", "/", "|", "cat"}));
  EXPECT_TRUE(split("   ").empty());
  std::string error;
  EXPECT_FALSE(splitCommandLine("say 'unfinished", error));
  EXPECT_NE(error.find("single quote"), std::string::npos);
  EXPECT_FALSE(splitCommandLine("say \"unfinished", error));
  EXPECT_NE(error.find("double quote"), std::string::npos);
  EXPECT_FALSE(splitCommandLine("trailing\\", error));
}

TEST(AlertCommandTest, TheOptionWinsOverTheSettingWhichIsReadFromTheAlertSection) {
  TempDir d;
  EXPECT_EQ(alertCommand(d.dir(), ""), "");
  std::ofstream(d.at("QZ133.ini")) << "[Rebuild]\r\nAuto Rebuild=1\r\n[alert]\r\n program = \"/opt/page ops\" \r\n";
  EXPECT_EQ(alertCommand(d.dir(), ""), "/opt/page ops");  // quotes around the value go, as for every key
  EXPECT_EQ(alertCommand(d.dir(), "logger -t x"), "logger -t x");
}

TEST(AlertCommandTest, TheEnvironmentCarriesTheFactsAsDataBesidesTheInheritedOnes) {
  AlertFacts facts{AlertEvent::Failed, 2, 4, "Card 2 Secondary Slave",
                   "Hard Disk Error ( OFF -> ON ) RAID controller ! ( location : Card 2 Secondary Slave)"};
  const auto vars = alertVariables(facts, std::chrono::system_clock::now());
  std::map<std::string, std::string> v(vars.begin(), vars.end());
  EXPECT_EQ(v.size(), 6u);
  EXPECT_EQ(v["RAIDMON_EVENT"], "failed");
  EXPECT_EQ(v["RAIDMON_CARD"], "2");
  EXPECT_EQ(v["RAIDMON_POSITION"], "SS");
  EXPECT_EQ(v["RAIDMON_LOCATION"], "Card 2 Secondary Slave");
  EXPECT_EQ(v["RAIDMON_MESSAGE"], facts.message);
  EXPECT_TRUE(std::regex_match(v["RAIDMON_TIME"], std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)")))
      << v["RAIDMON_TIME"];
  facts.position = 0;  // a flash outcome's: no position
  EXPECT_EQ(alertVariables(facts, {})[2].second, "");
  const char* inherited[] = {"PATH=/bin", "RAIDMON_EVENT=stale", "HOME=/root", nullptr};
  const auto env = buildEnvironment(inherited, {{"RAIDMON_EVENT", "connected"}, {"RAIDMON_MESSAGE", "a;b $(x)"}});
  EXPECT_EQ(env, (std::vector<std::string>{"PATH=/bin", "HOME=/root", "RAIDMON_EVENT=connected",
                                           "RAIDMON_MESSAGE=a;b $(x)"}));
}

// --test-alert: one run per outcome, each with its exit status and message.
TEST(TestAlertTest, NotConfigured) {
  const TestAlertResult r = runTestAlert("");
  EXPECT_EQ(r.exitStatus, kExitAlertNotConfigured);
  EXPECT_NE(r.message.find("no alert program is configured"), std::string::npos);
}

TEST(TestAlertTest, MissingProgram) {
  const TestAlertResult r = runTestAlert("/nonexistent/raidmon-alert --now");
  EXPECT_EQ(r.exitStatus, kExitAlertCannotStart);
  EXPECT_EQ(r.message, "the alert program cannot start: /nonexistent/raidmon-alert: No such file or directory");
  EXPECT_EQ(runTestAlert("say 'oops").exitStatus, kExitAlertCannotStart);
}

TEST(TestAlertTest, ExitStatusOne) {
  const TestAlertResult r = runTestAlert("/bin/sh -c 'exit 1'");
  EXPECT_EQ(r.exitStatus, kExitAlertFailed);
  EXPECT_EQ(r.message, "the alert program failed: exit status 1");
}

TEST(TestAlertTest, HangIsEndedAfterTheLimit) {
  const auto start = std::chrono::steady_clock::now();
  // The shell ignores SIGTERM, so SIGKILL after the grace ends it (and its sleep).
  const TestAlertResult r = runTestAlert("/bin/sh -c 'trap \"\" TERM; sleep 30; :'", 200ms, 200ms);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(r.exitStatus, kExitAlertTimedOut);
  EXPECT_EQ(r.message, "the alert program was ended after 0.2 s");
  EXPECT_GE(took, 400ms);
  EXPECT_LT(took, 5s);
  EXPECT_EQ(runTestAlert("sleep 30", 100ms).message, "the alert program was ended after 0.1 s");
}

TEST(TestAlertTest, SuccessSeesTheTestEvent) {
  TempDir d;
  const std::string out = d.at("env.txt");
  const TestAlertResult r = runTestAlert("/bin/sh -c 'env > \"$0\"' " + out);
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.message, "the alert program ran and exited with status 0");
  const std::string env = fileText(out);
  EXPECT_NE(env.find("RAIDMON_EVENT=test\n"), std::string::npos) << env;
  EXPECT_NE(env.find("PATH="), std::string::npos);  // the inherited environment too
}

TEST(AlertDispatcherTest, TwentyAlertsAllRunAtMostFourAtOnceAndRaisingNeverWaits) {
  TempDir d;
  RecordingLines history;
  Notes notes;
  // Each run notes its start and end around a short sleep, in a file of its own.
  const std::string script =
      "/bin/sh -c 'echo \"$RAIDMON_EVENT $RAIDMON_CARD $RAIDMON_POSITION $RAIDMON_LOCATION\" > \"$0/$$\"; "
      "sleep 0.2' " + d.dir();
  std::string error;
  AlertDispatcher dispatcher(*splitCommandLine(script, error), &history, notes.note());
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 20; ++i) {
    dispatcher.raise({AlertEvent::Disconnected, 1 + i % 4, 1 + i % 4, locationText(1 + i % 4, 1 + i % 4), "m"});
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);  // queued, not run inline
  ASSERT_TRUE(dispatcher.waitIdle(20s));
  EXPECT_EQ(dispatcher.peakRunning(), 4);
  // 20 runs of 0.2 s, four at a time: at least five rounds.
  EXPECT_GE(std::chrono::steady_clock::now() - start, 1s);
  std::multiset<std::string> seen;
  for (const auto& e : fs::directory_iterator(d.path)) seen.insert(fileText(e.path().string()));
  EXPECT_EQ(seen.size(), 20u);
  EXPECT_EQ(seen.count("disconnected 3 SM Card 3 Secondary Master\n"), 5u);
  EXPECT_TRUE(notes.lines.empty());
  EXPECT_TRUE(history.lines.empty());  // runs that went well leave no line
}

TEST(AlertDispatcherTest, ProgramsThatFailHangOrCannotStartAreNotedAndRecorded) {
  RecordingLines history;
  Notes notes;
  AlertDispatcherOptions options;
  options.limit = 200ms;
  options.grace = 200ms;
  {
    std::string error;
    AlertDispatcher hang(*splitCommandLine("sleep 30", error), &history, notes.note(), options);
    AlertDispatcher fails(*splitCommandLine("/bin/sh -c 'exit 3'", error), &history, notes.note(), options);
    AlertDispatcher missing({"/nonexistent/alert"}, &history, notes.note(), options);
    const auto start = std::chrono::steady_clock::now();
    hang.raise({AlertEvent::Failed, 1, 2, "Card 1 Primary Slave", "m"});
    fails.raise({AlertEvent::RebuildFailed, 1, 2, "Card 1 Primary Slave", "Rebuild Process Fail!"});
    missing.raise({AlertEvent::FlashFailed, 1, 0, "Card 1", "m"});
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
    for (AlertDispatcher* d : {&hang, &fails, &missing}) EXPECT_TRUE(d->waitIdle(10s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  }
  std::set<std::string> n(notes.lines.begin(), notes.lines.end());
  EXPECT_EQ(n, (std::set<std::string>{
                   "Alert program for failed: ended after 0.2 s",
                   "Alert program for rebuild-failed: exit status 3",
                   "Alert program for flash-failed: cannot start: /nonexistent/alert: No such file or directory",
               }));
  std::set<std::string> h(history.lines.begin(), history.lines.end());
  EXPECT_EQ(h, (std::set<std::string>{
                   "alert|failed|ended after 0.2 s|sleep",
                   "alert|rebuild-failed|exit status 3|/bin/sh",
                   "alert|flash-failed|cannot start: /nonexistent/alert: No such file or directory|/nonexistent/alert",
               }));
}

TEST(AlertDispatcherTest, AtExitQueuedAlertsStillRunWithinTheDrainTime) {
  TempDir d;
  const std::string out = d.at("ran");
  {
    std::string error;
    AlertDispatcher dispatcher(*splitCommandLine("/bin/sh -c 'echo \"$RAIDMON_EVENT\" >> \"$0\"' " + out, error),
                               nullptr, nullptr);
    dispatcher.raise({AlertEvent::RebuildCancelled, 1, 2, "", ""});
  }  // destroyed at once: the alert still ran
  EXPECT_EQ(fileText(out), "rebuild-cancelled\n");
}

TEST(AlertSetupTest, TheConfiguredCommandGetsADispatcherAndABadOneANote) {
  TempDir d;
  std::vector<std::string> notes;
  auto none = setUpAlerts(d.dir(), "", [&notes](const std::string& l) { notes.push_back(l); });
  EXPECT_EQ(none->dispatcher, nullptr);
  none->sink().raise({AlertEvent::Connected, 1, 1, "", ""});  // goes nowhere
  none->sink().record("rebuild", {"Rebuild Process Complete!", "duration 0:00:01", "average 1.0 MB/s"});
  EXPECT_NE(fileText(d.at("raidmon-events.log")).find("\trebuild\tRebuild Process Complete!\tduration"),
            std::string::npos);
  auto bad = setUpAlerts(d.dir(), "page 'ops", [&notes](const std::string& l) { notes.push_back(l); });
  EXPECT_EQ(bad->dispatcher, nullptr);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0], "Alert program not used: the command has an unterminated single quote");
  std::ofstream(d.at("QZ133.ini")) << "[Alert]\nProgram=true\n";
  auto good = setUpAlerts(d.dir(), "", nullptr);
  ASSERT_NE(good->dispatcher, nullptr);
  EXPECT_EQ(&good->sink(), good->dispatcher.get());
}

struct RecordingAlerts final : AlertSink {
  std::vector<AlertFacts> raised;
  std::vector<std::string> recorded;
  void raise(const AlertFacts& f) override { raised.push_back(f); }
  void record(std::string_view kind, const std::vector<std::string_view>& fields) override {
    std::string line(kind);
    for (auto f : fields) line += "|" + std::string(f);
    recorded.push_back(line);
  }
};

TEST(DriveEventAlertTest, EachDriveEventRaisesItsFactsWithTheNoticeText) {
  test::RecordingViews views;
  RecordingAlerts alerts;
  DriveEvents events(views, views);
  events.RaiseDriveEvent(1, 2, DriveEvent::Connected);  // before a sink: nothing raised
  events.setAlertSink(alerts);
  events.RaiseDriveEvent(1, 2, DriveEvent::Disconnected);
  events.RaiseDriveEvent(2, 3, DriveEvent::PlugError);
  events.RaiseDriveEvent(3, 4, DriveEvent::Connected);
  ASSERT_EQ(alerts.raised.size(), 3u);
  const AlertFacts& f = alerts.raised[0];
  EXPECT_EQ(f.event, AlertEvent::Disconnected);
  EXPECT_EQ(f.card, 1);
  EXPECT_EQ(f.position, 2);
  EXPECT_EQ(f.location, "Card 1 Primary Slave");
  EXPECT_EQ(f.message, "A Hard Disk has been disconnected from RAID controller ! ( location : Card 1 Primary Slave)");
  EXPECT_EQ(alerts.raised[1].event, AlertEvent::Failed);
  EXPECT_EQ(alerts.raised[1].message,
            "Hard Disk Error ( OFF -> ON ) RAID controller ! ( location : Card 2 Secondary Master)");
  EXPECT_EQ(alerts.raised[2].event, AlertEvent::Connected);
  EXPECT_EQ(alerts.raised[2].card, 3);
  EXPECT_EQ(views.rows.size(), 4u);  // the rows are as before
}

}  // namespace
}  // namespace raidmon
