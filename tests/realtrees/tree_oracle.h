// The oracle: what a tree holds, read with the test's own calls, and what a
// copy or sync job must make of it. Written from the program's promises, not
// from its code.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/realtrees/tree_io.h"

namespace mirtel::realtrees {

struct Node {
  Kind kind = Kind::Missing;
  std::uint64_t size = 0;
  std::uint64_t hash = 0;  // files only
  std::int64_t mtimeNs = 0;
  std::uint32_t mode = 0;
  std::uint64_t allocated = 0;
  std::string target;            // links: the text they hold
  Kind leadsTo = Kind::Missing;  // links: what they lead to
  // Links to files: that file, as a copy of it must look.
  std::uint64_t targetSize = 0;
  std::uint64_t targetHash = 0;
  std::int64_t targetMtimeNs = 0;
  std::uint32_t targetMode = 0;
  std::uint64_t targetAllocated = 0;
};

// Entries by relative name: the names below the root joined by '/' whatever
// the system's separator, "" never (the root itself is not listed).
using Snapshot = std::map<std::string, Node>;

// Everything below `root`, links not followed. Names in `skip` (relative)
// are left out with all below them.
Snapshot Take(const std::string& root, const std::set<std::string>& skip = {});
// The single entry at `path` and all below it, keyed "" for itself.
Snapshot TakeItem(const std::string& path);

// A letter as a case-blind volume folds it (ASCII, Latin-1, Greek,
// Cyrillic, fullwidth); any other code point as it is.
std::uint32_t FoldedLetter(std::uint32_t cp);

// `rel` as a volume that ignores letter case compares names.
std::string Folded(const std::string& rel);

// A relative name made of the system's path below `root`, or the root's own.
std::string ToNative(const std::string& root, const std::string& rel);

// True when `rel` is `top` or lies below it ("" is above everything).
bool Within(const std::string& rel, const std::string& top);
std::string ParentOf(const std::string& rel);

// What a job must leave, given the destination before it and the source.
struct Outcome {
  Snapshot dest;                     // the destination afterwards
  std::vector<std::string> trashed;  // topmost items that go to the Trash
  int copies = 0;                    // files copied
  int failures = 0;                  // source names a case-blind destination cannot take
};

// The program's rules: the source minus what it never copies (links to
// folders, broken links, FIFOs, devices, sockets, and all below what is not
// copied); a link to a file copied as that file; a file copied when the
// destination lacks it or holds it older, with the source's bytes, time and
// mode (less setuid/setgid); a folder made with the source's mode, kept as
// it is when there. Sync: whatever the destination holds that the source
// has not goes to the Trash, as does what stands where the source has an
// entry of the other kind.
Outcome Expect(const Snapshot& destBefore, const Snapshot& source, bool sync);

// The differences between what is and what should be, one line each,
// naming the entry. `checkFolderTimes` for trees nothing may touch.
std::vector<std::string> Compare(const Snapshot& actual, const Snapshot& expected,
                                 bool checkFolderTimes);

// One node as a copy must match: kind, bytes, time, mode, holes.
std::string Mismatch(const Node& actual, const Node& expected);

// A name printable in a failure message: invalid bytes as \xNN.
std::string Printable(const std::string& bytes);
// The same, its middle left out when it is long (deep paths run to pages).
std::string Shown(const std::string& bytes);
std::string Describe(const Node& node);

// The lines joined for a failure message, cut after `max`.
std::string Lines(const std::vector<std::string>& lines, std::size_t max = 40);

}  // namespace mirtel::realtrees
