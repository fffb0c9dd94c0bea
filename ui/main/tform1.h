// The status window Form1: a borderless, always-on-top window with the eight drive
// indicators, the pop-up menu and the poll timer; the core's Monitor does the work.
#pragma once

#include <QMenu>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <map>

#include "monitor/monitor.h"
#include "ui/common/qt_dialogs.h"
#include "ui/main/tgif_play.h"

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

class TForm1 final : public QWidget, public MainWindowView, public IndicatorSink, public MenuView {
  Q_OBJECT
 public:
  // Runs FormCreate (start-up) before returning, as the main form's creation does.
  explicit TForm1(Monitor& monitor, QWidget* parent = nullptr);
  ~TForm1() override;

  // Commands other forms provide, wired once those forms exist.
  struct Commands {
    std::function<void()> showMonitorDialog;
    std::function<void(int)> setMonitorPage;
    std::function<void()> showFlashDialog;
    std::function<void()> showDebugForm;
    std::function<void()> showScanTables;
    std::function<void()> treeChanged;
  };
  void setCommands(Commands commands) { commands_ = std::move(commands); }

  QTimer Sec_Timer;
  QMenu* PopupMenu1;
  std::array<TGifPlay*, 8> indicators{};  // C1_PM .. C2_SS
  QWidget* Card1;
  QWidget* card2;

  TGifPlay* indicator(int card, int position) const;
  QAction* action(MenuItem item) const { return actions_.at(item); }
  QtPollTimer& pollTimer() { return pollTimer_; }
  QtDialogs& dialogs() { return dialogs_; }

  // MainWindowView
  int screenWidth() const override;
  void placeWindow(int left, int top) override;
  void closeMainWindow() override;
  void selectSmallSkin(int cardCount) override;
  void showMonitorDialog() override;
  void setMonitorPage(int page) override;
  // IndicatorSink
  void loadAnimation(int card, int position, const std::string& gifPath) override;
  void hideIndicator(int card, int position) override;
  void showAndPlay(int card, int position) override;
  // MenuView
  void applyMenuItem(MenuItem item, const MenuItemState& state) override;

  bool closing() const { return closing_; }

  // Menu handlers.
  void AlwaysontopClick();
  void Exit1Click();

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;

 private:
  void buildMenu();
  void ArrangeCardPanels();
  void FormResize();

  Monitor& monitor_;
  QtPollTimer pollTimer_;
  QtDialogs dialogs_;
  Commands commands_;
  std::map<MenuItem, QAction*> actions_;
  bool dragging_ = false;
  QPoint dragStart_;
  bool closing_ = false;
};

}  // namespace raidmon
