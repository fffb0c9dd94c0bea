// The settings files through two readers and writers: the program's own INI layer
// (platform/profile_ini.h, the one every system uses) and the system's profile functions
// (GetPrivateProfileStringA, GetPrivateProfileIntA, WritePrivateProfileStringA). Each case
// gives both the same file; they must agree, or the case pins the difference and says
// which behaviour the program keeps and why.
//
// Under Wine these are Wine's profile functions. Where Wine is known to act otherwise than
// Windows the comment says so. One thing Wine does on every write: it rewrites the whole
// file from what it parsed (CRLF line ends, blank lines dropped, blanks around '=' gone),
// where the program changes one line and keeps every other byte. So writes are compared
// by what both readers read back afterwards, not byte for byte.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "monitor/config_files.h"
#include "platform/profile_ini.h"
#include "platform/raidmon_error.h"
#include "platform/strict_int.h"
#include "support/temp_dir.h"

namespace raidmon {
namespace {

constexpr const char* kUnset = "<default>";

class ProfileDifferential : public ::testing::Test {
 protected:
  // A new file holding `bytes` (nullopt: a name with no file). Every case gets a name of
  // its own, so nothing either side keeps of an earlier file plays a part.
  std::string newFile(const std::optional<std::string>& bytes) {
    const std::string name = dir_.file("case" + std::to_string(next_++) + ".ini");
    if (bytes) {
      std::ofstream out(name, std::ios::binary);
      out << *bytes;
    }
    return name;
  }

  static std::string contents(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  // The system's value, through a buffer of `size` bytes (the terminating zero included).
  static std::string systemRead(const std::string& file, const char* section, const char* key,
                                const char* fallback = kUnset, DWORD size = 1 << 20) {
    std::vector<char> buffer(size + 1, '\0');
    const DWORD n = GetPrivateProfileStringA(section, key, fallback, buffer.data(), size, file.c_str());
    return std::string(buffer.data(), n);
  }
  static std::string ownRead(const std::string& file, const char* section, const char* key,
                             const char* fallback = kUnset) {
    return getPrivateProfileString(file, section, key).value_or(fallback);
  }

  static bool systemWrite(const std::string& file, const char* section, const char* key, const char* value) {
    return WritePrivateProfileStringA(section, key, value, file.c_str()) != FALSE;
  }
  static bool ownWrite(const std::string& file, const char* section, const char* key, const char* value) {
    try {
      writePrivateProfileString(file, section, key, value);
      return true;
    } catch (const RaidmonError&) {
      return false;
    }
  }

  test::TempDir dir_{"profile_diff"};
  int next_ = 0;
};

struct ReadCase {
  const char* what;
  std::string text;
  const char* section;
  const char* key;
  const char* expected;  // what both read (kUnset: the key is not found)
};

// Hand-edited files as a person or another editor may leave them, read with the names
// the settings use.
TEST_F(ProfileDifferential, HandEditedFilesReadTheSame) {
  const std::string kLong(100000, 'x');
  const ReadCase cases[] = {
      // Line ends.
      {"CRLF", "[Rebuild]\r\nAuto Rebuild=0\r\n[Flash]\r\nInitial=1\r\n", "Flash", "Initial", "1"},
      {"LF", "[Rebuild]\nAuto Rebuild=0\n[Flash]\nInitial=1\n", "Rebuild", "Auto Rebuild", "0"},
      {"CR alone", "[Rebuild]\rAuto Rebuild=0\r[Flash]\rInitial=1\r", "Flash", "Initial", "1"},
      {"CR alone, key of the section before", "[Rebuild]\rAuto Rebuild=0\r[Flash]\rInitial=1\r", "Rebuild",
       "Initial", kUnset},
      {"mixed ends, no final end", "[OEM]\r\nCompany=A\nProduct=B\rHomepage=C", "OEM", "Homepage", "C"},
      {"CR CR LF and blank lines", "[OEM]\r\r\n\n\r\nCompany=A\r\r\n", "OEM", "Company", "A"},
      // Quotes.
      {"double quotes", "[OEM]\r\nCompany=\"Acme Corp\"\r\n", "OEM", "Company", "Acme Corp"},
      {"single quotes", "[OEM]\r\nCompany='Acme'\r\n", "OEM", "Company", "Acme"},
      {"quotes keep inner blanks", "[OEM]\r\nCompany= \" Acme \" \r\n", "OEM", "Company", " Acme "},
      {"mismatched quotes kept", "[OEM]\r\nCompany=\"Acme'\r\n", "OEM", "Company", "\"Acme'"},
      {"lone quote kept", "[OEM]\r\nCompany=\"\r\n", "OEM", "Company", "\""},
      {"empty quotes", "[OEM]\r\nCompany=\"\"\r\n", "OEM", "Company", ""},
      {"quotes inside kept", "[OEM]\r\nProduct=K4 \"Pro\" card\r\n", "OEM", "Product", "K4 \"Pro\" card"},
      {"quoted number", "[Rebuild]\r\nAuto Rebuild=\"0\"\r\n", "Rebuild", "Auto Rebuild", "0"},
      // Blanks.
      {"blanks around key and value", "[OEM]\r\n \t Company \t= \t Acme  Corp \t\r\n", "OEM", "Company",
       "Acme  Corp"},
      {"blanks inside and around brackets", "  [ \tOEM \t]  \r\nCompany=A\r\n", "OEM", "Company", "A"},
      {"asked with blanks", "[OEM]\r\nCompany=A\r\n", " OEM ", " Company ", "A"},
      {"VT and FF are blanks", "[OEM]\r\nCompany=\v\fA\f\v\r\n", "OEM", "Company", "A"},
      {"blanks inside a name count", "[Rebuild]\r\nAuto  Rebuild=0\r\n", "Rebuild", "Auto Rebuild", kUnset},
      {"empty value", "[OEM]\r\nCompany=\r\n", "OEM", "Company", ""},
      {"blank value", "[OEM]\r\nCompany=   \r\n", "OEM", "Company", ""},
      {"later equals signs are value", "[OEM]\r\nHomepage=http://x/?a=b\r\n", "OEM", "Homepage", "http://x/?a=b"},
      // An old editor's end-of-file mark after the last line, or on its own line.
      {"Ctrl-Z after the value", "[Rebuild]\r\nAuto Rebuild=0\x1a", "Rebuild", "Auto Rebuild", "0"},
      {"Ctrl-Z line", "[Rebuild]\r\nAuto Rebuild=0\r\n\x1a", "Rebuild", "Auto Rebuild", "0"},
      // A UTF-8 byte-order mark before the first section.
      {"UTF-8 byte-order mark", "\xEF\xBB\xBF[Rebuild]\r\nAuto Rebuild=0\r\n", "Rebuild", "Auto Rebuild", "0"},
      // Duplicates: the first section of a name and the first key in it win.
      {"first duplicate key", "[Rebuild]\r\nAuto Rebuild=0\r\nauto rebuild=1\r\n", "Rebuild", "Auto Rebuild", "0"},
      {"key only in a later duplicate section", "[OEM]\r\nCompany=A\r\n[Flash]\r\n[oem]\r\nProduct=B\r\n", "OEM",
       "Product", kUnset},
      {"first duplicate section", "[OEM]\r\nCompany=A\r\n[OEM]\r\nCompany=B\r\n", "OEM", "Company", "A"},
      // Comments and other lines.
      {"commented-out setting", "[Rebuild]\r\n;Auto Rebuild=1\r\nAuto Rebuild=0\r\n", "Rebuild", "Auto Rebuild",
       "0"},
      {"only a commented-out setting", "[Rebuild]\r\n; Auto Rebuild=0\r\n", "Rebuild", "Auto Rebuild", kUnset},
      {"'#' line is a key", "[OEM]\r\n#Company=A\r\n", "OEM", "#Company", "A"},
      {"commented-out section", ";[Flash]\r\n[Rebuild]\r\nInitial=1\r\n", "Flash", "Initial", kUnset},
      {"line without '='", "[OEM]\r\nCompany\r\nProduct=B\r\n", "OEM", "Company", kUnset},
      {"text after the bracket", "[OEM] notes\r\nCompany=A\r\n", "OEM", "Company", "A"},
      {"name up to the last bracket", "[a]b] notes\r\nk=1\r\n", "a]b", "k", "1"},
      {"header without bracket", "[OEM\r\nCompany=A\r\n", "OEM", "Company", kUnset},
      {"key before any section", "Company=A\r\n[OEM]\r\n", "OEM", "Company", kUnset},
      // Names ignore ASCII case.
      {"section and key case", "[oem]\r\ncOMPANY=A\r\n", "OEM", "Company", "A"},
      {"upper-case asked", "[Rebuild]\r\nAuto Rebuild=0\r\n", "REBUILD", "AUTO REBUILD", "0"},
      // Letters beyond ASCII: the program compares them byte for byte, and so does Wine;
      // Windows may fold the code page's other letters too. No setting's name has one.
      {"case of a letter beyond ASCII", "[OEM]\r\n\xC9tat=1\r\n", "OEM", "\xE9tat", kUnset},
      // Missing pieces.
      {"empty file", "", "Rebuild", "Auto Rebuild", kUnset},
      {"missing section", "[OEM]\r\nCompany=A\r\n", "Rebuild", "Auto Rebuild", kUnset},
      {"missing key", "[OEM]\r\nCompany=A\r\n", "OEM", "Product", kUnset},
      // Long lines: a long comment line and a long value, read through a buffer that holds it.
      {"long comment line", "; " + kLong + "\r\n[OEM]\r\nCompany=A\r\n", "OEM", "Company", "A"},
      {"long value", "[OEM]\r\nCompany=" + kLong + "\r\n", "OEM", "Company", kLong.c_str()},
      // 8-bit text other than ASCII goes through as it is.
      {"Latin-1 value", "[OEM]\r\nCompany=Soci\xE9t\xE9\r\n", "OEM", "Company", "Soci\xE9t\xE9"},
      {"UTF-8 value ending in a0", "[OEM]\r\nCompany=voil\xC3\xA0\r\n", "OEM", "Company", "voil\xC3\xA0"},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = newFile(c.text);
    const std::string system = systemRead(file, c.section, c.key);
    const std::string own = ownRead(file, c.section, c.key);
    EXPECT_EQ(own, system);
    EXPECT_EQ(own, c.expected);
  }
}

// Whole settings files as start-up reads them: every value it takes against what the
// system's functions read with the same defaults, and afterwards the file it wrote back,
// read by the system.
TEST_F(ProfileDifferential, StartUpReadsWhatTheSystemReads) {
  const std::string files[] = {
      "; written by hand\r\n[Rebuild]\r\nAuto Rebuild = 0\r\n\r\n[Flash]\r\nInitial=1\r\n"
      "[OEM]\r\nCompany = \"Acme Storage\"\r\nProduct='K4 Pro'\r\nHomepage=http://acme.example/?a=b\r\n"
      "GUI_VERSION=GUI Version : 2.0\r\nC_Logo=D:\\logos\\acme.bmp\r\n",
      "[rebuild]\rauto rebuild=1\r[oem]\rcompany=Lower\r",
      "\xEF\xBB\xBF[OEM]\nProduct=With mark\n[Rebuild]\nAuto Rebuild=0\x1a",
      "[OEM]\r\nCompany=First\r\nCompany=Second\r\n[OEM]\r\nProduct=Hidden\r\n;[Rebuild]\r\n;Auto Rebuild=0\r\n",
      "",
  };
  for (const std::string& text : files) {
    SCOPED_TRACE(text);
    const test::TempDir programDir("profile_diff_load");
    const std::string dir = programDir.slashed();
    const std::string file = dir + std::string(kMainIniName);
    std::ofstream(file, std::ios::binary) << text;
    const std::string logo = dir + std::string(kDefaultLogoName);
    const auto system = [&](const char* section, const char* key, std::string_view fallback) {
      return systemRead(file, section, key, std::string(fallback).c_str());
    };
    const bool systemAutoRebuild = GetPrivateProfileIntA("Rebuild", "Auto Rebuild", 1, file.c_str()) != 0;
    const bool systemInitial = GetPrivateProfileIntA("Flash", "Initial", 0, file.c_str()) != 0;
    const std::string company = system("OEM", "Company", kDefaultCompany);
    const std::string product = system("OEM", "Product", kDefaultProduct);
    const std::string homepage = system("OEM", "Homepage", kDefaultHomepage);
    const std::string guiVersion = system("OEM", "GUI_VERSION", kDefaultGuiVersion);
    const std::string logoFile = system("OEM", "C_Logo", logo);

    const ConfigLoadResult loaded = loadConfiguration(dir);
    ASSERT_EQ(loaded.writeError, std::nullopt);
    ASSERT_EQ(loaded.readError, std::nullopt);
    EXPECT_EQ(loaded.autoRebuild, systemAutoRebuild);
    EXPECT_EQ(loaded.flashInitial, systemInitial);
    EXPECT_EQ(loaded.texts.company, company);
    EXPECT_EQ(loaded.texts.product, product);
    EXPECT_EQ(loaded.texts.homepage, homepage);
    EXPECT_EQ(loaded.texts.guiVersion, guiVersion);
    EXPECT_EQ(loaded.texts.logoFile, logoFile);
    // The values written back are the ones read, for the system too.
    EXPECT_EQ(GetPrivateProfileIntA("Rebuild", "Auto Rebuild", 7, file.c_str()), systemAutoRebuild ? 1u : 0u);
    EXPECT_EQ(GetPrivateProfileIntA("Flash", "Initial", 7, file.c_str()), systemInitial ? 1u : 0u);
    EXPECT_EQ(system("OEM", "Company", kDefaultCompany), company);
  }
}

TEST_F(ProfileDifferential, MissingFileGivesTheDefault) {
  const std::string file = newFile(std::nullopt);
  EXPECT_EQ(systemRead(file, "OEM", "Company", "Korvane"), "Korvane");
  EXPECT_EQ(ownRead(file, "OEM", "Company", "Korvane"), "Korvane");
  const std::string inMissingDir = dir_.file("none\\QZ133.ini");
  EXPECT_EQ(systemRead(inMissingDir, "OEM", "Company", "Korvane"), "Korvane");
  EXPECT_EQ(ownRead(inMissingDir, "OEM", "Company", "Korvane"), "Korvane");
}

// The system's function copies into the caller's buffer and cuts what does not fit (its
// result is then the buffer's size less one). The program reads the whole value: no
// buffer of its own limits a setting.
TEST_F(ProfileDifferential, ValueLongerThanTheBufferIsCutOnlyByTheSystem) {
  const std::string value(5000, 'v');
  const std::string file = newFile("[OEM]\r\nCompany=" + value + "\r\n");
  EXPECT_EQ(systemRead(file, "OEM", "Company", kUnset, 2048), value.substr(0, 2047));
  EXPECT_EQ(systemRead(file, "OEM", "Company", kUnset, 5001), value);
  EXPECT_EQ(ownRead(file, "OEM", "Company"), value);
}

// The system's function drops trailing spaces from the default it is given; the
// program's callers use their defaults as they stand. None of the settings' defaults
// ends in a space, so both give the same text for a missing key.
TEST_F(ProfileDifferential, DefaultsWithTrailingSpacesAreTrimmedOnlyByTheSystem) {
  const std::string file = newFile("[OEM]\r\n");
  EXPECT_EQ(systemRead(file, "OEM", "Company", "Korvane  "), "Korvane");
  EXPECT_EQ(ownRead(file, "OEM", "Company", "Korvane  "), "Korvane  ");
  for (const std::string_view fallback : {kDefaultCompany, kDefaultProduct, kDefaultHomepage, kDefaultGuiVersion}) {
    const std::string text(fallback);
    EXPECT_EQ(systemRead(file, "OEM", "Company", text.c_str()), ownRead(file, "OEM", "Company", text.c_str()));
  }
}

// Names no setting has. The system's functions take every line inside a section for a
// key, comment lines included (";Company" is a key named ";Company"), a broken header
// ("[OEM=1") and an empty name ("=1") too, and with an empty section name they find the
// keys above the first section. The program's reader takes a line starting with ';' for
// a comment, a line starting with '[' for a header or nothing, never finds an empty name
// and always names a section; its writer refuses such names. Every name the settings
// read or write is a plain name, on which both agree (the cases above).
TEST_F(ProfileDifferential, NamesNoSettingUsesAreFoundOnlyByTheSystem) {
  const std::string file = newFile("Top=0\r\n[OEM]\r\n;Company=A\r\n[Broken=B\r\n=C\r\n");
  EXPECT_EQ(systemRead(file, "OEM", ";Company"), "A");
  EXPECT_EQ(systemRead(file, "OEM", "[Broken"), "B");
  EXPECT_EQ(systemRead(file, "OEM", ""), "C");
  EXPECT_EQ(systemRead(file, "", "Top"), "0");
  for (const char* key : {";Company", "[Broken", ""}) EXPECT_EQ(ownRead(file, "OEM", key), kUnset) << key;
  EXPECT_EQ(ownRead(file, "", "Top"), kUnset);
  for (const char* key : {";Company", "[Broken", ""}) {
    EXPECT_THROW(writePrivateProfileString(file, "OEM", key, "1"), std::invalid_argument) << key;
  }
}

// A file saved as UTF-8 with a byte-order mark: the system's A functions hand back the
// text in the ANSI code page ("caf\xE9"), the program the file's own bytes. Both find the
// settings (ASCII reads the same).
TEST_F(ProfileDifferential, Utf8FileTextIsConvertedOnlyByTheSystem) {
  const std::string file = newFile("\xEF\xBB\xBF[OEM]\r\nCompany=caf\xC3\xA9\r\nProduct=K4\r\n");
  EXPECT_EQ(systemRead(file, "OEM", "Product"), "K4");
  EXPECT_EQ(ownRead(file, "OEM", "Product"), "K4");
  EXPECT_EQ(systemRead(file, "OEM", "Company"), "caf\xE9");
  EXPECT_EQ(ownRead(file, "OEM", "Company"), "caf\xC3\xA9");
}

// A file saved as UTF-16 (byte-order mark FF FE): the system reads and writes it. The
// program reads 8-bit lines only; it reports such a file as one it cannot read and
// leaves it alone, rather than miss its settings and add 8-bit lines to it.
TEST_F(ProfileDifferential, Utf16FileIsReadOnlyByTheSystem) {
  std::string utf16 = "\xFF\xFE";
  for (const char c : std::string("[Rebuild]\r\nAuto Rebuild=0\r\n")) utf16 += std::string{c, '\0'};
  const std::string file = newFile(utf16);
  EXPECT_EQ(systemRead(file, "Rebuild", "Auto Rebuild"), "0");
  EXPECT_EQ(readProfileFile(file).state, ProfileFileState::kUnreadable);
  EXPECT_FALSE(ownWrite(file, "Rebuild", "Auto Rebuild", "1"));
  EXPECT_EQ(contents(file), utf16);
  const std::string programDir = dir_.slashed();
  const std::string mainIni = programDir + std::string(kMainIniName);
  std::ofstream(mainIni, std::ios::binary) << utf16;
  const ConfigLoadResult loaded = loadConfiguration(programDir);
  EXPECT_EQ(loaded.readError, "Unable to read " + mainIni);
  EXPECT_FALSE(loaded.autoRebuild);
  EXPECT_EQ(contents(mainIni), utf16);
}

// ---- Whole numbers ----------------------------------------------------------------------

// The switches are whole numbers, read as text and converted with the program's strict
// rule: optional spaces and sign, decimal digits or '$' and hex digits, nothing after,
// 32 bits; anything else is not a number and gives the switch's default. The system's
// GetPrivateProfileIntA reads the leading digits of whatever is there (so "abc" is 0,
// "12abc" 12, "1.5" 1), takes base prefixes such as "0x" but not '$', and wraps what
// does not fit 32 bits. The program keeps its rule: a value that is not a whole number
// never turns a switch off, and '$' hex is its platform's way of writing numbers.
TEST_F(ProfileDifferential, WholeNumbersFollowTheStrictRuleNotTheSystemsDigitScan) {
  constexpr int kFallback = 55;
  struct NumberCase {
    const char* stored;
    int system;                  // GetPrivateProfileIntA with default 55
    std::optional<int> program;  // parseWholeNumber of the text the program reads
  };
  const NumberCase cases[] = {
      // Both agree.
      {"0", 0, 0},
      {"1", 1, 1},
      {"-1", -1, -1},
      {"+3", 3, 3},
      {"0010", 10, 10},
      {" 7 ", 7, 7},
      {"\"0\"", 0, 0},
      {"2147483647", 2147483647, 2147483647},
      // A missing or empty value: the default on both sides.
      {"", kFallback, std::nullopt},
      {"  ", kFallback, std::nullopt},
      // The system's digit scan against the strict rule.
      {"abc", 0, std::nullopt},
      {"12abc", 12, std::nullopt},
      {"1.5", 1, std::nullopt},
      {"0.5", 0, std::nullopt},
      {"-", 0, std::nullopt},
      {"0x10", 16, std::nullopt},
      {"$10", 0, 16},
      {"$1", 0, 1},
      {"99999999999", 1215752191, std::nullopt},
      {"4294967296", 0, std::nullopt},
  };
  for (const NumberCase& c : cases) {
    SCOPED_TRACE(std::string("stored: ") + c.stored);
    const std::string file = newFile(std::string("[Rebuild]\r\nAuto Rebuild=") + c.stored + "\r\n");
    EXPECT_EQ(static_cast<int>(GetPrivateProfileIntA("Rebuild", "Auto Rebuild", kFallback, file.c_str())), c.system);
    const auto text = getPrivateProfileString(file, "Rebuild", "Auto Rebuild");
    ASSERT_TRUE(text);
    EXPECT_EQ(parseWholeNumber(*text), c.program);
  }
}

// The same rule seen from the switch: what start-up makes of a stored "Auto Rebuild"
// (default on) against what the system's whole-number read would make of it.
TEST_F(ProfileDifferential, AutoRebuildSwitchFromStoredText) {
  struct SwitchCase {
    const char* stored;
    bool systemOn;
    bool programOn;
  };
  const SwitchCase cases[] = {
      {"0", false, false}, {"1", true, true},   {"-1", true, true},   {"2", true, true},
      {"abc", false, true}, {"0.5", false, true}, {"$1", false, true}, {"0x0", false, true},
      {"4294967296", false, true},
  };
  for (const SwitchCase& c : cases) {
    SCOPED_TRACE(std::string("stored: ") + c.stored);
    const test::TempDir programDir("profile_diff_switch");
    const std::string file = programDir.slashed() + std::string(kMainIniName);
    std::ofstream(file, std::ios::binary) << "[Rebuild]\r\nAuto Rebuild=" << c.stored << "\r\n";
    EXPECT_EQ(GetPrivateProfileIntA("Rebuild", "Auto Rebuild", 1, file.c_str()) != 0, c.systemOn);
    EXPECT_EQ(loadConfiguration(programDir.slashed()).autoRebuild, c.programOn);
  }
}

// ---- Writes -------------------------------------------------------------------------------

struct WriteCase {
  const char* what;
  std::optional<std::string> text;  // nullopt: no file yet
  const char* section;
  const char* key;
  const char* value;
  const char* ownResult;  // the program's file afterwards: one line changed or added
};

// Each side writes its own copy; then both readers read every probe from both files and
// must all agree. The program's file is also pinned byte for byte.
TEST_F(ProfileDifferential, WritesReadBackTheSame) {
  const std::string kLongValue(20000, 'w');
  const std::string kLongResult = "[S]\r\nk=" + kLongValue + "\r\n";
  const WriteCase cases[] = {
      {"no file", std::nullopt, "Rebuild", "Auto Rebuild", "1", "[Rebuild]\r\nAuto Rebuild=1\r\n"},
      {"empty file", "", "Rebuild", "Auto Rebuild", "1", "[Rebuild]\r\nAuto Rebuild=1\r\n"},
      {"replace, blanks and case", "; settings\r\n\r\n[Rebuild]\r\n  Auto Rebuild = 0  \r\n\r\n[Flash]\r\nInitial=1\r\n",
       "rebuild", "auto rebuild", "1",
       "; settings\r\n\r\n[Rebuild]\r\nAuto Rebuild=1\r\n\r\n[Flash]\r\nInitial=1\r\n"},
      {"add a key to a section", "[Rebuild]\r\nAuto Rebuild=0\r\n\r\n[OEM]\r\nCompany=A\r\n", "Rebuild", "New",
       "1", "[Rebuild]\r\nAuto Rebuild=0\r\nNew=1\r\n\r\n[OEM]\r\nCompany=A\r\n"},
      {"add a section, LF file", "[Rebuild]\nAuto Rebuild=0\n", "Flash", "Initial", "0",
       "[Rebuild]\nAuto Rebuild=0\n[Flash]\nInitial=0\n"},
      {"add a section, CR file without final end", "[Rebuild]\rAuto Rebuild=0", "Flash", "Initial", "0",
       "[Rebuild]\rAuto Rebuild=0\r[Flash]\rInitial=0\r"},
      {"write into the first duplicate section", "[S]\r\na=1\r\n[S]\r\nb=2\r\n", "S", "b", "9",
       "[S]\r\na=1\r\nb=9\r\n[S]\r\nb=2\r\n"},
      {"names with blanks", "[S]\r\n", " S ", " k ", "v", "[S]\r\nk=v\r\n"},
      {"value with blanks", "[S]\r\n", "S", "k", "  v  ", "[S]\r\nk=  v  \r\n"},
      {"quoted value", "[S]\r\n", "S", "k", "\"q\"", "[S]\r\nk=\"q\"\r\n"},
      {"after a comment", "[Rebuild]\r\n;Auto Rebuild=1\r\n", "Rebuild", "Auto Rebuild", "0",
       "[Rebuild]\r\n;Auto Rebuild=1\r\nAuto Rebuild=0\r\n"},
      {"UTF-8 byte-order mark", "\xEF\xBB\xBF[Rebuild]\r\nAuto Rebuild=0\r\n", "Rebuild", "Auto Rebuild", "1",
       "\xEF\xBB\xBF[Rebuild]\r\nAuto Rebuild=1\r\n"},
      {"byte-order mark alone", "\xEF\xBB\xBF", "Rebuild", "Auto Rebuild", "1",
       "\xEF\xBB\xBF[Rebuild]\r\nAuto Rebuild=1\r\n"},
      {"Ctrl-Z at the end", "[Rebuild]\r\nAuto Rebuild=0\r\n\x1a", "Flash", "Initial", "1",
       "[Rebuild]\r\nAuto Rebuild=0\r\n\x1a\r\n[Flash]\r\nInitial=1\r\n"},
      {"long value", "[S]\r\nk=1\r\n", "S", "k", kLongValue.c_str(), kLongResult.c_str()},
  };
  const std::pair<const char*, const char*> probes[] = {
      {"Rebuild", "Auto Rebuild"}, {"Rebuild", "New"}, {"Flash", "Initial"}, {"OEM", "Company"},
      {"S", "a"}, {"S", "b"}, {"S", "k"},
  };
  for (const WriteCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string systemFile = newFile(c.text);
    const std::string ownFile = newFile(c.text);
    ASSERT_TRUE(systemWrite(systemFile, c.section, c.key, c.value));
    ASSERT_TRUE(ownWrite(ownFile, c.section, c.key, c.value));
    EXPECT_EQ(contents(ownFile), c.ownResult);
    for (const auto& [section, key] : probes) {
      SCOPED_TRACE(std::string(section) + "/" + key);
      const std::string expected = systemRead(systemFile, section, key);
      EXPECT_EQ(ownRead(systemFile, section, key), expected);
      EXPECT_EQ(systemRead(ownFile, section, key), expected);
      EXPECT_EQ(ownRead(ownFile, section, key), expected);
    }
  }
}

// What start-up writes into a fresh program directory: the same file from both.
TEST_F(ProfileDifferential, FirstStartWritesWhatTheSystemWould) {
  const test::TempDir programDir("profile_diff_start");
  const ConfigLoadResult loaded = loadConfiguration(programDir.slashed());
  ASSERT_EQ(loaded.writeError, std::nullopt);
  const std::string systemFile = newFile(std::nullopt);
  ASSERT_TRUE(systemWrite(systemFile, "Rebuild", "Auto Rebuild", "1"));
  ASSERT_TRUE(systemWrite(systemFile, "Flash", "Initial", "0"));
  EXPECT_EQ(contents(programDir.slashed() + std::string(kMainIniName)), contents(systemFile));
}

// The system's function writes a value as it is given, line breaks too, and so adds
// lines of its own making (here a section). The program refuses such an entry and
// leaves the file as it was: a value never becomes more than one line.
TEST_F(ProfileDifferential, ValueWithALineBreakIsWrittenOnlyByTheSystem) {
  const std::string text = "[OEM]\r\nCompany=A\r\n";
  const std::string systemFile = newFile(text);
  const std::string ownFile = newFile(text);
  ASSERT_TRUE(systemWrite(systemFile, "OEM", "Company", "B\r\n[Rebuild]\r\nAuto Rebuild=0"));
  EXPECT_EQ(systemRead(systemFile, "Rebuild", "Auto Rebuild"), "0");
  EXPECT_THROW(writePrivateProfileString(ownFile, "OEM", "Company", "B\r\n[Rebuild]\r\nAuto Rebuild=0"),
               std::invalid_argument);
  EXPECT_EQ(contents(ownFile), text);
}

// A file with the read-only attribute. The system's function does not touch the file
// when the value is already the one stored, and reports success. Windows refuses a
// changed value (access denied); Wine run by root writes it all the same. The program
// leaves such a file alone and reports "Unable to write to <file>" whatever the value,
// so the operator learns that the settings file is locked.
TEST_F(ProfileDifferential, ReadOnlyFileIsRefusedByTheProgramWhateverTheValue) {
  const std::string text = "[Rebuild]\r\nAuto Rebuild=1\r\n";
  const std::string systemFile = newFile(text);
  const std::string ownFile = newFile(text);
  ASSERT_TRUE(SetFileAttributesA(systemFile.c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(SetFileAttributesA(ownFile.c_str(), FILE_ATTRIBUTE_READONLY));

  EXPECT_TRUE(systemWrite(systemFile, "Rebuild", "Auto Rebuild", "1"));
  EXPECT_EQ(contents(systemFile), text);
  const bool changed = systemWrite(systemFile, "Rebuild", "Auto Rebuild", "0");
  // Never a failure reported as success, nor a success that wrote nothing.
  EXPECT_EQ(changed, systemRead(systemFile, "Rebuild", "Auto Rebuild") == "0");

  for (const char* value : {"1", "0"}) {
    SCOPED_TRACE(value);
    try {
      writePrivateProfileString(ownFile, "Rebuild", "Auto Rebuild", value);
      ADD_FAILURE() << "a read-only file was written";
    } catch (const RaidmonError& error) {
      EXPECT_EQ(std::string(error.what()), profileWriteErrorText(ownFile));
    }
    EXPECT_EQ(contents(ownFile), text);
  }
  SetFileAttributesA(systemFile.c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesA(ownFile.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ProfileDifferential, MissingDirectoryFailsOnBothSides) {
  const std::string file = dir_.file("none\\QZ133.ini");
  EXPECT_FALSE(systemWrite(file, "Rebuild", "Auto Rebuild", "1"));
  EXPECT_FALSE(ownWrite(file, "Rebuild", "Auto Rebuild", "1"));
}

}  // namespace
}  // namespace raidmon
