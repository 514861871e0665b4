// The native window with the real window logic behind it, in this process:
// its controls, menus and keys against the design data, the events it
// forwards, its message boxes, its DPI scaling and one whole copy job.
#include <gtest/gtest.h>

#include "platform/win32/view/win32_window.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "app/copy_modes.h"
#include "app/frm_mirtel.h"
#include "app/res_strings.h"
#include "app/result_display.h"
#include "app/window_design.h"
#include "job/copy_job.h"
#include "platform/native_file_system.h"
#include "platform/win32/view/view_text.h"
#include "platform/win32/win32_ansi_codec.h"
#include "platform/win32/win32_tick_clock.h"

namespace mirtel {
namespace {

namespace fs = std::filesystem;

constexpr UINT kYesNoQuestionNo = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;  // 292

// The shell, recorded: the folder dialog answers what the test says.
class RecordingShell : public Shell {
 public:
  std::optional<std::string> BrowseForFolder(std::string_view prompt) override {
    prompts.emplace_back(prompt);
    return chosen;
  }
  bool OpenFolder(const std::string& path) override {
    opened.push_back(path);
    return true;
  }
  bool ShowHelp(const std::string& path) override {
    helped.push_back(path);
    return true;
  }
  std::optional<std::string> chosen;
  std::vector<std::string> prompts, opened, helped;
};

struct Box {
  std::string text, title;
  UINT type;
  HWND owner;
};

std::wstring Text(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

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

// What Explorer hands a window that files are dropped on.
HGLOBAL DropOf(const std::vector<std::wstring>& paths) {
  std::wstring list;
  for (const std::wstring& path : paths) list += path + L'\0';
  list += L'\0';
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return memory;
}

// Records the system drags the window asks for, and keeps the system out.
LRESULT CALLBACK CatchDrag(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                           DWORD_PTR count) {
  if (message == WM_NCLBUTTONDOWN && wParam == HTCAPTION) {
    ++*reinterpret_cast<int*>(count);
    return 0;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
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
    window_ = std::make_unique<Win32Window>(GetModuleHandleW(nullptr));
    window_->SetMsgBoxFunction(
        [this](HWND owner, const std::wstring& text, const std::wstring& title, UINT type) {
          boxes_.push_back({ToUtf8(text), ToUtf8(title), type, owner});
          if (answers_.empty()) {
            ADD_FAILURE() << "a box nobody expected: " << boxes_.back().text;
            return IDCANCEL;
          }
          const int answer = answers_.front();
          answers_.pop_front();
          return answer;
        });
    fs_ = MakeNativeFileSystem();
    recycler_ = MakeNativeRecycler(*fs_);
    form_ = std::make_unique<FrmMirtel>(AppPlatform{*window_, shell_, *fs_, *recycler_, codec_,
                                                    clock_, P(root_ / "prog") + "\\", ""});
    window_->Connect(*form_);
  }

  void TearDown() override {
    form_.reset();
    window_.reset();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  void LoadAndShow() {
    form_->Form_Load();
    window_->Show();
  }

  static std::string P(fs::path path) {
    const std::u8string s = path.make_preferred().u8string();
    return std::string(s.begin(), s.end());
  }
  fs::path U(std::string_view utf8) const {
    return root_ / fs::path(std::u8string(utf8.begin(), utf8.end()));
  }

  HWND W(Control c) const { return window_->control(c); }
  HWND Main() const { return window_->handle(); }
  UINT Dpi() const { return window_->dpi(); }
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
  std::string Status() { return window_->Caption(Control::lblProcess); }

  // Sends a key through the window's own keyboard handling, as the loop does.
  void Key(UINT key, bool control = false, bool shift = false) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = control ? 0x80 : 0;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
      MSG msg{GetFocus() != nullptr ? GetFocus() : Main(), message, key, 0, 0, {}};
      if (!window_->PreTranslate(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
    keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    Pump();
  }

  void Pump() {
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit_ = true;
        continue;
      }
      if (window_->PreTranslate(msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  // A picture of a label as the window paints it.
  COLORREF PixelOf(Control label, int x, int y) {
    const RECT r = Placed(label);
    HDC screen = GetDC(nullptr);
    HDC canvas = CreateCompatibleDC(screen);
    HBITMAP pixels = CreateCompatibleBitmap(screen, r.right - r.left, r.bottom - r.top);
    HGDIOBJ old = SelectObject(canvas, pixels);
    SendMessageW(W(label), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas), PRF_CLIENT);
    const COLORREF color = GetPixel(canvas, x, y);
    SelectObject(canvas, old);
    DeleteObject(pixels);
    DeleteDC(canvas);
    ReleaseDC(nullptr, screen);
    return color;
  }

  fs::path root_;
  std::unique_ptr<Win32Window> window_;
  RecordingShell shell_;
  std::unique_ptr<FileSystem> fs_;
  std::unique_ptr<Recycler> recycler_;
  Win32AnsiCodec codec_;
  Win32TickClock clock_;
  std::unique_ptr<FrmMirtel> form_;
  std::vector<Box> boxes_;
  std::deque<int> answers_;
  bool quit_ = false;
};

// Every control against the design: class, place, look, font, picture, text.
TEST_F(Win32WindowTest, ControlsAreTheDesignedSystemControls) {
  const UINT dpi = Dpi();
  RECT client{};
  GetClientRect(Main(), &client);
  EXPECT_EQ(client.right, MulDiv(kClientWidth, static_cast<int>(dpi), 96));
  EXPECT_EQ(client.bottom, MulDiv(kClientHeight, static_cast<int>(dpi), 96));
  EXPECT_EQ(ToUtf8(Text(Main())), "簡単フォルダコピーソフト：みるてる");
  const LONG frame = GetWindowLongW(Main(), GWL_STYLE);
  EXPECT_EQ(frame & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0) << "a fixed frame";

  const std::wstring designedFace = ToWide(kGothicFace);
  const std::vector<std::wstring> faces{designedFace, L"MS PGothic", L"Yu Gothic UI", L"Meiryo UI",
                                        L"MS UI Gothic"};
  std::wstring gothic;
  const auto tabs = TabOrder();
  for (const ControlDesign& d : ControlDesigns()) {
    SCOPED_TRACE(std::string(d.name));
    HWND h = W(d.control);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetParent(h), Main());
    EXPECT_EQ(GetDlgCtrlID(h), ControlId(d.control));
    EXPECT_TRUE(SameRect(Placed(d.control), Designed(d.control, dpi)))
        << Show(Placed(d.control)) << " designed " << Show(Designed(d.control, dpi));
    const LONG style = GetWindowLongW(h, GWL_STYLE);
    EXPECT_TRUE((style & WS_VISIBLE) != 0 && IsWindowEnabled(h));
    const bool focusable = std::find(tabs.begin(), tabs.end(), d.control) != tabs.end();
    EXPECT_EQ((style & WS_TABSTOP) != 0, focusable);

    switch (d.kind) {
      case ControlKind::PictureButton: {
        EXPECT_EQ(_wcsicmp(ClassOf(h).c_str(), L"Button"), 0);
        EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON);
        // Its text is its hint, from the string table: not drawn, but read out.
        EXPECT_EQ(ToUtf8(Text(h)), LoadResString(d.hint));
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
        EXPECT_EQ(ToUtf8(Text(h)), d.initialText);
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
        EXPECT_EQ(Text(h), L"");
        break;
    }

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
}

// Tab order, as the dialog manager sees it and as the keys move the focus;
// the stacking where controls overlap, as the mouse finds them.
TEST_F(Win32WindowTest, TabAndStackingFollowTheDesign) {
  LoadAndShow();
  const auto tabs = TabOrder();
  HWND h = GetNextDlgTabItem(Main(), nullptr, FALSE);
  for (Control c : tabs) {
    EXPECT_EQ(h, W(c)) << ControlName(c);
    h = GetNextDlgTabItem(Main(), h, FALSE);
  }
  EXPECT_EQ(h, W(tabs[0])) << "round again";

  EXPECT_EQ(GetFocus(), W(tabs[0])) << "the window opens on the first";
  for (std::size_t i = 1; i <= tabs.size(); ++i) {
    Key(VK_TAB);
    const HWND expected = W(tabs[i % tabs.size()]);
    EXPECT_TRUE(GetFocus() == expected || IsChild(expected, GetFocus()))
        << ControlName(tabs[i % tabs.size()]);
  }
  for (std::size_t i = tabs.size(); i-- > 0;) {
    Key(VK_TAB, false, true);
    EXPECT_TRUE(GetFocus() == W(tabs[i]) || IsChild(W(tabs[i]), GetFocus()))
        << ControlName(tabs[i]);
  }

  // The window order keeps the design's front-to-back order wherever that
  // order shows: between two labels that overlap.
  std::vector<HWND> order;
  for (HWND child = GetWindow(Main(), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    order.push_back(child);
  }
  ASSERT_EQ(order.size(), ControlDesigns().size());
  auto place = [&](Control c) {
    return std::find(order.begin(), order.end(), W(c)) - order.begin();
  };

  const auto designs = ControlDesigns();
  int overlaps = 0;
  for (std::size_t front = 0; front < designs.size(); ++front) {
    for (std::size_t back = front + 1; back < designs.size(); ++back) {
      const RECT a = Designed(designs[front].control, Dpi());
      const RECT b = Designed(designs[back].control, Dpi());
      RECT both{};
      if (IntersectRect(&both, &a, &b) == FALSE) continue;
      ++overlaps;
      SCOPED_TRACE(std::string(designs[front].name) + " over " + std::string(designs[back].name));
      if (designs[front].kind == ControlKind::Label && designs[back].kind == ControlKind::Label) {
        EXPECT_LT(place(designs[front].control), place(designs[back].control));
      }
      // Wherever they overlap, the mouse finds the one in front (there may
      // be a third in front of both).
      for (POINT at : {POINT{both.left, both.top}, POINT{both.right - 1, both.bottom - 1}}) {
        Control expected = designs[front].control;
        for (const ControlDesign& d : designs) {
          const RECT r = Designed(d.control, Dpi());
          if (PtInRect(&r, at) != FALSE) {
            expected = d.control;
            break;
          }
        }
        ClientToScreen(Main(), &at);
        HWND hit = WindowFromPoint(at);
        while (hit != nullptr && GetParent(hit) != Main()) hit = GetParent(hit);
        EXPECT_EQ(hit, W(expected)) << ControlName(expected);
      }
    }
  }
  // The folder fields under the open buttons (three pairs), the open
  // buttons on each other and on Label1, the right-hand column of buttons
  // on each other (one row each), the two text labels on their panels.
  EXPECT_EQ(overlaps, 10);
}

// The menu bar from the design: captions, shortcut keys, check marks; the
// hidden entries are not there at all.
TEST_F(Win32WindowTest, MenusFollowTheDesign) {
  LoadAndShow();
  HMENU bar = GetMenu(Main());
  ASSERT_EQ(bar, window_->menuBar());
  auto caption = [](HMENU menu, int at) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(at), text, 128, MF_BYPOSITION);
    return ToUtf8(text);
  };
  ASSERT_EQ(GetMenuItemCount(bar), 3);
  EXPECT_EQ(caption(bar, 0), "コマンド(&C)");
  EXPECT_EQ(caption(bar, 1), "コピーモード");
  EXPECT_EQ(caption(bar, 2), "ヘルプ(&H)");

  int top = -1;
  int at = 0;
  HMENU submenu = nullptr;
  bool hiddenParent = false;
  for (const MenuDesign& d : MenuDesigns()) {
    SCOPED_TRACE(std::string(d.name));
    if (d.level == 1) {
      hiddenParent = !d.visible;
      if (hiddenParent) continue;
      ++top;
      at = 0;
      submenu = GetSubMenu(bar, top);
      EXPECT_EQ(caption(bar, top), MenuCaption(d));
      continue;
    }
    if (hiddenParent || !d.visible) continue;
    ASSERT_NE(submenu, nullptr);
    const UINT state = GetMenuState(submenu, static_cast<UINT>(at), MF_BYPOSITION);
    if (d.separator) {
      EXPECT_NE(state & MF_SEPARATOR, 0u);
    } else {
      std::string expected = MenuCaption(d);
      if (d.shortcut == Shortcut::CtrlQ) expected += "\tCtrl+Q";
      if (d.shortcut == Shortcut::F1) expected += "\tF1";
      if (d.shortcut == Shortcut::CtrlA) expected += "\tCtrl+A";
      EXPECT_EQ(caption(submenu, at), expected);
      EXPECT_EQ(GetMenuItemID(submenu, at), static_cast<UINT>(MenuId(d.item)));
      EXPECT_EQ((state & MF_CHECKED) != 0, d.checked);
      EXPECT_EQ((state & MF_GRAYED) != 0, !d.enabled);
    }
    ++at;
  }
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < GetMenuItemCount(GetSubMenu(bar, i)); ++j) {
      const std::string text = caption(GetSubMenu(bar, i), j);
      EXPECT_NE(text, "コピーファイルの選択(&F)");
      EXPECT_NE(text, "ゼロファイルイレーサー");
      EXPECT_NE(text, "設定(&O)");
    }
  }

  const int count = CopyAcceleratorTableW(window_->accelerators(), nullptr, 0);
  std::vector<ACCEL> keys(static_cast<std::size_t>(count));
  CopyAcceleratorTableW(window_->accelerators(), keys.data(), count);
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

// Menu commands and shortcut keys reach the logic while their items are
// enabled; the logic owns the check marks.
TEST_F(Win32WindowTest, MenuCommandsAndShortcutKeysRunTheirProcedures) {
  LoadAndShow();
  HMENU modes = GetSubMenu(GetMenu(Main()), 1);
  auto checked = [&](int at) {
    return (GetMenuState(modes, static_cast<UINT>(at), MF_BYPOSITION) & MF_CHECKED) != 0;
  };
  EXPECT_TRUE(checked(0));
  EXPECT_FALSE(checked(1));
  SendMessageW(Main(), WM_COMMAND, static_cast<WPARAM>(MenuId(MenuItem::mnu_Douki)), 0);
  EXPECT_TRUE(form_->DoukiMode());
  EXPECT_FALSE(checked(0));
  EXPECT_TRUE(checked(1));
  EXPECT_EQ(window_->Caption(Control::lblCopyMode), "同期　");
  SendMessageW(Main(), WM_COMMAND, static_cast<WPARAM>(MenuId(MenuItem::Mnu_Normal)), 0);
  EXPECT_FALSE(form_->DoukiMode());
  EXPECT_TRUE(checked(0));
  EXPECT_FALSE(checked(1));

  // Ctrl+A: the version box, from any focused control.
  window_->SetFocus(Control::cmbBackSaki);
  answers_ = {IDOK};
  Key('A', true);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text.rfind("フォルダコピーソフト「みるてる」\r\nバージョン1.1.0\r\n\r\n", 0),
            0u);
  EXPECT_EQ(boxes_[0].title, "mirtel");
  EXPECT_EQ(boxes_[0].type, static_cast<UINT>(MB_OK));
  EXPECT_EQ(boxes_[0].owner, Main());

  // F1: the help beside the program.
  std::ofstream(root_ / "prog" / "Mirtel.html") << "<html></html>";
  Key(VK_F1);
  ASSERT_EQ(shell_.helped.size(), 1u);
  EXPECT_EQ(shell_.helped[0], P(root_ / "prog") + "\\Mirtel.html");

  // During a job the quit command is disabled, and so is its key.
  form_->All_False();
  const UINT end = GetMenuState(GetSubMenu(GetMenu(Main()), 0), 5, MF_BYPOSITION);
  EXPECT_NE(end & MF_GRAYED, 0u);
  EXPECT_FALSE(window_->IsEnabled(MenuItem::mnu_cmd_end));
  Key('Q', true);
  SendMessageW(Main(), WM_COMMAND, static_cast<WPARAM>(MenuId(MenuItem::mnu_cmd_end)), 0);
  EXPECT_EQ(boxes_.size(), 1u) << "no quit question";
  EXPECT_TRUE(window_->IsEnabled(MenuItem::mnu_cmd_copyquit)) << "Stop stays";

  form_->All_True();
  answers_ = {IDNO};
  Key('Q', true);
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[1].text, "みるてるを終了してもいいですか？");
  EXPECT_TRUE(IsWindow(Main()));
  // A hidden entry's command never runs, whoever sends it.
  SendMessageW(Main(), WM_COMMAND, static_cast<WPARAM>(MenuId(MenuItem::mnu_ZeroEraser)), 0);
  EXPECT_TRUE(IsWindowVisible(Main()));
}

// Closing asks the logic; its question comes with the buttons code and
// the title it names, and the answer decides.
TEST_F(Win32WindowTest, ClosingAsksAndTheAnswerDecides) {
  LoadAndShow();
  HWND main = Main();
  answers_ = {IDNO};
  SendMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, "みるてるを終了してもいいですか？");
  EXPECT_EQ(boxes_[0].title, "みるてる終了");
  EXPECT_EQ(boxes_[0].type, kYesNoQuestionNo);
  EXPECT_EQ(boxes_[0].owner, main);
  EXPECT_TRUE(IsWindow(main));

  // The quit button, pressed from the keyboard.
  window_->SetFocus(Control::cmdQuit);
  answers_ = {IDYES};
  Key(VK_RETURN);
  EXPECT_EQ(boxes_.size(), 2u);
  EXPECT_FALSE(IsWindow(main));
  EXPECT_EQ(window_->handle(), nullptr);
  EXPECT_TRUE(quit_) << "the loop ends";
  // The logic may still talk to a window that is gone.
  window_->SetCaption(Control::lblProcess, "x");
  window_->SetEnabled(MenuItem::mnu_cmd_copy, false);
}

// Hints from the controls that have them, and only while they are enabled;
// labels click on release inside them, the drag areas start a system drag.
TEST_F(Win32WindowTest, MouseGivesHintsClicksAndDrags) {
  LoadAndShow();
  const LPARAM inside = MAKELPARAM(2, 2);
  for (const ControlDesign& d : ControlDesigns()) {
    SCOPED_TRACE(std::string(d.name));
    window_->SetCaption(Control::lblProcess, "-");
    SendMessageW(W(d.control), WM_MOUSEMOVE, 0, inside);
    if (d.control == Control::lblCopyMode) {
      EXPECT_EQ(Status(), "コピーモードを表示（クリックすると切り替わります）");
    } else if (d.hint != 0) {
      EXPECT_EQ(Status(), LoadResString(d.hint));
    } else {
      EXPECT_EQ(Status(), "-");
    }
  }
  // A mouse move the system makes up where the pointer stands still (a
  // window appearing or going away under it) shows no hint.
  window_->SetCaption(Control::lblProcess, "-");
  SendMessageW(W(Control::Label2), WM_MOUSEMOVE, 0, inside);
  EXPECT_EQ(Status(), "-");
  // A disabled control passes the mouse to the window, which shows nothing.
  form_->All_False();
  window_->SetCaption(Control::lblProcess, "-");
  POINT over{Placed(Control::cmdBackUp).left + 5, Placed(Control::cmdBackUp).top + 5};
  SendMessageW(Main(), WM_MOUSEMOVE, 0, MAKELPARAM(over.x, over.y));
  SendMessageW(W(Control::cmdBackUp), WM_MOUSEMOVE, 0, inside);
  EXPECT_EQ(Status(), "-");
  SendMessageW(W(Control::cmdStop), WM_MOUSEMOVE, 0, inside);
  EXPECT_EQ(Status(), "コピーを途中で中断します") << "Stop stays enabled";
  form_->All_True();

  // The mode box clicks on release inside it, once for a double click.
  auto press = [&](Control c, UINT down, UINT up, LPARAM release) {
    SendMessageW(W(c), down, down == WM_LBUTTONDOWN ? MK_LBUTTON : 0, inside);
    SendMessageW(W(c), up, 0, release);
  };
  press(Control::lblCopyMode, WM_LBUTTONDOWN, WM_LBUTTONUP, inside);
  EXPECT_TRUE(form_->DoukiMode());
  press(Control::lblCopyMode, WM_LBUTTONDOWN, WM_LBUTTONUP, MAKELPARAM(-20, 2));
  EXPECT_TRUE(form_->DoukiMode()) << "released outside";
  press(Control::lblCopyMode, WM_RBUTTONDOWN, WM_RBUTTONUP, inside);
  EXPECT_TRUE(form_->DoukiMode()) << "right button";
  press(Control::lblCopyModeBack, WM_LBUTTONDOWN, WM_LBUTTONUP, inside);
  EXPECT_FALSE(form_->DoukiMode()) << "the panel around it";
  press(Control::lblCopyMode, WM_LBUTTONDOWN, WM_LBUTTONUP, inside);
  press(Control::lblCopyMode, WM_LBUTTONDBLCLK, WM_LBUTTONUP, inside);
  EXPECT_TRUE(form_->DoukiMode()) << "a double click is one click";

  int drags = 0;
  SetWindowSubclass(Main(), CatchDrag, 1, reinterpret_cast<DWORD_PTR>(&drags));
  for (Control c : {Control::Label1, Control::Label2, Control::Label3, Control::lblProcess,
                    Control::lstResult}) {
    SCOPED_TRACE(std::string(ControlName(c)));
    const int before = drags;
    press(c, WM_RBUTTONDOWN, WM_RBUTTONUP, inside);
    EXPECT_EQ(drags, before);
    press(c, WM_LBUTTONDOWN, WM_LBUTTONUP, inside);
    EXPECT_EQ(drags, before + 1);
  }
  const int before = drags;
  SendMessageW(Main(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(458, 2));
  SendMessageW(Main(), WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(458, 2));
  press(Control::lblCopyMode, WM_LBUTTONDOWN, WM_LBUTTONUP, inside);
  press(Control::lblCopyModeBack, WM_LBUTTONDOWN, WM_LBUTTONUP, inside);
  EXPECT_EQ(drags, before) << "only the left button, only where the design drags";
  SendMessageW(Main(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(458, 2));
  EXPECT_EQ(drags, before + 1) << "the window's background";
  RemoveWindowSubclass(Main(), CatchDrag, 1);

  // The hourglass over the whole window during a job, over the controls too.
  auto pointerOver = [&](HWND h) {
    SendMessageW(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
  };
  const HCURSOR wait = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT));
  window_->SetBusyPointer(true);
  EXPECT_EQ(pointerOver(W(Control::Label1)), wait);
  EXPECT_EQ(pointerOver(W(Control::cmdStop)), wait);
  EXPECT_EQ(pointerOver(Main()), wait);
  window_->SetBusyPointer(false);
  EXPECT_NE(pointerOver(W(Control::Label1)), wait);
  EXPECT_TRUE(boxes_.empty());
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

  form_->lblCopyMode_Click();
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
  window_->SetVisible(Control::lstResult, false);
  for (int i = 0; i < 2000; ++i) {
    window_->SetStatus("コピー中 " + std::to_string(i));
    window_->AppendResult("行 " + std::to_string(i));
    window_->Yield();
  }
  EXPECT_EQ(Status(), "コピー中 1999");
  EXPECT_EQ(window_->ListCount(Control::lstResult), 2000);
  // The walk above took far less than a second: a handful of paints.
  EXPECT_LE(writes, 60);
  window_->SetVisible(Control::lstResult, true);
  EXPECT_EQ(SendMessageW(W(Control::lstResult), LB_GETCOUNT, 0, 0), 2000);
  for (int i = 0; i < 20 && ToUtf8(Text(W(Control::lblProcess))) != "コピー中 1999"; ++i) {
    Sleep(20);
    Pump();
  }
  EXPECT_EQ(ToUtf8(Text(W(Control::lblProcess))), "コピー中 1999");
  // A caption set directly wins over a status still waiting.
  window_->SetStatus("古い");
  window_->SetCaption(Control::lblProcess, "新しい");
  Sleep(60);
  Pump();
  EXPECT_EQ(ToUtf8(Text(W(Control::lblProcess))), "新しい");
  RemoveWindowSubclass(W(Control::lblProcess), CountSetText, 1);
}

// One whole job from a press of the copy button: the file is copied, the
// result line and the time are shown, the window is idle again, and the
// destination field's double click opens the folder that took the copies.
TEST_F(Win32WindowTest, CopyButtonRunsAJob) {
  fs::create_directories(U("元データ/写真"));
  fs::create_directories(U("バックアップ"));
  std::ofstream(U("元データ/写真/海辺の夕焼け.txt")) << "夕焼け";
  LoadAndShow();
  window_->Combo(Control::cmbBackMoto).SetText(P(U("元データ")));
  SetWindowTextW(W(Control::cmbBackSaki), ToWide(P(U("バックアップ"))).c_str());

  SendMessageW(W(Control::cmdBackUp), BM_CLICK, 0, 0);

  EXPECT_TRUE(boxes_.empty()) << boxes_[0].text;
  std::ifstream copied(U("バックアップ/元データ/写真/海辺の夕焼け.txt"));
  std::string content;
  std::getline(copied, content);
  EXPECT_EQ(content, "夕焼け");
  EXPECT_EQ(window_->Caption(Control::Label1), "1個のファイルをコピーしました");
  EXPECT_TRUE(std::regex_match(window_->Caption(Control::Label2), std::regex(R"(\s*\d+\.\d{4}秒)")))
      << window_->Caption(Control::Label2);
  EXPECT_TRUE(IsWindowVisible(W(Control::lstResult)));
  const LRESULT lines = SendMessageW(W(Control::lstResult), LB_GETCOUNT, 0, 0);
  ASSERT_GE(lines, 1);
  std::wstring line(static_cast<std::size_t>(SendMessageW(W(Control::lstResult), LB_GETTEXTLEN,
                                                          static_cast<WPARAM>(lines - 1), 0)) +
                        1,
                    L'\0');
  SendMessageW(W(Control::lstResult), LB_GETTEXT, static_cast<WPARAM>(lines - 1),
               reinterpret_cast<LPARAM>(line.data()));
  EXPECT_NE(ToUtf8(line).find("海辺の夕焼け.txt"), std::string::npos) << ToUtf8(line);
  for (const ControlDesign& d : ControlDesigns())
    EXPECT_TRUE(IsWindowEnabled(W(d.control))) << d.name;
  EXPECT_TRUE(window_->IsEnabled(MenuItem::mnu_cmd_copy));
  EXPECT_EQ(SendMessageW(W(Control::cmbBackMoto), CB_GETCOUNT, 0, 0), 1) << "the history";

  SendMessageW(window_->comboEdit(Control::cmbBackSaki), WM_LBUTTONDBLCLK, MK_LBUTTON,
               MAKELPARAM(3, 3));
  ASSERT_EQ(shell_.opened.size(), 1u);
  EXPECT_EQ(shell_.opened[0], P(U("バックアップ/元データ")) + "\\");
  SendMessageW(window_->comboEdit(Control::cmbBackMoto), WM_LBUTTONDBLCLK, MK_LBUTTON,
               MAKELPARAM(3, 3));
  EXPECT_EQ(shell_.opened.size(), 1u) << "only the destination field";
}

// Enter and Space click the focused button; the folder it chooses lands in
// the field. A sync job's question answered No copies nothing.
TEST_F(Win32WindowTest, KeysClickTheFocusedButtonAndBoxesAnswer) {
  LoadAndShow();
  EXPECT_EQ(SendMessageW(W(Control::cmbBackMoto), CB_GETDROPPEDWIDTH, 0, 0),
            MulDiv(400, static_cast<int>(Dpi()), 96));
  shell_.chosen = P(U("写真"));
  window_->SetFocus(Control::cmdBackMoto);
  Key(VK_RETURN);
  ASSERT_EQ(shell_.prompts.size(), 1u);
  EXPECT_EQ(shell_.prompts[0], "フォルダの選択");
  EXPECT_EQ(window_->Combo(Control::cmbBackMoto).Text(), P(U("写真")));
  window_->SetFocus(Control::cmdBackSaki);
  shell_.chosen = P(U("保存先"));
  Key(VK_SPACE);
  EXPECT_EQ(shell_.prompts.size(), 2u);
  EXPECT_EQ(window_->Combo(Control::cmbBackSaki).Text(), P(U("保存先")));
  // A held Enter does not click again.
  MSG repeat{GetFocus(), WM_KEYDOWN, VK_RETURN, LPARAM{1} << 30, 0, {}};
  EXPECT_TRUE(window_->PreTranslate(repeat));
  EXPECT_EQ(shell_.prompts.size(), 2u);
  shell_.chosen.reset();
  Key(VK_RETURN);
  EXPECT_EQ(window_->Combo(Control::cmbBackSaki).Text(), P(U("保存先"))) << "cancelled";

  fs::create_directories(U("写真"));
  std::ofstream(U("写真/a.txt")) << "a";
  fs::create_directories(U("保存先"));
  form_->ChangeDouki();
  answers_ = {IDNO};
  window_->SetFocus(Control::cmdBackUp);
  Key(VK_RETURN);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
  EXPECT_FALSE(fs::exists(U("保存先/写真/a.txt")));
}

// A folder dropped from Explorer on a folder field, or on its edit, is
// taken as the folder dialog's choice; a file or two folders change nothing.
TEST_F(Win32WindowTest, FolderDroppedOnAFieldIsTakenAsChosen) {
  fs::create_directories(U("写真/2024年"));
  std::ofstream(U("写真/メモ.txt")) << "メモ";
  LoadAndShow();
  auto drop = [&](HWND target, const std::vector<fs::path>& paths) {
    std::vector<std::wstring> wide;
    for (const fs::path& path : paths) wide.push_back(ToWide(P(path)));
    // The window frees the drop.
    SendMessageW(target, WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf(wide)), 0);
  };
  ComboBox& moto = window_->Combo(Control::cmbBackMoto);
  drop(W(Control::cmbBackMoto), {U("写真/2024年")});
  EXPECT_EQ(moto.Text(), P(U("写真/2024年")));
  EXPECT_EQ(moto.ListCount(), 1);
  drop(W(Control::cmbBackMoto), {U("写真/メモ.txt")});
  drop(window_->comboEdit(Control::cmbBackMoto), {U("写真"), U("写真/2024年")});
  EXPECT_EQ(moto.Text(), P(U("写真/2024年")));
  EXPECT_EQ(moto.ListCount(), 1);
  drop(window_->comboEdit(Control::cmbBackSaki), {U("写真")});
  EXPECT_EQ(window_->Combo(Control::cmbBackSaki).Text(), P(U("写真")));
  for (const ControlDesign& d : ControlDesigns()) {
    const LONG exStyle = GetWindowLongW(W(d.control), GWL_EXSTYLE);
    EXPECT_EQ((exStyle & WS_EX_ACCEPTFILES) != 0, d.kind == ControlKind::ComboBox) << d.name;
  }
  EXPECT_TRUE(boxes_.empty());
}

// Another DPI: every rectangle, font and picture follows, and back.
TEST_F(Win32WindowTest, EverythingScalesWithTheDpi) {
  LoadAndShow();
  for (UINT dpi : {144u, 120u, 96u}) {
    SCOPED_TRACE(dpi);
    RECT suggested{};
    GetWindowRect(Main(), &suggested);
    SendMessageW(Main(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(window_->dpi(), dpi);
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

// A failed job says so first, in the warning colour, with the whole line as
// the label's tooltip and the list's last line, and the list scrolls
// sideways. At 96, 120 and 144 dpi the label's text, drawn smaller where
// needed, fits the failures and the stop of the widest case (a stopped job
// with 99,999 failed items) in the text area the design gives the label,
// measured with the real font.
TEST_F(Win32WindowTest, AFailedJobIsReadableInTheResultLabelAtEveryDpi) {
  fs::create_directories(U("src"));
  std::ofstream(U("src/a.txt")) << "a";
  std::ofstream(U("src/b.txt")) << "b";
  fs::create_directories(U("dest/src/a.txt"));  // a folder where a file goes
  LoadAndShow();
  window_->Combo(Control::cmbBackMoto).SetText(P(U("src")));
  window_->Combo(Control::cmbBackSaki).SetText(P(U("dest")));
  SendMessageW(W(Control::cmdBackUp), BM_CLICK, 0, 0);
  Pump();

  const std::string whole = "1個のファイルをコピーしました（失敗 1件）";
  EXPECT_EQ(window_->Caption(Control::Label1), "（失敗 1件）1個のファイルをコピーしました");
  HWND list = W(Control::lstResult);
  const LRESULT lines = SendMessageW(list, LB_GETCOUNT, 0, 0);
  ASSERT_GE(lines, 1);
  std::wstring last(static_cast<std::size_t>(
                        SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(lines - 1), 0)) +
                        1,
                    L'\0');
  SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(lines - 1),
               reinterpret_cast<LPARAM>(last.data()));
  EXPECT_EQ(ToUtf8(last.c_str()), whole);
  RECT listArea{};
  GetClientRect(list, &listArea);
  EXPECT_NE(GetWindowLongW(list, GWL_STYLE) & WS_HSCROLL, 0);
  EXPECT_GT(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), listArea.right);

  // The tooltip of the label holds the whole line.
  HWND tip = nullptr;
  while ((tip = FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr)) != nullptr) {
    if (GetWindow(tip, GW_OWNER) == Main()) break;
  }
  ASSERT_NE(tip, nullptr);
  wchar_t text[256] = {};
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = Main();
  tool.uId = reinterpret_cast<UINT_PTR>(W(Control::Label1));
  tool.lpszText = text;
  SendMessageW(tip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
  EXPECT_EQ(ToUtf8(text), whole);

  // The text is drawn in the warning colour.
  const RECT area = Placed(Control::Label1);
  int reddish = 0;
  for (int x = 2; x < area.right - area.left - 2; x += 1) {
    for (int y = 2; y < area.bottom - area.top - 2; y += 2) {
      const COLORREF c = PixelOf(Control::Label1, x, y);
      if (GetRValue(c) > 120 && GetGValue(c) < 90 && GetBValue(c) < 90) ++reddish;
    }
    if (reddish > 0) break;
  }
  EXPECT_GT(reddish, 0);

  const JobState worst = [] {
    JobState state;
    state.CopiedCount = 1234567;
    state.FailedCount = 99999;
    state.StopFlag = true;
    return state;
  }();
  const std::wstring warnings = ToWide(ResultWarnings(worst));
  window_->SetCaption(Control::Label1, ResultCaption(worst));
  for (UINT dpi : {96u, 120u, 144u}) {
    SCOPED_TRACE(dpi);
    RECT suggested{};
    GetWindowRect(Main(), &suggested);
    SendMessageW(Main(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    const int design = MulDiv(15, static_cast<int>(dpi), 96);
    const int pixels = window_->LabelTextPixels(Control::Label1);
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

  // The clean job that follows leaves nothing of the warning.
  fs::remove_all(U("dest/src/a.txt"));
  SendMessageW(W(Control::cmdBackUp), BM_CLICK, 0, 0);
  EXPECT_EQ(window_->Caption(Control::Label1), "1個のファイルをコピーしました");
  EXPECT_EQ(window_->LabelTextPixels(Control::Label1), MulDiv(15, static_cast<int>(Dpi()), 96));
  EXPECT_TRUE(boxes_.empty()) << boxes_[0].text;
}

}  // namespace
}  // namespace mirtel
