// Buffer, VertexBuffer, IndexBuffer, DynamicVB, DynamicIB: GPU buffers. The
// stream buffers hand out consecutive write windows of one device buffer,
// mapped without overwrite behind a cursor and discarded only when full, so
// per-frame geometry needs no allocation once they have grown.
//
// Buffers are plain owned objects: whoever creates one deletes it.
#pragma once

#include <d3d10.h>

class GraphicsDevice;

class Buffer {
 public:
  // Dynamic exactly for D3D10_USAGE_DYNAMIC and D3D10_USAGE_STAGING.
  Buffer(GraphicsDevice* device, unsigned int size, D3D10_USAGE usage, unsigned int bindFlags,
         unsigned int cpuAccessFlags, const void* initialData);
  virtual ~Buffer();
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;

  // Maps the whole buffer, discarding its contents; null for a static buffer.
  void* Lock();
  void Unlock();

  ID3D10Buffer* GetBuffer() const { return m_pBuffer; }
  unsigned int GetSize() const { return m_Desc.ByteWidth; }

 protected:
  // Replaces the device buffer; logs and leaves it null when the device refuses.
  bool Create(unsigned int size, D3D10_USAGE usage, unsigned int bindFlags, unsigned int cpuAccessFlags,
              const void* initialData);

  // The stream window shared by DynamicVB and DynamicIB: grows the device
  // buffer (by doubling) when the request does not fit behind the cursor.
  void GrowStream(unsigned int bytes, unsigned int bindFlags, unsigned int& cursor);
  void* LockStream(unsigned int bytes, unsigned int bindFlags, unsigned int& cursor, unsigned int& streamOffset);

  GraphicsDevice* m_pDevice;
  ID3D10Buffer* m_pBuffer;
  D3D10_BUFFER_DESC m_Desc;
  bool m_Dynamic;
};

class VertexBuffer : public Buffer {
 public:
  VertexBuffer(GraphicsDevice* device, unsigned int vertexCount, unsigned int stride, bool dynamic,
               const void* initialData);

  // Dynamic buffers only; a new byte width creates a new, empty device buffer.
  void Resize(unsigned int vertexCount, unsigned int stride);

  unsigned int GetElementStride() const { return m_ElementStride; }
  unsigned int GetVertexCount() const { return m_VertexCount; }

 protected:
  unsigned int m_ElementStride;
  unsigned int m_VertexCount;
};

class IndexBuffer : public Buffer {
 public:
  IndexBuffer(GraphicsDevice* device, unsigned int indexCount, bool is32Bit, bool dynamic, const void* initialData);

  // Dynamic buffers only; a new byte width creates a new, empty device buffer.
  void Resize(unsigned int indexCount);

  unsigned int GetIndexCount() const { return m_Desc.ByteWidth >> (m_Is32Bit ? 2 : 1); }
  bool Is32Bit() const { return m_Is32Bit; }

 protected:
  bool m_Is32Bit;
};

class DynamicVB : public VertexBuffer {
 public:
  DynamicVB(GraphicsDevice* device, unsigned int size);

  // Makes room for a window of bytes without mapping.
  void PreAllocate(unsigned int bytes);
  // The next window of bytes; null when there is no device buffer.
  void* Lock(unsigned int bytes);
  void Unlock();
  // Byte offset of the window returned by the last Lock.
  unsigned int GetStreamOffset() const { return m_StreamOffset; }

 private:
  unsigned int m_Cursor;
  unsigned int m_StreamOffset;
};

class DynamicIB : public IndexBuffer {
 public:
  // The size is rounded down to a multiple of 4 bytes.
  DynamicIB(GraphicsDevice* device, unsigned int size);

  void PreAllocate(unsigned int bytes);
  void* Lock(unsigned int bytes);
  void Unlock();
  unsigned int GetStreamOffset() const { return m_StreamOffset; }
  void SetIs32Bit(bool is32Bit) { m_Is32Bit = is32Bit; }

 private:
  unsigned int m_Cursor;
  unsigned int m_StreamOffset;
};
