// Shared pieces of the application tests: the engine with a recording logger,
// and windows that are gone again after each case, since the display cases
// all run in one process.
#pragma once

#include <gtest/gtest.h>
#include <platform_testing.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include <morvane/Core.h>

#include "RecordingLogger.h"

inline bool HasTestDisplay() {
  const char* flag = std::getenv("MORVANE_TEST_DISPLAY");
  return flag && std::strcmp(flag, "1") == 0;
}

class AppFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    Core::Init();
    Core::SetLogger(&log);
  }
  void TearDown() override {
    CloseWindows();
    Core::Cleanup();
    PlatformTesting::Reset();
  }

  // A window of a plain class with the given outer size and style.
  HWND CreatePlainWindow(int width, int height, DWORD style = WS_VISIBLE | WS_THICKFRAME) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "PlainTestWnd";
    RegisterClassA(&windowClass);
    HWND window =
        CreateWindowExA(0, "PlainTestWnd", "test", style, 0, 0, width, height, nullptr, nullptr, nullptr, nullptr);
    windows.push_back(window);
    return window;
  }

  // Destroys the windows, forgets the classes and drops what is queued.
  void CloseWindows() {
    for (HWND window : windows)
      if (IsWindow(window)) DestroyWindow(window);
    windows.clear();
    UnregisterClassA("PlainTestWnd", nullptr);
    UnregisterClassA("DXAppWnd", nullptr);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }

  RecordingLogger log;
  std::vector<HWND> windows;
};

#define SKIP_WITHOUT_TEST_DISPLAY() \
  if (!HasTestDisplay()) GTEST_SKIP() << "runs under Xvfb with MORVANE_TEST_DISPLAY=1"
#define SKIP_WITH_DISPLAY_SERVER()                              \
  if (std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY")) \
  GTEST_SKIP() << "a display server is configured"
