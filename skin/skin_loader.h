// A whole skin read and checked before anything is applied: the INI description, the
// four face bitmaps and every track bar's thumbs. Either all of it loads or nothing.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "skin/bmp_image.h"
#include "skin/skin_behaviour.h"
#include "skin/skin_file.h"

namespace raidmon {

// Images are shared: a bitmap named more than once is read and held once.
using SkinImage = std::shared_ptr<const RgbImage>;

struct LoadedTrackBar {
  TrackBarInfoRec info;  // Travel = track length - thumb width
  SkinImage thumb;
  SkinImage pressedThumb;
};

struct LoadedSkin {
  SkinDescription description;
  SkinImage mask;
  SkinImage mouseUp;
  SkinImage mouseOn;
  SkinImage mouseDown;
  std::vector<LoadedTrackBar> trackBars;
};

// What one skin may decode in all: its distinct bitmaps together hold at most this
// many pixels (two bitmaps of the largest size the BMP reader takes, 128 MiB of
// pixels); a real skin holds a few hundred thousand.
inline constexpr std::int64_t kMaxSkinPixels = 2 * kMaxBmpPixels;

// Reads the INI file, then the faces (mask, mouse up, mouse on, mouse down) and the
// thumbs. A bitmap is read once however often and under whatever names it is given
// ("a.bmp", "./a.bmp", a link to it): files are told apart by their identity on disk.
// Throws RaidmonError with the first problem found (missing or invalid file, bad
// entry, "Skin bitmaps are too large: <ini>" past kMaxSkinPixels); nothing is
// half-loaded.
LoadedSkin loadSkinFiles(const std::string& iniPath);

}  // namespace raidmon
