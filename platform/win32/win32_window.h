// The windows of the Win32 layer. An HWND is the address of a Win32Window;
// each window with a display behind it has an SDL window for its client area
// (the window manager draws the frame), and a window made without a display
// keeps its sizes, styles and messages but is shown nowhere.
#pragma once

#include <windows.h>

#include <string>

struct SDL_Window;

struct Win32Window {
  std::string className;
  WNDPROC proc;
  DWORD style;
  DWORD exStyle;
  LONG_PTR userData;
  int x, y;  // outer top-left
  int clientWidth, clientHeight;
  SDL_Window* sdl;  // null without a display
  bool visible;
  bool minimized;
  bool maximized;
  bool needsPaint;
};

// Whether windows are shown on a display (one SDL video share, kept for the
// life of the process).
bool Win32HasDisplay();

// The window behind a handle; null (and ERROR_INVALID_WINDOW_HANDLE) for a
// handle that names no living window.
Win32Window* Win32FindWindow(HWND window);
// The window whose SDL window has this id; null when it is none of ours.
HWND Win32FindWindowBySdlId(unsigned int sdlId);
// A window that needs WM_PAINT and passes the PeekMessage window filter.
HWND Win32FindWindowToPaint(HWND filter);
// Minimised or hidden: nothing of the client area can be seen.
bool Win32IsWindowOccluded(HWND window);

// Records a client size that the windowing system reports and sends WM_SIZE
// when it differs from the recorded one (or when the size kind changed).
void Win32OnClientSize(HWND window, int width, int height, WPARAM kind);

// Sizes the client area as the user's sizing would (the windowing system
// is asked too); WM_SIZE is sent from inside the call. False for a handle
// that names no window.
bool Win32SetClientSize(HWND window, int width, int height);

// What a point of the client area (in window coordinates) is for, asked of
// the window procedure with WM_NCHITTEST: one of SDL's SDL_HitTestResult
// values, so that a window without decorations can still be moved and sized
// where its procedure says so.
int Win32HitTest(HWND window, int x, int y);

// Drops the posted messages of a window that is being destroyed.
void Win32ForgetMessages(HWND window);
