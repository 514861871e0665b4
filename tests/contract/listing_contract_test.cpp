// The listing cursor: its one order, its end, resuming after a name
// whatever became of that name, and folders changed behind its memory or
// through the file system itself.
#include <gtest/gtest.h>

#include "tests/contract/contract_fixture.h"

namespace mirtel::contract {
namespace {

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// Generated folders of generated names: every listing, from a fresh object
// too, is "." and ".." and then each name once in one order; a resume
// after any name, whether it is still there, was removed, renamed or never
// was, goes on with exactly what that order holds after its place.
TEST_F(FileSystemContract, OneOrderForEveryListingAndEveryResume) {
  std::mt19937 random(20240611);
  for (int tree = 0; tree < 3; ++tree) {
    SCOPED_TRACE("tree " + std::to_string(tree));
    const std::string top = "tree" + std::to_string(tree);
    std::vector<std::string> made = GeneratedNames(random, 36);
    std::vector<std::string> folders;
    for (const std::string& name : made) {
      if (random() % 2) {
        tmp_.Dir(top + "/" + name);
        folders.push_back(name);
      } else {
        tmp_.Write(top + "/" + name, name);
      }
    }
    const std::string folder = tmp_.F(top);

    const std::vector<std::string> order = ListAll(folder);
    ASSERT_GE(order.size(), 2u);
    EXPECT_EQ(order[0], ".");
    EXPECT_EQ(order[1], "..");
    const std::vector<std::string> names(order.begin() + 2, order.end());
    std::vector<std::string> sorted = names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, tmp_.Names(top));
    EXPECT_EQ(FreshListing(folder), order);
    EXPECT_EQ(KindOf([&] { fs_->ListNext(); }), FsErrorKind::ListingEnded);
    // Reading a folder ahead (this one, or one that is not there) leaves
    // the listing in progress where it stood.
    std::vector<std::string> readingAhead;
    for (std::string n = fs_->ListStart(All(folder), kListEverything); !n.empty();
         n = fs_->ListNext()) {
      readingAhead.push_back(n);
      fs_->ReadAhead(readingAhead.size() % 2 ? folder : tmp_.F(top + "/ない"));
    }
    EXPECT_EQ(readingAhead, order);

    // Without the folder and hidden bits: the files alone, in that order.
    std::vector<std::string> files;
    for (const std::string& n : names) {
      if (!Contains(folders, n)) files.push_back(n);
    }
    EXPECT_EQ(ListAll(folder, 0), files);

    // Each name leads to the next, with a descent in between; a resume
    // with the narrower mask skips what that mask leaves out.
    ASSERT_FALSE(folders.empty());
    ASSERT_FALSE(files.empty());
    const std::string sub = tmp_.F(top + "/" + folders.front());
    for (std::size_t i = 0; i < order.size(); ++i) {
      ListAll(sub);
      EXPECT_EQ(fs_->ListResumeAfter(All(folder), kListEverything, order[i]),
                i + 1 < order.size() ? order[i + 1] : "")
          << order[i];
    }
    EXPECT_EQ(KindOf([&] { fs_->ListNext(); }), FsErrorKind::ListingEnded);
    const auto firstFile = std::find(names.begin(), names.end(), files.front());
    if (firstFile != names.begin()) {
      EXPECT_EQ(fs_->ListResumeAfter(All(folder), 0, *(firstFile - 1)), files.front());
    }

    // A third goes and a few are renamed behind the walk's back while it
    // is in a subfolder; one name is new.
    std::set<std::string> gone;
    const std::string descended = folders.back();
    ListAll(tmp_.F(top + "/" + descended));
    for (const std::string& name : names) {
      if (name == descended || random() % 3 != 0) continue;
      if (random() % 4 == 0) {
        std::filesystem::rename(tmp_.N(top + "/" + name), tmp_.N(top + "/" + name + " 改名"));
      } else {
        std::filesystem::remove_all(tmp_.N(top + "/" + name));
      }
      gone.insert(name);
    }
    tmp_.Write(top + "/新しいファイル.txt", "new");
    const std::vector<std::string> now = FreshListing(folder);
    for (const std::string& from : {std::string("."), std::string("..")}) {
      EXPECT_EQ(RestAfter(folder, from),
                std::vector<std::string>(now.begin() + (from == "." ? 1 : 2), now.end()));
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
      const std::vector<std::string> rest = RestAfter(folder, names[i]);
      EXPECT_TRUE(IsSuffixOf(rest, now)) << names[i];
      std::vector<std::string> stayed;
      for (const std::string& n : rest) {
        if (Contains(names, n)) stayed.push_back(n);
      }
      std::vector<std::string> expected;
      for (std::size_t j = i + 1; j < names.size(); ++j) {
        if (!gone.contains(names[j])) expected.push_back(names[j]);
      }
      EXPECT_EQ(stayed, expected) << "after " << names[i];
    }
    EXPECT_TRUE(IsSuffixOf(RestAfter(folder, "一度もなかった名前"), now));
  }
}

TEST_F(FileSystemContract, AListingEndsOnceAndAFolderThatIsNotThereListsNothing) {
  tmp_.Dir("空のフォルダ");
  EXPECT_EQ(ListAll(tmp_.F("空のフォルダ")), (std::vector<std::string>{".", ".."}));
  EXPECT_EQ(KindOf([&] { fs_->ListNext(); }), FsErrorKind::ListingEnded);
  EXPECT_EQ(KindOf([&] { fs_->ListNext(); }), FsErrorKind::ListingEnded);

  EXPECT_EQ(fs_->ListStart(All(tmp_.F("ない")), kListEverything), "");
  EXPECT_EQ(KindOf([&] { fs_->ListNext(); }), FsErrorKind::ListingEnded);
  tmp_.Write("ファイル.txt");
  EXPECT_EQ(fs_->ListStart(All(tmp_.F("ファイル.txt")), kListEverything), "");
  EXPECT_EQ(KindOf([&] { fs_->ListNext(); }), FsErrorKind::ListingEnded);
}

// Resuming in a folder that went away (removed, or a file in its place)
// ends that listing; it never goes on in something else.
TEST_F(FileSystemContract, AResumeInAFolderThatWentAwayEndsTheListing) {
  for (const bool fileInItsPlace : {false, true}) {
    SCOPED_TRACE(fileInItsPlace ? "a file in its place" : "removed");
    tmp_.Write("親/消えるフォルダ/中.txt");
    tmp_.Dir("親/消えるフォルダ/下");
    const std::string folder = tmp_.F("親/消えるフォルダ");
    std::vector<std::string> inside = RestAfter(folder, "..");
    std::sort(inside.begin(), inside.end());
    EXPECT_EQ(inside, (std::vector<std::string>{"下", "中.txt"}));
    ListAll(tmp_.F("親/消えるフォルダ/下"));
    std::filesystem::remove_all(tmp_.N("親/消えるフォルダ"));
    if (fileInItsPlace) tmp_.Write("親/消えるフォルダ", "now a file");
    EXPECT_EQ(KindOf([&] { fs_->ListResumeAfter(All(folder), kListEverything, "下"); }),
              FsErrorKind::ListingEnded);
    EXPECT_EQ(KindOf([&] { fs_->ListNext(); }), FsErrorKind::ListingEnded);
    std::filesystem::remove_all(tmp_.N("親"));
  }
  EXPECT_EQ(KindOf([&] { fs_->ListResumeAfter(All(tmp_.F("一度もない")), kListEverything, "x"); }),
            FsErrorKind::ListingEnded);
}

// What is remembered of a folder never hides a change made behind its
// back, nor one made through the file system itself or noted to it.
TEST_F(FileSystemContract, ChangesShowAtTheNextListingWhoeverMadeThem) {
  for (const char* n : {"a 最初", "m 真ん中", "z 最後"}) tmp_.Dir(std::string("r/") + n);
  tmp_.Write("r/ファイル.txt");
  tmp_.Write("元.txt", "source");
  LetTheClockMove();
  const std::string folder = tmp_.F("r");
  const std::string middle = tmp_.F("r/m 真ん中");
  ListAll(folder);
  ListAll(middle);

  // Behind its back: a new file and one gone.
  tmp_.Write("r/後から来たファイル.txt");
  std::filesystem::remove(tmp_.N("r/ファイル.txt"));
  std::vector<std::string> now = FreshListing(folder);
  EXPECT_TRUE(Contains(now, "後から来たファイル.txt"));
  EXPECT_FALSE(Contains(now, "ファイル.txt"));
  const auto after = std::find(now.begin(), now.end(), "m 真ん中");
  ASSERT_NE(after, now.end());
  EXPECT_EQ(RestAfter(folder, "m 真ん中"), std::vector<std::string>(after + 1, now.end()));
  EXPECT_EQ(ListAll(folder), now);

  // Through itself, with a descent in between.
  ListAll(folder);
  ListAll(middle);
  fs_->MakeFolder(tmp_.P("r/新しいフォルダ"));
  fs_->CopyFile(tmp_.P("元.txt"), tmp_.P("r/コピー.txt"));
  fs_->WriteFileAtomically(tmp_.P("r/設定.dat"), "settings");
  now = FreshListing(folder);
  for (const char* n : {"新しいフォルダ", "コピー.txt", "設定.dat"}) EXPECT_TRUE(Contains(now, n));
  const auto rest = std::find(now.begin(), now.end(), "m 真ん中");
  EXPECT_EQ(RestAfter(folder, "m 真ん中"), std::vector<std::string>(rest + 1, now.end()));
  EXPECT_EQ(ListAll(folder), now);

  // Moved away by someone it was told about (the Trash does this).
  ListAll(folder);
  ListAll(middle);
  std::filesystem::rename(tmp_.N("r/z 最後"), tmp_.N("ゴミ箱の z"));
  fs_->NoteChanged(tmp_.P("r/z 最後"));
  EXPECT_FALSE(Contains(RestAfter(folder, "m 真ん中"), "z 最後"));
  EXPECT_EQ(ListAll(folder), FreshListing(folder));
}

// A folder put aside and made anew under its name gets what is meant for
// that name, whether it changed between two jobs or within one listing.
TEST_F(FileSystemContract, AFolderMadeAnewUnderItsNameGetsTheNextCopies) {
  tmp_.Write("元/a.txt", "a");
  tmp_.Write("元/b.txt", "b");
  tmp_.Dir("先/下");
  fs_->CopyFile(tmp_.P("元/a.txt"), tmp_.P("先/下/a.txt"));

  std::filesystem::rename(tmp_.N("先/下"), tmp_.N("先/古い"));
  tmp_.Dir("先/下");
  ListAll(tmp_.F("元"));  // the next job starts with a listing
  fs_->CopyFile(tmp_.P("元/b.txt"), tmp_.P("先/下/b.txt"));
  EXPECT_EQ(tmp_.Names("先/下"), std::vector<std::string>{"b.txt"});
  EXPECT_EQ(tmp_.Names("先/古い"), std::vector<std::string>{"a.txt"});

  ListAll(tmp_.F("元"));
  fs_->CopyFile(tmp_.P("元/a.txt"), tmp_.P("先/下/a.txt"));
  std::filesystem::rename(tmp_.N("先/下"), tmp_.N("先/もっと古い"));
  fs_->NoteChanged(tmp_.P("先/下"));
  tmp_.Dir("先/下");
  fs_->CopyFile(tmp_.P("元/b.txt"), tmp_.P("先/下/b.txt"));
  EXPECT_EQ(tmp_.Names("先/下"), std::vector<std::string>{"b.txt"});
  EXPECT_EQ(tmp_.Names("先/もっと古い"), (std::vector<std::string>{"a.txt", "b.txt"}));
}

}  // namespace
}  // namespace mirtel::contract
