// Skin INI reading: field splitting, strict integers, entry rules and the bounds that
// keep a hostile file from sizing anything.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include "platform/raidmon_error.h"
#include "skin/skin_fields.h"
#include "skin/skin_file.h"

namespace raidmon {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(SplitSkinFieldsTest, BlanksQuotesAndEmptyFields) {
  EXPECT_THAT(SplitSkinFields("Play, 10, 20,30 ,40"), ElementsAre("Play", "10", "20", "30 ", "40"));
  EXPECT_THAT(SplitSkinFields("  \t a b ,c"), ElementsAre("a b ", "c"));
  EXPECT_THAT(SplitSkinFields("a,,b"), ElementsAre("a", "", "b"));
  EXPECT_THAT(SplitSkinFields(",a"), ElementsAre("", "a"));
  EXPECT_THAT(SplitSkinFields("a,"), ElementsAre("a"));
  EXPECT_THAT(SplitSkinFields(R"("say ""hi"", then go",x)"), ElementsAre(R"(say "hi", then go)", "x"));
  EXPECT_THAT(SplitSkinFields(R"("open)"), ElementsAre("open"));
  EXPECT_THAT(SplitSkinFields("a\tb"), ElementsAre("a", "b"));  // a control character ends a field
  EXPECT_THAT(SplitSkinFields(std::string_view("a,b\0,c", 6)), ElementsAre("a", "b"));
  EXPECT_TRUE(SplitSkinFields("").empty());
  EXPECT_TRUE(SplitSkinFields(" \r\n").empty());
}

TEST(SplitSkinFieldsTest, IntegersAreStrict) {
  EXPECT_EQ(skinInteger("42"), 42);
  EXPECT_EQ(skinInteger("-7"), -7);
  EXPECT_EQ(skinInteger("$FF"), 255);
  EXPECT_EQ(skinInteger("$00FFFFFF"), 0xFFFFFF);
  for (const char* bad : {"", "1 ", "0x10", "12a", "clBlack", "99999999999"}) {
    try {
      skinInteger(bad);
      ADD_FAILURE() << bad;
    } catch (const RaidmonError& e) {
      EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid integer value");
    }
  }
}

std::string errorOf(std::string_view text) {
  try {
    parseSkinText(text, "/s/", "t.ini");
  } catch (const RaidmonError& e) {
    return e.what();
  }
  return {};
}

TEST(SkinFileTest, BitmapNamesChainTheirDefaults) {
  SkinDescription only = parseSkinText("[BITMAPINFO]\nMaskBitmap=m.bmp\n", "/s/");
  EXPECT_EQ(only.MaskBitmap, "/s/m.bmp");
  EXPECT_EQ(only.MouseUpBitmap, "/s/m.bmp");
  EXPECT_EQ(only.MouseDownBitmap, "/s/m.bmp");
  EXPECT_EQ(only.MouseOnBitmap, "/s/m.bmp");
  EXPECT_FALSE(only.HoverEnabled);

  SkinDescription all = parseSkinText(
      "[bitmapinfo]\nMaskBitmap=m.bmp\nMouseUpBitmap=u.bmp\nMouseDownBitmap=d.bmp\nMouseOnBitmap=o.bmp\n", "/s/");
  EXPECT_EQ(all.MouseOnBitmap, "/s/o.bmp");
  EXPECT_TRUE(all.HoverEnabled);
  // The comparison is exact: a name differing only in case keeps hover on.
  EXPECT_TRUE(parseSkinText("[BITMAPINFO]\nMouseDownBitmap=d.bmp\nMouseOnBitmap=D.bmp\n", "/s/").HoverEnabled);
  EXPECT_EQ(parseSkinText("", "/s/").MaskBitmap, "/s/ERROR");
}

TEST(SkinFileTest, HotAreaToggleRules) {
  const SkinDescription s = parseSkinText(
      "[HOTAREAINFO]\nCount=5\n1=Push, 1, 2, 3, 4\n2=Up, 0, 0, 5, 5, FALSE\n3=DownT, 0, 0, 5, 5, TRUE\n"
      "4=Lower, 0, 0, 5, 5, false\n5=Seven, 0, 0, 5, 5, FALSE, extra\n",
      "/s/");
  ASSERT_EQ(s.HotAreas.size(), 5u);
  EXPECT_FALSE(s.HotAreas[0].IsToggle);
  EXPECT_EQ(s.HotAreas[0].Left, 1);
  EXPECT_EQ(s.HotAreas[0].Height, 4);
  EXPECT_TRUE(s.HotAreas[1].IsToggle);
  EXPECT_FALSE(s.HotAreas[1].Down);
  EXPECT_TRUE(s.HotAreas[2].Down);
  EXPECT_TRUE(s.HotAreas[3].Down);  // only "FALSE" exactly starts a toggle up
  EXPECT_FALSE(s.HotAreas[4].IsToggle);  // seven fields: a push area
}

TEST(SkinFileTest, TextItemsAndTrackBars) {
  const SkinDescription s = parseSkinText(
      "[DISPLAYINFO]\nCount=2\nCharset=$80\n1=Title, Arial, TRUE, true, 9, $0000FF, 3, 4, \"K4, ready\"\n"
      "2=Plain, Tahoma, FALSE, FALSE, 8, 0, 1, 2\n"
      "[TRACKBARINFO]\nCount=2\n1=Vol, t.bmp, tp.bmp, 10, 20, 100, V, 42\n2=Bal, t.bmp, tp.bmp, 0, 0, 50, H\n",
      "/s/");
  ASSERT_EQ(s.Texts.size(), 2u);
  EXPECT_EQ(s.Charset, 0x80);
  EXPECT_TRUE(s.Texts[0].Font.Bold);
  EXPECT_FALSE(s.Texts[0].Font.Italic);
  EXPECT_EQ(s.Texts[0].Font.Color, 0xFFu);
  EXPECT_EQ(s.Texts[0].Font.Charset, 0x80);
  EXPECT_EQ(s.Texts[0].Text, "K4, ready");
  EXPECT_EQ(s.Texts[1].Text, "");
  ASSERT_EQ(s.TrackBars.size(), 2u);
  EXPECT_EQ(s.TrackBars[0].ThumbFile, "/s/t.bmp");
  EXPECT_FALSE(s.TrackBars[0].Horizontal);
  EXPECT_EQ(s.TrackBars[0].Position, 42);
  EXPECT_TRUE(s.TrackBars[1].Horizontal);
  EXPECT_EQ(s.TrackBars[1].Position, 0);
}

TEST(SkinFileTest, BadEntriesFailTheWholeSkin) {
  // A blank before a comma stays in the number; blanks after commas are harmless.
  EXPECT_THAT(errorOf("[HOTAREAINFO]\nCount=1\n1=A, 1 , 2, 3, 4\n"),
              HasSubstr("'1 ' is not a valid integer value"));
  EXPECT_THAT(errorOf("[HOTAREAINFO]\nCount=1\n1=A, 1, 2, 3\n"), HasSubstr("List index out of bounds (4)"));
  EXPECT_THAT(errorOf("[DISPLAYINFO]\nCount=1\n1=T, Arial, FALSE, FALSE, 8, clBlack, 0, 0\n"),
              HasSubstr("'clBlack' is not a valid integer value"));
  EXPECT_THAT(errorOf("[TRACKBARINFO]\nCount=1\n1=T, a.bmp, b.bmp, 0, 0, 10\n"),
              HasSubstr("List index out of bounds (6)"));
  EXPECT_THAT(errorOf("[HOTAREAINFO]\nCount=ten\n"), HasSubstr("'ten' is not a valid integer value"));
  EXPECT_THAT(errorOf("[HOTAREAINFO]\nCount=-1\n"), HasSubstr("not a valid number of entries"));
  // The message says where.
  EXPECT_THAT(errorOf("[HOTAREAINFO]\nCount=1\n1=A, x, 2, 3, 4\n"), HasSubstr("t.ini, [HOTAREAINFO] 1"));
}

TEST(SkinFileTest, CountBeyondTheEntriesFailsWithoutSizingAnything) {
  for (const char* section : {"HOTAREAINFO", "DISPLAYINFO", "TRACKBARINFO"}) {
    const std::string text = "[" + std::string(section) + "]\nCount=2147483647\n";
    EXPECT_THAT(errorOf(text), HasSubstr("the entry is missing")) << section;
  }
  EXPECT_THAT(errorOf("[HOTAREAINFO]\nCount=3\n1=A,0,0,1,1\n2=B,0,0,1,1\n"), HasSubstr("[HOTAREAINFO] 3"));
}

TEST(SkinFileTest, ExtremeValuesAreRefusedWithTheConversionError) {
  // Values a widget would overflow on (a width added to a left edge, a font height
  // negated): each refused where it stands, naming its field.
  const struct {
    const char* text;
    const char* field;
  } cases[] = {
      {"[HOTAREAINFO]\nCount=1\n1=A, 0, 0, 2147483647, 5\n", "2147483647"},
      {"[HOTAREAINFO]\nCount=1\n1=A, -2147483648, 0, 5, 5\n", "-2147483648"},
      {"[HOTAREAINFO]\nCount=1\n1=A, 0, $7FFFFFFF, 5, 5\n", "$7FFFFFFF"},
      {"[HOTAREAINFO]\nCount=1\n1=A, 0, 0, 5, 65536\n", "65536"},
      {"[DISPLAYINFO]\nCount=1\n1=T, Arial, FALSE, FALSE, -2147483648, 0, 0, 0\n", "-2147483648"},
      {"[DISPLAYINFO]\nCount=1\n1=T, Arial, FALSE, FALSE, 1001, 0, 0, 0\n", "1001"},
      {"[DISPLAYINFO]\nCount=1\n1=T, Arial, FALSE, FALSE, 8, 0, 2147483647, 0\n", "2147483647"},
      {"[DISPLAYINFO]\nCount=1\n1=T, Arial, FALSE, FALSE, 8, 0, 0, $80000000\n", "$80000000"},
      {"[TRACKBARINFO]\nCount=1\n1=T, a.bmp, b.bmp, -65536, 0, 10, H\n", "-65536"},
      {"[TRACKBARINFO]\nCount=1\n1=T, a.bmp, b.bmp, 0, 0, -2147483648, H\n", "-2147483648"},
  };
  for (const auto& c : cases) {
    EXPECT_THAT(errorOf(c.text), HasSubstr("'" + std::string(c.field) + "' is not a valid integer value"))
        << c.text;
  }
  // The bounds themselves are taken; colours keep all 32 bits.
  const SkinDescription s = parseSkinText(
      "[HOTAREAINFO]\nCount=1\n1=A, -65535, 65535, 65535, -65535\n"
      "[DISPLAYINFO]\nCount=2\n1=T, Arial, FALSE, FALSE, -1000, $FFFFFFFF, 65535, -65535\n"
      "2=U, Arial, FALSE, FALSE, 1000, 0, 0, 0\n"
      "[TRACKBARINFO]\nCount=1\n1=T, a.bmp, b.bmp, 65535, -65535, 65535, H, 300\n",
      "/s/");
  EXPECT_EQ(s.HotAreas[0].Left, -kMaxSkinCoordinate);
  EXPECT_EQ(s.Texts[0].Font.Size, -kMaxSkinFontSize);
  EXPECT_EQ(s.Texts[0].Font.Color, 0xFFFFFFFFu);
  EXPECT_EQ(s.Texts[1].Font.Size, kMaxSkinFontSize);
  EXPECT_EQ(s.TrackBars[0].Length, kMaxSkinCoordinate);
  EXPECT_EQ(s.TrackBars[0].Position, 300 % 256);  // stored as a byte
}

TEST(SkinFileTest, MissingFileAndDirectory) {
  EXPECT_EQ(skinDirectoryOf("/opt/x/skins/default/Small_Ata.ini"), "/opt/x/skins/default/");
  EXPECT_EQ(skinDirectoryOf("plain.ini"), "");
  try {
    readSkinFile("/nonexistent/skin.ini");
    FAIL();
  } catch (const RaidmonError& e) {
    EXPECT_STREQ(e.what(), "Cannot open file \"/nonexistent/skin.ini\"");
  }
}

}  // namespace
}  // namespace raidmon
