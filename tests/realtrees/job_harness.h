// One scratch folder per tree, laid out as a user's disk: the source, the
// destination's parent, a folder outside both that links lead into, the
// Trash's data folder and an empty current folder. And a job through the
// console runner, its summary line read back.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/recycler.h"
#include "tests/realtrees/tree_oracle.h"

namespace mirtel::realtrees {

struct JobReport {
  int status = -1;
  bool summary = false;  // the last line was the summary
  int copied = -1;
  int found = -1;
  int failed = -1;
  int removed = -1;
  std::string out;
  std::string err;
  // Status, summary and the lines that tell what went wrong, for messages.
  std::string Text() const;
};

// `versions`: the --versions folder ("" for the Trash); `parallel`: the
// copies in flight (--parallel), 0 as the volume suits.
JobReport RunJob(FileSystem& fs, Recycler& recycler, const std::string& source,
                 const std::string& destParent, bool sync, const std::string& versions = {},
                 int parallel = 0);

// What the Trash took: each item with the place it came from.
struct TrashedItem {
  std::string info;  // the name of its info file
  std::string from;  // the path it had
  Snapshot item;     // "" for itself, then what it held
};

// The items of `after` that `before` did not have.
std::vector<TrashedItem> Added(const std::vector<TrashedItem>& after,
                               const std::vector<TrashedItem>& before);

class Scratch {
 public:
  // The destination's parent goes into `destTop` when given (another
  // volume), else beside the source.
  explicit Scratch(const std::string& label, const std::string& destTop = {});
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  std::string root;
  std::string source;      // the job's source folder
  std::string destParent;  // the folder the job is given as destination
  std::string dest;        // destParent/<name of the source>
  std::string outside;     // beside both; absolute links lead here
  std::string dataHome;    // XDG_DATA_HOME: the Trash is dataHome/Trash
  std::string cwd;         // the process's current folder during the jobs
  // The jobs' versions folder, "" for the Trash; where it lies inside the
  // destination, its name there (left out of Dest()).
  std::string versions;
  std::string versionsInDest;

  // Everything but the destination and the Trash, to check that a job
  // touched nothing else.
  Snapshot Everything() const;
  // The source's part of what Everything() saw.
  Snapshot SourceIn(const Snapshot& everything) const;
  Snapshot Dest() const;
  std::vector<TrashedItem> Trash() const;
  // The relative name of a path below the source or the destination; ""
  // for either root or anything elsewhere (that is: the whole tree).
  std::string Relative(const std::string& path) const;
  // Keep the folder for a look after a failure.
  void Keep() { keep_ = true; }

 private:
  std::string destTop_;
  std::string oldCwd_;
  std::string oldDataHome_;
  bool hadDataHome_ = false;
  std::uint32_t oldUmask_ = 0;
  bool keep_ = false;
};

// Checks what a job put in the Trash against the items the oracle expects
// there, by the place they came from and by content; the expected items in
// `mayStay` may be missing. Lines for what is wrong.
std::vector<std::string> CheckTrash(const Scratch& scratch, const std::vector<TrashedItem>& added,
                                    const Snapshot& destBefore,
                                    const std::vector<std::string>& expected,
                                    const std::vector<std::string>& mayStay = {});

// Checks what a job kept in the versions folder (`before` and `after` it,
// from Take) against what it must have kept: every item of `kept` (topmost
// items removed, files replaced) as `destBefore` held it, at its path below
// one new folder named by the job's date and time, and nothing else. Lines
// for what is wrong.
std::vector<std::string> CheckVersions(const Snapshot& before, const Snapshot& after,
                                       const Snapshot& destBefore,
                                       const std::vector<std::string>& kept);

// The files a job replaces: those `destBefore` holds that it must leave
// with other contents or another time in `destAfter`.
std::vector<std::string> Replaced(const Snapshot& destBefore, const Snapshot& destAfter);

// What `snapshot` holds at `rel`: "" for that entry, the names below it
// relative to it.
Snapshot Subtree(const Snapshot& snapshot, const std::string& rel);

}  // namespace mirtel::realtrees
