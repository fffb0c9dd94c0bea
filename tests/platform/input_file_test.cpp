// Outside files: never waited on, only regular ones read, each within its limit, and
// one file known as one whatever name reaches it.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "platform/input_file.h"
#include "support/temp_dir.h"

namespace raidmon {
namespace {

namespace fs = std::filesystem;

TEST(InputFileTest, SpecialFilesAreRefusedAtOnce) {
  test::TempDir d("raidmon_input_file");
  ASSERT_EQ(::mkfifo(d.file("fifo").c_str(), 0600), 0);
  fs::create_directory(d.path() / "dir");
  fs::create_symlink("/dev/zero", d.path() / "zero");
  fs::create_symlink(d.path() / "fifo", d.path() / "to_fifo");
  const auto start = std::chrono::steady_clock::now();
  for (const char* name : {"fifo", "dir", "zero", "to_fifo"}) {
    std::string bytes = "left over";
    EXPECT_EQ(readInputFile(d.file(name), 1024, bytes), InputFileStatus::kNotRegular) << name;
    EXPECT_TRUE(bytes.empty()) << name;
    EXPECT_EQ(checkInputFile(d.file(name)), InputFileStatus::kNotRegular) << name;
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));  // nothing waited
  EXPECT_EQ(checkInputFile(d.file("none")), InputFileStatus::kMissing);
  EXPECT_EQ(checkInputFile(d.file("none/x")), InputFileStatus::kMissing);
  EXPECT_STREQ(describe(InputFileStatus::kNotRegular), "not a regular file");
}

TEST(InputFileTest, LimitsWholeReadsAndPrefixes) {
  test::TempDir d("raidmon_input_file");
  std::ofstream(d.file("f")) << "0123456789";
  std::string bytes;
  EXPECT_EQ(readInputFile(d.file("f"), 10, bytes), InputFileStatus::kOk);
  EXPECT_EQ(bytes, "0123456789");
  EXPECT_EQ(readInputFile(d.file("f"), 9, bytes), InputFileStatus::kTooLarge);
  EXPECT_TRUE(bytes.empty());
  InputFile f = InputFile::open(d.file("f"));
  ASSERT_TRUE(f.ok());
  EXPECT_EQ(f.size(), 10u);
  EXPECT_EQ(f.readPrefix(4, bytes), InputFileStatus::kOk);
  EXPECT_EQ(bytes, "0123");
  std::vector<std::uint8_t> raw;
  EXPECT_EQ(f.readAll(100, raw), InputFileStatus::kOk);  // from the start again
  EXPECT_EQ(raw.size(), 10u);
  std::ofstream(d.file("empty"));
  EXPECT_EQ(readInputFile(d.file("empty"), 0, bytes), InputFileStatus::kOk);
  if (::geteuid() != 0) {  // root reads whatever the mode says
    std::ofstream(d.file("secret")) << "x";
    fs::permissions(d.path() / "secret", fs::perms::none);
    EXPECT_EQ(readInputFile(d.file("secret"), 10, bytes), InputFileStatus::kUnreadable);
  }
}

TEST(InputFileTest, OneFileHasOneIdentityUnderEveryName) {
  test::TempDir d("raidmon_input_file");
  std::ofstream(d.file("a")) << "a";
  std::ofstream(d.file("b")) << "a";
  fs::create_symlink(d.path() / "a", d.path() / "link");
  const FileIdentity a = InputFile::open(d.file("a")).identity();
  EXPECT_EQ(InputFile::open(d.path().string() + "//./a").identity(), a);
  EXPECT_EQ(InputFile::open(d.file("link")).identity(), a);
  EXPECT_NE(InputFile::open(d.file("b")).identity(), a);
}

}  // namespace
}  // namespace raidmon
