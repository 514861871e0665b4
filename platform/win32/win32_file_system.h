// The file system through the wide Win32 calls.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/common/listing_cursor.h"
#include "platform/file_system.h"

namespace mirtel {

class Win32FileSystem : public FileSystem {
 public:
  Win32FileSystem();

  std::string ListStart(const std::string& pattern, std::uint32_t mask) override;
  std::string ListNext() override;
  std::string ListResumeAfter(const std::string& pattern, std::uint32_t mask,
                              const std::string& name) override;
  bool ReadFolder(const std::string& folder, std::vector<FolderEntry>& entries) override;
  std::uint32_t Attributes(const std::string& path) override;
  bool TryAttributes(const std::string& path, std::uint32_t& attrs, FsErrorKind& why) override;
  FileTime LastWriteTime(const std::string& path) override;
  void MakeFolder(const std::string& path) override;
  void MakeFolderLike(const std::string& path, const std::string& model) override;
  void CopyFile(const std::string& source, const std::string& dest) override;
  void CopyNewFile(const std::string& source, const std::string& dest) override;
  void CopyFileKeeping(const std::string& source, const std::string& dest,
                       const std::string& keepOldAt) override;
  void MoveAside(const std::string& path, const std::string& target) override;
  void RemoveForGood(const std::string& path) override;
  void ObserveCopies(CopyObserver* observer) override { observer_ = observer; }
  std::unique_ptr<PendingCopy> PrepareCopy(const std::string& source, const std::string& dest,
                                           bool toFreeName) override;
  int CopiesInFlight(const std::string& folder) override;
  bool Identify(const std::string& path, FileId& id) override;
  std::string ResolvedFolder(const std::string& folder) override;
  bool IsVolumeRoot(const std::string& folder) override;
  bool IgnoresCase(const std::string& folder) override;
  void ReadAhead(const std::string& folder) override;
  Temporary ClassifyTemporary(const std::string& name) override;
  Temporary ClassifyEntry(const std::string& folder, const std::string& name) override;
  void RemoveLeftover(const std::string& path) override;
  void NoteChanged(const std::string& path) override;
  std::string ReadFile(const std::string& path) override;
  void WriteFileAtomically(const std::string& path, const std::string& bytes) override;

 private:
  // What one copy takes of the file system's state, on the walk's thread,
  // so that the copy itself may run on any: whether its temporary carries
  // our mark, whom it tells of its progress. And what it changed, for the
  // listings, noted back on the walk's thread.
  struct CopyRun {
    bool marked = false;
    CopyObserver* observer = nullptr;
    std::vector<std::wstring> changed;
  };
  CopyRun StartCopy(const std::string& dest, CopyObserver* observer);
  void FinishCopy(const CopyRun& run);
  // CopyFile, or CopyNewFile where `mayReplace` is false; the old dest moved
  // to `*keepOldAt` where given.
  void Copy(const std::string& source, const std::string& dest, bool mayReplace,
            const std::string* keepOldAt = nullptr);
  // Its work, which touches nothing of this object but the temporaries'
  // counter.
  void RunCopy(CopyRun& run, const std::string& source, const std::string& dest, bool mayReplace,
               const std::string* keepOldAt);
  // The attributes of `path` into `attrs` (`extended` gets its \\?\ form
  // when the system was asked); ERROR_SUCCESS or the system's error code.
  unsigned long Query(const std::string& path, std::wstring& extended, std::uint32_t& attrs);

  struct Entry {
    std::string name;
    std::wstring key;  // the name upper-cased: the listing's order
    std::uint32_t attributes;
  };
  // One folder as read by one pass of FindFirstFileExW / FindNextFileW, put
  // in the fixed order of EntryBefore.
  struct Listing {
    std::wstring key;     // upper-cased extended folder path, ending in '\'
    std::wstring folder;  // extended folder path, ending in '\'
    std::uint64_t folderWriteTime = 0;
    std::vector<Entry> entries;
    NameIndex index;
    std::vector<std::wstring> touched;  // upper-cased names we changed since it was read
    bool cacheable = true;              // the whole folder (not a name pattern)
  };

  std::shared_ptr<Listing> ReadListing(const std::string& folder, const std::string& names);
  std::shared_ptr<Listing> CachedListing(const std::string& folder);
  void KeepForResume(const std::shared_ptr<Listing>& listing);
  std::string NameFrom(std::size_t position);
  bool Passes(const Entry& entry) const;
  void NoteChangedExtended(const std::wstring& extended);
  std::wstring TempNameIn(const std::wstring& folder);
  // The step of last-write times on the volume holding `folder` (extended).
  std::int64_t ResolutionOf(const std::wstring& folder);

  // Listings of the folders the walk is inside of: the current one and its
  // ancestors, so that a resume after a descent needs no new listing.
  std::vector<std::shared_ptr<Listing>> cached_;
  std::shared_ptr<Listing> current_;
  std::string currentFolder_;  // the folder of the current listing as the caller wrote it
  std::uint32_t mask_ = 0;
  ListingCursor cursor_;
  std::atomic<std::uint32_t> tempCounter_{0};
  // Whether the volume of `folder` (extended) keeps named streams, where our
  // temporaries carry their mark; asked once per folder in a row.
  bool KeepsMarks(const std::wstring& folder);
  std::wstring marksFolder_;
  bool marksKept_ = false;
  // IgnoresCase, for the folder asked last, and by volume where a folder
  // cannot say for itself.
  std::string caseFolder_;
  bool caseBlind_ = true;
  std::unordered_map<std::uint32_t, bool> volumeCaseBlind_;
  unsigned long pid_;

  // Time resolutions by upper-cased folder and by volume path, forgotten
  // after a few seconds: a drive letter may be given to another disk.
  std::unordered_map<std::wstring, std::int64_t> folderResolution_;
  std::unordered_map<std::wstring, std::int64_t> volumeResolution_;
  std::uint64_t resolutionsSince_ = 0;
  CopyObserver* observer_ = nullptr;
};

}  // namespace mirtel
