#include "engine/error_text.h"

#include "platform/fs_error.h"

namespace mirtel {

namespace {

const char* KindText(FsErrorKind kind) {
  switch (kind) {
    case FsErrorKind::NotFound:
      return "ファイルまたはフォルダが見つかりません";
    case FsErrorKind::AccessDenied:
      return "アクセスが拒否されました";
    case FsErrorKind::AlreadyExists:
      return "同じ名前のファイルまたはフォルダが既にあります";
    case FsErrorKind::DiskFull:
      return "ディスクの空き容量が足りません";
    case FsErrorKind::ReadOnlyVolume:
      return "書き込みできないドライブです";
    case FsErrorKind::NameTooLong:
      return "パスまたは名前が長すぎます";
    case FsErrorKind::InvalidName:
      return "ファイル名、フォルダ名の指定が正しくありません";
    case FsErrorKind::ListingEnded:
      return "フォルダの内容が途中で変わりました";
    case FsErrorKind::NoRecycleBin:
      return "ごみ箱に移せないため削除しませんでした";
    case FsErrorKind::Other:
      break;
  }
  return "ファイルの操作でエラーが発生しました";
}

// What the platform added after "path: ", if anything.
std::string Detail(const FsError& e) {
  const std::string what = e.what();
  const std::string prefix = e.path() + ": ";
  if (what.size() > prefix.size() && what.compare(0, prefix.size(), prefix) == 0) {
    return what.substr(prefix.size());
  }
  return {};
}

}  // namespace

std::string ErrorReason(const std::exception& error) {
  if (const auto* fs = dynamic_cast<const FsError*>(&error)) {
    std::string text = KindText(fs->kind());
    if (fs->kind() == FsErrorKind::Other) {
      const std::string detail = Detail(*fs);
      if (!detail.empty()) text += "（" + detail + "）";
    }
    return text;
  }
  std::string text = "エラーが発生しました";
  const std::string what = error.what();
  if (!what.empty()) text += "（" + what + "）";
  return text;
}

std::string ErrorDescription(const std::exception& error) {
  std::string text = ErrorReason(error);
  if (const auto* fs = dynamic_cast<const FsError*>(&error)) {
    if (!fs->path().empty()) text += "\n" + fs->path();
  }
  return text;
}

}  // namespace mirtel
