// How the window shows the two copy modes.
#pragma once

#include <string_view>

#include "platform/window.h"

namespace mirtel {

// Two kanji and an ideographic space (U+3000) each.
inline constexpr ColorRef kNormalColor = 0x00FFFF00;  // cyan
inline constexpr ColorRef kDoukiColor = 0x000000FF;   // red

}  // namespace mirtel
