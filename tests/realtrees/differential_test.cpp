// Generated trees copied, changed and synced by whole jobs on the real file
// system, each result checked against the oracle: the destination, the
// Trash, the counts of the summary line, and everything else untouched.
// MIRTEL_FUZZ_SEEDS trees from MIRTEL_FUZZ_FIRST_SEED on (4 from 1).
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "platform/native_file_system.h"
#include "tests/realtrees/job_harness.h"
#include "tests/realtrees/tree_generator.h"

namespace mirtel::realtrees {
namespace {

int EnvNumber(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::atoi(text) : fallback;
}

// What the summary line and the exit status must say.
std::vector<std::string> CheckSummary(const JobReport& r, int copied, int removed) {
  std::vector<std::string> lines;
  if (!r.summary) lines.push_back("no summary line last");
  if (r.status != kExitOk) {
    lines.push_back("exit status " + std::to_string(r.status) + ", should be 0");
  }
  if (r.failed != 0) lines.push_back("failed=" + std::to_string(r.failed) + ", should be 0");
  if (r.copied != copied) {
    lines.push_back("copied=" + std::to_string(r.copied) + ", should be " + std::to_string(copied));
  }
  if (r.removed != removed) {
    lines.push_back("removed=" + std::to_string(r.removed) + ", should be " +
                    std::to_string(removed));
  }
  return lines;
}

class SeedRun {
 public:
  explicit SeedRun(int seed) : seed_(seed), scratch_("seed" + std::to_string(seed)) {}

  void Run() {
    GeneratedTree tree = Generate(static_cast<std::uint64_t>(seed_), scratch_.source,
                                  scratch_.outside, FullProfile());
    everything_ = scratch_.Everything();
    const Snapshot source0 = scratch_.SourceIn(everything_);
    std::cout << "seed " << seed_ << ": " << source0.size() << " entries; " << tree.notes.front()
              << "\n";

    // The first backup, into a destination that does not exist yet.
    Job("copy", false, Expect({}, source0, false));

    // A user's changes, in the source and in the backup.
    Mutate(tree, static_cast<std::uint64_t>(seed_));
    ChangeBackup();
    everything_ = scratch_.Everything();
    dest_ = scratch_.Dest();
    Job("sync", true, Expect(dest_, scratch_.SourceIn(everything_), true));

    // Nothing left to do.
    Outcome nothing;
    nothing.dest = dest_;
    Job("second sync", true, nothing);
    if (failed_ || std::getenv("MIRTEL_KEEP_TREES") != nullptr) scratch_.Keep();
  }

 private:
  void Fail(const std::string& step, const std::string& text) {
    failed_ = true;
    ADD_FAILURE() << "seed " << seed_ << ", " << step << ":\n"
                  << text << "(replay: MIRTEL_FUZZ_FIRST_SEED=" << seed_
                  << " MIRTEL_FUZZ_SEEDS=1; the trees are kept in " << scratch_.root << ")";
  }

  void Check(const std::string& step, const std::vector<std::string>& lines,
             const JobReport& report) {
    if (!lines.empty()) Fail(step, Lines(lines) + "the job said: " + report.Text());
  }

  // One job on the real file system, checked whole. The trees as they
  // stand before it are everything_ and dest_, and after it too.
  void Job(const std::string& step, bool sync, const Outcome& expected) {
    const std::vector<TrashedItem> trashBefore = scratch_.Trash();
    std::unique_ptr<FileSystem> fs = MakeNativeFileSystem();
    std::unique_ptr<Recycler> recycler = MakeNativeRecycler(*fs);
    const JobReport report = RunJob(*fs, *recycler, scratch_.source, scratch_.destParent, sync);

    Check(step + ": summary",
          CheckSummary(report, expected.copies, static_cast<int>(expected.trashed.size())), report);
    if (report.found != 1) Check(step + ": summary", {"found=0, the source has files"}, report);
    const Snapshot destBefore = dest_;
    dest_ = scratch_.Dest();
    Check(step + ": destination", Compare(dest_, expected.dest, false), report);
    const Snapshot everythingBefore = everything_;
    everything_ = scratch_.Everything();
    Check(step + ": everything but the destination and the Trash",
          Compare(everything_, everythingBefore, true), report);
    Check(step + ": Trash",
          CheckTrash(scratch_, Added(scratch_.Trash(), trashBefore), destBefore, expected.trashed),
          report);
  }

  // The backup changed too: an extra file and folder, a link to a folder
  // outside, and a copy the user touched since (newer than its source).
  void ChangeBackup() {
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
      SetTime(ToNative(scratch_.dest, rel), dest.at(rel).mtimeNs + 1000000000);
    }
  }

  int seed_;
  Scratch scratch_;
  Snapshot everything_;  // all but the destination and the Trash
  Snapshot dest_;
  bool failed_ = false;
};

TEST(RealTrees, CopyThenSyncMatchTheOracle) {
  const int first = EnvNumber("MIRTEL_FUZZ_FIRST_SEED", 1);
  const int count = EnvNumber("MIRTEL_FUZZ_SEEDS", 4);
  for (int seed = first; seed < first + count; ++seed) {
    SeedRun run(seed);
    try {
      run.Run();
    } catch (const std::exception& e) {
      ADD_FAILURE() << "seed " << seed << ": the test itself could not go on: " << e.what();
    }
  }
}

}  // namespace
}  // namespace mirtel::realtrees
