// One clock for every animated drive indicator: each GIF is decoded once and its
// frames are shared by the indicators that show it, and one timer advances all of
// them, so lamps that change frames together are painted in one pass instead of each
// indicator waking the program on a timer of its own.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPixmap>
#include <QString>
#include <QTimer>
#include <map>
#include <memory>
#include <vector>

namespace raidmon {

// The frames of one GIF as it is played: each frame with the time it stays up.
struct GifAnimation {
  std::vector<QPixmap> frames;
  std::vector<int> delaysMs;
  int loopCount = -1;  // extra rounds after the first; -1 for ever
};

// Something the clock drives (a GIF indicator). GUI thread only.
class AnimatedFrame {
 public:
  virtual ~AnimatedFrame() = default;
  // Called when the frame shown is due to change; returns the next due time, or a
  // negative value when the animation has ended.
  virtual qint64 advance(qint64 now) = 0;
};

class IndicatorClock final : public QObject {
  Q_OBJECT
 public:
  // Limits for a GIF beside the program, which stays decoded: it is never a reason to
  // run out of memory (a lamp is a few hundred pixels times a few frames).
  static constexpr int kMaxFrames = 500;
  static constexpr qint64 kMaxPixels = 16LL * 1024 * 1024;  // all frames together

  IndicatorClock();

  // The animation of `path`, decoded on first use and shared afterwards (again when the
  // file changed); null when it is not a regular file holding a GIF within the limits
  // (the file is read without waiting, as every picture beside the program).
  std::shared_ptr<const GifAnimation> animation(const QString& path);

  // Milliseconds on the clock.
  qint64 now() const { return elapsed_.elapsed(); }
  // `frame` is due at `due`; runs until removed or its animation ends.
  void schedule(AnimatedFrame* frame, qint64 due);
  void remove(AnimatedFrame* frame);
  bool scheduled(const AnimatedFrame* frame) const { return due_.count(const_cast<AnimatedFrame*>(frame)) != 0; }

 private:
  // Frames due within this much of the earliest are advanced together.
  static constexpr qint64 kTogetherMs = 15;
  void tick();
  void arm();

  struct Cached {
    std::shared_ptr<const GifAnimation> animation;
    qint64 size = -1;
    qint64 modified = 0;
  };
  std::map<QString, Cached> cache_;
  std::map<AnimatedFrame*, qint64> due_;
  QTimer timer_;
  QElapsedTimer elapsed_;
};

}  // namespace raidmon
