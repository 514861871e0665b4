#include "engine/job_roots.h"

#include "engine/path_helpers.h"
#include "engine/walk_support.h"
#include "platform/native_path.h"

namespace mirtel {

bool SameFolderByIdentity(FileSystem& fs, const std::string& a, const std::string& b) {
  FileId x;
  FileId y;
  return fs.Identify(a, x) && fs.Identify(b, y) && x == y;
}

std::string ParentFolder(const std::string& folder) {
  std::string path = folder;
  while (!path.empty() && path.back() == kPathSeparator) path.pop_back();
  const std::size_t cut = path.rfind(kPathSeparator);
  if (cut == std::string::npos) return {};
  return path.substr(0, cut + 1);
}

void RecordRoots(FileSystem& fs, JobState& state) {
  state.MotoIdKnown = fs.Identify(state.MotoFolder, state.MotoId);
  state.SakiIdKnown = fs.Identify(state.SakiFolder, state.SakiId);
  state.MotoAncestors.clear();
  state.SourceInsideDest = false;
  if (!state.MotoIdKnown) return;
  state.MotoAncestors.push_back(state.MotoId);
  // Up the folders the source really lies in, links resolved; a bind mount
  // shows by identity where the spelling differs.
  std::string folder;
  try {
    folder = ParentFolder(fs.ResolvedFolder(state.MotoFolder));
  } catch (const FsError&) {
    folder = ParentFolder(state.MotoFolder);
  }
  for (; !folder.empty(); folder = ParentFolder(folder)) {
    FileId id;
    if (!fs.Identify(folder, id)) break;
    if (!walk::AnyOf(state.MotoAncestors, id)) state.MotoAncestors.push_back(id);
  }
  state.SourceInsideDest = state.SakiIdKnown && walk::AnyOf(state.MotoAncestors, state.SakiId);
}

bool JobSubfolderIsLink(FileSystem& fs, const JobState& state) {
  if (IsDriveRoot(state.MotoFolder)) return false;
  std::string path = state.SakiFolder;
  while (path.size() > 1 && path.back() == kPathSeparator) path.pop_back();
  std::uint32_t attrs = 0;
  return ProbeEntry(fs, path, &attrs) == Presence::Present && (attrs & kAttrReparsePoint) != 0;
}

}  // namespace mirtel
