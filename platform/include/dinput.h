// The subset of DirectInput 8 the engine uses: the system mouse read as one
// state record per frame. The mouse is the windowing system's pointer: with
// no display there is no mouse device.
#pragma once

#include "windows.h"
#include "unknwn.h"

#ifndef DIRECTINPUT_VERSION
#define DIRECTINPUT_VERSION 0x0800
#endif

#define DI_OK S_OK
#define DI_NOEFFECT S_FALSE
#define DIERR_OLDDIRECTINPUTVERSION _HRESULT_TYPEDEF_(0x8007047EL)
#define DIERR_BETADIRECTINPUTVERSION _HRESULT_TYPEDEF_(0x80070481L)
#define DIERR_DEVICENOTREG REGDB_E_CLASSNOTREG
#define DIERR_INVALIDPARAM E_INVALIDARG
#define DIERR_NOAGGREGATION _HRESULT_TYPEDEF_(0x80040110L)
#define DIERR_NOINTERFACE E_NOINTERFACE
#define DIERR_OUTOFMEMORY E_OUTOFMEMORY
#define DIERR_UNSUPPORTED E_NOTIMPL
#define DIERR_OTHERAPPHASPRIO E_ACCESSDENIED
#define DIERR_NOTINITIALIZED _HRESULT_TYPEDEF_(0x80070015L)
#define DIERR_INPUTLOST _HRESULT_TYPEDEF_(0x8007001EL)
#define DIERR_ACQUIRED _HRESULT_TYPEDEF_(0x800700AAL)
#define DIERR_NOTACQUIRED _HRESULT_TYPEDEF_(0x8007000CL)

// SetCooperativeLevel flags.
#define DISCL_EXCLUSIVE 0x00000001
#define DISCL_NONEXCLUSIVE 0x00000002
#define DISCL_FOREGROUND 0x00000004
#define DISCL_BACKGROUND 0x00000008
#define DISCL_NOWINKEY 0x00000010

// Object types of a data format.
#define DIDFT_ALL 0x00000000
#define DIDFT_RELAXIS 0x00000001
#define DIDFT_ABSAXIS 0x00000002
#define DIDFT_AXIS 0x00000003
#define DIDFT_PSHBUTTON 0x00000004
#define DIDFT_TGLBUTTON 0x00000008
#define DIDFT_BUTTON 0x0000000C
#define DIDFT_ANYINSTANCE 0x00FFFF00
#define DIDFT_INSTANCEMASK DIDFT_ANYINSTANCE
#define DIDFT_MAKEINSTANCE(n) ((WORD)(n) << 8)
#define DIDFT_GETINSTANCE(n) ((WORD)((n) >> 8))
#define DIDFT_OPTIONAL 0x80000000

// Data format flags.
#define DIDF_ABSAXIS 0x00000001
#define DIDF_RELAXIS 0x00000002

typedef struct _DIOBJECTDATAFORMAT {
  const GUID* pguid;
  DWORD dwOfs;
  DWORD dwType;
  DWORD dwFlags;
} DIOBJECTDATAFORMAT, *LPDIOBJECTDATAFORMAT;
typedef const DIOBJECTDATAFORMAT* LPCDIOBJECTDATAFORMAT;

typedef struct _DIDATAFORMAT {
  DWORD dwSize;
  DWORD dwObjSize;
  DWORD dwFlags;
  DWORD dwDataSize;
  DWORD dwNumObjs;
  LPDIOBJECTDATAFORMAT rgodf;
} DIDATAFORMAT, *LPDIDATAFORMAT;
typedef const DIDATAFORMAT* LPCDIDATAFORMAT;

// The state c_dfDIMouse delivers: relative X, Y and wheel movement since the
// last read, and four buttons, pressed when bit 7 is set.
typedef struct DIMOUSESTATE {
  LONG lX;
  LONG lY;
  LONG lZ;
  BYTE rgbButtons[4];
} DIMOUSESTATE, *LPDIMOUSESTATE;

extern "C" const GUID GUID_XAxis;
extern "C" const GUID GUID_YAxis;
extern "C" const GUID GUID_ZAxis;
extern "C" const GUID GUID_Button;
extern "C" const GUID GUID_SysMouse;
extern "C" const IID IID_IDirectInput8A;
extern "C" const IID IID_IDirectInputDevice8A;
extern "C" const DIDATAFORMAT c_dfDIMouse;

// Methods in their published order; the ones the engine never calls are
// left out.
struct IDirectInputDevice8A : public IUnknown {
  // DIERR_NOTINITIALIZED without a data format; S_FALSE when already acquired.
  virtual HRESULT STDMETHODCALLTYPE Acquire() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unacquire() = 0;
  // Fills cbData bytes (the data format's size) and restarts the relative
  // axes. DIERR_NOTACQUIRED before Acquire; DIERR_INPUTLOST when a
  // foreground device's window lost the focus (the device is unacquired).
  virtual HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD cbData, LPVOID lpvData) = 0;
  // Axes and buttons of the format are matched to the mouse by type and
  // instance; DIERR_ACQUIRED while acquired.
  virtual HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT lpdf) = 0;
  // Exclusive mode captures the pointer and hides the cursor; foreground
  // mode delivers state only while the window has the focus.
  virtual HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND hwnd, DWORD dwFlags) = 0;
};
MORVANE_DECLARE_UUID(IDirectInputDevice8A, IID_IDirectInputDevice8A);
typedef IDirectInputDevice8A* LPDIRECTINPUTDEVICE8A;

struct IDirectInput8A : public IUnknown {
  // GUID_SysMouse only; DIERR_DEVICENOTREG for other devices and when there
  // is no display (and so no pointer).
  virtual HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID rguid, LPDIRECTINPUTDEVICE8A* lplpDirectInputDevice,
                                                 IUnknown* pUnkOuter) = 0;
};
MORVANE_DECLARE_UUID(IDirectInput8A, IID_IDirectInput8A);
typedef IDirectInput8A* LPDIRECTINPUT8A;

// dwVersion 0x0800 only (DIERR_OLDDIRECTINPUTVERSION below it,
// DIERR_BETADIRECTINPUTVERSION above); riidltf IID_IDirectInput8A.
extern "C" HRESULT WINAPI DirectInput8Create(HINSTANCE hinst, DWORD dwVersion, REFIID riidltf, LPVOID* ppvOut,
                                             IUnknown* punkOuter);
