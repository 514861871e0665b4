// The user's extended attributes and the access ACL of a file come along
// with its copy, where both volumes hold them; where the ACL cannot, the
// copy's group bits (which then stand for the ACL's mask) are narrowed to
// what the owning group itself had: a copy never opens to anyone more.
#include "platform/posix/extended_attributes.h"

#include <sys/stat.h>
#include <sys/xattr.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/temporary_name.h"

namespace mirtel {

namespace {

constexpr const char* kAccessAcl = "system.posix_acl_access";

std::vector<char> ValueOf(int fd, const char* name) {
  const ssize_t size = ::fgetxattr(fd, name, nullptr, 0);
  if (size <= 0) return {};
  std::vector<char> value(static_cast<std::size_t>(size));
  const ssize_t got = ::fgetxattr(fd, name, value.data(), value.size());
  value.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return value;
}

// The permissions of the owning group's own entry in an ACL as the kernel
// stores it (a 4-byte version, then entries of tag, permissions and id);
// -1 where there is none.
int OwningGroupBits(const std::vector<char>& acl) {
  constexpr std::uint16_t kGroupObj = 0x04;
  for (std::size_t at = 4; at + 8 <= acl.size(); at += 8) {
    std::uint16_t tag = 0;
    std::uint16_t perm = 0;
    std::memcpy(&tag, acl.data() + at, sizeof tag);
    std::memcpy(&perm, acl.data() + at + 2, sizeof perm);
    if (tag == kGroupObj) return perm & 07;
  }
  return -1;
}

}  // namespace

bool HasAccessAcl(int fd) { return ::fgetxattr(fd, kAccessAcl, nullptr, 0) > 0; }

mode_t CopyExtendedAttributes(int in, int out, mode_t mode) {
  const ssize_t size = ::flistxattr(in, nullptr, 0);
  if (size <= 0) return mode;
  std::vector<char> names(static_cast<std::size_t>(size));
  const ssize_t listed = ::flistxattr(in, names.data(), names.size());
  if (listed <= 0) return mode;
  for (std::size_t at = 0; at < static_cast<std::size_t>(listed);) {
    const char* name = names.data() + at;
    at += std::strlen(name) + 1;
    const bool user = std::strncmp(name, "user.", 5) == 0 && std::strcmp(name, kTemporaryMark) != 0;
    const bool acl = std::strcmp(name, kAccessAcl) == 0;
    if (!user && !acl) continue;
    const std::vector<char> value = ValueOf(in, name);
    if (value.empty() && !user) continue;
    if (::fsetxattr(out, name, value.data(), value.size(), 0) == 0 || !acl) continue;
    // The ACL did not come along: its mask must not become the group's.
    const int group = OwningGroupBits(value);
    if (group >= 0) {
      mode = (mode & ~mode_t{070}) | ((((mode >> 3) & 07) & static_cast<mode_t>(group)) << 3);
    }
  }
  return mode;
}

}  // namespace mirtel
