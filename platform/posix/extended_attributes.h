// A file's extended attributes on its copy (see extended_attributes.cpp).
#pragma once

#include <sys/types.h>

namespace mirtel {

// From open file `in` to its copy `out`, whose mode is `mode` now: the
// `user.*` attributes and the access ACL, each where the copy's volume
// takes it. Nothing here fails the copy: what a volume cannot hold stays
// behind, never wider than the source allowed.
void CopyExtendedAttributes(int in, int out, mode_t mode);

}  // namespace mirtel
