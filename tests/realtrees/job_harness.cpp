#include "tests/realtrees/job_harness.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "cli/cli_job.h"
#include "platform/native_ansi_codec.h"

namespace mirtel::realtrees {
namespace {

const char kSourceName[] = "元データ 写真と書類";
const char kDestParentName[] = "バックアップ先";
const char kDataName[] = "data";

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string PercentDecoded(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
        HexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string ReadSmallFile(const std::string& path) {
  std::string bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.append(buffer, n);
    std::fclose(f);
  }
  return bytes;
}

}  // namespace

std::string JobReport::Text() const {
  std::string text = "exit status " + std::to_string(status) + "\n";
  const std::vector<std::string> lines = SplitLines(out);
  if (summary) text += "  " + lines.back() + "\n";
  int shown = 0;
  for (const std::string& line : lines) {
    if (line.rfind("result: ", 0) != 0) continue;
    static const char* kTelling[] = {"失敗", "でき", "ません", "エラー", "残し"};
    for (const char* word : kTelling) {
      if (line.find(word) != std::string::npos) {
        if (++shown <= 25) text += "  " + Shown(line) + "\n";
        break;
      }
    }
  }
  if (shown > 25) text += "  ... " + std::to_string(shown - 25) + " more such result lines\n";
  int messages = 0;
  for (const std::string& line : SplitLines(err)) {
    if (++messages <= 25) text += "  " + Shown(line) + "\n";
  }
  if (messages > 25) text += "  ... " + std::to_string(messages - 25) + " more messages\n";
  return text;
}

JobReport RunJob(FileSystem& fs, Recycler& recycler, const std::string& source,
                 const std::string& destParent, bool sync, const std::string& versions,
                 int parallel) {
  CliOptions options;
  options.versions = versions;
  options.parallel = parallel;
  options.source = source;
  options.dest = destParent;
  options.sync = sync;
  options.verbose = true;
  std::ostringstream out;
  std::ostringstream err;
  const std::atomic<bool> interrupted{false};
  JobReport report;
  const auto codec = MakeNativeAnsiCodec();
  CliPlatform platform{fs, recycler, *codec, {}, false};
  report.status = RunCopyJob(options, platform, out, err, interrupted);
  report.out = out.str();
  report.err = err.str();
  const std::vector<std::string> lines = SplitLines(report.out);
  if (!lines.empty()) {
    report.summary =
        std::sscanf(lines.back().c_str(), "copied=%d found=%d failed=%d removed=%d", &report.copied,
                    &report.found, &report.failed, &report.removed) == 4;
  }
  return report;
}

Scratch::Scratch(const std::string& label, const std::string& destTop) : destTop_(destTop) {
  root = MakeScratch(label);
  source = Join(root, kSourceName);
  destParent = Join(destTop.empty() ? root : destTop, kDestParentName);
  dest = Join(destParent, kSourceName);
  outside = Join(root, "外");
  dataHome = Join(root, kDataName);
  cwd = Join(root, "cwd");
  MakeFolder(destParent, 0755);
  MakeFolder(cwd, 0755);
  oldUmask_ = SetUmask(022);
  oldCwd_ = CurrentDir();
  ChangeDir(cwd);
  if (const char* old = std::getenv("XDG_DATA_HOME")) {
    hadDataHome_ = true;
    oldDataHome_ = old;
  }
  SetEnv("XDG_DATA_HOME", dataHome);
}

Scratch::~Scratch() {
  try {
    ChangeDir(oldCwd_);
    SetUmask(oldUmask_);
    if (hadDataHome_) SetEnv("XDG_DATA_HOME", oldDataHome_);
    if (!keep_) RemoveTree(root);
    if (!keep_ && !destTop_.empty()) RemoveTree(destParent);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "scratch %s left: %s\n", root.c_str(), e.what());
  }
}

Snapshot Scratch::Everything() const { return Take(root, {kDestParentName, kDataName}); }

Snapshot Scratch::SourceIn(const Snapshot& everything) const {
  Snapshot tree = Subtree(everything, kSourceName);
  tree.erase(std::string());
  return tree;
}

Snapshot Scratch::Dest() const {
  if (LookAt(dest).kind != Kind::Folder) return {};
  if (!versionsInDest.empty()) return Take(dest, {versionsInDest});
  return Take(dest);
}

std::vector<TrashedItem> Scratch::Trash() const {
  std::vector<TrashedItem> items;
  if (!ThisPlatform().trash) return items;
  const std::string& volumeTrash = ThisPlatform().destTrash;
  const std::string trash = volumeTrash.empty() ? Join(dataHome, "Trash") : volumeTrash;
  const std::string info = Join(trash, "info");
  if (LookAt(info).kind != Kind::Folder) return items;
  const std::string suffix = ".trashinfo";
  for (const std::string& name : Names(info)) {
    TrashedItem item;
    item.info = name;
    for (const std::string& line : SplitLines(ReadSmallFile(Join(info, name)))) {
      if (line.rfind("Path=", 0) == 0) item.from = PercentDecoded(line.substr(5));
    }
    if (name.size() > suffix.size() &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
      const std::string file =
          Join(Join(trash, "files"), name.substr(0, name.size() - suffix.size()));
      if (LookAt(file).kind != Kind::Missing) item.item = TakeItem(file);
    }
    items.push_back(item);
  }
  return items;
}

std::string Scratch::Relative(const std::string& path) const {
  const char sep = ThisPlatform().sep;
  std::string p = path;
  while (p.size() > 1 && p.back() == sep) p.pop_back();
  for (const std::string& top : {source, dest}) {
    if (p.size() > top.size() + 1 && p.compare(0, top.size(), top) == 0 && p[top.size()] == sep) {
      std::string rel = p.substr(top.size() + 1);
      for (char& c : rel) {
        if (c == sep) c = '/';
      }
      return rel;
    }
  }
  return {};
}

Snapshot Subtree(const Snapshot& snapshot, const std::string& rel) {
  if (rel.empty()) return snapshot;
  Snapshot item;
  if (const auto self = snapshot.find(rel); self != snapshot.end()) item[""] = self->second;
  // What lies below comes after "<rel>/", not right after "<rel>": a
  // sibling "<rel> x" sorts in between.
  const std::string below = rel + "/";
  for (auto it = snapshot.lower_bound(below);
       it != snapshot.end() && it->first.compare(0, below.size(), below) == 0; ++it) {
    item[it->first.substr(below.size())] = it->second;
  }
  return item;
}

std::vector<TrashedItem> Added(const std::vector<TrashedItem>& after,
                               const std::vector<TrashedItem>& before) {
  std::set<std::string> old;
  for (const TrashedItem& item : before) old.insert(item.info);
  std::vector<TrashedItem> added;
  for (const TrashedItem& item : after) {
    if (old.count(item.info) == 0) added.push_back(item);
  }
  return added;
}

std::vector<std::string> CheckTrash(const Scratch& scratch, const std::vector<TrashedItem>& added,
                                    const Snapshot& destBefore,
                                    const std::vector<std::string>& expected,
                                    const std::vector<std::string>& mayStay) {
  std::vector<std::string> lines;
  if (!ThisPlatform().trash) return lines;
  std::map<std::string, int> found;
  // Where the destination ignores case, an item may go under the spelling
  // it was given just before (a sync's rename): named as it was known.
  std::map<std::string, std::string> spelling;
  if (ThisPlatform().destFoldsCase) {
    for (const auto& [rel, node] : destBefore) spelling[Folded(rel)] = rel;
    for (const std::string& e : expected) spelling[Folded(e)] = e;
  }
  for (const TrashedItem& item : added) {
    std::string rel = scratch.Relative(item.from);
    if (const auto known = spelling.find(Folded(rel)); known != spelling.end()) {
      rel = known->second;
    }
    if (rel.empty() || item.from.rfind(scratch.dest, 0) != 0) {
      lines.push_back("Trash holds " + Shown(item.from) + ", from outside the destination");
      continue;
    }
    if (item.item.empty()) {
      lines.push_back("Trash lists " + Shown(rel) + " but does not hold it");
      continue;
    }
    ++found[rel];
    bool wanted = false;
    for (const std::string& e : expected) wanted = wanted || e == rel;
    if (!wanted) {
      lines.push_back(Shown(rel) + ": went to the Trash, but the source still has it");
    }
    for (const std::string& d : Compare(item.item, Subtree(destBefore, rel), false)) {
      lines.push_back("in the Trash, " + Shown(rel) + ": " + d);
    }
  }
  for (const std::string& e : expected) {
    bool excused = false;
    for (const std::string& m : mayStay) excused = excused || Within(e, m);
    if (found[e] == 0 && !excused) lines.push_back(Shown(e) + ": should be in the Trash");
    if (found[e] > 1)
      lines.push_back(Shown(e) + ": in the Trash " + std::to_string(found[e]) + " times");
  }
  return lines;
}

std::vector<std::string> Replaced(const Snapshot& destBefore, const Snapshot& destAfter) {
  std::map<std::string, std::string> after;
  for (const auto& [rel, node] : destAfter) {
    after[ThisPlatform().destFoldsCase ? Folded(rel) : rel] = rel;
  }
  std::vector<std::string> replaced;
  for (const auto& [rel, old] : destBefore) {
    const auto found = after.find(ThisPlatform().destFoldsCase ? Folded(rel) : rel);
    if (old.kind != Kind::File || found == after.end()) continue;
    const Node& now = destAfter.at(found->second);
    if (now.kind == Kind::File &&
        (now.hash != old.hash || now.size != old.size || now.mtimeNs != old.mtimeNs)) {
      replaced.push_back(rel);
    }
  }
  return replaced;
}

std::vector<std::string> CheckVersions(const Snapshot& before, const Snapshot& after,
                                       const Snapshot& destBefore,
                                       const std::vector<std::string>& kept) {
  std::vector<std::string> lines;
  std::set<std::string> added;
  for (const auto& [rel, node] : after) {
    if (before.count(rel) == 0 && rel.find('/') == std::string::npos) added.insert(rel);
  }
  for (const auto& [rel, node] : before) {
    if (after.count(rel) == 0) lines.push_back(Shown(rel) + ": gone from the versions folder");
  }
  if (kept.empty()) {
    for (const auto& [rel, node] : after) {
      if (before.count(rel) == 0) lines.push_back(Shown(rel) + ": kept, but nothing was to be");
    }
    return lines;
  }
  // One folder per job, named by its local date and time.
  const auto stamped = [](const std::string& name) {
    static const std::string form = "0000-00-00_000000";
    if (name.size() != form.size()) return false;
    for (std::size_t i = 0; i < form.size(); ++i) {
      const bool digit = name[i] >= '0' && name[i] <= '9';
      if (form[i] == '0' ? !digit : name[i] != form[i]) return false;
    }
    return true;
  };
  if (added.size() != 1 || !stamped(*added.begin()) ||
      after.at(*added.begin()).kind != Kind::Folder) {
    lines.push_back(
        "the versions folder should have gained one folder named by the date and "
        "time, it gained " +
        std::to_string(added.size()) + " entries");
    return lines;
  }
  const std::string job = *added.begin();
  const Snapshot held = Subtree(after, job);
  const auto key = [](const std::string& rel) {
    return ThisPlatform().destFoldsCase ? Folded(rel) : rel;
  };
  std::map<std::string, std::string> heldByKey;
  for (const auto& [rel, node] : held) heldByKey[key(rel)] = rel;
  for (const std::string& rel : kept) {
    const auto found = heldByKey.find(key(rel));
    if (found == heldByKey.end()) {
      lines.push_back(Shown(rel) + ": replaced or removed, but not kept in the versions folder");
      continue;
    }
    for (const std::string& d :
         Compare(Subtree(held, found->second), Subtree(destBefore, rel), false)) {
      lines.push_back("kept " + Shown(rel) + ": " + d);
    }
  }
  // Nothing else: every entry lies in a kept item or leads to one (as the
  // volume compares names).
  const auto within = [&](const std::string& rel, const std::string& top) {
    return key(rel) == key(top) || key(rel).rfind(key(top + "/"), 0) == 0;
  };
  for (const auto& [rel, node] : held) {
    if (rel.empty()) continue;
    bool expected = false;
    for (const std::string& k : kept) expected = expected || within(rel, k) || within(k, rel);
    if (!expected)
      lines.push_back(Shown(rel) + ": kept, but the job neither replaced nor removed it");
  }
  return lines;
}

}  // namespace mirtel::realtrees
