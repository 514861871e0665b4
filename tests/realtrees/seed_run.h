// One generated tree through the three jobs of a user's backups (the first
// copy, a sync after changes on both sides, a sync with nothing to do),
// each checked whole against the oracle: the destination, the Trash (or,
// for every other seed, the versions folder beside or inside the
// destination), the counts of the summary line, and everything else
// untouched.
#pragma once

#include <string>
#include <vector>

#include "tests/realtrees/job_harness.h"
#include "tests/realtrees/tree_generator.h"

namespace mirtel::realtrees {

// A number from the environment, `fallback` when unset.
int EnvNumber(const char* name, int fallback);

class SeedRun {
 public:
  // The destination goes below `destTop` when given (another volume).
  // `parallel`: the copies in flight of every job (0 as the volume suits).
  explicit SeedRun(int seed, const TreeProfile& profile = FullProfile(),
                   const std::string& destTop = {}, int parallel = 0);
  void Run();
  // What each job printed, its time left out.
  const std::vector<std::string>& Outputs() const { return outputs_; }

 private:
  void Fail(const std::string& step, const std::string& text);
  void Check(const std::string& step, const std::vector<std::string>& lines,
             const JobReport& report);
  void Job(const std::string& step, bool sync, const Outcome& expected);
  void ChangeBackup();
  // Names of the source renamed in letter case only: a volume that ignores
  // case holds them already.
  void RenameInCase();

  // What the versions folder holds now ({} for the Trash).
  Snapshot Versions() const;

  int seed_;
  int parallel_;
  std::vector<std::string> outputs_;
  TreeProfile profile_;
  Scratch scratch_;
  Snapshot everything_;  // all but the destination and the Trash
  Snapshot dest_;
  bool failed_ = false;
};

}  // namespace mirtel::realtrees
