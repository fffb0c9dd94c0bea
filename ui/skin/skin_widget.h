// The skin widget (the status window's SkinForm1): shapes its form by the skin's mask,
// paints the faces, and turns mouse presses into hot-area, track-bar and window-move
// actions.
#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRegion>
#include <QString>
#include <QWidget>
#include <vector>

#include "skin/skin_behaviour.h"
#include "skin/skin_file.h"

namespace raidmon {

class SkinWidget final : public QWidget {
  Q_OBJECT
 public:
  // Places the skin on `form`, filling its client area, and makes the form borderless.
  // Throws RaidmonError("Please Drop on a Form") when `form` is not a window.
  explicit SkinWidget(QWidget* form);

  // Moves the skin to another form; the same rule as the constructor.
  void SetParent(QWidget* form);

  // Colours cut out of the window: per channel [KeyColor, KeyColor + Tolerance].
  // Both take effect at the next LoadSkin.
  QColor KeyColor() const { return keyColor_; }
  void setKeyColor(const QColor& c) { keyColor_ = c; }
  QColor Tolerance() const { return tolerance_; }
  void setTolerance(const QColor& c) { tolerance_ = c; }

  // Reads the skin INI at `path` with every bitmap it names, checks it whole, and only
  // then applies it: faces, form size, window region, hot areas, text items, track
  // bars; then repaints and raises OnSkinChanged. On any error it throws RaidmonError
  // and the skin in force (if any) stays exactly as it was.
  void LoadSkin(const QString& path);

  // Draws the face again: mouse-up face, toggles that are down, thumbs, text items.
  void RepaintSkin();

  bool loaded() const { return loaded_; }
  const QString& skinPath() const { return path_; }
  // The region last built from the mask (empty before the first load).
  const QRegion& windowRegion() const { return region_; }
  const QImage& surface() const { return surface_; }
  const SkinBehaviour& behaviour() const { return behaviour_; }
  const std::vector<DisplayInfoRec>& texts() const { return texts_; }
  const QString& currentId() const { return currentId_; }

 signals:
  void OnMouseDownNotify(const QString& ID, Qt::MouseButton button, Qt::KeyboardModifiers shift, int X, int Y);
  void OnMouseUpNotify(const QString& ID, Qt::MouseButton button, Qt::KeyboardModifiers shift, int X, int Y);
  void OnMouseMoveNotify(const QString& ID, Qt::KeyboardModifiers shift, int X, int Y);
  void OnSkinChanged(SkinWidget* sender);
  // A left press and release on the skin without moving the window.
  void clicked();
  void doubleClicked();

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  struct TrackBarImages {
    QImage thumb;
    QImage pressedThumb;
  };
  static QWidget* requireForm(QWidget* form);
  void press(QMouseEvent* e, bool forClick);
  void apply(const std::vector<SkinPaint>& paints);
  void copyRect(const QImage& from, const HotAreaInfoRec& area);

  QColor keyColor_ = Qt::white;
  QColor tolerance_ = Qt::black;
  QImage mask_;
  QImage mouseUp_;
  QImage mouseOn_;
  QImage mouseDown_;
  QImage surface_;
  QRegion region_;
  SkinBehaviour behaviour_;
  std::vector<DisplayInfoRec> texts_;
  std::vector<TrackBarImages> thumbs_;
  QString currentId_;
  QString path_;
  bool loaded_ = false;

  // Window move on empty areas: armed by the press, started by the first move.
  bool moveArmed_ = false;
  bool manualMove_ = false;
  bool windowMoved_ = false;
  bool clickPending_ = false;
  QPoint pressGlobal_;
  QPoint windowStart_;
};

}  // namespace raidmon
