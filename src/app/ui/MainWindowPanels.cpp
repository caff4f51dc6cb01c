// The two panels that cover the picture area: key registration and preferences. While either is
// open the top bar is disabled, so no key command runs behind it.
#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include "app/ui/FileDrops.h"
#include "app/ui/MainWindow.h"
#include "config/ui/PrefPanel.h"
#include "keymap/ui/KeyPanel.h"

void TForm1::CreatePanels() {
  SetKeyPanelDropHandler([this](const std::string& path, const QPoint& globalPos) {
    if (closed_ || !keyPanel_ || keyPanel_->isHidden()) return false;
    // The preview window may float over the drop point: only this window's controls count.
    QWidget* target = QApplication::widgetAt(globalPos);
    if (!target || target->window() != this) target = childAt(mapFromGlobal(globalPos));
    const bool taken = keyPanel_->FilesDropped(QString::fromStdString(path), target);
    // A close that came while a sub-folder search ran waited for it to end.
    if (closeAfterBuild_) QTimer::singleShot(0, this, &QWidget::close);
    return taken;
  });
}

KeyPanel* TForm1::OpenedKeyPanel() {
  if (keyPanel_) return keyPanel_;
  TSortingSession& s = *session_;
  keyPanel_ = new KeyPanel(s.KeyMap(), s.Directories(), s.General().ImageExtensions,
                           s.General().ListExtensions, this);
  keyPanel_->SetDirectoryListWidth(window_.directoryListWidth);
  connect(keyPanel_, &KeyPanel::mainInputDisabled, this, &TForm1::DisableMainInput);
  connect(keyPanel_, &KeyPanel::mainInputEnabled, this, &TForm1::EnableMainInput);
  connect(keyPanel_, &KeyPanel::arrangeRequested, this, [this] { ArrangeControls(); });
  // selectedSectionChanged needs no answer: the input field reads the key map's selection.
  if (fileDrops_) fileDrops_->Watch(*keyPanel_);
  return keyPanel_;
}

PrefPanel* TForm1::OpenedPrefPanel() {
  if (prefPanel_) return prefPanel_;
  TGeneralManager& g = session_->General();
  prefPanel_ = new PrefPanel(
      {g.AutoComp, g.AutoDelete, g.EnterToCopy, g.RelativePath, g.Language, g.SidecarExtensions},
      session_->VirtualKeys(), session_->Colors(), this);
  connect(prefPanel_, &PrefPanel::DisableMainInput, this, &TForm1::DisableMainInput);
  connect(prefPanel_, &PrefPanel::EnableMainInput, this, &TForm1::EnableMainInput);
  connect(prefPanel_, &PrefPanel::FocusMainInput, this, [this] { Edit1->setFocus(); });
  connect(prefPanel_, &PrefPanel::ArrangeRequested, this, [this] { ArrangeControls(); });
  connect(prefPanel_, &PrefPanel::SettingsChanged, this, [this] {
    SetStatus(StatusColor::Default);
    Edit1->update();
    MainPanel->UpdateHint();  // it names the bindings
  });
  if (fileDrops_) fileDrops_->Watch(*prefPanel_);
  return prefPanel_;
}

void TForm1::FreePanels() {
  // The panels hold references to the objects FormClose frees next.
  SetKeyPanelDropHandler({});
  if (keyPanel_) window_.directoryListWidth = keyPanel_->DirectoryListWidth();
  delete keyPanel_;
  keyPanel_ = nullptr;
  delete prefPanel_;
  prefPanel_ = nullptr;
}

void TForm1::Key1Click() {
  if (!closed_) OpenedKeyPanel()->Open();
}

void TForm1::Pref1Click() {
  if (!closed_) OpenedPrefPanel()->Open();
}
