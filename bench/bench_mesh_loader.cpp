// Model loading: a generated text .x model of 200 978 triangles with normals
// and texture coordinates parsed through MeshLoader::FromXFile (the cache
// removed before every run, so each run parses, builds the device mesh and
// writes the cache), against Assimp's importer on the same file; and the same
// model loaded from its binary cache, against the parse. Peak memory of one
// load of each kind is measured in a child process of its own.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include <morvane/Core.h>
#include <morvane/DeviceMesh.h>
#include <morvane/GraphicsDevice.h>
#include <morvane/Mesh.h>
#include <morvane/MeshGeometry.h>
#include <morvane/MeshLoader.h>

#include "bench_ratio.h"

namespace {

const unsigned int kGrid = 317;  // 317 x 317 quads: 200 978 triangles
const unsigned int kTriangles = 2 * kGrid * kGrid;

GraphicsDevice* Device() {
  static GraphicsDevice* device = (Core::Init(), new GraphicsDevice(0, false));
  return device;
}

// A rolling height field written as an exporter would: one frame, one mesh
// with per-vertex normals, texture coordinates and a one-material list.
const std::string& ModelPath() {
  static std::string path = [] {
    char pattern[] = "/tmp/morvane-bench-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    std::string file = std::string(pattern) + "/field.x";
    FILE* out = std::fopen(file.c_str(), "wb");
    const unsigned int side = kGrid + 1, vertices = side * side;
    std::fprintf(out, "xof 0303txt 0032\nFrame Field {\n FrameTransformMatrix {\n  1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,"
                      "0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0;;\n }\n Mesh FieldMesh {\n  %u;\n", vertices);
    auto height = [](unsigned int x, unsigned int y) { return std::sin(x * 0.21f) * std::cos(y * 0.17f) * 3.0f; };
    for (unsigned int v = 0; v < vertices; ++v)
      std::fprintf(out, "  %.6f;%.6f;%.6f;%c\n", static_cast<float>(v % side), height(v % side, v / side),
                   static_cast<float>(v / side), v + 1 < vertices ? ',' : ';');
    // The faces, and the normals' faces, which index the normals alike.
    auto faces = [&](const char* indent) {
      std::fprintf(out, "%s%u;\n", indent, kTriangles);
      for (unsigned int y = 0, t = 0; y < kGrid; ++y)
        for (unsigned int x = 0; x < kGrid; ++x) {
          unsigned int v = y * side + x;
          std::fprintf(out, "%s3;%u,%u,%u;,\n", indent, v, v + side, v + 1);
          std::fprintf(out, "%s3;%u,%u,%u;%c\n", indent, v + 1, v + side, v + side + 1,
                       (t += 2) < kTriangles ? ',' : ';');
        }
    };
    faces("  ");
    std::fprintf(out, "  MeshNormals {\n   %u;\n", vertices);
    for (unsigned int v = 0; v < vertices; ++v) {
      float dx = std::cos((v % side) * 0.21f) * 0.63f, dz = -std::sin((v / side) * 0.17f) * 0.51f;
      float length = std::sqrt(dx * dx + 1.0f + dz * dz);
      std::fprintf(out, "   %.6f;%.6f;%.6f;%c\n", -dx / length, 1.0f / length, -dz / length, v + 1 < vertices ? ',' : ';');
    }
    faces("   ");
    std::fprintf(out, "  }\n  MeshTextureCoords {\n   %u;\n", vertices);
    for (unsigned int v = 0; v < vertices; ++v)
      std::fprintf(out, "   %.6f;%.6f;%c\n", (v % side) / static_cast<float>(kGrid), (v / side) / static_cast<float>(kGrid),
                   v + 1 < vertices ? ',' : ';');
    std::fprintf(out, "  }\n  MeshMaterialList {\n   1;\n   %u;\n", kTriangles);
    for (unsigned int t = 0; t < kTriangles; ++t) std::fprintf(out, "   0%s\n", t + 1 < kTriangles ? "," : ";;");
    std::fprintf(out, "   Material Grass {\n    0.3;0.6;0.2;1.0;;\n    4.0;\n    0.0;0.0;0.0;;\n    0.0;0.0;0.0;;\n"
                      "    TextureFilename {\n     \"grass.png\";\n    }\n   }\n  }\n }\n}\n");
    std::fclose(out);
    return file;
  }();
  // Registered once the path exists, so that it runs before the path goes.
  static bool removeAtExit = std::atexit([] {
    std::remove(path.c_str());
    std::remove((path + ".bin").c_str());
    rmdir(path.substr(0, path.rfind('/')).c_str());
  }) == 0;
  (void)removeAtExit;
  return path;
}

long FileSize(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return 0;
  std::fseek(file, 0, SEEK_END);
  long size = std::ftell(file);
  std::fclose(file);
  return size;
}

// The triangles of the model's one device mesh, in its subsets.
unsigned int Triangles(const Mesh& mesh) {
  const DeviceMesh* device = mesh.GetGeometry(0)->GetGeometry();
  unsigned int indices = 0;
  for (unsigned int s = 0; device && s < device->GetSubsetCount(); ++s) indices += device->GetSubset(s).indexCount;
  return indices / 3;
}

void ReportRates(benchmark::State& state, long bytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes);
  state.counters["triangles_per_s"] =
      benchmark::Counter(static_cast<double>(kTriangles), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["file_MB"] = bytes / (1024.0 * 1024.0);
}

void BM_ParseXFile(benchmark::State& state) {
  MeshLoader loader(Device());
  const std::string& path = ModelPath();
  for (auto _ : state) {
    state.PauseTiming();
    std::remove((path + ".bin").c_str());
    state.ResumeTiming();
    Mesh* mesh = loader.FromXFile(path);
    if (!mesh || mesh->GetGeometryCount() != 1 || Triangles(*mesh) != kTriangles) state.SkipWithError("model not loaded");
    if (mesh) mesh->Release();
  }
  ReportRates(state, FileSize(path));
}
BENCHMARK(BM_ParseXFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_AssimpReadFile(benchmark::State& state) {
  const std::string& path = ModelPath();
  for (auto _ : state) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, aiProcess_Triangulate);
    if (!scene || scene->mNumMeshes != 1) state.SkipWithError(importer.GetErrorString());
  }
  ReportRates(state, FileSize(path));
}
BENCHMARK(BM_AssimpReadFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_LoadFromCache(benchmark::State& state) {
  MeshLoader loader(Device());
  const std::string& path = ModelPath();
  std::remove((path + ".bin").c_str());
  loader.FromXFile(path)->Release();
  for (auto _ : state) {
    Mesh* mesh = loader.FromXFile(path);
    if (!mesh || mesh->GetGeometryCount() != 1 || Triangles(*mesh) != kTriangles) state.SkipWithError("model not loaded");
    if (mesh) mesh->Release();
  }
  ReportRates(state, FileSize(path + ".bin"));
}
BENCHMARK(BM_LoadFromCache)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The peak resident size of a child that creates the device and runs load,
// less that of a child that only creates the device.
double PeakMegabytes(const std::function<void()>& load) {
  auto child = [](const std::function<void()>& work) {
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
      Device();
      work();
      _exit(0);
    }
    int status = 0;
    rusage usage;
    wait4(pid, &status, 0, &usage);
    return usage.ru_maxrss / 1024.0;
  };
  return child(load) - child([] {});
}

void PrintPeakMemory() {
  const std::string& path = ModelPath();
  auto parse = [&] {
    std::remove((path + ".bin").c_str());
    MeshLoader(Device()).FromXFile(path)->Release();
  };
  double parsed = PeakMegabytes(parse);
  double cached = PeakMegabytes([&] { MeshLoader(Device()).FromXFile(path)->Release(); });
  double assimp = PeakMegabytes([&] {
    Assimp::Importer importer;
    importer.ReadFile(path, aiProcess_Triangulate);
  });
  std::printf("peak memory above a bare device: parse %.1f MB, cache load %.1f MB, Assimp %.1f MB (file %.1f MB)\n",
              parsed, cached, assimp, FileSize(path) / (1024.0 * 1024.0));
}

}  // namespace

int main(int argc, char** argv) {
  // Before anything else grows this process: a child starts at its parent's
  // resident size.
  PrintPeakMemory();
  return RunWithRatios(argc, argv,
                       {{"BM_ParseXFile/min_time:2.000", "BM_AssimpReadFile/min_time:2.000"},
                        {"BM_LoadFromCache/min_time:2.000", "BM_ParseXFile/min_time:2.000"}});
}
