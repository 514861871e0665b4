// Deterministic test trees for the benchmark: the same seed gives the same
// names, sizes and bytes on every machine. The names are the real-tree
// generator's plain ones: 5 to 80 bytes of Latin and Japanese words with
// spaces, dots, dashes and the usual extensions, valid on every system.
//
//   make_tree tree  DIR FILES FOLDERS SEED   files of 100 B..16 KB in a random folder tree
//   make_tree flat  DIR FILES SEED           files of 100 B..4 KB in one folder
//   make_tree wide  DIR SUBFOLDERS           subfolders of one folder, one small file each
//   make_tree prune DIR FILE_PCT FOLDER_PCT SEED
//                                            removes that share of the files and folders
//
// tree, flat and wide print one line about the names they made.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "tests/realtrees/tree_names.h"

namespace fs = std::filesystem;
using mirtel::realtrees::PlainName;
using mirtel::realtrees::Rng;

namespace {

// The names already in one folder, compared as Windows does for our alphabet:
// ASCII letters without case.
class Names {
 public:
  bool Take(const std::string& name) { return taken_.insert(Folded(name)).second; }

 private:
  static std::string Folded(std::string name) {
    for (char& c : name) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return name;
  }
  std::unordered_set<std::string> taken_;
};

struct NameCounts {
  std::uint64_t names = 0, japanese = 0, long16 = 0;
  std::size_t shortest = SIZE_MAX, longest = 0;
  void Add(const std::string& name) {
    ++names;
    if (std::any_of(name.begin(), name.end(), [](char c) { return (c & 0x80) != 0; })) {
      ++japanese;
    }
    if (name.size() >= 16) ++long16;
    shortest = std::min(shortest, name.size());
    longest = std::max(longest, name.size());
  }
  void Print() const {
    const auto pct = [this](std::uint64_t n) { return names == 0 ? 0 : n * 100 / names; };
    std::cout << "names=" << names << " japanese=" << pct(japanese) << "% 16+bytes=" << pct(long16)
              << "% bytes=" << shortest << ".." << longest << '\n';
  }
};

// A name not yet in `taken`, counted.
std::string NewName(Rng& rng, Names& taken, NameCounts& counts, bool file) {
  for (;;) {
    std::string name = PlainName(rng, file);
    if (taken.Take(name)) {
      counts.Add(name);
      return name;
    }
  }
}

// Names are UTF-8 on every system, also where the narrow path is not.
fs::path Utf8(const std::string& name) { return fs::path(std::u8string(name.begin(), name.end())); }

void WriteFile(const fs::path& path, std::uint32_t size, Rng& rng) {
  std::string bytes(size, '\0');
  for (std::uint32_t i = 0; i < size; i += 4) {
    const auto word = static_cast<std::uint32_t>(rng.Next());
    for (std::uint32_t k = 0; k < 4 && i + k < size; ++k) {
      bytes[i + k] = static_cast<char>((word >> (8 * k)) & 0xff);
    }
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void MakeTree(const fs::path& root, std::uint32_t files, std::uint32_t folders, Rng& rng) {
  fs::create_directories(root);
  NameCounts counts;
  // Each folder hangs below the root or an earlier folder: a random tree of
  // logarithmic depth, some folders wide, some deep. Index `folders` is the root.
  std::vector<fs::path> dirs;
  std::vector<Names> taken(folders + 1);
  dirs.reserve(folders);
  for (std::uint32_t i = 0; i < folders; ++i) {
    const auto parent = static_cast<std::uint32_t>(rng.Below(i + 1));
    const std::uint32_t in = parent == i ? folders : parent;
    const fs::path& base = in == folders ? root : dirs[in];
    dirs.push_back(base / Utf8(NewName(rng, taken[in], counts, false)));
    fs::create_directory(dirs.back());
  }
  for (std::uint32_t i = 0; i < files; ++i) {
    const auto where = static_cast<std::uint32_t>(rng.Below(folders + 1));
    const fs::path& dir = where == folders ? root : dirs[where];
    const fs::path path = dir / Utf8(NewName(rng, taken[where], counts, true));
    WriteFile(path, static_cast<std::uint32_t>(rng.Between(100, 16 * 1024)), rng);
  }
  counts.Print();
}

void MakeFlat(const fs::path& root, std::uint32_t files, Rng& rng) {
  fs::create_directories(root);
  NameCounts counts;
  Names taken;
  for (std::uint32_t i = 0; i < files; ++i) {
    const fs::path path = root / Utf8(NewName(rng, taken, counts, true));
    WriteFile(path, static_cast<std::uint32_t>(rng.Between(100, 4 * 1024)), rng);
  }
  counts.Print();
}

void MakeWide(const fs::path& root, std::uint32_t subfolders) {
  Rng rng(subfolders);
  fs::create_directories(root);
  NameCounts counts;
  Names taken;
  for (std::uint32_t i = 0; i < subfolders; ++i) {
    const fs::path dir = root / Utf8(NewName(rng, taken, counts, false));
    fs::create_directory(dir);
    Names inside;
    WriteFile(dir / Utf8(NewName(rng, inside, counts, true)), 100, rng);
  }
  counts.Print();
}

// Removes `folderPct` percent of the folders (with what they hold) and then
// `filePct` percent of the files counted before any removal.
void Prune(const fs::path& root, std::uint32_t filePct, std::uint32_t folderPct, Rng& rng) {
  std::vector<fs::path> dirs, files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    (entry.is_directory() ? dirs : files).push_back(entry.path());
  }
  // Listing order is the file system's; sort for the same choice everywhere.
  std::sort(dirs.begin(), dirs.end());
  std::sort(files.begin(), files.end());
  const std::size_t fileTarget = files.size() * filePct / 100;
  std::size_t removedFolders = 0, removedFiles = 0;
  for (std::size_t n = dirs.size() * folderPct / 100; n > 0; --n) {
    const fs::path& victim = dirs[rng.Below(dirs.size())];
    std::error_code ec;
    if (fs::exists(victim, ec)) {
      fs::remove_all(victim);
      ++removedFolders;
    }
  }
  for (std::size_t tries = 0; removedFiles < fileTarget && tries < files.size() * 20; ++tries) {
    std::error_code ec;
    if (fs::remove(files[rng.Below(files.size())], ec)) ++removedFiles;
  }
  std::cout << "removed " << removedFolders << " folders, " << removedFiles << " files\n";
}

std::uint32_t Number(const char* text) {
  const unsigned long value = std::stoul(text);
  return static_cast<std::uint32_t>(value);
}

int Usage() {
  std::cerr << "usage: make_tree tree DIR FILES FOLDERS SEED | flat DIR FILES SEED"
               " | wide DIR SUBFOLDERS | prune DIR FILE_PCT FOLDER_PCT SEED\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return Usage();
  const std::string command = argv[1];
  const fs::path dir = argv[2];
  try {
    if (command == "tree" && argc == 6) {
      Rng rng(Number(argv[5]));
      MakeTree(dir, Number(argv[3]), Number(argv[4]), rng);
    } else if (command == "flat" && argc == 5) {
      Rng rng(Number(argv[4]));
      MakeFlat(dir, Number(argv[3]), rng);
    } else if (command == "wide" && argc == 4) {
      MakeWide(dir, Number(argv[3]));
    } else if (command == "prune" && argc == 6) {
      Rng rng(Number(argv[5]));
      Prune(dir, Number(argv[3]), Number(argv[4]), rng);
    } else {
      return Usage();
    }
  } catch (const std::exception& error) {
    std::cerr << "make_tree: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
