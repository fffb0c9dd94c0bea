#include "ui/main/mouse_area.h"

#include <QMouseEvent>

namespace raidmon {

MouseReporter::MouseReporter(QWidget* watched) : QObject(watched), widget_(watched) {
  watched->installEventFilter(this);
}

bool MouseReporter::eventFilter(QObject* watched, QEvent* event) {
  if (watched != widget_) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* e = static_cast<QMouseEvent*>(event);
      clickPending_ = e->button() == Qt::LeftButton;
      emit pressed(e->button(), e->position().toPoint());
      return true;
    }
    case QEvent::MouseMove:
      emit moved(static_cast<QMouseEvent*>(event)->position().toPoint());
      return true;
    case QEvent::MouseButtonRelease: {
      auto* e = static_cast<QMouseEvent*>(event);
      const bool click = clickPending_ && e->button() == Qt::LeftButton &&
                         widget_->rect().contains(e->position().toPoint());
      clickPending_ = false;
      emit released(e->button(), e->position().toPoint());
      if (click) emit clicked();
      return true;
    }
    case QEvent::MouseButtonDblClick: {
      // The double-click, then the press it also is.
      auto* e = static_cast<QMouseEvent*>(event);
      if (e->button() == Qt::LeftButton) emit doubleClicked();
      clickPending_ = false;
      emit pressed(e->button(), e->position().toPoint());
      return true;
    }
    default:
      return false;
  }
}

MouseArea::MouseArea(const QString& name, QWidget* parent) : QWidget(parent) {
  setObjectName(name);
  setAttribute(Qt::WA_NoSystemBackground);
  forwardMouse(new MouseReporter(this), this);
}

}  // namespace raidmon
