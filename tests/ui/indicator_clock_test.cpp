// The indicators' shared clock: each GIF decoded once, lamps started together change
// frames together, stop and load as a GIF player does, and no file but a regular one.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QTest>
#include <filesystem>

#include "platform/program_dir.h"
#include "support/temp_dir.h"
#include "ui/main/gif_indicator.h"

namespace raidmon {
namespace {

QString asset(const char* name) { return QString::fromStdString(programDirectory() + name); }

TEST(IndicatorClockTest, OneDecodeSharedAndLampsStartedTogetherStayTogether) {
  IndicatorClock clock;
  GifIndicator a("C1_PM", &clock), b("C1_PS", &clock);
  ASSERT_TRUE(a.load(asset("s_Top_Green.gif")));
  ASSERT_TRUE(b.load(asset("s_Top_Green.gif")));
  EXPECT_EQ(clock.animation(asset("s_Top_Green.gif")).get(), clock.animation(asset("s_Top_Green.gif")).get());
  const auto animation = clock.animation(asset("s_Top_Green.gif"));
  ASSERT_EQ(animation->frames.size(), 10u);
  EXPECT_EQ(animation->delaysMs.front(), 120);
  EXPECT_FALSE(a.playing());
  EXPECT_EQ(a.currentFrame(), 0);

  a.play();
  b.play();
  EXPECT_TRUE(a.playing());
  QTest::qWait(400);  // a little over three frames of 120 ms
  EXPECT_GE(a.currentFrame(), 2);
  EXPECT_EQ(a.currentFrame(), b.currentFrame());

  // A stopped lamp keeps its frame while the other goes on; play starts over.
  b.stop();
  EXPECT_FALSE(b.playing());
  const int held = b.currentFrame();
  QTest::qWait(300);
  EXPECT_EQ(b.currentFrame(), held);
  EXPECT_NE(a.currentFrame(), held);
  b.play();
  EXPECT_EQ(b.currentFrame(), 0);

  // A new file stops the lamp on its first frame.
  ASSERT_TRUE(a.load(asset("s_Orange.gif")));
  EXPECT_FALSE(a.playing());
  EXPECT_EQ(a.currentFrame(), 0);
}

TEST(IndicatorClockTest, MissingAndSpecialFilesGiveNoAnimationWithoutBlocking) {
  IndicatorClock clock;
  GifIndicator lamp("C1_PM", &clock);
  EXPECT_FALSE(lamp.load(asset("no_such.gif")));
  lamp.play();
  EXPECT_FALSE(lamp.playing());
  test::TempDir temp("raidmon_fifo");
  const std::string fifo = temp.file("lamp.gif");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(lamp.load(QString::fromStdString(fifo)));  // returns at once: never opened
  EXPECT_FALSE(lamp.load(asset("C_Logo.Bmp")));  // not a GIF
}

}  // namespace
}  // namespace raidmon
