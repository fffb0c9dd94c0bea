// The hidden "Debugging Form" (the system's form Debug_Form): raw drive-state grids,
// port names and the trace list.
#pragma once

#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QWidget>

#include "monitor/monitor.h"

namespace raidmon {

class DebugWindow final : public QWidget, public DebugView {
  Q_OBJECT
 public:
  explicit DebugWindow(Monitor& monitor, QWidget* parent = nullptr);

  QTableWidget* Grid;
  QTableWidget* Rebuild_Grid;
  QTableWidget* Query_Grid;
  QListWidget* Process_list;
  QPlainTextEdit* Memo1;
  QLabel* Label1;
  QLabel* Label2;

  void addTrace(std::string_view line) override;  // AddTrace
  void setPlugLabel(std::string_view text) override;
  void fillDebugGrid() override;  // FillDebugGrid
  void DebugForm1Click();

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void setCell(QTableWidget* grid, int row, int col, const QString& text);
  Monitor& monitor_;
};

}  // namespace raidmon
