// Arbitrary skin files: the INI text through the skin reader and every entry through
// the field splitter and the strict integers; a BMP through the decoder and, when it
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
      case 0:
        parseSkinText(text, "skins/default/", "fuzz.ini");
        break;
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
