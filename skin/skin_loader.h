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

// Reads the INI file, then the faces (mask, mouse up, mouse on, mouse down) and the
// thumbs. A bitmap named more than once is read once. Throws RaidmonError with the
// first problem found (missing or invalid file, bad entry); nothing is half-loaded.
LoadedSkin loadSkinFiles(const std::string& iniPath);

}  // namespace raidmon
