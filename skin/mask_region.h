// The window shape from a mask bitmap: one rectangle per run of opaque pixels, rows
// from the top down, handed out in batches for the caller to turn into regions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "skin/bmp_image.h"

namespace raidmon {

struct MaskRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;   // exclusive
  std::int32_t bottom = 0;  // exclusive
  bool operator==(const MaskRect&) const = default;
};

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
};

// No batch holds more rectangles than this; the collecting buffer grows in steps.
inline constexpr std::size_t kMaskBatchRects = 2000;
inline constexpr std::size_t kMaskBufferStep = 100;

struct MaskBatch {
  std::span<const MaskRect> rects;
  MaskRect bounds;  // union of rects; all zero for an empty batch
};

// The range of colours cut out of the window: per channel [key, min(255, key + tolerance)].
class TransparentRange {
 public:
  TransparentRange(Rgb key, Rgb tolerance);
  bool contains(std::uint32_t rgb) const {
    const std::uint32_t r = (rgb >> 16) & 0xFF;
    const std::uint32_t g = (rgb >> 8) & 0xFF;
    const std::uint32_t b = rgb & 0xFF;
    return r >= low_.r && r <= high_.r && g >= low_.g && g <= high_.g && b >= low_.b && b <= high_.b;
  }

 private:
  Rgb low_;
  Rgb high_;
};

// Walks the mask: in each row (top to bottom), each run of pixels outside the
// transparent range gives one rectangle (x0, y, x, y + 1); runs are not merged across
// rows. Every kMaskBatchRects rectangles go to `onBatch`, then the remainder (possibly
// none) in a last call. Returns false, calling nothing, when the mask has no pixels
// (no region at all); an all-transparent mask gives one empty batch (an empty region).
bool BuildMaskRegion(const RgbImage& mask, Rgb key, Rgb tolerance,
                     const std::function<void(const MaskBatch&)>& onBatch);

// Every rectangle of the mask in order (for callers that want them all at once).
std::vector<MaskRect> maskRuns(const RgbImage& mask, Rgb key, Rgb tolerance);

}  // namespace raidmon
