// The window's design data as both views read it: the sixteen controls in
// their order, the menu bar, and every event routed to the procedure of the
// same name, run against the recording window.
#include <algorithm>
#include <map>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "app/res_strings.h"
#include "app/window_design.h"
#include "tests/app/app_fixture.h"

namespace mirtel {
namespace {

using WindowDesignTest = AppTest;

// The event procedures of frmMirtel that belong to a control or menu item,
// by their own names.
#define MIRTEL_PROCEDURE(name) \
  { #name, &FrmMirtel::name }
const std::map<std::string, Procedure> kProcedures{
    MIRTEL_PROCEDURE(cmdBackMoto_Click),      MIRTEL_PROCEDURE(cmdBackSaki_Click),
    MIRTEL_PROCEDURE(cmdBackUp_Click),        MIRTEL_PROCEDURE(cmdStop_Click),
    MIRTEL_PROCEDURE(cmdQuit_Click),          MIRTEL_PROCEDURE(cmdOpenMoto_Click),
    MIRTEL_PROCEDURE(cmdOpenSaki_Click),      MIRTEL_PROCEDURE(lblCopyMode_Click),
    MIRTEL_PROCEDURE(lblCopyModeBack_Click),  MIRTEL_PROCEDURE(cmbBackSaki_DblClick),
    MIRTEL_PROCEDURE(cmdBackMoto_MouseMove),  MIRTEL_PROCEDURE(cmdBackSaki_MouseMove),
    MIRTEL_PROCEDURE(cmdBackUp_MouseMove),    MIRTEL_PROCEDURE(cmdQuit_MouseMove),
    MIRTEL_PROCEDURE(cmdStop_MouseMove),      MIRTEL_PROCEDURE(cmdOpenMoto_MouseMove),
    MIRTEL_PROCEDURE(cmdOpenSaki_MouseMove),  MIRTEL_PROCEDURE(Label1_MouseMove),
    MIRTEL_PROCEDURE(Label2_MouseMove),       MIRTEL_PROCEDURE(lstResult_MouseMove),
    MIRTEL_PROCEDURE(lblCopyMode_MouseMove),  MIRTEL_PROCEDURE(mnu_cmd_backmoto_Click),
    MIRTEL_PROCEDURE(mnu_cmd_backsaki_Click), MIRTEL_PROCEDURE(mnu_cmd_copy_Click),
    MIRTEL_PROCEDURE(mnu_cmd_copyquit_Click), MIRTEL_PROCEDURE(mnu_cmd_end_Click),
    MIRTEL_PROCEDURE(Mnu_Normal_Click),       MIRTEL_PROCEDURE(mnu_Douki_Click),
    MIRTEL_PROCEDURE(mnu_ZeroEraser_Click),   MIRTEL_PROCEDURE(mnu_help_help_Click),
    MIRTEL_PROCEDURE(mnu_help_ver_Click),
};
const std::map<std::string, MouseDownProcedure> kMouseDownProcedures{
    MIRTEL_PROCEDURE(Label1_MouseDown),    MIRTEL_PROCEDURE(Label2_MouseDown),
    MIRTEL_PROCEDURE(Label3_MouseDown),    MIRTEL_PROCEDURE(lblProcess_MouseDown),
    MIRTEL_PROCEDURE(lstResult_MouseDown),
};
#undef MIRTEL_PROCEDURE

template <typename P>
P Named(const std::map<std::string, P>& table, const std::string& name) {
  auto it = table.find(name);
  return it == table.end() ? nullptr : it->second;
}

TEST_F(WindowDesignTest, EveryEventRunsTheProcedureOfItsName) {
  std::set<std::string> routed;
  auto expect = [&](auto route, const auto& table, const std::string& name) {
    EXPECT_TRUE(route == Named(table, name)) << name;
    if (route != nullptr) routed.insert(name);
  };
  for (const ControlDesign& d : ControlDesigns()) {
    const std::string name(d.name);
    expect(ClickProcedure(d.control), kProcedures, name + "_Click");
    expect(DblClickProcedure(d.control), kProcedures, name + "_DblClick");
    expect(MouseMoveProcedure(d.control), kProcedures, name + "_MouseMove");
    expect(MouseDownProcedureOf(d.control), kMouseDownProcedures, name + "_MouseDown");
  }
  for (const MenuDesign& d : MenuDesigns())
    expect(MenuProcedure(d.item), kProcedures, std::string(d.name) + "_Click");
  // None is left without its event.
  EXPECT_EQ(routed.size(), kProcedures.size() + kMouseDownProcedures.size());

  // What the routes do, run on the window's logic. Stop, by button and menu:
  for (Procedure stop :
       {ClickProcedure(Control::cmdStop), MenuProcedure(MenuItem::mnu_cmd_copyquit)}) {
    FrmMirtel form(
        AppPlatform{win_, win_, *fs_, *recycler_, codec_, clock_, P("prog") + kPathSeparator, ""});
    (form.*stop)();
    EXPECT_TRUE(form.Job().StopFlag);
  }
  for (const ControlDesign& d : ControlDesigns()) {
    const std::string name(d.name);
    const int hintId = static_cast<int>(d.hint);
    // A control's hint number is also what hovering shows.
    if (const Procedure hint = MouseMoveProcedure(d.control)) {
      win_.captions.clear();
      (form_.get()->*hint)();
      const std::string shown = win_.CaptionOf(Control::lblProcess);
      EXPECT_FALSE(shown.empty()) << name;
      if (hintId != 0) {
        EXPECT_EQ(shown, LoadResString(hintId)) << name;
      }
    } else {
      EXPECT_EQ(hintId, 0) << name;
    }
    // Only the left button drags.
    if (const MouseDownProcedure down = MouseDownProcedureOf(d.control)) {
      const int before = win_.drags;
      for (int button : {kButtonRight, kButtonMiddle}) (form_.get()->*down)(button);
      EXPECT_EQ(win_.drags, before) << name;
      (form_.get()->*down)(kButtonLeft);
      EXPECT_EQ(win_.drags, before + 1) << name;
    }
  }
  EXPECT_TRUE(win_.boxes.empty());
}

TEST_F(WindowDesignTest, SixteenControlsFrontToBackWithOneTabIndexEach) {
  const std::vector<std::string> frontToBack{
      "cmdOpenSaki", "cmdOpenMoto", "cmbBackSaki", "cmbBackMoto", "cmdQuit",     "cmdStop",
      "lstResult",   "cmdBackSaki", "cmdBackMoto", "cmdBackUp",   "lblCopyMode", "lblCopyModeBack",
      "Label1",      "lblProcess",  "Label3",      "Label2"};
  std::vector<std::string> names;
  std::vector<int> tabIndexes;
  std::vector<std::pair<int, Control>> focusable;
  for (const ControlDesign& d : ControlDesigns()) {
    names.emplace_back(d.name);
    // The enum is the same order, and looks up the same entry.
    EXPECT_EQ(static_cast<std::size_t>(d.control), names.size() - 1) << d.name;
    EXPECT_EQ(&DesignOf(d.control), &d) << d.name;
    EXPECT_EQ(ControlName(d.control), d.name);
    EXPECT_EQ(IsLabel(d.control), d.kind == ControlKind::Label) << d.name;
    // Everything lies inside the client area.
    EXPECT_TRUE(d.rect.left >= 0 && d.rect.top >= 0 && d.rect.width > 0 && d.rect.height > 0 &&
                d.rect.left + d.rect.width <= kClientWidth &&
                d.rect.top + d.rect.height <= kClientHeight)
        << d.name;
    EXPECT_EQ(d.kind == ControlKind::PictureButton, !d.picture.empty()) << d.name;
    tabIndexes.push_back(d.tabIndex);
    if (d.kind != ControlKind::Label) focusable.emplace_back(d.tabIndex, d.control);
  }
  EXPECT_EQ(names, frontToBack);
  std::sort(tabIndexes.begin(), tabIndexes.end());
  for (int i = 0; i < 16; ++i) EXPECT_EQ(tabIndexes[static_cast<std::size_t>(i)], i);
  // The focus visits the controls that take it by their tab index.
  std::sort(focusable.begin(), focusable.end());
  std::vector<Control> byIndex;
  for (const auto& [index, control] : focusable) byIndex.push_back(control);
  const std::span<const Control> order = TabOrder();
  EXPECT_EQ(std::vector<Control>(order.begin(), order.end()), byIndex);
}

TEST_F(WindowDesignTest, MenuBarShowsThreeEntriesEachOverItsItems) {
  std::vector<std::string> bar;
  const std::span<const MenuDesign> menus = MenuDesigns();
  ASSERT_FALSE(menus.empty());
  EXPECT_EQ(menus.front().level, 1);  // every item lies under an entry on the bar
  std::set<std::string_view> names;
  for (const MenuDesign& d : menus) {
    EXPECT_TRUE(d.level == 1 || d.level == 2) << d.name;
    EXPECT_TRUE(names.insert(d.name).second) << d.name;
    EXPECT_EQ(&DesignOf(d.item), &d) << d.name;
    EXPECT_EQ(MenuName(d.item), d.name);
    if (d.level == 1 && d.visible) bar.emplace_back(MenuCaption(d));
  }
  EXPECT_EQ(bar, (std::vector<std::string>{"コマンド(&C)", "コピーモード", "ヘルプ(&H)"}));
}

}  // namespace
}  // namespace mirtel
