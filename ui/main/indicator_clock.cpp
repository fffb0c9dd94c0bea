#include "ui/main/indicator_clock.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>

#include "ui/common/qt_input.h"

namespace raidmon {

namespace {

std::shared_ptr<const GifAnimation> decode(const QString& path) {
  // Only a regular file, never waited on, read up to the picture limit.
  QByteArray bytes = readPictureBytes(path);
  if (bytes.isEmpty()) return nullptr;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "gif");
  if (!reader.canRead()) return nullptr;
  auto animation = std::make_shared<GifAnimation>();
  animation->loopCount = reader.loopCount();
  qint64 pixels = 0;
  while (static_cast<int>(animation->frames.size()) < IndicatorClock::kMaxFrames) {
    const QSize size = reader.size();
    pixels += qint64(std::max(0, size.width())) * std::max(0, size.height());
    if (pixels > IndicatorClock::kMaxPixels) return nullptr;
    const QImage image = reader.read();
    if (image.isNull()) break;
    animation->frames.push_back(QPixmap::fromImage(image));
    const int delay = reader.nextImageDelay();
    // A frame without a delay stays up as long as a player shows it by default.
    animation->delaysMs.push_back(delay > 0 ? delay : 100);
  }
  if (animation->frames.empty()) return nullptr;
  return animation;
}

}  // namespace

IndicatorClock::IndicatorClock(QWidget* window) : window_(window) {
  if (window_) {
    setParent(window_);
    window_->installEventFilter(this);
  }
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
  elapsed_.start();
}

std::shared_ptr<const GifAnimation> IndicatorClock::animation(const QString& path) {
  const QFileInfo info(path);
  // A named pipe or a device is never opened: it could block the program.
  if (!info.isFile()) return nullptr;
  const qint64 size = info.size();
  const qint64 modified = info.lastModified().toMSecsSinceEpoch();
  Cached& cached = cache_[info.absoluteFilePath()];
  if (cached.size != size || cached.modified != modified) {
    cached.animation = decode(path);
    cached.size = size;
    cached.modified = modified;
  }
  return cached.animation;
}

void IndicatorClock::schedule(AnimatedFrame* frame, qint64 due) {
  // While resting, the time is kept as it will read once the rest is added back.
  due_[frame] = restingSince_ >= 0 ? due - (now() - restingSince_) : due;
  arm();
}

void IndicatorClock::remove(AnimatedFrame* frame) {
  due_.erase(frame);
  arm();
}

void IndicatorClock::arm() {
  if (due_.empty() || restingSince_ >= 0) {
    timer_.stop();
    return;
  }
  qint64 earliest = due_.begin()->second;
  for (const auto& [frame, due] : due_) earliest = std::min(earliest, due);
  timer_.start(static_cast<int>(std::max<qint64>(0, earliest - now())));
}

bool IndicatorClock::resting() const { return window_ && (!window_->isVisible() || window_->isMinimized()); }

bool IndicatorClock::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (watched == window_ && restingSince_ >= 0 && (type == QEvent::Show || type == QEvent::WindowStateChange) &&
      !resting()) {
    // Every lamp goes on from the frame it showed, as much later as the clock rested.
    const qint64 rested = now() - restingSince_;
    restingSince_ = -1;
    for (auto& [frame, due] : due_) due += rested;
    arm();
  }
  return false;
}

void IndicatorClock::changed(QWidget* widget, const QRect& area) {
  if (!ticking_ || !widget->isVisible()) {
    widget->update(area);
    return;
  }
  QWidget* window = widget->window();
  changed_[window] += QRect(widget->mapTo(window, area.topLeft()), area.size());
}

void IndicatorClock::tick() {
  if (resting()) {
    restingSince_ = now();
    return;  // the timer stays off until the window is seen again
  }
  const qint64 at = now();
  qint64 earliest = at + kTogetherMs;
  for (const auto& [frame, due] : due_) earliest = std::min(earliest, due);
  // Everything due by now, and what falls due within a moment of it, changes at once.
  const qint64 limit = std::max(at, earliest) + kTogetherMs;
  std::vector<AnimatedFrame*> ready;
  for (const auto& [frame, due] : due_) {
    if (due <= limit) ready.push_back(frame);
  }
  ticking_ = true;
  for (AnimatedFrame* frame : ready) {
    const qint64 next = frame->advance(at);
    if (next < 0) {
      due_.erase(frame);
    } else {
      due_[frame] = next;
    }
  }
  ticking_ = false;
  std::map<QWidget*, QRegion> changed;
  changed.swap(changed_);
  for (auto& [window, region] : changed) window->repaint(region);
  arm();
}

}  // namespace raidmon
