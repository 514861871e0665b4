// Where mirtel.dat (and the files beside it) live: beside the program only
// for a portable copy, otherwise in the user's own settings folder, so that
// no two users ever share one history.
#pragma once

#include <string>

#include "platform/file_system.h"
#include "platform/program_folder.h"

namespace mirtel {

std::string ChooseSettingsFolder(FileSystem& fs, const std::string& programFolder,
                                 const std::string& userFolder, ProgramFolderUse use);

// Makes `folder` and the folders above it that are missing.
void MakeFolders(FileSystem& fs, const std::string& folder);

}  // namespace mirtel
