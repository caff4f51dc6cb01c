#include "app/ui/MainWindow.h"

#include <cmath>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPalette>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <stdexcept>

#include "SortivoVersion.h"
#include "app/EarlyOpen.h"
#include "app/ui/Application.h"
#include "app/ui/FileDrops.h"
#include "app/ui/ScreenPlacement.h"
#include "app/ui/Translations.h"
#include "config/ui/KeyCodes.h"
#include "view/DecodeAhead.h"
#include "view/ui/PreviewWindow.h"

namespace {

const QString kCaption = QString::fromUtf8(kSortivoCaption);

}  // namespace

TForm1::TForm1(std::string settingsFolder, std::vector<std::string> arguments, QWidget* parent)
    : QWidget(parent) {
  setWindowTitle(kCaption);
  Edit1 = new TInputField(this);
  MainMenu = new TMainMenu(*this);
  MainPanel = new TPictureArea(this);
  Image1 = MainPanel->Image1;
  ListBox3 = new TKeyListBox(MainPanel);
  BitBtn2 = new QPushButton(tr("中止"), this);  // its icon when first shown, as BitBtn1's
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn2->hide();
  connect(BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
  ConnectInput();
  resize(window_.bounds.width, window_.bounds.height);
  FormCreate(std::move(settingsFolder), std::move(arguments));

  TDecodeAhead::Config ahead;
  ahead.enabled = DecodeAheadWantedByEnvironment();
  decodeAhead_ = std::make_unique<TDecodeAhead>(std::move(ahead));
  Form2 = new TForm2(this);
  MainPanel->Attach(session_.get(), decodeAhead_.get(), Form2);
  Form2->setEmergencyMatcher([this](const QKeyEvent& event) {
    const KeyStroke k = TranslateKeyEvent(event);
    return session_ && session_->IsPanicKey(static_cast<std::uint16_t>(k.virtualKey), k.modifiers);
  });
  // As the key does in the main window: out of full screen first.
  connect(Form2, &TForm2::emergencyRequested, this, [this] {
    if (isFullScreen()) return ToggleFullScreen();
    MinimiseWindow();
  });
  PlacePreview();
}

TForm1::~TForm1() {
  if (!closed_) FormClose();
}

void TForm1::FormCreate(std::string settingsFolder, std::vector<std::string> arguments) {
  session_ = std::make_unique<TSortingSession>(*this, settingsFolder, std::move(arguments), window_,
                                               [] { QCoreApplication::processEvents(); });
  TSortingSession& s = *session_;
  s.SetTrash(&trash_);
  MainPanel->Attach(session_.get(), nullptr, nullptr);
  Edit1->Attach(&s.General(), &s.Temporary());
  MainMenu->Attach(&s.General(), &s.VirtualKeys());
  // Without a settings file the window keeps its default bounds (placed by the system) and
  // font.
  if (s.SettingsRead()) normalBounds_.Apply(*this, window_.bounds, window_.maximized);
  MainMenu->SetOneKeyMode(s.General().OneKey);
  SetInputFont(window_.font);
  if (!s.KeyMap().LoadError().empty()) {
    // Raised once the event loop runs, so that the top-level report shows it over the window.
    QTimer::singleShot(0, this,
                       [error = s.KeyMap().LoadError()] { throw std::runtime_error(error); });
  }
  // What could not be read of the steps of earlier runs is told once, the same way.
  if (std::optional<TUserText> report = s.TakeJournalReport())
    QTimer::singleShot(0, this, [report = *report] { throw TUserError(report); });
  SetStatus(StatusColor::Default);
  Edit1->SetKeyMap(&s.KeyMap());
  Edit1->SetKeyDown([this](std::uint16_t& key, ModifierSet modifiers) {
    session_->Dispatcher().Edit1KeyDown(Edit1->Text(), key, modifiers);
  });
  CreatePanels();
  fileDrops_ = new TFileDrops(*this, [this](const std::string& path, const QPoint& globalPos) {
    FilesDropped(path, globalPos);
  });
}

void TForm1::SetInputFont(const FontSettings& chosen) {
  FontSettings font = chosen;
  if (!FontSizeUsable(font.size)) font.size = window_.font.size;
  window_.font = font;
  Edit1->ApplyFont(font);
  ArrangeControls();
}

void TForm1::SetStatus(StatusColor status) {
  if (!session_) return;
  const TCS& c = session_->Colors()[status];
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
    if (early_) early_->SetDisplayOptions(MainPanel->DisplayOptions());
    PlacePreview();
    if (session_->Temporary().GetSlot(Slot::PreviewVisible) > 0) {
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
  if (event->type() == QEvent::WindowStateChange) normalBounds_.StateChanged(*this);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TForm1::FormActivate() {
  if (closed_ || MainPanel->WaitsForEarlyPaint()) return;
  if (early_) {
    if (MainPanel->ShowEarly(*early_, [this] { FormActivate(); })) return;
    early_->HandOver(*session_, decodeAhead_.get());
    early_.reset();
  }
  // The hint waited for the argument to be opened: it is placed again whatever came of that.
  const bool opensArgument = session_->Temporary().GetSlot(Slot::PendingArguments) > 0;
  try {
    session_->OpenPendingArgument();
  } catch (...) {
    if (opensArgument) MainPanel->UpdateHint();
    throw;
  }
  MainPanel->EndEarly();
  if (opensArgument) MainPanel->UpdateHint();
}

void TForm1::SetEarlyOpen(std::unique_ptr<TEarlyOpen> early) {
  early_ = std::move(early);
  // Otherwise once the first showing has placed the window on its screen.
  if (early_ && previewPlaced_) early_->SetDisplayOptions(MainPanel->DisplayOptions());
}

void TForm1::PlacePreview() {
  const TTemporaryManager& t = session_->Temporary();
  Form2->PlaceAt(
      OnScreens(PixelRect{t.GetSlot(Slot::PreviewLeft), t.GetSlot(Slot::PreviewTop),
                          t.GetSlot(Slot::PreviewWidth), t.GetSlot(Slot::PreviewHeight)}));
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (closed_) return;
  ArrangeControls();
  FitPicture();
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (session_ && session_->StopRunningWork()) {
    // A picture list build or a sub-folder search runs inside this very call stack: it must end
    // before the objects go.
    closeAfterBuild_ = true;
    event->ignore();
    return;
  }
  if (!closed_) FormClose();
  event->accept();
}

WindowSettings TForm1::CurrentWindowSettings() const {
  WindowSettings w = window_;
  w.maximized = isMaximized();
  w.bounds = normalBounds_.Current(*this, window_.bounds);
  w.previewVisible = Form2->isVisible();
  w.preview = Form2->Bounds();
  w.pixelRatioPercent = static_cast<std::int32_t>(std::lround(devicePixelRatioF() * 100));
  return w;
}

void TForm1::FormClose() {
  closed_ = true;
  delete fileDrops_;
  fileDrops_ = nullptr;
  MainPanel->Attach(nullptr, nullptr, nullptr);
  FreePanels();
  const WindowSettings window = CurrentWindowSettings();
  Form2->hide();
  // Waits for a decode under way: none may outlive the window.
  early_.reset();
  decodeAhead_.reset();
  for (const TUserText& error : session_->Close(window))
    TApplication::ReportError(TranslateText(error));
  Edit1->SetKeyDown({});
  Edit1->SetKeyMap(nullptr);
  Edit1->Attach(nullptr, nullptr);
  MainMenu->Attach(nullptr, nullptr);
  session_.reset();
}

void TForm1::HidePreview() {
  if (Form2->isVisible()) Form2->hide();
}
