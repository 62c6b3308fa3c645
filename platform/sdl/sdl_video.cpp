#include "sdl/sdl_video.h"

#include <SDL.h>

namespace {

// SDL falls back to these drivers silently when no display server can be
// reached; they have no screen to present to, so they count as no display.
bool IsDisplayDriver(const char* name) {
  static const char* const kHeadlessDrivers[] = {"offscreen", "dummy", "evdev"};
  if (!name) return false;
  for (const char* headless : kHeadlessDrivers) {
    if (SDL_strcasecmp(name, headless) == 0) return false;
  }
  return true;
}

// Xvfb and some X servers without RandR rates report 0; the mode lists and
// v-sync pacing need a real rate, and 60 Hz is what such displays scan out.
constexpr int kAssumedRefreshRate = 60;

SdlDisplayMode ToDisplayMode(const SDL_DisplayMode& mode) {
  return SdlDisplayMode{mode.w, mode.h, mode.refresh_rate > 0 ? mode.refresh_rate : kAssumedRefreshRate,
                        static_cast<int>(SDL_BYTESPERPIXEL(mode.format)) * 8};
}

// Looks for a real display once per process. When there is one, this first
// initialisation is kept for the life of the process: reconnecting to the
// display server for every query is slow, and a busy X server refuses some of
// a quick run of reconnections.
bool StartVideoForProcess() {
  // SDL would otherwise turn SIGINT and SIGTERM into quit events, and a host
  // that is not pumping events could no longer be interrupted. The
  // environment variable of the same hint still wins.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // Without a display server named in the environment there is nothing to
  // connect to; probing anyway only makes the client libraries complain.
  if (!SDL_getenv("SDL_VIDEODRIVER")) {
    if (!SDL_getenv("DISPLAY") && !SDL_getenv("WAYLAND_DISPLAY")) return false;
    if (!SDL_getenv("WAYLAND_DISPLAY")) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  }
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  if (!IsDisplayDriver(SDL_GetCurrentVideoDriver())) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  return true;
}

}  // namespace

SdlVideo::SdlVideo() {
  static const bool s_hasDisplay = StartVideoForProcess();
  m_hasDisplay = s_hasDisplay && SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

SdlVideo::~SdlVideo() {
  if (m_hasDisplay) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

int SdlVideo::DisplayCount() const {
  if (!m_hasDisplay) return 0;
  int count = SDL_GetNumVideoDisplays();
  return count > 0 ? count : 0;
}

bool SdlVideo::GetBounds(int display, SdlDisplayBounds* bounds) const {
  SDL_Rect rect;
  if (!m_hasDisplay || SDL_GetDisplayBounds(display, &rect) != 0) return false;
  *bounds = SdlDisplayBounds{rect.x, rect.y, rect.w, rect.h};
  return true;
}

bool SdlVideo::GetDesktopMode(int display, SdlDisplayMode* mode) const {
  SDL_DisplayMode desktop;
  if (!m_hasDisplay || SDL_GetDesktopDisplayMode(display, &desktop) != 0) return false;
  *mode = ToDisplayMode(desktop);
  return true;
}

bool SdlVideo::GetModes(int display, std::vector<SdlDisplayMode>* modes) const {
  modes->clear();
  int count = m_hasDisplay ? SDL_GetNumDisplayModes(display) : -1;
  if (count < 0) return false;
  for (int i = 0; i < count; ++i) {
    SDL_DisplayMode mode;
    if (SDL_GetDisplayMode(display, i, &mode) == 0 && mode.w > 0 && mode.h > 0) {
      modes->push_back(ToDisplayMode(mode));
    }
  }
  return true;
}
