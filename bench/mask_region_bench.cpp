// The window region from a 1024 x 768 mask: the skin model's run builder alone, our
// whole path to a QRegion (one pass over the batches of 2000 runs), the batches united
// one after the other into the growing region (the way that cost time in the square of
// the runs), and Qt's QRegion(QBitmap). Case 2 is the worst mask the BMP reader takes:
// a 4096 x 4096 checkerboard, 8.4 million runs; case 3 a 1448 x 1448 checkerboard
// (1 million runs), on which the united batches can still be timed.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "skin/bmp_image.h"
#include "skin/mask_region.h"

#ifndef RAIDMON_NO_QT
#include <QBitmap>
#include <QGuiApplication>
#include <QImage>
#include <QRegion>

#include "ui/skin/mask_qregion.h"
#endif

namespace {

using raidmon::Rgb;
using raidmon::RgbImage;

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr Rgb kWhite{255, 255, 255};

// 0: a skin-like shape (rounded outline, round windows cut out: few runs per row);
// 1: a dense pattern (diagonal stripes and scattered holes: many runs per row).
RgbImage makeMask(int kind) {
  RgbImage m = RgbImage::filled(kWidth, kHeight, 0x000000);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      bool cut = false;
      if (kind == 0) {
        const int r = 40;
        const int cx = x < r ? r : (x >= kWidth - r ? kWidth - r - 1 : x);
        const int cy = y < r ? r : (y >= kHeight - r ? kHeight - r - 1 : y);
        cut = (x - cx) * (x - cx) + (y - cy) * (y - cy) > r * r;
        for (int k = 0; k < 8 && !cut; ++k) {
          const int wx = 96 + 112 * k;
          const int wy = 384;
          cut = (x - wx) * (x - wx) + (y - wy) * (y - wy) < 40 * 40;
        }
      } else {
        cut = (x / 3 + y / 5) % 4 == 0 || (x * y) % 97 == 1;
      }
      if (cut) m.set(x, y, 0xFFFFFF);
    }
  }
  return m;
}

RgbImage checkerboard(int side) {
  RgbImage m = RgbImage::filled(side, side, 0xFFFFFF);
  for (int y = 0; y < side; ++y) {
    for (int x = y % 2; x < side; x += 2) m.set(x, y, 0);
  }
  return m;
}

const RgbImage& mask(int kind) {
  static const RgbImage masks[2] = {makeMask(0), makeMask(1)};
  if (kind == 2) {
    static const RgbImage worst = checkerboard(4096);
    return worst;
  }
  if (kind == 3) {
    static const RgbImage half = checkerboard(1448);  // half the worst mask's pixels
    return half;
  }
  return masks[kind];
}

void BM_CoreRuns(benchmark::State& state) {
  const RgbImage& m = mask(static_cast<int>(state.range(0)));
  std::size_t rects = 0;
  for (auto _ : state) {
    rects = 0;
    raidmon::BuildMaskRegion(m, kWhite, Rgb{}, [&](const raidmon::MaskBatch& b) { rects += b.rects.size(); });
    benchmark::DoNotOptimize(rects);
  }
  state.counters["rects"] = static_cast<double>(rects);
}
BENCHMARK(BM_CoreRuns)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

#ifndef RAIDMON_NO_QT
QImage toImage(const RgbImage& m) {
  QImage image(m.width, m.height, QImage::Format_RGB32);
  for (int y = 0; y < m.height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < m.width; ++x) line[x] = 0xFF000000u | m.at(x, y);
  }
  return image;
}

void BM_OursToQRegion(benchmark::State& state) {
  const RgbImage& m = mask(static_cast<int>(state.range(0)));
  int rects = 0;
  for (auto _ : state) {
    const QRegion r = raidmon::maskToRegion(m, kWhite, Rgb{});
    rects = r.rectCount();
    benchmark::DoNotOptimize(rects);
  }
  state.counters["region_rects"] = rects;
}
BENCHMARK(BM_OursToQRegion)->Arg(0)->Arg(1)->Arg(3)->Arg(2)->Unit(benchmark::kMillisecond);

// Each batch of 2000 runs made a region and united into the result: every union copies
// the result so far. Not run on the worst mask (minutes).
void BM_BatchesUnited(benchmark::State& state) {
  const RgbImage& m = mask(static_cast<int>(state.range(0)));
  int rects = 0;
  for (auto _ : state) {
    QRegion result;
    std::vector<QRect> batch;
    raidmon::BuildMaskRegion(m, kWhite, Rgb{}, [&](const raidmon::MaskBatch& b) {
      batch.clear();
      for (const auto& r : b.rects) batch.emplace_back(r.left, r.top, r.right - r.left, r.bottom - r.top);
      QRegion part;
      if (!batch.empty()) part.setRects(batch.data(), static_cast<int>(batch.size()));
      result = result.united(part);
    });
    rects = result.rectCount();
    benchmark::DoNotOptimize(rects);
  }
  state.counters["region_rects"] = rects;
}
BENCHMARK(BM_BatchesUnited)->Arg(0)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);

// Qt's own conversion from a ready 1-bit bitmap of the same mask. (The mask image
// marks the white pixels; read as a bitmap they are color0, so the region is the
// non-white part, as the widget test checks pixel for pixel.)
void BM_QtRegionFromBitmap(benchmark::State& state) {
  const QBitmap bitmap =
      QBitmap::fromImage(toImage(mask(static_cast<int>(state.range(0)))).createMaskFromColor(0xFFFFFFFFu, Qt::MaskInColor));
  int rects = 0;
  for (auto _ : state) {
    const QRegion r(bitmap);
    rects = r.rectCount();
    benchmark::DoNotOptimize(rects);
  }
  state.counters["region_rects"] = rects;
}
BENCHMARK(BM_QtRegionFromBitmap)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Qt's whole road from the 32-bit face: colour mask, bitmap, region.
void BM_QtRegionFromImage(benchmark::State& state) {
  const QImage image = toImage(mask(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    const QRegion r(QBitmap::fromImage(image.createMaskFromColor(0xFFFFFFFFu, Qt::MaskInColor)));
    benchmark::DoNotOptimize(r.rectCount());
  }
}
BENCHMARK(BM_QtRegionFromImage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

int main(int argc, char** argv) {
#ifndef RAIDMON_NO_QT
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);  // QBitmap needs the GUI side
#endif
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
