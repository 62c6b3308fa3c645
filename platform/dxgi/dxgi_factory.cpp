#include "dxgi/dxgi_factory.h"

#include <new>

#include "dxgi/dxgi_adapter.h"
#include "dxgi/dxgi_swapchain.h"
#include "win32/win32_window.h"
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

HRESULT STDMETHODCALLTYPE DxgiFactory::MakeWindowAssociation(HWND WindowHandle, UINT Flags) {
  static FaultSite s_site("IDXGIFactory::MakeWindowAssociation");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (Flags & ~DXGI_MWA_VALID) return DXGI_ERROR_INVALID_CALL;
  // Null ends the association.
  if (WindowHandle && !Win32FindWindow(WindowHandle)) return DXGI_ERROR_INVALID_CALL;
  m_associatedWindow = WindowHandle;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DxgiFactory::GetWindowAssociation(HWND* pWindowHandle) {
  if (!pWindowHandle) return DXGI_ERROR_INVALID_CALL;
  *pWindowHandle = m_associatedWindow;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DxgiFactory::CreateSwapChain(IUnknown* pDevice, DXGI_SWAP_CHAIN_DESC* pDesc,
                                                       IDXGISwapChain** ppSwapChain) {
  static FaultSite s_site("IDXGIFactory::CreateSwapChain");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (!ppSwapChain) return DXGI_ERROR_INVALID_CALL;
  *ppSwapChain = nullptr;
  if (!pDevice || !pDesc) return DXGI_ERROR_INVALID_CALL;
  ComPtr<ID3D10Device> device;
  if (FAILED(pDevice->QueryInterface(IID_ID3D10Device, reinterpret_cast<void**>(device.ReleaseAndGetAddressOf()))))
    return DXGI_ERROR_INVALID_CALL;
  try {
    return DxgiSwapChain::Create(this, device.Get(), *pDesc, ppSwapChain);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
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
