// Process services of the Win32 subset over POSIX: counter, debugger output,
// sleeping, the last-error value, screen metrics and the current directory.
#include <direct.h>
#include <windows.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>
#include <unistd.h>

#include "sdl/sdl_video.h"
#include "testing/testing_faults.h"

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

constexpr LONGLONG kNanosecondsPerSecond = 1000000000;

// Whether an X display name ("[host]:display[.screen]") points at another
// machine. A local socket has no host (or "unix"); ssh forwards X through
// loopback displays numbered from 10 (its default X11DisplayOffset); any other
// host is remote. Without DISPLAY (Wayland, console) the session is local.
bool IsRemoteX11Display(const char* name) {
  if (!name) return false;
  std::string_view display(name);
  std::size_t colon = display.rfind(':');
  if (colon == std::string_view::npos) return false;
  std::string_view host = display.substr(0, colon);
  if (host.empty() || host == "unix") return false;
  if (host == "localhost" || host == "127.0.0.1") return std::atoi(name + colon + 1) >= 10;
  return true;
}

}  // namespace

extern "C" {

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount) {
  if (!lpPerformanceCount) return FALSE;
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  lpPerformanceCount->QuadPart = static_cast<LONGLONG>(now.tv_sec) * kNanosecondsPerSecond + now.tv_nsec;
  return TRUE;
}

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency) {
  if (!lpFrequency) return FALSE;
  lpFrequency->QuadPart = kNanosecondsPerSecond;
  return TRUE;
}

void WINAPI OutputDebugStringA(LPCSTR lpOutputString) {
  if (lpOutputString) std::fputs(lpOutputString, stderr);
}

void WINAPI Sleep(DWORD dwMilliseconds) {
  timespec remaining{static_cast<time_t>(dwMilliseconds / 1000), static_cast<long>(dwMilliseconds % 1000) * 1000000};
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

DWORD WINAPI GetLastError(void) { return t_lastError; }

void WINAPI SetLastError(DWORD dwErrCode) { t_lastError = dwErrCode; }

int WINAPI GetSystemMetrics(int nIndex) {
  switch (nIndex) {
    case SM_REMOTESESSION: {
      int forced = RemoteSessionOverride();
      if (forced >= 0) return forced;
      return IsRemoteX11Display(std::getenv("DISPLAY")) ? 1 : 0;
    }
    case SM_CXSCREEN:
    case SM_CYSCREEN: {
      SdlVideo video;
      SdlDisplayMode desktop;
      if (!video.GetDesktopMode(0, &desktop)) return 0;
      return nIndex == SM_CXSCREEN ? desktop.width : desktop.height;
    }
    // The frame sizes of the classic theme, which window sizes follow.
    case SM_CXFRAME:
    case SM_CYFRAME:
      return 4;
    case SM_CXBORDER:
    case SM_CYBORDER:
      return 1;
    case SM_CYCAPTION:
      return 19;
    default:
      return 0;
  }
}

// Only the primary display's current mode is offered; dmSize must cover the
// fields written.
BOOL WINAPI EnumDisplaySettingsA(LPCSTR lpszDeviceName, DWORD iModeNum, DEVMODEA* lpDevMode) {
  if (lpszDeviceName || iModeNum != ENUM_CURRENT_SETTINGS || !lpDevMode ||
      lpDevMode->dmSize < offsetof(DEVMODEA, dmICMMethod)) {
    return FALSE;
  }
  SdlVideo video;
  SdlDisplayMode desktop;
  if (!video.GetDesktopMode(0, &desktop)) return FALSE;
  lpDevMode->dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
  lpDevMode->dmBitsPerPel = static_cast<DWORD>(desktop.bitsPerPixel);
  lpDevMode->dmPelsWidth = static_cast<DWORD>(desktop.width);
  lpDevMode->dmPelsHeight = static_cast<DWORD>(desktop.height);
  lpDevMode->dmDisplayFrequency = static_cast<DWORD>(desktop.refreshRate);
  return TRUE;
}

char* _getcwd(char* buffer, int maxlen) {
  if (maxlen <= 0) {
    errno = EINVAL;
    return nullptr;
  }
  return getcwd(buffer, static_cast<std::size_t>(maxlen));
}

}  // extern "C"
