// The copy of a file on Windows, through a temporary name, and the
// program's own files written whole or not at all.
#include <algorithm>
#include <functional>
#include <string_view>

#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_file_times.h"
#include "platform/win32/win32_fs_calls.h"
#include "platform/win32/win32_path.h"

namespace mirtel {
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

Win32FileSystem::CopyRun Win32FileSystem::StartCopy(const std::string& dest,
                                                    CopyObserver* observer) {
  CopyRun run;
  const std::wstring folder = ParentOf(ExtendedPath(dest));
  run.marked = !folder.empty() && KeepsMarks(folder);
  run.observer = observer;
  return run;
}

void Win32FileSystem::FinishCopy(const CopyRun& run) {
  for (const std::wstring& changed : run.changed) NoteChangedExtended(changed);
}

void Win32FileSystem::Copy(const std::string& source, const std::string& dest, bool mayReplace,
                           const std::string* keepOldAt) {
  CopyRun run = StartCopy(dest, observer_);
  try {
    RunCopy(run, source, dest, mayReplace, keepOldAt);
  } catch (...) {
    FinishCopy(run);
    throw;
  }
  FinishCopy(run);
}

namespace {

// A copy whose work runs on one of the walk's workers.
class Win32PendingCopy final : public PendingCopy {
 public:
  Win32PendingCopy(std::function<void()> run, std::function<void()> finish)
      : run_(std::move(run)), finish_(std::move(finish)) {}
  void Run() override { run_(); }
  void Finish() override { finish_(); }

 private:
  std::function<void()> run_;
  std::function<void()> finish_;
};

}  // namespace

std::unique_ptr<PendingCopy> Win32FileSystem::PrepareCopy(const std::string& source,
                                                          const std::string& dest,
                                                          bool toFreeName) {
  // Told of no progress: the observer lives on the walk's thread.
  auto run = std::make_shared<CopyRun>(StartCopy(dest, nullptr));
  return std::make_unique<Win32PendingCopy>(
      [this, run, source, dest, toFreeName] { RunCopy(*run, source, dest, !toFreeName, nullptr); },
      [this, run] { FinishCopy(*run); });
}

int Win32FileSystem::CopiesInFlight(const std::string& folder) {
  // Where each call crosses a network, several copies in flight hide the
  // waits; on a local disk the system's own caching already does, and a
  // second copy only shares the work of copying with a second core.
  std::wstring extended;
  try {
    extended = ExtendedPath(folder);
  } catch (const FsError&) {
    return 1;
  }
  constexpr std::wstring_view kUnc = L"\\\\?\\UNC\\";
  if (extended.rfind(kUnc, 0) == 0) return kCopiesInFlightOnAShare;
  std::wstring volume = VolumePathOf(extended);
  // The drive's own root, as GetDriveTypeW knows it: "X:\".
  constexpr std::wstring_view kExtended = L"\\\\?\\";
  if (volume.rfind(kExtended, 0) == 0) volume.erase(0, kExtended.size());
  return !volume.empty() && GetDriveTypeW(volume.c_str()) == DRIVE_REMOTE
             ? kCopiesInFlightOnAShare
             : CopiesInFlightOnALocalDisk();
}

void Win32FileSystem::RunCopy(CopyRun& run, const std::string& source, const std::string& dest,
                              bool mayReplace, const std::string* keepOldAt) {
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
  const bool marked = run.marked;
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
      CopyTold told{run.observer, source, GetTickCount64()};
      if (CopyFileExW(from.c_str(), temp.c_str(), run.observer != nullptr ? TellProgress : nullptr,
                      &told, nullptr, marked ? 0 : COPY_FILE_FAIL_IF_EXISTS)) {
        break;
      }
      code = GetLastError();
    }
    if ((code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) && attempt < 16) continue;
    if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) RemoveTemporary(temp);
    run.changed.push_back(to);
    const bool sourceMissing = GetFileAttributesW(from.c_str()) == INVALID_FILE_ATTRIBUTES;
    ThrowWin32Error(code, sourceMissing ? source : dest);
  }
  run.changed.push_back(to);
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
  if (!kept.empty()) run.changed.push_back(kept);
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

}  // namespace mirtel
