// The services each operating system implements on its own (program directory, shared
// memory, the instance lock, whole-file replacement, local time, child processes),
// checked through the same headers on every system.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/child_process.h"
#include "platform/file_replace.h"
#include "platform/instance_lock.h"
#include "platform/local_time.h"
#include "platform/program_dir.h"
#include "platform/shared_memory.h"
#include "support/temp_dir.h"

namespace raidmon {
namespace {

namespace fs = std::filesystem;

std::string contentsOf(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(OsServices, ProgramDirectoryHoldsThisProgramAndEndsInASeparator) {
  const std::string dir = programDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_NE(std::string(pathSeparators()).find(dir.back()), std::string::npos);
  bool found = false;
  for (const auto& entry : fs::directory_iterator(dir)) {
    found = found || entry.path().stem() == "platform_tests";
  }
  EXPECT_TRUE(found) << dir;
}

TEST(OsServices, SharedViewsAreDistinctWritableAndRefuseBadRequests) {
  auto a = SharedView::create("raidmon_test", 4096);
  auto b = SharedView::create("raidmon_test", 4096);
  ASSERT_TRUE(a.has_value());
  ASSERT_TRUE(b.has_value());
  EXPECT_NE((*a)->name(), (*b)->name());
  EXPECT_EQ((*a)->size(), 4096u);
  (*a)->data()[0] = 0x5A;
  (*a)->data()[4095] = 0xA5;
  EXPECT_EQ((*a)->data()[4095], 0xA5);
  EXPECT_EQ((*b)->data()[0], 0);  // fresh memory is zeroed and not shared between views
  EXPECT_FALSE(SharedView::create("raidmon_test", 0).has_value());
  EXPECT_FALSE(SharedView::create("", 16).has_value());
  EXPECT_FALSE(SharedView::create("a/b", 16).has_value());
}

TEST(OsServices, ViewsDrawingTheSameNameShareNothing) {
  // The same random number every time: the name is dropped once the first view is
  // mapped, so the second may be created under it again, but never opens the first's
  // memory.
  const auto fixed = [] { return std::uint64_t{42}; };
  auto first = SharedView::create("raidmon_fixed", 64, fixed);
  ASSERT_TRUE(first.has_value());
  (*first)->data()[0] = 1;
  auto second = SharedView::create("raidmon_fixed", 64, fixed);
  ASSERT_TRUE(second.has_value());
  EXPECT_EQ((*second)->data()[0], 0);
}

TEST(OsServices, InstanceLockIsExclusiveAndNamesItsHolder) {
  test::TempDir d("raidmon_lock");
  const std::string path = d.file("raidmon.lock");
  auto first = InstanceLock::acquire(path);
  ASSERT_EQ(first.outcome, InstanceLock::Outcome::Taken) << first.error;
  const auto second = InstanceLock::acquire(path);
  EXPECT_EQ(second.outcome, InstanceLock::Outcome::HeldByOther);
  EXPECT_FALSE(second.holder.empty());
  first.lock.reset();
  EXPECT_EQ(InstanceLock::acquire(path).outcome, InstanceLock::Outcome::Taken);
  fs::create_directory(d / "dir.lock");
  EXPECT_EQ(InstanceLock::acquire(d.file("dir.lock")).outcome, InstanceLock::Outcome::Unavailable);
}

TEST(OsServices, ReplacingAFileSwapsItsWholeContentAndLeavesReadOnlyFilesAlone) {
  test::TempDir d("raidmon_replace");
  const fs::path file = d / "a.ini";
  ASSERT_TRUE(replaceFileContents(file.string(), "[S]\r\nk=1\r\n"));  // a new file
  EXPECT_EQ(contentsOf(file), "[S]\r\nk=1\r\n");
  ASSERT_TRUE(replaceFileContents(file.string(), "x"));  // shorter: nothing of the old stays
  EXPECT_EQ(contentsOf(file), "x");
  fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_FALSE(replaceFileContents(file.string(), "y"));
  EXPECT_EQ(contentsOf(file), "x");
  fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_FALSE(replaceFileContents(d.file("missing/a.ini"), "y"));
  fs::create_directory(d / "dir.ini");
  EXPECT_FALSE(replaceFileContents(d.file("dir.ini"), "y"));
  // No temporary file is left behind by a failure or a success.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(d.path())) ++entries;
  EXPECT_EQ(entries, 2);
}

TEST(OsServices, LocalTimeAndItsOffsetAgreeWithUtc) {
  const std::time_t now = std::time(nullptr);
  const int offset = utcOffsetMinutes(now);
  EXPECT_LE(std::abs(offset), 14 * 60);
  const std::tm local = localTime(now);
  // The local fields, taken as minutes of the day, are UTC's plus the offset.
  const std::time_t dayUtc = now % 86400;
  const long localMinutes = local.tm_hour * 60L + local.tm_min;
  const long expected = ((dayUtc / 60 + offset) % 1440 + 1440) % 1440;
  EXPECT_EQ(localMinutes, expected);
}

TEST(OsServices, AProgramThatCannotBeStartedIsReportedAndAMissingCommandRefused) {
  std::string error;
  EXPECT_FALSE(ChildProcess::start({"raidmon-no-such-program-anywhere"}, {}, error).has_value());
  EXPECT_NE(error.find("raidmon-no-such-program-anywhere"), std::string::npos);
  error.clear();
  EXPECT_FALSE(ChildProcess::start({}, {}, error).has_value());
  EXPECT_EQ(error, "no program given");
  EXPECT_NE(inheritedEnvironment(), nullptr);
}

}  // namespace
}  // namespace raidmon
