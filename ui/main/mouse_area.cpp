#include "ui/main/mouse_area.h"

#include <QMouseEvent>

namespace raidmon {

TMouseArea::TMouseArea(const QString& name, QWidget* parent) : QWidget(parent) {
  setObjectName(name);
  setAttribute(Qt::WA_NoSystemBackground);
}

void TMouseArea::mousePressEvent(QMouseEvent* e) {
  clickPending_ = e->button() == Qt::LeftButton;
  emit pressed(e->button(), e->position().toPoint());
}

void TMouseArea::mouseMoveEvent(QMouseEvent* e) { emit moved(e->position().toPoint()); }

void TMouseArea::mouseReleaseEvent(QMouseEvent* e) {
  const bool click = clickPending_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
  clickPending_ = false;
  emit released(e->button(), e->position().toPoint());
  if (click) emit clicked();
}

void TMouseArea::mouseDoubleClickEvent(QMouseEvent* e) {
  // The double-click, then the press it also is.
  if (e->button() == Qt::LeftButton) emit doubleClicked();
  clickPending_ = false;
  emit pressed(e->button(), e->position().toPoint());
}

}  // namespace raidmon
