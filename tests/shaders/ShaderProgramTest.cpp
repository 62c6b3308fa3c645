// Effect sources through the compiled-effect cache and the fxc child process.
#include <sys/stat.h>
#include <sys/time.h>

#include <cstdio>
#include <functional>

#include "ShaderTestSupport.h"

namespace {

class ShaderProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Core::Init();
    Core::SetLogger(&log);
    PlatformTesting::Reset();
    source = dir.File("color.fx");
    WriteFileBytes(source, kColorEffect);
  }
  void TearDown() override {
    Core::Cleanup();
    PlatformTesting::Reset();
  }

  std::string Index() const { return StoredFile(source + ".bin", "i"); }
  // The 16-byte block at the start of the index.
  void ExpectBlock(uint32_t records, uint32_t next, uint32_t files) const {
    std::string index = Index();
    ASSERT_GE(index.size(), 16u);
    EXPECT_EQ(U32At(index, 0), 11u);
    EXPECT_EQ(U32At(index, 4), records);
    EXPECT_EQ(U32At(index, 8), next);
    EXPECT_EQ(U32At(index, 12), files);
  }

  TempDir dir;
  RecordingLogger log;
  std::string source;
};

// A modification time the scan cannot miss, whatever the clock's resolution.
void SetModificationTime(const std::string& path, time_t seconds) {
  struct timeval times[2] = {{seconds, 0}, {seconds, 0}};
  utimes(path.c_str(), times);
}

std::string StringEncoding(const std::string& bytes) {
  uint32_t length = static_cast<uint32_t>(bytes.size());
  return std::string(reinterpret_cast<const char*>(&length), 4) + bytes;
}

std::string Int64Bytes(int64_t value) { return std::string(reinterpret_cast<const char*>(&value), 8); }

}  // namespace

TEST_F(ShaderProgramTest, FirstOpenCompilesAndWritesTheIndexByteForByte) {
  CountingProgram program;
  program.Open(source, true, false);
  EXPECT_EQ(CompilerRuns(), 1u);
  EXPECT_TRUE(program.IsBinaryCode());
  ASSERT_FALSE(program.GetCode().empty());
  EXPECT_FALSE(program.IsCompiled());  // Open loads, Compile creates

  struct stat status;
  ASSERT_EQ(stat(source.c_str(), &status), 0);
  std::string expected;
  for (uint32_t value : {11u, 1u, 1u, 1u}) expected.append(reinterpret_cast<const char*>(&value), 4);
  expected += StringEncoding(source) + Int64Bytes(status.st_mtime) + Int64Bytes(status.st_size);
  expected += std::string("\0\0", 2) + std::string(4, '\0') + std::string(4, '\0');
  EXPECT_EQ(Index(), expected);
  EXPECT_EQ(StoredFile(source + ".bin", "0"), StringEncoding(program.GetCode()));
  EXPECT_TRUE(log.Contains(RecordingLogger::kBeginSection, "Read shader binary file."));
}

TEST_F(ShaderProgramTest, WarmOpenRunsNoCompilerAndRecordsSitSideBySide) {
  CountingProgram first;
  first.Open(source, true, false);
  ASSERT_EQ(CompilerRuns(), 1u);

  CountingProgram warm;
  warm.Open(source, true, false);
  EXPECT_EQ(CompilerRuns(), 1u);
  EXPECT_TRUE(warm.IsBinaryCode());
  EXPECT_EQ(warm.GetCode(), first.GetCode());
  EXPECT_EQ(warm.GetFileVersions(), first.GetFileVersions());

  // Debug appends record 1 and keeps the release record.
  CountingProgram debug;
  debug.Open(source, true, true);
  EXPECT_EQ(CompilerRuns(), 2u);
  ExpectBlock(2, 2, 1);
  EXPECT_FALSE(StoredFile(source + ".bin", "1").empty());

  // A child effect is one more combination.
  CountingProgram child;
  child.SetChildEffect(true);
  child.Open(source, true, false);
  EXPECT_EQ(CompilerRuns(), 3u);
  ExpectBlock(3, 3, 1);

  for (bool debugFlag : {false, true}) {
    CountingProgram again;
    again.Open(source, true, debugFlag);
    EXPECT_EQ(again.GetCode(), debugFlag ? debug.GetCode() : first.GetCode());
  }
  EXPECT_EQ(CompilerRuns(), 3u);
}

TEST_F(ShaderProgramTest, TextOpenNeverTouchesTheCache) {
  CountingProgram program;
  program.Open(source, false, false);
  EXPECT_EQ(program.GetCode(), kColorEffect);
  EXPECT_FALSE(program.IsBinaryCode());
  EXPECT_EQ(CompilerRuns(), 0u);
  struct stat status;
  EXPECT_NE(stat((source + ".bin").c_str(), &status), 0);
  EXPECT_TRUE(log.Contains(RecordingLogger::kBeginSection, "Read shader text file."));
}

TEST_F(ShaderProgramTest, IncludesAreScannedAndATouchedIncludeRebuildsTheCache) {
  // The second include ends in CR LF, the third is missing.
  WriteFileBytes(dir.File("common.fxh"), "#define TINT_SCALE 1\n");
  WriteFileBytes(dir.File("extra.fxh"), "\n");
  WriteFileBytes(source, std::string("#include \"common.fxh\"\n#include  <extra.fxh> \r\n// #include \"gone.fxh\"\n") +
                             kColorEffect);
  CountingProgram program;
  program.Open(source, true, false);
  const std::vector<ShaderProgram::FileVersion>& files = program.GetFileVersions();
  ASSERT_EQ(files.size(), 4u);
  EXPECT_EQ(files[1].Path, dir.Path() + "/common.fxh");
  EXPECT_EQ(files[1].Size, 21);
  EXPECT_EQ(files[2].Path, dir.Path() + "/extra.fxh");
  EXPECT_EQ(files[2].Size, 1);
  EXPECT_EQ(files[3].Path, dir.Path() + "/gone.fxh");
  EXPECT_EQ(files[3].Time, -1);
  EXPECT_EQ(files[3].Size, -1);
  ExpectBlock(1, 1, 4);

  // Reload with nothing changed does nothing.
  program.Reload();
  EXPECT_EQ(program.compiles, 0);
  EXPECT_EQ(CompilerRuns(), 1u);

  SetModificationTime(dir.File("common.fxh"), 1000000000);
  program.Reload();
  EXPECT_EQ(program.compiles, 1);
  EXPECT_EQ(CompilerRuns(), 2u);
  // Recreated from empty: one record again, not two.
  ExpectBlock(1, 1, 4);

  CountingProgram later;
  later.Open(source, true, false);
  EXPECT_EQ(CompilerRuns(), 2u);
}

TEST_F(ShaderProgramTest, DefinesReachTheCompilerInOrderAndKeyTheRecords) {
  // Compiles only when A arrives as 0 and B as 2.
  WriteFileBytes(source, std::string("#if A != 0 || B != 2\n#error defines\n#endif\n") + kColorEffect);
  CountingProgram program;
  std::vector<ShaderMacro> defines = {{"A", ""}, {"B", "2"}};
  program.SetDefines(&defines);
  program.Open(source, true, false);
  EXPECT_TRUE(program.IsBinaryCode());
  ASSERT_FALSE(program.GetCode().empty()) << program.GetErrors();

  // The same defines in the other order are another record.
  CountingProgram reversed;
  std::vector<ShaderMacro> swapped = {{"B", "2"}, {"A", ""}};
  reversed.SetDefines(&swapped);
  reversed.Open(source, true, false);
  EXPECT_EQ(CompilerRuns(), 2u);
  ExpectBlock(2, 2, 1);

  // The array form stops at the first entry with a null part.
  CountingProgram fromArray;
  D3D10_SHADER_MACRO macros[] = {{"A", ""}, {"B", "2"}, {"C", nullptr}, {"D", "4"}, {nullptr, nullptr}};
  fromArray.SetDefines(macros);
  EXPECT_EQ(fromArray.GetDefines(), defines);
  EXPECT_EQ(fromArray.invalidations, 1);
  fromArray.Open(source, true, false);
  EXPECT_EQ(fromArray.GetCode(), program.GetCode());
  EXPECT_EQ(CompilerRuns(), 2u);
  fromArray.SetDefines(static_cast<const D3D10_SHADER_MACRO*>(nullptr));
  EXPECT_TRUE(fromArray.GetDefines().empty());
}

TEST_F(ShaderProgramTest, FailedCompileKeepsTheMessagesAndTheTextAndCachesNothing) {
  WriteFileBytes(source, kBrokenEffect);
  CountingProgram program;
  program.Open(source, true, false);
  EXPECT_FALSE(program.IsBinaryCode());
  EXPECT_EQ(program.GetCode(), kBrokenEffect);
  EXPECT_NE(program.GetErrors().find("color.fx(1,"), std::string::npos) << program.GetErrors();
  ExpectBlock(0, 0, 1);
  // The compiler's text went to the log as it came, at level 0.
  std::string written;
  for (const RecordingLogger::Entry& entry : log.entries)
    if (entry.op == RecordingLogger::kWrite && entry.level == 0) written += entry.text;
  EXPECT_EQ(written, program.GetErrors());
}

TEST_F(ShaderProgramTest, CompilerOutputBeyondAPipeDoesNotBlock) {
  // fxc repeats the #error line: far more than a pipe buffers.
  WriteFileBytes(source, "#error " + std::string(300000, 'x') + "\n");
  CountingProgram program;
  program.Open(source, true, false);
  EXPECT_GT(program.GetErrors().size(), 300000u);
  EXPECT_FALSE(program.IsBinaryCode());
  size_t chunks = 0;
  for (const RecordingLogger::Entry& entry : log.entries)
    if (entry.op == RecordingLogger::kWrite) {
      ++chunks;
      EXPECT_LE(entry.text.size(), 1024u);
    }
  EXPECT_GE(chunks, 293u);
}

TEST_F(ShaderProgramTest, WithoutTheCompilerTheTextIsUsed) {
  PlatformTesting::FailCall("CreateProcessA", HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), 0, 1);
  CountingProgram program;
  program.Open(source, true, false);
  EXPECT_TRUE(log.Contains(RecordingLogger::kError, "Can't run fxc process."));
  EXPECT_FALSE(program.IsBinaryCode());
  EXPECT_EQ(program.GetCode(), kColorEffect);
  ExpectBlock(0, 0, 1);

  PlatformTesting::FailCall("CreatePipe", E_FAIL, 0, 1);
  CountingProgram unpiped;
  unpiped.Open(source, true, false);
  EXPECT_TRUE(log.Contains(RecordingLogger::kError, "CreatePile -> Can't redirect stdout of fxc."));
  EXPECT_TRUE(unpiped.IsBinaryCode());
  EXPECT_FALSE(unpiped.GetCode().empty());
}

TEST_F(ShaderProgramTest, ACacheShipsWithoutItsSource) {
  CountingProgram first;
  first.Open(source, true, false);
  std::remove(source.c_str());
  CountingProgram shipped;
  shipped.Open(source, true, false);
  EXPECT_EQ(CompilerRuns(), 1u);
  EXPECT_TRUE(shipped.IsBinaryCode());
  EXPECT_EQ(shipped.GetCode(), first.GetCode());
  EXPECT_TRUE(shipped.GetErrors().empty());

  // Neither source nor a matching record.
  CountingProgram debug;
  debug.Open(source, true, true);
  EXPECT_EQ(debug.GetErrors(), "ERROR: File not found!");
  EXPECT_TRUE(log.Contains(RecordingLogger::kError, "Shader file not found:" + source));
  EXPECT_TRUE(debug.GetCode().empty());
  EXPECT_EQ(CompilerRuns(), 1u);
}

// Every kind of damage gives a fresh cache with the new object in it.
TEST_F(ShaderProgramTest, DamagedCachesAreRebuilt) {
  CountingProgram good;
  good.Open(source, true, false);
  const std::string cache = source + ".bin";
  const std::string goodBytes = ReadFileBytes(cache);

  auto rewriteStored = [&](const char* name, const std::string& bytes, bool append) {
    WriteFileBytes(cache, goodBytes);
    Archive* archive = Archive::Open(cache);
    ASSERT_NE(archive, nullptr);
    ArchiveFile* file = archive->OpenFile(name, append ? (AM_READ | AM_READWRITE) : AM_WRITE);
    ASSERT_NE(file, nullptr);
    file->Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
    archive->CloseFile(file);
    delete archive;
  };
  const uint32_t twelve = 12;
  const uint32_t huge = 0x7fffffff;
  struct Damage {
    const char* what;
    std::function<void()> apply;
  } damages[] = {
      {"not a container", [&] { WriteFileBytes(cache, "this is no archive at all"); }},
      {"empty file", [&] { WriteFileBytes(cache, ""); }},
      {"no index",
       [&] {
         delete Archive::Create(cache);
       }},
      {"wrong version", [&] { rewriteStored("i", std::string(reinterpret_cast<const char*>(&twelve), 4), true); }},
      {"garbled counts", [&] { rewriteStored("i", std::string(16, '\xff'), true); }},
      {"huge file count",
       [&] {
         std::string block;
         for (uint32_t value : {11u, 1u, 1u, huge}) block.append(reinterpret_cast<const char*>(&value), 4);
         rewriteStored("i", block, true);
       }},
      {"truncated code", [&] { rewriteStored("0", StringEncoding(good.GetCode()).substr(0, 100), false); }},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    damage.apply();
    PlatformTesting::Reset();
    CountingProgram program;
    program.Open(source, true, false);
    EXPECT_EQ(CompilerRuns(), 1u);
    EXPECT_TRUE(program.IsBinaryCode());
    EXPECT_EQ(program.GetCode(), good.GetCode());
    ExpectBlock(1, 1, 1);
  }
  EXPECT_TRUE(log.Contains(RecordingLogger::kWriteLine, "Invalid shader effect archive file."));
}

TEST_F(ShaderProgramTest, PathsSplitAtEitherSeparator) {
  // Include paths are the program's directory plus the name.
  WriteFileBytes(dir.File("a.fxh"), "x");
  WriteFileBytes(source, "#include \"a.fxh\"\n");
  CountingProgram program;
  std::vector<ShaderProgram::FileVersion> files;
  program.Open(dir.Path() + "\\nothing.fx", false, false);
  program.ReadFileInfos(source, files);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[1].Path, dir.Path() + "\\a.fxh");

  program.Open(source, false, false);
  program.ReadFileInfos(source, files);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[1].Path, dir.Path() + "/a.fxh");
  EXPECT_EQ(files[1].Size, 1);

  // A bare name has no directory: includes come from the working directory.
  program.Open("color.fx", false, false);
  program.ReadFileInfos(source, files);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[1].Path, "a.fxh");
}

TEST_F(ShaderProgramTest, SaveAndSaveDisassemblyWriteFiles) {
  CountingProgram program;
  program.SetCode("technique10 T {}\n", false);
  EXPECT_EQ(program.invalidations, 1);
  std::string copy = dir.File("copy.fx");
  program.Save(copy);
  EXPECT_EQ(program.GetFilename(), copy);
  EXPECT_EQ(ReadFileBytes(copy), "technique10 T {}\n");
  // This class has no disassembly: an empty file, the code untouched.
  program.SaveDisassembly(dir.File("listing.txt"));
  EXPECT_EQ(ReadFileBytes(dir.File("listing.txt")), "");
  EXPECT_EQ(program.GetCode(), "technique10 T {}\n");
  EXPECT_EQ(program.GetFilename(), copy);
}

TEST_F(ShaderProgramTest, CompiledEventTellsListenersInOrder) {
  struct Listener : BaseListener {
    Listener(std::string& trace, char name) : trace(trace), name(name) {}
    void Notify() override { trace += name; }
    std::string& trace;
    char name;
  };
  std::string trace;
  Listener a(trace, 'a'), b(trace, 'b');
  CountingProgram program;
  program.m_CompiledEvent.AddListener(&a);
  program.m_CompiledEvent.AddListener(&b);
  program.Compile(false);
  program.m_CompiledEvent.RemoveListener(&a);
  program.Compile(false);
  EXPECT_EQ(trace, "abb");
}
