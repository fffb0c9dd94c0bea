#include "ui/main/status_window.h"

#include <algorithm>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QFileInfo>
#include <QImageReader>
#include <QLinearGradient>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QShortcut>

#include "monitor/skin_choice.h"
#include "platform/raidmon_error.h"
#include "ui/common/qt_input.h"
#include "ui/common/qt_text.h"

namespace raidmon {

namespace {

constexpr std::array<const char*, 16> kIndicatorNames = {
    "C1_PM", "C1_PS", "C1_SM", "C1_SS", "C2_PM", "C2_PS", "C2_SM", "C2_SS",
    "C3_PM", "C3_PS", "C3_SM", "C3_SS", "C4_PM", "C4_PS", "C4_SM", "C4_SS"};
// Cards 1 and 2 have sockets in every skin; cards 3 and 4 only in the small skins of
// three and four cards.
constexpr std::size_t kAlwaysSocketed = 8;
constexpr int kDesignWidth = 158;
constexpr int kDesignHeight = 450;

// Design positions (the large skins' layout): the indicators' sockets, two rows of four.
constexpr std::array<int, 4> kLargeLeft = {16, 52, 88, 121};
constexpr std::array<int, 4> kLargeWidth = {29, 30, 29, 28};
constexpr std::array<int, 2> kLargeTop = {144, 180};
constexpr int kLargeHeight = 29;

// The small layout: one 112 x 19 panel per card, 15 x 15 sockets.
constexpr int kPanelWidth = 112;
constexpr int kPanelHeight = 19;
constexpr std::array<int, 4> kSmallLeft = {9, 35, 64, 90};
// Cards 3 and 4 sit one 19-pixel panel further down each, as card 2 does below card 1.
constexpr std::array<int, 4> kSmallTop = {3, 20, 39, 58};

struct AreaPlace {
  const char* name;
  QRect rect;
};
// The invisible mouse areas over the large skins; all lie outside the small skins'
// panels, so they never take a click meant for a card there.
constexpr std::array<AreaPlace, 4> kM3 = {{{"M3_Mch0", {16, 126, 29, 16}},
                                           {"M3_Mch1", {88, 126, 29, 16}},
                                           {"M3_Sch0", {52, 126, 30, 16}},
                                           {"M3_Sch1", {121, 126, 28, 16}}}};
constexpr std::array<AreaPlace, 4> kM4 = {{{"M4_Mch0", {16, 209, 29, 5}},
                                           {"M4_Mch1", {88, 209, 29, 5}},
                                           {"M4_Sch0", {52, 209, 30, 5}},
                                           {"M4_Sch1", {121, 209, 28, 5}}}};
constexpr QRect kSM2(8, 80, 120, 18);
constexpr QRect kImage18(0, 103, 149, 8);
constexpr QRect kImage19(0, 214, 149, 6);
constexpr QRect kImage11(133, 4, 12, 12);
constexpr QRect kImage16(133, 115, 12, 12);

struct MenuEntry {
  MenuItem item;
  const char* name;
  const char* shortcut;
};
constexpr std::array<MenuEntry, kMenuItemCount> kMenu = {{
    {MenuItem::Small_Open, "Small_Open", nullptr},
    {MenuItem::MonitorOpen1, "MonitorOpen1", nullptr},
    {MenuItem::Rebuild1, "Rebuild1", nullptr},
    {MenuItem::Auto_Rebuild_Option, "Auto_Rebuild_Option", nullptr},
    {MenuItem::Alwaysontop, "Alwaysontop", nullptr},
    {MenuItem::FlashFileUpdate5, "FlashFileUpdate5", nullptr},
    {MenuItem::ScanHdd, "ScanHdd", "Ctrl+R"},
    {MenuItem::GUITrayIcon1, "GUITrayIcon1", nullptr},
    {MenuItem::N2, "N2", nullptr},
    {MenuItem::Exit1, "Exit1", nullptr},
    {MenuItem::RebuildComplete1, "RebuildComplete1", "Ctrl+C"},
    {MenuItem::ScanBusForm, "ScanBusForm", "Ctrl+B"},
    {MenuItem::LOOPTIME1, "LOOPTIME1", "Ctrl+T"},
    {MenuItem::RebuildSizeValue1, "RebuildSizeValue1", "Ctrl+S"},
    {MenuItem::RebuildSizeCheck1, "RebuildSizeCheck1", "Ctrl+Alt+S"},
    {MenuItem::DebugForm1, "DebugForm1", "Shift+Alt+Backspace"},
}};

void run(const std::function<void()>& hook) {
  if (hook) hook();
}

}  // namespace

StatusWindow::StatusWindow(Monitor& monitor, QWidget* parent, Dialogs* dialogs)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      SkinForm1(new SkinWidget(this)),
      PopupMenu1(new QMenu(this)),
      monitor_(monitor),
      pollTimer_(Sec_Timer),
      dialogs_(this),
      trayAvailable_([] { return QSystemTrayIcon::isSystemTrayAvailable(); }) {
  setObjectName("Form1");
  setWindowTitle(QStringLiteral("Graphics User Interface"));
  resize(kDesignWidth, kDesignHeight);
  setFocusPolicy(Qt::StrongFocus);
  buildMouseAreas();
  auto* clock = new IndicatorClock(this);
  for (std::size_t i = 0; i < indicators.size(); ++i) {
    indicators[i] = new GifIndicator(kIndicatorNames[i], clock, this);
    const std::size_t col = i % 4;
    if (i < kAlwaysSocketed) {
      indicators[i]->setGeometry(kLargeLeft[col], kLargeTop[i / 4], kLargeWidth[col], kLargeHeight);
    } else {
      indicators[i]->setGeometry(kSmallLeft[col], kSmallTop[i / 4], 15, 15);
      indicators[i]->hide();
    }
    connectDrag(indicators[i], DragKind::Card);
    connect(indicators[i], &GifIndicator::clicked, this, [this] { guarded([this] { card1DblClick(); }); });
  }
  connect(SkinForm1, &SkinWidget::clicked, this, [this] { guarded([this] { card1DblClick(); }); });
  connect(SkinForm1, &SkinWidget::doubleClicked, this, [this] { guarded([this] { SkinForm1DblClick(); }); });
  buildMenu();

  Sec_Timer.setObjectName("Sec_Timer");
  Sec_Timer.setSingleShot(false);
  connect(&Sec_Timer, &QTimer::timeout, this, [this] { guarded([this] { monitor_.pollOnce(); }); });

  MonitorViews views;
  views.menu = this;
  views.indicators = this;
  views.window = this;
  views.timer = &pollTimer_;
  dialogsOverride_ = dialogs;
  views.dialogs = &this->dialogs();
  monitor_.setViews(views);
  plainTextLabels(this);  // texts from files and the controller are never markup
  guarded([this] { monitor_.start(); });
}

StatusWindow::~StatusWindow() {
  Sec_Timer.stop();
  removeTrayIcon();
}

void StatusWindow::buildMouseAreas() {
  Card1 = new MouseArea("Card1", this);
  card2 = new MouseArea("card2", this);
  Card1->setGeometry(0, 0, 149, 103);
  card2->setGeometry(0, 111, 149, 103);
  connectDrag(Card1, DragKind::Card);
  connectDrag(card2, DragKind::Panel);
  connect(Card1, &MouseArea::doubleClicked, this, [this] { guarded([this] { card1DblClick(); }); });
  connect(card2, &MouseArea::doubleClicked, this, [this] { guarded([this] { card1DblClick(); }); });

  Image18 = new MouseArea("Image18", this);
  Image19 = new MouseArea("Image19", this);
  Image18->setGeometry(kImage18);
  Image19->setGeometry(kImage19);
  connectDrag(Image18, DragKind::Panel);
  connectDrag(Image19, DragKind::Panel);

  for (std::size_t i = 0; i < 4; ++i) {
    M3[i] = new MouseArea(kM3[i].name, this);
    M3[i]->setGeometry(kM3[i].rect);
    connectDrag(M3[i], DragKind::Form);
    M4[i] = new MouseArea(kM4[i].name, this);
    M4[i]->setGeometry(kM4[i].rect);
    connectDrag(M4[i], DragKind::Form);
  }
  SM2 = new MouseArea("SM2", this);
  SM2->setGeometry(kSM2);
  connectDrag(SM2, DragKind::Form);
  connect(SM2, &MouseArea::doubleClicked, this, [this] { guarded([this] { card1DblClick(); }); });

  Image11 = new MouseArea("Image11", this);
  Image16 = new MouseArea("Image16", this);
  Image11->setGeometry(kImage11);
  Image16->setGeometry(kImage16);
  for (MouseArea* trayIn : {Image11, Image16}) {
    trayIn->setToolTip(QString::fromLatin1(kTrayInHint));
    trayIn->setCursor(Qt::PointingHandCursor);
    connect(trayIn, &MouseArea::clicked, this, [this] { guarded([this] { U_buttonClick(); }); });
  }
}

void StatusWindow::connectDrag(QObject* source, DragKind kind) {
  auto down = [this](Qt::MouseButton b, QPoint at) { guarded([&] { dragDown(b, at.x(), at.y()); }); };
  auto move = [this, kind](QPoint at) { guarded([&] { dragMove(kind, at.x(), at.y()); }); };
  auto up = [this](Qt::MouseButton b, QPoint) { guarded([&] { dragUp(b); }); };
  if (auto* area = qobject_cast<MouseArea*>(source)) {
    connect(area, &MouseArea::pressed, this, down);
    connect(area, &MouseArea::moved, this, move);
    connect(area, &MouseArea::released, this, up);
  } else if (auto* gif = qobject_cast<GifIndicator*>(source)) {
    connect(gif, &GifIndicator::pressed, this, down);
    connect(gif, &GifIndicator::moved, this, move);
    connect(gif, &GifIndicator::released, this, up);
  }
}

void StatusWindow::buildMenu() {
  for (const MenuEntry& e : kMenu) {
    // The separator N2 carries no text: a style draws a separator's text beside its line
    // (the model's caption "-" showed up as a stray dash).
    const bool separator = e.item == MenuItem::N2;
    auto* act = new QAction(separator ? QString() : qs(monitor_.menu().item(e.item).caption), this);
    act->setObjectName(e.name);
    act->setSeparator(separator);
    if (e.shortcut) {
      act->setShortcut(QKeySequence(QString::fromLatin1(e.shortcut)));
      act->setShortcutVisibleInContextMenu(true);
      // Hidden items stay reachable by their keys while this window has the focus
      // (a hidden QAction ignores its shortcut, so the key calls the handler itself).
      act->setShortcutContext(Qt::WidgetShortcut);
      auto* key = new QShortcut(QKeySequence(QString::fromLatin1(e.shortcut)), this);
      connect(key, &QShortcut::activated, this, [this, item = e.item] {
        if (monitor_.menu().item(item).enabled) emit actions_[item]->triggered(false);
      });
    }
    PopupMenu1->addAction(act);
    actions_[e.item] = act;
    applyMenuItem(e.item, monitor_.menu().item(e.item));
  }
  auto on = [this](MenuItem item, std::function<void()> handler) {
    connect(actions_[item], &QAction::triggered, this, [handler] { guarded(handler); });
  };
  on(MenuItem::MonitorOpen1, [this] { showMonitorDialog(); });
  on(MenuItem::Rebuild1, [this] {
    showMonitorDialog();
    setMonitorPage(2);
  });
  on(MenuItem::Auto_Rebuild_Option, [this] { monitor_.toggleAutoRebuildOption(); });
  on(MenuItem::Alwaysontop, [this] { AlwaysontopClick(); });
  on(MenuItem::FlashFileUpdate5, [this] { run(commands_.showFlashDialog); });
  on(MenuItem::ScanHdd, [this] { run(commands_.scanHdd); });
  on(MenuItem::GUITrayIcon1, [this] { GUITrayIcon1Click(); });
  on(MenuItem::Exit1, [this] { Exit1Click(); });
  on(MenuItem::RebuildComplete1, [this] { run(commands_.rebuildComplete); });
  on(MenuItem::ScanBusForm, [this] { run(commands_.showScanTables); });
  on(MenuItem::LOOPTIME1, [this] { monitor_.askLoopTime(); });
  on(MenuItem::RebuildSizeValue1, [this] { run(commands_.rebuildSizeValue); });
  on(MenuItem::RebuildSizeCheck1, [this] { run(commands_.rebuildSizeCheck); });
  on(MenuItem::DebugForm1, [this] { run(commands_.showDebugForm); });
}

GifIndicator* StatusWindow::indicator(int card, int position) const {
  if (card < 1 || card > 4 || position < 1 || position > 4) return nullptr;
  return indicators[static_cast<std::size_t>(4 * (card - 1) + position - 1)];
}

int StatusWindow::screenWidth() const {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  return screen ? screen->geometry().width() : 1024;
}

void StatusWindow::placeWindow(int left, int top) { move(left, top); }

void StatusWindow::closeMainWindow() {
  closing_ = true;
  Sec_Timer.stop();
  close();
}

// ------------------------------------------------------------------ skins and layout

void StatusWindow::SelectSmallSkin(int cardCount) {
  monitor_.setSmallGui(true);
  lampRows_ = std::clamp(cardCount, 2, 4);
  const std::string_view file = smallSkinFile(cardCount);
  if (!file.empty()) {
    const std::string path = monitor_.programDir() + std::string(kSkinDirectory) + std::string(file);
    try {
      SkinForm1->LoadSkin(qs(path));
    } catch (const std::exception& e) {
      // Start-up goes on with the skin in force; the operator sees why.
      showSkinError(QString::fromUtf8(e.what()));
    }
  }
  ArrangeCardPanels();
}

void StatusWindow::SelectArraySkin(int modeCode, int model) {
  const ArraySkinChoice choice = chooseArraySkin(modeCode, model, monitor_.gui().Gui_Small == 1);
  lampRows_ = 2;  // the array skins draw the sockets of cards 1 and 2
  if (!choice.file.empty()) {
    SkinForm1->LoadSkin(qs(monitor_.programDir() + std::string(kSkinDirectory) + std::string(choice.file)));
  }
  applyArraySkinMenu(monitor_, choice);
}

void StatusWindow::showSkinError(const QString& text) {
  // An unattended run records it (and shows nothing when it answers its own dialogs).
  if (dialogsOverride_) {
    dialogsOverride_->errorNotice(str(text));
    return;
  }
  auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok, this);
  box->setObjectName("SkinErrorBox");
  box->setTextFormat(Qt::PlainText);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowFlag(Qt::WindowStaysOnTopHint);
  box->setWindowModality(Qt::NonModal);  // start-up and monitoring go on meanwhile
  box->show();
}

void StatusWindow::ArrangeCardPanels() {
  auto place = [](QWidget* w, int left, int top, int width, int height) { w->setGeometry(left, top, width, height); };
  if (monitor_.gui().Gui_Small == 1) {
    place(Card1, 0, 0, kPanelWidth, kPanelHeight);
    place(card2, 0, kPanelHeight, kPanelWidth, kPanelHeight);
    for (std::size_t i = 0; i < indicators.size(); ++i) {
      place(indicators[i], kSmallLeft[i % 4], kSmallTop[i / 4], 15, 15);
    }
  } else {
    place(Card1, 0, 0, 149, 103);
    place(card2, 0, 111, 149, 103);
  }
  showSocketedLamps();
}

bool StatusWindow::hasSocket(int card) const {
  return card <= 2 || (monitor_.gui().Gui_Small == 1 && card <= lampRows_);
}

void StatusWindow::showSocketedLamps() {
  for (std::size_t i = kAlwaysSocketed; i < indicators.size(); ++i) {
    GifIndicator* lamp = indicators[i];
    const bool shown = lampWanted_[i - kAlwaysSocketed] && hasSocket(static_cast<int>(i / 4) + 1);
    if (shown == lamp->isVisible()) continue;
    lamp->setVisible(shown);
    if (shown) {
      lamp->play();
    } else {
      lamp->stop();
    }
  }
}

void StatusWindow::FormResize() { move(screenWidth() - 150, y()); }

void StatusWindow::U_buttonClick() {
  if (!trayInPrepare(monitor_, pollTimer_)) {
    dialogs().confirmBox(kRebuildProcessing, false);
    return;
  }
  SelectArraySkin(monitor_.gui().Mode[0], monitor_.gui().Model);
  ArrangeCardPanels();
}

// ------------------------------------------------------------------ commands

void StatusWindow::showMonitorDialog() { run(commands_.showMonitorDialog); }

void StatusWindow::setMonitorPage(int page) {
  if (commands_.setMonitorPage) commands_.setMonitorPage(page);
}

void StatusWindow::card1DblClick() {
  // The click that ends a card drag opens nothing.
  if (monitor_.gui().Card_Click) {
    monitor_.setCardClicked(false);
    return;
  }
  showMonitorDialog();
}

void StatusWindow::SkinForm1DblClick() { showMonitorDialog(); }

void StatusWindow::AlwaysontopClick() {
  const bool onTop = !monitor_.menu().checked(MenuItem::Alwaysontop);
  monitor_.setMenuChecked(MenuItem::Alwaysontop, onTop);
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
  if (visible) show();
}

void StatusWindow::GUITrayIcon1Click() {
  const QString path = qs(monitor_.programDir()) + QStringLiteral("tavrix.ico");
  InputFileStatus status = InputFileStatus::kOk;
  const QIcon icon = loadIcon(path, &status);
  if (status != InputFileStatus::kOk && status != InputFileStatus::kTooLarge) {
    throw RaidmonError("Cannot open file \"" + str(path) + "\"");
  }
  if (icon.availableSizes().isEmpty()) throw RaidmonError("Icon image is not valid: " + str(path));
  // Without a notification area the window would be gone with no icon to bring it back.
  if (!trayAvailable_()) {
    if (dialogsOverride_) {
      dialogsOverride_->messageBox(kNoNotificationArea);
      return;
    }
    QMessageBox box(QMessageBox::Information, QStringLiteral("Monitor"), QString::fromLatin1(kNoNotificationArea),
                    QMessageBox::Ok, this);
    box.setObjectName("NoTrayBox");
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return;
  }
  if (!trayIcon_) {
    trayIcon_ = new QSystemTrayIcon(this);
    connect(trayIcon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason r) { guarded([&] { trayIconActivated(r); }); });
  }
  trayIcon_->setIcon(icon);
  trayIcon_->setToolTip(QString::fromLatin1(kTrayTip));
  hide();
  trayIcon_->show();
}

void StatusWindow::trayIconActivated(QSystemTrayIcon::ActivationReason reason) {
  if (reason == QSystemTrayIcon::Trigger) {
    removeTrayIcon();
    show();
    raise();
  } else if (reason == QSystemTrayIcon::Context) {
    PopupMenu1->popup(QCursor::pos());
  }
}

void StatusWindow::removeTrayIcon() {
  if (trayIcon_) trayIcon_->hide();
}

void StatusWindow::Exit1Click() {
  removeTrayIcon();
  closeMainWindow();
}

// ------------------------------------------------------------------ indicators and menu

void StatusWindow::loadAnimation(int card, int position, const std::string& gifPath) {
  if (GifIndicator* g = indicator(card, position)) g->load(qs(gifPath));
}

void StatusWindow::hideIndicator(int card, int position) {
  if (card > 2 && indicator(card, position)) lampWanted_[static_cast<std::size_t>(4 * (card - 3) + position - 1)] = false;
  if (GifIndicator* g = indicator(card, position)) {
    g->hide();
    g->stop();
  }
}

void StatusWindow::showAndPlay(int card, int position) {
  if (card > 2 && indicator(card, position)) {
    // Lit where the skin has its socket; otherwise it waits, dark, for a skin that has.
    lampWanted_[static_cast<std::size_t>(4 * (card - 3) + position - 1)] = true;
    if (!hasSocket(card)) return;
  }
  if (GifIndicator* g = indicator(card, position)) {
    g->show();
    g->repaint();
    g->play();
  }
}

void StatusWindow::applyMenuItem(MenuItem item, const MenuItemState& state) {
  auto it = actions_.find(item);
  if (it == actions_.end()) return;
  QAction* act = it->second;
  if (item != MenuItem::N2) act->setText(qs(state.caption));
  act->setVisible(state.visible);
  act->setEnabled(state.enabled);
  const bool checkable = item == MenuItem::Auto_Rebuild_Option || item == MenuItem::Alwaysontop ||
                         item == MenuItem::RebuildSizeCheck1;
  act->setCheckable(checkable);
  act->setChecked(state.checked);
}

// ------------------------------------------------------------------ window drags

void StatusWindow::dragDown(Qt::MouseButton button, int x, int y) {
  if (button != Qt::LeftButton) return;
  dragging_ = true;
  dragStart_ = QPoint(x, y);
}

void StatusWindow::dragMove(DragKind kind, int x, int y) {
  if (!dragging_) return;
  if (kind == DragKind::Form) {
    x = std::max(0, x);
    y = std::max(0, y);
  }
  if (kind == DragKind::Card) monitor_.setCardClicked(true);
  move(this->x() + x - dragStart_.x(), this->y() + y - dragStart_.y());
  repaint();
}

void StatusWindow::dragUp(Qt::MouseButton button) {
  if (button != Qt::LeftButton || !dragging_) return;
  dragging_ = false;
  dragStart_ = QPoint(0, 0);
}

void StatusWindow::FormMouseDown(Qt::MouseButton b, int x, int y) { dragDown(b, x, y); }
void StatusWindow::FormMouseMove(int x, int y) { dragMove(DragKind::Form, x, y); }
void StatusWindow::FormMouseUp(Qt::MouseButton b, int, int) { dragUp(b); }

// ------------------------------------------------------------------ events

void StatusWindow::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (!closing_) guarded([this] { monitor_.startMonitoring(); });
}

void StatusWindow::closeEvent(QCloseEvent* e) {
  // The status window is the main form: closing it ends the program.
  closing_ = true;
  Sec_Timer.stop();
  removeTrayIcon();
  QWidget::closeEvent(e);
  QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void StatusWindow::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  guarded([this] { FormResize(); });
}

void StatusWindow::paintEvent(QPaintEvent*) {
  if (SkinForm1->loaded()) return;  // the skin paints the whole face
  // Without a skin (no cards found): a plain dark face of the design size.
  QPainter p(this);
  QLinearGradient g(rect().topLeft(), rect().bottomLeft());
  g.setColorAt(0, QColor(58, 62, 70));
  g.setColorAt(1, QColor(30, 32, 38));
  p.fillRect(rect(), g);
  p.setPen(QColor(96, 102, 114));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void StatusWindow::contextMenuEvent(QContextMenuEvent* e) { PopupMenu1->popup(e->globalPos()); }

void StatusWindow::mousePressEvent(QMouseEvent* e) {
  const QPoint at = e->position().toPoint();
  FormMouseDown(e->button(), at.x(), at.y());
}

void StatusWindow::mouseMoveEvent(QMouseEvent* e) {
  const QPoint at = e->position().toPoint();
  FormMouseMove(at.x(), at.y());
}

void StatusWindow::mouseReleaseEvent(QMouseEvent* e) {
  const QPoint at = e->position().toPoint();
  FormMouseUp(e->button(), at.x(), at.y());
}

}  // namespace raidmon
