// The built raidmond against emulated controllers: what reaches standard output and
// the system log (through a socket the test binds), how it ends, and that it shows
// what the window shows.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "e2e/k4emu_run.h"
#include "log_socket.h"
#include "platform/program_dir.h"
#include "raidmond_run.h"
#include "support/temp_dir.h"

namespace raidmon {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::HeadlessRun;
using test::LogSocket;

std::string shippedScenario(const std::string& name) { return programDirectory() + "scenarios/" + name; }

std::string readText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Waits (polling finely) until `line` has appeared `times` times; when it did.
std::optional<Clock::time_point> waitForLine(const test::TranscriptFile& file, const std::string& line,
                                             int times, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (Clock::now() < deadline) {
    if (file.count(line) >= times) return Clock::now();
    std::this_thread::sleep_for(2ms);
  }
  return std::nullopt;
}

long long ms(Clock::duration d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); }

// The variables the alert program wrote for the pull of card 1's Primary Slave, by
// `deadline`.
void expectPullAlert(const std::string& path, Clock::time_point deadline) {
  std::string env;
  while (Clock::now() < deadline && env.empty()) {
    std::this_thread::sleep_for(10ms);
    env = readText(path);
  }
  for (const char* line : {"RAIDMON_EVENT=connected\n", "RAIDMON_CARD=1\n", "RAIDMON_POSITION=PS\n",
                           "RAIDMON_LOCATION=Card 1 Primary Slave\n",
                           "RAIDMON_MESSAGE=A Hard Disk has been connected to RAID controller ! ( location : "
                           "Card 1 Primary Slave)\n",
                           "RAIDMON_TIME="}) {
    EXPECT_NE(env.find(line), std::string::npos) << line << " in:\n" << env;
  }
}

TEST(RaidmondEndToEnd, PulledDriveReachesStandardOutputAndTheLogWithinOnePollPeriod) {
  // The hot-plug demo's controller, its drive pulled by the test rather than the timeline.
  std::stringstream scenario;
  {
    std::istringstream in(readText(shippedScenario("hotplug.scn")));
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("at ", 0) != 0) scenario << line << '\n';
    }
  }
  test::TempDir dir("raidmond_pull");
  test::K4emuServer server(dir, scenario.str());
  ASSERT_TRUE(server.waitReady());
  LogSocket log(dir.file("log.sock"));
  // The alert program writes the variables it was given.
  const std::string alertScript = dir.file("alert.sh"), alertOut = dir.file("alert.env");
  std::ofstream(alertScript) << "#!/bin/sh\nenv | grep '^RAIDMON_' | sort > " << alertOut << ".tmp\nmv "
                             << alertOut << ".tmp " << alertOut << "\n";
  ASSERT_EQ(::chmod(alertScript.c_str(), 0700), 0);
  constexpr int kLoopTime = 1000;
  HeadlessRun run("raidmond", {"--controller=socket:" + server.socket(), "--syslog-socket=" + log.path(),
                               "--loop-time=" + std::to_string(kLoopTime), "--alert-program=" + alertScript});
  ASSERT_TRUE(run.started());
  const std::string row = "row\tCard 1 Primary Slave\tConnected\t";
  const std::string notice =
      "notice\tA Hard Disk has been connected to\tRAID controller !\t( location : Card 1 Primary Slave)";
  // Start-up's connection log ends with card 2's last drive.
  ASSERT_TRUE(waitForLine(run.out(), "row\tCard 2 Secondary Slave\tConnected\t", 1, 30s)) << run.errors();
  ASSERT_TRUE(log.waitForEnding(": Card 2 Secondary Slave: Connected", 5));
  const std::size_t logFrom = log.count();
  ASSERT_EQ(run.out().count(row), 1);

  // Pulled part-way into a cycle: the next status read sees it.
  std::this_thread::sleep_for(300ms);
  const auto pulled = Clock::now();
  ASSERT_EQ(server.inject({"pull 1.2"}), 0);
  const auto injected = Clock::now();
  const auto rowShown = waitForLine(run.out(), row, 2, 10s);
  const auto noticeShown = waitForLine(run.out(), notice, 1, 10s);
  ASSERT_TRUE(rowShown && noticeShown) << run.errors();
  const auto rowLogged = log.waitForEnding("]: Card 1 Primary Slave: Connected", 5, logFrom);
  const auto noticeLogged = log.waitForEnding(
      "]: A Hard Disk has been connected to RAID controller ! ( location : Card 1 Primary Slave)", 5, logFrom);
  ASSERT_TRUE(rowLogged && noticeLogged);
  EXPECT_EQ(rowLogged->text.rfind("<29>", 0), 0u) << rowLogged->text;
  EXPECT_EQ(noticeLogged->text.rfind("<29>", 0), 0u) << noticeLogged->text;

  // From the pull (the inject command's start included) to the line and the record.
  const auto latest = std::max({*rowShown, *noticeShown, rowLogged->arrived, noticeLogged->arrived});
  std::printf("pull to standard output: %lld ms, to the log: %lld ms (poll period %d ms, inject %lld ms)\n",
              ms(*noticeShown - pulled), ms(noticeLogged->arrived - pulled), kLoopTime, ms(injected - pulled));
  // One poll period, and a little for starting the inject command on a busy machine.
  EXPECT_LT(ms(latest - pulled), kLoopTime + 400);
  EXPECT_EQ(run.out().count(row), 2) << "one row for the pull";

  // One run of the alert program, with the facts of the event, within the period too.
  expectPullAlert(alertOut, pulled + std::chrono::milliseconds(kLoopTime + 400));
  run.signal(SIGTERM);
  EXPECT_EQ(run.wait(30), 0);
}

TEST(RaidmondEndToEnd, TerminationDuringARebuildCancelsItThroughTheCancelPath) {
  const std::string start = "row\tCard1 S:PM Card1 T:PS\tRebuild Start\t";
  const std::string cancel = "row\tCard1 S:PM Card1 T:PS\tRebuild Cancel\t";
  for (const auto& [sig, family] : {std::pair{SIGTERM, "--os-family=nt"}, std::pair{SIGINT, "--os-family=9x"}}) {
    SCOPED_TRACE(family);
    test::TempDir dir("raidmond_rebuild");
    LogSocket log(dir.file("log.sock"));
    const std::string transcript = dir.file("transcript.txt");
    // Each chunk takes 0.3 ms: the demo's rebuild runs for minutes.
    HeadlessRun run("raidmond", {"--emulate=" + shippedScenario("rebuild.scn"), "--loop-time=20", family,
                                 "--syslog-socket=" + log.path(), "--transcript=" + transcript});
    ASSERT_TRUE(run.started());
    ASSERT_TRUE(waitForLine(run.out(), start, 1, 30s)) << run.errors();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(run.out().count(cancel), 0);
    run.signal(sig);
    EXPECT_EQ(run.wait(30), 0) << run.errors();
    const std::vector<std::string> out = run.out().lines();
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back(), cancel);
    // As an operator's cancel: the question answered OK, then the row.
    const std::vector<std::string> all = test::TranscriptFile(transcript).lines();
    const auto question = std::find(all.begin(), all.end(), "confirm\tAre you sure to finish rebuilding ? ");
    ASSERT_NE(question, all.end());
    EXPECT_NE(std::find(question, all.end(), cancel), all.end());
    // The rebuild target's disconnection is a warning, the rebuild's rows notices.
    const auto gone = log.waitForEnding("]: Card 1 Primary Slave: Diconnected", 5);
    const auto cancelled = log.waitForEnding("]: Card1 S:PM Card1 T:PS: Rebuild Cancel", 5);
    ASSERT_TRUE(gone && cancelled);
    EXPECT_EQ(gone->text.rfind("<28>", 0), 0u) << gone->text;
    EXPECT_EQ(cancelled->text.rfind("<29>", 0), 0u) << cancelled->text;
  }
}

TEST(RaidmondEndToEnd, HotPlugDemoShowsTheRowsAndNoticesTheWindowShows) {
#ifndef RAIDMON_WITH_UI
  GTEST_SKIP() << "built without raidmon";
#else
  const std::vector<std::string> options = {"--emulate=" + shippedScenario("hotplug.scn"), "--loop-time=20",
                                            "--quit-after=4000"};
  test::TempDir dir("raidmond_same");
  const std::string guiTranscript = dir.file("gui.txt");
  const std::string headlessTranscript = dir.file("headless.txt");
  std::vector<std::string> guiArgs = options;
  guiArgs.insert(guiArgs.end(), {"--answer-dialogs", "--transcript=" + guiTranscript});
  std::vector<std::string> headlessArgs = options;
  headlessArgs.push_back("--transcript=" + headlessTranscript);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  HeadlessRun gui("raidmon", guiArgs);
  HeadlessRun headless("raidmond", headlessArgs);
  ASSERT_TRUE(gui.started() && headless.started());
  EXPECT_EQ(gui.wait(60), 0);
  EXPECT_EQ(headless.wait(60), 0) << headless.errors();

  const std::vector<std::string> window = test::TranscriptFile(guiTranscript).lines();
  std::vector<std::string> rowsAndNotices;
  for (const std::string& l : window) {
    if (l.rfind("row\t", 0) == 0 || l.rfind("notice\t", 0) == 0) rowsAndNotices.push_back(l);
  }
  // The demo's two hot-plug notices are in, so the runs went far enough to compare.
  EXPECT_EQ(std::count(rowsAndNotices.begin(), rowsAndNotices.end(),
                       "notice\tA Hard Disk has been connected to\tRAID controller !\t( location : Card 1 Primary Slave)"),
            2);
  EXPECT_EQ(headless.out().lines(), rowsAndNotices);
  // With --transcript, every line of the window's transcript, traces and dialogs too.
  EXPECT_EQ(test::TranscriptFile(headlessTranscript).lines(), window);
#endif
}

TEST(RaidmondEndToEnd, ExitStatusesAndTheHandOverFromRaidmon) {
  test::TempDir dir("raidmond_exit");
  LogSocket log(dir.file("log.sock"));
  {
    // No controller driver on this platform without --emulate.
    HeadlessRun run("raidmond", {"--syslog-socket=" + log.path(), "--quit-after=20000"});
    EXPECT_EQ(run.wait(30), 3);
    EXPECT_NE(run.errors().find("raidmond: RAID controller DRIVER not installed"), std::string::npos)
        << run.errors();
    const auto record = log.waitForEnding("]: RAID controller DRIVER not installed", 5);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->text.rfind("<27>", 0), 0u) << record->text;
  }
  for (const std::string bad : {"--window", "--flash-update=image.bin", "--emulate=/nonexistent.scn"}) {
    HeadlessRun run("raidmond", {bad});
    EXPECT_EQ(run.wait(30), 2) << bad;
    EXPECT_EQ(run.errors().rfind("raidmond: ", 0), 0u) << run.errors();
  }
  {
    // A reader of standard output that goes away ends nothing: status 0 at --quit-after.
    const std::string status = dir.file("status.txt");
    const std::string command = "bash -c '\"" + programDirectory() + "raidmond\" --emulate=\"" +
                                shippedScenario("hotplug.scn") +
                                "\" --loop-time=20 --quit-after=1500 --syslog-socket=\"" + log.path() +
                                "\" 2>/dev/null | head -c 1 >/dev/null; echo ${PIPESTATUS[0]} >\"" + status + "\"'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(readText(status), "0\n");
  }
#ifdef RAIDMON_WITH_UI
  // No window system at all: raidmon hands over before it would need one.
  const std::vector<std::string> env = {"QT_QPA_PLATFORM=no-such-platform", "PATH=/usr/bin:/bin"};
  HeadlessRun run("raidmon", {"--headless", "--emulate=" + shippedScenario("hotplug.scn"), "--loop-time=20",
                              "--quit-after=1500"},
                  &env);
  EXPECT_EQ(run.wait(60), 0) << run.errors();
  EXPECT_EQ(run.out().count("row\tCard 1 Primary Master\tConnected\t"), 1) << run.errors();
  HeadlessRun help("raidmon", {"--help"});
  EXPECT_EQ(help.wait(30), 0);
  EXPECT_NE(help.out().text().find("--headless"), std::string::npos);
#endif
}

}  // namespace
}  // namespace raidmon
