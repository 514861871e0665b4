#include "platform/win32/win32_recycler.h"

#include "platform/win32/win32_api.h"
// after windows.h
#include <objbase.h>
#include <shellapi.h>

#include "platform/file_system.h"
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
std::wstring VolumePathOf(const std::wstring& extended) {
  std::wstring root(extended.size() + 2, L'\0');
  if (!GetVolumePathNameW(extended.c_str(), root.data(), static_cast<DWORD>(root.size()))) {
    return PlainPath(VolumeRootOf(extended));
  }
  root.resize(root.find(L'\0'));
  if (!root.empty() && root.back() != L'\\') root += L'\\';
  return PlainPath(root);
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
    throw FsError(FsErrorKind::InvalidName, path, "ドライブのルートはごみ箱に移せません");
  }
  if (!Exists(item)) ThrowWin32Error(GetLastError(), path);

  std::wstring plain = PlainPath(item);
  std::wstring root = VolumePathOf(item);
  if (root.empty() || !VolumeHasRecycleBin(root)) {
    throw FsError(FsErrorKind::NoRecycleBin, path, "このドライブにはごみ箱がありません");
  }
  if (plain.size() >= MAX_PATH) {
    // The shell takes no path longer than MAX_PATH; the short form may fit.
    std::wstring shortPath(item.size() + 1, L'\0');
    DWORD length =
        GetShortPathNameW(item.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
    if (length > 0 && length < shortPath.size()) {
      shortPath.resize(length);
      plain = PlainPath(shortPath);
    }
    if (plain.size() >= MAX_PATH) {
      throw FsError(FsErrorKind::NameTooLong, path, "パスが長すぎてごみ箱に移せません");
    }
  }

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
      throw FsError(
          FsErrorKind::Other, path,
          "ごみ箱への移動が途中で止まりました (" + Hex(static_cast<unsigned>(result)) + ")");
    }
    FsErrorKind kind =
        operation.fAnyOperationsAborted ? FsErrorKind::NoRecycleBin : KindOfShellResult(result);
    throw FsError(kind, path,
                  "ごみ箱に移せませんでした (" + Hex(static_cast<unsigned>(result)) + ")");
  }
  if (stillThere) throw FsError(FsErrorKind::Other, path, "ごみ箱に移せませんでした");
}

}  // namespace mirtel
