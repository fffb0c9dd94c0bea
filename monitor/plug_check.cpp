// The plug check: the controller's plug tables against the copy the last change left,
// the hot-plug markers of each channel and the scan form's panels.
#include "monitor/monitor.h"

#include <algorithm>
#include <cstdio>

namespace raidmon {

int Monitor::plugCheck() {
  affinity_.check("Monitor");
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
  updatePlugPanels(now);
  return result;
}

void Monitor::updatePlugPanels(const PlugBlock& now) {
  // The panels show every block; one equal to the block they show is not redrawn.
  if (panelsShown_ && panelsBlock_.bytes == now.bytes) return;
  views_.scan->setScanPanels(plugPanelTexts(now));
  panelsBlock_ = now;
  panelsShown_ = true;
}

std::array<std::string, 8> Monitor::plugPanelTexts(const PlugBlock& block) {
  auto hex = [](std::uint32_t v) {
    char buf[12];
    std::snprintf(buf, sizeof buf, "%02X", v);
    return std::string(buf);
  };
  std::array<std::string, 8> texts;
  for (int card = 1; card <= kPanelCards; ++card) {
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

HotPlugMark& Monitor::marker(int card, int channel) {
  static HotPlugMark spare = HotPlugMark::None;  // for a place that does not exist
  if (!validCard(card) || channel < 1 || channel > 2) {
    spare = HotPlugMark::None;
    return spare;
  }
  return state_.HotPlugMarker[static_cast<std::size_t>(2 * (card - 1) + channel - 1)];
}

std::uint8_t& Monitor::markerPosition(int card, int channel) {
  static std::uint8_t spare = 0;
  if (!validCard(card) || channel < 1 || channel > 2) {
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

}  // namespace raidmon
