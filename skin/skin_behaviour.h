// What the skin does with the mouse: hit order of hot areas and track-bar thumbs,
// toggles, hover, track drags and the window move on empty areas. The widget carries
// out the painting steps it returns; no Qt here, so tests drive it directly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "skin/skin_file.h"

namespace raidmon {

struct TrackBarInfoRec {
  std::string ID;
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Travel = 0;  // track length less the thumb's width
  bool Horizontal = true;   // kept as read; movement is horizontal either way
  std::uint8_t Position = 0;
  std::int32_t ThumbWidth = 0;
  std::int32_t ThumbHeight = 0;

  // Left edge of the thumb: Left + Travel * Position / 100.
  std::int32_t thumbLeft() const {
    return static_cast<std::int32_t>(Left + static_cast<std::int64_t>(Travel) * Position / 100);
  }
  bool thumbContains(std::int32_t x, std::int32_t y) const;
};

// A painting step for the widget.
struct SkinPaint {
  enum class Kind {
    Repaint,          // the whole face again (RepaintSkin)
    CopyFromDown,     // `rect` from the mouse-down face onto the surface
    CopyFromUp,       // `rect` from the mouse-up face
    CopyFromOn,       // `rect` from the mouse-on face (hover)
  };
  Kind kind = Kind::Repaint;
  HotAreaInfoRec rect;  // its Left, Top, Width, Height
};

struct SkinMouseResult {
  std::string ID;                 // hot area's or track bar's ID, or empty
  std::vector<SkinPaint> paints;  // in order
  bool startWindowMove = false;   // a left press on neither a hot area nor a thumb
};

// GUI thread only.
class SkinBehaviour {
 public:
  // Takes a freshly loaded skin's items; hover as the file says; repaint pending.
  void reset(std::vector<HotAreaInfoRec> hotAreas, std::vector<TrackBarInfoRec> trackBars,
             bool hoverEnabled);

  // Index of the first hot area (in file order) containing the point, or -1.
  int hotAreaAt(std::int32_t x, std::int32_t y) const;
  // Index of the first track bar whose thumb contains the point, or -1.
  int thumbAt(std::int32_t x, std::int32_t y) const;

  SkinMouseResult mouseDown(bool leftButton, std::int32_t x, std::int32_t y);
  SkinMouseResult mouseMove(std::int32_t x, std::int32_t y);
  SkinMouseResult mouseUp(std::int32_t x, std::int32_t y);

  // Called by the widget after it repainted the whole face.
  void repainted() { repaintPending_ = false; }

  const std::vector<HotAreaInfoRec>& hotAreas() const { return hotAreas_; }
  const std::vector<TrackBarInfoRec>& trackBars() const { return trackBars_; }
  int activeTrackBar() const { return activeTrack_; }
  bool hoverEnabled() const { return hoverEnabled_; }
  bool repaintPending() const { return repaintPending_; }
  bool trackDragging() const { return trackDrag_; }
  bool hotAreaPressed() const { return hotPressed_; }

 private:
  std::vector<HotAreaInfoRec> hotAreas_;
  std::vector<TrackBarInfoRec> trackBars_;
  bool hoverEnabled_ = true;
  bool repaintPending_ = true;
  bool previousOver_ = false;
  bool currentOver_ = false;
  bool hotPressed_ = false;
  bool trackDrag_ = false;
  int activeTrack_ = -1;
};

}  // namespace raidmon
