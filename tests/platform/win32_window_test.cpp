#include <windows.h>

#include <SDL.h>

#include <vector>

#include "platform_test.h"
#include "win32/win32_window.h"

namespace {

struct Seen {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Every message the test windows' procedure saw, in order.
std::vector<Seen> g_seen;
void* g_createParam = nullptr;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  g_seen.push_back({window, message, wParam, lParam});
  if (message == WM_NCCREATE) g_createParam = reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams;
  return DefWindowProcA(window, message, wParam, lParam);
}

bool SawMessage(UINT message, WPARAM wParam) {
  for (const Seen& seen : g_seen)
    if (seen.message == message && seen.wParam == wParam) return true;
  return false;
}

class Win32Windows : public PlatformTest {
 protected:
  void SetUp() override {
    g_seen.clear();
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.lpszClassName = "RecordingWnd";
    ASSERT_NE(0, RegisterClassA(&windowClass));
  }
  void TearDown() override {
    for (HWND window : m_windows)
      if (IsWindow(window)) DestroyWindow(window);
    UnregisterClassA("RecordingWnd", nullptr);
    // Leave no quit message for the next case of the same process.
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    PlatformTest::TearDown();
  }
  HWND Create(DWORD style, int width, int height, void* param = nullptr) {
    HWND window = CreateWindowExA(0, "RecordingWnd", "test", style, 0, 0, width, height, nullptr, nullptr, nullptr, param);
    m_windows.push_back(window);
    return window;
  }
  std::vector<HWND> m_windows;
};
using Win32WindowsDisplay = Win32Windows;

TEST_F(Win32Windows, ClassRegistersOnce) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = RecordingProc;
  windowClass.lpszClassName = "RecordingWnd";
  EXPECT_EQ(0, RegisterClassA(&windowClass));
  EXPECT_EQ(static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS), GetLastError());
  HWND window = Create(WS_VISIBLE, 100, 100);
  EXPECT_FALSE(UnregisterClassA("RecordingWnd", nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS), GetLastError());
  DestroyWindow(window);
  EXPECT_EQ(nullptr, CreateWindowExA(0, "NoSuchWnd", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS), GetLastError());
}

TEST_F(Win32Windows, OuterSizeAsGivenClientSmallerByTheFrame) {
  struct {
    DWORD style;
    LONG clientWidth, clientHeight;
  } cases[] = {
      {WS_VISIBLE | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, 1016, 760},
      {WS_VISIBLE | WS_OVERLAPPEDWINDOW, 1016, 741},
      {WS_VISIBLE | WS_POPUP, 1024, 768},
      {WS_VISIBLE | WS_BORDER, 1022, 766},
  };
  for (const auto& c : cases) {
    HWND window = Create(c.style, 1024, 768);
    ASSERT_NE(nullptr, window);
    RECT outer, client;
    ASSERT_TRUE(GetWindowRect(window, &outer));
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(1024, outer.right - outer.left) << c.style;
    EXPECT_EQ(768, outer.bottom - outer.top) << c.style;
    EXPECT_EQ(c.clientWidth, client.right) << c.style;
    EXPECT_EQ(c.clientHeight, client.bottom) << c.style;
  }
}

TEST_F(Win32Windows, CreationParameterAndUserData) {
  int owner = 0;
  HWND window = Create(WS_VISIBLE, 64, 64, &owner);
  ASSERT_NE(nullptr, window);
  ASSERT_GE(g_seen.size(), 2u);
  EXPECT_EQ(static_cast<UINT>(WM_NCCREATE), g_seen[0].message);
  EXPECT_EQ(static_cast<UINT>(WM_CREATE), g_seen[1].message);
  EXPECT_EQ(&owner, g_createParam);

  EXPECT_EQ(0, SetWindowLongA(window, GWL_USERDATA, reinterpret_cast<LONG_PTR>(&owner)));
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(&owner), GetWindowLongA(window, GWL_USERDATA));
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(&owner), SetWindowLongA(window, GWL_USERDATA, 0));
  EXPECT_EQ(0, GetWindowLongA(reinterpret_cast<HWND>(16), GWL_USERDATA));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());

  EXPECT_EQ(HTCLIENT, DefWindowProcA(window, WM_NCHITTEST, 0, 0));
  EXPECT_NE(nullptr, LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_EQ(nullptr, LoadCursorA(reinterpret_cast<HINSTANCE>(1), IDC_ARROW));
  EXPECT_NE(nullptr, GetStockObject(BLACK_BRUSH));
}

TEST_F(Win32Windows, PeekRemovesOnlyWhenAskedAndQuitComesLast) {
  HWND window = Create(WS_VISIBLE, 64, 64);
  UpdateWindow(window);
  ASSERT_TRUE(SawMessage(WM_PAINT, 0));
  PostMessageA(window, WM_USER, 1, 0);
  PostQuitMessage(3);
  PostMessageA(window, WM_USER, 2, 0);

  MSG message = {};
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(static_cast<UINT>(WM_USER), message.message);
  EXPECT_EQ(1u, message.wParam);
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(1u, message.wParam);
  g_seen.clear();
  EXPECT_EQ(0, DispatchMessageA(&message));
  ASSERT_EQ(1u, g_seen.size());
  EXPECT_EQ(static_cast<UINT>(WM_USER), g_seen[0].message);

  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(2u, message.wParam);
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(static_cast<UINT>(WM_QUIT), message.message);
  EXPECT_EQ(3u, message.wParam);
  // One quit per PostQuitMessage; what the display reports meanwhile may follow.
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    EXPECT_NE(static_cast<UINT>(WM_QUIT), message.message);
    DispatchMessageA(&message);
  }
}

TEST_F(Win32Windows, SizingMinimisingAndClosing) {
  HWND window = Create(WS_VISIBLE | WS_THICKFRAME, 108, 108);
  g_seen.clear();
  ASSERT_TRUE(MoveWindow(window, 0, 0, 48, 28, TRUE));
  ASSERT_EQ(1u, g_seen.size());
  EXPECT_EQ(static_cast<UINT>(WM_SIZE), g_seen[0].message);
  EXPECT_EQ(static_cast<WPARAM>(SIZE_RESTORED), g_seen[0].wParam);
  EXPECT_EQ(MAKELPARAM(40, 20), g_seen[0].lParam);

  ShowWindow(window, SW_MINIMIZE);
  EXPECT_TRUE(SawMessage(WM_SIZE, SIZE_MINIMIZED));
  EXPECT_TRUE(Win32IsWindowOccluded(window));
  ShowWindow(window, SW_RESTORE);
  EXPECT_FALSE(Win32IsWindowOccluded(window));

  DefWindowProcA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(SawMessage(WM_CLOSE, 0));
  EXPECT_TRUE(SawMessage(WM_DESTROY, 0));
  EXPECT_FALSE(IsWindow(window));
}

// A caption strip 10 pixels high along the top, a sizing corner at the
// bottom right of a 100 x 100 window at (50, 40).
LRESULT CALLBACK CaptionProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_NCHITTEST) return RecordingProc(window, message, wParam, lParam);
  int x = static_cast<short>(lParam & 0xFFFF) - 50, y = static_cast<short>((lParam >> 16) & 0xFFFF) - 40;
  if (y < 10) return HTCAPTION;
  if (x >= 90 && y >= 90) return HTBOTTOMRIGHT;
  return HTCLIENT;
}

TEST_F(Win32Windows, HitTestAsksTheProcedureInScreenCoordinates) {
  HWND window = Create(WS_VISIBLE | WS_POPUP, 100, 100);
  MoveWindow(window, 50, 40, 100, 100, FALSE);
  SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&CaptionProc));
  EXPECT_EQ(SDL_HITTEST_DRAGGABLE, Win32HitTest(window, 30, 5));
  EXPECT_EQ(SDL_HITTEST_RESIZE_BOTTOMRIGHT, Win32HitTest(window, 95, 95));
  EXPECT_EQ(SDL_HITTEST_NORMAL, Win32HitTest(window, 30, 30));
  EXPECT_EQ(SDL_HITTEST_NORMAL, Win32HitTest(reinterpret_cast<HWND>(16), 0, 0));
}

TEST_F(Win32Windows, MessageBoxAnswers) {
  EXPECT_EQ(0, MessageBoxA(nullptr, "text", "caption", 0x7));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  PlatformTesting::SetMessageBoxAnswer(IDRETRY);
  EXPECT_EQ(IDRETRY, MessageBoxA(nullptr, "text", nullptr, MB_RETRYCANCEL | MB_ICONHAND));
  PlatformTesting::SetMessageBoxAnswer(0);
  if (std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY")) return;
  // Nobody sees a box without a display: it answers as if it were closed.
  const struct {
    UINT type;
    int answer;
  } cases[] = {{MB_OK, IDOK}, {MB_OKCANCEL, IDCANCEL}, {MB_ABORTRETRYIGNORE, IDABORT},
               {MB_YESNOCANCEL, IDCANCEL}, {MB_YESNO, IDNO}, {MB_RETRYCANCEL, IDCANCEL}};
  for (const auto& c : cases) EXPECT_EQ(c.answer, MessageBoxA(nullptr, "text", "caption", c.type)) << c.type;
}

TEST_F(Win32WindowsDisplay, SdlEventsBecomeMessages) {
  SKIP_WITHOUT_TEST_DISPLAY();
  HWND window = Create(WS_VISIBLE, 64, 64);
  Uint32 id = SDL_GetWindowID(Win32FindWindow(window)->sdl);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);

  SDL_Event key = {};
  key.type = SDL_KEYDOWN;
  key.key.windowID = id;
  key.key.keysym.sym = SDLK_RETURN;
  key.key.keysym.mod = KMOD_LALT;
  SDL_PushEvent(&key);
  ASSERT_TRUE(PeekMessageA(&message, window, WM_SYSKEYDOWN, WM_SYSKEYDOWN, PM_REMOVE));
  EXPECT_EQ(static_cast<WPARAM>(VK_RETURN), message.wParam);
  EXPECT_EQ(1L << 29 | 1, message.lParam);

  key.key.keysym.mod = KMOD_NONE;
  SDL_PushEvent(&key);
  ASSERT_TRUE(PeekMessageA(&message, window, 0, 0, PM_REMOVE));
  EXPECT_EQ(static_cast<UINT>(WM_KEYDOWN), message.message);

  // Sent messages reach the procedure from inside PeekMessageA.
  g_seen.clear();
  SDL_Event event = {};
  event.type = SDL_WINDOWEVENT;
  event.window.windowID = id;
  event.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
  SDL_PushEvent(&event);
  event.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
  event.window.data1 = 80;
  event.window.data2 = 50;
  SDL_PushEvent(&event);
  event.window.event = SDL_WINDOWEVENT_CLOSE;
  SDL_PushEvent(&event);
  PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
  EXPECT_TRUE(SawMessage(WM_ACTIVATEAPP, 1));
  EXPECT_TRUE(SawMessage(WM_SIZE, SIZE_RESTORED));
  EXPECT_TRUE(SawMessage(WM_EXITSIZEMOVE, 0));
  EXPECT_TRUE(SawMessage(WM_SYSCOMMAND, SC_CLOSE));
  EXPECT_TRUE(SawMessage(WM_CLOSE, 0));
}

}  // namespace
