// The walk's place in the listing of one folder, the same on every system.
// A listing keeps its entries in a fixed order that depends on the name
// alone, so that a resume after a name that vanished meanwhile goes on from
// where it stood.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace mirtel {

// "." and ".." come first in every listing, in that order.
inline int DotRank(std::string_view name) { return name == "." ? 0 : name == ".." ? 1 : 2; }

// The positions of a listing's names, built at the first look-up: only a
// resume needs them. The entries must not change once it is built.
class NameIndex {
 public:
  // The position of `name` in `entries`, npos when it is not listed.
  template <class Entry>
  std::size_t Find(const std::vector<Entry>& entries, std::string_view name) {
    if (index_.empty() && !entries.empty()) {
      index_.reserve(entries.size());
      for (std::size_t i = 0; i < entries.size(); ++i) index_.emplace(entries[i].name, i);
    }
    const auto it = index_.find(name);
    return it == index_.end() ? std::string::npos : it->second;
  }

 private:
  std::unordered_map<std::string_view, std::size_t> index_;
};

// Where a resume after `name` goes on: just past it where it is listed
// (`found`), else at the first entry after where it stood. `before(entry)`
// tells whether an entry comes before `name` in the listing's order.
template <class Entry, class Before>
std::size_t ResumePosition(const std::vector<Entry>& entries, std::size_t found, Before before) {
  if (found != std::string::npos) return found + 1;
  return static_cast<std::size_t>(std::partition_point(entries.begin(), entries.end(), before) -
                                  entries.begin());
}

class ListingCursor {
 public:
  // A listing begins.
  void Begin() {
    next_ = 0;
    hasReturned_ = false;
    ended_ = false;
  }
  // No listing: the next step is refused.
  void End() {
    hasReturned_ = false;
    ended_ = true;
  }
  // Moves to the first of `count` entries from `position` that `passes`
  // and returns its position; npos, and the listing ends, when none does.
  template <class Passes>
  std::size_t NextFrom(std::size_t position, std::size_t count, Passes passes) {
    next_ = position;
    while (next_ < count) {
      const std::size_t i = next_++;
      if (passes(i)) {
        returned_ = i;
        hasReturned_ = true;
        return i;
      }
    }
    End();
    return std::string::npos;
  }
  std::size_t Next() const { return next_; }
  bool Ended() const { return ended_; }
  // Whether an entry was returned last, and which.
  bool HasReturned() const { return hasReturned_; }
  std::size_t Returned() const { return returned_; }

 private:
  std::size_t next_ = 0;      // the entry it looks at next
  std::size_t returned_ = 0;  // the entry it returned last
  bool hasReturned_ = false;
  bool ended_ = true;
};

}  // namespace mirtel
