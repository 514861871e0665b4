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

// The lower-case letter of code point `c` (see FoldedName).
char32_t LowerLetter(char32_t c) {
  if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
      (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) || (c >= 0x410 && c <= 0x42F) ||
      (c >= 0xFF21 && c <= 0xFF3A)) {
    return c + 0x20;
  }
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  if (c == 0x178) return 0xFF;
  // Latin Extended-A: capital and small letters in pairs, the capital even
  // except from 0x139 to 0x148 and from 0x179 on.
  if (c >= 0x100 && c <= 0x17E && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149) {
    const bool oddCapitals = (c >= 0x139 && c <= 0x148) || c >= 0x179;
    if ((c % 2 == 1) == oddCapitals) return c + 1;
  }
  return c;
}

}  // namespace

std::string FoldedName(const std::string& name) {
  std::string folded;
  FoldName(name, folded);
  return folded;
}

void FoldName(const std::string& name, std::string& folded) {
  // Every letter that folds keeps the length of its UTF-8 form, so the name
  // is folded in place; anything else, well formed or not, stays as it is.
  folded.assign(name);
  for (std::size_t i = 0; i < folded.size();) {
    const auto b = static_cast<unsigned char>(folded[i]);
    if (b < 0x80) {
      if (b >= 'A' && b <= 'Z') folded[i] = static_cast<char>(b + 0x20);
      ++i;
      continue;
    }
    const std::size_t length = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : 1;
    bool wellFormed = length > 1 && i + length <= folded.size();
    char32_t c = length == 2 ? b & 0x1F : b & 0x0F;
    for (std::size_t k = 1; wellFormed && k < length; ++k) {
      const auto next = static_cast<unsigned char>(folded[i + k]);
      wellFormed = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    if (wellFormed && (c < 0x480 || (c >= 0xFF21 && c <= 0xFF3A))) {
      const char32_t lower = LowerLetter(c);
      if (length == 2) {
        folded[i] = static_cast<char>(0xC0 | (lower >> 6));
        folded[i + 1] = static_cast<char>(0x80 | (lower & 0x3F));
      } else {
        folded[i + 2] = static_cast<char>(0x80 | (lower & 0x3F));
        folded[i + 1] = static_cast<char>(0x80 | ((lower >> 6) & 0x3F));
      }
    }
    i += wellFormed ? length : 1;
  }
}

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
