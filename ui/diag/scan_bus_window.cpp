#include "ui/diag/scan_bus_window.h"

#include <QCloseEvent>

#include "ui/common/qt_dialogs.h"
#include "ui/common/qt_text.h"

namespace raidmon {

ScanBusWindow::ScanBusWindow(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
  setObjectName("ScanBus_Form");
  setWindowTitle(QStringLiteral("Scan Hard Disk "));
  resize(315, 62);
  ScanBus_form_Caption = new QLabel(QStringLiteral("   Hard Disk Scaning......"), this);
  ScanBus_form_Caption->setObjectName("ScanBus_form_Caption");
  ScanBus_form_Caption->setGeometry(4, 4, 307, 24);
  ScanBus_form_Caption->setFrameShape(QFrame::Panel);
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setGeometry(4, 32, 307, 20);
  DisableHdd = new QPushButton(QStringLiteral("ScanBus"), this);
  DisableHdd->setObjectName("DisableHdd");
  DisableHdd->setGeometry(4, 284, 80, 25);
  connect(DisableHdd, &QPushButton::clicked, this, [this] {
    if (DisableHddClick) guarded(DisableHddClick);
  });
  static const char* kNames[] = {"DisableHdd", "PioStatus", "ExistTavrix", "ExistFilter",
                                 "TavrixATA",  "ChildPdo",  "TargetId",    "CountPdo"};
  for (int i = 0; i < 8; ++i) {
    auto* label = new QPushButton(QString::fromLatin1(kNames[i]), this);
    label->setGeometry(4, 60 + 27 * i, 80, 24);
    label->setFocusPolicy(Qt::NoFocus);
    auto* panel = new QLabel(this);
    panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setGeometry(88, 60 + 27 * i, 223, 24);
    panels[static_cast<std::size_t>(i)] = panel;
  }
  plainTextLabels(this);  // texts from files and the controller are never markup
}

void ScanBusWindow::showScanForm(std::string_view caption) {
  ScanBus_form_Caption->setText(qs(caption));
  show();
}
void ScanBusWindow::setScanCaption(std::string_view caption) { ScanBus_form_Caption->setText(qs(caption)); }
void ScanBusWindow::setScanProgress(int value) { ProgressBar1->setValue(std::clamp(value, 0, 100)); }
void ScanBusWindow::closeScanForm() { close(); }

void ScanBusWindow::setScanPanels(const std::array<std::string, 8>& texts) {
  for (std::size_t i = 0; i < panels.size(); ++i) panels[i]->setText(qs(texts[i]));
}

void ScanBusWindow::showTables() {
  show();
  setGeometry(192, 119, 315, 318);
}

void ScanBusWindow::closeEvent(QCloseEvent* e) {
  ScanBus_form_Caption->clear();
  QWidget::closeEvent(e);
}

}  // namespace raidmon
