// A Recycle Bin of the test's own: items are renamed into a bin folder, so a
// test can see what went. Paths listed in `refuse` stay where they are.
#pragma once

#include <filesystem>
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

  // True when an item of that name went to the bin.
  bool Holds(const std::string& name) const {
    std::error_code error;
    for (const auto& slot : std::filesystem::directory_iterator(bin_, error)) {
      if (std::filesystem::exists(std::filesystem::symlink_status(slot.path() / name))) return true;
    }
    return false;
  }

  void MoveToRecycleBin(const std::string& path) override {
    calls.push_back(path);
    if (none || refuse.count(path) != 0) throw FsError(FsErrorKind::NoRecycleBin, path);
    const std::filesystem::path from(
        std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
    // One folder per call, so that equal names never meet.
    const std::filesystem::path slot = bin_ / std::to_string(calls.size());
    std::filesystem::create_directories(slot);
    const std::filesystem::path to = slot / from.filename();
    std::error_code error;
    std::filesystem::rename(from, to, error);
    if (error) throw FsError(FsErrorKind::Other, path, error.message());
  }

 private:
  std::filesystem::path bin_;
};

}  // namespace mirtel
