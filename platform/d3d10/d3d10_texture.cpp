#include "d3d10/d3d10_texture.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr UINT kKnownBindFlags = D3D10_BIND_VERTEX_BUFFER | D3D10_BIND_INDEX_BUFFER | D3D10_BIND_CONSTANT_BUFFER |
                                 D3D10_BIND_SHADER_RESOURCE | D3D10_BIND_STREAM_OUTPUT | D3D10_BIND_RENDER_TARGET |
                                 D3D10_BIND_DEPTH_STENCIL;
constexpr UINT kBufferBindFlags =
    D3D10_BIND_VERTEX_BUFFER | D3D10_BIND_INDEX_BUFFER | D3D10_BIND_CONSTANT_BUFFER | D3D10_BIND_STREAM_OUTPUT;
constexpr UINT kOutputBindFlags = D3D10_BIND_RENDER_TARGET | D3D10_BIND_DEPTH_STENCIL;
constexpr UINT kCpuAccess = D3D10_CPU_ACCESS_READ | D3D10_CPU_ACCESS_WRITE;
constexpr UINT kKnownMiscFlags =
    D3D10_RESOURCE_MISC_GENERATE_MIPS | D3D10_RESOURCE_MISC_SHARED | D3D10_RESOURCE_MISC_TEXTURECUBE;

UINT FullMipCount(UINT width, UINT height) {
  UINT levels = 1;
  for (UINT size = std::max(width, height); size > 1; size >>= 1) ++levels;
  return levels;
}

// Direct3D keeps depth in the low 24 bits; GL in the high ones.
void ToGLDepthStencil(uint32_t* texels, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) texels[i] = (texels[i] << 8) | (texels[i] >> 24);
}
void FromGLDepthStencil(uint32_t* texels, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) texels[i] = (texels[i] >> 8) | (texels[i] << 24);
}

UINT StagingAccess(D3D10_MAP type) {
  switch (type) {
    case D3D10_MAP_READ:
      return D3D10_CPU_ACCESS_READ;
    case D3D10_MAP_WRITE:
      return D3D10_CPU_ACCESS_WRITE;
    case D3D10_MAP_READ_WRITE:
      return D3D10_CPU_ACCESS_READ | D3D10_CPU_ACCESS_WRITE;
    default:
      return 0;
  }
}

}  // namespace

HRESULT D3D10ValidateTexture2DDesc(const D3D10_TEXTURE2D_DESC* d, const D3D10_SUBRESOURCE_DATA* initialData) {
  if (!d) return E_INVALIDARG;
  // Sizes from 1 to the largest 2D texture.
  if (d->Width == 0 || d->Height == 0) return E_INVALIDARG;
  if (d->Width > D3D10_REQ_TEXTURE2D_U_OR_V_DIMENSION || d->Height > D3D10_REQ_TEXTURE2D_U_OR_V_DIMENSION) {
    return E_INVALIDARG;
  }
  // No more levels than the chain down to 1x1 (0 asks for the whole chain).
  UINT levels = d->MipLevels ? d->MipLevels : FullMipCount(d->Width, d->Height);
  if (levels > FullMipCount(d->Width, d->Height)) return E_INVALIDARG;
  // One slice: texture arrays are not supported.
  if (d->ArraySize != 1) return E_INVALIDARG;
  // One sample of quality 0: multisampled textures are not supported.
  if (d->SampleDesc.Count != 1 || d->SampleDesc.Quality != 0) return E_INVALIDARG;
  // A format the platform stores as a texture.
  const D3D10FormatInfo* format = D3D10GetFormatInfo(d->Format);
  if (!format || !(format->caps & (kFormatTexture | kFormatDepthStencil)) || format->internalFormat == 0) {
    return E_INVALIDARG;
  }
  // A known usage.
  UINT usage = D3D10Raw(d->Usage);
  if (usage > D3D10_USAGE_STAGING) return E_INVALIDARG;
  // Known bind flags, none of them for buffers.
  if ((d->BindFlags & ~kKnownBindFlags) || (d->BindFlags & kBufferBindFlags)) return E_INVALIDARG;
  // Colour and depth targets exclude each other.
  if ((d->BindFlags & kOutputBindFlags) == kOutputBindFlags) return E_INVALIDARG;
  // A render target needs a format GL renders to, or a typeless family that has one.
  if (d->BindFlags & D3D10_BIND_RENDER_TARGET) {
    if (!(format->caps & (kFormatRenderTarget | kFormatTypeless))) return E_INVALIDARG;
    if (!D3D10FindFamilyFormat(format->family, kFormatRenderTarget)) return E_INVALIDARG;
  }
  // A depth target needs a depth format, or a typeless family that has one.
  if (d->BindFlags & D3D10_BIND_DEPTH_STENCIL) {
    if (!(format->caps & (kFormatDepthStencil | kFormatTypeless))) return E_INVALIDARG;
    if (!D3D10FindFamilyFormat(format->family, kFormatDepthStencil)) return E_INVALIDARG;
  }
  // Shaders read typed colour formats or typeless families, never typed depth formats.
  if ((d->BindFlags & D3D10_BIND_SHADER_RESOURCE) && !(format->caps & kFormatTexture)) return E_INVALIDARG;
  // Known CPU access flags.
  if (d->CPUAccessFlags & ~kCpuAccess) return E_INVALIDARG;
  // Cube maps, generated mips and shared textures are not supported; nor unknown flags.
  if (d->MiscFlags & ~kKnownMiscFlags) return E_INVALIDARG;
  if (d->MiscFlags != 0) return E_INVALIDARG;
  switch (usage) {
    case D3D10_USAGE_IMMUTABLE:
      // Immutable contents come at creation; the GPU only reads them.
      if (!initialData) return E_INVALIDARG;
      if (d->CPUAccessFlags != 0 || (d->BindFlags & kOutputBindFlags)) return E_INVALIDARG;
      break;
    case D3D10_USAGE_DEFAULT:
      // Default textures are written by the GPU, copies and UpdateSubresource.
      if (d->CPUAccessFlags != 0) return E_INVALIDARG;
      break;
    case D3D10_USAGE_DYNAMIC:
      // Dynamic textures: one level, written by the CPU, read by shaders only.
      if (d->CPUAccessFlags != D3D10_CPU_ACCESS_WRITE) return E_INVALIDARG;
      if (levels != 1 || (d->BindFlags & kOutputBindFlags)) return E_INVALIDARG;
      break;
    case D3D10_USAGE_STAGING:
      // Staging textures are bound to nothing and mapped by the CPU.
      if (d->BindFlags != 0 || d->CPUAccessFlags == 0) return E_INVALIDARG;
      break;
  }
  // Initial data gives every level, each row at least as long as the level's width.
  if (initialData) {
    for (UINT level = 0; level < levels; ++level) {
      const D3D10_SUBRESOURCE_DATA& data = initialData[level];
      UINT width = std::max(1u, d->Width >> level);
      if (!data.pSysMem || data.SysMemPitch < width * format->size) return E_INVALIDARG;
    }
  }
  return S_OK;
}

D3D10Texture2D::D3D10Texture2D(D3D10Device* device, const D3D10_TEXTURE2D_DESC& desc, const D3D10FormatInfo& format,
                               const D3D10FormatInfo& storage)
    : D3D10DeviceChild(device), m_desc(desc), m_format(&format), m_storage(&storage) {}

HRESULT D3D10Texture2D::Create(D3D10Device* device, const D3D10_TEXTURE2D_DESC* desc,
                               const D3D10_SUBRESOURCE_DATA* initialData, ID3D10Texture2D** texture) {
  HRESULT hr = D3D10ValidateTexture2DDesc(desc, initialData);
  if (FAILED(hr)) return hr;
  if (!texture) return S_FALSE;

  D3D10_TEXTURE2D_DESC resolved = *desc;
  if (resolved.MipLevels == 0) resolved.MipLevels = FullMipCount(desc->Width, desc->Height);
  const D3D10FormatInfo* format = D3D10GetFormatInfo(desc->Format);
  const D3D10FormatInfo* storage =
      (desc->BindFlags & D3D10_BIND_DEPTH_STENCIL) ? D3D10FindFamilyFormat(format->family, kFormatDepthStencil) : format;
  D3D10Texture2D* created = new (std::nothrow) D3D10Texture2D(device, resolved, *format, *storage);
  if (!created) return E_OUTOFMEMORY;

  if (resolved.Usage == D3D10_USAGE_STAGING || resolved.Usage == D3D10_USAGE_DYNAMIC) {
    std::size_t total = 0;
    for (UINT level = 0; level < resolved.MipLevels; ++level) {
      created->m_levelOffsets.push_back(total);
      total += created->LevelSize(level);
    }
    created->m_shadow.resize(total);
  }
  if (resolved.Usage != D3D10_USAGE_STAGING) {
    device->Activate();
    glCreateTextures(GL_TEXTURE_2D, 1, &created->m_name);
    glTextureStorage2D(created->m_name, static_cast<GLsizei>(resolved.MipLevels), storage->internalFormat,
                       static_cast<GLsizei>(resolved.Width), static_cast<GLsizei>(resolved.Height));
  }
  if (initialData) {
    for (UINT level = 0; level < resolved.MipLevels; ++level) {
      created->WriteRegion(level, 0, 0, created->LevelWidth(level), created->LevelHeight(level),
                           initialData[level].pSysMem, initialData[level].SysMemPitch);
    }
  }
  ++device->Counters().textureCreations;
  *texture = created;
  return S_OK;
}

D3D10Texture2D::~D3D10Texture2D() {
  if (!m_name) return;
  Device()->Activate();
  glDeleteTextures(1, &m_name);
}

bool D3D10Texture2D::HasDepthStorage() const { return D3D10IsDepthInternalFormat(m_storage->internalFormat); }

UINT D3D10Texture2D::LevelWidth(UINT level) const { return std::max(1u, m_desc.Width >> level); }
UINT D3D10Texture2D::LevelHeight(UINT level) const { return std::max(1u, m_desc.Height >> level); }

std::size_t D3D10Texture2D::LevelSize(UINT level) const {
  return std::size_t{LevelWidth(level)} * LevelHeight(level) * m_format->size;
}

void STDMETHODCALLTYPE D3D10Texture2D::GetType(D3D10_RESOURCE_DIMENSION* rType) {
  if (rType) *rType = D3D10_RESOURCE_DIMENSION_TEXTURE2D;
}

void STDMETHODCALLTYPE D3D10Texture2D::GetDesc(D3D10_TEXTURE2D_DESC* pDesc) {
  if (pDesc) *pDesc = m_desc;
}

HRESULT STDMETHODCALLTYPE D3D10Texture2D::Map(UINT Subresource, D3D10_MAP MapType, UINT MapFlags,
                                              D3D10_MAPPED_TEXTURE2D* pMappedTex2D) {
  if (!pMappedTex2D) return E_INVALIDARG;
  // A level of this texture, not already mapped; the only flag says not to wait.
  if (Subresource >= m_desc.MipLevels || (m_mappedLevels & (1u << Subresource))) return E_INVALIDARG;
  if (MapFlags & ~static_cast<UINT>(D3D10_MAP_FLAG_DO_NOT_WAIT)) return E_INVALIDARG;
  if (m_desc.Usage == D3D10_USAGE_STAGING) {
    UINT access = StagingAccess(MapType);
    if (access == 0 || (m_desc.CPUAccessFlags & access) != access) return E_INVALIDARG;
  } else if (m_desc.Usage != D3D10_USAGE_DYNAMIC || MapType != D3D10_MAP_WRITE_DISCARD) {
    // Dynamic textures are only rewritten whole; the others are not for the CPU.
    return E_INVALIDARG;
  }
  pMappedTex2D->pData = m_shadow.data() + m_levelOffsets[Subresource];
  pMappedTex2D->RowPitch = LevelWidth(Subresource) * m_format->size;
  m_mappedLevels |= 1u << Subresource;
  ++Device()->Counters().maps[MapType];
  return S_OK;
}

void STDMETHODCALLTYPE D3D10Texture2D::Unmap(UINT Subresource) {
  if (Subresource >= m_desc.MipLevels || !(m_mappedLevels & (1u << Subresource))) return;
  m_mappedLevels &= ~(1u << Subresource);
  if (m_desc.Usage == D3D10_USAGE_DYNAMIC) {
    Device()->Activate();
    WriteRegion(Subresource, 0, 0, LevelWidth(Subresource), LevelHeight(Subresource),
                m_shadow.data() + m_levelOffsets[Subresource], LevelWidth(Subresource) * m_format->size);
  }
}

void D3D10Texture2D::ReadLevel(UINT level, uint8_t* out) const {
  std::size_t size = LevelSize(level);
  if (!m_name) {
    std::memcpy(out, m_shadow.data() + m_levelOffsets[level], size);
    return;
  }
  glGetTextureImage(m_name, static_cast<GLint>(level), m_storage->transferFormat, m_storage->transferType,
                    static_cast<GLsizei>(size), out);
  if (m_storage->packing == D3D10FormatPacking::kDepth24Stencil8) {
    FromGLDepthStencil(reinterpret_cast<uint32_t*>(out), size / 4);
  }
}

void D3D10Texture2D::WriteRegion(UINT level, UINT x, UINT y, UINT width, UINT height, const void* data,
                                 UINT rowPitch) {
  std::size_t rowBytes = std::size_t{width} * m_format->size;
  const uint8_t* source = static_cast<const uint8_t*>(data);
  if (!m_name) {
    uint8_t* target = m_shadow.data() + m_levelOffsets[level];
    std::size_t levelRow = std::size_t{LevelWidth(level)} * m_format->size;
    for (UINT row = 0; row < height; ++row) {
      std::memcpy(target + (y + row) * levelRow + x * m_format->size, source + std::size_t{row} * rowPitch, rowBytes);
    }
    return;
  }
  // GL takes packed rows in its own depth-stencil order.
  std::vector<uint8_t> packed;
  bool convert = m_storage->packing == D3D10FormatPacking::kDepth24Stencil8;
  if (rowPitch != rowBytes || convert) {
    packed.resize(rowBytes * height);
    for (UINT row = 0; row < height; ++row) {
      std::memcpy(packed.data() + row * rowBytes, source + std::size_t{row} * rowPitch, rowBytes);
    }
    if (convert) ToGLDepthStencil(reinterpret_cast<uint32_t*>(packed.data()), packed.size() / 4);
    source = packed.data();
  }
  glTextureSubImage2D(m_name, static_cast<GLint>(level), static_cast<GLint>(x), static_cast<GLint>(y),
                      static_cast<GLsizei>(width), static_cast<GLsizei>(height), m_storage->transferFormat,
                      m_storage->transferType, source);
}

void D3D10Texture2D::CopyFrom(const D3D10Texture2D& source) {
  // GL copies texels between formats of one view class, but never between
  // depth and colour storage: those pass through memory.
  if (m_name && source.m_name && HasDepthStorage() == source.HasDepthStorage()) {
    for (UINT level = 0; level < m_desc.MipLevels; ++level) {
      glCopyImageSubData(source.m_name, GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0, 0, m_name, GL_TEXTURE_2D,
                         static_cast<GLint>(level), 0, 0, 0, static_cast<GLsizei>(LevelWidth(level)),
                         static_cast<GLsizei>(LevelHeight(level)), 1);
    }
    return;
  }
  std::vector<uint8_t> texels;
  for (UINT level = 0; level < m_desc.MipLevels; ++level) {
    if (!m_name) {
      source.ReadLevel(level, m_shadow.data() + m_levelOffsets[level]);
      continue;
    }
    texels.resize(LevelSize(level));
    source.ReadLevel(level, texels.data());
    WriteRegion(level, 0, 0, LevelWidth(level), LevelHeight(level), texels.data(), LevelWidth(level) * m_format->size);
  }
}

void D3D10Texture2D::Update(UINT level, const D3D10_BOX* box, const void* data, UINT rowPitch) {
  UINT x = box ? box->left : 0, y = box ? box->top : 0;
  UINT width = box ? box->right - box->left : LevelWidth(level);
  UINT height = box ? box->bottom - box->top : LevelHeight(level);
  WriteRegion(level, x, y, width, height, data, rowPitch);
}
