#include "platform/win32/win32_file_system.h"

#include <algorithm>
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

// FILETIME counts 100 ns from 1601; whole seconds from 1970.
std::int64_t UtcSeconds(const FILETIME& time) {
  constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600LL;
  return static_cast<std::int64_t>(Ticks(time) / 10000000ULL) - kSecondsFrom1601To1970;
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
    throw FsError(FsErrorKind::Other, path,
                  "ドライブまたは共有フォルダに届きません " + SystemMessage(code));
  }
  ThrowWin32Error(code, path);
}

// Last-write time of a file; a link is followed to the file it leads to.
FILETIME WriteTimeOf(const std::wstring& extended, const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(extended.c_str(), GetFileExInfoStandard, &data)) {
    DWORD code = GetLastError();
    WIN32_FIND_DATAW found;
    if (code == ERROR_SHARING_VIOLATION && FindEntry(extended, found)) return found.ftLastWriteTime;
    ThrowWin32Error(code, path);
  }
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return data.ftLastWriteTime;
  }
  Handle file(CreateFileW(extended.c_str(), FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  FILETIME written;
  if (!file.valid() || !GetFileTime(file.get(), nullptr, nullptr, &written)) {
    ThrowWin32Error(GetLastError(), path);
  }
  return written;
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

void RemoveTemporary(const std::wstring& extended) {
  SetFileAttributesW(extended.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(extended.c_str());
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
    listing->entries.push_back({WideToUtf8(found.cFileName), found.dwFileAttributes});
  } while (FindNextFileW(cursor, &found));
  DWORD code = GetLastError();
  FindClose(cursor);
  // A listing cut short by a read error must never pass for the whole folder.
  if (code != ERROR_NO_MORE_FILES) ThrowWin32Error(code, folder);
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
    throw FsError(FsErrorKind::ListingEnded, currentFolder_, "一覧の終わりを過ぎました");
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
      throw FsError(FsErrorKind::ListingEnded, folder + name, "フォルダが見つかりません");
    }
    KeepForResume(listing);
  }
  if (listing->index.empty()) {
    listing->index.reserve(listing->entries.size());
    for (std::size_t i = 0; i < listing->entries.size(); ++i) {
      listing->index.emplace(listing->entries[i].name, i);
    }
  }
  current_ = std::move(listing);
  currentFolder_ = folder;
  auto it = current_->index.find(name);
  if (it == current_->index.end() || !Passes(current_->entries[it->second])) {
    throw FsError(FsErrorKind::ListingEnded, folder + name, "一覧に見つかりません");
  }
  ended_ = false;
  return NameFrom(it->second + 1);
}

DWORD Win32FileSystem::Query(const std::string& path, std::wstring& extended,
                             std::uint32_t& attrs) {
  // The walks ask about the entry the listing just gave: answer from there.
  if (current_ && position_ > 0 && position_ <= current_->entries.size()) {
    const Entry& entry = current_->entries[position_ - 1];
    if (path.size() == currentFolder_.size() + entry.name.size() &&
        path.starts_with(currentFolder_) && path.ends_with(entry.name)) {
      const auto& touched = current_->touched;
      if (touched.empty() || std::find(touched.begin(), touched.end(),
                                       Upper(Utf8ToWide(entry.name))) == touched.end()) {
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

std::int64_t Win32FileSystem::LastWriteTime(const std::string& path) {
  return UtcSeconds(WriteTimeOf(ExtendedPath(path), path));
}

void Win32FileSystem::MakeFolder(const std::string& path) {
  const std::wstring extended = ExtendedPath(path);
  if (!CreateDirectoryW(extended.c_str(), nullptr)) ThrowWin32Error(GetLastError(), path);
  NoteChangedExtended(extended);
}

std::wstring Win32FileSystem::TempNameIn(const std::wstring& folder) {
  return folder + L".mirtel-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(++tempCounter_) + L".tmp";
}

void Win32FileSystem::CopyFile(const std::string& source, const std::string& dest) {
  const std::wstring from = ExtendedPath(source);
  const std::wstring to = ExtendedPath(dest);
  WIN32_FILE_ATTRIBUTE_DATA existing;
  if (GetFileAttributesExW(to.c_str(), GetFileExInfoStandard, &existing)) {
    if (existing.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      throw FsError(FsErrorKind::AccessDenied, dest, "同じ名前のフォルダがあります");
    }
    if (existing.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
      throw FsError(FsErrorKind::AccessDenied, dest, "読み取り専用のファイルは置き換えません");
    }
  }
  const FILETIME sourceTime = WriteTimeOf(from, source);
  const std::wstring folder = ParentOf(to);
  if (folder.empty()) throw FsError(FsErrorKind::InvalidName, dest);

  // The bytes go to a temporary name first, so that a copy cut short never
  // stands where the old file was.
  std::wstring temp;
  for (int attempt = 0;; ++attempt) {
    temp = TempNameIn(folder);
    if (CopyFileExW(from.c_str(), temp.c_str(), nullptr, nullptr, nullptr,
                    COPY_FILE_FAIL_IF_EXISTS)) {
      break;
    }
    DWORD code = GetLastError();
    if ((code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) && attempt < 16) continue;
    if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) RemoveTemporary(temp);
    NoteChangedExtended(to);
    const bool sourceMissing = GetFileAttributesW(from.c_str()) == INVALID_FILE_ATTRIBUTES;
    ThrowWin32Error(code, sourceMissing ? source : dest);
  }
  NoteChangedExtended(to);
  // A copy stamped with the time of copying would look newer than its source
  // and never be brought up to date again.
  if (!KeepWriteTime(temp, sourceTime)) {
    DWORD code = GetLastError();
    RemoveTemporary(temp);
    ThrowWin32Error(code, dest);
  }
  if (!MoveFileExW(temp.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DWORD code = GetLastError();
    RemoveTemporary(temp);
    ThrowWin32Error(code, dest);
  }
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
    throw FsError(FsErrorKind::Other, path, "ファイルが大きすぎます");
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
