// Loading textures from files through D3DX10CreateTextureFromFileA against
// the least the load has to do: a 2048x2048 PNG against decoding it with
// stb_image alone, a 2048x2048 BC1 DDS with its whole mip chain against
// reading the file. Each figure is printed as a ratio against its baseline
// run in this process. Before the timings, each load runs once in a child
// process of its own, which reports how far its memory rose for it.
#include <benchmark/benchmark.h>

#include <d3dx10.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bench_ratio.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

constexpr int kSize = 2048;

void Put(std::string* out, uint32_t value) { out->append(reinterpret_cast<const char*>(&value), 4); }

// A picture with smooth areas and noise, which PNG compresses about as much as a photograph.
std::vector<uint32_t> Picture() {
  std::vector<uint32_t> pixels(kSize * kSize);
  std::minstd_rand noise(7);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      uint32_t r = (x / 8) & 0xFF, g = (y / 8) & 0xFF, b = ((x + y) / 16 + noise() % 8) & 0xFF;
      pixels[y * kSize + x] = r | g << 8 | b << 16 | 0xFFu << 24;
    }
  }
  return pixels;
}

// A legacy DXT1 file with every level down to 1x1, of arbitrary blocks.
std::string Bc1File() {
  uint32_t levels = 0;
  for (int size = kSize; size >= 1; size /= 2) ++levels;
  std::string out = "DDS ";
  const uint32_t header[] = {124, 0x1 | 0x2 | 0x4 | 0x1000 | 0x20000, kSize, kSize, 0, 0, levels};
  for (uint32_t word : header) Put(&out, word);
  for (int i = 0; i < 11; ++i) Put(&out, 0);
  const uint32_t pixelFormat[] = {32, 0x4, 0x31545844 /* DXT1 */, 0, 0, 0, 0, 0};
  for (uint32_t word : pixelFormat) Put(&out, word);
  const uint32_t caps[] = {0x401008, 0, 0, 0, 0};
  for (uint32_t word : caps) Put(&out, word);
  std::minstd_rand bits(11);
  for (int size = kSize; size >= 1; size /= 2) {
    std::size_t blocks = std::size_t((size + 3) / 4) * ((size + 3) / 4);
    for (std::size_t i = 0; i < 2 * blocks; ++i) Put(&out, static_cast<uint32_t>(bits()));
  }
  return out;
}

struct Files {
  Files() {
    directory = std::filesystem::temp_directory_path() / ("morvane-bench-texture-" + std::to_string(getpid()));
    std::filesystem::create_directories(directory);
    png = (directory / "picture.png").string();
    dds = (directory / "blocks.dds").string();
    std::vector<uint32_t> pixels = Picture();
    stbi_write_png(png.c_str(), kSize, kSize, 4, pixels.data(), kSize * 4);
    std::ofstream(dds, std::ios::binary) << Bc1File();
  }
  ~Files() {
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
  }
  std::filesystem::path directory;
  std::string png, dds;
};

Files& GetFiles() {
  static Files files;
  return files;
}

ID3D10Device* NewDevice() {
  ID3D10Device* device = nullptr;
  D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_HARDWARE, nullptr, 0, D3D10_SDK_VERSION, &device);
  return device;
}

ID3D10Device* GetDevice() {
  static ID3D10Device* device = NewDevice();
  return device;
}

// What the engine's texture constructor asks for: RGBA8, the whole chain, immutable.
D3DX10_IMAGE_LOAD_INFO EngineLoadInfo() {
  D3DX10_IMAGE_LOAD_INFO info;
  info.FirstMipLevel = 0;
  info.MipLevels = 0;
  info.Usage = D3D10_USAGE_IMMUTABLE;
  info.BindFlags = D3D10_BIND_SHADER_RESOURCE;
  info.CpuAccessFlags = 0;
  info.MiscFlags = 0;
  info.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
  return info;
}

// The file's own format and levels.
D3DX10_IMAGE_LOAD_INFO AsStoredLoadInfo() {
  D3DX10_IMAGE_LOAD_INFO info = EngineLoadInfo();
  info.MipLevels = D3DX10_FROM_FILE;
  info.Format = DXGI_FORMAT_FROM_FILE;
  return info;
}

bool Load(ID3D10Device* device, const std::string& path, D3DX10_IMAGE_LOAD_INFO info) {
  ID3D10Resource* texture = nullptr;
  if (FAILED(D3DX10CreateTextureFromFileA(device, path.c_str(), &info, nullptr, &texture, nullptr))) return false;
  texture->Release();
  return true;
}

bool DecodeWithStb(const std::string& path) {
  int width, height, components;
  stbi_uc* pixels = stbi_load(path.c_str(), &width, &height, &components, 4);
  stbi_image_free(pixels);
  return pixels != nullptr;
}

// Reads the file the way the loader does: its size, then one read.
bool ReadWholeFile(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  std::vector<char> bytes(std::filesystem::file_size(path));
  bool read = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
  std::fclose(file);
  return read && !bytes.empty();
}

void BM_PngThroughD3DX10(benchmark::State& state) {
  for (auto _ : state) {
    if (!Load(GetDevice(), GetFiles().png, EngineLoadInfo())) state.SkipWithError("load failed");
  }
}
BENCHMARK(BM_PngThroughD3DX10)->Unit(benchmark::kMillisecond);

void BM_PngThroughStb(benchmark::State& state) {
  for (auto _ : state) {
    if (!DecodeWithStb(GetFiles().png)) state.SkipWithError("decode failed");
  }
}
BENCHMARK(BM_PngThroughStb)->Unit(benchmark::kMillisecond);

void BM_DdsThroughD3DX10AsStored(benchmark::State& state) {
  for (auto _ : state) {
    if (!Load(GetDevice(), GetFiles().dds, AsStoredLoadInfo())) state.SkipWithError("load failed");
  }
}
BENCHMARK(BM_DdsThroughD3DX10AsStored)->Unit(benchmark::kMillisecond);

void BM_DdsThroughD3DX10AsRgba8(benchmark::State& state) {
  for (auto _ : state) {
    if (!Load(GetDevice(), GetFiles().dds, EngineLoadInfo())) state.SkipWithError("load failed");
  }
}
BENCHMARK(BM_DdsThroughD3DX10AsRgba8)->Unit(benchmark::kMillisecond);

void BM_DdsFileRead(benchmark::State& state) {
  for (auto _ : state) {
    if (!ReadWholeFile(GetFiles().dds)) state.SkipWithError("read failed");
  }
}
BENCHMARK(BM_DdsFileRead)->Unit(benchmark::kMillisecond);

// A line of /proc/self/status in KiB ("VmRSS", "VmHWM"), or -1.
long StatusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string name;
  long value = -1;
  while (status >> name) {
    if (name == std::string(field) + ":") {
      status >> value;
      return value;
    }
    status.ignore(1 << 10, '\n');
  }
  return -1;
}

// How far the resident memory of a child rises above what it holds once it
// has made a device, while it runs work once, in KiB: the high-water mark is
// reset after the device is made. The parent makes no device before its children.
long ChildPeak(const std::function<bool(ID3D10Device*)>& work) {
  int channel[2];
  if (pipe(channel) != 0) return -1;
  pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    ID3D10Device* device = NewDevice();
    long rise = -1;
    if (device) {
      std::ofstream("/proc/self/clear_refs") << "5";
      long before = StatusKiB("VmRSS");
      if (work(device)) rise = StatusKiB("VmHWM") - before;
    }
    if (write(channel[1], &rise, sizeof(rise)) != sizeof(rise)) _exit(1);
    _exit(0);
  }
  close(channel[1]);
  long rise = -1;
  if (read(channel[0], &rise, sizeof(rise)) != sizeof(rise)) rise = -1;
  close(channel[0]);
  waitpid(child, nullptr, 0);
  return rise;
}

void ReportPeakMemory() {
  const Files& files = GetFiles();
  const std::pair<const char*, std::function<bool(ID3D10Device*)>> runs[] = {
      {"png through D3DX10", [&](ID3D10Device* d) { return Load(d, files.png, EngineLoadInfo()); }},
      {"png through stb_image", [&](ID3D10Device*) { return DecodeWithStb(files.png); }},
      {"dds through D3DX10 as stored", [&](ID3D10Device* d) { return Load(d, files.dds, AsStoredLoadInfo()); }},
      {"dds through D3DX10 as RGBA8", [&](ID3D10Device* d) { return Load(d, files.dds, EngineLoadInfo()); }},
      {"dds file read", [&](ID3D10Device*) { return ReadWholeFile(files.dds); }},
  };
  std::printf("peak memory rise over a device's own, one load each:\n");
  for (const auto& run : runs) {
    long rise = ChildPeak(run.second);
    std::printf("  %-30s %8.1f MiB\n", run.first, rise < 0 ? -1.0 : rise / 1024.0);
  }
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  ReportPeakMemory();
  return RunWithRatios(argc, argv,
                       {{"BM_PngThroughD3DX10", "BM_PngThroughStb"},
                        {"BM_DdsThroughD3DX10AsStored", "BM_DdsFileRead"},
                        {"BM_DdsThroughD3DX10AsRgba8", "BM_DdsFileRead"}});
}
