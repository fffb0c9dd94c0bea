#include "monitor/monitor.h"

#include <cstdio>
#include <cstring>

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

std::size_t sumIndex(int card, int position) {
  return static_cast<std::size_t>(4 * (card - 1) + position - 1);
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
  events_.setViews(*views_.notice, *views_.grid);
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
  const std::string answer = views_.dialogs->inputBox("Timer", "Time", "1000").value_or("1000");
  // A period below 1 ms would fire the timer back to back: refused like a text that is
  // not a number.
  if (const auto value = parseWholeNumber(answer); value && *value >= 1) {
    state_.LoopTime = *value;
  } else {
    views_.dialogs->errorBox(conversionErrorMessage(answer));
  }
}

// ---------------------------------------------------------------- start-up

void Monitor::start() {
  state_.DeviceHandle = 0;
  loadConfiguration();

  ControlPacket& pkt = packet_.unlocked();  // no other thread exists yet
  const LocateResult found = link_.locate(pkt);
  portNames_ = found.portNames;
  const bool nt = state_.OsFamily != kOsFamily9x;
  if (nt) {
    state_.PortFoundByName = found.foundByName;
    if (!found.portFound) {
      // No controller path at all: say so; the first showing closes the window.
      controllerMissing_ = true;
      views_.dialogs->errorBox(kDriverMissing);
      return;
    }
    state_.ProbeResult = found.probeResult;
  } else if (found.probeResult != 0) {
    state_.AspiAdapter = found.aspiAdapter;
    state_.AspiTarget = found.aspiTarget;
  }
  const bool probed = found.probeResult != 0;
  state_.DeviceHandle = (nt ? found.portFound : probed) ? 1 : 0;

  // Run state back to its start values (what was just found stays).
  state_.CardCount = 0;
  state_.LoopTime = 1000;
  state_.RebuildState = RebuildState::Idle;
  state_.AutoRebuildPending = false;
  state_.AutoRebuildOff = false;
  state_.ShownOnce = false;
  state_.ScanActive = false;
  state_.ScanCounter = 0;
  state_.RescanRequested = false;
  state_.HoldOff = false;
  state_.HoldOffCounter = 0;
  state_.HotPlugMarker = {};
  state_.HotPlugMarkerPosition = {};
  state_.presenceSums = {};
  state_.previousSums = {};
  views_.window->placeWindow(views_.window->screenWidth() - 150, 1);
  menu_.setVisible(MenuItem::Rebuild1, false);
  menu_.setVisible(MenuItem::Auto_Rebuild_Option, false);
  menu_.setEnabled(MenuItem::ScanHdd, false);
  snapshot_ = {};
  plugCopy_ = {};
  for (MenuItem item : {MenuItem::RebuildComplete1, MenuItem::ScanBusForm, MenuItem::LOOPTIME1,
                        MenuItem::RebuildSizeValue1, MenuItem::RebuildSizeCheck1,
                        MenuItem::DebugForm1}) {
    menu_.setEnabled(item, true);
  }

  if (probed) {
    gui_.Gui_Small = 0;
    menu_.setCaption(MenuItem::Small_Open, "GUI Small Open");
    readStatus();
    for (int e = 0; e < kEntries; ++e) {
      tables_.I_Here[static_cast<std::size_t>(e)] = latest_.isHere(e);
    }
    tables_.I_NotHere = {};
    tables_.I_Hot = {};
    tables_.I_Rebuild = {};
    // The card count: on NT, one card per driver port found by its name (0 after the
    // fallback scan); otherwise, or when that gave none, the cards with a present drive.
    if (nt) state_.CardCount = found.matchingPorts;
    if (!nt || state_.CardCount == 0) state_.CardCount = countCards(tables_);
    views_.timer->setInterval(kStartupInterval);
    if (!nt) loadConfiguration();
  } else if (nt) {
    views_.dialogs->errorBox(kNtProbeFailed);
  } else {
    views_.dialogs->errorBox(k9xProbeFailed);
    startFailed_ = true;
    views_.window->closeMainWindow();
  }
}

void Monitor::startMonitoring() {
  if (state_.ShownOnce) return;
  state_.ShownOnce = true;
  if (state_.DeviceHandle == 0 || controllerMissing_) {
    startFailed_ = true;
    views_.window->closeMainWindow();
    return;
  }
  if (state_.OsFamily != kOsFamily9x) {
    if (state_.ProbeResult != 0) {
      beginPolling();
      return;
    }
    // A port that does not answer: run without a controller.
    views_.window->selectSmallSkin(1);
    menu_.refresh();
    views_.timer->setInterval(state_.LoopTime);
    views_.timer->setEnabled(true);
    menu_.setEnabled(MenuItem::MonitorOpen1, false);
    menu_.setEnabled(MenuItem::FlashFileUpdate5, false);
    menu_.setEnabled(MenuItem::ScanHdd, true);
    for (int card = 1; card <= kCards; ++card) {
      for (int pos = 1; pos <= kPositions; ++pos) display_.HidePositionIndicator(card, pos);
    }
    return;
  }
  if (state_.AspiAdapter == 100) {
    startFailed_ = true;
    views_.window->closeMainWindow();
    return;
  }
  beginPolling();
}

void Monitor::beginPolling() {
  rebuildSizeOverride_ = 0;
  views_.timer->setInterval(state_.LoopTime);
  views_.timer->setEnabled(true);
  state_.HoldOffCounter = 0;
  reloadConfiguration();
  views_.window->selectSmallSkin(state_.CardCount);
  state_.AutoRebuildOff = !menu_.checked(MenuItem::Auto_Rebuild_Option);
  menu_.refresh();
  views_.window->showMonitorDialog();
}

bool Monitor::reloadConfiguration() {
  {
    auto ex = packet_.exchange();
    ex.packet().clear();
    if (!link_.readConfig(ex.packet())) {
      // The packet holds no configuration, only the zeros it was cleared to: parsing it
      // would collapse every array. Keep what the model and the tree show.
      trace(kConfigReadFailedNote);
      return false;
    }
    model_.resetHighestArray();
    // On 9x, and while start-up found no card, the configuration gives the card count.
    const bool countFromConfig = state_.OsFamily == kOsFamily9x || state_.CardCount == 0;
    model_.parseConfiguration(ex.packet(), ParseOptions{countFromConfig}, state_.CardCount,
                              [this](std::string_view line) { trace(line); });
  }
  fillModeTree();
  return true;
}

void Monitor::fillModeTree() {
  tree_.fill(model_);
  views_.tree->rebuildTree();
}

// ---------------------------------------------------------------- poll cycle

void Monitor::pollOnce() {
  if (state_.RebuildState == RebuildState::Running) return;

  if (state_.HoldOff) {
    ++state_.HoldOffCounter;
    if (state_.HoldOffCounter > kHoldOffTicks) state_.HoldOff = false;
  }

  if (state_.ScanActive) {
    if (state_.HoldOff) {
      state_.ScanCounter = 0;
      state_.HoldOff = false;
    }
    if (state_.ScanCounter <= kScanTicks) {
      if (state_.ScanCounter == 0) views_.scan->showScanForm(kScanCaption);
      ++state_.ScanCounter;
      views_.scan->setScanProgress(state_.ScanCounter * 100 / kScanTicks);
    } else {
      if (state_.RescanRequested) {
        rescanNow();
      } else {
        // The wait is over without a rescan; the next failed read starts a new one.
        views_.scan->setScanCaption(kWaitCaption);
        views_.scan->closeScanForm();
        state_.ScanActive = false;
        state_.ScanCounter = 0;
      }
    }
  }

  const int plugResult = plugCheck();
  const int statusResult = statusCheck();

  if (plugResult != 0 || statusResult != 0) {
    computePresenceSums();
    events_.LogConnectionChanges(latest_, tables_, state_.presenceSums, state_.previousSums);
    if (state_.RebuildState != RebuildState::Running) {
      trace("EyeSetting");
      for (int card = 1; card <= kCards; ++card) {
        for (int pos = 1; pos <= kPositions; ++pos) {
          evaluatePosition(card, pos, statusResult, plugResult);
        }
      }
    }
    display_.PlayPositionIndicators();
    state_.previousSums = state_.presenceSums;
    views_.rebuild->ReportRebuildOutcome();
    views_.timer->setInterval(state_.LoopTime);
  }

  if (state_.AutoRebuildPending) {
    state_.AutoRebuildPending = false;
    views_.rebuild->startAutoRebuild();
  } else {
    views_.timer->setEnabled(true);
  }
}

void Monitor::computePresenceSums() {
  for (int card = 1; card <= kWatchedCards; ++card) {
    for (int pos = 1; pos <= kPositions; ++pos) {
      const auto e = static_cast<std::size_t>(entryIndex(card, pos));
      state_.presenceSums[sumIndex(card, pos)] =
          static_cast<std::uint32_t>(tables_.I_Here[e]) + tables_.I_Hot[e];
    }
  }
}

bool Monitor::readStatusWithin(std::chrono::milliseconds wait) {
  auto ex = packet_.tryExchange(wait);
  if (!ex) return false;
  if (!link_.readStatus(ex->packet())) return false;
  takeStatus(ex->packet());
  return true;
}

void Monitor::takeStatus(const ControlPacket& packet) {
  latest_ = StatusBlock::fromPacket(packet);
  if (!link_.hasHotPlug()) {
    for (int card = 1; card <= kCards; ++card) {
      latest_.setIsHotPlug(card, 1, 0);
      latest_.setIsHotPlug(card, 2, 0);
    }
  }
  statusReceived_ = true;
}

bool Monitor::readStatus() {
  auto ex = packet_.exchange();
  const bool ok = link_.readStatus(ex.packet());
  if (!ok && link_.checksStatusRead()) return false;
  // The bridge's status read is not judged, but one that did not go through left no
  // status in the packet (only what the last exchange put there): keep the last one.
  if (!ok) return true;
  takeStatus(ex.packet());
  return true;
}

int Monitor::statusCheck() {
  if (!readStatus()) {
    {
      auto ex = packet_.exchange();
      std::memset(ex.packet().raw(), 0, 4);
    }
    // Nothing valid arrived: this cycle works from the accepted state.
    latest_ = snapshot_;
    return kReadFailed;
  }
  views_.debug->fillDebugGrid();

  bool changed = false;
  for (int card = 1; card <= kWatchedCards && !changed; ++card) {
    for (int pos = 1; pos <= kPositions && !changed; ++pos) {
      const int e = entryIndex(card, pos);
      const int ch = channelOf(pos);
      const char* what = nullptr;
      if (latest_.isHotPlug(card, ch) != snapshot_.isHotPlug(card, ch)) {
        what = "DEVICE_IO_TRUE->IsHotPlug";
      } else if (latest_.active(e) != snapshot_.active(e)) {
        what = "DEVICE_IO_TRUE->IsActiveHdd";
      } else if (latest_.isHere(e) != snapshot_.isHere(e)) {
        what = "DEVICE_IO_TRUE->IsHereHdd";
      } else if (latest_.rebuild(e) != snapshot_.rebuild(e)) {
        what = "DEVICE_IO_TRUE->RebuildHdd";
      } else if (latest_.source(e) != snapshot_.source(e)) {
        what = "DEVICE_IO_TRUE->SourceHdd";
      } else if (latest_.hot(e) != snapshot_.hot(e)) {
        what = "DEVICE_IO_TRUE->HotStatus";
      }
      if (what) {
        trace(what);
        changed = true;
      }
    }
  }
  if (latest_.runRTime() != snapshot_.runRTime()) {
    trace("DEVICE_IO_TRUE->RunRebuildTime");
    changed = true;
  }
  if (!changed) return kNoChange;

  for (int card = 1; card <= kWatchedCards; ++card) {
    for (int pos = 1; pos <= kPositions; ++pos) {
      const int e = entryIndex(card, pos);
      snapshot_.setActive(e, latest_.active(e));
      snapshot_.setIsHere(e, latest_.isHere(e));
      snapshot_.setRebuild(e, latest_.rebuild(e));
      snapshot_.setSource(e, latest_.source(e));
      snapshot_.setIsHotPlug(card, channelOf(pos), latest_.isHotPlug(card, channelOf(pos)));
      snapshot_.setHot(e, latest_.hot(e));
    }
  }
  snapshot_.setRunRTime(latest_.runRTime());
  return kChanged;
}

int Monitor::plugCheck() {
  if (!link_.hasHotPlug()) return 0;
  views_.debug->setPlugLabel("FPlugBackup");
  {
    auto ex = packet_.exchange();
    ex.packet().clearData();
    if (!link_.plugBackup(ex.packet())) {
      // Nothing arrived, only the cleared packet: that is no news about the drives. The
      // copy, the panels and the indicators stay as they were.
      views_.debug->setPlugLabel(kPlugReadFailedLabel);
      return 0;
    }
    std::copy_n(ex.packet().data(), kPlugBytes, lastPlug_.bytes.begin());
  }
  const PlugBlock& now = lastPlug_;
  int result = 0;
  for (int card = 1; card <= kWatchedCards && result == 0; ++card) {
    for (int pos = 1; pos <= kPositions && result == 0; ++pos) {
      const HotPlugMark mark = marker(card, channelOf(pos));
      const bool bothSee = now.existTavrix(card, pos) == 1 && now.existFilter(card, pos) == 1;
      // The drive whose plug state 10/11 set the marker has left that state (the
      // evaluation then clears the marker); its partner on the channel does not count.
      const int plugState = now.PioStatus(card, pos) >> 4;
      const bool left10or11 =
          markedByState10or11(card, pos) && plugState != 10 && plugState != 11;
      const char* what = nullptr;
      if (now.PioStatus(card, pos) != plugCopy_.PioStatus(card, pos)) {
        what = "DEVICE_IO_TRUE->PioStatus";
      } else if (now.existFilter(card, pos) != plugCopy_.existFilter(card, pos)) {
        what = "DEVICE_IO_TRUE->ExistFilter";
      } else if (now.existTavrix(card, pos) != plugCopy_.existTavrix(card, pos)) {
        what = "DEVICE_IO_TRUE->ExistTavrix";
      } else if (bothSee && left10or11 && mark == HotPlugMark::State10) {
        what = "DEVICE_IO_TRUE->A0 ExistFilter";
      } else if (bothSee && left10or11 && mark == HotPlugMark::State11) {
        what = "DEVICE_IO_TRUE->B0 ExistFilter";
      }
      if (what) {
        trace(what);
        result = 1;
      }
    }
  }
  if (result == 1) {
    for (int card = 1; card <= kCards; ++card) {
      for (int pos = 1; pos <= kPositions; ++pos) {
        const std::size_t slot = plugSlot(card, pos);
        for (std::size_t table : {kOffPioStatus, kOffExistFilter, kOffExistTavrix}) {
          plugCopy_.bytes[table + slot] = now.bytes[table + slot];
        }
      }
    }
  }
  // The panels show every block; one equal to the block they show is not redrawn.
  if (!panelsShown_ || panelsBlock_.bytes != now.bytes) {
    views_.scan->setScanPanels(plugPanelTexts(now));
    panelsBlock_ = now;
    panelsShown_ = true;
  }
  return result;
}

std::array<std::string, 8> Monitor::plugPanelTexts(const PlugBlock& block) {
  auto hex = [](std::uint32_t v) {
    char buf[12];
    std::snprintf(buf, sizeof buf, "%02X", v);
    return std::string(buf);
  };
  std::array<std::string, 8> texts;
  for (int card = 1; card <= kWatchedCards; ++card) {
    for (int pos = 1; pos <= kPositions; ++pos) {
      texts[0] += "[" + hex(block.disableHdd(card, pos)) + "]";
      texts[1] += "[" + hex(block.PioStatus(card, pos)) + "]";
      texts[2] += "[" + hex(block.existTavrix(card, pos)) + "]";
      texts[3] += "[" + hex(block.existFilter(card, pos)) + "]";
    }
  }
  texts[4] = hex(block.tavrixATA());
  for (int i = 0; i < 10; ++i) {
    texts[5] += "[" + hex(block.childPdo(i)) + "]";
    texts[6] += "[" + hex(block.targetId(i)) + "]";
  }
  texts[7] = hex(block.countPdo());
  return texts;
}

void Monitor::rescanNow() {
  link_.rescanBus();
  state_.HoldOff = true;
  state_.ScanActive = false;
  state_.RescanRequested = false;
  state_.HoldOffCounter = 0;
  state_.ScanCounter = 0;
  views_.scan->setScanProgress(0);
  views_.scan->closeScanForm();
}

HotPlugMark& Monitor::marker(int card, int channel) {
  static HotPlugMark spare = HotPlugMark::None;  // cards 3 and 4 keep no marker
  if (card < 1 || card > 2 || channel < 1 || channel > 2) {
    spare = HotPlugMark::None;
    return spare;
  }
  return state_.HotPlugMarker[static_cast<std::size_t>(2 * (card - 1) + channel - 1)];
}

std::uint8_t& Monitor::markerPosition(int card, int channel) {
  static std::uint8_t spare = 0;
  if (card < 1 || card > 2 || channel < 1 || channel > 2) {
    spare = 0;
    return spare;
  }
  return state_.HotPlugMarkerPosition[static_cast<std::size_t>(2 * (card - 1) + channel - 1)];
}

bool Monitor::markedByState10or11(int card, int position) {
  const int channel = channelOf(position);
  const HotPlugMark mark = marker(card, channel);
  return (mark == HotPlugMark::State10 || mark == HotPlugMark::State11) &&
         markerPosition(card, channel) == position;
}

void Monitor::startScanWait(std::uint8_t counter, bool clearHoldOff) {
  if (state_.ScanActive) return;
  if (clearHoldOff) state_.HoldOff = false;
  state_.ScanActive = true;
  state_.ScanCounter = counter;
  views_.scan->setScanProgress(0);
}

void Monitor::setMemberNodeImages(int card, int position, NodeImage image) {
  const auto member = model_.memberAt(entryIndex(card, position));
  if (!member) return;
  const int node = tree_.memberNode(member->array, member->slot);
  if (node < 0) return;
  tree_.setImages(node, image);
  views_.tree->setNodeImages(node, image);
}

void Monitor::evaluatePosition(int card, int position, int statusResult, int plugResult) {
  if (!validCard(card) || !validPosition(position)) return;
  if (statusResult == kReadFailed && plugResult != 1) {
    startScanWait(0, false);
    return;
  }
  if (statusResult != kChanged && plugResult != 1) return;

  DisplayState displayState = DisplayState::None;
  DriveEvent event = DriveEvent::None;
  if (!hotPlugPath(card, position, displayState, event)) {
    normalPath(card, position, displayState, event);
  }

  if (state_.ScanActive && statusResult == kReadFailed) {
    const std::uint8_t pio = plugCopy_.PioStatus(card, position);
    if (pio == 0x50) {
      state_.RescanRequested = true;
    } else if (pio == 0x51) {
      event = DriveEvent::PlugError;
    }
  }
  if (displayState != DisplayState::None) display_.ShowPositionState(card, position, displayState);
  if (event != DriveEvent::None) events_.RaiseDriveEvent(card, position, event);
}

bool Monitor::hotPlugPath(int card, int position, DisplayState& displayState, DriveEvent& event) {
  const int channel = channelOf(position);
  if (snapshot_.isHotPlug(card, channel) != 1) return false;
  const int e = entryIndex(card, position);
  const std::uint8_t pio = plugCopy_.PioStatus(card, position);
  const int plugState = pio >> 4;
  const bool inBoth =
      plugCopy_.existTavrix(card, position) == 1 && plugCopy_.existFilter(card, position) == 1;
  HotPlugMark& mark = marker(card, channel);

  if (plugState == 5 && !inBoth) {
    if (mark != HotPlugMark::Pulled) {
      startScanWait(0, true);
      event = DriveEvent::Connected;
      mark = HotPlugMark::Pulled;
      state_.RescanRequested = true;
    }
    displayState = DisplayState::Attention;
    display_.markStartPending(card, position);
    if (!tree_.empty()) setMemberNodeImages(card, position, NodeImage::MemberAttention);
  } else if (plugState == 5) {
    if (mark != HotPlugMark::Back && mark != HotPlugMark::None) {
      reloadConfiguration();
      state_.ScanCounter = 0;
      views_.scan->closeScanForm();
      event = DriveEvent::Connected;
      mark = HotPlugMark::Back;
      menu_.setEnabled(MenuItem::ScanHdd, false);
    }
    displayState = DisplayState::Present;
    display_.markStartPending(card, position);
    if (tree_.empty()) reloadConfiguration();
    setMemberNodeImages(card, position, NodeImage::MemberPresent);
  } else if (plugState == 10 || plugState == 11) {
    display_.HidePositionIndicator(card, position);
    const auto& entry = model_.modelPositions()[static_cast<std::size_t>(e)];
    if (entry.kind == kKindSingle) {
      setMemberNodeImages(card, position, NodeImage::None);
      const HotPlugMark wanted = plugState == 10 ? HotPlugMark::State10 : HotPlugMark::State11;
      if (mark != wanted) {
        startScanWait(40, false);
        state_.RescanRequested = true;
        event = DriveEvent::Disconnected;
        mark = wanted;
        markerPosition(card, channel) = static_cast<std::uint8_t>(position);
      }
    }
  } else if (pio == 0) {
    display_.HidePositionIndicator(card, position);
  } else if (inBoth) {
    // Listed by both tables in a plug state the watch does not name: the drive is here.
    // One that left plug state 10/11 this way ends its marker, and a present idle drive
    // shows as present, as it does off the hot-plug path.
    if (markedByState10or11(card, position)) {
      mark = HotPlugMark::None;
      markerPosition(card, channel) = 0;
    }
    if (latest_.isHere(e) == 1 && latest_.active(e) != 1 && latest_.hot(e) == 0 &&
        latest_.rebuild(e) == 0) {
      displayState = DisplayState::Present;
      display_.markStartPending(card, position);
      setMemberNodeImages(card, position, NodeImage::MemberPresent);
    }
  }

  if (latest_.active(e) == 1 && latest_.rebuild(e) <= 1) {
    displayState = latest_.rebuild(e) == 0 ? DisplayState::Active : DisplayState::ActiveRebuild;
    display_.markStartPending(card, position);
  }
  return true;
}

void Monitor::normalPath(int card, int position, DisplayState& displayState, DriveEvent& event) {
  const int e = entryIndex(card, position);
  const auto ue = static_cast<std::size_t>(e);
  const bool missing = latest_.isHere(e) != 1 || latest_.isHotPlug(card, channelOf(position)) != 0;
  if (missing) {
    if (tables_.I_NotHere[ue] == 0) {
      tables_.I_NotHere[ue] = 1;
      display_.HidePositionIndicator(card, position);
    }
    return;
  }
  // Present again: the next removal hides the indicator once more.
  tables_.I_NotHere[ue] = 0;

  const std::uint8_t rebuild = latest_.rebuild(e);
  const std::uint16_t runTime = latest_.runRTime();
  if (rebuild == 1 && tables_.I_Hot[ue] == 0 && runTime == 0) {
    tables_.I_Hot[ue] = 1;
    tables_.I_Rebuild[ue] = 0;
    display_.HidePositionIndicator(card, position);
    state_.AutoRebuildOff = false;
    setMemberNodeImages(card, position, NodeImage::None);
    event = DriveEvent::Disconnected;
  } else if (rebuild == 1 && tables_.I_Rebuild[ue] == 0 && runTime == 1) {
    tables_.I_Rebuild[ue] = 1;
    tables_.I_Hot[ue] = 0;
    displayState = DisplayState::Attention;
    display_.markStartPending(card, position);
    setMemberNodeImages(card, position, NodeImage::MemberAttention);
    if (!state_.AutoRebuildOff) {
      event = DriveEvent::Connected;
      if (menu_.checked(MenuItem::Auto_Rebuild_Option)) {
        reloadConfiguration();
        setMemberNodeImages(card, position, NodeImage::MemberAttention);
        state_.AutoRebuildOff = true;
        views_.window->setMonitorPage(2);
        state_.AutoRebuildPending = true;
        readStatus();
      }
    }
  } else {
    const std::uint8_t active = latest_.active(e);
    if (active == 1 && rebuild == 0) {
      displayState = DisplayState::Active;
    } else if (active == 1 && rebuild == 1) {
      displayState = DisplayState::ActiveRebuild;
    } else if (active != 1 && latest_.hot(e) == 0 && rebuild == 0) {
      displayState = DisplayState::Present;
      setMemberNodeImages(card, position, NodeImage::MemberPresent);
    }
    if (displayState != DisplayState::None) display_.markStartPending(card, position);
  }
}

}  // namespace raidmon
