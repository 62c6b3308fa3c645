#include "d3d10/d3d10_buffer.h"

#include <cstring>
#include <new>

namespace {

constexpr UINT kKnownBindFlags = D3D10_BIND_VERTEX_BUFFER | D3D10_BIND_INDEX_BUFFER | D3D10_BIND_CONSTANT_BUFFER |
                                 D3D10_BIND_SHADER_RESOURCE | D3D10_BIND_STREAM_OUTPUT | D3D10_BIND_RENDER_TARGET |
                                 D3D10_BIND_DEPTH_STENCIL;
constexpr UINT kCpuAccess = D3D10_CPU_ACCESS_READ | D3D10_CPU_ACCESS_WRITE;
constexpr UINT kMaxConstantBufferSize = D3D10_REQ_CONSTANT_BUFFER_ELEMENT_COUNT * 16;
constexpr UINT64 kMaxResourceSize = UINT64{D3D10_REQ_RESOURCE_SIZE_IN_MEGABYTES} << 20;

// How GL is told the buffer will be used.
GLenum UsageHint(D3D10_USAGE usage) {
  return usage == D3D10_USAGE_DYNAMIC ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW;
}

// The CPU access a map type needs from a staging buffer; 0 for the types
// only dynamic buffers take.
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

HRESULT D3D10ValidateBufferDesc(const D3D10_BUFFER_DESC* d, const D3D10_SUBRESOURCE_DATA* initialData) {
  if (!d) return E_INVALIDARG;
  // A buffer holds at least one byte and at most the largest resource.
  if (d->ByteWidth == 0 || d->ByteWidth > kMaxResourceSize) return E_INVALIDARG;
  // A known usage.
  UINT usage = D3D10Raw(d->Usage);
  if (usage > D3D10_USAGE_STAGING) return E_INVALIDARG;
  // Known bind flags; buffers are never depth-stencil targets.
  if (d->BindFlags & ~kKnownBindFlags) return E_INVALIDARG;
  if (d->BindFlags & D3D10_BIND_DEPTH_STENCIL) return E_INVALIDARG;
  // Render-target, stream-output and shader-resource views of buffers are not supported.
  if (d->BindFlags & (D3D10_BIND_RENDER_TARGET | D3D10_BIND_STREAM_OUTPUT | D3D10_BIND_SHADER_RESOURCE)) {
    return E_INVALIDARG;
  }
  // Known CPU access flags.
  if (d->CPUAccessFlags & ~kCpuAccess) return E_INVALIDARG;
  // Miscellaneous flags are for textures or shared resources.
  if (d->MiscFlags != 0) return E_INVALIDARG;
  // A constant buffer is bound as nothing else, in whole 16-byte registers, up to 4096 of them.
  if (d->BindFlags & D3D10_BIND_CONSTANT_BUFFER) {
    if (d->BindFlags != D3D10_BIND_CONSTANT_BUFFER) return E_INVALIDARG;
    if (d->ByteWidth % 16 != 0 || d->ByteWidth > kMaxConstantBufferSize) return E_INVALIDARG;
  }
  // Initial data points at something.
  if (initialData && !initialData->pSysMem) return E_INVALIDARG;
  switch (usage) {
    case D3D10_USAGE_IMMUTABLE:
      // Immutable contents come at creation, and the CPU never maps them.
      if (!initialData) return E_INVALIDARG;
      if (d->CPUAccessFlags != 0) return E_INVALIDARG;
      break;
    case D3D10_USAGE_DEFAULT:
      // Default buffers are written through UpdateSubresource and copies only.
      if (d->CPUAccessFlags != 0) return E_INVALIDARG;
      break;
    case D3D10_USAGE_DYNAMIC:
      // Dynamic buffers are written by the CPU and never read back.
      if (d->CPUAccessFlags != D3D10_CPU_ACCESS_WRITE) return E_INVALIDARG;
      break;
    case D3D10_USAGE_STAGING:
      // Staging buffers are bound to nothing and mapped by the CPU.
      if (d->BindFlags != 0) return E_INVALIDARG;
      if (d->CPUAccessFlags == 0) return E_INVALIDARG;
      break;
  }
  return S_OK;
}

HRESULT D3D10Buffer::Create(D3D10Device* device, const D3D10_BUFFER_DESC* desc,
                            const D3D10_SUBRESOURCE_DATA* initialData, ID3D10Buffer** buffer) {
  HRESULT hr = D3D10ValidateBufferDesc(desc, initialData);
  if (FAILED(hr)) return hr;
  if (!buffer) return S_FALSE;

  D3D10Buffer* created = new (std::nothrow) D3D10Buffer(device, *desc);
  if (!created) return E_OUTOFMEMORY;
  const void* data = initialData ? initialData->pSysMem : nullptr;
  if (desc->Usage == D3D10_USAGE_STAGING) {
    created->m_shadow.resize(desc->ByteWidth);
    if (data) std::memcpy(created->m_shadow.data(), data, desc->ByteWidth);
  } else {
    device->Activate();
    glCreateBuffers(1, &created->m_name);
    glNamedBufferData(created->m_name, desc->ByteWidth, data, UsageHint(desc->Usage));
  }
  ++device->Counters().bufferCreations;
  *buffer = created;
  return S_OK;
}

D3D10Buffer::~D3D10Buffer() {
  if (!m_name) return;
  Device()->Activate();
  if (m_mapped) glUnmapNamedBuffer(m_name);
  Device()->OnBufferDestroyed(m_name);
  glDeleteBuffers(1, &m_name);
}

void STDMETHODCALLTYPE D3D10Buffer::GetType(D3D10_RESOURCE_DIMENSION* rType) {
  if (rType) *rType = D3D10_RESOURCE_DIMENSION_BUFFER;
}

void STDMETHODCALLTYPE D3D10Buffer::GetDesc(D3D10_BUFFER_DESC* pDesc) {
  if (pDesc) *pDesc = m_desc;
}

HRESULT STDMETHODCALLTYPE D3D10Buffer::Map(D3D10_MAP MapType, UINT MapFlags, void** ppData) {
  if (!ppData) return E_INVALIDARG;
  *ppData = nullptr;
  // One map at a time; the only flag says not to wait, and nothing here waits.
  if (m_mapped || (MapFlags & ~static_cast<UINT>(D3D10_MAP_FLAG_DO_NOT_WAIT))) return E_INVALIDARG;
  switch (m_desc.Usage) {
    case D3D10_USAGE_DYNAMIC: {
      GLbitfield access = GL_MAP_WRITE_BIT;
      if (MapType == D3D10_MAP_WRITE_DISCARD) {
        // The old contents may still be in use: GL gives the buffer fresh storage.
        access |= GL_MAP_INVALIDATE_BUFFER_BIT;
      } else if (MapType == D3D10_MAP_WRITE_NO_OVERWRITE && !(m_desc.BindFlags & D3D10_BIND_CONSTANT_BUFFER)) {
        // The caller promises not to touch what pending draws read.
        access |= GL_MAP_UNSYNCHRONIZED_BIT;
      } else {
        return E_INVALIDARG;
      }
      Device()->Activate();
      *ppData = glMapNamedBufferRange(m_name, 0, m_desc.ByteWidth, access);
      if (!*ppData) return E_OUTOFMEMORY;
      break;
    }
    case D3D10_USAGE_STAGING: {
      UINT access = StagingAccess(MapType);
      if (access == 0 || (m_desc.CPUAccessFlags & access) != access) return E_INVALIDARG;
      *ppData = m_shadow.data();
      break;
    }
    default:
      // Default and immutable buffers are not for the CPU.
      return E_INVALIDARG;
  }
  m_mapped = true;
  m_lastMap = MapType;
  ++Device()->Counters().maps[MapType];
  return S_OK;
}

void STDMETHODCALLTYPE D3D10Buffer::Unmap() {
  if (!m_mapped) return;
  m_mapped = false;
  if (m_name) {
    Device()->Activate();
    glUnmapNamedBuffer(m_name);
  }
}

void D3D10Buffer::CopyFrom(const D3D10Buffer& source) {
  UINT size = m_desc.ByteWidth;
  if (m_name && source.m_name) {
    glCopyNamedBufferSubData(source.m_name, m_name, 0, 0, size);
  } else if (m_name) {
    glNamedBufferSubData(m_name, 0, size, source.m_shadow.data());
  } else if (source.m_name) {
    glGetNamedBufferSubData(source.m_name, 0, size, m_shadow.data());
  } else {
    std::memcpy(m_shadow.data(), source.m_shadow.data(), size);
  }
}

void D3D10Buffer::Update(UINT offset, UINT size, const void* data) {
  glNamedBufferSubData(m_name, offset, size, data);
}
