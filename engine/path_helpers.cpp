#include "engine/path_helpers.h"

#include <exception>

#include "platform/native_path.h"

namespace mirtel {

namespace {

char FoldCase(char c) {
  if constexpr (kPathsIgnoreCase) {
    if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
  }
  return c;
}

}  // namespace

std::string PlusYen(const std::string& path) {
  if (!path.empty() && path.back() == kPathSeparator) return {};
  return std::string(1, kPathSeparator);
}

bool ChkExist(FileSystem& fs, const std::string& path) {
  return ProbeEntry(fs, path) == Presence::Present;
}

Presence ProbeEntry(FileSystem& fs, const std::string& path, std::uint32_t* attrs) {
  try {
    std::uint32_t found = 0;
    FsErrorKind why = FsErrorKind::Other;
    if (fs.TryAttributes(path, found, why)) {
      if (attrs != nullptr) *attrs = found;
      return Presence::Present;
    }
    return why == FsErrorKind::NotFound ? Presence::Absent : Presence::Unknown;
  } catch (...) {
    return Presence::Unknown;
  }
}

bool IsDriveRoot(const std::string& folder) {
  if constexpr (kPathSeparator == '/') {
    return folder == "/";
  } else {
    if (folder.size() == 3 && folder[1] == ':' && folder[2] == kPathSeparator) return true;
    // A network share, \\server\share\, is the top of its volume too.
    if (folder.size() < 6 || folder[0] != kPathSeparator || folder[1] != kPathSeparator ||
        folder.back() != kPathSeparator) {
      return false;
    }
    const std::size_t server = folder.find(kPathSeparator, 2);
    return server != std::string::npos && server > 2 && server + 2 < folder.size() &&
           folder.find(kPathSeparator, server + 1) == folder.size() - 1 && folder[2] != '?' &&
           folder[2] != '.';
  }
}

bool SameFolder(const std::string& a, const std::string& b) {
  const std::string x = a + PlusYen(a);
  const std::string y = b + PlusYen(b);
  if (x.size() != y.size()) return false;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (FoldCase(x[i]) != FoldCase(y[i])) return false;
  }
  return true;
}

}  // namespace mirtel
