#include "tests/realtrees/tree_names.h"

#include <algorithm>
#include <set>

namespace mirtel::realtrees {

// Pieces of names, as people and programs make them.
const std::vector<std::string> kLatin = {
    "report", "IMG", "data", "Backup", "README", "notes", "draft", "final", "v2", "2024-03-15",
    "photo", "Thumbs", "desktop", "tmp", "old", "New Folder", "My Documents", "copy of", "index",
    "main", "test", "Q3", "LICENSE", "Makefile", ".git", "node_modules", "__init__", "~lock",
    "#backup#", "@eaDir", "a+b=c", "50%", "[1]", "(2)", "{x}", "it's", "semi;colon", "comma,name",
    "ampersand&", "excl!", "dollar$name", "caret^", "back`tick",
    // Special only at the top of a volume, or only in exactly the program's
    // own pattern: ordinary names here.
    "RECYCLED", "lost+found", "$RECYCLE.BIN", "System Volume Information", ".Trash-1000",
    ".mirtel-notes", ".mirtel-x-1.tmp", ".mirtel-12-3.tmp.bak",
    ".mirtel-123456789012345678901-1.tmp"};
const std::vector<std::string> kJapanese = {"写真",         "書類",         "議事録",
                                            "見積書",       "ダウンロード", "新しいフォルダー",
                                            "デスクトップ", "令和6年度",    "請求書",
                                            "バックアップ", "ふりがな",     "テスト",
                                            "ｶﾀｶﾅ",         "①②③",          "〜波ダッシュ",
                                            "～全角チルダ", "ソフト",       "表計算",
                                            "能力",         "予定表",       "日本語のファイル名",
                                            "ｱｲｳｴｵ",        "株式会社",     "㈱",
                                            "髙橋",         "𠮷野家",       "ー長音",
                                            "・中黒",       "「括弧」",     "【重要】",
                                            "『二重』",     "＃全角記号＆", "　全角空白"};
const std::vector<std::string> kOtherScripts = {"Привет",
                                                "документ",
                                                "δοκιμή",
                                                "αρχείο",
                                                "مرحبا",
                                                "שלום",
                                                "한국어",
                                                "文件夹",
                                                "中文",
                                                "😀",
                                                "👍🏽",
                                                "Ünïcödé",
                                                "ñandú",
                                                "Ελληνικά",
                                                "straße",
                                                "ﬁle",
                                                "zero\u200Bwidth",
                                                "rtl\u202Etxt.exe",
                                                "Ｆｕｌｌｗｉｄｔｈ"};
// The same word composed and decomposed: distinct names to the system.
const std::vector<std::pair<std::string, std::string>> kNormalForms = {
    {"caf\u00E9", "cafe\u0301"},
    {"\u304C\u3063\u3053\u3046", "\u304B\u3099\u3063\u3053\u3046"},
    {"\u30DA\u30FC\u30B8", "\u30D8\u309A\u30FC\u30B8"},
    {"\u00C5ngstr\u00F6m", "A\u030Angstro\u0308m"}};
// Names only POSIX takes.
const std::vector<std::string> kPosixOnly = {
    "what?",     "a:b", "pipe|name", "star*", "less<more>", "quote\"d", "back\\slash", "tab\there",
    "new\nline", "CON", "nul.txt",   "COM1",  "end.",       "end ",     "del\x7F"};
const std::vector<std::string> kInvalidUtf8 = {"\xFF\xFE", "\x80",         "\xE3\x81",
                                               "\xC0\xAF", "\xED\xA0\x80", "caf\xE9"};
const std::vector<std::string> kJoints = {"", " ", "_", "-", ".", "　", "・", "  "};
const std::vector<std::string> kExtensions = {"",      ".txt",  ".jpg", ".JPG", ".tar.gz",
                                              ".docx", ".xlsx", ".pdf", ".bak", ".日本語",
                                              ".mp4",  ".PNG",  "",     ".",    ".md"};
const std::vector<std::string> kOneByte = {"a", "Z", "0", "-", "~", "_", "#", "x", "@", "!"};

namespace {

bool Utf8Lead(unsigned char c) { return (c & 0xC0) != 0x80; }

}  // namespace

std::string CutTo(std::string name, std::size_t bytes) {
  if (name.size() <= bytes) return name;
  std::size_t cut = bytes;
  while (cut > 0 && !Utf8Lead(static_cast<unsigned char>(name[cut]))) --cut;
  name.resize(cut);
  return name;
}

// ".mirtel-<pid>-<n>.tmp": the program's own temporary copies, which it
// passes over by design; never generated as the user's. Numbers of more
// than ten digits fit no process id: such a name is the user's.
bool LooksTemporary(const std::string& name) {
  std::string lower = name;
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  const std::string head = ".mirtel-";
  const std::string tail = ".tmp";
  if (lower.size() <= head.size() + tail.size() || lower.rfind(head, 0) != 0 ||
      lower.compare(lower.size() - tail.size(), tail.size(), tail) != 0) {
    return false;
  }
  const std::string middle = lower.substr(head.size(), lower.size() - head.size() - tail.size());
  const std::size_t dash = middle.find('-');
  if (dash == std::string::npos || dash == 0 || dash > 10 || dash + 1 == middle.size() ||
      middle.size() - dash - 1 > 10) {
    return false;
  }
  for (std::size_t i = 0; i < middle.size(); ++i) {
    if (i != dash && (middle[i] < '0' || middle[i] > '9')) return false;
  }
  return true;
}

bool WindowsTakes(const std::string& name) {
  if (name.empty()) return false;
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 ||
        std::string("<>:\"\\|?*").find(c) != std::string::npos) {
      return false;
    }
  }
  if (name.back() == '.' || name.back() == ' ') return false;
  std::string stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  std::transform(stem.begin(), stem.end(), stem.begin(),
                 [](char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c); });
  static const std::set<std::string> kDevices = {
      "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
      "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
  if (kDevices.count(stem) != 0) return false;
  return true;
}

std::string PlainName(Rng& rng, bool withExtension) {
  for (;;) {
    // A few short names, most of 16 to 48 bytes, a fifth up to 80.
    const std::uint64_t r = rng.Below(100);
    const std::size_t bytes = r < 15   ? rng.Between(5, 15)
                              : r < 80 ? rng.Between(16, 48)
                                       : rng.Between(49, 80);
    // A third of them Japanese, with a Latin word here and there.
    const bool japanese = rng.Percent(30);
    const auto piece = [&] { return rng.Pick(japanese && rng.Percent(70) ? kJapanese : kLatin); };
    std::string name = piece();
    while (name.size() < bytes) name += rng.Pick(kJoints) + piece();
    const std::string ext = withExtension ? rng.Pick(kExtensions) : std::string();
    name = CutTo(name, bytes > ext.size() ? bytes - ext.size() : 1) + ext;
    if (name.size() >= 5 && name.front() != '.' && WindowsTakes(name) && !LooksTemporary(name)) {
      return name;
    }
  }
}

}  // namespace mirtel::realtrees
