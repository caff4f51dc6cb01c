#pragma once
// The key registration panel: covers the picture area while the user binds keys to destination
// folders or list files. The left column ListBox1 lists the sub-folders of a folder dropped on
// it; the right-hand column holds the path, key, move-only mark, reminder and section fields,
// the three buttons and ListBox2, which shows the lines of the chosen section.
//
// The main window owns the panel and wires it in: it calls Open() from its key menu command,
// Arrange() from its own arrangement (after placing the panel), FilesDropped() for drops while
// the panel is shown, and answers mainInputDisabled / mainInputEnabled / arrangeRequested.
// Edits reach only the key map in memory; the key map writes its files at shutdown.
#include <QMessageBox>
#include <QWidget>
#include <functional>
#include <string>

#include "platform/Pump.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class TDirectoryList;
class TKeyMap;

class KeyPanel : public QWidget {
  Q_OBJECT

 public:
  using BeepFunction = std::function<void()>;
  // Receives the question's text; answers Yes or No.
  using ConfirmFunction = std::function<QMessageBox::StandardButton(const QString& text)>;

  // The rightmost divider position leaves the right-hand column at least this wide.
  static constexpr int kMinColumnWidth = 120;
  static constexpr int kGap = 4;

  // The key map, the directory list and the two extension texts (picture and list file
  // extensions, each with its dot, blank-separated; read at each use) must outlive the panel.
  // The panel installs its pump (by default one round of QCoreApplication::processEvents) into
  // the directory list, whose search only it starts. The panel starts hidden.
  KeyPanel(TKeyMap& keyMap, TDirectoryList& directories, const std::string& imageExtensions,
           const std::string& listExtensions, QWidget* parent = nullptr);

  // Refused input is reported by this; QApplication::beep unless replaced.
  void SetBeep(BeepFunction beep) { beep_ = std::move(beep); }
  // The overwrite question; a modal Yes/No box unless replaced.
  void SetConfirm(ConfirmFunction confirm) { confirm_ = std::move(confirm); }
  void SetPump(platform::PumpCallback pump);

  // The width of ListBox1, the "DirectoryListWidth" setting: applied at the next Arrange(),
  // changed by the divider drag.
  void SetDirectoryListWidth(int width) { listWidth_ = width; }
  int DirectoryListWidth() const { return listWidth_; }

  // Shows the panel (see Key1Click of the main window): disables the main input, focuses
  // EditPath, shows the key map's selected section, and asks for an arrangement.
  void Open();
  // Places the controls inside the panel from its current size and refills the section names.
  void Arrange();
  // A drop on the main window while the panel is shown. target is the widget under the drop
  // point. False when the panel is hidden: the drop is not the panel's, the caller opens it.
  bool FilesDropped(const QString& path, QWidget* target);
  // Whether w is ListBox1 or lies on it (its viewport, or the abort button covering it).
  bool IsOnDirectoryList(const QWidget* w) const;
  // The divider between ListBox1 and the right-hand column is being dragged.
  bool DividerDragging() const { return dividerDragging_; }

  void ButtonKeyRegistClick();
  void ButtonKeyDeleteClick();
  void ButtonKeyEndClick();
  void ComboBoxSectionsChange(const QString& text);
  void ListBox1Click();
  void ListBox2Click();
  void BitBtn1Click();

  QListWidget* ListBox1;
  QPushButton* BitBtn1;
  QLabel* LabelPath;
  QLineEdit* EditPath;
  QLabel* LabelKey;
  QLineEdit* EditKey;
  QCheckBox* CheckBoxMoveOnly;
  QLabel* LabelReminder;
  QLineEdit* EditReminder;
  QComboBox* ComboBoxSections;
  QLabel* LabelRegist;
  QPushButton* ButtonKeyDelete;
  QPushButton* ButtonKeyRegist;
  QPushButton* ButtonKeyEnd;
  QListWidget* ListBox2;

 signals:
  // The main window disables its menu button, one-key button and input field.
  void mainInputDisabled();
  // ... enables them again and focuses its input field.
  void mainInputEnabled();
  // The main window runs its arrangement (which calls Arrange()).
  void arrangeRequested();
  // The key map's selected section changed here, so the input field now consults name.
  void selectedSectionChanged(const QString& name);

 protected:
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void CreateControls();
  void Refuse(QWidget* focus);
  void RefuseEmpty(QLineEdit* field);
  bool CheckDestination(const std::string& path) const;
  void ShowSectionLines(const QString& section);
  void SetSectionText(const QString& text);
  void SearchDropped(const QString& path);
  void ShowSearchResult();
  int ShownListWidth(int requested) const;
  bool OnDivider(int x) const;

  TKeyMap& keyMap_;
  TDirectoryList& directories_;
  const std::string& imageExtensions_;
  const std::string& listExtensions_;
  BeepFunction beep_;
  ConfirmFunction confirm_;
  int listWidth_ = 300;
  bool dividerDragging_ = false;
  int dragStartX_ = 0;
};
