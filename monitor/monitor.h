// The status window's unit without its widgets: start-up, the start of monitoring,
// the poll cycle with its status check and per-position evaluation, and the run state.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <set>
#include <string>

#include "link/controller_link.h"
#include "link/shared_packet.h"
#include "monitor/alert_sink.h"
#include "monitor/config_files.h"
#include "monitor/drive_events.h"
#include "monitor/drive_model.h"
#include "monitor/drive_status_display.h"
#include "monitor/menu_model.h"
#include "monitor/mode_tree.h"
#include "monitor/monitor_views.h"
#include "monitor/plug_block.h"
#include "monitor/state_codes.h"
#include "monitor/status_block.h"
#include "platform/os_family.h"  // kOsFamily9x, kOsFamilyNt
#include "platform/thread_affinity.h"

namespace raidmon {

inline constexpr int kStartupInterval = 4000;
inline constexpr int kScanTicks = 45;
inline constexpr int kHoldOffTicks = 39;

inline constexpr std::string_view kScanCaption = " Hard Disk Scaning......";
inline constexpr std::string_view kWaitCaption = " Waiting....";
inline constexpr std::string_view kDriverMissing = "RAID controller DRIVER not installed";
inline constexpr std::string_view kNtProbeFailed = "PAX7 controller HDD not installed";
inline constexpr std::string_view k9xProbeFailed = "RAID controller HDD not installed";
inline constexpr std::string_view kPlugReadFailedLabel = "FPlugBackup failed";
inline constexpr std::string_view kConfigReadFailedNote = "CTL_READ_CONFIG failed: configuration kept";

// Status check results.
inline constexpr int kNoChange = 0;
inline constexpr int kChanged = 1;
inline constexpr int kReadFailed = 2;

// The run state of the monitor; everything but RebuildState is GUI-thread only.
struct RunState {
  std::uint8_t OsFamily = kOsFamilyNt;
  std::intptr_t DeviceHandle = 0;  // 0: no controller path
  std::uint8_t ProbeResult = 0;
  bool PortFoundByName = true;
  std::uint8_t AspiAdapter = 100;
  std::uint8_t AspiTarget = 0;
  std::uint8_t CardCount = 0;
  std::int32_t LoopTime = 1000;
  // Written by the rebuild worker too, through its own thread-safe operations.
  SharedRebuildState RebuildState;
  bool AutoRebuildPending = false;
  bool AutoRebuildOff = false;
  bool ShownOnce = false;
  bool ScanActive = false;
  std::uint8_t ScanCounter = 0;
  bool RescanRequested = false;
  bool HoldOff = false;
  std::uint8_t HoldOffCounter = 0;
  std::array<HotPlugMark, 2 * kCards> HotPlugMarker{};  // card 1..4 x channel 1..2
  // The position (1..4) whose plug state 10 or 11 set a 0xA0/0xB0 marker; 0 otherwise.
  std::array<std::uint8_t, 2 * kCards> HotPlugMarkerPosition{};
  std::array<std::uint32_t, kEntries> presenceSums{};  // I_Here + I_Hot, by entry
  std::array<std::uint32_t, kEntries> previousSums{};
};

// The GUI state record R_Tavrix_Gui (the start-pending flags live in the display).
struct TavrixGui {
  std::uint8_t Gui_Small = 0;
  std::array<std::uint8_t, 4> Mode{};
  std::uint8_t Model = 0;
  std::uint8_t FlashSize = 0;
  std::uint8_t Card_Click = 0;
  std::array<std::uint32_t, 4> BaseSize{};
};

// The views the monitor drives. Any left null is replaced by a do-nothing view, so a
// form that does not exist yet (start-up runs before the other forms) is harmless.
struct MonitorViews {
  MenuView* menu = nullptr;
  IndicatorSink* indicators = nullptr;
  MainWindowView* window = nullptr;
  ModeTreeView* tree = nullptr;
  DebugView* debug = nullptr;
  ScanFormView* scan = nullptr;
  PollTimer* timer = nullptr;
  Dialogs* dialogs = nullptr;
  NoticeView* notice = nullptr;
  EventGridView* grid = nullptr;
  RebuildHooks* rebuild = nullptr;
  AlertSink* alerts = nullptr;  // drive events and rebuild and flash outcomes
};

// GUI thread only, except where a member says otherwise (debug builds abort on a
// change made from another thread).
class Monitor {
 public:
  friend struct MonitorTestAccess;  // tests set up states the controller would cause

  Monitor(ControllerLink& link, SharedPacket& packet, std::uint8_t osFamily,
          std::string programDir);

  // Replaces the views (null members become do-nothing views).
  void setViews(const MonitorViews& views);

  // Start-up (the status window's creation, FormCreate): configuration, locating and
  // probing the controller, the first status read, card count, window placement and
  // menu set-up. Reports failures in error boxes; never throws.
  void start();
  // Start of monitoring (the status window's first showing, FormShow); only the first
  // call does anything.
  void startMonitoring();
  // True once start-up found no controller to monitor and closed the status window
  // (no driver, or on the 9x family no controller behind the ASPI layer): the program
  // ends, and a failed start must not end as a success.
  bool startFailed() const { return startFailed_; }
  // One poll cycle (a tick of the poll timer Sec_Timer).
  void pollOnce();
  // Reads the configuration again and rebuilds the mode tree. When the read fails the
  // model, the array table and the tree stay as they were, the trace says so, and the
  // result is false; the next reload tries again.
  bool reloadConfiguration();

  // Steps of the cycle, public for the rebuild control and for tests.
  // The plug check: 1 when the plug tables changed. A failed CTL_PLUG_BACKUP is no
  // change (0) and leaves the backup copy as it was.
  int plugCheck();
  int statusCheck();
  void evaluatePosition(int card, int position, int statusResult, int plugResult);
  // Sends CTL_READ_STATUS and takes the answer as the latest status; false when the
  // read failed on a transport that reports it (the latest status is then unchanged).
  // On the bridge a failed read returns true and also leaves the latest status as it was.
  bool readStatus();

  // The status read of a rebuild's cancel, which may meet the rebuild worker inside
  // a stalled request: it waits at most `wait` for the shared packet and then gives
  // up (false, the latest status unchanged).
  bool readStatusWithin(std::chrono::milliseconds wait);

  // A flash update runs (set by the flash dialog for the whole update): no rebuild
  // starts meanwhile.
  void setFlashUpdateRunning(bool running) { affinity_.check("Monitor"); flashUpdateRunning_ = running; }
  bool flashUpdateRunning() const { return flashUpdateRunning_; }

  // Rescans the bus now and starts the quiet period (the scan form's "ScanBus" button
  // and the "Scan Hard Disk " command).
  void rescanNow();
  // The scan form's panel texts for a plug block.
  static std::array<std::string, 8> plugPanelTexts(const PlugBlock& block);

  // Writes a line to the debugging form's trace.
  void traceNote(std::string_view line) { trace(line); }

  // Menu commands of this unit: "LOOP_TIME" asks for the poll period; the auto
  // rebuild option switches automatic rebuilds and stores the choice.
  void askLoopTime();
  void toggleAutoRebuildOption();

  // State, read by the views and the other core units. Nothing outside the monitor
  // changes it except through the named operations below.
  const RunState& state() const { return state_; }
  const StatusBlock& latestStatus() const { return latest_; }
  bool statusReceived() const { return statusReceived_; }
  const StatusBlock& snapshot() const { return snapshot_; }
  const DisplayTables& tables() const { return tables_; }
  const PlugBlock& plugCopy() const { return plugCopy_; }
  const PlugBlock& lastPlugBlock() const { return lastPlug_; }
  const DriveModel& model() const { return model_; }
  const ModeTree& modeTree() const { return tree_; }
  const MenuModel& menu() const { return menu_; }
  const DriveStatusDisplay& display() const { return display_; }
  const TavrixGui& gui() const { return gui_; }
  const IdentificationTexts& texts() const { return texts_; }
  const std::array<std::string, 10>& portNames() const { return portNames_; }
  const std::string& programDir() const { return programDir_; }
  bool flashOption() const { return flashOption_; }
  std::int64_t rebuildSizeOverride() const { return rebuildSizeOverride_; }
  // The views the monitor drives (never null), for the other core units.
  const MonitorViews& views() const { return views_; }
  // The controller link and the shared packet the monitor was built with: its
  // collaborators, which the rebuild control and the flash update use too.
  ControllerLink& link() const { return link_; }
  SharedPacket& packet() const { return packet_; }

  // What the other units change, each named for what it does (GUI thread).
  void setLoopTime(std::int32_t ms) { affinity_.check("Monitor"); state_.LoopTime = ms; }
  void setAutoRebuildOff(bool off) { affinity_.check("Monitor"); state_.AutoRebuildOff = off; }
  void setRebuildState(RebuildState state) { affinity_.check("Monitor"); state_.RebuildState.set(state); }
  // Moves a running rebuild to `to`; false when it was no longer running.
  bool leaveRunningRebuild(RebuildState to) { affinity_.check("Monitor"); return state_.RebuildState.leaveRunning(to); }
  // The rebuild state as the rebuild worker may use it (read, and leave Running).
  WorkerRebuildState rebuildStateForWorker() { return WorkerRebuildState(state_.RebuildState); }
  void setRebuildSizeOverride(std::int64_t size) { affinity_.check("Monitor"); rebuildSizeOverride_ = size; }
  void setSmallGui(bool small) { affinity_.check("Monitor"); gui_.Gui_Small = small ? 1 : 0; }
  // A card panel drag ended (its release must not open the Monitor dialog).
  void setCardClicked(bool clicked) { affinity_.check("Monitor"); gui_.Card_Click = clicked ? 1 : 0; }
  void setMenuCaption(MenuItem item, std::string_view caption) { affinity_.check("Monitor"); menu_.setCaption(item, caption); }
  void setMenuChecked(MenuItem item, bool checked) { affinity_.check("Monitor"); menu_.setChecked(item, checked); }
  void setMenuVisible(MenuItem item, bool visible) { affinity_.check("Monitor"); menu_.setVisible(item, visible); }
  // Clears I_Rebuild for the positions of cards 1..throughCard.
  void clearRebuildFlags(int throughCard = kCards);
  // Sets every rebuild flag of the accepted status, so the next poll cycle sees a
  // change and reports the rebuild's outcome.
  void markSnapshotChanged();
  // A cancelled rebuild's target: the accepted status shows it as a source and its
  // rebuild flag is cleared, so the next cycle evaluates it afresh.
  void markCancelledTarget(int entry);
  // The indicators of a rebuild pair.
  void markRebuildPair(DrivePosition source, DrivePosition target) {
    display_.markRebuildPair(source, target);
  }
  // Takes the latest status as the accepted one (cards 1 and 2). The status check
  // copies every flag as it is; the rebuild page's reset after an outcome puts the
  // rebuild flag into B_Hot (as the controller pairs them), clears I_Hot and leaves
  // the hot-plug flags.
  enum class CopyHotFrom { Hot, Rebuild };
  void copyStatusToSnapshot(CopyHotFrom hotFrom);

 private:
  void loadConfiguration();
  void resetForStart();
  void takeFirstStatus(std::uint8_t matchingPorts, bool nt);
  // Takes a status block that arrived as the latest status.
  void takeStatus(const ControlPacket& packet);
  // The controller answered: polling at LoopTime, the configuration, the skin and
  // the Monitor dialog.
  void beginPolling();
  void fillModeTree();
  void trace(std::string_view line);
  void startScanWait(std::uint8_t counter, bool clearHoldOff);
  void setMemberNodeImages(int card, int position, NodeImage image);
  void scanWaitTick();  // one tick of the quiet period and the scan wait before a rescan
  void computePresenceSums();
  void updatePlugPanels(const PlugBlock& now);
  bool hotPlugPath(int card, int position, DisplayState& displayState, DriveEvent& event);
  void normalPath(int card, int position, DisplayState& displayState, DriveEvent& event);
  void plugState5(int card, int position, bool inBoth, HotPlugMark& mark, DisplayState& displayState,
                  DriveEvent& event);
  void plugState10or11(int card, int position, int plugState, HotPlugMark& mark, DriveEvent& event);
  HotPlugMark& marker(int card, int channel);
  std::uint8_t& markerPosition(int card, int channel);
  // Whether the channel's 0xA0/0xB0 marker was set by this position's plug state 10/11.
  bool markedByState10or11(int card, int position);

  ControllerLink& link_;
  SharedPacket& packet_;
  std::string programDir_;
  RunState state_;
  TavrixGui gui_;
  StatusBlock latest_;
  bool statusReceived_ = false;
  StatusBlock snapshot_;
  PlugBlock plugCopy_;
  PlugBlock lastPlug_;
  PlugBlock panelsBlock_;   // the block the scan form's panels show
  bool panelsShown_ = false;
  DisplayTables tables_;
  DriveModel model_;
  ModeTree tree_;
  MenuModel menu_;
  DriveStatusDisplay display_;
  DriveEvents events_;
  IdentificationTexts texts_;
  bool flashOption_ = false;
  std::int64_t rebuildSizeOverride_ = 0;
  std::array<std::string, 10> portNames_{};
  bool controllerMissing_ = false;
  bool startFailed_ = false;
  bool flashUpdateRunning_ = false;
  std::set<std::string> configErrorsShown_;  // configuration file errors already shown
  MonitorViews views_;
  ThreadAffinity affinity_;  // debug builds: every change on the creating thread
};

}  // namespace raidmon
