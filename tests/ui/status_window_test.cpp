// The status window: skins and placement, layouts, indicators per drive state, the
// mouse bindings with the card-drag flag, Tray-In, the tray icon and the menu.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QMovie>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "emulator/controller.h"
#include "emulator/emulated_nt_storage.h"
#include "emulator/scenario_parser.h"
#include "link/direct_port_link.h"
#include "monitor/skin_choice.h"
#include "platform/raidmon_error.h"
#include "skin/bmp_image.h"
#include "support/program_assets.h"
#include "support/temp_dir.h"
#include "ui/forms.h"
#include "ui/skin/mask_qregion.h"
#include "support/monitor_test_access.h"

namespace raidmon {
namespace {

namespace fs = std::filesystem;

// The program directory of a test: a fresh folder with the assets the build put
// beside the test program.
fs::path freshProgramDir(const test::TempDir& temp) {
  test::copyBuiltAssets(temp.path());
  return temp.path();
}

// The whole program minus main(): an emulated controller, the direct link, the core
// and the six forms; the commands that open other forms are counted.
struct Program {
  explicit Program(const std::string& scenarioText = std::string(emu::defaultScenarioText()))
      : controller(emu::parseScenario(scenarioText).value()),
        storage(controller),
        link(storage),
        dir(freshProgramDir(temp)),
        monitor(link, packet, kOsFamilyNt, dir.string() + "/") {
    forms = std::make_unique<Forms>(monitor);
    forms->showMain();
    QApplication::processEvents();
    StatusWindow::Commands commands;
    commands.showMonitorDialog = [this] { ++monitorOpened; };
    commands.setMonitorPage = [this](int page) { monitorPage = page; };
    form().setCommands(commands);
  }
  ~Program() { forms.reset(); }
  StatusWindow& form() { return *forms->statusWindow; }
  std::string skin(const std::string& name) const { return (dir / "skins/default" / name).string(); }

  test::TempDir temp{"raidmon_status_test"};  // first in, last out: outlives the forms
  emu::Controller controller;
  emu::EmulatedNtStorage storage;
  DirectPortLink link;
  SharedPacket packet;
  fs::path dir;
  Monitor monitor;
  std::unique_ptr<Forms> forms;
  int monitorOpened = 0;
  int monitorPage = -1;
};

// The region the mask file gives, straight from the pixels.
QRegion regionOfMask(const std::string& path) {
  return maskToRegion(loadBmpFile(path), Rgb{255, 255, 255}, Rgb{0, 0, 0});
}

bool sameShape(const QRegion& a, const QRegion& b) { return a.xored(b).isEmpty(); }

// Runs `action`, answering the first modal dialog it opens; returns that dialog's text.
QString answerModal(const std::function<void()>& action) {
  QString text;
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [&text, poll] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      text = box->text();
      box->done(QMessageBox::Ok);
      poll->stop();
    }
  });
  poll->start(5);
  action();
  delete poll;
  return text;
}

void expectPlacedTopRight(const StatusWindow& f, const char* where) {
  EXPECT_EQ(f.x(), f.screen()->geometry().width() - 150) << where;
  EXPECT_EQ(f.y(), 1) << where;
}

TEST(StatusWindowTest, StartsMonitoringWithTheSmallSkinForTwoCards) {
  Program p;
  StatusWindow& f = p.form();
  EXPECT_EQ(p.monitor.state().CardCount, 2);
  EXPECT_EQ(p.monitor.gui().Gui_Small, 1);
  EXPECT_EQ(f.SkinForm1->skinPath().toStdString(), p.skin("Small_Ata2.ini"));
  EXPECT_EQ(f.size(), QSize(112, 38));
  EXPECT_EQ(f.SkinForm1->geometry(), QRect(0, 0, 112, 38));
  EXPECT_TRUE(f.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(f.windowFlags() & Qt::WindowStaysOnTopHint);
  expectPlacedTopRight(f, "start-up");
  // The shape: the mask's pure white pixels are cut away (rounded corners).
  const QRegion shape = f.mask();
  EXPECT_TRUE(sameShape(shape, regionOfMask(p.skin("Small2_Mask.bmp"))));
  EXPECT_FALSE(shape.contains(QPoint(0, 0)));
  EXPECT_TRUE(shape.contains(QPoint(56, 19)));
  EXPECT_TRUE(f.Sec_Timer.isActive());

  p.monitor.pollOnce();
  for (int pos = 1; pos <= 4; ++pos) {
    EXPECT_TRUE(f.indicator(2, pos)->isVisible()) << pos;
    EXPECT_TRUE(f.indicator(2, pos)->fileName().endsWith("s_Top_Green.gif"));
    EXPECT_TRUE(f.indicator(2, pos)->playing());
  }
  EXPECT_FALSE(f.indicator(1, 4)->isVisible());  // no drive there
  p.controller.pull(1, 2);
  p.monitor.pollOnce();
  EXPECT_FALSE(f.indicator(1, 2)->isVisible());
  EXPECT_FALSE(f.indicator(1, 2)->playing());
}

TEST(StatusWindowTest, EverySkinLoadKeepsTheWindowTopRightAndShapedByItsMask) {
  Program p;
  StatusWindow& f = p.form();
  struct Case {
    int cards;
    QSize size;
  };
  for (const Case& c : {Case{1, {112, 19}}, Case{3, {112, 57}}, Case{4, {112, 76}}, Case{2, {112, 38}}}) {
    f.move(10, 1);  // a load that changes the size puts the window back
    f.SelectSmallSkin(c.cards);
    EXPECT_EQ(f.size(), c.size) << c.cards;
    expectPlacedTopRight(f, "small skin");
    EXPECT_TRUE(sameShape(f.mask(), regionOfMask(p.skin("Small" + std::to_string(c.cards) + "_Mask.bmp"))));
  }
  p.monitor.setSmallGui(false);
  f.SelectArraySkin(2, 3);  // the large "3M_skin.ini"
  EXPECT_EQ(f.SkinForm1->skinPath().toStdString(), p.skin("3M_skin.ini"));
  EXPECT_EQ(f.size(), QSize(149, 220));
  expectPlacedTopRight(f, "array skin");
  EXPECT_TRUE(sameShape(f.mask(), regionOfMask(p.skin("Large_Mask.bmp"))));
  EXPECT_TRUE(f.action(MenuItem::Rebuild1)->isVisible());
  EXPECT_TRUE(f.action(MenuItem::Auto_Rebuild_Option)->isVisible());

  // Every file of the array-skin table loads.
  for (int mode = 0; mode <= 6; ++mode) {
    for (int model = 1; model <= 4; ++model) {
      for (bool small : {false, true}) {
        p.monitor.setSmallGui(small);
        EXPECT_NO_THROW(f.SelectArraySkin(mode, model)) << mode << " " << model;
      }
    }
  }
  EXPECT_EQ(f.action(MenuItem::MonitorOpen1)->text(), "Tavrix Monitor Open");  // model 1 renamed it
  f.SelectArraySkin(4, 1);
  EXPECT_FALSE(f.action(MenuItem::Rebuild1)->isVisible());
  EXPECT_EQ(f.SkinForm1->skinPath().toStdString(), p.skin("J_skin.ini"));
}

TEST(StatusWindowTest, CardPanelsAndIndicatorsFollowTheLayout) {
  Program p;
  StatusWindow& f = p.form();
  EXPECT_EQ(f.Card1->geometry(), QRect(0, 0, 112, 19));
  EXPECT_EQ(f.card2->geometry(), QRect(0, 19, 112, 19));
  const std::array<QRect, 8> small = {QRect(9, 3, 15, 15),  QRect(35, 3, 15, 15),  QRect(64, 3, 15, 15),
                                      QRect(90, 3, 15, 15), QRect(9, 20, 15, 15), QRect(35, 20, 15, 15),
                                      QRect(64, 20, 15, 15), QRect(90, 20, 15, 15)};
  for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(f.indicators[i]->geometry(), small[i]) << i;

  // The large layout moves only the card panels.
  p.monitor.setSmallGui(false);
  f.ArrangeCardPanels();
  EXPECT_EQ(f.Card1->geometry(), QRect(0, 0, 149, 103));
  EXPECT_EQ(f.card2->geometry(), QRect(0, 111, 149, 103));
  EXPECT_EQ(f.indicators[0]->geometry(), small[0]);
  // The invisible areas of the large layout stay clear of the small panels.
  for (QWidget* w : std::initializer_list<QWidget*>{f.SM2, f.Image11, f.Image16, f.Image18, f.Image19, f.M3[0], f.M4[3]}) {
    EXPECT_FALSE(w->geometry().intersects(QRect(0, 0, 112, 76))) << w->objectName().toStdString();
  }
  EXPECT_EQ(f.Image11->toolTip(), "Tray In");
}

TEST(StatusWindowTest, IndicatorsShowTheFileOfEachDisplayState) {
  const std::string scenario = std::string(emu::defaultScenarioText()) +
                               "at 3 active 1.3 1\n"
                               "at 3 rebuild-time 1\n"
                               "at 3 rebuild 1.2 from 1.1\n"
                               "at 4 rebuild 2.1 from 2.2\n"
                               "at 5 active 2.1 1\n";
  Program p(scenario);
  StatusWindow& f = p.form();
  // No automatic rebuild start (it would read the status once more within the cycle).
  p.monitor.setMenuChecked(MenuItem::Auto_Rebuild_Option, false);
  p.monitor.setAutoRebuildOff(true);
  auto file = [&](int card, int pos) { return f.indicator(card, pos)->fileName().section('/', -1).toStdString(); };
  p.monitor.pollOnce();  // tick 2: everything idle
  EXPECT_EQ(file(1, 3), "s_Top_Green.gif");
  p.monitor.pollOnce();  // tick 3
  EXPECT_EQ(file(1, 1), "s_Top_Green.gif");
  EXPECT_EQ(file(1, 3), "s_Green.gif");
  EXPECT_EQ(file(1, 2), "s_Orange.gif");
  p.monitor.pollOnce();  // tick 4
  EXPECT_EQ(file(2, 1), "s_Orange.gif");
  p.monitor.pollOnce();  // tick 5
  EXPECT_EQ(file(2, 1), "s_Active_Orange.gif");
  for (int pos : {1, 2, 3}) EXPECT_TRUE(f.indicator(1, pos)->playing()) << pos;

  // The rebuild pair plays its own animations at once.
  p.monitor.markRebuildPair(DrivePosition{2, 2}, DrivePosition{2, 3});
  EXPECT_EQ(file(2, 2), "s_Rebuild_Green.gif");
  EXPECT_EQ(file(2, 3), "s_Rebuild_Orange.gif");
  EXPECT_TRUE(f.indicator(2, 3)->isVisible());
  EXPECT_TRUE(f.indicator(2, 3)->playing());
  // The delivered animations are real 15 x 15 animations.
  QMovie movie(f.indicator(2, 3)->fileName());
  ASSERT_TRUE(movie.isValid());
  EXPECT_GT(movie.frameCount(), 1);
  movie.jumpToFrame(0);
  EXPECT_EQ(movie.currentImage().size(), QSize(15, 15));
}

TEST(StatusWindowTest, CardDragFlagSwallowsExactlyOneClick) {
  Program p;
  StatusWindow& f = p.form();
  GifIndicator* lamp = f.indicator(1, 1);
  const QPoint start = f.pos();
  QTest::mousePress(lamp, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseMove(lamp, QPoint(9, 11));
  EXPECT_EQ(f.pos(), start + QPoint(4, 6));
  EXPECT_EQ(p.monitor.gui().Card_Click, 1);
  QTest::mouseRelease(lamp, Qt::LeftButton, {}, QPoint(5, 5));  // the drag's own click
  EXPECT_EQ(p.monitor.gui().Card_Click, 0);
  EXPECT_EQ(p.monitorOpened, 0);
  QTest::mouseClick(lamp, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(p.monitorOpened, 1);

  // A drag on Card1 leaves the flag for the next double-click there.
  QTest::mousePress(f.Card1, Qt::LeftButton, {}, QPoint(50, 5));
  QTest::mouseMove(f.Card1, QPoint(40, 2));
  QTest::mouseRelease(f.Card1, Qt::LeftButton, {}, QPoint(50, 5));
  EXPECT_EQ(p.monitor.gui().Card_Click, 1);
  QTest::mouseDClick(f.Card1, Qt::LeftButton, {}, QPoint(50, 5));
  EXPECT_EQ(p.monitorOpened, 1);
  QTest::mouseDClick(f.card2, Qt::LeftButton, {}, QPoint(50, 5));
  EXPECT_EQ(p.monitorOpened, 2);

  // card2 drags the window without the flag; the form drag raises negative moves to 0.
  const QPoint before = f.pos();
  emit f.card2->pressed(Qt::LeftButton, QPoint(20, 10));
  emit f.card2->moved(QPoint(-5, 10));
  EXPECT_EQ(f.pos(), before + QPoint(-25, 0));
  emit f.card2->released(Qt::LeftButton, QPoint(-5, 10));
  EXPECT_EQ(p.monitor.gui().Card_Click, 0);
  const QPoint mid = f.pos();
  f.FormMouseDown(Qt::LeftButton, 20, 10);
  f.FormMouseMove(-5, 14);
  EXPECT_EQ(f.pos(), mid + QPoint(-20, 4));
  f.FormMouseUp(Qt::LeftButton, 0, 0);
  f.FormMouseMove(90, 90);  // no longer dragging
  EXPECT_EQ(f.pos(), mid + QPoint(-20, 4));
  f.FormMouseDown(Qt::RightButton, 0, 0);  // only the left button drags
  f.FormMouseMove(30, 30);
  EXPECT_EQ(f.pos(), mid + QPoint(-20, 4));
}

TEST(StatusWindowTest, TrayInDuringARebuildOnlySaysSo) {
  Program p;
  StatusWindow& f = p.form();
  p.monitor.setRebuildState(RebuildState::Running);
  MonitorTestAccess::tables(p.monitor).I_Rebuild[1] = 1;
  const int interval = f.Sec_Timer.interval();
  // Image11 and Image16 lie outside the small window; the handler runs on its own here.
  EXPECT_EQ(answerModal([&] { f.U_buttonClick(); }), "Rebuild Processing");
  EXPECT_EQ(f.Sec_Timer.interval(), interval);
  EXPECT_EQ(f.action(MenuItem::Small_Open)->text(), "GUI Small Open");
  EXPECT_EQ(p.monitor.tables().I_Rebuild[1], 1);
  EXPECT_FALSE(f.action(MenuItem::Rebuild1)->isVisible());

  p.monitor.setRebuildState(RebuildState::Idle);
  const QString skin = f.SkinForm1->skinPath();
  f.U_buttonClick();
  EXPECT_EQ(f.Sec_Timer.interval(), 1);
  EXPECT_EQ(f.action(MenuItem::Small_Open)->text(), "GUI Normal Open");
  EXPECT_EQ(p.monitor.tables().I_Rebuild[1], 0);
  EXPECT_TRUE(f.action(MenuItem::Rebuild1)->isVisible());
  EXPECT_FALSE(f.action(MenuItem::Auto_Rebuild_Option)->isVisible());
  EXPECT_EQ(f.SkinForm1->skinPath(), skin);  // mode 0, model 0: no skin file
}

TEST(StatusWindowTest, AlwaysOnTopTwiceRestoresTheShapedStayOnTopWindow) {
  Program p;
  StatusWindow& f = p.form();
  const QRegion shape = f.mask();
  f.AlwaysontopClick();
  EXPECT_FALSE(f.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(f.action(MenuItem::Alwaysontop)->isChecked());
  EXPECT_TRUE(f.isVisible());
  f.AlwaysontopClick();
  EXPECT_TRUE(f.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(f.action(MenuItem::Alwaysontop)->isChecked());
  EXPECT_TRUE(f.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(f.isVisible());
  EXPECT_TRUE(sameShape(f.mask(), shape));
  EXPECT_FALSE(f.mask().isEmpty());
}

TEST(StatusWindowTest, TrayIconNeedsANotificationAreaAndItsIcon) {
  Program p;
  StatusWindow& f = p.form();
  f.setTrayAvailableCheck([] { return false; });
  const QString said = answerModal([&] { f.GUITrayIcon1Click(); });
  EXPECT_EQ(said.toStdString(), kNoNotificationArea);
  EXPECT_TRUE(f.isVisible());

  f.setTrayAvailableCheck([] { return true; });
  f.GUITrayIcon1Click();
  EXPECT_FALSE(f.isVisible());
  ASSERT_NE(f.trayIcon(), nullptr);
  EXPECT_EQ(f.trayIcon()->toolTip(), "Monitor");
  EXPECT_FALSE(f.trayIcon()->icon().isNull());
  f.trayIconActivated(QSystemTrayIcon::Trigger);  // a left click brings the window back
  EXPECT_TRUE(f.isVisible());
  EXPECT_FALSE(f.trayIcon()->isVisible());

  fs::remove(p.dir / "tavrix.ico");
  try {
    f.GUITrayIcon1Click();
    ADD_FAILURE();
  } catch (const RaidmonError& e) {
    EXPECT_NE(std::string(e.what()).find("tavrix.ico"), std::string::npos);
  }
  EXPECT_TRUE(f.isVisible());
}

TEST(StatusWindowTest, MenuHoldsEveryItemAndHiddenOnesAnswerTheirKeys) {
  Program p;
  StatusWindow& f = p.form();
  const QList<QAction*> items = f.PopupMenu1->actions();
  ASSERT_EQ(items.size(), 16);
  const std::array<const char*, 16> captions = {
      "GUI Small Open", "Monitor Open", "Hard Disk Rebuild", "Auto Rebuild Check", "Always on top", "Flash Update",
      "Scan Hard Disk ", "GUI Tray Icon", "", "Exit", "Rebuild Complete", "Open ScanForm", "LOOP_TIME",
      "Rebuild_Size_Value", "Rebuild_Size_Check", "Debug_Form"};
  for (int i = 0; i < 16; ++i) {
    if (i != 8) {
      EXPECT_EQ(items[i]->text().toStdString(), captions[static_cast<std::size_t>(i)]) << i;
    }
  }
  EXPECT_TRUE(items[8]->isSeparator());
  EXPECT_TRUE(items[8]->text().isEmpty());  // a style draws a separator's text beside its line
  EXPECT_TRUE(f.action(MenuItem::Auto_Rebuild_Option)->isChecked());
  EXPECT_FALSE(f.action(MenuItem::ScanHdd)->isVisible());
  EXPECT_EQ(f.action(MenuItem::RebuildSizeCheck1)->shortcut(), QKeySequence("Ctrl+Alt+S"));

  int debugShown = 0;
  int rebuildEnds = 0;
  int page = -1;
  StatusWindow::Commands commands;
  commands.showDebugForm = [&] { ++debugShown; };
  commands.rebuildComplete = [&] { ++rebuildEnds; };
  commands.setMonitorPage = [&](int n) { page = n; };
  f.setCommands(commands);
  f.activateWindow();
  f.setFocus();
  QTest::keyClick(&f, Qt::Key_Backspace, Qt::ShiftModifier | Qt::AltModifier);
  EXPECT_EQ(debugShown, 1);
  QTest::keyClick(&f, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(rebuildEnds, 1);
  f.action(MenuItem::Rebuild1)->trigger();  // the Monitor dialog's rebuild page
  EXPECT_EQ(page, 2);
}

TEST(StatusWindowTest, ABrokenSkinKeepsTheOneInForceAndSaysWhy) {
  Program p;
  StatusWindow& f = p.form();
  const QRegion shape = f.mask();
  const QString path = f.SkinForm1->skinPath();
  {
    std::ofstream bad(p.skin("Small_Ata3.ini"));
    bad << "[BITMAPINFO]\nMaskBitmap=Small3_Mask.bmp\n[HOTAREAINFO]\nCount=2000000000\n1=A,0,0,5,5\n";
  }
  f.SelectSmallSkin(3);
  EXPECT_EQ(f.SkinForm1->skinPath(), path);
  EXPECT_EQ(f.size(), QSize(112, 38));
  EXPECT_TRUE(sameShape(f.mask(), shape));
  auto* box = f.findChild<QMessageBox*>("SkinErrorBox");
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->text().contains("[HOTAREAINFO] 2"));
  box->close();

  fs::remove(p.skin("Small4_Mask.bmp"));
  EXPECT_THROW(f.SkinForm1->LoadSkin(QString::fromStdString(p.skin("Small_Ata4.ini"))), RaidmonError);
  EXPECT_EQ(f.size(), QSize(112, 38));
}

TEST(SkinChoiceTest, ArraySkinTable) {
  auto file = [](int mode, int model, bool small) { return std::string(chooseArraySkin(mode, model, small).file); };
  EXPECT_EQ(smallSkinFile(1), "Small_Ata.ini");
  EXPECT_EQ(smallSkinFile(4), "Small_Ata4.ini");
  EXPECT_EQ(smallSkinFile(0), "");
  EXPECT_EQ(file(0, 2, true), "Small_Ata2.ini");
  EXPECT_EQ(file(0, 2, false), "2skin.ini");
  EXPECT_EQ(file(0, 4, false), "3skin.ini");
  EXPECT_EQ(file(3, 2, true), "Small_R2.ini");
  EXPECT_EQ(file(4, 3, false), "J_skin.ini");
  EXPECT_EQ(file(5, 0, false), "2S_skin.ini");
  EXPECT_EQ(file(6, 9, true), "Small_R2.ini");
  EXPECT_EQ(file(1, 0, false), "");
  const ArraySkinChoice none = chooseArraySkin(0, 0, true);  // what Tray-In hands it
  EXPECT_EQ(none.file, "");
  EXPECT_EQ(none.showRebuild, true);
  EXPECT_EQ(none.showAutoRebuild, false);
  EXPECT_FALSE(none.renameMonitorOpen);
  const ArraySkinChoice beyond = chooseArraySkin(7, 1, true);
  EXPECT_EQ(beyond.file, "");
  EXPECT_FALSE(beyond.showRebuild.has_value());
  EXPECT_FALSE(beyond.renameMonitorOpen);
  EXPECT_FALSE(chooseArraySkin(5, 2, true).showRebuild.has_value());
  EXPECT_TRUE(chooseArraySkin(6, 1, true).renameMonitorOpen);
}

}  // namespace
}  // namespace raidmon

namespace raidmon {
namespace {

// Four cards, a single drive on card 3 (Primary Master) and one on card 4 (Secondary
// Master).
std::string fourCardScenario() {
  std::string text = std::string(emu::defaultScenarioText());
  text += "\nport 3 driver \\Device\\tavrixRX2\nport 4 driver \\Device\\tavrixRX3\n"
          "drive 3.1 model \"NorthPeak NP8000A8\" serial \"NP80A8-440001\" sectors 156301488 "
          "cylinders 16383 heads 16 spt 63 udma 0x3F\n"
          "drive 4.3 model \"NorthPeak NP8000A8\" serial \"NP80A8-440002\" sectors 156301488 "
          "cylinders 16383 heads 16 spt 63 udma 0x3F\n"
          "array 1 3 3.1\narray 1 4 4.3\n";
  return text;
}

TEST(StatusWindowTest, CardsThreeAndFourLightTheirLampsWhereTheSkinHasSockets) {
  Program p(fourCardScenario());
  StatusWindow& f = p.form();
  ASSERT_EQ(p.monitor.state().CardCount, 4);
  EXPECT_EQ(f.SkinForm1->skinPath().toStdString(), p.skin("Small_Ata4.ini"));
  p.monitor.pollOnce();
  GifIndicator* card3 = f.indicator(3, 1);
  GifIndicator* card4 = f.indicator(4, 3);
  ASSERT_TRUE(card3 && card4);
  EXPECT_EQ(card3->objectName(), "C3_PM");
  EXPECT_TRUE(card3->isVisible() && card3->playing());
  EXPECT_TRUE(card4->isVisible() && card4->playing());
  EXPECT_TRUE(card3->fileName().endsWith("s_Top_Green.gif"));
  EXPECT_EQ(card3->geometry(), QRect(9, 39, 15, 15));   // card 3's panel, first socket
  EXPECT_EQ(card4->geometry(), QRect(64, 58, 15, 15));  // card 4's panel, third socket
  EXPECT_FALSE(f.indicator(3, 2)->isVisible());         // no drive there

  // The three-card skin has no socket for card 4; an array skin none for either.
  f.SelectSmallSkin(3);
  EXPECT_TRUE(card3->isVisible());
  EXPECT_FALSE(card4->isVisible());
  p.monitor.setSmallGui(false);
  f.SelectArraySkin(p.monitor.gui().Mode[0], p.monitor.gui().Model);
  f.ArrangeCardPanels();
  EXPECT_FALSE(card3->isVisible());
  EXPECT_FALSE(card4->isVisible());
  // Back on the four-card skin, both light again.
  f.SelectSmallSkin(4);
  EXPECT_TRUE(card3->isVisible() && card3->playing());
  EXPECT_TRUE(card4->isVisible());
}

}  // namespace
}  // namespace raidmon
