#include "app/ui/MainWindow.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLineEdit>
#include <QPalette>
#include <QShowEvent>
#include <exception>

#include "platform/ConfigFolder.h"

namespace {

const QString kCaption = QStringLiteral("Sortivo 5.0.5α");

QColor PlainColor(std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                static_cast<int>((v >> 16) & 0xFF));
}

// The system colours of the stored font colour, in the nearest roles this toolkit has.
QColor FontColor(std::int32_t value, const QPalette& palette) {
  if (value == kColorNone) return palette.color(QPalette::Text);
  if ((value & kSystemColorFlag) == 0) return PlainColor(value);
  switch (value & 0xFF) {
    case 5:  // window
      return palette.color(QPalette::Base);
    case 13:  // highlight
      return palette.color(QPalette::Highlight);
    case 14:  // highlight text
      return palette.color(QPalette::HighlightedText);
    case 15:  // button face
      return palette.color(QPalette::Button);
    case 17:  // grey text
      return palette.color(QPalette::Disabled, QPalette::Text);
    case 18:  // button text
      return palette.color(QPalette::ButtonText);
    case 23:  // info text
      return palette.color(QPalette::ToolTipText);
    case 24:  // info background
      return palette.color(QPalette::ToolTipBase);
    default:
      return palette.color(QPalette::Text);
  }
}

}  // namespace

TForm1::TForm1(std::string settingsFolder, std::vector<std::string> arguments, QWidget* parent)
    : QWidget(parent),
      settingsPath_(platform::SettingsFilePath(settingsFolder)),
      arguments_(std::move(arguments)) {
  setWindowTitle(kCaption);
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  MainPanel = new QFrame(this);
  MainPanel->setObjectName(QStringLiteral("MainPanel"));
  resize(window_.bounds.width, window_.bounds.height);
  FormCreate();
}

TForm1::~TForm1() {
  if (!closed_) FormClose();
}

void TForm1::FormCreate() {
  general_ = std::make_unique<TGeneralManager>();
  temporary_ = std::make_unique<TTemporaryManager>();
  keys_ = std::make_unique<TVirtualKeys>();
  // The directory list is created here.
  colors_ = std::make_unique<TColorManager>();
  // Without a settings file the window keeps its designed bounds (placed by the system) and
  // font.
  if (LoadSettings(settingsPath_, *general_, *temporary_, *keys_, *colors_, window_))
    ApplyWindowSettings();
  SetInputFont(window_.font);
  // The key map is created here from HeadFile, TailFile and KeyMapFile, then the picture list
  // from ImageExtensions and ListExtensions; then drops are accepted and the panels' texts set.
  SetStatusColor(StatusColor::Default);
  temporary_->InputLength = 0;
  temporary_->SetSlot(Slot::PendingArguments, static_cast<std::int32_t>(arguments_.size()));
}

void TForm1::ApplyWindowSettings() {
  move(window_.bounds.left, window_.bounds.top);
  resize(window_.bounds.width, window_.bounds.height);
  if (window_.maximized) {
    setWindowState(windowState() | Qt::WindowMaximized);
    maximizedSinceStart_ = true;
  }
}

void TForm1::SetInputFont(const FontSettings& font) {
  window_.font = font;
  QFont f = Edit1->font();
  f.setFamily(QString::fromStdString(font.name));
  if (font.size > 0) f.setPointSize(font.size);
  if (font.size < 0) f.setPixelSize(-font.size);
  f.setBold(font.style & kFontBold);
  f.setItalic(font.style & kFontItalic);
  f.setUnderline(font.style & kFontUnderline);
  f.setStrikeOut(font.style & kFontStrikeOut);
  Edit1->setFont(f);
  QPalette p = Edit1->palette();
  p.setColor(QPalette::Text, FontColor(font.color, p));
  Edit1->setPalette(p);
  ArrangeControls();
}

void TForm1::SetStatusColor(StatusColor status) {
  const TCS& c = (*colors_)[status];
  QPalette p = Edit1->palette();
  p.setColor(QPalette::Base, QColor(c.Red(), c.Green(), c.Blue()));
  Edit1->setPalette(p);
}

void TForm1::ArrangeControls() {
  // The menu and one-key buttons go left of Edit1, as tall as it.
  const int h = Edit1->sizeHint().height();
  Edit1->setGeometry(0, 0, width(), h);
  MainPanel->setGeometry(0, h, width(), std::max(height() - h, 0));
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TForm1::FormShow() {
  ArrangeControls();
  // The preview window is placed here from the preview slots, and shown when PreviewVisible
  // is above 0.
}

void TForm1::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && !isMaximized()) maximizedSinceStart_ = false;
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TForm1::FormActivate() {
  if (closed_ || temporary_->GetSlot(Slot::PendingArguments) <= 0) return;
  // The first argument is opened here, once.
  temporary_->SetSlot(Slot::PendingArguments, 0);
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ArrangeControls();
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!closed_) FormClose();
  event->accept();
}

WindowSettings TForm1::CurrentWindowSettings() const {
  WindowSettings w = window_;
  w.maximized = isMaximized();
  // The normal bounds, also while maximized; left and top are the frame's, as they were read.
  if (!maximizedSinceStart_) {
    const QPoint frameOffset = geometry().topLeft() - pos();
    const QRect normal = normalGeometry();
    w.bounds = {normal.x() - frameOffset.x(), normal.y() - frameOffset.y(), normal.width(),
                normal.height()};
  }
  // Until the preview window exists, its stored state is kept as read.
  w.previewVisible = temporary_->GetSlot(Slot::PreviewVisible) > 0;
  w.preview = {temporary_->GetSlot(Slot::PreviewLeft), temporary_->GetSlot(Slot::PreviewTop),
               temporary_->GetSlot(Slot::PreviewWidth), temporary_->GetSlot(Slot::PreviewHeight)};
  return w;
}

void TForm1::FormClose() {
  closed_ = true;
  try {
    // Until the picture list exists, the previous run's position is kept as read.
    const ListPosition list{temporary_->LastDirectory, temporary_->LastFile};
    SaveSettings(settingsPath_, *general_, *keys_, *colors_, CurrentWindowSettings(), list,
                 nullptr);
  } catch (const std::exception&) {
    // Shutdown goes on whatever happened to the settings.
  }
  // The picture on screen is recorded into its pending list files here. Then the objects go,
  // in this order: picture list, status colours, key map, directory list, navigation
  // bindings, run-time state, general settings.
  colors_.reset();
  keys_.reset();
  temporary_.reset();
  general_.reset();
}
