// Archive, ArchiveFile, ArchiveStream: a container file holding named stored
// files that grow in fixed-size blocks chained through a table, and a typed
// little-endian reader/writer over one stored file.
//
// Every metadata change is written through to the container at once; a
// damaged container (short header, looping chains, indices beyond the tables,
// counts beyond the file) is refused by Open.
#pragma once

#include <cstdint>
#include <cstdio>

#include <windows.h>

#include "DXMath.h"
#include "StringEX.h"

enum ArchiveMode : unsigned char {
  AM_READ = 1,       // a missing name is not created; writes are ignored when the mode is exactly AM_READ
  AM_WRITE = 2,      // truncates on open; a missing name is created
  AM_APPEND = 4,     // every write goes to the end (only when the mode is exactly AM_APPEND)
  AM_READWRITE = 8,  // read and write without truncation
};

class Archive;

class ArchiveFile {
 public:
  // Writes at the position; ignored in read-only mode.
  void Write(const void* data, uint32_t count);
  // Reads at the position; bytes past the end leave the target as it was.
  void Read(void* data, uint32_t count);
  // Moves to position, clamped to the size.
  void Seek(uint32_t position);
  void SeekEnd();

  uint32_t GetPosition() const { return m_Position; }
  uint32_t GetSize() const;

 private:
  friend class Archive;
  ArchiveFile(Archive* archive, uint32_t entry, unsigned char mode);

  Archive* m_pArchive;
  uint32_t m_Entry;
  uint32_t m_Position;
  uint32_t m_CurrentBlock;
  unsigned char m_Mode;
};

class Archive {
 public:
  // An existing container, or null when it is missing or damaged.
  static Archive* Open(const StringEX& path);
  // A new, empty container (an existing file is truncated), or null.
  static Archive* Create(const StringEX& path);
  // Closes the file; every change has already been written.
  ~Archive();
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  // Finds or creates the stored file called name (at most 22 bytes) and opens
  // it; null for a long name, a file already open or a missing name in AM_READ mode.
  ArchiveFile* OpenFile(const StringEX& name, unsigned char mode);
  // Marks the stored file closed and frees the handle.
  void CloseFile(ArchiveFile* file);

 private:
  friend class ArchiveFile;
  Archive();

  // Container layout: the header lies at 0, block k at 20 + k * block size.
  uint32_t m_BlockSize;
  uint32_t m_InUse;
  uint32_t m_DirectoryCapacity;
  uint32_t m_ChainCapacity;
  uint32_t m_BlockCount;
  uint32_t m_DataOffset;
  uint32_t* m_pChain;
  unsigned char* m_pDirectory;
  FILE* m_pFile;
};

class ArchiveStream {
 public:
  explicit ArchiveStream(ArchiveFile* file) : m_pFile(file) {}
  ArchiveStream(const ArchiveStream& other) = default;
  ArchiveStream& operator=(const ArchiveStream& other) = default;
  ~ArchiveStream() {}

  ArchiveFile* GetFile() const { return m_pFile; }

  void Write(bool value) const;
  void Write(int value) const;
  void Write(__int64 value) const;
  // A byte count (u32) followed by the bytes.
  void Write(const StringEX& value) const;
  void Write(const DXVector3& value) const;

  // Bytes past the end of the file read as zero.
  bool ReadBool() const;
  int ReadInt32() const;
  __int64 ReadInt64() const;
  StringEX ReadString() const;
  DXVector3 ReadVector3() const;

 private:
  ArchiveFile* m_pFile;
};
