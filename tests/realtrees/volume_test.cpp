// The real-tree jobs onto the volumes backups go to, each mounted through
// its FUSE driver from an image file: a first copy, a sync after changes
// (with names renamed in letter case only) and a sync with nothing to do,
// judged by the oracle with what it learned of the volume itself. A volume
// that cannot be mounted here is passed over with a line saying why.
#include <gtest/gtest.h>

#include <cstdlib>
#include <exception>
#include <iostream>

#include "platform/native_file_system.h"
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

}  // namespace
}  // namespace mirtel::realtrees
