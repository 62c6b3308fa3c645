// What every DXGI object shares: the interface chains and GetParent.
#pragma once

#include <dxgi.h>

#include "com/com_object.h"

MORVANE_COM_PARENT(IDXGIObject, IUnknown);
MORVANE_COM_PARENT(IDXGIFactory, IDXGIObject);
MORVANE_COM_PARENT(IDXGIAdapter, IDXGIObject);
MORVANE_COM_PARENT(IDXGIOutput, IDXGIObject);
MORVANE_COM_PARENT(IDXGIDeviceSubObject, IDXGIObject);
MORVANE_COM_PARENT(IDXGISwapChain, IDXGIDeviceSubObject);

// A DXGI object holds a reference on the object it was enumerated from, so
// that GetParent works whatever order the application releases things in.
template <typename Interface>
class DxgiObject : public ComObject<Interface> {
 public:
  HRESULT STDMETHODCALLTYPE GetParent(REFIID riid, void** ppParent) override {
    if (!ppParent) return E_INVALIDARG;
    *ppParent = nullptr;
    if (!m_parent) return E_NOINTERFACE;
    return m_parent->QueryInterface(riid, ppParent);
  }

 protected:
  // Null for the factory, which has no parent.
  explicit DxgiObject(IUnknown* parent) : m_parent(parent) {}

 private:
  ComPtr<IUnknown> m_parent;
};
