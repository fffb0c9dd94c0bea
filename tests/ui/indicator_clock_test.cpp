// The indicators' shared clock: each GIF decoded once, lamps started together change
// frames together, stop and load as a GIF player does, and no file but a regular one.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QScreen>
#include <QTest>
#include <QWidget>
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

// What the window shows after the clock's own paint pass, read back from the screen,
// is what a fresh paint of the window gives: the lamps' new frames reached the screen.
TEST(IndicatorClockTest, EachTickPaintsTheNewFramesOnTheScreen) {
  QWidget window;
  window.setFixedSize(80, 40);
  window.setStyleSheet("background: rgb(40, 90, 160)");
  IndicatorClock clock(&window);
  GifIndicator a("C1_PM", &clock, &window), b("C1_PS", &clock, &window);
  a.setGeometry(5, 5, 21, 21);
  b.setGeometry(40, 10, 15, 15);
  ASSERT_TRUE(a.load(asset("s_Top_Green.gif")));
  ASSERT_TRUE(b.load(asset("s_Rebuild_Orange.gif")));
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  a.play();
  b.play();
  for (int round = 0; round < 3; ++round) {
    const int before = a.currentFrame();
    QTest::qWait(130);
    ASSERT_NE(a.currentFrame(), before);
    const QImage shown = window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage fresh = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, fresh) << "round " << round << ", frames " << a.currentFrame() << " and " << b.currentFrame();
  }
}

// Hidden or minimized, the window's lamps hold their frames and the program is not
// woken for them; shown again, they go on from there.
TEST(IndicatorClockTest, AWindowOutOfSightRestsTheClockAndGoesOnWhereItWas) {
  QWidget window;
  window.resize(40, 40);
  IndicatorClock clock(&window);
  GifIndicator lamp("C1_PM", &clock, &window);
  ASSERT_TRUE(lamp.load(asset("s_Top_Green.gif")));
  window.show();
  lamp.play();
  QTest::qWait(300);
  EXPECT_GE(lamp.currentFrame(), 1);

  window.hide();
  QTest::qWait(150);  // the next tick finds the window hidden
  int held = lamp.currentFrame();
  QTest::qWait(400);
  EXPECT_EQ(lamp.currentFrame(), held);
  EXPECT_TRUE(lamp.playing());
  GifIndicator late("C1_PS", &clock, &window);  // started while resting: waits too
  ASSERT_TRUE(late.load(asset("s_Green.gif")));
  late.play();
  QTest::qWait(200);
  EXPECT_EQ(late.currentFrame(), 0);

  window.show();
  QTest::qWait(400);
  EXPECT_NE(lamp.currentFrame(), held);
  EXPECT_GE(late.currentFrame(), 1);

  window.showMinimized();
  QTest::qWait(150);
  held = lamp.currentFrame();
  QTest::qWait(400);
  EXPECT_EQ(lamp.currentFrame(), held);
  window.showNormal();
  QTest::qWait(400);
  EXPECT_NE(lamp.currentFrame(), held);
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
