#include "skin/mask_region.h"

#include <algorithm>

namespace raidmon {

namespace {

std::uint8_t addClamped(std::uint8_t a, std::uint8_t b) {
  return static_cast<std::uint8_t>(std::min(255, static_cast<int>(a) + static_cast<int>(b)));
}

// The region-data buffer: rectangles and their bounding rectangle, growing by a step.
class RunBuffer {
 public:
  RunBuffer() { rects_.reserve(kMaskBufferStep); }
  void add(const MaskRect& r) {
    if (rects_.size() == rects_.capacity()) rects_.reserve(rects_.capacity() + kMaskBufferStep);
    if (rects_.empty()) {
      bounds_ = r;
    } else {
      bounds_.left = std::min(bounds_.left, r.left);
      bounds_.top = std::min(bounds_.top, r.top);
      bounds_.right = std::max(bounds_.right, r.right);
      bounds_.bottom = std::max(bounds_.bottom, r.bottom);
    }
    rects_.push_back(r);
  }
  std::size_t size() const { return rects_.size(); }
  void flush(const std::function<void(const MaskBatch&)>& onBatch) {
    onBatch(MaskBatch{rects_, bounds_});
    rects_.clear();  // keeps its room, as the buffer does not shrink
    bounds_ = {};
  }

 private:
  std::vector<MaskRect> rects_;
  MaskRect bounds_;
};

}  // namespace

TransparentRange::TransparentRange(Rgb key, Rgb tolerance)
    : low_(key),
      high_{addClamped(key.r, tolerance.r), addClamped(key.g, tolerance.g),
            addClamped(key.b, tolerance.b)} {}

bool BuildMaskRegion(const RgbImage& mask, Rgb key, Rgb tolerance,
                     const std::function<void(const MaskBatch&)>& onBatch) {
  if (mask.empty()) return false;
  const TransparentRange range(key, tolerance);
  RunBuffer buffer;
  const std::int32_t w = mask.width;
  for (std::int32_t y = 0; y < mask.height; ++y) {
    const std::uint32_t* row = mask.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
    std::int32_t x = 0;
    while (x < w) {
      const std::int32_t x0 = x;
      while (x < w && !range.contains(row[x])) ++x;
      if (x > x0) {
        buffer.add(MaskRect{x0, y, x, y + 1});
        if (buffer.size() == kMaskBatchRects) buffer.flush(onBatch);
      }
      ++x;  // past the transparent pixel that ended the run (or the row's end)
    }
  }
  buffer.flush(onBatch);
  return true;
}

std::vector<MaskRect> maskRuns(const RgbImage& mask, Rgb key, Rgb tolerance) {
  std::vector<MaskRect> all;
  BuildMaskRegion(mask, key, tolerance, [&](const MaskBatch& b) { all.insert(all.end(), b.rects.begin(), b.rects.end()); });
  return all;
}

}  // namespace raidmon
