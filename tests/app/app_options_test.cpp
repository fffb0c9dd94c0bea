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

TEST(AppOptionsTest, BadInputIsAnError) {
  EXPECT_FALSE(parseAppOptions({"--os-family=win"}, std::nullopt).error.empty());
  EXPECT_FALSE(parseAppOptions({"--emulate="}, std::nullopt).error.empty());
  EXPECT_FALSE(parseAppOptions({"--frobnicate"}, std::nullopt).error.empty());
  EXPECT_FALSE(parseAppOptions({}, std::string("dos")).error.empty());
}

}  // namespace
}  // namespace raidmon
