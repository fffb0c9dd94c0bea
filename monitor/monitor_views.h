// The narrow interfaces through which the core drives the screen. The Qt side
// implements them with widgets; tests implement them with recording fakes.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "monitor/state_codes.h"

namespace raidmon {

// The status window's pop-up menu items, in menu order.
enum class MenuItem {
  Small_Open,
  MonitorOpen1,
  Rebuild1,
  Auto_Rebuild_Option,
  Alwaysontop,
  FlashFileUpdate5,
  ScanHdd,
  GUITrayIcon1,
  N2,
  Exit1,
  RebuildComplete1,
  ScanBusForm,
  LOOPTIME1,
  RebuildSizeValue1,
  RebuildSizeCheck1,
  DebugForm1,
};
inline constexpr int kMenuItemCount = 16;

struct MenuItemState {
  std::string caption;
  bool visible = true;
  bool enabled = true;
  bool checked = false;
};

// All calls on the GUI thread.
class MenuView {
 public:
  virtual ~MenuView() = default;
  // One item's state changed; the view mirrors it onto its menu.
  virtual void applyMenuItem(MenuItem item, const MenuItemState& state) = 0;
};

// The eight position indicators of cards 1 and 2 (card 1..2, position 1..4).
class IndicatorSink {
 public:
  virtual ~IndicatorSink() = default;
  // Gives the indicator a new animation; visibility and playback stay as they are.
  virtual void loadAnimation(int card, int position, const std::string& gifPath) = 0;
  // Makes the indicator invisible and stops it.
  virtual void hideIndicator(int card, int position) = 0;
  // Makes the indicator visible, repaints it and plays it.
  virtual void showAndPlay(int card, int position) = 0;
};

// The status window itself.
class MainWindowView {
 public:
  virtual ~MainWindowView() = default;
  virtual int screenWidth() const = 0;
  virtual void placeWindow(int left, int top) = 0;
  virtual void closeMainWindow() = 0;
  // Loads the small skin for a card count (1..4; other counts load nothing).
  virtual void selectSmallSkin(int cardCount) = 0;
  virtual void showMonitorDialog() = 0;
  virtual void setMonitorPage(int page) = 0;  // Info_Tab_Note page index
};

// The Monitor dialog's mode tree, as far as the poll cycle touches it.
class ModeTreeView {
 public:
  virtual ~ModeTreeView() = default;
  // Rebuild the tree from the drive model (the core has written the node indexes).
  virtual void rebuildTree() = 0;
  // Sets a node's image and selected image.
  virtual void setNodeImages(int nodeIndex, NodeImage image) = 0;
};

// The debugging form: trace list, plug label and the raw-state grids.
class DebugView {
 public:
  virtual ~DebugView() = default;
  virtual void addTrace(std::string_view line) = 0;
  virtual void setPlugLabel(std::string_view text) = 0;  // Label1
  virtual void fillDebugGrid() = 0;
};

// The scan form shown during the wait before a bus rescan.
class ScanFormView {
 public:
  virtual ~ScanFormView() = default;
  virtual void showScanForm(std::string_view caption) = 0;
  virtual void setScanCaption(std::string_view caption) = 0;
  virtual void setScanProgress(int value) = 0;
  virtual void closeScanForm() = 0;
  // The eight table panels: DisableHdd, PioStatus, ExistTavrix, ExistFilter,
  // TavrixATA, ChildPdo, TargetId, CountPdo.
  virtual void setScanPanels(const std::array<std::string, 8>& texts) = 0;
};

// The poll timer Sec_Timer.
class PollTimer {
 public:
  virtual ~PollTimer() = default;
  virtual void setInterval(int ms) = 0;
  virtual int interval() const = 0;
  virtual void setEnabled(bool on) = 0;
  virtual bool enabled() const = 0;
};

// Modal dialogs.
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual void errorBox(std::string_view text) = 0;  // error icon, OK button
  // Confirmation box: OK alone, or OK and Cancel; true when OK was chosen.
  virtual bool confirmBox(std::string_view text, bool withCancel) = 0;
  // Plain message with an OK button.
  virtual void messageBox(std::string_view text) = 0;
  // Input box; nullopt when cancelled.
  virtual std::optional<std::string> inputBox(std::string_view caption, std::string_view prompt,
                                              std::string_view defaultText) = 0;
  // An error box that does not wait for its OK (what goes on meanwhile goes on).
  virtual void errorNotice(std::string_view text) { errorBox(text); }
};

// The non-blocking notice box: three text lines, an OK button that may be hidden.
class NoticeView {
 public:
  virtual ~NoticeView() = default;
  // line 1..3 is Msg1, Msg2, msg3; other numbers are ignored.
  virtual void setNoticeLine(int line, std::string_view text) = 0;
  virtual void setNoticeOkVisible(bool visible) = 0;
  // Shows the box above all windows with the focus, without waiting.
  virtual void showNotice() = 0;
  // Closes the box, which empties its lines.
  virtual void closeNotice() = 0;
};

// The event grid Error_Grid. Every writer adds a row the same way: the cells of the
// last (empty) row are written, then one row is added; the view supplies the date
// and time of column 2 in the system's short date and long time formats.
class EventGridView {
 public:
  virtual ~EventGridView() = default;
  virtual void addEventRow(std::string_view location, std::string_view event,
                           std::string_view lastColumn) = 0;
};

// The Monitor dialog's rebuild page (" HDD Rebuild ").
class RebuildPageView {
 public:
  virtual ~RebuildPageView() = default;
  virtual void setSourceText(std::string_view text) = 0;  // Source_label
  virtual void setTargetText(std::string_view text) = 0;  // Target_label
  virtual void setPrompt(std::string_view text) = 0;      // Rebuild_Label
  virtual void setPromptVisible(bool visible) = 0;
  // Tops of Source_L, Source_label, Target_L, Target_label.
  virtual void setTops(int sourceL, int sourceLabel, int targetL, int targetLabel) = 0;
  virtual void setStartVisible(bool visible) = 0;  // Rebuild_Start
  virtual void setStartEnabled(bool enabled) = 0;
  virtual void setStartCaption(std::string_view caption) = 0;
  virtual void setProgress(int value) = 0;            // Hdd_ProgressBar, repainted
  virtual void setStatusText(std::string_view text) = 0;  // Rebuild_StatusBar
  // The rate and time left under the status text (Rebuild_RateLabel); empty hides it.
  virtual void setRateText(std::string_view /*text*/) {}
};

// The rebuild control's hand-offs from the poll cycle.
class RebuildHooks {
 public:
  virtual ~RebuildHooks() = default;
  // Tells the operator how a rebuild ended, once the poll cycle saw the change.
  virtual void ReportRebuildOutcome() = 0;
  // Starts the rebuild the cycle flagged for an automatic start (AutoRebuildClick).
  virtual void startAutoRebuild() = 0;
};

}  // namespace raidmon
