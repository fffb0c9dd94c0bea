#include "ui/monitor/tk4m_info_form.h"

#include <QDateTime>
#include <QHeaderView>
#include <QLocale>
#include <QVBoxLayout>

#include "ui/common/qt_text.h"

namespace raidmon {

TK4M_Info_form::TK4M_Info_form(Monitor& monitor, QWidget* parent)
    : QDialog(parent, Qt::Window), monitor_(monitor) {
  setObjectName("K4M_Info_form");
  setWindowTitle(QStringLiteral("Monitor"));
  setModal(false);
  resize(640, 470);
  Mode_TreeView = new QTreeWidget(this);
  Mode_TreeView->setObjectName("Mode_TreeView");
  Mode_TreeView->setHeaderHidden(true);
  Mode_TreeView->setIndentation(25);
  Mode_TreeView->setGeometry(8, 8, 260, 300);
  Info_Tab_Note = new QTabWidget(this);
  Info_Tab_Note->setObjectName("Info_Tab_Note");
  Info_Tab_Note->setGeometry(276, 8, 356, 300);
  for (const char* caption : {"   Mode Info   ", "    HDD  Info    ", " HDD Rebuild ", "    About    "}) {
    Info_Tab_Note->addTab(new QWidget, QString::fromLatin1(caption));
  }
  StatusGroup = new QGroupBox(QStringLiteral(" Status "), this);
  StatusGroup->setGeometry(8, 314, 624, 148);
  Error_Grid = new QTableWidget(1, 4, StatusGroup);
  Error_Grid->setObjectName("Error_Grid");
  Error_Grid->setGeometry(8, 20, 608, 120);
  Error_Grid->verticalHeader()->hide();
  Error_Grid->verticalHeader()->setMinimumSectionSize(15);
  Error_Grid->verticalHeader()->setDefaultSectionSize(15);
  for (int c = 0; c < 4; ++c) Error_Grid->setColumnWidth(c, 142);
}

void TK4M_Info_form::rebuildTree() {
  Mode_TreeView->clear();
  nodes_.clear();
  for (const ModeTreeNode& n : monitor_.modeTree().nodes()) {
    QTreeWidgetItem* item = n.parent < 0
                                ? new QTreeWidgetItem(Mode_TreeView)
                                : new QTreeWidgetItem(nodes_[static_cast<std::size_t>(n.parent)]);
    item->setText(0, latin(n.label));
    nodes_.push_back(item);
  }
  Mode_TreeView->expandAll();
}

void TK4M_Info_form::setNodeImages(int, int) {
  // Node images arrive with the image list of the dialog's tree.
}

void TK4M_Info_form::addEventRow(std::string_view location, std::string_view event,
                                 std::string_view lastColumn) {
  const int row = Error_Grid->rowCount() - 1;
  const QLocale locale = QLocale::system();
  const QDateTime now = QDateTime::currentDateTime();
  const QString when = locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                       locale.toString(now.time(), QLocale::LongFormat);
  const QString cells[] = {qs(location), qs(event), when, qs(lastColumn)};
  for (int c = 0; c < 4; ++c) Error_Grid->setItem(row, c, new QTableWidgetItem(cells[c]));
  Error_Grid->setRowCount(row + 2);
}

QTreeWidgetItem* TK4M_Info_form::nodeAt(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= nodes_.size()) return nullptr;
  return nodes_[static_cast<std::size_t>(index)];
}

void TK4M_Info_form::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  Info_Tab_Note->setCurrentIndex(0);
  static const char* kHeaders[] = {"     HDD Location", "            Event", "             TIME",
                                   "              LBA"};
  QStringList headers;
  for (const char* h : kHeaders) headers << QString::fromLatin1(h);
  Error_Grid->setHorizontalHeaderLabels(headers);
}

}  // namespace raidmon
