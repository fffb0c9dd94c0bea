#include "ui/main/tgif_play.h"

#include <QMouseEvent>

namespace raidmon {

TGifPlay::TGifPlay(const QString& name, QWidget* parent) : QLabel(parent) {
  setObjectName(name);
  // The animation keeps its own size, centred: no scaling blur in the larger sockets.
  setAlignment(Qt::AlignCenter);
  setAttribute(Qt::WA_TranslucentBackground);
}

bool TGifPlay::load(const QString& path) {
  file_ = path;
  auto movie = std::make_unique<QMovie>(path);
  movie->setCacheMode(QMovie::CacheAll);
  const bool ok = movie->isValid();
  setMovie(ok ? movie.get() : nullptr);
  movie_ = std::move(movie);
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

void TGifPlay::mousePressEvent(QMouseEvent* e) {
  clickPending_ = e->button() == Qt::LeftButton;
  emit pressed(e->button(), e->position().toPoint());
}

void TGifPlay::mouseMoveEvent(QMouseEvent* e) { emit moved(e->position().toPoint()); }

void TGifPlay::mouseReleaseEvent(QMouseEvent* e) {
  const bool click = clickPending_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
  clickPending_ = false;
  emit released(e->button(), e->position().toPoint());
  if (click) emit clicked();
}

void TGifPlay::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) emit doubleClicked();
  clickPending_ = false;
  emit pressed(e->button(), e->position().toPoint());
}

}  // namespace raidmon
