// The buttons' pictures and the window icon, from the program's resources,
// at the size a DPI asks for.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32/view/view_api.h"

namespace mirtel {

// The resource name of a design picture: "folder_up" is PICTURE_FOLDER_UP.
// The window icon is MIRTEL, first among the icons, so that the shell shows
// it for the file.
std::wstring PictureResource(std::string_view picture);
inline constexpr const wchar_t* kWindowIconResource = L"MIRTEL";

// An icon of `size` × `size` pixels (the nearest image, scaled); null when
// the resource is missing.
HICON LoadPictureIcon(HINSTANCE instance, const std::wstring& resource, int size);

// The copy button's picture at `width` × `height`: the bitmap converted from
// the GIF at its own size, otherwise scaled from the nearer of it and its
// double-size rendering.
HBITMAP LoadCopyPicture(HINSTANCE instance, std::string_view picture, int width, int height);

}  // namespace mirtel
