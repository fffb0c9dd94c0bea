#include "skin/skin_loader.h"

#include <algorithm>
#include <climits>
#include <map>

#include "platform/input_file.h"
#include "platform/raidmon_error.h"

namespace raidmon {

LoadedSkin loadSkinFiles(const std::string& iniPath) {
  LoadedSkin skin;
  skin.description = readSkinFile(iniPath);
  const SkinDescription& d = skin.description;

  std::map<FileIdentity, SkinImage> cache;
  std::int64_t pixels = 0;
  auto load = [&](const std::string& path) -> SkinImage {
    InputFile file = InputFile::open(path);
    if (!file.ok()) throw RaidmonError("Cannot open file \"" + path + "\"");
    auto it = cache.find(file.identity());
    if (it != cache.end()) return it->second;
    // The size the header announces is counted before a pixel is decoded.
    const std::vector<std::uint8_t> bytes = readBmpBytes(file, path);
    if (pixels + bmpPixelCount(bytes) > kMaxSkinPixels) {
      throw RaidmonError("Skin bitmaps are too large: " + iniPath + " (more than " +
                         std::to_string(kMaxSkinPixels) + " pixels together)");
    }
    auto image = std::make_shared<const RgbImage>(decodeBmpBytes(bytes, path));
    pixels += static_cast<std::int64_t>(image->width) * image->height;
    return cache.emplace(file.identity(), std::move(image)).first->second;
  };
  skin.mask = load(d.MaskBitmap);
  skin.mouseUp = load(d.MouseUpBitmap);
  skin.mouseOn = load(d.MouseOnBitmap);
  skin.mouseDown = load(d.MouseDownBitmap);

  for (const TrackBarEntry& e : d.TrackBars) {
    LoadedTrackBar bar;
    bar.thumb = load(e.ThumbFile);
    bar.pressedThumb = load(e.PressedThumbFile);
    bar.info.ID = e.ID;
    bar.info.Left = e.Left;
    bar.info.Top = e.Top;
    const std::int64_t travel = static_cast<std::int64_t>(e.Length) - bar.thumb->width;
    bar.info.Travel = static_cast<std::int32_t>(std::clamp<std::int64_t>(travel, INT32_MIN, INT32_MAX));
    bar.info.Horizontal = e.Horizontal;
    bar.info.Position = e.Position;
    bar.info.ThumbWidth = bar.thumb->width;
    bar.info.ThumbHeight = bar.thumb->height;
    skin.trackBars.push_back(std::move(bar));
  }
  return skin;
}

}  // namespace raidmon
