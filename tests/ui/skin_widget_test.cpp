// The skin widget on a form: faces painted for presses, toggles, hover and track bars;
// the region built in batches against Qt's own; the parent rule.
#include <gtest/gtest.h>

#include <QBitmap>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "platform/raidmon_error.h"
#include "skin/bmp_image.h"
#include "support/temp_dir.h"
#include "ui/skin/mask_qregion.h"
#include "ui/skin/skin_widget.h"

namespace raidmon {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kUp = 0x202020;
constexpr std::uint32_t kDown = 0xC00000;
constexpr std::uint32_t kOn = 0x0000C0;

void writeBmp(const fs::path& path, const RgbImage& image) {
  const auto bytes = encodeBmp24(image);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

// A 100 x 40 skin: plain faces in three colours, the top-left pixel cut away, a push
// area, a toggle that starts up, a track bar with a 10 x 8 thumb, one text item.
struct SkinDir {
  SkinDir() : dir(temp.path()) {
    RgbImage mask = RgbImage::filled(100, 40, 0);
    mask.set(0, 0, 0xFFFFFF);
    writeBmp(dir / "mask.bmp", mask);
    writeBmp(dir / "up.bmp", RgbImage::filled(100, 40, kUp));
    writeBmp(dir / "down.bmp", RgbImage::filled(100, 40, kDown));
    writeBmp(dir / "on.bmp", RgbImage::filled(100, 40, kOn));
    writeBmp(dir / "thumb.bmp", RgbImage::filled(10, 8, 0x00FF00));
    writeBmp(dir / "thumbp.bmp", RgbImage::filled(10, 8, 0xFFFF00));
    std::ofstream(dir / "skin.ini")
        << "[BITMAPINFO]\nMaskBitmap=mask.bmp\nMouseUpBitmap=up.bmp\nMouseDownBitmap=down.bmp\nMouseOnBitmap=on.bmp\n"
           "[HOTAREAINFO]\nCount=2\n1=Push, 0, 0, 20, 10\n2=Toggle, 30, 0, 20, 10, FALSE\n"
           "[DISPLAYINFO]\nCount=1\n1=Label, Sans, TRUE, FALSE, 9, $FFFFFF, 60, 0, K4\n"
           "[TRACKBARINFO]\nCount=1\n1=Vol, thumb.bmp, thumbp.bmp, 0, 30, 110, H, 0\n";
  }
  QString ini() const { return QString::fromStdString((dir / "skin.ini").string()); }
  test::TempDir temp{"raidmon_skin_form"};
  fs::path dir;
};

QRgb at(const SkinWidget& s, int x, int y) { return s.surface().pixel(x, y) & 0xFFFFFF; }

TEST(SkinWidgetTest, OnlyAFormTakesASkin) {
  QWidget form;
  QWidget child(&form);
  try {
    SkinWidget skin(&child);
    FAIL();
  } catch (const RaidmonError& e) {
    EXPECT_STREQ(e.what(), "Please Drop on a Form");
  }
  EXPECT_THROW(SkinWidget(nullptr), RaidmonError);
  SkinWidget skin(&form);
  EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(skin.KeyColor(), QColor(Qt::white));
  EXPECT_EQ(skin.Tolerance(), QColor(Qt::black));
  EXPECT_FALSE(skin.loaded());
}

TEST(SkinWidgetTest, LoadSizesTheFormAndPaintsTheFaces) {
  SkinDir d;
  QWidget form;
  SkinWidget skin(&form);
  int changed = 0;
  QObject::connect(&skin, &SkinWidget::OnSkinChanged, [&](SkinWidget* s) { changed += s == &skin; });
  skin.LoadSkin(d.ini());
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(form.size(), QSize(100, 40));
  EXPECT_FALSE(form.mask().contains(QPoint(0, 0)));
  EXPECT_TRUE(form.mask().contains(QPoint(1, 0)));
  EXPECT_EQ(at(skin, 25, 20), kUp);
  EXPECT_EQ(at(skin, 2, 32), 0x00FF00u);  // the thumb at position 0
  bool textDrawn = false;  // white text somewhere right of x = 60 in the top rows
  for (int y = 0; y < 20 && !textDrawn; ++y) {
    for (int x = 60; x < 100; ++x) textDrawn = textDrawn || at(skin, x, y) == 0xFFFFFFu;
  }
  EXPECT_TRUE(textDrawn);
}

TEST(SkinWidgetTest, PressesTogglesHoverAndTheTrackBar) {
  SkinDir d;
  QWidget form;
  SkinWidget skin(&form);
  skin.LoadSkin(d.ini());
  form.show();
  QString downId, upId, moveId;
  QObject::connect(&skin, &SkinWidget::OnMouseDownNotify, [&](const QString& id, auto...) { downId = id; });
  QObject::connect(&skin, &SkinWidget::OnMouseUpNotify, [&](const QString& id, auto...) { upId = id; });
  QObject::connect(&skin, &SkinWidget::OnMouseMoveNotify, [&](const QString& id, auto...) { moveId = id; });

  // A push area shows the pressed face until the release.
  QTest::mousePress(&skin, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(downId, "Push");
  EXPECT_EQ(at(skin, 5, 5), kDown);
  QTest::mouseRelease(&skin, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(upId, "Push");
  EXPECT_EQ(at(skin, 5, 5), kUp);

  // A toggle stays down after its release, and comes up with the next press.
  QTest::mouseClick(&skin, Qt::LeftButton, {}, QPoint(35, 5));
  EXPECT_EQ(at(skin, 35, 5), kDown);
  QTest::mouseClick(&skin, Qt::LeftButton, {}, QPoint(35, 5));
  EXPECT_EQ(at(skin, 35, 5), kUp);

  // Hover paints the mouse-on face over the area only, gone once the pointer leaves.
  QTest::mouseMove(&skin, QPoint(80, 20));
  QTest::mouseMove(&skin, QPoint(10, 5));
  EXPECT_EQ(moveId, "Push");
  EXPECT_EQ(at(skin, 10, 5), kOn);
  EXPECT_EQ(at(skin, 25, 5), kUp);
  QTest::mouseMove(&skin, QPoint(80, 20));
  QTest::mouseMove(&skin, QPoint(81, 20));
  EXPECT_EQ(at(skin, 10, 5), kUp);

  // Dragging the thumb: pressed thumb drawn where the position puts it.
  QTest::mousePress(&skin, Qt::LeftButton, {}, QPoint(3, 33));
  EXPECT_EQ(downId, "Vol");
  QTest::mouseMove(&skin, QPoint(50, 33));
  EXPECT_EQ(moveId, "Vol");
  EXPECT_EQ(skin.behaviour().trackBars()[0].Position, 50);
  EXPECT_EQ(at(skin, 52, 33), 0xFFFF00u);
  QTest::mouseRelease(&skin, Qt::LeftButton, {}, QPoint(50, 33));
  EXPECT_EQ(at(skin, 52, 33), 0x00FF00u);
}

TEST(SkinWidgetTest, PressOnEmptySkinMovesTheWindowNotAClick) {
  SkinDir d;
  QWidget form;
  SkinWidget skin(&form);
  skin.LoadSkin(d.ini());
  form.move(200, 200);
  form.show();
  int clicks = 0;
  QObject::connect(&skin, &SkinWidget::clicked, [&] { ++clicks; });
  QTest::mouseClick(&skin, Qt::LeftButton, {}, QPoint(80, 20));
  EXPECT_EQ(clicks, 1);  // pressed and released in place: a click
  const QPoint start = form.pos();
  QTest::mousePress(&skin, Qt::LeftButton, {}, QPoint(80, 20));
  QTest::mouseMove(&skin, QPoint(95, 30));
  QTest::mouseRelease(&skin, Qt::LeftButton, {}, QPoint(80, 20));
  EXPECT_EQ(clicks, 1);  // a move is no click
  EXPECT_NE(form.pos(), start);
}

TEST(SkinWidgetTest, RegionInBatchesMatchesQtsOwn) {
  // 1024 x 768 with stripes and holes: far more than 2000 runs.
  RgbImage mask = RgbImage::filled(1024, 768, 0);
  for (int y = 0; y < 768; ++y) {
    for (int x = 0; x < 1024; ++x) {
      if ((x / 3 + y / 5) % 4 == 0 || (x * y) % 97 == 1) mask.set(x, y, 0xFFFFFF);
    }
  }
  QImage image(1024, 768, QImage::Format_RGB32);
  for (int y = 0; y < 768; ++y) {
    for (int x = 0; x < 1024; ++x) image.setPixel(x, y, 0xFF000000u | mask.at(x, y));
  }
  const QRegion ours = maskToRegion(mask, Rgb{255, 255, 255}, Rgb{0, 0, 0});
  const QRegion qt(QBitmap::fromImage(image.createMaskFromColor(0xFFFFFFFFu, Qt::MaskInColor)));
  EXPECT_GT(ours.rectCount(), 2000);
  EXPECT_TRUE(ours.xored(qt).isEmpty());
  EXPECT_TRUE(maskToRegion(RgbImage::filled(50, 50, 0xFFFFFF), Rgb{255, 255, 255}, Rgb{}).isEmpty());
}

}  // namespace
}  // namespace raidmon
