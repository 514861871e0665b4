// Real-looking source trees from a seed: names of every length and script,
// files from empty to megabytes, holes, empty folders, a chain deeper than
// the system's path limit, read-only and private entries, links of every
// sort and FIFOs, as far as this system can hold them. And the changes a
// user makes between two backups.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "tests/realtrees/tree_names.h"

namespace mirtel::realtrees {

struct TreeProfile {
  int entries = 2500;                    // about this many entries
  std::uint64_t bytes = 24u << 20;       // file bytes at most (holes not counted)
  std::uint64_t largestFile = 4u << 20;  // the largest ordinary file
  std::uint64_t sparseSize = 24u << 20;  // the size of each sparse file
  int chainDepth = 32;                   // folders in the deep chain
  int maxDepth = 6;                      // of the other folders
};

TreeProfile FullProfile();
// Every kind of entry, but only a few hundred of them: for runs by the dozen.
TreeProfile SmallProfile();

// What the generator made, by relative name ('/' between names).
struct GeneratedTree {
  std::string root;                  // the source folder
  std::string outside;               // where absolute links lead, beside the source
  std::vector<std::string> files;    // ordinary files
  std::vector<std::string> folders;  // below the root
  std::set<std::string> pinned;      // what links lead to or hold: never changed
  std::string chainBottom;           // the deepest folder
  std::string chainMiddleFile;       // a file half way down the chain
  std::vector<std::string> notes;    // what was made or changed, for messages
};

// Makes `root` (which must not exist) and the tree in it; `outside` (which
// must not exist) gets what the absolute links lead to.
GeneratedTree Generate(std::uint64_t seed, const std::string& root, const std::string& outside,
                       const TreeProfile& profile);

// A user's changes between two backups: same-second edits, deletions (one
// half way down the deep chain unless `keepDeep`), renames of files and
// folders, a file become a folder and a folder a file, new links, a new file
// at the bottom of the chain, changed modes.
void Mutate(GeneratedTree& tree, std::uint64_t seed, bool keepDeep = false);

// A name unused in `folder` (by the system's rules of sameness), of about
// `bytes` bytes when given.
std::string FreshName(Rng& rng, const std::string& folder, std::size_t bytes = 0);

// The seconds of a time kept apart from its fraction: generated times lie in
// the first half of their second, so an edit can stay within it.
inline constexpr std::int64_t kHalfSecond = 500000000;

}  // namespace mirtel::realtrees
