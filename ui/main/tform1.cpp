#include "ui/main/tform1.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QShortcut>

#include "ui/common/qt_text.h"

namespace raidmon {

namespace {

constexpr std::array<const char*, 8> kIndicatorNames = {"C1_PM", "C1_PS", "C1_SM", "C1_SS",
                                                        "C2_PM", "C2_PS", "C2_SM", "C2_SS"};
constexpr int kDesignWidth = 158;
constexpr int kDesignHeight = 450;
constexpr int kPanelWidth = 112;
constexpr int kPanelHeight = 19;

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

}  // namespace

TForm1::TForm1(Monitor& monitor, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      PopupMenu1(new QMenu(this)),
      Card1(new QWidget(this)),
      card2(new QWidget(this)),
      monitor_(monitor),
      pollTimer_(Sec_Timer),
      dialogs_(this) {
  setObjectName("Form1");
  setWindowTitle(QStringLiteral("Graphics User Interface"));
  resize(kDesignWidth, kDesignHeight);
  Card1->setObjectName("Card1");
  card2->setObjectName("card2");
  for (QWidget* panel : {Card1, card2}) panel->setAttribute(Qt::WA_TransparentForMouseEvents);
  for (std::size_t i = 0; i < indicators.size(); ++i) {
    indicators[i] = new TGifPlay(kIndicatorNames[i], this);
    indicators[i]->setGeometry(16 + 36 * static_cast<int>(i % 4), 144 + 36 * static_cast<int>(i / 4), 29, 29);
  }
  buildMenu();

  Sec_Timer.setObjectName("Sec_Timer");
  Sec_Timer.setSingleShot(false);
  connect(&Sec_Timer, &QTimer::timeout, this, [this] { guarded([this] { monitor_.Sec_TimerTimer(); }); });

  MonitorViews views;
  views.menu = this;
  views.indicators = this;
  views.window = this;
  views.timer = &pollTimer_;
  views.dialogs = &dialogs_;
  monitor_.setViews(views);
  guarded([this] { monitor_.FormCreate(); });
}

TForm1::~TForm1() { Sec_Timer.stop(); }

void TForm1::buildMenu() {
  for (const MenuEntry& e : kMenu) {
    auto* act = new QAction(qs(monitor_.menu().item(e.item).caption), this);
    act->setObjectName(e.name);
    if (e.item == MenuItem::N2) act->setSeparator(true);
    if (e.shortcut) {
      act->setShortcut(QKeySequence(QString::fromLatin1(e.shortcut)));
      act->setShortcutVisibleInContextMenu(true);
      // Hidden items stay reachable by their keys while this window has the focus.
      // (a hidden QAction ignores its shortcut, so the key calls the handler itself).
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
  on(MenuItem::Auto_Rebuild_Option, [this] { monitor_.Auto_Rebuild_OptionClick(); });
  on(MenuItem::Alwaysontop, [this] { AlwaysontopClick(); });
  on(MenuItem::FlashFileUpdate5, [this] {
    if (commands_.showFlashDialog) commands_.showFlashDialog();
  });
  on(MenuItem::Exit1, [this] { Exit1Click(); });
  on(MenuItem::ScanBusForm, [this] {
    if (commands_.showScanTables) commands_.showScanTables();
  });
  on(MenuItem::LOOPTIME1, [this] { monitor_.LOOPTIME1Click(); });
  on(MenuItem::DebugForm1, [this] {
    if (commands_.showDebugForm) commands_.showDebugForm();
  });
}

TGifPlay* TForm1::indicator(int card, int position) const {
  if (card < 1 || card > 2 || position < 1 || position > 4) return nullptr;
  return indicators[static_cast<std::size_t>(4 * (card - 1) + position - 1)];
}

int TForm1::screenWidth() const {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  return screen ? screen->geometry().width() : 1024;
}

void TForm1::placeWindow(int left, int top) { move(left, top); }

void TForm1::closeMainWindow() {
  closing_ = true;
  Sec_Timer.stop();
  close();
}

void TForm1::selectSmallSkin(int cardCount) {
  monitor_.gui().Gui_Small = 1;
  if (cardCount < 1 || cardCount > 4) return;
  setFixedSize(kPanelWidth, kPanelHeight * cardCount);
  ArrangeCardPanels();
  FormResize();
  update();
}

void TForm1::ArrangeCardPanels() {
  if (monitor_.gui().Gui_Small == 1) {
    Card1->setGeometry(0, 0, kPanelWidth, kPanelHeight);
    card2->setGeometry(0, kPanelHeight, kPanelWidth, kPanelHeight);
    constexpr std::array<int, 4> kLeft = {9, 35, 64, 90};
    for (int i = 0; i < 8; ++i) {
      indicators[static_cast<std::size_t>(i)]->setGeometry(kLeft[static_cast<std::size_t>(i % 4)],
                                                           i < 4 ? 3 : 20, 15, 15);
    }
  } else {
    Card1->setGeometry(0, 0, 149, 103);
    card2->setGeometry(0, 111, 149, 103);
  }
}

void TForm1::FormResize() { move(screenWidth() - 150, y()); }

void TForm1::showMonitorDialog() {
  if (commands_.showMonitorDialog) commands_.showMonitorDialog();
}

void TForm1::setMonitorPage(int page) {
  if (commands_.setMonitorPage) commands_.setMonitorPage(page);
}

void TForm1::loadAnimation(int card, int position, const std::string& gifPath) {
  if (TGifPlay* g = indicator(card, position)) g->load(qs(gifPath));
}

void TForm1::hideIndicator(int card, int position) {
  if (TGifPlay* g = indicator(card, position)) {
    g->hide();
    g->stop();
  }
}

void TForm1::showAndPlay(int card, int position) {
  if (TGifPlay* g = indicator(card, position)) {
    g->show();
    g->repaint();
    g->play();
  }
}

void TForm1::applyMenuItem(MenuItem item, const MenuItemState& state) {
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

void TForm1::AlwaysontopClick() {
  const bool onTop = !monitor_.menu().checked(MenuItem::Alwaysontop);
  monitor_.menu().setChecked(MenuItem::Alwaysontop, onTop);
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
  if (visible) show();
}

void TForm1::Exit1Click() { closeMainWindow(); }

void TForm1::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (!closing_) guarded([this] { monitor_.FormShow(); });
}

void TForm1::closeEvent(QCloseEvent* e) {
  // The status window is the main form: closing it ends the program.
  closing_ = true;
  Sec_Timer.stop();
  QWidget::closeEvent(e);
  QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void TForm1::paintEvent(QPaintEvent*) {
  // The face until a skin is loaded: one dark panel per card with its position slots.
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const int cards = std::max(1, height() / kPanelHeight);
  for (int c = 0; c < cards && c < 4; ++c) {
    const QRect r(0, c * kPanelHeight, width(), kPanelHeight);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(72, 78, 90));
    g.setColorAt(1, QColor(32, 35, 42));
    p.fillRect(r, g);
    p.setPen(QColor(110, 118, 132));
    p.drawLine(r.topLeft(), r.topRight());
    p.setPen(QColor(12, 12, 16));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    for (int x : {9, 35, 64, 90}) {
      p.setPen(QColor(18, 20, 24));
      p.setBrush(QColor(24, 26, 31));
      p.drawEllipse(QRect(x, r.top() + 3, 14, 14));
    }
  }
}

void TForm1::contextMenuEvent(QContextMenuEvent* e) { PopupMenu1->popup(e->globalPos()); }

void TForm1::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) {
    dragging_ = true;
    dragStart_ = e->position().toPoint();
  }
}

void TForm1::mouseMoveEvent(QMouseEvent* e) {
  if (!dragging_) return;
  QPoint at = e->position().toPoint();
  at.setX(std::max(0, at.x()));
  at.setY(std::max(0, at.y()));
  move(pos() + at - dragStart_);
}

void TForm1::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && dragging_) {
    dragging_ = false;
    dragStart_ = {};
  }
}

void TForm1::mouseDoubleClickEvent(QMouseEvent*) { showMonitorDialog(); }

}  // namespace raidmon
