// Shared pieces of the application tests: the engine with a recording logger,
// and windows that are gone again after each case, since the display cases
// all run in one process.
#pragma once

#include <gtest/gtest.h>
#include <platform_testing.h>

#include <vector>

#include <morvane/Core.h>

#include "RecordingLogger.h"
#include "TestDisplay.h"

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
