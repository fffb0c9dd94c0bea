// A whole skin read from disk: one decoded copy per bitmap file whatever it is called,
// and a ceiling on what one skin may decode.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/raidmon_error.h"
#include "skin/skin_loader.h"
#include "support/bmp_files.h"

namespace raidmon {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

struct TempDir {
  TempDir() : path(fs::temp_directory_path() / ("raidmon_skin_loader_" + std::to_string(::getpid()))) {
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~TempDir() { fs::remove_all(path); }
  std::string ini(const std::string& text) const {
    std::ofstream(path / "skin.ini") << text;
    return (path / "skin.ini").string();
  }
  fs::path path;
};

TEST(SkinLoaderTest, OneBitmapUnderManyNamesIsDecodedOnce) {
  TempDir d;
  test::writeFile(d.path / "big.bmp", encodeBmp24(RgbImage::filled(40, 30, 0x102030)));
  fs::create_symlink(d.path / "big.bmp", d.path / "link.bmp");
  // Track bars naming the same file over and over, each time written differently.
  std::string text =
      "[BITMAPINFO]\nMaskBitmap=big.bmp\nMouseUpBitmap=./big.bmp\nMouseDownBitmap=.//big.bmp\n"
      "MouseOnBitmap=link.bmp\n[TRACKBARINFO]\nCount=400\n";
  for (int i = 1; i <= 400; ++i) {
    std::string name = "big.bmp";
    for (int k = 0; k <= i % 7; ++k) name = (k % 2 ? ".//" : "./") + name;
    text += std::to_string(i) + "=T, " + name + ", ." + (i % 2 ? "/" : "//") + "link.bmp, 0, 0, 100, H\n";
  }
  const LoadedSkin skin = loadSkinFiles(d.ini(text));
  ASSERT_EQ(skin.trackBars.size(), 400u);
  for (const SkinImage& image : {skin.mouseUp, skin.mouseDown, skin.mouseOn}) EXPECT_EQ(image, skin.mask);
  for (const LoadedTrackBar& bar : skin.trackBars) {
    EXPECT_EQ(bar.thumb, skin.mask);
    EXPECT_EQ(bar.pressedThumb, skin.mask);
    EXPECT_EQ(bar.info.Travel, 60);
  }
}

TEST(SkinLoaderTest, WhatOneSkinDecodesIsBounded) {
  TempDir d;
  // Distinct files of the largest size the reader takes: two fit, a third does not,
  // and it is refused before its pixels are decoded.
  for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
    test::writeFile(d.path / name, test::bmp1(4096, 4096, [](int, int) { return false; }));
  }
  const LoadedSkin two = loadSkinFiles(d.ini("[BITMAPINFO]\nMaskBitmap=a.bmp\nMouseUpBitmap=b.bmp\n"));
  EXPECT_EQ(two.mask->width, 4096);
  EXPECT_NE(two.mask, two.mouseUp);
  try {
    loadSkinFiles(d.ini("[BITMAPINFO]\nMaskBitmap=a.bmp\nMouseUpBitmap=b.bmp\nMouseOnBitmap=c.bmp\n"));
    FAIL();
  } catch (const RaidmonError& e) {
    EXPECT_THAT(e.what(), HasSubstr("Skin bitmaps are too large: " + (d.path / "skin.ini").string()));
  }
  // The same file again costs nothing.
  EXPECT_NO_THROW(loadSkinFiles(d.ini("[BITMAPINFO]\nMaskBitmap=a.bmp\nMouseUpBitmap=b.bmp\n"
                                      "MouseDownBitmap=./a.bmp\nMouseOnBitmap=.//b.bmp\n")));
}

}  // namespace
}  // namespace raidmon
