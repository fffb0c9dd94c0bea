// raidmond's pieces: the severities and texts of its log records, the datagram log, the
// event loop, its options and the chain its views pass through.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <regex>
#include <thread>

#include "headless/event_loop.h"
#include "headless/headless_monitor.h"
#include "headless/headless_options.h"
#include "headless/headless_views.h"
#include "platform/system_log.h"
#include "log_socket.h"
#include "monitor/drive_events.h"
#include "support/temp_dir.h"
#include "support/transcript_file.h"

namespace raidmon {
namespace {

using namespace std::chrono_literals;

struct RecordingLog final : SystemLog {
  std::vector<std::pair<LogSeverity, std::string>> records;
  void send(LogSeverity severity, std::string_view message) override {
    records.emplace_back(severity, std::string(message));
  }
};

TEST(LogRecords, FailuresAreErrorsDisconnectionsWarningsTheRestNotices) {
  const std::string location = "( location : Card 1 Primary Slave)";
  struct Notice {
    std::string_view l1, l2;
    LogSeverity expected;
  };
  for (const Notice& n : {
           Notice{eventSentence(DriveEvent::PlugError), kNoticeSecondLine, LogSeverity::Error},
           Notice{eventSentence(DriveEvent::Disconnected), kNoticeSecondLine, LogSeverity::Warning},
           Notice{eventSentence(DriveEvent::Connected), kNoticeSecondLine, LogSeverity::Notice},
           Notice{"", "Rebuild Process Fail!", LogSeverity::Error},
           Notice{"", "Rebuild Process Cancel!", LogSeverity::Notice},
           Notice{"", "Rebuild Process Complete!", LogSeverity::Notice},
       }) {
    EXPECT_EQ(noticeSeverity(n.l1, n.l2, location), n.expected) << n.l1 << n.l2;
  }
  struct Row {
    std::string_view event;
    LogSeverity expected;
  };
  for (const Row& r : {
           Row{eventGridText(DriveEvent::PlugError), LogSeverity::Error},
           Row{eventGridText(DriveEvent::Disconnected), LogSeverity::Warning},
           Row{eventGridText(DriveEvent::Connected), LogSeverity::Notice},
           Row{"Flash ROM Update Fail!", LogSeverity::Error},
           Row{"Flash ROM Update Complete!", LogSeverity::Notice},
           Row{"Rebuild Start", LogSeverity::Notice},
           Row{"Rebuild Cancel", LogSeverity::Notice},
       }) {
    EXPECT_EQ(rowSeverity("Card 1", r.event, ""), r.expected) << r.event;
  }
  // Texts: empty lines and an empty last column leave no stray blanks.
  EXPECT_EQ(noticeRecord("", "Rebuild Process Complete!", ""), "Rebuild Process Complete!");
  EXPECT_EQ(noticeRecord("A Hard Disk has been disconnected from", "RAID controller !", location),
            "A Hard Disk has been disconnected from RAID controller ! ( location : Card 1 Primary Slave)");
  EXPECT_EQ(rowRecord("Card 1 Primary Slave", "Diconnected", ""), "Card 1 Primary Slave: Diconnected");
  EXPECT_EQ(rowRecord("Card 1", "Flash ROM Update Complete!", "/x/img.bin"),
            "Card 1: Flash ROM Update Complete! /x/img.bin");
  EXPECT_EQ(rowRecord("", "Connected", ""), "Connected");
}

TEST(DatagramLog, SendsOneRfc3164RecordPerMessageWithTheDaemonFacility) {
  test::TempDir dir("raidmond_log");
  test::LogSocket socket(dir.file("log.sock"));
  auto log = openDatagramLog(socket.path());
  ASSERT_TRUE(log) << log.error();
  (*log)->send(LogSeverity::Error, "Card 1: Flash ROM Update Fail!");
  (*log)->send(LogSeverity::Warning, "Card 1 Primary Slave: Diconnected");
  (*log)->send(LogSeverity::Notice, "tab\there");
  const std::string head = R"(>[A-Z][a-z]{2} [ 1-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] raidmond\[)" +
                           std::to_string(::getpid()) + R"(\]: )";
  for (const auto& [priority, text] : {std::pair{"27", "Card 1: Flash ROM Update Fail!"},
                                       std::pair{"28", "Card 1 Primary Slave: Diconnected"},
                                       std::pair{"29", "tab\there"}}) {
    const auto record = socket.waitForEnding(std::string("]: ") + text, 5);
    ASSERT_TRUE(record) << text;
    EXPECT_TRUE(std::regex_match(record->text, std::regex("<" + std::string(priority) + head + text)))
        << record->text;
  }
  // A burst larger than the socket's queue: the records wait for room, none is lost.
  for (int i = 0; i < 100; ++i) (*log)->send(LogSeverity::Notice, "burst " + std::to_string(i));
  EXPECT_TRUE(socket.waitForEnding("]: burst 99", 5));
  EXPECT_EQ(socket.count(), 103u);
  // Nobody listening: the record is dropped and the program goes on.
  auto nowhere = openDatagramLog(dir.file("nobody.sock"));
  ASSERT_TRUE(nowhere);
  (*nowhere)->send(LogSeverity::Error, "lost");
  EXPECT_FALSE(openDatagramLog(std::string(200, 'x')));
  EXPECT_FALSE(openDatagramLog(""));
}

TEST(EventLoop, TicksEveryIntervalAndEnablingRestartsTheTimer) {
  EventLoop loop;
  std::vector<EventLoop::Clock::time_point> ticks;
  loop.setTick([&] {
    ticks.push_back(EventLoop::Clock::now());
    if (ticks.size() == 3) {
      // As the poll cycle ends: enabled again, so the next tick is a whole interval on.
      std::this_thread::sleep_for(30ms);
      loop.timer().setEnabled(true);
    }
    if (ticks.size() == 5) loop.timer().setEnabled(false);
  });
  loop.timer().setInterval(40);
  loop.timer().setEnabled(true);
  const auto start = EventLoop::Clock::now();
  loop.quitAfter(600ms);
  EXPECT_EQ(loop.run(), EventLoop::End::Deadline);
  EXPECT_GE(EventLoop::Clock::now() - start, 600ms);
  ASSERT_EQ(ticks.size(), 5u) << "a disabled timer does not tick";
  // Periodic: a late tick does not push the next ones back.
  for (std::size_t i = 0; i < 3; ++i) EXPECT_GE(ticks[i] - start, (i + 1) * 40ms) << i;
  EXPECT_GE(ticks[3] - ticks[2], 70ms) << "the tick's own 30 ms, then a whole interval";
  EXPECT_GE(ticks[4] - ticks[2], 110ms);
}

TEST(EventLoop, RunsPostedTasksOnItsThreadInOrderAndDropsThemWhenTold) {
  EventLoop loop;
  std::vector<int> ran;
  std::atomic<bool> otherThread{false};
  const auto loopThread = std::this_thread::get_id();
  constexpr int kTasks = 5000;  // more wake-ups than the pipe holds
  std::jthread worker([&] {
    for (int i = 0; i < kTasks; ++i) {
      loop.post([&, i] {
        if (std::this_thread::get_id() != loopThread) otherThread = true;
        ran.push_back(i);
        if (i == kTasks - 1) loop.quit();
      });
    }
  });
  loop.quitAfter(20s);
  EXPECT_EQ(loop.run(), EventLoop::End::Quit);
  EXPECT_FALSE(otherThread);
  ASSERT_EQ(ran.size(), static_cast<std::size_t>(kTasks));
  for (int i = 0; i < kTasks; ++i) ASSERT_EQ(ran[static_cast<std::size_t>(i)], i);

  bool dropped = true;
  loop.post([&] { dropped = false; });
  loop.discardPosted();
  loop.runPosted();
  EXPECT_TRUE(dropped);

  // What a task throws goes to the guard and the loop goes on.
  std::string caught;
  loop.setGuard([&](const std::function<void()>& step) {
    try {
      step();
    } catch (const std::exception& e) {
      caught = e.what();
    }
  });
  loop.post([] { throw std::runtime_error("bad task"); });
  loop.post([&] { loop.quit(); });
  EXPECT_EQ(loop.run(), EventLoop::End::Quit);
  EXPECT_EQ(caught, "bad task");
}

TEST(EventLoop, TerminationSignalsEndTheRunInsteadOfTheProcess) {
  for (int sig : {SIGTERM, SIGINT}) {
    EventLoop loop;
    loop.catchTerminationSignals();
    loop.timer().setInterval(1000);
    loop.timer().setEnabled(true);
    loop.quitAfter(20s);
    std::jthread sender([sig] {
      std::this_thread::sleep_for(50ms);
      ::kill(::getpid(), sig);
    });
    const auto start = EventLoop::Clock::now();
    EXPECT_EQ(loop.run(), EventLoop::End::Signal) << sig;
    EXPECT_LT(EventLoop::Clock::now() - start, 900ms) << "woken by the signal, not the timer";
  }
}

TEST(HeadlessOptions, TakesRaidmonsControllerOptionsAndAnswersDialogsAlways) {
  auto o = parseHeadlessOptions({"--emulate=x.scn", "--loop-time=250", "--syslog-socket=/run/l.sock",
                                 "--transcript=-", "--quit-after=9"},
                                std::string("9x"));
  ASSERT_TRUE(o) << o.error();
  EXPECT_TRUE(o->app.emulate);
  EXPECT_EQ(o->app.scenarioPath, "x.scn");
  EXPECT_EQ(o->app.loopTimeMs, 250);
  EXPECT_EQ(o->app.quitAfterMs, 9);
  EXPECT_EQ(o->app.osFamily, 1);
  EXPECT_EQ(o->app.transcriptPath, "-");
  EXPECT_EQ(o->logSocket, "/run/l.sock");
  EXPECT_TRUE(o->app.answerDialogs);

  EXPECT_FALSE(parseHeadlessOptions({"--flash-update=img.bin"}, std::nullopt));
  EXPECT_FALSE(parseHeadlessOptions({"--syslog-socket="}, std::nullopt));
  EXPECT_FALSE(parseHeadlessOptions({"--loop-time=0"}, std::nullopt));
  EXPECT_FALSE(parseHeadlessOptions({"--window"}, std::nullopt));
}

// Fills and shows a notice as the core does.
void showNotice(NoticeView& view, std::string_view l1, std::string_view l2, std::string_view l3) {
  view.setNoticeLine(1, l1);
  view.setNoticeLine(2, l2);
  view.setNoticeLine(3, l3);
  view.showNotice();
}

TEST(ViewChain, NoticesAndRowsGoEverywhereTracesAndDialogsOnlyToTheTranscript) {
  test::TempDir dir("raidmond_chain");
  RecordingLog log;
  test::TranscriptFile out(dir.file("out.txt")), full(dir.file("full.txt"));
  {
    Transcript standardOutput(out.path());
    Transcript transcript(full.path());
    ViewChain chain = assembleViewChain({standardOutput, &transcript, log});
    showNotice(*chain.notice, eventSentence(DriveEvent::Disconnected), kNoticeSecondLine,
               "( location : Card 1 Primary Slave)");
    chain.grid->addEventRow("Card 1 Primary Slave", "Diconnected", "");
    chain.debug->addTrace("EyeSetting");
    EXPECT_TRUE(chain.dialogs->confirmBox("Press OK to start REBUILD", true));
    EXPECT_EQ(chain.dialogs->inputBox("Timer", "Time", "1000"), "1000");
    chain.dialogs->messageBox("only raid1 or raid 0+1 hdd select");
  }
  const std::vector<std::string> shown = {
      "notice\tA Hard Disk has been disconnected from\tRAID controller !\t( location : Card 1 Primary Slave)",
      "row\tCard 1 Primary Slave\tDiconnected\t"};
  EXPECT_EQ(out.lines(), shown);
  EXPECT_EQ(full.lines(), (std::vector<std::string>{shown[0], shown[1], "trace\tEyeSetting",
                                                    "confirm\tPress OK to start REBUILD", "input\tTimer",
                                                    "message\tonly raid1 or raid 0+1 hdd select"}));
  ASSERT_EQ(log.records.size(), 3u);
  EXPECT_EQ(log.records[0].first, LogSeverity::Warning);
  EXPECT_EQ(log.records[1], std::pair(LogSeverity::Warning, std::string("Card 1 Primary Slave: Diconnected")));
  EXPECT_EQ(log.records[2], std::pair(LogSeverity::Notice, std::string("only raid1 or raid 0+1 hdd select")));

  // --transcript=-: the notices and rows are written once.
  test::TranscriptFile both(dir.file("both.txt"));
  {
    Transcript standardOutput(both.path());
    ViewChain chain = assembleViewChain({standardOutput, &standardOutput, log});
    chain.grid->addEventRow("Card 2 Primary Master", "Connected", "");
    chain.debug->addTrace("EyeSetting");
  }
  EXPECT_EQ(both.lines(), (std::vector<std::string>{"row\tCard 2 Primary Master\tConnected\t", "trace\tEyeSetting"}));
}

}  // namespace
}  // namespace raidmon
