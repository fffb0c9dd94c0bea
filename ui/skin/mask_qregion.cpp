#include "ui/skin/mask_qregion.h"

namespace raidmon {

QRegion maskToRegion(const RgbImage& mask, Rgb key, Rgb tolerance) {
  // The batches of the run walk are OR-combined: they follow each other down the mask
  // (a row may continue into the next batch), so their union is their runs together, in
  // the order they come: top down, left to right, none overlapping. A region takes each
  // such rectangle, below or to the right of its last one, by appending it without
  // copying what it holds, so the whole region costs time in proportion to the runs,
  // however many batches they came in, and needs no second list of them (a list of the
  // runs first, then one region from it, cost a quarter more on a dense mask, mostly in
  // fresh memory for the two copies).
  QRegion result;
  BuildMaskRegion(mask, key, tolerance, [&result](const MaskBatch& batch) {
    for (const MaskRect& r : batch.rects) result += QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
  });
  return result;
}

}  // namespace raidmon
