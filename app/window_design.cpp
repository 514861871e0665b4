#include "app/window_design.h"

#include "app/frm_mirtel.h"

namespace mirtel {

namespace {

constexpr ColorRef kWhite = 0x00FFFFFF;
constexpr ColorRef kLightCyan = 0x00FFFF80;  // red 128, green 255, blue 255

// clang-format off
constexpr std::array<ControlDesign, 16> kControls{{
    {Control::cmdOpenSaki, "cmdOpenSaki", ControlKind::PictureButton, {280, 40, 73, 33}, 12,
     FontId::Default, false, false, 0, Align::Center, "folder_open", 129, ""},
    {Control::cmdOpenMoto, "cmdOpenMoto", ControlKind::PictureButton, {280, 8, 73, 33}, 11,
     FontId::Default, false, false, 0, Align::Center, "folder_open", 128, ""},
    {Control::cmbBackSaki, "cmbBackSaki", ControlKind::ComboBox, {0, 40, 281, 24}, 10,
     FontId::Gothic16, false, false, 0, Align::Left, "", 0, "cmbBackSaki"},
    {Control::cmbBackMoto, "cmbBackMoto", ControlKind::ComboBox, {0, 8, 281, 24}, 9,
     FontId::Gothic16, false, false, 0, Align::Left, "", 0, "cmbBackMoto"},
    {Control::cmdQuit, "cmdQuit", ControlKind::PictureButton, {360, 128, 97, 41}, 8,
     FontId::Gothic16, false, false, 0, Align::Center, "exit", 104, ""},
    {Control::cmdStop, "cmdStop", ControlKind::PictureButton, {360, 88, 97, 41}, 7,
     FontId::Gothic16, false, false, 0, Align::Center, "stop", 105, ""},
    {Control::lstResult, "lstResult", ControlKind::ListBox, {112, 104, 241, 64}, 3,
     FontId::Default, false, false, 0, Align::Left, "", 107, ""},
    {Control::cmdBackSaki, "cmdBackSaki", ControlKind::PictureButton, {360, 48, 97, 41}, 1,
     FontId::Default, false, false, 0, Align::Center, "folder_down", 102, ""},
    {Control::cmdBackMoto, "cmdBackMoto", ControlKind::PictureButton, {360, 8, 97, 41}, 0,
     FontId::Default, false, false, 0, Align::Center, "folder_up", 101, ""},
    {Control::cmdBackUp, "cmdBackUp", ControlKind::PictureButton, {0, 72, 108, 65}, 2,
     FontId::Gothic16, false, false, 0, Align::Center, "backup", 103, ""},
    {Control::lblCopyMode, "lblCopyMode", ControlKind::Label, {8, 184, 49, 25}, 15,
     FontId::Gothic16Bold, false, false, 0, Align::Center, "", 0, ""},
    {Control::lblCopyModeBack, "lblCopyModeBack", ControlKind::Label, {0, 176, 57, 33}, 14,
     FontId::Default, true, true, kLightCyan, Align::Left, "", 0, ""},
    {Control::Label1, "Label1", ControlKind::Label, {112, 72, 241, 25}, 13, FontId::Gothic15,
     true, true, kWhite, Align::Left, "", 106, ""},
    {Control::lblProcess, "lblProcess", ControlKind::Label, {72, 184, 377, 25}, 6,
     FontId::Gothic16Bold, false, false, 0, Align::Left, "", 0, ""},
    {Control::Label3, "Label3", ControlKind::Label, {64, 176, 393, 33}, 5, FontId::Gothic16Bold,
     true, true, kWhite, Align::Left, "", 0, ""},
    {Control::Label2, "Label2", ControlKind::Label, {0, 144, 105, 25}, 4, FontId::Gothic15, true,
     true, kWhite, Align::Center, "", 110, ""},
}};

// clang-format on

constexpr std::array<Control, 10> kTabOrder{
    Control::cmdBackMoto, Control::cmdBackSaki, Control::cmdBackUp,   Control::lstResult,
    Control::cmdStop,     Control::cmdQuit,     Control::cmbBackMoto, Control::cmbBackSaki,
    Control::cmdOpenMoto, Control::cmdOpenSaki,
};

// clang-format off
constexpr std::array<MenuDesign, 16> kMenus{{
    {MenuItem::mnu_cmd, "mnu_cmd", 1, Msg::MenuCommand,
     Shortcut::None, false, false, false, true, true},
    {MenuItem::mnu_cmd_backmoto, "mnu_cmd_backmoto", 2, Msg::MenuChooseSource,
     Shortcut::None, false, false, false, true, true},
    {MenuItem::mnu_cmd_backsaki, "mnu_cmd_backsaki", 2, Msg::MenuChooseDest,
     Shortcut::None, false, false, false, true, true},
    {MenuItem::mnu_cmd_copy, "mnu_cmd_copy", 2, Msg::MenuStartCopy,
     Shortcut::None, false, false, false, true, true},
    {MenuItem::mnu_cmd_line, "mnu_cmd_line", 2, std::nullopt,
     Shortcut::None, true, false, false, true, true},
    {MenuItem::mnu_cmd_copyquit, "mnu_cmd_copyquit", 2, Msg::MenuStopCopy,
     Shortcut::None, false, false, false, true, true},
    {MenuItem::mnu_cmd_end, "mnu_cmd_end", 2, Msg::MenuQuit,
     Shortcut::CtrlQ, false, false, false, true, true},
    {MenuItem::mnu_option, "mnu_option", 1, Msg::MenuOptions,
     Shortcut::None, false, false, false, false, false},
    {MenuItem::mnu_option_selectfile, "mnu_option_selectfile", 2, Msg::MenuChooseFiles,
     Shortcut::None, false, false, false, true, true},
    {MenuItem::mnu_CopyOption, "mnu_CopyOption", 1, Msg::MenuCopyMode,
     Shortcut::None, false, false, false, true, true},
    {MenuItem::Mnu_Normal, "Mnu_Normal", 2, Msg::MenuNormalCopy,
     Shortcut::None, false, true, true, true, true},
    {MenuItem::mnu_Douki, "mnu_Douki", 2, Msg::MenuSyncCopy,
     Shortcut::None, false, true, false, true, true},
    {MenuItem::mnu_ZeroEraser, "mnu_ZeroEraser", 1, Msg::MenuZeroEraser,
     Shortcut::None, false, false, false, false, true},
    {MenuItem::mnu_help, "mnu_help", 1, Msg::MenuHelp,
     Shortcut::None, false, false, false, true, true},
    {MenuItem::mnu_help_help, "mnu_help_help", 2, Msg::MenuHelpContents,
     Shortcut::F1, false, false, false, true, true},
    {MenuItem::mnu_help_ver, "mnu_help_ver", 2, Msg::MenuVersion,
     Shortcut::CtrlA, false, false, false, true, true},
}};
// clang-format on

}  // namespace

std::span<const ControlDesign> ControlDesigns() { return kControls; }

const ControlDesign& DesignOf(Control control) {
  for (const ControlDesign& d : kControls) {
    if (d.control == control) return d;
  }
  return kControls[0];  // unreachable: every control is in the table
}

std::string_view ControlName(Control control) { return DesignOf(control).name; }

bool IsLabel(Control control) { return DesignOf(control).kind == ControlKind::Label; }

std::span<const Control> TabOrder() { return kTabOrder; }

std::span<const MenuDesign> MenuDesigns() { return kMenus; }

const MenuDesign& DesignOf(MenuItem item) {
  for (const MenuDesign& d : kMenus) {
    if (d.item == item) return d;
  }
  return kMenus[0];  // unreachable: every item is in the table
}

std::string MenuCaption(const MenuDesign& d) {
  return d.caption ? Text(*d.caption) : std::string();
}

std::string_view MenuName(MenuItem item) { return DesignOf(item).name; }

Procedure ClickProcedure(Control control) {
  switch (control) {
    case Control::cmdBackMoto:
      return &FrmMirtel::cmdBackMoto_Click;
    case Control::cmdBackSaki:
      return &FrmMirtel::cmdBackSaki_Click;
    case Control::cmdBackUp:
      return &FrmMirtel::cmdBackUp_Click;
    case Control::cmdStop:
      return &FrmMirtel::cmdStop_Click;
    case Control::cmdQuit:
      return &FrmMirtel::cmdQuit_Click;
    case Control::cmdOpenMoto:
      return &FrmMirtel::cmdOpenMoto_Click;
    case Control::cmdOpenSaki:
      return &FrmMirtel::cmdOpenSaki_Click;
    case Control::lblCopyMode:
      return &FrmMirtel::lblCopyMode_Click;
    case Control::lblCopyModeBack:
      return &FrmMirtel::lblCopyModeBack_Click;
    default:
      return nullptr;
  }
}

Procedure MouseMoveProcedure(Control control) {
  switch (control) {
    case Control::cmdBackMoto:
      return &FrmMirtel::cmdBackMoto_MouseMove;
    case Control::cmdBackSaki:
      return &FrmMirtel::cmdBackSaki_MouseMove;
    case Control::cmdBackUp:
      return &FrmMirtel::cmdBackUp_MouseMove;
    case Control::cmdQuit:
      return &FrmMirtel::cmdQuit_MouseMove;
    case Control::cmdStop:
      return &FrmMirtel::cmdStop_MouseMove;
    case Control::cmdOpenMoto:
      return &FrmMirtel::cmdOpenMoto_MouseMove;
    case Control::cmdOpenSaki:
      return &FrmMirtel::cmdOpenSaki_MouseMove;
    case Control::Label1:
      return &FrmMirtel::Label1_MouseMove;
    case Control::Label2:
      return &FrmMirtel::Label2_MouseMove;
    case Control::lstResult:
      return &FrmMirtel::lstResult_MouseMove;
    case Control::lblCopyMode:
      return &FrmMirtel::lblCopyMode_MouseMove;
    default:
      return nullptr;
  }
}

MouseDownProcedure MouseDownProcedureOf(Control control) {
  switch (control) {
    case Control::Label1:
      return &FrmMirtel::Label1_MouseDown;
    case Control::Label2:
      return &FrmMirtel::Label2_MouseDown;
    case Control::Label3:
      return &FrmMirtel::Label3_MouseDown;
    case Control::lblProcess:
      return &FrmMirtel::lblProcess_MouseDown;
    case Control::lstResult:
      return &FrmMirtel::lstResult_MouseDown;
    default:
      return nullptr;
  }
}

Procedure DblClickProcedure(Control control) {
  return control == Control::cmbBackSaki ? &FrmMirtel::cmbBackSaki_DblClick : nullptr;
}

Procedure MenuProcedure(MenuItem item) {
  switch (item) {
    case MenuItem::mnu_cmd_backmoto:
      return &FrmMirtel::mnu_cmd_backmoto_Click;
    case MenuItem::mnu_cmd_backsaki:
      return &FrmMirtel::mnu_cmd_backsaki_Click;
    case MenuItem::mnu_cmd_copy:
      return &FrmMirtel::mnu_cmd_copy_Click;
    case MenuItem::mnu_cmd_copyquit:
      return &FrmMirtel::mnu_cmd_copyquit_Click;
    case MenuItem::mnu_cmd_end:
      return &FrmMirtel::mnu_cmd_end_Click;
    case MenuItem::Mnu_Normal:
      return &FrmMirtel::Mnu_Normal_Click;
    case MenuItem::mnu_Douki:
      return &FrmMirtel::mnu_Douki_Click;
    case MenuItem::mnu_ZeroEraser:
      return &FrmMirtel::mnu_ZeroEraser_Click;
    case MenuItem::mnu_help_help:
      return &FrmMirtel::mnu_help_help_Click;
    case MenuItem::mnu_help_ver:
      return &FrmMirtel::mnu_help_ver_Click;
    default:
      return nullptr;
  }
}

}  // namespace mirtel
