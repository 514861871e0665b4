// Every name the system allows, at depths beyond PATH_MAX, through the
// layer's calls; checked a name at a time with plain *at calls.
#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/posix/posix_file_system.h"
#include "tests/fakes/scratch_folder.h"
#include "tests/posix/posix_test_support.h"

namespace mirtel {
namespace {

using namespace posix_test;

// Names of 1 to 255 bytes: Japanese, plain, any byte but '/' and NUL (so
// also no UTF-8 at all), and families of names each a prefix of the next,
// cut anywhere, even inside a character.
class NameMaker {
 public:
  explicit NameMaker(unsigned seed) : rng_(seed) {}

  std::string Japanese(std::size_t bytes) {
    static const std::vector<std::string> kChars = {
        "あ", "い", "う", "え", "お", "か", "き", "く", "け", "こ", "日", "本", "語", "漢",
        "字", "写", "真", "フ", "ァ", "イ", "ル", "名", "前", "様", "式", "　", "ー", "（"};
    std::string name;
    while (name.size() + 3 <= bytes) name += kChars[Below(kChars.size())];
    return name;
  }
  std::string Ascii(std::size_t bytes) {
    static const std::string kChars = "abcXYZ019 -_.,;'!~()[]{}#%&+=@$^`";
    std::string name;
    while (name.size() < bytes) name += kChars[Below(kChars.size())];
    return name == "." || name == ".." ? "x" + name.substr(1) : name;
  }
  std::string AnyBytes(std::size_t bytes) {
    std::string name;
    while (name.size() < bytes) {
      const char c = static_cast<char>(1 + Below(255));
      if (c != '/') name += c;
    }
    return name == "." || name == ".." ? "x" + name.substr(1) : name;
  }
  std::size_t Below(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_);
  }
  std::mt19937& rng() { return rng_; }

 private:
  std::mt19937 rng_;
};

struct Level {
  std::string folder;  // the folder of this level, in the one above
  mode_t folderMode;
  struct File {
    std::string name;
    std::string bytes;
    mode_t mode;
    std::int64_t ns;
  };
  std::vector<File> files;
};

// Eighteen folders of 255-byte names, each holding names of every kind,
// among them prefixes of its subfolder's name.
std::vector<Level> MakeLevels(NameMaker& make) {
  std::vector<Level> levels;
  const mode_t folderModes[] = {0755, 0700, 0750, 0711};
  const mode_t fileModes[] = {0644, 0600, 0755, 0444, 0640, 0400};
  for (int depth = 0; depth < 18; ++depth) {
    Level level;
    switch (depth % 3) {
      case 0:
        level.folder = make.Japanese(255);
        break;
      case 1:
        level.folder = make.AnyBytes(255);
        break;
      default:
        level.folder = make.Ascii(255);
    }
    level.folderMode = folderModes[depth % 4];
    // Each depth its own mix; the prefixes of the subfolder's name are cut
    // at 15, 16 and 17 bytes too, where the names went wrong before.
    std::set<std::string> names;
    for (const std::size_t cut : {1, 2, 15, 16, 17, 100, 254}) {
      names.insert(level.folder.substr(0, cut));
    }
    names.insert(make.Japanese(255));
    names.insert(make.Japanese(18));
    names.insert(make.Ascii(16));
    names.insert(make.Ascii(255));
    names.insert(make.AnyBytes(1 + make.Below(255)));
    names.insert(make.AnyBytes(16));
    names.insert("." + make.Japanese(30));
    names.erase(level.folder);
    names.erase(".");
    names.erase("..");
    std::size_t i = 0;
    for (const std::string& name : names) {
      std::string bytes(make.Below(3000), '\0');
      for (char& c : bytes) c = static_cast<char>(make.Below(256));
      const std::int64_t ns = 1000000000000000000 +
                              static_cast<std::int64_t>(make.Below(700000000)) * 1000000000 +
                              static_cast<std::int64_t>(make.Below(1000000000));
      level.files.push_back({name, bytes, fileModes[i++ % 6], ns});
    }
    levels.push_back(std::move(level));
  }
  return levels;
}

std::uint32_t ExpectedAttributes(const Level::File& f) {
  std::uint32_t attrs = kAttrArchive;
  if (!(f.mode & S_IWUSR)) attrs |= kAttrReadOnly;
  if (f.name[0] == '.') attrs |= kAttrHidden;
  return attrs;
}

TEST(DeepNames, EveryKindOfNameBeyondPathMaxArrivesByteExactWithTimesAndModes) {
  ScratchFolder tmp;
  tmp.Dir("src");
  tmp.Dir("dst");
  tmp.Dir("cwd");
  const InFolder cwd(tmp.P("cwd"));
  NameMaker make(20240611);
  const std::vector<Level> levels = MakeLevels(make);

  // The source, made a name at a time.
  {
    Fd at(::open(tmp.P("src").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (const Level& level : levels) {
      ASSERT_EQ(::mkdirat(at.get(), level.folder.c_str(), 0700), 0) << std::strerror(errno);
      Fd sub(::openat(at.get(), level.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
      for (const auto& f : level.files) WriteAt(sub.get(), f.name, f.bytes, f.mode, f.ns);
      ASSERT_EQ(::fchmod(sub.get(), level.folderMode), 0);
      at = std::move(sub);
    }
  }

  // Mirrored through the layer with whole paths, most far beyond PATH_MAX.
  PosixFileSystem fs;
  std::string src = tmp.P("src");
  std::string dst = tmp.P("dst");
  for (const Level& level : levels) {
    src += "/" + level.folder;
    dst += "/" + level.folder;
    ASSERT_NO_THROW(fs.MakeFolderLike(dst, src));
    for (const auto& f : level.files) {
      ASSERT_NO_THROW(fs.CopyFile(src + "/" + f.name, dst + "/" + f.name)) << dst.size();
    }
  }
  ASSERT_GT(dst.size(), std::size_t{PATH_MAX});

  // Checked a name at a time, and as the layer lists and sees them.
  std::vector<std::string> below;
  dst = tmp.P("dst");
  for (std::size_t depth = 0; depth < levels.size(); ++depth) {
    const Level& level = levels[depth];
    below.push_back(level.folder);
    dst += "/" + level.folder;
    SCOPED_TRACE("depth " + std::to_string(depth) + ", " + std::to_string(dst.size()) + " bytes");
    const Fd up = OpenBelow(tmp.P("dst"), std::vector<std::string>(below.begin(), below.end() - 1));
    EXPECT_EQ(StatAt(up.get(), level.folder).st_mode & 07777, level.folderMode);
    const Fd here = OpenBelow(tmp.P("dst"), below);
    ASSERT_GE(here.get(), 0);

    std::vector<std::string> expected;
    for (const auto& f : level.files) expected.push_back(f.name);
    if (depth + 1 < levels.size()) expected.push_back(levels[depth + 1].folder);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(NamesIn(here.get()), expected);
    std::vector<std::string> listed;
    for (std::string n = fs.ListStart(dst + "/*.*", kListEverything); !n.empty();
         n = fs.ListNext()) {
      listed.push_back(n);
    }
    expected.insert(expected.begin(), {".", ".."});
    EXPECT_EQ(listed, expected);

    for (const auto& f : level.files) {
      const struct stat st = StatAt(here.get(), f.name);
      EXPECT_EQ(ReadAt(here.get(), f.name), f.bytes);
      EXPECT_EQ(Ns(st.st_mtim), f.ns);
      EXPECT_EQ(st.st_mode & 07777, f.mode);
      EXPECT_EQ(fs.Attributes(dst + "/" + f.name), ExpectedAttributes(f));
      const FileTime time = fs.LastWriteTime(dst + "/" + f.name);
      EXPECT_EQ(time.ns, f.ns);
      EXPECT_EQ(time.resolution, 1);
      FileId id;
      ASSERT_TRUE(fs.Identify(dst + "/" + f.name, id));
      EXPECT_EQ(id, (FileId{st.st_dev, st.st_ino}));
    }
  }

  // Too long a name fails as such, deep down too, and changes nothing.
  const Fd deepest = OpenBelow(tmp.P("dst"), below);
  const std::vector<std::string> before = NamesIn(deepest.get());
  const std::string tooLong = dst + "/" + make.Ascii(256);
  EXPECT_EQ(KindOf([&] { fs.MakeFolder(tooLong); }), FsErrorKind::NameTooLong);
  EXPECT_EQ(KindOf([&] { fs.CopyFile(src + "/" + levels.back().files[0].name, tooLong); }),
            FsErrorKind::NameTooLong);
  EXPECT_EQ(KindOf([&] { fs.ResolvedFolder(dst + "/"); }), FsErrorKind::NameTooLong);
  EXPECT_EQ(NamesIn(deepest.get()), before);
  // Nothing was ever made in the current folder.
  const Fd here(::open(".", O_RDONLY | O_DIRECTORY));
  EXPECT_TRUE(NamesIn(here.get()).empty());
}

// A path without a folder names nothing a change may touch: the process's
// current folder is never where a copy or a folder goes.
TEST(DeepNames, ABareNameIsNeverTakenInTheCurrentFolder) {
  ScratchFolder tmp;
  tmp.Write("src.txt", "bytes");
  tmp.Dir("model");
  tmp.Dir("cwd");
  const InFolder cwd(tmp.P("cwd"));
  PosixFileSystem fs;
  EXPECT_EQ(KindOf([&] { fs.MakeFolder("bare"); }), FsErrorKind::InvalidName);
  EXPECT_EQ(KindOf([&] { fs.MakeFolderLike("bare", tmp.P("model")); }), FsErrorKind::InvalidName);
  EXPECT_EQ(KindOf([&] { fs.CopyFile(tmp.P("src.txt"), "bare.txt"); }), FsErrorKind::InvalidName);
  EXPECT_EQ(KindOf([&] { fs.RemoveLeftover(".mirtel-999999-1.tmp"); }), FsErrorKind::InvalidName);
  // A folder that cannot be opened fails the call; nothing falls back to
  // the whole path or the last name alone.
  EXPECT_EQ(KindOf([&] { fs.CopyFile(tmp.P("src.txt"), tmp.P("none/bare.txt")); }),
            FsErrorKind::NotFound);
  EXPECT_EQ(KindOf([&] { fs.MakeFolder(tmp.P("none/bare")); }), FsErrorKind::NotFound);
  EXPECT_EQ(tmp.Names("cwd"), std::vector<std::string>{});
  EXPECT_EQ(tmp.Names(""), (std::vector<std::string>{"cwd", "model", "src.txt"}));
}

}  // namespace
}  // namespace mirtel
