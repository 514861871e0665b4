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
    const std::filesystem::path root = Literal(root_);
    for (int round = 0; round < 256 && std::filesystem::exists(root_, ignored); ++round) {
      Clear(root);
      std::filesystem::remove(root, ignored);
      Flatten(root, round);
    }
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::filesystem::path N(std::string_view rel) const {
    return rel.empty() ? root_ : (root_ / FromUtf8(rel)).make_preferred();
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
  // Some libraries misread folders deeper than the system's old path limit:
  // nothing is listed that far down in one go.
  static constexpr std::size_t kReach = 200;

  // `path` as Windows takes it literally (\\?\), so that names a test made
  // with a trailing dot or space are these names and not their neighbours.
  static std::filesystem::path Literal(const std::filesystem::path& path) {
    if (kPathSeparator != '\\') return path;
    std::filesystem::path literal(u8R"(\\?\)");
    literal += path;
    return literal;
  }

  // Removes what lies in `folder` within reach; read-only entries left by a
  // test are opened first, links removed and never followed.
  static void Clear(const std::filesystem::path& folder) {
    std::error_code ignored;
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::vector<std::filesystem::directory_entry> entries;
    for (auto it = std::filesystem::directory_iterator(folder, ignored);
         it != std::filesystem::directory_iterator(); it.increment(ignored)) {
      entries.push_back(*it);
    }
    for (const auto& entry : entries) {
      const bool link = entry.is_symlink(ignored);
      if (!link) {
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
      }
      // A folder goes first as it is: empty, or a link the library took for
      // a folder (it cannot tell them on every system), never entered.
      if (!link && entry.is_directory(ignored) && !std::filesystem::remove(entry.path(), ignored) &&
          entry.path().native().size() < kReach) {
        Clear(entry.path());
      }
      std::filesystem::remove(entry.path(), ignored);
    }
  }
  // What is left lies too deep: its folders one level down are moved up
  // beside the top, which brings what they hold a level nearer.
  static void Flatten(const std::filesystem::path& root, int round) {
    std::error_code ignored;
    int moved = 0;
    for (auto top = std::filesystem::directory_iterator(root, ignored);
         top != std::filesystem::directory_iterator(); top.increment(ignored)) {
      if (top->is_symlink(ignored) || !top->is_directory(ignored)) continue;
      std::vector<std::filesystem::path> below;
      for (auto it = std::filesystem::directory_iterator(top->path(), ignored);
           it != std::filesystem::directory_iterator(); it.increment(ignored)) {
        if (!it->is_symlink(ignored) && it->is_directory(ignored)) below.push_back(it->path());
      }
      for (const auto& folder : below) {
        std::filesystem::rename(
            folder, root / ("~" + std::to_string(round) + "-" + std::to_string(++moved)), ignored);
      }
    }
  }

  std::filesystem::path root_;
};

}  // namespace mirtel
