// Whether a folder on Windows tells names apart by case: the folder's own
// setting where it has one, else what its volume does.
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_fs_calls.h"
#include "platform/win32/win32_path.h"

namespace mirtel {
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

}  // namespace mirtel
