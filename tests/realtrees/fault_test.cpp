// One fault per job, at the first, a middle and the last call of one kind:
// a call that fails, an entry that vanishes between its listing and its use,
// a file that takes a copy's name just before the copy is made, a source
// root swapped for an empty folder during the sync. Whatever the fault, the
// rest of the tree is copied, the failure is counted, nothing outside the
// destination is touched and nothing in it is lost.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "platform/native_file_system.h"
#include "tests/fakes/faulty_file_system.h"
#include "tests/realtrees/job_harness.h"
#include "tests/realtrees/tree_generator.h"

namespace mirtel::realtrees {
namespace {

constexpr std::uint64_t kSeed = 11;

enum class Phase { Copy, Sync };  // the first backup, or a sync after changes
// TurnUp: a file newer than the source takes the copy's name; TurnUpOld:
// one older than the source.
enum class Effect { Fail, Vanish, Swap, TurnUp, TurnUpOld };
enum class Where { Anywhere, Source, Dest, DestParent };

struct FaultCase {
  const char* name;
  Phase phase;
  FsCall call;
  Effect effect;
  FsErrorKind error;
  Where where;
};

const FaultCase kCases[] = {
    {"CopyListStart", Phase::Copy, FsCall::ListStart, Effect::Fail, FsErrorKind::AccessDenied,
     Where::Anywhere},
    {"CopyListResume", Phase::Copy, FsCall::ListResume, Effect::Fail, FsErrorKind::Other,
     Where::Anywhere},
    {"CopyListNext", Phase::Copy, FsCall::ListNext, Effect::Fail, FsErrorKind::Other,
     Where::Anywhere},
    {"CopyAttributes", Phase::Copy, FsCall::Attributes, Effect::Fail, FsErrorKind::AccessDenied,
     Where::Anywhere},
    {"CopyLastWriteTime", Phase::Copy, FsCall::LastWriteTime, Effect::Fail,
     FsErrorKind::AccessDenied, Where::Anywhere},
    {"CopyMakeFolder", Phase::Copy, FsCall::MakeFolder, Effect::Fail, FsErrorKind::DiskFull,
     Where::Anywhere},
    {"CopyCopyFile", Phase::Copy, FsCall::CopyFile, Effect::Fail, FsErrorKind::DiskFull,
     Where::Anywhere},
    {"CopyIdentify", Phase::Copy, FsCall::Identify, Effect::Fail, FsErrorKind::Other,
     Where::Anywhere},
    {"CopyVanishAtAttributes", Phase::Copy, FsCall::Attributes, Effect::Vanish, FsErrorKind::Other,
     Where::Source},
    {"CopyVanishAtCopyFile", Phase::Copy, FsCall::CopyFile, Effect::Vanish, FsErrorKind::Other,
     Where::Source},
    {"CopyTurnUpNewer", Phase::Copy, FsCall::CopyFile, Effect::TurnUp, FsErrorKind::Other,
     Where::Source},
    {"CopyTurnUpOlder", Phase::Copy, FsCall::CopyFile, Effect::TurnUpOld, FsErrorKind::Other,
     Where::Source},
    {"SyncListStart", Phase::Sync, FsCall::ListStart, Effect::Fail, FsErrorKind::AccessDenied,
     Where::Anywhere},
    {"SyncListResume", Phase::Sync, FsCall::ListResume, Effect::Fail, FsErrorKind::Other,
     Where::Anywhere},
    {"SyncListNext", Phase::Sync, FsCall::ListNext, Effect::Fail, FsErrorKind::Other,
     Where::Anywhere},
    {"SyncAttributes", Phase::Sync, FsCall::Attributes, Effect::Fail, FsErrorKind::AccessDenied,
     Where::Anywhere},
    {"SyncLastWriteTime", Phase::Sync, FsCall::LastWriteTime, Effect::Fail,
     FsErrorKind::AccessDenied, Where::Anywhere},
    {"SyncMakeFolder", Phase::Sync, FsCall::MakeFolder, Effect::Fail, FsErrorKind::DiskFull,
     Where::Anywhere},
    {"SyncCopyFile", Phase::Sync, FsCall::CopyFile, Effect::Fail, FsErrorKind::DiskFull,
     Where::Anywhere},
    {"SyncIdentify", Phase::Sync, FsCall::Identify, Effect::Fail, FsErrorKind::Other,
     Where::Anywhere},
    {"SyncRecycle", Phase::Sync, FsCall::Recycle, Effect::Fail, FsErrorKind::NoRecycleBin,
     Where::Anywhere},
    {"SyncVanishAtAttributes", Phase::Sync, FsCall::Attributes, Effect::Vanish, FsErrorKind::Other,
     Where::Dest},
    {"SyncTurnUpNewer", Phase::Sync, FsCall::CopyFile, Effect::TurnUp, FsErrorKind::Other,
     Where::Source},
    {"SyncSwapSourceAtListing", Phase::Sync, FsCall::ListStart, Effect::Swap, FsErrorKind::Other,
     Where::DestParent},
    {"SyncSwapSourceAtIdentify", Phase::Sync, FsCall::Identify, Effect::Swap, FsErrorKind::Other,
     Where::Anywhere},
};

// The jobs under fault run with copies in flight: their results are told
// in the walk's order, whatever a fault did to one of them.
constexpr int kCopiesInFlight = 8;

// A generated tree, backed up once and changed when the fault is to hit the
// sync: the same at every run, so that call N is the same call each time.
struct Scenario {
  explicit Scenario(const FaultCase& c) : scratch(c.name) {
    tree = Generate(kSeed, scratch.source, scratch.outside, SmallProfile());
    if (c.phase == Phase::Sync) {
      std::unique_ptr<FileSystem> fs = MakeNativeFileSystem();
      std::unique_ptr<Recycler> recycler = MakeNativeRecycler(*fs);
      const JobReport first = RunJob(*fs, *recycler, scratch.source, scratch.destParent, false);
      if (first.status != kExitOk) {
        throw std::runtime_error("the backup before the fault failed:\n" + first.Text());
      }
      // The deep file stays: its removal is the differential test's (the
      // Recycle Bin cannot take it under Wine), and here it would hide the
      // fault under test.
      Mutate(tree, kSeed, true);
    }
    destBefore = scratch.Dest();
    everything = scratch.Everything();
    trashBefore = scratch.Trash();
  }

  std::string Under(Where where) const {
    const char sep = ThisPlatform().sep;
    switch (where) {
      case Where::Anywhere:
        return {};
      case Where::Source:
        return scratch.source + sep;
      case Where::Dest:
        return scratch.dest + sep;
      case Where::DestParent:
        return scratch.destParent + sep;
    }
    return {};
  }

  Scratch scratch;
  GeneratedTree tree;
  Snapshot destBefore;
  Snapshot everything;  // all but the destination and the Trash, as it must stay
  std::vector<TrashedItem> trashBefore;
};

class FaultTest : public ::testing::TestWithParam<FaultCase> {
 protected:
  // How many calls the fault may hit: the job once without it.
  int CountCalls() {
    const FaultCase& c = GetParam();
    Scenario s(c);
    std::unique_ptr<FileSystem> real = MakeNativeFileSystem();
    std::unique_ptr<Recycler> realRecycler = MakeNativeRecycler(*real);
    FaultyFileSystem fs(*real);
    FaultyRecycler recycler(fs, *realRecycler);
    RunJob(fs, recycler, s.scratch.source, s.scratch.destParent, c.phase == Phase::Sync, {},
           kCopiesInFlight);
    return FaultyFileSystem::Count(fs.Log(), c.call, s.Under(c.where));
  }

  void RunWithFault(int nth, int count);
};

std::string Moved(const Scratch& scratch) { return scratch.source + ".moved"; }

void FaultTest::RunWithFault(int nth, int count) {
  const FaultCase& c = GetParam();
  Scenario s(c);
  Scratch& scratch = s.scratch;
  std::unique_ptr<FileSystem> real = MakeNativeFileSystem();
  std::unique_ptr<Recycler> realRecycler = MakeNativeRecycler(*real);
  FaultyFileSystem fs(*real);
  FaultyRecycler recycler(fs, *realRecycler);
  fs.fault.call = c.call;
  fs.fault.nth = nth;
  fs.fault.error = c.error;
  fs.fault.under = s.Under(c.where);
  fs.fault.action =
      c.effect == Effect::Fail ? FaultyFileSystem::Action::Fail : FaultyFileSystem::Action::Hook;
  std::string vanished;   // relative name of what the hook took away
  Snapshot vanishedItem;  // what it held, when it was the source's
  bool swapped = false;
  std::string turnedUp;  // relative name a newer file took
  Node turnedUpNode;     // that file
  std::string hookTrouble;
  fs.hook = [&](const FaultyFileSystem::Call& call) {
    try {
      if (c.effect == Effect::Vanish) {
        vanished = scratch.Relative(call.path);
        if (vanished.empty()) return;
        const bool inDest = call.path.rfind(scratch.dest, 0) == 0;
        const std::string path = ToNative(inDest ? scratch.dest : scratch.source, vanished);
        if (!inDest) vanishedItem = TakeItem(path);
        RemoveTree(path);
      } else if (c.effect == Effect::TurnUp || c.effect == Effect::TurnUpOld) {
        // Only a name the walk found free can be taken.
        if (LookAt(call.dest).kind != Kind::Missing) return;
        const std::int64_t day = std::int64_t{86400} * 1000000000;
        const std::int64_t when = LookThrough(call.path).mtimeNs;
        WriteFile(call.dest, "名前を先に取ったファイル", 0644);
        SetTime(call.dest, c.effect == Effect::TurnUp ? when + day : when - day);
        if (c.effect == Effect::TurnUp) {
          turnedUp = scratch.Relative(call.dest);
          turnedUpNode = TakeItem(call.dest).at("");
        }
      } else {
        // The source unmounted, an empty mount point left in its place.
        Rename(scratch.source, Moved(scratch));
        MakeFolder(scratch.source, 0755);
        swapped = true;
      }
      s.everything = scratch.Everything();
    } catch (const std::exception& e) {
      hookTrouble = e.what();
    }
  };

  const JobReport report = RunJob(fs, recycler, scratch.source, scratch.destParent,
                                  c.phase == Phase::Sync, {}, kCopiesInFlight);

  std::vector<std::string> lines;
  if (!hookTrouble.empty()) lines.push_back("the fault could not be made: " + hookTrouble);

  // What the job had to work from: the source as it stands (less what
  // vanished), the real one when it was swapped away.
  const Snapshot source = Take(swapped ? Moved(scratch) : scratch.source);
  const Outcome expected = Expect(s.destBefore, source, c.phase == Phase::Sync);
  const Snapshot dest = scratch.Dest();
  const std::vector<TrashedItem> added = Added(scratch.Trash(), s.trashBefore);

  // Where the fault may have left work undone.
  std::vector<std::string> excused;
  if (fs.Triggered()) {
    if (c.effect == Effect::Swap || c.call == FsCall::Identify) {
      excused.push_back("");
    } else if (c.effect == Effect::TurnUpOld) {
      // Nothing: the copy replaces the older file as any other.
    } else {
      excused.push_back(scratch.Relative(fs.Hit().path));
    }
  }
  auto isExcused = [&excused](const std::string& rel) {
    return std::any_of(excused.begin(), excused.end(),
                       [&rel](const std::string& e) { return Within(rel, e); });
  };

  // The job refused to start: nothing may have changed.
  const bool refused = report.status == kExitBadInput;
  if (refused && (!Compare(dest, s.destBefore, false).empty() || !added.empty())) {
    lines.push_back("exit status 2 (bad input), yet the destination or the Trash changed");
  }

  // Every entry the fault did not touch is as the oracle says.
  std::vector<std::string> wrong;
  for (const auto& [rel, want] : expected.dest) {
    if (isExcused(rel)) continue;
    const auto got = dest.find(rel);
    if (got == dest.end()) {
      wrong.push_back(Shown(rel) + ": missing (" + Describe(want) + ")");
    } else if (const std::string why = Mismatch(got->second, want); !why.empty()) {
      wrong.push_back(Shown(rel) + ": " + why);
    }
  }
  // Nothing else there: what stayed behind because of the fault is as it was.
  for (const auto& [rel, got] : dest) {
    const auto want = expected.dest.find(rel);
    if (want != expected.dest.end() && (!isExcused(rel) || Mismatch(got, want->second).empty())) {
      continue;
    }
    const auto old = s.destBefore.find(rel);
    if (isExcused(rel) && old != s.destBefore.end() && Mismatch(got, old->second).empty()) continue;
    if (rel == turnedUp) continue;  // checked below
    // Copied as it was listed, just before it vanished: a folder, or the
    // file's bytes as they were.
    if (!vanished.empty() && Within(rel, vanished)) {
      const auto was =
          vanishedItem.find(rel == vanished ? std::string() : rel.substr(vanished.size() + 1));
      if (was != vanishedItem.end() && got.kind == Kind::Folder &&
          was->second.kind == Kind::Folder) {
        continue;
      }
      if (was != vanishedItem.end() && got.kind == Kind::File && was->second.kind == Kind::File &&
          got.hash == was->second.hash && got.size == was->second.size) {
        continue;
      }
    }
    wrong.push_back(Shown(rel) + ": not expected there (" + Describe(got) + ")");
  }
  const bool complete = Compare(dest, expected.dest, false).empty() &&
                        CheckTrash(scratch, added, s.destBefore, expected.trashed).empty();
  if (!refused && !(c.effect == Effect::Swap && fs.Triggered())) {
    lines.insert(lines.end(), wrong.begin(), wrong.end());
  }

  // Nothing in the destination lost: each file is there, the same or newer,
  // or in the Trash because the source has it no more.
  for (const auto& [rel, old] : s.destBefore) {
    if (old.kind != Kind::File) continue;
    if (!vanished.empty() && Within(rel, vanished)) continue;
    const auto got = dest.find(rel);
    if (got != dest.end() && got->second.kind == Kind::File &&
        (Mismatch(got->second, old).empty() || got->second.mtimeNs >= old.mtimeNs)) {
      continue;
    }
    const bool trashed = std::any_of(added.begin(), added.end(), [&](const TrashedItem& t) {
      return Within(rel, scratch.Relative(t.from));
    });
    const bool mayGo = std::any_of(expected.trashed.begin(), expected.trashed.end(),
                                   [&rel](const std::string& t) { return Within(rel, t); });
    if (!mayGo || (ThisPlatform().trash && !trashed)) {
      lines.push_back(Shown(rel) + ": LOST from the destination (" + Describe(old) + ")");
    }
  }

  // The Trash holds only what the source no longer has, as it was.
  std::vector<std::string> mayStay = excused;
  if (c.effect == Effect::Fail && c.call == FsCall::Recycle && fs.Triggered()) {
    mayStay.push_back(scratch.Relative(fs.Hit().path));
  }
  for (const std::string& line :
       CheckTrash(scratch, added, s.destBefore, expected.trashed, mayStay)) {
    lines.push_back(line);
  }

  // Nothing else touched (the source as the fault left it).
  for (const std::string& line : Compare(scratch.Everything(), s.everything, true)) {
    lines.push_back("outside the destination: " + line);
  }

  // The fault counted where it mattered.
  if (fs.Triggered() && c.effect == Effect::Fail && !complete && !refused &&
      (report.status != kExitFailed || report.failed < 1)) {
    lines.push_back("the fault left work undone, yet the job said exit status " +
                    std::to_string(report.status) + ", failed=" + std::to_string(report.failed));
  }
  if (report.status == kExitOk && report.failed != 0) {
    lines.push_back("exit status 0 with failures");
  }
  if (!fs.Triggered() && report.status != kExitOk) {
    lines.push_back("the fault never came, yet the job failed");
  }
  if (c.effect == Effect::TurnUp || c.effect == Effect::TurnUpOld) {
    // Newer than the source, it stays as it is; older, the source replaced
    // it (checked with the rest above). Neither is a failure.
    if (!turnedUp.empty()) {
      const auto got = dest.find(turnedUp);
      if (got == dest.end()) {
        lines.push_back(Shown(turnedUp) + ": the newer file that took the name is gone");
      } else if (const std::string why = Mismatch(got->second, turnedUpNode); !why.empty()) {
        lines.push_back(Shown(turnedUp) +
                        ": the newer file that took the name was replaced: " + why);
      }
    }
    if (report.status != kExitOk || report.failed != 0) {
      lines.push_back("a name taken meanwhile made the job fail");
    }
  }
  if (swapped) {
    int after = 0;
    for (std::size_t i = fs.HitIndex() + 1; i < fs.Log().size(); ++i) {
      after += fs.Log()[i].call == FsCall::Recycle ? 1 : 0;
    }
    if (after > 0) {
      lines.push_back(std::to_string(after) +
                      " removals asked for after the source was swapped for an empty folder");
    }
    // Failed, or refused as a sync that would empty most of the backup.
    if (report.status != kExitFailed && report.status != kExitRefused) {
      lines.push_back("the source was swapped away, yet the job said exit status " +
                      std::to_string(report.status) + ", failed=" + std::to_string(report.failed));
    }
  }

  if (!lines.empty()) {
    scratch.Keep();
    const std::string hit =
        fs.Triggered() ? std::string(FsCallName(fs.Hit().call)) + " " + Shown(fs.Hit().path)
                       : std::string("(never reached)");
    ADD_FAILURE() << c.name << ": fault at " << FsCallName(c.call) << " call " << nth << " of "
                  << count << ", " << hit << " (tree seed " << kSeed << ", kept in " << scratch.root
                  << "):\n"
                  << Lines(lines) << "the job said: " << report.Text();
  }
}

TEST_P(FaultTest, TheRestIsDoneAndNothingIsLost) {
  const FaultCase& c = GetParam();
  const int count = CountCalls();
  if (count == 0) {
    std::cout << c.name << ": the job makes no " << FsCallName(c.call) << " call here\n";
    RecordProperty("calls", 0);
    return;
  }
  std::vector<int> nths = {1, (count + 1) / 2, count};
  nths.erase(std::unique(nths.begin(), nths.end()), nths.end());
  for (const int nth : nths) {
    try {
      RunWithFault(nth, count);
    } catch (const std::exception& e) {
      ADD_FAILURE() << c.name << ", call " << nth
                    << ": the test itself could not go on: " << e.what();
    }
  }
}

// A failure injected before the call never reaches the system, so the
// engine's answer to it is the same everywhere and is checked natively on
// Linux. On Windows, where a case costs seconds under Wine, the cases run
// whose fault the real file system takes part in.
std::vector<FaultCase> CasesOfThisSystem() {
  std::vector<FaultCase> cases(std::begin(kCases), std::end(kCases));
#ifdef _WIN32
  std::erase_if(cases, [](const FaultCase& c) { return c.effect == Effect::Fail; });
#endif
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Calls, FaultTest, ::testing::ValuesIn(CasesOfThisSystem()),
                         [](const ::testing::TestParamInfo<FaultCase>& param) {
                           return std::string(param.param.name);
                         });

}  // namespace
}  // namespace mirtel::realtrees
