// A file's extended attributes on its copy (see extended_attributes.cpp).
#pragma once

#include <sys/types.h>

namespace mirtel {

// From open file or folder `in` to its copy `out`, which is to get mode
// `mode`: the `user.*` attributes and the access ACL, each where the copy's
// volume takes it. Returns the mode the copy is to be given: `mode`, or,
// where an ACL could not come along, `mode` with the group bits (the ACL's
// mask) narrowed to what the owning group itself had. Nothing here fails
// the copy: what a volume cannot hold stays behind, never wider than the
// source allowed.
mode_t CopyExtendedAttributes(int in, int out, mode_t mode);

// True when open file `fd` has an access ACL: until its copy has it too,
// the copy is open to its owner alone.
bool HasAccessAcl(int fd);

}  // namespace mirtel
