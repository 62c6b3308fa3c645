// Opens the input as the compiled-effect cache of a source that is not
// there (a cache shipped alone), for release, debug, child and defined
// variants, then appends a record to it and opens it again. The compiler is
// never run: without a source nothing is compiled.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

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
  const std::string cache = source + ".bin";
  FILE* out = std::fopen(cache.c_str(), "wb");
  if (!out) return 0;
  std::fwrite(data, 1, size, out);
  std::fclose(out);

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
