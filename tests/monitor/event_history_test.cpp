// The event history: lines in the transcript's format, kept across runs, rotated at
// the limit with three old files, and a directory that refuses it noted once while
// the views go on working.
#include "monitor/event_history.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/recording_views.h"

namespace raidmon {
namespace {

namespace fs = std::filesystem;

struct TempDir {
  TempDir() : path(fs::temp_directory_path() / ("raidmon_history_" + std::to_string(::getpid()))) {
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~TempDir() { fs::remove_all(path); }
  std::string dir() const { return path.string() + "/"; }
  fs::path path;
};

std::vector<std::string> linesOf(const fs::path& file) {
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The fields after the time stamp.
std::string tail(const std::string& line) { return line.substr(line.find('\t') + 1); }

TEST(EventHistoryTest, RowsAndNoticesGoThroughToTheViewsAndIntoTheFileAcrossRestarts) {
  TempDir d;
  const std::string file = historyPath(d.dir());
  EXPECT_EQ(fs::path(file).filename(), "raidmon-events.log");
  test::RecordingViews views;
  {
    EventHistory history(file, nullptr);
    NoticeTranscript notice(views, history);
    EventGridTranscript grid(views, history);
    grid.addEventRow("Card 1 Primary Slave", "Diconnected", "");
    notice.setNoticeLine(1, "A Hard Disk has been disconnected from");
    notice.setNoticeLine(2, "RAID controller !");
    notice.setNoticeLine(3, "( location : Card 1 Primary Slave)");
    notice.showNotice();
  }
  EXPECT_EQ(views.rows.size(), 1u);  // the grid still got its row
  EXPECT_EQ(views.noticeLines[1], "RAID controller !");
  {
    EventHistory again(file, nullptr);  // the next run appends
    again.write("row", {"Card 1 Primary Slave", "Connected", ""});
  }
  const auto lines = linesOf(file);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(tail(lines[0]), "row\tCard 1 Primary Slave\tDiconnected\t");
  EXPECT_EQ(tail(lines[1]),
            "notice\tA Hard Disk has been disconnected from\tRAID controller !\t( location : Card 1 Primary Slave)");
  EXPECT_EQ(tail(lines[2]), "row\tCard 1 Primary Slave\tConnected\t");
  // The transcript's time stamp: local ISO time to the millisecond.
  EXPECT_EQ(lines[0].find('\t'), std::string("2026-12-07T20:20:43.659").size());
  EXPECT_EQ(lines[0][10], 'T');
}

TEST(EventHistoryTest, RotatesAtTheLimitKeepingThreeOldFilesWithTheNewestLines) {
  TempDir d;
  const std::string file = historyPath(d.dir());
  const std::string one = transcriptLine(std::chrono::system_clock::now(), "row", {"Card 1", "x000", ""});
  const std::size_t lineSize = one.size();
  const std::uintmax_t limit = lineSize * 10;  // ten lines a file
  {
    EventHistory history(file, nullptr, limit);
    for (int i = 0; i < 55; ++i) {
      char event[8];
      std::snprintf(event, sizeof event, "x%03d", i);
      history.write("row", {"Card 1", event, ""});
    }
  }
  EXPECT_FALSE(fs::exists(file + ".4"));
  for (const std::string& f : {file, file + ".1", file + ".2", file + ".3"}) {
    ASSERT_TRUE(fs::exists(f)) << f;
    EXPECT_LE(fs::file_size(f), limit) << f;
  }
  // 55 lines: the current file holds the last 5, ".1" to ".3" the 30 before; the
  // oldest 20 are gone.
  EXPECT_EQ(linesOf(file).size(), 5u);
  EXPECT_NE(linesOf(file).front().find("x050"), std::string::npos);
  EXPECT_NE(linesOf(file + ".1").front().find("x040"), std::string::npos);
  EXPECT_NE(linesOf(file + ".3").front().find("x020"), std::string::npos);
  EXPECT_NE(linesOf(file + ".3").back().find("x029"), std::string::npos);

  // A restart goes on filling the current file up to the limit before rotating.
  {
    EventHistory again(file, nullptr, limit);
    for (int i = 0; i < 5; ++i) again.write("row", {"Card 1", "y000", ""});
  }
  EXPECT_EQ(linesOf(file).size(), 10u);
  EXPECT_NE(linesOf(file + ".3").front().find("x020"), std::string::npos);
}

TEST(EventHistoryTest, ADirectoryThatCannotBeWrittenIsNotedOnceAndMonitoringGoesOn) {
  TempDir d;
  std::ofstream(d.path / "not-a-dir") << "a file where the directory should be";
  const std::string file = (d.path / "not-a-dir" / "raidmon-events.log").string();
  std::vector<std::string> notes;
  test::RecordingViews views;
  EventHistory history(file, [&notes](const std::string& n) { notes.push_back(n); });
  EventGridTranscript grid(views, history);
  NoticeTranscript notice(views, history);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NO_THROW(grid.addEventRow("Card 1 Primary Master", "Connected", ""));
    EXPECT_NO_THROW(notice.showNotice());
  }
  EXPECT_EQ(views.rows.size(), 3u);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find(file), std::string::npos);
  // The system's own reason: "Not a directory" on Linux; Windows says the path is missing.
  errno = 0;
  if (std::FILE* probe = std::fopen(file.c_str(), "ab")) std::fclose(probe);
  const std::string reason = std::strerror(errno);
  EXPECT_NE(reason, std::strerror(0));
  EXPECT_NE(notes[0].find(reason), std::string::npos) << notes[0];
}

}  // namespace
}  // namespace raidmon
