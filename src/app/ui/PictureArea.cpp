// The picture area MainPanel: the picture on screen in Image1, its fit, scrolling, turns, the
// wheel, clicks and drags, and the preview of the next picture.
#include "app/ui/PictureArea.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <algorithm>
#include <exception>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

#include "app/EarlyOpen.h"
#include "config/ui/KeyCodes.h"
#include "view/DecodeAhead.h"
#include "view/DevicePixels.h"
#include "view/ImageLib.h"
#include "view/StandIn.h"
#include "view/ui/MouseInput.h"
#include "view/ui/PictureControl.h"
#include "view/ui/PreviewWindow.h"

TPictureArea::TPictureArea(QWidget* parent)
    : QFrame(parent), Image1(new TPictureControl(this)), LabelHint(new QLabel(this)) {
  setObjectName(QStringLiteral("MainPanel"));
  LabelHint->setObjectName(QStringLiteral("LabelHint"));
  LabelHint->setTextFormat(Qt::RichText);
  LabelHint->setAlignment(Qt::AlignCenter);
  LabelHint->setWordWrap(true);
  LabelHint->setForegroundRole(QPalette::PlaceholderText);
  // Clicks and drops go through to the area, as if the hint were not there.
  LabelHint->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TPictureArea::Attach(TSortingSession* session, TDecodeAhead* decodeAhead, TForm2* preview) {
  session_ = session;
  if (decodeAhead_ && decodeAhead_ != decodeAhead) decodeAhead_->SetDoneHook(nullptr);
  if (decodeAhead && decodeAhead != decodeAhead_) {
    decodeAhead->SetDoneHook([this](const std::string& path) {
      QMetaObject::invokeMethod(
          this, [this, path] { WorkerDone(path); }, Qt::QueuedConnection);
    });
  }
  decodeAhead_ = decodeAhead;
  standIn_ = false;
  preview_ = preview;
  UpdateHint();
}

QString TPictureArea::HintText() const {
  const auto text = [](const QString& t) { return t.toHtmlEscaped(); };
  const auto key = [this](NavAction action) {
    return QStringLiteral("<b>") +
           BindingName(session_->VirtualKeys()[action].GetCode()).toHtmlEscaped() +
           QStringLiteral("</b>");
  };
  const auto heading = [&text](const QString& t) {
    return QStringLiteral("<p style='font-size:large; font-weight:bold'>") + text(t) +
           QStringLiteral("</p>");
  };
  const auto lines = [](std::initializer_list<QString> html) {
    return QStringLiteral("<p>") + QStringList(html).join(QStringLiteral("<br>")) +
           QStringLiteral("</p>");
  };
  // Keys right-aligned against what they do.
  const auto keys = [](std::initializer_list<std::pair<QString, QString>> rows) {
    QString html = QStringLiteral("<table align='center' cellspacing='2' style='margin-top:6px'>");
    for (const auto& [keyHtml, what] : rows)
      html += QStringLiteral("<tr><td align='right'>") + keyHtml +
              QStringLiteral("</td><td>&nbsp;&nbsp;") + what.toHtmlEscaped() +
              QStringLiteral("</td></tr>");
    return html + QStringLiteral("</table>");
  };
  const QString slash = QStringLiteral(" / ");
  return heading(tr("画像を開くには")) +
         lines({text(tr("フォルダや画像をこのウィンドウにドロップするか、")),
                text(tr("上の入力欄にパスを入力して Enter を押します。"))}) +
         heading(tr("振り分けるには")) +
         lines({text(tr("「メニュー → キー」で、振り分け先のフォルダにキーを登録します。")),
                text(tr("フォルダをドロップし、キーを入力して「登録」を押します。")),
                text(tr("あとはキーを入力して Enter で移動、Shift+Enter でコピーします。"))}) +
         heading(tr("主なキー")) +
         keys({{key(NavAction::Previous) + slash + key(NavAction::Next), tr("前の画像 / 次の画像")},
               {key(NavAction::Head) + slash + key(NavAction::Tail), tr("先頭 / 末尾の画像")},
               {key(NavAction::Emergency), tr("ウィンドウを最小化")}});
}

void TPictureArea::UpdateHint() {
  // Not while the window waits for the picture it opens with, nor before it has opened what it
  // was started with: laying the hint out takes the first paint several milliseconds, for a hint
  // the picture then hides.
  const bool shown = session_ && !picture_ && !waitsForEarlyPaint_ &&
                     session_->Temporary().GetSlot(Slot::PendingArguments) <= 0;
  if (shown) {
    LabelHint->setText(HintText());
    const int margin = 16;
    const int w = std::max(0, width() - 2 * margin);
    const int h = std::min(height(), LabelHint->heightForWidth(w));
    LabelHint->setGeometry(margin, (height() - h) / 2, w, h);
  }
  LabelHint->setVisible(shown);
}

namespace {

// Runs done once, as soon as the event loop is back after watched's next paint, or after a
// moment should none come (a window never shown).
void AfterNextPaint(QWidget* watched, std::function<void()> done) {
  struct Filter : QObject {
    explicit Filter(QWidget* w, std::function<void()> f) : QObject(w), run(std::move(f)) {}
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) Finish();
      return false;
    }
    void Finish() {
      if (!run) return;
      QTimer::singleShot(0, parent(), std::move(run));
      run = nullptr;
      deleteLater();
    }
    std::function<void()> run;
  };
  auto* filter = new Filter(watched, std::move(done));
  watched->installEventFilter(filter);
  QTimer::singleShot(500, filter, [filter] { filter->Finish(); });
}

}  // namespace

bool TPictureArea::ShowEarly(TEarlyOpen& early, std::function<void()> then) {
  if (!decodeAhead_ || !session_ || picture_) return false;
  // The window's first paint (its bar, its fonts) takes a while: done during the decode, it is
  // not left for after it.
  if (!std::exchange(earlyFramePainted_, true) && early.DecodesRemembered()) {
    waitsForEarlyPaint_ = true;
    UpdateHint();
    AfterNextPaint(window(), [this, then = std::move(then)] {
      waitsForEarlyPaint_ = false;
      then();
    });
    return true;
  }
  const std::string path = early.StoreRememberedFirst(decodeAhead_);
  if (path.empty()) return false;
  const std::optional<SharedLoadResult> load =
      decodeAhead_->Take(path, DisplayOptions({width(), height()}), false, false);
  if (!load || load->change != PictureChange::Replace || !load->picture ||
      load->picture->animated())
    return false;
  picture_ = load->picture;
  Image1->setPicture(picture_);
  UpdateHint();
  // Placed as the session will place it, which then finds it in the cache.
  if (const auto placement =
          ::FitPicture({width(), height()}, Image1->shownSize(), session_->General().OriginalSize))
    Image1->place(*placement);
  earlyPath_ = path;
  waitsForEarlyPaint_ = true;
  AfterNextPaint(Image1, [this, then = std::move(then)]() mutable {
    // Once more round the event loop, as the caller may block: what else the paint queued runs
    // first.
    QTimer::singleShot(0, this, [this, then = std::move(then)] {
      waitsForEarlyPaint_ = false;
      then();
    });
  });
  return true;
}

void TPictureArea::EndEarly() {
  if (std::exchange(earlyPath_, {}).empty()) return;
  picture_.reset();
  Image1->clear();
  UpdateHint();
}

TSessionView::Loaded TPictureArea::LoadPicture(const std::string& path) {
  // The picture shown before the session had its list, when the list put another first: a
  // failed load must not leave it on screen.
  if (path != earlyPath_) EndEarly();
  earlyPath_.clear();
  presenting_ = DisplayOptions({width(), height()});
  std::shared_ptr<const Picture> shown = picture_;
  standIn_ = false;
  SharedLoadResult load;
  bool standIn = false;
  try {
    load = LoadPictureOrStandIn(decodeAhead_, path, presenting_, &standIn);
  } catch (const std::exception&) {
    DecodeAheadOfCurrent(presenting_);
    throw;
  }
  if (load.change == PictureChange::Replace)
    shown = std::move(load.picture);
  else if (load.change == PictureChange::Empty)
    shown.reset();
  const PictureFormat format = load.format;
  const bool fromCache = load.fromCache;
  // A picture decoded ahead: the next ones are asked for at once, so that the workers decode
  // while this thread fits and paints. One decoded here (a jump, or the user outran the
  // workers) is painted first: workers started now would only slow its paint. So is the first
  // picture after start, decoded while the window was built: the window still has its first
  // paint ahead of it. So is a stand-in: its own decode is asked for after the paint.
  paintFirst_ = (!fromCache || !picture_ || standIn) && format != PictureFormat::None;
  if (!paintFirst_) DecodeAheadOfCurrent(presenting_);
  if (!shown) {
    Image1->clear();
    picture_.reset();
    UpdateHint();
  }
  if (format == PictureFormat::None) return {};
  picture_ = std::move(shown);
  Image1->setPicture(picture_);
  turns_ = 0;
  standIn_ = standIn;
  const ViewSize size = Image1->pictureSize();
  return {format, size.width, size.height};
}

void TPictureArea::ShowPicture() {
  // The name the file has now: a misnamed one was renamed after it was loaded.
  if (standIn_) standInPath_ = session_->Files().GetCurrent();
  UpdateHint();
  FitPicture();
  if (paintFirst_) {
    Image1->repaint();
    // A window not yet on screen paints later: the workers wait for that paint.
    const QWindow* shown = window()->windowHandle();
    if (shown && shown->isExposed())
      DecodeAheadOfCurrent(presenting_);
    else
      AfterNextPaint(Image1, [this, options = presenting_] { DecodeAheadOfCurrent(options); });
  }
  if (preview_->isVisible()) ShowPreviewOfNext();
}

codecs::DecodeOptions TPictureArea::DisplayOptions(ViewSize area) {
  // The same area the fit uses; a picture shrunk into it needs no more pixels than it has.
  codecs::DecodeOptions options =
      DisplayDecodeOptions(area.width, area.height, session_->General().OriginalSize);
  // Decoded and shrunk for the device pixels the area covers, not its logical ones.
  options.pixelRatio = devicePixelRatioF();
  return options;
}

void TPictureArea::Sharpen(const ViewPlacement& placement) {
  // A stand-in is replaced when the workers have decoded the picture: no need to wait for it here.
  if (standIn_) return;
  if (!picture_ ||
      (picture_->width >= picture_->fullWidth && picture_->height >= picture_->fullHeight))
    return;
  const bool fullSizeShown = !placement.stretch;
  const double ratio = devicePixelRatioF();
  const ViewSize device = DeviceSize({placement.width, placement.height}, ratio);
  if (!fullSizeShown && ((device.width <= picture_->width && device.height <= picture_->height) ||
                         WithinSlack(device, {picture_->width, picture_->height}, ratio)))
    return;
  ViewSize area{placement.width + 4, placement.height + 4};
  if (turns_ % 2 != 0) std::swap(area.width, area.height);
  codecs::DecodeOptions options = DisplayOptions(area);
  if (fullSizeShown) options.fitWidth = options.fitHeight = 0;
  SharedLoadResult again;
  try {
    again = LoadPictureCached(decodeAhead_, session_->Files().GetCurrent(), options);
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
  DecodeAheadOfCurrent(DisplayOptions({width(), height()}));
}

void TPictureArea::WorkerDone(const std::string& path) {
  if (path == previewStandIn_ && preview_->isVisible()) ShowPreviewOfNext();
  if (!standIn_ || !decodeAhead_ || !picture_ || !session_ ||
      session_->Files().GetCurrent() != standInPath_)
    return;
  StandInResolution done =
      ResolveStandIn(*decodeAhead_, standInPath_, *picture_, turns_, path, presenting_);
  switch (done.outcome) {
    case StandInOutcome::Wait:
      return;
    case StandInOutcome::Keep:
      standIn_ = false;
      return;
    case StandInOutcome::Replace:
      standIn_ = false;
      picture_ = std::move(done.picture);
      Image1->setPicture(picture_);
      break;
    case StandInOutcome::LoadHere:
      standIn_ = false;  // sharpened below the usual way
      break;
  }
  // Where the user put the stand-in, the picture stays; the original-size view wants more pixels.
  Sharpen(CurrentPlacement());
  Image1->repaint();
}

void TPictureArea::ShowPreviewOfNext() {
  const std::string path = session_->Files().PeekNext();
  previewStandIn_.clear();
  if (path.empty()) return preview_->ShowPreviewPicture(nullptr);
  // The same decode as the main window's next picture, so that one serves both. A HEIC the
  // workers are still decoding shows its thumbnail until they are done, as the main window does.
  bool standIn = false;
  const SharedLoadResult next =
      LoadPictureOrStandIn(decodeAhead_, path, DisplayOptions({width(), height()}), &standIn);
  if (standIn) previewStandIn_ = path;
  preview_->ShowPreviewPicture(next.change == PictureChange::Replace ? next.picture : nullptr);
}

void TPictureArea::DecodeAheadOfCurrent(const codecs::DecodeOptions& options) {
  if (!decodeAhead_ || !decodeAhead_->enabled()) return;
  std::vector<DecodeRequest> wanted;
  // The picture a stand-in shows comes first: the user is looking at it.
  if (standIn_) wanted.push_back({standInPath_, presenting_});
  const int index = session_->Files().Index();
  if (index >= 0) {
    for (int i = index + 1; i < std::min(index + 3, session_->Files().Count()); ++i)
      if (!session_->Files().Entry(i).empty())
        wanted.push_back({session_->Files().Entry(i), options});
  }
  decodeAhead_->Prefetch(std::move(wanted));
  // A few more stand-ins than full decodes: they are cheap, and a fast typist outruns the others.
  std::vector<DecodeRequest> standIns;
  if (index >= 0) {
    for (int i = index + 1; i < std::min(index + 5, session_->Files().Count()); ++i)
      if (!session_->Files().Entry(i).empty())
        standIns.push_back({session_->Files().Entry(i), options});
  }
  decodeAhead_->PrefetchStandIns(std::move(standIns));
}

ViewPlacement TPictureArea::CurrentPlacement() const {
  const QRect g = Image1->geometry();
  return {g.x(), g.y(), g.width(), g.height(), Image1->stretch()};
}

void TPictureArea::ApplyPlacement(const ViewPlacement& placement) {
  Image1->place(placement);
  RefreshAnimatedPicture();
}

void TPictureArea::FitPicture() {
  if (!session_) return;
  shownRatio_ = devicePixelRatioF();
  const auto placement =
      ::FitPicture({width(), height()}, Image1->shownSize(), session_->General().OriginalSize);
  if (placement) {
    Sharpen(*placement);
    Image1->place(*placement);
  }
  RefreshAnimatedPicture();
}

void TPictureArea::DevicePixelRatioChanged() {
  if (devicePixelRatioF() == shownRatio_) return;
  // The picture's size in logical pixels changed with the ratio, and the pictures decoded ahead
  // were made for the old one's device pixels.
  FitPicture();
  if (picture_) DecodeAheadOfCurrent(DisplayOptions({width(), height()}));
}

void TPictureArea::RefreshAnimatedPicture() {
  // The control paints every frame at its current geometry; a moved animation only needs a
  // repaint, and keeps its frame and timing.
  const std::int32_t format = session_->Temporary().PictureFormat;
  if (format == static_cast<std::int32_t>(PictureFormat::Gif) ||
      format == static_cast<std::int32_t>(PictureFormat::Webp))
    Image1->update();
}

void TPictureArea::ScrollByHalfPanel(ScrollDirection direction) {
  ApplyPlacement(::ScrollByHalfPanel(CurrentPlacement(), {width(), height()},
                                     session_->General().OriginalSize, direction));
}

void TPictureArea::FormMouseWheel(int delta) {
  ApplyPlacement(WheelPicture(CurrentPlacement(), {width(), height()}, delta,
                              session_->Temporary().RightButtonHeld,
                              session_->General().ScrollRate));
}

void TPictureArea::Turn(void (*turn)(Picture&)) {
  if (!picture_) return;
  Image1->clear();
  // The cache and the preview may share the picture: the turn goes to a copy.
  auto turned = std::make_shared<Picture>(*picture_);
  turn(*turned);
  picture_ = std::move(turned);
  Image1->setPicture(picture_);
}

void TPictureArea::RotateClockwise() {
  Turn(&::RotateClockwise);
  if (picture_) turns_ = (turns_ + 1) % 4;
}

void TPictureArea::RotateCounterClockwise() {
  Turn(&::RotateCounterClockwise);
  if (picture_) turns_ = (turns_ + 3) % 4;
}

PointerState TPictureArea::TakePointerState() const {
  return {session_->Temporary().DragStartX, session_->Temporary().DragStartY,
          session_->Temporary().DoubleClickPending, session_->Temporary().RightButtonHeld};
}

void TPictureArea::KeepPointerState(const PointerState& state) {
  session_->Temporary().DragStartX = state.startX;
  session_->Temporary().DragStartY = state.startY;
  session_->Temporary().DoubleClickPending = state.doubleClickPending;
  session_->Temporary().RightButtonHeld = state.rightButtonHeld;
}

void TPictureArea::MainPanelMouseDown(QMouseEvent* event) {
  PointerState state = TakePointerState();
  const QPoint p = event->position().toPoint();
  ::MainPanelMouseDown(state, HeldInputOf(event->buttons(), event->modifiers()), p.x(), p.y());
  KeepPointerState(state);
}

void TPictureArea::MainPanelDblClick(QMouseEvent* event) {
  PointerState state = TakePointerState();
  ::MainPanelDblClick(state, MouseButtonOf(event->button()));
  KeepPointerState(state);
}

void TPictureArea::MainPanelMouseUp(QMouseEvent* event) {
  PointerState state = TakePointerState();
  const QPoint p = event->position().toPoint();
  const PointerOutcome outcome = ::MainPanelMouseUp(
      state, MouseButtonOf(event->button()), HeldInputOf(event->buttons(), event->modifiers()),
      p.x(), p.y(), CurrentPlacement(), {width(), height()},
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
      if (!preview_->isVisible()) {
        preview_->show();
        ShowPreviewOfNext();
      }
      break;
    case PointerAction::None:
      break;
  }
}

bool TPictureArea::event(QEvent* event) {
  if (event->type() == QEvent::Resize) UpdateHint();
  if (!session_) return QFrame::event(event);
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
      Wheel(static_cast<QWheelEvent*>(event));
      return true;
    case QEvent::ScreenChangeInternal:
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    case QEvent::DevicePixelRatioChange:
#endif
    {
      const bool handled = QFrame::event(event);
      DevicePixelRatioChanged();
      return handled;
    }
    default:
      return QFrame::event(event);
  }
}

void TPictureArea::Wheel(QWheelEvent* event) {
  if (!session_) return;
  const QPoint d = event->angleDelta();
  const int delta = d.y() != 0 ? d.y() : d.x();
  if (delta != 0) FormMouseWheel(delta);
  event->accept();
}
