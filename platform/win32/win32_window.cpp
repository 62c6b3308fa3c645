// Window classes and windows of the Win32 layer over SDL2 windows.
#include "win32/win32_window.h"

#include <SDL.h>

#include <algorithm>
#include <map>
#include <memory>
#include <new>
#include <unordered_map>

#include "sdl/sdl_video.h"

namespace {

// The frame sizes of the classic theme, as GetSystemMetrics reports them.
constexpr int kSizingFrame = 4;
constexpr int kBorder = 1;
constexpr int kCaption = 19;

struct WindowClass {
  WNDCLASSA desc;
  std::string name;
};

// One thread runs every window, as the engine's one frame-loop thread does.
std::map<std::string, WindowClass>& Classes() {
  static std::map<std::string, WindowClass> s_classes;
  return s_classes;
}

std::unordered_map<HWND, std::unique_ptr<Win32Window>>& Windows() {
  static std::unordered_map<HWND, std::unique_ptr<Win32Window>> s_windows;
  return s_windows;
}

HWND HandleOf(Win32Window* window) { return reinterpret_cast<HWND>(window); }

int FrameWidth(DWORD style) {
  if (style & WS_THICKFRAME) return kSizingFrame;
  return (style & (WS_BORDER | WS_DLGFRAME)) ? kBorder : 0;
}

int CaptionHeight(DWORD style) { return (style & WS_CAPTION) == WS_CAPTION ? kCaption : 0; }

SDL_HitTestResult OnHitTest(SDL_Window* sdl, const SDL_Point* point, void*) {
  HWND window = Win32FindWindowBySdlId(SDL_GetWindowID(sdl));
  return static_cast<SDL_HitTestResult>(window ? Win32HitTest(window, point->x, point->y) : SDL_HITTEST_NORMAL);
}

// The SDL window stands for the client area; the window manager adds its own
// frame. A sizing frame or a caption asks for the manager's decorations, since
// on X11 those are what the user moves and sizes a window by.
SDL_Window* CreateSdlWindow(const char* title, const Win32Window& window) {
  if (!Win32HasDisplay()) return nullptr;
  Uint32 flags = window.visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
  if (window.style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
  if (!(window.style & (WS_THICKFRAME | WS_CAPTION))) flags |= SDL_WINDOW_BORDERLESS;
  int x = window.x == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : window.x;
  int y = window.x == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : window.y;
  SDL_Window* sdl = SDL_CreateWindow(title ? title : "", x, y, std::max(window.clientWidth, 1),
                                     std::max(window.clientHeight, 1), flags);
  if (sdl) SDL_SetWindowHitTest(sdl, OnHitTest, nullptr);
  return sdl;
}

// The stock objects and the one cursor are tokens: nothing draws with them.
struct StockToken {
  int unused;
};
StockToken g_stockObjects[NULL_BRUSH + 1];
StockToken g_arrowCursor;
HCURSOR g_currentCursor = nullptr;

}  // namespace

bool Win32HasDisplay() {
  static SdlVideo s_video;
  return s_video.HasDisplay();
}

Win32Window* Win32FindWindow(HWND window) {
  auto found = Windows().find(window);
  if (found == Windows().end()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return found->second.get();
}

HWND Win32FindWindowBySdlId(unsigned int sdlId) {
  for (auto& entry : Windows()) {
    if (entry.second->sdl && SDL_GetWindowID(entry.second->sdl) == sdlId) return entry.first;
  }
  return nullptr;
}

HWND Win32FindWindowToPaint(HWND filter) {
  for (auto& entry : Windows()) {
    if (entry.second->needsPaint && (!filter || filter == entry.first)) return entry.first;
  }
  return nullptr;
}

bool Win32IsWindowOccluded(HWND handle) {
  Win32Window* window = Win32FindWindow(handle);
  if (!window) return true;
  if (window->sdl && (SDL_GetWindowFlags(window->sdl) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN))) return true;
  return window->minimized || !window->visible;
}

void Win32OnClientSize(HWND handle, int width, int height, WPARAM kind) {
  Win32Window* window = Win32FindWindow(handle);
  if (!window) return;
  bool wasMinimized = window->minimized;
  window->minimized = kind == SIZE_MINIMIZED;
  window->maximized = kind == SIZE_MAXIMIZED;
  // A minimised window keeps its client size for when it comes back; Windows
  // reports 0 x 0 for it.
  if (kind == SIZE_MINIMIZED) {
    if (!wasMinimized) SendMessageA(handle, WM_SIZE, SIZE_MINIMIZED, 0);
    return;
  }
  if (!wasMinimized && width == window->clientWidth && height == window->clientHeight) return;
  window->clientWidth = width;
  window->clientHeight = height;
  window->needsPaint = window->visible;
  SendMessageA(handle, WM_SIZE, kind, MAKELPARAM(width, height));
}

int Win32HitTest(HWND handle, int x, int y) {
  Win32Window* window = Win32FindWindow(handle);
  if (!window) return SDL_HITTEST_NORMAL;
  // WM_NCHITTEST takes screen coordinates.
  int left = window->x == CW_USEDEFAULT ? 0 : window->x;
  int top = window->x == CW_USEDEFAULT ? 0 : window->y;
  switch (SendMessageA(handle, WM_NCHITTEST, 0, MAKELPARAM(left + x, top + y))) {
    case HTCAPTION: return SDL_HITTEST_DRAGGABLE;
    case HTLEFT: return SDL_HITTEST_RESIZE_LEFT;
    case HTRIGHT: return SDL_HITTEST_RESIZE_RIGHT;
    case HTTOP: return SDL_HITTEST_RESIZE_TOP;
    case HTTOPLEFT: return SDL_HITTEST_RESIZE_TOPLEFT;
    case HTTOPRIGHT: return SDL_HITTEST_RESIZE_TOPRIGHT;
    case HTBOTTOM: return SDL_HITTEST_RESIZE_BOTTOM;
    case HTBOTTOMLEFT: return SDL_HITTEST_RESIZE_BOTTOMLEFT;
    case HTBOTTOMRIGHT: return SDL_HITTEST_RESIZE_BOTTOMRIGHT;
    default: return SDL_HITTEST_NORMAL;
  }
}

bool Win32SetClientSize(HWND handle, int width, int height) {
  Win32Window* window = Win32FindWindow(handle);
  if (!window) return false;
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (window->sdl) SDL_SetWindowSize(window->sdl, std::max(width, 1), std::max(height, 1));
  Win32OnClientSize(handle, width, height, window->maximized ? SIZE_MAXIMIZED : SIZE_RESTORED);
  return true;
}

extern "C" {

ATOM WINAPI RegisterClassA(const WNDCLASSA* lpWndClass) {
  if (!lpWndClass || !lpWndClass->lpszClassName || !lpWndClass->lpfnWndProc ||
      reinterpret_cast<ULONG_PTR>(lpWndClass->lpszClassName) <= 0xFFFF) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::map<std::string, WindowClass>& classes = Classes();
  auto inserted = classes.emplace(lpWndClass->lpszClassName, WindowClass{*lpWndClass, lpWndClass->lpszClassName});
  if (!inserted.second) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  WindowClass& added = inserted.first->second;
  added.desc.lpszClassName = added.name.c_str();
  added.desc.lpszMenuName = nullptr;
  // Atoms of registered classes start at 0xC000.
  return static_cast<ATOM>(0xC000 + std::distance(classes.begin(), inserted.first));
}

BOOL WINAPI UnregisterClassA(LPCSTR lpClassName, HINSTANCE) {
  if (!lpClassName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto found = Classes().find(lpClassName);
  if (found == Classes().end()) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return FALSE;
  }
  for (auto& entry : Windows()) {
    if (entry.second->className == lpClassName) {
      SetLastError(ERROR_CLASS_HAS_WINDOWS);
      return FALSE;
    }
  }
  Classes().erase(found);
  return TRUE;
}

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y,
                            int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance,
                            LPVOID lpParam) {
  if (!lpClassName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto found = Classes().find(lpClassName);
  if (found == Classes().end()) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  if (hWndParent && !Win32FindWindow(hWndParent)) return nullptr;

  std::unique_ptr<Win32Window> created(new (std::nothrow) Win32Window());
  if (!created) {
    SetLastError(ERROR_OUTOFMEMORY);
    return nullptr;
  }
  Win32Window& window = *created;
  window.className = found->first;
  window.proc = found->second.desc.lpfnWndProc;
  window.style = dwStyle;
  window.exStyle = dwExStyle;
  window.userData = 0;
  window.x = X;
  window.y = Y;
  if (nWidth == CW_USEDEFAULT) nWidth = 640;
  if (nHeight == CW_USEDEFAULT) nHeight = 480;
  window.clientWidth = std::max(0, nWidth - 2 * FrameWidth(dwStyle));
  window.clientHeight = std::max(0, nHeight - 2 * FrameWidth(dwStyle) - CaptionHeight(dwStyle));
  window.visible = (dwStyle & WS_VISIBLE) != 0;
  window.minimized = false;
  window.maximized = false;
  window.needsPaint = window.visible;
  window.sdl = CreateSdlWindow(lpWindowName, window);
  if (Win32HasDisplay() && !window.sdl) {
    SetLastError(ERROR_OUTOFMEMORY);
    return nullptr;
  }

  HWND handle = HandleOf(created.get());
  Windows().emplace(handle, std::move(created));
  CREATESTRUCTA create = {lpParam, hInstance, hMenu,   hWndParent,   nHeight,     nWidth,
                          Y,       X,         static_cast<LONG>(dwStyle), lpWindowName, lpClassName, dwExStyle};
  LPARAM createParam = reinterpret_cast<LPARAM>(&create);
  if (!SendMessageA(handle, WM_NCCREATE, 0, createParam)) {
    DestroyWindow(handle);
    return nullptr;
  }
  if (SendMessageA(handle, WM_CREATE, 0, createParam) == -1) {
    DestroyWindow(handle);
    return nullptr;
  }
  return handle;
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
  Win32Window* window = Win32FindWindow(hWnd);
  if (!window) return FALSE;
  SendMessageA(hWnd, WM_DESTROY, 0, 0);
  SendMessageA(hWnd, WM_NCDESTROY, 0, 0);
  if (window->sdl) SDL_DestroyWindow(window->sdl);
  Win32ForgetMessages(hWnd);
  Windows().erase(hWnd);
  return TRUE;
}

BOOL WINAPI IsWindow(HWND hWnd) { return Windows().count(hWnd) ? TRUE : FALSE; }

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
  Win32Window* window = Win32FindWindow(hWnd);
  if (!window) return FALSE;
  BOOL wasVisible = window->visible ? TRUE : FALSE;
  switch (nCmdShow) {
    case SW_HIDE:
      window->visible = false;
      if (window->sdl) SDL_HideWindow(window->sdl);
      break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
      window->visible = true;
      if (window->sdl) SDL_MinimizeWindow(window->sdl);
      // Window managers minimise asynchronously (and Xvfb has none): the
      // window counts as minimised from the request on.
      Win32OnClientSize(hWnd, window->clientWidth, window->clientHeight, SIZE_MINIMIZED);
      break;
    case SW_MAXIMIZE:
      window->visible = true;
      if (window->sdl) SDL_MaximizeWindow(window->sdl);
      break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
      window->visible = true;
      if (window->sdl) {
        SDL_ShowWindow(window->sdl);
        SDL_RestoreWindow(window->sdl);
      }
      if (window->minimized || window->maximized)
        Win32OnClientSize(hWnd, window->clientWidth, window->clientHeight, SIZE_RESTORED);
      break;
    default:
      window->visible = true;
      if (window->sdl) SDL_ShowWindow(window->sdl);
      break;
  }
  if (window->visible && !wasVisible) window->needsPaint = true;
  return wasVisible;
}

BOOL WINAPI UpdateWindow(HWND hWnd) {
  Win32Window* window = Win32FindWindow(hWnd);
  if (!window) return FALSE;
  if (window->needsPaint) SendMessageA(hWnd, WM_PAINT, 0, 0);
  return TRUE;
}

BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
  Win32Window* window = Win32FindWindow(hWnd);
  if (!window) return FALSE;
  int width = std::max(0, nWidth - 2 * FrameWidth(window->style));
  int height = std::max(0, nHeight - 2 * FrameWidth(window->style) - CaptionHeight(window->style));
  window->x = X;
  window->y = Y;
  if (window->sdl) {
    SDL_SetWindowPosition(window->sdl, X, Y);
    SDL_SetWindowSize(window->sdl, std::max(width, 1), std::max(height, 1));
  }
  // Windows sends WM_SIZE from inside the call; the windowing system's own
  // notice of the change arrives later and finds the size already recorded.
  Win32OnClientSize(hWnd, width, height, window->maximized ? SIZE_MAXIMIZED : SIZE_RESTORED);
  if (bRepaint && window->visible) window->needsPaint = true;
  return TRUE;
}

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString) {
  if (!Win32FindWindow(hWnd)) return FALSE;
  return SendMessageA(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) ? TRUE : FALSE;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
  Win32Window* window = Win32FindWindow(hWnd);
  if (!window || !lpRect) return FALSE;
  *lpRect = RECT{0, 0, window->clientWidth, window->clientHeight};
  return TRUE;
}

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
  Win32Window* window = Win32FindWindow(hWnd);
  if (!window || !lpRect) return FALSE;
  int frame = FrameWidth(window->style);
  int x = window->x == CW_USEDEFAULT ? 0 : window->x;
  int y = window->x == CW_USEDEFAULT ? 0 : window->y;
  *lpRect = RECT{x, y, x + window->clientWidth + 2 * frame,
                 y + window->clientHeight + 2 * frame + CaptionHeight(window->style)};
  return TRUE;
}

LONG_PTR WINAPI SetWindowLongA(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
  Win32Window* window = Win32FindWindow(hWnd);
  if (!window) return 0;
  LONG_PTR previous = 0;
  switch (nIndex) {
    case GWL_USERDATA:
      previous = window->userData;
      window->userData = dwNewLong;
      break;
    case GWL_WNDPROC:
      if (!dwNewLong) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
      }
      previous = reinterpret_cast<LONG_PTR>(window->proc);
      window->proc = reinterpret_cast<WNDPROC>(dwNewLong);
      break;
    case GWL_STYLE:
      previous = window->style;
      window->style = static_cast<DWORD>(dwNewLong);
      break;
    case GWL_EXSTYLE:
      previous = window->exStyle;
      window->exStyle = static_cast<DWORD>(dwNewLong);
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
  }
  // A previous value of 0 is told from a failure by the cleared last error.
  SetLastError(ERROR_SUCCESS);
  return previous;
}

LONG_PTR WINAPI GetWindowLongA(HWND hWnd, int nIndex) {
  Win32Window* window = Win32FindWindow(hWnd);
  if (!window) return 0;
  switch (nIndex) {
    case GWL_USERDATA: return window->userData;
    case GWL_WNDPROC: return reinterpret_cast<LONG_PTR>(window->proc);
    case GWL_STYLE: return window->style;
    case GWL_EXSTYLE: return window->exStyle;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
  }
}

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  Win32Window* window = Win32FindWindow(hWnd);
  if (!window) return 0;
  switch (Msg) {
    case WM_NCCREATE:
      return TRUE;
    case WM_NCHITTEST:
      return HTCLIENT;
    case WM_PAINT:
      window->needsPaint = false;
      return 0;
    case WM_SETTEXT:
      if (window->sdl) SDL_SetWindowTitle(window->sdl, lParam ? reinterpret_cast<const char*>(lParam) : "");
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(hWnd);
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4 && (lParam & (1L << 29))) SendMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_SYSCHAR:
      SendMessageA(hWnd, WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(wParam));
      return 0;
    case WM_SYSCOMMAND:
      // The low four bits of the command are the system's own.
      switch (wParam & 0xFFF0) {
        case SC_CLOSE: SendMessageA(hWnd, WM_CLOSE, 0, 0); break;
        case SC_MINIMIZE: ShowWindow(hWnd, SW_MINIMIZE); break;
        case SC_MAXIMIZE: ShowWindow(hWnd, SW_MAXIMIZE); break;
        case SC_RESTORE: ShowWindow(hWnd, SW_RESTORE); break;
        default: break;  // no menus, no interactive moving or sizing
      }
      return 0;
    default:
      return 0;
  }
}

HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) {
  // Only the system's arrow exists; applications have no cursor resources.
  if (hInstance || lpCursorName != IDC_ARROW) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return reinterpret_cast<HCURSOR>(&g_arrowCursor);
}

HCURSOR WINAPI SetCursor(HCURSOR hCursor) {
  HCURSOR previous = g_currentCursor;
  g_currentCursor = hCursor;
  if (Win32HasDisplay()) {
    // SDL frees its cursors when video shuts down.
    static SDL_Cursor* s_arrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    if (hCursor && s_arrow) SDL_SetCursor(s_arrow);
    SDL_ShowCursor(hCursor ? SDL_ENABLE : SDL_DISABLE);
  }
  return previous;
}

HGDIOBJ WINAPI GetStockObject(int i) {
  if (i < WHITE_BRUSH || i > NULL_BRUSH) return nullptr;
  return &g_stockObjects[i];
}

}  // extern "C"
