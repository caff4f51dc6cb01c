#pragma once
// The preferences panel: a panel inside the main window (not a dialog) that edits the options,
// the status colours and the navigation bindings as texts, with a colour sample and a key code
// monitor, and stores them back only on "登録(&R)".
//
// The main window owns it and plugs it in:
//   connect DisableMainInput / EnableMainInput / FocusMainInput to its own top-bar handling,
//   ArrangeRequested to ArrangeControls, SettingsChanged to whatever shows a setting
//   (Edit1's colour); Pref1Click calls Open(); ArrangeControls calls Arrange().
#include <QWidget>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class TColorManager;
class TVirtualKeys;

// The options the panel edits, wherever the program keeps them.
struct PrefOptions {
  bool& AutoComp;
  bool& AutoDelete;
  bool& EnterToCopy;
  bool& RelativePath;
  std::string& Language;           // "ja", "en" or empty for the system's; used from the next start
  std::string& SidecarExtensions;  // ".xmp …", blank-separated
};

class PrefPanel : public QWidget {
  Q_OBJECT

 public:
  // The objects must outlive the panel; they are read on Open and written on registering only.
  PrefPanel(PrefOptions options, TVirtualKeys& keys, TColorManager& colors,
            QWidget* parent = nullptr);

  // Pref1Click's part: disables the main input, fills the fields from the objects, shows the
  // panel, asks for an arrangement and focuses CheckBoxAutoComp. Earlier edits are dropped.
  void Open();

  // Lays the controls out, sizes the panel to them and centres it in a client area of the given
  // size whose top edge is at `top` in the parent's coordinates; an axis on which the panel does
  // not fit puts it at the area's edge. The panel is never shrunk.
  void Arrange(int clientWidth, int clientHeight, int top = 0);

  void ButtonPrefRegistClick();
  void ButtonPrefCloseClick();
  void EditColorSampleChange(const QString& text);
  void EditCodeSampleKeyDown(const QKeyEvent& event);

  QCheckBox* CheckBoxAutoComp;
  QCheckBox* CheckBoxAutoDelete;
  QCheckBox* CheckBoxCopyFixed;
  QCheckBox* CheckBoxListPath;
  QLineEdit* EditColorSample;
  QLabel* LabelColorSample;
  QLineEdit* EditStandardColor;
  QLineEdit* EditMoveColor;
  QLineEdit* EditCopyColor;
  QLineEdit* EditExtensionColor;
  QLineEdit* EditSameFileColor;
  QLineEdit* EditEmptyFolder;
  QLineEdit* EditFailColor;
  QLineEdit* EditCodeSample;
  QLabel* LabelCodeSample;
  QLineEdit* EditAutoComp;
  QLineEdit* EditPanic;
  QLineEdit* EditOneKey;
  QLineEdit* EditPrevious;
  QLineEdit* EditNext;
  QLineEdit* EditHead;
  QLineEdit* EditTail;
  QLineEdit* EditUp;
  QLineEdit* EditDown;
  QLineEdit* EditLeft;
  QLineEdit* EditRight;
  QLineEdit* Edit270;
  QLineEdit* Edit90;
  QLineEdit* EditParentDir;
  QLineEdit* EditChildDir;
  QLineEdit* EditPreviousDir;
  QLineEdit* EditNextDir;
  QLineEdit* EditFullScreen;
  QLineEdit* EditUndo;
  QLineEdit* EditRedo;
  QLineEdit* EditTrash;
  QComboBox* ComboBoxLanguage;
  QLineEdit* EditSidecarExtensions;
  QPushButton* ButtonPrefRegist;
  QPushButton* ButtonPrefClose;

 signals:
  // Disable ButtonMenu, ButtonOneKey and Edit1: emitted by Open before the panel shows.
  void DisableMainInput();
  // Re-enable them: emitted after the panel hides, by registering and by closing.
  void EnableMainInput();
  // Give Edit1 the focus: emitted right after EnableMainInput.
  void FocusMainInput();
  // The panel became visible and needs its place: run ArrangeControls.
  void ArrangeRequested();
  // Registering stored the fields into the objects (emitted before EnableMainInput).
  void SettingsChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  struct RowItem {
    QWidget* widget;
    bool field;  // fields set the row's top; labels stand 4 lower
    int gapAfter;
  };
  using Row = std::vector<RowItem>;

  void Close();
  void FillFields();
  void StoreFields();
  // Returns the bottom of the row's lowest field.
  int PlaceRow(const Row& row, int top) const;
  // The label beside a binding field names the key its code stands for.
  QLabel* AddBindingName(QLineEdit* field);

  PrefOptions options_;
  TVirtualKeys& keys_;
  TColorManager& colors_;
  std::vector<Row> rows_;  // below the check boxes, top to bottom
  Row fileRow_;            // on the buttons' line
};
