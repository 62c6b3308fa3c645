// The subset of DXGI the engine uses: factory, adapters, outputs, display
// modes and swap chains. Adapters are the EGL devices that can run an OpenGL
// 4.5 core context; outputs are the displays of the windowing system, none on
// a headless machine.
#pragma once

#include "windows.h"
#include "dxgitype.h"

#define DXGI_ENUM_MODES_INTERLACED 1
#define DXGI_ENUM_MODES_SCALING 2

typedef struct DXGI_ADAPTER_DESC {
  WCHAR Description[128];
  UINT VendorId;
  UINT DeviceId;
  UINT SubSysId;
  UINT Revision;
  SIZE_T DedicatedVideoMemory;
  SIZE_T DedicatedSystemMemory;
  SIZE_T SharedSystemMemory;
  LUID AdapterLuid;
} DXGI_ADAPTER_DESC;

typedef struct DXGI_OUTPUT_DESC {
  WCHAR DeviceName[32];
  RECT DesktopCoordinates;
  BOOL AttachedToDesktop;
  DXGI_MODE_ROTATION Rotation;
  HMONITOR Monitor;
} DXGI_OUTPUT_DESC;

typedef UINT DXGI_USAGE;
#define DXGI_USAGE_SHADER_INPUT 0x00000010UL
#define DXGI_USAGE_RENDER_TARGET_OUTPUT 0x00000020UL
#define DXGI_USAGE_BACK_BUFFER 0x00000040UL

typedef enum DXGI_SWAP_EFFECT {
  DXGI_SWAP_EFFECT_DISCARD = 0,
  DXGI_SWAP_EFFECT_SEQUENTIAL = 1
} DXGI_SWAP_EFFECT;

typedef enum DXGI_SWAP_CHAIN_FLAG {
  DXGI_SWAP_CHAIN_FLAG_NONPREROTATED = 1,
  DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH = 2,
  DXGI_SWAP_CHAIN_FLAG_GDI_COMPATIBLE = 4
} DXGI_SWAP_CHAIN_FLAG;

typedef struct DXGI_SWAP_CHAIN_DESC {
  DXGI_MODE_DESC BufferDesc;
  DXGI_SAMPLE_DESC SampleDesc;
  DXGI_USAGE BufferUsage;
  UINT BufferCount;
  HWND OutputWindow;
  BOOL Windowed;
  DXGI_SWAP_EFFECT SwapEffect;
  UINT Flags;
} DXGI_SWAP_CHAIN_DESC;

// Present flags.
#define DXGI_PRESENT_TEST 0x00000001UL
#define DXGI_PRESENT_DO_NOT_SEQUENCE 0x00000002UL
#define DXGI_PRESENT_RESTART 0x00000004UL

#define DXGI_MAX_SWAP_CHAIN_BUFFERS 16

// MakeWindowAssociation flags.
#define DXGI_MWA_NO_WINDOW_CHANGES 0x1
#define DXGI_MWA_NO_ALT_ENTER 0x2
#define DXGI_MWA_NO_PRINT_SCREEN 0x4
#define DXGI_MWA_VALID 0x7

extern "C" const IID IID_IDXGIObject;
extern "C" const IID IID_IDXGIFactory;
extern "C" const IID IID_IDXGIAdapter;
extern "C" const IID IID_IDXGIOutput;
extern "C" const IID IID_IDXGIDeviceSubObject;
extern "C" const IID IID_IDXGISwapChain;

struct IDXGIObject : public IUnknown {
  // The object this one was enumerated from (the factory of an adapter,
  // the adapter of an output); E_NOINTERFACE for a factory.
  virtual HRESULT STDMETHODCALLTYPE GetParent(REFIID riid, void** ppParent) = 0;
};
MORVANE_DECLARE_UUID(IDXGIObject, IID_IDXGIObject);

struct IDXGIOutput : public IDXGIObject {
  virtual HRESULT STDMETHODCALLTYPE GetDesc(DXGI_OUTPUT_DESC* pDesc) = 0;
  // With pDesc null, *pNumModes receives the number of modes. Otherwise up to
  // *pNumModes modes are written; DXGI_ERROR_MORE_DATA when more exist.
  // A format the output cannot present gives DXGI_ERROR_UNSUPPORTED.
  virtual HRESULT STDMETHODCALLTYPE GetDisplayModeList(DXGI_FORMAT EnumFormat, UINT Flags, UINT* pNumModes,
                                                       DXGI_MODE_DESC* pDesc) = 0;
};
MORVANE_DECLARE_UUID(IDXGIOutput, IID_IDXGIOutput);

struct IDXGIAdapter : public IDXGIObject {
  // DXGI_ERROR_NOT_FOUND past the last output.
  virtual HRESULT STDMETHODCALLTYPE EnumOutputs(UINT Output, IDXGIOutput** ppOutput) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDesc(DXGI_ADAPTER_DESC* pDesc) = 0;
};
MORVANE_DECLARE_UUID(IDXGIAdapter, IID_IDXGIAdapter);

struct IDXGIDeviceSubObject : public IDXGIObject {
  // The device the object was created for.
  virtual HRESULT STDMETHODCALLTYPE GetDevice(REFIID riid, void** ppDevice) = 0;
};
MORVANE_DECLARE_UUID(IDXGIDeviceSubObject, IID_IDXGIDeviceSubObject);

// Presents the back buffer into its window. With a display the pixels of
// buffer 0 appear in the window's client area, top row at the top; a window
// made without a display shows nothing but presents succeed. Only buffer 0
// can be reached (the discard and sequential effects behave alike).
struct IDXGISwapChain : public IDXGIDeviceSubObject {
  // SyncInterval 0 presents at once, 1 to 4 wait for that many refreshes of
  // the display. DXGI_STATUS_OCCLUDED while the window is minimised or
  // hidden; with DXGI_PRESENT_TEST nothing is presented, only the status told.
  virtual HRESULT STDMETHODCALLTYPE Present(UINT SyncInterval, UINT Flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBuffer(UINT Buffer, REFIID riid, void** ppSurface) = 0;
  // Full screen takes the window's display (or pTarget's) in the mode of the
  // last ResizeTarget; DXGI_ERROR_NOT_CURRENTLY_AVAILABLE when the windowing
  // system refuses or there is no display.
  virtual HRESULT STDMETHODCALLTYPE SetFullscreenState(BOOL Fullscreen, IDXGIOutput* pTarget) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFullscreenState(BOOL* pFullscreen, IDXGIOutput** ppTarget) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDesc(DXGI_SWAP_CHAIN_DESC* pDesc) = 0;
  // Width or height 0 takes the window's client size; NewFormat
  // DXGI_FORMAT_UNKNOWN keeps the format. Buffer 0 is a new texture after it.
  virtual HRESULT STDMETHODCALLTYPE ResizeBuffers(UINT BufferCount, UINT Width, UINT Height, DXGI_FORMAT NewFormat,
                                                  UINT SwapChainFlags) = 0;
  // Windowed: sizes the window's client area; full screen: changes the mode.
  virtual HRESULT STDMETHODCALLTYPE ResizeTarget(const DXGI_MODE_DESC* pNewTargetParameters) = 0;
};
MORVANE_DECLARE_UUID(IDXGISwapChain, IID_IDXGISwapChain);

struct IDXGIFactory : public IDXGIObject {
  // DXGI_ERROR_NOT_FOUND past the last adapter.
  virtual HRESULT STDMETHODCALLTYPE EnumAdapters(UINT Adapter, IDXGIAdapter** ppAdapter) = 0;
  // Records the window; the layer never acts on a window's messages itself,
  // as if DXGI_MWA_NO_WINDOW_CHANGES were always given.
  virtual HRESULT STDMETHODCALLTYPE MakeWindowAssociation(HWND WindowHandle, UINT Flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetWindowAssociation(HWND* pWindowHandle) = 0;
  // pDevice is a Direct3D 10 device of this platform.
  virtual HRESULT STDMETHODCALLTYPE CreateSwapChain(IUnknown* pDevice, DXGI_SWAP_CHAIN_DESC* pDesc,
                                                    IDXGISwapChain** ppSwapChain) = 0;
};
MORVANE_DECLARE_UUID(IDXGIFactory, IID_IDXGIFactory);

extern "C" HRESULT WINAPI CreateDXGIFactory(REFIID riid, void** ppFactory);
