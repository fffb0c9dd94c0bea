// Outside files: never waited on, only regular ones read, each within its limit, and
// one file known as one whatever name reaches it.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "platform/input_file.h"

namespace raidmon {
namespace {

namespace fs = std::filesystem;

struct TempDir {
  TempDir() : path(fs::temp_directory_path() / ("raidmon_input_file_" + std::to_string(::getpid()))) {
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~TempDir() { fs::remove_all(path); }
  std::string at(const char* name) const { return (path / name).string(); }
  fs::path path;
};

TEST(InputFileTest, SpecialFilesAreRefusedAtOnce) {
  TempDir d;
  ASSERT_EQ(::mkfifo(d.at("fifo").c_str(), 0600), 0);
  fs::create_directory(d.path / "dir");
  fs::create_symlink("/dev/zero", d.path / "zero");
  fs::create_symlink(d.path / "fifo", d.path / "to_fifo");
  const auto start = std::chrono::steady_clock::now();
  for (const char* name : {"fifo", "dir", "zero", "to_fifo"}) {
    std::string bytes = "left over";
    EXPECT_EQ(readInputFile(d.at(name), 1024, bytes), InputFileStatus::kNotRegular) << name;
    EXPECT_TRUE(bytes.empty()) << name;
    EXPECT_EQ(checkInputFile(d.at(name)), InputFileStatus::kNotRegular) << name;
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));  // nothing waited
  EXPECT_EQ(checkInputFile(d.at("none")), InputFileStatus::kMissing);
  EXPECT_EQ(checkInputFile(d.at("none/x")), InputFileStatus::kMissing);
  EXPECT_STREQ(describe(InputFileStatus::kNotRegular), "not a regular file");
}

TEST(InputFileTest, LimitsWholeReadsAndPrefixes) {
  TempDir d;
  std::ofstream(d.at("f")) << "0123456789";
  std::string bytes;
  EXPECT_EQ(readInputFile(d.at("f"), 10, bytes), InputFileStatus::kOk);
  EXPECT_EQ(bytes, "0123456789");
  EXPECT_EQ(readInputFile(d.at("f"), 9, bytes), InputFileStatus::kTooLarge);
  EXPECT_TRUE(bytes.empty());
  InputFile f = InputFile::open(d.at("f"));
  ASSERT_TRUE(f.ok());
  EXPECT_EQ(f.size(), 10u);
  EXPECT_EQ(f.readPrefix(4, bytes), InputFileStatus::kOk);
  EXPECT_EQ(bytes, "0123");
  std::vector<std::uint8_t> raw;
  EXPECT_EQ(f.readAll(100, raw), InputFileStatus::kOk);  // from the start again
  EXPECT_EQ(raw.size(), 10u);
  std::ofstream(d.at("empty"));
  EXPECT_EQ(readInputFile(d.at("empty"), 0, bytes), InputFileStatus::kOk);
  if (::geteuid() != 0) {  // root reads whatever the mode says
    std::ofstream(d.at("secret")) << "x";
    fs::permissions(d.path / "secret", fs::perms::none);
    EXPECT_EQ(readInputFile(d.at("secret"), 10, bytes), InputFileStatus::kUnreadable);
  }
}

TEST(InputFileTest, OneFileHasOneIdentityUnderEveryName) {
  TempDir d;
  std::ofstream(d.at("a")) << "a";
  std::ofstream(d.at("b")) << "a";
  fs::create_symlink(d.path / "a", d.path / "link");
  const FileIdentity a = InputFile::open(d.at("a")).identity();
  EXPECT_EQ(InputFile::open(d.path.string() + "//./a").identity(), a);
  EXPECT_EQ(InputFile::open(d.at("link")).identity(), a);
  EXPECT_NE(InputFile::open(d.at("b")).identity(), a);
}

}  // namespace
}  // namespace raidmon
