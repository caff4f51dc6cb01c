#pragma once
// The main window: the input field Edit1 across the top and the picture area MainPanel below.
// It owns the program's objects and hands each surface what it needs; the surfaces themselves
// (viewport, panels, preview window, dispatcher) are widget classes of their own, owned here.
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/GeneralManager.h"
#include "app/Settings.h"
#include "app/TemporaryManager.h"
#include "config/ColorManager.h"
#include "config/VirtualKeys.h"

class QFrame;
class QLineEdit;

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  // settingsFolder: where sortivo.ini is read and written (created on first save).
  // arguments: the command line without the program; only the first is ever opened.
  TForm1(std::string settingsFolder, std::vector<std::string> arguments, QWidget* parent = nullptr);
  ~TForm1() override;

  QLineEdit* Edit1 = nullptr;
  QFrame* MainPanel = nullptr;

  // Valid from construction until the window is closed.
  TGeneralManager& General() { return *general_; }
  TTemporaryManager& Temporary() { return *temporary_; }
  TVirtualKeys& VirtualKeys() { return *keys_; }
  TColorManager& Colors() { return *colors_; }

  const std::string& SettingsPath() const { return settingsPath_; }

  // Paints Edit1's background with a status colour.
  void SetStatusColor(StatusColor status);
  // The input field's font, applied now and saved at shutdown.
  void SetInputFont(const FontSettings& font);
  const FontSettings& InputFont() const { return window_.font; }
  // Places the controls from the client size and Edit1's height.
  void ArrangeControls();

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FormCreate();
  void FormShow();
  void FormActivate();
  void FormClose();

  void ApplyWindowSettings();
  WindowSettings CurrentWindowSettings() const;

  std::string settingsPath_;
  std::vector<std::string> arguments_;
  WindowSettings window_;  // as designed until the settings file is read
  bool closed_ = false;
  // Opened maximized and never restored since: the normal bounds are still those read, which
  // the toolkit cannot tell in frame terms for a window maximized before it was shown.
  bool maximizedSinceStart_ = false;

  // Created in this order by FormCreate, freed in the order FormClose gives.
  std::unique_ptr<TGeneralManager> general_;
  std::unique_ptr<TTemporaryManager> temporary_;
  std::unique_ptr<TVirtualKeys> keys_;
  // The directory list comes here.
  std::unique_ptr<TColorManager> colors_;
  // The key map and the picture list come here.
};
