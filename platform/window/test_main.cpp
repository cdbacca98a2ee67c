// The main of GoogleTest programs that drive real windows: the application
// runs on Qt's offscreen platform for the whole run.
#include <gtest/gtest.h>

#include "platform/window/application.h"
#include "platform/window/test_support.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  lorvane::window::testing::StartOffscreenApplication();
  const int result = RUN_ALL_TESTS();
  lorvane::window::testing::DestroyAllWindows();
  lorvane::window::StopApplication();
  return result;
}
