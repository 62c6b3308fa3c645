#include <morvane/ArchiveStream.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr uint32_t kHeaderSize = 20;
constexpr uint32_t kDefaultBlockSize = 262144;
constexpr uint32_t kChainEntrySize = 4;
constexpr uint32_t kEntrySize = 32;
constexpr uint32_t kNameLimit = 22;
constexpr uint32_t kNameField = 23;

constexpr uint32_t kFreeBlock = 0;
constexpr uint32_t kEndOfChain = 0xFFFFFFFF;
constexpr uint32_t kChainTableBlock = 0;
constexpr uint32_t kDirectoryBlock = 1;
constexpr uint32_t kFirstDataBlock = 2;
constexpr uint32_t kNoEntry = 0xFFFFFFFF;

constexpr unsigned char kStateFree = 0;
constexpr unsigned char kStateClosed = 1;
constexpr unsigned char kStateOpen = 3;

constexpr uint32_t kNameOffset = 1;
constexpr uint32_t kFirstBlockOffset = 24;
constexpr uint32_t kSizeOffset = 28;

// Every byte of a container must lie below 2^31: offsets are 32-bit signed
// values wherever the format is read, so a block that would end past this is
// never created.
constexpr uint64_t kOffsetLimit = 0x7FFFFFFF;

constexpr uint64_t kUnknownOffset = ~uint64_t(0);

uint32_t LoadU32(const unsigned char* bytes) {
  return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

void StoreU32(unsigned char* bytes, uint32_t value) {
  bytes[0] = static_cast<unsigned char>(value);
  bytes[1] = static_cast<unsigned char>(value >> 8);
  bytes[2] = static_cast<unsigned char>(value >> 16);
  bytes[3] = static_cast<unsigned char>(value >> 24);
}

}  // namespace

// ---------------------------------------------------------------------------
// Archive: opening and creating

Archive::Archive()
    : m_BlockSize(0),
      m_InUse(0),
      m_DirectoryCapacity(0),
      m_ChainCapacity(0),
      m_BlockCount(0),
      m_DataOffset(kHeaderSize),
      m_pChain(nullptr),
      m_pDirectory(nullptr),
      m_pFile(nullptr),
      m_StreamOffset(kUnknownOffset),
      m_StreamWriting(false) {}

Archive::~Archive() {
  if (m_pFile) std::fclose(m_pFile);
  std::free(m_pChain);
  std::free(m_pDirectory);
}

Archive* Archive::Open(const StringEX& path) {
  FILE* file = std::fopen(path.c_str(), "r+b");
  if (!file) return nullptr;
  std::unique_ptr<Archive> archive(new Archive());
  archive->m_pFile = file;
  if (!archive->Load()) return nullptr;
  return archive.release();
}

Archive* Archive::Create(const StringEX& path) {
  FILE* file = std::fopen(path.c_str(), "w+b");
  if (!file) return nullptr;
  std::unique_ptr<Archive> archive(new Archive());
  archive->m_pFile = file;
  archive->m_BlockSize = kDefaultBlockSize;
  archive->WriteHeader();
  if (!archive->GrowChain() || !archive->GrowDirectory()) return nullptr;
  return archive.release();
}

bool Archive::Load() {
  unsigned char header[kHeaderSize];
  if (ReadAt(0, header, kHeaderSize) != kHeaderSize) return false;
  m_BlockSize = LoadU32(header);
  m_InUse = LoadU32(header + 4);
  m_DirectoryCapacity = LoadU32(header + 8);
  m_ChainCapacity = LoadU32(header + 12);
  m_BlockCount = LoadU32(header + 16);

  if (std::fseek(m_pFile, 0, SEEK_END) != 0) return false;
  const long length = std::ftell(m_pFile);
  m_StreamOffset = kUnknownOffset;
  if (length < 0 || !HeaderIsSound(uint64_t(length))) return false;

  // The header has been checked against the file's length, so both tables
  // are no larger than the file itself. They are held as they lie in the
  // file, which on the little-endian hosts the engine runs on is also the
  // order of the chain table's u32 values.
  m_pChain = static_cast<uint32_t*>(std::calloc(m_ChainCapacity, kChainEntrySize));
  m_pDirectory = static_cast<unsigned char*>(std::calloc(m_DirectoryCapacity, kEntrySize));
  if (!m_pChain || !m_pDirectory) return false;

  // Each block belongs to at most one chain; marking them bounds every walk
  // below and catches loops and chains that share blocks.
  std::vector<unsigned char> owned(m_BlockCount, 0);
  const uint32_t chainBlocks = uint32_t(uint64_t(m_ChainCapacity) * kChainEntrySize / m_BlockSize);
  const uint32_t directoryBlocks = uint32_t(uint64_t(m_DirectoryCapacity) * kEntrySize / m_BlockSize);
  if (!LoadTable(kChainTableBlock, reinterpret_cast<unsigned char*>(m_pChain), chainBlocks, owned.data()) ||
      !LoadTable(kDirectoryBlock, m_pDirectory, directoryBlocks, owned.data()) || !ChainIsSound() ||
      !DirectoryIsSound(owned.data()))
    return false;
  RepairOpenEntries();
  return true;
}

bool Archive::HeaderIsSound(uint64_t fileLength) const {
  const uint64_t blockSize = m_BlockSize;
  // Whole table entries per block, so no entry straddles two blocks.
  if (blockSize == 0 || blockSize % kEntrySize != 0) return false;
  // Both tables' first blocks exist, and every block lies inside the file
  // and below the offset limit.
  const uint64_t end = kHeaderSize + m_BlockCount * blockSize;
  if (m_BlockCount < kFirstDataBlock || end > kOffsetLimit || end > fileLength) return false;
  // The tables fill whole blocks, and those blocks exist.
  if (m_ChainCapacity % (blockSize / kChainEntrySize) != 0 || m_DirectoryCapacity == 0 ||
      m_DirectoryCapacity % (blockSize / kEntrySize) != 0)
    return false;
  const uint64_t tableBytes = uint64_t(m_ChainCapacity) * kChainEntrySize + uint64_t(m_DirectoryCapacity) * kEntrySize;
  if (tableBytes / blockSize > m_BlockCount) return false;
  // Every block has a chain entry; no more entries are in use than exist.
  return m_ChainCapacity >= m_BlockCount && m_InUse <= m_DirectoryCapacity;
}

// Reads the table whose chain starts at firstBlock, following the chain in
// the chain table as it is being filled. The chain must have exactly the
// number of blocks the table's capacity needs.
bool Archive::LoadTable(uint32_t firstBlock, unsigned char* table, uint32_t blocks, unsigned char* owned) {
  uint32_t block = firstBlock;
  for (uint32_t n = 0;;) {
    if (owned[block]) return false;
    owned[block] = 1;
    if (ReadAt(BlockOffset(block), table + size_t(n) * m_BlockSize, m_BlockSize) != m_BlockSize) return false;
    ++n;
    const uint32_t next = m_pChain[block];
    if (next == kEndOfChain) return n == blocks;
    if (n == blocks || next < kFirstDataBlock || next >= m_BlockCount) return false;
    block = next;
  }
}

bool Archive::ChainIsSound() const {
  for (uint32_t index = 0; index < m_ChainCapacity; ++index) {
    const uint32_t value = m_pChain[index];
    if (value == kFreeBlock) continue;
    // A block that is not in the file cannot be in use.
    if (index >= m_BlockCount) return false;
    if (value != kEndOfChain && (value < kFirstDataBlock || value >= m_BlockCount)) return false;
  }
  return true;
}

// Checks every entry in use: a known state, a terminated name, and a chain
// of blocks that no other chain holds, long enough for the size.
bool Archive::DirectoryIsSound(unsigned char* owned) const {
  for (uint32_t index = 0; index < m_DirectoryCapacity; ++index) {
    const unsigned char* entry = Entry(index);
    if (entry[0] == kStateFree) continue;
    if (entry[0] != kStateClosed && entry[0] != kStateOpen) return false;
    if (!std::memchr(entry + kNameOffset, 0, kNameField)) return false;
    uint32_t block = FirstBlock(index);
    if (block < kFirstDataBlock || block >= m_BlockCount) return false;
    uint64_t blocks = 0;
    for (;;) {
      if (owned[block]) return false;
      owned[block] = 1;
      ++blocks;
      const uint32_t next = m_pChain[block];
      if (next == kEndOfChain) break;
      if (next == kFreeBlock) return false;
      block = next;
    }
    if (Size(index) > blocks * m_BlockSize) return false;
  }
  return true;
}

// Files left open when the process ended are closed, and the in-use count is
// set to the entries actually in use: lookups stop once the count is met, so
// a count one short (a creation cut off before its header write) would hide
// the last entries and let their names be created a second time.
void Archive::RepairOpenEntries() {
  uint32_t found = 0;
  for (uint32_t index = 0; index < m_DirectoryCapacity; ++index) {
    unsigned char* entry = Entry(index);
    if (entry[0] == kStateFree) continue;
    ++found;
    if (entry[0] == kStateOpen) {
      entry[0] = kStateClosed;
      WriteDirectoryEntry(index);
    }
  }
  if (found != m_InUse) {
    m_InUse = found;
    WriteHeader();
  }
}

// ---------------------------------------------------------------------------
// Archive: stored files

ArchiveFile* Archive::OpenFile(const StringEX& name, unsigned char mode) {
  if (name.size() > kNameLimit) return nullptr;
  uint32_t index = FindEntry(name.c_str());
  if (index != kNoEntry) {
    if (Entry(index)[0] != kStateClosed) return nullptr;
  } else {
    if (mode & AM_READ) return nullptr;
    index = CreateEntry(name.c_str());
    if (index == kNoEntry) return nullptr;
  }
  ArchiveFile* file = new ArchiveFile(this, index, mode);
  if (mode & AM_WRITE) Truncate(index);
  Entry(index)[0] = kStateOpen;
  WriteDirectoryEntry(index);
  file->m_CurrentBlock = FirstBlock(index);
  return file;
}

void Archive::CloseFile(ArchiveFile* file) {
  if (!file) return;
  Entry(file->m_Entry)[0] = kStateClosed;
  WriteDirectoryEntry(file->m_Entry);
  delete file;
}

uint32_t Archive::FindEntry(const char* name) const {
  uint32_t found = 0;
  for (uint32_t index = 0; index < m_DirectoryCapacity && found < m_InUse; ++index) {
    const unsigned char* entry = Entry(index);
    if (entry[0] == kStateFree) continue;
    ++found;
    if (std::strncmp(reinterpret_cast<const char*>(entry + kNameOffset), name, kNameField) == 0) return index;
  }
  return kNoEntry;
}

uint32_t Archive::CreateEntry(const char* name) {
  uint32_t index = 0;
  while (index < m_DirectoryCapacity && Entry(index)[0] != kStateFree) ++index;
  if (index == m_DirectoryCapacity && !GrowDirectory()) return kNoEntry;
  const uint32_t block = AllocateBlock();
  if (block == kEndOfChain) return kNoEntry;
  m_pChain[block] = kEndOfChain;

  unsigned char* entry = Entry(index);
  std::memset(entry, 0, kEntrySize);
  entry[0] = kStateClosed;
  std::memcpy(entry + kNameOffset, name, std::strlen(name));
  StoreU32(entry + kFirstBlockOffset, block);
  WriteDirectoryEntry(index);
  WriteChainEntry(block);
  ++m_InUse;
  WriteHeader();
  return index;
}

// Returns every block but the first to the free pool and empties the file.
void Archive::Truncate(uint32_t index) {
  const uint32_t first = FirstBlock(index);
  uint32_t block = Next(first);
  for (uint32_t steps = 0; block != kEndOfChain && steps < m_BlockCount; ++steps) {
    const uint32_t next = Next(block);
    m_pChain[block] = kFreeBlock;
    WriteChainEntry(block);
    block = next;
  }
  m_pChain[first] = kEndOfChain;
  WriteChainEntry(first);
  SetSize(index, 0);
}

unsigned char* Archive::Entry(uint32_t index) const { return m_pDirectory + size_t(index) * kEntrySize; }

uint32_t Archive::FirstBlock(uint32_t index) const { return LoadU32(Entry(index) + kFirstBlockOffset); }

uint32_t Archive::Size(uint32_t index) const { return LoadU32(Entry(index) + kSizeOffset); }

void Archive::SetSize(uint32_t index, uint32_t size) { StoreU32(Entry(index) + kSizeOffset, size); }

// ---------------------------------------------------------------------------
// Archive: chains and blocks

uint32_t Archive::Next(uint32_t block) const {
  if (block >= m_BlockCount) return kEndOfChain;
  const uint32_t next = m_pChain[block];
  return next >= kFirstDataBlock && next < m_BlockCount ? next : kEndOfChain;
}

uint32_t Archive::Walk(uint32_t block, uint32_t steps) const {
  for (; steps > 0 && block != kEndOfChain; --steps) block = Next(block);
  return block;
}

// The block count bounds the walk, so a chain that loops cannot hang it.
uint32_t Archive::LastBlock(uint32_t block) const {
  for (uint32_t steps = 0; steps < m_BlockCount; ++steps) {
    const uint32_t next = Next(block);
    if (next == kEndOfChain) break;
    block = next;
  }
  return block;
}

// The lowest free block index from 2 upward; when the table is full, the
// index after the table's own new block.
uint32_t Archive::FreeIndex() const {
  for (uint32_t index = kFirstDataBlock; index < m_ChainCapacity; ++index)
    if (m_pChain[index] == kFreeBlock) return index;
  return m_ChainCapacity + 1;
}

bool Archive::BlockFits(uint32_t block) const {
  return kHeaderSize + (uint64_t(block) + 1) * m_BlockSize <= kOffsetLimit;
}

// A free block, appended to the file when it lies beyond the last one; the
// caller marks it in the chain. kEndOfChain when none can be had.
uint32_t Archive::AllocateBlock() {
  const uint32_t block = FreeIndex();
  if (!BlockFits(block)) return kEndOfChain;
  if (block >= m_ChainCapacity && !GrowChain()) return kEndOfChain;
  while (m_BlockCount <= block) AppendBlock();
  return block;
}

uint32_t Archive::AppendToChain(uint32_t firstBlock) {
  const uint32_t last = LastBlock(firstBlock);
  const uint32_t block = AllocateBlock();
  if (block == kEndOfChain) return kEndOfChain;
  m_pChain[last] = block;
  m_pChain[block] = kEndOfChain;
  WriteChainEntry(last);
  WriteChainEntry(block);
  return block;
}

void Archive::AppendBlock() {
  ++m_BlockCount;
  WriteHeader();
  WriteZeros(BlockOffset(m_BlockCount - 1), m_BlockSize);
}

bool Archive::GrowChain() {
  const uint32_t oldCapacity = m_ChainCapacity;
  const uint32_t capacity = oldCapacity + m_BlockSize / kChainEntrySize;
  uint32_t* chain = static_cast<uint32_t*>(std::realloc(m_pChain, size_t(capacity) * kChainEntrySize));
  if (!chain) return false;
  m_pChain = chain;
  std::memset(m_pChain + oldCapacity, 0, m_BlockSize);
  m_ChainCapacity = capacity;
  WriteHeader();

  if (oldCapacity == 0) {
    m_pChain[kChainTableBlock] = kEndOfChain;
    while (m_BlockCount < kChainTableBlock + 1) AppendBlock();
    WriteChainEntry(kChainTableBlock);
    return true;
  }
  // The table is full here, so its new block takes the first new index,
  // which lies beyond the file: the block is fresh and already zero.
  const uint32_t last = Walk(kChainTableBlock, uint32_t(uint64_t(capacity) * kChainEntrySize / m_BlockSize) - 2);
  if (last != kEndOfChain && m_pChain[last] == kEndOfChain) {
    const uint32_t block = AllocateBlock();
    m_pChain[last] = block;
    m_pChain[block] = kEndOfChain;
    WriteChainEntry(last);
    WriteChainEntry(block);
  }
  return true;
}

bool Archive::GrowDirectory() {
  const uint32_t oldCapacity = m_DirectoryCapacity;
  const uint32_t capacity = oldCapacity + m_BlockSize / kEntrySize;
  // Nothing changes unless the block for the new entries can be had.
  if (oldCapacity != 0 && !BlockFits(FreeIndex())) return false;
  unsigned char* directory = static_cast<unsigned char*>(std::realloc(m_pDirectory, size_t(capacity) * kEntrySize));
  if (!directory) return false;
  m_pDirectory = directory;
  std::memset(m_pDirectory + size_t(oldCapacity) * kEntrySize, 0, m_BlockSize);
  m_DirectoryCapacity = capacity;
  WriteHeader();

  if (oldCapacity == 0) {
    m_pChain[kDirectoryBlock] = kEndOfChain;
    while (m_BlockCount < kDirectoryBlock + 1) AppendBlock();
    WriteChainEntry(kDirectoryBlock);
    return true;
  }
  const uint32_t last = Walk(kDirectoryBlock, uint32_t(uint64_t(capacity) * kEntrySize / m_BlockSize) - 2);
  if (last != kEndOfChain && m_pChain[last] == kEndOfChain) {
    const uint32_t blockCount = m_BlockCount;
    const uint32_t block = AllocateBlock();
    if (block == kEndOfChain) {
      // Only running out of memory for the chain table gets here.
      m_DirectoryCapacity = oldCapacity;
      WriteHeader();
      return false;
    }
    // A block freed by truncation still holds the file's old bytes, which
    // would read back as directory entries.
    if (block < blockCount) WriteZeros(BlockOffset(block), m_BlockSize);
    m_pChain[last] = block;
    m_pChain[block] = kEndOfChain;
    WriteChainEntry(last);
    WriteChainEntry(block);
  }
  return true;
}

// ---------------------------------------------------------------------------
// Archive: write-through and raw access

void Archive::WriteHeader() {
  unsigned char header[kHeaderSize];
  StoreU32(header, m_BlockSize);
  StoreU32(header + 4, m_InUse);
  StoreU32(header + 8, m_DirectoryCapacity);
  StoreU32(header + 12, m_ChainCapacity);
  StoreU32(header + 16, m_BlockCount);
  WriteAt(0, header, kHeaderSize);
}

void Archive::WriteChainEntry(uint32_t index) {
  const uint32_t perBlock = m_BlockSize / kChainEntrySize;
  const uint32_t block = Walk(kChainTableBlock, index / perBlock);
  if (block == kEndOfChain) return;
  WriteAt(BlockOffset(block) + uint64_t(index % perBlock) * kChainEntrySize, &m_pChain[index], kChainEntrySize);
}

void Archive::WriteDirectoryEntry(uint32_t index) {
  const uint32_t perBlock = m_BlockSize / kEntrySize;
  const uint32_t block = Walk(kDirectoryBlock, index / perBlock);
  if (block == kEndOfChain) return;
  WriteAt(BlockOffset(block) + uint64_t(index % perBlock) * kEntrySize, Entry(index), kEntrySize);
}

uint64_t Archive::BlockOffset(uint32_t block) const { return m_DataOffset + uint64_t(block) * m_BlockSize; }

// The C stream flushes its buffer on every positioning call, so one is made
// only when the offset or the direction changes (the stream needs one
// between output and input either way).
void Archive::PositionStream(uint64_t offset, bool writing) {
  if (offset == m_StreamOffset && writing == m_StreamWriting) return;
  std::fseek(m_pFile, long(offset), SEEK_SET);
  m_StreamOffset = offset;
  m_StreamWriting = writing;
}

void Archive::WriteAt(uint64_t offset, const void* data, size_t count) {
  PositionStream(offset, true);
  const size_t written = std::fwrite(data, 1, count, m_pFile);
  m_StreamOffset = written == count ? offset + count : kUnknownOffset;
}

void Archive::WriteZeros(uint64_t offset, size_t count) {
  static const unsigned char zeros[65536] = {};
  while (count > 0) {
    const size_t chunk = std::min(count, sizeof(zeros));
    WriteAt(offset, zeros, chunk);
    offset += chunk;
    count -= chunk;
  }
}

size_t Archive::ReadAt(uint64_t offset, void* data, size_t count) {
  PositionStream(offset, false);
  const size_t read = std::fread(data, 1, count, m_pFile);
  m_StreamOffset = read == count ? offset + count : kUnknownOffset;
  return read;
}

// ---------------------------------------------------------------------------
// ArchiveFile

ArchiveFile::ArchiveFile(Archive* archive, uint32_t entry, unsigned char mode)
    : m_pArchive(archive), m_Entry(entry), m_Position(0), m_CurrentBlock(kEndOfChain), m_Mode(mode) {}

uint32_t ArchiveFile::GetSize() const { return m_pArchive->Size(m_Entry); }

void ArchiveFile::LocateBlock() {
  m_CurrentBlock = m_pArchive->Walk(m_pArchive->FirstBlock(m_Entry), m_Position / m_pArchive->m_BlockSize);
}

// A write that needs a block beyond the offset limit stops there: the bytes
// before it stay written and the size and position say how far it got, as
// with a full disk.
void ArchiveFile::Write(const void* data, uint32_t count) {
  if (m_Mode == AM_READ) return;
  const uint32_t restore = m_Position;
  if (m_Mode == AM_APPEND) SeekEnd();

  Archive& archive = *m_pArchive;
  const uint32_t blockSize = archive.m_BlockSize;
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  if (m_CurrentBlock == kEndOfChain) m_CurrentBlock = archive.AppendToChain(archive.FirstBlock(m_Entry));
  while (count > 0 && m_CurrentBlock != kEndOfChain) {
    const uint32_t inBlock = m_Position % blockSize;
    const uint32_t chunk = std::min(count, blockSize - inBlock);
    archive.WriteAt(archive.BlockOffset(m_CurrentBlock) + inBlock, bytes, chunk);
    if (m_Position + chunk > GetSize()) {
      archive.SetSize(m_Entry, m_Position + chunk);
      archive.WriteDirectoryEntry(m_Entry);
    }
    m_Position += chunk;
    bytes += chunk;
    count -= chunk;
    LocateBlock();
    if (count > 0 && m_CurrentBlock == kEndOfChain) m_CurrentBlock = archive.AppendToChain(archive.FirstBlock(m_Entry));
  }

  if (m_Mode == AM_APPEND) Seek(restore);
}

void ArchiveFile::Read(void* data, uint32_t count) {
  const uint32_t size = GetSize();
  if (m_Position >= size || count == 0) return;
  if (!(m_Mode & (AM_READ | AM_READWRITE))) {
    std::memset(data, 0, count);
    return;
  }
  count = std::min(count, size - m_Position);

  Archive& archive = *m_pArchive;
  const uint32_t blockSize = archive.m_BlockSize;
  unsigned char* bytes = static_cast<unsigned char*>(data);
  while (count > 0 && m_CurrentBlock != kEndOfChain) {
    const uint32_t inBlock = m_Position % blockSize;
    const uint32_t chunk = std::min(count, blockSize - inBlock);
    archive.ReadAt(archive.BlockOffset(m_CurrentBlock) + inBlock, bytes, chunk);
    m_Position += chunk;
    bytes += chunk;
    count -= chunk;
    LocateBlock();
  }
}

void ArchiveFile::Seek(uint32_t position) {
  if (position == m_Position) return;
  m_Position = std::min(position, GetSize());
  LocateBlock();
}

void ArchiveFile::SeekEnd() { Seek(GetSize()); }
