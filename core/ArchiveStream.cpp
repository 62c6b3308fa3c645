#include <morvane/ArchiveStream.h>

#include <cstring>

// Values are stored little-endian, as the host holds them.

void ArchiveStream::Write(bool value) const {
  const unsigned char byte = value ? 1 : 0;
  m_pFile->Write(&byte, 1);
}

void ArchiveStream::Write(int value) const { m_pFile->Write(&value, sizeof(int32_t)); }

void ArchiveStream::Write(__int64 value) const { m_pFile->Write(&value, sizeof(int64_t)); }

void ArchiveStream::Write(const StringEX& value) const {
  const uint32_t count = static_cast<uint32_t>(value.size());
  m_pFile->Write(&count, sizeof(count));
  m_pFile->Write(value.data(), count);
}

void ArchiveStream::Write(const DXVector3& value) const {
  const float components[3] = {value.x, value.y, value.z};
  m_pFile->Write(components, sizeof(components));
}

bool ArchiveStream::ReadBool() const {
  unsigned char byte = 0;
  m_pFile->Read(&byte, 1);
  return byte != 0;
}

int ArchiveStream::ReadInt32() const {
  int32_t value = 0;
  m_pFile->Read(&value, sizeof(value));
  return value;
}

__int64 ArchiveStream::ReadInt64() const {
  int64_t value = 0;
  m_pFile->Read(&value, sizeof(value));
  return value;
}

// A count that is negative as a signed value, or larger than the whole
// stored file, cannot be a string's: it yields an empty string and nothing
// more is consumed, so a damaged count never sizes an allocation. A string
// cut short by the end of the file keeps zeros for its missing bytes.
StringEX ArchiveStream::ReadString() const {
  uint32_t count = 0;
  m_pFile->Read(&count, sizeof(count));
  if (static_cast<int32_t>(count) <= 0 || count > m_pFile->GetSize()) return StringEX();
  StringEX value(count, '\0');
  m_pFile->Read(&value[0], count);
  return value;
}

// Components beyond the end of the file read as zero, like the other values.
DXVector3 ArchiveStream::ReadVector3() const {
  float components[3] = {0.0f, 0.0f, 0.0f};
  m_pFile->Read(components, sizeof(components));
  return DXVector3(components[0], components[1], components[2]);
}
