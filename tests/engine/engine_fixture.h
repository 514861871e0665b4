// The walks on the real file system, in a scratch folder with a source
// "moto" and a destination "saki"; removals go to a bin of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/copy_engine.h"
#include "engine/job_roots.h"
#include "engine/job_state.h"
#include "platform/native_file_system.h"
#include "platform/native_path.h"
#include "tests/fakes/bin_recycler.h"
#include "tests/fakes/recording_walk_view.h"
#include "tests/fakes/scratch_folder.h"

namespace mirtel {

inline int CountOf(const std::vector<std::string>& lines, std::string_view text) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), text));
}

inline const std::string kSep(1, kPathSeparator);

class EngineTest : public ::testing::Test {
 protected:
  EngineTest()
      : fs_(MakeNativeFileSystem()),
        recycler_(tmp_.N("bin")),
        engine_(*fs_, recycler_, view_, state_) {
    tmp_.Dir("moto");
    tmp_.Dir("saki");
  }

  // One copy walk as the job driver runs it.
  void Copy() {
    state_.MotoFolder = tmp_.P("moto") + kSep;
    state_.SakiFolder = tmp_.P("saki") + kSep;
    state_.CopiedCount = 0;
    state_.FoundFile = false;
    RecordRoots(*fs_, state_);
    engine_.FolderCopy(state_.MotoFolder);
  }

  // The sync walk that follows it.
  void Sync() {
    state_.MotoFolder = tmp_.P("moto") + kSep;
    state_.SakiFolder = tmp_.P("saki") + kSep;
    RecordRoots(*fs_, state_);
    engine_.StartSync(state_.SakiFolder, state_.MotoFolder);
  }

  // Forgets what the last walk showed.
  void ClearView() {
    view_.statuses.clear();
    view_.results.clear();
    view_.boxes.clear();
  }

  ScratchFolder tmp_;
  std::unique_ptr<FileSystem> fs_;
  BinRecycler recycler_;
  RecordingWalkView view_;
  JobState state_;
  CopyEngine engine_;
};

}  // namespace mirtel
