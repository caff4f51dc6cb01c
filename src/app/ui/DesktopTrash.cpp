#include "app/ui/DesktopTrash.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// Makes the folder and any missing parents, each readable by its owner only as a data folder
// should be.
bool MakeFolders(const QString& path) {
  const QFileInfo info(path);
  if (info.isDir()) return true;
  const QString parent = info.path();
  if (parent == path || !MakeFolders(parent)) return false;
  return QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) ||
         QFileInfo(path).isDir();
}

}  // namespace

bool TDesktopTrash::MoveToTrash(const std::string& path, std::string& trashedPath,
                                std::string& error) {
  const QString name = QFile::decodeName(QByteArray::fromStdString(path));
  // A name Qt cannot spell would reach some other file, or none.
  if (QFile::encodeName(name).toStdString() != path) {
    error = QCoreApplication::translate("TDesktopTrash", "ファイル名を扱えません: ").toStdString() +
            path;
    return false;
  }
  // Qt 6.4 does not make the folder that holds the home trash: without it, the file would be
  // "trashed" into ./files under the working folder and reported as done. A relative
  // XDG_DATA_HOME would put it there as well.
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (!QDir::isAbsolutePath(data) || !MakeFolders(data)) {
    error = QCoreApplication::translate("TDesktopTrash", "ごみ箱のフォルダを用意できません: ")
                .toStdString() +
            QFile::encodeName(data).toStdString();
    return false;
  }
  QFile file(name);
  if (!file.moveToTrash()) {
    error = file.errorString().toStdString();
    return false;
  }
  trashedPath = QFile::encodeName(file.fileName()).toStdString();
  return true;
}
