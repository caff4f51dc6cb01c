#include "view/ui/PreviewWindow.h"

#include <QKeyEvent>
#include <algorithm>
#include <utility>

#include "view/Viewport.h"
#include "view/ui/PictureControl.h"

TForm2::TForm2(QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      image_(new TPictureControl(this)) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(tr("Next"));
  // Opening the preview must not take the keyboard from the main window's input field.
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::ClickFocus);
  image_->hide();
}

void TForm2::ShowPreviewPicture(std::shared_ptr<const Picture> picture) {
  image_->setPicture(std::move(picture));
  if (!image_->hasPicture()) {
    image_->hide();
    return;
  }
  image_->show();
  FitPreviewPicture();
}

void TForm2::FitPreviewPicture() {
  const auto placement = ::FitPreviewPicture({width(), height()}, image_->shownSize());
  if (placement) image_->place(*placement);
}

void TForm2::PlaceAt(PixelRect bounds) {
  move(bounds.left, bounds.top);
  resize(std::max(bounds.width, 0), std::max(bounds.height, 0));
}

PixelRect TForm2::Bounds() const {
  return {x(), y(), width(), height()};
}

void TForm2::FormResize() {
  FitPreviewPicture();
}

void TForm2::FormDblClick() {
  hide();
}

void TForm2::FormKeyDown(const QKeyEvent& event) {
  if (!emergency_ || !emergency_(event)) return;
  hide();
  emit emergencyRequested();
}

bool TForm2::event(QEvent* event) {
  const bool handled = QWidget::event(event);
  // On a screen of another scaling the picture's size in logical pixels changes.
  if (event->type() == QEvent::ScreenChangeInternal) FitPreviewPicture();
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
  if (event->type() == QEvent::DevicePixelRatioChange) FitPreviewPicture();
#endif
  return handled;
}

void TForm2::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FormResize();
}

void TForm2::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) FormDblClick();
}

void TForm2::keyPressEvent(QKeyEvent* event) {
  FormKeyDown(*event);
}
