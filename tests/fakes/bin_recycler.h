// A Recycle Bin of the test's own: items are renamed into a bin folder, so a
// test can see what went. Paths listed in `refuse` stay where they are.
#pragma once

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/fs_error.h"
#include "platform/recycler.h"

namespace mirtel {

class BinRecycler : public Recycler {
 public:
  explicit BinRecycler(std::filesystem::path bin) : bin_(std::move(bin)) {}

  std::vector<std::string> calls;  // every path asked for, in order
  std::set<std::string> refuse;
  bool none = false;  // no Trash at all, as on a NAS share
  // Moves may run on other threads (MoveLater), as the desktop's Trash's do.
  bool later = false;

  // True when an item of that name went to the bin.
  bool Holds(const std::string& name) const {
    std::error_code error;
    for (const auto& slot : std::filesystem::directory_iterator(bin_, error)) {
      if (std::filesystem::exists(std::filesystem::symlink_status(slot.path() / name))) return true;
    }
    return false;
  }

  void MoveToRecycleBin(const std::string& path) override { MoveLaterAlways(path)(); }

  std::function<void()> MoveLater(const std::string& path) override {
    if (!later) return {};
    return MoveLaterAlways(path);
  }

 private:
  // The call is counted at once, on the caller's thread; the move is what
  // may run elsewhere.
  std::function<void()> MoveLaterAlways(const std::string& path) {
    calls.push_back(path);
    // One folder per call, so that equal names never meet.
    return [path, refused = none || refuse.count(path) != 0,
            slot = bin_ / std::to_string(calls.size())] {
      if (refused) throw FsError(FsErrorKind::NoRecycleBin, path);
      const std::filesystem::path from(
          std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
      std::filesystem::create_directories(slot);
      std::error_code error;
      std::filesystem::rename(from, slot / from.filename(), error);
      if (error) throw FsError(FsErrorKind::Other, path, error.message());
    };
  }

  std::filesystem::path bin_;
};

}  // namespace mirtel
