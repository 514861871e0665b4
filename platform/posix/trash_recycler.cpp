#include "platform/posix/trash_recycler.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>
#include <QUrl>
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

bool IsBrokenLink(const std::string& path) {
  struct stat st {};
  struct stat target {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
         ::stat(path.c_str(), &target) != 0;
}

// Qt's Trash refuses a link that leads nowhere. Such a link goes into the
// home Trash the same way by hand: first its info file, then a rename that
// never replaces anything.
void TrashBrokenLink(const std::string& path, const QString& qpath, const QString& dataHome) {
  const QString trash = dataHome + QStringLiteral("/Trash");
  if (!QDir().mkpath(trash + QStringLiteral("/files")) ||
      !QDir().mkpath(trash + QStringLiteral("/info"))) {
    throw FsError(FsErrorKind::NoRecycleBin, path, "ごみ箱のフォルダを作れません");
  }
  const QFileInfo link(qpath);
  const QByteArray info =
      "[Trash Info]\nPath=" + QUrl::toPercentEncoding(link.absoluteFilePath(), "/") +
      "\nDeletionDate=" +
      QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toUtf8() + "\n";
  for (int i = 1; i < 1000; ++i) {
    const QString name = i == 1 ? link.fileName() : link.fileName() + "." + QString::number(i);
    QFile infoFile(trash + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo"));
    if (!infoFile.open(QIODevice::WriteOnly | QIODevice::NewOnly)) continue;
    const bool written = infoFile.write(info) == info.size();
    infoFile.close();
    const std::string target =
        QFile::encodeName(trash + QStringLiteral("/files/") + name).toStdString();
    if (written &&
        ::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
      return;
    }
    const int err = errno;
    infoFile.remove();
    if (!written || err != EEXIST) throw FsError(FsErrorKind::NoRecycleBin, path);
  }
  throw FsError(FsErrorKind::NoRecycleBin, path);
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

  if (IsBrokenLink(path)) {
    TrashBrokenLink(path, qpath, dataHome);
    if (fs_ != nullptr) fs_->Changed(path);
    return;
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
