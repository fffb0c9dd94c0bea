// An animated-GIF indicator over QMovie: loads a GIF file by path, plays, stops,
// shows, hides, repaints, and reports the mouse like the status window's mouse areas.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QLabel>
#include <QMovie>
#include <memory>

namespace raidmon {

class TGifPlay final : public QLabel {
  Q_OBJECT
 public:
  explicit TGifPlay(const QString& name, QWidget* parent = nullptr);

  // Gives the indicator a new animation (stopped, on its first frame); returns false
  // when the file is missing, not a regular file, too large or no GIF (the indicator
  // then shows nothing).
  bool load(const QString& path);
  void play();
  void stop();
  const QString& fileName() const { return file_; }
  bool playing() const;

 signals:
  void pressed(Qt::MouseButton button, QPoint pos);
  void moved(QPoint pos);
  void released(Qt::MouseButton button, QPoint pos);
  void clicked();
  void doubleClicked();

 private:
  std::unique_ptr<QMovie> movie_;
  std::unique_ptr<QBuffer> bytes_;  // the file's bytes, read once; the movie plays from them
  QString file_;
};

}  // namespace raidmon
