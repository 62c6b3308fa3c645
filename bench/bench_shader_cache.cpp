// The compiled-effect cache: creating the demo effect (a ShaderEffect, with
// its Direct3D effect and reflection) from a warm cache against a cold one,
// where fxc runs and the cache is written; goal: the warm path at least 20x
// faster. A warm Open alone is measured too, with the stat calls it makes and
// the bytes it reads, counted by interposing stat and from /proc/self/io.
#include <benchmark/benchmark.h>

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <morvane/Core.h>
#include <morvane/GraphicsDevice.h>
#include <morvane/Logger.h>
#include <morvane/ShaderEffect.h>

#include "bench_ratio.h"

namespace {

unsigned long g_StatCalls = 0;

}  // namespace

// Every stat the engine makes comes through here.
extern "C" int stat(const char* path, struct stat* status) noexcept {
  using StatFunction = int (*)(const char*, struct stat*);
  static const StatFunction real = reinterpret_cast<StatFunction>(dlsym(RTLD_NEXT, "stat"));
  ++g_StatCalls;
  return real(path, status);
}

namespace {

class QuietLogger : public ILogger {
 public:
  void Warning(const StringEX&, int) override {}
  void Error(const StringEX&) override {}
  void BeginSection(const StringEX&, int) override {}
  void EndSection(int) override {}
  void Write(const StringEX&, int) override {}
  void WriteLine(const StringEX&, int) override {}
};

// Open without a device: the cache alone.
class OpenOnly : public ShaderProgram {
 public:
  OpenOnly() : ShaderProgram(nullptr) {}
  void Invalidate() override {}
  void Compile(bool) override {}
};

// The bytes this process has read so far.
unsigned long long BytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  unsigned long long value = 0;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  return 0;
}

struct Setup {
  QuietLogger logger;
  std::unique_ptr<GraphicsDevice> device;
  std::string directory;
  std::string file;

  Setup() {
    Core::Init();
    Core::SetLogger(&logger);
    device.reset(new GraphicsDevice(0, false));
    directory = (std::filesystem::temp_directory_path() / "morvane-bench-shader-cache").string();
    std::filesystem::create_directories(directory);
    file = directory + "/Demo.fx";
    std::string source = __FILE__;
    std::filesystem::copy_file(source.substr(0, source.rfind('/')) + "/../samples/demo/data/Demo.fx", file,
                               std::filesystem::copy_options::overwrite_existing);
  }
  ~Setup() {
    device.reset();
    Core::Cleanup();
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
  }
};

Setup& Shared() {
  static Setup setup;
  return setup;
}

void CreateEffect(benchmark::State& state, bool warm) {
  Setup& setup = Shared();
  if (!setup.device->GetDevice()) {
    state.SkipWithError("no graphics device");
    return;
  }
  const std::string cache = setup.file + ".bin";
  { ShaderEffect prime(setup.device.get(), setup.file, nullptr, nullptr); }
  for (auto _ : state) {
    if (!warm) {
      state.PauseTiming();
      std::remove(cache.c_str());
      state.ResumeTiming();
    }
    ShaderEffect effect(setup.device.get(), setup.file, nullptr, nullptr);
    if (!effect.IsCompiled()) state.SkipWithError("the demo effect did not compile");
  }
}

void BM_CreateEffectCold(benchmark::State& state) { CreateEffect(state, false); }
void BM_CreateEffectWarm(benchmark::State& state) { CreateEffect(state, true); }
BENCHMARK(BM_CreateEffectCold)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateEffectWarm)->Unit(benchmark::kMillisecond);

void BM_WarmOpen(benchmark::State& state) {
  Setup& setup = Shared();
  { ShaderEffect prime(setup.device.get(), setup.file, nullptr, nullptr); }
  unsigned long stats = 0;
  unsigned long long bytes = 0;
  for (auto _ : state) {
    OpenOnly program;
    unsigned long statsBefore = g_StatCalls;
    unsigned long long bytesBefore = BytesRead();
    program.Open(setup.file, true, false);
    bytes = BytesRead() - bytesBefore;
    stats = g_StatCalls - statsBefore;
    benchmark::DoNotOptimize(program.GetCode().data());
  }
  state.counters["stat_calls"] = static_cast<double>(stats);
  state.counters["bytes_read"] = static_cast<double>(bytes);
  state.counters["source_bytes"] = static_cast<double>(std::filesystem::file_size(setup.file));
  state.counters["cache_bytes"] = static_cast<double>(std::filesystem::file_size(setup.file + ".bin"));
}
BENCHMARK(BM_WarmOpen)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  return RunWithRatios(argc, argv, {{"BM_CreateEffectCold", "BM_CreateEffectWarm"}});
}
