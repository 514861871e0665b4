#include "platform/win32/view/button_pictures.h"

#include "app/window_design.h"
#include "platform/win32/view/view_text.h"

namespace mirtel {

std::wstring PictureResource(std::string_view picture) {
  std::wstring name = L"PICTURE_";
  for (char c : picture) name += static_cast<wchar_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return name;
}

HICON LoadPictureIcon(HINSTANCE instance, const std::wstring& resource, int size) {
  return static_cast<HICON>(
      LoadImageW(instance, resource.c_str(), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

HBITMAP LoadCopyPicture(HINSTANCE instance, std::string_view picture, int width, int height) {
  const std::wstring plain = PictureResource(picture);
  if (width == kCopyPictureWidth && height == kCopyPictureHeight) {
    return static_cast<HBITMAP>(
        LoadImageW(instance, plain.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  }
  const std::wstring source = width > kCopyPictureWidth ? plain + L"_2X" : plain;
  auto* original = static_cast<HBITMAP>(
      LoadImageW(instance, source.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (original == nullptr) return nullptr;
  BITMAP size{};
  GetObjectW(original, sizeof size, &size);

  HDC screen = GetDC(nullptr);
  HDC from = CreateCompatibleDC(screen);
  HDC to = CreateCompatibleDC(screen);
  HBITMAP scaled = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ oldFrom = SelectObject(from, original);
  HGDIOBJ oldTo = SelectObject(to, scaled);
  SetStretchBltMode(to, HALFTONE);
  SetBrushOrgEx(to, 0, 0, nullptr);
  StretchBlt(to, 0, 0, width, height, from, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
  SelectObject(from, oldFrom);
  SelectObject(to, oldTo);
  DeleteDC(from);
  DeleteDC(to);
  ReleaseDC(nullptr, screen);
  DeleteObject(original);
  return scaled;
}

}  // namespace mirtel
