// ID3D10Texture2D: a GL texture with immutable storage, or CPU memory for
// staging textures. Rows are kept top row first, as Direct3D lays them out.
// Dynamic textures add CPU memory that Unmap uploads.
#pragma once

#include <d3d10.h>
#include <epoxy/gl.h>

#include <cstdint>
#include <vector>

#include "d3d10/d3d10_device.h"
#include "d3d10/d3d10_format.h"

// The rules of a 2D texture description and its initial data: S_OK or E_INVALIDARG.
HRESULT D3D10ValidateTexture2DDesc(const D3D10_TEXTURE2D_DESC* desc, const D3D10_SUBRESOURCE_DATA* initialData);

class D3D10Texture2D final : public D3D10DeviceChild<ID3D10Texture2D> {
 public:
  static HRESULT Create(D3D10Device* device, const D3D10_TEXTURE2D_DESC* desc,
                        const D3D10_SUBRESOURCE_DATA* initialData, ID3D10Texture2D** texture);

  void STDMETHODCALLTYPE GetType(D3D10_RESOURCE_DIMENSION* rType) override;
  HRESULT STDMETHODCALLTYPE Map(UINT Subresource, D3D10_MAP MapType, UINT MapFlags,
                                D3D10_MAPPED_TEXTURE2D* pMappedTex2D) override;
  void STDMETHODCALLTYPE Unmap(UINT Subresource) override;
  void STDMETHODCALLTYPE GetDesc(D3D10_TEXTURE2D_DESC* pDesc) override;

  // The description with the mip count resolved.
  const D3D10_TEXTURE2D_DESC& Desc() const { return m_desc; }
  const D3D10FormatInfo& Format() const { return *m_format; }
  // The format whose GL internal format holds the texels: the family's depth
  // format for depth-stencil textures, else the description's.
  const D3D10FormatInfo& Storage() const { return *m_storage; }
  bool HasDepthStorage() const;
  // The GL texture; 0 for a staging texture.
  GLuint Name() const { return m_name; }
  bool IsMapped() const { return m_mappedLevels != 0; }
  UINT LevelWidth(UINT level) const;
  UINT LevelHeight(UINT level) const;

  // Copies every level of a texture of the same size, mip count and family.
  void CopyFrom(const D3D10Texture2D& source);
  // Writes a region of one level of a default texture from rows rowPitch apart.
  void Update(UINT level, const D3D10_BOX* box, const void* data, UINT rowPitch);

 private:
  D3D10Texture2D(D3D10Device* device, const D3D10_TEXTURE2D_DESC& desc, const D3D10FormatInfo& format,
                 const D3D10FormatInfo& storage);
  ~D3D10Texture2D() override;

  std::size_t LevelSize(UINT level) const;
  // A level in Direct3D's byte layout, rows packed.
  void ReadLevel(UINT level, uint8_t* out) const;
  void WriteRegion(UINT level, UINT x, UINT y, UINT width, UINT height, const void* data, UINT rowPitch);

  D3D10_TEXTURE2D_DESC m_desc;
  const D3D10FormatInfo* m_format;
  const D3D10FormatInfo* m_storage;
  GLuint m_name = 0;
  // Staging and dynamic textures: every level, rows packed.
  std::vector<uint8_t> m_shadow;
  std::vector<std::size_t> m_levelOffsets;
  uint32_t m_mappedLevels = 0;
};
