#include "job/folder_text.h"

#include <filesystem>
#include <system_error>

namespace mirtel {

namespace {

std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace

std::string NormaliseFolderArg(const std::string& path) {
  if (path.empty()) return path;
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(PathOf(path), ec);
  if (ec) full = PathOf(path);
  full = full.lexically_normal();
  // "a/b/" normalises to "a/b/" with an empty file name: drop the separator.
  if (!full.has_filename() && full != full.root_path()) full = full.parent_path();
  return Utf8Of(full);
}

std::string AbsoluteFolderText(const std::string& text) {
  if (text.empty() || PathOf(text).is_absolute()) return text;
  return NormaliseFolderArg(text);
}

}  // namespace mirtel
