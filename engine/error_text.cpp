#include "engine/error_text.h"

#include <string>

namespace mirtel {

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
    case FsErrorKind::NotAFile:
      return "通常のファイルではありません";
    case FsErrorKind::FolderInTheWay:
      return "同じ名前のフォルダがあります";
    case FsErrorKind::ReadOnlyFile:
      return "読み取り専用のファイルは置き換えません";
    case FsErrorKind::NotALeftover:
      return "残された一時ファイルではないので消しません";
    case FsErrorKind::VolumeUnreachable:
      return "ドライブまたは共有フォルダに届きません";
    case FsErrorKind::FolderGone:
      return "フォルダが途中でなくなりました";
    case FsErrorKind::UnknownRealName:
      return "フォルダの本当の名前が分かりません";
    case FsErrorKind::FileTooLarge:
      return "ファイルが大きすぎます";
    case FsErrorKind::EmptyPath:
      return "パスが空です";
    case FsErrorKind::NulInPath:
      return "パスに NUL 文字があります";
    case FsErrorKind::NotUtf8:
      return "UTF-8 ではない名前です";
    case FsErrorKind::DriveRoot:
      return "ドライブのルートはごみ箱に移せません";
    case FsErrorKind::RecycleStopped:
      return "ごみ箱への移動が途中で止まりました";
    case FsErrorKind::RecycleFailed:
      return "ごみ箱に移せませんでした";
    case FsErrorKind::RecycleStranded:
      return "ごみ箱に移せず、元の場所にも戻せませんでした";
    case FsErrorKind::Other:
      break;
  }
  return "ファイルの操作でエラーが発生しました";
}

namespace {

// The kinds whose text is not the whole story: the system's own word (or,
// for a stranded item, where it is now) follows in brackets.
bool ShowsDiagnostic(FsErrorKind kind) {
  switch (kind) {
    case FsErrorKind::Other:
    case FsErrorKind::VolumeUnreachable:
    case FsErrorKind::RecycleStopped:
    case FsErrorKind::RecycleFailed:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string ErrorReason(const std::exception& error) {
  if (const auto* fs = dynamic_cast<const FsError*>(&error)) {
    std::string text = KindText(fs->kind());
    if (fs->kind() == FsErrorKind::RecycleStranded && !fs->diagnostic().empty()) {
      text += "。今は " + fs->diagnostic() + " にあります";
    } else if (ShowsDiagnostic(fs->kind()) && !fs->diagnostic().empty()) {
      text += "（" + fs->diagnostic() + "）";
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

std::string ParallelKeyText(const std::string& job, const std::string& key, int most) {
  return "ジョブ「" + job + "」の " + key + " は 1 から " + std::to_string(most) + " の整数です";
}

}  // namespace mirtel
