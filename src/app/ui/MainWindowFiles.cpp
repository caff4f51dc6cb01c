// Opening, drops, resuming, list files, moving and copying the current picture, stepping, and
// the orders of the picture list.
#include <fcntl.h>
#include <unistd.h>

#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "app/ui/MainWindow.h"
#include "files/MainLib.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"

namespace {

bool Exists(const std::string& path) {
  const platform::PathKind kind = platform::KindOf(path);
  return kind == platform::PathKind::File || kind == platform::PathKind::Directory;
}

// Appends one line; throws with the list file's path when it cannot be written whole.
void AppendLine(const std::string& listFile, const std::string& line) {
  const int fd = ::open(listFile.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0)
    throw std::runtime_error("ファイル " + listFile + " に書き込めません: " + std::strerror(errno));
  const std::string text = line + "\r\n";
  std::size_t done = 0;
  int error = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : EIO;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0)
    throw std::runtime_error("ファイル " + listFile + " に書き込めません: " + std::strerror(error));
}

// A guard that hides the abort button on every way out of a build, unless told to keep it.
class AbortButtonShown {
 public:
  explicit AbortButtonShown(QPushButton* button) : button_(button) {
    button_->show();
    button_->raise();
  }
  ~AbortButtonShown() {
    if (!keep_) button_->hide();
  }
  void Keep() { keep_ = true; }

 private:
  QPushButton* button_;
  bool keep_ = false;
};

}  // namespace

void TForm1::RecordInListFiles(const std::string& picture) {
  std::vector<std::string>& pending = temporary_->PendingListFiles;
  std::size_t written = 0;
  try {
    for (; written < pending.size(); ++written)
      AppendLine(pending[written],
                 TFileList::ListFileLine(picture, pending[written], general_->RelativePath));
  } catch (...) {
    // Only the failing list file and those after it still wait for this picture.
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(written));
    throw;
  }
  pending.clear();
}

void TForm1::ShowEmpty() {
  SetStatusColor(StatusColor::Empty);
  setWindowTitle(QStringLiteral("Empty: ") + QString::fromStdString(files_->Source()));
}

void TForm1::FinishBuild(const TFileList::OpenResult& result) {
  if (!result.first.empty())
    PresentPicture(result.first);
  else
    ShowEmpty();
}

void TForm1::OpenPath(const std::string& path) {
  SetStatusColor(StatusColor::Default);
  if (!Exists(path)) return;
  const std::string source = ReplaceDoubledSeparators(path);
  TFileList::OpenResult result;
  {
    AbortButtonShown abort(BitBtn2);
    RecordInListFiles(files_->GetCurrent());
    result = files_->Open(source);
    // A refused open leaves the button to the build that runs.
    if (!result.accepted) abort.Keep();
  }
  if (closeAfterBuild_) {
    QTimer::singleShot(0, this, &QWidget::close);
    return;
  }
  if (result.accepted) FinishBuild(result);
}

void TForm1::Default2Click() {
  TFileList::OpenResult result;
  {
    AbortButtonShown abort(BitBtn2);
    RecordInListFiles(files_->GetCurrent());
    result = files_->Reload();
    if (!result.accepted) abort.Keep();
  }
  if (closeAfterBuild_) {
    QTimer::singleShot(0, this, &QWidget::close);
    return;
  }
  if (result.accepted) FinishBuild(result);
}

// A new order leaves the picture on screen: it goes into its list files now, since the list's
// previous path still names the picture before it (or nothing, right after opening).
void TForm1::Ascending2Click() {
  RecordInListFiles(files_->GetCurrent());
  PresentPicture(files_->SortAscending());
}

void TForm1::Descending2Click() {
  RecordInListFiles(files_->GetCurrent());
  PresentPicture(files_->SortDescending());
}

void TForm1::Shuffle2Click() {
  RecordInListFiles(files_->GetCurrent());
  PresentPicture(files_->Shuffle());
}

void TForm1::BitBtn2Click() {
  if (files_) files_->Abort();
}

void TForm1::FilesDropped(const std::string& path, const QPoint& globalPos) {
  // The key registration panel, while shown, decides what a drop means to it.
  if (keyPanelDrop_ && keyPanelDrop_(path, globalPos)) return;
  OpenPath(path);
}

bool TForm1::TakeFileDrop(QWidget* on, QEvent* event) {
  if (closed_) return false;
  // Enter and move events are drop events too, so one cast serves all three.
  auto* drag = static_cast<QDropEvent*>(event);
  const QMimeData* mime = drag->mimeData();
  if (!mime || !mime->hasUrls()) return false;
  for (const QUrl& url : mime->urls()) {
    if (!url.isLocalFile()) continue;
    const QString path = url.toLocalFile();
    drag->acceptProposedAction();
    if (event->type() == QEvent::Drop)
      FilesDropped(path.toStdString(), on->mapToGlobal(drag->position().toPoint()));
    return true;
  }
  return false;
}

void TForm1::TakeFileDropsFromFields() {
  // A field would take a dropped file as text and type its path into itself.
  for (QWidget* w : findChildren<QWidget*>())
    if (w->acceptDrops()) w->installEventFilter(this);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  TakeFileDrop(this, event);
}

void TForm1::dragMoveEvent(QDragMoveEvent* event) {
  TakeFileDrop(this, event);
}

void TForm1::dropEvent(QDropEvent* event) {
  TakeFileDrop(this, event);
}

void TForm1::ShowFolder(const std::string& folder) {
  if (folderOpener_)
    folderOpener_(folder);
  else
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
}

void TForm1::Open1Click() {
  const std::string text = Edit1->text().toStdString();
  const std::string target = text.empty() ? files_->Source() : keyMap_->PathOfKey(text);
  if (target.empty()) return;
  if (platform::DirectoryExists(target))
    ShowFolder(target);
  else if (platform::FileExists(target))
    ShowFolder(platform::ExtractFileDir(target, platform::kNativeStyle));
}

void TForm1::Resume1Click() {
  Edit1->setFocus();
  const std::string lastDirectory = temporary_->LastDirectory;
  const std::string lastFile = temporary_->LastFile;
  if (lastDirectory.empty() && lastFile.empty()) return;
  if (platform::FileExists(lastDirectory)) {
    OpenPath(lastDirectory);
    if (!closed_) PresentPicture(files_->Locate(lastFile));
  } else if (platform::FileExists(lastFile)) {
    OpenPath(lastFile);
  } else if (platform::DirectoryExists(lastDirectory)) {
    OpenPath(lastDirectory);
  }
}

void TForm1::MovePicture(const std::string& source, const std::string& folder) {
  const FileOperationResult r = MoveToFolder(source, folder);
  if (!r.ok) {
    SetStatusColor(r.outcome == FileOutcome::AlreadyThere ? StatusColor::SameFile
                                                          : StatusColor::Error);
    return;
  }
  if (r.outcome == FileOutcome::Moved) {
    SetStatusColor(StatusColor::Move);
    files_->ReplaceCurrent(r.newPath);
  } else {
    // Copied, but the source could not be removed: both are listed, the source stays current.
    SetStatusColor(StatusColor::Error);
    files_->InsertBeforeCurrent(r.newPath);
  }
  ShowNext();
}

void TForm1::CopyPicture(const std::string& source, const std::string& folder) {
  const FileOperationResult r = CopyToFolder(source, folder);
  if (!r.ok) {
    SetStatusColor(r.outcome == FileOutcome::AlreadyThere ? StatusColor::SameFile
                                                          : StatusColor::Error);
    return;
  }
  SetStatusColor(StatusColor::Copy);
  files_->InsertBeforeCurrent(r.newPath);
}

void TForm1::ShowNext() {
  // Each round drops a vanished entry, so the list bounds the retries.
  for (int tries = files_->Count() + 1; tries > 0; --tries) {
    const std::string path = files_->StepNext();
    if (path.empty()) {
      SetStatusColor(StatusColor::Empty);
      if (files_->Count() == 0) ShowEmpty();
      return;
    }
    if (platform::FileExists(path)) return PresentPicture(path);
  }
}

void TForm1::ShowPrevious() {
  for (int tries = files_->Count() + 1; tries > 0; --tries) {
    const std::string path = files_->StepPrevious();
    if (path.empty()) {
      SetStatusColor(StatusColor::Empty);
      return;
    }
    if (platform::FileExists(path)) return PresentPicture(path);
  }
}
