// ID3D10Buffer: a GL buffer object, or CPU memory for staging buffers, which
// the GPU never reads and which CopyResource fills or drains.
#pragma once

#include <d3d10.h>
#include <epoxy/gl.h>

#include <cstdint>
#include <vector>

#include "d3d10/d3d10_device.h"

// The rules of a buffer description and its initial data: S_OK or E_INVALIDARG.
HRESULT D3D10ValidateBufferDesc(const D3D10_BUFFER_DESC* desc, const D3D10_SUBRESOURCE_DATA* initialData);

class D3D10Buffer final : public D3D10DeviceChild<ID3D10Buffer> {
 public:
  static HRESULT Create(D3D10Device* device, const D3D10_BUFFER_DESC* desc, const D3D10_SUBRESOURCE_DATA* initialData,
                        ID3D10Buffer** buffer);

  void STDMETHODCALLTYPE GetType(D3D10_RESOURCE_DIMENSION* rType) override;
  HRESULT STDMETHODCALLTYPE Map(D3D10_MAP MapType, UINT MapFlags, void** ppData) override;
  void STDMETHODCALLTYPE Unmap() override;
  void STDMETHODCALLTYPE GetDesc(D3D10_BUFFER_DESC* pDesc) override;

  const D3D10_BUFFER_DESC& Desc() const { return m_desc; }
  // The GL buffer; 0 for a staging buffer.
  GLuint Name() const { return m_name; }
  bool IsMapped() const { return m_mapped; }
  D3D10_MAP LastMapType() const { return m_lastMap; }

  // Copies the whole of a buffer of the same size into this one.
  void CopyFrom(const D3D10Buffer& source);
  // Writes bytes [offset, offset + size) of a default buffer.
  void Update(UINT offset, UINT size, const void* data);

 private:
  D3D10Buffer(D3D10Device* device, const D3D10_BUFFER_DESC& desc) : D3D10DeviceChild(device), m_desc(desc) {}
  ~D3D10Buffer() override;

  D3D10_BUFFER_DESC m_desc;
  GLuint m_name = 0;
  std::vector<uint8_t> m_shadow;
  bool m_mapped = false;
  D3D10_MAP m_lastMap = static_cast<D3D10_MAP>(0);
};
