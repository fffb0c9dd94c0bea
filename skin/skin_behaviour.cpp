#include "skin/skin_behaviour.h"

namespace raidmon {

bool TrackBarInfoRec::thumbContains(std::int32_t x, std::int32_t y) const {
  const std::int64_t left = thumbLeft();
  return x >= left && y >= Top && x < left + ThumbWidth && static_cast<std::int64_t>(y) < static_cast<std::int64_t>(Top) + ThumbHeight;
}

void SkinBehaviour::reset(std::vector<HotAreaInfoRec> hotAreas, std::vector<TrackBarInfoRec> trackBars,
                          bool hoverEnabled) {
  hotAreas_ = std::move(hotAreas);
  trackBars_ = std::move(trackBars);
  hoverEnabled_ = hoverEnabled;
  repaintPending_ = true;
  previousOver_ = currentOver_ = false;
  hotPressed_ = trackDrag_ = false;
  activeTrack_ = -1;
}

int SkinBehaviour::hotAreaAt(std::int32_t x, std::int32_t y) const {
  for (std::size_t i = 0; i < hotAreas_.size(); ++i) {
    if (hotAreas_[i].contains(x, y)) return static_cast<int>(i);
  }
  return -1;
}

int SkinBehaviour::thumbAt(std::int32_t x, std::int32_t y) const {
  for (std::size_t i = 0; i < trackBars_.size(); ++i) {
    if (trackBars_[i].thumbContains(x, y)) return static_cast<int>(i);
  }
  return -1;
}

SkinMouseResult SkinBehaviour::mouseDown(bool leftButton, std::int32_t x, std::int32_t y) {
  SkinMouseResult result;
  hotPressed_ = false;
  trackDrag_ = false;
  activeTrack_ = -1;
  if (!leftButton) return result;

  if (const int hot = hotAreaAt(x, y); hot >= 0) {
    HotAreaInfoRec& area = hotAreas_[static_cast<std::size_t>(hot)];
    result.paints.push_back({SkinPaint::Kind::CopyFromDown, area});
    hotPressed_ = true;
    result.ID = area.ID;
    if (area.IsToggle) {
      area.Down = !area.Down;
      result.paints.push_back({area.Down ? SkinPaint::Kind::CopyFromDown : SkinPaint::Kind::CopyFromUp, area});
    }
  }
  if (const int bar = thumbAt(x, y); bar >= 0) {
    result.ID = trackBars_[static_cast<std::size_t>(bar)].ID;  // the thumb wins over a hot area
    trackDrag_ = true;
    activeTrack_ = bar;
  }
  result.startWindowMove = !hotPressed_ && !trackDrag_;
  return result;
}

SkinMouseResult SkinBehaviour::mouseMove(std::int32_t x, std::int32_t y) {
  SkinMouseResult result;
  if (repaintPending_) result.paints.push_back({SkinPaint::Kind::Repaint, {}});
  repaintPending_ = false;
  previousOver_ = currentOver_;

  if (trackDrag_ && activeTrack_ >= 0) {
    TrackBarInfoRec& bar = trackBars_[static_cast<std::size_t>(activeTrack_)];
    // The track's own rectangle, right edge excluded: positions 0..99. An empty track
    // (Travel <= 0) contains no point, so there is never a division by zero.
    const std::int64_t right = static_cast<std::int64_t>(bar.Left) + bar.Travel;
    if (x >= bar.Left && x < right && y >= bar.Top &&
        static_cast<std::int64_t>(y) < static_cast<std::int64_t>(bar.Top) + bar.ThumbHeight) {
      result.ID = bar.ID;
      bar.Position = static_cast<std::uint8_t>((static_cast<std::int64_t>(x) - bar.Left) * 100 / bar.Travel);
      result.paints.push_back({SkinPaint::Kind::Repaint, {}});
    }
  }

  if (const int hot = hotAreaAt(x, y); hot >= 0) {
    const HotAreaInfoRec& area = hotAreas_[static_cast<std::size_t>(hot)];
    currentOver_ = true;
    result.ID = area.ID;
    if (hoverEnabled_) result.paints.push_back({SkinPaint::Kind::CopyFromOn, area});
  } else {
    currentOver_ = false;
  }
  // Entering or leaving the hot areas: the next move repaints (removing the hover).
  if (currentOver_ != previousOver_) repaintPending_ = true;
  return result;
}

SkinMouseResult SkinBehaviour::mouseUp(std::int32_t x, std::int32_t y) {
  SkinMouseResult result;
  trackDrag_ = false;
  activeTrack_ = -1;
  if (const int hot = hotAreaAt(x, y); hot >= 0) result.ID = hotAreas_[static_cast<std::size_t>(hot)].ID;
  result.paints.push_back({SkinPaint::Kind::Repaint, {}});
  return result;
}

}  // namespace raidmon
