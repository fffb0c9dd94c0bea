// Start-up and the start of monitoring: locating and probing the controller, the
// run state's start values, the first status, the card count; then polling, the
// configuration and the mode tree.
#include "monitor/monitor.h"

namespace raidmon {

void Monitor::start() {
  affinity_.check("Monitor");
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

  resetForStart();

  if (probed) {
    takeFirstStatus(nt ? found.matchingPorts : 0, nt);
  } else if (nt) {
    views_.dialogs->errorBox(kNtProbeFailed);
  } else {
    views_.dialogs->errorBox(k9xProbeFailed);
    startFailed_ = true;
    views_.window->closeMainWindow();
  }
}

// The run state back to its start values (what locating just found stays), the
// window's place and the menu's start-up state.
void Monitor::resetForStart() {
  state_.CardCount = 0;
  state_.LoopTime = 1000;
  state_.RebuildState.set(RebuildState::Idle);
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
}

// The controller answered the probe: the first status, the presence table and the
// card count.
void Monitor::takeFirstStatus(std::uint8_t matchingPorts, bool nt) {
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
  if (nt) state_.CardCount = matchingPorts;
  if (!nt || state_.CardCount == 0) state_.CardCount = countCards(tables_);
  views_.timer->setInterval(kStartupInterval);
  if (!nt) loadConfiguration();
}

void Monitor::startMonitoring() {
  affinity_.check("Monitor");
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
  affinity_.check("Monitor");
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

}  // namespace raidmon
