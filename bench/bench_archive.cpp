// Writes 8 MiB into a stored file in 4 KiB pieces and reads it back, against
// the same bytes through a plain C stream, in one process. The reported time
// is the archive's; "ratio_vs_stdio" is archive time over C stream time.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include <morvane/ArchiveStream.h>

namespace {

constexpr uint32_t kTotal = 8u << 20;
constexpr uint32_t kPiece = 4096;

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double ArchiveRoundTrip(const std::string& path, const std::vector<char>& data, std::vector<char>& back) {
  const Clock::time_point start = Clock::now();
  Archive* archive = Archive::Create(path);
  ArchiveFile* file = archive->OpenFile("data", AM_WRITE);
  for (uint32_t offset = 0; offset < kTotal; offset += kPiece) file->Write(&data[offset], kPiece);
  archive->CloseFile(file);
  file = archive->OpenFile("data", AM_READ);
  for (uint32_t offset = 0; offset < kTotal; offset += kPiece) file->Read(&back[offset], kPiece);
  archive->CloseFile(file);
  delete archive;
  return SecondsSince(start);
}

double StdioRoundTrip(const std::string& path, const std::vector<char>& data, std::vector<char>& back) {
  const Clock::time_point start = Clock::now();
  FILE* file = std::fopen(path.c_str(), "w+b");
  for (uint32_t offset = 0; offset < kTotal; offset += kPiece) std::fwrite(&data[offset], 1, kPiece, file);
  std::fseek(file, 0, SEEK_SET);
  for (uint32_t offset = 0; offset < kTotal; offset += kPiece) std::fread(&back[offset], 1, kPiece, file);
  std::fclose(file);
  return SecondsSince(start);
}

void BM_ArchiveVersusStdio(benchmark::State& state) {
  const std::filesystem::path directory = std::filesystem::temp_directory_path();
  const std::string pid = std::to_string(getpid());
  const std::string archivePath = (directory / ("morvane-bench-" + pid + ".bin")).string();
  const std::string plainPath = (directory / ("morvane-bench-" + pid + ".raw")).string();
  std::vector<char> data(kTotal);
  for (uint32_t i = 0; i < kTotal; ++i) data[i] = static_cast<char>(i * 2654435761u >> 24);
  std::vector<char> back(kTotal);

  double archiveSeconds = 0.0;
  double stdioSeconds = 0.0;
  for (auto _ : state) {
    const double archive = ArchiveRoundTrip(archivePath, data, back);
    if (back != data) {
      state.SkipWithError("the archive gave back other bytes");
      break;
    }
    archiveSeconds += archive;
    stdioSeconds += StdioRoundTrip(plainPath, data, back);
    state.SetIterationTime(archive);
  }
  std::remove(archivePath.c_str());
  std::remove(plainPath.c_str());

  rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["ratio_vs_stdio"] = stdioSeconds > 0.0 ? archiveSeconds / stdioSeconds : 0.0;
  state.counters["stdio_ms"] = benchmark::Counter(stdioSeconds * 1e3 / double(state.iterations()));
  state.counters["peak_rss_kib"] = double(usage.ru_maxrss);
  state.SetBytesProcessed(int64_t(state.iterations()) * 2 * kTotal);
}

BENCHMARK(BM_ArchiveVersusStdio)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
