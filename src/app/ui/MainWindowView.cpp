// Presenting the current picture and the viewport: fitting, scrolling, the wheel, clicks, drags
// and the preview of the next picture.
#include <QEvent>
#include <QFrame>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <exception>
#include <vector>

#include "app/ui/MainWindow.h"
#include "view/DecodeAhead.h"
#include "view/ImageLib.h"
#include "view/ui/MouseInput.h"
#include "view/ui/PictureControl.h"
#include "view/ui/PreviewWindow.h"

TSessionView::Loaded TForm1::LoadPicture(const std::string& path) {
  presenting_ = DisplayOptions({MainPanel->width(), MainPanel->height()});
  std::shared_ptr<const Picture> shown = picture_;
  PictureFormat format = PictureFormat::None;
  bool fromCache = false;
  try {
    format = LoadPictureFileCached(decodeAhead_.get(), path, shown, presenting_, &fromCache);
  } catch (const std::exception&) {
    DecodeAheadOfCurrent(presenting_);
    throw;
  }
  // A picture decoded ahead: the next ones are asked for at once, so that the workers decode
  // while this thread fits and paints. One decoded here (a jump, or the user outran the
  // workers) is painted first: workers started now would only slow its paint.
  paintFirst_ = !fromCache && format != PictureFormat::None;
  if (!paintFirst_) DecodeAheadOfCurrent(presenting_);
  if (!shown) {
    Image1->clear();
    picture_.reset();
  }
  if (format == PictureFormat::None) return {};
  picture_ = std::move(shown);
  Image1->setPicture(picture_);
  turns_ = 0;
  const ViewSize size = Image1->pictureSize();
  return {format, size.width, size.height};
}

void TForm1::ShowPicture(const std::string& caption) {
  setWindowTitle(QString::fromStdString(caption));
  FitPicture();
  if (paintFirst_) {
    Image1->repaint();
    DecodeAheadOfCurrent(presenting_);
  }
  if (Form2->isVisible()) ShowPreviewOfNext();
}

void TForm1::SetCaption(const std::string& caption) {
  setWindowTitle(QString::fromStdString(caption));
}

codecs::DecodeOptions TForm1::DisplayOptions(ViewSize area) {
  codecs::DecodeOptions options;
  // The same area the fit uses; a picture shrunk into it needs no more pixels than it has.
  if (!session_->General().OriginalSize && area.width >= 8 && area.height >= 8) {
    options.fitWidth = area.width - 4;
    options.fitHeight = area.height - 4;
  }
  return options;
}

void TForm1::Sharpen(const ViewPlacement& placement) {
  if (!picture_ ||
      (picture_->width >= picture_->fullWidth && picture_->height >= picture_->fullHeight))
    return;
  const bool fullSizeShown = !placement.stretch;
  if (!fullSizeShown && placement.width <= picture_->width && placement.height <= picture_->height)
    return;
  ViewSize area{placement.width + 4, placement.height + 4};
  if (turns_ % 2 != 0) std::swap(area.width, area.height);
  codecs::DecodeOptions options = DisplayOptions(area);
  if (fullSizeShown) options.fitWidth = options.fitHeight = 0;
  SharedLoadResult again;
  try {
    again = LoadPictureCached(decodeAhead_.get(), session_->Files().GetCurrent(), options);
  } catch (const std::exception&) {
    return;  // the smaller picture stays: it is still the right one
  }
  if (again.change != PictureChange::Replace || !again.picture) return;
  const bool sameSize = turns_ % 2 == 0 ? again.picture->fullWidth == picture_->fullWidth
                                        : again.picture->fullWidth == picture_->fullHeight;
  if (!sameSize) return;
  if (turns_ == 0) {
    picture_ = std::move(again.picture);
  } else {
    auto sharper = std::make_shared<Picture>(*again.picture);
    for (int i = 0; i < turns_; ++i) ::RotateClockwise(*sharper);
    picture_ = std::move(sharper);
  }
  Image1->setPicture(picture_);
  // The pictures after it will be wanted as large: those decoded ahead smaller would not do.
  DecodeAheadOfCurrent(DisplayOptions({MainPanel->width(), MainPanel->height()}));
}

void TForm1::ShowPreviewOfNext() {
  const std::string path = session_->Files().PeekNext();
  if (path.empty()) return Form2->ShowPreviewPicture(nullptr);
  // The same decode as the main window's next picture, so that one serves both.
  const SharedLoadResult next = LoadPictureCached(
      decodeAhead_.get(), path, DisplayOptions({MainPanel->width(), MainPanel->height()}));
  Form2->ShowPreviewPicture(next.change == PictureChange::Replace ? next.picture : nullptr);
}

void TForm1::DecodeAheadOfCurrent(const codecs::DecodeOptions& options) {
  if (!decodeAhead_ || !decodeAhead_->enabled()) return;
  std::vector<DecodeRequest> wanted;
  const int index = session_->Files().Index();
  if (index >= 0) {
    for (int i = index + 1; i < std::min(index + 3, session_->Files().Count()); ++i)
      if (!session_->Files().Entry(i).empty())
        wanted.push_back({session_->Files().Entry(i), options});
  }
  decodeAhead_->Prefetch(std::move(wanted));
}

ViewPlacement TForm1::CurrentPlacement() const {
  const QRect g = Image1->geometry();
  return {g.x(), g.y(), g.width(), g.height(), Image1->stretch()};
}

void TForm1::ApplyPlacement(const ViewPlacement& placement) {
  Image1->place(placement);
  RefreshAnimatedPicture();
}

void TForm1::FitPicture() {
  if (closed_) return;
  const auto placement = ::FitPicture({MainPanel->width(), MainPanel->height()},
                                      Image1->pictureSize(), session_->General().OriginalSize);
  if (placement) {
    Sharpen(*placement);
    Image1->place(*placement);
  }
  RefreshAnimatedPicture();
}

void TForm1::RefreshAnimatedPicture() {
  // The control paints every frame at its current geometry; a moved animation only needs a
  // repaint, and keeps its frame and timing.
  if (session_->Temporary().PictureFormat == static_cast<std::int32_t>(PictureFormat::Gif))
    Image1->update();
}

void TForm1::ScrollByHalfPanel(ScrollDirection direction) {
  ApplyPlacement(::ScrollByHalfPanel(CurrentPlacement(), {MainPanel->width(), MainPanel->height()},
                                     session_->General().OriginalSize, direction));
}

void TForm1::FormMouseWheel(int delta) {
  ApplyPlacement(WheelPicture(CurrentPlacement(), {MainPanel->width(), MainPanel->height()}, delta,
                              session_->Temporary().RightButtonHeld,
                              session_->General().ScrollRate));
}

void TForm1::FormResize() {
  ArrangeControls();
  FitPicture();
}

void TForm1::Turn(void (*turn)(Picture&)) {
  if (!picture_) return;
  Image1->clear();
  // The cache and the preview may share the picture: the turn goes to a copy.
  auto turned = std::make_shared<Picture>(*picture_);
  turn(*turned);
  picture_ = std::move(turned);
  Image1->setPicture(picture_);
}

void TForm1::RotateClockwise() {
  Turn(&::RotateClockwise);
  if (picture_) turns_ = (turns_ + 1) % 4;
}

void TForm1::RotateCounterClockwise() {
  Turn(&::RotateCounterClockwise);
  if (picture_) turns_ = (turns_ + 3) % 4;
}

void TForm1::MinimiseWindow() {
  showMinimized();
}

void TForm1::HidePreview() {
  if (Form2->isVisible()) Form2->hide();
}

PointerState TForm1::TakePointerState() const {
  return {session_->Temporary().DragStartX, session_->Temporary().DragStartY,
          session_->Temporary().DoubleClickPending, session_->Temporary().RightButtonHeld};
}

void TForm1::KeepPointerState(const PointerState& state) {
  session_->Temporary().DragStartX = state.startX;
  session_->Temporary().DragStartY = state.startY;
  session_->Temporary().DoubleClickPending = state.doubleClickPending;
  session_->Temporary().RightButtonHeld = state.rightButtonHeld;
}

void TForm1::MainPanelMouseDown(QMouseEvent* event) {
  PointerState state = TakePointerState();
  const QPoint p = event->position().toPoint();
  ::MainPanelMouseDown(state, HeldInputOf(event->buttons(), event->modifiers()), p.x(), p.y());
  KeepPointerState(state);
}

void TForm1::MainPanelDblClick() {
  PointerState state = TakePointerState();
  ::MainPanelDblClick(state);
  KeepPointerState(state);
}

void TForm1::MainPanelMouseUp(QMouseEvent* event) {
  PointerState state = TakePointerState();
  const QPoint p = event->position().toPoint();
  const PointerOutcome outcome = ::MainPanelMouseUp(
      state, MouseButtonOf(event->button()), HeldInputOf(event->buttons(), event->modifiers()),
      p.x(), p.y(), CurrentPlacement(), {MainPanel->width(), MainPanel->height()},
      {session_->General().DragSensitivity, session_->General().DragAccelerator});
  KeepPointerState(state);
  switch (outcome.action) {
    case PointerAction::ToggleOriginalSize:
      session_->General().OriginalSize = !session_->General().OriginalSize;
      FitPicture();
      break;
    case PointerAction::Place:
      ApplyPlacement(outcome.placement);
      break;
    case PointerAction::ShowPreview:
      if (!Form2->isVisible()) {
        Form2->show();
        ShowPreviewOfNext();
      }
      break;
    case PointerAction::None:
      break;
  }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched != MainPanel || closed_) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      MainPanelMouseDown(static_cast<QMouseEvent*>(event));
      return true;
    case QEvent::MouseButtonDblClick:
      MainPanelDblClick();
      MainPanelMouseDown(static_cast<QMouseEvent*>(event));
      return true;
    case QEvent::MouseButtonRelease:
      MainPanelMouseUp(static_cast<QMouseEvent*>(event));
      return true;
    case QEvent::Wheel:
      wheelEvent(static_cast<QWheelEvent*>(event));
      return true;
    default:
      return QWidget::eventFilter(watched, event);
  }
}

void TForm1::wheelEvent(QWheelEvent* event) {
  if (closed_) return;
  const QPoint d = event->angleDelta();
  const int delta = d.y() != 0 ? d.y() : d.x();
  if (delta != 0) FormMouseWheel(delta);
  event->accept();
}
