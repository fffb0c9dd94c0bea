// An animated-GIF indicator: loads a GIF file by path, plays, stops, shows, hides.
#pragma once

#include <QLabel>
#include <QMovie>
#include <memory>

namespace raidmon {

class TGifPlay final : public QLabel {
  Q_OBJECT
 public:
  explicit TGifPlay(const QString& name, QWidget* parent = nullptr);

  // Gives the indicator a new animation; returns false when the file is no GIF
  // (the indicator then shows nothing).
  bool load(const QString& path);
  void play();
  void stop();
  const QString& fileName() const { return file_; }
  bool playing() const;

 signals:
  void clicked();
  void pressed(QPoint pos);
  void moved(QPoint pos);
  void released();
  void doubleClicked();

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;

 private:
  std::unique_ptr<QMovie> movie_;
  QString file_;
};

}  // namespace raidmon
