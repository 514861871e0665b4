#include "platform/posix/trash_recycler.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QString>
#include <cerrno>
#include <cstdio>

#include "platform/posix/posix_errors.h"
#include "platform/posix/posix_file_system.h"

namespace mirtel {

namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ParentOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

// `where` is inside a Trash's "files" folder: $XDG_DATA_HOME/Trash,
// $topdir/.Trash-$uid or $topdir/.Trash/$uid.
bool InTrashFiles(const std::string& where) {
  const std::string files = ParentOf(where);
  if (NameOf(files) != "files") return false;
  const std::string trash = ParentOf(files);
  const std::string name = NameOf(trash);
  if (name == "Trash" || name.rfind(".Trash-", 0) == 0) return true;
  return NameOf(ParentOf(trash)) == ".Trash";
}

}  // namespace

void TrashRecycler::MoveToRecycleBin(const std::string& given) {
  std::string path = given;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (!Exists(path)) throw ErrnoError(errno, path);

  const QString qpath = QFile::decodeName(QByteArray::fromStdString(path));
  if (QFile::encodeName(qpath).toStdString() != path) {
    // Qt would look for another name; better to leave the item alone.
    throw FsError(FsErrorKind::NoRecycleBin, path, "この名前はごみ箱に移せません");
  }
  // Without the data folder Qt puts the item into ./files of the working
  // folder instead of the Trash.
  const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (dataHome.isEmpty() || !QDir().mkpath(dataHome)) {
    throw FsError(FsErrorKind::NoRecycleBin, path, "ごみ箱のフォルダを作れません");
  }

  QString trashed;
  const bool moved = QFile::moveToTrash(qpath, &trashed);
  if (fs_ != nullptr) fs_->Changed(path);
  const std::string where = QFile::encodeName(trashed).toStdString();
  const bool gone = !Exists(path);
  if (moved && gone && !where.empty() && Exists(where) && InTrashFiles(where)) return;

  // It went somewhere that is not a Trash: put it back where it was.
  if (gone && !where.empty() && Exists(where)) {
    if (::renameat2(AT_FDCWD, where.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) != 0) {
      throw FsError(FsErrorKind::NoRecycleBin, path, "ごみ箱ではない場所に移りました：" + where);
    }
  }
  throw FsError(FsErrorKind::NoRecycleBin, path);
}

}  // namespace mirtel
