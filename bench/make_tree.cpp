// Deterministic test trees for the benchmark: the same seed gives the same
// names, sizes and bytes on every machine. Names look like people's: 5 to 80
// bytes of UTF-8, about 30% with Japanese, most of them 16 bytes or longer
// (where name handling once went wrong), with spaces, dots, dashes, brackets
// and the usual extensions, all valid on Windows too.
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
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <system_error>
#include <unordered_set>
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

constexpr std::size_t kShortestName = 5;
constexpr std::size_t kLongestName = 80;

const char* const kJapaneseWords[] = {
    "写真",         "議事録",     "見積書",     "請求書",   "報告書",
    "会議資料",     "打ち合わせ", "企画書",     "契約書",   "領収書",
    "申請書",       "提案書",     "旅行",       "京都",     "大阪",
    "北海道",       "沖縄",       "家族",       "子ども",   "運動会",
    "卒業式",       "入学式",     "誕生日",     "お知らせ", "年賀状",
    "名簿",         "売上",       "予算",       "月次",     "週報",
    "日報",         "説明会",     "社内",       "取引先",   "新しいフォルダー",
    "バックアップ", "スキャン",   "データ",     "メモ",     "プレゼン",
    "テンプレート", "マニュアル", "アンケート", "控え",     "下書き",
    "修正版",       "最終版",     "確定版",     "原本",     "保存用",
    "共有",         "未整理",     "整理済み",   "手順書",   "経理",
    "総務",         "営業部",     "研修",       "引き継ぎ", "東京本社",
};

const char* const kAsciiWords[] = {
    "report", "photo",  "meeting", "notes",    "budget",     "invoice",  "draft",    "final",
    "backup", "scan",   "summary", "Project",  "minutes",    "estimate", "contract", "schedule",
    "slides", "data",   "log",     "memo",     "Sales",      "review",   "old",      "new",
    "copy",   "design", "export",  "template", "archive",    "travel",   "family",   "Kyoto",
    "Osaka",  "Tokyo",  "client",  "sample",   "Screenshot", "receipt",  "plan",     "list",
    "FY2024", "Q3",     "v2",      "JP",       "web",        "print",
};

// Marks people add to a name.
const char* const kJapaneseMarks[] = {
    "（最終版）", "（修正）", "【重要】", "【社外秘】", "（控え）", " - コピー", "（確認済）",
};

struct Extension {
  const char* text;
  std::uint32_t weight;
};

const Extension kExtensions[] = {
    {".jpg", 20},  {".JPG", 5},  {".png", 6},  {".heic", 2},   {".pdf", 14},
    {".docx", 10}, {".xlsx", 9}, {".pptx", 4}, {".txt", 8},    {".csv", 4},
    {".doc", 2},   {".xls", 2},  {".zip", 3},  {".mp4", 2},    {".mov", 1},
    {".md", 1},    {".log", 1},  {".html", 1}, {".tar.gz", 1}, {"", 4},
};

template <typename T, std::size_t N>
const T& Pick(const T (&items)[N], Rng& rng) {
  return items[rng.Below(static_cast<std::uint32_t>(N))];
}

const char* PickExtension(Rng& rng) {
  std::uint32_t total = 0;
  for (const Extension& e : kExtensions) total += e.weight;
  std::uint32_t at = rng.Below(total);
  for (const Extension& e : kExtensions) {
    if (at < e.weight) return e.text;
    at -= e.weight;
  }
  return "";
}

std::string Format(const char* format, std::uint32_t n) {
  char text[32];
  std::snprintf(text, sizeof text, format, n);
  return text;
}

// A date with or without dashes. Each draw is its own statement: the order in
// which a call's arguments are evaluated is unspecified.
std::string DateToken(const char* dash, Rng& rng) {
  const std::uint32_t year = rng.Between(2015, 2025);
  const std::uint32_t month = rng.Between(1, 12);
  const std::uint32_t day = rng.Between(1, 28);
  char text[32];
  std::snprintf(text, sizeof text, "%u%s%02u%s%02u", year, dash, month, dash, day);
  return text;
}

// A number as people write one into a name: a year, a date, a count, a version.
std::string NumberToken(bool japanese, Rng& rng) {
  switch (rng.Below(japanese ? 8 : 5)) {
    case 0:
      return Format("%u", rng.Between(2015, 2025));
    case 1:
      return DateToken("-", rng);
    case 2:
      return DateToken("", rng);
    case 3:
      return Format("v%u", rng.Between(1, 9));
    case 4:
      return Format("(%u)", rng.Between(1, 12));
    case 5:
      return Format("%u年度", rng.Between(2015, 2025));
    case 6:
      return Format("第%u回", rng.Between(1, 30));
    default:
      return Format("%u月分", rng.Between(1, 12));
  }
}

const char* Separator(bool japanese, Rng& rng) {
  switch (rng.Below(japanese ? 8 : 6)) {
    case 0:
    case 1:
      return "_";
    case 2:
    case 3:
      return " ";
    case 4:
      return "-";
    case 5:
      return ".";
    case 6:
      return "";
    default:
      return "\xe3\x80\x80";  // the full-width space
  }
}

// Cuts text to at most `bytes` bytes without splitting a character, then drops
// what Windows refuses or people never leave at the end of a name.
void Cut(std::string& text, std::size_t bytes) {
  if (text.size() > bytes) {
    while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xc0) == 0x80) --bytes;
    text.resize(bytes);
  }
  for (;;) {
    if (!text.empty() &&
        (text.back() == ' ' || text.back() == '.' || text.back() == '_' || text.back() == '-')) {
      text.pop_back();
    } else if (text.size() >= 3 && text.compare(text.size() - 3, 3, "\xe3\x80\x80") == 0) {
      text.resize(text.size() - 3);
    } else {
      return;
    }
  }
}

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
  std::size_t shortest = kLongestName, longest = 0;
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

class Namer {
 public:
  explicit Namer(Rng& rng) : rng_(rng) {}

  std::string File(Names& taken) {
    // Now and then the camera's own name.
    if (rng_.Below(10) == 0) {
      const char* ext = rng_.Below(2) == 0 ? ".JPG" : ".jpg";
      switch (rng_.Below(3)) {
        case 0:
          return Unique(Format("IMG_%04u", rng_.Below(10000)), ext, taken);
        case 1:
          return Unique(Format("DSC%05u", rng_.Below(100000)), ext, taken);
        default: {
          const std::string date = DateToken("", rng_);
          return Unique(date + Format("_%06u", rng_.Below(240000)), ext, taken);
        }
      }
    }
    const char* ext = PickExtension(rng_);
    return Unique(Stem(std::char_traits<char>::length(ext)), ext, taken);
  }

  std::string Folder(Names& taken) { return Unique(Stem(0), "", taken); }

  const NameCounts& Counts() const { return counts_; }

 private:
  // Words joined until the name reaches a length drawn for it: a few short
  // names, most of 16 to 48 bytes, a fifth up to the longest.
  std::string Stem(std::size_t extBytes) {
    std::size_t target;
    const std::uint32_t kind = rng_.Below(100);
    if (kind < 15) {
      target = rng_.Between(kShortestName, 15);
    } else if (kind < 80) {
      target = rng_.Between(16, 48);
    } else {
      target = rng_.Between(49, kLongestName);
    }
    const bool japanese = rng_.Below(3) == 0;
    std::string stem = japanese ? Pick(kJapaneseWords, rng_) : Pick(kAsciiWords, rng_);
    while (stem.size() + extBytes < target) {
      const std::uint32_t what = rng_.Below(10);
      if (japanese && what == 0) {
        stem += Pick(kJapaneseMarks, rng_);
        continue;
      }
      stem += Separator(japanese, rng_);
      if (what < 3) {
        stem += NumberToken(japanese, rng_);
      } else if (japanese && what < 7) {
        stem += Pick(kJapaneseWords, rng_);
      } else {
        stem += Pick(kAsciiWords, rng_);
      }
    }
    return stem;
  }

  // stem + ext, cut to the longest name, and made unique in its folder the
  // way file managers do: "name (2).ext".
  std::string Unique(std::string stem, const std::string& ext, Names& taken) {
    std::string name;
    for (std::uint32_t n = 1;; ++n) {
      const std::string suffix = n == 1 ? std::string() : Format(" (%u)", n);
      std::string cut = stem;
      Cut(cut, kLongestName - ext.size() - suffix.size());
      if (cut.size() + suffix.size() + ext.size() < kShortestName) {
        cut.resize(kShortestName - suffix.size() - ext.size(), '0');
      }
      name = cut + suffix + ext;
      if (taken.Take(name)) break;
    }
    counts_.Add(name);
    return name;
  }

  Rng& rng_;
  NameCounts counts_;
};

// Names are UTF-8 on every system, also where the narrow path is not.
fs::path Utf8(const std::string& name) { return fs::path(std::u8string(name.begin(), name.end())); }

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
  Namer namer(rng);
  // Each folder hangs below the root or an earlier folder: a random tree of
  // logarithmic depth, some folders wide, some deep. Index `folders` is the root.
  std::vector<fs::path> dirs;
  std::vector<Names> taken(folders + 1);
  dirs.reserve(folders);
  for (std::uint32_t i = 0; i < folders; ++i) {
    const std::uint32_t parent = rng.Below(i + 1);
    const std::uint32_t in = parent == i ? folders : parent;
    const fs::path& base = in == folders ? root : dirs[in];
    dirs.push_back(base / Utf8(namer.Folder(taken[in])));
    fs::create_directory(dirs.back());
  }
  for (std::uint32_t i = 0; i < files; ++i) {
    const std::uint32_t where = rng.Below(folders + 1);
    const fs::path& dir = where == folders ? root : dirs[where];
    const fs::path path = dir / Utf8(namer.File(taken[where]));
    WriteFile(path, rng.Between(100, 16 * 1024), rng);
  }
  namer.Counts().Print();
}

void MakeFlat(const fs::path& root, std::uint32_t files, Rng& rng) {
  fs::create_directories(root);
  Namer namer(rng);
  Names taken;
  for (std::uint32_t i = 0; i < files; ++i) {
    const fs::path path = root / Utf8(namer.File(taken));
    WriteFile(path, rng.Between(100, 4 * 1024), rng);
  }
  namer.Counts().Print();
}

void MakeWide(const fs::path& root, std::uint32_t subfolders) {
  Rng rng(subfolders);
  fs::create_directories(root);
  Namer namer(rng);
  Names taken;
  for (std::uint32_t i = 0; i < subfolders; ++i) {
    const fs::path dir = root / Utf8(namer.Folder(taken));
    fs::create_directory(dir);
    Names inside;
    WriteFile(dir / Utf8(namer.File(inside)), 100, rng);
  }
  namer.Counts().Print();
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
