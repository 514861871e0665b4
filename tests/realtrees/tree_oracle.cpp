#include "tests/realtrees/tree_oracle.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>

namespace mirtel::realtrees {
namespace {

// The bytes of a file are read once while it stays the same file with the
// same change time: a tree is read a dozen times per job.
std::uint64_t CachedHash(const std::string& path, const Stat& st) {
  struct Seen {
    std::uint64_t size;
    std::int64_t mtimeNs;
    std::int64_t changeNs;
    std::uint64_t hash;
  };
  static std::map<std::pair<std::uint64_t, std::uint64_t>, Seen> seen;
  if (st.file == 0) return HashOf(path);
  const auto key = std::make_pair(st.volume, st.file);
  const auto it = seen.find(key);
  if (it != seen.end() && it->second.size == st.size && it->second.mtimeNs == st.mtimeNs &&
      it->second.changeNs == st.changeNs) {
    return it->second.hash;
  }
  const std::uint64_t hash = HashOf(path);
  seen[key] = Seen{st.size, st.mtimeNs, st.changeNs, hash};
  return hash;
}

Node NodeAt(const std::string& path) {
  const Stat st = LookAt(path);
  Node n;
  n.kind = st.kind;
  n.size = st.size;
  n.mtimeNs = st.mtimeNs;
  n.mode = st.mode;
  n.allocated = st.allocated;
  if (st.kind == Kind::File) n.hash = CachedHash(path, st);
  if (st.kind == Kind::Link) {
    n.target = LinkTarget(path);
    const Stat to = LookThrough(path);
    n.leadsTo = to.kind;
    if (to.kind == Kind::File) {
      n.targetSize = to.size;
      n.targetHash = CachedHash(path, to);
      n.targetMtimeNs = to.mtimeNs;
      n.targetMode = to.mode;
      n.targetAllocated = to.allocated;
    }
  }
  return n;
}

void Walk(const std::string& folder, const std::string& prefix, const std::set<std::string>& skip,
          Snapshot& into) {
  for (const std::string& name : Names(folder)) {
    const std::string rel = prefix.empty() ? name : prefix + "/" + name;
    if (skip.count(rel) != 0) continue;
    const std::string path = Join(folder, name);
    const Node node = NodeAt(path);
    into[rel] = node;
    if (node.kind == Kind::Folder) Walk(path, rel, skip, into);
  }
}

// Copies keep no setuid/setgid bit: a backup must not hand out privileges.
constexpr std::uint32_t kPrivilegeBits = 06000;

Node AsCopy(std::uint64_t size, std::uint64_t hash, std::int64_t mtimeNs, std::uint32_t mode,
            std::uint64_t allocated) {
  Node n;
  n.kind = Kind::File;
  n.size = size;
  n.hash = hash;
  n.mtimeNs = mtimeNs;
  n.mode = mode & 07777 & ~kPrivilegeBits;
  n.allocated = allocated;
  return n;
}

// Two times the destination's volume cannot tell apart: closer than its step.
bool SameTime(std::int64_t a, std::int64_t b) {
  const std::int64_t step = ThisPlatform().destTimeStep;
  const std::uint64_t gap = a > b ? static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b)
                                  : static_cast<std::uint64_t>(b) - static_cast<std::uint64_t>(a);
  return gap < static_cast<std::uint64_t>(step < 1 ? 1 : step);
}

}  // namespace

// A relative name as a volume that ignores letter case compares it: the
// letters of Latin, Greek, Cyrillic and the fullwidth forms in one case.
std::uint32_t FoldedLetter(std::uint32_t cp) {
  if ((cp >= 'A' && cp <= 'Z') || (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) ||
      (cp >= 0x391 && cp <= 0x3A9) || (cp >= 0x410 && cp <= 0x42F) ||
      (cp >= 0xFF21 && cp <= 0xFF3A)) {
    return cp + 32;
  }
  if (cp >= 0x400 && cp <= 0x40F) return cp + 80;
  return cp;
}

std::string Folded(const std::string& rel) {
  std::string out;
  for (std::size_t i = 0; i < rel.size();) {
    const auto c = static_cast<unsigned char>(rel[i]);
    const std::size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    if (i + n > rel.size()) {
      out.append(rel, i, std::string::npos);
      break;
    }
    std::uint32_t cp = n == 1 ? c : n == 2 ? (c & 0x1Fu) : n == 3 ? (c & 0x0Fu) : (c & 0x07u);
    for (std::size_t k = 1; k < n; ++k) {
      cp = (cp << 6) | (static_cast<unsigned char>(rel[i + k]) & 0x3Fu);
    }
    cp = FoldedLetter(cp);
    out += std::to_string(cp) + (rel[i] == '/' ? "/" : ",");
    i += n;
  }
  return out;
}

namespace {

const Platform* overridden = nullptr;

std::string Time(std::int64_t ns) {
  char text[48];
  std::snprintf(text, sizeof text, "%lld.%09lld", static_cast<long long>(ns / 1000000000),
                static_cast<long long>(ns % 1000000000));
  return text;
}

std::string Octal(std::uint32_t mode) {
  char text[16];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode));
  return text;
}

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::Missing:
      return "nothing";
    case Kind::File:
      return "file";
    case Kind::Folder:
      return "folder";
    case Kind::Link:
      return "link";
    case Kind::Fifo:
      return "FIFO";
    case Kind::Other:
      return "special file";
  }
  return "?";
}

// Whether `node` is a sparse file: a copy must keep it so.
bool Sparse(const Node& node) {
  return node.kind == Kind::File && node.size >= (std::uint64_t{1} << 20) &&
         node.allocated * 2 < node.size;
}

}  // namespace

const Platform& ThisPlatform() { return overridden != nullptr ? *overridden : SystemPlatform(); }

PlatformOverride::PlatformOverride(const Platform& platform) : previous_(overridden) {
  overridden = &platform;
}

PlatformOverride::~PlatformOverride() { overridden = previous_; }

Snapshot Take(const std::string& root, const std::set<std::string>& skip) {
  Snapshot snapshot;
  Walk(root, "", skip, snapshot);
  return snapshot;
}

Snapshot TakeItem(const std::string& path) {
  Snapshot snapshot;
  const Node top = NodeAt(path);
  snapshot[""] = top;
  if (top.kind == Kind::Folder) Walk(path, "", {}, snapshot);
  return snapshot;
}

std::string ToNative(const std::string& root, const std::string& rel) {
  if (rel.empty()) return root;
  std::string native = rel;
  std::replace(native.begin(), native.end(), '/', ThisPlatform().sep);
  return Join(root, native);
}

bool Within(const std::string& rel, const std::string& top) {
  if (top.empty()) return true;
  return rel.size() >= top.size() && rel.compare(0, top.size(), top) == 0 &&
         (rel.size() == top.size() || rel[top.size()] == '/');
}

std::string ParentOf(const std::string& rel) {
  const std::size_t slash = rel.rfind('/');
  return slash == std::string::npos ? std::string() : rel.substr(0, slash);
}

Outcome Expect(const Snapshot& destBefore, const Snapshot& source, bool sync) {
  // On a volume that ignores case, names are compared folded; the first of
  // two source names that fold alike (in byte order) is copied, the second
  // is a failure of the job.
  const bool fold = ThisPlatform().destFoldsCase;
  auto key = [fold](const std::string& rel) { return fold ? Folded(rel) : rel; };
  Outcome out;
  // The source as a copy of it looks.
  Snapshot wanted;
  std::set<std::string> wantedKeys;
  for (const auto& [rel, n] : source) {
    const std::string parent = ParentOf(rel);
    if (!parent.empty()) {
      const auto up = wanted.find(parent);
      if (up == wanted.end() || up->second.kind != Kind::Folder) continue;
    }
    const bool copied = n.kind == Kind::Folder || n.kind == Kind::File ||
                        (n.kind == Kind::Link && n.leadsTo == Kind::File);
    if (copied && !wantedKeys.insert(key(rel)).second) {
      ++out.failures;
      continue;
    }
    if (n.kind == Kind::Folder) {
      Node folder;
      folder.kind = Kind::Folder;
      folder.mode = n.mode & 07777 & ~kPrivilegeBits;
      wanted[rel] = folder;
    } else if (n.kind == Kind::File) {
      wanted[rel] = AsCopy(n.size, n.hash, n.mtimeNs, n.mode, n.allocated);
    } else if (n.kind == Kind::Link && n.leadsTo == Kind::File) {
      wanted[rel] =
          AsCopy(n.targetSize, n.targetHash, n.targetMtimeNs, n.targetMode, n.targetAllocated);
    }
  }

  // The destination's entries by the name its volume knows them by.
  std::map<std::string, Snapshot::const_iterator> destByKey;
  for (auto it = destBefore.begin(); it != destBefore.end(); ++it) destByKey[key(it->first)] = it;
  std::set<std::string> kept;   // destination entries that stay as they are (keys)
  std::set<std::string> taken;  // keys of the names the outcome holds
  for (const auto& [rel, w] : wanted) {
    const std::string parent = ParentOf(rel);
    if (!parent.empty()) {
      // Below a name the destination holds as a file (a copy job keeps it).
      const auto up = out.dest.find(parent);
      if (up == out.dest.end() || up->second.kind != Kind::Folder) continue;
    }
    // A name the destination holds in another case is that entry, renamed
    // to the source's spelling by a sync.
    const auto found = destByKey.find(key(rel));
    const bool there = found != destByKey.end();
    const auto d = there ? found->second : destBefore.end();
    taken.insert(key(rel));
    if (there && d->second.kind == w.kind) {
      if (w.kind == Kind::Folder || d->second.mtimeNs > w.mtimeNs ||
          SameTime(d->second.mtimeNs, w.mtimeNs)) {
        out.dest[rel] = d->second;
        kept.insert(key(rel));
      } else {
        out.dest[rel] = w;
        ++out.copies;
      }
      continue;
    }
    if (there && !sync) {
      // An entry of the other kind: left alone without a sync.
      out.dest[rel] = d->second;
      kept.insert(key(rel));
      continue;
    }
    // With a sync, an entry of the other kind makes way for the source's.
    if (there) out.trashed.push_back(d->first);
    out.dest[rel] = w;
    if (w.kind == Kind::File) ++out.copies;
  }

  for (const auto& [rel, d] : destBefore) {
    // Kept, copied over, or already on its way to the Trash.
    if (taken.count(key(rel)) != 0) continue;
    // Below an item that went or was replaced: it goes with it.
    const std::string parent = ParentOf(rel);
    if (!parent.empty() && kept.count(key(parent)) == 0) continue;
    if (sync) {
      out.trashed.push_back(rel);
    } else {
      out.dest[rel] = d;
      kept.insert(key(rel));
    }
  }
  std::sort(out.trashed.begin(), out.trashed.end());
  return out;
}

std::string Mismatch(const Node& actual, const Node& expected) {
  const Platform& platform = ThisPlatform();
  if (actual.kind != expected.kind) {
    return std::string("is a ") + KindName(actual.kind) + ", should be a " +
           KindName(expected.kind);
  }
  std::string why;
  auto add = [&why](const std::string& text) { why += (why.empty() ? "" : "; ") + text; };
  if (actual.kind == Kind::File) {
    if (actual.size != expected.size) {
      add("size " + std::to_string(actual.size) + ", should be " + std::to_string(expected.size));
    } else if (actual.hash != expected.hash) {
      add("other bytes of the same size");
    }
    if (!SameTime(actual.mtimeNs, expected.mtimeNs)) {
      add("time " + Time(actual.mtimeNs) + ", should be " + Time(expected.mtimeNs));
    }
    if (Sparse(expected) &&
        actual.allocated > std::max(expected.allocated * 2, expected.allocated + (1u << 20))) {
      add("holes filled: " + std::to_string(actual.allocated) + " bytes on disk, source " +
          std::to_string(expected.allocated) + " of " + std::to_string(expected.size));
    }
  }
  if (actual.kind == Kind::Link && actual.target != expected.target) {
    add("leads to " + Printable(actual.target) + ", should lead to " + Printable(expected.target));
  }
  if (platform.destModes && actual.kind != Kind::Link && actual.mode != expected.mode) {
    add("mode " + Octal(actual.mode) + ", should be " + Octal(expected.mode));
  }
  return why;
}

std::vector<std::string> Compare(const Snapshot& given, const Snapshot& expected,
                                 bool checkFolderTimes) {
  // A volume that lists names in a case of its own (NTFS through
  // lowntfs-3g with ignore_case): its names are taken as spelled as expected.
  Snapshot respelled;
  const bool respell = ThisPlatform().destFoldsCase;
  if (respell) {
    std::map<std::string, std::string> spelling;
    for (const auto& [rel, node] : expected) spelling[Folded(rel)] = rel;
    for (const auto& [rel, node] : given) {
      const auto it = expected.count(rel) != 0 ? spelling.end() : spelling.find(Folded(rel));
      respelled[it == spelling.end() ? rel : it->second] = node;
    }
  }
  const Snapshot& actual = respell ? respelled : given;
  std::vector<std::string> lines;
  std::string reported = "\x01";  // below an entry already reported as a whole
  std::size_t hidden = 0;
  auto report = [&](const std::string& rel, const std::string& text) {
    lines.push_back(Shown(rel) + ": " + text);
  };
  auto a = actual.begin();
  auto e = expected.begin();
  while (a != actual.end() || e != expected.end()) {
    const bool takeA = e == expected.end() || (a != actual.end() && a->first < e->first);
    const bool takeE = a == actual.end() || (e != expected.end() && e->first < a->first);
    const std::string& rel = takeA ? a->first : e->first;
    if (reported != "\x01" && Within(rel, reported)) {
      ++hidden;
    } else if (takeA) {
      report(rel, "not expected there (" + Describe(a->second) + ")");
      reported = rel;
    } else if (takeE) {
      report(rel, "missing (" + Describe(e->second) + ")");
      reported = rel;
    } else {
      std::string why = Mismatch(a->second, e->second);
      if (why.empty() && checkFolderTimes && a->second.kind == Kind::Folder &&
          a->second.mtimeNs != e->second.mtimeNs) {
        why = "folder changed (time " + Time(a->second.mtimeNs) + ", was " +
              Time(e->second.mtimeNs) + ")";
      }
      if (!why.empty()) report(rel, why);
    }
    if (!takeE) ++a;
    if (!takeA) ++e;
  }
  if (hidden > 0) lines.push_back("(and " + std::to_string(hidden) + " entries below those)");
  return lines;
}

std::string Printable(const std::string& bytes) {
  std::string out;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    std::size_t length = c < 0x80         ? 1
                         : (c >> 5) == 6  ? 2
                         : (c >> 4) == 14 ? 3
                         : (c >> 3) == 30 ? 4
                                          : 0;
    bool valid = length > 0 && i + length <= bytes.size() && (length > 1 || c >= 0x20);
    for (std::size_t k = 1; valid && k < length; ++k) {
      valid = (static_cast<unsigned char>(bytes[i + k]) & 0xC0) == 0x80;
    }
    if (valid) {
      out.append(bytes, i, length);
      i += length;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
      ++i;
    }
  }
  return "\"" + out + "\"";
}

std::string Shown(const std::string& bytes) {
  constexpr std::size_t kHead = 120;
  constexpr std::size_t kTail = 200;
  if (bytes.size() <= kHead + kTail + 40) return Printable(bytes);
  std::size_t head = kHead;
  while (head > 0 && (static_cast<unsigned char>(bytes[head]) & 0xC0) == 0x80) --head;
  std::size_t tail = bytes.size() - kTail;
  while (tail < bytes.size() && (static_cast<unsigned char>(bytes[tail]) & 0xC0) == 0x80) ++tail;
  return Printable(bytes.substr(0, head)) + " ...(" + std::to_string(tail - head) + " bytes)... " +
         Printable(bytes.substr(tail));
}

std::string Describe(const Node& node) {
  std::string text = KindName(node.kind);
  if (node.kind == Kind::File) {
    text += ", " + std::to_string(node.size) + " bytes, time " + Time(node.mtimeNs);
  }
  if (node.kind == Kind::Link) text += " to " + Printable(node.target);
  if (ThisPlatform().modes && node.kind != Kind::Link) text += ", mode " + Octal(node.mode);
  return text;
}

std::string Lines(const std::vector<std::string>& lines, std::size_t max) {
  std::string text;
  for (std::size_t i = 0; i < lines.size() && i < max; ++i) text += "  " + lines[i] + "\n";
  if (lines.size() > max) text += "  ... " + std::to_string(lines.size() - max) + " more\n";
  return text;
}

}  // namespace mirtel::realtrees
