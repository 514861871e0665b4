// Pieces the copy walk and the sync walk share.
#pragma once

#include <cstdint>
#include <string>

#include "engine/job_state.h"
#include "engine/path_helpers.h"
#include "platform/file_system.h"

namespace mirtel::walk {

inline constexpr const char* kAllEntries = "*.*";

// The part of `folder` below the walked root (empty at the root itself).
inline std::string Relative(const std::string& folder, const JobState& state) {
  const auto root = static_cast<std::size_t>(state.RootLength < 0 ? 0 : state.RootLength);
  return root < folder.size() ? folder.substr(root) : std::string();
}

inline bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

// True when `folder` is `inner` or one of the folders above it.
bool Encloses(const std::string& folder, const std::string& inner);

}  // namespace mirtel::walk
