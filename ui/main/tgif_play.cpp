#include "ui/main/tgif_play.h"

#include <QMouseEvent>

namespace raidmon {

TGifPlay::TGifPlay(const QString& name, QWidget* parent) : QLabel(parent) {
  setObjectName(name);
  setScaledContents(true);
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
  if (movie_ && movie_->isValid()) movie_->start();
}

void TGifPlay::stop() {
  if (movie_) movie_->stop();
}

bool TGifPlay::playing() const { return movie_ && movie_->state() == QMovie::Running; }

void TGifPlay::mousePressEvent(QMouseEvent* e) {
  emit pressed(e->position().toPoint());
  QLabel::mousePressEvent(e);
}
void TGifPlay::mouseMoveEvent(QMouseEvent* e) {
  emit moved(e->position().toPoint());
  QLabel::mouseMoveEvent(e);
}
void TGifPlay::mouseReleaseEvent(QMouseEvent* e) {
  emit released();
  if (rect().contains(e->position().toPoint())) emit clicked();
  QLabel::mouseReleaseEvent(e);
}
void TGifPlay::mouseDoubleClickEvent(QMouseEvent* e) {
  emit doubleClicked();
  QLabel::mouseDoubleClickEvent(e);
}

}  // namespace raidmon
