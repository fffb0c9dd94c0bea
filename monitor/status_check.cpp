// The status check: reading the controller's status block and comparing it with the
// accepted one.
#include "monitor/monitor.h"

#include <cstring>

namespace raidmon {

bool Monitor::readStatusWithin(std::chrono::milliseconds wait) {
  affinity_.check("Monitor");
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
  affinity_.check("Monitor");
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
  affinity_.check("Monitor");
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
  copyStatusToSnapshot(CopyHotFrom::Hot);
  return kChanged;
}

void Monitor::copyStatusToSnapshot(CopyHotFrom hotFrom) {
  affinity_.check("Monitor");
  for (int card = 1; card <= kWatchedCards; ++card) {
    for (int pos = 1; pos <= kPositions; ++pos) {
      const int e = entryIndex(card, pos);
      snapshot_.setActive(e, latest_.active(e));
      snapshot_.setIsHere(e, latest_.isHere(e));
      snapshot_.setRebuild(e, latest_.rebuild(e));
      snapshot_.setSource(e, latest_.source(e));
      if (hotFrom == CopyHotFrom::Hot) {
        snapshot_.setIsHotPlug(card, channelOf(pos), latest_.isHotPlug(card, channelOf(pos)));
        snapshot_.setHot(e, latest_.hot(e));
      } else {
        snapshot_.setHot(e, latest_.rebuild(e));
        tables_.I_Hot[static_cast<std::size_t>(e)] = 0;
      }
    }
  }
  snapshot_.setRunRTime(latest_.runRTime());
}

}  // namespace raidmon
