// The status window's mouse reporting: MouseReporter turns a widget's mouse events
// into press/move/release/click signals; MouseArea is an invisible area using it.
#pragma once

#include <QObject>
#include <QPoint>
#include <QWidget>

namespace raidmon {

// Watches one widget's mouse events (and consumes them) and reports them. Positions
// are in the widget's own coordinates.
class MouseReporter final : public QObject {
  Q_OBJECT
 public:
  explicit MouseReporter(QWidget* watched);

 signals:
  void pressed(Qt::MouseButton button, QPoint pos);
  void moved(QPoint pos);
  void released(Qt::MouseButton button, QPoint pos);
  // A left press and release inside the widget (not the release after a double-click).
  void clicked();
  void doubleClicked();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* widget_;
  bool clickPending_ = false;
};

// An invisible mouse area over the skin (the card panels and the named areas without
// a picture): it paints nothing and reports the mouse.
class MouseArea final : public QWidget {
  Q_OBJECT
 public:
  MouseArea(const QString& name, QWidget* parent);

 signals:
  void pressed(Qt::MouseButton button, QPoint pos);
  void moved(QPoint pos);
  void released(Qt::MouseButton button, QPoint pos);
  void clicked();
  void doubleClicked();
};

// Forwards a reporter's signals as `target`'s own signals of the same names.
template <class Target>
void forwardMouse(MouseReporter* reporter, Target* target) {
  QObject::connect(reporter, &MouseReporter::pressed, target, &Target::pressed);
  QObject::connect(reporter, &MouseReporter::moved, target, &Target::moved);
  QObject::connect(reporter, &MouseReporter::released, target, &Target::released);
  QObject::connect(reporter, &MouseReporter::clicked, target, &Target::clicked);
  QObject::connect(reporter, &MouseReporter::doubleClicked, target, &Target::doubleClicked);
}

}  // namespace raidmon
