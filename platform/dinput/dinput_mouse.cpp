#include "dinput/dinput_mouse.h"

#include <cstring>
#include <new>

#include "testing/testing_faults.h"
#include "win32/win32_window.h"

namespace {

constexpr unsigned kAxisCount = 3;
// Data formats larger than this describe no mouse.
constexpr DWORD kMaxObjects = 64;
// Wheel movement per notch, as Windows reports it.
constexpr LONG kWheelDelta = 120;

// The axis an object names: by its GUID, else by its instance, else the next
// one not yet taken; kAxisCount when there is none.
unsigned AxisOf(const DIOBJECTDATAFORMAT& object, unsigned* nextAxis) {
  if (object.pguid) {
    if (*object.pguid == GUID_XAxis) return 0;
    if (*object.pguid == GUID_YAxis) return 1;
    if (*object.pguid == GUID_ZAxis) return 2;
    return kAxisCount;
  }
  WORD instance = DIDFT_GETINSTANCE(object.dwType);
  if (instance != DIDFT_GETINSTANCE(DIDFT_ANYINSTANCE)) return instance < kAxisCount ? instance : kAxisCount;
  return (*nextAxis)++;
}

unsigned ButtonOf(const DIOBJECTDATAFORMAT& object, unsigned* nextButton) {
  if (object.pguid && *object.pguid != GUID_Button) return SdlMouse::kButtonCount;
  WORD instance = DIDFT_GETINSTANCE(object.dwType);
  if (instance != DIDFT_GETINSTANCE(DIDFT_ANYINSTANCE))
    return instance < SdlMouse::kButtonCount ? instance : SdlMouse::kButtonCount;
  return (*nextButton)++;
}

}  // namespace

bool DInputMouse::WindowHasFocus() const {
  Win32Window* window = Win32FindWindow(m_window);
  return SdlMouse::HasFocus(window ? window->sdl : nullptr);
}

DInputMouse::~DInputMouse() {
  if (m_acquired) Unacquire();
}

HRESULT STDMETHODCALLTYPE DInputMouse::Acquire() {
  static FaultSite s_site("IDirectInputDevice8::Acquire");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (!m_hasFormat) return DIERR_NOTINITIALIZED;
  if (m_acquired) return S_FALSE;
  // A foreground device can only be acquired while its window has the focus.
  if ((m_level & DISCL_FOREGROUND) && !WindowHasFocus()) return DIERR_OTHERAPPHASPRIO;
  if (m_level & DISCL_EXCLUSIVE) m_mouse.SetCaptured(true);
  // Movement counts from the moment of acquisition.
  m_mouse.Take();
  m_acquired = true;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DInputMouse::Unacquire() {
  if (!m_acquired) return DI_NOEFFECT;
  if (m_level & DISCL_EXCLUSIVE) m_mouse.SetCaptured(false);
  m_acquired = false;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DInputMouse::GetDeviceState(DWORD cbData, LPVOID lpvData) {
  static FaultSite s_site("IDirectInputDevice8::GetDeviceState");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (!m_acquired) return DIERR_NOTACQUIRED;
  if (!lpvData || cbData != m_dataSize) return DIERR_INVALIDPARAM;
  if ((m_level & DISCL_FOREGROUND) && !WindowHasFocus()) {
    Unacquire();
    return DIERR_INPUTLOST;
  }
  SdlMouseState state = m_mouse.Take();
  const LONG movement[kAxisCount] = {state.dx, state.dy, state.wheel * kWheelDelta};
  LONG axes[kAxisCount];
  for (unsigned i = 0; i < kAxisCount; ++i) {
    m_position[i] += movement[i];
    axes[i] = m_absolute ? m_position[i] : movement[i];
  }
  auto* bytes = static_cast<unsigned char*>(lpvData);
  std::memset(bytes, 0, cbData);
  for (const Field& field : m_fields) {
    if (field.axis) {
      std::memcpy(bytes + field.offset, &axes[field.index], sizeof(LONG));
    } else {
      bytes[field.offset] = (state.buttons >> field.index) & 1u ? 0x80 : 0x00;
    }
  }
  return DI_OK;
}

HRESULT STDMETHODCALLTYPE DInputMouse::SetDataFormat(LPCDIDATAFORMAT lpdf) {
  static FaultSite s_site("IDirectInputDevice8::SetDataFormat");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (m_acquired) return DIERR_ACQUIRED;
  // The record sizes of this runtime's structures.
  if (!lpdf || lpdf->dwSize != sizeof(DIDATAFORMAT) || lpdf->dwObjSize != sizeof(DIOBJECTDATAFORMAT))
    return DIERR_INVALIDPARAM;
  // The state is a whole number of 32-bit values.
  if (lpdf->dwDataSize == 0 || lpdf->dwDataSize % 4 != 0) return DIERR_INVALIDPARAM;
  // Objects are listed when there are any, and no more than a mouse can have.
  if (lpdf->dwNumObjs > kMaxObjects || (lpdf->dwNumObjs && !lpdf->rgodf)) return DIERR_INVALIDPARAM;

  std::vector<Field> fields;
  fields.reserve(lpdf->dwNumObjs);
  unsigned nextAxis = 0;
  unsigned nextButton = 0;
  for (DWORD i = 0; i < lpdf->dwNumObjs; ++i) {
    const DIOBJECTDATAFORMAT& object = lpdf->rgodf[i];
    bool optional = (object.dwType & DIDFT_OPTIONAL) != 0;
    Field field{object.dwOfs, (object.dwType & DIDFT_AXIS) != 0, 0};
    if (field.axis) {
      field.index = AxisOf(object, &nextAxis);
      // An axis is a 32-bit value on a 4-byte boundary inside the state.
      if (field.offset % 4 != 0 || field.offset > lpdf->dwDataSize - 4) return DIERR_INVALIDPARAM;
      if (field.index >= kAxisCount) {
        if (optional) continue;
        return DIERR_INVALIDPARAM;
      }
    } else if (object.dwType & DIDFT_BUTTON) {
      field.index = ButtonOf(object, &nextButton);
      if (field.offset >= lpdf->dwDataSize) return DIERR_INVALIDPARAM;
      if (field.index >= SdlMouse::kButtonCount) {
        if (optional) continue;
        return DIERR_INVALIDPARAM;
      }
    } else {
      // A mouse has axes and buttons only.
      if (optional) continue;
      return DIERR_INVALIDPARAM;
    }
    fields.push_back(field);
  }
  m_fields = std::move(fields);
  m_dataSize = lpdf->dwDataSize;
  m_absolute = (lpdf->dwFlags & DIDF_ABSAXIS) != 0;
  m_hasFormat = true;
  return DI_OK;
}

HRESULT STDMETHODCALLTYPE DInputMouse::SetCooperativeLevel(HWND hwnd, DWORD dwFlags) {
  static FaultSite s_site("IDirectInputDevice8::SetCooperativeLevel");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (m_acquired) return DIERR_ACQUIRED;
  // Exactly one of exclusive and non-exclusive, one of foreground and background.
  bool exclusive = (dwFlags & DISCL_EXCLUSIVE) != 0;
  bool foreground = (dwFlags & DISCL_FOREGROUND) != 0;
  if (exclusive == ((dwFlags & DISCL_NONEXCLUSIVE) != 0)) return DIERR_INVALIDPARAM;
  if (foreground == ((dwFlags & DISCL_BACKGROUND) != 0)) return DIERR_INVALIDPARAM;
  if (dwFlags & ~(DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND | DISCL_NOWINKEY))
    return DIERR_INVALIDPARAM;
  // The mouse is captured only for a window in front.
  if (exclusive && !foreground) return DIERR_UNSUPPORTED;
  if (!Win32FindWindow(hwnd)) return E_HANDLE;
  m_window = hwnd;
  m_level = dwFlags;
  return DI_OK;
}

HRESULT STDMETHODCALLTYPE DInput::CreateDevice(REFGUID rguid, LPDIRECTINPUTDEVICE8A* lplpDirectInputDevice,
                                               IUnknown* pUnkOuter) {
  static FaultSite s_site("IDirectInput8::CreateDevice");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (!lplpDirectInputDevice) return DIERR_INVALIDPARAM;
  *lplpDirectInputDevice = nullptr;
  if (pUnkOuter) return DIERR_NOAGGREGATION;
  if (rguid != GUID_SysMouse) return DIERR_DEVICENOTREG;
  DInputMouse* mouse = new (std::nothrow) DInputMouse();
  if (!mouse) return DIERR_OUTOFMEMORY;
  // Without a display there is no pointer to read.
  if (!mouse->Available()) {
    mouse->Release();
    return DIERR_DEVICENOTREG;
  }
  *lplpDirectInputDevice = mouse;
  return DI_OK;
}

extern "C" HRESULT WINAPI DirectInput8Create(HINSTANCE, DWORD dwVersion, REFIID riidltf, LPVOID* ppvOut,
                                             IUnknown* punkOuter) {
  static FaultSite s_site("DirectInput8Create");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (!ppvOut) return DIERR_INVALIDPARAM;
  *ppvOut = nullptr;
  if (dwVersion < 0x0800) return DIERR_OLDDIRECTINPUTVERSION;
  if (dwVersion > 0x0800) return DIERR_BETADIRECTINPUTVERSION;
  if (punkOuter) return DIERR_NOAGGREGATION;
  if (!ComImplements<IDirectInput8A>(riidltf)) return DIERR_NOINTERFACE;
  DInput* input = new (std::nothrow) DInput();
  if (!input) return DIERR_OUTOFMEMORY;
  *ppvOut = static_cast<IDirectInput8A*>(input);
  return DI_OK;
}
