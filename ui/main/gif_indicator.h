// An animated-GIF indicator (the status window's lamps C1_PM .. C2_SS): loads a GIF file by path, plays, stops, shows, hides,
// repaints, and reports the mouse like the status window's mouse areas. Its frames come
// from the status window's IndicatorClock, which decodes each file once and advances
// every playing indicator from one timer.
#pragma once

#include <QLabel>
#include <QPointer>
#include <memory>

#include "ui/main/indicator_clock.h"

namespace raidmon {

class GifIndicator final : public QLabel, private AnimatedFrame {
  Q_OBJECT
 public:
  GifIndicator(const QString& name, IndicatorClock* clock, QWidget* parent = nullptr);
  ~GifIndicator() override;

  // Gives the indicator a new animation (stopped, on its first frame); returns false
  // when the file is missing or no GIF (the indicator then shows nothing).
  bool load(const QString& path);
  // Starts the animation from its first frame (a state chosen again restarts it).
  void play();
  void stop();
  const QString& fileName() const { return file_; }
  bool playing() const;
  int currentFrame() const { return frame_; }

 signals:
  void pressed(Qt::MouseButton button, QPoint pos);
  void moved(QPoint pos);
  void released(Qt::MouseButton button, QPoint pos);
  void clicked();
  void doubleClicked();

 private:
  qint64 advance(qint64 now) override;
  void showFrame(int frame);
  // Where a frame of `size` is drawn: centred, at its own size.
  QRect frameRect(QSize size) const;
  void paintEvent(QPaintEvent* e) override;

  QPointer<IndicatorClock> clock_;
  std::shared_ptr<const GifAnimation> animation_;
  QString file_;
  int frame_ = 0;
  int roundsLeft_ = -1;
};

}  // namespace raidmon
