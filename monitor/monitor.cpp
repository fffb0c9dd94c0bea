#include "monitor/monitor.h"

#include "platform/strict_int.h"

namespace raidmon {

namespace {

struct NullViews final : MenuView, IndicatorSink, MainWindowView, ModeTreeView, DebugView,
                         ScanFormView, PollTimer, Dialogs, NoticeView, EventGridView,
                         RebuildHooks {
  void applyMenuItem(MenuItem, const MenuItemState&) override {}
  void loadAnimation(int, int, const std::string&) override {}
  void hideIndicator(int, int) override {}
  void showAndPlay(int, int) override {}
  int screenWidth() const override { return 1024; }
  void placeWindow(int, int) override {}
  void closeMainWindow() override {}
  void selectSmallSkin(int) override {}
  void showMonitorDialog() override {}
  void setMonitorPage(int) override {}
  void rebuildTree() override {}
  void setNodeImages(int, NodeImage) override {}
  void addTrace(std::string_view) override {}
  void setPlugLabel(std::string_view) override {}
  void fillDebugGrid() override {}
  void showScanForm(std::string_view) override {}
  void setScanCaption(std::string_view) override {}
  void setScanProgress(int) override {}
  void closeScanForm() override {}
  void setScanPanels(const std::array<std::string, 8>&) override {}
  void setInterval(int ms) override { interval_ = ms; }
  int interval() const override { return interval_; }
  void setEnabled(bool on) override { enabled_ = on; }
  bool enabled() const override { return enabled_; }
  void errorBox(std::string_view) override {}
  bool confirmBox(std::string_view, bool) override { return false; }
  void messageBox(std::string_view) override {}
  std::optional<std::string> inputBox(std::string_view, std::string_view,
                                      std::string_view) override {
    return std::nullopt;
  }
  void setNoticeLine(int, std::string_view) override {}
  void setNoticeOkVisible(bool) override {}
  void showNotice() override {}
  void closeNotice() override {}
  void addEventRow(std::string_view, std::string_view, std::string_view) override {}
  void ReportRebuildOutcome() override {}
  void startAutoRebuild() override {}
  int interval_ = 0;
  bool enabled_ = false;
};

NullViews& nullViews() {
  static NullViews views;
  return views;
}

template <class T>
T* orNull(T* view) {
  return view ? view : static_cast<T*>(&nullViews());
}

}  // namespace

Monitor::Monitor(ControllerLink& link, SharedPacket& packet, std::uint8_t osFamily,
                 std::string programDir)
    : link_(link),
      packet_(packet),
      programDir_(std::move(programDir)),
      display_(nullViews(), programDir_),
      events_(nullViews(), nullViews()) {
  state_.OsFamily = osFamily;
  setViews({});
}

void Monitor::setViews(const MonitorViews& views) {
  affinity_.check("Monitor");
  views_.menu = orNull(views.menu);
  views_.indicators = orNull(views.indicators);
  views_.window = orNull(views.window);
  views_.tree = orNull(views.tree);
  views_.debug = orNull(views.debug);
  views_.scan = orNull(views.scan);
  views_.timer = orNull(views.timer);
  views_.dialogs = orNull(views.dialogs);
  views_.notice = orNull(views.notice);
  views_.grid = orNull(views.grid);
  views_.rebuild = orNull(views.rebuild);
  menu_.attach(views_.menu);
  display_.setSink(*views_.indicators);
  views_.alerts = views.alerts ? views.alerts : &nullAlertSink();
  events_.setViews(*views_.notice, *views_.grid);
  events_.setAlertSink(*views_.alerts);
}

void Monitor::trace(std::string_view line) { views_.debug->addTrace(line); }

// ---------------------------------------------------------------- configuration

void Monitor::loadConfiguration() {
  ConfigLoadResult cfg = ::raidmon::loadConfiguration(programDir_);
  state_.AutoRebuildOff = !cfg.autoRebuild;
  menu_.setChecked(MenuItem::Auto_Rebuild_Option, cfg.autoRebuild);
  flashOption_ = cfg.flashOption;
  texts_ = std::move(cfg.texts);
  // Start-up loads twice on the 9x family; each problem is told once.
  for (const auto& error : {cfg.readError, cfg.writeError}) {
    if (!error || configErrorsShown_.contains(*error)) continue;
    configErrorsShown_.insert(*error);
    views_.dialogs->errorBox(*error);
  }
}

void Monitor::toggleAutoRebuildOption() {
  affinity_.check("Monitor");
  const AutoRebuildToggle result =
      toggleAutoRebuild(programDir_, menu_.checked(MenuItem::Auto_Rebuild_Option));
  if (result.writeError) {
    views_.dialogs->errorBox(*result.writeError);
    return;
  }
  state_.AutoRebuildOff = !result.checked;
  menu_.setChecked(MenuItem::Auto_Rebuild_Option, result.checked);
}

void Monitor::askLoopTime() {
  affinity_.check("Monitor");
  const std::string answer = views_.dialogs->inputBox("Timer", "Time", "1000").value_or("1000");
  // A period below 1 ms would fire the timer back to back: refused like a text that is
  // not a number.
  if (const auto value = parseWholeNumber(answer); value && *value >= 1) {
    state_.LoopTime = *value;
  } else {
    views_.dialogs->errorBox(conversionErrorMessage(answer));
  }
}

void Monitor::clearRebuildFlags(int throughCard) {
  affinity_.check("Monitor");
  for (int card = 1; card <= throughCard && card <= kCards; ++card) {
    for (int pos = 1; pos <= kPositions; ++pos) {
      tables_.I_Rebuild[static_cast<std::size_t>(entryIndex(card, pos))] = 0;
    }
  }
}

void Monitor::markSnapshotChanged() {
  affinity_.check("Monitor");
  for (int e = 0; e < kEntries; ++e) snapshot_.setRebuild(e, 1);
}

void Monitor::markCancelledTarget(int entry) {
  affinity_.check("Monitor");
  if (entry < 0 || entry >= kEntries) return;
  snapshot_.setSource(entry, 1);
  tables_.I_Rebuild[static_cast<std::size_t>(entry)] = 0;
}

}  // namespace raidmon
