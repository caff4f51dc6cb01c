#include "app/ui/KeyListBox.h"

#include <QMouseEvent>
#include <QScopedValueRollback>

#include "app/Dispatcher.h"

TKeyListBox::TKeyListBox(QWidget* parent) : QListWidget(parent) {
  setObjectName(QStringLiteral("ListBox3"));
  setSelectionMode(QAbstractItemView::SingleSelection);
  hide();
  connect(this, &QListWidget::currentRowChanged, this, &TKeyListBox::CurrentRowChanged);
}

void TKeyListBox::ShowRows(const std::vector<std::string>& rows) {
  {
    const QScopedValueRollback quiet(quiet_, true);
    clear();
    rows_.clear();
    rows_.reserve(rows.size() + 1);
    rows_.push_back(CloseRow().toStdString());
    rows_.insert(rows_.end(), rows.begin(), rows.end());
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(rows_.size()));
    for (const std::string& r : rows_) texts << QString::fromStdString(r);
    addItems(texts);
    setCurrentRow(-1);
  }
  show();
}

int TKeyListBox::WantedHeight() const {
  const int rowHeight = count() > 0 ? sizeHintForRow(0) : fontMetrics().height();
  return count() * rowHeight + 2 * frameWidth();
}

void TKeyListBox::focusInEvent(QFocusEvent* event) {
  {
    // The view makes its first row current on focus when none is; that is no choice either.
    const QScopedValueRollback quiet(quiet_, true);
    QListWidget::focusInEvent(event);
    ListBox3Enter();
  }
}

void TKeyListBox::ListBox3Enter() {
  if (count() > 1) setCurrentRow(1);
}

void TKeyListBox::mousePressEvent(QMouseEvent* event) {
  const int before = currentRow();
  QListWidget::mousePressEvent(event);
  // A click on the row already chosen chooses it again, so a key written into the field and
  // then edited there can be had back.
  const QListWidgetItem* hit = itemAt(event->position().toPoint());
  if (hit && event->button() == Qt::LeftButton && row(hit) == before && currentRow() == before)
    ListBox3Click(before);
}

void TKeyListBox::CurrentRowChanged(int row) {
  if (!quiet_ && row >= 0) ListBox3Click(row);
}

void TKeyListBox::ListBox3Click(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return;
  if (row == 0) {
    hide();
    emit closed();
    return;
  }
  const std::string text = KeyListRowText(rows_, static_cast<std::size_t>(row));
  if (!text.empty()) emit keyChosen(QString::fromStdString(text));
}
