#include "ui/monitor/monitor_dialog.h"

#include <QDateTime>
#include <algorithm>
#include <QDesktopServices>
#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QTabBar>
#include <QUrl>

#include "ui/common/qt_dialogs.h"
#include "ui/common/qt_input.h"
#include "ui/common/qt_text.h"

namespace raidmon {

void ClickLabel::mouseReleaseEvent(QMouseEvent* e) {
  QLabel::mouseReleaseEvent(e);
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit clicked();
}

namespace {

QLabel* valueField(QWidget* parent, const char* name, int x, int y, int w) {
  auto* l = new QLabel(parent);
  l->setObjectName(name);
  l->setFrameShape(QFrame::Panel);
  l->setFrameShadow(QFrame::Sunken);
  l->setGeometry(x, y, w, 20);
  return l;
}

QLabel* caption(QWidget* parent, const char* text, int x, int y, int w = 150) {
  auto* l = new QLabel(QString::fromLatin1(text), parent);
  l->setGeometry(x, y, w, 20);
  return l;
}

// A fallback face for a node image when its file is missing: a small lamp.
QPixmap lamp(QColor colour) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(colour.darker(180));
  p.setBrush(colour);
  p.drawEllipse(QRectF(3, 3, 10, 10));
  return pm;
}

}  // namespace

MonitorDialog::MonitorDialog(Monitor& monitor, QWidget* parent)
    : QDialog(parent, Qt::Window), monitor_(monitor) {
  setObjectName("K4M_Info_form");
  setWindowTitle(QStringLiteral("Monitor"));
  setModal(false);
  setFixedSize(720, 540);
  openUrl = [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); };
  loadImages();

  buildLogo();
  buildModeTree();
  buildPages();
  buildEventGrid();
  ClearModeInfo();
  plainTextLabels(this);  // texts from files and the controller are never markup
  fitPageCaptions();
}

// The maker's logo, top left; a click opens the maker's page.
void MonitorDialog::buildLogo() {
  OEM_L_Image = new ClickLabel(this);
  OEM_L_Image->setObjectName("OEM_L_Image");
  OEM_L_Image->setGeometry(8, 8, 250, 40);
  OEM_L_Image->setCursor(Qt::PointingHandCursor);
  OEM_L_Image->setScaledContents(false);
  const QPixmap logo = loadPicture(qs(monitor_.texts().logoFile));
  if (!logo.isNull()) OEM_L_Image->setPixmap(logo.scaled(250, 40, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  connect(OEM_L_Image, &ClickLabel::clicked, this, [this] { guarded([this] { OEM_L_ImageClick(); }); });
}

// The array tree Mode_TreeView.
void MonitorDialog::buildModeTree() {
  Mode_TreeView = new QTreeWidget(this);
  Mode_TreeView->setObjectName("Mode_TreeView");
  Mode_TreeView->setHeaderHidden(true);
  Mode_TreeView->setIndentation(25);
  Mode_TreeView->setGeometry(8, 56, 250, 308);
  Mode_TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Mode_TreeView->setMouseTracking(true);  // hot tracking
  Mode_TreeView->setTextElideMode(Qt::ElideNone);
  Mode_TreeView->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  Mode_TreeView->header()->setStretchLastSection(false);
  QPalette pal = Mode_TreeView->palette();  // selection stays visible without focus
  pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
  pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Active, QPalette::HighlightedText));
  Mode_TreeView->setPalette(pal);
  connect(Mode_TreeView, &QTreeWidget::itemClicked, this, [this] { guarded([this] { RefreshSelection(); }); });
  connect(Mode_TreeView, &QTreeWidget::currentItemChanged, this, [this] { guarded([this] { RefreshSelection(); }); });
}

// The four pages of Info_Tab_Note.
void MonitorDialog::buildPages() {
  Info_Tab_Note = new QTabWidget(this);
  Info_Tab_Note->setObjectName("Info_Tab_Note");
  Info_Tab_Note->setGeometry(266, 8, 446, 356);
  auto* modePage = new QWidget;
  auto* hddPage = new QWidget;
  RebuildPage = new QWidget;
  auto* aboutPage = new QWidget;
  Info_Tab_Note->addTab(modePage, QStringLiteral("   Mode Info   "));
  Info_Tab_Note->addTab(hddPage, QStringLiteral("    HDD  Info    "));
  Info_Tab_Note->addTab(RebuildPage, QStringLiteral(" HDD Rebuild "));
  Info_Tab_Note->addTab(aboutPage, QStringLiteral("    About    "));
  buildModePage(modePage);
  buildHddPage(hddPage);
  buildAboutPage(aboutPage);
  buildRebuildPage(RebuildPage);
}

// The event grid Error_Grid in its " Status " group.
void MonitorDialog::buildEventGrid() {
  StatusGroup = new QGroupBox(QStringLiteral(" Status "), this);
  StatusGroup->setGeometry(8, 370, 704, 162);
  Error_Grid = new QTableWidget(1, 4, StatusGroup);
  Error_Grid->setObjectName("Error_Grid");
  Error_Grid->setGeometry(8, 20, 688, 134);
  Error_Grid->verticalHeader()->hide();
  Error_Grid->verticalHeader()->setMinimumSectionSize(15);
  Error_Grid->verticalHeader()->setDefaultSectionSize(15);
  Error_Grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  Error_Grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  Error_Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (int c = 0; c < 4; ++c) Error_Grid->setColumnWidth(c, 142);
}

void MonitorDialog::fitPageCaptions() {
  QTabBar* bar = Info_Tab_Note->tabBar();
  bar->setUsesScrollButtons(false);
  constexpr int kFrameSlack = 4;  // the tab bar's offset inside the notebook's frame
  const int missing = bar->sizeHint().width() + kFrameSlack - Info_Tab_Note->width();
  if (missing <= 0) return;
  Info_Tab_Note->resize(Info_Tab_Note->width() + missing, Info_Tab_Note->height());
  StatusGroup->resize(StatusGroup->width() + missing, StatusGroup->height());
  Error_Grid->resize(Error_Grid->width() + missing, Error_Grid->height());
  setFixedSize(width() + missing, height());
}

void MonitorDialog::buildModePage(QWidget* page) {
  static const char* kCaptions[] = {"RAID Mode               :", "Array capacity          :",
                                    "HDD base capacity :", "HDD Number           :",
                                    "Array Number           :"};
  static const char* kNames[] = {"RaidMode_L", "TotalSize_L", "BaseSize_L", "Order_L", "Physical_L"};
  QLabel** fields[] = {&RaidMode_L, &TotalSize_L, &BaseSize_L, &Order_L, &Physical_L};
  for (int i = 0; i < 5; ++i) {
    caption(page, kCaptions[i], 12, 12 + 26 * i);
    *fields[i] = valueField(page, kNames[i], 170, 12 + 26 * i, 190);
  }
  auto* rule = new QFrame(page);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  rule->setGeometry(8, 146, 362, 4);

  Raid_VIew = caption(page, "RAID 0 :", 6, 172, 52);
  Raid_VIew->setObjectName("Raid_VIew");
  Raid_View2 = caption(page, "RAID 1 :", 6, 244, 52);
  Raid_View2->setObjectName("Raid_View2");
  for (int i = 0; i < 8; ++i) {
    const int col = i % 4;
    auto* box = new QLabel(page);
    box->setObjectName(QStringLiteral("Raid%1_%2").arg(i / 4).arg(col + 1));
    box->setFrameShape(QFrame::Box);
    box->setAlignment(Qt::AlignCenter);
    box->setStyleSheet(QStringLiteral("background:#fff8dc;"));
    box->setGeometry(60 + 76 * col, i < 4 ? 170 : 242, 72, 24);
    boxes[static_cast<std::size_t>(i)] = box;
  }
  for (int i = 0; i < 4; ++i) {
    auto* arrow = new QLabel(QStringLiteral("\u2193"), page);
    arrow->setObjectName(QStringLiteral("ArrowDown%1").arg(i + 1));
    arrow->setAlignment(Qt::AlignCenter);
    QFont f = arrow->font();
    f.setPixelSize(22);
    f.setBold(true);
    arrow->setFont(f);
    arrow->setGeometry(60 + 76 * i, 196, 72, 44);
    arrows[static_cast<std::size_t>(i)] = arrow;
  }
  Raid_View_Center_1 = caption(page, "RAID 1", 116, 208, 56);
  Raid_View_Center_1->setObjectName("Raid_View_Center_1");
  Raid_View_Center_1->setAlignment(Qt::AlignCenter);
  Raid_View_Center_2 = caption(page, "RAID 1", 192, 208, 56);
  Raid_View_Center_2->setObjectName("Raid_View_Center_2");
  Raid_View_Center_2->setAlignment(Qt::AlignCenter);
}

void MonitorDialog::buildHddPage(QWidget* page) {
  static const char* kCaptions[] = {"Card Number   :", "IDE Channel     :", "Cylinders          :",
                                    "Heads               :", "Sectors             :", "Model               :",
                                    "Serial Number  :", "HDD Size          :", "UDMA Support :"};
  static const char* kNames[] = {"Card_NuM_L", "IDE_L", "Cylinders_L", "Heads_L", "Sectors_L",
                                 "Model_L", "Serial_L", "Hdd_L", "UDMA_L"};
  QLabel** fields[] = {&Card_NuM_L, &IDE_L, &Cylinders_L, &Heads_L, &Sectors_L,
                       &Model_L, &Serial_L, &Hdd_L, &UDMA_L};
  for (int i = 0; i < 9; ++i) {
    caption(page, kCaptions[i], 12, 12 + 30 * i, 110);
    *fields[i] = valueField(page, kNames[i], 124, 12 + 30 * i, 246);
  }
}

void MonitorDialog::buildAboutPage(QWidget* page) {
  caption(page, "RAID Controller : ", 16, 24, 120);
  OEM_P_Label = caption(page, "", 140, 24, 220);
  OEM_P_Label->setObjectName("OEM_P_Label");
  QFont big = OEM_P_Label->font();
  big.setBold(true);
  OEM_P_Label->setFont(big);
  OEM_C_Label = caption(page, "Korvane", 16, 64, 230);
  OEM_C_Label->setObjectName("OEM_C_Label");
  auto* picture = new QLabel(page);
  picture->setGeometry(256, 52, 110, 44);
  picture->setAlignment(Qt::AlignCenter);
  const QPixmap logo = loadPicture(qs(monitor_.texts().logoFile));
  if (!logo.isNull()) picture->setPixmap(logo.scaled(110, 44, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  OEM_H_Label = new ClickLabel(page);
  OEM_H_Label->setObjectName("OEM_H_Label");
  OEM_H_Label->setGeometry(16, 104, 350, 20);
  OEM_H_Label->setCursor(Qt::PointingHandCursor);
  OEM_H_Label->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
  connect(OEM_H_Label, &ClickLabel::clicked, this, [this] { guarded([this] { OEM_H_LabelClick(); }); });
  OEM_G_Label = caption(page, "GUI Version    ", 16, 144, 350);
  OEM_G_Label->setObjectName("OEM_G_Label");
  caption(page, "FLASH ROM   : ", 16, 184, 100);
  BIOS_LABEL = caption(page, "", 120, 184, 240);
  BIOS_LABEL->setObjectName("BIOS_LABEL");
}

void MonitorDialog::buildRebuildPage(QWidget* page) {
  Source_L = caption(page, "Source HDD", 12, 64, 80);
  Source_L->setObjectName("Source_L");
  Target_L = caption(page, "Target  HDD", 12, 103, 80);
  Target_L->setObjectName("Target_L");
  Source_label = valueField(page, "Source_label", 96, 62, 274);
  Target_label = valueField(page, "Target_label", 96, 102, 274);
  for (QLabel* l : {Source_label, Target_label}) l->setFixedHeight(24);
  Rebuild_Label = caption(page, "Select Source HDD from list on left side", 12, 20, 358);
  Rebuild_Label->setObjectName("Rebuild_Label");
  QFont bold = Rebuild_Label->font();
  bold.setBold(true);
  Rebuild_Label->setFont(bold);
  Rebuild_Start = new QPushButton(QStringLiteral("START [&S]"), page);
  Rebuild_Start->setObjectName("Rebuild_Start");
  Rebuild_Start->setGeometry(130, 112, 120, 30);
  Rebuild_Start->hide();
  Rebuild_Cancel = new QPushButton(QStringLiteral("Cancel"), page);
  Rebuild_Cancel->setObjectName("Rebuild_Cancel");
  Rebuild_Cancel->hide();
  AutoRebuild = new QPushButton(QStringLiteral("Auto Rebuild"), page);
  AutoRebuild->setObjectName("AutoRebuild");
  AutoRebuild->hide();
  Hdd_ProgressBar = new QProgressBar(page);
  Hdd_ProgressBar->setObjectName("Hdd_ProgressBar");
  Hdd_ProgressBar->setRange(0, 100);
  Hdd_ProgressBar->setValue(0);
  Hdd_ProgressBar->setGeometry(12, 160, 358, 22);
  Rebuild_StatusBar = valueField(page, "Rebuild_StatusBar", 12, 190, 358);
  Rebuild_StatusBar->setFixedHeight(24);
  // The rate and time left, under the progress text and only while there is a rate.
  Rebuild_RateLabel = new QLabel(page);
  Rebuild_RateLabel->setObjectName("Rebuild_RateLabel");
  Rebuild_RateLabel->setGeometry(12, 218, 358, 20);
  Rebuild_RateLabel->hide();
  auto click = [this](QPushButton* b, std::function<void()>* handler) {
    connect(b, &QPushButton::clicked, this, [handler] {
      if (*handler) guarded(*handler);
    });
  };
  click(Rebuild_Start, &startRebuild);
  click(Rebuild_Cancel, &cancelRebuild);
  click(AutoRebuild, &startAutoRebuild);
}

void MonitorDialog::setSourceText(std::string_view text) { Source_label->setText(latin(text)); }
void MonitorDialog::setTargetText(std::string_view text) { Target_label->setText(latin(text)); }
void MonitorDialog::setPrompt(std::string_view text) { Rebuild_Label->setText(qs(text)); }
void MonitorDialog::setPromptVisible(bool visible) { Rebuild_Label->setVisible(visible); }
void MonitorDialog::setTops(int sourceL, int sourceLabel, int targetL, int targetLabel) {
  Source_L->move(Source_L->x(), sourceL);
  Source_label->move(Source_label->x(), sourceLabel);
  Target_L->move(Target_L->x(), targetL);
  Target_label->move(Target_label->x(), targetLabel);
}
void MonitorDialog::setStartVisible(bool visible) { Rebuild_Start->setVisible(visible); }
void MonitorDialog::setStartEnabled(bool enabled) { Rebuild_Start->setEnabled(enabled); }
void MonitorDialog::setStartCaption(std::string_view caption) { Rebuild_Start->setText(qs(caption)); }
void MonitorDialog::setProgress(int value) {
  Hdd_ProgressBar->setValue(std::clamp(value, 0, 100));
  Hdd_ProgressBar->repaint();
}
void MonitorDialog::setStatusText(std::string_view text) { Rebuild_StatusBar->setText(qs(text)); }
void MonitorDialog::setRateText(std::string_view text) {
  Rebuild_RateLabel->setText(qs(text));
  Rebuild_RateLabel->setVisible(!text.empty());
}

void MonitorDialog::loadImages() {
  // The node images: hard disk, dark green, orange, bright green and red lamps, disc.
  static const QColor kLamps[] = {QColor(40, 110, 40), QColor(240, 140, 20), QColor(60, 230, 60),
                                  QColor(220, 40, 30)};
  for (int i = 0; i < 6; ++i) {
    QPixmap pm = loadPicture(qs(monitor_.programDir()) + QStringLiteral("imagelist/ImageList1_%1.png").arg(i));
    if (pm.isNull() && i >= 1 && i <= 4) pm = lamp(kLamps[i - 1]);
    if (pm.isNull()) pm = lamp(i == 0 ? QColor(150, 150, 160) : QColor(200, 200, 230));
    if (pm.toImage().pixelColor(0, 0) == QColor(255, 0, 255)) pm.setMask(pm.createMaskFromColor(QColor(255, 0, 255)));
    ImageList1[static_cast<std::size_t>(i)] = QIcon(pm);
  }
}

QIcon MonitorDialog::nodeIcon(NodeImage image, NodeImage selectedImage) const {
  QIcon icon;
  const int normal = static_cast<int>(image);
  const int selected = static_cast<int>(selectedImage);
  if (normal >= 0 && normal < 6) {
    icon.addPixmap(ImageList1[static_cast<std::size_t>(normal)].pixmap(16, 16), QIcon::Normal);
  }
  if (selected >= 0 && selected < 6) {
    icon.addPixmap(ImageList1[static_cast<std::size_t>(selected)].pixmap(16, 16), QIcon::Selected);
  }
  return icon;
}

void MonitorDialog::rebuildTree() {
  const QSignalBlocker block(Mode_TreeView);
  Mode_TreeView->clear();
  nodes_.clear();
  for (const ModeTreeNode& n : monitor_.modeTree().nodes()) {
    QTreeWidgetItem* item = n.parent < 0 ? new QTreeWidgetItem(Mode_TreeView)
                                         : new QTreeWidgetItem(nodes_[static_cast<std::size_t>(n.parent)]);
    item->setText(0, latin(n.label));
    item->setIcon(0, nodeIcon(n.image, n.selectedImage));
    item->setData(0, Qt::UserRole, n.array);  // the array a top-level node stands for
    nodes_.push_back(item);
  }
  Mode_TreeView->expandAll();
  FillAboutLabels();
}

void MonitorDialog::FillAboutLabels() {
  const DriveModel& model = monitor_.model();
  if (const auto chip = flashChipName(model.flashMaker(), model.flashDevice())) {
    BIOS_LABEL->setText(qs(*chip));
  }
  const IdentificationTexts& t = monitor_.texts();
  OEM_H_Label->setText(qs(t.homepage));
  OEM_P_Label->setText(qs(t.product));
  OEM_G_Label->setText(qs(t.guiVersion));
  OEM_C_Label->setText(qs(t.company));
}

void MonitorDialog::setNodeImages(int nodeIndex, NodeImage image) {
  if (QTreeWidgetItem* item = nodeAt(nodeIndex)) item->setIcon(0, nodeIcon(image, image));
}

void MonitorDialog::addEventRow(std::string_view location, std::string_view event,
                                std::string_view lastColumn) {
  const int row = Error_Grid->rowCount() - 1;
  const QLocale locale = QLocale::system();
  const QDateTime now = QDateTime::currentDateTime();
  const QString when = locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                       locale.toString(now.time(), QLocale::LongFormat);
  const QString cells[] = {qs(location), qs(event), when, qs(lastColumn)};
  for (int c = 0; c < 4; ++c) Error_Grid->setItem(row, c, new QTableWidgetItem(cells[c]));
  Error_Grid->setRowCount(row + 2);
  // The grid keeps the latest rows only (the history keeps them all): the oldest go.
  const int excess = Error_Grid->rowCount() - 1 - kMaxGridRows;
  for (int i = 0; i < excess; ++i) Error_Grid->removeRow(0);
  Error_Grid->scrollToBottom();
}

QTreeWidgetItem* MonitorDialog::nodeAt(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= nodes_.size()) return nullptr;
  return nodes_[static_cast<std::size_t>(index)];
}

int MonitorDialog::absoluteIndex(const QTreeWidgetItem* item) const {
  for (std::size_t i = 0; i < nodes_.size(); ++i) {
    if (nodes_[i] == item) return static_cast<int>(i);
  }
  return -1;
}

void MonitorDialog::RefreshSelection() {
  QTreeWidgetItem* selected = Mode_TreeView->currentItem();
  const int abs = absoluteIndex(selected);
  if (abs < 0) return;
  QTreeWidgetItem* top = selected;
  while (top->parent()) top = top->parent();
  const int array = top->data(0, Qt::UserRole).toInt();
  if (array < 0 || array >= kArrayRecords) return;
  const int arrayNode = monitor_.model().array(array).arrayNodeIndex;
  if (Info_Tab_Note->currentIndex() != kRebuildPage) {
    Info_Tab_Note->setCurrentIndex(abs == arrayNode ? kModePage : kHddPage);
  }
  switch (Info_Tab_Note->currentIndex()) {
    case kModePage:
      RaidMode_L->setText(QLatin1Char(' ') + top->text(0));
      ShowModeInfo(abs, arrayNode, array);
      ClearHddInfo();
      break;
    case kHddPage:
      ClearModeInfo();
      ShowHddInfo(abs, arrayNode, array);
      break;
    case kRebuildPage:
      if (onRebuildSelection) onRebuildSelection(abs, arrayNode, str(selected->text(0)), array);
      break;
    default:
      break;
  }
}

void MonitorDialog::ShowModeInfo(int absoluteIndex, int arrayNodeIndex, int arrayNumber) {
  if (absoluteIndex != arrayNodeIndex) return;
  const ModeInfo info = modeInfo(monitor_.model().array(arrayNumber));
  Order_L->setText(qs(info.order));
  TotalSize_L->setText(qs(info.totalSize));
  BaseSize_L->setText(qs(info.baseSize));
  Physical_L->setText(qs(info.physical));
  ShowArrayLayout(arrayNumber);
}

void MonitorDialog::ShowArrayLayout(int arrayNumber) {
  const ArrayLayout l = arrayLayout(monitor_.model().array(arrayNumber));
  Raid_VIew->setVisible(l.rowLabel1.visible);
  if (l.rowLabel1.visible) Raid_VIew->setText(qs(l.rowLabel1.text));
  Raid_View2->setVisible(l.rowLabel2.visible);
  if (l.rowLabel2.visible) Raid_View2->setText(qs(l.rowLabel2.text));
  if (l.rowLabel2TextEmptied) Raid_View2->clear();
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    boxes[i]->setVisible(l.boxes[i].visible);
    if (l.boxes[i].visible) boxes[i]->setText(qs(l.boxes[i].text));
  }
  for (std::size_t i = 0; i < arrows.size(); ++i) arrows[i]->setVisible(l.arrows[i]);
  Raid_View_Center_1->setVisible(l.centres[0]);
  Raid_View_Center_2->setVisible(l.centres[1]);
}

void MonitorDialog::ShowHddInfo(int absoluteIndex, int arrayNodeIndex, int arrayNumber) {
  if (absoluteIndex == arrayNodeIndex) return;
  const QTreeWidgetItem* item = nodeAt(absoluteIndex);
  if (!item || !item->parent()) return;
  const int slot = item->parent()->indexOfChild(const_cast<QTreeWidgetItem*>(item));
  const HddInfo info = hddInfo(monitor_.model().array(arrayNumber), slot);
  Card_NuM_L->setText(qs(info.card));
  IDE_L->setText(qs(info.channel));
  Cylinders_L->setText(qs(info.cylinders));
  Heads_L->setText(qs(info.heads));
  Sectors_L->setText(qs(info.sectors));
  Model_L->setText(latin(info.model));
  Serial_L->setText(latin(info.serial));
  Hdd_L->setText(qs(info.size));
  // A drive without Ultra DMA says so rather than keeping the previous drive's mode.
  UDMA_L->setText(qs(info.udma.value_or(" None")));
}

void MonitorDialog::ClearModeInfo() {
  for (QLabel* l : {RaidMode_L, Order_L, TotalSize_L, BaseSize_L, Physical_L}) l->clear();
  for (QLabel* l : boxes) l->hide();
  for (QLabel* l : arrows) l->hide();
  for (QLabel* l : {Raid_VIew, Raid_View2, Raid_View_Center_1, Raid_View_Center_2}) l->hide();
}

void MonitorDialog::ClearHddInfo() {
  for (QLabel* l : {Card_NuM_L, IDE_L, Cylinders_L, Heads_L, Sectors_L, Model_L, Serial_L, Hdd_L, UDMA_L}) {
    l->clear();
  }
}

void MonitorDialog::OEM_L_ImageClick() { Info_Tab_Note->setCurrentIndex(kAboutPage); }

void MonitorDialog::OEM_H_LabelClick() {
  // Only web addresses are opened: the text comes from a file anyone may edit.
  const QString text = OEM_H_Label->text().trimmed();
  const QUrl url(text, QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  if (url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
      !url.host().isEmpty()) {
    openUrl(url.toString());
  } else {
    monitor_.traceNote("Homepage not opened: " + str(text));
  }
}

void MonitorDialog::reject() {
  if (onClose) guarded(onClose);
  QDialog::reject();
}

void MonitorDialog::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  // A showing of the dialog prepares it; the window system's own show (a restore from
  // minimized) leaves the page and the rebuild selection as they are.
  if (!e->spontaneous()) {
    Info_Tab_Note->setCurrentIndex(kModePage);
    if (onShow) guarded(onShow);
  }
  static const char* kHeaders[] = {"     HDD Location", "            Event", "             TIME",
                                   "              LBA"};
  QStringList headers;
  for (const char* h : kHeaders) headers << QString::fromLatin1(h);
  Error_Grid->setHorizontalHeaderLabels(headers);
}

}  // namespace raidmon
