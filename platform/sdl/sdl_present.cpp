#include "sdl/sdl_present.h"

#include <SDL.h>

SdlPicture::SdlPicture(int width, int height)
    : m_surface(SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGBA32)) {
  // Presenting replaces every pixel of the window.
  if (m_surface) SDL_SetSurfaceBlendMode(m_surface, SDL_BLENDMODE_NONE);
}

SdlPicture::~SdlPicture() { SDL_FreeSurface(m_surface); }

void* SdlPicture::Pixels() const { return m_surface ? m_surface->pixels : nullptr; }

namespace {

SDL_Surface* WindowSurface(SDL_Window* window) {
  // SDL would otherwise back window surfaces with a GL renderer of its own,
  // whose context fights the devices' contexts; pictures are ready-made
  // pixels, which the windowing system takes directly (X11 shared memory).
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  return SDL_GetWindowSurface(window);
}

}  // namespace

void* SdlWindowPixels(SDL_Window* window, int width, int height, bool* bgra) {
  SDL_Surface* surface = WindowSurface(window);
  if (!surface || surface->w != width || surface->h != height || surface->pitch != width * 4 ||
      SDL_MUSTLOCK(surface))
    return nullptr;
  switch (surface->format->format) {
    case SDL_PIXELFORMAT_ARGB8888:
    case SDL_PIXELFORMAT_RGB888:
      *bgra = true;
      return surface->pixels;
    case SDL_PIXELFORMAT_ABGR8888:
    case SDL_PIXELFORMAT_BGR888:
      *bgra = false;
      return surface->pixels;
    default:
      return nullptr;
  }
}

bool SdlUpdateWindow(SDL_Window* window) { return SDL_UpdateWindowSurface(window) == 0; }

bool SdlPicture::ShowIn(SDL_Window* window) const {
  SDL_Surface* target = m_surface ? WindowSurface(window) : nullptr;
  if (!target) return false;
  // SDL converts the format while it blits, so the picture lands in whatever
  // layout the window surface has.
  bool sameSize = target->w == m_surface->w && target->h == m_surface->h;
  int blitted = sameSize ? SDL_BlitSurface(m_surface, nullptr, target, nullptr)
                         : SDL_BlitScaled(m_surface, nullptr, target, nullptr);
  return blitted == 0 && SDL_UpdateWindowSurface(window) == 0;
}

int SdlRefreshRate(SDL_Window* window) {
  SDL_DisplayMode mode;
  if (SDL_GetWindowDisplayMode(window, &mode) == 0 && mode.refresh_rate > 0) return mode.refresh_rate;
  int display = SDL_GetWindowDisplayIndex(window);
  if (display >= 0 && SDL_GetDesktopDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0) return mode.refresh_rate;
  return 60;
}

void SdlWindowSize(SDL_Window* window, int* width, int* height) { SDL_GetWindowSize(window, width, height); }

bool SdlEnterFullscreen(SDL_Window* window, int display, int width, int height, int refreshRate) {
  if (display < 0) display = SDL_GetWindowDisplayIndex(window);
  if (display < 0) return false;
  SDL_DisplayMode wanted = {0, width, height, refreshRate, nullptr};
  SDL_DisplayMode closest;
  if (!SDL_GetClosestDisplayMode(display, &wanted, &closest)) return false;
  if (SDL_SetWindowDisplayMode(window, &closest) != 0) return false;
  // A window moves to the display it goes full screen on.
  SDL_Rect bounds;
  if (SDL_GetDisplayBounds(display, &bounds) == 0 && SDL_GetWindowDisplayIndex(window) != display) {
    SDL_SetWindowPosition(window, bounds.x, bounds.y);
  }
  return SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0;
}

bool SdlLeaveFullscreen(SDL_Window* window) { return SDL_SetWindowFullscreen(window, 0) == 0; }
