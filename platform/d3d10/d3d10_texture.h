// ID3D10Texture1D, ID3D10Texture2D and ID3D10Texture3D: GL textures with
// immutable storage, or CPU memory for staging textures. Dynamic textures add
// CPU memory that Unmap uploads. The three kinds share D3D10TextureImage: the
// resolved shape, the GL texture and every transfer of texels, always in
// Direct3D's byte layout (rows top row first, blocks of 4x4 texels for block
// formats, depth and stencil packed as Direct3D packs them).
//
// GL targets: 1D, 1D array, 2D, 2D array, cube map (a 2D texture of six
// slices with D3D10_RESOURCE_MISC_TEXTURECUBE), 2D multisample (array) and
// 3D. Subresource n is level n % MipLevels of slice n / MipLevels.
#pragma once

#include <d3d10.h>
#include <epoxy/gl.h>

#include <cstdint>
#include <vector>

#include "d3d10/d3d10_device.h"
#include "d3d10/d3d10_format.h"

MORVANE_COM_PARENT(ID3D10Texture1D, ID3D10Resource);
MORVANE_COM_PARENT(ID3D10Texture3D, ID3D10Resource);

// What the three texture descriptions say, in one form. Enumerations are kept
// as the numbers the caller stored.
struct D3D10TextureShape {
  D3D10_RESOURCE_DIMENSION dimension;
  UINT width, height, depth;  // axes a dimension lacks are 1
  UINT levels;                // 0 asks for the whole chain
  UINT layers;                // array size; six for a cube
  UINT samples, quality;
  DXGI_FORMAT format;
  UINT usage, bind, cpu, misc;
};

// The rules of a texture description and its initial data (one entry per
// subresource): S_OK or E_INVALIDARG. The device answers which sample counts
// its GL has for the format.
HRESULT D3D10ValidateTexture(D3D10Device* device, const D3D10TextureShape& shape,
                             const D3D10_SUBRESOURCE_DATA* initialData);

// A box of one subresource in texels; block formats use whole blocks except
// where a box reaches the right or bottom edge of its level.
struct D3D10Region {
  UINT x, y, z, width, height, depth;
};

class D3D10TextureImage {
 public:
  D3D10TextureImage(const D3D10TextureImage&) = delete;
  D3D10TextureImage& operator=(const D3D10TextureImage&) = delete;

  // The shape with the mip count resolved.
  const D3D10TextureShape& Shape() const { return m_shape; }
  const D3D10FormatInfo& Format() const { return *m_format; }
  // The format whose GL internal format holds the texels: the family's depth
  // format for depth storage (see d3d10_format.h), else the description's.
  const D3D10FormatInfo& Storage() const { return *m_storage; }
  bool HasDepthStorage() const;
  // The GL texture; 0 for a staging texture.
  GLuint Name() const { return m_name; }
  bool IsCube() const { return (m_shape.misc & D3D10_RESOURCE_MISC_TEXTURECUBE) != 0; }

  UINT LevelWidth(UINT level) const;
  UINT LevelHeight(UINT level) const;
  UINT LevelDepth(UINT level) const;
  UINT SubresourceCount() const { return m_shape.levels * m_shape.layers; }
  UINT LevelOf(UINT subresource) const { return subresource % m_shape.levels; }
  UINT LayerOf(UINT subresource) const { return subresource / m_shape.levels; }
  bool IsMapped() const { return m_mappedCount != 0; }

  // The whole of a subresource; whether a region lies inside one and on its
  // block boundaries.
  D3D10Region WholeRegion(UINT subresource) const;
  bool HoldsRegion(UINT subresource, const D3D10Region& region) const;

  // Reads a region into packed rows and slices.
  void ReadRegion(UINT subresource, const D3D10Region& region, uint8_t* out) const;
  // Writes a region from rows rowPitch and slices depthPitch bytes apart.
  void WriteRegion(UINT subresource, const D3D10Region& region, const void* data, UINT rowPitch, UINT depthPitch);
  // Copies a region of a subresource of an image of the same format family
  // and sample count to (x, y, z) of a subresource of this one.
  void CopyRegion(UINT subresource, UINT x, UINT y, UINT z, const D3D10TextureImage& source, UINT sourceSubresource,
                  const D3D10Region& region);
  // Copies every subresource of an image of the same shape and family.
  void CopyFrom(const D3D10TextureImage& source);

 protected:
  D3D10TextureImage(D3D10Device* device, const D3D10TextureShape& shape, const D3D10FormatInfo& format,
                    const D3D10FormatInfo& storage);
  ~D3D10TextureImage();

  // Makes the GL storage or the CPU memory and writes the initial data.
  void Allocate(const D3D10_SUBRESOURCE_DATA* initialData);
  // Map for the three interfaces: staging textures for the access they were
  // created with, dynamic ones for WRITE_DISCARD.
  HRESULT MapSubresource(UINT subresource, D3D10_MAP type, UINT flags, void** data, UINT* rowPitch,
                         UINT* depthPitch);
  void UnmapSubresource(UINT subresource);

 private:
  std::size_t SubresourceSize(UINT subresource) const;
  void ReadGL(UINT subresource, const D3D10Region& region, uint8_t* out, std::size_t size) const;
  void WriteGL(UINT subresource, const D3D10Region& region, const uint8_t* packed, std::size_t size);

  D3D10Device* m_device;
  D3D10TextureShape m_shape;
  const D3D10FormatInfo* m_format;
  const D3D10FormatInfo* m_storage;
  GLenum m_target = 0;
  GLuint m_name = 0;
  // Staging and dynamic textures: every subresource, rows packed.
  std::vector<uint8_t> m_shadow;
  std::vector<std::size_t> m_offsets;
  std::vector<bool> m_mapped;
  UINT m_mappedCount = 0;
};

// The image of a texture of this platform; null for buffers.
D3D10TextureImage* D3D10GetTextureImage(ID3D10Resource* resource);

class D3D10Texture1D final : public D3D10DeviceChild<ID3D10Texture1D>, public D3D10TextureImage {
 public:
  static HRESULT Create(D3D10Device* device, const D3D10_TEXTURE1D_DESC* desc,
                        const D3D10_SUBRESOURCE_DATA* initialData, ID3D10Texture1D** texture);

  void STDMETHODCALLTYPE GetType(D3D10_RESOURCE_DIMENSION* rType) override;
  HRESULT STDMETHODCALLTYPE Map(UINT Subresource, D3D10_MAP MapType, UINT MapFlags, void** ppData) override;
  void STDMETHODCALLTYPE Unmap(UINT Subresource) override;
  void STDMETHODCALLTYPE GetDesc(D3D10_TEXTURE1D_DESC* pDesc) override;

 private:
  D3D10Texture1D(D3D10Device* device, const D3D10_TEXTURE1D_DESC& desc, const D3D10TextureShape& shape,
                 const D3D10FormatInfo& format, const D3D10FormatInfo& storage);
  ~D3D10Texture1D() override = default;

  D3D10_TEXTURE1D_DESC m_desc;
};

class D3D10Texture2D final : public D3D10DeviceChild<ID3D10Texture2D>, public D3D10TextureImage {
 public:
  static HRESULT Create(D3D10Device* device, const D3D10_TEXTURE2D_DESC* desc,
                        const D3D10_SUBRESOURCE_DATA* initialData, ID3D10Texture2D** texture);

  void STDMETHODCALLTYPE GetType(D3D10_RESOURCE_DIMENSION* rType) override;
  HRESULT STDMETHODCALLTYPE Map(UINT Subresource, D3D10_MAP MapType, UINT MapFlags,
                                D3D10_MAPPED_TEXTURE2D* pMappedTex2D) override;
  void STDMETHODCALLTYPE Unmap(UINT Subresource) override;
  void STDMETHODCALLTYPE GetDesc(D3D10_TEXTURE2D_DESC* pDesc) override;

 private:
  D3D10Texture2D(D3D10Device* device, const D3D10_TEXTURE2D_DESC& desc, const D3D10TextureShape& shape,
                 const D3D10FormatInfo& format, const D3D10FormatInfo& storage);
  ~D3D10Texture2D() override = default;

  D3D10_TEXTURE2D_DESC m_desc;
};

class D3D10Texture3D final : public D3D10DeviceChild<ID3D10Texture3D>, public D3D10TextureImage {
 public:
  static HRESULT Create(D3D10Device* device, const D3D10_TEXTURE3D_DESC* desc,
                        const D3D10_SUBRESOURCE_DATA* initialData, ID3D10Texture3D** texture);

  void STDMETHODCALLTYPE GetType(D3D10_RESOURCE_DIMENSION* rType) override;
  HRESULT STDMETHODCALLTYPE Map(UINT Subresource, D3D10_MAP MapType, UINT MapFlags,
                                D3D10_MAPPED_TEXTURE3D* pMappedTex3D) override;
  void STDMETHODCALLTYPE Unmap(UINT Subresource) override;
  void STDMETHODCALLTYPE GetDesc(D3D10_TEXTURE3D_DESC* pDesc) override;

 private:
  D3D10Texture3D(D3D10Device* device, const D3D10_TEXTURE3D_DESC& desc, const D3D10TextureShape& shape,
                 const D3D10FormatInfo& format, const D3D10FormatInfo& storage);
  ~D3D10Texture3D() override = default;

  D3D10_TEXTURE3D_DESC m_desc;
};
