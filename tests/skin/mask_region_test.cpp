// Mask runs and their batches, the transparent range, and the BMP reader the masks
// come from.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <set>
#include <utility>

#include "platform/raidmon_error.h"
#include "skin/bmp_image.h"
#include "skin/mask_region.h"

namespace raidmon {
namespace {

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kNone{0, 0, 0};

// The pixels covered by a list of rectangles.
std::set<std::pair<int, int>> covered(const std::vector<MaskRect>& rects) {
  std::set<std::pair<int, int>> px;
  for (const MaskRect& r : rects) {
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) EXPECT_TRUE(px.emplace(x, y).second) << "overlap";
    }
  }
  return px;
}

TEST(MaskRegionTest, RunsPerRowTopDown) {
  RgbImage m = RgbImage::filled(6, 2, 0xFFFFFF);
  m.set(1, 0, 0x000000);
  m.set(2, 0, 0x123456);
  m.set(5, 0, 0xFFFFFE);
  m.set(0, 1, 0);
  EXPECT_EQ(maskRuns(m, kWhite, kNone),
            (std::vector<MaskRect>{{1, 0, 3, 1}, {5, 0, 6, 1}, {0, 1, 1, 2}}));
}

TEST(MaskRegionTest, WhiteKeyCutsOnlyPureWhiteWhateverTheTolerance) {
  RgbImage m = RgbImage::filled(4, 1, 0xFFFFFF);
  m.set(1, 0, 0xFEFFFF);
  m.set(2, 0, 0xFFFEFF);
  m.set(3, 0, 0xFFFFFE);
  const std::vector<MaskRect> expected{{1, 0, 4, 1}};
  EXPECT_EQ(maskRuns(m, kWhite, kNone), expected);
  EXPECT_EQ(maskRuns(m, kWhite, Rgb{1, 1, 1}), expected);  // the upper bound stays 255

  // A darker key with a tolerance takes in the range per channel, bounds included.
  RgbImage g = RgbImage::filled(4, 1, 0x101010);
  g.set(1, 0, 0x121212);
  g.set(2, 0, 0x131212);  // red one past the bound
  g.set(3, 0, 0x0F1010);  // red one below the key
  EXPECT_EQ(maskRuns(g, Rgb{0x10, 0x10, 0x10}, Rgb{2, 2, 2}), (std::vector<MaskRect>{{2, 0, 4, 1}}));
  EXPECT_TRUE(TransparentRange(Rgb{250, 0, 0}, Rgb{10, 0, 0}).contains(0xFF0000));
}

TEST(MaskRegionTest, BatchesOfAtMost2000GiveTheSameShape) {
  // A checkerboard of 120 x 80: 4800 single-pixel runs, so three batches.
  RgbImage m = RgbImage::filled(120, 80, 0xFFFFFF);
  for (int y = 0; y < 80; ++y) {
    for (int x = (y % 2); x < 120; x += 2) m.set(x, y, 0x202020);
  }
  std::vector<std::size_t> sizes;
  std::vector<MaskRect> all;
  ASSERT_TRUE(BuildMaskRegion(m, kWhite, kNone, [&](const MaskBatch& b) {
    sizes.push_back(b.rects.size());
    all.insert(all.end(), b.rects.begin(), b.rects.end());
    if (!b.rects.empty()) {
      MaskRect bounds = b.rects.front();
      for (const MaskRect& r : b.rects) {
        bounds = {std::min(bounds.left, r.left), std::min(bounds.top, r.top),
                  std::max(bounds.right, r.right), std::max(bounds.bottom, r.bottom)};
      }
      EXPECT_EQ(b.bounds, bounds);
    }
  }));
  EXPECT_EQ(sizes, (std::vector<std::size_t>{2000, 2000, 800}));
  const auto px = covered(all);
  EXPECT_EQ(px.size(), 4800u);
  for (int y = 0; y < 80; ++y) {
    for (int x = 0; x < 120; ++x) EXPECT_EQ(px.count({x, y}), (x + y) % 2 == 0 ? 1u : 0u);
  }
}

TEST(MaskRegionTest, TransparentAndEmptyMasks) {
  int calls = 0;
  std::size_t rects = 99;
  EXPECT_TRUE(BuildMaskRegion(RgbImage::filled(30, 20, 0xFFFFFF), kWhite, kNone, [&](const MaskBatch& b) {
    ++calls;
    rects = b.rects.size();
  }));
  EXPECT_EQ(calls, 1);  // one empty batch: an empty region
  EXPECT_EQ(rects, 0u);
  EXPECT_FALSE(BuildMaskRegion(RgbImage{}, kWhite, kNone, [&](const MaskBatch&) { ++calls; }));
  EXPECT_EQ(calls, 1);  // no bitmap: no region at all
}

TEST(BmpImageTest, RoundTripAndLayouts) {
  RgbImage img = RgbImage::filled(3, 2, 0x112233);
  img.set(2, 0, 0xFFFFFF);
  img.set(0, 1, 0xA0B0C0);
  const auto bytes = encodeBmp24(img);
  const RgbImage back = decodeBmp(bytes);
  EXPECT_EQ(back.width, 3);
  EXPECT_EQ(back.height, 2);
  EXPECT_EQ(back.pixels, img.pixels);

  // 8-bit palette, top-down (negative height), two colours.
  std::vector<std::uint8_t> pal(14 + 40 + 8 + 4 * 2, 0);
  pal[0] = 'B';
  pal[1] = 'M';
  pal[10] = 14 + 40 + 8;
  pal[14] = 40;
  pal[18] = 2;                                         // width 2
  pal[22] = 0xFE, pal[23] = pal[24] = pal[25] = 0xFF;  // height -2
  pal[26] = 1;
  pal[28] = 8;
  pal[46] = 2;  // colours used
  pal[54] = 0x30, pal[55] = 0x20, pal[56] = 0x10;  // index 0: 0x102030
  pal[58] = 0xFF, pal[59] = 0xFF, pal[60] = 0xFF;  // index 1: white
  pal[62] = 1, pal[63] = 0;                        // row 0: white, index 0
  pal[66] = 0, pal[67] = 1;                        // row 1
  const RgbImage p = decodeBmp(pal);
  EXPECT_EQ(p.pixels, (std::vector<std::uint32_t>{0xFFFFFF, 0x102030, 0x102030, 0xFFFFFF}));

  pal[63] = 2;  // index past the palette
  EXPECT_THROW(decodeBmp(pal), RaidmonError);
}

TEST(BmpImageTest, MalformedFilesAreRefused) {
  const auto good = encodeBmp24(RgbImage::filled(4, 4, 0));
  auto truncated = good;
  truncated.resize(good.size() - 13);
  EXPECT_THROW(decodeBmp(truncated), RaidmonError);
  auto huge = good;
  huge[18] = 0xFF, huge[19] = 0xFF, huge[20] = 0xFF, huge[21] = 0x7F;  // width 2^31 - 1
  EXPECT_THROW(decodeBmp(huge), RaidmonError);
  auto rle = good;
  rle[30] = 1;
  EXPECT_THROW(decodeBmp(rle), RaidmonError);
  auto badOffset = good;
  badOffset[10] = 0xFF, badOffset[11] = 0xFF;
  EXPECT_THROW(decodeBmp(badOffset), RaidmonError);
  EXPECT_THROW(decodeBmp(std::vector<std::uint8_t>{'B', 'M'}), RaidmonError);
  try {
    loadBmpFile("/nonexistent/a.bmp");
    FAIL();
  } catch (const RaidmonError& e) {
    EXPECT_STREQ(e.what(), "Cannot open file \"/nonexistent/a.bmp\"");
  }
}

}  // namespace
}  // namespace raidmon
