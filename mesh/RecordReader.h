// RecordReader: reads the mesh records (the device-mesh record and the binary
// mesh file) from a seekable stream without ever asking for more bytes than
// remain, so that every count can be checked before it sizes anything.
#pragma once

#include <cstdio>

#include <morvane/StringEX.h>

class RecordReader {
 public:
  // Reads from the stream's position to its end; a null or unseekable
  // stream reads nothing.
  explicit RecordReader(FILE* file) : m_pFile(file), m_Position(0), m_End(0), m_Ok(file != nullptr) {
    if (!m_Ok) return;
    long start = std::ftell(file);
    m_Ok = start >= 0 && std::fseek(file, 0, SEEK_END) == 0;
    long end = m_Ok ? std::ftell(file) : -1;
    m_Ok = m_Ok && end >= start && std::fseek(file, start, SEEK_SET) == 0;
    if (m_Ok) {
      m_Position = static_cast<unsigned long long>(start);
      m_End = static_cast<unsigned long long>(end);
    }
  }

  FILE* File() const { return m_pFile; }
  unsigned long long Remaining() const { return m_Ok ? m_End - m_Position : 0; }
  bool Ok() const { return m_Ok; }
  bool Fail() { return m_Ok = false; }

  bool Bytes(void* out, unsigned long long size) {
    m_Ok = m_Ok && size <= Remaining() && std::fread(out, 1, static_cast<size_t>(size), m_pFile) == size;
    if (m_Ok) m_Position += size;
    return m_Ok;
  }
  template <typename T>
  bool Value(T& out) {
    return Bytes(&out, sizeof(T));
  }
  bool String(StringEX& out) {
    unsigned int length = 0;
    if (!Value(length) || length > Remaining()) return Fail();
    out.resize(length);
    return length == 0 || Bytes(&out[0], length);
  }
  // After another reader has used the stream directly.
  void Resync() {
    long position = std::ftell(m_pFile);
    m_Ok = m_Ok && position >= 0 && static_cast<unsigned long long>(position) <= m_End;
    if (m_Ok) m_Position = static_cast<unsigned long long>(position);
  }

 private:
  FILE* m_pFile;
  unsigned long long m_Position;
  unsigned long long m_End;
  bool m_Ok;
};
