#include "ui/main/tgif_play.h"

#include <QImageReader>
#include <algorithm>

#include "ui/common/qt_input.h"
#include "ui/main/mouse_area.h"

namespace raidmon {

TGifPlay::TGifPlay(const QString& name, QWidget* parent) : QLabel(parent) {
  setObjectName(name);
  // The animation keeps its own size, centred: no scaling blur in the larger sockets.
  setAlignment(Qt::AlignCenter);
  setAttribute(Qt::WA_TranslucentBackground);
  forwardMouse(new MouseReporter(this), this);
}

namespace {

// An animation keeps every frame decoded (CacheAll): all frames together may hold at
// most this many pixels (64 MiB); a lamp is a few hundred pixels times a few frames.
constexpr qint64 kMaxAnimationPixels = 16LL * 1024 * 1024;

bool animationFits(QByteArray& bytes) {
  QBuffer probe(&bytes);
  probe.open(QIODevice::ReadOnly);
  QImageReader reader(&probe);
  const QSize size = reader.size();
  const qint64 frames = std::max(1, reader.imageCount());
  return size.isValid() && qint64(size.width()) * size.height() * frames <= kMaxAnimationPixels;
}

}  // namespace

bool TGifPlay::load(const QString& path) {
  file_ = path;
  auto bytes = std::make_unique<QBuffer>();
  QByteArray data = readPictureBytes(path);
  if (!data.isEmpty() && !animationFits(data)) data.clear();
  bytes->setData(data);
  bytes->open(QIODevice::ReadOnly);
  auto movie = std::make_unique<QMovie>(bytes.get());
  movie->setCacheMode(QMovie::CacheAll);
  const bool ok = movie->isValid();
  setMovie(ok ? movie.get() : nullptr);
  movie_ = std::move(movie);
  bytes_ = std::move(bytes);
  if (ok) movie_->jumpToFrame(0);
  return ok;
}

void TGifPlay::play() {
  if (!movie_ || !movie_->isValid()) return;
  // A state chosen again restarts its animation.
  if (movie_->state() != QMovie::NotRunning) movie_->stop();
  movie_->start();
}

void TGifPlay::stop() {
  if (movie_) movie_->stop();
}

bool TGifPlay::playing() const { return movie_ && movie_->state() == QMovie::Running; }

}  // namespace raidmon
