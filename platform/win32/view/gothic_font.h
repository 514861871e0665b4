// The design's fonts as GDI fonts: "ＭＳ Ｐゴシック" where the system has it,
// otherwise a Japanese UI face it has; the default font is the system's
// message font.
#pragma once

#include <string>

#include "app/window_design.h"
#include "platform/win32/view/view_api.h"

namespace mirtel {

// The first of "ＭＳ Ｐゴシック", its English name "MS PGothic", "Yu Gothic UI",
// "Meiryo UI" and "MS UI Gothic" that the system lists with Japanese
// characters; "ＭＳ Ｐゴシック" itself when it lists none (the font mapper then
// picks the nearest).
std::wstring GothicFace();

// The LOGFONT of `font` at `dpi`: pixel heights are character heights, as a
// point size gives them.
LOGFONTW DesignFont(FontId font, UINT dpi);

}  // namespace mirtel
