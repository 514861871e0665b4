#include "platform/qt/qt_shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>

#include "platform/qt/qt_text.h"

namespace mirtel {

std::optional<std::string> QtShell::BrowseForFolder(std::string_view prompt) {
  // Folders only, from the top of the tree, not from the field's folder.
  const QString chosen = QFileDialog::getExistingDirectory(
      owner_, ToQString(prompt), QDir::rootPath(), QFileDialog::ShowDirsOnly);
  if (chosen.isEmpty()) return std::nullopt;
  return QFile::encodeName(QDir::toNativeSeparators(chosen)).toStdString();
}

bool QtShell::OpenFolder(const std::string& path) {
  const QString folder = QFile::decodeName(QByteArray::fromStdString(path));
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) return false;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

bool QtShell::ShowHelp(const std::string& path) {
  const QString file = QFile::decodeName(QByteArray::fromStdString(path));
  if (file.isEmpty() || !QFileInfo(file).isFile()) return false;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

}  // namespace mirtel
