// The evaluation of one drive position after a change: the hot-plug path and the
// normal path decide its indicator state and the drive event it raises.
#include "monitor/monitor.h"

namespace raidmon {

void Monitor::setMemberNodeImages(int card, int position, NodeImage image) {
  const auto member = model_.memberAt(entryIndex(card, position));
  if (!member) return;
  const int node = tree_.memberNode(member->array, member->slot);
  if (node < 0) return;
  tree_.setImages(node, image);
  views_.tree->setNodeImages(node, image);
}

void Monitor::evaluatePosition(int card, int position, int statusResult, int plugResult) {
  affinity_.check("Monitor");
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

  if (plugState == 5) {
    plugState5(card, position, inBoth, mark, displayState, event);
  } else if (plugState == 10 || plugState == 11) {
    plugState10or11(card, position, plugState, mark, event);
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

// Plug state 5: a drive pulled (not listed by both tables) or back (listed by both).
void Monitor::plugState5(int card, int position, bool inBoth, HotPlugMark& mark,
                         DisplayState& displayState, DriveEvent& event) {
  if (!inBoth) {
    if (mark != HotPlugMark::Pulled) {
      startScanWait(0, true);
      event = DriveEvent::Connected;
      mark = HotPlugMark::Pulled;
      state_.RescanRequested = true;
    }
    displayState = DisplayState::Attention;
    display_.markStartPending(card, position);
    if (!tree_.empty()) setMemberNodeImages(card, position, NodeImage::MemberAttention);
  } else {
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
  }
}

// Plug state 10 or 11: a single drive left; the channel's marker names the state.
void Monitor::plugState10or11(int card, int position, int plugState, HotPlugMark& mark,
                              DriveEvent& event) {
  const int e = entryIndex(card, position);
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
      markerPosition(card, channelOf(position)) = static_cast<std::uint8_t>(position);
    }
  }
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
