#include "view/ui/PictureControl.h"

#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <utility>

#include "view/DevicePixels.h"

namespace {

// Delays this short are common in the wild and meant as "the default speed"; taking them
// literally would repaint as fast as the event loop turns.
constexpr int kShortestDelayMs = 10;
constexpr int kDefaultDelayMs = 100;

}  // namespace

TPictureControl::TPictureControl(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Image1"));
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &TPictureControl::advanceFrame);
}

void TPictureControl::setPicture(std::shared_ptr<const Picture> picture) {
  timer_.stop();
  picture_ = (picture && !picture->empty()) ? std::move(picture) : nullptr;
  frame_ = 0;
  loopsDone_ = 0;
  shrunk_ = QImage();
  shrunkFrame_ = -1;
  update();
  scheduleNextFrame();
}

void TPictureControl::clear() {
  setPicture(nullptr);
}

ViewSize TPictureControl::pictureSize() const {
  if (!picture_) return {};
  if (picture_->fullWidth > 0 && picture_->fullHeight > 0)
    return {picture_->fullWidth, picture_->fullHeight};
  return {picture_->width, picture_->height};
}

ViewSize TPictureControl::shownSize() const {
  return LogicalSize(pictureSize(), devicePixelRatioF());
}

void TPictureControl::setStretch(bool on) {
  if (stretch_ == on) return;
  stretch_ = on;
  update();
}

void TPictureControl::place(const ViewPlacement& placement) {
  setGeometry(placement.left, placement.top, std::max(placement.width, 0),
              std::max(placement.height, 0));
  setStretch(placement.stretch);
  update();
}

void TPictureControl::setFrameIndex(int index) {
  if (!picture_) return;
  timer_.stop();
  showFrame(std::clamp(index, 0, static_cast<int>(picture_->frames.size()) - 1));
  scheduleNextFrame();
}

QImage TPictureControl::wrapFrame(int index) const {
  const PictureFrame& f = picture_->frames[static_cast<std::size_t>(index)];
  const std::size_t needed = picture_->stride() * static_cast<std::size_t>(picture_->height);
  if (f.pixels.size() < needed) return {};
  // The const-data constructor wraps the buffer without copying; picture_ keeps it alive for as
  // long as the image is used, and the image never writes to it.
  return QImage(f.pixels.data(), picture_->width, picture_->height,
                static_cast<qsizetype>(picture_->stride()),
                picture_->hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

void TPictureControl::showFrame(int index) {
  if (index == frame_) return;
  frame_ = index;
  update();
  emit frameChanged(index);
}

void TPictureControl::scheduleNextFrame() {
  if (!picture_ || !picture_->animated()) return;
  const int delay = picture_->frames[static_cast<std::size_t>(frame_)].delayMs;
  timer_.start(delay <= kShortestDelayMs ? kDefaultDelayMs : delay);
}

void TPictureControl::advanceFrame() {
  if (!picture_) return;
  int next = frame_ + 1;
  if (next >= static_cast<int>(picture_->frames.size())) {
    ++loopsDone_;
    // The last pass ends on its last frame, which stays on screen.
    if (picture_->loopCount > 0 && loopsDone_ >= picture_->loopCount) return;
    next = 0;
  }
  showFrame(next);
  scheduleNextFrame();
}

void TPictureControl::paintEvent(QPaintEvent*) {
  if (!picture_) return;
  const QImage frame = wrapFrame(frame_);
  if (frame.isNull()) return;

  QPainter painter(this);
  const double ratio = painter.device()->devicePixelRatio();
  // The device pixels the picture covers: the control's own at its stretched size, else one
  // device pixel per picture pixel.
  const ViewSize device = stretch_ ? DeviceSize({width(), height()}, ratio) : pictureSize();
  if (device.width <= 0 || device.height <= 0) return;

  // Drawn in device pixels from the device pixel the control's corner lands on: at a fractional
  // ratio that corner may fall between two, and a picture drawn there would be resampled.
  const QPointF corner = painter.deviceTransform().map(QPointF(0, 0));
  const QPointF at(SnapToDevicePixel(corner.x()) - corner.x(),
                   SnapToDevicePixel(corner.y()) - corner.y());
  painter.setWorldTransform(QTransform::fromScale(1 / ratio, 1 / ratio));

  const QSize target(device.width, device.height);
  if (const ShrunkFrame* s =
          stretch_ && frame_ == 0 ? picture_->shrunkFor(device.width, device.height) : nullptr) {
    painter.drawImage(
        at, QImage(s->pixels.data(), s->width, s->height, static_cast<qsizetype>(s->width) * 4,
                   picture_->hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32));
  } else if (WithinSlack({frame.width(), frame.height()}, device, ratio)) {
    // The size only a rounding away: resampling would blur every pixel for nothing.
    painter.drawImage(at, frame);
  } else if (target.width() <= frame.width() && target.height() <= frame.height()) {
    // Shrinking: averaging the pixels once per size looks far better than sampling them on
    // every paint, and a shrunk copy is never larger than the picture itself.
    if (shrunkFrame_ != frame_ || shrunkSize_ != target) {
      shrunk_ = frame.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
      shrunkFrame_ = frame_;
      shrunkSize_ = target;
    }
    painter.drawImage(at, shrunk_);
  } else {
    // Enlarging (a picture decoded at a reduced scale): only the visible part is rasterised.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(at, QSizeF(target)), frame);
  }
}
