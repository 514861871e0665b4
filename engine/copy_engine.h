// The copy walk, the sync pruning and the destination subfolder of a job.
#pragma once

#include <cstdint>
#include <string>

#include "engine/job_state.h"
#include "platform/file_system.h"
#include "platform/recycler.h"
#include "platform/walk_view.h"

namespace mirtel {

// Shell file-operation codes and flags used by the sync walk.
inline constexpr std::int32_t kFoDelete = 3;
inline constexpr std::uint16_t kFofSilent = 0x04;
inline constexpr std::uint16_t kFofNoConfirmation = 0x10;
inline constexpr std::uint16_t kFofAllowUndo = 0x40;
inline constexpr std::uint16_t kSyncDeleteFlags = kFofAllowUndo | kFofNoConfirmation | kFofSilent;

class CopyEngine {
 public:
  CopyEngine(FileSystem& fs, Recycler& recycler, WalkView& view, JobState& state)
      : fs_(fs), recycler_(recycler), view_(view), state_(state) {}

  // Points SakiFolder into a subfolder named after the source folder and
  // makes it (a failure to make it is left to the caller's check).
  void MakeSakiFolder();

  // Brings the destination up to date with source folder `folder` and
  // everything below it. RootLength must be the length of MotoFolder.
  void FolderCopy(const std::string& folder);

  // Moves to the Recycle Bin / Trash what destination folder `folder` holds
  // that `motoRoot` no longer has. RootLength must be the length of
  // SakiFolder.
  void StartSync(const std::string& folder, const std::string& motoRoot);

  // The shell file operation on one item; returns false (after telling the
  // user) when the item did not go.
  bool FileCopySub(const std::string& from, const std::string& to, std::int32_t operation,
                   std::uint16_t flags);

 private:
  FileSystem& fs_;
  Recycler& recycler_;
  WalkView& view_;
  JobState& state_;
};

}  // namespace mirtel
