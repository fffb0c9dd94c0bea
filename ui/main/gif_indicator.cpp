#include "ui/main/gif_indicator.h"

#include <QPainter>

#include "ui/main/mouse_area.h"

namespace raidmon {

GifIndicator::GifIndicator(const QString& name, IndicatorClock* clock, QWidget* parent)
    : QLabel(parent), clock_(clock) {
  setObjectName(name);
  // The animation keeps its own size, centred: no scaling blur in the larger sockets.
  setAlignment(Qt::AlignCenter);
  setAttribute(Qt::WA_TranslucentBackground);
  forwardMouse(new MouseReporter(this), this);
}

GifIndicator::~GifIndicator() {
  if (clock_) clock_->remove(this);
}

bool GifIndicator::load(const QString& path) {
  stop();
  file_ = path;
  animation_ = clock_ ? clock_->animation(path) : nullptr;
  if (!animation_) {
    update();
    return false;
  }
  showFrame(0);
  return true;
}

void GifIndicator::showFrame(int frame) {
  frame_ = frame;
  // Only the lamp's own rectangle is painted again; the label's geometry stays.
  const QRect area = frameRect(animation_->frames[static_cast<std::size_t>(frame)].size());
  if (clock_) {
    clock_->changed(this, area);
  } else {
    update(area);
  }
}

QRect GifIndicator::frameRect(QSize size) const {
  return QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

void GifIndicator::paintEvent(QPaintEvent*) {
  if (!animation_) return;
  const QPixmap& pixmap = animation_->frames[static_cast<std::size_t>(frame_)];
  QPainter painter(this);
  painter.drawPixmap(frameRect(pixmap.size()).topLeft(), pixmap);
}

void GifIndicator::play() {
  if (!animation_ || !clock_) return;
  showFrame(0);
  roundsLeft_ = animation_->loopCount;
  if (animation_->frames.size() > 1) clock_->schedule(this, clock_->now() + animation_->delaysMs[0]);
}

void GifIndicator::stop() {
  if (clock_) clock_->remove(this);
}

bool GifIndicator::playing() const { return clock_ && clock_->scheduled(this); }

qint64 GifIndicator::advance(qint64 now) {
  int next = frame_ + 1;
  if (next >= static_cast<int>(animation_->frames.size())) {
    if (roundsLeft_ == 0) return -1;  // played as often as the file asks: stays on its last frame
    if (roundsLeft_ > 0) --roundsLeft_;
    next = 0;
  }
  showFrame(next);
  return now + animation_->delaysMs[static_cast<std::size_t>(next)];
}

}  // namespace raidmon
