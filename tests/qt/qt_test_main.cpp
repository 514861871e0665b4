// The Qt tests' main: GoogleTest's, plus ending the application in time.
#include <gtest/gtest.h>

#include "tests/qt/qt_test_app.h"

namespace mirtel::test {

std::unique_ptr<QApplication>& AppHolder() {
  static std::unique_ptr<QApplication> app;
  return app;
}

}  // namespace mirtel::test

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  mirtel::test::AppHolder().reset();
  return result;
}
