// The built programs against files any user of the machine may have put in their way:
// every reader of an outside file meets a FIFO and a device in its file's place, and
// the program goes on or ends as it does for a file it cannot open, never waiting.
// Also the exit status of a start that finds no controller, and a clean exit from a
// socket controller.
#include <gtest/gtest.h>

#include <elf.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "emulator/scenario_parser.h"
#include "k4emu_run.h"
#include "support/transcript_file.h"

namespace raidmon {
namespace {

namespace fs = std::filesystem;
using test::Process;
using test::readFile;
using test::TempDir;

// A copy of the program directory: the programs, the libraries and the assets (no
// settings file, no test programs), so that a test may put anything in their place.
fs::path copyProgramDir(const TempDir& scratch) {
  const fs::path dir = scratch.file("bin");
  fs::create_directories(dir);
  for (const auto& entry : fs::directory_iterator(programDirectory())) {
    const std::string name = entry.path().filename().string();
    const bool wanted = name == "raidmon" || name == "k4emu" || name.ends_with(".so") || name.ends_with(".gif") ||
                        name.ends_with(".ico") || name.ends_with(".Bmp") || name == "skins" ||
                        name == "imagelist" || name == "scenarios";
    if (wanted) fs::copy(entry.path(), dir / name, fs::copy_options::recursive);
  }
  return dir;
}

enum class Special { Fifo, Device };

// Puts a FIFO (no writer ever comes) or a link to /dev/zero (endless bytes) at `path`.
void makeSpecial(const fs::path& path, Special kind) {
  fs::remove(path);
  if (kind == Special::Fifo) {
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << path;
  } else {
    fs::create_symlink("/dev/zero", path);
  }
}

struct Ended {
  int status = -1;  // exit status; -1: still running after the time allowed (killed)
  std::string errors;
  std::string transcript;
};

// Runs a program of `dir` with `args`; it must end by itself within 20 seconds.
Ended runToEnd(const TempDir& scratch, const fs::path& dir, std::vector<std::string> args) {
  static int n = 0;
  const std::string err = scratch.file("err" + std::to_string(n));
  const std::string transcript = scratch.file("transcript" + std::to_string(n++));
  if (fs::path(args[0]).filename() == "raidmon") {
    for (const char* a : {"--answer-dialogs", "--quit-after=1500"}) args.emplace_back(a);
    args.push_back("--transcript=" + transcript);
  }
  args[0] = (dir / args[0]).string();
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  Process p(args, err);
  Ended e;
  const int status = p.wait(20);
  if (status != -1 && WIFEXITED(status)) e.status = WEXITSTATUS(status);
  e.errors = readFile(err);
  e.transcript = test::TranscriptFile(transcript).text();
  return e;
}

TEST(HostileInputEndToEnd, EveryReaderRefusesSpecialFilesWithoutWaiting) {
  // Which file is replaced (relative to the program directory, or a file beside it), how
  // the program is started, and what it then says and how it ends: as for a file it
  // cannot open.
  struct Row {
    const char* reader;
    const char* file;
    std::vector<std::string> args;
    int status;
    std::function<std::string(const fs::path& special)> says;  // "" : nothing to look for
    bool inTranscript;
  };
  const std::vector<Row> rows = {
      {"settings", "QZ133.ini", {"raidmon", "--emulate"}, 0,
       [](const fs::path& f) { return "error\tUnable to read " + f.string(); }, true},
      {"skin file", "skins/default/Small_Ata2.ini", {"raidmon", "--emulate"}, 0,
       [](const fs::path& f) { return "error\tCannot open file \"" + f.string() + "\""; }, true},
      {"skin bitmap", "skins/default/Small2_Mask.bmp", {"raidmon", "--emulate"}, 0,
       [](const fs::path& f) { return "error\tCannot open file \"" + f.string() + "\""; }, true},
      {"logo", "C_Logo.Bmp", {"raidmon", "--emulate"}, 0, [](const fs::path&) { return std::string(); }, true},
      {"indicator", "s_Top_Green.gif", {"raidmon", "--emulate"}, 0,
       [](const fs::path&) { return std::string(); }, true},
      {"flash image", "../image.bin", {"raidmon", "--emulate", "--flash-update=@"}, 0,
       [](const fs::path& f) { return "error\tCannot open file \"" + f.string() + "\""; }, true},
      {"scenario", "../run.scn", {"raidmon", "--emulate=@"}, 2,
       [](const fs::path& f) { return "cannot open scenario file " + f.string() + ": not a regular file"; },
       false},
      {"served scenario", "../run.scn", {"k4emu", "serve", "@", "--socket", "@.sock"}, 2,
       [](const fs::path& f) { return "cannot open scenario file " + f.string() + ": not a regular file"; },
       false},
      {"ASPI layer", "libT_ASPI32.so", {"raidmon", "--emulate"}, 1,
       [](const fs::path&) { return std::string(" Load dll failed : WNASPI32.Dll"); }, false},
  };
  for (const Row& row : rows) {
    for (const Special kind : {Special::Fifo, Special::Device}) {
      SCOPED_TRACE(std::string(row.reader) + (kind == Special::Fifo ? ", FIFO" : ", /dev/zero"));
      TempDir scratch;
      const fs::path dir = copyProgramDir(scratch);
      const fs::path special = fs::weakly_canonical(dir / row.file);
      makeSpecial(special, kind);
      std::vector<std::string> args = row.args;
      for (std::string& a : args) {
        if (const auto at = a.find('@'); at != std::string::npos) a.replace(at, 1, special.string());
      }
      const Ended e = runToEnd(scratch, dir, args);
      EXPECT_EQ(e.status, row.status) << e.errors;
      const std::string said = row.says(special);
      if (!said.empty()) {
        const std::string& where = row.inTranscript ? e.transcript : e.errors;
        EXPECT_NE(where.find(said), std::string::npos) << said << "\n--\n" << where;
      }
    }
  }
}

TEST(HostileInputEndToEnd, AStartWithoutAControllerEndsWithStatus3) {
  TempDir scratch;
  const fs::path dir = copyProgramDir(scratch);
  // No driver on this platform without an emulator.
  Ended e = runToEnd(scratch, dir, {"raidmon"});
  EXPECT_EQ(e.status, 3) << e.errors;
  EXPECT_NE(e.transcript.find("error\tRAID controller DRIVER not installed"), std::string::npos) << e.transcript;
  // The 9x family with no controller behind the ASPI layer.
  std::ofstream(scratch.file("none.scn")) << "port 1 driver \\Device\\tavrixRX0\n";
  e = runToEnd(scratch, dir, {"raidmon", "--os-family=9x", "--emulate=" + scratch.file("none.scn")});
  EXPECT_EQ(e.status, 3) << e.errors;
  EXPECT_NE(e.transcript.find("error\tRAID controller HDD not installed"), std::string::npos) << e.transcript;
  // Monitoring that runs to its end is a success.
  e = runToEnd(scratch, dir, {"raidmon", "--emulate"});
  EXPECT_EQ(e.status, 0) << e.errors;
  // --quit-after=0 would never quit: a usage error.
  e = runToEnd(scratch, dir, {"raidmon", "--emulate", "--quit-after=0"});
  EXPECT_EQ(e.status, 2);
  EXPECT_NE(e.errors.find("--quit-after takes milliseconds"), std::string::npos) << e.errors;
}

TEST(HostileInputEndToEnd, ACleanExitFromASocketControllerReportsNoLoss) {
  for (const char* family : {"--os-family=nt", "--os-family=9x"}) {
    SCOPED_TRACE(family);
    TempDir scratch;
    test::K4emuServer server(scratch, std::string(emu::defaultScenarioText()));
    ASSERT_TRUE(server.waitReady()) << server.log();
    const Ended e = runToEnd(scratch, programDirectory(), {"raidmon", "--controller=socket:" + server.socket(), family});
    EXPECT_EQ(e.status, 0) << e.errors;
    EXPECT_NE(e.transcript.find("row\tCard 1 Primary Master\tConnected\t"), std::string::npos);
    EXPECT_EQ(e.errors.find("lost the controller connection"), std::string::npos) << e.errors;
  }
}

// The library search path an ELF file carries (DT_RPATH and DT_RUNPATH entries, split
// at ':'); nullopt when the file is no 64-bit ELF this reader understands.
std::optional<std::vector<std::string>> searchPathOf(const fs::path& file) {
  const std::string bytes = readFile(file.string());
  auto fits = [&](std::uint64_t at, std::uint64_t size) { return at <= bytes.size() && size <= bytes.size() - at; };
  if (!fits(0, sizeof(Elf64_Ehdr)) || std::memcmp(bytes.data(), ELFMAG, SELFMAG) != 0 ||
      bytes[EI_CLASS] != ELFCLASS64) {
    return std::nullopt;
  }
  Elf64_Ehdr eh;
  std::memcpy(&eh, bytes.data(), sizeof eh);
  auto section = [&](std::uint64_t i) {
    Elf64_Shdr sh{};
    if (fits(eh.e_shoff + i * sizeof sh, sizeof sh)) std::memcpy(&sh, bytes.data() + eh.e_shoff + i * sizeof sh, sizeof sh);
    return sh;
  };
  std::vector<std::string> path;
  for (std::uint64_t i = 0; i < eh.e_shnum; ++i) {
    const Elf64_Shdr dyn = section(i);
    if (dyn.sh_type != SHT_DYNAMIC || !fits(dyn.sh_offset, dyn.sh_size)) continue;
    const Elf64_Shdr strings = section(dyn.sh_link);
    for (std::uint64_t at = dyn.sh_offset; at + sizeof(Elf64_Dyn) <= dyn.sh_offset + dyn.sh_size; at += sizeof(Elf64_Dyn)) {
      Elf64_Dyn d;
      std::memcpy(&d, bytes.data() + at, sizeof d);
      if (d.d_tag != DT_RPATH && d.d_tag != DT_RUNPATH) continue;
      if (!fits(strings.sh_offset + d.d_un.d_val, 1)) return std::nullopt;
      const std::string text(bytes.c_str() + strings.sh_offset + d.d_un.d_val);
      for (std::size_t start = 0;;) {
        const std::size_t colon = text.find(':', start);
        path.push_back(text.substr(start, colon - start));
        if (colon == std::string::npos) break;
        start = colon + 1;
      }
    }
  }
  return path;
}

TEST(HostileInputEndToEnd, ProgramsAndLibrariesFindEachOtherOnlyBesideThemselves) {
  // A folder of the build tree in the search path would let whoever can create that
  // folder on another machine supply the bridge library.
  for (const char* name : {"raidmon", "k4emu", "libaspilink_korvane.so", "libaspilink_pobek.so", "libT_ASPI32.so"}) {
    const auto path = searchPathOf(fs::path(programDirectory()) / name);
    ASSERT_TRUE(path.has_value()) << name;
    for (const std::string& entry : *path) EXPECT_EQ(entry, "$ORIGIN") << name;
  }
  EXPECT_EQ(searchPathOf(fs::path(programDirectory()) / "raidmon"), std::vector<std::string>{"$ORIGIN"});
}

}  // namespace
}  // namespace raidmon
