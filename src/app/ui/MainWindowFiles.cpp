// Drops, the abort button, and the menu's file commands: showing a folder, resuming and the
// orders of the picture list.
#include <QDesktopServices>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QUrl>

#include "app/ui/MainWindow.h"

void TForm1::SetAbortButtonShown(bool shown) {
  if (shown && BitBtn2->icon().isNull())
    BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  BitBtn2->setVisible(shown);
  if (shown) BitBtn2->raise();
}

bool TForm1::CloseRequestedDuringBuild() {
  if (closeAfterBuild_) QTimer::singleShot(0, this, &QWidget::close);
  return closeAfterBuild_;
}

void TForm1::FilesDropped(const std::string& path, const QPoint& globalPos) {
  // The key registration panel, while shown, decides what a drop means to it.
  if (keyPanelDrop_ && keyPanelDrop_(path, globalPos)) return;
  session_->OpenPath(path);
}

void TForm1::Open1Click() {
  const std::string folder = session_->FolderToShow(Edit1->text().toStdString());
  if (folder.empty()) return;
  if (folderOpener_)
    folderOpener_(folder);
  else
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
}
