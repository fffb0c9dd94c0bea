// The status window (the system's main form, Form1): a borderless, always-on-top window
// shaped and painted by its skin, with the eight drive indicators, the mouse areas, the
// pop-up menu PopupMenu1, the tray icon and the poll timer Sec_Timer; the core's Monitor
// does the monitoring.
#pragma once

#include <QMenu>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <map>

#include "monitor/monitor.h"
#include "ui/common/qt_dialogs.h"
#include "ui/main/mouse_area.h"
#include "ui/main/gif_indicator.h"
#include "ui/skin/skin_widget.h"

namespace raidmon {

// The poll timer Sec_Timer, seen by the core.
class QtPollTimer final : public PollTimer {
 public:
  explicit QtPollTimer(QTimer& timer) : timer_(timer) {}
  void setInterval(int ms) override { timer_.setInterval(ms < 0 ? 0 : ms); }
  int interval() const override { return timer_.interval(); }
  void setEnabled(bool on) override { on ? timer_.start() : timer_.stop(); }
  bool enabled() const override { return timer_.isActive(); }

 private:
  QTimer& timer_;
};

// Texts the status window shows.
inline constexpr const char* kTrayTip = "Monitor";
inline constexpr const char* kTrayInHint = "Tray In";
inline constexpr const char* kNoNotificationArea =
    "This desktop has no notification area, so the window cannot go to a tray icon. "
    "It stays shown.";

class StatusWindow final : public QWidget, public MainWindowView, public IndicatorSink, public MenuView {
  Q_OBJECT
 public:
  // Runs FormCreate (start-up) before returning, as the main form's creation does.
  // `dialogs` replaces the window's own message boxes (for unattended runs).
  explicit StatusWindow(Monitor& monitor, QWidget* parent = nullptr, Dialogs* dialogs = nullptr);
  ~StatusWindow() override;

  // Commands other forms and subsystems provide, wired once those exist. A hook left
  // empty makes its menu item do nothing.
  struct Commands {
    std::function<void()> showMonitorDialog;
    std::function<void(int)> setMonitorPage;
    std::function<void()> showFlashDialog;
    std::function<void()> showDebugForm;
    std::function<void()> showScanTables;
    std::function<void()> treeChanged;
    std::function<void()> scanHdd;            // ScanHddClick: bus rescan
    std::function<void()> rebuildComplete;    // markRebuildComplete: rebuild-end request
    std::function<void()> rebuildSizeValue;   // askRebuildSize: ask for the size limit
    std::function<void()> rebuildSizeCheck;   // toggleRebuildSize: limit on or off
  };
  void setCommands(Commands commands) { commands_ = std::move(commands); }

  // Where the desktop's notification area is asked for (replaceable for tests).
  void setTrayAvailableCheck(std::function<bool()> check) { trayAvailable_ = std::move(check); }

  QTimer Sec_Timer;
  SkinWidget* SkinForm1;
  QMenu* PopupMenu1;
  std::array<GifIndicator*, 16> indicators{};  // C1_PM .. C4_SS
  MouseArea* Card1;
  MouseArea* card2;
  std::array<MouseArea*, 4> M3{};  // M3_Mch0, M3_Mch1, M3_Sch0, M3_Sch1
  std::array<MouseArea*, 4> M4{};  // M4_Mch0, M4_Mch1, M4_Sch0, M4_Sch1
  MouseArea* SM2;
  MouseArea* Image18;
  MouseArea* Image19;
  MouseArea* Image11;  // Tray In
  MouseArea* Image16;  // Tray In

  // Whether the skin in force draws a socket for the card's lamps.
  bool hasSocket(int card) const;
  GifIndicator* indicator(int card, int position) const;
  QAction* action(MenuItem item) const { return actions_.at(item); }
  QtPollTimer& pollTimer() { return pollTimer_; }
  // The dialogs start-up used: the window's own, or the ones it was given.
  Dialogs& dialogs() { return dialogsOverride_ ? *dialogsOverride_ : dialogs_; }
  QSystemTrayIcon* trayIcon() const { return trayIcon_; }

  // MainWindowView
  int screenWidth() const override;
  void placeWindow(int left, int top) override;
  void closeMainWindow() override;
  void selectSmallSkin(int cardCount) override { SelectSmallSkin(cardCount); }
  void showMonitorDialog() override;
  void setMonitorPage(int page) override;
  // IndicatorSink
  void loadAnimation(int card, int position, const std::string& gifPath) override;
  void hideIndicator(int card, int position) override;
  void showAndPlay(int card, int position) override;
  // MenuView
  void applyMenuItem(MenuItem item, const MenuItemState& state) override;

  bool closing() const { return closing_; }

  // Skin choice and layout. SelectSmallSkin loads the small skin for 1..4 cards (other
  // counts load nothing), shows a failed load in a non-blocking error box (keeping the
  // skin in force) and arranges the card panels. SelectArraySkin loads the array skin
  // of the table and sets the menu; a failed load throws RaidmonError before the menu
  // is touched, the skin in force staying.
  void SelectSmallSkin(int cardCount);
  void SelectArraySkin(int modeCode, int model);
  void ArrangeCardPanels();
  void FormResize();

  // Commands. Handlers that may fail throw; the event edge shows the error.
  void U_buttonClick();
  void card1DblClick();
  void SkinForm1DblClick();
  void AlwaysontopClick();
  void GUITrayIcon1Click();
  void trayIconActivated(QSystemTrayIcon::ActivationReason reason);
  void Exit1Click();

  // Window drags on the form itself, in its coordinates (the mouse areas and the
  // indicators drag through connectDrag).
  void FormMouseDown(Qt::MouseButton button, int x, int y);
  void FormMouseMove(int x, int y);
  void FormMouseUp(Qt::MouseButton button, int x, int y);

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  enum class DragKind { Form, Card, Panel };
  void buildMenu();
  void buildMouseAreas();
  void connectDrag(QObject* source, DragKind kind);
  void dragDown(Qt::MouseButton button, int x, int y);
  void dragMove(DragKind kind, int x, int y);
  void dragUp(Qt::MouseButton button);
  void showSkinError(const QString& text);
  void removeTrayIcon();

  Monitor& monitor_;
  QtPollTimer pollTimer_;
  QtDialogs dialogs_;
  Dialogs* dialogsOverride_ = nullptr;
  Commands commands_;
  std::map<MenuItem, QAction*> actions_;
  QSystemTrayIcon* trayIcon_ = nullptr;
  std::function<bool()> trayAvailable_;
  bool dragging_ = false;
  QPoint dragStart_;
  bool closing_ = false;
  int lampRows_ = 2;  // cards whose lamps the skin in force has sockets for
  std::array<bool, 8> lampWanted_{};  // cards 3 and 4: lit by the core, shown where socketed
  // Shows the lamps of cards 3 and 4 that are lit and socketed, hides the rest.
  void showSocketedLamps();
};

}  // namespace raidmon
