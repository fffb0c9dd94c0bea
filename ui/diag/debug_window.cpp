#include "ui/diag/debug_window.h"

#include <QHeaderView>

#include "ui/common/qt_text.h"

namespace raidmon {

namespace {
constexpr int kTraceLimit = 50;
}

DebugWindow::DebugWindow(Monitor& monitor, QWidget* parent)
    : QWidget(parent, Qt::Window), monitor_(monitor) {
  setObjectName("Debug_Form");
  setWindowTitle(QStringLiteral("Debugging Form"));
  resize(761, 824);
  Grid = new QTableWidget(50, 11, this);
  Grid->setObjectName("Grid");
  Grid->setGeometry(8, 8, 745, 330);
  Grid->verticalHeader()->setMinimumSectionSize(24);
  Grid->verticalHeader()->setDefaultSectionSize(24);
  Grid->horizontalHeader()->setMinimumSectionSize(20);
  Grid->setColumnWidth(0, 76);
  for (int c = 1; c < 11; ++c) Grid->setColumnWidth(c, 65);
  Rebuild_Grid = new QTableWidget(10, 4, this);
  Rebuild_Grid->setObjectName("Rebuild_Grid");
  Rebuild_Grid->setGeometry(8, 346, 420, 250);
  Rebuild_Grid->verticalHeader()->setMinimumSectionSize(24);
  Rebuild_Grid->verticalHeader()->setDefaultSectionSize(24);
  for (int c = 0; c < 4; ++c) Rebuild_Grid->setColumnWidth(c, 100);
  Query_Grid = new QTableWidget(10, 1, this);
  Query_Grid->setObjectName("Query_Grid");
  Query_Grid->setGeometry(440, 370, 150, 226);
  Query_Grid->verticalHeader()->setMinimumSectionSize(22);
  Query_Grid->verticalHeader()->setDefaultSectionSize(22);
  Query_Grid->setColumnWidth(0, 130);
  for (QTableWidget* t : {Grid, Rebuild_Grid, Query_Grid}) {
    t->horizontalHeader()->hide();
    t->verticalHeader()->hide();
  }
  Label2 = new QLabel(QStringLiteral("QuiryDosDeivce"), this);
  Label2->setObjectName("Label2");
  Label2->setGeometry(440, 346, 150, 20);
  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  Label1->setGeometry(600, 346, 150, 20);
  Process_list = new QListWidget(this);
  Process_list->setObjectName("Process_list");
  Process_list->setGeometry(8, 604, 420, 212);
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setGeometry(440, 604, 313, 212);
  Memo1->setPlainText(QStringLiteral(
      "Rebuild Complete C+C\nLOOP_TIME C+T\nRebuild Size Value C+S\nRebuild Size Check C+A+S\n"
      "Debug form S+A+B\nOpen ScanBus Form C+B"));
  plainTextLabels(this);  // texts from files and the controller are never markup
}

void DebugWindow::addTrace(std::string_view line) {
  if (Process_list->count() >= kTraceLimit) Process_list->clear();
  Process_list->addItem(qs(line));
}

void DebugWindow::setPlugLabel(std::string_view text) { Label1->setText(qs(text)); }

void DebugWindow::setCell(QTableWidget* grid, int row, int col, const QString& text) {
  QTableWidgetItem* item = grid->item(row, col);
  if (!item) {
    item = new QTableWidgetItem;
    grid->setItem(row, col, item);
  }
  item->setText(text);
}

void DebugWindow::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  static const char* kColumns[] = {"1 Master", "1 Slave", "1 Master", "1 Slave",
                                   "2 Master", "2 Slave", "2 Master", "2 Slave"};
  for (int c = 0; c < 8; ++c) setCell(Grid, 0, c + 1, QString::fromLatin1(kColumns[c]));
  static const std::pair<int, const char*> kRows[] = {
      {1, "Mode"}, {2, "BaseSize"}, {4, "F_IsHere"}, {5, "B_IsHere"}, {6, "F_Hot"},
      {7, "B_Hot"}, {8, "F_Rebuild"}, {9, "B_Rebuild"}, {10, "F_Source"}, {11, "B_Source"},
      {12, "F_Active"}, {13, "B_Active"}, {14, "F_IsHotPlug"}, {15, "B_IsHotPlug"},
      {19, "I_Here"}, {20, "I_NotHere"}, {21, "I_Hot"}, {22, "I_Rebuild"}};
  for (const auto& [row, name] : kRows) setCell(Grid, row, 0, QString::fromLatin1(name));
  setCell(Grid, 3, 0, "Model");
  setCell(Grid, 3, 2, "FlashSize");
  setCell(Grid, 3, 4, "Gui_Small");
  setCell(Grid, 3, 6, "Card_Click");
  static const char* kRebuildRows[] = {"SourceHdd", "TargetHdd", "SourceSize", "TargetSize", "New_Size"};
  for (int r = 0; r < 5; ++r) setCell(Rebuild_Grid, r + 1, 0, QString::fromLatin1(kRebuildRows[r]));
  setCell(Rebuild_Grid, 6, 0, "F_Run_R_Time");
  setCell(Rebuild_Grid, 6, 2, "B_Run_R_Time");
  setCell(Rebuild_Grid, 8, 0, "OS Version");
  setCell(Rebuild_Grid, 9, 0, "Func Query");
}

void DebugWindow::fillDebugGrid() {
  const TavrixGui& gui = monitor_.gui();
  for (int c = 0; c < 4; ++c) {
    setCell(Grid, 1, c + 1, QString::number(gui.Mode[static_cast<std::size_t>(c)]));
    setCell(Grid, 2, c + 1, QString::number(gui.BaseSize[static_cast<std::size_t>(c)]));
  }
  setCell(Grid, 3, 1, QString::number(gui.Model));
  setCell(Grid, 3, 3, QString::number(gui.FlashSize));
  setCell(Grid, 3, 5, QString::number(gui.Gui_Small));
  setCell(Grid, 3, 7, QString::number(gui.Card_Click));
  if (monitor_.statusReceived()) {
    const StatusBlock& f = monitor_.latestStatus();
    const StatusBlock& b = monitor_.snapshot();
    const std::pair<int, std::size_t> rows[] = {{4, kOffIsHere}, {6, kOffHot}, {8, kOffRebuild},
                                                {10, kOffSource}, {12, kOffActive}};
    for (const auto& [row, off] : rows) {
      for (int c = 0; c < 8; ++c) {
        setCell(Grid, row, c + 1, QString::number(f.bytes[off + static_cast<std::size_t>(c)]));
        setCell(Grid, row + 1, c + 1, QString::number(b.bytes[off + static_cast<std::size_t>(c)]));
      }
    }
    for (int c = 0; c < 8; ++c) {
      // Columns 5..8 show bytes 78..81: they overlap columns 3 and 4 by two bytes.
      const std::size_t off = c < 4 ? kOffIsHotPlug + static_cast<std::size_t>(c)
                                    : kOffIsHotPlug + 2 + static_cast<std::size_t>(c - 4);
      setCell(Grid, 14, c + 1, QString::number(f.bytes[off]));
      setCell(Grid, 15, c + 1, QString::number(b.bytes[off]));
    }
    setCell(Rebuild_Grid, 6, 1, QString::number(f.runRTime()));
    setCell(Rebuild_Grid, 6, 3, QString::number(b.runRTime()));
  }
  const DisplayTables& t = monitor_.tables();
  const std::pair<int, const std::array<std::uint8_t, kEntries>*> tables[] = {
      {19, &t.I_Here}, {20, &t.I_NotHere}, {21, &t.I_Hot}, {22, &t.I_Rebuild}};
  for (const auto& [row, table] : tables) {
    for (int c = 0; c < 8; ++c) setCell(Grid, row, c + 1, QString::number((*table)[static_cast<std::size_t>(c)]));
  }
  const std::uint8_t family = monitor_.state().OsFamily;
  setCell(Rebuild_Grid, 8, 1,
          family == kOsFamily9x ? QStringLiteral("98")
                                : family == kOsFamilyNt ? QStringLiteral("2000") : QString::number(family));
  setCell(Rebuild_Grid, 9, 1, monitor_.state().PortFoundByName ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
  for (int r = 0; r < 10; ++r) setCell(Query_Grid, r, 0, latin(monitor_.portNames()[static_cast<std::size_t>(r)]));
}

void DebugWindow::DebugForm1Click() {
  fillDebugGrid();
  show();
  raise();
}

}  // namespace raidmon
