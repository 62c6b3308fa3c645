// MessageBoxA: an SDL message box on a display, stderr without one.
#include <windows.h>

#include <SDL.h>

#include <cstdio>

#include "testing/testing_faults.h"
#include "win32/win32_window.h"

namespace {

struct ButtonSet {
  UINT type;
  int count;
  int ids[3];
  const char* labels[3];
  // What closing the box (Escape, the window's close button) answers, and
  // what a box answers when nobody can see it.
  int cancel;
};

const ButtonSet kButtonSets[] = {
    {MB_OK, 1, {IDOK}, {"OK"}, IDOK},
    {MB_OKCANCEL, 2, {IDOK, IDCANCEL}, {"OK", "Cancel"}, IDCANCEL},
    {MB_ABORTRETRYIGNORE, 3, {IDABORT, IDRETRY, IDIGNORE}, {"Abort", "Retry", "Ignore"}, IDABORT},
    {MB_YESNOCANCEL, 3, {IDYES, IDNO, IDCANCEL}, {"Yes", "No", "Cancel"}, IDCANCEL},
    {MB_YESNO, 2, {IDYES, IDNO}, {"Yes", "No"}, IDNO},
    {MB_RETRYCANCEL, 2, {IDRETRY, IDCANCEL}, {"Retry", "Cancel"}, IDCANCEL},
};

Uint32 IconFlags(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND: return SDL_MESSAGEBOX_ERROR;
    case MB_ICONEXCLAMATION: return SDL_MESSAGEBOX_WARNING;
    case MB_ICONASTERISK:
    case MB_ICONQUESTION: return SDL_MESSAGEBOX_INFORMATION;
    default: return 0;
  }
}

void WriteToStderr(const char* caption, const char* text) {
  std::fprintf(stderr, "%s\n%s\n", caption, text);
  std::fflush(stderr);
}

}  // namespace

extern "C" int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  static FaultSite s_site("MessageBoxA");
  s_site.Hit();
  UINT buttons = uType & MB_TYPEMASK;
  const ButtonSet* set = nullptr;
  for (const ButtonSet& candidate : kButtonSets) {
    if (candidate.type == buttons) set = &candidate;
  }
  if (!set) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const char* text = lpText ? lpText : "";
  // Windows captions a box without a caption "Error".
  const char* caption = lpCaption ? lpCaption : "Error";

  if (int answer = MessageBoxAnswerOverride()) {
    WriteToStderr(caption, text);
    return answer;
  }
  if (!Win32HasDisplay()) {
    WriteToStderr(caption, text);
    return set->cancel;
  }

  Win32Window* owner = hWnd ? Win32FindWindow(hWnd) : nullptr;
  SDL_MessageBoxButtonData data[3];
  for (int i = 0; i < set->count; ++i) {
    Uint32 flags = 0;
    if (i == 0) flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
    if (set->ids[i] == set->cancel) flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    data[i] = SDL_MessageBoxButtonData{flags, set->ids[i], set->labels[i]};
  }
  SDL_MessageBoxData box = {IconFlags(uType), owner ? owner->sdl : nullptr, caption, text, set->count, data, nullptr};
  int chosen = -1;
  if (SDL_ShowMessageBox(&box, &chosen) != 0) {
    // The display refused the box: the text must still reach someone.
    WriteToStderr(caption, text);
    return set->cancel;
  }
  return chosen < 0 ? set->cancel : chosen;
}
