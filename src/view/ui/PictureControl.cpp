#include "view/ui/PictureControl.h"

#include <QPainter>
#include <algorithm>
#include <utility>

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

  const ViewSize own = pictureSize();
  const QRect target = stretch_ ? rect() : QRect(0, 0, own.width, own.height);
  if (target.isEmpty()) return;

  QPainter painter(this);
  if (const ShrunkFrame* s = stretch_ && frame_ == 0
                                 ? picture_->shrunkFor(target.width(), target.height())
                                 : nullptr) {
    painter.drawImage(
        target.topLeft(),
        QImage(s->pixels.data(), s->width, s->height, static_cast<qsizetype>(s->width) * 4,
               picture_->hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32));
  } else if (target.size() == frame.size()) {
    painter.drawImage(target.topLeft(), frame);
  } else if (target.width() <= frame.width() && target.height() <= frame.height()) {
    // Shrinking: averaging the pixels once per size looks far better than sampling them on
    // every paint, and a shrunk copy is never larger than the picture itself.
    if (shrunkFrame_ != frame_ || shrunkSize_ != target.size()) {
      shrunk_ = frame.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
      shrunkFrame_ = frame_;
      shrunkSize_ = target.size();
    }
    painter.drawImage(target.topLeft(), shrunk_);
  } else {
    // Enlarging (a picture decoded at a reduced scale): only the visible part is rasterised.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, frame);
  }
}
