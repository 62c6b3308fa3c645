// The thread's message queue. SDL events become the Win32 messages of the
// windows they concern: what Windows sends (size, activation, close) goes to
// the window procedure at once, from inside PeekMessageA; what Windows posts
// (keys, mouse) joins the queue. As on Windows, WM_QUIT comes when no other
// message is waiting and WM_PAINT after that, while a window needs painting.
#include <windows.h>

#include <SDL.h>

#include <algorithm>
#include <deque>

#include "win32/win32_window.h"

namespace {

struct Queue {
  std::deque<MSG> posted;
  bool quit = false;
  int quitCode = 0;
};

Queue& GetQueue() {
  static Queue s_queue;
  return s_queue;
}

DWORD Now() { return static_cast<DWORD>(SDL_GetTicks()); }

void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  GetQueue().posted.push_back(MSG{window, message, wParam, lParam, Now(), POINT{0, 0}});
}

// Virtual keys of the SDL keys the layer reports; 0 for the others.
UINT VirtualKey(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
  switch (key) {
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    default: return 0;
  }
}

// Key messages: with Alt held (and for F10) the system variants. lParam packs
// the repeat count (bits 0-15), the context code (bit 29: Alt held), the
// previous key state (bit 30) and the transition state (bit 31).
void PostKey(const SDL_KeyboardEvent& key) {
  HWND window = Win32FindWindowBySdlId(key.windowID);
  UINT vk = VirtualKey(key.keysym.sym);
  if (!window || !vk) return;
  bool down = key.type == SDL_KEYDOWN;
  bool alt = (key.keysym.mod & KMOD_ALT) != 0;
  bool system = alt || vk == VK_F10;
  UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  unsigned long packed = 1;
  if (alt) packed |= 1ul << 29;
  if (!down || key.repeat) packed |= 1ul << 30;
  if (!down) packed |= 1ul << 31;
  Post(window, message, vk, static_cast<LPARAM>(packed));
}

WPARAM MouseKeys(Uint32 buttons) {
  WPARAM keys = 0;
  if (buttons & SDL_BUTTON_LMASK) keys |= MK_LBUTTON;
  if (buttons & SDL_BUTTON_RMASK) keys |= MK_RBUTTON;
  if (buttons & SDL_BUTTON_MMASK) keys |= MK_MBUTTON;
  SDL_Keymod mod = SDL_GetModState();
  if (mod & KMOD_SHIFT) keys |= MK_SHIFT;
  if (mod & KMOD_CTRL) keys |= MK_CONTROL;
  return keys;
}

void PostMouseButton(const SDL_MouseButtonEvent& button) {
  HWND window = Win32FindWindowBySdlId(button.windowID);
  if (!window) return;
  bool down = button.type == SDL_MOUSEBUTTONDOWN;
  UINT message;
  switch (button.button) {
    case SDL_BUTTON_LEFT: message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
    case SDL_BUTTON_RIGHT: message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
    case SDL_BUTTON_MIDDLE: message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
    default: return;
  }
  Post(window, message, MouseKeys(SDL_GetMouseState(nullptr, nullptr)), MAKELPARAM(button.x, button.y));
}

void OnWindowEvent(const SDL_WindowEvent& event) {
  HWND window = Win32FindWindowBySdlId(event.windowID);
  Win32Window* record = window ? Win32FindWindow(window) : nullptr;
  if (!record) return;
  switch (event.event) {
    case SDL_WINDOWEVENT_SHOWN:
      record->visible = true;
      record->needsPaint = true;
      break;
    case SDL_WINDOWEVENT_HIDDEN:
      record->visible = false;
      break;
    case SDL_WINDOWEVENT_EXPOSED:
      record->needsPaint = true;
      break;
    case SDL_WINDOWEVENT_MOVED:
      record->x = event.data1;
      record->y = event.data2;
      // The windowing system reports a move or a size once it is done: the
      // end of what Windows brackets as a modal size-move loop.
      SendMessageA(window, WM_EXITSIZEMOVE, 0, 0);
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      Win32OnClientSize(window, event.data1, event.data2, record->maximized ? SIZE_MAXIMIZED : SIZE_RESTORED);
      SendMessageA(window, WM_EXITSIZEMOVE, 0, 0);
      break;
    case SDL_WINDOWEVENT_MINIMIZED:
      Win32OnClientSize(window, record->clientWidth, record->clientHeight, SIZE_MINIMIZED);
      break;
    case SDL_WINDOWEVENT_MAXIMIZED:
      Win32OnClientSize(window, record->clientWidth, record->clientHeight, SIZE_MAXIMIZED);
      break;
    case SDL_WINDOWEVENT_RESTORED:
      if (record->minimized || record->maximized)
        Win32OnClientSize(window, record->clientWidth, record->clientHeight, SIZE_RESTORED);
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_FOCUS_LOST:
      SendMessageA(window, WM_ACTIVATEAPP, event.event == SDL_WINDOWEVENT_FOCUS_GAINED, 0);
      break;
    case SDL_WINDOWEVENT_CLOSE:
      SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
      break;
    default:
      break;
  }
}

void Translate(const SDL_Event& event) {
  switch (event.type) {
    case SDL_WINDOWEVENT:
      OnWindowEvent(event.window);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      PostKey(event.key);
      break;
    case SDL_MOUSEMOTION:
      if (HWND window = Win32FindWindowBySdlId(event.motion.windowID))
        Post(window, WM_MOUSEMOVE, MouseKeys(event.motion.state), MAKELPARAM(event.motion.x, event.motion.y));
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      PostMouseButton(event.button);
      break;
    case SDL_MOUSEWHEEL:
      if (HWND window = Win32FindWindowBySdlId(event.wheel.windowID)) {
        int x = 0, y = 0;
        Uint32 buttons = SDL_GetGlobalMouseState(&x, &y);
        Post(window, WM_MOUSEWHEEL, MAKEWPARAM(MouseKeys(buttons), event.wheel.y * WHEEL_DELTA), MAKELPARAM(x, y));
      }
      break;
    default:
      break;
  }
}

// Takes every SDL event that is waiting; the sent messages run here.
void PumpEvents() {
  if (!Win32HasDisplay()) return;
  SDL_PumpEvents();
  SDL_Event event;
  while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) Translate(event);
}

bool InRange(UINT message, UINT first, UINT last) {
  return (first == 0 && last == 0) || (message >= first && message <= last);
}

// hWnd null takes every message of the thread; (HWND)-1 only those posted
// to no window.
bool PassesFilter(const MSG& message, HWND window, UINT first, UINT last) {
  if (window == reinterpret_cast<HWND>(-1)) {
    if (message.hwnd) return false;
  } else if (window && message.hwnd != window) {
    return false;
  }
  return InRange(message.message, first, last);
}

}  // namespace

void Win32ForgetMessages(HWND window) {
  std::deque<MSG>& posted = GetQueue().posted;
  posted.erase(std::remove_if(posted.begin(), posted.end(), [window](const MSG& m) { return m.hwnd == window; }),
               posted.end());
}

extern "C" {

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
  if (!lpMsg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  PumpEvents();
  Queue& queue = GetQueue();
  for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
    if (!PassesFilter(*it, hWnd, wMsgFilterMin, wMsgFilterMax)) continue;
    *lpMsg = *it;
    if (wRemoveMsg & PM_REMOVE) queue.posted.erase(it);
    return TRUE;
  }
  if (queue.quit && InRange(WM_QUIT, wMsgFilterMin, wMsgFilterMax)) {
    *lpMsg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0, Now(), POINT{0, 0}};
    if (wRemoveMsg & PM_REMOVE) queue.quit = false;
    return TRUE;
  }
  if (InRange(WM_PAINT, wMsgFilterMin, wMsgFilterMax) && hWnd != reinterpret_cast<HWND>(-1)) {
    // WM_PAINT stays until the window procedure validates the window.
    if (HWND window = Win32FindWindowToPaint(hWnd)) {
      *lpMsg = MSG{window, WM_PAINT, 0, 0, Now(), POINT{0, 0}};
      return TRUE;
    }
  }
  return FALSE;
}

BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
  if (!lpMsg || (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_SYSKEYDOWN)) return FALSE;
  UINT vk = lpMsg->wParam;
  char character = 0;
  if (vk >= 'A' && vk <= 'Z') {
    SDL_Keymod mod = Win32HasDisplay() ? SDL_GetModState() : KMOD_NONE;
    bool upper = ((mod & KMOD_SHIFT) != 0) != ((mod & KMOD_CAPS) != 0);
    character = static_cast<char>(upper ? vk : vk - 'A' + 'a');
  } else if ((vk >= '0' && vk <= '9') || vk == VK_SPACE || vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_BACK ||
             vk == VK_TAB) {
    character = static_cast<char>(vk == VK_RETURN ? '\r' : vk);
  }
  if (!character) return FALSE;
  Post(lpMsg->hwnd, lpMsg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR, static_cast<unsigned char>(character),
       lpMsg->lParam);
  return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg) {
  if (!lpMsg || !lpMsg->hwnd) return 0;
  Win32Window* window = Win32FindWindow(lpMsg->hwnd);
  if (!window) return 0;
  return window->proc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (hWnd && !Win32FindWindow(hWnd)) return FALSE;
  Post(hWnd, Msg, wParam, lParam);
  return TRUE;
}

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  Win32Window* window = Win32FindWindow(hWnd);
  if (!window) return 0;
  return window->proc(hWnd, Msg, wParam, lParam);
}

void WINAPI PostQuitMessage(int nExitCode) {
  Queue& queue = GetQueue();
  queue.quit = true;
  queue.quitCode = nExitCode;
}

}  // extern "C"
