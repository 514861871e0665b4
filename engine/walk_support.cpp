#include "engine/walk_support.h"

#include "platform/native_path.h"

namespace mirtel::walk {

namespace {

bool EqualsIgnoringCase(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return i == a.size() && b[i] == '\0';
}

}  // namespace

std::string FolderLabel(const std::string& folder, const JobState& state) {
  std::string label = Relative(folder, state);
  if (label.empty()) label = folder;
  if (label.size() > 1 && label.back() == kPathSeparator) label.pop_back();
  return label;
}

bool IsVolumeSystemName(const std::string& name) {
  if (name == "RECYCLED" || name == "lost+found" || name == ".Trash") return true;
  if (EqualsIgnoringCase(name, "$RECYCLE.BIN") ||
      EqualsIgnoringCase(name, "System Volume Information")) {
    return true;
  }
  // The freedesktop.org Trash of one user at the top of a volume.
  constexpr std::string_view kTrash = ".Trash-";
  if (name.size() > kTrash.size() && name.compare(0, kTrash.size(), kTrash) == 0) {
    for (std::size_t i = kTrash.size(); i < name.size(); ++i) {
      if (name[i] < '0' || name[i] > '9') return false;
    }
    return true;
  }
  return false;
}

Kind KindOfAttributes(FileSystem& fs, const std::string& path, std::uint32_t attrs) {
  if (attrs & kAttrReparsePoint) {
    if (attrs & kAttrDirectory) return Kind::Skipped;
    // A link to a file counts as that file; one that leads nowhere is not
    // copied, so it counts as nothing to mirror either.
    FileId target;
    return fs.Identify(path, target) ? Kind::File : Kind::Skipped;
  }
  if (attrs & kAttrDirectory) return Kind::Folder;
  if (attrs & kAttrDevice) return Kind::Skipped;
  return Kind::File;
}

Kind KindOf(FileSystem& fs, const std::string& path, std::uint32_t* attrs) {
  std::uint32_t found = 0;
  switch (ProbeEntry(fs, path, &found)) {
    case Presence::Absent:
      return Kind::Missing;
    case Presence::Unknown:
      return Kind::Unknown;
    case Presence::Present:
      break;
  }
  if (attrs != nullptr) *attrs = found;
  return KindOfAttributes(fs, path, found);
}

bool AnyOf(const std::vector<FileId>& ids, const FileId& id) {
  for (const FileId& each : ids) {
    if (each == id) return true;
  }
  return false;
}

}  // namespace mirtel::walk

namespace mirtel::walk {

int CompareTimes(const FileTime& moto, const FileTime& saki) {
  const std::int64_t step = moto.resolution > saki.resolution ? moto.resolution : saki.resolution;
  // The difference taken unsigned: times far apart must not overflow.
  const bool newer = moto.ns > saki.ns;
  const std::uint64_t gap =
      newer ? static_cast<std::uint64_t>(moto.ns) - static_cast<std::uint64_t>(saki.ns)
            : static_cast<std::uint64_t>(saki.ns) - static_cast<std::uint64_t>(moto.ns);
  if (gap < static_cast<std::uint64_t>(step < 1 ? 1 : step)) return 0;
  return newer ? 1 : -1;
}

}  // namespace mirtel::walk
