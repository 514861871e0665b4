// Loading, the program's start, the copy modes and the folder chooser.
#include "app/res_strings.h"
#include "job/settings.h"
#include "job/settings_location.h"
#include "tests/app/app_fixture.h"
#include "tests/fakes/scripted_lock.h"

namespace mirtel {
namespace {

using FormTest = AppTest;

TEST_F(FormTest, FirstStartShowsEmptyFieldsInNormalMode) {
  form_->Form_Load();
  EXPECT_TRUE(win_.boxes.empty());
  EXPECT_EQ(win_.moto.text, "");
  EXPECT_EQ(win_.saki.text, "");
  EXPECT_TRUE(win_.moto.items.empty());
  const std::string separator(1, kPathSeparator);
  EXPECT_EQ(form_->Job().MotoFolder, separator);
  EXPECT_EQ(form_->Job().SakiFolder, separator);
  EXPECT_EQ(win_.droppedWidths[Control::cmbBackMoto], 400);
  EXPECT_EQ(win_.droppedWidths[Control::cmbBackSaki], 400);
  EXPECT_EQ(win_.CaptionOf(Control::lblCopyMode), "通常\u3000");
  EXPECT_EQ(win_.backColors[Control::lblCopyModeBack], 0x00FFFF00u);
  EXPECT_FALSE(form_->DoukiMode());
  // The menus keep their design state: loading does not touch them.
  EXPECT_TRUE(win_.CallsStartingWith("SetChecked").empty());
}

TEST_F(FormTest, LoadFillsTheFieldsFromTheSavedHistory) {
  SettingsRecord saved;
  saved.MotoHistory[0] = P("old");
  saved.MotoHistory[1] = P("src");
  saved.MotoCount = 2;
  saved.SakiHistory[0] = P("dst");
  saved.SakiCount = 1;
  SaveSettings(saved, P("prog/mirtel.dat"), *fs_, codec_);
  form_->Form_Load();
  EXPECT_TRUE(win_.boxes.empty());
  EXPECT_EQ(win_.moto.text, P("src"));
  EXPECT_EQ(win_.saki.text, P("dst"));
  EXPECT_EQ(form_->Job().SakiFolder, P("dst") + kPathSeparator);

  // Double-click on the destination field opens the folder of the settings.
  MakeDir("dst");
  form_->cmbBackSaki_DblClick();
  EXPECT_EQ(win_.openedFolders, std::vector<std::string>{P("dst") + kPathSeparator});
}

TEST_F(FormTest, UnreadableSettingsShowOneBoxAndKeepTheInitialTexts) {
  MakeDir("prog/mirtel.dat");  // a folder: neither readable nor replaceable
  form_->Form_Load();
  ASSERT_EQ(win_.boxes.size(), 1u);
  EXPECT_EQ(win_.boxes[0].prompt.find("でエラー"), std::string::npos);
  EXPECT_FALSE(win_.boxes[0].prompt.empty());
  EXPECT_EQ(win_.moto.text, "cmbBackMoto");
  EXPECT_EQ(win_.saki.text, "cmbBackSaki");
  EXPECT_EQ(win_.CaptionOf(Control::lblCopyMode), "");
  EXPECT_TRUE(win_.backColors.empty());
  EXPECT_TRUE(win_.droppedWidths.empty());
  EXPECT_EQ(form_->Job().MotoFolder, "");
}

TEST_F(FormTest, TheHistoryLivesBesideTheProgramOnlyWhereItCan) {
  const std::string prog = P("prog") + kPathSeparator;
  const std::string user = P("home/.config/mirtel") + kPathSeparator;
  // Portable use: a folder of the user's that takes files (Windows), or a
  // file already there; never beside a program in a system folder.
  EXPECT_EQ(ChooseSettingsFolder(*fs_, prog, user, ProgramFolderUse::Portable), prog);
  EXPECT_EQ(ChooseSettingsFolder(*fs_, prog, user, ProgramFolderUse::IfThere), user);
  WriteFile("prog/mirtel.dat", "");
  EXPECT_EQ(ChooseSettingsFolder(*fs_, prog, user, ProgramFolderUse::IfThere), prog);
  EXPECT_EQ(ChooseSettingsFolder(*fs_, prog, user, ProgramFolderUse::Never), user);

  // Loading from a settings folder that does not exist yet makes it quietly.
  FrmMirtel form(AppPlatform{win_, win_, *fs_, *recycler_, codec_, clock_, prog, user});
  form.Form_Load();
  EXPECT_TRUE(win_.boxes.empty());
  EXPECT_EQ(win_.moto.text, "");
  EXPECT_EQ(win_.CaptionOf(Control::lblCopyMode), "通常\u3000");
  EXPECT_TRUE(Exists("home/.config/mirtel/mirtel.dat"));
}

TEST_F(FormTest, MainLoadsAndShowsOnlyTheFirstInstance) {
  ScriptedLock other(true);
  EXPECT_FALSE(Main(other, *form_, win_));
  EXPECT_TRUE(win_.calls.empty());
  EXPECT_TRUE(win_.boxes.empty());
  EXPECT_FALSE(Exists("prog/mirtel.dat"));

  ScriptedLock alone(false);
  EXPECT_TRUE(Main(alone, *form_, win_));
  EXPECT_TRUE(win_.shown);
  EXPECT_EQ(win_.calls.back(), "Show");
  EXPECT_EQ(win_.CaptionOf(Control::lblCopyMode), "通常\u3000");
}

TEST_F(FormTest, CopyModesShowAndToggle) {
  form_->lblCopyMode_Click();
  EXPECT_TRUE(form_->DoukiMode());
  EXPECT_EQ(win_.calls,
            (std::vector<std::string>{"SetCaption lblCopyMode 同期\u3000",
                                      "SetBackColor lblCopyModeBack " + std::to_string(0x000000FFu),
                                      "SetChecked Mnu_Normal 0", "SetChecked mnu_Douki 1"}));
  form_->lblCopyModeBack_Click();
  EXPECT_FALSE(form_->DoukiMode());
  EXPECT_EQ(win_.CaptionOf(Control::lblCopyMode), "通常\u3000");
  EXPECT_EQ(win_.backColors[Control::lblCopyModeBack], 0x00FFFF00u);
  EXPECT_TRUE(win_.checked[MenuItem::Mnu_Normal]);
  EXPECT_FALSE(win_.checked[MenuItem::mnu_Douki]);

  // The menu items set their mode, also when it is already on.
  form_->mnu_Douki_Click();
  form_->mnu_Douki_Click();
  EXPECT_TRUE(form_->DoukiMode());
  form_->Mnu_Normal_Click();
  form_->Mnu_Normal_Click();
  EXPECT_FALSE(form_->DoukiMode());
  EXPECT_TRUE(win_.boxes.empty());

  form_->lblCopyMode_MouseMove();
  EXPECT_EQ(win_.CaptionOf(Control::lblProcess),
            "コピーモードを表示（クリックすると切り替わります）");
  form_->mnu_ZeroEraser_Click();
  EXPECT_TRUE(win_.hidden);
}

TEST_F(FormTest, AFailedModeChangeKeepsTheFlag) {
  win_.failing = {"SetChecked"};
  form_->mnu_Douki_Click();
  EXPECT_FALSE(form_->DoukiMode());
  ASSERT_EQ(win_.boxes.size(), 2u);
  EXPECT_EQ(win_.boxes[0].prompt, "ChangeDoukiでエラー");
  EXPECT_EQ(win_.boxes[0].buttons, kMbOk);
  EXPECT_EQ(win_.boxes[0].title, "");
  EXPECT_NE(win_.boxes[1].prompt.find("SetChecked"), std::string::npos);
}

TEST_F(FormTest, FolderChooserAppendsAndSelectsOrKeepsTheFieldOnCancel) {
  win_.moto.text = "typed";
  win_.moto.items = {"one"};
  form_->cmdBackMoto_Click();  // unscripted: cancelled
  EXPECT_EQ(win_.browsePrompts, std::vector<std::string>{"フォルダの選択"});
  EXPECT_EQ(win_.moto.text, "typed");
  EXPECT_EQ(win_.moto.items, std::vector<std::string>{"one"});

  const std::string chosen = P("Work");
  win_.folderAnswers = {chosen, chosen};
  form_->cmdBackMoto_Click();
  form_->mnu_cmd_backmoto_Click();
  EXPECT_EQ(win_.moto.items, (std::vector<std::string>{"one", chosen, chosen}));
  EXPECT_EQ(win_.CallsStartingWith("Combo cmbBackMoto SelectIndex").back(),
            "Combo cmbBackMoto SelectIndex 2");
  EXPECT_EQ(win_.moto.text, chosen);
  EXPECT_EQ(form_->Job().MotoFolder, "") << "only a job sets the folders";
  EXPECT_EQ(form_->Settings().MotoCount, 0);

  win_.folderAnswers = {std::string("Z")};
  form_->mnu_cmd_backsaki_Click();
  EXPECT_EQ(win_.saki.text, "Z");
  EXPECT_EQ(win_.moto.text, chosen);
  EXPECT_TRUE(win_.boxes.empty());
}

TEST_F(FormTest, AFailingFolderDialogLeavesAnEmptyLine) {
  win_.failing = {"BrowseForFolder"};
  EXPECT_EQ(form_->FolderDlg(), "");
  ASSERT_EQ(win_.boxes.size(), 2u);
  EXPECT_EQ(win_.boxes[0].prompt, "FolderDlgでエラー");
  win_.boxes.clear();
  form_->cmdBackSaki_Click();
  EXPECT_EQ(win_.saki.items, std::vector<std::string>{""});
  EXPECT_EQ(win_.saki.text, "");
}

}  // namespace
}  // namespace mirtel
