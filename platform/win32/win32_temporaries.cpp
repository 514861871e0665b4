// Our temporary copies on Windows: their names, whose they are, removing
// those a dead run left.
#include <limits>

#include "platform/common/temporary_name.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_fs_calls.h"
#include "platform/win32/win32_path.h"

namespace mirtel {
namespace {

bool ProcessRuns(std::uint64_t pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  DWORD code = 0;
  const bool answered = GetExitCodeProcess(process, &code) != 0;
  CloseHandle(process);
  return !answered || code == STILL_ACTIVE;
}

}  // namespace

// Our temporaries are named after the process writing them, so that a later
// run can tell one left by a run that died (ours to remove) from one being
// written right now by another copy of the program.
std::wstring Win32FileSystem::TempNameIn(const std::wstring& folder) {
  return folder + Utf8ToWide(TemporaryName(pid_, ++tempCounter_));
}

Temporary Win32FileSystem::ClassifyTemporary(const std::string& name) {
  return ClassifyTemporaryName(name, std::numeric_limits<DWORD>::max(), pid_, ProcessRuns);
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

}  // namespace mirtel
