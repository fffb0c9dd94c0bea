// The scan form "Scan Hard Disk " (the system's form ScanBus_Form): the wait before a
// bus rescan, and the plug tables.
#pragma once

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>
#include <array>
#include <functional>

#include "monitor/monitor_views.h"

namespace raidmon {

class ScanBusWindow final : public QWidget, public ScanFormView {
  Q_OBJECT
 public:
  explicit ScanBusWindow(QWidget* parent = nullptr);

  QLabel* ScanBus_form_Caption;
  QProgressBar* ProgressBar1;
  QPushButton* DisableHdd;
  std::array<QLabel*, 8> panels{};  // Panel1 .. Panel8

  void showScanForm(std::string_view caption) override;
  void setScanCaption(std::string_view caption) override;
  void setScanProgress(int value) override;
  void closeScanForm() override;
  void setScanPanels(const std::array<std::string, 8>& texts) override;
  // DisableHddClick: the core's rescan-now.
  std::function<void()> DisableHddClick;
  // ScanBusFormClick: shows the form with its tables.
  void showTables();

 protected:
  void closeEvent(QCloseEvent* e) override;
};

}  // namespace raidmon
