// DirectInput 8 over the SDL pointer: the DirectInput object and its one
// device kind, the system mouse.
#pragma once

#include <dinput.h>

#include <vector>

#include "com/com_object.h"
#include "sdl/sdl_mouse.h"

MORVANE_COM_PARENT(IDirectInput8A, IUnknown);
MORVANE_COM_PARENT(IDirectInputDevice8A, IUnknown);

class DInputMouse final : public ComObject<IDirectInputDevice8A> {
 public:
  DInputMouse() = default;

  HRESULT STDMETHODCALLTYPE Acquire() override;
  HRESULT STDMETHODCALLTYPE Unacquire() override;
  HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD cbData, LPVOID lpvData) override;
  HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT lpdf) override;
  HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND hwnd, DWORD dwFlags) override;

  bool Available() const { return m_mouse.Available(); }

 private:
  ~DInputMouse() override;
  bool WindowHasFocus() const;

  // Where one object of the data format goes in the state record.
  struct Field {
    DWORD offset;
    bool axis;
    unsigned index;  // X, Y, Z for axes; DirectInput's button order
  };

  SdlMouse m_mouse;
  std::vector<Field> m_fields;
  DWORD m_dataSize = 0;
  bool m_hasFormat = false;
  bool m_absolute = false;
  // Axis positions for a format with absolute axes.
  LONG m_position[3] = {0, 0, 0};
  HWND m_window = nullptr;
  DWORD m_level = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
  bool m_acquired = false;
};

class DInput final : public ComObject<IDirectInput8A> {
 public:
  DInput() = default;

  HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID rguid, LPDIRECTINPUTDEVICE8A* lplpDirectInputDevice,
                                         IUnknown* pUnkOuter) override;

 private:
  ~DInput() override = default;
};
