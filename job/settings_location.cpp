#include "job/settings_location.h"

#include "engine/job_roots.h"
#include "engine/path_helpers.h"

namespace mirtel {

std::string ChooseSettingsFolder(FileSystem& fs, const std::string& programFolder,
                                 const std::string& userFolder, ProgramFolderUse use) {
  switch (use) {
    case ProgramFolderUse::Never:
      return userFolder;
    case ProgramFolderUse::IfThere:
      return ChkExist(fs, programFolder + "mirtel.dat") ? programFolder : userFolder;
    case ProgramFolderUse::Portable:
      return programFolder;
  }
  return userFolder;
}

void MakeFolders(FileSystem& fs, const std::string& folder) {
  if (folder.empty() || ChkExist(fs, folder)) return;
  MakeFolders(fs, ParentFolder(folder));
  try {
    fs.MakeFolder(folder);
  } catch (const FsError& e) {
    if (e.kind() != FsErrorKind::AlreadyExists) throw;
  }
}

}  // namespace mirtel
