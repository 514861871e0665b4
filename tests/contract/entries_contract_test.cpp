// What an entry is (attributes, times, identity), making folders, the
// names of our temporaries, and the program's own small data file.
#include <gtest/gtest.h>

#include "tests/contract/contract_fixture.h"

namespace mirtel::contract {
namespace {

constexpr std::int64_t kSecond = 1000000000;

void MakeReadOnly(const std::filesystem::path& path) {
  std::filesystem::permissions(path,
                               std::filesystem::perms::owner_write |
                                   std::filesystem::perms::group_write |
                                   std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
}

// Folders, files, hidden and read-only ones: the same bits whether asked
// outright, quietly, or of the entry a listing has just returned; "no such
// entry" told apart as NotFound both ways.
TEST_F(FileSystemContract, AttributesAreTheSameHoweverTheyAreAsked) {
  struct Made {
    std::string name;
    bool folder;
    bool hidden;
    bool readOnly;
  };
  const std::vector<Made> made = {
      {"普通のファイル.txt", false, false, false}, {"フォルダ", true, false, false},
      {".隠しファイル", false, true, false},       {".隠しフォルダ", true, true, false},
      {"読み取り専用.txt", false, false, true},    {".隠れた読み取り専用", false, true, true},
      {NameStems()[3], false, false, false},       {"空.txt", false, false, false},
  };
  for (const Made& m : made) {
    if (m.folder) {
      tmp_.Dir("d/" + m.name);
    } else {
      tmp_.Write("d/" + m.name, m.name == "空.txt" ? "" : "bytes");
    }
    if (m.hidden) MakeHidden(tmp_.N("d/" + m.name));
    if (m.readOnly) MakeReadOnly(tmp_.N("d/" + m.name));
  }
  const auto check = [&](const Made& m, std::uint32_t attrs) {
    EXPECT_EQ((attrs & kAttrDirectory) != 0, m.folder) << m.name;
    EXPECT_EQ((attrs & kAttrHidden) != 0, m.hidden) << m.name;
    EXPECT_EQ((attrs & kAttrReadOnly) != 0, m.readOnly) << m.name;
    EXPECT_EQ(attrs & (kAttrReparsePoint | kAttrDevice), 0u) << m.name;
  };
  for (const Made& m : made) {
    check(m, fs_->Attributes(tmp_.P("d/" + m.name)));
    if (m.folder) check(m, fs_->Attributes(tmp_.F("d/" + m.name)));
    std::uint32_t attrs = 0;
    FsErrorKind why = FsErrorKind::Other;
    ASSERT_TRUE(fs_->TryAttributes(tmp_.P("d/" + m.name), attrs, why)) << m.name;
    check(m, attrs);
  }
  // As the walks ask: of each name while the listing stands on it.
  const auto outside = MakeNativeFileSystem();
  std::size_t seen = 0;
  for (std::string n = fs_->ListStart(All(tmp_.F("d")), kListEverything); !n.empty();
       n = fs_->ListNext()) {
    if (n == "." || n == "..") continue;
    ++seen;
    const std::uint32_t listed = fs_->Attributes(tmp_.F("d") + n);
    EXPECT_EQ(listed, outside->Attributes(tmp_.F("d") + n)) << n;
    std::uint32_t quiet = 0;
    FsErrorKind why = FsErrorKind::Other;
    EXPECT_TRUE(fs_->TryAttributes(tmp_.F("d") + n, quiet, why));
    EXPECT_EQ(quiet, listed) << n;
  }
  EXPECT_EQ(seen, made.size());
  // Without the folder and hidden bits: the plain files alone, in order.
  std::vector<std::string> plain;
  for (const std::string& listed : ListAll(tmp_.F("d"))) {
    const auto m =
        std::find_if(made.begin(), made.end(), [&](const Made& one) { return one.name == listed; });
    if (m != made.end() && !m->folder && !m->hidden) plain.push_back(listed);
  }
  EXPECT_EQ(plain.size(), 4u);
  EXPECT_EQ(ListAll(tmp_.F("d"), 0), plain);

  for (const std::string& missing :
       {tmp_.P("d/ない.txt"), tmp_.P("ないフォルダ/x.txt"), tmp_.P("d/普通のファイル.txt/x")}) {
    SCOPED_TRACE(missing);
    EXPECT_EQ(KindOf([&] { fs_->Attributes(missing); }), FsErrorKind::NotFound);
    std::uint32_t attrs = 0;
    FsErrorKind why = FsErrorKind::Other;
    EXPECT_FALSE(fs_->TryAttributes(missing, attrs, why));
    EXPECT_EQ(why, FsErrorKind::NotFound);
  }

  // An entry the listing has just returned, replaced by a folder through
  // the file system itself: what the listing said is stale.
  std::string n = fs_->ListStart(All(tmp_.F("d")), kListEverything);
  while (!n.empty() && n != "普通のファイル.txt") n = fs_->ListNext();
  ASSERT_EQ(n, "普通のファイル.txt");
  EXPECT_EQ(fs_->Attributes(tmp_.P("d/普通のファイル.txt")) & kAttrDirectory, 0u);
  std::filesystem::remove(tmp_.N("d/普通のファイル.txt"));
  fs_->MakeFolder(tmp_.P("d/普通のファイル.txt"));
  EXPECT_NE(fs_->Attributes(tmp_.P("d/普通のファイル.txt")) & kAttrDirectory, 0u);
}

// Times in nanoseconds since 1970, as finely as the volume keeps them (a
// whole multiple of its step), the same after a copy; a folder has one too.
TEST_F(FileSystemContract, TimesAreNanosecondsOnTheVolumesStepAndSurviveACopy) {
  tmp_.Write("秒.txt");
  tmp_.SetTime("秒.txt", 1600000000);
  const FileTime whole = fs_->LastWriteTime(tmp_.P("秒.txt"));
  EXPECT_EQ(whole.ns, 1600000000 * kSecond);
  EXPECT_GE(whole.resolution, 1);
  EXPECT_LE(whole.resolution, 2 * kSecond);

  // As finely as the system lets a time be set and read back.
  tmp_.Write("細かい時刻.txt", "fine");
  const auto asked =
      std::chrono::file_clock::from_sys(std::chrono::sys_seconds{std::chrono::seconds{1500000001}} +
                                        std::chrono::nanoseconds{123456789});
  std::filesystem::last_write_time(tmp_.N("細かい時刻.txt"), asked);
  const std::int64_t kept = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                std::chrono::file_clock::to_sys(
                                    std::filesystem::last_write_time(tmp_.N("細かい時刻.txt")))
                                    .time_since_epoch())
                                .count();
  EXPECT_GE(kept, 1500000001 * kSecond);
  const FileTime fine = fs_->LastWriteTime(tmp_.P("細かい時刻.txt"));
  EXPECT_EQ(fine.ns, kept);
  EXPECT_EQ(fine.ns % fine.resolution, 0);

  tmp_.Dir("写し");
  fs_->CopyFile(tmp_.P("細かい時刻.txt"), tmp_.P("写し/細かい時刻.txt"));
  EXPECT_EQ(fs_->LastWriteTime(tmp_.P("写し/細かい時刻.txt")).ns, fine.ns);
  EXPECT_EQ(MakeNativeFileSystem()->LastWriteTime(tmp_.P("写し/細かい時刻.txt")).ns, fine.ns);

  const FileTime folder = fs_->LastWriteTime(tmp_.F("写し"));
  EXPECT_EQ(folder.ns / kSecond, tmp_.Time("写し"));
  EXPECT_EQ(KindOf([&] { fs_->LastWriteTime(tmp_.P("ない.txt")); }), FsErrorKind::NotFound);
}

// One folder at a time; like its model (hidden where the model is), never
// made without one, nor where an entry of its name is or its parent is not.
TEST_F(FileSystemContract, FoldersAreMadeOneAtATimeAndLikeTheirModel) {
  const std::string longName = NameStems()[3];
  fs_->MakeFolder(tmp_.P(longName));
  EXPECT_TRUE(std::filesystem::is_directory(tmp_.N(longName)));
  EXPECT_EQ(KindOf([&] { fs_->MakeFolder(tmp_.P(longName)); }), FsErrorKind::AlreadyExists);
  tmp_.Write("ファイル");
  EXPECT_EQ(KindOf([&] { fs_->MakeFolder(tmp_.P("ファイル")); }), FsErrorKind::AlreadyExists);
  EXPECT_EQ(KindOf([&] { fs_->MakeFolder(tmp_.P("ない/子")); }), FsErrorKind::NotFound);

  tmp_.Dir("元/普通");
  tmp_.Dir("元/.隠し");
  MakeHidden(tmp_.N("元/.隠し"));
  tmp_.Dir("先");
  for (const char* name : {"普通", ".隠し"}) {
    SCOPED_TRACE(name);
    const std::string copy = tmp_.P(std::string("先/") + name);
    fs_->MakeFolderLike(copy, tmp_.P(std::string("元/") + name));
    EXPECT_TRUE(std::filesystem::is_directory(tmp_.N(std::string("先/") + name)));
    EXPECT_EQ(fs_->Attributes(copy), fs_->Attributes(tmp_.P(std::string("元/") + name)));
    EXPECT_EQ(KindOf([&] { fs_->MakeFolderLike(copy, tmp_.P(std::string("元/") + name)); }),
              FsErrorKind::AlreadyExists);
  }
  EXPECT_EQ(KindOf([&] { fs_->MakeFolderLike(tmp_.P("先/孤児"), tmp_.P("元/ない")); }),
            FsErrorKind::NotFound);
  EXPECT_EQ(KindOf([&] { fs_->MakeFolderLike(tmp_.P("ない/子"), tmp_.P("元/普通")); }),
            FsErrorKind::NotFound);
  // A model gone since the walk listed it leaves no empty copy behind.
  std::string n = fs_->ListStart(All(tmp_.F("元")), kListEverything);
  while (!n.empty() && n != "普通") n = fs_->ListNext();
  ASSERT_EQ(n, "普通");
  std::filesystem::remove(tmp_.N("元/普通"));
  EXPECT_EQ(KindOf([&] { fs_->MakeFolderLike(tmp_.P("先/もう一度"), tmp_.P("元/普通")); }),
            FsErrorKind::NotFound);
  EXPECT_EQ(tmp_.Names("先"), (std::vector<std::string>{".隠し", "普通"}));
}

// A folder is the same whichever spelling leads to it, and its resolved
// spelling leads back to it; anything else is something else.
TEST_F(FileSystemContract, AFolderIsKnownByWhatItIsNotHowItIsSpelled) {
  tmp_.Dir("同じフォルダ/内側");
  tmp_.Dir("別のフォルダ");
  tmp_.Write("ファイル.txt");
  FileId id;
  ASSERT_TRUE(fs_->Identify(tmp_.P("同じフォルダ"), id));
  const std::string resolved = fs_->ResolvedFolder(tmp_.F("同じフォルダ"));
  ASSERT_FALSE(resolved.empty());
  EXPECT_EQ(resolved.back(), tmp_.F().back());
  for (const std::string& spelling : {tmp_.P("同じフォルダ"), tmp_.F("同じフォルダ"), resolved,
                                      tmp_.F("同じフォルダ/内側") + ".." + tmp_.F().back()}) {
    SCOPED_TRACE(spelling);
    FileId same;
    EXPECT_TRUE(fs_->Identify(spelling, same));
    EXPECT_EQ(same, id);
    EXPECT_EQ(fs_->ResolvedFolder(spelling), resolved);
  }
  FileId other;
  ASSERT_TRUE(fs_->Identify(tmp_.F("別のフォルダ"), other));
  EXPECT_NE(other, id);
  EXPECT_EQ(other.volume, id.volume);
  ASSERT_TRUE(fs_->Identify(tmp_.P("ファイル.txt"), other));
  EXPECT_NE(other, id);
  EXPECT_FALSE(fs_->Identify(tmp_.F("ない"), other));
  EXPECT_FALSE(fs_->Identify(tmp_.P("ファイル.txt/x"), other));
  EXPECT_FALSE(fs_->Identify("", other));
  EXPECT_EQ(KindOf([&] { fs_->ResolvedFolder(tmp_.F("ない")); }), FsErrorKind::NotFound);
  EXPECT_THROW(fs_->ResolvedFolder(tmp_.P("ファイル.txt")), FsError);

  const std::string root = Utf8(std::filesystem::temp_directory_path().root_path());
  EXPECT_EQ(fs_->ResolvedFolder(root), root);
  EXPECT_TRUE(fs_->IsVolumeRoot(root));
  EXPECT_FALSE(fs_->IsVolumeRoot(tmp_.F()));
  EXPECT_FALSE(fs_->IsVolumeRoot(tmp_.F("同じフォルダ")));
  EXPECT_FALSE(fs_->IsVolumeRoot(tmp_.F("ない")));
  EXPECT_FALSE(fs_->IsVolumeRoot(""));
}

// Only a name of exactly our pattern can be one of our temporaries; any
// other name is the user's, and is never removed as a leftover.
TEST_F(FileSystemContract, OnlyOurOwnPatternNamesATemporary) {
  const std::vector<std::string> names = {"report.tmp",
                                          "mirtel-12-3.tmp",
                                          ".mirtel-.tmp",
                                          ".mirtel-12.tmp",
                                          ".mirtel-12-.tmp",
                                          ".mirtel--3.tmp",
                                          ".mirtel-1x-3.tmp",
                                          ".mirtel-12-3.tmp.txt",
                                          ".mirtel-12-3.tm",
                                          ".MIRTEL-12-3.TMP",
                                          ".mirtel-99999999999-1.tmp",
                                          ".mirtel-12-3-4.tmp",
                                          ".mirtel- 12-3.tmp",
                                          ".mirtel-+12-1.tmp",
                                          "x.mirtel-12-1.tmp",
                                          ".mirtel-12-1.tmp.tmp",
                                          ".mirtel-写真-1.tmp",
                                          ".mirtel-write-12.tmp",
                                          "写真.tmp",
                                          ""};
  for (const std::string& name : names) {
    EXPECT_EQ(fs_->ClassifyTemporary(name), Temporary::NotOurs) << name;
  }
  for (const std::string& name : names) {
    if (name.empty()) continue;
    SCOPED_TRACE(name);
    tmp_.Write(name, "the user's");
    EXPECT_EQ(KindOf([&] { fs_->RemoveLeftover(tmp_.P(name)); }), FsErrorKind::NotALeftover);
    EXPECT_EQ(tmp_.Read(name), "the user's");
  }
}

TEST_F(FileSystemContract, TheDataFileIsReadWholeAndReplacedAtOnce) {
  const std::string path = tmp_.P("設定 \xF0\x9F\x93\xB7.dat");
  EXPECT_EQ(KindOf([&] { fs_->ReadFile(path); }), FsErrorKind::NotFound);
  const std::string bytes("一\0二\xff", 8);
  fs_->WriteFileAtomically(path, bytes);
  EXPECT_EQ(fs_->ReadFile(path), bytes);
  EXPECT_EQ(tmp_.Read("設定 \xF0\x9F\x93\xB7.dat"), bytes);
  fs_->WriteFileAtomically(path, "二度目");
  EXPECT_EQ(fs_->ReadFile(path), "二度目");
  fs_->WriteFileAtomically(path, "");
  EXPECT_EQ(fs_->ReadFile(path), "");
  EXPECT_EQ(tmp_.Names(), std::vector<std::string>{"設定 \xF0\x9F\x93\xB7.dat"});
  EXPECT_EQ(KindOf([&] { fs_->WriteFileAtomically(tmp_.P("ない/設定.dat"), "x"); }),
            FsErrorKind::NotFound);
  EXPECT_EQ(tmp_.Names(), std::vector<std::string>{"設定 \xF0\x9F\x93\xB7.dat"});
}

}  // namespace
}  // namespace mirtel::contract
