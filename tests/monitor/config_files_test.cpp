#include "monitor/config_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/profile_ini.h"
#include "support/file_system_features.h"
#include "support/temp_dir.h"

namespace raidmon {
namespace {

namespace fs = std::filesystem;

class ConfigFiles : public ::testing::Test {
 protected:
  std::string mainIni() const { return programDir_ + std::string(kMainIniName); }
  std::string toggleIni() const { return programDir_ + std::string(kToggleIniName); }
  static void writeFile(const std::string& name, const std::string& text) {
    std::ofstream(name, std::ios::binary) << text;
  }
  static std::string readFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }
  static std::optional<std::string> value(const std::string& file, std::string_view section,
                                          std::string_view key) {
    return getPrivateProfileString(file, section, key);
  }

  test::TempDir temp_{"config_files"};
  const fs::path& root_ = temp_.path();
  const std::string programDir_ = temp_.slashed();
};

TEST_F(ConfigFiles, FirstStartWithoutFileUsesDefaultsAndWritesBothKeys) {
  const ConfigLoadResult result = loadConfiguration(programDir_);
  EXPECT_TRUE(result.autoRebuild);
  EXPECT_FALSE(result.flashInitial);
  EXPECT_FALSE(result.flashOption);
  EXPECT_EQ(result.texts.company, "Korvane");
  EXPECT_EQ(result.texts.product, "Tavrix K4");
  EXPECT_EQ(result.texts.homepage, kDefaultHomepage);
  EXPECT_EQ(result.texts.guiVersion, "GUI Version : NX 1.00B");
  EXPECT_EQ(result.texts.logoFile, programDir_ + "C_Logo.Bmp");
  EXPECT_EQ(result.writeError, std::nullopt);
  EXPECT_EQ(readFile(mainIni()), "[Rebuild]\r\nAuto Rebuild=1\r\n[Flash]\r\nInitial=0\r\n");
}

TEST_F(ConfigFiles, StoredZeroStartsUnchecked) {
  writeFile(mainIni(), "[Rebuild]\r\nAuto Rebuild=0\r\n");
  EXPECT_FALSE(loadConfiguration(programDir_).autoRebuild);
  EXPECT_EQ(value(mainIni(), "Rebuild", "Auto Rebuild"), "0");
}

TEST_F(ConfigFiles, AnyNonZeroWholeNumberIsTrueAndWrittenBackAsOne) {
  writeFile(mainIni(), "[Rebuild]\r\nAuto Rebuild=  -7\r\n");
  EXPECT_TRUE(loadConfiguration(programDir_).autoRebuild);
  EXPECT_EQ(value(mainIni(), "Rebuild", "Auto Rebuild"), "1");
}

TEST_F(ConfigFiles, HexWholeNumberCounts) {
  writeFile(mainIni(), "[Rebuild]\r\nAuto Rebuild=$0\r\n");
  EXPECT_FALSE(loadConfiguration(programDir_).autoRebuild);
}

TEST_F(ConfigFiles, NotAWholeNumberGivesDefaultAndWritesItBack) {
  writeFile(mainIni(), "[Rebuild]\r\nAuto Rebuild=abc\r\n[Flash]\r\nInitial=yes\r\n");
  const ConfigLoadResult result = loadConfiguration(programDir_);
  EXPECT_TRUE(result.autoRebuild);
  EXPECT_FALSE(result.flashInitial);
  EXPECT_EQ(readFile(mainIni()), "[Rebuild]\r\nAuto Rebuild=1\r\n[Flash]\r\nInitial=0\r\n");
}

TEST_F(ConfigFiles, InitialOneStaysOneAndFlashOptionIsFalse) {
  writeFile(mainIni(), "[Flash]\r\nInitial=1\r\n");
  const ConfigLoadResult result = loadConfiguration(programDir_);
  EXPECT_TRUE(result.flashInitial);
  EXPECT_FALSE(result.flashOption);
  EXPECT_EQ(value(mainIni(), "Flash", "Initial"), "1");
}

TEST_F(ConfigFiles, HandEditedFileIsReadAndItsOtherLinesKept) {
  const std::string text =
      "; settings\n[oem]\n Company = \"Acme Storage\" \nPRODUCT=Box\nhomepage=http://acme.example\n"
      "GUI_Version='GUI Version : X 2.0'\nC_Logo=/opt/logo.bmp\nExtra=kept\n"
      "[rebuild]\nauto rebuild = 0\n";
  writeFile(mainIni(), text);
  const ConfigLoadResult result = loadConfiguration(programDir_);
  EXPECT_FALSE(result.autoRebuild);
  EXPECT_EQ(result.texts.company, "Acme Storage");
  EXPECT_EQ(result.texts.product, "Box");
  EXPECT_EQ(result.texts.homepage, "http://acme.example");
  EXPECT_EQ(result.texts.guiVersion, "GUI Version : X 2.0");
  EXPECT_EQ(result.texts.logoFile, "/opt/logo.bmp");
  EXPECT_EQ(
      readFile(mainIni()),
      "; settings\n[oem]\n Company = \"Acme Storage\" \nPRODUCT=Box\nhomepage=http://acme.example\n"
      "GUI_Version='GUI Version : X 2.0'\nC_Logo=/opt/logo.bmp\nExtra=kept\n"
      "[rebuild]\nauto rebuild=0\n[Flash]\nInitial=0\n");
}

TEST_F(ConfigFiles, EmptyStringValueIsTakenAsItStands) {
  writeFile(mainIni(), "[OEM]\r\nCompany=\r\n");
  EXPECT_EQ(loadConfiguration(programDir_).texts.company, "");
}

TEST_F(ConfigFiles, SecondLoadGivesSameResultAndSameFile) {
  writeFile(mainIni(),
            "[Rebuild]\r\nAuto Rebuild=0\r\n[Flash]\r\nInitial=1\r\n[OEM]\r\nProduct=P\r\n");
  const ConfigLoadResult first = loadConfiguration(programDir_);
  const std::string afterFirst = readFile(mainIni());
  const ConfigLoadResult second = loadConfiguration(programDir_);
  EXPECT_EQ(second.autoRebuild, first.autoRebuild);
  EXPECT_EQ(second.flashInitial, first.flashInitial);
  EXPECT_EQ(second.texts.product, first.texts.product);
  EXPECT_EQ(readFile(mainIni()), afterFirst);
}

TEST_F(ConfigFiles, ToggleWritesTavrixIniAndLeavesMainIniUntouched) {
  writeFile(mainIni(), "[Rebuild]\r\nAuto Rebuild=1\r\n");
  AutoRebuildToggle toggle = toggleAutoRebuild(programDir_, true);
  EXPECT_FALSE(toggle.checked);
  EXPECT_EQ(toggle.writeError, std::nullopt);
  EXPECT_EQ(readFile(toggleIni()), "[Rebuild]\r\nAuto Rebuild=0\r\n");
  EXPECT_EQ(readFile(mainIni()), "[Rebuild]\r\nAuto Rebuild=1\r\n");

  toggle = toggleAutoRebuild(programDir_, toggle.checked);
  EXPECT_TRUE(toggle.checked);
  EXPECT_EQ(readFile(toggleIni()), "[Rebuild]\r\nAuto Rebuild=1\r\n");

  toggleAutoRebuild(programDir_, true);
  EXPECT_TRUE(loadConfiguration(programDir_).autoRebuild) << "restart reads QZ133.ini";
}

// A program directory under a regular file cannot be written, not even by root.
TEST_F(ConfigFiles, UnwritableDirectoryReportsOnceAndReadsValues) {
  const std::string fileAsDir = (root_ / "file.txt").string();
  writeFile(fileAsDir, "not a directory");
  const std::string dir = fileAsDir + "/";
  const ConfigLoadResult result = loadConfiguration(dir);
  EXPECT_EQ(result.writeError, "Unable to write to " + dir + "QZ133.ini");
  EXPECT_TRUE(result.autoRebuild);
  EXPECT_FALSE(result.flashInitial);
  EXPECT_FALSE(result.flashOption);
  EXPECT_EQ(result.texts.company, "Korvane");
  EXPECT_EQ(result.texts.logoFile, dir + "C_Logo.Bmp");
  EXPECT_EQ(readFile(fileAsDir), "not a directory");
}

TEST_F(ConfigFiles, ReadOnlyFileSystemReportsOnce) {
  const ConfigLoadResult result = loadConfiguration("/proc/self/");
  EXPECT_EQ(result.writeError, "Unable to write to /proc/self/QZ133.ini");
  EXPECT_TRUE(result.autoRebuild);
  EXPECT_EQ(result.texts.product, "Tavrix K4");
}

// Stored values still load when the directory refuses writes (needs a user that the
// directory's mode stops; root is not stopped by it).
TEST_F(ConfigFiles, ReadOnlyDirectoryReportsOnceAndReadsStoredValues) {
  writeFile(mainIni(),
            "[Rebuild]\r\nAuto Rebuild=0\r\n[Flash]\r\nInitial=1\r\n[OEM]\r\nCompany=C\r\n");
  fs::permissions(root_, fs::perms{0555});
  if (::access(root_.string().c_str(), W_OK) == 0) {
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add);
    GTEST_SKIP() << "a 0555 directory is writable for this user";
  }
  const ConfigLoadResult result = loadConfiguration(programDir_);
  fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add);
  EXPECT_EQ(result.writeError, "Unable to write to " + mainIni());
  EXPECT_FALSE(result.autoRebuild);
  EXPECT_TRUE(result.flashInitial);
  EXPECT_EQ(result.texts.company, "C");
}

// Hand-edited files, as the Windows profile functions read them.
TEST_F(ConfigFiles, CrOnlyFileIsReadLineByLineAndKeptAsItIs) {
  const std::string text = "[Rebuild]\rAuto Rebuild=0\r[Flash]\rInitial=1\r[OEM]\rCompany=Acme\r";
  writeFile(mainIni(), text);
  const ConfigLoadResult result = loadConfiguration(programDir_);
  EXPECT_FALSE(result.autoRebuild);
  EXPECT_TRUE(result.flashInitial);
  EXPECT_EQ(result.texts.company, "Acme");
  EXPECT_EQ(readFile(mainIni()), text);  // the values written back are the ones read
}

TEST_F(ConfigFiles, ReadOnlyFileIsReadNotRewrittenAndReported) {
  const std::string text = "[Rebuild]\r\nAuto Rebuild = 0\r\n";
  writeFile(mainIni(), text);
  fs::permissions(mainIni(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const ConfigLoadResult result = loadConfiguration(programDir_);
  EXPECT_EQ(result.writeError, "Unable to write to " + mainIni());
  EXPECT_EQ(result.readError, std::nullopt);
  EXPECT_FALSE(result.autoRebuild);
  EXPECT_EQ(readFile(mainIni()), text);
  EXPECT_EQ(std::distance(fs::directory_iterator(root_), {}), 1);
}

TEST_F(ConfigFiles, SymbolicLinkStaysAndItsTargetIsUpdated) {
  if (!test::canMakeSymlinks()) GTEST_SKIP() << "symbolic links cannot be made here";
  fs::create_directory(root_ / "shared");
  writeFile((root_ / "shared" / "qz.ini").string(), "[Rebuild]\r\nAuto Rebuild=0\r\n");
  fs::create_symlink("shared/qz.ini", mainIni());
  const ConfigLoadResult result = loadConfiguration(programDir_);
  EXPECT_FALSE(result.autoRebuild);
  EXPECT_EQ(result.writeError, std::nullopt);
  EXPECT_TRUE(fs::is_symlink(mainIni()));
  EXPECT_EQ(readFile((root_ / "shared" / "qz.ini").string()),
            "[Rebuild]\r\nAuto Rebuild=0\r\n[Flash]\r\nInitial=0\r\n");
}

// A long comment block above the settings is no reason to forget them.
TEST_F(ConfigFiles, LargeFileIsRead) {
  std::string text;
  while (text.size() < 2 * 1024 * 1024) text += "; a long comment block written by hand\r\n";
  text += "[Rebuild]\r\nAuto Rebuild=0\r\n";
  writeFile(mainIni(), text);
  const ConfigLoadResult result = loadConfiguration(programDir_);
  EXPECT_FALSE(result.autoRebuild);
  EXPECT_EQ(result.writeError, std::nullopt);
  EXPECT_EQ(result.readError, std::nullopt);
  EXPECT_EQ(readFile(mainIni()), text + "[Flash]\r\nInitial=0\r\n");
}

// A file that is there but cannot be read: said so, left alone, automatic rebuild off.
TEST_F(ConfigFiles, UnreadableFileIsReportedAndNeverTurnsAutomaticRebuildOn) {
  writeFile(mainIni(), "[Rebuild]\r\nAuto Rebuild=0\r\n");
  fs::resize_file(mainIni(), kMaxProfileFileSize + 1);  // sparse: past the size limit
  ConfigLoadResult result = loadConfiguration(programDir_);
  EXPECT_EQ(result.readError, "Unable to read " + mainIni());
  EXPECT_EQ(result.writeError, std::nullopt);
  EXPECT_FALSE(result.autoRebuild);
  EXPECT_FALSE(result.flashInitial);
  EXPECT_EQ(result.texts.product, "Tavrix K4");
  EXPECT_EQ(result.texts.logoFile, programDir_ + "C_Logo.Bmp");
  EXPECT_EQ(fs::file_size(mainIni()), kMaxProfileFileSize + 1);

  fs::remove(mainIni());
  fs::create_directory(mainIni());  // not a file at all
  result = loadConfiguration(programDir_);
  EXPECT_EQ(result.readError, "Unable to read " + mainIni());
  EXPECT_FALSE(result.autoRebuild);
  EXPECT_TRUE(fs::is_directory(mainIni()));
}

TEST_F(ConfigFiles, ToggleIntoUnwritableDirectoryKeepsCheckMark) {
  writeFile((root_ / "file.txt").string(), "x");
  const std::string dir = (root_ / "file.txt").string() + "/";
  const AutoRebuildToggle toggle = toggleAutoRebuild(dir, true);
  EXPECT_TRUE(toggle.checked);
  EXPECT_EQ(toggle.writeError, "Unable to write to " + dir + "Tavrix.ini");
}

}  // namespace
}  // namespace raidmon
