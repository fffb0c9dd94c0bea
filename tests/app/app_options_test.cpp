#include "app/app_options.h"

#include <gtest/gtest.h>

#include "platform/os_family.h"

namespace raidmon {
namespace {

TEST(AppOptionsTest, EmulatorScenarioAndFamily) {
  auto r = parseAppOptions({"--emulate"}, std::nullopt);
  EXPECT_TRUE(r) << r.error();
  EXPECT_TRUE(r->emulate);
  EXPECT_EQ(r->scenarioPath, "");
  // Without the option or the variable the family is the system's: NT on Linux, and
  // the NT platform GetVersionExA reports under Wine.
  EXPECT_EQ(systemOsFamily(), kOsFamilyNt);
  EXPECT_EQ(r->osFamily, kOsFamilyNt);

  r = parseAppOptions({"--emulate=/x/y.scn", "--os-family=9x"}, std::string("nt"));
  EXPECT_EQ(r->scenarioPath, "/x/y.scn");
  EXPECT_EQ(r->osFamily, 1);  // the option wins over the environment

  r = parseAppOptions({}, std::string("9x"));
  EXPECT_EQ(r->osFamily, 1);
}

TEST(AppOptionsTest, UnattendedRuns) {
  auto r = parseAppOptions({"--controller=socket:/tmp/k4.sock", "--transcript=-", "--answer-dialogs",
                            "--quit-after=2500", "--loop-time=20"},
                           std::nullopt);
  ASSERT_TRUE(r) << r.error();
  EXPECT_EQ(r->socketPath, "/tmp/k4.sock");
  EXPECT_EQ(r->transcriptPath, "-");
  EXPECT_TRUE(r->answerDialogs);
  EXPECT_EQ(r->quitAfterMs, 2500);
  EXPECT_EQ(r->loopTimeMs, 20);
  for (const char* bad : {"--controller=tcp:1", "--controller=socket:", "--transcript=", "--quit-after=x",
                          "--quit-after=0", "--quit-after=000", "--loop-time=0", "--loop-time=9999999999"}) {
    EXPECT_FALSE(parseAppOptions({bad}, std::nullopt)) << bad;
  }
}

TEST(AppOptionsTest, BadInputIsAnError) {
  EXPECT_FALSE(parseAppOptions({"--os-family=win"}, std::nullopt));
  EXPECT_FALSE(parseAppOptions({"--emulate="}, std::nullopt));
  EXPECT_FALSE(parseAppOptions({"--frobnicate"}, std::nullopt));
  EXPECT_FALSE(parseAppOptions({}, std::string("dos")));
}

TEST(AppOptionsTest, AlertProgramAndTestAlert) {
  auto r = parseAppOptions({"--alert-program=/usr/bin/logger -t 'raid alert'", "--test-alert"}, std::nullopt);
  ASSERT_TRUE(r) << r.error();
  EXPECT_EQ(r->alertProgram, "/usr/bin/logger -t 'raid alert'");  // split later, without a shell
  EXPECT_TRUE(r->testAlert);
  EXPECT_EQ(parseAppOptions({"--alert-program="}, std::nullopt).error(), "--alert-program= needs a command");
  EXPECT_EQ(parseAppOptions({"--alert-program=  "}, std::nullopt).error(), "--alert-program= needs a command");
}

}  // namespace
}  // namespace raidmon
