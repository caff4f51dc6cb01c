#include "app/ui/MainWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QTimer>
#include <exception>
#include <stdexcept>

#include "SortivoVersion.h"
#include "app/Layout.h"
#include "app/ui/Application.h"
#include "config/ui/KeyCodes.h"
#include "platform/ConfigFolder.h"
#include "platform/Random.h"
#include "view/DecodeAhead.h"
#include "view/ui/PictureControl.h"
#include "view/ui/PreviewWindow.h"

namespace {

const QString kCaption = QString::fromUtf8(kSortivoCaption);

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

// Bounds from the settings file, placed whole on one of the screens as they are now; frame is
// what the window's frame adds to its client size, once the window has one.
LayoutRect OnScreens(LayoutRect bounds, QSize frame = {}) {
  std::vector<LayoutRect> screens;
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect r = screen->availableGeometry();
    screens.push_back({r.x(), r.y(), r.width(), r.height()});
  }
  return PlaceOnScreens(bounds, screens, frame.width(), frame.height());
}

ViewBounds OnScreens(ViewBounds b) {
  const LayoutRect r = OnScreens(LayoutRect{b.left, b.top, b.width, b.height});
  return {r.left, r.top, r.width, r.height};
}

// Once shown, the frame is known: it must fit on the screen as well.
void KeepWholeOnScreen(QWidget& window) {
  const QSize frame = window.frameGeometry().size() - window.size();
  if (window.isMaximized() || frame.isNull()) return;
  const LayoutRect now{window.x(), window.y(), window.width(), window.height()};
  const LayoutRect placed = OnScreens(now, frame);
  if (placed == now) return;
  window.move(placed.left, placed.top);
  window.resize(placed.width, placed.height);
}

}  // namespace

TForm1::TForm1(std::string settingsFolder, std::vector<std::string> arguments, QWidget* parent)
    : QWidget(parent),
      settingsFolder_(std::move(settingsFolder)),
      settingsPath_(platform::SettingsFilePath(settingsFolder_)),
      arguments_(std::move(arguments)) {
  setWindowTitle(kCaption);
  Edit1 = new TInputField(this);
  MainMenu = new TMainMenu(*this);
  MainPanel = new QFrame(this);
  MainPanel->setObjectName(QStringLiteral("MainPanel"));
  MainPanel->installEventFilter(this);
  Image1 = new TPictureControl(MainPanel);
  ListBox3 = new TKeyListBox(MainPanel);
  BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                            QStringLiteral("中止"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn2->hide();
  connect(BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
  ConnectInput();
  resize(window_.bounds.width, window_.bounds.height);
  FormCreate();

  TDecodeAhead::Config ahead;
  ahead.enabled = DecodeAheadWantedByEnvironment();
  decodeAhead_ = std::make_unique<TDecodeAhead>(std::move(ahead));
  Form2 = new TForm2(this);
  Form2->setEmergencyMatcher([this](int virtualKey, int modifiers) {
    return keys_ && (*keys_)[NavAction::Emergency].Matches(static_cast<std::uint16_t>(virtualKey),
                                                           static_cast<ModifierSet>(modifiers));
  });
  connect(Form2, &TForm2::emergencyRequested, this, &TForm1::MinimiseWindow);
  Form2->PlaceAt(OnScreens(ViewBounds{
      temporary_->GetSlot(Slot::PreviewLeft), temporary_->GetSlot(Slot::PreviewTop),
      temporary_->GetSlot(Slot::PreviewWidth), temporary_->GetSlot(Slot::PreviewHeight)}));
}

TForm1::~TForm1() {
  if (!closed_) FormClose();
}

void TForm1::FormCreate() {
  general_ = std::make_unique<TGeneralManager>();
  temporary_ = std::make_unique<TTemporaryManager>();
  keys_ = std::make_unique<TVirtualKeys>();
  directories_ = std::make_unique<TDirectoryList>();
  directories_->SetPump([] { QCoreApplication::processEvents(); });
  colors_ = std::make_unique<TColorManager>();
  Edit1->Attach(general_.get(), temporary_.get());
  MainMenu->Attach(general_.get());
  // Without a settings file the window keeps its default bounds (placed by the system) and
  // font.
  if (LoadSettings(settingsPath_, *general_, *temporary_, *keys_, *colors_, window_))
    ApplyWindowSettings();
  MainMenu->SetOneKeyMode(general_->OneKey);
  SetInputFont(window_.font);
  keyMap_ = std::make_unique<TKeyMap>(general_->HeadFile, general_->TailFile, general_->KeyMapFile,
                                      settingsFolder_);
  if (!keyMap_->LoadError().empty()) {
    // Raised once the event loop runs, so that the top-level report shows it over the window.
    QTimer::singleShot(0, this,
                       [error = keyMap_->LoadError()] { throw std::runtime_error(error); });
  }
  files_ = std::make_unique<TFileList>(general_->ImageExtensions, general_->ListExtensions);
  files_->SetPump([] { QCoreApplication::processEvents(); });
  setAcceptDrops(true);
  SetStatusColor(StatusColor::Default);
  temporary_->InputLength = 0;
  temporary_->SetSlot(Slot::PendingArguments, static_cast<std::int32_t>(arguments_.size()));
  files_->SetRandomSeed(platform::ClockSeed());
  dispatcher_ = std::make_unique<TDispatcher>(
      DispatchContext{*this, *files_, *keyMap_, *directories_, *keys_, *general_, *temporary_});
  Edit1->SetKeyMap(keyMap_.get());
  Edit1->SetKeyDown([this](std::uint16_t& key, ModifierSet modifiers) {
    dispatcher_->Edit1KeyDown(Edit1->Text(), key, modifiers);
  });
  CreatePanels();
  TakeFileDropsFromFields();
}

void TForm1::ApplyWindowSettings() {
  // A size no screen can hold, or a place on a monitor since unplugged, would leave the window
  // out of reach; some platforms do not even survive painting a window that size.
  const WindowBounds& b = window_.bounds;
  const LayoutRect placed = OnScreens(LayoutRect{b.left, b.top, b.width, b.height});
  window_.bounds = {placed.left, placed.top, placed.width, placed.height};
  move(window_.bounds.left, window_.bounds.top);
  resize(window_.bounds.width, window_.bounds.height);
  if (window_.maximized) {
    setWindowState(windowState() | Qt::WindowMaximized);
    maximizedSinceStart_ = true;
  }
}

void TForm1::SetInputFont(const FontSettings& chosen) {
  FontSettings font = chosen;
  if (!FontSizeUsable(font.size)) font.size = window_.font.size;
  window_.font = font;
  QFont f = Edit1->font();
  f.setFamily(QString::fromStdString(font.name));
  if (FontSizeUsable(font.size)) {
    if (font.size > 0)
      f.setPointSize(font.size);
    else
      f.setPixelSize(-font.size);
  }
  f.setBold(font.style & kFontBold);
  f.setItalic(font.style & kFontItalic);
  f.setUnderline(font.style & kFontUnderline);
  f.setStrikeOut(font.style & kFontStrikeOut);
  f.setStyleName(QString::fromStdString(font.styleName));
  Edit1->setFont(f);
  QPalette p = Edit1->palette();
  p.setColor(QPalette::Text, FontColor(font.color, p));
  Edit1->setPalette(p);
  ArrangeControls();
}

void TForm1::SetStatusColor(StatusColor status) {
  if (!colors_) return;
  const TCS& c = (*colors_)[status];
  QPalette p = Edit1->palette();
  p.setColor(QPalette::Base, QColor(c.Red(), c.Green(), c.Blue()));
  Edit1->setPalette(p);
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TForm1::FormShow() {
  ArrangeControls();
  // Only the first showing: a later one must not bring back a preview the user has hidden.
  if (!previewPlaced_) {
    previewPlaced_ = true;
    KeepWholeOnScreen(*this);
    Form2->PlaceAt(OnScreens(ViewBounds{
        temporary_->GetSlot(Slot::PreviewLeft), temporary_->GetSlot(Slot::PreviewTop),
        temporary_->GetSlot(Slot::PreviewWidth), temporary_->GetSlot(Slot::PreviewHeight)}));
    if (temporary_->GetSlot(Slot::PreviewVisible) > 0) {
      Form2->show();
      KeepWholeOnScreen(*Form2);
    }
  }
  // Without a window manager nothing activates the window: the first argument opens anyway.
  QTimer::singleShot(0, this, [this] { FormActivate(); });
}

void TForm1::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (closed_) return;
  if (event->type() == QEvent::WindowStateChange && !isMaximized()) maximizedSinceStart_ = false;
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TForm1::FormActivate() {
  if (closed_ || temporary_->GetSlot(Slot::PendingArguments) <= 0) return;
  // Cleared first: opening lets events run, and another activation must not open it again.
  temporary_->SetSlot(Slot::PendingArguments, 0);
  OpenPath(arguments_.front());
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (!closed_) FormResize();
}

void TForm1::closeEvent(QCloseEvent* event) {
  const bool building = files_ && files_->busy();
  const bool searching = directories_ && directories_->busy();
  if (building || searching) {
    // A picture list build or a sub-folder search runs inside this very call stack: it must end
    // before the objects go.
    closeAfterBuild_ = true;
    if (building) files_->Abort();
    if (searching) directories_->Abort();
    event->ignore();
    return;
  }
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
  w.previewVisible = Form2->isVisible();
  const ViewBounds b = Form2->Bounds();
  w.preview = {b.left, b.top, b.width, b.height};
  return w;
}

void TForm1::FormClose() {
  closed_ = true;
  FreePanels();
  const std::string current = files_->GetCurrent();
  try {
    const ListPosition list{files_->Source(), current};
    SaveSettings(settingsPath_, *general_, *keys_, *colors_, CurrentWindowSettings(), list,
                 nullptr);
  } catch (const std::exception&) {
    // Shutdown goes on whatever happened to the settings.
  }
  Form2->hide();
  // Waits for a decode under way: none may outlive the window.
  decodeAhead_.reset();
  try {
    RecordInListFiles(current);
  } catch (const std::exception& e) {
    TApplication::ReportError(QString::fromUtf8(e.what()));
  }
  try {
    keyMap_->Save();
  } catch (const std::exception& e) {
    TApplication::ReportError(QString::fromUtf8(e.what()));
  }
  Edit1->SetKeyDown({});
  Edit1->SetKeyMap(nullptr);
  Edit1->Attach(nullptr, nullptr);
  MainMenu->Attach(nullptr);
  dispatcher_.reset();
  files_.reset();
  colors_.reset();
  keyMap_.reset();
  directories_.reset();
  keys_.reset();
  temporary_.reset();
  general_.reset();
}
