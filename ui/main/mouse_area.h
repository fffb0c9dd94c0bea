// An invisible mouse area over the skin (the status window's card panels and the
// named areas without a picture): it paints nothing and reports the mouse.
#pragma once

#include <QWidget>

namespace raidmon {

class TMouseArea final : public QWidget {
  Q_OBJECT
 public:
  TMouseArea(const QString& name, QWidget* parent);

 signals:
  // Positions are in this area's own coordinates.
  void pressed(Qt::MouseButton button, QPoint pos);
  void moved(QPoint pos);
  void released(Qt::MouseButton button, QPoint pos);
  // A left press and release inside the area (not the release after a double-click).
  void clicked();
  void doubleClicked();

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;

 private:
  bool clickPending_ = false;
};

}  // namespace raidmon
