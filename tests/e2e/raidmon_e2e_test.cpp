// The whole program as an operator runs it, against emulated controllers, checked
// through its transcript.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <utility>

#include "emulator/scenario_parser.h"
#include "raidmon_run.h"
#include "support/temp_dir.h"

namespace raidmon {
namespace {

using test::RaidmonRun;

std::string defaultWith(const std::string& extra) {
  return std::string(emu::defaultScenarioText()) + "\n" + extra;
}

TEST(RaidmonEndToEnd, TheRoadOfOneEvent) {
  RaidmonRun run(defaultWith("at 4 pull 1.2\n"), {"--loop-time=40"});
  ASSERT_TRUE(run.started());
  ASSERT_TRUE(run.waitFor("trace\tDEVICE_IO_TRUE->IsHereHdd"));
  // The first cycle logs the drives present at start; the pull itself raises no notice.
  EXPECT_EQ(run.count("row\tCard 1 Primary Slave\tConnected\t"), 1);
  EXPECT_EQ(run.count("row\tCard 1 Primary Slave\tDiconnected\t"), 0);
  for (const auto& l : run.lines()) EXPECT_EQ(l.rfind("notice", 0), std::string::npos) << l;
}

TEST(RaidmonEndToEnd, HotPlugPullAndReinsert) {
  RaidmonRun run(defaultWith("hotplug 1 1\nat 4 pull 1.2\nat 70 insert 1.2\n"), {"--loop-time=15"});
  const std::string connected =
      "notice\tA Hard Disk has been connected to\tRAID controller !\t( location : Card 1 Primary Slave)";
  ASSERT_TRUE(run.waitFor(connected));
  // Announced again once it is back and configured.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (run.count(connected) < 2 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(run.count(connected), 2);
  EXPECT_GE(run.count("trace\tDEVICE_IO_TRUE->PioStatus"), 1);
}

TEST(RaidmonEndToEnd, AutomaticRebuildStartsCompletesAndIsAnnounced) {
  const std::string scenario =
      "port 1 driver \\Device\\tavrixRX0\naspi 1 0\nflash maker 0x40\n"
      "drive 1.1 model \"SOURCE\" sectors 300000\ndrive 1.2 model \"TARGET\" sectors 300000\n"
      "array 4 0 1.1 1.2\ncapacity 300000\n"
      "at 4 rebuild 1.2 from 1.1\nat 6 rebuild-time 1\n";
  for (const char* family : {"--os-family=nt", "--os-family=9x"}) {
    SCOPED_TRACE(family);
    RaidmonRun run(scenario, {"--loop-time=40", family});
    ASSERT_TRUE(run.waitFor("confirm\tPress OK to start REBUILD"));
    ASSERT_TRUE(run.waitFor("row\tCard1 S:PM Card1 T:PS\tRebuild Start\t"));
    ASSERT_TRUE(run.waitFor("row\tCard1 S:PM Card1 T:PS\tRebuild End\t"));
    ASSERT_TRUE(run.waitFor("notice\t\tRebuild Process Complete!\t"));
    EXPECT_EQ(run.count("box\tTAVRIX DMA Failed!"), 0);
  }
}

TEST(RaidmonEndToEnd, FlashUpdateFromTheCommandLine) {
  // Ten blocks with a settings block; the default controller's chip needs an erase.
  test::TempDir temp("raidmon_e2e");
  const auto image = temp / "image.bin";
  {
    std::string bytes(10 * 128, '\x5A');
    bytes.replace(128, 4, "\x40\x5E\x5E\x41");
    std::ofstream(image, std::ios::binary) << bytes;
  }
  for (const char* family : {"--os-family=nt", "--os-family=9x"}) {
    SCOPED_TRACE(family);
    RaidmonRun run(std::string(emu::defaultScenarioText()), {family, "--flash-update=" + image.string()});
    ASSERT_TRUE(run.waitFor("confirm\tPress OK to start Flash Update"));
    ASSERT_TRUE(run.waitFor("notice\t\tFlash Rom Erase.. \t"));
    ASSERT_TRUE(run.waitFor("row\tCard 1\tFlash ROM Update Complete!\t" + image.string()));
    EXPECT_TRUE(run.waitFor("box\tUpdate Complete"));
  }
}

TEST(RaidmonEndToEnd, ATransferThatKeepsFailingIsReportedAsAFailureWithoutTheOperator) {
  const std::string scenario =
      "port 1 driver \\Device\\tavrixRX0\naspi 1 0\nflash maker 0x40\n"
      "drive 1.1 model \"SOURCE\" sectors 300000\ndrive 1.2 model \"TARGET\" sectors 300000\n"
      "drive 1.3 model \"SINGLE\" sectors 300000\n"
      "array 4 0 1.1 1.2\narray 1 1 1.3\ncapacity 300000\n"
      "fail 0x80018004 1000000 at 4096 mode zero\n"
      "at 4 rebuild 1.2 from 1.1\nat 6 rebuild-time 1\nat 30 pull 1.3\n";
  for (const char* family : {"--os-family=nt", "--os-family=9x"}) {
    SCOPED_TRACE(family);
    RaidmonRun run(scenario, {"--loop-time=40", family});
    ASSERT_TRUE(run.waitFor("row\tCard1 S:PM Card1 T:PS\tRebuild Start\t"));
    ASSERT_TRUE(run.waitFor("box\tTAVRIX DMA Failed!"));
    // The poll timer reports it by itself, and polling goes on: a later pull is seen.
    ASSERT_TRUE(run.waitFor("notice\t\tRebuild Process Fail!\t"));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (run.count("trace\tDEVICE_IO_TRUE->IsHereHdd") < 2 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const auto lines = run.lines();
    const auto fail = std::find(lines.begin(), lines.end(), "notice\t\tRebuild Process Fail!\t");
    EXPECT_NE(std::find(fail, lines.end(), "trace\tDEVICE_IO_TRUE->IsHereHdd"), lines.end());
    EXPECT_EQ(run.count("box\tTAVRIX DMA Failed!"), 1);
    EXPECT_EQ(run.count("notice\t\tRebuild Process Complete!\t"), 0);
    EXPECT_EQ(run.count("notice\t\tRebuild Process Cancel!\t"), 0);
    EXPECT_EQ(run.count("row\tCard1 S:PM Card1 T:PS\tRebuild End\t"), 0);
    EXPECT_EQ(run.count("confirm\tAre you sure to finish rebuilding ? "), 0);
  }
}

TEST(RaidmonEndToEnd, AFlashUpdateWhoseProgramStepFailsIsReportedAsAFailure) {
  test::TempDir temp("raidmon_e2e_fail");
  const auto image = temp / "image.bin";
  std::ofstream(image, std::ios::binary) << std::string(10 * 128, '\x5A');
  for (const char* family : {"--os-family=nt", "--os-family=9x"}) {
    SCOPED_TRACE(family);
    RaidmonRun run(defaultWith("fail 0x10 1 at 640\n"), {family, "--flash-update=" + image.string()});
    ASSERT_TRUE(run.waitFor("row\tCard 1\tFlash ROM Update Fail!\t" + image.string()));
    EXPECT_TRUE(run.waitFor("error\tUpdate Fail, ROM Update Restart"));
    EXPECT_EQ(run.count("box\tUpdate Complete"), 0);
    EXPECT_EQ(run.count("trace\tFlash update failed: program (0x10) at offset 640 not done by the controller"), 1);
  }
}

// Runs a shell command with no display in its environment and returns what it wrote to
// standard output, and its exit status.
std::pair<std::string, int> runWithoutDisplay(const std::string& command) {
  const std::string full = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + command + " 2>/dev/null";
  FILE* pipe = ::popen(full.c_str(), "r");
  if (pipe == nullptr) return {"", -1};
  std::string out;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
  const int status = ::pclose(pipe);
  return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(RaidmonEndToEnd, HelpWorksWithoutADisplay) {
  const auto [out, status] = runWithoutDisplay("'" + programDirectory() + "raidmon' --help");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out.rfind("usage: raidmon", 0), 0u) << out;
}

// The run script on a machine without a display: the monitor's transcript reaches the
// terminal, so whoever started it sees the drives reported.
TEST(RaidmonEndToEnd, RunScriptWithoutADisplayWritesTheTranscriptToTheTerminal) {
  const auto [out, status] =
      runWithoutDisplay("RAIDMON_BIN_DIR='" + programDirectory() + "' bash '" RAIDMON_SOURCE_DIR
                        "/scripts/run.sh' --emulate --loop-time=50 --quit-after=4000");
  EXPECT_EQ(status, 0);
  EXPECT_NE(out.find("No display:"), std::string::npos) << out;
  EXPECT_NE(out.find("\ttrace\tEyeSetting"), std::string::npos) << out;
  EXPECT_NE(out.find("\trow\tCard 1 Primary Master\tConnected\t"), std::string::npos) << out;
}

}  // namespace
}  // namespace raidmon
