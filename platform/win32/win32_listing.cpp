// The listings of Win32FileSystem: one fixed order per folder, the folders
// on the walk's path kept for a resume after a descent.
#include <algorithm>
#include <string_view>
#include <utility>

#include "platform/common/list_pattern.h"
#include "platform/common/listing_cursor.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_file_times.h"
#include "platform/win32/win32_fs_calls.h"
#include "platform/win32/win32_path.h"

namespace mirtel {
namespace {

constexpr std::uint32_t kMaskedBits = kAttrHidden | kAttrSystem | kAttrDirectory;

ListPattern SplitPattern(const std::string& pattern) {
  return SplitListPattern(pattern, "\\/", ".\\");
}

// The one order of every listing: "." and ".." first, then by the
// upper-cased UTF-16 names (the order NTFS keeps its folders in, so mostly
// already there), names differing only in case by their bytes. It depends on
// the name alone, so that a resume finds where a vanished name stood.
bool EntryBefore(int rankA, const std::wstring& keyA, const std::string& nameA, int rankB,
                 const std::wstring& keyB, const std::string& nameB) {
  if (rankA != rankB) return rankA < rankB;
  if (keyA != keyB) return keyA < keyB;
  return nameA < nameB;
}

}  // namespace

std::shared_ptr<Win32FileSystem::Listing> Win32FileSystem::ReadListing(const std::string& folder,
                                                                       const std::string& names) {
  auto listing = std::make_shared<Listing>();
  listing->folder = WithSeparator(ExtendedPath(folder));
  listing->key = Upper(listing->folder);
  listing->cacheable = IsWholeFolder(names);

  // The folder's own time is taken before reading it: a change made while we
  // read shows as a newer time at the next resume.
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(listing->folder.c_str(), GetFileExInfoStandard, &data)) {
    DWORD code = GetLastError();
    if (KindOfError(code) == FsErrorKind::NotFound || code == ERROR_DIRECTORY) return nullptr;
    ThrowWin32Error(code, folder);
  }
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return nullptr;
  listing->folderWriteTime = Ticks(data.ftLastWriteTime);

  std::wstring search = listing->folder + (listing->cacheable ? L"*" : Utf8ToWide(names));
  WIN32_FIND_DATAW found;
  HANDLE cursor = FindFirstFileExW(search.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (cursor == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES) return listing;
    if (KindOfError(code) == FsErrorKind::NotFound) return nullptr;
    ThrowWin32Error(code, folder);
  }
  do {
    listing->entries.push_back(
        {WideToUtf8(found.cFileName), Upper(found.cFileName), found.dwFileAttributes});
  } while (FindNextFileW(cursor, &found));
  DWORD code = GetLastError();
  FindClose(cursor);
  // A listing cut short by a read error must never pass for the whole folder.
  if (code != ERROR_NO_MORE_FILES) ThrowWin32Error(code, folder);

  const auto before = [](const Entry& a, const Entry& b) {
    return EntryBefore(DotRank(a.name), a.key, a.name, DotRank(b.name), b.key, b.name);
  };
  auto& entries = listing->entries;
  if (!std::is_sorted(entries.begin(), entries.end(), before)) {
    std::sort(entries.begin(), entries.end(), before);
  }
  return listing;
}

bool Win32FileSystem::ReadFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
  entries.clear();
  std::shared_ptr<Listing> listing;
  try {
    listing = ReadListing(folder, "*");
  } catch (const FsError&) {
    return false;
  }
  if (!listing) return true;
  // The attributes come with every name: only where a link leads is left
  // to a look.
  for (Entry& e : listing->entries) {
    if (e.name == "." || e.name == "..") continue;
    FolderEntry::Kind kind = FolderEntry::Kind::File;
    if (e.attributes & kAttrDevice) kind = FolderEntry::Kind::Device;
    if (e.attributes & kAttrDirectory) kind = FolderEntry::Kind::Folder;
    if (e.attributes & kAttrReparsePoint) kind = FolderEntry::Kind::Link;
    entries.push_back({std::move(e.name), kind});
  }
  return true;
}

std::shared_ptr<Win32FileSystem::Listing> Win32FileSystem::CachedListing(
    const std::string& folder) {
  const std::wstring key = Upper(WithSeparator(ExtendedPath(folder)));
  auto it = std::find_if(cached_.begin(), cached_.end(),
                         [&](const auto& listing) { return listing->key == key; });
  if (it == cached_.end()) return nullptr;
  std::shared_ptr<Listing> listing = *it;
  WIN32_FILE_ATTRIBUTE_DATA data;
  bool unchanged = listing->touched.empty() &&
                   GetFileAttributesExW(listing->folder.c_str(), GetFileExInfoStandard, &data) &&
                   Ticks(data.ftLastWriteTime) == listing->folderWriteTime;
  if (unchanged) return listing;
  cached_.erase(it);
  return nullptr;
}

void Win32FileSystem::KeepForResume(const std::shared_ptr<Listing>& listing) {
  if (!listing->cacheable) return;
  std::erase_if(cached_, [&](const auto& kept) {
    return kept->key == listing->key || !listing->key.starts_with(kept->key);
  });
  cached_.push_back(listing);
}

bool Win32FileSystem::Passes(const Entry& entry) const {
  return (entry.attributes & kMaskedBits & ~mask_) == 0;
}

std::string Win32FileSystem::NameFrom(std::size_t position) {
  const auto& entries = current_->entries;
  const std::size_t at =
      cursor_.NextFrom(position, entries.size(), [&](std::size_t i) { return Passes(entries[i]); });
  return at == std::string::npos ? std::string() : entries[at].name;
}

std::string Win32FileSystem::ListStart(const std::string& pattern, std::uint32_t mask) {
  // A fresh start always reads the folder: a listing is never carried from
  // one visit of a folder to the next, only from a descent back to its resume.
  current_.reset();
  currentFolder_.clear();
  cursor_.End();
  mask_ = mask;
  auto [folder, names] = SplitPattern(pattern);
  std::shared_ptr<Listing> listing = ReadListing(folder, names);
  if (!listing) return {};
  KeepForResume(listing);
  current_ = std::move(listing);
  currentFolder_ = folder;
  cursor_.Begin();
  return NameFrom(0);
}

std::string Win32FileSystem::ListNext() {
  if (cursor_.Ended() || !current_) {
    throw FsError(FsErrorKind::ListingEnded, currentFolder_);
  }
  return NameFrom(cursor_.Next());
}

std::string Win32FileSystem::ListResumeAfter(const std::string& pattern, std::uint32_t mask,
                                             const std::string& name) {
  current_.reset();
  currentFolder_.clear();
  cursor_.End();
  mask_ = mask;
  auto [folder, names] = SplitPattern(pattern);
  std::shared_ptr<Listing> listing;
  if (IsWholeFolder(names)) listing = CachedListing(folder);
  if (!listing) {
    listing = ReadListing(folder, names);
    if (!listing) {
      throw FsError(FsErrorKind::ListingEnded, folder + name);
    }
    KeepForResume(listing);
  }
  // Moved away meanwhile: on from where it stood.
  const int rank = DotRank(name);
  const std::wstring key = Upper(Utf8ToWide(name));
  const std::size_t next = ResumePosition(
      listing->entries, listing->index.Find(listing->entries, name),
      [&](const Entry& e) { return EntryBefore(DotRank(e.name), e.key, e.name, rank, key, name); });
  current_ = std::move(listing);
  currentFolder_ = folder;
  cursor_.Begin();
  return NameFrom(next);
}

void Win32FileSystem::NoteChanged(const std::string& path) {
  try {
    NoteChangedExtended(ExtendedPath(path));
  } catch (const FsError&) {
    // A path we cannot even spell names no listing of ours.
  }
}

void Win32FileSystem::NoteChangedExtended(const std::wstring& extended) {
  const std::wstring parent = Upper(ParentOf(extended));
  if (parent.empty()) return;
  const std::wstring name = Upper(NameOf(extended));
  auto note = [&](const std::shared_ptr<Listing>& listing) {
    if (listing && listing->key == parent &&
        std::find(listing->touched.begin(), listing->touched.end(), name) ==
            listing->touched.end()) {
      listing->touched.push_back(name);
    }
  };
  note(current_);
  for (const auto& listing : cached_) note(listing);
}

void Win32FileSystem::ReadAhead(const std::string& folder) {
  // The redirector keeps what a listing of a share told it of each entry
  // for a few seconds.
  WIN32_FIND_DATAW found;
  HANDLE cursor =
      FindFirstFileExW((WithSeparator(ExtendedPath(folder)) + L"*").c_str(), FindExInfoBasic,
                       &found, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (cursor == INVALID_HANDLE_VALUE) return;
  while (FindNextFileW(cursor, &found)) {
  }
  FindClose(cursor);
}

}  // namespace mirtel
