// One clock for every animated drive indicator: each GIF is decoded once and its
// frames are shared by the indicators that show it, and one timer advances all of
// them, so lamps that change frames together are painted in one pass instead of each
// indicator waking the program on a timer of its own. The pass is painted at once,
// within the tick, rather than posted.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPixmap>
#include <QRegion>
#include <QWidget>
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

  // With a window, the clock belongs to it and rests while the window is hidden or
  // minimized: nobody sees the lamps then, so the program does not wake for them. It
  // takes up again where it was when the window is shown.
  explicit IndicatorClock(QWidget* window = nullptr);

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
  // Called by a frame while the clock advances it: `area` of `widget` shows a new
  // frame. The clock paints every such area of one window in a single pass once all
  // due frames have moved on, instead of posting a repaint per lamp.
  void changed(QWidget* widget, const QRect& area);

 private:
  // Frames due within this much of the earliest are advanced together.
  static constexpr qint64 kTogetherMs = 15;
  void tick();
  void arm();
  bool resting() const;
  bool eventFilter(QObject* watched, QEvent* event) override;

  struct Cached {
    std::shared_ptr<const GifAnimation> animation;
    qint64 size = -1;
    qint64 modified = 0;
  };
  std::map<QString, Cached> cache_;
  std::map<AnimatedFrame*, qint64> due_;
  std::map<QWidget*, QRegion> changed_;
  bool ticking_ = false;
  QWidget* window_ = nullptr;
  qint64 restingSince_ = -1;  // when the clock found its window unseen, or -1
  QTimer timer_;
  QElapsedTimer elapsed_;
};

}  // namespace raidmon
