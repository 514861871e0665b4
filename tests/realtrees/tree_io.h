// The real-tree tests' own access to the file system: plain system calls,
// nothing of the program's, so that the oracle never shares a fault with the
// code it checks. Paths are byte strings in the system's form (UTF-8 on
// Windows) with the native separator; paths longer than the system's limit
// work too. Every failure throws std::runtime_error naming the path.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace mirtel::realtrees {

enum class Kind { Missing, File, Folder, Link, Fifo, Other };

struct Stat {
  Kind kind = Kind::Missing;
  std::uint64_t size = 0;
  std::int64_t mtimeNs = 0;     // since 1970-01-01 UTC
  std::uint32_t mode = 0;       // permission bits with setuid/setgid/sticky; 0 without modes
  std::uint64_t allocated = 0;  // bytes the volume holds for the data
  // Which file it is and when it last changed in any way (POSIX ctime): a
  // file whose identity and change time stay has the same bytes. 0 where
  // the system cannot promise that.
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  std::int64_t changeNs = 0;
};

// What trees on this system can hold, and how finely it keeps their times.
struct Platform {
  char sep = '/';
  bool modes = false;  // POSIX permission bits
  bool fifos = false;
  bool invalidUtf8 = false;   // names that are not UTF-8
  bool caseTwins = false;     // names that differ only in letter case
  bool windowsNames = false;  // no <>:"/\|?*, no trailing dot or space, no device names
  bool links = false;
  bool sparse = false;
  bool trash = false;             // the Trash's files/ and info/ can be read back
  std::size_t deepPathBytes = 0;  // the deep chain reaches beyond this many bytes
  std::size_t longNameBytes = 0;  // the longest name the volume takes, in bytes
  std::int64_t timeStep = 1;      // the volume keeps times in steps of this many ns
  // The deepest entry (bytes of its path below the tree) whose removal the
  // Recycle Bin / Trash takes; 0 for any.
  std::size_t removableBytes = 0;
  // What the destination's volume keeps, as far as the oracle must know:
  // the same as above unless a job copies onto another kind of volume.
  bool destFoldsCase = false;  // takes names that differ in case for one
  bool destKeepsCase = true;   // lists a name in the case it was given
  bool destModes = false;      // keeps permission bits
  std::int64_t destTimeStep = 1;
  // Where the Trash of the destination's volume keeps what it takes
  // (".../Trash" or "<top>/.Trash-<uid>"); "" for the data folder's own.
  std::string destTrash;
};

// The trees of the system's own temporary folder, or those a
// PlatformOverride put in its place.
const Platform& ThisPlatform();
const Platform& SystemPlatform();

// While it lives, ThisPlatform() is `platform`: trees made for and copied
// onto another volume.
class PlatformOverride {
 public:
  explicit PlatformOverride(const Platform& platform);
  ~PlatformOverride();
  PlatformOverride(const PlatformOverride&) = delete;
  PlatformOverride& operator=(const PlatformOverride&) = delete;

 private:
  const Platform* previous_;
};

// A hash of a file's bytes, fed in pieces.
class ContentHash {
 public:
  // Pieces must come in the same sizes for the same file (whole reads of
  // one buffer size): words are taken within each piece.
  void Add(const unsigned char* data, std::size_t size) {
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
      std::uint64_t word = 0;
      for (int k = 7; k >= 0; --k) word = (word << 8) | data[i + static_cast<std::size_t>(k)];
      Mix(word);
    }
    for (; i < size; ++i) Mix(data[i]);
    total_ += size;
  }
  std::uint64_t Value() const { return hash_ ^ (total_ * 0xFF51AFD7ED558CCDULL); }

 private:
  void Mix(std::uint64_t value) {
    hash_ = (hash_ ^ value) * 0x100000001B3ULL;
    hash_ ^= hash_ >> 29;
  }

  std::uint64_t hash_ = 0x9E3779B97F4A7C15ULL;
  std::uint64_t total_ = 0;
};

std::string Join(const std::string& folder, const std::string& name);

// The entry itself (a link is a link); kind Missing when there is none.
Stat LookAt(const std::string& path);
// What a link leads to (the entry itself otherwise); kind Missing when broken.
Stat LookThrough(const std::string& path);
std::string LinkTarget(const std::string& path);
// Names of a folder, without "." and "..", in byte order.
std::vector<std::string> Names(const std::string& folder);
// A hash of the bytes of the file (through links).
std::uint64_t HashOf(const std::string& path);

void MakeFolder(const std::string& path, std::uint32_t mode);
void WriteFile(const std::string& path, const std::string& bytes, std::uint32_t mode);
// A file of `size` bytes holding only `pieces` (offset, bytes); holes elsewhere.
void WriteSparse(const std::string& path, std::uint64_t size,
                 const std::vector<std::pair<std::uint64_t, std::string>>& pieces,
                 std::uint32_t mode);
void SetTime(const std::string& path, std::int64_t ns);
void SetMode(const std::string& path, std::uint32_t mode);
void MakeLink(const std::string& path, const std::string& target, bool toFolder);
void MakeFifo(const std::string& path);
void Rename(const std::string& from, const std::string& to);
// Removes the entry and all below it (a link itself, never what it leads to).
void RemoveTree(const std::string& path);

// A new empty folder for one test, under the system's temporary folder.
std::string MakeScratch(const std::string& label);
void ChangeDir(const std::string& path);
std::string CurrentDir();
void SetEnv(const std::string& name, const std::string& value);
// The process's file-creation mask, set to a usual value; the old one back.
std::uint32_t SetUmask(std::uint32_t mask);

}  // namespace mirtel::realtrees
