#include "platform/posix/listing_cache.h"

#include <dirent.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/posix/long_path.h"
#include "platform/posix/posix_errors.h"
#include "platform/posix/posix_path.h"
#include "platform/posix/unique_fd.h"

namespace mirtel {

namespace {

bool TimeEq(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The kernel stamps folders with a clock that moves in ticks.
std::int64_t ClockTick() {
  static const std::int64_t tick = [] {
    timespec res{};
    if (::clock_getres(CLOCK_REALTIME_COARSE, &res) != 0) return std::int64_t{10000000};
    return std::max<std::int64_t>(Ns(res), 1);
  }();
  return tick;
}

}  // namespace

Listing::Stamp Listing::Stamp::Of(const struct stat& st) {
  return Stamp{st.st_dev, st.st_ino, st.st_nlink, st.st_mtim, st.st_ctim};
}

bool Listing::Stamp::operator==(const Stamp& o) const {
  return dev == o.dev && ino == o.ino && nlink == o.nlink && TimeEq(mtime, o.mtime) &&
         TimeEq(ctime, o.ctime);
}

bool Listing::Before(const Entry& entry, const std::string& name) {
  const int rank = DotRank(entry.name);
  const int nameRank = DotRank(name);
  return rank != nameRank ? rank < nameRank : entry.name < name;
}

bool Listing::ChangedBy(const std::string& entry) const {
  // The folder that holds `entry` (entry has no trailing separator), or one
  // below it. Runs for every change against every listing kept: a path
  // elsewhere fails at its first differing byte, and the name is searched
  // for a separator only below a matching folder.
  if (entry.size() > folder.size()) {
    return entry.compare(0, folder.size(), folder) == 0 &&
           entry.find(kSep, folder.size()) == std::string::npos;
  }
  return IsAtOrBelow(folder, entry);
}

void ReadEntries(int fd, const std::string& folder, std::vector<Listing::Entry>& entries, bool& dot,
                 bool& dotdot) {
  // Read straight from the descriptor: a directory stream would look at
  // the folder again and set its flags once more, for every folder.
  alignas(dirent64) char buffer[32768];
  for (;;) {
    const ssize_t got = ::getdents64(fd, buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      throw ErrnoError(errno, folder);
    }
    for (ssize_t at = 0; at < got;) {
      const auto* d = reinterpret_cast<const dirent64*>(buffer + at);
      at += d->d_reclen;
      if (std::strcmp(d->d_name, ".") == 0) {
        dot = true;
      } else if (std::strcmp(d->d_name, "..") == 0) {
        dotdot = true;
      } else {
        entries.push_back(Listing::Entry{d->d_name, d->d_type});
      }
    }
  }
}

std::shared_ptr<Listing> ListingCache::ReadListing(const std::string& folder) {
  const std::string open = folder.empty() ? std::string(".") : folder;
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const UniqueFd owned(OpenLong(AT_FDCWD, open, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  const int fd = owned.get();
  if (fd < 0) {
    // A folder that is not there lists as empty; one that cannot be read
    // is an error.
    if (errno == ENOENT || errno == ENOTDIR) return nullptr;
    throw ErrnoError(errno, folder);
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) throw ErrnoError(errno, folder);
  auto listing = std::make_shared<Listing>();
  listing->folder = folder;
  // Taken before reading: a change while we read shows at the next check,
  // unless it comes so soon after the last one that the folder's times stay
  // the same (within its volume's step, or one tick of the kernel's clock;
  // two seconds where the volume's step is only guessed).
  listing->stamp = Listing::Stamp::Of(st);
  const std::int64_t step = steps_.Of(st.st_dev, fd);
  const std::int64_t window =
      steps_.Sure(st.st_dev) ? std::max(step, 2 * ClockTick()) : std::max(step, 2 * kSecond);
  listing->racy = std::max(Ns(st.st_mtim), Ns(st.st_ctim)) + window > Ns(now);
  bool dot = false;
  bool dotdot = false;
  ReadEntries(fd, folder, listing->entries, dot, dotdot);
  ++folderReads_;
  // A fixed order whatever the file system does, so that a folder read
  // afresh after a change still resumes at the right place.
  std::sort(listing->entries.begin(), listing->entries.end(),
            [](const Listing::Entry& a, const Listing::Entry& b) { return a.name < b.name; });
  std::vector<Listing::Entry> dots;
  if (dot) dots.push_back(Listing::Entry{".", DT_DIR});
  if (dotdot) dots.push_back(Listing::Entry{"..", DT_DIR});
  listing->entries.insert(listing->entries.begin(), dots.begin(), dots.end());
  return listing;
}

std::shared_ptr<Listing> ListingCache::CachedListing(const std::string& folder) {
  // Keep only the folder itself and those above it: the walk's path.
  std::erase_if(path_, [&](const std::shared_ptr<Listing>& l) {
    return folder.compare(0, l->folder.size(), l->folder) != 0;
  });
  const auto it =
      std::find_if(path_.begin(), path_.end(), [&](const auto& l) { return l->folder == folder; });
  if (it == path_.end()) return nullptr;
  std::shared_ptr<Listing> listing = *it;
  struct stat st {};
  const std::string open = folder.empty() ? std::string(".") : folder;
  if (listing->valid && !listing->racy && StatLong(open, st) == 0 &&
      listing->stamp == Listing::Stamp::Of(st)) {
    return listing;
  }
  path_.erase(it);
  return nullptr;
}

void ListingCache::KeepForResume(std::shared_ptr<Listing> listing) {
  std::erase_if(path_, [&](const auto& l) { return l->folder == listing->folder; });
  path_.push_back(std::move(listing));
}

const Listing* ListingCache::Kept(const std::string& folder) const {
  const Listing* kept = nullptr;
  for (const auto& l : path_) {
    if (l->folder == folder) kept = l.get();
  }
  return kept;
}

void ListingCache::NoteChanged(const std::string& entry) {
  for (auto& l : path_) {
    if (l->ChangedBy(entry)) l->valid = false;
  }
}

}  // namespace mirtel
