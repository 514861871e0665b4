#include "tests/realtrees/seed_run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <vector>

#include "cli/cli_options.h"
#include "engine/copy_engine.h"
#include "engine/job_roots.h"
#include "platform/native_file_system.h"
#include "platform/native_path.h"
#include "tests/fakes/forwarding_file_system.h"
#include "tests/fakes/recording_walk_view.h"

namespace mirtel::realtrees {
namespace {

// What the summary line and the exit status must say.
std::vector<std::string> CheckSummary(const JobReport& r, const Outcome& expected) {
  std::vector<std::string> lines;
  const int removed = static_cast<int>(expected.trashed.size());
  if (!r.summary) lines.push_back("no summary line last");
  const int status = expected.failures == 0 ? kExitOk : kExitFailed;
  if (r.status != status) {
    lines.push_back("exit status " + std::to_string(r.status) + ", should be " +
                    std::to_string(status));
  }
  if (r.failed != expected.failures) {
    lines.push_back("failed=" + std::to_string(r.failed) + ", should be " +
                    std::to_string(expected.failures));
  }
  if (r.copied != expected.copies) {
    lines.push_back("copied=" + std::to_string(r.copied) + ", should be " +
                    std::to_string(expected.copies));
  }
  if (r.removed != removed) {
    lines.push_back("removed=" + std::to_string(r.removed) + ", should be " +
                    std::to_string(removed));
  }
  return lines;
}

// Upper case for lower and lower for upper, of ASCII letters.
std::string CaseFlipped(std::string name) {
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 32);
    } else if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c + 32);
    }
  }
  return name;
}

std::string Lower(std::string name) {
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return name;
}

// What a sync of `dest` from `source` would remove, as the job counts it
// before asking about a mass removal.
// `versionsInDest`: the versions folder's path below the destination ("" for
// none there).
PruneCount CountRemovals(FileSystem& fs, Recycler& recycler, const std::string& source,
                         const std::string& dest, const std::string& versionsInDest) {
  const std::string sep(1, kPathSeparator);
  JobState state;
  state.MotoFolder = source + sep;
  state.SakiFolder = dest + sep;
  if (!versionsInDest.empty()) state.VersionsBelowSaki = versionsInDest + sep;
  RecordRoots(fs, state);
  RecordingWalkView view;
  return CopyEngine(fs, recycler, view, state).CountPruning();
}

}  // namespace

int EnvNumber(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::atoi(text) : fallback;
}

SeedRun::SeedRun(int seed, const TreeProfile& profile, const std::string& destTop, int parallel)
    : seed_(seed),
      parallel_(parallel),
      profile_(profile),
      scratch_("seed" + std::to_string(seed), destTop) {
  // Even seeds keep to the Trash; the others keep versions on the
  // destination's volume, beside it or inside it (where no walk may touch
  // them).
  if (seed % 4 == 1) scratch_.versions = Join(scratch_.destParent, "版の保存先");
  if (seed % 4 == 3) {
    scratch_.versionsInDest = "古い版";
    scratch_.versions = Join(scratch_.dest, scratch_.versionsInDest);
  }
}

Snapshot SeedRun::Versions() const {
  if (scratch_.versions.empty() || LookAt(scratch_.versions).kind != Kind::Folder) return {};
  return Take(scratch_.versions);
}

void SeedRun::Run() {
  GeneratedTree tree =
      Generate(static_cast<std::uint64_t>(seed_), scratch_.source, scratch_.outside, profile_);
  everything_ = scratch_.Everything();
  const Snapshot source0 = scratch_.SourceIn(everything_);
  std::cout << "seed " << seed_ << ": " << source0.size() << " entries; " << tree.notes.front()
            << "\n";

  // The first backup, into a destination that does not exist yet.
  Job("copy", false, Expect({}, source0, false));

  // A user's changes, in the source and in the backup.
  Mutate(tree, static_cast<std::uint64_t>(seed_));
  if (ThisPlatform().destFoldsCase) RenameInCase();
  ChangeBackup();
  everything_ = scratch_.Everything();
  dest_ = scratch_.Dest();
  Job("sync", true, Expect(dest_, scratch_.SourceIn(everything_), true));

  // Nothing left to do.
  Outcome nothing = Expect(dest_, scratch_.SourceIn(everything_), true);
  nothing.copies = 0;
  nothing.trashed.clear();
  nothing.dest = dest_;
  Job("second sync", true, nothing);
  if (failed_ || std::getenv("MIRTEL_KEEP_TREES") != nullptr) scratch_.Keep();
}

void SeedRun::Fail(const std::string& step, const std::string& text) {
  failed_ = true;
  ADD_FAILURE() << "seed " << seed_ << ", " << step << ":\n"
                << text << "(replay: MIRTEL_FUZZ_FIRST_SEED=" << seed_
                << " MIRTEL_FUZZ_SEEDS=1; the trees are kept in " << scratch_.root << ")";
}

void SeedRun::Check(const std::string& step, const std::vector<std::string>& lines,
                    const JobReport& report) {
  if (!lines.empty()) Fail(step, Lines(lines) + "the job said: " + report.Text());
}

// One job on the real file system, checked whole. The trees as they stand
// before it are everything_ and dest_, and after it too.
void SeedRun::Job(const std::string& step, bool sync, const Outcome& expected) {
  const std::vector<TrashedItem> trashBefore = scratch_.Trash();
  std::unique_ptr<FileSystem> fs = MakeNativeFileSystem();
  std::unique_ptr<Recycler> recycler = MakeNativeRecycler(*fs);
  const Snapshot versionsBefore = Versions();
  // The count of what a sync would remove reads each folder whole; a tree
  // already in line has nothing to remove. Once a seed (the trees of its
  // runs are the same), the first sync is also counted entry by entry,
  // through a file system that has only the generic reading, and the two
  // counts must agree.
  if (sync && parallel_ <= 1) {
    const std::unique_ptr<FileSystem> counting = MakeNativeFileSystem();
    const PruneCount whole = CountRemovals(*counting, *recycler, scratch_.source, scratch_.dest,
                                           scratch_.versionsInDest);
    std::string counts =
        std::to_string(whole.entries) + " entries, " + std::to_string(whole.removals) + " removals";
    bool agree = whole.entries != 0 && (!expected.trashed.empty() || whole.removals == 0);
    if (step == "sync") {
      ForwardingFileSystem entryByEntry(*counting);
      const PruneCount looked = CountRemovals(entryByEntry, *recycler, scratch_.source,
                                              scratch_.dest, scratch_.versionsInDest);
      counts += "; entry by entry " + std::to_string(looked.entries) + ", " +
                std::to_string(looked.removals);
      agree = agree && whole.entries == looked.entries && whole.removals == looked.removals;
    }
    if (!agree) Fail(step + ": removals counted", counts + "\n");
  }
  const JobReport report = RunJob(*fs, *recycler, scratch_.source, scratch_.destParent, sync,
                                  scratch_.versions, parallel_);
  outputs_.push_back(report.out.substr(0, report.out.rfind(" seconds=")) + report.err);

  Check(step + ": summary", CheckSummary(report, expected), report);
  if (report.found != 1) Check(step + ": summary", {"found=0, the source has files"}, report);
  const Snapshot destBefore = dest_;
  dest_ = scratch_.Dest();
  Check(step + ": destination", Compare(dest_, expected.dest, false), report);
  const Snapshot everythingBefore = everything_;
  everything_ = scratch_.Everything();
  Check(step + ": everything but the destination and the Trash",
        Compare(everything_, everythingBefore, true), report);
  const bool keeping = !scratch_.versions.empty();
  Check(step + ": Trash",
        CheckTrash(scratch_, Added(scratch_.Trash(), trashBefore), destBefore,
                   keeping ? std::vector<std::string>{} : expected.trashed),
        report);
  if (keeping) {
    std::vector<std::string> kept = expected.trashed;
    for (const std::string& rel : Replaced(destBefore, expected.dest)) kept.push_back(rel);
    Check(step + ": versions", CheckVersions(versionsBefore, Versions(), destBefore, kept), report);
  }
}

// The backup changed too: an extra file and folder, a link to a folder
// outside, and a copy the user touched since (newer than its source).
void SeedRun::ChangeBackup() {
  const std::string note = Join(scratch_.dest, "バックアップだけのメモ.txt");
  WriteFile(note, "only in the backup\n", 0644);
  SetTime(note, 1650000000LL * 1000000000);
  const std::string folder = Join(scratch_.dest, "ユーザーの追加フォルダ");
  MakeFolder(folder, 0755);
  WriteFile(Join(folder, "メモ.txt"), "mine\n", 0600);
  if (ThisPlatform().links) MakeLink(Join(scratch_.dest, "外へのリンク"), scratch_.outside, true);
  Rng rng(static_cast<std::uint64_t>(seed_) * 7919);
  const Snapshot dest = scratch_.Dest();
  std::vector<std::string> files;
  for (const auto& [rel, node] : dest) {
    if (node.kind == Kind::File) files.push_back(rel);
  }
  if (!files.empty()) {
    const std::string& rel = rng.Pick(files);
    SetTime(ToNative(scratch_.dest, rel), dest.at(rel).mtimeNs + 2000000000);
  }
}

void SeedRun::RenameInCase() {
  const Snapshot dest = scratch_.Dest();
  // A folder holding files, and a file, each backed up already and without
  // a twin in its folder.
  for (const Kind kind : {Kind::Folder, Kind::File}) {
    const Snapshot source = scratch_.SourceIn(scratch_.Everything());
    for (const auto& [rel, node] : source) {
      const std::string name =
          rel.substr(rel.rfind('/') == std::string::npos ? 0 : rel.rfind('/') + 1);
      const std::string flipped = CaseFlipped(name);
      if (node.kind != kind || flipped == name || dest.count(rel) == 0) continue;
      if (kind == Kind::Folder && Subtree(source, rel).size() < 3) continue;
      const std::string parent = ParentOf(rel);
      bool twin = false;
      for (const std::string& sibling : Names(ToNative(scratch_.source, parent))) {
        twin = twin || (sibling != name && Lower(sibling) == Lower(name));
      }
      if (twin) continue;
      const std::string to = parent.empty() ? flipped : parent + "/" + flipped;
      Rename(ToNative(scratch_.source, rel), ToNative(scratch_.source, to));
      std::cout << "renamed in case: " << Printable(rel) << " -> " << Printable(to) << "\n";
      break;
    }
  }
}

}  // namespace mirtel::realtrees
