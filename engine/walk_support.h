// Pieces the copy walk and the sync walk share.
#pragma once

#include <cstdint>
#include <string>

#include "engine/job_state.h"
#include "engine/path_helpers.h"
#include "platform/file_system.h"

namespace mirtel::walk {

inline constexpr const char* kAllEntries = "*.*";

// The part of `folder` below the walked root (empty at the root itself).
inline std::string Relative(const std::string& folder, const JobState& state) {
  const auto root = static_cast<std::size_t>(state.RootLength < 0 ? 0 : state.RootLength);
  return root < folder.size() ? folder.substr(root) : std::string();
}

// A walk's root for as long as the walk runs: the copy walk counts paths
// from MotoFolder, the sync walk from SakiFolder, and a copy walk inside the
// sync walk gives the sync walk its root back when it returns.
class WalkRoot {
 public:
  WalkRoot(JobState& state, const std::string& root) : state_(state), saved_(state.RootLength) {
    state_.RootLength = static_cast<std::int32_t>(root.size());
  }
  ~WalkRoot() { state_.RootLength = saved_; }
  WalkRoot(const WalkRoot&) = delete;
  WalkRoot& operator=(const WalkRoot&) = delete;

 private:
  JobState& state_;
  std::int32_t saved_;
};

// How result lines name the entry `name` at `path` (in the tree being
// walked): its bare name, or its path below the root (ItemsByPath), made in
// `buffer`. Asked for every entry: the bare name costs no copy.
inline const std::string& ItemName(const std::string& path, const std::string& name,
                                   const JobState& state, std::string& buffer) {
  const auto root = static_cast<std::size_t>(state.RootLength < 0 ? 0 : state.RootLength);
  if (!state.ItemsByPath || root >= path.size()) return name;
  buffer.assign(path, root);
  return buffer;
}
inline std::string ItemName(const std::string& path, const std::string& name,
                            const JobState& state) {
  std::string buffer;
  return ItemName(path, name, state, buffer);
}

inline bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

// The folder as a result line names it: its path below the root without the
// final separator, or the whole root path at the root.
std::string FolderLabel(const std::string& folder, const JobState& state);

// Names the system keeps at the top of a volume (the Recycle Bin, the Trash,
// the file-system checker's folder): never copied, never pruned there.
bool IsVolumeSystemName(const std::string& name);

// What a path of the other tree holds, for the decisions of the walks.
enum class Kind {
  Missing,  // definitely not there
  Unknown,  // could not be looked at (for a reason other than "not found")
  Folder,   // a real folder
  File,     // a file, or a link that leads to one
  Skipped,  // a link to a folder, a broken link, a device: never copied
};
Kind KindOf(FileSystem& fs, const std::string& path, std::uint32_t* attrs = nullptr);

// The same question for an entry whose attributes are known.
Kind KindOfAttributes(FileSystem& fs, const std::string& path, std::uint32_t attrs);

// `name` with its letters in one case, as volumes that ignore case (FAT,
// exFAT, NTFS) compare names: Latin (ASCII, Latin-1, Latin Extended-A and
// fullwidth), Greek and Cyrillic letters; all else as it is. Two names of
// one folder that fold alike may be a single entry on such a volume.
std::string FoldedName(const std::string& name);
// The same into `folded`, whose room is used again: a walk folds every name.
void FoldName(const std::string& name, std::string& folded);

// True when `id` is one of `ids`.
bool AnyOf(const std::vector<FileId>& ids, const FileId& id);

}  // namespace mirtel::walk

namespace mirtel::walk {

// How a source file's time stands against its copy's: -1 older, 0 the same,
// 1 newer. Times closer than the coarser volume's step count as the same: a
// FAT copy keeps 2 s, NTFS 100 ns, ext4 1 ns.
int CompareTimes(const FileTime& moto, const FileTime& saki);

}  // namespace mirtel::walk
