// What the walk has just seen of the entries under work: the lstat result
// of the last two paths looked at, or the system's "no such entry" for
// them. Attributes followed by LastWriteTime then asks the system once, and
// a copy to a name just found missing need not look again.
//
// A remembered answer is valid from the look that gave it until the first
// of:
//   - the next step of a listing (ListStart, ListNext, ListResumeAfter),
//   - the next change this file system makes (a folder made, a copy, a
//     removal, a file written) or is told of (NoteChanged),
//   - a look at two other paths since.
// In between, only others can have changed the entry; a copy that trusted
// a remembered absence still refuses to replace what turned up meanwhile.
#pragma once

#include <sys/stat.h>

#include <string>

namespace mirtel {

class RecentLooks {
 public:
  // `st` as lstat gave it for `path`; null when the system said there is no
  // such entry.
  void Remember(const std::string& path, const struct stat* st);
  // `st` as stat gave it for `path`, through a link.
  void RememberFollowed(const std::string& path, const struct stat& st);
  // The lstat result remembered for `path`; null when none, or when `path`
  // is known absent.
  const struct stat* Recent(const std::string& path) const;
  // What stat would give for `path`: a look through links, or an lstat
  // result of something that is no link; null when none.
  const struct stat* RecentFollowed(const std::string& path) const;
  bool KnownAbsent(const std::string& path) const;
  void Forget();

 private:
  struct Look {
    std::string path;       // "" for none
    bool absent = false;    // the system said there is no such entry
    bool followed = false;  // through a link (stat, not lstat)
    struct stat st {};
  };
  Look looks_[2];
  int next_ = 0;
};

}  // namespace mirtel
