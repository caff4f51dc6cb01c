#pragma once
// The top bar's two buttons and the program's one menu. ButtonMenu opens the menu under itself
// (Alt+F); ButtonOneKey switches one-key mode (Alt+1) and shows the mode in its caption.
//
// The main window creates it with itself as parent (the buttons become its children) and plugs
// it in: the menu items' triggered signals go to its handlers (Key1Click, Pref1Click ...);
// arrangeRequested goes to ArrangeControls; inputFontChosen records the font for the settings;
// SetOneKeyMode serves the dispatcher's target; MenuButtonWidth and OneKeyButtonWidth feed
// the layout. Attach the settings and the bindings once they exist.
#include <QFont>
#include <QMenu>
#include <functional>
#include <optional>

#include "app/Settings.h"

class QAction;
class QLineEdit;
class QPushButton;
class TGeneralManager;
class TVirtualKeys;

// The stored form of a chosen font: its family, size (points, or minus the pixels for a font
// sized in pixels) and style; the colour and character set stay those of stored.
FontSettings InputFontSettings(const QFont& font, FontSettings stored);

class TMainMenu : public QMenu {
  Q_OBJECT

 public:
  // Runs a font dialog from the given font; nullopt when the user cancels.
  using FontChooser = std::function<std::optional<QFont>(const QFont& initial, QWidget* parent)>;

  // window: the main window, parent of the buttons and the menu.
  explicit TMainMenu(QWidget& window);

  // The two buttons and the input field beside them, off while a panel covers the picture
  // area; turned on, the field takes the focus.
  void SetTopBarEnabled(QWidget& input, bool enabled);

  // The settings holding OneKey, and the bindings whose keys the undo, redo and trash items
  // show; null until they exist and once they are gone, when the one-key button only shows the
  // mode it is given and the items no keys. The keys stay the dispatcher's: the items only show
  // them.
  void Attach(TGeneralManager* general, const TVirtualKeys* keys) {
    general_ = general;
    keys_ = keys;
    ShowBindings();
  }

  QPushButton* ButtonMenu;
  QPushButton* ButtonOneKey;

  QAction* Key1;
  QAction* Pref1;
  QAction* Open1;
  QAction* Resume1;
  QAction* Font1;
  QAction* N1;
  QAction* Default2;
  QAction* Ascending2;
  QAction* Descending2;
  QAction* Shuffle2;
  QAction* N2;
  QAction* Undo1;
  QAction* Redo1;
  QAction* Trash1;
  QAction* N3;
  QAction* QuitX1;

  // The QFontDialog unless replaced.
  void SetFontChooser(FontChooser chooser) { chooseFont_ = std::move(chooser); }

  // Sets OneKey to on, and the one-key button's caption says so.
  void SetOneKeyMode(bool on);
  void ButtonOneKeyClick();
  void ButtonMenuClick();
  // The screen point where the menu opens: the bottom-left corner of ButtonMenu.
  QPoint MenuPoint() const;
  // Lets the user choose the input field's font from a copy of its own.
  void Font1Click(QLineEdit& edit);

  // The undo, redo and trash items' captions with their bindings' current keys; run whenever
  // the menu opens, so a key changed on the preferences panel shows at once.
  void ShowBindings();

  // A button caption's width as the layout wants it: the text with one more "&", every "&"
  // measured as an ordinary character, in the window's font.
  static int CaptionWidth(const QFont& font, const QString& caption);
  int MenuButtonWidth() const;
  int OneKeyButtonWidth() const;

 signals:
  void arrangeRequested();
  void inputFontChosen(const QFont& font);

 private:
  QWidget& window_;
  TGeneralManager* general_ = nullptr;
  const TVirtualKeys* keys_ = nullptr;
  FontChooser chooseFont_;
};
