#include "dxgi/dxgi_factory.h"

#include <new>

#include "dxgi/dxgi_adapter.h"
#include "testing/testing_faults.h"

DxgiFactory::DxgiFactory() : DxgiObject(nullptr), m_devices(EglDevices()) {}

HRESULT STDMETHODCALLTYPE DxgiFactory::EnumAdapters(UINT Adapter, IDXGIAdapter** ppAdapter) {
  static FaultSite s_site("IDXGIFactory::EnumAdapters");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;

  if (!ppAdapter) return DXGI_ERROR_INVALID_CALL;
  *ppAdapter = nullptr;
  if (Adapter >= m_devices.size()) return DXGI_ERROR_NOT_FOUND;
  DxgiAdapter* adapter = new (std::nothrow) DxgiAdapter(this, m_devices[Adapter], Adapter);
  if (!adapter) return E_OUTOFMEMORY;
  *ppAdapter = adapter;
  return S_OK;
}

extern "C" HRESULT WINAPI CreateDXGIFactory(REFIID riid, void** ppFactory) {
  static FaultSite s_site("CreateDXGIFactory");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;

  if (!ppFactory) return E_POINTER;
  *ppFactory = nullptr;
  if (!ComImplements<IDXGIFactory>(riid)) return E_NOINTERFACE;
  // The first factory probes the EGL devices, which allocates.
  try {
    *ppFactory = static_cast<IDXGIFactory*>(new DxgiFactory());
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}
