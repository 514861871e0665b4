// Hints, dragging, closing, opening folders and help.
#include <functional>
#include <utility>

#include "app/res_strings.h"
#include "tests/app/app_fixture.h"

namespace mirtel {
namespace {

using WindowBehavioursTest = AppTest;

TEST_F(WindowBehavioursTest, EachHintComesFromItsNumberedString) {
  const std::pair<void (FrmMirtel::*)(), const char*> hints[] = {
      {&FrmMirtel::cmdBackMoto_MouseMove, "コピー元のフォルダの場所を選択します"},
      {&FrmMirtel::cmdBackSaki_MouseMove, "コピー先のフォルダの場所を選択します"},
      {&FrmMirtel::cmdBackUp_MouseMove, "フォルダのコピーを開始します"},
      {&FrmMirtel::cmdQuit_MouseMove, "みるてるを終了します"},
      {&FrmMirtel::cmdStop_MouseMove, "コピーを途中で中断します"},
      {&FrmMirtel::Label1_MouseMove, "レポート結果を表示します"},
      {&FrmMirtel::lstResult_MouseMove, "コピーしたファイルを表示します"},
      {&FrmMirtel::Label2_MouseMove, "計測に要した時間を表示します"},
      {&FrmMirtel::cmdOpenMoto_MouseMove, "コピー元のフォルダを開きます。"},
      {&FrmMirtel::cmdOpenSaki_MouseMove, "コピー先のフォルダを開きます。"},
  };
  for (const auto& [handler, text] : hints) {
    win_.captions.clear();
    (form_.get()->*handler)();
    EXPECT_EQ(win_.CaptionOf(Control::lblProcess), text);
  }
  EXPECT_TRUE(win_.boxes.empty());
  const std::pair<int, const char*> table[] = {{101, "コピー元のフォルダの場所を選択します"},
                                               {105, "コピーを途中で中断します"},
                                               {110, "計測に要した時間を表示します"},
                                               {129, "コピー先のフォルダを開きます。"}};
  for (const auto& [id, text] : table) EXPECT_EQ(LoadResString(id), text) << id;
  EXPECT_EQ(LoadResString(108), "");
  EXPECT_EQ(LoadResString(0), "");
}

TEST_F(WindowBehavioursTest, HintTrapsNameTheProcedureOrNot) {
  win_.failing = {"SetCaption"};
  form_->cmdBackUp_MouseMove();
  ASSERT_EQ(win_.boxes.size(), 2u);
  EXPECT_EQ(win_.boxes[0].prompt, "cmdBackUp_MouseMoveでエラー");
  win_.boxes.clear();
  form_->cmdOpenSaki_MouseMove();  // the short trap
  ASSERT_EQ(win_.boxes.size(), 1u);
  EXPECT_EQ(win_.boxes[0].prompt.find("でエラー"), std::string::npos);
}

TEST_F(WindowBehavioursTest, OnlyTheLeftButtonDragsTheWindow) {
  const std::function<void(int)> handlers[] = {[&](int b) { form_->Form_MouseDown(b); },
                                               [&](int b) { form_->Label1_MouseDown(b); },
                                               [&](int b) { form_->Label2_MouseDown(b); },
                                               [&](int b) { form_->Label3_MouseDown(b); },
                                               [&](int b) { form_->lblProcess_MouseDown(b); },
                                               [&](int b) { form_->lstResult_MouseDown(b); }};
  for (const auto& press : handlers) {
    press(2);
    press(4);
    press(3);
  }
  EXPECT_EQ(win_.drags, 0);
  for (const auto& press : handlers) press(kLeftButton);
  EXPECT_EQ(win_.drags, 6);

  win_.failing = {"StartSystemDrag"};
  win_.boxes.clear();
  form_->Label3_MouseDown(kLeftButton);
  ASSERT_EQ(win_.boxes.size(), 1u) << "FormDrag's own short trap";
  EXPECT_EQ(win_.boxes[0].prompt.find("でエラー"), std::string::npos);
}

TEST_F(WindowBehavioursTest, QuitAsksOnceAndYesStops) {
  win_.onRequestClose = [&] { form_->Form_QueryUnload(); };
  form_->cmdQuit_Click();
  ASSERT_EQ(win_.boxes.size(), 1u);
  EXPECT_EQ(win_.boxes[0].prompt, "みるてるを終了してもいいですか？");
  EXPECT_EQ(win_.boxes[0].buttons, 292);
  EXPECT_EQ(win_.boxes[0].title, "みるてる終了");
  EXPECT_FALSE(form_->Job().StopFlag);

  win_.answers = {kIdNo};
  EXPECT_FALSE(form_->Form_QueryUnload());
  win_.answers = {kIdYes};
  EXPECT_TRUE(form_->Form_QueryUnload());
  EXPECT_TRUE(form_->Job().StopFlag);

  form_->mnu_cmd_end_Click();
  EXPECT_EQ(win_.closeRequests, 2);
}

TEST_F(WindowBehavioursTest, OpenButtonsOpenExistingFoldersOnly) {
  MakeDir("src");
  WriteFile("run.bat", "x");
  win_.moto.text = P("src");
  win_.saki.text = P("missing");
  form_->cmdOpenMoto_Click();
  EXPECT_EQ(win_.openedFolders, std::vector<std::string>{P("src")});
  EXPECT_TRUE(win_.boxes.empty());

  form_->cmdOpenSaki_Click();
  EXPECT_EQ(win_.Prompts(), std::vector<std::string>{"フォルダが開けません。"});
  EXPECT_EQ(win_.boxes[0].title, "");

  win_.boxes.clear();
  win_.moto.text = P("run.bat");
  form_->cmdOpenMoto_Click();
  EXPECT_EQ(win_.Prompts(), std::vector<std::string>{"フォルダが開けません。"});
  EXPECT_EQ(win_.openedFolders.size(), 1u) << "a file is never started";

  win_.boxes.clear();
  win_.openFolderResult = false;
  win_.moto.text = P("src");
  form_->cmdOpenMoto_Click();
  EXPECT_EQ(win_.Prompts(), std::vector<std::string>{"フォルダが開けません。"});
}

TEST_F(WindowBehavioursTest, DestinationDoubleClickOpensTheJobsFolderSilently) {
  WriteFile("src/Data/a.txt", "a");
  MakeDir("dst");
  win_.moto.text = P("src/Data");
  win_.saki.text = P("dst");
  form_->cmdBackUp_Click();
  win_.openedFolders.clear();
  form_->cmbBackSaki_DblClick();
  EXPECT_EQ(win_.openedFolders, std::vector<std::string>{P("dst/Data") + kPathSeparator});

  win_.openFolderResult = false;
  form_->cmbBackSaki_DblClick();
  std::filesystem::remove_all(root_ / "dst");
  form_->cmbBackSaki_DblClick();
  EXPECT_TRUE(win_.boxes.empty());
}

TEST_F(WindowBehavioursTest, HelpOpensTheDocumentBesideTheProgram) {
  form_->mnu_help_help_Click();
  const std::string help = P("prog/Mirtel.html");
  EXPECT_EQ(win_.Prompts(),
            std::vector<std::string>{"ヘルプファイルが見つかりません。\r\n" + help});
  EXPECT_TRUE(win_.helpShown.empty());

  // An installed program finds it in share/mirtel beside its bin folder...
  WriteFile("share/mirtel/Mirtel.html", "<html></html>");
  win_.boxes.clear();
  form_->mnu_help_help_Click();
  const std::string separator(1, kPathSeparator);
  EXPECT_EQ(win_.helpShown,
            std::vector<std::string>{P("prog") + separator + ".." + separator + "share" +
                                     separator + "mirtel" + separator + "Mirtel.html"});
  // ... and the one beside the program comes first.
  WriteFile("prog/Mirtel.html", "<html></html>");
  win_.boxes.clear();
  win_.helpShown.clear();
  form_->mnu_help_help_Click();
  EXPECT_EQ(win_.helpShown, std::vector<std::string>{help});
  EXPECT_TRUE(win_.boxes.empty());
}

}  // namespace
}  // namespace mirtel
