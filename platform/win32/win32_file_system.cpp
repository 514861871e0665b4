#include "platform/win32/win32_file_system.h"

#include <algorithm>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_fs_calls.h"
#include "platform/win32/win32_path.h"

namespace mirtel {
namespace {

// The program's own data file is small; anything near this is not it.
constexpr std::int64_t kMaxReadBytes = 64 * 1024 * 1024;

}  // namespace

Win32FileSystem::Win32FileSystem() : pid_(GetCurrentProcessId()) {}

DWORD Win32FileSystem::Query(const std::string& path, std::wstring& extended,
                             std::uint32_t& attrs) {
  // The walks ask about the entry the listing just gave: answer from there.
  if (current_ && cursor_.HasReturned()) {
    const Entry& entry = current_->entries[cursor_.Returned()];
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

}  // namespace mirtel
