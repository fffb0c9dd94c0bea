#include "monitor/drive_position.h"

#include <gtest/gtest.h>

namespace raidmon {
namespace {

TEST(DrivePositionTest, CountsFromOneAndConvertsToTheWireInOnePlace) {
  // The configuration's member record says card 2, position index 3: Secondary Slave.
  const DrivePosition p = DrivePosition::fromWire(2, 3);
  EXPECT_EQ(p, (DrivePosition{2, 4}));
  EXPECT_TRUE(p.valid());
  EXPECT_EQ(p.entry(), 7);
  EXPECT_EQ(p.channel(), 2);
  EXPECT_EQ(p.wirePosition(), 3);
  EXPECT_EQ(p.wireCard(), 1);

  // A value the controller should never send is carried through unchanged, never valid.
  const DrivePosition odd = DrivePosition::fromWire(1, 255);
  EXPECT_FALSE(odd.valid());
  EXPECT_EQ(odd.wirePosition(), 255);

  // Nothing chosen: invalid, and the requests carry position 0 as they always did.
  const DrivePosition none;
  EXPECT_FALSE(none.valid());
  EXPECT_EQ(none.wirePosition(), 0);
  EXPECT_FALSE((DrivePosition{5, 1}).valid());
}

}  // namespace
}  // namespace raidmon
