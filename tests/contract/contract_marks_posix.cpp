// Hidden on POSIX is a name starting with '.': nothing more to mark.
#include <gtest/gtest.h>

#include "tests/contract/contract_fixture.h"

namespace mirtel::contract {

void MakeHidden(const std::filesystem::path& path) {
  EXPECT_EQ(Utf8(path.filename()).front(), '.') << Utf8(path);
}

}  // namespace mirtel::contract
