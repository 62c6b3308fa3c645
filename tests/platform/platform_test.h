// Shared pieces of the platform tests.
#pragma once

#include <gtest/gtest.h>
#include <platform_testing.h>

#include "TestDisplay.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

// Clears injected faults, call counts and overrides after every case.
class PlatformTest : public ::testing::Test {
 protected:
  void TearDown() override { PlatformTesting::Reset(); }
};

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
