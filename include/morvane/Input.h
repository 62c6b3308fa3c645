// Input: the mouse, read through DirectInput once per frame, with the
// movement of the last frame and a small state machine per button.
#pragma once

#include <windows.h>

struct IDirectInput8A;
struct IDirectInputDevice8A;

// Button indices in DirectInput's order.
enum MOUSEBUTTON {
  MOUSE_LEFT = 0,
  MOUSE_RIGHT = 1,
  MOUSE_MIDDLE = 2,
  MOUSE_BUTTON4 = 3,
  MOUSE_BUTTON5 = 4,
  MOUSE_BUTTON6 = 5,
  MOUSE_BUTTON7 = 6
};

// Flags of a button byte.
const unsigned char MOUSE_DOWN = 1;       // held
const unsigned char MOUSE_WENTDOWN = 2;   // pressed in the last Update
const unsigned char MOUSE_WENTUP = 4;     // released in the last Update

class Input {
 public:
  static const unsigned int kButtonCount = 7;

  // Opens the system mouse for the window, non-exclusive and also in the
  // background; each failure is logged and leaves the later objects null.
  Input(HWND__* window, HINSTANCE__* instance);
  ~Input();
  Input(const Input&) = delete;
  // Copies field by field: both objects then name the same DirectInput
  // objects, with one more reference each.
  Input& operator=(const Input& other);

  // Reads the mouse once; a failed read is logged and changes nothing.
  void Update();

  int GetMouseDX() const { return m_MouseDX; }
  int GetMouseDY() const { return m_MouseDY; }
  int GetMouseDZ() const { return m_MouseDZ; }
  // The flag byte of a button; 0 for an index past the last button.
  unsigned char GetMouseButton(MOUSEBUTTON button) const;
  HWND__* GetHWnd() const { return m_hWnd; }

 private:
  HWND m_hWnd;
  IDirectInputDevice8A* m_pMouseDevice;
  IDirectInput8A* m_pDirectInput;
  int m_MouseDX;
  int m_MouseDY;
  int m_MouseDZ;
  unsigned char m_MouseButtons[kButtonCount];
};
