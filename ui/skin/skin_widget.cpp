#include "ui/skin/skin_widget.h"

#include <QApplication>
#include <QFont>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>
#include <map>

#include "platform/raidmon_error.h"
#include "skin/skin_loader.h"
#include "ui/common/qt_text.h"
#include "ui/skin/mask_qregion.h"

namespace raidmon {

namespace {

QImage toQImage(const RgbImage& image) {
  QImage out(image.width, image.height, QImage::Format_RGB32);
  for (int y = 0; y < image.height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < image.width; ++x) line[x] = 0xFF000000u | image.at(x, y);
  }
  return out;
}

// A skin colour value keeps red in its low byte.
QColor fromColorValue(std::uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

QFont toQFont(const SkinFont& f) {
  QFont font(qs(f.Name));
  font.setBold(f.Bold);
  font.setItalic(f.Italic);
  if (f.Size > 0) font.setPointSize(f.Size);
  if (f.Size < 0) font.setPixelSize(-f.Size);  // a negative size counts pixels
  return font;
}

}  // namespace

QWidget* SkinWidget::requireForm(QWidget* form) {
  if (form == nullptr || !form->isWindow()) throw RaidmonError("Please Drop on a Form");
  return form;
}

SkinWidget::SkinWidget(QWidget* form) : QWidget(requireForm(form)) {
  setObjectName(QStringLiteral("SkinForm1"));
  setMouseTracking(true);  // hover needs moves without a button
  SetParent(form);
}

void SkinWidget::SetParent(QWidget* form) {
  requireForm(form);
  if (parentWidget() && parentWidget() != form) parentWidget()->removeEventFilter(this);
  if (parentWidget() != form) setParent(form);
  form->setWindowFlag(Qt::FramelessWindowHint, true);
  form->installEventFilter(this);
  setGeometry(form->rect());
  lower();
}

bool SkinWidget::eventFilter(QObject* watched, QEvent* e) {
  if (watched == parentWidget() && e->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
  return false;
}

void SkinWidget::LoadSkin(const QString& path) {
  // Everything is read and checked first; nothing below can fail halfway.
  const LoadedSkin skin = loadSkinFiles(str(path));
  std::map<const RgbImage*, QImage> images;
  auto image = [&images](const SkinImage& p) {
    auto it = images.find(p.get());
    if (it == images.end()) it = images.emplace(p.get(), toQImage(*p)).first;
    return it->second;
  };
  QImage mask = image(skin.mask);
  QRegion region = maskToRegion(*skin.mask, toRgb(keyColor_), toRgb(tolerance_));
  std::vector<TrackBarImages> thumbs;
  std::vector<TrackBarInfoRec> bars;
  for (const LoadedTrackBar& bar : skin.trackBars) {
    thumbs.push_back({image(bar.thumb), image(bar.pressedThumb)});
    bars.push_back(bar.info);
  }

  mask_ = std::move(mask);
  mouseUp_ = image(skin.mouseUp);
  mouseOn_ = image(skin.mouseOn);
  mouseDown_ = image(skin.mouseDown);
  region_ = std::move(region);
  thumbs_ = std::move(thumbs);
  texts_ = skin.description.Texts;
  behaviour_.reset(skin.description.HotAreas, std::move(bars), skin.description.HoverEnabled);
  path_ = path;
  loaded_ = true;
  // The face covers the whole widget with opaque pixels: nothing beneath it is painted.
  setAttribute(Qt::WA_OpaquePaintEvent);

  QWidget* form = parentWidget();
  form->setFixedSize(mask_.size());
  setGeometry(0, 0, mask_.width(), mask_.height());
  // An empty region would read as "no mask" (the whole window); a region outside the
  // window keeps every pixel cut away instead.
  form->setMask(region_.isEmpty() ? QRegion(-1, -1, 1, 1) : region_);
  RepaintSkin();
  emit OnSkinChanged(this);
}

void SkinWidget::RepaintSkin() {
  surface_ = QImage(mask_.size(), QImage::Format_RGB32);
  surface_.fill(Qt::black);
  QPainter p(&surface_);
  p.drawImage(0, 0, mouseUp_);
  for (const HotAreaInfoRec& area : behaviour_.hotAreas()) {
    if (!area.IsToggle || !area.Down) continue;
    const QRect r(area.Left, area.Top, area.Width, area.Height);
    p.drawImage(r, mouseDown_, r);
  }
  const auto& bars = behaviour_.trackBars();
  for (std::size_t i = 0; i < bars.size() && i < thumbs_.size(); ++i) {
    const bool active = static_cast<int>(i) == behaviour_.activeTrackBar();
    p.drawImage(bars[i].thumbLeft(), bars[i].Top, active ? thumbs_[i].pressedThumb : thumbs_[i].thumb);
  }
  p.setBackgroundMode(Qt::TransparentMode);
  for (const DisplayInfoRec& item : texts_) {
    p.setFont(toQFont(item.Font));
    p.setPen(fromColorValue(item.Font.Color));
    p.drawText(QRect(item.X, item.Y, 4096, 4096), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, qs(item.Text));
  }
  p.end();
  behaviour_.repainted();
  update();
}

void SkinWidget::copyRect(const QImage& from, const HotAreaInfoRec& area) {
  const QRect r(area.Left, area.Top, area.Width, area.Height);
  QPainter p(&surface_);
  p.drawImage(r, from, r);
  p.end();
  update(r);
}

void SkinWidget::apply(const std::vector<SkinPaint>& paints) {
  if (!loaded_) return;
  for (const SkinPaint& paint : paints) {
    switch (paint.kind) {
      case SkinPaint::Kind::Repaint: RepaintSkin(); break;
      case SkinPaint::Kind::CopyFromDown: copyRect(mouseDown_, paint.rect); break;
      case SkinPaint::Kind::CopyFromUp: copyRect(mouseUp_, paint.rect); break;
      case SkinPaint::Kind::CopyFromOn: copyRect(mouseOn_, paint.rect); break;
    }
  }
}

void SkinWidget::paintEvent(QPaintEvent* e) {
  if (surface_.isNull()) return;
  // Only the rectangles asked for: a lamp's frame repaints a few hundred pixels, not
  // the whole face.
  QPainter p(this);
  for (const QRect& r : e->region()) p.drawImage(r, surface_, r);
}

void SkinWidget::press(QMouseEvent* e, bool forClick) {
  const QPoint at = e->position().toPoint();
  const SkinMouseResult r = behaviour_.mouseDown(e->button() == Qt::LeftButton, at.x(), at.y());
  apply(r.paints);
  currentId_ = qs(r.ID);
  clickPending_ = forClick && e->button() == Qt::LeftButton;
  windowMoved_ = false;
  manualMove_ = false;
  moveArmed_ = r.startWindowMove;
  pressGlobal_ = e->globalPosition().toPoint();
  windowStart_ = window()->pos();
  emit OnMouseDownNotify(currentId_, e->button(), e->modifiers(), at.x(), at.y());
}

void SkinWidget::mousePressEvent(QMouseEvent* e) { press(e, true); }

void SkinWidget::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) emit doubleClicked();
  press(e, false);
}

void SkinWidget::mouseMoveEvent(QMouseEvent* e) {
  const QPoint at = e->position().toPoint();
  if (moveArmed_ && (e->buttons() & Qt::LeftButton)) {
    const QPoint delta = e->globalPosition().toPoint() - pressGlobal_;
    if (!manualMove_ && delta.manhattanLength() >= QApplication::startDragDistance()) {
      windowMoved_ = true;
      // The window system's own move loop; where it has none, follow the pointer here.
      QWindow* handle = window()->windowHandle();
      if (handle && handle->startSystemMove()) {
        moveArmed_ = false;
      } else {
        manualMove_ = true;
      }
    }
    if (manualMove_) window()->move(windowStart_ + delta);
  }
  const SkinMouseResult r = behaviour_.mouseMove(at.x(), at.y());
  apply(r.paints);
  currentId_ = qs(r.ID);
  emit OnMouseMoveNotify(currentId_, e->modifiers(), at.x(), at.y());
}

void SkinWidget::mouseReleaseEvent(QMouseEvent* e) {
  const QPoint at = e->position().toPoint();
  const SkinMouseResult r = behaviour_.mouseUp(at.x(), at.y());
  apply(r.paints);
  currentId_ = qs(r.ID);
  const bool click = clickPending_ && e->button() == Qt::LeftButton && !windowMoved_ && rect().contains(at);
  clickPending_ = false;
  moveArmed_ = false;
  manualMove_ = false;
  emit OnMouseUpNotify(currentId_, e->button(), e->modifiers(), at.x(), at.y());
  if (click) emit clicked();
}

}  // namespace raidmon
