// The real-tree jobs onto the volumes backups go to, each mounted through
// its FUSE driver from an image file: a first copy, a sync after changes
// (with names renamed in letter case only) and a sync with nothing to do,
// judged by the oracle with what it learned of the volume itself. A volume
// that cannot be mounted here is passed over with a line saying why.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <exception>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <set>
#include <thread>
#include <vector>

#include "platform/native_file_system.h"
#include "platform/posix/trash_recycler.h"
#include "tests/realtrees/fuse_volume.h"
#include "tests/realtrees/seed_run.h"

namespace mirtel::realtrees {
namespace {

std::string VolumeFolder() {
  const char* folder = std::getenv("MIRTEL_VOLUME_FOLDER");
  return folder != nullptr && *folder != '\0' ? folder : MakeScratch("volumes");
}

TEST(RealTreesOnVolumes, CopyThenSyncMatchTheOracle) {
  const std::string folder = VolumeFolder();
  const int seed = EnvNumber("MIRTEL_VOLUME_SEED", 7);
  int ran = 0;
  for (const VolumeKind kind :
       {VolumeKind::ExFat, VolumeKind::Ntfs, VolumeKind::NtfsIgnoreCase, VolumeKind::Fat}) {
    FuseVolume volume(kind, folder);
    if (!volume.mounted()) {
      std::cout << "[ SKIPPED  ] " << VolumeName(kind) << ": " << volume.why() << "\n";
      continue;
    }
    const Platform platform = volume.Learn();
    if (platform.destTimeStep == 0) {
      // No backup can be kept there: every file would look changed.
      std::cout << "[ SKIPPED  ] " << VolumeName(kind)
                << ": its driver does not keep the times and folders it is given,"
                   " nor any name beyond ASCII\n";
      continue;
    }
    std::cout << VolumeName(kind) << ": " << (platform.destFoldsCase ? "ignores" : "keeps")
              << " case, time step " << platform.destTimeStep << " ns, "
              << (platform.destModes ? "keeps" : "no") << " modes\n";
    // Its driver serves one call at a time: a couple of copies in flight,
    // not a share's many.
    EXPECT_EQ(MakeNativeFileSystem()->CopiesInFlight(volume.top() + "/"), 2) << VolumeName(kind);
    const PlatformOverride onVolume(platform);
    SeedRun run(seed, SmallProfile(), volume.top());
    try {
      run.Run();
    } catch (const std::exception& e) {
      ADD_FAILURE() << VolumeName(kind) << ": the test itself could not go on: " << e.what();
    }
    ++ran;
  }
  if (ran == 0) GTEST_SKIP() << "no volume could be mounted here";
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A USB disk's driver cannot rename without replacing, so the Trash there
// must keep its names apart itself: after a first item (which shows that),
// items of one name moved at once, on workers as a sync moves them, next to
// a leftover of that name whose info file is gone. Nothing in the Trash is
// replaced, and every item arrives.
TEST(RealTreesOnVolumes, TheTrashOfAVolumeThatRenamesPlainlyReplacesNothing) {
  FuseVolume volume(VolumeKind::ExFat, VolumeFolder() + "/trash");
  if (!volume.mounted()) GTEST_SKIP() << "exFAT: " << volume.why();
  const std::string trash = volume.top() + "/.Trash-" + std::to_string(::getuid());
  MakeFolder(trash, 0700);
  MakeFolder(trash + "/files", 0700);
  MakeFolder(trash + "/info", 0700);
  WriteFile(trash + "/files/report.txt.2", "leftover", 0600);
  std::vector<std::function<void()>> moves;
  TrashRecycler recycler;
  for (const char* folder : {"w1", "w2", "w3", "w4"}) {
    MakeFolder(Join(volume.top(), folder), 0755);
    WriteFile(Join(volume.top(), std::string(folder) + "/report.txt"), folder, 0644);
    moves.push_back(recycler.MoveLater(Join(volume.top(), std::string(folder) + "/report.txt")));
  }
  moves.front()();
  std::vector<std::thread> workers;
  for (auto move = moves.begin() + 1; move != moves.end(); ++move) workers.emplace_back(*move);
  for (auto& worker : workers) worker.join();

  EXPECT_EQ(Read(trash + "/files/report.txt.2"), "leftover");
  EXPECT_EQ(LookAt(trash + "/info/report.txt.2.trashinfo").kind, Kind::Missing);
  std::set<std::string> arrived;
  for (const char* name : {"report.txt", "report.txt.3", "report.txt.4", "report.txt.5"}) {
    arrived.insert(Read(trash + "/files/" + name));
    EXPECT_NE(LookAt(trash + "/info/" + std::string(name) + ".trashinfo").kind, Kind::Missing)
        << name;
  }
  EXPECT_EQ(arrived, (std::set<std::string>{"w1", "w2", "w3", "w4"}));
}

}  // namespace
}  // namespace mirtel::realtrees
