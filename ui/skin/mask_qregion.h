// The window region built from the skin model's mask runs: the union of its batches
// of at most 2000 rectangles, built in one pass over the runs.
#pragma once

#include <QColor>
#include <QRegion>

#include "skin/bmp_image.h"
#include "skin/mask_region.h"

namespace raidmon {

// The colour's red, green and blue bytes.
inline Rgb toRgb(const QColor& c) {
  return Rgb{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
             static_cast<std::uint8_t>(c.blue())};
}

// The opaque part of `mask`: pixels outside [key, key + tolerance] per channel. An
// all-transparent mask gives an empty region, as does a mask without pixels. Time and
// memory grow with the number of runs (the largest mask the BMP reader accepts stays
// well under a second).
QRegion maskToRegion(const RgbImage& mask, Rgb key, Rgb tolerance);

}  // namespace raidmon
