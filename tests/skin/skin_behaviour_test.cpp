// The skin's mouse handling: hit order, toggles, hover, track drags and window moves.
#include <gtest/gtest.h>

#include "skin/skin_behaviour.h"

namespace raidmon {
namespace {

HotAreaInfoRec area(std::string id, int l, int t, int w, int h, bool toggle = false, bool down = false) {
  return HotAreaInfoRec{std::move(id), l, t, w, h, toggle, down};
}

TrackBarInfoRec bar(std::string id, int l, int t, int travel, int pos, int tw = 10, int th = 8) {
  TrackBarInfoRec b;
  b.ID = std::move(id);
  b.Left = l;
  b.Top = t;
  b.Travel = travel;
  b.Position = static_cast<std::uint8_t>(pos);
  b.ThumbWidth = tw;
  b.ThumbHeight = th;
  return b;
}

TEST(SkinBehaviourTest, FirstHotAreaWinsForPressHoverAndId) {
  SkinBehaviour s;
  s.reset({area("Back", 0, 0, 50, 50), area("Front", 10, 10, 10, 10)}, {}, true);
  const SkinMouseResult down = s.mouseDown(true, 15, 15);
  EXPECT_EQ(down.ID, "Back");
  ASSERT_EQ(down.paints.size(), 1u);
  EXPECT_EQ(down.paints[0].kind, SkinPaint::Kind::CopyFromDown);
  EXPECT_EQ(down.paints[0].rect.Width, 50);
  EXPECT_FALSE(down.startWindowMove);
  EXPECT_EQ(s.mouseMove(15, 15).ID, "Back");
  EXPECT_EQ(s.mouseUp(15, 15).ID, "Back");
  // The right edge and bottom are outside.
  EXPECT_EQ(s.hotAreaAt(50, 10), -1);
  EXPECT_EQ(s.hotAreaAt(49, 49), 0);
}

TEST(SkinBehaviourTest, PressesOutsideMoveTheWindowOnlyForTheLeftButton) {
  SkinBehaviour s;
  s.reset({area("A", 0, 0, 5, 5)}, {}, true);
  SkinMouseResult r = s.mouseDown(true, 30, 30);
  EXPECT_TRUE(r.startWindowMove);
  EXPECT_EQ(r.ID, "");
  r = s.mouseDown(false, 30, 30);
  EXPECT_FALSE(r.startWindowMove);
  r = s.mouseDown(false, 1, 1);  // other buttons never press a hot area
  EXPECT_EQ(r.ID, "");
  EXPECT_TRUE(r.paints.empty());
}

TEST(SkinBehaviourTest, TogglesFlipOnPressAndSurviveTheRepaint) {
  SkinBehaviour s;
  s.reset({area("T", 0, 0, 10, 10, true, false)}, {}, true);
  SkinMouseResult r = s.mouseDown(true, 5, 5);
  EXPECT_TRUE(s.hotAreas()[0].Down);
  ASSERT_EQ(r.paints.size(), 2u);
  EXPECT_EQ(r.paints[1].kind, SkinPaint::Kind::CopyFromDown);
  s.mouseUp(5, 5);
  r = s.mouseDown(true, 5, 5);
  EXPECT_FALSE(s.hotAreas()[0].Down);
  EXPECT_EQ(r.paints[1].kind, SkinPaint::Kind::CopyFromUp);
}

TEST(SkinBehaviourTest, ThumbInsideAHotAreaReportsTheTrackBar) {
  SkinBehaviour s;
  s.reset({area("Panel", 0, 0, 200, 50)}, {bar("Vol", 20, 10, 100, 50)}, true);
  // Thumb at 20 + 100 * 50 / 100 = 70, 10 wide, 8 high.
  const SkinMouseResult r = s.mouseDown(true, 72, 12);
  EXPECT_EQ(r.ID, "Vol");
  EXPECT_TRUE(s.hotAreaPressed());
  EXPECT_TRUE(s.trackDragging());
  EXPECT_EQ(s.activeTrackBar(), 0);
  EXPECT_EQ(s.thumbAt(69, 12), -1);
  EXPECT_EQ(s.thumbAt(79, 17), 0);
  EXPECT_EQ(s.thumbAt(80, 12), -1);
}

TEST(SkinBehaviourTest, DraggingCoversPositionsZeroTo99) {
  SkinBehaviour s;
  s.reset({}, {bar("Vol", 20, 10, 100, 0)}, true);
  ASSERT_EQ(s.mouseDown(true, 21, 12).ID, "Vol");
  EXPECT_EQ(s.mouseMove(20, 12).ID, "Vol");
  EXPECT_EQ(s.trackBars()[0].Position, 0);
  s.mouseMove(70, 12);
  EXPECT_EQ(s.trackBars()[0].Position, 50);
  s.mouseMove(119, 12);
  EXPECT_EQ(s.trackBars()[0].Position, 99);
  const SkinMouseResult edge = s.mouseMove(120, 12);  // the right edge is outside the track
  EXPECT_EQ(edge.ID, "");
  EXPECT_EQ(s.trackBars()[0].Position, 99);
  s.mouseMove(10, 12);  // left of the track: unchanged
  EXPECT_EQ(s.trackBars()[0].Position, 99);
  s.mouseUp(10, 12);
  EXPECT_EQ(s.activeTrackBar(), -1);
  s.mouseMove(30, 12);  // no drag any more
  EXPECT_EQ(s.trackBars()[0].Position, 99);

  // A thumb as wide as its track: no travel, nothing to divide by.
  SkinBehaviour z;
  z.reset({}, {bar("Z", 0, 0, 0, 0)}, true);
  ASSERT_EQ(z.mouseDown(true, 3, 3).ID, "Z");
  EXPECT_EQ(z.mouseMove(0, 3).ID, "");
}

TEST(SkinBehaviourTest, HoverCopiesTheAreaAndRepaintsOnceWhenLeaving) {
  SkinBehaviour s;
  s.reset({area("H", 0, 0, 10, 10)}, {}, true);
  SkinMouseResult r = s.mouseMove(50, 50);
  ASSERT_EQ(r.paints.size(), 1u);  // the load's pending repaint
  EXPECT_EQ(r.paints[0].kind, SkinPaint::Kind::Repaint);
  r = s.mouseMove(5, 5);
  ASSERT_EQ(r.paints.size(), 1u);
  EXPECT_EQ(r.paints[0].kind, SkinPaint::Kind::CopyFromOn);
  EXPECT_TRUE(s.repaintPending());
  r = s.mouseMove(6, 6);  // still inside: the entering repaint, then the hover again
  ASSERT_EQ(r.paints.size(), 2u);
  EXPECT_EQ(r.paints[0].kind, SkinPaint::Kind::Repaint);
  EXPECT_FALSE(s.repaintPending());
  s.mouseMove(60, 60);  // leaving sets the next repaint
  EXPECT_TRUE(s.repaintPending());
  r = s.mouseMove(61, 60);
  ASSERT_EQ(r.paints.size(), 1u);
  EXPECT_FALSE(s.repaintPending());

  SkinBehaviour off;
  off.reset({area("H", 0, 0, 10, 10)}, {}, false);
  off.mouseMove(50, 50);
  r = off.mouseMove(5, 5);
  EXPECT_EQ(r.ID, "H");
  EXPECT_TRUE(r.paints.empty());
}

}  // namespace
}  // namespace raidmon
