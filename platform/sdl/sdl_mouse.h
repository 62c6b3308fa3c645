// The pointer of the windowing system as a relative mouse: movement and wheel
// add up from SDL's events as they arrive (injected ones included) until
// they are taken, buttons follow their press and release events.
#pragma once

#include "sdl/sdl_video.h"

struct SDL_Window;

struct SdlMouseState {
  int dx, dy;  // pixels since the last Take
  int wheel;   // wheel notches since the last Take, away from the user positive
  // Bit i: button i held, in DirectInput's order (left, right, middle, X1, X2).
  unsigned buttons;
};

class SdlMouse {
 public:
  static const unsigned kButtonCount = 5;

  SdlMouse();
  ~SdlMouse();
  SdlMouse(const SdlMouse&) = delete;
  SdlMouse& operator=(const SdlMouse&) = delete;

  // False without a display: there is no pointer then.
  bool Available() const { return m_video.HasDisplay(); }
  // Collects the waiting events, then hands over and restarts the movement.
  SdlMouseState Take();
  // Captures the pointer (hidden, movement unbounded) or frees it.
  void SetCaptured(bool captured);
  // Whether the window has the keyboard focus.
  static bool HasFocus(SDL_Window* window);

 private:
  static int OnEvent(void* mouse, union SDL_Event* event);

  SdlVideo m_video;
  SdlMouseState m_state = {0, 0, 0, 0};
};
