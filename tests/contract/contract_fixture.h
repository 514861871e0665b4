// The FileSystem contract (platform/file_system.h), written once and run
// against the file system of the build: POSIX natively, Win32 under Wine.
// Entries are made, changed and read back through std::filesystem, never
// through the layer under test.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_system.h"
#include "platform/native_file_system.h"
#include "tests/fakes/scratch_folder.h"

namespace mirtel::contract {

// Marks an entry hidden the way the system knows hidden entries. The
// contract's hidden names all start with '.', which is all POSIX needs;
// Windows keeps an attribute (contract_marks_*.cpp).
void MakeHidden(const std::filesystem::path& path);

inline FsErrorKind KindOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const FsError& e) {
    return e.kind();
  }
  ADD_FAILURE() << "no FsError";
  return FsErrorKind::Other;
}

// Names as users have them: Japanese (long ones too), other scripts,
// spaces, signs, digits, and names that begin like one another. None
// differ only in letter case or end in a dot or space, which the systems
// treat apart; none begins with '.', which POSIX takes for hidden.
inline const std::vector<std::string>& NameStems() {
  static const std::vector<std::string> stems = [] {
    std::string kanji;  // sixty of them: 180 bytes, 60 UTF-16 units
    for (int i = 0; i < 60; ++i) kanji += i % 2 ? "漢" : "字";
    return std::vector<std::string>{"写真",
                                    "写真フォルダ",
                                    "夏休み（2024年）の写真と動画",
                                    kanji,
                                    "ﾊﾝｶｸｶﾅ",
                                    "한국어 문서",
                                    "Ωμέγα",
                                    "Café ü",
                                    "\xF0\x9F\x93\xB7 カメラ",
                                    " 先頭の空白",
                                    "a b",
                                    "-dash",
                                    "#%&+=@$^`~!';,()[]{}",
                                    "1",
                                    "10",
                                    "9",
                                    "ZIP",
                                    "Photo",
                                    "_x",
                                    "~tmp",
                                    std::string(150, 'L')};
  }();
  return stems;
}

// `count` distinct names made from the stems, with a number after most.
inline std::vector<std::string> GeneratedNames(std::mt19937& random, std::size_t count) {
  const auto& stems = NameStems();
  std::set<std::string> folded;
  std::vector<std::string> names;
  while (names.size() < count) {
    std::string name = stems[random() % stems.size()];
    if (random() % 4 != 0) name += std::to_string(random() % 40);
    std::string key = name;
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (folded.insert(key).second) names.push_back(name);
  }
  return names;
}

class FileSystemContract : public ::testing::Test {
 protected:
  FileSystemContract() : fs_(MakeNativeFileSystem()) {}

  static std::string All(const std::string& folder) { return folder + "*.*"; }

  // Every name of a listing, "." and ".." included.
  static std::vector<std::string> ListAll(FileSystem& fs, const std::string& folder,
                                          std::uint32_t mask = kListEverything) {
    std::vector<std::string> names;
    for (std::string n = fs.ListStart(All(folder), mask); !n.empty(); n = fs.ListNext()) {
      names.push_back(n);
    }
    return names;
  }
  std::vector<std::string> ListAll(const std::string& folder,
                                   std::uint32_t mask = kListEverything) {
    return ListAll(*fs_, folder, mask);
  }
  // The names a listing gives from a resume after `name` on.
  std::vector<std::string> RestAfter(const std::string& folder, const std::string& name) {
    std::vector<std::string> rest;
    for (std::string n = fs_->ListResumeAfter(All(folder), kListEverything, name); !n.empty();
         n = fs_->ListNext()) {
      rest.push_back(n);
    }
    return rest;
  }
  // The listing of a FileSystem that has seen nothing before.
  std::vector<std::string> FreshListing(const std::string& folder) {
    const auto fresh = MakeNativeFileSystem();
    return ListAll(*fresh, folder);
  }

  // Folders changed within the step of their times may be read afresh each
  // time: a test of what is remembered lets that pass first.
  static void LetTheClockMove() { std::this_thread::sleep_for(std::chrono::milliseconds(50)); }

  ScratchFolder tmp_;
  std::unique_ptr<FileSystem> fs_;
};

// Whether `rest` is what `order` holds from some place on.
inline bool IsSuffixOf(const std::vector<std::string>& rest,
                       const std::vector<std::string>& order) {
  return rest.size() <= order.size() &&
         std::equal(rest.begin(), rest.end(),
                    order.end() - static_cast<std::ptrdiff_t>(rest.size()));
}

}  // namespace mirtel::contract
