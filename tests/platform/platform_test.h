// Shared pieces of the platform tests.
#pragma once

#include <gtest/gtest.h>
#include <platform_testing.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

// Clears injected faults, call counts and overrides after every case.
class PlatformTest : public ::testing::Test {
 protected:
  void TearDown() override { PlatformTesting::Reset(); }
};

// Cases named "...Display..." run once more under Xvfb (1280x1024) with
// MORVANE_TEST_DISPLAY=1; without it they have nothing to look at.
inline bool HasTestDisplay() {
  const char* flag = std::getenv("MORVANE_TEST_DISPLAY");
  return flag && std::strcmp(flag, "1") == 0;
}
#define SKIP_WITHOUT_TEST_DISPLAY() \
  if (!HasTestDisplay()) GTEST_SKIP() << "runs under Xvfb with MORVANE_TEST_DISPLAY=1"

// Headless expectations only hold where no display server is configured.
#define SKIP_WITH_DISPLAY_SERVER()                                \
  if (std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY"))   \
  GTEST_SKIP() << "a display server is configured"

// Sets (or, with null, removes) an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    Set(value);
  }
  ~ScopedEnv() { Set(m_old ? m_old->c_str() : nullptr); }
  void Set(const char* value) {
    if (value) {
      setenv(m_name.c_str(), value, 1);
    } else {
      unsetenv(m_name.c_str());
    }
  }

 private:
  std::string m_name;
  std::optional<std::string> m_old;
};
