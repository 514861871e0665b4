// The catalogue's rows, for the checks that walk every message.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "text/message.h"

namespace mirtel {

struct CatalogueEntry {
  Msg key;
  std::string_view japanese;
  std::string_view english;
};

std::span<const CatalogueEntry> Catalogue();

// Which of {1}..{9} a text holds, as bits 1..9.
constexpr unsigned PlaceholdersOf(std::string_view text) {
  unsigned found = 0;
  for (std::size_t i = 0; i + 2 < text.size(); ++i) {
    if (text[i] == '{' && text[i + 1] >= '1' && text[i + 1] <= '9' && text[i + 2] == '}') {
      found |= 1u << (text[i + 1] - '0');
    }
  }
  return found;
}

}  // namespace mirtel
