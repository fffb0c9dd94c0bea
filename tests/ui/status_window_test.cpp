#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <filesystem>

#include "emulator/controller.h"
#include "emulator/emulated_nt_storage.h"
#include "emulator/scenario_parser.h"
#include "link/direct_port_link.h"
#include "ui/forms.h"

namespace raidmon {
namespace {

// The whole program minus main(): the default emulated controller, the direct link,
// the core and the six forms.
struct Program {
  explicit Program(std::string_view scenarioText = emu::defaultScenarioText())
      : controller(emu::parseScenario(scenarioText).scenario),
        storage(controller),
        link(storage),
        dir(std::filesystem::temp_directory_path() / "raidmon_ui_test"),
        monitor(link, packet, kOsFamilyNt, (dir.string() + "/")) {
    std::filesystem::create_directories(dir);
    forms = std::make_unique<Forms>(monitor);
    forms->showMain();
    QApplication::processEvents();
  }
  ~Program() {
    forms.reset();
    std::filesystem::remove_all(dir);
  }
  emu::Controller controller;
  emu::EmulatedNtStorage storage;
  DirectPortLink link;
  SharedPacket packet;
  std::filesystem::path dir;
  Monitor monitor;
  std::unique_ptr<Forms> forms;
};

TEST(StatusWindowTest, StartsMonitoringTheDefaultController) {
  Program p;
  TForm1& f = *p.forms->Form1;
  EXPECT_EQ(QCoreApplication::applicationName().isEmpty(), false);
  EXPECT_EQ(p.monitor.state().CardCount, 2);
  EXPECT_EQ(f.size(), QSize(112, 38));
  const int screenWidth = f.screen()->geometry().width();
  EXPECT_EQ(f.x(), screenWidth - 150);
  EXPECT_EQ(f.y(), 1);
  EXPECT_TRUE(f.Sec_Timer.isActive());
  EXPECT_EQ(f.Sec_Timer.interval(), 1000);
  EXPECT_TRUE(p.forms->K4M_Info_form->isVisible());
  EXPECT_EQ(p.forms->K4M_Info_form->Mode_TreeView->topLevelItemCount(), 3);
  EXPECT_EQ(p.forms->K4M_Info_form->Mode_TreeView->topLevelItem(0)->text(0), "RAID1");

  p.monitor.Sec_TimerTimer();
  for (int pos = 1; pos <= 4; ++pos) {
    EXPECT_TRUE(f.indicator(2, pos)->isVisible()) << pos;
    EXPECT_TRUE(f.indicator(2, pos)->fileName().endsWith("s_Top_Green.gif"));
  }
  EXPECT_FALSE(f.indicator(1, 4)->isVisible());  // no drive there

  p.controller.pull(1, 2);
  p.monitor.Sec_TimerTimer();
  EXPECT_FALSE(f.indicator(1, 2)->isVisible());
  EXPECT_EQ(p.forms->Debug_Form->Process_list->item(p.forms->Debug_Form->Process_list->count() - 2)->text(),
            "DEVICE_IO_TRUE->IsHereHdd");
}

TEST(StatusWindowTest, HiddenCommandsReachableAndMenuMirrorsTheCore) {
  Program p;
  TForm1& f = *p.forms->Form1;
  EXPECT_FALSE(f.action(MenuItem::DebugForm1)->isVisible());
  EXPECT_TRUE(f.action(MenuItem::Alwaysontop)->isChecked());
  // The hidden command answers its key while the status window has the focus.
  f.activateWindow();
  f.setFocus();
  QTest::keyClick(&f, Qt::Key_Backspace, Qt::ShiftModifier | Qt::AltModifier);
  EXPECT_TRUE(p.forms->Debug_Form->isVisible());
  EXPECT_EQ(p.forms->Debug_Form->Rebuild_Grid->item(8, 1)->text(), "2000");
  EXPECT_EQ(p.forms->Debug_Form->Rebuild_Grid->item(9, 1)->text(), "TRUE");
  EXPECT_EQ(p.forms->Debug_Form->Query_Grid->item(1, 0)->text(), "tavrixRX");
  f.AlwaysontopClick();
  f.AlwaysontopClick();
  EXPECT_TRUE(f.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(f.action(MenuItem::Alwaysontop)->isChecked());
}

TEST(StatusWindowTest, TraceListRestartsAfterFiftyLines) {
  Program p;
  TDebug_Form& d = *p.forms->Debug_Form;
  d.Process_list->clear();
  for (int i = 1; i <= 51; ++i) d.addTrace("line " + std::to_string(i));
  ASSERT_EQ(d.Process_list->count(), 1);
  EXPECT_EQ(d.Process_list->item(0)->text(), "line 51");
}

}  // namespace
}  // namespace raidmon
