// The DXGI factory: the entry point that lists the adapters.
#pragma once

#include <vector>

#include "dxgi/dxgi_object.h"
#include "egl/egl_device.h"

// Lists one adapter per usable EGL device (EglDevices), in that order. Each
// EnumAdapters call makes a new adapter object holding a reference on the
// factory.
class DxgiFactory final : public DxgiObject<IDXGIFactory> {
 public:
  DxgiFactory();

  HRESULT STDMETHODCALLTYPE EnumAdapters(UINT Adapter, IDXGIAdapter** ppAdapter) override;
  HRESULT STDMETHODCALLTYPE MakeWindowAssociation(HWND WindowHandle, UINT Flags) override;
  HRESULT STDMETHODCALLTYPE GetWindowAssociation(HWND* pWindowHandle) override;
  HRESULT STDMETHODCALLTYPE CreateSwapChain(IUnknown* pDevice, DXGI_SWAP_CHAIN_DESC* pDesc,
                                            IDXGISwapChain** ppSwapChain) override;

 private:
  const std::vector<EglDevice>& m_devices;
  HWND m_associatedWindow = nullptr;
};
