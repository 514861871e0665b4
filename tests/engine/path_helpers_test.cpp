#include "engine/path_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "engine/error_text.h"
#include "tests/engine/engine_fixture.h"

namespace mirtel {
namespace {

TEST(PlusYen, AddsTheSeparatorOnlyWhereMissing) {
  EXPECT_EQ(PlusYen("data"), kSep);
  EXPECT_EQ(PlusYen("data" + kSep), "");
  EXPECT_EQ(PlusYen(kSep), "");
  EXPECT_EQ(PlusYen(""), kSep);
}

TEST(SameFolder, ComparesWithOrWithoutTheTrailingSeparator) {
  EXPECT_TRUE(SameFolder("a" + kSep + "b", "a" + kSep + "b" + kSep));
  EXPECT_FALSE(SameFolder("a" + kSep + "b", "a" + kSep + "bc"));
  EXPECT_FALSE(SameFolder("a" + kSep + "b" + kSep + "c", "a" + kSep + "b"));
  // Letter case counts exactly where the system tells names apart by it.
  EXPECT_EQ(SameFolder("A" + kSep + "b", "a" + kSep + "B"), kPathsIgnoreCase);
}

TEST(IsDriveRoot, OnlyTheTopOfAVolume) {
  if (kPathSeparator == '/') {
    EXPECT_TRUE(IsDriveRoot("/"));
    EXPECT_FALSE(IsDriveRoot("/home/"));
  } else {
    EXPECT_TRUE(IsDriveRoot("C:\\"));
    EXPECT_FALSE(IsDriveRoot("C:\\data\\"));
    EXPECT_TRUE(IsDriveRoot("\\\\server\\share\\"));
    EXPECT_FALSE(IsDriveRoot("\\\\server\\share\\folder\\"));
    EXPECT_FALSE(IsDriveRoot("\\\\server\\"));
    EXPECT_FALSE(IsDriveRoot("\\\\?\\C:\\"));
  }
  EXPECT_FALSE(IsDriveRoot(""));
}

class ExistTest : public EngineTest {};

TEST_F(ExistTest, AnyEntryCountsAndEveryErrorIsAbsent) {
  tmp_.Write("moto/.hidden");
  tmp_.Write("moto/ro.txt");
  std::filesystem::permissions(tmp_.N("moto/ro.txt"), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  EXPECT_TRUE(ChkExist(*fs_, tmp_.P("moto")));
  EXPECT_TRUE(ChkExist(*fs_, tmp_.P("moto") + kSep));
  EXPECT_TRUE(ChkExist(*fs_, tmp_.P("moto/.hidden")));
  EXPECT_TRUE(ChkExist(*fs_, tmp_.P("moto/ro.txt")));
  EXPECT_FALSE(ChkExist(*fs_, tmp_.P("moto/missing.txt")));
  EXPECT_FALSE(ChkExist(*fs_, tmp_.P("nowhere/missing.txt")));
  EXPECT_FALSE(ChkExist(*fs_, ""));

  EXPECT_EQ(ProbeEntry(*fs_, tmp_.P("moto/ro.txt")), Presence::Present);
  EXPECT_EQ(ProbeEntry(*fs_, tmp_.P("moto/missing.txt")), Presence::Absent);
  EXPECT_EQ(ProbeEntry(*fs_, tmp_.P("nowhere/missing.txt")), Presence::Absent);
}

class MakeSakiFolderTest : public EngineTest {
 protected:
  void Run(const std::string& moto, const std::string& saki) {
    state_.MotoFolder = moto;
    state_.SakiFolder = saki;
    engine_.MakeSakiFolder();
  }
};

TEST_F(MakeSakiFolderTest, PointsIntoASubfolderNamedAfterTheSource) {
  const std::string saki = tmp_.P("saki") + kSep;
  Run(tmp_.P("moto") + kSep, saki);
  EXPECT_EQ(state_.SakiFolder, saki + "moto" + kSep);
  EXPECT_TRUE(std::filesystem::is_directory(tmp_.N("saki/moto")));

  // The second job finds it there and ends up at the same place, silently.
  Run(tmp_.P("moto") + kSep, saki);
  EXPECT_EQ(state_.SakiFolder, saki + "moto" + kSep);
  EXPECT_TRUE(view_.boxes.empty());
}

TEST_F(MakeSakiFolderTest, NameIsTheLastPartOfTheSourcePath) {
  const std::string saki = tmp_.P("saki") + kSep;
  Run(kSep + kSep + "server" + kSep + "share" + kSep + "docs" + kSep, saki);
  EXPECT_EQ(state_.SakiFolder, saki + "docs" + kSep);
  Run(kSep + kSep + "server" + kSep + "share" + kSep, saki);
  EXPECT_EQ(state_.SakiFolder, saki + "share" + kSep);
  Run("docs" + kSep, saki);
  EXPECT_EQ(state_.SakiFolder, saki + "docs" + kSep);
}

TEST_F(MakeSakiFolderTest, MissingDestinationRootMakesNothing) {
  const std::string saki = tmp_.P("gone") + kSep;
  Run(tmp_.P("moto") + kSep, saki);
  EXPECT_EQ(state_.SakiFolder, saki + "moto" + kSep);
  EXPECT_FALSE(tmp_.Exists("gone"));
  EXPECT_TRUE(view_.boxes.empty());
}

TEST(ErrorDescription, NamesTheReasonAndThePath) {
  const FsError denied(FsErrorKind::AccessDenied, "x" + kSep + "a.txt");
  EXPECT_EQ(ErrorDescription(denied), "アクセスが拒否されました\nx" + kSep + "a.txt");
  EXPECT_EQ(ErrorReason(denied), "アクセスが拒否されました");
  // What the system said is kept when the kind tells nothing.
  EXPECT_EQ(ErrorDescription(FsError(FsErrorKind::Other, "p", "I/O error")),
            "ファイルの操作でエラーが発生しました（I/O error）\np");
  EXPECT_EQ(ErrorDescription(std::runtime_error("boom")), "エラーが発生しました（boom）");
  // A system's own code where the kind needs it, and where a stranded item is.
  EXPECT_EQ(ErrorReason(FsError(FsErrorKind::RecycleFailed, "p", "0x78")),
            "ごみ箱に移せませんでした（0x78）");
  EXPECT_EQ(ErrorReason(FsError(FsErrorKind::RecycleStranded, "p", "C:\\x")),
            "ごみ箱に移せず、元の場所にも戻せませんでした。今は C:\\x にあります");
  EXPECT_EQ(ErrorReason(FsError(FsErrorKind::ReadOnlyFile, "p", "ignored")),
            "読み取り専用のファイルは置き換えません");
}

TEST(ErrorDescription, EveryKindHasAJapaneseTextOfItsOwn) {
  std::set<std::string> texts;
  for (int k = 0; k <= static_cast<int>(FsErrorKind::Other); ++k) {
    const std::string text = KindText(static_cast<FsErrorKind>(k));
    // Japanese: some byte beyond ASCII, and not the catch-all of Other.
    EXPECT_TRUE(std::any_of(text.begin(), text.end(), [](char c) { return c & 0x80; })) << k;
    EXPECT_TRUE(texts.insert(text).second) << "kind " << k << " repeats " << text;
  }
}

}  // namespace
}  // namespace mirtel
