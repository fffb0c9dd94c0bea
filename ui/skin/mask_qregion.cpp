#include "ui/skin/mask_qregion.h"

#include <vector>

namespace raidmon {

QRegion maskToRegion(const RgbImage& mask, Rgb key, Rgb tolerance) {
  QRegion result;
  bool first = true;
  std::vector<QRect> rects;
  rects.reserve(kMaskBatchRects);
  BuildMaskRegion(mask, key, tolerance, [&](const MaskBatch& batch) {
    rects.clear();
    for (const MaskRect& r : batch.rects) rects.emplace_back(r.left, r.top, r.right - r.left, r.bottom - r.top);
    // The runs are already in the banded order a region keeps (rows top down, left to
    // right, none touching), so they are handed over as they are.
    QRegion part;
    if (!rects.empty()) part.setRects(rects.data(), static_cast<int>(rects.size()));
    if (first) {
      result = part;
      first = false;
    } else if (!part.isEmpty()) {
      result = result.united(part);
    }
  });
  return result;
}

}  // namespace raidmon
