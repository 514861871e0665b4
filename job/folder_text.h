// Folder texts made absolute: a job that is recorded and run again later, or
// from another folder (cron starts in the home folder), must name the same
// folders.
#pragma once

#include <string>

namespace mirtel {

// An absolute folder path without a trailing separator (the root keeps its
// own), so "." and "src/" name their folder as a typed path would. Empty
// stays empty.
std::string NormaliseFolderArg(const std::string& path);

// A folder text as the window records it: an absolute text exactly as it
// stands, a relative one made absolute against the current folder.
std::string AbsoluteFolderText(const std::string& text);

}  // namespace mirtel
