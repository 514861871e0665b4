// The copy job from the Copy press to the idle window.
#include <algorithm>

#include "job/saved_jobs.h"
#include "tests/app/app_fixture.h"

namespace mirtel {
namespace {

constexpr const char* kConfirm =
    "同期モードはコピー先のファイル内容をコピー元にあわせるため\r\n"
    "コピー先のファイルを削除することがありますがよろしいですか？";

using CopyJobTest = AppTest;

bool Contains(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

TEST_F(CopyJobTest, EmptyFieldsAreRefusedAndOpenTheirChooser) {
  Fields("", P("dst"));
  form_->cmdBackUp_Click();
  ASSERT_EQ(win_.boxes.size(), 1u);
  EXPECT_EQ(win_.boxes[0].prompt, "コピー元が存在しません。");
  EXPECT_EQ(win_.boxes[0].buttons, kMbOk);
  EXPECT_EQ(win_.boxes[0].title, "");
  EXPECT_EQ(win_.CallsStartingWith("SetFocus"), std::vector<std::string>{"SetFocus cmdBackMoto"});
  // The chooser opens after the focus moved, on the source field.
  win_.folderAnswers.push_back(P("chosen"));
  win_.calls.clear();
  win_.boxes.clear();
  form_->cmdBackUp_Click();
  auto focus = std::find(win_.calls.begin(), win_.calls.end(), "SetFocus cmdBackMoto");
  auto browse = std::find(win_.calls.begin(), win_.calls.end(), "BrowseForFolder フォルダの選択");
  EXPECT_LT(focus, browse);
  EXPECT_EQ(win_.moto.text, P("chosen"));
  EXPECT_TRUE(win_.CallsStartingWith("SetEnabled").empty()) << "no job ran";

  Fields(P("src"), "");
  win_.boxes.clear();
  win_.calls.clear();
  form_->cmdBackUp_Click();
  EXPECT_EQ(win_.Prompts(), std::vector<std::string>{"コピー先が存在しません。"});
  EXPECT_EQ(win_.CallsStartingWith("SetFocus"), std::vector<std::string>{"SetFocus cmdBackSaki"});
  EXPECT_EQ(win_.browsePrompts.size(), 3u);
  EXPECT_EQ(win_.saki.text, "") << "cancelled chooser keeps the field";
  EXPECT_EQ(form_->Job().MotoFolder, P("src") + kPathSeparator);
  EXPECT_EQ(form_->Job().SakiFolder, std::string(1, kPathSeparator));
}

TEST_F(CopyJobTest, EqualFoldersAfterTheTrailingSeparatorAreRefused) {
  MakeDir("A");
  Fields(P("A"), P("A") + kPathSeparator);
  form_->cmdBackUp_Click();
  EXPECT_EQ(win_.Prompts(), std::vector<std::string>{"コピー元とコピー先が同じです"});
  EXPECT_EQ(win_.CallsStartingWith("SetFocus"), std::vector<std::string>{"SetFocus cmdBackSaki"});
  EXPECT_TRUE(win_.browsePrompts.empty());
  EXPECT_FALSE(Exists("A/A"));
}

TEST_F(CopyJobTest, SyncConfirmationComesFirstAndNoLeavesEverything) {
  form_->ChangeDouki();
  Fields("", P("dst"));
  win_.answers = {kIdYes};
  form_->cmdBackUp_Click();
  ASSERT_EQ(win_.boxes.size(), 2u);
  EXPECT_EQ(win_.boxes[0].prompt, kConfirm);
  EXPECT_EQ(win_.boxes[0].buttons, 260);
  EXPECT_EQ(win_.boxes[0].title, "コピー開始の確認");
  EXPECT_EQ(win_.boxes[1].prompt, "コピー元が存在しません。");

  WriteFile("src/Data/a.txt", "a");
  WriteFile("dst/Data/old.txt", "old");
  Fields(P("src/Data"), P("dst"));
  win_.boxes.clear();
  win_.calls.clear();
  win_.answers = {kIdNo};
  form_->cmdBackUp_Click();
  EXPECT_EQ(win_.Prompts(), std::vector<std::string>{kConfirm});
  EXPECT_FALSE(Exists("dst/Data/a.txt"));
  EXPECT_TRUE(Exists("dst/Data/old.txt"));
  EXPECT_FALSE(Exists("prog/mirtel.dat"));
  EXPECT_EQ(form_->Settings().MotoCount, 0);
  // Only the message box: no label, list, control or history was touched.
  EXPECT_EQ(win_.calls, std::vector<std::string>{std::string("MsgBox ") + kConfirm});
}

TEST_F(CopyJobTest, OneFileGoesIntoTheSubfolderNamedAfterTheSource) {
  WriteFile("src/Data/a.txt", "hello");
  MakeDir("dst");
  Fields(P("src/Data"), P("dst"));
  clock_.now = 1000;
  win_.onYield = [&](int) { clock_.now = 3500; };
  form_->cmdBackUp_Click();

  EXPECT_EQ(ReadFile("dst/Data/a.txt"), "hello");
  EXPECT_TRUE(win_.boxes.empty()) << win_.boxes[0].prompt;
  EXPECT_EQ(win_.CaptionOf(Control::Label1), "1個のファイルをコピーしました");
  EXPECT_EQ(win_.CaptionOf(Control::Label2), "  2.5000秒");
  EXPECT_EQ(win_.beeps, 1);
  EXPECT_EQ(form_->Job().SakiFolder, P("dst/Data") + kPathSeparator);
  ExpectIdle();

  // The busy state, in order, then the idle state.
  std::vector<std::string> expected = {
      "SetEnabled cmdBackUp 0",    "SetEnabled cmdBackMoto 0",      "SetEnabled cmdBackSaki 0",
      "SetEnabled cmdQuit 0",      "SetEnabled mnu_cmd_backmoto 0", "SetEnabled mnu_cmd_backsaki 0",
      "SetEnabled mnu_cmd_copy 0", "SetEnabled mnu_cmd_end 0",      "SetEnabled cmbBackMoto 0",
      "SetEnabled cmbBackSaki 0",  "SetEnabled cmdOpenSaki 0",      "SetEnabled cmdOpenMoto 0",
      "SetCaption Label1 ",        "SetWarning Label1 off",         "SetToolTip Label1 ",
      "SetBusyPointer 1",          "SetEnabled cmdStop 1",          "ClearList lstResult",
      "SetVisible lstResult 0"};
  ASSERT_GE(win_.calls.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(win_.calls.begin(),
                                     win_.calls.begin() + static_cast<long>(expected.size())),
            expected);
  auto beep = std::find(win_.calls.begin(), win_.calls.end(), "Beep");
  ASSERT_NE(beep, win_.calls.end());
  EXPECT_EQ(*(beep + 1), "SetVisible lstResult 1");
  EXPECT_EQ(win_.calls.back(), "SetEnabled cmdOpenMoto 1");

  // Both field texts are in the history and in mirtel.dat.
  EXPECT_EQ(form_->Settings().MotoCount, 1);
  EXPECT_EQ(form_->Settings().SakiCount, 1);
  EXPECT_NE(ReadFile("prog/mirtel.dat").find(P("src/Data")), std::string::npos);
  // And the two together as the last job, for the console's --last.
  SavedJob last;
  std::string error;
  ASSERT_TRUE(LoadLastJob(*fs_, LastJobPath(P("prog") + kPathSeparator), last, error)) << error;
  EXPECT_EQ(last.source, P("src/Data"));
  EXPECT_EQ(last.destination, P("dst"));

  // The same job again finds nothing to do.
  form_->cmdBackUp_Click();
  EXPECT_EQ(win_.CaptionOf(Control::Label1), "コピーの必要なファイルはありません");
  EXPECT_EQ(form_->Settings().MotoCount, 1);
}

TEST_F(CopyJobTest, SourceWithOnlyFoldersReportsNoFiles) {
  MakeDir("src/Data/empty/deeper");
  MakeDir("dst");
  Fields(P("src/Data"), P("dst"));
  form_->cmdBackUp_Click();
  EXPECT_EQ(win_.CaptionOf(Control::Label1), "コピー元にファイルが存在しません");
  EXPECT_TRUE(Exists("dst/Data/empty/deeper"));
  ExpectIdle();
}

TEST_F(CopyJobTest, MissingDestinationIsRefusedAndTheWindowStaysIdle) {
  WriteFile("src/Data/a.txt", "a");
  Fields(P("src/Data"), P("nowhere/deeper"));
  form_->cmdBackUp_Click();
  EXPECT_EQ(win_.Prompts(), std::vector<std::string>{"コピー先のフォルダが開けません"});
  EXPECT_EQ(win_.CallsStartingWith("SetFocus"), std::vector<std::string>{"SetFocus cmdBackSaki"});
  EXPECT_TRUE(win_.CallsStartingWith("SetEnabled").empty());
  EXPECT_FALSE(form_->Copying());

  // A file where the destination folder should be is refused the same way.
  WriteFile("file", "x");
  Fields(P("src/Data"), P("file"));
  win_.boxes.clear();
  form_->cmdBackUp_Click();
  EXPECT_EQ(win_.Prompts(), std::vector<std::string>{"コピー先のフォルダが開けません"});
}

TEST_F(CopyJobTest, DestinationAtTheSourcesParentFindsNothingToCopy) {
  WriteFile("A/a.txt", "a");
  Fields(P("A"), Utf8(root_));
  form_->cmdBackUp_Click();
  EXPECT_TRUE(win_.boxes.empty());
  EXPECT_EQ(win_.CaptionOf(Control::Label1), "コピーの必要なファイルはありません");
  EXPECT_EQ(ReadFile("A/a.txt"), "a");
}

TEST_F(CopyJobTest, ModeSwitchedToSyncDuringTheWalkAsksBeforePruning) {
  WriteFile("src/Data/a.txt", "a");
  WriteFile("dst/Data/old.txt", "old");
  Fields(P("src/Data"), P("dst"));
  // Sync mode is switched on at the walk's first entry.
  win_.onYield = [&](int) {
    if (!form_->DoukiMode()) form_->mnu_Douki_Click();
  };
  win_.answers = {kIdNo};
  form_->cmdBackUp_Click();
  // The same question as at a start in sync mode, asked at the pruning step.
  EXPECT_EQ(win_.Prompts(), std::vector<std::string>{kConfirm});
  EXPECT_EQ(win_.boxes[0].buttons, kMbYesNo | kMbDefButton2);
  EXPECT_TRUE(Exists("dst/Data/a.txt"));
  EXPECT_TRUE(Exists("dst/Data/old.txt"));
  EXPECT_TRUE(Contains(win_.results, "同期の削除は行いませんでした"));
  EXPECT_TRUE(form_->DoukiMode());

  // Yes prunes.
  form_->ChangeNormal();
  win_.boxes.clear();
  win_.answers = {kIdYes};
  form_->cmdBackUp_Click();
  EXPECT_EQ(win_.Prompts(), std::vector<std::string>{kConfirm});
  EXPECT_FALSE(Exists("dst/Data/old.txt")) << ::testing::PrintToString(win_.results);
  ExpectIdle();
}

TEST_F(CopyJobTest, ModeSwitchedToNormalDuringTheWalkSkipsPruning) {
  WriteFile("src/Data/a.txt", "a");
  WriteFile("dst/Data/old.txt", "old");
  Fields(P("src/Data"), P("dst"));
  form_->ChangeDouki();
  win_.answers = {kIdYes};
  win_.onYield = [&](int n) {
    if (n == 1) form_->Mnu_Normal_Click();
  };
  form_->cmdBackUp_Click();
  EXPECT_EQ(win_.Prompts(), std::vector<std::string>{kConfirm});
  EXPECT_TRUE(Exists("dst/Data/a.txt"));
  EXPECT_TRUE(Exists("dst/Data/old.txt"));
}

TEST_F(CopyJobTest, ASyncThatWouldEmptyMostOfTheBackupAsksAgain) {
  WriteFile("src/Data/keep.txt", "k");
  // Exactly eleven removals: more than ten, and more than half.
  for (int i = 0; i < 11; ++i) WriteFile("dst/Data/old" + std::to_string(i) + ".txt", "o");
  WriteFile("dst/Data/keep.txt", "k");
  Fields(P("src/Data"), P("dst"));
  form_->ChangeDouki();
  const auto massBoxes = [&] {
    int n = 0;
    for (const auto& b : win_.boxes) n += b.title == "削除の確認";
    return n;
  };

  // No (also the default) keeps everything and says so.
  win_.answers = {kIdYes, kIdNo};
  form_->cmdBackUp_Click();
  ASSERT_EQ(win_.boxes.size(), 2u);
  EXPECT_EQ(win_.boxes[1].prompt,
            "コピー先の12個の項目のうち11個をごみ箱に移動します。\r\n"
            "コピー元のフォルダが正しいか確かめてください。よろしいですか？");
  EXPECT_EQ(win_.boxes[1].buttons, kMbYesNo | kMbDefButton2 | kMbIconQuestion);
  EXPECT_TRUE(Exists("dst/Data/old0.txt"));
  EXPECT_TRUE(Contains(win_.results, "ごみ箱に移す項目が多いため、同期の削除は行いませんでした"));

  // Yes removes them.
  win_.boxes.clear();
  win_.answers = {kIdYes, kIdYes};
  form_->cmdBackUp_Click();
  EXPECT_EQ(massBoxes(), 1);
  EXPECT_FALSE(Exists("dst/Data/old0.txt"));
  EXPECT_FALSE(Exists("dst/Data/old10.txt"));
  EXPECT_TRUE(Exists("dst/Data/keep.txt"));

  // Exactly ten, of eleven entries, ask nothing more than the usual question.
  for (int i = 0; i < 10; ++i) WriteFile("dst/Data/few" + std::to_string(i) + ".txt", "f");
  win_.boxes.clear();
  win_.answers = {kIdYes};
  form_->cmdBackUp_Click();
  EXPECT_EQ(win_.Prompts(), std::vector<std::string>{kConfirm});
  EXPECT_FALSE(Exists("dst/Data/few0.txt"));
  EXPECT_FALSE(Exists("dst/Data/few9.txt"));
  ExpectIdle();
}

TEST_F(CopyJobTest, NoFolderIsTakenByDropDuringAJob) {
  WriteFile("src/Data/a.txt", "a");
  MakeDir("dst");
  Fields(P("src/Data"), P("dst"));
  const std::vector<std::string> folder{P("dst")};
  EXPECT_TRUE(form_->AcceptsDrop(Control::cmbBackSaki, folder));
  bool checked = false;
  win_.onYield = [&](int) {
    checked = true;
    EXPECT_FALSE(form_->AcceptsDrop(Control::cmbBackSaki, folder));
    const std::size_t lines = win_.saki.items.size();
    form_->FolderDropped(Control::cmbBackSaki, folder);
    EXPECT_EQ(win_.saki.items.size(), lines);
  };
  form_->cmdBackUp_Click();
  ASSERT_TRUE(checked);
  EXPECT_FALSE(form_->AcceptsDrop(Control::lstResult, folder));
}

TEST_F(CopyJobTest, SyncNeverPrunesTheSourceLyingInsideTheDestination) {
  // Source .../T/B/B into .../T: the destination subfolder .../T/B holds the
  // source itself.
  WriteFile("T/B/B/a.txt", "a");
  Fields(P("T/B/B"), P("T"));
  form_->ChangeDouki();
  win_.answers = {kIdYes};
  form_->cmdBackUp_Click();
  EXPECT_EQ(ReadFile("T/B/B/a.txt"), "a");
  EXPECT_EQ(ReadFile("T/B/a.txt"), "a");
  EXPECT_TRUE(
      Contains(win_.results, "コピー元がコピー先の中にあるため、同期の削除は行いませんでした"));
  ExpectIdle();
}

TEST_F(CopyJobTest, StopMidJobReportsWhatWasCopiedAndSavesTheHistory) {
  // Enough files that the stop comes mid-job with copies in flight too.
  constexpr int kFiles = 40;
  const auto name = [](int i) { return "Data/" + std::to_string(100 + i) + ".txt"; };
  for (int i = 0; i < kFiles; ++i) WriteFile("src/" + name(i), "x");
  MakeDir("dst");
  Fields(P("src/Data"), P("dst"));
  bool checked = false;
  win_.onYield = [&](int) {
    if (checked || form_->Job().CopiedCount < 2) return;
    form_->cmdStop_Click();
    // Usable at once, while the walk is still returning.
    ExpectTwelve(true);
    EXPECT_TRUE(form_->Copying());
    EXPECT_TRUE(win_.busyPointer);
    EXPECT_TRUE(form_->Job().StopFlag);
    checked = true;
  };
  form_->cmdBackUp_Click();
  ASSERT_TRUE(checked);
  const int copied = form_->Job().CopiedCount;
  EXPECT_GE(copied, 2);
  EXPECT_LT(copied, kFiles);
  int present = 0;
  for (int i = 0; i < kFiles; ++i) present += Exists("dst/" + name(i));
  EXPECT_EQ(present, copied);
  const std::string count = copied == 0 ? "コピーの必要なファイルはありません"
                                        : std::to_string(copied) + "個のファイルをコピーしました";
  // The stop first, where the narrow label never cuts it, in the warning
  // colour; the whole line as its tooltip and the list's last line.
  EXPECT_EQ(win_.CaptionOf(Control::Label1), "（中断しました）" + count);
  EXPECT_TRUE(win_.warnings[Control::Label1]);
  EXPECT_EQ(win_.toolTips[Control::Label1], count + "（中断しました）");
  ASSERT_FALSE(win_.results.empty());
  EXPECT_EQ(win_.results.back(), count + "（中断しました）");
  EXPECT_NE(win_.CaptionOf(Control::Label2).find("秒"), std::string::npos);
  EXPECT_EQ(form_->Settings().MotoCount, 1);
  EXPECT_TRUE(Exists("prog/mirtel.dat"));
  ExpectIdle();
}

TEST_F(CopyJobTest, AFailedJobWarnsAndTheNextCleanOneStartsAfresh) {
  WriteFile("src/Data/a.txt", "a");
  WriteFile("src/Data/b.txt", "b");
  MakeDir("dst/Data/a.txt");  // a folder where the file goes: that copy fails
  // A name the list would break or hide: shown escaped (not on Windows,
  // whose names hold no control characters).
  const bool oddNames = kPathSeparator == '/';
  if (oddNames) WriteFile("src/Data/two\nlines\x1b[7m.txt", "n");
  Fields(P("src/Data"), P("dst"));
  form_->cmdBackUp_Click();
  const std::string copied = oddNames ? "2" : "1";
  EXPECT_EQ(win_.CaptionOf(Control::Label1),
            "（失敗 1件）" + copied + "個のファイルをコピーしました");
  EXPECT_TRUE(win_.warnings[Control::Label1]);
  EXPECT_EQ(win_.toolTips[Control::Label1], copied + "個のファイルをコピーしました（失敗 1件）");
  EXPECT_EQ(win_.results.back(), win_.toolTips[Control::Label1]);
  EXPECT_TRUE(
      Contains(win_.results, "a.txtはコピー先に同じ名前のフォルダがあるのでコピーしません"));
  if (oddNames) {
    EXPECT_TRUE(Contains(win_.results, "two\\#012lines\\#033[7m.txt"));
  }
  for (const std::string& line : win_.results) {
    for (char c : line) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << line;
  }
  ExpectIdle();

  // The same window, the obstacle gone: nothing of the failure is left,
  // every count is the second job's own.
  std::filesystem::remove(FromUtf8(P("dst/Data/a.txt")));
  win_.boxes.clear();
  form_->cmdBackUp_Click();
  EXPECT_EQ(form_->Job().FailedCount, 0);
  EXPECT_EQ(form_->Job().CopiedCount, 1);
  EXPECT_FALSE(form_->Job().StopFlag);
  EXPECT_TRUE(win_.boxes.empty());
  ExpectIdle();
  EXPECT_EQ(win_.CaptionOf(Control::Label1), "1個のファイルをコピーしました");
  EXPECT_FALSE(win_.warnings[Control::Label1]);
  EXPECT_EQ(win_.toolTips[Control::Label1], "1個のファイルをコピーしました");
  EXPECT_EQ(win_.results, std::vector<std::string>{"a.txt"});
  EXPECT_EQ(ReadFile("dst/Data/a.txt"), "a");
}

TEST_F(CopyJobTest, CopyPressedWhileTheStoppedJobReturnsStartsNoSecondJob) {
  for (char c = 'a'; c <= 'd'; ++c) WriteFile(std::string("src/Data/") + c + ".txt", "x");
  MakeDir("dst");
  Fields(P("src/Data"), P("dst"));
  win_.onYield = [&](int n) {
    if (n != 2) return;
    form_->cmdStop_Click();
    form_->cmdBackUp_Click();
    form_->mnu_cmd_copy_Click();
  };
  form_->cmdBackUp_Click();
  EXPECT_EQ(win_.yields, 2) << "the stopped walk returned at once";
  EXPECT_EQ(win_.CallsStartingWith("SetEnabled cmdBackUp 0").size(), 1u);
  EXPECT_EQ(win_.beeps, 1);
  ASSERT_EQ(win_.boxes.size(), 2u);
  EXPECT_EQ(win_.boxes[0].prompt,
            "中断したコピーがまだ終わっていません。しばらくしてからもう一度実行してください");
  EXPECT_EQ(win_.boxes[1].prompt, win_.boxes[0].prompt);
  ExpectIdle();
}

TEST_F(CopyJobTest, CloseIsRefusedDuringAJobAndTheJobGoesOn) {
  WriteFile("src/Data/a.txt", "a");
  WriteFile("src/Data/b.txt", "b");
  MakeDir("dst");
  Fields(P("src/Data"), P("dst"));
  std::vector<bool> closeAllowed;
  win_.onYield = [&](int n) {
    if (n == 1) closeAllowed.push_back(form_->Form_QueryUnload());
  };
  form_->cmdBackUp_Click();
  EXPECT_EQ(closeAllowed, std::vector<bool>{false});
  ASSERT_EQ(win_.boxes.size(), 1u);
  EXPECT_EQ(win_.boxes[0].prompt, "コピー中です一度停止してから終了してください");
  EXPECT_EQ(win_.boxes[0].buttons, kMbOk);
  EXPECT_EQ(win_.boxes[0].title, "");
  EXPECT_EQ(win_.CaptionOf(Control::Label1), "2個のファイルをコピーしました");
  EXPECT_FALSE(form_->Job().StopFlag);
}

TEST_F(CopyJobTest, FailureMidJobReturnsTheWindowToIdleAndBlamesNotTheDestination) {
  WriteFile("src/Data/a.txt", "a");
  MakeDir("dst");
  Fields(P("src/Data"), P("dst"));
  win_.failing = {"Beep"};
  form_->cmdBackUp_Click();
  // The destination was fine: the box tells what failed instead.
  ASSERT_EQ(win_.Prompts().size(), 1u);
  EXPECT_NE(win_.Prompts()[0].find("injected failure: Beep"), std::string::npos)
      << win_.Prompts()[0];
  ExpectIdle();
  // And the window closes again after the usual question.
  win_.answers = {kIdYes};
  EXPECT_TRUE(form_->Form_QueryUnload());
}

TEST_F(CopyJobTest, UnsavableHistoryIsReportedAfterTheCopy) {
  WriteFile("src/Data/a.txt", "a");
  MakeDir("dst");
  Fields(P("src/Data"), P("dst"));
  std::filesystem::remove_all(root_ / "prog");
  form_->cmdBackUp_Click();
  EXPECT_TRUE(Exists("dst/Data/a.txt"));
  // The copy stands; the history has a box of its own.
  EXPECT_EQ(win_.CaptionOf(Control::Label1), "1個のファイルをコピーしました");
  ASSERT_EQ(win_.boxes.size(), 1u);
  EXPECT_EQ(win_.boxes[0].prompt.rfind("履歴を保存できませんでした\n", 0), 0u)
      << win_.boxes[0].prompt;
  ExpectIdle();
}

TEST_F(CopyJobTest, UnexpectedFailureBeforeTheCheckShowsTheDescriptionOnly) {
  Fields(P("A"), P("A"));
  win_.failing = {"SetFocus"};
  form_->cmdBackUp_Click();
  ASSERT_EQ(win_.boxes.size(), 2u);
  EXPECT_EQ(win_.boxes[0].prompt, "コピー元とコピー先が同じです");
  EXPECT_EQ(win_.boxes[1].prompt.find("でエラー"), std::string::npos);
  EXPECT_FALSE(win_.boxes[1].prompt.empty());
}

TEST_F(CopyJobTest, MenuItemsRunTheButtons) {
  WriteFile("src/Data/a.txt", "a");
  MakeDir("dst");
  Fields(P("src/Data"), P("dst"));
  form_->mnu_cmd_copy_Click();
  EXPECT_EQ(win_.CaptionOf(Control::Label1), "1個のファイルをコピーしました");
  win_.calls.clear();
  form_->mnu_cmd_copyquit_Click();
  EXPECT_TRUE(form_->Job().StopFlag);
  EXPECT_EQ(win_.calls.size(), 12u) << "All_True only";
  EXPECT_FALSE(form_->Copying());
}

}  // namespace
}  // namespace mirtel
