// What a swap chain asks of the SDL window behind its output window: showing
// a picture, the display's refresh rate, and the full-screen switch.
#pragma once

struct SDL_Surface;
struct SDL_Window;

// A picture of 8-bit RGBA pixels, top row first and rows tightly packed, that
// can be shown in windows. Made once per back-buffer size so that showing a
// frame allocates nothing.
class SdlPicture {
 public:
  SdlPicture(int width, int height);
  ~SdlPicture();
  SdlPicture(const SdlPicture&) = delete;
  SdlPicture& operator=(const SdlPicture&) = delete;

  // Null when SDL could not make the picture.
  void* Pixels() const;
  // Shows the picture in the window, stretched when the window's size
  // differs. False when SDL refuses.
  bool ShowIn(SDL_Window* window) const;

 private:
  SDL_Surface* m_surface;
};

// The window's own pixels, when they are width x height rows of 32 bits
// without padding that a picture can be written into directly: *bgra tells
// the byte order (B, G, R, x when true; R, G, B, x otherwise). Null when the
// window needs a picture blitted instead. SdlUpdateWindow then shows them.
void* SdlWindowPixels(SDL_Window* window, int width, int height, bool* bgra);
bool SdlUpdateWindow(SDL_Window* window);

// The refresh rate of the display the window is on, in Hz (60 when the
// display does not tell).
int SdlRefreshRate(SDL_Window* window);

// The client size as the windowing system has it now.
void SdlWindowSize(SDL_Window* window, int* width, int* height);

// Full screen on a display (-1: the one the window is on) in the display mode
// closest to width x height at refreshRate Hz (0: any); false when the
// display has no such mode or the windowing system refuses.
bool SdlEnterFullscreen(SDL_Window* window, int display, int width, int height, int refreshRate);
bool SdlLeaveFullscreen(SDL_Window* window);
