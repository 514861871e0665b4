// What a path is and where its volume begins: identity through links and
// bind mounts, the resolved spelling, volume roots, and how finely each
// volume keeps times.
#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <string>

#include "platform/posix/posix_file_system.h"
#include "platform/posix/time_steps.h"
#include "platform/program_folder.h"
#include "platform/volume_identity.h"
#include "tests/fakes/scratch_folder.h"
#include "tests/posix/posix_test_support.h"

namespace mirtel {
namespace {

using namespace posix_test;

FileId IdOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return FileId{st.st_dev, st.st_ino};
}

std::string RealFolder(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  EXPECT_NE(real, nullptr) << path;
  std::string text = real == nullptr ? std::string() : real;
  std::free(real);
  return text == "/" ? text : text + "/";
}

// Links lead to what they name; the rest of identity and spelling is the
// contract's (tests/contract).
TEST(Volumes, IdentityAndSpellingThroughLinks) {
  ScratchFolder tmp;
  PosixFileSystem fs;
  tmp.Write("real/sub/f.txt");
  std::filesystem::create_directory_symlink(tmp.N("real"), tmp.N("link"));
  std::filesystem::create_symlink("real/sub/f.txt", tmp.N("flink"));
  std::filesystem::create_symlink("nowhere", tmp.N("broken"));

  FileId id;
  for (const std::string path : {"link", "link/", "flink"}) {
    SCOPED_TRACE(path);
    ASSERT_TRUE(fs.Identify(tmp.P(path), id));
    EXPECT_EQ(id, IdOf(tmp.P(path)));
  }
  EXPECT_EQ((fs.Identify(tmp.P("link"), id), id), IdOf(tmp.P("real")));
  EXPECT_FALSE(fs.Identify(tmp.P("broken"), id));

  const std::string real = RealFolder(tmp.P("real"));
  EXPECT_EQ(fs.ResolvedFolder(tmp.P("link")), real);
  EXPECT_EQ(fs.ResolvedFolder(tmp.P("link/sub/..") + "/"), real);
  EXPECT_EQ(fs.ResolvedFolder(tmp.P("real") + "//./"), real);
  EXPECT_EQ(KindOf([&] { fs.ResolvedFolder(tmp.P("flink")); }), FsErrorKind::NotFound);
  EXPECT_FALSE(fs.IsVolumeRoot(tmp.P("link")));
}

// A mount point is a volume's top, whether a file system of its own or a
// folder bound elsewhere on the same one; what lies under it is not, and a
// link to it leads to it.
TEST(Volumes, MountPointsAreVolumeRootsBindMountsToo) {
  ScratchFolder tmp;
  PosixFileSystem fs;
  tmp.Write("a/sub/f.txt", "shared");
  tmp.Dir("bound");
  tmp.Dir("ram");
  ScratchMount bind;
  ScratchMount ram;
  if (!bind.Bind(tmp.P("a"), tmp.P("bound")) || !ram.Tmpfs(tmp.P("ram"), "1m")) {
    GTEST_SKIP() << "cannot mount here";
  }
  tmp.Dir("ram/inner");
  std::filesystem::create_directory_symlink(tmp.N("ram"), tmp.N("to-ram"));

  EXPECT_TRUE(fs.IsVolumeRoot(tmp.P("bound") + "/"));
  EXPECT_TRUE(fs.IsVolumeRoot(tmp.P("ram")));
  EXPECT_TRUE(fs.IsVolumeRoot(tmp.P("to-ram") + "/"));
  EXPECT_FALSE(fs.IsVolumeRoot(tmp.P("bound/sub") + "/"));
  EXPECT_FALSE(fs.IsVolumeRoot(tmp.P("ram/inner") + "/"));
  EXPECT_FALSE(fs.IsVolumeRoot(tmp.P("a") + "/"));

  // One folder seen at two places is one folder.
  FileId viaA;
  FileId viaBound;
  ASSERT_TRUE(fs.Identify(tmp.P("a/sub"), viaA));
  ASSERT_TRUE(fs.Identify(tmp.P("bound/sub") + "/", viaBound));
  EXPECT_EQ(viaA, viaBound);
  EXPECT_EQ(fs.ResolvedFolder(tmp.P("to-ram/inner")), RealFolder(tmp.P("ram/inner")));

  // The volume a saved job checks: one for the whole mount and for a bind
  // mount of a folder, another for the tmpfs, and none for what is missing.
  const std::string here = VolumeIdentity(tmp.P("a"));
  EXPECT_NE(here, "");
  EXPECT_EQ(VolumeIdentity(tmp.P("bound/sub") + "/"), here);
  EXPECT_EQ(VolumeIdentity(tmp.P("ram/inner")), VolumeIdentity(tmp.P("to-ram") + "/"));
  EXPECT_NE(VolumeIdentity(tmp.P("ram/inner")), here);
  EXPECT_EQ(VolumeIdentity(tmp.P("missing")), "");
  ASSERT_TRUE(ram.Unmount());
  EXPECT_EQ(VolumeIdentity(tmp.P("ram")), here) << "the bare mount point is the parent's";
}

// An installed program is every user's: its folder never keeps settings.
TEST(Volumes, SystemProgramFoldersNeverKeepSettings) {
  for (const char* folder : {"/usr/bin/", "/usr/local/bin/", "/opt/mirtel/", "/usr/lib/mirtel/"}) {
    EXPECT_EQ(SettingsBesideProgram(folder), ProgramFolderUse::Never) << folder;
  }
  for (const char* folder : {"/home/u/mirtel/", "/media/stick/mirtel/", "/usrx/"}) {
    EXPECT_EQ(SettingsBesideProgram(folder), ProgramFolderUse::IfThere) << folder;
  }
}

// Times come in nanoseconds with the step of their volume. A volume whose
// type promises nanoseconds but keeps whole seconds (ext3 with small
// inodes) shows it at the first copy: the coarsest step its time fits
// (an even second: two), made finer by the next copy that does not fit.
TEST(Volumes, AVolumeThatKeepsLessThanItsTypeIsLearnedFromACopy) {
  ScratchFolder tmp;
  PosixFileSystem fs;
  tmp.Write("src.txt", "fine time");
  const timespec fine[2] = {{1600000000, 123456789}, {1600000000, 123456789}};
  ASSERT_EQ(::utimensat(AT_FDCWD, tmp.P("src.txt").c_str(), fine, 0), 0);
  EXPECT_EQ(fs.LastWriteTime(tmp.P("src.txt")).ns, 1600000000123456789);

  tmp.Dir("coarse");
  ScratchMount image;
  if (!image.Image("mke2fs -q -t ext3 -I 128 -F", tmp.P("ext3.img"), tmp.P("coarse"))) {
    GTEST_SKIP() << "cannot make and mount an ext3 image here";
  }
  tmp.Write("coarse/before.txt");
  EXPECT_EQ(fs.LastWriteTime(tmp.P("coarse/before.txt")).resolution, 1);
  fs.CopyFile(tmp.P("src.txt"), tmp.P("coarse/copy.txt"));
  FileTime copied = fs.LastWriteTime(tmp.P("coarse/copy.txt"));
  EXPECT_EQ(copied.ns, 1600000000000000000);
  EXPECT_EQ(copied.resolution, 2000000000);
  const timespec odd[2] = {{1600000001, 5}, {1600000001, 5}};
  ASSERT_EQ(::utimensat(AT_FDCWD, tmp.P("src.txt").c_str(), odd, 0), 0);
  fs.CopyFile(tmp.P("src.txt"), tmp.P("coarse/copy.txt"));
  copied = fs.LastWriteTime(tmp.P("coarse/copy.txt"));
  EXPECT_EQ(copied.ns, 1600000001000000000);
  EXPECT_EQ(copied.resolution, 1000000000);
  EXPECT_EQ(fs.LastWriteTime(tmp.P("coarse/before.txt")).resolution, 1000000000);
  // The source's volume is not touched by what another one taught.
  EXPECT_EQ(fs.LastWriteTime(tmp.P("src.txt")).resolution, 1);
}

// The learning rule on generated times: whatever step a volume truncates
// to, a run of copies finds exactly that step; times kept whole teach
// nothing, nor do times moved beyond any step (out of the volume's range).
TEST(Volumes, TheLearnedStepIsTheVolumesOwnForGeneratedTimes) {
  std::mt19937_64 rng(7);
  const std::int64_t steps[] = {2000000000, 1000000000, 10000000, 1000000, 1000, 100, 1};
  dev_t dev = 100;
  for (const std::int64_t step : steps) {
    SCOPED_TRACE(step);
    TimeSteps learned;
    EXPECT_EQ(learned.Of(++dev, -1), 1);
    for (int i = 0; i < 40; ++i) {
      const auto asked = static_cast<std::int64_t>(rng() % 4000000000000000000);
      const std::int64_t kept = asked / step * step;
      learned.Learn(dev, asked, kept);
      EXPECT_GE(learned.Cached(dev), step);
      EXPECT_EQ(kept % learned.Cached(dev), 0);
    }
    EXPECT_EQ(learned.Cached(dev), step);
    // A time clamped to the volume's first day: no step explains it.
    learned.Learn(dev, -5123456789, 315532800000000000);
    EXPECT_EQ(learned.Cached(dev), step);
  }
}

}  // namespace
}  // namespace mirtel
