#include "platform/posix/posix_errors.h"

#include <cerrno>
#include <cstring>

namespace mirtel {

FsErrorKind KindOfErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:  // a file where a folder of the path should be: no such entry
      return FsErrorKind::NotFound;
    case EACCES:
    case EPERM:
    case ETXTBSY:
      return FsErrorKind::AccessDenied;
    case EEXIST:
    case ENOTEMPTY:
    case EISDIR:
      return FsErrorKind::AlreadyExists;
    case ENOSPC:
    case EDQUOT:
      return FsErrorKind::DiskFull;
    case EROFS:
      return FsErrorKind::ReadOnlyVolume;
    case ENAMETOOLONG:
      return FsErrorKind::NameTooLong;
    case EINVAL:
    case EILSEQ:
      return FsErrorKind::InvalidName;
    default:
      return FsErrorKind::Other;
  }
}

FsError ErrnoError(int err, const std::string& path) {
  const FsErrorKind kind = KindOfErrno(err);
  if (kind == FsErrorKind::Other) return FsError(kind, path, std::strerror(err));
  return FsError(kind, path);
}

bool CannotKeepOwnerOrMode(int err) {
  // ENOSYS: FAT through FUSE has no modes at all.
  return err == EPERM || err == EINVAL || err == EOPNOTSUPP || err == ENOSYS;
}

}  // namespace mirtel
