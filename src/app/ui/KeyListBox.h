#pragma once
// The key list box ListBox3: the rows of a key search, shown under the input field over the
// picture area. Row 0 closes it; choosing an entry or reminder row writes "key:section" for the
// input field.
//
// The main window makes it a child of MainPanel and plugs it in: ShowKeyList calls ShowRows and
// then arranges (giving it WantedHeight()); keyChosen sets the input field's text; closed asks
// for the focus to go back to the input field.
#include <QListWidget>
#include <string>
#include <vector>

class TKeyListBox : public QListWidget {
  Q_OBJECT

 public:
  // The first row's text, which closes the list.
  static QString CloseRow() { return tr("閉じる"); }

  explicit TKeyListBox(QWidget* parent = nullptr);

  // Row 0 becomes the close row, the search rows follow, and the list is shown with nothing
  // selected. Earlier rows go.
  void ShowRows(const std::vector<std::string>& rows);
  // The outer height that shows every row.
  int WantedHeight() const;
  // The rows as the core sees them, the close row first.
  const std::vector<std::string>& Rows() const { return rows_; }

  void ListBox3Click(int row);

 signals:
  void keyChosen(const QString& text);
  void closed();

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void ListBox3Enter();
  void CurrentRowChanged(int row);

  std::vector<std::string> rows_;
  // The program's own moves of the selection are not the user's choice.
  bool quiet_ = false;
};
