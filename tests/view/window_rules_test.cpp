// The rules every view of platform/window.h follows, run against each view
// through its driver (view_driver.h): the window built from the design, the
// keys, the menus, the mouse, message boxes, drops and whole copy jobs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <string>

#include "app/copy_modes.h"
#include "app/res_strings.h"
#include "job/program_version.h"
#include "tests/view/view_driver.h"

namespace mirtel::test {
namespace {

namespace fs = std::filesystem;

int Scaled(int length, int dpi) { return (length * dpi + 48) / 96; }

Rect ScaledRect(const Rect& r, int dpi) {
  const int left = Scaled(r.left, dpi);
  const int top = Scaled(r.top, dpi);
  return {left, top, Scaled(r.left + r.width, dpi) - left, Scaled(r.top + r.height, dpi) - top};
}

std::string Show(const Rect& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + " " +
         std::to_string(r.width) + "x" + std::to_string(r.height) + ")";
}

bool Inside(const Rect& r, int x, int y) {
  return x >= r.left && x < r.left + r.width && y >= r.top && y < r.top + r.height;
}

std::string ShortcutText(Shortcut s) {
  switch (s) {
    case Shortcut::CtrlQ:
      return "Ctrl+Q";
    case Shortcut::F1:
      return "F1";
    case Shortcut::CtrlA:
      return "Ctrl+A";
    case Shortcut::None:
      break;
  }
  return "";
}

class WindowRules : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device seed;
    root_ = fs::temp_directory_path() / ("view-" + std::to_string(seed()) + std::to_string(seed()));
    fs::create_directories(root_ / "prog");
    view_ = MakeViewDriver(P(root_ / "prog") + std::string(1, fs::path::preferred_separator));
  }
  void TearDown() override {
    view_.reset();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  static std::string P(fs::path path) {
    const std::u8string s = path.make_preferred().u8string();
    return std::string(s.begin(), s.end());
  }
  fs::path U(std::string_view utf8) const {
    return root_ / fs::path(std::u8string(utf8.begin(), utf8.end()));
  }
  void Write(std::string_view name, const std::string& bytes) {
    fs::create_directories(U(name).parent_path());
    std::ofstream(U(name), std::ios::binary) << bytes;
  }
  std::string Status() { return view_->window().Caption(Control::lblProcess); }

  fs::path root_;
  std::unique_ptr<ViewDriver> view_;
};

// The window as the design has it: a fixed client area, every control in
// its place, shown and enabled, the focusable ones alone in the tab order,
// and the menu bar without its hidden entries.
TEST_F(WindowRules, TheWindowIsBuiltFromTheDesign) {
  view_->LoadAndShow();
  const int dpi = view_->Dpi();
  const Rect client = view_->ClientArea();
  EXPECT_EQ(client.width, Scaled(kClientWidth, dpi));
  EXPECT_EQ(client.height, Scaled(kClientHeight, dpi));
  EXPECT_FALSE(view_->Resizable());
  const auto tabs = TabOrder();
  for (const ControlDesign& d : ControlDesigns()) {
    SCOPED_TRACE(std::string(d.name));
    const Rect placed = view_->Placed(d.control);
    const Rect designed = ScaledRect(d.rect, dpi);
    EXPECT_TRUE(placed.left == designed.left && placed.top == designed.top &&
                placed.width == designed.width && placed.height == designed.height)
        << Show(placed) << " designed " << Show(designed);
    EXPECT_TRUE(view_->Shown(d.control));
    EXPECT_TRUE(view_->window().IsEnabled(d.control));
    EXPECT_EQ(view_->TakesFocus(d.control),
              std::find(tabs.begin(), tabs.end(), d.control) != tabs.end());
  }

  const std::vector<MenuEntry> bar = view_->MenuBar();
  std::size_t top = 0;
  std::size_t at = 0;
  bool hiddenParent = false;
  for (const MenuDesign& d : MenuDesigns()) {
    SCOPED_TRACE(std::string(d.name));
    if (d.level == 1) {
      hiddenParent = !d.visible;
      if (hiddenParent) continue;
      ASSERT_LT(top, bar.size());
      EXPECT_EQ(bar[top].caption, MenuCaption(d));
      ++top;
      at = 0;
      continue;
    }
    if (hiddenParent || !d.visible) continue;
    const auto& items = bar[top - 1].items;
    ASSERT_LT(at, items.size());
    const MenuEntry& item = items[at++];
    EXPECT_EQ(item.separator, d.separator);
    if (d.separator) continue;
    EXPECT_EQ(item.caption, MenuCaption(d));
    EXPECT_EQ(item.shortcut, ShortcutText(d.shortcut));
    EXPECT_EQ(item.checked, d.checked);
    EXPECT_EQ(item.enabled, d.enabled);
  }
  EXPECT_EQ(top, bar.size()) << "no entry beyond the design";
}

// Tab walks the focusable controls in their order, and Shift+Tab back;
// where controls overlap the mouse finds the one in front.
TEST_F(WindowRules, TabOrderAndStackingFollowTheDesign) {
  view_->LoadAndShow();
  const auto tabs = TabOrder();
  EXPECT_EQ(view_->Focused(), tabs[0]) << "the window opens on the first";
  for (std::size_t i = 1; i <= tabs.size(); ++i) {
    view_->Press(Key::Tab);
    EXPECT_EQ(view_->Focused(), tabs[i % tabs.size()]) << ControlName(tabs[i % tabs.size()]);
  }
  for (std::size_t i = tabs.size(); i-- > 0;) {
    view_->Press(Key::Tab, false, true);
    EXPECT_EQ(view_->Focused(), tabs[i]) << ControlName(tabs[i]);
  }

  const auto designs = ControlDesigns();
  const int dpi = view_->Dpi();
  int overlaps = 0;
  for (std::size_t front = 0; front < designs.size(); ++front) {
    for (std::size_t back = front + 1; back < designs.size(); ++back) {
      const Rect a = ScaledRect(designs[front].rect, dpi);
      const Rect b = ScaledRect(designs[back].rect, dpi);
      const int left = std::max(a.left, b.left);
      const int top = std::max(a.top, b.top);
      const int right = std::min(a.left + a.width, b.left + b.width);
      const int bottom = std::min(a.top + a.height, b.top + b.height);
      if (left >= right || top >= bottom) continue;
      ++overlaps;
      SCOPED_TRACE(std::string(designs[front].name) + " over " + std::string(designs[back].name));
      // The front-most control there (a third may lie on both).
      for (auto [x, y] : {std::pair{left, top}, std::pair{right - 1, bottom - 1}}) {
        const auto first = std::find_if(designs.begin(), designs.end(), [&](const auto& d) {
          return Inside(ScaledRect(d.rect, dpi), x, y);
        });
        EXPECT_EQ(view_->ControlAt(x, y), first->control) << ControlName(first->control);
      }
    }
  }
  // The folder fields under the open buttons (three pairs), the open
  // buttons on each other and on Label1, the right-hand column of buttons
  // on each other (one row each), the two text labels on their panels.
  EXPECT_EQ(overlaps, 10);
}

// Enter on a focused button clicks it, as Space does; the folder chosen
// lands in the field, and a cancelled choice changes nothing.
TEST_F(WindowRules, EnterAndSpaceClickTheFocusedButton) {
  view_->LoadAndShow();
  view_->shell.chosen = P(U("写真"));
  view_->window().SetFocus(Control::cmdBackMoto);
  view_->Press(Key::Enter);
  ASSERT_EQ(view_->shell.prompts.size(), 1u);
  EXPECT_EQ(view_->shell.prompts[0], "フォルダの選択");
  EXPECT_EQ(view_->window().Combo(Control::cmbBackMoto).Text(), P(U("写真")));
  view_->shell.chosen = P(U("保存先"));
  view_->window().SetFocus(Control::cmdBackSaki);
  view_->Press(Key::Space);
  EXPECT_EQ(view_->shell.prompts.size(), 2u);
  EXPECT_EQ(view_->window().Combo(Control::cmbBackSaki).Text(), P(U("保存先")));
  view_->shell.chosen.reset();
  view_->Press(Key::Enter);
  EXPECT_EQ(view_->shell.prompts.size(), 3u);
  EXPECT_EQ(view_->window().Combo(Control::cmbBackSaki).Text(), P(U("保存先"))) << "cancelled";

  // The keypad's Enter on the stop button.
  EXPECT_FALSE(view_->form().Job().StopFlag);
  view_->window().SetFocus(Control::cmdStop);
  view_->Press(Key::KeypadEnter);
  EXPECT_TRUE(view_->form().Job().StopFlag);
  EXPECT_TRUE(view_->boxes.empty());
}

// The shortcut keys reach their procedures from inside the folder field,
// while their items are enabled; their boxes come as the logic asks; the
// logic owns the check marks of the mode items.
TEST_F(WindowRules, MenuShortcutsAndItemsRunTheirProceduresWhileEnabled) {
  view_->LoadAndShow();
  view_->window().SetFocus(Control::cmbBackMoto);

  view_->answers = {BoxAnswer::Ok};
  view_->Press(Key::A, true);
  ASSERT_EQ(view_->boxes.size(), 1u);
  // Four lines, the third empty.
  const std::string& version = view_->boxes[0].text;
  EXPECT_EQ(version.rfind("フォルダコピーソフト「みるてる」\nバージョン" +
                              std::string(kProgramVersion) + "\n\n",
                          0),
            0u)
      << version;
  EXPECT_EQ(std::count(version.begin(), version.end(), '\n'), 3);
  EXPECT_FALSE(version.ends_with("\n"));
  EXPECT_EQ(view_->boxes[0].title, "mirtel");
  EXPECT_FALSE(view_->boxes[0].yesNo);

  // Quitting asks, with No the default; No keeps the window.
  view_->answers = {BoxAnswer::No};
  view_->Press(Key::Q, true);
  ASSERT_EQ(view_->boxes.size(), 2u);
  EXPECT_EQ(view_->boxes[1].text, "みるてるを終了してもいいですか？");
  EXPECT_EQ(view_->boxes[1].title, "みるてる終了");
  EXPECT_TRUE(view_->boxes[1].yesNo);
  EXPECT_TRUE(view_->boxes[1].noDefault);
  EXPECT_TRUE(view_->IsOpen());

  // F1: the help beside the program.
  std::ofstream(root_ / "prog" / "Mirtel.html") << "<html></html>";
  view_->Press(Key::F1);
  ASSERT_EQ(view_->shell.helped.size(), 1u);
  EXPECT_EQ(view_->shell.helped[0], P(root_ / "prog" / "Mirtel.html"));

  // During a job the quit command is disabled, and so is its key; Stop stays.
  view_->form().All_False();
  view_->window().SetEnabled(MenuItem::mnu_help_ver, false);
  view_->Press(Key::Q, true);
  view_->Press(Key::A, true);
  EXPECT_EQ(view_->boxes.size(), 2u) << "no box from a disabled item";
  EXPECT_FALSE(view_->MenuBar()[0].items[5].enabled) << "the quit item greyed";
  EXPECT_TRUE(view_->window().IsEnabled(MenuItem::mnu_cmd_copyquit));
  view_->form().All_True();
  view_->window().SetEnabled(MenuItem::mnu_help_ver, true);

  // The quit button from the keyboard asks too.
  view_->answers = {BoxAnswer::No};
  view_->window().SetFocus(Control::cmdQuit);
  view_->Press(Key::Enter);
  ASSERT_EQ(view_->boxes.size(), 3u);
  EXPECT_EQ(view_->boxes[2].text, "みるてるを終了してもいいですか？");
  EXPECT_TRUE(view_->IsOpen());

  // The mode items: the logic decides the marks, whatever the toolkit does.
  const auto marks = [&] {
    const std::vector<MenuEntry> bar = view_->MenuBar();
    const auto& modes = bar[1].items;
    return std::pair{modes[0].checked, modes[1].checked};
  };
  view_->Choose(MenuItem::mnu_Douki);
  EXPECT_TRUE(view_->form().DoukiMode());
  EXPECT_EQ(view_->window().Caption(Control::lblCopyMode), "同期　");
  EXPECT_EQ(marks(), (std::pair{false, true}));
  view_->Choose(MenuItem::mnu_Douki);
  EXPECT_EQ(marks(), (std::pair{false, true}));
  view_->Choose(MenuItem::Mnu_Normal);
  EXPECT_FALSE(view_->form().DoukiMode());
  EXPECT_EQ(marks(), (std::pair{true, false}));
  EXPECT_EQ(view_->boxes.size(), 3u);
}

// Hints from the controls that have them, only while enabled; a label
// clicks on release inside it, once for a double click; the drag areas
// move the window with the left button alone.
TEST_F(WindowRules, TheMouseGivesHintsClicksAndDrags) {
  view_->LoadAndShow();
  Window& window = view_->window();
  for (const ControlDesign& d : ControlDesigns()) {
    SCOPED_TRACE(std::string(d.name));
    window.SetCaption(Control::lblProcess, "-");
    view_->MouseMove(d.control);
    if (d.control == Control::lblCopyMode) {
      EXPECT_EQ(Status(), "コピーモードを表示（クリックすると切り替わります）");
    } else if (d.hint != 0) {
      EXPECT_EQ(Status(), LoadResString(d.hint));
    } else {
      EXPECT_EQ(Status(), "-");
    }
  }
  view_->form().All_False();
  window.SetCaption(Control::lblProcess, "-");
  view_->MouseMove(Control::cmdBackUp);
  EXPECT_EQ(Status(), "-") << "a disabled control shows no hint";
  view_->MouseMove(Control::cmdStop);
  EXPECT_EQ(Status(), "コピーを途中で中断します") << "Stop stays enabled";
  view_->form().All_True();

  view_->PressRelease(Control::lblCopyMode, Button::Left);
  EXPECT_TRUE(view_->form().DoukiMode());
  view_->PressRelease(Control::lblCopyMode, Button::Left, false);
  EXPECT_TRUE(view_->form().DoukiMode()) << "released outside";
  view_->PressRelease(Control::lblCopyMode, Button::Right);
  EXPECT_TRUE(view_->form().DoukiMode()) << "right button";
  view_->PressRelease(Control::lblCopyModeBack, Button::Left);
  EXPECT_FALSE(view_->form().DoukiMode()) << "the panel around it";
  view_->DoubleClick(Control::lblCopyMode);
  EXPECT_TRUE(view_->form().DoukiMode()) << "a double click is one click";

  for (Control c : {Control::Label1, Control::Label2, Control::Label3, Control::lblProcess,
                    Control::lstResult}) {
    SCOPED_TRACE(std::string(ControlName(c)));
    EXPECT_FALSE(view_->PressDrags(c, Button::Right));
    EXPECT_TRUE(view_->PressDrags(c, Button::Left));
  }
  EXPECT_FALSE(view_->PressDrags(Control::lblCopyMode, Button::Left));
  EXPECT_FALSE(view_->PressDrags(Control::lblCopyModeBack, Button::Left));
  EXPECT_FALSE(view_->PressDrags(std::nullopt, Button::Right));
  EXPECT_FALSE(view_->PressDrags(std::nullopt, Button::Middle));
  EXPECT_TRUE(view_->PressDrags(std::nullopt, Button::Left)) << "the window's background";
  EXPECT_TRUE(view_->boxes.empty());
}

// One whole job from the copy button: the files are copied, the result
// line and the time are shown, and the window is idle again with the list
// shown and the history kept.
TEST_F(WindowRules, TheCopyButtonRunsAJob) {
  Write("元データ/a.txt", "a");
  Write("元データ/写真/海辺の夕焼け.jpg", "夕焼け");
  Write("元データ/写真/旅行/b.txt", "bb");
  fs::create_directories(U("バックアップ"));
  view_->LoadAndShow();
  Window& window = view_->window();
  window.Combo(Control::cmbBackMoto).SetText(P(U("元データ")));
  window.Combo(Control::cmbBackSaki).SetText(P(U("バックアップ")));

  view_->Click(Control::cmdBackUp);

  EXPECT_TRUE(view_->boxes.empty()) << view_->boxes[0].text;
  EXPECT_EQ(window.Caption(Control::Label1), "3個のファイルをコピーしました");
  EXPECT_TRUE(std::regex_match(window.Caption(Control::Label2), std::regex(R"(\s*\d+\.\d{4}秒)")))
      << window.Caption(Control::Label2);
  std::ifstream copied(U("バックアップ/元データ/写真/海辺の夕焼け.jpg"), std::ios::binary);
  std::string content;
  std::getline(copied, content);
  EXPECT_EQ(content, "夕焼け");
  EXPECT_TRUE(fs::exists(U("バックアップ/元データ/a.txt")));
  EXPECT_TRUE(fs::exists(U("バックアップ/元データ/写真/旅行/b.txt")));

  EXPECT_TRUE(view_->Shown(Control::lstResult));
  EXPECT_GE(window.ListCount(Control::lstResult), 3);
  for (const ControlDesign& d : ControlDesigns())
    EXPECT_TRUE(window.IsEnabled(d.control)) << d.name;
  EXPECT_TRUE(window.IsEnabled(MenuItem::mnu_cmd_copy));
  EXPECT_FALSE(view_->form().Copying());
  EXPECT_EQ(window.Combo(Control::cmbBackMoto).ListCount(), 1) << "the history";
  EXPECT_TRUE(fs::exists(root_ / "prog" / "mirtel.dat"));
}

// A failed job says so first, in the warning colour, with the whole line as
// the label's tooltip and the list's last line, which scrolls sideways; the
// clean job that follows leaves nothing of the warning.
TEST_F(WindowRules, AFailedJobSaysSoFirst) {
  Write("src/a.txt", "a");
  Write("src/b.txt", "b");
  fs::create_directories(U("dest/src/a.txt"));  // a folder where a file goes
  view_->LoadAndShow();
  Window& window = view_->window();
  window.Combo(Control::cmbBackMoto).SetText(P(U("src")));
  window.Combo(Control::cmbBackSaki).SetText(P(U("dest")));
  view_->Click(Control::cmdBackUp);

  const std::string whole = "1個のファイルをコピーしました（失敗 1件）";
  EXPECT_EQ(window.Caption(Control::Label1), "（失敗 1件）1個のファイルをコピーしました");
  EXPECT_EQ(view_->ToolTip(Control::Label1), whole);
  EXPECT_EQ(view_->LastListLine(), whole);
  EXPECT_TRUE(view_->ListScrollsSideways());
  EXPECT_TRUE(view_->DrawnInWarningColour(Control::Label1));

  fs::remove_all(U("dest/src/a.txt"));
  view_->Click(Control::cmdBackUp);
  EXPECT_EQ(window.Caption(Control::Label1), "1個のファイルをコピーしました");
  EXPECT_FALSE(view_->DrawnInWarningColour(Control::Label1));
  EXPECT_TRUE(view_->boxes.empty()) << view_->boxes[0].text;
}

// A folder dropped on a field is taken as the folder dialog's choice (the
// history waits for a job); a file, or several items, change nothing.
TEST_F(WindowRules, AFolderDroppedOnAFieldIsTakenAsIfChosen) {
  fs::create_directories(U("写真/2024年"));
  Write("写真/メモ.txt", "メモ");
  view_->LoadAndShow();
  ComboBox& moto = view_->window().Combo(Control::cmbBackMoto);
  ComboBox& saki = view_->window().Combo(Control::cmbBackSaki);
  view_->Drop(Control::cmbBackSaki, {P(U("写真/2024年"))});
  EXPECT_EQ(saki.Text(), P(U("写真/2024年")));
  EXPECT_EQ(saki.ListCount(), 1);
  EXPECT_EQ(view_->form().Settings().SakiCount, 0);
  view_->Drop(Control::cmbBackMoto, {P(U("写真"))});
  EXPECT_EQ(moto.Text(), P(U("写真")));
  view_->Drop(Control::cmbBackMoto, {P(U("写真/メモ.txt"))});
  view_->Drop(Control::cmbBackMoto, {P(U("写真/2024年")), P(U("写真"))});
  EXPECT_EQ(moto.Text(), P(U("写真")));
  EXPECT_EQ(moto.ListCount(), 1);
  EXPECT_TRUE(view_->boxes.empty());
}

}  // namespace
}  // namespace mirtel::test
