#include "engine/versions_place.h"

#include "engine/path_helpers.h"
#include "platform/native_path.h"

namespace mirtel {

namespace {

std::string Unended(const std::string& folder) {
  return folder.size() > 1 && folder.back() == kPathSeparator ? folder.substr(0, folder.size() - 1)
                                                              : folder;
}

// The folder holding `path` (which may end in the separator), ending in it.
std::string FolderAbove(const std::string& path) {
  const std::string entry = Unended(path);
  const std::size_t cut = entry.find_last_of(kPathSeparator);
  return cut == std::string::npos ? std::string() : entry.substr(0, cut + 1);
}

// Makes `folder` (ending in the separator) and whatever above it is missing.
// Below the job's versions folder each folder takes the mode of its
// counterpart in the destination; the job's folder that of SakiFolder.
void MakeKeepingFolder(FileSystem& fs, const JobState& state, const std::string& folder) {
  const std::string entry = Unended(folder);
  std::uint32_t attrs = 0;
  FsErrorKind why = FsErrorKind::Other;
  if (fs.TryAttributes(entry, attrs, why)) {
    if (!(attrs & kAttrDirectory) || (attrs & kAttrReparsePoint)) {
      throw FsError(FsErrorKind::AlreadyExists, entry);
    }
    return;
  }
  if (why != FsErrorKind::NotFound) throw FsError(why, entry);
  const std::string parent = FolderAbove(folder);
  if (parent.empty() || parent == folder) throw FsError(FsErrorKind::NotFound, entry);
  MakeKeepingFolder(fs, state, parent);
  try {
    if (folder.size() >= state.VersionsFolder.size()) {
      fs.MakeFolderLike(entry,
                        Unended(state.SakiFolder + folder.substr(state.VersionsFolder.size())));
    } else {
      fs.MakeFolder(entry);
    }
  } catch (const FsError& e) {
    // Made meanwhile (another copy of this job) is as good.
    if (e.kind() != FsErrorKind::AlreadyExists) throw;
  }
}

}  // namespace

std::string VersionPlace(FileSystem& fs, const JobState& state, const std::string& path) {
  const std::string& root = state.SakiFolder;
  if (state.VersionsFolder.empty() || path.size() <= root.size() ||
      !SameFolder(path.substr(0, root.size()), root)) {
    throw FsError(FsErrorKind::InvalidName, path);
  }
  const std::string place = state.VersionsFolder + path.substr(root.size());
  MakeKeepingFolder(fs, state, FolderAbove(place));
  std::string free = place;
  std::uint32_t attrs = 0;
  FsErrorKind why = FsErrorKind::Other;
  for (int n = 2; fs.TryAttributes(free, attrs, why); ++n) {
    free = place + "." + std::to_string(n);
  }
  if (why != FsErrorKind::NotFound) throw FsError(why, free);
  return free;
}

VersionsRelation RelationToVersions(const JobState& state, const std::string& path) {
  const std::string& versions = state.VersionsBelowSaki;
  const std::string& root = state.SakiFolder;
  if (versions.empty() || path.size() <= root.size()) return VersionsRelation::None;
  const std::string below = path.substr(root.size()) + std::string(1, kPathSeparator);
  if (below.size() > versions.size()) return VersionsRelation::None;
  if (!SameFolder(versions.substr(0, below.size()), below)) return VersionsRelation::None;
  return below.size() == versions.size() ? VersionsRelation::IsIt : VersionsRelation::HoldsIt;
}

}  // namespace mirtel
