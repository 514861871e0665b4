// The walks on the real file system, in a scratch folder with a source
// "moto" and a destination "saki"; removals go to a bin of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/copy_engine.h"
#include "engine/job_roots.h"
#include "engine/job_state.h"
#include "platform/native_file_system.h"
#include "platform/native_path.h"
#include "tests/fakes/bin_recycler.h"
#include "tests/fakes/recording_walk_view.h"

namespace mirtel {

inline std::string Utf8(const std::filesystem::path& p) {
  const std::u8string s = p.u8string();
  return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

inline std::filesystem::path FromUtf8(std::string_view s) {
  return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(s.data()), s.size()));
}

inline int CountOf(const std::vector<std::string>& lines, std::string_view text) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), text));
}

inline const std::string kSep(1, kPathSeparator);

class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device seed;
    root_ = std::filesystem::temp_directory_path() /
            ("mirtel-engine-" + std::to_string(seed()) + "-" + std::to_string(seed()));
    std::filesystem::create_directories(root_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    // Read-only files left by a test must not keep the folder.
    for (auto it = std::filesystem::recursive_directory_iterator(root_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
      std::filesystem::permissions(
          it->path(), std::filesystem::perms::owner_all,
          std::filesystem::perm_options::add | std::filesystem::perm_options::nofollow, ignored);
    }
    std::filesystem::remove_all(root_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // `rel` is written with '/', whatever the system.
  std::filesystem::path N(std::string_view rel) const {
    return (root_ / FromUtf8(rel)).make_preferred();
  }
  // The native UTF-8 path the FileSystem interface takes.
  std::string P(std::string_view rel) const { return Utf8(N(rel)); }

  void Dir(std::string_view rel) const { std::filesystem::create_directories(N(rel)); }
  void Write(std::string_view rel, std::string_view content = "data") const {
    std::filesystem::create_directories(N(rel).parent_path());
    std::ofstream out(N(rel), std::ios::binary | std::ios::trunc);
    out << content;
  }
  std::string Read(std::string_view rel) const {
    std::ifstream in(N(rel), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
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
  // Names in a folder, sorted.
  std::vector<std::string> Names(std::string_view rel) const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(N(rel))) {
      names.push_back(Utf8(e.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path root_;
};

class EngineTest : public ::testing::Test {
 protected:
  EngineTest()
      : fs_(MakeNativeFileSystem()),
        recycler_(tmp_.N("bin")),
        engine_(*fs_, recycler_, view_, state_) {
    tmp_.Dir("moto");
    tmp_.Dir("saki");
  }

  // One copy walk as the job driver runs it.
  void Copy() {
    state_.MotoFolder = tmp_.P("moto") + kSep;
    state_.SakiFolder = tmp_.P("saki") + kSep;
    state_.RootLength = static_cast<std::int32_t>(state_.MotoFolder.size());
    state_.CopiedCount = 0;
    state_.FoundFile = false;
    RecordRoots(*fs_, state_);
    engine_.FolderCopy(state_.MotoFolder);
  }

  // The sync walk that follows it.
  void Sync() {
    state_.MotoFolder = tmp_.P("moto") + kSep;
    state_.SakiFolder = tmp_.P("saki") + kSep;
    state_.RootLength = static_cast<std::int32_t>(state_.SakiFolder.size());
    RecordRoots(*fs_, state_);
    engine_.StartSync(state_.SakiFolder, state_.MotoFolder);
  }

  // Forgets what the last walk showed.
  void ClearView() {
    view_.statuses.clear();
    view_.results.clear();
    view_.boxes.clear();
  }

  ScratchFolder tmp_;
  std::unique_ptr<FileSystem> fs_;
  BinRecycler recycler_;
  RecordingWalkView view_;
  JobState state_;
  CopyEngine engine_;
};

}  // namespace mirtel
