#include "tests/realtrees/tree_generator.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "tests/realtrees/tree_io.h"
#include "tests/realtrees/tree_names.h"
#include "tests/realtrees/tree_oracle.h"

namespace mirtel::realtrees {
namespace {

const Platform& P() { return ThisPlatform(); }

std::vector<std::uint32_t> Decode(const std::string& s) {
  std::vector<std::uint32_t> out;
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    std::uint32_t cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
    for (int k = 1; k < n && i + static_cast<std::size_t>(k) < s.size(); ++k) {
      cp = (cp << 6) | (static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) & 0x3F);
    }
    out.push_back(cp);
    i += static_cast<std::size_t>(n);
  }
  return out;
}

// The name as the system compares names: Windows ignores letter case.
std::string Key(const std::string& name) {
  if (P().caseTwins) return name;
  std::string key;
  for (std::uint32_t cp : Decode(name)) {
    cp = FoldedLetter(cp);
    key += std::to_string(cp) + ",";
  }
  return key;
}

bool Valid(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.size() > P().longNameBytes) {
    return false;
  }
  if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos) return false;
  if (LooksTemporary(name)) return false;
  if (!P().invalidUtf8) {
    for (std::size_t i = 0; i < name.size();) {
      const auto c = static_cast<unsigned char>(name[i]);
      const std::size_t n = c < 0x80         ? 1
                            : (c >> 5) == 6  ? 2
                            : (c >> 4) == 14 ? 3
                            : (c >> 3) == 30 ? 4
                                             : 0;
      if (n == 0 || i + n > name.size()) return false;
      for (std::size_t k = 1; k < n; ++k) {
        if ((static_cast<unsigned char>(name[i + k]) & 0xC0) != 0x80) return false;
      }
      i += n;
    }
  }
  if (P().windowsNames && !WindowsTakes(name)) return false;
  return true;
}

std::string Piece(Rng& rng) {
  const std::uint64_t r = rng.Below(100);
  std::string piece;
  if (r < 38) {
    piece = rng.Pick(kLatin);
  } else if (r < 70) {
    piece = rng.Pick(kJapanese);
  } else if (r < 84) {
    piece = rng.Pick(kOtherScripts);
  } else if (r < 90) {
    const auto& pair = rng.Pick(kNormalForms);
    piece = rng.Percent(50) ? pair.first : pair.second;
  } else if (r < 95 && !P().windowsNames) {
    piece = rng.Pick(kPosixOnly);
  } else if (r < 95) {
    piece = rng.Pick(kLatin);
  } else if (P().invalidUtf8) {
    piece = rng.Pick(kInvalidUtf8);
  } else {
    piece = rng.Pick(kJapanese);
  }
  if (rng.Percent(20)) piece += std::to_string(rng.Below(rng.Percent(50) ? 10 : 100000));
  return piece;
}

// A candidate name of about `bytes` bytes (any length when 0).
std::string Candidate(Rng& rng, std::size_t bytes) {
  if (bytes == 0) {
    const std::uint64_t r = rng.Below(100);
    if (r < 6) return rng.Pick(kOneByte);
    bytes = r < 55   ? rng.Between(2, 20)
            : r < 85 ? rng.Between(21, 80)
                     : rng.Between(100, P().longNameBytes);
  }
  std::string name;
  const std::uint64_t d = rng.Below(100);
  if (d < 4)
    name = rng.Percent(50) ? "-" : "--";
  else if (d < 8)
    name = ".";
  else if (d < 10)
    name = " ";
  else if (d < 12)
    name = "..";
  name += Piece(rng);
  while (name.size() < bytes) name += rng.Pick(kJoints) + Piece(rng);
  const std::string ext = rng.Pick(kExtensions);
  // Invalid bytes may be cut anywhere; the rest between characters.
  name = CutTo(name, bytes > ext.size() ? bytes - ext.size() : 1);
  if (name.size() + ext.size() <= P().longNameBytes) name += ext;
  return name;
}

std::string Child(const std::string& folder, const std::string& name) {
  return folder.empty() ? name : folder + "/" + name;
}

int Depth(const std::string& rel) {
  return rel.empty() ? 0 : static_cast<int>(std::count(rel.begin(), rel.end(), '/')) + 1;
}

class Builder {
 public:
  Builder(std::uint64_t seed, GeneratedTree& tree, const TreeProfile& profile)
      : rng_(seed),
        tree_(tree),
        profile_(profile),
        entriesLeft_(profile.entries),
        bytesLeft_(profile.bytes) {}

  void Run() {
    MakeFolder(tree_.root, 0755);
    Fill("", 0);
    // A tree that died out early grows on in folders it already has.
    for (int round = 0; round < 1000 && entriesLeft_ > profile_.entries / 10; ++round) {
      const std::string folder = RandomFolder();
      Fill(folder, Depth(folder));
    }
    NamesSpecialElsewhere();
    Chain();
    if (P().sparse && profile_.sparseSize > 0) {
      for (int i = 0; i < 2; ++i) Sparse(RandomFolder());
    }
    if (P().links) Links();
    if (P().fifos) {
      MakeFifo(Path(Child("", NewName(""))));
      const std::string folder = RandomFolder();
      MakeFifo(Path(Child(folder, NewName(folder))));
    }
    // Exactly the pattern of the program's own temporaries, of a process
    // that does not run: a user's file all the same, copied and synced.
    // Made last, so that the rest of the tree stays what its seed made.
    const std::string usersTemporary = ".mirtel-3999999-2.tmp";
    if (keys_[""].insert(Key(usersTemporary)).second) File("", usersTemporary, FileSize());
    tree_.notes.push_back("generated " + std::to_string(profile_.entries - entriesLeft_) +
                          " entries, " + std::to_string(profile_.bytes - bytesLeft_) + " bytes");
  }

 private:
  std::string Path(const std::string& rel) const { return ToNative(tree_.root, rel); }

  std::string NewName(const std::string& folder, std::size_t bytes = 0) {
    std::set<std::string>& used = keys_[folder];
    for (int tries = 0; tries < 1000; ++tries) {
      const std::string name = Candidate(rng_, bytes);
      if (Valid(name) && used.insert(Key(name)).second) return name;
    }
    throw std::runtime_error("no free name in " + Printable(folder));
  }

  std::string RandomFolder() {
    return tree_.folders.empty() || rng_.Percent(10) ? std::string() : rng_.Pick(tree_.folders);
  }

  std::int64_t RandomTime() {
    std::int64_t seconds;
    const std::uint64_t r = rng_.Below(100);
    if (r < 1) {
      seconds = 157766400 + static_cast<std::int64_t>(rng_.Below(86400 * 365));  // 1975
    } else if (r < 2) {
      seconds = 2208988800 + static_cast<std::int64_t>(rng_.Below(86400 * 365));  // 2040
    } else {
      seconds = 978307200 + static_cast<std::int64_t>(rng_.Below(1717200000 - 978307200));
    }
    const std::int64_t fraction = static_cast<std::int64_t>(rng_.Below(kHalfSecond));
    const std::int64_t ns = seconds * 1000000000 + fraction;
    return ns - ns % P().timeStep;
  }

  std::uint32_t FileMode() {
    if (!P().modes) return 0644;
    const std::uint64_t r = rng_.Below(1000);
    if (r < 700) return 0644;
    if (r < 780) return 0600;
    if (r < 860) return 0444;
    if (r < 920) return 0755;
    if (r < 950) return 0640;
    if (r < 970) return 0664;
    if (r < 985) return 04755;
    return 02755;
  }

  std::uint32_t FolderMode() {
    if (!P().modes) return 0755;
    const std::uint64_t r = rng_.Below(100);
    return r < 80 ? 0755 : r < 92 ? 0700 : r < 97 ? 0750 : 0775;
  }

  std::uint64_t FileSize() {
    const std::uint64_t r = rng_.Below(1000);
    std::uint64_t size;
    if (r < 150)
      size = 0;
    else if (r < 450)
      size = rng_.Between(1, 100);
    else if (r < 750)
      size = rng_.Between(101, 4096);
    else if (r < 930)
      size = rng_.Between(4097, 65536);
    else if (r < 990)
      size = rng_.Between(65537, 1u << 20);
    else
      size = rng_.Between(1u << 20, profile_.largestFile);
    if (size > bytesLeft_) size = rng_.Below(std::min<std::uint64_t>(bytesLeft_, 4096) + 1);
    bytesLeft_ -= size;
    return size;
  }

  std::string Content(std::uint64_t size) {
    std::string bytes;
    bytes.reserve(size);
    const std::uint64_t r = rng_.Below(100);
    if (r < 35) {
      static const std::vector<std::string> kLines = {
          "議事録：来週の予定を確認すること。\n", "Lorem ipsum dolor sit amet.\n",
          "価格,数量,合計\n1200,3,3600\n", "\tindented line with a tab\r\n"};
      while (bytes.size() < size) bytes += rng_.Pick(kLines);
      bytes.resize(size);
    } else if (r < 40) {
      bytes.assign(size, '\0');
    } else {
      while (bytes.size() < size) {
        const std::uint64_t word = rng_.Next();
        for (int k = 0; k < 8 && bytes.size() < size; ++k) {
          bytes += static_cast<char>(word >> (8 * k));
        }
      }
    }
    if (size > 0 && size < 65536) previous_ = bytes;
    return bytes;
  }

  void File(const std::string& folder, const std::string& name, std::uint64_t size) {
    const std::string rel = Child(folder, name);
    // Now and then the same bytes as another file.
    const bool same = !previous_.empty() && rng_.Percent(5);
    WriteFile(Path(rel), same ? previous_ : Content(size), FileMode());
    SetTime(Path(rel), RandomTime());
    tree_.files.push_back(rel);
    --entriesLeft_;
  }

  std::string Folder(const std::string& parent, const std::string& name, std::uint32_t mode) {
    const std::string rel = Child(parent, name);
    realtrees::MakeFolder(Path(rel), mode);
    tree_.folders.push_back(rel);
    --entriesLeft_;
    return rel;
  }

  void Fill(const std::string& folder, int depth) {
    const bool small = profile_.entries < 1000;
    std::uint64_t count;
    const std::uint64_t r = rng_.Below(100);
    if (depth == 0)
      count = rng_.Between(12, 24);
    else if (r < 10)
      count = 0;
    else if (r < 65)
      count = rng_.Between(1, 10);
    else if (r < 92)
      count = rng_.Between(11, small ? 16 : 35);
    else
      count = small ? rng_.Between(15, 25) : rng_.Between(60, 220);
    // Siblings that share a long beginning, as numbered scans or reports do.
    std::string prefix;
    if (rng_.Percent(25)) prefix = CutTo(Candidate(rng_, rng_.Between(8, 140)), 140);
    std::vector<std::string> subfolders;
    const int folderPercent = depth == 0 ? 40 : depth < profile_.maxDepth ? 15 : 0;
    for (std::uint64_t i = 0; i < count && entriesLeft_ > 0; ++i) {
      std::string name;
      if (!prefix.empty()) {
        const std::string candidate = prefix + std::to_string(i) + rng_.Pick(kExtensions);
        if (Valid(candidate) && keys_[folder].insert(Key(candidate)).second) name = candidate;
      }
      if (name.empty()) name = NewName(folder);
      if (rng_.Percent(folderPercent)) {
        subfolders.push_back(Folder(folder, name, FolderMode()));
        continue;
      }
      File(folder, name, FileSize());
      if (P().caseTwins && rng_.Percent(4)) {
        std::string twin = name;
        for (char& c : twin) {
          if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
          else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
        }
        if (twin != name && Valid(twin) && keys_[folder].insert(Key(twin)).second) {
          File(folder, twin, FileSize());
        }
      }
      if (rng_.Percent(3)) {
        const auto& pair = rng_.Pick(kNormalForms);
        const std::string ext = rng_.Pick(kExtensions);
        if (Valid(pair.first + ext) && Valid(pair.second + ext) &&
            keys_[folder].insert(Key(pair.first + ext)).second &&
            keys_[folder].insert(Key(pair.second + ext)).second) {
          File(folder, pair.first + ext, FileSize());
          File(folder, pair.second + ext, FileSize());
        }
      }
    }
    for (const std::string& sub : subfolders) Fill(sub, depth + 1);
  }

  // At the source's top, which is no volume's top: names a volume or the
  // program keeps apart there or in exactly its own pattern, ordinary here.
  void NamesSpecialElsewhere() {
    static const std::vector<std::string> kFolders = {"RECYCLED", "lost+found", "$RECYCLE.BIN",
                                                      "System Volume Information", ".Trash-1000"};
    static const std::vector<std::string> kFiles = {".mirtel-notes", ".mirtel-x-1.tmp",
                                                    ".mirtel-12-3.tmp.bak",
                                                    ".mirtel-123456789012345678901-1.tmp"};
    for (const std::string& name : kFolders) {
      if (!Valid(name) || !keys_[""].insert(Key(name)).second) continue;
      const std::string folder = Folder("", name, 0755);
      File(folder, NewName(folder), FileSize());
    }
    for (const std::string& name : kFiles) {
      if (Valid(name) && keys_[""].insert(Key(name)).second) File("", name, FileSize());
    }
  }

  // One chain of folders whose path outgrows the system's limit.
  void Chain() {
    const std::size_t bytes = std::min(
        P().longNameBytes, P().deepPathBytes / static_cast<std::size_t>(profile_.chainDepth) + 24);
    std::string folder = rng_.Percent(50) ? std::string() : RandomFolder();
    if (Depth(folder) > 1) folder.clear();
    for (int level = 0; level < profile_.chainDepth; ++level) {
      folder = Folder(folder, NewName(folder, bytes), level == 7 ? 0700 : 0755);
      if (level == profile_.chainDepth / 2) {
        const std::string name = NewName(folder);
        File(folder, name, rng_.Between(0, 3000));
        tree_.chainMiddleFile = Child(folder, name);
      }
    }
    File(folder, NewName(folder, bytes), rng_.Between(1, 20000));
    tree_.chainBottom = folder;
    tree_.pinned.insert(folder);
    tree_.notes.push_back("chain of " + std::to_string(profile_.chainDepth) + " folders, " +
                          std::to_string(Path(folder).size()) + " bytes deep");
  }

  // Mostly holes: a few pieces of data, sometimes at the very end.
  void Sparse(const std::string& folder) {
    const std::string rel = Child(folder, NewName(folder));
    const std::uint64_t size = profile_.sparseSize;
    std::vector<std::pair<std::uint64_t, std::string>> pieces;
    pieces.emplace_back(0, Content(4096));
    pieces.emplace_back(rng_.Between(1, size / 8192 - 4) * 4096,
                        Content(rng_.Between(1, 16) * 4096));
    if (rng_.Percent(50)) pieces.emplace_back(size - 100, Content(100));
    WriteSparse(Path(rel), size, pieces, FileMode() & 0777);
    SetTime(Path(rel), RandomTime());
    tree_.files.push_back(rel);
    tree_.pinned.insert(rel);
    tree_.notes.push_back("sparse file " + Printable(rel));
  }

  // "../" enough to climb from `folder` to the root.
  static std::string Up(const std::string& folder) {
    std::string up;
    for (int i = 0; i < Depth(folder); ++i) up += "../";
    return up;
  }

  // What a link's text names must stay well within the system's limit for
  // it: nothing from the deep chain.
  static constexpr std::size_t kLinkable = 1500;

  std::string PickFile() {
    for (int tries = 0; tries < 100; ++tries) {
      const std::string& f = rng_.Pick(tree_.files);
      if (f.size() < kLinkable && LookAt(Path(f)).kind == Kind::File) return f;
    }
    return NewShortFile();
  }

  std::string ShortFolder() {
    for (int tries = 0; tries < 100; ++tries) {
      const std::string folder = RandomFolder();
      if (folder.size() < kLinkable) return folder;
    }
    return {};
  }

  std::string NewShortFile() {
    const std::string name = NewName("", 20);
    File("", name, 10);
    return name;
  }

  void Link(const std::string& folder, const std::string& target, bool toFolder, const char* what) {
    const std::string rel = Child(folder, NewName(folder));
    MakeLink(Path(rel), target, toFolder);
    tree_.pinned.insert(rel);
    tree_.notes.push_back(std::string(what) + " " + Printable(rel) + " -> " + Printable(target));
  }

  void Links() {
    const char sep = P().sep;
    realtrees::MakeFolder(tree_.outside, 0755);
    const std::string outsideFile = Join(tree_.outside, "外のファイル.txt");
    WriteFile(outsideFile, "outside bytes\n", 0644);
    SetTime(outsideFile, RandomTime());
    realtrees::MakeFolder(Join(tree_.outside, "中"), 0755);
    WriteFile(Join(Join(tree_.outside, "中"), "深い.txt"), "deep outside\n", 0644);

    auto relative = [sep](std::string text) {
      std::replace(text.begin(), text.end(), '/', sep);
      return text;
    };
    for (int i = 0; i < 3; ++i) {
      const std::string file = PickFile();
      const std::string folder = ShortFolder();
      tree_.pinned.insert(file);
      Link(folder, relative(Up(folder) + file), false, "link to a file");
    }
    Link(ShortFolder(), outsideFile, false, "absolute link to a file outside");
    Link(ShortFolder(), "..", true, "link to the folder above");
    Link(ShortFolder(), ".", true, "link to its own folder");
    Link(ShortFolder(), tree_.outside, true, "absolute link to a folder outside");
    Link(ShortFolder(), relative("nothing-here/x"), false, "broken link");
    Link(ShortFolder(), Join(tree_.outside, "消えた"), false, "broken absolute link");
    if (!tree_.folders.empty()) {
      const std::string folder = ShortFolder();
      Link(ShortFolder(), tree_.root + sep + relative(folder), true, "absolute link to a folder");
      tree_.pinned.insert(folder);
    }
    // A link to a link to a file.
    const std::string folder = ShortFolder();
    const std::string first = NewName(folder);
    const std::string file = PickFile();
    tree_.pinned.insert(file);
    MakeLink(Path(Child(folder, first)), relative(Up(folder) + file), false);
    tree_.pinned.insert(Child(folder, first));
    Link(folder, first, false, "link to a link");
    // At the root itself.
    Link("", tree_.outside, true, "root link to a folder outside");
    Link("", outsideFile, false, "root link to a file outside");
  }

  Rng rng_;
  GeneratedTree& tree_;
  const TreeProfile& profile_;
  int entriesLeft_;
  std::uint64_t bytesLeft_;
  std::map<std::string, std::set<std::string>> keys_;  // names used, by folder
  std::string previous_;
};

class Mutator {
 public:
  Mutator(GeneratedTree& tree, std::uint64_t seed, bool keepDeep)
      : tree_(tree), rng_(seed ^ 0x5EED0F5EEDULL), keepDeep_(keepDeep) {}

  void Run() {
    const int files = static_cast<int>(tree_.files.size());
    for (int i = 0; i < std::max(3, files / 80); ++i) Edit(PickFile(), 0);
    if (P().modes) {
      static const std::vector<std::uint32_t> kModes = {0600, 0640, 0444, 0755, 0664};
      for (int i = 0; i < 2; ++i) Edit(PickFile(), rng_.Pick(kModes));
      for (int i = 0; i < 3; ++i) {
        const std::string f = PickFile();
        if (f.empty()) continue;
        SetMode(Path(f), 0600);
        Note("mode only", f);
      }
      const std::string d = PickFolder();
      if (!d.empty()) {
        SetMode(Path(d), 0700);
        Note("folder mode only", d);
      }
    }
    for (int i = 0; i < std::max(3, files / 60); ++i) Remove(PickFile());
    if (!keepDeep_ && !tree_.chainMiddleFile.empty() && Free(tree_.chainMiddleFile)) {
      Remove(tree_.chainMiddleFile);
    }
    for (int i = 0; i < 2; ++i) Remove(PickFolder());
    for (int i = 0; i < 3; ++i) RenameInPlace(PickFile());
    MoveInto(PickFile(), PickFolder());
    RenameInPlace(PickFolder());
    const std::string moving = PickFolder();
    MoveInto(moving, PickFolder());
    FileToFolder(PickFile());
    FolderToFile(PickFolder());
    if (P().links) NewLinks();
    NewDeepFile();
    NewPrivateFolder();
  }

 private:
  std::string Path(const std::string& rel) const { return ToNative(tree_.root, rel); }

  void Note(const char* what, const std::string& rel) {
    tree_.notes.push_back(std::string(what) + " " + Printable(rel));
  }

  // Neither what a link needs nor anything changed already, nor a folder
  // above one of those.
  bool Free(const std::string& rel) const {
    if (P().removableBytes != 0 && rel.size() > P().removableBytes) return false;
    for (const std::string& p : tree_.pinned) {
      if (Within(p, rel)) return false;
    }
    for (const std::string& t : taken_) {
      if (Within(rel, t) || Within(t, rel)) return false;
    }
    return true;
  }

  std::string PickFile() {
    for (int tries = 0; tries < 500; ++tries) {
      const std::string& f = rng_.Pick(tree_.files);
      if (Free(f) && LookAt(Path(f)).kind == Kind::File) return f;
    }
    return {};
  }

  std::string PickFolder() {
    for (int tries = 0; tries < 500 && !tree_.folders.empty(); ++tries) {
      const std::string& f = rng_.Pick(tree_.folders);
      if (Free(f) && LookAt(Path(f)).kind == Kind::Folder) return f;
    }
    return {};
  }

  std::string NewBytes(std::uint64_t size) {
    std::string bytes;
    while (bytes.size() < size) bytes += static_cast<char>(rng_.Next());
    return bytes;
  }

  // New bytes and a time later within the same second.
  void Edit(const std::string& rel, std::uint32_t newMode) {
    if (rel.empty()) return;
    const Stat old = LookAt(Path(rel));
    const std::uint64_t size = rng_.Percent(50) ? old.size : rng_.Between(1, 5000);
    std::uint32_t mode = newMode != 0 ? newMode : (P().modes ? old.mode : 0644);
    // A read-only copy gives way only to a read-only source (the mark came
    // from it): a read-only file edited stays read-only here.
    if (P().modes && !(old.mode & 0200)) mode &= ~std::uint32_t{0222};
    WriteFile(Path(rel), NewBytes(size), mode);
    std::int64_t later =
        old.mtimeNs + static_cast<std::int64_t>(rng_.Between(100000000, 400000000));
    later -= later % P().timeStep;
    SetTime(Path(rel), later);
    Take(rel);
    Note(newMode != 0 ? "edited in the same second, new mode" : "edited in the same second", rel);
  }

  void Remove(const std::string& rel) {
    if (rel.empty()) return;
    RemoveTree(Path(rel));
    Take(rel);
    Note("removed", rel);
  }

  std::string Parent(const std::string& rel) const { return ParentOf(rel); }

  // The root itself is never taken: that would leave nothing to change.
  void Take(const std::string& rel) {
    if (!rel.empty()) taken_.push_back(rel);
  }

  void RenameInPlace(const std::string& rel) {
    if (rel.empty()) return;
    const std::string folder = Parent(rel);
    const std::string to = Child(folder, FreshName(rng_, ToNative(tree_.root, folder)));
    Rename(Path(rel), Path(to));
    Take(rel);
    Take(to);
    Note("renamed", rel);
    Note("  to", to);
  }

  void MoveInto(const std::string& rel, const std::string& folder) {
    if (rel.empty() || Within(folder, rel) || Parent(rel) == folder) return;
    const std::string to = Child(folder, FreshName(rng_, ToNative(tree_.root, folder)));
    Rename(Path(rel), Path(to));
    Take(rel);
    Take(to);
    Note("moved", rel);
    Note("  to", to);
  }

  void FileToFolder(const std::string& rel) {
    if (rel.empty()) return;
    RemoveTree(Path(rel));
    realtrees::MakeFolder(Path(rel), 0755);
    const std::string inner = Child(rel, "中身.txt");
    WriteFile(Path(inner), NewBytes(300), 0644);
    SetTime(Path(inner), 1500000000LL * 1000000000);
    Take(rel);
    Note("file became a folder", rel);
  }

  void FolderToFile(const std::string& rel) {
    if (rel.empty()) return;
    RemoveTree(Path(rel));
    WriteFile(Path(rel), NewBytes(777), 0644);
    SetTime(Path(rel), 1400000000LL * 1000000000);
    Take(rel);
    Note("folder became a file", rel);
  }

  void NewLinks() {
    const std::string folder = PickFolder();
    const std::string file = PickFile();
    // A link's text has its own limit: nothing from the deep chain.
    if (file.empty() || file.size() > 1500 || folder.size() > 1500) return;
    Take(folder);
    Take(file);
    std::string up;
    for (int i = 0; i < Depth(folder); ++i) up += std::string("..") + P().sep;
    std::string target = file;
    std::replace(target.begin(), target.end(), '/', P().sep);
    const std::string native = ToNative(tree_.root, folder);
    const std::string toFile = Child(folder, FreshName(rng_, native));
    MakeLink(Path(toFile), up + target, false);
    Note("new link to a file", toFile);
    const std::string toFolder = Child(folder, FreshName(rng_, native));
    MakeLink(Path(toFolder), "..", true);
    Note("new link to a folder", toFolder);
    const std::string broken = Child(folder, FreshName(rng_, native));
    MakeLink(Path(broken), "gone", false);
    Note("new broken link", broken);
  }

  void NewDeepFile() {
    const std::string& bottom = tree_.chainBottom;
    const std::string native = Path(bottom);
    const std::string rel = Child(bottom, FreshName(rng_, native, 120));
    WriteFile(Path(rel), NewBytes(4321), 0644);
    SetTime(Path(rel), 1600000000LL * 1000000000 + 123456700);
    const std::string sub = Child(bottom, FreshName(rng_, native, 200));
    realtrees::MakeFolder(Path(sub), 0700);
    const std::string inner = Child(sub, FreshName(rng_, Path(sub), 200));
    WriteFile(Path(inner), NewBytes(10), 0600);
    SetTime(Path(inner), 1600000001LL * 1000000000);
    Note("new deep file", rel);
    Note("new deep folder", sub);
  }

  void NewPrivateFolder() {
    const std::string parent = PickFolder();
    const std::string rel = Child(parent, FreshName(rng_, Path(parent)));
    realtrees::MakeFolder(Path(rel), P().modes ? 0700 : 0755);
    for (int i = 0; i < 3; ++i) {
      const std::string file = Child(rel, FreshName(rng_, Path(rel)));
      WriteFile(Path(file), NewBytes(rng_.Between(0, 3000)), P().modes ? 0600 : 0644);
      SetTime(Path(file), 1700000000LL * 1000000000 + i);
    }
    Take(parent);
    Note("new private folder", rel);
  }

  GeneratedTree& tree_;
  Rng rng_;
  bool keepDeep_;
  std::vector<std::string> taken_;
};

}  // namespace

TreeProfile FullProfile() { return TreeProfile{}; }

TreeProfile SmallProfile() {
  TreeProfile p;
  p.entries = 220;
  p.bytes = 2u << 20;
  p.largestFile = 256u << 10;
  p.sparseSize = 4u << 20;
  p.chainDepth = 32;
  p.maxDepth = 4;
  return p;
}

GeneratedTree Generate(std::uint64_t seed, const std::string& root, const std::string& outside,
                       const TreeProfile& profile) {
  GeneratedTree tree;
  tree.root = root;
  tree.outside = outside;
  Builder(seed, tree, profile).Run();
  return tree;
}

void Mutate(GeneratedTree& tree, std::uint64_t seed, bool keepDeep) {
  Mutator(tree, seed, keepDeep).Run();
}

std::string FreshName(Rng& rng, const std::string& folder, std::size_t bytes) {
  std::set<std::string> used;
  for (const std::string& name : Names(folder)) used.insert(Key(name));
  for (int tries = 0; tries < 1000; ++tries) {
    const std::string name = Candidate(rng, bytes);
    if (Valid(name) && used.count(Key(name)) == 0) return name;
  }
  throw std::runtime_error("no free name in " + Printable(folder));
}

}  // namespace mirtel::realtrees
