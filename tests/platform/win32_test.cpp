#include <direct.h>
#include <windows.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "platform_test.h"

namespace {

using Win32 = PlatformTest;

// The system's text for a code the way the engine asks for it; empty when none.
std::string MessageText(DWORD code) {
  char* buffer = nullptr;
  DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                    FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
  std::string text = buffer ? std::string(buffer, length) : std::string();
  LocalFree(buffer);
  return text;
}

TEST_F(Win32, PerformanceCounterIsMonotonicNanoseconds) {
  LARGE_INTEGER frequency;
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  EXPECT_EQ(1000000000, frequency.QuadPart);
  LARGE_INTEGER previous;
  ASSERT_TRUE(QueryPerformanceCounter(&previous));
  EXPECT_GT(previous.QuadPart, 0);
  for (int i = 0; i < 1000; ++i) {
    LARGE_INTEGER now;
    ASSERT_TRUE(QueryPerformanceCounter(&now));
    ASSERT_GE(now.QuadPart, previous.QuadPart);
    previous = now;
  }
  EXPECT_FALSE(QueryPerformanceCounter(nullptr));
}

TEST_F(Win32, EveryResultCodeHasSystemText) {
  const std::vector<DWORD> codes = {
      ERROR_SUCCESS, ERROR_INVALID_FUNCTION, ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE, ERROR_OUTOFMEMORY,
      ERROR_INVALID_PARAMETER, ERROR_INSUFFICIENT_BUFFER, ERROR_MR_MID_NOT_FOUND,
      static_cast<DWORD>(S_OK), static_cast<DWORD>(S_FALSE), static_cast<DWORD>(E_UNEXPECTED),
      static_cast<DWORD>(E_NOINTERFACE), static_cast<DWORD>(E_POINTER), static_cast<DWORD>(E_ABORT),
      static_cast<DWORD>(E_FAIL), static_cast<DWORD>(E_ACCESSDENIED), static_cast<DWORD>(E_HANDLE),
      static_cast<DWORD>(E_OUTOFMEMORY), static_cast<DWORD>(E_INVALIDARG),
      static_cast<DWORD>(DXGI_STATUS_OCCLUDED), static_cast<DWORD>(DXGI_STATUS_CLIPPED),
      static_cast<DWORD>(DXGI_STATUS_NO_REDIRECTION), static_cast<DWORD>(DXGI_STATUS_NO_DESKTOP_ACCESS),
      static_cast<DWORD>(DXGI_STATUS_MODE_CHANGED), static_cast<DWORD>(DXGI_STATUS_MODE_CHANGE_IN_PROGRESS),
      static_cast<DWORD>(DXGI_ERROR_INVALID_CALL), static_cast<DWORD>(DXGI_ERROR_NOT_FOUND),
      static_cast<DWORD>(DXGI_ERROR_MORE_DATA), static_cast<DWORD>(DXGI_ERROR_UNSUPPORTED),
      static_cast<DWORD>(DXGI_ERROR_DEVICE_REMOVED), static_cast<DWORD>(DXGI_ERROR_DEVICE_HUNG),
      static_cast<DWORD>(DXGI_ERROR_DEVICE_RESET), static_cast<DWORD>(DXGI_ERROR_WAS_STILL_DRAWING),
      static_cast<DWORD>(DXGI_ERROR_DRIVER_INTERNAL_ERROR), static_cast<DWORD>(DXGI_ERROR_NONEXCLUSIVE),
      static_cast<DWORD>(DXGI_ERROR_NOT_CURRENTLY_AVAILABLE),
      static_cast<DWORD>(D3D10_ERROR_TOO_MANY_UNIQUE_STATE_OBJECTS),
      static_cast<DWORD>(D3D10_ERROR_FILE_NOT_FOUND), static_cast<DWORD>(D3DERR_INVALIDCALL),
  };
  for (DWORD code : codes) {
    std::string text = MessageText(code);
    ASSERT_GT(text.size(), 2u) << std::hex << code;
    EXPECT_EQ("\r\n", text.substr(text.size() - 2)) << std::hex << code;
    EXPECT_EQ(std::string::npos, text.find('\0')) << std::hex << code;
  }

  EXPECT_EQ("The operation completed successfully.\r\n", MessageText(S_OK));
  EXPECT_EQ("The parameter is incorrect.\r\n", MessageText(E_INVALIDARG));
  EXPECT_EQ("Not enough memory resources are available to complete this operation.\r\n",
            MessageText(E_OUTOFMEMORY));
  EXPECT_EQ("Unspecified error\r\n", MessageText(E_FAIL));
  EXPECT_EQ("No such interface supported\r\n", MessageText(E_NOINTERFACE));
  EXPECT_EQ("Invalid pointer\r\n", MessageText(E_POINTER));
  EXPECT_EQ(MessageText(ERROR_ACCESS_DENIED), MessageText(E_ACCESSDENIED));
}

TEST_F(Win32, UnknownCodeHasNoText) {
  for (DWORD code : {0x12345678u, 0x887A00FFu, 0x8007FFFFu}) {
    char* buffer = reinterpret_cast<char*>(&code);
    EXPECT_EQ(0u, FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0,
                                 reinterpret_cast<LPSTR>(&buffer), 0, nullptr));
    EXPECT_EQ(nullptr, buffer);
    EXPECT_EQ(static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND), GetLastError());
    EXPECT_EQ("", MessageText(code));
  }
}

TEST_F(Win32, FormatMessageIntoCallerBuffer) {
  const std::string expected = "Invalid pointer\r\n";
  std::vector<char> buffer(expected.size() + 1, 'x');
  DWORD size = static_cast<DWORD>(buffer.size());
  EXPECT_EQ(expected.size(), FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(E_POINTER), 0,
                                            buffer.data(), size, nullptr));
  EXPECT_EQ(expected, buffer.data());

  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(0u, FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(E_POINTER), 0, buffer.data(),
                               size - 1, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());

  // A text with inserts needs FORMAT_MESSAGE_IGNORE_INSERTS, as no arguments are taken.
  std::vector<char> large(256);
  EXPECT_EQ(0u, FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_MR_MID_NOT_FOUND, 0, large.data(),
                               static_cast<DWORD>(large.size()), nullptr));
  EXPECT_NE(std::string::npos, MessageText(ERROR_MR_MID_NOT_FOUND).find("%1"));
}

TEST_F(Win32, CurrentDirectoryOnlyWhenItFits) {
  char expected[4096];
  ASSERT_NE(nullptr, getcwd(expected, sizeof(expected)));
  std::vector<char> buffer(std::strlen(expected) + 1);
  int size = static_cast<int>(buffer.size());
  ASSERT_EQ(buffer.data(), _getcwd(buffer.data(), size));
  EXPECT_STREQ(expected, buffer.data());
  EXPECT_EQ(nullptr, _getcwd(buffer.data(), size - 1));
}

TEST_F(Win32, RemoteSessionFromXServerNameOrOverride) {
  struct Case {
    const char* server;
    int remote;
  };
  const Case cases[] = {
      {nullptr, 0},      {":0", 0},           {":1.0", 0},         {"unix:0", 0},
      {"localhost:0", 0}, {"localhost:10.0", 1}, {"127.0.0.1:11", 1}, {"build-host:0", 1},
  };
  ScopedEnv display("DISPLAY", nullptr);
  for (const Case& c : cases) {
    display.Set(c.server);
    EXPECT_EQ(c.remote, GetSystemMetrics(SM_REMOTESESSION)) << (c.server ? c.server : "(unset)");
  }
  display.Set("build-host:0");
  PlatformTesting::SetRemoteSession(0);
  EXPECT_EQ(0, GetSystemMetrics(SM_REMOTESESSION));
  display.Set(":0");
  PlatformTesting::SetRemoteSession(1);
  EXPECT_EQ(1, GetSystemMetrics(SM_REMOTESESSION));
  PlatformTesting::SetRemoteSession(-1);
  EXPECT_EQ(0, GetSystemMetrics(SM_REMOTESESSION));
}

TEST_F(Win32, HeadlessHasNoScreen) {
  SKIP_WITH_DISPLAY_SERVER();
  EXPECT_EQ(0, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(0, GetSystemMetrics(SM_CYSCREEN));
  DEVMODEA mode = {};
  mode.dmSize = sizeof(mode);
  EXPECT_FALSE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode));
}

TEST_F(Win32, DisplayCurrentSettingsOfXvfbScreen) {
  SKIP_WITHOUT_TEST_DISPLAY();
  EXPECT_EQ(1280, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(1024, GetSystemMetrics(SM_CYSCREEN));

  DEVMODEA mode = {};
  mode.dmSize = sizeof(mode);
  ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode));
  EXPECT_EQ(1280u, mode.dmPelsWidth);
  EXPECT_EQ(1024u, mode.dmPelsHeight);
  EXPECT_EQ(32u, mode.dmBitsPerPel);
  EXPECT_EQ(60u, mode.dmDisplayFrequency);
  EXPECT_EQ(static_cast<DWORD>(DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY), mode.dmFields);

  DEVMODEA unsized = {};
  EXPECT_FALSE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &unsized));
  EXPECT_FALSE(EnumDisplaySettingsA(nullptr, 0, &mode));
}

}  // namespace
