// The Monitor dialog: the array tree on the left, the notebook with the Mode Info,
// HDD Info, HDD Rebuild and About pages on the right, the event grid below.
#pragma once

#include <QDialog>
#include <QGroupBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>

#include "monitor/monitor.h"

namespace raidmon {

class TK4M_Info_form final : public QDialog, public ModeTreeView, public EventGridView {
  Q_OBJECT
 public:
  explicit TK4M_Info_form(Monitor& monitor, QWidget* parent = nullptr);

  QTreeWidget* Mode_TreeView;
  QTabWidget* Info_Tab_Note;
  QGroupBox* StatusGroup;
  QTableWidget* Error_Grid;

  void rebuildTree() override;  // FillModeTree's widget side
  void setNodeImages(int nodeIndex, int image) override;
  // Writes the last (empty) row of Error_Grid, then adds one row.
  void addEventRow(std::string_view location, std::string_view event,
                   std::string_view lastColumn) override;
  // The node at an absolute index (counted over all nodes, top to bottom).
  QTreeWidgetItem* nodeAt(int index) const;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  Monitor& monitor_;
  std::vector<QTreeWidgetItem*> nodes_;
};

}  // namespace raidmon
