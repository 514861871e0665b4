// The menu bar and its shortcut keys, from the design's menu tree. Hidden
// entries are never put in: they can be neither seen nor reached.
#include "platform/win32/view/win32_window.h"

#include <vector>

#include "app/window_design.h"
#include "platform/win32/view/view_text.h"

namespace mirtel {

namespace {

const wchar_t* ShortcutText(Shortcut key) {
  switch (key) {
    case Shortcut::CtrlQ:
      return L"Ctrl+Q";
    case Shortcut::F1:
      return L"F1";
    case Shortcut::CtrlA:
      return L"Ctrl+A";
    case Shortcut::None:
      break;
  }
  return nullptr;
}

bool HasSubmenu(std::span<const MenuDesign> menus, std::size_t at) {
  return at + 1 < menus.size() && menus[at + 1].level == 2;
}

}  // namespace

void Win32Window::BuildMenuBar() {
  HMENU bar = CreateMenu();
  HMENU submenu = nullptr;
  menuParent_.fill(nullptr);
  const auto menus = MenuDesigns();
  for (std::size_t at = 0; at < menus.size(); ++at) {
    const MenuDesign& d = menus[at];
    const auto i = static_cast<std::size_t>(Index(d.item));
    if (d.level == 1) submenu = nullptr;
    if (!menuVisible_[i] || (d.level == 2 && submenu == nullptr)) continue;
    HMENU parent = d.level == 1 ? bar : submenu;
    const UINT state =
        (menuEnabled_[i] ? MF_ENABLED : MF_GRAYED) | (menuChecked_[i] ? MF_CHECKED : MF_UNCHECKED);
    std::wstring caption = ToWide(MenuCaption(d));
    if (const wchar_t* key = ShortcutText(d.shortcut)) caption += std::wstring(L"\t") + key;
    if (d.separator) {
      AppendMenuW(parent, MF_SEPARATOR, 0, nullptr);
    } else if (d.level == 1 && HasSubmenu(menus, at)) {
      submenu = CreatePopupMenu();
      AppendMenuW(parent, MF_STRING | MF_POPUP | state, reinterpret_cast<UINT_PTR>(submenu),
                  caption.c_str());
    } else {
      AppendMenuW(parent, MF_STRING | state, static_cast<UINT_PTR>(MenuId(d.item)),
                  caption.c_str());
    }
    menuParent_[i] = parent;
    menuPosition_[i] = static_cast<UINT>(GetMenuItemCount(parent) - 1);
  }
  HMENU old = GetMenu(hwnd_);
  SetMenu(hwnd_, bar);
  if (old != nullptr) DestroyMenu(old);
  menuBar_ = bar;
  DrawMenuBar(hwnd_);
}

void Win32Window::BuildAccelerators() {
  std::vector<ACCEL> keys;
  for (const MenuDesign& d : MenuDesigns()) {
    const auto command = static_cast<WORD>(MenuId(d.item));
    switch (d.shortcut) {
      case Shortcut::CtrlQ:
        keys.push_back({FVIRTKEY | FCONTROL, 'Q', command});
        break;
      case Shortcut::F1:
        keys.push_back({FVIRTKEY, VK_F1, command});
        break;
      case Shortcut::CtrlA:
        keys.push_back({FVIRTKEY | FCONTROL, 'A', command});
        break;
      case Shortcut::None:
        break;
    }
  }
  accelerators_ = CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));
}

// Shown, enabled, and on a shown and enabled menu.
bool Win32Window::MenuReachable(MenuItem item) const {
  const auto menus = MenuDesigns();
  const MenuDesign* top = nullptr;
  for (const MenuDesign& d : menus) {
    if (d.level == 1) top = &d;
    if (d.item != item) continue;
    const auto i = static_cast<std::size_t>(Index(item));
    if (!menuVisible_[i] || !menuEnabled_[i] || menuParent_[i] == nullptr) return false;
    if (d.level == 1 || top == nullptr) return true;
    const auto t = static_cast<std::size_t>(Index(top->item));
    return menuVisible_[t] && menuEnabled_[t];
  }
  return false;
}

void Win32Window::SetEnabled(MenuItem item, bool enabled) {
  const auto i = static_cast<std::size_t>(Index(item));
  menuEnabled_[i] = enabled;
  if (menuParent_[i] == nullptr) return;
  EnableMenuItem(menuParent_[i], menuPosition_[i],
                 MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
  DrawMenuBar(hwnd_);
}

bool Win32Window::IsEnabled(MenuItem item) {
  return menuEnabled_[static_cast<std::size_t>(Index(item))];
}

// The logic owns the check marks: a click on the item checks nothing itself.
void Win32Window::SetChecked(MenuItem item, bool checked) {
  const auto i = static_cast<std::size_t>(Index(item));
  menuChecked_[i] = checked;
  if (menuParent_[i] == nullptr) return;
  CheckMenuItem(menuParent_[i], menuPosition_[i],
                MF_BYPOSITION | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void Win32Window::SetVisible(MenuItem item, bool visible) {
  const auto i = static_cast<std::size_t>(Index(item));
  if (menuVisible_[i] == visible) return;
  menuVisible_[i] = visible;
  if (hwnd_ != nullptr) BuildMenuBar();
}

}  // namespace mirtel
