#include "platform/posix/posix_errors.h"

#include <cerrno>
#include <cstring>

namespace mirtel {

FsError ErrnoError(int err, const std::string& path) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:  // a file where a folder of the path should be: no such entry
      return FsError(FsErrorKind::NotFound, path);
    case EACCES:
    case EPERM:
    case ETXTBSY:
      return FsError(FsErrorKind::AccessDenied, path);
    case EEXIST:
    case ENOTEMPTY:
    case EISDIR:
      return FsError(FsErrorKind::AlreadyExists, path);
    case ENOSPC:
    case EDQUOT:
      return FsError(FsErrorKind::DiskFull, path);
    case EROFS:
      return FsError(FsErrorKind::ReadOnlyVolume, path);
    case ENAMETOOLONG:
      return FsError(FsErrorKind::NameTooLong, path);
    case EINVAL:
    case EILSEQ:
      return FsError(FsErrorKind::InvalidName, path);
    default:
      return FsError(FsErrorKind::Other, path, std::strerror(err));
  }
}

}  // namespace mirtel
