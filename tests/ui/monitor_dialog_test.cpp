// The Monitor dialog on real widgets: clicking tree nodes and reading the pages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QShowEvent>
#include <QTabBar>
#include <QToolButton>
#include <QTest>
#include <QtTest/qtestspontaneevent.h>

#include "emulator/controller.h"
#include "emulator/emulated_nt_storage.h"
#include "emulator/scenario_parser.h"
#include "link/direct_port_link.h"
#include "support/recording_views.h"
#include "ui/monitor/monitor_dialog.h"

namespace raidmon {
namespace {

class MonitorDialogTest : public ::testing::Test {
 protected:
  void start(const std::string& extra = "", const std::string& flash = "flash maker 0x40 device 0x01") {
    std::string text(emu::defaultScenarioText());
    text.replace(text.find("flash maker 0x40 device 0x01"), 28, flash);
    const auto parsed = emu::parseScenario(text + "\n" + extra);
    ASSERT_TRUE(parsed.has_value()) << parsed.error().message;
    controller = std::make_unique<emu::Controller>(parsed.value());
    storage = std::make_unique<emu::EmulatedNtStorage>(*controller);
    link = std::make_unique<DirectPortLink>(*storage);
    monitor = std::make_unique<Monitor>(*link, packet, kOsFamilyNt, "/proc/self/raidmon-test/");
    dialog = std::make_unique<MonitorDialog>(*monitor);
    MonitorViews views = recorder.all();
    views.tree = dialog.get();
    views.grid = dialog.get();
    monitor->setViews(views);
    monitor->start();
    monitor->startMonitoring();
    dialog->show();
  }
  void click(int node) {
    QTreeWidgetItem* item = dialog->nodeAt(node);
    ASSERT_NE(item, nullptr);
    QTreeWidget* tree = dialog->Mode_TreeView;
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
  }
  int page() const { return dialog->Info_Tab_Note->currentIndex(); }

  test::RecordingViews recorder;
  SharedPacket packet;
  std::unique_ptr<emu::Controller> controller;
  std::unique_ptr<emu::EmulatedNtStorage> storage;
  std::unique_ptr<DirectPortLink> link;
  std::unique_ptr<Monitor> monitor;
  std::unique_ptr<MonitorDialog> dialog;
};

TEST_F(MonitorDialogTest, ArrayNodeFillsTheModePage) {
  start();
  EXPECT_EQ(dialog->Info_Tab_Note->tabText(1), "    HDD  Info    ");
  EXPECT_EQ(dialog->Mode_TreeView->topLevelItemCount(), 3);
  click(0);
  EXPECT_EQ(page(), 0);
  EXPECT_EQ(dialog->RaidMode_L->text(), " RAID1");
  EXPECT_EQ(dialog->TotalSize_L->text(), " 80.0GB");
  EXPECT_EQ(dialog->BaseSize_L->text(), " 80.0GB");
  EXPECT_EQ(dialog->Order_L->text(), " 2");
  EXPECT_EQ(dialog->Physical_L->text(), " 0");
  EXPECT_TRUE(dialog->boxes[0]->isVisible());
  EXPECT_EQ(dialog->boxes[0]->text(), " Card 1 PM");
  EXPECT_EQ(dialog->boxes[4]->text(), " Card 1 PS");
  EXPECT_TRUE(dialog->arrows[0]->isVisible());
  EXPECT_FALSE(dialog->arrows[1]->isVisible());
  EXPECT_EQ(dialog->Raid_VIew->text(), "RAID 1:");

  click(5);  // the RAID 0+1 set: two mirrored stripes of two
  EXPECT_EQ(dialog->RaidMode_L->text(), " RAID 0+1");
  EXPECT_EQ(dialog->TotalSize_L->text(), " 160.0GB");
  EXPECT_TRUE(dialog->Raid_View_Center_1->isVisible());
  EXPECT_EQ(dialog->boxes[5]->text(), " Card 2 SS");
}

TEST_F(MonitorDialogTest, DriveNodeFillsTheHddPageAndPagesFollowTheRules) {
  start();
  dialog->OEM_L_ImageClick();
  EXPECT_EQ(page(), 3);
  click(2);  // second drive of the RAID1 pair: member slot 1
  EXPECT_EQ(page(), 1);
  EXPECT_EQ(dialog->Card_NuM_L->text(), " 1");
  EXPECT_EQ(dialog->IDE_L->text(), " Primary Slave");
  EXPECT_EQ(dialog->Cylinders_L->text(), " 16383");
  EXPECT_EQ(dialog->Serial_L->text(), " S0B2J10LA41923");
  EXPECT_EQ(dialog->Hdd_L->text(), " 80.0GB");
  EXPECT_EQ(dialog->UDMA_L->text(), " UDMA 5");
  EXPECT_EQ(dialog->Model_L->text().size(), 41);
  EXPECT_EQ(dialog->RaidMode_L->text(), "");  // the mode page was cleared

  // Re-clicking the selected node refreshes the page.
  dialog->Card_NuM_L->clear();
  click(2);
  EXPECT_EQ(dialog->Card_NuM_L->text(), " 1");

  // The rebuild page keeps itself and receives the selection.
  std::vector<int> handed;
  dialog->onRebuildSelection = [&](int abs, int arrayNode, const std::string&, int array) {
    handed = {abs, arrayNode, array};
  };
  dialog->Info_Tab_Note->setCurrentIndex(2);
  click(6);
  EXPECT_EQ(page(), 2);
  EXPECT_EQ(handed, (std::vector<int>{6, 5, 2}));
}

TEST_F(MonitorDialogTest, TopLevelNodesMapByArrayNumberAcrossAnEmptyRecord) {
  // Array 2 has only an entry outside the member slots, so its record stays empty and
  // the single drive after it is array 3, shown as the third top-level node.
  start("entry 1.4 7 9 12\nentry 2.1 1 5 0\n");
  ASSERT_EQ(monitor->model().array(2).kind, 0);
  ASSERT_EQ(dialog->Mode_TreeView->topLevelItemCount(), 4);
  click(dialog->absoluteIndex(dialog->Mode_TreeView->topLevelItem(2)));
  EXPECT_EQ(dialog->RaidMode_L->text(), " ATA");
  EXPECT_EQ(dialog->Physical_L->text(), " 3");
}

// Every page shows the four captions whole, without scroll arrows; with a font twice as
// large the dialog grows instead of hiding "About".
TEST_F(MonitorDialogTest, FourPageCaptionsFitOnEveryPage) {
  start();
  auto expectCaptionsFit = [](MonitorDialog& d) {
    d.show();
    for (int page = 0; page < 4; ++page) {
      d.Info_Tab_Note->setCurrentIndex(page);
      QApplication::processEvents();
      const QTabBar* bar = d.Info_Tab_Note->tabBar();
      ASSERT_EQ(bar->count(), 4);
      for (int tab = 0; tab < 4; ++tab) {
        EXPECT_TRUE(bar->rect().contains(bar->tabRect(tab))) << "page " << page << ", tab " << tab;
      }
      EXPECT_LE(bar->geometry().right(), d.Info_Tab_Note->width()) << "page " << page;
      EXPECT_LE(d.Info_Tab_Note->geometry().right(), d.width()) << "page " << page;
      for (const QToolButton* arrow : bar->findChildren<QToolButton*>()) EXPECT_FALSE(arrow->isVisible());
    }
  };
  expectCaptionsFit(*dialog);
  EXPECT_EQ(dialog->size(), QSize(720, 540));

  const QFont normal = QApplication::font();
  QFont large = normal;
  large.setPixelSize(2 * QFontInfo(normal).pixelSize());
  QApplication::setFont(large);
  MonitorDialog wide(*monitor);
  QApplication::setFont(normal);
  expectCaptionsFit(wide);
  EXPECT_GT(wide.width(), 720);
  EXPECT_EQ(wide.StatusGroup->geometry().right() - wide.Info_Tab_Note->geometry().right(),
            dialog->StatusGroup->geometry().right() - dialog->Info_Tab_Note->geometry().right());
}

TEST_F(MonitorDialogTest, AboutPageAndHomePage) {
  start();
  EXPECT_EQ(dialog->BIOS_LABEL->text(), "SyncMOS(F29C51001T)");
  EXPECT_EQ(dialog->OEM_P_Label->text(), "Tavrix K4");
  EXPECT_EQ(dialog->OEM_C_Label->text(), "Korvane");
  EXPECT_EQ(dialog->OEM_G_Label->text(), "GUI Version : NX 1.00B");
  QStringList opened;
  dialog->openUrl = [&](const QString& url) { opened << url; };
  dialog->OEM_H_LabelClick();
  EXPECT_EQ(opened, QStringList{"http://www.korvane.example"});
  for (const char* bad : {"file:///bin/sh", "/usr/bin/xterm", "javascript:alert(1)", "http://"}) {
    dialog->OEM_H_Label->setText(QString::fromLatin1(bad));
    dialog->OEM_H_LabelClick();
  }
  EXPECT_EQ(opened.size(), 1);
  EXPECT_EQ(recorder.traces.back(), "Homepage not opened: http://");
}

TEST_F(MonitorDialogTest, AtapiNodeAndNoBios) {
  start("entry 2.1 9 7 0\n", "flash maker 0x99");
  EXPECT_EQ(dialog->BIOS_LABEL->text(), "No BIOS");
  const auto found = dialog->Mode_TreeView->findItems("ATAPI", Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1);
  QTreeWidgetItem* atapi = found[0];
  click(dialog->absoluteIndex(atapi));
  EXPECT_EQ(dialog->TotalSize_L->text(), " None");
  EXPECT_EQ(dialog->BaseSize_L->text(), " None");
  EXPECT_FALSE(dialog->Raid_VIew->isVisible());
}

TEST_F(MonitorDialogTest, RestoreFromMinimizedKeepsPageAndPreparesNothing) {
  start();
  int preparations = 0;
  dialog->onShow = [&] { ++preparations; };
  dialog->hide();
  dialog->show();  // a showing of the dialog: prepared, back on Mode Info
  EXPECT_EQ(preparations, 1);
  dialog->Info_Tab_Note->setCurrentIndex(2);
  // The window system shows the window again after a restore from minimized.
  QShowEvent restored;
  QSpontaneKeyEvent::setSpontaneous(&restored);
  qApp->notify(dialog.get(), &restored);
  EXPECT_EQ(preparations, 1);
  EXPECT_EQ(page(), 2);
}

TEST_F(MonitorDialogTest, TheGridKeepsTheLatestRowsAndTheRateLineSitsUnderTheProgressText) {
  start();
  QTableWidget* grid = dialog->Error_Grid;
  const int before = grid->rowCount() - 1;  // this run's start-up rows
  const int added = kMaxGridRows + 3 - before;
  for (int i = 0; i < added; ++i) dialog->addEventRow("Card 1 Primary Slave", "Row " + std::to_string(i), "");
  // Full: the oldest rows went, the newest is last, and one empty row follows it.
  EXPECT_EQ(grid->rowCount(), kMaxGridRows + 1);
  EXPECT_EQ(grid->item(kMaxGridRows - 1, 1)->text().toStdString(), "Row " + std::to_string(added - 1));
  EXPECT_EQ(grid->item(0, 1)->text().toStdString(), "Row " + std::to_string(added - kMaxGridRows));
  EXPECT_EQ(grid->item(kMaxGridRows, 0), nullptr);

  QLabel* rate = dialog->findChild<QLabel*>("Rebuild_RateLabel");
  ASSERT_EQ(rate, dialog->Rebuild_RateLabel);
  EXPECT_TRUE(rate->isHidden());
  dialog->setStatusText("  Total : 76319  /  1000   MB     1 %");
  dialog->setRateText("52.4 MB/s, 0:23:59 left");
  EXPECT_FALSE(rate->isHidden());
  EXPECT_EQ(rate->text(), "52.4 MB/s, 0:23:59 left");
  EXPECT_EQ(dialog->Rebuild_StatusBar->text(), "  Total : 76319  /  1000   MB     1 %");
  EXPECT_EQ(rate->parentWidget(), dialog->Rebuild_StatusBar->parentWidget());
  EXPECT_GE(rate->y(), dialog->Rebuild_StatusBar->geometry().bottom());
  EXPECT_LE(rate->geometry().bottom(), rate->parentWidget()->height());
  dialog->setRateText("");
  EXPECT_TRUE(rate->isHidden());
}

}  // namespace
}  // namespace raidmon
