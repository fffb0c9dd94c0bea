#include "platform/profile_ini.h"
#include "platform/raidmon_error.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

#include "support/file_system_features.h"
#include "support/temp_dir.h"

namespace raidmon {
namespace {

namespace fs = std::filesystem;

// ---- Reading hand-edited text --------------------------------------------------------

TEST(ProfileIniRead, FindsKeyInSection) {
  const std::string text = "[Rebuild]\r\nAuto Rebuild=1\r\n[Flash]\r\nInitial=0\r\n";
  EXPECT_EQ(readProfileString(text, "Rebuild", "Auto Rebuild"), "1");
  EXPECT_EQ(readProfileString(text, "Flash", "Initial"), "0");
}

TEST(ProfileIniRead, MissingSectionOrKeyIsNotFound) {
  const std::string text = "[Rebuild]\nAuto Rebuild=1\n";
  EXPECT_EQ(readProfileString(text, "Flash", "Initial"), std::nullopt);
  EXPECT_EQ(readProfileString(text, "Rebuild", "Initial"), std::nullopt);
  EXPECT_EQ(readProfileString("", "Rebuild", "Auto Rebuild"), std::nullopt);
}

TEST(ProfileIniRead, KeyOfAnotherSectionIsNotFound) {
  EXPECT_EQ(readProfileString("[A]\nx=1\n[B]\ny=2\n", "A", "y"), std::nullopt);
}

TEST(ProfileIniRead, NamesIgnoreCase) {
  const std::string text = "[rEBUILD]\nAUTO rebuild=0\n";
  EXPECT_EQ(readProfileString(text, "Rebuild", "Auto Rebuild"), "0");
}

TEST(ProfileIniRead, BlanksAroundNamesAndEqualsAreIgnored) {
  const std::string text = "  [  OEM \t]  \n \t Company   =   Acme Corp  \t\n";
  EXPECT_EQ(readProfileString(text, "OEM", "Company"), "Acme Corp");
  EXPECT_EQ(readProfileString(text, " OEM ", " Company "), "Acme Corp");
}

TEST(ProfileIniRead, BlanksInsideNamesCount) {
  EXPECT_EQ(readProfileString("[Rebuild]\nAutoRebuild=0\n", "Rebuild", "Auto Rebuild"),
            std::nullopt);
}

TEST(ProfileIniRead, MatchingQuotesAreRemoved) {
  const std::string text =
      "[S]\na=\"quoted value\"\nb='single'\nc=\"mixed'\nd=\"\ne=\"\"\nf= \" padded \" \n";
  EXPECT_EQ(readProfileString(text, "S", "a"), "quoted value");
  EXPECT_EQ(readProfileString(text, "S", "b"), "single");
  EXPECT_EQ(readProfileString(text, "S", "c"), "\"mixed'");
  EXPECT_EQ(readProfileString(text, "S", "d"), "\"");
  EXPECT_EQ(readProfileString(text, "S", "e"), "");
  EXPECT_EQ(readProfileString(text, "S", "f"), " padded ");
}

TEST(ProfileIniRead, EmptyValueIsFoundAsEmpty) {
  EXPECT_EQ(readProfileString("[S]\nk=\n", "S", "k"), "");
  EXPECT_EQ(readProfileString("[S]\nk=   \n", "S", "k"), "");
}

TEST(ProfileIniRead, ValueKeepsLaterEqualsSigns) {
  EXPECT_EQ(readProfileString("[S]\nurl=http://x/?a=b\n", "S", "url"), "http://x/?a=b");
}

TEST(ProfileIniRead, FirstOfDuplicateKeysWins) {
  EXPECT_EQ(readProfileString("[S]\nk=first\nK=second\n", "S", "k"), "first");
}

TEST(ProfileIniRead, FirstOfDuplicateSectionsWins) {
  const std::string text = "[S]\na=1\n[T]\n[s]\na=2\nb=3\n";
  EXPECT_EQ(readProfileString(text, "S", "a"), "1");
  EXPECT_EQ(readProfileString(text, "S", "b"), std::nullopt);
}

TEST(ProfileIniRead, CommentsAndStrayLinesAreNotKeys) {
  const std::string text =
      "k=outside\n[S]\n; k=comment\n  ;k=indented comment\njust words\n=no name\n[broken\nk=real\n";
  EXPECT_EQ(readProfileString(text, "S", "k"), "real");
  EXPECT_EQ(readProfileString(text, "S", ";k"), std::nullopt);
  EXPECT_EQ(readProfileString(text, "S", "just words"), std::nullopt);
}

TEST(ProfileIniRead, SectionNameRunsToTheLastBracket) {
  EXPECT_EQ(readProfileString("[a]b] trailing\nk=1\n", "a]b", "k"), "1");
}

TEST(ProfileIniRead, CrlfAndLfAndMixedLineEndings) {
  EXPECT_EQ(readProfileString("[S]\r\nk=v\r\n", "S", "k"), "v");
  EXPECT_EQ(readProfileString("[S]\nk=v\n", "S", "k"), "v");
  EXPECT_EQ(readProfileString("[S]\r\nj=1\nk=v", "S", "k"), "v");
}

// A file saved with CR-only line ends (classic Mac editors) is as many lines as it has
// CRs; a CR right before an LF is one line end with it, two CRs are two.
TEST(ProfileIniRead, CrAloneEndsALine) {
  const std::string text = "[Rebuild]\rAuto Rebuild=0\r[Flash]\rInitial=1\r";
  EXPECT_EQ(readProfileString(text, "Rebuild", "Auto Rebuild"), "0");
  EXPECT_EQ(readProfileString(text, "Flash", "Initial"), "1");
  EXPECT_EQ(readProfileString(text, "Rebuild", "Initial"), std::nullopt);
  EXPECT_EQ(readProfileString("[S]\r\r\nk=v\r[T]\nk=w", "S", "k"), "v");
  EXPECT_EQ(readProfileString("[S]\r\r\nk=v\r[T]\nk=w", "T", "k"), "w");
  EXPECT_EQ(readProfileString("[S]\rk=a\rb\n", "S", "k"), "a");
}

// Left by editors: the Ctrl-Z end-of-file mark of old ones is a blank, and a UTF-8
// byte-order mark is not part of the first line (only at the very start).
TEST(ProfileIniRead, EditorMarksAreNotPartOfTheText) {
  EXPECT_EQ(readProfileString("[S]\r\nk=v\x1a", "S", "k"), "v");
  EXPECT_EQ(readProfileString("[S]\r\nk=v\r\n\x1a", "S", "k"), "v");
  EXPECT_EQ(readProfileString("[S]\r\nk=\x1a v w\x1a", "S", "k"), "v w");
  EXPECT_EQ(readProfileString("\xEF\xBB\xBF[S]\r\nk=v\r\n", "S", "k"), "v");
  EXPECT_EQ(readProfileString("\xEF\xBB\xBFk=v\r\n[S]\r\n", "S", "k"), std::nullopt);
  EXPECT_EQ(readProfileString("[T]\r\n\xEF\xBB\xBF[S]\r\nk=v\r\n", "S", "k"), std::nullopt);
}

// ---- Writing into text -------------------------------------------------------------

TEST(ProfileIniWrite, NamesWithALineBreakAreRefusedEvenAtTheirEnd) {
  // A CR ends a line for the reader, though trimming would take it for a blank.
  for (const char* key : {"Auto Rebuild\r", "Auto\rRebuild", "Auto Rebuild\n"}) {
    EXPECT_FALSE(writeProfileString("[Rebuild]\n", "Rebuild", key, "1")) << key;
  }
  EXPECT_FALSE(writeProfileString("", "Rebuild\r", "Auto Rebuild", "1"));
}

TEST(ProfileIniWrite, ReplacesFirstOccurrenceInPlace) {
  const std::string text = "[S]\r\na=1\r\n  K = old  \r\nb=2\r\nk=dup\r\n";
  EXPECT_EQ(writeProfileString(text, "s", "k", "new"), "[S]\r\na=1\r\nK=new\r\nb=2\r\nk=dup\r\n");
}

TEST(ProfileIniWrite, ReplacesInFirstOfDuplicateSections) {
  EXPECT_EQ(writeProfileString("[S]\nk=1\n[S]\nk=2\n", "S", "k", "3"), "[S]\nk=3\n[S]\nk=2\n");
  EXPECT_EQ(writeProfileString("[S]\n[S]\nk=2\n", "S", "k", "3"), "[S]\nk=3\n[S]\nk=2\n");
}

TEST(ProfileIniWrite, AppendsAfterLastNonBlankLineOfSection) {
  const std::string text = "[A]\nx=1\n; note\n\n\n[B]\ny=2\n";
  EXPECT_EQ(writeProfileString(text, "a", "z", "3"), "[A]\nx=1\n; note\nz=3\n\n\n[B]\ny=2\n");
}

TEST(ProfileIniWrite, AppendsToEmptySectionRightAfterHeader) {
  EXPECT_EQ(writeProfileString("[A]\n\n[B]\n", "A", "k", "v"), "[A]\nk=v\n\n[B]\n");
}

TEST(ProfileIniWrite, AppendsToLastSectionWithoutFinalLineEnding) {
  EXPECT_EQ(writeProfileString("[A]\r\nx=1", "A", "k", "v"), "[A]\r\nx=1\r\nk=v\r\n");
}

TEST(ProfileIniWrite, CreatesSectionAtEnd) {
  EXPECT_EQ(writeProfileString("", "Rebuild", "Auto Rebuild", "1"),
            "[Rebuild]\r\nAuto Rebuild=1\r\n");
  EXPECT_EQ(writeProfileString("; top\n[A]\nx=1\n", "B", "k", "v"), "; top\n[A]\nx=1\n[B]\nk=v\n");
  EXPECT_EQ(writeProfileString("[A]\nx=1", "B", "k", "v"), "[A]\nx=1\n[B]\nk=v\n");
}

TEST(ProfileIniWrite, CrOnlyTextIsEditedLineByLine) {
  const std::string text = "; mac\r[Rebuild]\rAuto Rebuild=0\r\r[Flash]\rInitial=1";
  EXPECT_EQ(writeProfileString(text, "Rebuild", "Auto Rebuild", "1"),
            "; mac\r[Rebuild]\rAuto Rebuild=1\r\r[Flash]\rInitial=1");
  EXPECT_EQ(writeProfileString(text, "Rebuild", "k", "v"),
            "; mac\r[Rebuild]\rAuto Rebuild=0\rk=v\r\r[Flash]\rInitial=1");
  EXPECT_EQ(writeProfileString(text, "Flash", "k", "v"),
            "; mac\r[Rebuild]\rAuto Rebuild=0\r\r[Flash]\rInitial=1\rk=v\r");
  EXPECT_EQ(writeProfileString(text, "OEM", "k", "v"),
            "; mac\r[Rebuild]\rAuto Rebuild=0\r\r[Flash]\rInitial=1\r[OEM]\rk=v\r");
  // The blank LF line after the insertion point stays a line of its own.
  EXPECT_EQ(writeProfileString("[S]\rk=1\r\n\n[T]\r", "S", "j", "2"), "[S]\rk=1\r\nj=2\r\n\n[T]\r");
}

TEST(ProfileIniWrite, ByteOrderMarkStaysFirst) {
  const std::string bom = "\xEF\xBB\xBF";
  EXPECT_EQ(writeProfileString(bom + "[S]\r\nk=v\r\n", "s", "k", "w"), bom + "[S]\r\nk=w\r\n");
  EXPECT_EQ(writeProfileString(bom + "[S]\nk=v", "S", "j", "w"), bom + "[S]\nk=v\nj=w\n");
  EXPECT_EQ(writeProfileString(bom, "S", "k", "w"), bom + "[S]\r\nk=w\r\n");
}

TEST(ProfileIniWrite, KeepsLineEndingStyleOfFirstLine) {
  EXPECT_EQ(writeProfileString("; lf file\n", "S", "k", "v"), "; lf file\n[S]\nk=v\n");
  EXPECT_EQ(writeProfileString("; crlf file\r\n", "S", "k", "v"), "; crlf file\r\n[S]\r\nk=v\r\n");
  EXPECT_EQ(writeProfileString("no line break", "S", "k", "v"), "no line break\r\n[S]\r\nk=v\r\n");
}

TEST(ProfileIniWrite, TrimsNamesAndKeepsValueAsGiven) {
  EXPECT_EQ(writeProfileString("", " S ", " k ", "a b"), "[S]\r\nk=a b\r\n");
}

TEST(ProfileIniWrite, RefusesEntriesTheFormatCannotHold) {
  EXPECT_EQ(writeProfileString("", "S", "", "v"), std::nullopt);
  EXPECT_EQ(writeProfileString("", "S", "  ", "v"), std::nullopt);
  EXPECT_EQ(writeProfileString("", "S", "a=b", "v"), std::nullopt);
  EXPECT_EQ(writeProfileString("", "S", ";k", "v"), std::nullopt);
  EXPECT_EQ(writeProfileString("", "S", "[k", "v"), std::nullopt);
  EXPECT_EQ(writeProfileString("", "S]", "k", "v"), std::nullopt);
  EXPECT_EQ(writeProfileString("", "S\n", "k", "v"), std::nullopt);
  EXPECT_EQ(writeProfileString("", "S", "k", "v\r\nx=1"), std::nullopt);
}

TEST(ProfileIniWrite, PreservesUnknownLines) {
  const std::string text =
      "; written by hand\r\nstray=before sections\r\n[Rebuild]\r\n; keep me\r\nAuto Rebuild=0\r\n"
      "garbage line\r\n[Other]\r\nx = y\r\n";
  const auto out = writeProfileString(text, "Rebuild", "Auto Rebuild", "1");
  EXPECT_EQ(
      out,
      "; written by hand\r\nstray=before sections\r\n[Rebuild]\r\n; keep me\r\nAuto Rebuild=1\r\n"
      "garbage line\r\n[Other]\r\nx = y\r\n");
}

TEST(ProfileIniWrite, WrittenValueReadsBack) {
  std::string text = "[A]\nx=1\n";
  for (const auto& [section, key] : {std::pair{"A", "x"}, {"A", "y"}, {"B", "z"}}) {
    text = *writeProfileString(text, section, key, "value");
    EXPECT_EQ(readProfileString(text, section, key), "value");
  }
}

// Property over random hand-edited texts with every kind of line end: a write reads
// back, leaves every other entry as it read before, and adds at most the key's line and
// a section header (each ending a line of its own).
TEST(ProfileIniWrite, RandomTextsKeepEveryOtherEntry) {
  std::mt19937 rng(1313);
  const std::vector<std::string> pieces = {"[A]", "[b]", "[ C ]", "k", "K", "j", "=", "1", " ", "\t",
                                           ";", "x", "\r", "\n", "\r\n", "\"", "]", "[", "=v"};
  const std::vector<std::string> names = {"A", "B", "C", "k", "j", "x"};
  auto lineEnds = [](std::string_view t) {
    int n = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
      if (t[i] == '\n' || (t[i] == '\r' && (i + 1 == t.size() || t[i + 1] != '\n'))) ++n;
    }
    return n;
  };
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const int n = std::uniform_int_distribution<int>(0, 30)(rng);
    for (int i = 0; i < n; ++i) text += pieces[rng() % pieces.size()];
    const std::string section = names[rng() % 3];
    const std::string key = names[3 + rng() % 3];
    const std::string value = std::to_string(rng() % 100);
    const auto out = writeProfileString(text, section, key, value);
    ASSERT_TRUE(out) << text;
    ASSERT_EQ(readProfileString(*out, section, key), value) << text;
    for (int si = 0; si < 3; ++si) {
      for (int ki = 3; ki < 6; ++ki) {
        if (names[static_cast<std::size_t>(si)] == section && names[static_cast<std::size_t>(ki)] == key) continue;
        ASSERT_EQ(readProfileString(*out, names[static_cast<std::size_t>(si)], names[static_cast<std::size_t>(ki)]),
                  readProfileString(text, names[static_cast<std::size_t>(si)], names[static_cast<std::size_t>(ki)]))
            << text;
      }
    }
    const int added = lineEnds(*out) - lineEnds(text);
    ASSERT_TRUE(added >= 0 && added <= 3) << text;
  }
}

// ---- Files ---------------------------------------------------------------------------

class ProfileIniFile : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  static void writeFile(const std::string& name, const std::string& text) {
    std::ofstream(name, std::ios::binary) << text;
  }
  static std::string readFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }
  std::size_t entriesInDir() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }

  test::TempDir temp_{"profile_ini"};
  const fs::path& dir_ = temp_.path();
};

TEST_F(ProfileIniFile, MissingFileReadsNotFound) {
  EXPECT_EQ(loadProfileFile(path("none.ini")), std::nullopt);
  EXPECT_EQ(getPrivateProfileString(path("none.ini"), "S", "k"), std::nullopt);
}

TEST_F(ProfileIniFile, ReadsHandEditedFile) {
  writeFile(path("a.ini"), "[oem]\r\n company = \"Acme\" \r\n");
  EXPECT_EQ(getPrivateProfileString(path("a.ini"), "OEM", "Company"), "Acme");
}

TEST_F(ProfileIniFile, WriteCreatesFileWithCrlf) {
  writePrivateProfileString(path("new.ini"), "Rebuild", "Auto Rebuild", "1");
  writePrivateProfileString(path("new.ini"), "Flash", "Initial", "0");
  EXPECT_EQ(readFile(path("new.ini")), "[Rebuild]\r\nAuto Rebuild=1\r\n[Flash]\r\nInitial=0\r\n");
  EXPECT_EQ(entriesInDir(), 1u) << "no temporary file stays behind";
}

TEST_F(ProfileIniFile, WriteKeepsOtherLinesAndLineEndings) {
  writeFile(path("a.ini"), "; mine\n[Flash]\nInitial = 1\nother=x\n");
  writePrivateProfileString(path("a.ini"), "flash", "INITIAL", "0");
  EXPECT_EQ(readFile(path("a.ini")), "; mine\n[Flash]\nInitial=0\nother=x\n");
}

TEST_F(ProfileIniFile, WriteKeepsFileMode) {
  writeFile(path("a.ini"), "[S]\n");
  fs::permissions(path("a.ini"), fs::perms::owner_read | fs::perms::owner_write);
  if ((fs::status(path("a.ini")).permissions() & fs::perms::all) !=
      (fs::perms::owner_read | fs::perms::owner_write)) {
    GTEST_SKIP() << "this file system has no owner/group/other modes";
  }
  writePrivateProfileString(path("a.ini"), "S", "k", "v");
  EXPECT_EQ(fs::status(path("a.ini")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(ProfileIniFile, WriteToDirectoryFails) {
  fs::create_directory(path("dir.ini"));
  try {
    writePrivateProfileString(path("dir.ini"), "S", "k", "v");
    FAIL() << "expected RaidmonError";
  } catch (const RaidmonError& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + path("dir.ini"));
  }
  EXPECT_EQ(getPrivateProfileString(path("dir.ini"), "S", "k"), std::nullopt);
}

TEST_F(ProfileIniFile, WriteUnderRegularFileFails) {
  writeFile(path("file.txt"), "x");
  const std::string name = path("file.txt") + "/QZ133.ini";
  EXPECT_EQ(getPrivateProfileString(name, "S", "k"), std::nullopt);
  try {
    writePrivateProfileString(name, "S", "k", "v");
    FAIL() << "expected RaidmonError";
  } catch (const RaidmonError& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + name);
  }
  EXPECT_EQ(readFile(path("file.txt")), "x");
}

TEST_F(ProfileIniFile, WriteToMissingDirectoryFails) {
  EXPECT_THROW(writePrivateProfileString(path("no/such/dir.ini"), "S", "k", "v"),
               RaidmonError);
}

TEST_F(ProfileIniFile, UnstorableEntryIsInvalidArgument) {
  EXPECT_THROW(writePrivateProfileString(path("a.ini"), "S", "", "v"), std::invalid_argument);
  EXPECT_FALSE(fs::exists(path("a.ini")));
}

// UTF-16 text is not taken for 8-bit lines: neither read (its settings would go unseen)
// nor written (8-bit lines would be added to it).
TEST_F(ProfileIniFile, Utf16FileIsUnreadableAndLeftAlone) {
  for (const std::string mark : {"\xFF\xFE", "\xFE\xFF"}) {
    SCOPED_TRACE(mark == "\xFF\xFE" ? "little-endian" : "big-endian");
    const std::string text = mark + std::string("[\0S\0]\0\r\0\n\0", 10);
    writeFile(path("u16.ini"), text);
    EXPECT_EQ(readProfileFile(path("u16.ini")).state, ProfileFileState::kUnreadable);
    EXPECT_EQ(getPrivateProfileString(path("u16.ini"), "S", "k"), std::nullopt);
    EXPECT_THROW(writePrivateProfileString(path("u16.ini"), "S", "k", "v"), RaidmonError);
    EXPECT_EQ(readFile(path("u16.ini")), text);
  }
  writeFile(path("one.ini"), "\xFF");  // one byte of a mark is still 8-bit text
  EXPECT_EQ(readProfileFile(path("one.ini")).state, ProfileFileState::kLoaded);
}

// Sizes past the limit are made with a sparse tail, so the test writes little.
TEST_F(ProfileIniFile, OversizedFileIsUnreadableAndNotOverwritten) {
  writeFile(path("big.ini"), "[S]\nk=v\n");
  fs::resize_file(path("big.ini"), kMaxProfileFileSize + 1);
  EXPECT_EQ(readProfileFile(path("big.ini")).state, ProfileFileState::kUnreadable);
  EXPECT_EQ(loadProfileFile(path("big.ini")), std::nullopt);
  EXPECT_EQ(getPrivateProfileString(path("big.ini"), "S", "k"), std::nullopt);
  EXPECT_THROW(writePrivateProfileString(path("big.ini"), "S", "k", "w"), RaidmonError);
  EXPECT_EQ(fs::file_size(path("big.ini")), kMaxProfileFileSize + 1);
}

TEST_F(ProfileIniFile, FileAtSizeLimitIsRead) {
  writeFile(path("limit.ini"), "[S]\nk=v\n");
  fs::resize_file(path("limit.ini"), kMaxProfileFileSize);
  EXPECT_EQ(getPrivateProfileString(path("limit.ini"), "S", "k"), "v");
}

// A long comment block makes a file of a few MiB; it is read and written like any other.
TEST_F(ProfileIniFile, LongCommentBlockIsReadAndKept) {
  std::string comments;
  for (int i = 0; comments.size() < 3 * 1024 * 1024; ++i) {
    comments += "; line " + std::to_string(i) + " of notes kept by the operator\r\n";
  }
  const std::string text = comments + "[Rebuild]\r\nAuto Rebuild=0\r\n";
  writeFile(path("QZ133.ini"), text);
  EXPECT_EQ(readProfileFile(path("QZ133.ini")).state, ProfileFileState::kLoaded);
  EXPECT_EQ(getPrivateProfileString(path("QZ133.ini"), "Rebuild", "Auto Rebuild"), "0");
  writePrivateProfileString(path("QZ133.ini"), "Flash", "Initial", "0");
  EXPECT_EQ(readFile(path("QZ133.ini")), text + "[Flash]\r\nInitial=0\r\n");
}

TEST_F(ProfileIniFile, ExistingButUnreadableIsToldApartFromMissing) {
  EXPECT_EQ(readProfileFile(path("none.ini")).state, ProfileFileState::kMissing);
  fs::create_directory(path("dir.ini"));
  EXPECT_EQ(readProfileFile(path("dir.ini")).state, ProfileFileState::kUnreadable);
  writeFile(path("a.ini"), "[S]\r\n");
  const ProfileFile loaded = readProfileFile(path("a.ini"));
  EXPECT_EQ(loaded.state, ProfileFileState::kLoaded);
  EXPECT_EQ(loaded.text, "[S]\r\n");
  EXPECT_EQ(profileReadErrorText("/p/QZ133.ini"), "Unable to read /p/QZ133.ini");
}

// A read-only file is not replaced, even by a user the permissions do not stop.
TEST_F(ProfileIniFile, ReadOnlyFileIsLeftByteForByte) {
  const std::string text = "[Rebuild]\r\nAuto Rebuild = 1 \r\n";
  writeFile(path("ro.ini"), text);
  fs::permissions(path("ro.ini"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  struct stat before {};
  ASSERT_EQ(::stat(path("ro.ini").c_str(), &before), 0);
  try {
    writePrivateProfileString(path("ro.ini"), "Rebuild", "Auto Rebuild", "0");
    FAIL() << "expected RaidmonError";
  } catch (const RaidmonError& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + path("ro.ini"));
  }
  struct stat after {};
  ASSERT_EQ(::stat(path("ro.ini").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_EQ(readFile(path("ro.ini")), text);
  EXPECT_EQ(entriesInDir(), 1u) << "no temporary file stays behind";
  EXPECT_EQ(getPrivateProfileString(path("ro.ini"), "Rebuild", "Auto Rebuild"), "1");
}

TEST_F(ProfileIniFile, SymbolicLinkIsWrittenThrough) {
  if (!test::canMakeSymlinks()) GTEST_SKIP() << "symbolic links cannot be made here";
  fs::create_directory(path("real"));
  writeFile(path("real/settings.ini"), "; kept\n[Rebuild]\nAuto Rebuild=0\n");
  fs::create_symlink("real/settings.ini", path("QZ133.ini"));  // relative to the link
  fs::create_symlink(path("QZ133.ini"), path("chain.ini"));     // a link to the link
  writePrivateProfileString(path("chain.ini"), "Flash", "Initial", "1");
  writePrivateProfileString(path("QZ133.ini"), "Rebuild", "Auto Rebuild", "1");
  EXPECT_TRUE(fs::is_symlink(path("QZ133.ini")));
  EXPECT_TRUE(fs::is_symlink(path("chain.ini")));
  EXPECT_EQ(readFile(path("real/settings.ini")), "; kept\n[Rebuild]\nAuto Rebuild=1\n[Flash]\nInitial=1\n");
  EXPECT_EQ(entriesInDir(), 3u);

  // A link whose target does not exist yet: the target is created through it.
  fs::create_symlink("real/new.ini", path("dangling.ini"));
  writePrivateProfileString(path("dangling.ini"), "S", "k", "v");
  EXPECT_TRUE(fs::is_symlink(path("dangling.ini")));
  EXPECT_EQ(readFile(path("real/new.ini")), "[S]\r\nk=v\r\n");

  // A loop of links cannot be written.
  fs::create_symlink(path("loop2.ini"), path("loop1.ini"));
  fs::create_symlink(path("loop1.ini"), path("loop2.ini"));
  EXPECT_THROW(writePrivateProfileString(path("loop1.ini"), "S", "k", "v"), RaidmonError);
  EXPECT_TRUE(fs::is_symlink(path("loop1.ini")));
}

// Lines of a hand-edited file, each with its own line end. The program owns only the
// keys it writes; every other line must come back byte for byte, in order.
TEST_F(ProfileIniFile, RoundTripKeepsEveryLineTheProgramDoesNotOwn) {
  const std::vector<std::string> lines = {
      "\xEF\xBB\xBF; saved by an editor with a byte order mark\r\n",
      "stray = before any section\n",
      "   \r\n",
      "[oem]\r",
      " Company = \"Acme \t Storage\" \r\n",
      "\tHomepage=http://acme.example/?a=b;c\n",
      "; [Rebuild] only a comment\r\n",
      "no equals sign here\r\n",
      "=no name\r\n",
      "[broken section\r\n",
      "[REBUILD]   trailing words\r\n",
      "AUTO REBUILD = 0   \r\n",
      "auto rebuild=1\r\n",
      "\r\n",
      "[Flash]\n",
      "Initial\t=\t1\n",
      "Other=\xC3\xA9t\xC3\xA9\n",
      "[Rebuild]\r\n",
      "Auto Rebuild=1\r\n",
      "last line without an end",
  };
  std::string text;
  for (const auto& l : lines) text += l;
  writeFile(path("QZ133.ini"), text);

  writePrivateProfileString(path("QZ133.ini"), "Rebuild", "Auto Rebuild", "0");
  writePrivateProfileString(path("QZ133.ini"), "Flash", "Initial", "1");
  writePrivateProfileString(path("QZ133.ini"), "OEM", "Product", "Box");
  writePrivateProfileString(path("QZ133.ini"), "New", "k", "v");
  const std::string out = readFile(path("QZ133.ini"));

  // The keys the program wrote read back; the first of duplicates was the one replaced.
  EXPECT_EQ(getPrivateProfileString(path("QZ133.ini"), "Rebuild", "Auto Rebuild"), "0");
  EXPECT_EQ(getPrivateProfileString(path("QZ133.ini"), "Flash", "Initial"), "1");
  EXPECT_EQ(getPrivateProfileString(path("QZ133.ini"), "OEM", "Product"), "Box");
  EXPECT_EQ(getPrivateProfileString(path("QZ133.ini"), "OEM", "Company"), "Acme \t Storage");
  EXPECT_EQ(getPrivateProfileString(path("QZ133.ini"), "New", "k"), "v");
  // Every line but the two replaced keys appears unchanged and in order.
  std::size_t at = 0;
  for (const auto& l : lines) {
    if (l == "AUTO REBUILD = 0   \r\n" || l == "Initial\t=\t1\n") continue;
    const auto found = out.find(l, at);
    ASSERT_NE(found, std::string::npos) << l;
    at = found + l.size();
  }
  EXPECT_NE(out.find("AUTO REBUILD=0\r\n"), std::string::npos);
  EXPECT_NE(out.find("Initial=1\n"), std::string::npos);
  // Nothing but the written keys was added: four replaced or new key lines, one header.
  EXPECT_EQ(out.size(), text.size() - std::string("AUTO REBUILD = 0   Initial\t=\t1").size() +
                            std::string("AUTO REBUILD=0Initial=1") .size() +
                            std::string("Product=Box\r\n").size() +
                            std::string("\r\n[New]\r\nk=v\r\n").size());
}

TEST_F(ProfileIniFile, StoreReplacesWholeText) {
  writeFile(path("a.ini"), "old contents that are longer\n");
  storeProfileFile(path("a.ini"), "new\n");
  EXPECT_EQ(readFile(path("a.ini")), "new\n");
  EXPECT_EQ(entriesInDir(), 1u);
}

}  // namespace
}  // namespace raidmon
