// BSP tree cost: building over a closed mesh and over a triangle soup at two
// sizes (time per triangle, its growth, peak memory), and emitting ordered
// indices against a plain copy of the same index array, the physical floor.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <morvane/BSPTree.h>

#include "bench_ratio.h"

namespace {

struct Mesh {
  std::vector<DXVector3> positions;
  std::vector<uint32_t> indices;
  unsigned int TriangleCount() const { return static_cast<unsigned int>(indices.size() / 3); }
};

// An octahedron whose faces are cut into frequency^2 triangles each, pushed
// out to the unit sphere (a closed, convex mesh of 8 frequency^2 triangles);
// with bumps the radius varies and the surface is no longer convex.
Mesh Sphere(unsigned int frequency, bool bumps) {
  static const DXVector3 kCorners[6] = {DXVector3(1, 0, 0),  DXVector3(-1, 0, 0), DXVector3(0, 1, 0),
                                        DXVector3(0, -1, 0), DXVector3(0, 0, 1),  DXVector3(0, 0, -1)};
  static const int kFaces[8][3] = {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4},
                                   {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}};
  Mesh mesh;
  const unsigned int n = frequency;
  for (const auto& face : kFaces) {
    const DXVector3 a = kCorners[face[0]], b = kCorners[face[1]], c = kCorners[face[2]];
    const uint32_t base = static_cast<uint32_t>(mesh.positions.size());
    // Row i holds n + 1 - i points.
    std::vector<uint32_t> rowStart;
    for (unsigned int i = 0; i <= n; ++i) {
      rowStart.push_back(static_cast<uint32_t>(mesh.positions.size()) - base);
      for (unsigned int j = 0; i + j <= n; ++j) {
        DXVector3 p = a + (b - a) * (float(i) / n) + (c - a) * (float(j) / n);
        D3DXVec3Normalize(&p, &p);
        if (bumps) p *= 1.0f + 0.15f * std::sin(7 * p.x) * std::sin(5 * p.y + 1) * std::sin(6 * p.z + 2);
        mesh.positions.push_back(p);
      }
    }
    auto at = [&](unsigned int i, unsigned int j) { return base + rowStart[i] + j; };
    for (unsigned int i = 0; i < n; ++i)
      for (unsigned int j = 0; i + j < n; ++j) {
        mesh.indices.insert(mesh.indices.end(), {at(i, j), at(i + 1, j), at(i, j + 1)});
        if (i + j + 1 < n) mesh.indices.insert(mesh.indices.end(), {at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
      }
  }
  return mesh;
}

// Random triangles in a cube, sized to the mean spacing so that the density
// is the same at every count.
Mesh Soup(unsigned int triangles) {
  std::mt19937 random(triangles);
  const float size = 2.0f / std::cbrt(float(triangles));
  std::uniform_real_distribution<float> centre(-1, 1), offset(-size, size);
  Mesh mesh;
  for (unsigned int t = 0; t < triangles; ++t) {
    const DXVector3 c(centre(random), centre(random), centre(random));
    for (int k = 0; k < 3; ++k) {
      mesh.indices.push_back(static_cast<uint32_t>(mesh.positions.size()));
      mesh.positions.push_back(c + DXVector3(offset(random), offset(random), offset(random)));
    }
  }
  return mesh;
}

unsigned int FrequencyFor(unsigned int triangles) {
  return static_cast<unsigned int>(std::lround(std::sqrt(triangles / 8.0)));
}

double PeakResidentMegabytes() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

void ReportBuild(benchmark::State& state, const Mesh& mesh) {
  for (auto _ : state) {
    BSPTree tree(mesh.positions.data(), sizeof(DXVector3), mesh.indices.data(), true, mesh.TriangleCount());
    benchmark::DoNotOptimize(&tree);
  }
  state.counters["triangles"] = mesh.TriangleCount();
  state.counters["per_triangle"] = benchmark::Counter(double(mesh.TriangleCount()),
                                                      benchmark::Counter::kIsIterationInvariantRate |
                                                          benchmark::Counter::kInvert);
  state.counters["peak_rss_MB"] = PeakResidentMegabytes();
}

void BM_BuildSphere(benchmark::State& state) {
  ReportBuild(state, Sphere(FrequencyFor(static_cast<unsigned int>(state.range(0))), false));
}

void BM_BuildBumpySphere(benchmark::State& state) {
  ReportBuild(state, Sphere(FrequencyFor(static_cast<unsigned int>(state.range(0))), true));
}

void BM_BuildSoup(benchmark::State& state) { ReportBuild(state, Soup(static_cast<unsigned int>(state.range(0)))); }

// The trees for the index benchmarks, built once.
const Mesh& IndexMesh(int kind) {
  static const Mesh soup = Soup(100000);
  static const Mesh bumpy = Sphere(FrequencyFor(100000), true);
  return kind == 0 ? soup : bumpy;
}

const BSPTree& IndexTree(int kind) {
  static const std::unique_ptr<BSPTree> trees[2] = {
      std::make_unique<BSPTree>(IndexMesh(0).positions.data(), sizeof(DXVector3), IndexMesh(0).indices.data(), true,
                                IndexMesh(0).TriangleCount()),
      std::make_unique<BSPTree>(IndexMesh(1).positions.data(), sizeof(DXVector3), IndexMesh(1).indices.data(), true,
                                IndexMesh(1).TriangleCount())};
  return *trees[kind];
}

void SetIndexCounters(benchmark::State& state, size_t indexCount) {
  state.counters["per_index"] = benchmark::Counter(double(indexCount), benchmark::Counter::kIsIterationInvariantRate |
                                                                            benchmark::Counter::kInvert);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(indexCount) * 4);
}

// range(0): 0 soup, 1 bumpy sphere; range(1): 32 or 16-bit output.
void BM_BuildIndexBuffer(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  const bool out32 = state.range(1) == 32;
  const BSPTree& tree = IndexTree(kind);
  const size_t indexCount = IndexMesh(kind).indices.size();
  std::vector<uint32_t> out(indexCount);
  DXMatrix identity;
  D3DXMatrixIdentity(&identity);
  const DXVector3 eyes[4] = {DXVector3(3, 0.5f, -2), DXVector3(-0.2f, 0.1f, 0.3f), DXVector3(0, -4, 1),
                             DXVector3(1.5f, 2, 2)};
  unsigned int frame = 0;
  for (auto _ : state) {
    tree.BuildIndexBuffer(out.data(), out32, (frame & 4) == 0, eyes[frame & 3], identity);
    ++frame;
    benchmark::ClobberMemory();
  }
  SetIndexCounters(state, indexCount);
}

void BM_MemcpyIndices(benchmark::State& state) {
  const std::vector<uint32_t>& indices = IndexMesh(0).indices;
  std::vector<uint32_t> out(indices.size());
  for (auto _ : state) {
    std::memcpy(out.data(), indices.data(), indices.size() * sizeof(uint32_t));
    benchmark::ClobberMemory();
  }
  SetIndexCounters(state, indices.size());
}

}  // namespace

// Small sizes first, so that the peak memory counter of each size shows what
// that size needed.
BENCHMARK(BM_BuildSphere)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildBumpySphere)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildSoup)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildSphere)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildBumpySphere)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildSoup)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyIndices)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildIndexBuffer)
    ->Args({0, 32})
    ->Args({0, 16})
    ->Args({1, 32})
    ->Args({1, 16})
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  // Each size pair's time ratio, divided by its triangle ratio (10.24 for the
  // spheres, 10 for the soup), is the growth of the time per triangle; n log n
  // gives 1.25 from 10 000 to 100 000.
  return RunWithRatios(argc, argv,
                       {{"BM_BuildSphere/100000", "BM_BuildSphere/10000"},
                        {"BM_BuildBumpySphere/100000", "BM_BuildBumpySphere/10000"},
                        {"BM_BuildSoup/100000", "BM_BuildSoup/10000"},
                        {"BM_BuildIndexBuffer/0/32", "BM_MemcpyIndices"},
                        {"BM_BuildIndexBuffer/0/16", "BM_MemcpyIndices"},
                        {"BM_BuildIndexBuffer/1/32", "BM_MemcpyIndices"},
                        {"BM_BuildIndexBuffer/1/16", "BM_MemcpyIndices"}});
}
