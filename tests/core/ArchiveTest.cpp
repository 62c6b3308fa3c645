#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <morvane/ArchiveStream.h>

#include "TempDir.h"

namespace {

using U32s = std::vector<uint32_t>;
using ArchivePtr = std::unique_ptr<Archive>;

constexpr uint32_t B = 262144;
constexpr uint32_t kEnd = 0xFFFFFFFF;

// count u32 values at offset.
U32s Read32(const std::string& bytes, size_t offset, size_t count = 1) {
  U32s values(count);
  std::memcpy(values.data(), bytes.data() + offset, count * 4);
  return values;
}

void Put32(std::string& bytes, size_t offset, uint32_t value) { std::memcpy(&bytes[offset], &value, 4); }

// Offsets of chain entry j and directory entry i in the tables' first blocks.
size_t ChainAt(uint32_t j) { return 20 + j * 4; }
size_t EntryAt(uint32_t blockSize, uint32_t i) { return 20 + blockSize + i * 32; }

// An empty container with small blocks: one block each of chain table and
// directory.
std::string SmallContainer(uint32_t blockSize) {
  std::string bytes(20 + 2 * blockSize, '\0');
  const uint32_t header[5] = {blockSize, 0, blockSize / 32, blockSize / 4, 2};
  std::memcpy(&bytes[0], header, 20);
  Put32(bytes, ChainAt(0), kEnd);
  Put32(bytes, ChainAt(1), kEnd);
  return bytes;
}

// Reads count bytes into a target pre-filled with '#'.
std::string ReadInto(ArchiveFile* file, uint32_t count) {
  std::string target(count, '#');
  file->Read(&target[0], count);
  return target;
}

class ArchiveTest : public ::testing::Test {
 protected:
  ArchivePtr Create() { return ArchivePtr(Archive::Create(m_Path)); }
  ArchivePtr Open() { return ArchivePtr(Archive::Open(m_Path)); }
  // The container's C stream holds back what it has been handed until a
  // flush; flushing every stream shows the file as the archive wrote it.
  std::string Bytes() const {
    std::fflush(nullptr);
    return ReadFileBytes(m_Path);
  }

  // A stored file holding count bytes of value, closed again.
  static void Store(Archive& archive, const char* name, uint32_t count, char value) {
    ArchiveFile* file = archive.OpenFile(name, AM_WRITE);
    ASSERT_NE(file, nullptr);
    const std::string data(count, value);
    file->Write(data.data(), count);
    archive.CloseFile(file);
  }

  TempDir m_Dir;
  std::string m_Path = m_Dir.File("cache.bin");
};

TEST_F(ArchiveTest, FreshContainerHoldsHeaderAndTwoTableBlocks) {
  Create().reset();
  const std::string bytes = Bytes();
  ASSERT_EQ(bytes.size(), 524308u);
  EXPECT_EQ(Read32(bytes, 0, 7), (U32s{B, 0, 8192, 65536, 2, kEnd, kEnd}));
  EXPECT_EQ(bytes.find_first_not_of('\0', 28), std::string::npos);
}

TEST_F(ArchiveTest, StoredFilesTakeTheLowestFreeBlocks) {
  ArchivePtr archive = Create();
  ArchiveFile* file = archive->OpenFile("effect.fx", AM_WRITE);
  ASSERT_NE(file, nullptr);
  std::string bytes = Bytes();
  EXPECT_EQ(bytes.size(), 20u + 3 * B);
  EXPECT_EQ(Read32(bytes, 4), U32s{1});
  EXPECT_EQ(Read32(bytes, 16), U32s{3});
  EXPECT_EQ(Read32(bytes, ChainAt(2)), U32s{kEnd});
  EXPECT_EQ(bytes.substr(EntryAt(B, 0), 11), std::string("\3effect.fx\0", 11));
  EXPECT_EQ(Read32(bytes, EntryAt(B, 0) + 24, 2), (U32s{2, 0}));

  // Exactly one block of data allocates nothing more; the next byte does.
  const std::string data(B, 'x');
  file->Write(data.data(), B);
  EXPECT_EQ(file->GetPosition(), B);
  EXPECT_EQ(Read32(Bytes(), 16), U32s{3});
  file->Write("y", 1);
  bytes = Bytes();
  EXPECT_EQ(Read32(bytes, 16), U32s{4});
  EXPECT_EQ(Read32(bytes, ChainAt(2), 2), (U32s{3, kEnd}));
  EXPECT_EQ(Read32(bytes, EntryAt(B, 0) + 28), U32s{B + 1});
  EXPECT_EQ(bytes[20 + 3 * B], 'y');
  archive->CloseFile(file);
  EXPECT_EQ(Bytes()[EntryAt(B, 0)], 1);

  // Truncation frees every block but the first; the lowest freed one is
  // reused next.
  Store(*archive, "other", 10, 'o');  // block 4
  file = archive->OpenFile("effect.fx", AM_WRITE);
  EXPECT_EQ(file->GetSize(), 0u);
  bytes = Bytes();
  EXPECT_EQ(Read32(bytes, ChainAt(2), 2), (U32s{kEnd, 0}));
  EXPECT_EQ(Read32(bytes, EntryAt(B, 0) + 28), U32s{0});
  archive->CloseFile(file);
  Store(*archive, "third", 1, 't');
  EXPECT_EQ(Read32(Bytes(), EntryAt(B, 2) + 24), U32s{3});
}

TEST_F(ArchiveTest, ModesGovernReadingWritingAndAppending) {
  ArchivePtr archive = Create();
  ArchiveFile* file = archive->OpenFile("f", AM_WRITE);
  file->Write("abcdef", 6);
  // Without a read bit the bytes read as zeros and the position stays.
  file->Seek(2);
  EXPECT_EQ(ReadInto(file, 4), std::string(4, '\0'));
  EXPECT_EQ(file->GetPosition(), 2u);
  archive->CloseFile(file);

  file = archive->OpenFile("f", AM_READ);
  file->Write("zz", 2);  // ignored in read-only mode
  EXPECT_EQ(file->GetSize(), 6u);
  file->Seek(4);
  EXPECT_EQ(ReadInto(file, 4), "ef##");
  EXPECT_EQ(file->GetPosition(), 6u);
  EXPECT_EQ(ReadInto(file, 4), "####");
  file->Seek(100);
  EXPECT_EQ(file->GetPosition(), 6u);
  archive->CloseFile(file);

  // Read and write without truncation.
  file = archive->OpenFile("f", AM_READ | AM_READWRITE);
  file->Seek(1);
  file->Write("XY", 2);
  file->Seek(0);
  EXPECT_EQ(ReadInto(file, 6), "aXYdef");
  archive->CloseFile(file);

  file = archive->OpenFile("f", AM_APPEND);
  file->Seek(1);
  file->Write("gh", 2);
  EXPECT_EQ(file->GetPosition(), 1u);
  EXPECT_EQ(file->GetSize(), 8u);
  archive->CloseFile(file);
  EXPECT_EQ(Bytes().substr(20 + 2 * B, 8), "aXYdefgh");
}

TEST_F(ArchiveTest, OpenFileRefusesLongNamesMissingReadsAndSecondOpens) {
  ArchivePtr archive = Create();
  const std::string name(22, 'n');
  EXPECT_EQ(archive->OpenFile(name + "n", AM_WRITE), nullptr);
  EXPECT_EQ(archive->OpenFile(name, AM_READ), nullptr);
  EXPECT_EQ(archive->OpenFile(name, AM_READ | AM_READWRITE), nullptr);
  EXPECT_EQ(Read32(Bytes(), 4), U32s{0});

  ArchiveFile* file = archive->OpenFile(name, AM_READWRITE);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(archive->OpenFile(name, AM_READ), nullptr);
  archive->CloseFile(file);
  file = archive->OpenFile(name, AM_READ);
  EXPECT_NE(file, nullptr);
  archive->CloseFile(file);
  EXPECT_EQ(archive->OpenFile(std::string(22, 'N'), AM_READ), nullptr);  // names are case-sensitive
}

TEST_F(ArchiveTest, OpenClosesFilesLeftOpenAndCorrectsTheInUseCount) {
  ArchivePtr archive = Create();
  Store(*archive, "closed", 3, 'c');
  std::unique_ptr<ArchiveFile> left(archive->OpenFile("left", AM_WRITE));
  left->Write("data", 4);
  archive.reset();  // the process ends with the file still open

  std::string bytes = Bytes();
  EXPECT_EQ(bytes[EntryAt(B, 1)], 3);
  Put32(bytes, 4, 7);
  WriteFileBytes(m_Path, bytes);
  archive = Open();
  ASSERT_NE(archive, nullptr);
  bytes = Bytes();
  EXPECT_EQ(bytes[EntryAt(B, 0)], 1);
  EXPECT_EQ(bytes[EntryAt(B, 1)], 1);
  EXPECT_EQ(Read32(bytes, 4), U32s{2});
  ArchiveFile* file = archive->OpenFile("left", AM_READ);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(ReadInto(file, 4), "data");
  archive->CloseFile(file);
  archive.reset();

  // A count one short would hide "left" and let it be created twice.
  bytes = Bytes();
  Put32(bytes, 4, 1);
  WriteFileBytes(m_Path, bytes);
  archive = Open();
  EXPECT_EQ(Read32(Bytes(), 4), U32s{2});
  file = archive->OpenFile("left", AM_READ | AM_READWRITE);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->GetSize(), 4u);
  archive->CloseFile(file);
}

TEST_F(ArchiveTest, StreamsEncodeLittleEndianWithoutPadding) {
  ArchivePtr archive = Create();
  ArchiveFile* file = archive->OpenFile("s", AM_READWRITE);
  ArchiveStream stream(file);
  stream.Write(true);
  stream.Write(-2);
  stream.Write(static_cast<__int64>(0x0102030405060708LL));
  stream.Write(StringEX("abc"));
  stream.Write(StringEX());
  stream.Write(DXVector3(1.0f, -2.0f, 0.5f));
  const std::string expected(
      "\x01\xFE\xFF\xFF\xFF\x08\x07\x06\x05\x04\x03\x02\x01\x03\0\0\0abc\0\0\0\0"
      "\x00\x00\x80\x3F\x00\x00\x00\xC0\x00\x00\x00\x3F",
      36);
  EXPECT_EQ(file->GetSize(), expected.size());
  EXPECT_EQ(Bytes().substr(20 + 2 * B, expected.size()), expected);

  file->Seek(0);
  EXPECT_TRUE(stream.ReadBool());
  EXPECT_EQ(stream.ReadInt32(), -2);
  EXPECT_EQ(stream.ReadInt64(), 0x0102030405060708LL);
  EXPECT_EQ(stream.ReadString(), "abc");
  EXPECT_EQ(stream.ReadString(), "");
  EXPECT_EQ(stream.ReadVector3(), DXVector3(1.0f, -2.0f, 0.5f));
  // Everything past the end reads as zero.
  EXPECT_FALSE(stream.ReadBool());
  EXPECT_EQ(stream.ReadInt32(), 0);
  EXPECT_EQ(stream.ReadInt64(), 0);
  EXPECT_EQ(stream.ReadString(), "");
  EXPECT_EQ(stream.ReadVector3(), DXVector3(0.0f, 0.0f, 0.0f));

  // A negative count or one beyond the whole file consumes nothing more; a
  // string cut short keeps zeros.
  const uint32_t counts[3] = {0xFFFFFFFF, 1000, 6};
  file->Write(counts, 12);
  file->Write("xy", 2);
  file->Seek(36);
  EXPECT_EQ(stream.ReadString(), "");
  EXPECT_EQ(file->GetPosition(), 40u);
  EXPECT_EQ(stream.ReadString(), "");
  EXPECT_EQ(file->GetPosition(), 44u);
  EXPECT_EQ(stream.ReadString(), std::string("xy\0\0\0\0", 6));
  archive->CloseFile(file);
}

// Small blocks make the table growth that needs thousands of files or 16 GiB
// at the default size reachable in a few bytes: 64-byte blocks hold 16 chain
// entries or 2 directory entries.
TEST_F(ArchiveTest, SmallBlocksGrowBothTablesThroughTheChain) {
  WriteFileBytes(m_Path, SmallContainer(64));
  ArchivePtr archive = Open();
  ASSERT_NE(archive, nullptr);
  Store(*archive, "b", 1, 'b');        // block 2
  Store(*archive, "a", 13 * 64, 'A');  // blocks 3-15: the chain table is full
  // The directory's new block needs the chain table to grow first: the
  // table's new block takes index 16, the directory's 17, the file's 18.
  Store(*archive, "c", 1, 'c');
  std::string bytes = Bytes();
  ASSERT_EQ(bytes.size(), 20u + 19 * 64);
  EXPECT_EQ(Read32(bytes, 0, 7), (U32s{64, 3, 4, 32, 19, 16, 17}));
  EXPECT_EQ(Read32(bytes, 20 + 16 * 64, 3), (U32s{kEnd, kEnd, kEnd}));  // chain entries 16-18
  EXPECT_EQ(bytes.substr(20 + 17 * 64, 3), std::string("\1c\0", 3));
  EXPECT_EQ(Read32(bytes, 20 + 17 * 64 + 24), U32s{18});

  // Truncating "a" frees blocks 4-15 full of 'A's. "d" takes the last free
  // entry; "e" grows the directory into block 5, whose second entry must not
  // read back those bytes.
  archive->CloseFile(archive->OpenFile("a", AM_WRITE));
  Store(*archive, "d", 1, 'd');
  Store(*archive, "e", 1, 'e');
  bytes = Bytes();
  EXPECT_EQ(Read32(bytes, 20 + 16 * 64 + 4), U32s{5});  // chain entry 17
  EXPECT_EQ(bytes.substr(20 + 5 * 64, 3), std::string("\1e\0", 3));
  EXPECT_EQ(bytes.substr(20 + 5 * 64 + 32, 32), std::string(32, '\0'));
  archive.reset();

  archive = Open();
  ASSERT_NE(archive, nullptr);
  for (const char* name : {"a", "b", "c", "d", "e"}) {
    ArchiveFile* file = archive->OpenFile(name, AM_READ);
    ASSERT_NE(file, nullptr) << name;
    EXPECT_EQ(file->GetSize(), name[0] == 'a' ? 0u : 1u);
    archive->CloseFile(file);
  }
}

// A sparse container of 8191 default blocks, the most that stay below 2^31,
// with one stored file in blocks 2-8190.
TEST_F(ArchiveTest, WritesStopAtTheOffsetLimit) {
  constexpr uint32_t kBlocks = 8191;
  std::string bytes(20 + 2 * B, '\0');
  const uint32_t header[5] = {B, 1, 8192, 65536, kBlocks};
  std::memcpy(&bytes[0], header, 20);
  Put32(bytes, ChainAt(0), kEnd);
  Put32(bytes, ChainAt(1), kEnd);
  for (uint32_t block = 2; block < kBlocks; ++block) Put32(bytes, ChainAt(block), block + 1 < kBlocks ? block + 1 : kEnd);
  bytes[EntryAt(B, 0)] = 1;
  bytes[EntryAt(B, 0) + 1] = 'z';
  Put32(bytes, EntryAt(B, 0) + 24, 2);
  Put32(bytes, EntryAt(B, 0) + 28, (kBlocks - 2) * B - 2);
  WriteFileBytes(m_Path, bytes);
  std::filesystem::resize_file(m_Path, 20 + uint64_t(kBlocks) * B);

  ArchivePtr archive = Open();
  ASSERT_NE(archive, nullptr);
  EXPECT_EQ(archive->OpenFile("new", AM_WRITE), nullptr);
  ArchiveFile* file = archive->OpenFile("z", AM_READWRITE);
  file->SeekEnd();
  file->Write("12345", 5);  // two bytes fit
  EXPECT_EQ(file->GetSize(), (kBlocks - 2) * B);
  file->Write("6", 1);
  EXPECT_EQ(file->GetSize(), (kBlocks - 2) * B);
  archive->CloseFile(file);
  archive.reset();
  EXPECT_EQ(std::filesystem::file_size(m_Path), 20 + uint64_t(kBlocks) * B);
}

TEST_F(ArchiveTest, MissingOrUnwritablePlacesGiveNoContainer) {
  EXPECT_EQ(Open(), nullptr);
  EXPECT_EQ(Archive::Open(m_Dir.Path()), nullptr);
  EXPECT_EQ(Archive::Create(m_Dir.File("no/such/dir.bin")), nullptr);
  EXPECT_EQ(Archive::Create(m_Dir.Path()), nullptr);
}

// Damaged containers: a small container holding "a" (40 bytes in blocks 2
// and 3), patched. Each must be refused without crashing, hanging or
// allocating from the damaged counts.
struct Damage {
  const char* name;
  std::function<void(std::string&)> patch;
};

class ArchiveDamageTest : public ArchiveTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(ArchiveDamageTest, IsRefused) {
  WriteFileBytes(m_Path, SmallContainer(32));
  ArchivePtr archive = Open();
  ASSERT_NE(archive, nullptr);
  Store(*archive, "a", 40, 'a');
  archive.reset();
  std::string bytes = Bytes();
  GetParam().patch(bytes);
  WriteFileBytes(m_Path, bytes);
  EXPECT_EQ(Open(), nullptr);
}

const size_t kEntry = EntryAt(32, 0);

const Damage kDamages[] = {
    {"Empty", [](std::string& b) { b.clear(); }},
    {"ShortHeader", [](std::string& b) { b.resize(19); }},
    {"BlockSizeZero", [](std::string& b) { Put32(b, 0, 0); }},
    {"BlockSizeSplitsEntries", [](std::string& b) { Put32(b, 0, 40); }},
    {"BlockSizeHuge", [](std::string& b) { Put32(b, 0, 0x40000000); }},
    {"TooFewBlocks", [](std::string& b) { Put32(b, 16, 1); }},
    {"BlocksBeyondTheFile", [](std::string& b) { Put32(b, 16, 5); }},
    {"BlocksPastTheOffsetLimit", [](std::string& b) { Put32(b, 16, 0x4000000); }},
    {"ChainCapacityHuge", [](std::string& b) { Put32(b, 12, 0xFFFFFFF8); }},
    {"ChainCapacityBelowBlocks", [](std::string& b) { Put32(b, 12, 0); }},
    {"ChainCapacityPartBlock", [](std::string& b) { Put32(b, 12, 12); }},
    {"DirectoryCapacityHuge", [](std::string& b) { Put32(b, 8, 0x7FFFFFFF); }},
    {"DirectoryCapacityZero", [](std::string& b) { Put32(b, 8, 0); }},
    {"InUseBeyondCapacity", [](std::string& b) { Put32(b, 4, 2); }},
    {"TableChainOutOfRange", [](std::string& b) { Put32(b, ChainAt(0), 200); }},
    {"TableChainTooLong", [](std::string& b) { Put32(b, ChainAt(0), 3); }},
    {"DirectoryChainFree", [](std::string& b) { Put32(b, ChainAt(1), 0); }},
    {"FileChainLoops", [](std::string& b) { Put32(b, ChainAt(3), 2); }},
    {"FileChainBeyondBlocks", [](std::string& b) { Put32(b, ChainAt(3), 4); }},
    {"FileBlockMarkedFree", [](std::string& b) { Put32(b, ChainAt(3), 0); }},
    {"ChainEntryOfMissingBlock", [](std::string& b) { Put32(b, ChainAt(6), kEnd); }},
    {"FirstBlockOutOfRange", [](std::string& b) { Put32(b, kEntry + 24, 99); }},
    {"FirstBlockIsTheDirectory", [](std::string& b) { Put32(b, kEntry + 24, 1); }},
    {"SizeBeyondTheChain", [](std::string& b) { Put32(b, kEntry + 28, 65); }},
    {"UnknownState", [](std::string& b) { b[kEntry] = 2; }},
    {"UnterminatedName", [](std::string& b) { std::memset(&b[kEntry + 1], 'x', 23); }},
};

INSTANTIATE_TEST_SUITE_P(Archive, ArchiveDamageTest, ::testing::ValuesIn(kDamages),
                         [](const ::testing::TestParamInfo<Damage>& info) { return info.param.name; });

}  // namespace
