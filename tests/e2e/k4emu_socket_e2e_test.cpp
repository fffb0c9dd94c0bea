// raidmon and the controller in separate processes: `k4emu serve` on a Unix socket,
// raidmon --controller=socket:PATH on both families, events from `k4emu inject`.
#include <gtest/gtest.h>

#include <filesystem>

#include "emulator/scenario_parser.h"
#include "k4emu_run.h"

namespace raidmon {
namespace {

using test::K4emuServer;
using test::SocketRaidmon;
using test::TempDir;

const std::string kStarted = "row\tCard 1 Primary Slave\tConnected\t";
const std::string kIsHere = "trace\tDEVICE_IO_TRUE->IsHereHdd";

std::string defaultWith(const std::string& extra) {
  return std::string(emu::defaultScenarioText()) + "\n" + extra;
}

TEST(K4emuSocketEndToEnd, InjectedPullReachesRaidmonOnBothFamilies) {
  for (const char* family : {"--os-family=nt", "--os-family=9x"}) {
    SCOPED_TRACE(family);
    TempDir dir;
    K4emuServer server(dir, defaultWith(""));
    ASSERT_TRUE(server.waitReady()) << server.log();
    SocketRaidmon raidmon(dir, server.socket(), {family});
    ASSERT_TRUE(raidmon.waitFor(kStarted)) << raidmon.errors();
    const int before = raidmon.count(kIsHere);
    EXPECT_EQ(server.inject({"pull 1.2"}), 0);
    EXPECT_TRUE(raidmon.waitFor(kIsHere, before + 1)) << raidmon.errors();
    EXPECT_EQ(server.inject({"pull 9.9"}), 2) << "a bad event is refused";
    EXPECT_TRUE(raidmon.process().running());
  }
}

TEST(K4emuSocketEndToEnd, InjectedHotPlugPullIsAnnounced) {
  TempDir dir;
  K4emuServer server(dir, defaultWith("hotplug 1 1\n"));
  ASSERT_TRUE(server.waitReady()) << server.log();
  SocketRaidmon raidmon(dir, server.socket(), {});
  const std::string notice =
      "notice\tA Hard Disk has been connected to\tRAID controller !\t( location : Card 1 Primary Slave)";
  ASSERT_TRUE(raidmon.waitFor(kStarted)) << raidmon.errors();
  EXPECT_EQ(raidmon.count(notice), 0);
  EXPECT_EQ(server.inject({"pull 1.2"}), 0);
  EXPECT_TRUE(raidmon.waitFor(notice)) << raidmon.errors();
  EXPECT_GE(raidmon.count("trace\tDEVICE_IO_TRUE->PioStatus"), 1);
}

TEST(K4emuSocketEndToEnd, InjectedRebuildRunsToTheEndAcrossTheSocket) {
  const std::string scenario =
      "port 1 driver \\Device\\tavrixRX0\naspi 1 0\nflash maker 0x40\n"
      "drive 1.1 model \"SOURCE\" sectors 300000\ndrive 1.2 model \"TARGET\" sectors 300000\n"
      "array 4 0 1.1 1.2\ncapacity 300000\n";
  for (const char* family : {"--os-family=nt", "--os-family=9x"}) {
    SCOPED_TRACE(family);
    TempDir dir;
    K4emuServer server(dir, scenario);
    ASSERT_TRUE(server.waitReady()) << server.log();
    SocketRaidmon raidmon(dir, server.socket(), {family});
    ASSERT_TRUE(raidmon.waitFor("row\tCard 1 Primary Master\tConnected\t")) << raidmon.errors();
    EXPECT_EQ(server.inject({"rebuild 1.2 from 1.1", "rebuild-time 1"}), 0);
    ASSERT_TRUE(raidmon.waitFor("row\tCard1 S:PM Card1 T:PS\tRebuild Start\t"));
    EXPECT_TRUE(raidmon.waitFor("notice\t\tRebuild Process Complete!\t", 1, 60));
    EXPECT_EQ(raidmon.count("box\tTAVRIX DMA Failed!"), 0);
  }
}

TEST(K4emuSocketEndToEnd, RaidmonOutlivesTheServerAndTheServerCleansUp) {
  TempDir dir;
  K4emuServer server(dir, defaultWith(""));
  ASSERT_TRUE(server.waitReady()) << server.log();
  SocketRaidmon raidmon(dir, server.socket(), {});
  ASSERT_TRUE(raidmon.waitFor(kStarted)) << raidmon.errors();

  server.process().signal(SIGTERM);
  const int status = server.process().wait(5);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_FALSE(std::filesystem::exists(server.socket())) << "socket left behind";

  // raidmon's requests now fail; it goes on polling and can still be ended normally.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_TRUE(raidmon.process().running());
  EXPECT_NE(raidmon.errors().find("lost the controller connection"), std::string::npos)
      << raidmon.errors();
  EXPECT_EQ(server.inject({"pull 1.2"}), 2) << "inject without a server";
}

TEST(K4emuSocketEndToEnd, StaleSocketOfAKilledServerIsReplaced) {
  TempDir dir;
  {
    K4emuServer killed(dir, defaultWith(""));
    ASSERT_TRUE(killed.waitReady());
    killed.process().signal(SIGKILL);
    killed.process().wait(5);
    ASSERT_TRUE(std::filesystem::exists(killed.socket()));
  }
  K4emuServer server(dir, defaultWith(""));
  ASSERT_TRUE(server.waitReady()) << server.log();
  EXPECT_EQ(server.inject({"pull 1.2", "insert 1.2"}), 0);
  // A second server on a live socket is refused and leaves it alone.
  K4emuServer second(dir, defaultWith(""));
  const int status = second.process().wait(5);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << second.log();
  EXPECT_NE(second.log().find("already listening"), std::string::npos) << second.log();
  EXPECT_EQ(server.inject({"stall off"}), 0);
}

TEST(K4emuSocketEndToEnd, MissingSocketEndsRaidmonWithStatusTwo) {
  TempDir dir;
  SocketRaidmon raidmon(dir, dir.file("nobody.sock"), {});
  const int status = raidmon.process().wait(10);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 2);
  EXPECT_NE(raidmon.errors().find("no controller socket at"), std::string::npos) << raidmon.errors();
}

TEST(K4emuSocketEndToEnd, ASecondRaidmonOfTheSameControllerSaysSoAndEnds) {
  TempDir dir;
  K4emuServer server(dir, defaultWith(""));
  ASSERT_TRUE(server.waitReady()) << server.log();
  SocketRaidmon first(dir, server.socket(), {});
  ASSERT_TRUE(first.waitFor(kStarted)) << first.errors();
  TempDir otherDir;
  SocketRaidmon second(otherDir, server.socket(), {"--os-family=9x"});
  const int status = second.process().wait(10);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 2);
  EXPECT_NE(second.errors().find("already monitors this controller"), std::string::npos) << second.errors();
  EXPECT_EQ(second.count(kStarted), 0);
  EXPECT_TRUE(first.process().running());
}

TEST(K4emuSocketEndToEnd, AStalledServerIsGivenUpOnAfterThePacketTimeOut) {
  TempDir dir;
  K4emuServer server(dir, defaultWith(""));
  ASSERT_TRUE(server.waitReady()) << server.log();
  ::setenv("K4_PACKET_TIMEOUT_MS", "1500", 1);
  SocketRaidmon raidmon(dir, server.socket(), {"--quit-after=4000"});
  ::unsetenv("K4_PACKET_TIMEOUT_MS");
  ASSERT_TRUE(raidmon.waitFor(kStarted)) << raidmon.errors();
  const auto stalled = std::chrono::steady_clock::now();
  EXPECT_EQ(server.inject({"stall on"}), 0);
  // The request held back fails after the time-out, and the program still quits on time.
  const int status = raidmon.process().wait(20);
  const auto took = std::chrono::steady_clock::now() - stalled;
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_LT(took, std::chrono::seconds(8));
  EXPECT_NE(raidmon.errors().find("lost the controller connection: no answer from the server"), std::string::npos)
      << raidmon.errors();
  EXPECT_EQ(server.inject({"stall off"}), 0);
}

}  // namespace
}  // namespace raidmon
