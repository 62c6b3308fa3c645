// Which display a test case has. Cases named "...Display..." run once more
// under Xvfb (1280x1024) with MORVANE_TEST_DISPLAY=1; without it they have
// nothing to look at. Every case also runs with no display server at all.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

inline bool HasTestDisplay() {
  const char* flag = std::getenv("MORVANE_TEST_DISPLAY");
  return flag && std::strcmp(flag, "1") == 0;
}
#define SKIP_WITHOUT_TEST_DISPLAY() \
  if (!HasTestDisplay()) GTEST_SKIP() << "runs under Xvfb with MORVANE_TEST_DISPLAY=1"

// Headless expectations only hold where no display server is configured.
#define SKIP_WITH_DISPLAY_SERVER()                              \
  if (std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY")) \
  GTEST_SKIP() << "a display server is configured"
