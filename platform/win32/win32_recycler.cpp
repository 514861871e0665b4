#include "platform/win32/win32_recycler.h"

#include "platform/win32/win32_api.h"
// after windows.h
#include <objbase.h>
#include <shellapi.h>

#include "platform/file_system.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_fs_calls.h"
#include "platform/win32/win32_path.h"

namespace mirtel {
namespace {

// The shell's own result codes (DE_...), besides plain Win32 error codes.
constexpr int kDeOperationCancelled = 0x75;
constexpr int kDeAccessDeniedSource = 0x78;
constexpr int kDePathTooDeep = 0x79;
constexpr int kDeInvalidFiles = 0x7C;
constexpr int kDeFileNameTooLong = 0x81;

FsErrorKind KindOfShellResult(int result) {
  switch (result) {
    case kDeInvalidFiles:
      return FsErrorKind::NotFound;
    case kDeAccessDeniedSource:
      return FsErrorKind::AccessDenied;
    case kDePathTooDeep:
    case kDeFileNameTooLong:
      return FsErrorKind::NameTooLong;
    case kDeOperationCancelled:
    case ERROR_CANCELLED:
      return FsErrorKind::NoRecycleBin;
    default:
      return KindOfError(static_cast<unsigned long>(result));
  }
}

std::string Hex(unsigned value) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value % 16]);
    value /= 16;
  } while (value != 0);
  return "0x" + text;
}

bool Exists(const std::wstring& extended) {
  return GetFileAttributesW(extended.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The folder a volume is mounted at (C:\, \\server\share\, or a mount folder),
// without the \\?\ prefix.
std::wstring PlainVolumePathOf(const std::wstring& extended) {
  const std::wstring volume = VolumePathOf(extended);
  return PlainPath(volume.empty() ? VolumeRootOf(extended) : volume);
}

// `extended` without the \\?\ prefix in its short form ("" when it has none).
std::wstring ShortPlainPath(const std::wstring& extended) {
  std::wstring shortPath(extended.size() + 1, L'\0');
  const DWORD length =
      GetShortPathNameW(extended.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
  if (length == 0 || length >= shortPath.size()) return {};
  shortPath.resize(length);
  return PlainPath(shortPath);
}

// `extended` as the shell takes it: plain, in its long form or else its
// short one, shorter than MAX_PATH; "" when neither is.
std::wstring ShellPath(const std::wstring& extended) {
  std::wstring plain = PlainPath(extended);
  if (plain.size() < MAX_PATH) return plain;
  plain = ShortPlainPath(extended);
  if (!plain.empty() && plain.size() < MAX_PATH) return plain;
  return {};
}

}  // namespace

Win32Recycler::Win32Recycler(FileSystem* listings) : listings_(listings) {
  // The shell's file operation may use COM on this thread.
  comInitialized_ =
      SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

Win32Recycler::~Win32Recycler() {
  if (comInitialized_) CoUninitialize();
}

bool Win32Recycler::VolumeHasRecycleBin(const std::wstring& root) {
  // Removable, network and optical drives have no Recycle Bin: there the
  // shell deletes for good even when asked to allow undo.
  if (GetDriveTypeW(root.c_str()) != DRIVE_FIXED) return false;
  // Without a serial number (Wine's Z:\ has none) the answer is not kept.
  DWORD serial = 0;
  const bool identified =
      GetVolumeInformationW(root.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0) != 0;
  auto known = recycling_.find(root);
  if (identified && known != recycling_.end() && known->second == serial) return true;
  SHQUERYRBINFO info{};
  info.cbSize = sizeof(info);
  if (FAILED(SHQueryRecycleBinW(root.c_str(), &info))) return false;
  if (identified) recycling_[root] = serial;
  return true;
}

void Win32Recycler::MoveToRecycleBin(const std::string& path) {
  std::wstring item = ExtendedPath(path);
  const std::wstring volume = VolumeRootOf(item);
  while (item.size() > volume.size() && item.back() == L'\\') item.pop_back();
  if (item.size() <= volume.size()) {
    throw FsError(FsErrorKind::DriveRoot, path);
  }
  if (!Exists(item)) ThrowWin32Error(GetLastError(), path);

  const std::wstring root = PlainVolumePathOf(item);
  if (root.empty() || !VolumeHasRecycleBin(root)) {
    throw FsError(FsErrorKind::NoRecycleBin, path);
  }
  const std::wstring plain = ShellPath(item);
  if (!plain.empty()) {
    Recycle(path, item, plain);
  } else {
    RecycleFromNearer(path, item, root);
  }
}

void Win32Recycler::Recycle(const std::string& path, const std::wstring& item,
                            const std::wstring& plain) {
  std::wstring from = plain;
  from.push_back(L'\0');  // the list ends in two NULs; c_str() adds the second
  SHFILEOPSTRUCTW operation{};
  operation.hwnd = nullptr;
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.pTo = nullptr;
  // Undo-able, no questions, no progress; the shell's error boxes are off
  // because the walk reports every failure itself. Where the shell would
  // still delete for good (a bin too small, switched off) it must ask.
  operation.fFlags =
      FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI | FOF_WANTNUKEWARNING;
  const int result = SHFileOperationW(&operation);
  if (listings_) listings_->NoteChanged(path);

  const bool stillThere = Exists(item);
  if (result != 0 || operation.fAnyOperationsAborted) {
    if (!stillThere) {
      throw FsError(FsErrorKind::RecycleStopped, path, Hex(static_cast<unsigned>(result)));
    }
    FsErrorKind kind =
        operation.fAnyOperationsAborted ? FsErrorKind::NoRecycleBin : KindOfShellResult(result);
    throw FsError(kind, path, Hex(static_cast<unsigned>(result)));
  }
  if (stillThere) throw FsError(FsErrorKind::RecycleFailed, path);
}

// The shell takes no path of MAX_PATH or more, not even in its short form.
// Such an item is first renamed (on its own volume, never copied) into a
// folder of our own in the nearest folder above it whose path is short
// enough, and recycled from there: the bin then names that folder as its
// place. Should the bin refuse it, it is renamed back; should the program
// stop in between, the item is still there, in a folder a later run prunes.
void Win32Recycler::RecycleFromNearer(const std::string& path, const std::wstring& item,
                                      const std::wstring& root) {
  const std::wstring name = NameOf(item);
  // The longest holder name, ".mirtel-recycle-<pid>-<n>".
  constexpr std::size_t kHolderLength = 16 + 10 + 1 + 10;
  std::wstring nearer;
  // Where the long name fits, the bin shows it; else the short one (at most
  // 8.3 for the holder and the item alike) must do.
  for (int pass = 0; pass < 2 && nearer.empty(); ++pass) {
    for (std::wstring folder = ParentOf(item); !folder.empty(); folder = ParentOf(folder)) {
      const std::wstring longForm = PlainPath(folder);
      if (longForm.size() < root.size()) break;  // above the item's own volume
      std::size_t need = longForm.size() + kHolderLength + 1 + name.size();
      if (pass == 1) {
        const std::wstring shortForm = ShortPlainPath(folder);
        need = (shortForm.empty() ? longForm : shortForm).size() + 12 + 1 + 12;
      }
      if (need < MAX_PATH) {
        nearer = folder;
        break;
      }
    }
  }
  if (nearer.empty()) {
    throw FsError(FsErrorKind::NameTooLong, path);
  }
  std::wstring holder;
  for (int attempt = 0;; ++attempt) {
    holder = nearer + L".mirtel-recycle-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(++holderCounter_);
    if (CreateDirectoryW(holder.c_str(), nullptr)) break;
    const DWORD code = GetLastError();
    if (code != ERROR_ALREADY_EXISTS || attempt >= 16) ThrowWin32Error(code, path);
  }
  const std::string holderPath = WideToUtf8(PlainPath(holder));
  const std::wstring moved = holder + L"\\" + name;
  if (!MoveFileExW(item.c_str(), moved.c_str(), 0)) {
    const DWORD code = GetLastError();
    RemoveDirectoryW(holder.c_str());
    if (listings_) listings_->NoteChanged(holderPath);
    ThrowWin32Error(code, path);
  }
  if (listings_) {
    listings_->NoteChanged(path);
    listings_->NoteChanged(holderPath);
  }
  try {
    const std::wstring plain = ShellPath(moved);
    if (plain.empty()) {
      throw FsError(FsErrorKind::NameTooLong, path);
    }
    Recycle(path, moved, plain);
  } catch (const FsError&) {
    if (Exists(moved) && !MoveFileExW(moved.c_str(), item.c_str(), 0)) {
      throw FsError(FsErrorKind::RecycleStranded, path, WideToUtf8(PlainPath(moved)));
    }
    RemoveDirectoryW(holder.c_str());
    throw;
  }
  RemoveDirectoryW(holder.c_str());
}

}  // namespace mirtel
