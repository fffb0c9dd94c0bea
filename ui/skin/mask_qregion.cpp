#include "ui/skin/mask_qregion.h"

#include <vector>

namespace raidmon {

namespace {

// Collects the mask's runs as the rectangles of one region in the banded form a region
// keeps: rows top down, runs left to right, and a row whose runs repeat those of the
// row just above it joins that band (taller rectangles instead of one more band).
// Every run is looked at a fixed number of times, so the whole region costs time in
// proportion to the runs, however many batches they came in.
class BandedRects {
 public:
  void add(const MaskRect& r) {
    if (rowStart_ < rects_.size() && r.top != rowTop_) endRow();
    if (rowStart_ == rects_.size()) rowTop_ = r.top;
    rects_.emplace_back(r.left, r.top, r.right - r.left, r.bottom - r.top);
  }

  std::vector<QRect>& finish() {
    if (rowStart_ < rects_.size()) endRow();
    return rects_;
  }

 private:
  void endRow() {
    const std::size_t rowCount = rects_.size() - rowStart_;
    const std::size_t bandCount = rowStart_ - bandStart_;
    bool joins = bandCount == rowCount && bandCount > 0 && rects_[bandStart_].bottom() + 1 == rowTop_;
    for (std::size_t i = 0; joins && i < rowCount; ++i) {
      const QRect& above = rects_[bandStart_ + i];
      const QRect& here = rects_[rowStart_ + i];
      joins = above.left() == here.left() && above.right() == here.right();
    }
    if (joins) {
      for (std::size_t i = 0; i < bandCount; ++i) rects_[bandStart_ + i].setBottom(rowTop_);
      rects_.resize(rowStart_);
    } else {
      bandStart_ = rowStart_;
    }
    rowStart_ = rects_.size();
  }

  std::vector<QRect> rects_;
  std::size_t bandStart_ = 0;  // first rectangle of the band above the current row
  std::size_t rowStart_ = 0;   // first rectangle of the current row
  int rowTop_ = 0;
};

}  // namespace

QRegion maskToRegion(const RgbImage& mask, Rgb key, Rgb tolerance) {
  // The batches of the run walk are OR-combined: they follow each other down the mask
  // (a row may continue into the next batch), so their union is their runs together,
  // in the order they come. Building the region once from all of them gives the same
  // region as uniting batch after batch, without copying the growing result each time.
  BandedRects bands;
  BuildMaskRegion(mask, key, tolerance, [&bands](const MaskBatch& batch) {
    for (const MaskRect& r : batch.rects) bands.add(r);
  });
  std::vector<QRect>& rects = bands.finish();
  QRegion result;
  if (!rects.empty()) result.setRects(rects.data(), static_cast<int>(rects.size()));
  return result;
}

}  // namespace raidmon
