// Hidden on Windows is an attribute; the contract's hidden names also
// start with '.', as on POSIX.
#include <gtest/gtest.h>

#include "platform/win32/win32_api.h"
#include "tests/contract/contract_fixture.h"

namespace mirtel::contract {

void MakeHidden(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << Utf8(path);
  ASSERT_TRUE(SetFileAttributesW(path.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN)) << Utf8(path);
}

}  // namespace mirtel::contract
