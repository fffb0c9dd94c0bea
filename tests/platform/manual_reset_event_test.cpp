// The manual-reset event on this system: signalled until reset, time-outs that end,
// and a set by the handle the ASPI layer gets that wakes a waiter on another thread.
#include "platform/manual_reset_event.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace raidmon {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(ManualResetEventTest, StaysSignalledUntilResetAndTimesOutWhenNot) {
  ManualResetEvent e;
  ASSERT_TRUE(e.valid());
  EXPECT_FALSE(e.isSet());
  const auto before = Clock::now();
  EXPECT_FALSE(e.waitFor(30ms));
  EXPECT_GE(Clock::now() - before, 30ms);
  e.set();
  EXPECT_TRUE(e.isSet());
  EXPECT_TRUE(e.waitFor(0ms));
  EXPECT_TRUE(e.waitFor(10ms));  // a manual-reset event is not consumed by a wait
  e.wait();
  e.reset();
  EXPECT_FALSE(e.isSet());
  EXPECT_FALSE(e.waitFor(0ms));
}

TEST(ManualResetEventTest, SetByHandleFromAnotherThreadWakesTheWaiter) {
  ManualResetEvent e;
  ASSERT_TRUE(e.valid());
  void* const handle = e.completionHandle();
  ASSERT_NE(handle, nullptr);
  std::thread setter([handle] {
    std::this_thread::sleep_for(20ms);
    ManualResetEvent::setByHandle(handle);
  });
  const auto before = Clock::now();
  EXPECT_TRUE(e.waitFor(10s));
  EXPECT_LT(Clock::now() - before, 5s);
  setter.join();
  EXPECT_TRUE(e.isSet());
}

}  // namespace
}  // namespace raidmon
