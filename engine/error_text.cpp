#include "engine/error_text.h"

#include <string>

#include "text/message.h"

namespace mirtel {

namespace {

Msg KindMessage(FsErrorKind kind) {
  switch (kind) {
    case FsErrorKind::NotFound:
      return Msg::ErrorNotFound;
    case FsErrorKind::AccessDenied:
      return Msg::ErrorAccessDenied;
    case FsErrorKind::AlreadyExists:
      return Msg::ErrorAlreadyExists;
    case FsErrorKind::DiskFull:
      return Msg::ErrorDiskFull;
    case FsErrorKind::ReadOnlyVolume:
      return Msg::ErrorReadOnlyVolume;
    case FsErrorKind::NameTooLong:
      return Msg::ErrorNameTooLong;
    case FsErrorKind::InvalidName:
      return Msg::ErrorInvalidName;
    case FsErrorKind::ListingEnded:
      return Msg::ErrorListingEnded;
    case FsErrorKind::NoRecycleBin:
      return Msg::ErrorNoRecycleBin;
    case FsErrorKind::NotAFile:
      return Msg::ErrorNotAFile;
    case FsErrorKind::FolderInTheWay:
      return Msg::ErrorFolderInTheWay;
    case FsErrorKind::ReadOnlyFile:
      return Msg::ErrorReadOnlyFile;
    case FsErrorKind::NotALeftover:
      return Msg::ErrorNotALeftover;
    case FsErrorKind::VolumeUnreachable:
      return Msg::ErrorVolumeUnreachable;
    case FsErrorKind::FolderGone:
      return Msg::ErrorFolderGone;
    case FsErrorKind::UnknownRealName:
      return Msg::ErrorUnknownRealName;
    case FsErrorKind::FileTooLarge:
      return Msg::ErrorFileTooLarge;
    case FsErrorKind::EmptyPath:
      return Msg::ErrorEmptyPath;
    case FsErrorKind::NulInPath:
      return Msg::ErrorNulInPath;
    case FsErrorKind::NotUtf8:
      return Msg::ErrorNotUtf8;
    case FsErrorKind::DriveRoot:
      return Msg::ErrorDriveRoot;
    case FsErrorKind::RecycleStopped:
      return Msg::ErrorRecycleStopped;
    case FsErrorKind::RecycleFailed:
      return Msg::ErrorRecycleFailed;
    case FsErrorKind::RecycleStranded:
      return Msg::ErrorRecycleStranded;
    case FsErrorKind::Other:
      break;
  }
  return Msg::ErrorFileOperation;
}

}  // namespace

std::string KindText(FsErrorKind kind) { return Text(KindMessage(kind)); }

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
      text = Text(Msg::ErrorStrandedAt, text, fs->diagnostic());
    } else if (ShowsDiagnostic(fs->kind()) && !fs->diagnostic().empty()) {
      text = Text(Msg::ErrorWithDetail, text, fs->diagnostic());
    }
    return text;
  }
  const std::string what = error.what();
  if (what.empty()) return Text(Msg::ErrorOccurred);
  return Text(Msg::ErrorWithDetail, Text(Msg::ErrorOccurred), what);
}

std::string ErrorDescription(const std::exception& error) {
  std::string text = ErrorReason(error);
  if (const auto* fs = dynamic_cast<const FsError*>(&error)) {
    if (!fs->path().empty()) text += "\n" + fs->path();
  }
  return text;
}

}  // namespace mirtel
