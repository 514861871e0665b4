// What a copy keeps and what it refuses: modes whatever the umask, owners
// as root, holes, devices and FIFOs, and nothing
// left behind when it fails midway.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/posix/posix_file_system.h"
#include "tests/engine/engine_fixture.h"
#include "tests/posix/posix_test_support.h"

namespace mirtel {
namespace {

using namespace posix_test;

bool Root() { return ::geteuid() == 0; }

struct stat Lstat(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path << ": " << std::strerror(errno);
  return st;
}

class CopyFidelityTest : public ::testing::Test {
 protected:
  ScratchFolder tmp_;
  PosixFileSystem fs_;
};

// Files and folders keep their permission bits exactly, whatever the umask;
// set-user and set-group bits stay behind, the sticky bit comes along; root
// keeps owner and group. Over an existing copy (through a temporary name)
// as well as to a new one.
TEST_F(CopyFidelityTest, ModesAndOwnersArriveExactlyWhateverTheUmask) {
  const Umask mask(077);
  const mode_t fileModes[] = {0700, 0600, 0644, 0755, 04755, 02755, 06711, 01644, 0444, 0400};
  const mode_t folderModes[] = {0700, 0755, 02775, 01777, 0750, 0711};
  const uid_t owner = Root() ? 4321 : ::geteuid();
  const gid_t group = Root() ? 8765 : ::getegid();
  for (const mode_t mode : fileModes) {
    const std::string name = "f" + std::to_string(mode);
    tmp_.Write("src/" + name, "mode " + name);
    if (Root()) {
      ASSERT_EQ(::chown(tmp_.P("src/" + name).c_str(), owner, group), 0);
    }
    ASSERT_EQ(::chmod(tmp_.P("src/" + name).c_str(), mode), 0);
  }
  for (const mode_t mode : folderModes) {
    const std::string name = "d" + std::to_string(mode);
    tmp_.Dir("src/" + name);
    if (Root()) {
      ASSERT_EQ(::chown(tmp_.P("src/" + name).c_str(), owner, group), 0);
    }
    ASSERT_EQ(::chmod(tmp_.P("src/" + name).c_str(), mode), 0);
  }
  tmp_.Dir("dst");
  tmp_.Write("old/placeholder");
  for (const std::string round : {"dst", "old"}) {
    SCOPED_TRACE(round);
    for (const mode_t mode : fileModes) {
      const std::string name = "f" + std::to_string(mode);
      // The copy over an existing one: a plain file that the source's
      // read-only mark may replace.
      if (round == "old") tmp_.Write("old/" + name, "older");
      fs_.CopyFile(tmp_.P("src/" + name), tmp_.P(round + "/" + name));
      const struct stat st = Lstat(tmp_.P(round + "/" + name));
      EXPECT_EQ(st.st_mode & 07777, mode & 01777) << name;
      EXPECT_EQ(st.st_uid, owner);
      EXPECT_EQ(st.st_gid, group);
      EXPECT_EQ(tmp_.Read(round + "/" + name), "mode " + name);
    }
  }
  for (const mode_t mode : folderModes) {
    const std::string name = "d" + std::to_string(mode);
    fs_.MakeFolderLike(tmp_.P("dst/" + name), tmp_.P("src/" + name));
    const struct stat st = Lstat(tmp_.P("dst/" + name));
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, mode & 01777) << name;
    EXPECT_EQ(st.st_uid, owner);
    EXPECT_EQ(st.st_gid, group);
  }
  EXPECT_EQ(KindOf([&] { fs_.MakeFolderLike(tmp_.P("dst/d448"), tmp_.P("src/d448")); }),
            FsErrorKind::AlreadyExists);
  EXPECT_EQ(KindOf([&] { fs_.MakeFolderLike(tmp_.P("dst/x"), tmp_.P("src/none")); }),
            FsErrorKind::NotFound);
  EXPECT_EQ(KindOf([&] { fs_.MakeFolderLike(tmp_.P("dst/y"), tmp_.P("src/f420")); }),
            FsErrorKind::NotFound);
  EXPECT_FALSE(tmp_.Exists("dst/x"));
  EXPECT_FALSE(tmp_.Exists("dst/y"));
}

// Looks, while a file is copied, at every descriptor of the process open on
// a file in `folder`: the copy being written, named or not.
class WriteWatcher : public CopyObserver {
 public:
  explicit WriteWatcher(std::string folder) : folder_(std::move(folder)) {}
  void CopyProgress(const std::string&, std::uint64_t, std::uint64_t) override {
    for (int fd = 3; fd < 1024; ++fd) {
      char target[4096];
      const std::string link = "/proc/self/fd/" + std::to_string(fd);
      const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
      if (n <= 0 || std::string(target, static_cast<std::size_t>(n)).rfind(folder_, 0) != 0) {
        continue;
      }
      struct stat st {};
      if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) modes.push_back(st.st_mode & 07777);
    }
  }
  std::vector<mode_t> modes;

 private:
  std::string folder_;
};

// The user's extended attributes and the access ACL arrive with the copy of
// a file or a folder; the owning group gains nothing the source's ACL did
// not give it (its mode's group bits are the ACL's mask), not even while
// the copy is written, and our own mark never travels.
TEST_F(CopyFidelityTest, ExtendedAttributesAndTheAclArriveAndOpenNothingMore) {
  tmp_.Write("src/shared.txt", "shared");
  tmp_.Dir("src/shared");
  tmp_.Dir("dst");
  const std::string source = tmp_.P("src/shared.txt");
  if (::setxattr(source.c_str(), "user.comment", "kept", 4, 0) != 0) {
    GTEST_SKIP() << "this volume keeps no extended attributes";
  }
  // Owner rw, user 4321 r, owning group nothing, mask r, others nothing.
  std::string acl("\x02\0\0\0", 4);
  const auto entry = [&acl](std::uint16_t tag, std::uint16_t perm, std::uint32_t id) {
    acl.append(reinterpret_cast<const char*>(&tag), 2);
    acl.append(reinterpret_cast<const char*>(&perm), 2);
    acl.append(reinterpret_cast<const char*>(&id), 4);
  };
  entry(0x01, 6, 0xFFFFFFFF);
  entry(0x02, 4, 4321);
  entry(0x04, 0, 0xFFFFFFFF);
  entry(0x10, 4, 0xFFFFFFFF);
  entry(0x20, 0, 0xFFFFFFFF);
  ASSERT_EQ(::setxattr(source.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0), 0);
  ASSERT_EQ(::setxattr(source.c_str(), "user.mirtel.temporary", "1", 1, 0), 0);
  for (const std::string name : {"new", "over"}) {
    if (name == "over") tmp_.Write("dst/" + name, "older");
    const std::string copy = tmp_.P("dst/" + name);
    fs_.CopyFile(source, copy);
    char value[256];
    const ssize_t comment = ::getxattr(copy.c_str(), "user.comment", value, sizeof value);
    EXPECT_EQ(std::string(value, comment > 0 ? static_cast<std::size_t>(comment) : 0), "kept");
    const ssize_t kept = ::getxattr(copy.c_str(), "system.posix_acl_access", value, sizeof value);
    EXPECT_EQ(std::string(value, kept > 0 ? static_cast<std::size_t>(kept) : 0), acl) << name;
    EXPECT_EQ(::getxattr(copy.c_str(), "user.mirtel.temporary", value, sizeof value), -1);
    EXPECT_EQ(Lstat(copy).st_mode & 0777, Lstat(source).st_mode & 0777) << name;
  }

  const std::string folder = tmp_.P("src/shared");
  ASSERT_EQ(::setxattr(folder.c_str(), "user.comment", "kept", 4, 0), 0);
  ASSERT_EQ(::setxattr(folder.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0), 0);
  fs_.MakeFolderLike(tmp_.P("dst/shared"), folder);
  char value[256];
  const std::string made = tmp_.P("dst/shared");
  const ssize_t comment = ::getxattr(made.c_str(), "user.comment", value, sizeof value);
  EXPECT_EQ(std::string(value, comment > 0 ? static_cast<std::size_t>(comment) : 0), "kept");
  const ssize_t kept = ::getxattr(made.c_str(), "system.posix_acl_access", value, sizeof value);
  EXPECT_EQ(std::string(value, kept > 0 ? static_cast<std::size_t>(kept) : 0), acl) << "folder";
  EXPECT_EQ(Lstat(made).st_mode & 0777, Lstat(folder).st_mode & 0777);

  // A large file, looked at while it is written: its owner's bits only.
  // Progress is told after a tenth of a second: larger until it is.
  const std::string large = tmp_.P("src/large.bin");
  WriteWatcher watcher(tmp_.P("dst/"));
  for (const int megabytes : {64, 256, 1024}) {
    tmp_.Write("src/large.bin", std::string(static_cast<std::size_t>(megabytes) << 20, 'x'));
    ASSERT_EQ(::setxattr(large.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0), 0);
    ::unlink(tmp_.P("dst/large.bin").c_str());
    fs_.ObserveCopies(&watcher);
    fs_.CopyFile(large, tmp_.P("dst/large.bin"));
    fs_.ObserveCopies(nullptr);
    if (!watcher.modes.empty()) break;
  }
  ASSERT_FALSE(watcher.modes.empty()) << "the copy was never seen while written";
  for (const mode_t mode : watcher.modes) EXPECT_EQ(mode & 077, 0u) << std::oct << mode;
  EXPECT_EQ(Lstat(tmp_.P("dst/large.bin")).st_mode & 0777, Lstat(large).st_mode & 0777);
}

// A file with holes is copied as one: the same bytes, no more blocks.
// On the machine's volume and on a tmpfs of its own.
TEST_F(CopyFidelityTest, HolesStayHoles) {
  tmp_.Dir("small");
  ScratchMount mount;
  std::vector<std::string> places = {"dst"};
  if (mount.Tmpfs(tmp_.P("small"), "64m")) places.push_back("small");
  tmp_.Dir("dst");

  // Data at the start, a hole, data in the middle, a hole to the end; and a
  // file that is all hole.
  {
    const Fd out(::open(tmp_.P("holes.bin").c_str(), O_WRONLY | O_CREAT, 0644));
    const std::string head(64 * 1024, 'h');
    const std::string middle(4096, 'm');
    ASSERT_EQ(::pwrite(out.get(), head.data(), head.size(), 0), 65536);
    ASSERT_EQ(::pwrite(out.get(), middle.data(), middle.size(), 8 << 20), 4096);
    ASSERT_EQ(::ftruncate(out.get(), 16 << 20), 0);
    const Fd empty(::open(tmp_.P("void.bin").c_str(), O_WRONLY | O_CREAT, 0600));
    ASSERT_EQ(::ftruncate(empty.get(), 4 << 20), 0);
  }
  const struct stat src = Lstat(tmp_.P("holes.bin"));
  if (src.st_blocks * 512 >= src.st_size) GTEST_SKIP() << "this volume keeps no holes";
  const std::string bytes = tmp_.Read("holes.bin");

  for (const std::string& place : places) {
    SCOPED_TRACE(place);
    fs_.CopyFile(tmp_.P("holes.bin"), tmp_.P(place + "/holes.bin"));
    fs_.CopyFile(tmp_.P("void.bin"), tmp_.P(place + "/void.bin"));
    const struct stat st = Lstat(tmp_.P(place + "/holes.bin"));
    EXPECT_EQ(st.st_size, src.st_size);
    EXPECT_LE(st.st_blocks, src.st_blocks + 16);
    EXPECT_EQ(tmp_.Read(place + "/holes.bin"), bytes);
    const struct stat empty = Lstat(tmp_.P(place + "/void.bin"));
    EXPECT_EQ(empty.st_size, 4 << 20);
    EXPECT_LE(empty.st_blocks, 16);
    EXPECT_EQ(empty.st_mode & 07777, 0600u);
  }
}

// Devices, FIFOs and sockets are told apart without being opened, and a
// copy refuses them without waiting on them: a FIFO without a writer would
// block any open for reading.
TEST_F(CopyFidelityTest, DevicesFifosAndSocketsAreRefusedUnopened) {
  const Deadline deadline(20);
  tmp_.Dir("dev");
  tmp_.Dir("dst");
  std::vector<std::string> names = {"fifo", "socket", "fifolink"};
  ASSERT_EQ(::mkfifo(tmp_.P("dev/fifo").c_str(), 0644), 0);
  const Fd sock(::socket(AF_UNIX, SOCK_STREAM, 0));
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::string sockPath = tmp_.P("dev/socket");
  ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
  std::memcpy(addr.sun_path, sockPath.c_str(), sockPath.size() + 1);
  ASSERT_EQ(::bind(sock.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
  std::filesystem::create_symlink(tmp_.N("dev/fifo"), tmp_.N("dev/fifolink"));
  if (::mknod(tmp_.P("dev/null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
    names.push_back("null");
  }

  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::uint32_t link = name == "fifolink" ? std::uint32_t{kAttrReparsePoint} : 0u;
    EXPECT_EQ(fs_.Attributes(tmp_.P("dev/" + name)), kAttrDevice | link);
    EXPECT_EQ(KindOf([&] { fs_.CopyFile(tmp_.P("dev/" + name), tmp_.P("dst/" + name)); }),
              FsErrorKind::NotAFile);
  }
  // As the listing says it, without a look of its own.
  for (std::string n = fs_.ListStart(tmp_.P("dev") + "/*.*", kListEverything); !n.empty();
       n = fs_.ListNext()) {
    if (n == "fifo" || n == "socket" || n == "null") {
      EXPECT_EQ(fs_.Attributes(tmp_.P("dev/" + n)), std::uint32_t{kAttrDevice}) << n;
    }
  }
  EXPECT_TRUE(tmp_.Names("dst").empty());
}

// A copy that fails midway leaves nothing: not the unnamed file of a new
// copy, not the temporary of a replacement, and the old copy unchanged.
TEST_F(CopyFidelityTest, ACopyThatFailsMidwayLeavesNothing) {
  // A source that cannot be read fails before anything is made.
  tmp_.Write("closed.bin", "secret");
  tmp_.Dir("dst");
  ::chmod(tmp_.P("closed.bin").c_str(), 0);
  if (!Root()) {
    EXPECT_EQ(KindOf([&] { fs_.CopyFile(tmp_.P("closed.bin"), tmp_.P("dst/closed.bin")); }),
              FsErrorKind::AccessDenied);
    EXPECT_TRUE(tmp_.Names("dst").empty());
  }

  tmp_.Dir("small");
  ScratchMount mount;
  if (!mount.Tmpfs(tmp_.P("small"), "256k")) GTEST_SKIP() << "cannot mount a tmpfs here";
  std::string big(1 << 20, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 % 253);
  tmp_.Write("big.bin", big);
  tmp_.Write("small/old.bin", "old");
  tmp_.Dir("small/sub");
  // Sparse sources take their own way through the copy.
  {
    const Fd out(::open(tmp_.P("sparse.bin").c_str(), O_WRONLY | O_CREAT, 0644));
    ASSERT_EQ(::pwrite(out.get(), big.data(), big.size(), 8 << 20),
              static_cast<ssize_t>(big.size()));
  }

  for (const std::string source : {"big.bin", "sparse.bin"}) {
    SCOPED_TRACE(source);
    EXPECT_EQ(KindOf([&] { fs_.CopyFile(tmp_.P(source), tmp_.P("small/new.bin")); }),
              FsErrorKind::DiskFull);
    EXPECT_EQ(KindOf([&] { fs_.CopyFile(tmp_.P(source), tmp_.P("small/old.bin")); }),
              FsErrorKind::DiskFull);
    EXPECT_EQ(tmp_.Names("small"), (std::vector<std::string>{"old.bin", "sub"}));
    EXPECT_EQ(tmp_.Read("small/old.bin"), "old");
  }
  // The room is all there again: nothing unnamed is held.
  tmp_.Write("fits.bin", std::string(200 * 1024, 'f'));
  EXPECT_NO_THROW(fs_.CopyFile(tmp_.P("fits.bin"), tmp_.P("small/sub/fits.bin")));
  EXPECT_EQ(tmp_.Read("small/sub/fits.bin"), std::string(200 * 1024, 'f'));
}

}  // namespace
}  // namespace mirtel

namespace mirtel {
namespace {

// A read-only folder (0555, as a module cache keeps them) is copied with its
// files, kept read-only, and updated again by the next job: its owner gets
// in only while the walk fills it. As root the mode alone is the test.
TEST(ReadOnlyFolderTest, IsFilledThenClosedAndUpdatedAgain) {
  ScratchFolder tmp;
  PosixFileSystem fs;
  BinRecycler recycler(tmp.N("bin"));
  RecordingWalkView view;
  JobState state;
  CopyEngine engine(fs, recycler, view, state);
  tmp.Write("moto/cache/mod/a.go", "a1");
  tmp.Dir("saki");
  ASSERT_EQ(::chmod(tmp.P("moto/cache/mod").c_str(), 0555), 0);
  ASSERT_EQ(::chmod(tmp.P("moto/cache").c_str(), 0555), 0);
  const auto job = [&] {
    state.MotoFolder = tmp.P("moto") + "/";
    state.SakiFolder = tmp.P("saki") + "/";
    state.FailedCount = 0;
    RecordRoots(fs, state);
    engine.FolderCopy(state.MotoFolder);
  };
  job();
  EXPECT_EQ(state.FailedCount, 0) << ::testing::PrintToString(view.results);
  EXPECT_EQ(tmp.Read("saki/cache/mod/a.go"), "a1");
  EXPECT_EQ(Lstat(tmp.P("saki/cache/mod")).st_mode & 07777, 0555u);
  EXPECT_EQ(Lstat(tmp.P("saki/cache")).st_mode & 07777, 0555u);

  ASSERT_EQ(::chmod(tmp.P("moto/cache/mod").c_str(), 0755), 0);
  tmp.Write("moto/cache/mod/b.go", "b");
  ASSERT_EQ(::chmod(tmp.P("moto/cache/mod").c_str(), 0555), 0);
  job();
  EXPECT_EQ(state.FailedCount, 0) << ::testing::PrintToString(view.results);
  EXPECT_EQ(tmp.Read("saki/cache/mod/b.go"), "b");
  EXPECT_EQ(Lstat(tmp.P("saki/cache/mod")).st_mode & 07777, 0555u);
  for (const char* folder : {"moto/cache/mod", "moto/cache", "saki/cache/mod", "saki/cache"}) {
    ::chmod(tmp.P(folder).c_str(), 0755);
  }
}

}  // namespace
}  // namespace mirtel
