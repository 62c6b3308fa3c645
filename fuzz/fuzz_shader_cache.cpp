// The compiled-effect cache as a source-less program reads it: the input
// holds the index "i" (a u32 length, then its bytes) and the code file "0"
// (the rest), written into a sound container, since the container's own
// reader has its fuzz target. The cache is opened for release, debug, child
// and defined variants, then a record is appended and it is opened again.
// The compiler never runs: without a source nothing is compiled.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include <morvane/ArchiveStream.h>
#include <morvane/Core.h>
#include <morvane/ShaderProgram.h>

namespace {

class CacheReader : public ShaderProgram {
 public:
  CacheReader() : ShaderProgram(nullptr) {}
  void Invalidate() override {}
  void Compile(bool) override {}
  void SetChild(bool child) { m_ChildEffect = child; }
  void Append(const StringEX& file) {
    SetCode(StringEX("object"), true);
    SaveBinaryCode(file);
  }
};

void WriteStored(Archive& archive, const char* name, const uint8_t* data, size_t size) {
  ArchiveFile* file = archive.OpenFile(name, AM_WRITE);
  if (!file) return;
  if (size) file->Write(data, static_cast<uint32_t>(size));
  archive.CloseFile(file);
}

std::string ScratchSource() {
  std::error_code error;
  const std::filesystem::path directory =
      std::filesystem::is_directory("/dev/shm", error) ? "/dev/shm" : std::filesystem::temp_directory_path();
  return (directory / ("morvane-fuzz-shader-" + std::to_string(getpid()) + ".fx")).string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool initialised = (Core::Init(), Core::s_pCore != nullptr);
  if (!initialised) return 0;
  static const std::string source = ScratchSource();
  if (size < 4) return 0;
  const std::string cache = source + ".bin";
  uint32_t indexSize = 0;
  std::memcpy(&indexSize, data, 4);
  const size_t rest = size - 4;
  if (indexSize > rest) indexSize = static_cast<uint32_t>(rest);
  {
    std::unique_ptr<Archive> archive(Archive::Create(cache));
    if (!archive) return 0;
    WriteStored(*archive, "i", data + 4, indexSize);
    WriteStored(*archive, "0", data + 4 + indexSize, rest - indexSize);
  }

  const std::vector<ShaderMacro> defines = {{"A", ""}, {"B", "2"}};
  for (int variant = 0; variant < 4; ++variant) {
    CacheReader reader;
    reader.SetChild(variant == 2);
    if (variant == 3) reader.SetDefines(&defines);
    reader.Open(source, true, variant == 1);
    if (variant == 0) reader.Append(source);
  }
  std::remove(cache.c_str());
  return 0;
}
