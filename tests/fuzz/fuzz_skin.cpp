// Arbitrary skin files: the INI text through the skin reader (an accepted skin's values
// then through the arithmetic the widget does with them) and every entry through the
// field splitter and the strict integers; a BMP through the decoder and, when it
// decodes, the mask-run builder. The first byte picks which; only RaidmonError may come
// out of a bad file.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "platform/raidmon_error.h"
#include "skin/bmp_image.h"
#include "skin/mask_region.h"
#include "skin/skin_fields.h"
#include "skin/skin_file.h"

using namespace raidmon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  try {
    switch (data[0] % 3) {
      case 0: {
        // What the widget later computes from an accepted skin, in plain int: with the
        // reader's bounds none of it may overflow (the undefined-behaviour sanitizer
        // watches), and a value past the bounds must have been refused.
        const SkinDescription skin = parseSkinText(text, "skins/default/", "fuzz.ini");
        auto inRange = [](std::int32_t v, std::int32_t limit) { return v >= -limit && v <= limit; };
        volatile int sink = 0;
        for (const HotAreaInfoRec& a : skin.HotAreas) {
          if (!inRange(a.Left, kMaxSkinCoordinate) || !inRange(a.Top, kMaxSkinCoordinate) ||
              !inRange(a.Width, kMaxSkinCoordinate) || !inRange(a.Height, kMaxSkinCoordinate)) {
            std::abort();
          }
          sink = a.Left + a.Width - 1 + a.Top + a.Height - 1;  // a rectangle's right and bottom
        }
        for (const DisplayInfoRec& t : skin.Texts) {
          if (!inRange(t.Font.Size, kMaxSkinFontSize) || !inRange(t.X, kMaxSkinCoordinate) ||
              !inRange(t.Y, kMaxSkinCoordinate)) {
            std::abort();
          }
          sink = -t.Font.Size + t.X + 4096 + t.Y + 4096;  // pixel size, text box
        }
        for (const TrackBarEntry& b : skin.TrackBars) {
          if (!inRange(b.Left, kMaxSkinCoordinate) || !inRange(b.Top, kMaxSkinCoordinate) ||
              !inRange(b.Length, kMaxSkinCoordinate)) {
            std::abort();
          }
          const int travel = b.Length - kMaxBmpSide;  // the widest thumb
          sink = b.Left + travel * b.Position / 100 + kMaxBmpSide + b.Top + kMaxBmpSide;
        }
        (void)sink;
        break;
      }
      case 1: {
        for (const std::string& field : SplitSkinFields(text)) {
          try {
            skinInteger(field);
          } catch (const RaidmonError&) {
          }
        }
        break;
      }
      default: {
        const RgbImage image = decodeBmp(std::span<const std::uint8_t>(data + 1, size - 1));
        std::size_t rects = 0;
        BuildMaskRegion(image, Rgb{255, 255, 255}, Rgb{1, 1, 1},
                        [&](const MaskBatch& batch) { rects += batch.rects.size(); });
        if (rects > static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height)) std::abort();
        break;
      }
    }
  } catch (const RaidmonError&) {
  }
  return 0;
}
