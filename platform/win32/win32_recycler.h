// The Recycle Bin through the shell's file operation.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/recycler.h"

namespace mirtel {

class FileSystem;

class Win32Recycler : public Recycler {
 public:
  // `listings`, when given, learns of every removal so that it never serves
  // a stale listing of the folder.
  explicit Win32Recycler(FileSystem* listings = nullptr);
  ~Win32Recycler() override;
  Win32Recycler(const Win32Recycler&) = delete;
  Win32Recycler& operator=(const Win32Recycler&) = delete;

  void MoveToRecycleBin(const std::string& path) override;

 private:
  bool VolumeHasRecycleBin(const std::wstring& root);
  // `item` (extended) by the shell, which takes it as `plain`.
  void Recycle(const std::string& path, const std::wstring& item, const std::wstring& plain);
  void RecycleFromNearer(const std::string& path, const std::wstring& item,
                         const std::wstring& root);

  FileSystem* listings_;
  bool comInitialized_ = false;
  // Volumes known to keep a Recycle Bin, by root and serial number (a drive
  // letter may be given to another disk while the program runs).
  std::map<std::wstring, std::uint32_t> recycling_;
  unsigned holderCounter_ = 0;
};

}  // namespace mirtel
