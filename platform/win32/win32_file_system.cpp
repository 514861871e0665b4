#include "platform/win32/win32_file_system.h"

#include "platform/common/temporary_name.h"

#include <algorithm>
#include <limits>
#include <string_view>
#include <utility>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_path.h"

namespace mirtel {
namespace {

constexpr std::uint32_t kMaskedBits = kAttrHidden | kAttrSystem | kAttrDirectory;
// The program's own data file is small; anything near this is not it.
constexpr std::int64_t kMaxReadBytes = 64 * 1024 * 1024;

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (valid()) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }
  bool Close() {
    HANDLE handle = std::exchange(handle_, INVALID_HANDLE_VALUE);
    return CloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_;
};

std::uint64_t Ticks(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// FILETIME counts 100 ns ticks from 1601; FileTime nanoseconds from 1970,
// which hold the years 1677 to 2262: times beyond stay at the ends, in order.
std::int64_t NsSince1970(const FILETIME& time) {
  constexpr std::int64_t kTicksFrom1601To1970 = 116444736000000000LL;
  constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / 100;
  const std::int64_t ticks = static_cast<std::int64_t>(std::min<std::uint64_t>(
                                 Ticks(time), std::numeric_limits<std::int64_t>::max())) -
                             kTicksFrom1601To1970;
  return std::clamp(ticks, -kLimit, kLimit) * 100;
}

// How finely a volume keeps last-write times, by the name of its file
// system: FAT in steps of 2 s, exFAT of 10 ms; NTFS, ReFS and whatever we do
// not know of in 100 ns ticks. Too fine a step only costs a needless copy
// where too coarse a one would miss a change, so the unknown get the finest.
constexpr std::int64_t kTickStep = 100;
std::int64_t StepOfFileSystem(std::wstring_view name) {
  constexpr std::int64_t kFatStep = 2000000000;
  constexpr std::int64_t kExFatStep = 10000000;
  const auto is = [&](std::wstring_view known) {
    return CompareStringOrdinal(name.data(), static_cast<int>(name.size()), known.data(),
                                static_cast<int>(known.size()), TRUE) == CSTR_EQUAL;
  };
  if (is(L"FAT") || is(L"FAT12") || is(L"FAT16") || is(L"FAT32")) return kFatStep;
  if (is(L"exFAT")) return kExFatStep;
  return kTickStep;
}

std::wstring Upper(std::wstring text) {
  if (!text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::wstring WithSeparator(std::wstring folder) {
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  return folder;
}

std::wstring NameOf(const std::wstring& extended) {
  std::wstring_view path = extended;
  while (!path.empty() && path.back() == L'\\') path.remove_suffix(1);
  std::size_t cut = path.rfind(L'\\');
  return std::wstring(cut == std::wstring_view::npos ? path : path.substr(cut + 1));
}

std::pair<std::string, std::string> SplitPattern(const std::string& pattern) {
  std::size_t cut = pattern.find_last_of("\\/");
  if (cut == std::string::npos) return {".\\", pattern};
  return {pattern.substr(0, cut + 1), pattern.substr(cut + 1)};
}

bool IsWholeFolder(const std::string& names) { return names == "*.*" || names == "*"; }

// The entry as its folder lists it: answers for files the system keeps open
// without sharing (pagefile.sys), which refuse a query by name.
bool FindEntry(const std::wstring& extended, WIN32_FIND_DATAW& found) {
  HANDLE search = FindFirstFileExW(extended.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                   nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

// "Not found" only counts when the volume itself still answers: a drive or
// share that dropped away must not make its entries look deleted.
bool VolumeGone(DWORD code, const std::wstring& extended) {
  if (KindOfError(code) != FsErrorKind::NotFound) return false;
  std::wstring root = VolumeRootOf(extended);
  return !root.empty() && WithSeparator(extended) != root &&
         GetFileAttributesW(root.c_str()) == INVALID_FILE_ATTRIBUTES;
}

[[noreturn]] void ThrowQueryError(DWORD code, const std::string& path,
                                  const std::wstring& extended) {
  if (VolumeGone(code, extended)) {
    throw FsError(FsErrorKind::VolumeUnreachable, path, SystemMessage(code));
  }
  ThrowWin32Error(code, path);
}

HANDLE OpenForQuery(const std::wstring& extended) {
  // Backup semantics open folders too; attributes alone are never refused
  // for sharing, even by a file the system keeps open (pagefile.sys).
  return CreateFileW(extended.c_str(), FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The folder a volume is mounted at (\\?\C:\, a mount folder, a share),
// ending in '\'; "" when the system cannot tell.
std::wstring VolumePathOf(const std::wstring& extended) {
  std::wstring volume(std::max<std::size_t>(extended.size() + 2, MAX_PATH + 1), L'\0');
  if (!GetVolumePathNameW(extended.c_str(), volume.data(), static_cast<DWORD>(volume.size()))) {
    return {};
  }
  volume.resize(volume.find(L'\0'));
  return volume.empty() ? volume : WithSeparator(std::move(volume));
}

struct Written {
  FILETIME time;
  DWORD attributes;
  std::int64_t step;  // of the volume the time was read from; 0: that of the path's folder
};

// Last-write time of a file; a link is followed to the file it leads to,
// which may lie on another volume.
Written WriteTimeOf(const std::wstring& extended, const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(extended.c_str(), GetFileExInfoStandard, &data)) {
    DWORD code = GetLastError();
    WIN32_FIND_DATAW found;
    if (code == ERROR_SHARING_VIOLATION && FindEntry(extended, found)) {
      return {found.ftLastWriteTime, found.dwFileAttributes, 0};
    }
    ThrowWin32Error(code, path);
  }
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return {data.ftLastWriteTime, data.dwFileAttributes, 0};
  }
  Handle file(OpenForQuery(extended));
  BY_HANDLE_FILE_INFORMATION info;
  if (!file.valid() || !GetFileInformationByHandle(file.get(), &info)) {
    ThrowWin32Error(GetLastError(), path);
  }
  wchar_t system[MAX_PATH + 1];
  std::int64_t step = kTickStep;
  if (GetVolumeInformationByHandleW(file.get(), nullptr, 0, nullptr, nullptr, nullptr, system,
                                    MAX_PATH + 1)) {
    step = StepOfFileSystem(system);
  }
  return {info.ftLastWriteTime, info.dwFileAttributes, step};
}

// Gives `extended` the last-write time `time` unless it has it already.
bool KeepWriteTime(const std::wstring& extended, const FILETIME& time) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExW(extended.c_str(), GetFileExInfoStandard, &data) &&
      Ticks(data.ftLastWriteTime) == Ticks(time)) {
    return true;
  }
  Handle file(CreateFileW(extended.c_str(), FILE_WRITE_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return file.valid() && SetFileTime(file.get(), nullptr, nullptr, &time) != 0;
}

// The mark our temporaries carry while they are written: a named stream,
// where the volume keeps them (NTFS). A file without it is never ours.
constexpr wchar_t kMarkStream[] = L":mirtel.tmp";

void MarkTemporary(const std::wstring& extended) {
  Handle mark(CreateFileW((extended + kMarkStream).c_str(), GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool CarriesMark(const std::wstring& extended) {
  return GetFileAttributesW((extended + kMarkStream).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void UnmarkTemporary(const std::wstring& extended) {
  DeleteFileW((extended + kMarkStream).c_str());
}

void RemoveTemporary(const std::wstring& extended) {
  SetFileAttributesW(extended.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(extended.c_str());
}

// The attribute bits SetFileAttributesW takes.
constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                            FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                            FILE_ATTRIBUTE_TEMPORARY;

bool SetAttributes(const std::wstring& extended, DWORD attributes) {
  attributes &= kSettable;
  return SetFileAttributesW(extended.c_str(),
                            attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes) != 0;
}

FileId IdOf(const BY_HANDLE_FILE_INFORMATION& info) {
  return FileId{info.dwVolumeSerialNumber,
                (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

int Rank(std::string_view name) {
  if (name == ".") return 0;
  if (name == "..") return 1;
  return 2;
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

// Whether process `pid` still runs. One we may not look at runs: its
// temporaries are not ours to take.
bool ProcessRuns(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  DWORD code = 0;
  const bool answered = GetExitCodeProcess(process, &code) != 0;
  CloseHandle(process);
  return !answered || code == STILL_ACTIVE;
}

}  // namespace

Win32FileSystem::Win32FileSystem() : pid_(GetCurrentProcessId()) {}

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
    return EntryBefore(Rank(a.name), a.key, a.name, Rank(b.name), b.key, b.name);
  };
  auto& entries = listing->entries;
  if (!std::is_sorted(entries.begin(), entries.end(), before)) {
    std::sort(entries.begin(), entries.end(), before);
  }
  return listing;
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
  for (std::size_t i = position; i < entries.size(); ++i) {
    if (Passes(entries[i])) {
      position_ = i + 1;
      return entries[i].name;
    }
  }
  position_ = entries.size();
  ended_ = true;
  return {};
}

std::string Win32FileSystem::ListStart(const std::string& pattern, std::uint32_t mask) {
  // A fresh start always reads the folder: a listing is never carried from
  // one visit of a folder to the next, only from a descent back to its resume.
  current_.reset();
  currentFolder_.clear();
  ended_ = true;
  mask_ = mask;
  auto [folder, names] = SplitPattern(pattern);
  std::shared_ptr<Listing> listing = ReadListing(folder, names);
  if (!listing) return {};
  KeepForResume(listing);
  current_ = std::move(listing);
  currentFolder_ = folder;
  ended_ = false;
  return NameFrom(0);
}

std::string Win32FileSystem::ListNext() {
  if (ended_ || !current_) {
    throw FsError(FsErrorKind::ListingEnded, currentFolder_);
  }
  return NameFrom(position_);
}

std::string Win32FileSystem::ListResumeAfter(const std::string& pattern, std::uint32_t mask,
                                             const std::string& name) {
  current_.reset();
  currentFolder_.clear();
  ended_ = true;
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
  if (listing->index.empty()) {
    listing->index.reserve(listing->entries.size());
    for (std::size_t i = 0; i < listing->entries.size(); ++i) {
      listing->index.emplace(listing->entries[i].name, i);
    }
  }
  std::size_t next = 0;
  if (auto it = listing->index.find(name); it != listing->index.end()) {
    next = it->second + 1;
  } else {
    // Moved away meanwhile: on from where it stood.
    const int rank = Rank(name);
    const std::wstring key = Upper(Utf8ToWide(name));
    const auto& entries = listing->entries;
    next = static_cast<std::size_t>(
        std::partition_point(entries.begin(), entries.end(),
                             [&](const Entry& e) {
                               return EntryBefore(Rank(e.name), e.key, e.name, rank, key, name);
                             }) -
        entries.begin());
  }
  current_ = std::move(listing);
  currentFolder_ = folder;
  ended_ = false;
  return NameFrom(next);
}

DWORD Win32FileSystem::Query(const std::string& path, std::wstring& extended,
                             std::uint32_t& attrs) {
  // The walks ask about the entry the listing just gave: answer from there.
  if (current_ && position_ > 0 && position_ <= current_->entries.size()) {
    const Entry& entry = current_->entries[position_ - 1];
    if (path.size() == currentFolder_.size() + entry.name.size() &&
        path.starts_with(currentFolder_) && path.ends_with(entry.name)) {
      const auto& touched = current_->touched;
      if (std::find(touched.begin(), touched.end(), entry.key) == touched.end()) {
        attrs = entry.attributes;
        return ERROR_SUCCESS;
      }
    }
  }
  extended = ExtendedPath(path);
  DWORD attributes = GetFileAttributesW(extended.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    attrs = attributes;
    return ERROR_SUCCESS;
  }
  DWORD code = GetLastError();
  WIN32_FIND_DATAW found;
  if (code == ERROR_SHARING_VIOLATION && FindEntry(extended, found)) {
    attrs = found.dwFileAttributes;
    return ERROR_SUCCESS;
  }
  return code == ERROR_SUCCESS ? ERROR_GEN_FAILURE : code;
}

std::uint32_t Win32FileSystem::Attributes(const std::string& path) {
  std::wstring extended;
  std::uint32_t attrs = 0;
  const DWORD code = Query(path, extended, attrs);
  if (code != ERROR_SUCCESS) ThrowQueryError(code, path, extended);
  return attrs;
}

bool Win32FileSystem::TryAttributes(const std::string& path, std::uint32_t& attrs,
                                    FsErrorKind& why) {
  std::wstring extended;
  const DWORD code = Query(path, extended, attrs);
  if (code == ERROR_SUCCESS) return true;
  why = VolumeGone(code, extended) ? FsErrorKind::Other : KindOfError(code);
  return false;
}

std::int64_t Win32FileSystem::ResolutionOf(const std::wstring& folder) {
  const std::uint64_t now = GetTickCount64();
  if (now - resolutionsSince_ > 5000) {
    folderResolution_.clear();
    volumeResolution_.clear();
    resolutionsSince_ = now;
  }
  std::wstring key = Upper(folder);
  if (auto known = folderResolution_.find(key); known != folderResolution_.end()) {
    return known->second;
  }
  std::int64_t step = kTickStep;
  const std::wstring volume = VolumePathOf(folder);
  if (!volume.empty()) {
    std::wstring volumeKey = Upper(volume);
    if (auto known = volumeResolution_.find(volumeKey); known != volumeResolution_.end()) {
      step = known->second;
    } else {
      wchar_t system[MAX_PATH + 1];
      if (GetVolumeInformationW(volume.c_str(), nullptr, 0, nullptr, nullptr, nullptr, system,
                                MAX_PATH + 1)) {
        step = StepOfFileSystem(system);
      }
      volumeResolution_.emplace(std::move(volumeKey), step);
    }
  }
  folderResolution_.emplace(std::move(key), step);
  return step;
}

FileTime Win32FileSystem::LastWriteTime(const std::string& path) {
  const std::wstring extended = ExtendedPath(path);
  const Written written = WriteTimeOf(extended, path);
  std::int64_t step = written.step;
  if (step == 0) {
    const std::wstring folder = ParentOf(extended);
    step = ResolutionOf(folder.empty() ? WithSeparator(extended) : folder);
  }
  return FileTime{NsSince1970(written.time), step};
}

void Win32FileSystem::MakeFolder(const std::string& path) {
  const std::wstring extended = ExtendedPath(path);
  if (!CreateDirectoryW(extended.c_str(), nullptr)) ThrowWin32Error(GetLastError(), path);
  NoteChangedExtended(extended);
}

void Win32FileSystem::MakeFolderLike(const std::string& path, const std::string& model) {
  // Asked of the system, not of a listing: a model gone since it was listed
  // must not leave an empty copy of itself behind.
  const std::wstring modelExtended = ExtendedPath(model);
  const DWORD modelAttributes = GetFileAttributesW(modelExtended.c_str());
  if (modelAttributes == INVALID_FILE_ATTRIBUTES) {
    ThrowQueryError(GetLastError(), model, modelExtended);
  }
  MakeFolder(path);
  // Permissions come from the parent folder, as for any new folder; what
  // marks the model apart is its hidden and system bits.
  const DWORD marks = modelAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  if (marks == 0) return;
  const std::wstring extended = ExtendedPath(path);
  if (!SetAttributes(extended, marks)) {
    // The folder is not left half made: the next run makes it again.
    const DWORD failed = GetLastError();
    RemoveDirectoryW(extended.c_str());
    NoteChangedExtended(extended);
    ThrowWin32Error(failed, path);
  }
}

// Our temporaries are named after the process writing them, so that a later
// run can tell one left by a run that died (ours to remove) from one being
// written right now by another copy of the program.
std::wstring Win32FileSystem::TempNameIn(const std::wstring& folder) {
  return folder + Utf8ToWide(TemporaryName(pid_, ++tempCounter_));
}

Temporary Win32FileSystem::ClassifyTemporary(const std::string& name) {
  std::uint64_t pid = 0;
  if (!TemporaryNameOwner(name, std::numeric_limits<DWORD>::max(), pid)) {
    return Temporary::NotOurs;
  }
  if (pid == pid_ || ProcessRuns(static_cast<DWORD>(pid))) return Temporary::Live;
  return Temporary::Dead;
}

Temporary Win32FileSystem::ClassifyEntry(const std::string& folder, const std::string& name) {
  // A name alone never makes a file ours to delete for good: a dead one is
  // ours only with the mark our copies carry while written. Without it,
  // it is the user's, and a sync's removal of it goes to the Recycle Bin.
  const Temporary byName = ClassifyTemporary(name);
  if (byName != Temporary::Dead) return byName;
  try {
    return CarriesMark(ExtendedPath(folder + name)) ? Temporary::Dead : Temporary::NotOurs;
  } catch (const FsError&) {
    return Temporary::NotOurs;
  }
}

bool Win32FileSystem::KeepsMarks(const std::wstring& folder) {
  if (folder == marksFolder_) return marksKept_;
  marksFolder_ = folder;
  marksKept_ = false;
  Handle handle(CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  DWORD flags = 0;
  if (handle.valid() && GetVolumeInformationByHandleW(handle.get(), nullptr, 0, nullptr, nullptr,
                                                      &flags, nullptr, 0)) {
    marksKept_ = (flags & FILE_NAMED_STREAMS) != 0;
  }
  return marksKept_;
}

namespace {

// NtQueryInformationFile's FileCaseSensitiveInformation: a folder set to
// tell names apart by case (Windows 10 1803 and later).
constexpr int kFileCaseSensitiveInformation = 71;
constexpr ULONG kCaseSensitiveDir = 1;
using QueryInformationFile = LONG(WINAPI*)(HANDLE, void*, void*, ULONG, int);

// 1 case-sensitive, 0 case-blind, -1 the folder cannot say.
int FolderCaseSetting(const std::wstring& folder) {
  static const auto query = reinterpret_cast<QueryInformationFile>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationFile")));
  if (query == nullptr) return -1;
  Handle handle(CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle.valid()) return -1;
  ULONG_PTR status[2] = {};
  ULONG flags = 0;
  if (query(handle.get(), status, &flags, sizeof flags, kFileCaseSensitiveInformation) != 0) {
    return -1;
  }
  return (flags & kCaseSensitiveDir) != 0 ? 1 : 0;
}

}  // namespace

bool Win32FileSystem::IgnoresCase(const std::string& folder) {
  if (folder == caseFolder_) return caseBlind_;
  caseFolder_ = folder;
  caseBlind_ = true;
  std::wstring extended;
  try {
    extended = ExtendedPath(folder);
  } catch (const FsError&) {
    return caseBlind_;
  }
  // A folder set otherwise says so itself; else the volume, learned once by
  // what it does: a temporary of ours looked up in another case.
  if (const int setting = FolderCaseSetting(extended); setting >= 0) {
    caseBlind_ = setting == 0;
    return caseBlind_;
  }
  DWORD serial = 0;
  {
    Handle handle(CreateFileW(extended.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.valid() || !GetVolumeInformationByHandleW(handle.get(), nullptr, 0, &serial,
                                                          nullptr, nullptr, nullptr, 0)) {
      return caseBlind_;
    }
  }
  if (const auto known = volumeCaseBlind_.find(serial); known != volumeCaseBlind_.end()) {
    caseBlind_ = known->second;
    return caseBlind_;
  }
  std::wstring folderPath = extended;
  if (folderPath.back() != L'\\') folderPath += L'\\';
  const std::wstring temp = TempNameIn(folderPath);
  Handle made(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!made.valid()) return caseBlind_;  // a volume we may not write: as Windows uses most
  std::wstring other = temp;
  CharUpperBuffW(other.data() + folderPath.size(),
                 static_cast<DWORD>(other.size() - folderPath.size()));
  caseBlind_ = GetFileAttributesW(other.c_str()) != INVALID_FILE_ATTRIBUTES;
  volumeCaseBlind_[serial] = caseBlind_;
  return caseBlind_;
}

void Win32FileSystem::RemoveLeftover(const std::string& path) {
  const std::wstring extended = ExtendedPath(path);
  // Deleting for good is only ever right for what we wrote ourselves.
  if (ClassifyTemporary(WideToUtf8(NameOf(extended))) != Temporary::Dead) {
    throw FsError(FsErrorKind::NotALeftover, path);
  }
  const DWORD attributes = GetFileAttributesW(extended.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) ThrowWin32Error(GetLastError(), path);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) || !CarriesMark(extended)) {
    throw FsError(FsErrorKind::NotALeftover, path);
  }
  if (attributes & FILE_ATTRIBUTE_READONLY)
    SetAttributes(extended, attributes & ~FILE_ATTRIBUTE_READONLY);
  const bool removed = DeleteFileW(extended.c_str()) != 0;
  const DWORD code = GetLastError();
  NoteChangedExtended(extended);
  if (!removed) ThrowWin32Error(code, path);
}

namespace {

// The copy's progress, told to the observer at most ten times a second.
struct CopyTold {
  CopyObserver* observer;
  const std::string& source;
  ULONGLONG last;
};

DWORD CALLBACK TellProgress(LARGE_INTEGER total, LARGE_INTEGER done, LARGE_INTEGER, LARGE_INTEGER,
                            DWORD, DWORD, HANDLE, HANDLE, LPVOID data) {
  auto* told = static_cast<CopyTold*>(data);
  const ULONGLONG now = GetTickCount64();
  if (now - told->last >= 100) {
    told->last = now;
    told->observer->CopyProgress(told->source, static_cast<std::uint64_t>(done.QuadPart),
                                 static_cast<std::uint64_t>(total.QuadPart));
  }
  return PROGRESS_CONTINUE;
}

}  // namespace

void Win32FileSystem::CopyFile(const std::string& source, const std::string& dest) {
  Copy(source, dest, true);
}

void Win32FileSystem::CopyNewFile(const std::string& source, const std::string& dest) {
  Copy(source, dest, false);
}

void Win32FileSystem::CopyFileKeeping(const std::string& source, const std::string& dest,
                                      const std::string& keepOldAt) {
  Copy(source, dest, true, &keepOldAt);
}

void Win32FileSystem::MoveAside(const std::string& path, const std::string& target) {
  const std::wstring from = ExtendedPath(path);
  const std::wstring to = ExtendedPath(target);
  // Without MOVEFILE_COPY_ALLOWED: a rename on the volume, never a copy, and
  // never over what is at the target.
  const bool moved = MoveFileExW(from.c_str(), to.c_str(), 0) != 0;
  const DWORD code = GetLastError();
  NoteChangedExtended(from);
  NoteChangedExtended(to);
  if (!moved) {
    if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) {
      throw FsError(FsErrorKind::AlreadyExists, target);
    }
    ThrowWin32Error(code, path);
  }
}

void Win32FileSystem::RemoveForGood(const std::string& path) {
  const std::wstring extended = ExtendedPath(path);
  const DWORD attributes = GetFileAttributesW(extended.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) ThrowWin32Error(GetLastError(), path);
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    SetAttributes(extended, attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  // A junction or a folder link goes as a folder, without what it leads to.
  const bool removed = (attributes & FILE_ATTRIBUTE_DIRECTORY)
                           ? RemoveDirectoryW(extended.c_str()) != 0
                           : DeleteFileW(extended.c_str()) != 0;
  const DWORD code = GetLastError();
  NoteChangedExtended(extended);
  if (!removed) ThrowWin32Error(code, path);
}

void Win32FileSystem::Copy(const std::string& source, const std::string& dest, bool mayReplace,
                           const std::string* keepOldAt) {
  const std::wstring from = ExtendedPath(source);
  const std::wstring to = ExtendedPath(dest);
  WIN32_FILE_ATTRIBUTE_DATA existing;
  DWORD destAttributes = 0;
  if (mayReplace && GetFileAttributesExW(to.c_str(), GetFileExInfoStandard, &existing)) {
    destAttributes = existing.dwFileAttributes;
    if (destAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      throw FsError(FsErrorKind::FolderInTheWay, dest);
    }
  }
  const Written sourceState = WriteTimeOf(from, source);
  // A read-only mark on the copy came from its source while the source has
  // it; one the user put on the copy alone is respected.
  const bool destReadOnly = (destAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (destReadOnly && (sourceState.attributes & FILE_ATTRIBUTE_READONLY) == 0) {
    throw FsError(FsErrorKind::ReadOnlyFile, dest);
  }
  const std::wstring folder = ParentOf(to);
  if (folder.empty()) throw FsError(FsErrorKind::InvalidName, dest);

  // The bytes go to a temporary name first, so that a copy cut short never
  // stands where the old file was.
  // Where the volume keeps the mark, the temporary is made with it first,
  // and the bytes copied over it.
  const bool marked = KeepsMarks(folder);
  std::wstring temp;
  for (int attempt = 0;; ++attempt) {
    temp = TempNameIn(folder);
    DWORD code = ERROR_SUCCESS;
    if (marked) {
      Handle made(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!made.valid()) code = GetLastError();
    }
    if (code == ERROR_SUCCESS) {
      if (marked) MarkTemporary(temp);
      CopyTold told{observer_, source, GetTickCount64()};
      if (CopyFileExW(from.c_str(), temp.c_str(), observer_ != nullptr ? TellProgress : nullptr,
                      &told, nullptr, marked ? 0 : COPY_FILE_FAIL_IF_EXISTS)) {
        break;
      }
      code = GetLastError();
    }
    if ((code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) && attempt < 16) continue;
    if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) RemoveTemporary(temp);
    NoteChangedExtended(to);
    const bool sourceMissing = GetFileAttributesW(from.c_str()) == INVALID_FILE_ATTRIBUTES;
    ThrowWin32Error(code, sourceMissing ? source : dest);
  }
  NoteChangedExtended(to);
  // Complete: the mark goes (before the time is set: taking it off may
  // touch the time).
  if (marked) {
    const DWORD copied = GetFileAttributesW(temp.c_str());
    const bool readOnly = copied != INVALID_FILE_ATTRIBUTES && (copied & FILE_ATTRIBUTE_READONLY);
    if (readOnly) SetFileAttributesW(temp.c_str(), copied & ~FILE_ATTRIBUTE_READONLY);
    UnmarkTemporary(temp);
    if (readOnly) SetFileAttributesW(temp.c_str(), copied);
  }
  // A copy stamped with the time of copying would look newer than its source
  // and never be brought up to date again.
  if (!KeepWriteTime(temp, sourceState.time)) {
    DWORD code = GetLastError();
    RemoveTemporary(temp);
    ThrowWin32Error(code, dest);
  }
  // The copy took the source's attributes: the mark must still be there
  // (the source may have changed meanwhile) before the old file's goes.
  bool cleared = false;
  if (destReadOnly) {
    const DWORD copied = GetFileAttributesW(temp.c_str());
    DWORD code = ERROR_SUCCESS;
    if (copied == INVALID_FILE_ATTRIBUTES) {
      code = GetLastError();
    } else if ((copied & FILE_ATTRIBUTE_READONLY) == 0) {
      code = ERROR_ACCESS_DENIED;
    } else if (!SetAttributes(to, destAttributes & ~FILE_ATTRIBUTE_READONLY)) {
      code = GetLastError();
    }
    if (code != ERROR_SUCCESS) {
      RemoveTemporary(temp);
      ThrowWin32Error(code, dest);
    }
    cleared = true;
  }
  // The old file is kept: moved aside (on its volume, never copied) now
  // that the new one is complete, and put back where the new one cannot
  // take its place.
  std::wstring kept;
  if (keepOldAt != nullptr && GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES) {
    kept = ExtendedPath(*keepOldAt);
    if (!MoveFileExW(to.c_str(), kept.c_str(), 0)) {
      DWORD code = GetLastError();
      if (cleared) SetAttributes(to, destAttributes);
      RemoveTemporary(temp);
      ThrowWin32Error(code, dest);
    }
    if (cleared) SetAttributes(kept, destAttributes);
  }
  // A new copy never replaces what took its name meanwhile.
  const DWORD replace = mayReplace && kept.empty() ? MOVEFILE_REPLACE_EXISTING : 0;
  if (!MoveFileExW(temp.c_str(), to.c_str(), replace)) {
    DWORD code = GetLastError();
    if (!kept.empty()) {
      MoveFileExW(kept.c_str(), to.c_str(), 0);
    } else if (cleared) {
      SetAttributes(to, destAttributes);
    }
    RemoveTemporary(temp);
    ThrowWin32Error(code, dest);
  }
  if (!kept.empty()) NoteChangedExtended(kept);
}

bool Win32FileSystem::Identify(const std::string& path, FileId& id) {
  std::wstring extended;
  try {
    extended = ExtendedPath(path);
  } catch (const FsError&) {
    return false;
  }
  Handle entry(OpenForQuery(extended));
  BY_HANDLE_FILE_INFORMATION info;
  if (!entry.valid() || !GetFileInformationByHandle(entry.get(), &info)) return false;
  id = IdOf(info);
  return true;
}

std::string Win32FileSystem::ResolvedFolder(const std::string& folder) {
  const std::wstring extended = WithSeparator(ExtendedPath(folder));
  Handle entry(OpenForQuery(extended));
  BY_HANDLE_FILE_INFORMATION info;
  if (!entry.valid() || !GetFileInformationByHandle(entry.get(), &info)) {
    ThrowWin32Error(GetLastError(), folder);
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    ThrowWin32Error(ERROR_DIRECTORY, folder);
  }
  std::wstring resolved(MAX_PATH + 1, L'\0');
  for (;;) {
    const DWORD length =
        GetFinalPathNameByHandleW(entry.get(), resolved.data(), static_cast<DWORD>(resolved.size()),
                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) ThrowWin32Error(GetLastError(), folder);
    if (length < resolved.size()) {
      resolved.resize(length);
      break;
    }
    resolved.resize(length + 1);  // the size it needs, with the closing NUL
  }
  const std::string plain = WideToUtf8(WithSeparator(PlainPath(resolved)));
  // Only a spelling that leads back to this very folder will do (Wine drops
  // a trailing dot of the last name here, naming another folder).
  FileId again;
  if (!Identify(plain, again) || again != IdOf(info)) {
    throw FsError(FsErrorKind::UnknownRealName, folder);
  }
  return plain;
}

bool Win32FileSystem::IsVolumeRoot(const std::string& folder) {
  std::wstring extended;
  try {
    extended = WithSeparator(ExtendedPath(folder));
  } catch (const FsError&) {
    return false;
  }
  const std::wstring volume = VolumePathOf(extended);
  return !volume.empty() && Upper(PlainPath(volume)) == Upper(PlainPath(extended));
}

std::string Win32FileSystem::ReadFile(const std::string& path) {
  const std::wstring extended = ExtendedPath(path);
  Handle file(CreateFileW(extended.c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) ThrowWin32Error(GetLastError(), path);
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size)) ThrowWin32Error(GetLastError(), path);
  if (size.QuadPart > kMaxReadBytes) {
    throw FsError(FsErrorKind::FileTooLarge, path);
  }
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    if (!::ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read,
                    nullptr)) {
      ThrowWin32Error(GetLastError(), path);
    }
    if (read == 0) break;  // shrank while we read
    done += read;
  }
  bytes.resize(done);
  return bytes;
}

void Win32FileSystem::WriteFileAtomically(const std::string& path, const std::string& bytes) {
  const std::wstring extended = ExtendedPath(path);
  const std::wstring folder = ParentOf(extended);
  if (folder.empty()) throw FsError(FsErrorKind::InvalidName, path);
  std::wstring temp;
  HANDLE created = INVALID_HANDLE_VALUE;
  for (int attempt = 0; created == INVALID_HANDLE_VALUE; ++attempt) {
    temp = TempNameIn(folder);
    created = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE) {
      DWORD code = GetLastError();
      if ((code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) || attempt >= 16) {
        ThrowWin32Error(code, path);
      }
    }
  }
  Handle file(created);
  NoteChangedExtended(extended);
  std::size_t done = 0;
  DWORD code = ERROR_SUCCESS;
  while (done < bytes.size()) {
    DWORD written = 0;
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    if (!::WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      code = GetLastError();
      break;
    }
    done += written;
  }
  if (code == ERROR_SUCCESS && !FlushFileBuffers(file.get())) code = GetLastError();
  if (!file.Close() && code == ERROR_SUCCESS) code = GetLastError();
  if (code == ERROR_SUCCESS && !MoveFileExW(temp.c_str(), extended.c_str(),
                                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    code = GetLastError();
  }
  if (code != ERROR_SUCCESS) {
    RemoveTemporary(temp);
    ThrowWin32Error(code, path);
  }
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

}  // namespace mirtel
