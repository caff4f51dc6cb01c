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
#include "files/MainLib.h"
#include "platform/FileSystem.h"
#include "view/DecodeAhead.h"
#include "view/ImageLib.h"
#include "view/ui/MouseInput.h"
#include "view/ui/PictureControl.h"
#include "view/ui/PreviewWindow.h"

void TForm1::PresentPicture(const std::string& path) {
  const codecs::DecodeOptions options = DisplayOptions({MainPanel->width(), MainPanel->height()});
  std::shared_ptr<const Picture> shown = picture_;
  PictureFormat format = PictureFormat::None;
  bool fromCache = false;
  try {
    format = LoadPictureFileCached(decodeAhead_.get(), path, shown, options, &fromCache);
  } catch (const std::exception&) {
    DecodeAheadOfCurrent(options);
    RecordInListFiles(files_->GetPreviousPath());
    throw;
  }
  // A picture decoded ahead: the next ones are asked for at once, so that the workers decode
  // while this thread fits and paints. One decoded here (a jump, or the user outran the
  // workers) is painted first: workers started now would only slow its paint.
  const bool paintFirst = !fromCache && format != PictureFormat::None;
  if (!paintFirst) DecodeAheadOfCurrent(options);
  if (!shown) {
    Image1->clear();
    picture_.reset();
  }
  if (format == PictureFormat::None) {
    // The picture left goes into its list files even so: waiting would hand them the broken
    // one at the next step.
    RecordInListFiles(files_->GetPreviousPath());
    return;
  }
  picture_ = std::move(shown);
  Image1->setPicture(picture_);
  turns_ = 0;
  temporary_->PictureFormat = static_cast<std::int32_t>(format);

  // A list file that cannot be written is reported after the picture is fully presented.
  std::exception_ptr recordError;
  try {
    RecordInListFiles(files_->GetPreviousPath());
  } catch (const std::exception&) {
    recordError = std::current_exception();
  }
  CorrectPictureExtension(
      path, format,
      {[this] { SetStatusColor(StatusColor::IncorrectExtension); },
       [this](const std::string& renamed) { files_->ReplaceCurrent(renamed); }});
  const ViewSize size = Image1->pictureSize();
  setWindowTitle(QStringLiteral("%1/%2 %3 * %4 ")
                     .arg(files_->Index() + 1)
                     .arg(files_->Count())
                     .arg(size.width)
                     .arg(size.height) +
                 QString::fromStdString(ShortenPath(files_->GetCurrent())));
  FitPicture();
  if (paintFirst) {
    Image1->repaint();
    DecodeAheadOfCurrent(options);
  }
  if (Form2->isVisible()) ShowPreviewOfNext();
  if (recordError) std::rethrow_exception(recordError);
}

codecs::DecodeOptions TForm1::DisplayOptions(ViewSize area) {
  codecs::DecodeOptions options;
  // The same area the fit uses; a picture shrunk into it needs no more pixels than it has.
  if (!general_->OriginalSize && area.width >= 8 && area.height >= 8) {
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
    again = LoadPictureCached(decodeAhead_.get(), files_->GetCurrent(), options);
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
  const std::string path = files_->PeekNext();
  if (path.empty()) return Form2->ShowPreviewPicture(nullptr);
  // The same decode as the main window's next picture, so that one serves both.
  const SharedLoadResult next = LoadPictureCached(
      decodeAhead_.get(), path, DisplayOptions({MainPanel->width(), MainPanel->height()}));
  Form2->ShowPreviewPicture(next.change == PictureChange::Replace ? next.picture : nullptr);
}

void TForm1::DecodeAheadOfCurrent(const codecs::DecodeOptions& options) {
  if (!decodeAhead_ || !decodeAhead_->enabled()) return;
  std::vector<DecodeRequest> wanted;
  const int index = files_->Index();
  if (index >= 0) {
    for (int i = index + 1; i < std::min(index + 3, files_->Count()); ++i)
      if (!files_->Entry(i).empty()) wanted.push_back({files_->Entry(i), options});
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
                                      Image1->pictureSize(), general_->OriginalSize);
  if (placement) {
    Sharpen(*placement);
    Image1->place(*placement);
  }
  RefreshAnimatedPicture();
}

void TForm1::RefreshAnimatedPicture() {
  // The control paints every frame at its current geometry; a moved animation only needs a
  // repaint, and keeps its frame and timing.
  const std::int32_t format = temporary_->PictureFormat;
  if (format == static_cast<std::int32_t>(PictureFormat::Gif) ||
      format == static_cast<std::int32_t>(PictureFormat::Webp))
    Image1->update();
}

void TForm1::ScrollByHalfPanel(ScrollDirection direction) {
  ApplyPlacement(::ScrollByHalfPanel(CurrentPlacement(), {MainPanel->width(), MainPanel->height()},
                                     general_->OriginalSize, direction));
}

void TForm1::FormMouseWheel(int delta) {
  ApplyPlacement(WheelPicture(CurrentPlacement(), {MainPanel->width(), MainPanel->height()}, delta,
                              temporary_->RightButtonHeld, general_->ScrollRate));
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
  return {temporary_->DragStartX, temporary_->DragStartY, temporary_->DoubleClickPending,
          temporary_->RightButtonHeld};
}

void TForm1::KeepPointerState(const PointerState& state) {
  temporary_->DragStartX = state.startX;
  temporary_->DragStartY = state.startY;
  temporary_->DoubleClickPending = state.doubleClickPending;
  temporary_->RightButtonHeld = state.rightButtonHeld;
}

void TForm1::MainPanelMouseDown(QMouseEvent* event) {
  PointerState state = TakePointerState();
  const QPoint p = event->position().toPoint();
  ::MainPanelMouseDown(state, HeldInputOf(event->buttons(), event->modifiers()), p.x(), p.y());
  KeepPointerState(state);
}

void TForm1::MainPanelDblClick(QMouseEvent* event) {
  PointerState state = TakePointerState();
  ::MainPanelDblClick(state, MouseButtonOf(event->button()));
  KeepPointerState(state);
}

void TForm1::MainPanelMouseUp(QMouseEvent* event) {
  PointerState state = TakePointerState();
  const QPoint p = event->position().toPoint();
  const PointerOutcome outcome = ::MainPanelMouseUp(
      state, MouseButtonOf(event->button()), HeldInputOf(event->buttons(), event->modifiers()),
      p.x(), p.y(), CurrentPlacement(), {MainPanel->width(), MainPanel->height()},
      {general_->DragSensitivity, general_->DragAccelerator});
  KeepPointerState(state);
  switch (outcome.action) {
    case PointerAction::ToggleOriginalSize:
      general_->OriginalSize = !general_->OriginalSize;
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
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      if (watched->isWidgetType() && TakeFileDrop(static_cast<QWidget*>(watched), event))
        return true;
      break;
    default:
      break;
  }
  if (watched != MainPanel || closed_) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      MainPanelMouseDown(static_cast<QMouseEvent*>(event));
      return true;
    case QEvent::MouseButtonDblClick:
      MainPanelDblClick(static_cast<QMouseEvent*>(event));
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
