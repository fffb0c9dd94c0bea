// The window region and the skin at their limits: the region built in one pass is the
// region the 2000-rectangle batches give, and the worst mask and the worst skin the
// readers accept load within a generous ceiling (a bound on time, not a measurement).
#include <gtest/gtest.h>

#include <QWidget>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>

#include "skin/skin_loader.h"
#include "support/bmp_files.h"
#include "support/temp_dir.h"
#include "ui/skin/mask_qregion.h"
#include "ui/skin/skin_widget.h"

namespace raidmon {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr Rgb kWhite{255, 255, 255};

// The region as the batch rule defines it: each batch of runs becomes a region, and
// the batches are OR-combined one after the other.
QRegion batchRuleRegion(const RgbImage& mask) {
  QRegion result;
  bool first = true;
  BuildMaskRegion(mask, kWhite, Rgb{}, [&](const MaskBatch& batch) {
    QRegion part;
    for (const MaskRect& r : batch.rects) part = part.united(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top));
    result = first ? part : result.united(part);
    first = false;
  });
  return result;
}

// Optimised builds get the ceiling the operator cares about; debug and sanitizer builds
// run the same code many times slower.
double slowBuildFactor() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || !defined(NDEBUG)
  return 15.0;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
  return 15.0;
#else
  return 1.0;
#endif
#else
  return 1.0;
#endif
}

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(SkinLimitsTest, OnePassRegionIsTheBatchRulesRegion) {
  std::mt19937 random(7);
  // Rows that repeat (bands that join), rows that differ, empty rows, and rows that a
  // batch boundary cuts in two: 600 x 90 with runs of random length.
  RgbImage mask = RgbImage::filled(600, 90, 0xFFFFFF);
  for (int y = 0; y < 90; ++y) {
    if (y % 9 == 4) continue;  // an empty row
    if (y % 3 == 1) {          // the row above again
      for (int x = 0; x < 600; ++x) mask.set(x, y, mask.at(x, y - 1));
      continue;
    }
    for (int x = 0; x < 600;) {
      const int run = 1 + static_cast<int>(random() % 7);
      for (int i = 0; i < run && x < 600; ++i, ++x) mask.set(x, y, 0x303030);
      x += 1 + static_cast<int>(random() % 5);
    }
  }
  const std::vector<MaskRect> runs = maskRuns(mask, kWhite, Rgb{});
  ASSERT_GT(runs.size(), 3 * kMaskBatchRects);
  const QRegion ours = maskToRegion(mask, kWhite, Rgb{});
  const QRegion batches = batchRuleRegion(mask);
  EXPECT_TRUE(ours.xored(batches).isEmpty());
  EXPECT_LE(ours.rectCount(), batches.rectCount());  // bands as compact as Qt's own
  for (const MaskRect& r : runs) EXPECT_TRUE(ours.contains(QPoint(r.left, r.top)));

  // One batch, one row, one pixel, nothing.
  RgbImage small = RgbImage::filled(7, 3, 0xFFFFFF);
  small.set(3, 1, 0);
  EXPECT_EQ(maskToRegion(small, kWhite, Rgb{}), QRegion(3, 1, 1, 1));
  EXPECT_TRUE(maskToRegion(RgbImage::filled(7, 3, 0xFFFFFF), kWhite, Rgb{}).isEmpty());
  EXPECT_EQ(maskToRegion(RgbImage::filled(7, 3, 0), kWhite, Rgb{}), QRegion(0, 0, 7, 3));
}

TEST(SkinLimitsTest, WorstMaskAndWorstSkinLoadWithinTheirCeilings) {
  test::TempDir temp("raidmon_skin_limits");
  const fs::path dir = temp.path();
  // The largest bitmap the reader takes, as a checkerboard: a run at every other pixel,
  // 8.4 million runs. The skin also has a second face of that size: together they are
  // all the pixels one skin may decode.
  test::writeFile(dir / "mask.bmp", test::checkerboardBmp(4096, 4096));
  test::writeFile(dir / "up.bmp", test::bmp1(4096, 4096, [](int x, int) { return x % 3 == 0; }));
  std::ofstream(dir / "skin.ini") << "[BITMAPINFO]\nMaskBitmap=mask.bmp\nMouseUpBitmap=up.bmp\n";
  const std::string ini = (dir / "skin.ini").string();

  auto start = Clock::now();
  const LoadedSkin skin = loadSkinFiles(ini);
  const double decode = secondsSince(start);
  ASSERT_EQ(skin.mask->width, 4096);
  ASSERT_NE(skin.mask, skin.mouseUp);

  start = Clock::now();
  const QRegion region = maskToRegion(*skin.mask, kWhite, Rgb{});
  const double build = secondsSince(start);
  EXPECT_EQ(region.rectCount(), 4096 * 2048);

  QWidget form;
  SkinWidget widget(&form);
  start = Clock::now();
  widget.LoadSkin(QString::fromStdString(ini));
  const double whole = secondsSince(start);
  EXPECT_EQ(form.size(), QSize(4096, 4096));

  const double factor = slowBuildFactor();
  EXPECT_LT(build, 1.0 * factor) << "region of the worst mask";
  EXPECT_LT(decode, 2.0 * factor) << "decoding the worst skin";
  EXPECT_LT(whole, 5.0 * factor) << "loading the worst skin into the widget";
}

}  // namespace
}  // namespace raidmon
