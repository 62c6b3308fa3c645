#include <morvane/Buffer.h>

#include <morvane/Core.h>
#include <morvane/GraphicsDevice.h>

Buffer::Buffer(GraphicsDevice* device, unsigned int size, D3D10_USAGE usage, unsigned int bindFlags,
               unsigned int cpuAccessFlags, const void* initialData)
    : m_pDevice(device), m_pBuffer(nullptr), m_Desc(), m_Dynamic((usage & 2) != 0) {
  Create(size, usage, bindFlags, cpuAccessFlags, initialData);
}

Buffer::~Buffer() {
  if (m_pBuffer) m_pBuffer->Release();
}

bool Buffer::Create(unsigned int size, D3D10_USAGE usage, unsigned int bindFlags, unsigned int cpuAccessFlags,
                    const void* initialData) {
  if (m_pBuffer) {
    m_pBuffer->Release();
    m_pBuffer = nullptr;
  }
  m_Desc.ByteWidth = size;
  m_Desc.Usage = usage;
  m_Desc.BindFlags = bindFlags;
  m_Desc.CPUAccessFlags = cpuAccessFlags;
  m_Desc.MiscFlags = 0;

  D3D10_SUBRESOURCE_DATA data = {initialData, 0, 0};
  if (FAILED(m_pDevice->GetDevice()->CreateBuffer(&m_Desc, initialData ? &data : nullptr, &m_pBuffer))) {
    m_pBuffer = nullptr;
    Core::Log()->Error("Error creating buffer.");
    return false;
  }
  return true;
}

void* Buffer::Lock() {
  if (!m_Dynamic) {
    Core::Log()->Error("Buffer::Lock: Can't lock immutable vertex buffer");
    return nullptr;
  }
  void* data = nullptr;
  if (m_pBuffer) m_pBuffer->Map(D3D10_MAP_WRITE_DISCARD, 0, &data);
  return data;
}

void Buffer::Unlock() {
  if (!m_Dynamic) {
    Core::Log()->Error("Buffer::Unlock: Can't unlock immutable vertex buffer");
    return;
  }
  if (m_pBuffer) m_pBuffer->Unmap();
}

void Buffer::GrowStream(unsigned int bytes, unsigned int bindFlags, unsigned int& cursor) {
  if (bytes <= m_Desc.ByteWidth - cursor) return;
  // A zero width could never double up to the request; start from the request.
  unsigned int width = m_Desc.ByteWidth ? m_Desc.ByteWidth : bytes;
  while (width < bytes) width *= 2;
  Create(width, D3D10_USAGE_DYNAMIC, bindFlags, D3D10_CPU_ACCESS_WRITE, nullptr);
  cursor = 0;
}

void* Buffer::LockStream(unsigned int bytes, unsigned int bindFlags, unsigned int& cursor,
                         unsigned int& streamOffset) {
  if (!m_pBuffer) return nullptr;
  GrowStream(bytes, bindFlags, cursor);
  if (!m_pBuffer) return nullptr;
  void* data = nullptr;
  m_pBuffer->Map(cursor == 0 ? D3D10_MAP_WRITE_DISCARD : D3D10_MAP_WRITE_NO_OVERWRITE, 0, &data);
  streamOffset = cursor;
  cursor += bytes;
  return data ? static_cast<char*>(data) + streamOffset : nullptr;
}

VertexBuffer::VertexBuffer(GraphicsDevice* device, unsigned int vertexCount, unsigned int stride, bool dynamic,
                           const void* initialData)
    : Buffer(device, vertexCount * stride, dynamic ? D3D10_USAGE_DYNAMIC : D3D10_USAGE_IMMUTABLE,
             D3D10_BIND_VERTEX_BUFFER, dynamic ? D3D10_CPU_ACCESS_WRITE : 0, initialData),
      m_ElementStride(stride),
      m_VertexCount(vertexCount) {}

void VertexBuffer::Resize(unsigned int vertexCount, unsigned int stride) {
  if (!m_Dynamic) {
    Core::Log()->Error("VertexBuffer::Reallocate: Can't resize immutable vertex buffer");
    return;
  }
  m_ElementStride = stride;
  m_VertexCount = vertexCount;
  if (vertexCount * stride != m_Desc.ByteWidth)
    Create(vertexCount * stride, D3D10_USAGE_DYNAMIC, D3D10_BIND_VERTEX_BUFFER, D3D10_CPU_ACCESS_WRITE, nullptr);
}

IndexBuffer::IndexBuffer(GraphicsDevice* device, unsigned int indexCount, bool is32Bit, bool dynamic,
                         const void* initialData)
    : Buffer(device, indexCount * (is32Bit ? 4 : 2), dynamic ? D3D10_USAGE_DYNAMIC : D3D10_USAGE_IMMUTABLE,
             D3D10_BIND_INDEX_BUFFER, dynamic ? D3D10_CPU_ACCESS_WRITE : 0, initialData),
      m_Is32Bit(is32Bit) {}

void IndexBuffer::Resize(unsigned int indexCount) {
  if (!m_Dynamic) {
    Core::Log()->Error("IndexBuffer::Reallocate: Can't resize immutable vertex buffer");
    return;
  }
  unsigned int width = indexCount * (m_Is32Bit ? 4 : 2);
  if (width != m_Desc.ByteWidth)
    Create(width, D3D10_USAGE_DYNAMIC, D3D10_BIND_INDEX_BUFFER, D3D10_CPU_ACCESS_WRITE, nullptr);
}

DynamicVB::DynamicVB(GraphicsDevice* device, unsigned int size)
    : VertexBuffer(device, size, 1, true, nullptr), m_Cursor(0), m_StreamOffset(0) {}

void DynamicVB::PreAllocate(unsigned int bytes) { GrowStream(bytes, D3D10_BIND_VERTEX_BUFFER, m_Cursor); }

void* DynamicVB::Lock(unsigned int bytes) {
  return LockStream(bytes, D3D10_BIND_VERTEX_BUFFER, m_Cursor, m_StreamOffset);
}

// A buffer whose creation failed has nothing to unmap.
void DynamicVB::Unlock() {
  if (m_pBuffer) m_pBuffer->Unmap();
}

// A stream index buffer holds whole 32-bit indices.
DynamicIB::DynamicIB(GraphicsDevice* device, unsigned int size)
    : IndexBuffer(device, (size & ~3u) / 4, true, true, nullptr), m_Cursor(0), m_StreamOffset(0) {}

void DynamicIB::PreAllocate(unsigned int bytes) { GrowStream(bytes, D3D10_BIND_INDEX_BUFFER, m_Cursor); }

void* DynamicIB::Lock(unsigned int bytes) {
  return LockStream(bytes, D3D10_BIND_INDEX_BUFFER, m_Cursor, m_StreamOffset);
}

void DynamicIB::Unlock() {
  if (m_pBuffer) m_pBuffer->Unmap();
}
