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

  // Moves to the block that holds the position (end of chain past the last).
  void LocateBlock();

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

  // Loading: reads the header and both tables and refuses anything damaged.
  bool Load();
  bool HeaderIsSound(uint64_t fileLength) const;
  bool LoadTable(uint32_t firstBlock, unsigned char* table, uint32_t blocks, unsigned char* owned);
  bool ChainIsSound() const;
  bool DirectoryIsSound(unsigned char* owned) const;
  void RepairOpenEntries();

  // Chains: every walk is bounded and treats a broken link as the end.
  uint32_t Next(uint32_t block) const;
  uint32_t Walk(uint32_t block, uint32_t steps) const;
  uint32_t LastBlock(uint32_t block) const;

  // Blocks and table growth.
  uint32_t FreeIndex() const;
  bool BlockFits(uint32_t block) const;
  uint32_t AllocateBlock();
  uint32_t AppendToChain(uint32_t firstBlock);
  void AppendBlock();
  bool GrowChain();
  bool GrowDirectory();

  // Directory entries.
  unsigned char* Entry(uint32_t index) const;
  uint32_t FirstBlock(uint32_t index) const;
  uint32_t Size(uint32_t index) const;
  void SetSize(uint32_t index, uint32_t size);
  uint32_t FindEntry(const char* name) const;
  uint32_t CreateEntry(const char* name);
  void Truncate(uint32_t index);

  // Write-through of the metadata.
  void WriteHeader();
  void WriteChainEntry(uint32_t index);
  void WriteDirectoryEntry(uint32_t index);

  // Raw access to the stream; a positioning call is made only when needed.
  uint64_t BlockOffset(uint32_t block) const;
  void PositionStream(uint64_t offset, bool writing);
  void WriteAt(uint64_t offset, const void* data, size_t count);
  void WriteZeros(uint64_t offset, size_t count);
  size_t ReadAt(uint64_t offset, void* data, size_t count);

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
  // Where the stream stands and which way it last moved data.
  uint64_t m_StreamOffset;
  bool m_StreamWriting;
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
