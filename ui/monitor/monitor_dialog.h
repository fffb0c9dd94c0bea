// The Monitor dialog (the system's form K4M_Info_form): the array tree Mode_TreeView on
// the left, the notebook Info_Tab_Note with the Mode Info, HDD Info, HDD Rebuild and
// About pages on the right, the event grid Error_Grid below.
#pragma once

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <array>
#include <functional>
#include <vector>

#include "monitor/array_info.h"
#include "monitor/monitor.h"

namespace raidmon {

// The event grid keeps this many rows of the run (besides its empty last row); the
// oldest go first, and the event history keeps them all.
inline constexpr int kMaxGridRows = 5000;

// A label that reports clicks (the logo and the home page link).
class ClickLabel final : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;
 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* e) override;
};

class MonitorDialog final : public QDialog, public ModeTreeView, public EventGridView,
                            public RebuildPageView {
  Q_OBJECT
 public:
  static constexpr int kModePage = 0;
  static constexpr int kHddPage = 1;
  static constexpr int kRebuildPage = 2;
  static constexpr int kAboutPage = 3;

  explicit MonitorDialog(Monitor& monitor, QWidget* parent = nullptr);

  ClickLabel* OEM_L_Image;
  QTreeWidget* Mode_TreeView;
  QTabWidget* Info_Tab_Note;
  std::array<QIcon, 6> ImageList1;
  QGroupBox* StatusGroup;
  QTableWidget* Error_Grid;
  // Mode Info page.
  QLabel *RaidMode_L, *TotalSize_L, *BaseSize_L, *Order_L, *Physical_L;
  QLabel *Raid_VIew, *Raid_View2, *Raid_View_Center_1, *Raid_View_Center_2;
  std::array<QLabel*, 8> boxes{};   // Raid0_1..Raid0_4, Raid1_1..Raid1_4
  std::array<QLabel*, 4> arrows{};  // ArrowDown1..ArrowDown4
  // HDD Info page.
  QLabel *Card_NuM_L, *IDE_L, *Cylinders_L, *Heads_L, *Sectors_L, *Model_L, *Serial_L, *Hdd_L, *UDMA_L;
  // About page.
  QLabel *OEM_P_Label, *OEM_C_Label, *OEM_G_Label, *BIOS_LABEL;
  ClickLabel* OEM_H_Label;
  // Rebuild page.
  QWidget* RebuildPage;
  QLabel *Source_L, *Target_L, *Source_label, *Target_label, *Rebuild_Label, *Rebuild_StatusBar;
  QLabel* Rebuild_RateLabel;  // "<rate> MB/s, <h:mm:ss> left" under Rebuild_StatusBar
  QPushButton *Rebuild_Start, *Rebuild_Cancel, *AutoRebuild;
  QProgressBar* Hdd_ProgressBar;

  // Called with (absolute index, array node index, node label, array number) when a
  // node is selected while the rebuild page shows.
  std::function<void(int, int, const std::string&, int)> onRebuildSelection;
  // The rebuild page's handlers and events, wired to the rebuild control.
  std::function<void()> startRebuild, cancelRebuild, startAutoRebuild;
  std::function<void()> onShow, onClose;
  // Opens an address with the desktop's handler; replaceable in tests.
  std::function<void(const QString&)> openUrl;

  // ModeTreeView: FillModeTree's widget side (nodes, images, About labels).
  void rebuildTree() override;
  void setNodeImages(int nodeIndex, NodeImage image) override;
  // EventGridView: writes the last (empty) row of Error_Grid, then adds one row.
  void addEventRow(std::string_view location, std::string_view event,
                   std::string_view lastColumn) override;

  // RebuildPageView.
  void setSourceText(std::string_view text) override;
  void setTargetText(std::string_view text) override;
  void setPrompt(std::string_view text) override;
  void setPromptVisible(bool visible) override;
  void setTops(int sourceL, int sourceLabel, int targetL, int targetLabel) override;
  void setStartVisible(bool visible) override;
  void setStartEnabled(bool enabled) override;
  void setStartCaption(std::string_view caption) override;
  void setProgress(int value) override;
  void setStatusText(std::string_view text) override;
  void setRateText(std::string_view text) override;

  // The node at an absolute index (counted over all nodes, top to bottom).
  QTreeWidgetItem* nodeAt(int index) const;
  int absoluteIndex(const QTreeWidgetItem* item) const;

  void RefreshSelection();
  void ShowModeInfo(int absoluteIndex, int arrayNodeIndex, int arrayNumber);
  void ShowHddInfo(int absoluteIndex, int arrayNodeIndex, int arrayNumber);
  void ShowArrayLayout(int arrayNumber);
  void ClearModeInfo();
  void ClearHddInfo();
  void OEM_L_ImageClick();
  void OEM_H_LabelClick();

 protected:
  void showEvent(QShowEvent* e) override;
  void reject() override;  // closing the dialog (window close or Escape)

 private:
  void buildModePage(QWidget* page);
  void buildHddPage(QWidget* page);
  void buildAboutPage(QWidget* page);
  void buildRebuildPage(QWidget* page);
  void loadImages();
  // Shows the notebook's four page captions whole on every page: no scroll arrows, and
  // where the font needs more room than the notebook has, the notebook, the status box
  // and the dialog grow to the right by what is missing.
  void buildLogo();
  void buildModeTree();
  void buildPages();
  void buildEventGrid();
  void fitPageCaptions();
  QIcon nodeIcon(NodeImage image, NodeImage selectedImage) const;
  void FillAboutLabels();

  Monitor& monitor_;
  std::vector<QTreeWidgetItem*> nodes_;
};

}  // namespace raidmon
