// The subset of DXGI the engine uses: factory, adapters, outputs and display
// modes. Adapters are the EGL devices that can run an OpenGL 4.5 core context;
// outputs are the displays of the windowing system, none on a headless machine.
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

extern "C" const IID IID_IDXGIObject;
extern "C" const IID IID_IDXGIFactory;
extern "C" const IID IID_IDXGIAdapter;
extern "C" const IID IID_IDXGIOutput;

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

struct IDXGIFactory : public IDXGIObject {
  // DXGI_ERROR_NOT_FOUND past the last adapter.
  virtual HRESULT STDMETHODCALLTYPE EnumAdapters(UINT Adapter, IDXGIAdapter** ppAdapter) = 0;
};
MORVANE_DECLARE_UUID(IDXGIFactory, IID_IDXGIFactory);

extern "C" HRESULT WINAPI CreateDXGIFactory(REFIID riid, void** ppFactory);
