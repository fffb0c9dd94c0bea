// The message box, the debugging form, the scan form and the event grid as widgets.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QTest>

#include "monitor/monitor.h"
#include "support/fake_link.h"
#include "ui/diag/debug_window.h"
#include "ui/diag/notice_box.h"
#include "ui/diag/scan_bus_window.h"
#include "ui/monitor/monitor_dialog.h"

namespace raidmon {
namespace {

TEST(NoticeBoxTest, GeometryLinesAndClearOnClose) {
  NoticeBox box;
  EXPECT_EQ(box.windowTitle(), "Gui Message Box");
  EXPECT_EQ(box.size(), QSize(313, 138));
  EXPECT_TRUE(box.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(box.isModal());
  EXPECT_EQ(box.OKBtn->text(), "OK");
  EXPECT_TRUE(box.OKBtn->isDefault());
  EXPECT_TRUE(box.CancelBtn->isHidden());
  box.setNoticeLine(1, "A Hard Disk has been connected to");
  box.setNoticeLine(2, "RAID controller !");
  box.setNoticeLine(3, "( location : Card 1 Primary Master)");
  box.showNotice();
  EXPECT_TRUE(box.isVisible());
  EXPECT_TRUE(box.Msg1->font().bold());
  EXPECT_EQ(box.Msg1->font().pixelSize(), 13);
  QTest::mouseClick(box.OKBtn, Qt::LeftButton);
  EXPECT_FALSE(box.isVisible());
  box.setNoticeLine(2, "Rebuild Process Complete!");
  box.showNotice();
  EXPECT_EQ(box.Msg1->text(), "");
  EXPECT_EQ(box.Msg2->text(), "Rebuild Process Complete!");
  EXPECT_EQ(box.msg3->text(), "");
  box.close();
}

class DebugWindowTest : public ::testing::Test {
 protected:
  Monitor& make(std::uint8_t family) {
    link.hotPlug = family == kOsFamilyNt;
    link.present(entryIndex(1, 2));
    link.status[kOffHot + 6] = 3;
    link.status[kOffRunRTime] = 7;
    link.status[kOffIsHotPlug + 5] = 9;
    link.located.portNames[1] = "tavrixRX";
    monitor = std::make_unique<Monitor>(link, packet, family, "/proc/self/raidmon-test/");
    return *monitor;
  }
  test::FakeLink link;
  SharedPacket packet;
  std::unique_ptr<Monitor> monitor;
};

TEST_F(DebugWindowTest, GridsBeforeAndAfterTheFirstReply) {
  Monitor& m = make(kOsFamilyNt);
  DebugWindow form(m);
  form.show();
  EXPECT_EQ(form.windowTitle(), "Debugging Form");
  EXPECT_EQ(form.Grid->item(0, 1)->text(), "1 Master");
  EXPECT_EQ(form.Grid->item(0, 8)->text(), "2 Slave");
  EXPECT_EQ(form.Grid->item(14, 0)->text(), "F_IsHotPlug");
  EXPECT_EQ(form.Grid->item(3, 4)->text(), "Gui_Small");
  EXPECT_EQ(form.Label2->text(), "QuiryDosDeivce");
  EXPECT_EQ(form.Memo1->toPlainText().split('\n').size(), 6);
  form.fillDebugGrid();
  EXPECT_EQ(form.Grid->item(4, 2), nullptr);       // no reply yet
  EXPECT_EQ(form.Rebuild_Grid->item(6, 1), nullptr);
  EXPECT_EQ(form.Rebuild_Grid->item(8, 1)->text(), "2000");

  m.start();
  form.fillDebugGrid();
  EXPECT_EQ(form.Grid->item(4, 2)->text(), "1");    // F_IsHere card 1 PS
  EXPECT_EQ(form.Grid->item(5, 2)->text(), "0");    // snapshot not yet taken
  EXPECT_EQ(form.Grid->item(6, 7)->text(), "3");    // F_Hot card 2 SM
  EXPECT_EQ(form.Grid->item(14, 8)->text(), "9");   // byte 81: columns 5..8 show 78..81
  EXPECT_EQ(form.Grid->item(14, 4)->text(), "0");   // byte 79
  EXPECT_EQ(form.Grid->item(19, 2)->text(), "1");   // I_Here
  EXPECT_EQ(form.Rebuild_Grid->item(6, 1)->text(), "7");
  EXPECT_EQ(form.Rebuild_Grid->item(9, 1)->text(), "TRUE");
  EXPECT_EQ(form.Query_Grid->item(1, 0)->text(), "tavrixRX");
}

TEST_F(DebugWindowTest, OsVersionReads98OnThe9xFamily) {
  Monitor& m = make(kOsFamily9x);
  DebugWindow form(m);
  form.fillDebugGrid();
  EXPECT_EQ(form.Rebuild_Grid->item(8, 1)->text(), "98");
}

TEST(ScanBusWindowTest, PanelsProgressAndTablesGeometry) {
  ScanBusWindow form;
  EXPECT_EQ(form.windowTitle(), "Scan Hard Disk ");
  EXPECT_EQ(form.DisableHdd->text(), "ScanBus");
  std::array<std::string, 8> texts{"[00][00][5A][00]", "b", "c", "d", "e", "f", "g", "h"};
  form.setScanPanels(texts);
  EXPECT_EQ(form.panels[0]->text(), "[00][00][5A][00]");
  EXPECT_EQ(form.panels[7]->objectName(), "Panel8");
  form.showScanForm(" Hard Disk Scaning......");
  form.setScanProgress(102);
  EXPECT_EQ(form.ProgressBar1->value(), 100);
  int clicks = 0;
  form.DisableHddClick = [&] { ++clicks; };
  form.showTables();
  EXPECT_EQ(form.geometry(), QRect(192, 119, 315, 318));
  QTest::mouseClick(form.DisableHdd, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  form.close();
  EXPECT_EQ(form.ScanBus_form_Caption->text(), "");
}

TEST(EventGridTest, RowsAppendBelowHeadersRewrittenOnEveryShowing) {
  test::FakeLink link;
  SharedPacket packet;
  Monitor monitor(link, packet, kOsFamilyNt, "/proc/self/raidmon-test/");
  MonitorDialog dialog(monitor);
  EXPECT_EQ(dialog.Error_Grid->rowCount(), 1);  // the empty row under the header
  EXPECT_EQ(dialog.Error_Grid->columnWidth(2), 142);
  EXPECT_EQ(dialog.Error_Grid->verticalHeader()->defaultSectionSize(), 15);
  dialog.addEventRow("Card 1 Primary Master", "Connected", "");
  dialog.addEventRow("Card1 S:PM Card1 T:PS", "Rebuild Start", "");
  dialog.show();
  dialog.hide();
  dialog.show();
  EXPECT_EQ(dialog.Error_Grid->horizontalHeaderItem(0)->text(), "     HDD Location");
  EXPECT_EQ(dialog.Error_Grid->horizontalHeaderItem(3)->text(), "              LBA");
  ASSERT_EQ(dialog.Error_Grid->rowCount(), 3);
  EXPECT_EQ(dialog.Error_Grid->item(0, 1)->text(), "Connected");
  EXPECT_EQ(dialog.Error_Grid->item(1, 0)->text(), "Card1 S:PM Card1 T:PS");
  EXPECT_FALSE(dialog.Error_Grid->item(1, 2)->text().isEmpty());
  EXPECT_EQ(dialog.Error_Grid->item(1, 3)->text(), "");
  EXPECT_EQ(dialog.Error_Grid->item(2, 0), nullptr);  // the last row stays empty
}

}  // namespace
}  // namespace raidmon
