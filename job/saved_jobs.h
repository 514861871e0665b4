// Jobs saved by name for scheduled runs, and the last job the window ran:
// small text files in the user's settings folder that the user may read and
// edit. Keys this version does not know are kept as they are when a file is
// written again.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace mirtel {

// The most copies in flight a saved job may ask for.
inline constexpr int kMaxSavedParallel = 64;

struct SavedJob {
  std::string name;
  std::string source;       // absolute folder
  std::string destination;  // absolute folder; the job copies into its subfolder
  bool sync = false;
  bool forceRemove = false;
  bool countFirst = false;
  int parallel = 0;      // copies in flight at once; 0: as the destination suits
  std::string logFile;   // "" for none
  std::string versions;  // where replaced and removed items are kept; "" for the Trash
  int keepVersions = 0;  // days version folders are kept; 0 for ever
  // The identity of the volume that held the destination when the job was
  // saved ("" when it could not be told).
  std::string destinationVolume;

  bool operator==(const SavedJob&) const = default;
};

// The files, in the folder that holds mirtel.dat (ends in the separator).
std::string SavedJobsPath(const std::string& settingsFolder);
std::string LastJobPath(const std::string& settingsFolder);

// A name a job may have: up to 64 characters, no control characters, no
// quote marks or backslash. "" when it may, otherwise why not.
std::string JobNameProblem(const std::string& name);

// The jobs of the file at `path`, in the file's order; none when it is
// missing. False, with `error` set, when it cannot be read or is not a
// jobs file (the file is then left alone).
bool LoadSavedJobs(FileSystem& fs, const std::string& path, std::vector<SavedJob>& jobs,
                   std::string& error);

// Records `job` under its name, replacing a job of that name. False, with
// `error` set, when the file cannot be read, parsed or written; nothing is
// changed then.
bool StoreSavedJob(FileSystem& fs, const std::string& path, const SavedJob& job,
                   std::string& error);

// Removes the job `name`; `found` tells whether there was one. False, with
// `error` set, as for StoreSavedJob.
bool DeleteSavedJob(FileSystem& fs, const std::string& path, const std::string& name, bool& found,
                    std::string& error);

// The last job the window (or --remember) ran, as a pair of folders (the
// mode is not kept: a removal is asked for each time), in a file of its own. Load: false with
// `error` when there is none or it cannot be read.
bool StoreLastJob(FileSystem& fs, const std::string& path, const SavedJob& job, std::string& error);
bool LoadLastJob(FileSystem& fs, const std::string& path, SavedJob& job, std::string& error);

}  // namespace mirtel
