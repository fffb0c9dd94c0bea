#include "platform/thread_affinity.h"

#include <gtest/gtest.h>

#include <thread>

namespace raidmon {
namespace {

TEST(ThreadAffinityTest, KnowsTheThreadThatMadeIt) {
  const ThreadAffinity affinity;
  EXPECT_TRUE(affinity.onOwnerThread());
  affinity.check("Owner");  // the owner's own calls pass
  bool elsewhere = true;
  std::thread([&] { elsewhere = affinity.onOwnerThread(); }).join();
  EXPECT_FALSE(elsewhere);
}

#ifndef NDEBUG
TEST(ThreadAffinityDeathTest, DebugBuildsStopACallFromAnotherThread) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const ThreadAffinity affinity;
  EXPECT_DEATH(std::thread([&] { affinity.check("Monitor"); }).join(),
               "Monitor used off the thread that owns it");
}
#endif

}  // namespace
}  // namespace raidmon
