// Where mirtel.dat lives: beside the program for a portable install (the
// file is already there, or the folder takes it), otherwise in the user's
// own settings folder, so that a program installed in a folder the user
// cannot write still keeps its history.
#pragma once

#include <string>

#include "platform/file_system.h"

namespace mirtel {

std::string ChooseSettingsFolder(FileSystem& fs, const std::string& programFolder,
                                 const std::string& userFolder, bool programFolderWritable);

// Makes `folder` and the folders above it that are missing.
void MakeFolders(FileSystem& fs, const std::string& folder);

}  // namespace mirtel
