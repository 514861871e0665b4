// The sound copy: the bytes and the time arrive whole, an older copy is
// replaced, and a copy that fails leaves the old one as it was and nothing
// of its own; a read-only copy gives way only to a read-only source.
#include <gtest/gtest.h>

#include "tests/contract/contract_fixture.h"

namespace mirtel::contract {
namespace {

bool IsReadOnly(const std::filesystem::path& path) {
  return (std::filesystem::status(path).permissions() & std::filesystem::perms::owner_write) ==
         std::filesystem::perms::none;
}

void SetReadOnly(const std::filesystem::path& path, bool readOnly) {
  std::filesystem::permissions(
      path, std::filesystem::perms::owner_write,
      readOnly ? std::filesystem::perm_options::remove : std::filesystem::perm_options::add);
}

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 31 % 251);
  return bytes;
}

TEST_F(FileSystemContract, ACopyArrivesWholeWithItsTimeAndReplacesAnOlderOne) {
  const std::string big = Pattern(3 * 1024 * 1024 + 17);
  const std::string longName = NameStems()[3] + ".bin";
  const std::vector<std::pair<std::string, std::string>> files = {
      {longName, big},
      {"空っぽ.txt", ""},
      {"\xF0\x9F\x93\xB7 한국어 Café.txt", "名前だけ変わった"},
      {".隠しファイル", "hidden"},
  };
  std::int64_t second = 1400000000;
  for (const auto& [name, bytes] : files) {
    tmp_.Write("元/" + name, bytes);
    tmp_.SetTime("元/" + name, ++second);
  }
  MakeHidden(tmp_.N("元/.隠しファイル"));
  tmp_.Dir("先");
  // Over older copies too, one of them hidden.
  tmp_.Write("先/空っぽ.txt", "older and longer");
  tmp_.SetTime("先/空っぽ.txt", 1300000000);
  tmp_.Write("先/.隠しファイル", "older");
  MakeHidden(tmp_.N("先/.隠しファイル"));

  // And each to a free name of a new folder, as the walk copies there.
  tmp_.Dir("新");
  for (const auto& [name, bytes] : files) {
    for (const char* folder : {"先/", "新/"}) {
      SCOPED_TRACE(folder + name);
      if (folder == std::string("先/")) {
        fs_->CopyFile(tmp_.P("元/" + name), tmp_.P(folder + name));
      } else {
        fs_->CopyNewFile(tmp_.P("元/" + name), tmp_.P(folder + name));
      }
      EXPECT_EQ(tmp_.Read(folder + name), bytes);
      EXPECT_EQ(fs_->LastWriteTime(tmp_.P(folder + name)).ns,
                fs_->LastWriteTime(tmp_.P("元/" + name)).ns);
      EXPECT_EQ(fs_->Attributes(tmp_.P(folder + name)) & (kAttrHidden | kAttrReadOnly),
                fs_->Attributes(tmp_.P("元/" + name)) & (kAttrHidden | kAttrReadOnly));
    }
  }
  EXPECT_EQ(tmp_.Names("先"), tmp_.Names("元"));
  EXPECT_EQ(tmp_.Names("新"), tmp_.Names("元"));

  // And all at once, as copies in flight: prepared and finished here, run
  // each on a thread of its own, into a folder listed before and after.
  tmp_.Dir("並");
  EXPECT_EQ(ListAll(tmp_.P("並/")).size(), 2u);
  std::vector<std::unique_ptr<PendingCopy>> pending;
  for (const auto& file : files) {
    pending.push_back(fs_->PrepareCopy(tmp_.P("元/" + file.first), tmp_.P("並/" + file.first),
                                       pending.size() % 2 == 0));
  }
  std::vector<std::string> errors(pending.size());
  std::vector<std::thread> workers;
  for (std::size_t i = 0; i < pending.size(); ++i) {
    workers.emplace_back([&, i] {
      try {
        pending[i]->Run();
      } catch (const std::exception& e) {
        errors[i] = e.what();
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  for (const auto& copy : pending) copy->Finish();
  EXPECT_EQ(errors, std::vector<std::string>(pending.size()));
  for (const auto& [name, bytes] : files) {
    EXPECT_EQ(tmp_.Read("並/" + name), bytes) << name;
    EXPECT_EQ(tmp_.Time("並/" + name), tmp_.Time("元/" + name)) << name;
  }
  std::vector<std::string> listed = ListAll(tmp_.P("並/"));
  std::vector<std::string> expected = tmp_.Names("元");
  expected.insert(expected.end(), {".", ".."});
  std::sort(listed.begin(), listed.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed, expected);
}

// A copy to a name thought free never replaces what took the name
// meanwhile, whatever it is: it says so and leaves nothing of its own.
TEST_F(FileSystemContract, ACopyToAFreeNameLeavesWhatTookTheName) {
  tmp_.Write("元/書類.txt", "new");
  tmp_.SetTime("元/書類.txt", 1500000000);
  tmp_.Write("先/古い.txt", "old");
  tmp_.SetTime("先/古い.txt", 1400000000);
  tmp_.Write("先/読み取り専用.txt", "protected");
  SetReadOnly(tmp_.N("先/読み取り専用.txt"), true);
  tmp_.Write("先/フォルダ/中身", "kept");
  const std::vector<std::string> before = tmp_.Names("先");
  for (const char* taken : {"古い.txt", "読み取り専用.txt", "フォルダ"}) {
    SCOPED_TRACE(taken);
    EXPECT_EQ(KindOf([&] {
                fs_->CopyNewFile(tmp_.P("元/書類.txt"), tmp_.P(std::string("先/") + taken));
              }),
              FsErrorKind::AlreadyExists);
  }
  EXPECT_EQ(tmp_.Read("先/古い.txt"), "old");
  EXPECT_EQ(tmp_.Time("先/古い.txt"), 1400000000);
  EXPECT_EQ(tmp_.Read("先/読み取り専用.txt"), "protected");
  EXPECT_EQ(tmp_.Read("先/フォルダ/中身"), "kept");
  EXPECT_EQ(tmp_.Names("先"), before);
  EXPECT_EQ(tmp_.Names("先/フォルダ"), std::vector<std::string>{"中身"});
  SetReadOnly(tmp_.N("先/読み取り専用.txt"), false);
}

// Whatever fails, the old copy keeps its bytes and time, and the folder
// holds nothing it did not hold before.
TEST_F(FileSystemContract, AFailedCopyLeavesTheOldCopyAndNothingElse) {
  tmp_.Write("元/消える.txt", "new");
  tmp_.Write("元/新しい.txt", "new");
  tmp_.Write("先/消える.txt", "old");
  tmp_.SetTime("先/消える.txt", 1400000000);
  tmp_.Write("先/フォルダ/中身.txt", "kept");
  const std::vector<std::string> before = tmp_.Names("先");

  // The source went after the walk listed it.
  std::string n = fs_->ListStart(All(tmp_.F("元")), kListEverything);
  while (!n.empty() && n != "消える.txt") n = fs_->ListNext();
  ASSERT_EQ(n, "消える.txt");
  std::filesystem::remove(tmp_.N("元/消える.txt"));
  EXPECT_EQ(KindOf([&] { fs_->CopyFile(tmp_.P("元/消える.txt"), tmp_.P("先/消える.txt")); }),
            FsErrorKind::NotFound);
  EXPECT_EQ(KindOf([&] { fs_->CopyFile(tmp_.P("元/ない.txt"), tmp_.P("先/新しい.txt")); }),
            FsErrorKind::NotFound);
  // The destination's folder is not there.
  EXPECT_EQ(KindOf([&] { fs_->CopyFile(tmp_.P("元/新しい.txt"), tmp_.P("ない/新しい.txt")); }),
            FsErrorKind::NotFound);
  EXPECT_FALSE(tmp_.Exists("ない"));
  // A folder is in the way.
  EXPECT_EQ(KindOf([&] { fs_->CopyFile(tmp_.P("元/新しい.txt"), tmp_.P("先/フォルダ")); }),
            FsErrorKind::FolderInTheWay);

  EXPECT_EQ(tmp_.Read("先/消える.txt"), "old");
  EXPECT_EQ(tmp_.Time("先/消える.txt"), 1400000000);
  EXPECT_EQ(tmp_.Read("先/フォルダ/中身.txt"), "kept");
  EXPECT_EQ(tmp_.Names("先"), before);
  EXPECT_EQ(tmp_.Names("先/フォルダ"), std::vector<std::string>{"中身.txt"});
}

// A read-only mark on a copy is the user's unless its source has it too:
// then the mark came from there and the copy follows. The same when the
// copy turns up after the walk saw its name free.
TEST_F(FileSystemContract, AReadOnlyCopyGivesWayOnlyToAReadOnlySource) {
  // Read-only is the owner's write bit on POSIX, the mark on Windows; the
  // other bits go with a replacing copy where the system keeps them.
  struct Case {
    int dest;
    int source;
  };
  const Case cases[] = {{0444, 0644}, {0444, 0444}, {0644, 0444}, {0644, 0644},
                        {0400, 0400}, {0555, 0755}, {0444, 0600}, {0600, 0644}};
  const auto perms = [](int mode) { return static_cast<std::filesystem::perms>(mode); };
  const auto readOnly = [](int mode) { return (mode & 0200) == 0; };
  for (const bool turnedUp : {false, true}) {
    int i = 0;
    for (const Case& c : cases) {
      const std::string name =
          std::string(turnedUp ? "後から" : "既に") + std::to_string(i++) + " 読み取り専用.txt";
      SCOPED_TRACE(name);
      tmp_.Write("元/" + name, "new");
      tmp_.SetTime("元/" + name, 1500000000 + i);
      std::filesystem::permissions(tmp_.N("元/" + name), perms(c.source));
      tmp_.Dir("先");
      std::uint32_t attrs = 0;
      FsErrorKind why = FsErrorKind::Other;
      if (turnedUp) {
        ASSERT_FALSE(fs_->TryAttributes(tmp_.P("先/" + name), attrs, why));
        ASSERT_EQ(why, FsErrorKind::NotFound);
      }
      tmp_.Write("先/" + name, "old");
      tmp_.SetTime("先/" + name, 1400000000);
      std::filesystem::permissions(tmp_.N("先/" + name), perms(c.dest));
      if (!turnedUp) {
        ASSERT_TRUE(fs_->TryAttributes(tmp_.P("先/" + name), attrs, why));
      }

      const bool refused = readOnly(c.dest) && !readOnly(c.source);
      if (refused) {
        EXPECT_EQ(KindOf([&] { fs_->CopyFile(tmp_.P("元/" + name), tmp_.P("先/" + name)); }),
                  FsErrorKind::ReadOnlyFile);
        EXPECT_EQ(tmp_.Read("先/" + name), "old");
        EXPECT_EQ(tmp_.Time("先/" + name), 1400000000);
      } else {
        EXPECT_NO_THROW(fs_->CopyFile(tmp_.P("元/" + name), tmp_.P("先/" + name)));
        EXPECT_EQ(tmp_.Read("先/" + name), "new");
        EXPECT_EQ(tmp_.Time("先/" + name), 1500000000 + i);
      }
      const int kept = refused ? c.dest : c.source;
      EXPECT_EQ(IsReadOnly(tmp_.N("先/" + name)), readOnly(kept));
#ifndef _WIN32
      EXPECT_EQ(std::filesystem::status(tmp_.N("先/" + name)).permissions(), perms(kept));
#endif
    }
  }
  // A folder that turns up is never replaced.
  std::uint32_t attrs = 0;
  FsErrorKind why = FsErrorKind::Other;
  ASSERT_FALSE(fs_->TryAttributes(tmp_.P("先/フォルダ"), attrs, why));
  tmp_.Write("先/フォルダ/中身", "kept");
  EXPECT_EQ(
      KindOf([&] { fs_->CopyFile(tmp_.P("元/既に0 読み取り専用.txt"), tmp_.P("先/フォルダ")); }),
      FsErrorKind::FolderInTheWay);
  EXPECT_EQ(tmp_.Read("先/フォルダ/中身"), "kept");
  std::vector<std::string> sources = tmp_.Names("元");
  sources.push_back("フォルダ");
  std::sort(sources.begin(), sources.end());
  EXPECT_EQ(tmp_.Names("先"), sources);
}

}  // namespace
}  // namespace mirtel::contract
