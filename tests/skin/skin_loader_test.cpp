// A whole skin read from disk: one decoded copy per bitmap file whatever it is called,
// and a ceiling on what one skin may decode.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/raidmon_error.h"
#include "skin/skin_loader.h"
#include "support/file_system_features.h"
#include "support/bmp_files.h"
#include "support/temp_dir.h"

namespace raidmon {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// Writes `text` as skin.ini in `d`; its path.
std::string writeIni(const test::TempDir& d, const std::string& text) {
  std::ofstream(d / "skin.ini") << text;
  return d.file("skin.ini");
}

TEST(SkinLoaderTest, OneBitmapUnderManyNamesIsDecodedOnce) {
  if (!test::canMakeSymlinks()) GTEST_SKIP() << "symbolic links cannot be made here";
  test::TempDir d("raidmon_skin_loader");
  test::writeFile(d.path() / "big.bmp", encodeBmp24(RgbImage::filled(40, 30, 0x102030)));
  fs::create_symlink(d.path() / "big.bmp", d.path() / "link.bmp");
  // Track bars naming the same file over and over, each time written differently.
  std::string text =
      "[BITMAPINFO]\nMaskBitmap=big.bmp\nMouseUpBitmap=./big.bmp\nMouseDownBitmap=.//big.bmp\n"
      "MouseOnBitmap=link.bmp\n[TRACKBARINFO]\nCount=400\n";
  for (int i = 1; i <= 400; ++i) {
    std::string name = "big.bmp";
    for (int k = 0; k <= i % 7; ++k) name = (k % 2 ? ".//" : "./") + name;
    text += std::to_string(i) + "=T, " + name + ", ." + (i % 2 ? "/" : "//") + "link.bmp, 0, 0, 100, H\n";
  }
  const LoadedSkin skin = loadSkinFiles(writeIni(d, text));
  ASSERT_EQ(skin.trackBars.size(), 400u);
  for (const SkinImage& image : {skin.mouseUp, skin.mouseDown, skin.mouseOn}) EXPECT_EQ(image, skin.mask);
  for (const LoadedTrackBar& bar : skin.trackBars) {
    EXPECT_EQ(bar.thumb, skin.mask);
    EXPECT_EQ(bar.pressedThumb, skin.mask);
    EXPECT_EQ(bar.info.Travel, 60);
  }
}

TEST(SkinLoaderTest, WhatOneSkinDecodesIsBounded) {
  test::TempDir d("raidmon_skin_loader");
  // Distinct files of the largest size the reader takes: two fit, a third does not,
  // and it is refused before its pixels are decoded.
  for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
    test::writeFile(d.path() / name, test::bmp1(4096, 4096, [](int, int) { return false; }));
  }
  const LoadedSkin two = loadSkinFiles(writeIni(d, "[BITMAPINFO]\nMaskBitmap=a.bmp\nMouseUpBitmap=b.bmp\n"));
  EXPECT_EQ(two.mask->width, 4096);
  EXPECT_NE(two.mask, two.mouseUp);
  try {
    loadSkinFiles(writeIni(d, "[BITMAPINFO]\nMaskBitmap=a.bmp\nMouseUpBitmap=b.bmp\nMouseOnBitmap=c.bmp\n"));
    FAIL();
  } catch (const RaidmonError& e) {
    EXPECT_THAT(e.what(), HasSubstr("Skin bitmaps are too large: " + (d.path() / "skin.ini").string()));
  }
  // The same file again costs nothing.
  EXPECT_NO_THROW(loadSkinFiles(writeIni(d, "[BITMAPINFO]\nMaskBitmap=a.bmp\nMouseUpBitmap=b.bmp\n"
                                      "MouseDownBitmap=./a.bmp\nMouseOnBitmap=.//b.bmp\n")));
}

}  // namespace
}  // namespace raidmon
