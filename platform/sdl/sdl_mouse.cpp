#include "sdl/sdl_mouse.h"

#include <SDL.h>

namespace {

// DirectInput's button index of an SDL button; -1 for buttons it has none for.
int ButtonIndex(Uint8 button) {
  switch (button) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    case SDL_BUTTON_X1: return 3;
    case SDL_BUTTON_X2: return 4;
    default: return -1;
  }
}

}  // namespace

SdlMouse::SdlMouse() {
  if (Available()) SDL_AddEventWatch(&SdlMouse::OnEvent, this);
}

SdlMouse::~SdlMouse() {
  if (!Available()) return;
  SDL_DelEventWatch(&SdlMouse::OnEvent, this);
  SetCaptured(false);
}

int SdlMouse::OnEvent(void* data, SDL_Event* event) {
  SdlMouseState& state = static_cast<SdlMouse*>(data)->m_state;
  switch (event->type) {
    case SDL_MOUSEMOTION:
      state.dx += event->motion.xrel;
      state.dy += event->motion.yrel;
      break;
    case SDL_MOUSEWHEEL:
      state.wheel += event->wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event->wheel.y : event->wheel.y;
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      int index = ButtonIndex(event->button.button);
      if (index < 0) break;
      if (event->type == SDL_MOUSEBUTTONDOWN) {
        state.buttons |= 1u << index;
      } else {
        state.buttons &= ~(1u << index);
      }
      break;
    }
    default:
      break;
  }
  // A watch only looks; the event stays in the queue for the message loop.
  return 1;
}

SdlMouseState SdlMouse::Take() {
  SdlMouseState taken = m_state;
  if (!Available()) return taken;
  SDL_PumpEvents();
  taken = m_state;
  m_state.dx = m_state.dy = m_state.wheel = 0;
  return taken;
}

void SdlMouse::SetCaptured(bool captured) {
  if (Available()) SDL_SetRelativeMouseMode(captured ? SDL_TRUE : SDL_FALSE);
}

bool SdlMouse::HasFocus(SDL_Window* window) { return window && SDL_GetKeyboardFocus() == window; }
