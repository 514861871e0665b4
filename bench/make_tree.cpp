// Deterministic test trees for the benchmark: the same seed gives the same
// names, sizes and bytes on every machine.
//
//   make_tree tree  DIR FILES FOLDERS SEED   files of 100 B..16 KB in a random folder tree
//   make_tree flat  DIR FILES SEED           files of 100 B..4 KB in one folder
//   make_tree wide  DIR SUBFOLDERS           subfolders of one folder, one small file each
//   make_tree prune DIR FILE_PCT FOLDER_PCT SEED
//                                            removes that share of the files and folders
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// std::mt19937 gives the same numbers everywhere; the standard distributions
// do not, so ranges are taken by hand.
class Rng {
 public:
  explicit Rng(std::uint32_t seed) : engine_(seed) {}
  std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(engine_() % n); }
  std::uint32_t Between(std::uint32_t lo, std::uint32_t hi) { return lo + Below(hi - lo + 1); }
  std::uint32_t Next() { return static_cast<std::uint32_t>(engine_()); }

 private:
  std::mt19937 engine_;
};

std::string Numbered(const char* prefix, std::uint32_t n, const char* suffix) {
  char name[64];
  std::snprintf(name, sizeof name, "%s%05u%s", prefix, n, suffix);
  return name;
}

void WriteFile(const fs::path& path, std::uint32_t size, Rng& rng) {
  std::string bytes(size, '\0');
  for (std::uint32_t i = 0; i < size; i += 4) {
    const std::uint32_t word = rng.Next();
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
  // Each folder hangs below the root or an earlier folder: a random tree of
  // logarithmic depth, some folders wide, some deep.
  std::vector<fs::path> dirs;
  dirs.reserve(folders);
  for (std::uint32_t i = 0; i < folders; ++i) {
    const std::uint32_t parent = rng.Below(i + 1);
    const fs::path& base = parent == i ? root : dirs[parent];
    dirs.push_back(base / Numbered("d", i, ""));
    fs::create_directory(dirs.back());
  }
  for (std::uint32_t i = 0; i < files; ++i) {
    const std::uint32_t where = rng.Below(folders + 1);
    const fs::path& dir = where == folders ? root : dirs[where];
    WriteFile(dir / Numbered("f", i, ".dat"), rng.Between(100, 16 * 1024), rng);
  }
}

void MakeFlat(const fs::path& root, std::uint32_t files, Rng& rng) {
  fs::create_directories(root);
  for (std::uint32_t i = 0; i < files; ++i) {
    WriteFile(root / Numbered("f", i, ".dat"), rng.Between(100, 4 * 1024), rng);
  }
}

void MakeWide(const fs::path& root, std::uint32_t subfolders) {
  Rng rng(subfolders);
  fs::create_directories(root);
  for (std::uint32_t i = 0; i < subfolders; ++i) {
    const fs::path dir = root / Numbered("d", i, "");
    fs::create_directory(dir);
    WriteFile(dir / "a.dat", 100, rng);
  }
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
    const fs::path& victim = dirs[rng.Below(static_cast<std::uint32_t>(dirs.size()))];
    std::error_code ec;
    if (fs::exists(victim, ec)) {
      fs::remove_all(victim);
      ++removedFolders;
    }
  }
  for (std::size_t tries = 0; removedFiles < fileTarget && tries < files.size() * 20; ++tries) {
    std::error_code ec;
    if (fs::remove(files[rng.Below(static_cast<std::uint32_t>(files.size()))], ec)) ++removedFiles;
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
