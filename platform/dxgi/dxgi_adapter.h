// A DXGI adapter: one EGL device able to run OpenGL 4.5 core.
#pragma once

#include "dxgi/dxgi_object.h"
#include "egl/egl_device.h"

// Displays are not tied to a GPU on this platform: the first adapter reports
// every display as its output, the others report none.
class DxgiAdapter final : public DxgiObject<IDXGIAdapter> {
 public:
  // index is the adapter's place in the factory's list.
  DxgiAdapter(IDXGIFactory* factory, const EglDevice& device, UINT index);

  HRESULT STDMETHODCALLTYPE EnumOutputs(UINT Output, IDXGIOutput** ppOutput) override;
  HRESULT STDMETHODCALLTYPE GetDesc(DXGI_ADAPTER_DESC* pDesc) override;

  // The device whose display the Direct3D devices of this adapter run on.
  const EglDevice& GetEglDevice() const { return m_device; }

 private:
  const EglDevice& m_device;
  UINT m_index;
};
