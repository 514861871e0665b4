#include "platform/posix/posix_path.h"

#include <cstring>

namespace mirtel {

std::size_t NameEnd(const std::string& path) {
  std::size_t end = path.size();
  while (end > 1 && path[end - 1] == kSep) --end;
  return end;
}

std::size_t SeparatorBefore(const std::string& path, std::size_t end) {
  const void* at = ::memrchr(path.data(), kSep, end);
  return at == nullptr ? std::string::npos
                       : static_cast<std::size_t>(static_cast<const char*>(at) - path.data());
}

std::string WithoutSeparator(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == kSep) p.pop_back();
  return p;
}

std::string ParentOf(const std::string& path) {
  const std::string p = WithoutSeparator(path);
  const std::size_t slash = p.rfind(kSep);
  if (slash == std::string::npos) return {};
  return p.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
  // Asked for every entry the walk looks at: only the name is copied.
  const std::size_t end = NameEnd(path);
  const std::size_t slash = SeparatorBefore(path, end);
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  return path.substr(start, end - start);
}

bool IsAtOrBelow(const std::string& folder, const std::string& entry) {
  // Asked for every change the walk makes: no copies of the paths.
  return folder.size() > entry.size() && folder[entry.size()] == kSep &&
         folder.compare(0, entry.size(), entry) == 0;
}

}  // namespace mirtel
