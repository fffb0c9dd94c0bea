#include "app/app_options.h"

#include <gtest/gtest.h>

namespace raidmon {
namespace {

TEST(AppOptionsTest, EmulatorScenarioAndFamily) {
  auto r = parseAppOptions({"--emulate"}, std::nullopt);
  EXPECT_TRUE(r.error.empty());
  EXPECT_TRUE(r.options.emulate);
  EXPECT_EQ(r.options.scenarioPath, "");
  EXPECT_EQ(r.options.osFamily, 2);

  r = parseAppOptions({"--emulate=/x/y.scn", "--os-family=9x"}, std::string("nt"));
  EXPECT_EQ(r.options.scenarioPath, "/x/y.scn");
  EXPECT_EQ(r.options.osFamily, 1);  // the option wins over the environment

  r = parseAppOptions({}, std::string("9x"));
  EXPECT_EQ(r.options.osFamily, 1);
}

TEST(AppOptionsTest, UnattendedRuns) {
  auto r = parseAppOptions({"--controller=socket:/tmp/k4.sock", "--transcript=-", "--answer-dialogs",
                            "--quit-after=2500", "--loop-time=20"},
                           std::nullopt);
  ASSERT_TRUE(r.error.empty()) << r.error;
  EXPECT_EQ(r.options.socketPath, "/tmp/k4.sock");
  EXPECT_EQ(r.options.transcriptPath, "-");
  EXPECT_TRUE(r.options.answerDialogs);
  EXPECT_EQ(r.options.quitAfterMs, 2500);
  EXPECT_EQ(r.options.loopTimeMs, 20);
  for (const char* bad : {"--controller=tcp:1", "--controller=socket:", "--transcript=", "--quit-after=x",
                          "--quit-after=0", "--quit-after=000", "--loop-time=0", "--loop-time=9999999999"}) {
    EXPECT_FALSE(parseAppOptions({bad}, std::nullopt).error.empty()) << bad;
  }
}

TEST(AppOptionsTest, BadInputIsAnError) {
  EXPECT_FALSE(parseAppOptions({"--os-family=win"}, std::nullopt).error.empty());
  EXPECT_FALSE(parseAppOptions({"--emulate="}, std::nullopt).error.empty());
  EXPECT_FALSE(parseAppOptions({"--frobnicate"}, std::nullopt).error.empty());
  EXPECT_FALSE(parseAppOptions({}, std::string("dos")).error.empty());
}

TEST(AppOptionsTest, AlertProgramAndTestAlert) {
  auto r = parseAppOptions({"--alert-program=/usr/bin/logger -t 'raid alert'", "--test-alert"}, std::nullopt);
  ASSERT_TRUE(r.error.empty()) << r.error;
  EXPECT_EQ(r.options.alertProgram, "/usr/bin/logger -t 'raid alert'");  // split later, without a shell
  EXPECT_TRUE(r.options.testAlert);
  EXPECT_EQ(parseAppOptions({"--alert-program="}, std::nullopt).error, "--alert-program= needs a command");
  EXPECT_EQ(parseAppOptions({"--alert-program=  "}, std::nullopt).error, "--alert-program= needs a command");
}

}  // namespace
}  // namespace raidmon
