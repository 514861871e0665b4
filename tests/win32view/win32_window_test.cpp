// What only the native window shows: its system controls, their styles,
// fonts and pictures, the accelerators, message box codes, the painted
// panels, the batched status line and the DPI scaling. The rules both views
// follow are in tests/view/window_rules_test.cpp, run here through the same
// driver.
#include <gtest/gtest.h>

#include "tests/win32view/win32_view_driver.h"

#include <commctrl.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/copy_modes.h"
#include "app/frm_mirtel.h"
#include "app/res_strings.h"
#include "app/result_display.h"
#include "app/window_design.h"
#include "job/copy_job.h"
#include "platform/win32/view/view_text.h"

namespace mirtel::test {
namespace {

namespace fs = std::filesystem;

constexpr UINT kYesNoQuestionNo = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;  // 292

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

LOGFONTW FontOf(HWND window) {
  LOGFONTW font{};
  auto* handle = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  if (handle != nullptr) GetObjectW(handle, sizeof font, &font);
  return font;
}

SIZE IconSize(HICON icon) {
  ICONINFO info{};
  if (icon == nullptr || GetIconInfo(icon, &info) == FALSE) return {0, 0};
  BITMAP bits{};
  GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bits, &bits);
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
  return {bits.bmWidth, bits.bmHeight};
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Show(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

int CALLBACK Listed(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool SystemListsFace(const std::wstring& face) {
  LOGFONTW wanted{};
  wanted.lfCharSet = SHIFTJIS_CHARSET;
  face.copy(wanted.lfFaceName, LF_FACESIZE - 1);
  bool found = false;
  HDC screen = GetDC(nullptr);
  EnumFontFamiliesExW(screen, &wanted, Listed, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found;
}

// Counts what is written into a label.
LRESULT CALLBACK CountSetText(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR count) {
  if (message == WM_SETTEXT) ++*reinterpret_cast<int*>(count);
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

class Win32WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device seed;
    root_ = fs::current_path() / ("win32view-" + std::to_string(seed()) + std::to_string(seed()));
    fs::create_directories(root_ / "prog");
    view_ = std::make_unique<Win32ViewDriver>(P(root_ / "prog") + "\\");
  }

  void TearDown() override {
    view_.reset();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  void LoadAndShow() { view_->LoadAndShow(); }

  static std::string P(fs::path path) {
    const std::u8string s = path.make_preferred().u8string();
    return std::string(s.begin(), s.end());
  }
  fs::path U(std::string_view utf8) const {
    return root_ / fs::path(std::u8string(utf8.begin(), utf8.end()));
  }

  HWND W(Control c) const { return view_->W(c); }
  HWND Main() const { return view_->Main(); }
  UINT Dpi() const { return view_->win32().dpi(); }
  RECT Designed(Control c, UINT dpi) const {
    const Rect& r = DesignOf(c).rect;
    return {MulDiv(r.left, static_cast<int>(dpi), 96), MulDiv(r.top, static_cast<int>(dpi), 96),
            MulDiv(r.left + r.width, static_cast<int>(dpi), 96),
            MulDiv(r.top + r.height, static_cast<int>(dpi), 96)};
  }
  RECT Placed(Control c) const {
    RECT r{};
    GetWindowRect(W(c), &r);
    MapWindowPoints(nullptr, Main(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  std::string Status() { return window().Caption(Control::lblProcess); }
  Win32Window& window() { return view_->win32(); }
  void Key(UINT key, bool control = false, bool shift = false) {
    view_->SendKey(key, control, shift);
  }
  void Pump() { view_->Pump(); }
  COLORREF PixelOf(Control label, int x, int y) { return view_->PixelOf(label, x, y); }
  std::vector<SeenBox>& boxes() { return view_->boxes; }
  RecordingShell& shell() { return view_->shell; }
  FrmMirtel& form() { return view_->form(); }

  fs::path root_;
  std::unique_ptr<Win32ViewDriver> view_;
};

// Every control is the designed system control: class, id, style, font,
// picture and text; the menu items carry their ids, the keys their
// accelerators.
TEST_F(Win32WindowTest, ControlsAndMenusAreTheDesignedSystemObjects) {
  const UINT dpi = Dpi();
  EXPECT_EQ(ToUtf8(TextOf(Main())), "簡単フォルダコピーソフト：みるてる");

  const std::wstring designedFace = ToWide(kGothicFace);
  const std::vector<std::wstring> faces{designedFace, L"MS PGothic", L"Yu Gothic UI", L"Meiryo UI",
                                        L"MS UI Gothic"};
  std::wstring gothic;
  for (const ControlDesign& d : ControlDesigns()) {
    SCOPED_TRACE(std::string(d.name));
    HWND h = W(d.control);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetParent(h), Main());
    EXPECT_EQ(GetDlgCtrlID(h), ControlId(d.control));
    const LONG style = GetWindowLongW(h, GWL_STYLE);

    switch (d.kind) {
      case ControlKind::PictureButton: {
        EXPECT_EQ(_wcsicmp(ClassOf(h).c_str(), L"Button"), 0);
        EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON);
        // Its text is its hint, from the string table: not drawn, but read out.
        EXPECT_EQ(ToUtf8(TextOf(h)), LoadResString(d.hint));
        EXPECT_FALSE(LoadResString(d.hint).empty());
        if (d.control == Control::cmdBackUp) {
          EXPECT_NE(style & BS_BITMAP, 0);
          BITMAP bits{};
          auto* picture = reinterpret_cast<HBITMAP>(SendMessageW(h, BM_GETIMAGE, IMAGE_BITMAP, 0));
          ASSERT_NE(picture, nullptr);
          GetObjectW(picture, sizeof bits, &bits);
          EXPECT_EQ(bits.bmWidth, MulDiv(kCopyPictureWidth, static_cast<int>(dpi), 96));
          EXPECT_EQ(bits.bmHeight, MulDiv(kCopyPictureHeight, static_cast<int>(dpi), 96));
        } else {
          EXPECT_NE(style & BS_ICON, 0);
          auto* icon = reinterpret_cast<HICON>(SendMessageW(h, BM_GETIMAGE, IMAGE_ICON, 0));
          const SIZE size = IconSize(icon);
          EXPECT_EQ(size.cx, MulDiv(kIconPictureSize, static_cast<int>(dpi), 96));
          EXPECT_EQ(size.cy, size.cx);
        }
        break;
      }
      case ControlKind::ComboBox:
        EXPECT_EQ(_wcsicmp(ClassOf(h).c_str(), L"ComboBox"), 0);
        EXPECT_EQ(style & 3, CBS_DROPDOWN);
        EXPECT_EQ(style & CBS_SORT, 0);
        EXPECT_EQ(ToUtf8(TextOf(h)), d.initialText);
        break;
      case ControlKind::ListBox:
        EXPECT_EQ(_wcsicmp(ClassOf(h).c_str(), L"ListBox"), 0);
        EXPECT_NE(style & LBS_NOTIFY, 0);
        EXPECT_EQ(style & LBS_SORT, 0) << "unsorted";
        EXPECT_EQ(style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL), 0) << "single selection";
        break;
      case ControlKind::Label:
        EXPECT_EQ(_wcsicmp(ClassOf(h).c_str(), L"Static"), 0);
        EXPECT_EQ(style & SS_TYPEMASK, SS_OWNERDRAW);
        EXPECT_NE(style & SS_NOTIFY, 0) << "a label takes the mouse";
        EXPECT_EQ(TextOf(h), L"");
        break;
    }
    // Only the folder fields take dropped files.
    const LONG exStyle = GetWindowLongW(h, GWL_EXSTYLE);
    EXPECT_EQ((exStyle & WS_EX_ACCEPTFILES) != 0, d.kind == ControlKind::ComboBox);

    const LOGFONTW font = FontOf(h);
    if (d.font == FontId::Default) {
      NONCLIENTMETRICSW metrics{};
      metrics.cbSize = sizeof metrics;
      SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
      EXPECT_EQ(std::wstring(font.lfFaceName), metrics.lfMessageFont.lfFaceName);
      continue;
    }
    const int pixels = d.font == FontId::Gothic15 ? 15 : 16;
    EXPECT_EQ(font.lfHeight, -MulDiv(pixels, static_cast<int>(dpi), 96));
    EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);
    EXPECT_EQ(font.lfWeight, d.font == FontId::Gothic16Bold ? FW_BOLD : FW_NORMAL);
    const std::wstring face = font.lfFaceName;
    EXPECT_NE(std::find(faces.begin(), faces.end(), face), faces.end());
    if (SystemListsFace(designedFace)) {
      EXPECT_EQ(face, designedFace);
    }
    if (gothic.empty()) gothic = face;
    EXPECT_EQ(face, gothic) << "one face for every Gothic font";
  }

  HMENU bar = GetMenu(Main());
  ASSERT_EQ(bar, window().menuBar());
  int top = -1;
  int at = 0;
  bool hiddenParent = false;
  for (const MenuDesign& d : MenuDesigns()) {
    if (d.level == 1) {
      hiddenParent = !d.visible;
      if (!hiddenParent) ++top;
      at = 0;
      continue;
    }
    if (hiddenParent || !d.visible) continue;
    if (!d.separator) {
      EXPECT_EQ(GetMenuItemID(GetSubMenu(bar, top), at), static_cast<UINT>(MenuId(d.item)))
          << d.name;
    }
    ++at;
  }
  const int count = CopyAcceleratorTableW(window().accelerators(), nullptr, 0);
  std::vector<ACCEL> keys(static_cast<std::size_t>(count));
  CopyAcceleratorTableW(window().accelerators(), keys.data(), count);
  ASSERT_EQ(keys.size(), 3u);
  auto has = [&](BYTE flags, WORD key, MenuItem item) {
    return std::any_of(keys.begin(), keys.end(), [&](const ACCEL& a) {
      return (a.fVirt & (FVIRTKEY | FCONTROL | FSHIFT | FALT)) == flags && a.key == key &&
             a.cmd == MenuId(item);
    });
  };
  EXPECT_TRUE(has(FVIRTKEY | FCONTROL, 'Q', MenuItem::mnu_cmd_end));
  EXPECT_TRUE(has(FVIRTKEY, VK_F1, MenuItem::mnu_help_help));
  EXPECT_TRUE(has(FVIRTKEY | FCONTROL, 'A', MenuItem::mnu_help_ver));
}

// Closing asks the logic; its question comes with the buttons code and the
// title it names, and the answer decides. A hidden entry's command never
// runs, whoever sends it.
TEST_F(Win32WindowTest, ClosingAsksAndTheAnswerDecides) {
  std::vector<std::pair<UINT, HWND>> asked;
  window().SetMsgBoxFunction(
      [&](HWND owner, const std::wstring& text, const std::wstring& title, UINT type) {
        asked.emplace_back(type, owner);
        EXPECT_EQ(ToUtf8(text), "みるてるを終了してもいいですか？");
        EXPECT_EQ(ToUtf8(title), "みるてる終了");
        return asked.size() == 1 ? IDNO : IDYES;
      });
  LoadAndShow();
  HWND main = Main();
  SendMessageW(main, WM_COMMAND, static_cast<WPARAM>(MenuId(MenuItem::mnu_ZeroEraser)), 0);
  EXPECT_TRUE(IsWindowVisible(main));
  SendMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], std::pair(kYesNoQuestionNo, main));
  EXPECT_TRUE(IsWindow(main));

  // The quit button, pressed from the keyboard.
  window().SetFocus(Control::cmdQuit);
  Key(VK_RETURN);
  EXPECT_EQ(asked.size(), 2u);
  EXPECT_FALSE(IsWindow(main));
  EXPECT_EQ(window().handle(), nullptr);
  EXPECT_TRUE(view_->quit) << "the loop ends";
  // The logic may still talk to a window that is gone.
  window().SetCaption(Control::lblProcess, "x");
  window().SetEnabled(MenuItem::mnu_cmd_copy, false);
}

// What the system adds to the mouse: moves it makes up where the pointer
// stands still show no hint; a disabled control passes the mouse to the
// window, which shows none; the hourglass covers the controls too.
TEST_F(Win32WindowTest, TheSystemsOwnMouseMessagesChangeNothing) {
  LoadAndShow();
  const LPARAM inside = MAKELPARAM(2, 2);
  SendMessageW(W(Control::Label2), WM_MOUSEMOVE, 0, inside);
  window().SetCaption(Control::lblProcess, "-");
  SendMessageW(W(Control::Label2), WM_MOUSEMOVE, 0, inside);
  EXPECT_EQ(Status(), "-");
  form().All_False();
  POINT over{Placed(Control::cmdBackUp).left + 5, Placed(Control::cmdBackUp).top + 5};
  SendMessageW(Main(), WM_MOUSEMOVE, 0, MAKELPARAM(over.x, over.y));
  EXPECT_EQ(Status(), "-");
  form().All_True();

  auto pointerOver = [&](HWND h) {
    SendMessageW(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
  };
  const HCURSOR wait = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT));
  window().SetBusyPointer(true);
  EXPECT_EQ(pointerOver(W(Control::Label1)), wait);
  EXPECT_EQ(pointerOver(W(Control::cmdStop)), wait);
  EXPECT_EQ(pointerOver(Main()), wait);
  window().SetBusyPointer(false);
  EXPECT_NE(pointerOver(W(Control::Label1)), wait);
  EXPECT_TRUE(boxes().empty());
}

// The panels as painted: the mode label shows its panel's colour and
// border through; the mode switch recolours it.
TEST_F(Win32WindowTest, TextLabelsShowTheirPanelThrough) {
  LoadAndShow();
  const RECT label = Placed(Control::lblCopyMode);
  const RECT panel = Placed(Control::lblCopyModeBack);
  const int w = label.right - label.left;
  const int h = label.bottom - label.top;
  ASSERT_EQ(label.right, panel.right) << "the panel's border lies under the label";
  EXPECT_EQ(PixelOf(Control::lblCopyMode, 1, 1), kNormalColor);
  EXPECT_EQ(PixelOf(Control::lblCopyMode, w - 1, h / 2), GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(PixelOf(Control::lblCopyMode, 1, h - 1), GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(PixelOf(Control::lblCopyModeBack, 1, 1), kNormalColor);
  EXPECT_EQ(PixelOf(Control::lblCopyModeBack, 0, 1), GetSysColor(COLOR_WINDOWTEXT));

  form().lblCopyMode_Click();
  EXPECT_EQ(PixelOf(Control::lblCopyMode, 1, 1), kDoukiColor);
  EXPECT_EQ(PixelOf(Control::lblCopyModeBack, 1, 1), kDoukiColor);

  EXPECT_EQ(PixelOf(Control::Label1, 2, 2), RGB(255, 255, 255));
  EXPECT_EQ(PixelOf(Control::Label1, 0, 0), GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(PixelOf(Control::lblProcess, 1, 1), RGB(255, 255, 255)) << "on the white Label3";
}

// The walk's status lines reach the label at most every few hundredths of
// a second, the last one always; the result lines come all at once when the
// list is shown.
TEST_F(Win32WindowTest, StatusAndResultLinesAreFlushedInBatches) {
  LoadAndShow();
  int writes = 0;
  SetWindowSubclass(W(Control::lblProcess), CountSetText, 1, reinterpret_cast<DWORD_PTR>(&writes));
  window().SetVisible(Control::lstResult, false);
  for (int i = 0; i < 2000; ++i) {
    window().SetStatus("コピー中 " + std::to_string(i));
    window().AppendResult("行 " + std::to_string(i));
    window().Yield();
  }
  EXPECT_EQ(Status(), "コピー中 1999");
  EXPECT_EQ(window().ListCount(Control::lstResult), 2000);
  // The walk above took far less than a second: a handful of paints.
  EXPECT_LE(writes, 60);
  window().SetVisible(Control::lstResult, true);
  EXPECT_EQ(SendMessageW(W(Control::lstResult), LB_GETCOUNT, 0, 0), 2000);
  for (int i = 0; i < 20 && ToUtf8(TextOf(W(Control::lblProcess))) != "コピー中 1999"; ++i) {
    Sleep(20);
    Pump();
  }
  EXPECT_EQ(ToUtf8(TextOf(W(Control::lblProcess))), "コピー中 1999");
  // A caption set directly wins over a status still waiting.
  window().SetStatus("古い");
  window().SetCaption(Control::lblProcess, "新しい");
  Sleep(60);
  Pump();
  EXPECT_EQ(ToUtf8(TextOf(W(Control::lblProcess))), "新しい");
  RemoveWindowSubclass(W(Control::lblProcess), CountSetText, 1);
}

// A job's last line names its file; the destination field's double click
// opens the folder that took the copies, the source field's does not.
TEST_F(Win32WindowTest, TheDestinationFieldOpensTheCopies) {
  fs::create_directories(U("元データ/写真"));
  fs::create_directories(U("バックアップ"));
  std::ofstream(U("元データ/写真/海辺の夕焼け.txt")) << "夕焼け";
  LoadAndShow();
  window().Combo(Control::cmbBackMoto).SetText(P(U("元データ")));
  SetWindowTextW(W(Control::cmbBackSaki), ToWide(P(U("バックアップ"))).c_str());
  view_->Click(Control::cmdBackUp);
  EXPECT_NE(view_->LastListLine().find("海辺の夕焼け.txt"), std::string::npos)
      << view_->LastListLine();

  SendMessageW(window().comboEdit(Control::cmbBackSaki), WM_LBUTTONDBLCLK, MK_LBUTTON,
               MAKELPARAM(3, 3));
  ASSERT_EQ(shell().opened.size(), 1u);
  EXPECT_EQ(shell().opened[0], P(U("バックアップ/元データ")) + "\\");
  SendMessageW(window().comboEdit(Control::cmbBackMoto), WM_LBUTTONDBLCLK, MK_LBUTTON,
               MAKELPARAM(3, 3));
  EXPECT_EQ(shell().opened.size(), 1u) << "only the destination field";
  EXPECT_TRUE(boxes().empty());
}

// A held Enter does not click again; a drop on the field's edit counts as
// on the field; a sync job's question answered No copies nothing.
TEST_F(Win32WindowTest, HeldKeysDropsOnTheEditAndTheSyncQuestion) {
  fs::create_directories(U("写真"));
  std::ofstream(U("写真/a.txt")) << "a";
  fs::create_directories(U("保存先"));
  LoadAndShow();
  shell().chosen = P(U("保存先"));
  window().SetFocus(Control::cmdBackSaki);
  MSG repeat{GetFocus(), WM_KEYDOWN, VK_RETURN, LPARAM{1} << 30, 0, {}};
  EXPECT_TRUE(window().PreTranslate(repeat));
  EXPECT_TRUE(shell().prompts.empty());

  view_->Drop(Control::cmbBackMoto, {P(U("写真"))});
  SendMessageW(window().comboEdit(Control::cmbBackSaki), WM_DROPFILES,
               reinterpret_cast<WPARAM>(DropOf({ToWide(P(U("保存先")))})), 0);
  EXPECT_EQ(window().Combo(Control::cmbBackSaki).Text(), P(U("保存先")));
  window().Combo(Control::cmbBackSaki).SetText(P(U("保存先")));
  form().ChangeDouki();
  view_->answers = {BoxAnswer::No};
  window().SetFocus(Control::cmdBackUp);
  Key(VK_RETURN);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_TRUE(boxes()[0].yesNo);
  EXPECT_FALSE(fs::exists(U("保存先/写真/a.txt")));
}

// Another DPI: every rectangle, font and picture follows, and back.
TEST_F(Win32WindowTest, EverythingScalesWithTheDpi) {
  LoadAndShow();
  for (UINT dpi : {144u, 120u, 96u}) {
    SCOPED_TRACE(dpi);
    RECT suggested{};
    GetWindowRect(Main(), &suggested);
    SendMessageW(Main(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(window().dpi(), dpi);
    RECT client{};
    GetClientRect(Main(), &client);
    EXPECT_EQ(client.right, MulDiv(kClientWidth, static_cast<int>(dpi), 96));
    EXPECT_EQ(client.bottom, MulDiv(kClientHeight, static_cast<int>(dpi), 96));
    for (const ControlDesign& d : ControlDesigns()) {
      SCOPED_TRACE(std::string(d.name));
      EXPECT_TRUE(SameRect(Placed(d.control), Designed(d.control, dpi)))
          << Show(Placed(d.control)) << " designed " << Show(Designed(d.control, dpi));
      if (d.font != FontId::Default) {
        EXPECT_EQ(FontOf(W(d.control)).lfHeight,
                  -MulDiv(d.font == FontId::Gothic15 ? 15 : 16, static_cast<int>(dpi), 96));
      }
      if (d.kind == ControlKind::PictureButton && d.control != Control::cmdBackUp) {
        auto* icon =
            reinterpret_cast<HICON>(SendMessageW(W(d.control), BM_GETIMAGE, IMAGE_ICON, 0));
        EXPECT_EQ(IconSize(icon).cx, MulDiv(kIconPictureSize, static_cast<int>(dpi), 96));
      }
    }
    BITMAP bits{};
    GetObjectW(reinterpret_cast<HBITMAP>(
                   SendMessageW(W(Control::cmdBackUp), BM_GETIMAGE, IMAGE_BITMAP, 0)),
               sizeof bits, &bits);
    EXPECT_EQ(bits.bmWidth, MulDiv(kCopyPictureWidth, static_cast<int>(dpi), 96));
    EXPECT_EQ(bits.bmHeight, MulDiv(kCopyPictureHeight, static_cast<int>(dpi), 96));
    EXPECT_EQ(SendMessageW(W(Control::cmbBackSaki), CB_GETDROPPEDWIDTH, 0, 0),
              MulDiv(400, static_cast<int>(dpi), 96));
    // The folder field still lies under its open button, by the scaled overlap.
    POINT edge{Placed(Control::cmdOpenMoto).left, Placed(Control::cmdOpenMoto).top + 5};
    ClientToScreen(Main(), &edge);
    HWND hit = WindowFromPoint(edge);
    EXPECT_EQ(hit, W(Control::cmdOpenMoto));
  }
}

// At 96, 120 and 144 dpi the result label's text, drawn smaller where
// needed, fits the failures and the stop of the widest case (a stopped job
// with 99,999 failed items) in the text area the design gives the label,
// measured with the real font; a clean job brings the design's size back.
TEST_F(Win32WindowTest, TheWidestFailureFitsTheResultLabelAtEveryDpi) {
  fs::create_directories(U("src"));
  std::ofstream(U("src/a.txt")) << "a";
  fs::create_directories(U("dest/src/a.txt"));  // a folder where a file goes
  LoadAndShow();
  window().Combo(Control::cmbBackMoto).SetText(P(U("src")));
  window().Combo(Control::cmbBackSaki).SetText(P(U("dest")));
  view_->Click(Control::cmdBackUp);
  const JobState worst = [] {
    JobState state;
    state.CopiedCount = 1234567;
    state.FailedCount = 99999;
    state.StopFlag = true;
    return state;
  }();
  const std::wstring warnings = ToWide(ResultWarnings(worst));
  window().SetCaption(Control::Label1, ResultCaption(worst));
  for (UINT dpi : {96u, 120u, 144u}) {
    SCOPED_TRACE(dpi);
    RECT suggested{};
    GetWindowRect(Main(), &suggested);
    SendMessageW(Main(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    const int design = MulDiv(15, static_cast<int>(dpi), 96);
    const int pixels = window().LabelTextPixels(Control::Label1);
    EXPECT_LE(pixels, design);
    EXPECT_GE(pixels * 100, design * kWarningFontFloorPercent);
    LOGFONTW font = FontOf(W(Control::Label1));
    font.lfHeight = -pixels;
    HFONT drawn = CreateFontIndirectW(&font);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, drawn);
    SIZE size{};
    GetTextExtentPoint32W(dc, warnings.c_str(), static_cast<int>(warnings.size()), &size);
    SelectObject(dc, old);
    DeleteObject(drawn);
    ReleaseDC(nullptr, dc);
    const RECT designed = Designed(Control::Label1, dpi);
    const int line = std::max(1, MulDiv(1, static_cast<int>(dpi), 96));
    const int room =
        designed.right - designed.left - 2 * line - 2 * MulDiv(1, static_cast<int>(dpi), 96);
    EXPECT_LE(size.cx, room);
  }

  fs::remove_all(U("dest/src/a.txt"));
  view_->Click(Control::cmdBackUp);
  EXPECT_EQ(window().Caption(Control::Label1), "1個のファイルをコピーしました");
  EXPECT_EQ(window().LabelTextPixels(Control::Label1), MulDiv(15, static_cast<int>(Dpi()), 96));
  EXPECT_TRUE(boxes().empty()) << boxes()[0].text;
}

}  // namespace
}  // namespace mirtel::test
