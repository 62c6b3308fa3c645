// What every Direct3D 10 object of this platform shares: the interface chains
// and the device-child base.
#pragma once

#include <d3d10.h>

#include <cstring>

#include "com/com_object.h"

// The number a caller stored in an enumeration field. Validation reads fields
// this way because callers may store numbers outside the enumeration.
template <typename Enum>
UINT D3D10Raw(const Enum& field) {
  static_assert(sizeof(Enum) == sizeof(UINT), "enumerations of the interfaces are 32 bits");
  UINT value;
  std::memcpy(&value, &field, sizeof(value));
  return value;
}

MORVANE_COM_PARENT(ID3D10Device, IUnknown);
MORVANE_COM_PARENT(ID3D10DeviceChild, IUnknown);
MORVANE_COM_PARENT(ID3D10Resource, ID3D10DeviceChild);
MORVANE_COM_PARENT(ID3D10Buffer, ID3D10Resource);
MORVANE_COM_PARENT(ID3D10Texture2D, ID3D10Resource);
MORVANE_COM_PARENT(ID3D10View, ID3D10DeviceChild);
MORVANE_COM_PARENT(ID3D10ShaderResourceView, ID3D10View);
MORVANE_COM_PARENT(ID3D10RenderTargetView, ID3D10View);
MORVANE_COM_PARENT(ID3D10DepthStencilView, ID3D10View);
MORVANE_COM_PARENT(ID3D10InputLayout, ID3D10DeviceChild);
MORVANE_COM_PARENT(ID3D10VertexShader, ID3D10DeviceChild);
MORVANE_COM_PARENT(ID3D10GeometryShader, ID3D10DeviceChild);
MORVANE_COM_PARENT(ID3D10PixelShader, ID3D10DeviceChild);
MORVANE_COM_PARENT(ID3D10BlendState, ID3D10DeviceChild);
MORVANE_COM_PARENT(ID3D10DepthStencilState, ID3D10DeviceChild);
MORVANE_COM_PARENT(ID3D10RasterizerState, ID3D10DeviceChild);
MORVANE_COM_PARENT(ID3D10SamplerState, ID3D10DeviceChild);

class D3D10Device;

// The device outlives its children: each holds a private reference on it, so
// that GetDevice works and GL objects are deleted in a live context whatever
// order the application releases things in.
void D3D10RetainDevice(D3D10Device* device);
void D3D10ReleaseDevice(D3D10Device* device);
ID3D10Device* D3D10DeviceInterface(D3D10Device* device);

template <typename Interface>
class D3D10DeviceChild : public ComObject<Interface> {
 public:
  void STDMETHODCALLTYPE GetDevice(ID3D10Device** ppDevice) override {
    if (!ppDevice) return;
    *ppDevice = D3D10DeviceInterface(m_device);
    (*ppDevice)->AddRef();
  }

  D3D10Device* Device() const { return m_device; }

 protected:
  explicit D3D10DeviceChild(D3D10Device* device) : m_device(device) { D3D10RetainDevice(device); }
  ~D3D10DeviceChild() override { D3D10ReleaseDevice(m_device); }

 private:
  D3D10Device* m_device;
};
