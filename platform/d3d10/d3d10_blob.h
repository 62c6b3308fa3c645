// Little-endian reading and writing of this platform's shader and signature
// blobs, independent of the host's byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Writes into a buffer of known capacity; with no buffer it only measures.
class D3D10BlobWriter {
 public:
  explicit D3D10BlobWriter(uint8_t* data = nullptr) : m_data(data) {}

  void U8(uint8_t value) {
    if (m_data) m_data[m_at] = value;
    ++m_at;
  }
  void U16(uint16_t value) {
    U8(static_cast<uint8_t>(value));
    U8(static_cast<uint8_t>(value >> 8));
  }
  void U32(uint32_t value) {
    U16(static_cast<uint16_t>(value));
    U16(static_cast<uint16_t>(value >> 16));
  }
  void Bytes(const void* bytes, std::size_t size) {
    if (m_data && size) std::memcpy(m_data + m_at, bytes, size);
    m_at += size;
  }
  // Advances over size bytes that the caller fills; null when measuring.
  uint8_t* Reserve(std::size_t size) {
    uint8_t* at = m_data ? m_data + m_at : nullptr;
    m_at += size;
    return at;
  }
  void Align4() {
    while (m_at % 4) U8(0);
  }
  // Overwrites a number written earlier.
  void PatchU32(std::size_t at, uint32_t value) {
    if (!m_data) return;
    for (int i = 0; i < 4; ++i) m_data[at + i] = static_cast<uint8_t>(value >> (8 * i));
  }
  std::size_t Tell() const { return m_at; }

 private:
  uint8_t* m_data;
  std::size_t m_at = 0;
};

// Reads numbers at offsets checked against the blob's size.
class D3D10BlobReader {
 public:
  D3D10BlobReader(const void* data, std::size_t size) : m_data(static_cast<const uint8_t*>(data)), m_size(size) {}

  // Whether [offset, offset + size) lies inside the blob.
  bool Holds(std::size_t offset, std::size_t size) const { return offset <= m_size && size <= m_size - offset; }
  uint8_t U8(std::size_t offset) const { return m_data[offset]; }
  // One load on a little-endian host.
  uint32_t U32(std::size_t offset) const {
    uint32_t value;
    std::memcpy(&value, m_data + offset, sizeof(value));
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    value = __builtin_bswap32(value);
#endif
    return value;
  }
  const uint8_t* At(std::size_t offset) const { return m_data + offset; }
  std::size_t Size() const { return m_size; }

 private:
  const uint8_t* m_data;
  std::size_t m_size;
};
