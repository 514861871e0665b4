// A folder of the test's own in the system's temporary folder, gone with
// the test. Entries are named by UTF-8 paths relative to it, written with
// '/' whatever the system; what it hands out uses the native separator.
// It is made and read through std::filesystem only, never through the
// file-system layer a test is looking at.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/native_path.h"

namespace mirtel {

inline std::string Utf8(const std::filesystem::path& p) {
  const std::u8string s = p.u8string();
  return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

inline std::filesystem::path FromUtf8(std::string_view s) {
  return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(s.data()), s.size()));
}

class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device seed;
    root_ = std::filesystem::temp_directory_path() /
            ("mirtel-test-" + std::to_string(seed()) + "-" + std::to_string(seed()));
    std::filesystem::create_directories(root_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    for (int round = 0; round < 64 && std::filesystem::exists(root_, ignored); ++round) {
      Open();
      if (std::filesystem::remove_all(root_, ignored) != static_cast<std::uintmax_t>(-1)) break;
      Flatten(round);
    }
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::filesystem::path N(std::string_view rel) const {
    return (root_ / FromUtf8(rel)).make_preferred();
  }
  // The native UTF-8 path the FileSystem interface takes; "" is the folder itself.
  std::string P(std::string_view rel = {}) const {
    return rel.empty() ? Utf8(root_) : Utf8(N(rel));
  }
  // A folder path, ending in the separator.
  std::string F(std::string_view rel = {}) const { return P(rel) + kPathSeparator; }

  void Dir(std::string_view rel) const { std::filesystem::create_directories(N(rel)); }
  void Write(std::string_view rel, std::string_view content = "data") const {
    std::filesystem::create_directories(N(rel).parent_path());
    std::ofstream out(N(rel), std::ios::binary | std::ios::trunc);
    out << content;
  }
  std::string Read(std::string_view rel) const {
    std::ifstream in(N(rel), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool Exists(std::string_view rel) const {
    return std::filesystem::exists(std::filesystem::symlink_status(N(rel)));
  }
  void SetTime(std::string_view rel, std::int64_t utcSeconds) const {
    std::filesystem::last_write_time(
        N(rel), std::chrono::file_clock::from_sys(
                    std::chrono::sys_seconds{std::chrono::seconds{utcSeconds}}));
  }
  std::int64_t Time(std::string_view rel) const {
    const auto sys = std::chrono::file_clock::to_sys(std::filesystem::last_write_time(N(rel)));
    return std::chrono::floor<std::chrono::seconds>(sys).time_since_epoch().count();
  }
  // Names in a folder, sorted by their bytes.
  std::vector<std::string> Names(std::string_view rel = {}) const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(rel.empty() ? root_ : N(rel))) {
      names.push_back(Utf8(e.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  // Read-only entries left by a test must not keep the folder.
  void Open() const {
    std::error_code ignored;
    std::filesystem::permissions(root_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    for (auto it = std::filesystem::recursive_directory_iterator(root_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
      if (it->is_symlink(ignored)) continue;
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ignored);
    }
  }
  // Some libraries cannot reach below the system's old path limit: folders
  // that deep are moved up beside the top, which shortens what they hold.
  void Flatten(int round) const {
    std::error_code ignored;
    int moved = 0;
    for (auto it = std::filesystem::recursive_directory_iterator(root_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
      if (it.depth() < 1 || !it->is_directory(ignored) || it->is_symlink(ignored)) continue;
      const std::filesystem::path up =
          root_ / ("~" + std::to_string(round) + "-" + std::to_string(++moved));
      std::filesystem::rename(it->path(), up, ignored);
      it.disable_recursion_pending();
    }
  }

  std::filesystem::path root_;
};

}  // namespace mirtel
