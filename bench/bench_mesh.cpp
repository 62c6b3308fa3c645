// Mesh cost: crease normals and roll-out of a 100 000-triangle height field
// (time per triangle), the smallest enclosing sphere of 1 000 000 points
// against the box-centred sphere, and a device mesh built from a container
// with four vertex attributes (options 0xEF) against reading its record back.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <dxgiformat.h>

#include <morvane/Core.h>
#include <morvane/DeviceMesh.h>
#include <morvane/GraphicsDevice.h>

#include "bench_ratio.h"

namespace {

const unsigned int kGrid = 224;  // 224 x 224 quads: 100 352 triangles

template <typename T>
PerVertexAttribute<T>* AddStream(MeshContainer& mesh, const char* name, const char* semantic, DXGI_FORMAT format) {
  PerVertexAttribute<T>* attribute = new PerVertexAttribute<T>(&mesh);
  attribute->m_Semantic = semantic;
  attribute->m_SemanticIndex = 0;
  attribute->m_Format = format;
  mesh.AddAttribute(name, attribute);
  return attribute;
}

// A bumpy height field with texture coordinates and colours: creases appear
// wherever neighbouring faces turn by more than the crease angle.
std::unique_ptr<MeshContainer> HeightField(bool withMaterials) {
  const unsigned int side = kGrid + 1;
  std::unique_ptr<MeshContainer> mesh(new MeshContainer(side * side, 2 * kGrid * kGrid));
  auto* positions = AddStream<DXVector3>(*mesh, "POSITION", "POSITION", DXGI_FORMAT_R32G32B32_FLOAT);
  auto* coords = AddStream<DXVector2>(*mesh, "DIFFUSECOORD", "TEXCOORD", DXGI_FORMAT_R32G32_FLOAT);
  auto* colors = AddStream<unsigned int>(*mesh, "COLORS", "COLOR", DXGI_FORMAT_R8G8B8A8_UNORM);
  for (unsigned int y = 0; y < side; ++y)
    for (unsigned int x = 0; x < side; ++x) {
      unsigned int v = y * side + x;
      float height = std::sin(x * 0.7f) * std::cos(y * 0.45f) * 1.5f + ((x * 7 + y * 13) % 5) * 0.2f;
      (*positions)[v] = DXVector3(static_cast<float>(x), static_cast<float>(y), height);
      (*coords)[v] = DXVector2(x / static_cast<float>(kGrid), y / static_cast<float>(kGrid));
      (*colors)[v] = 0xFF000000u | v;
    }
  IndexAttribute* indices = new IndexAttribute(mesh.get());
  for (unsigned int y = 0, t = 0; y < kGrid; ++y)
    for (unsigned int x = 0; x < kGrid; ++x) {
      unsigned int v = y * side + x;
      (*indices)[t++] = {{v, v + side, v + 1}};
      (*indices)[t++] = {{v + 1, v + side, v + side + 1}};
    }
  mesh->SetIndices(indices);
  if (withMaterials) {
    MaterialAttribute* materials = new MaterialAttribute(mesh.get(), 4);
    for (unsigned int t = 0; t < mesh->GetTriangleCount(); ++t)
      materials->GetIndices()[t] = static_cast<unsigned short>((t / 97) % 4);
    mesh->AddAttribute("MATERIALS", materials);
  }
  return mesh;
}

void PerTriangle(benchmark::State& state, unsigned int triangles) {
  state.counters["per_triangle"] = benchmark::Counter(static_cast<double>(triangles) * state.iterations(),
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_CreaseNormals(benchmark::State& state) {
  std::unique_ptr<MeshContainer> mesh = HeightField(false);
  for (auto _ : state) mesh->ComputeCreaseNormals(0.3f, 0, true, true);
  PerTriangle(state, mesh->GetTriangleCount());
}
BENCHMARK(BM_CreaseNormals)->Unit(benchmark::kMillisecond);

// Corner normals: vertices are split where the normals differ.
void BM_RollOutPartial(benchmark::State& state) {
  std::unique_ptr<MeshContainer> mesh = HeightField(false);
  mesh->ComputeCreaseNormals(0.3f, 0, true, true);
  unsigned int vertices = 0;
  for (auto _ : state) {
    std::unique_ptr<MeshContainer> rolled(mesh->RollOut());
    vertices = rolled->GetVertexCount();
  }
  PerTriangle(state, mesh->GetTriangleCount());
  state.counters["vertices"] = vertices;
}
BENCHMARK(BM_RollOutPartial)->Unit(benchmark::kMillisecond);

// Face normals: three vertices per triangle.
void BM_RollOutFull(benchmark::State& state) {
  std::unique_ptr<MeshContainer> mesh = HeightField(false);
  mesh->ComputeFaceNormals(0, true, true);
  for (auto _ : state) {
    std::unique_ptr<MeshContainer> rolled(mesh->RollOut());
    benchmark::DoNotOptimize(rolled.get());
  }
  PerTriangle(state, mesh->GetTriangleCount());
}
BENCHMARK(BM_RollOutFull)->Unit(benchmark::kMillisecond);

const std::vector<DXVector3>& CloudOfPoints() {
  static const std::vector<DXVector3> points = [] {
    std::mt19937 random(11);
    std::normal_distribution<float> normal(0.0f, 1.0f);
    std::vector<DXVector3> cloud(1000000);
    for (DXVector3& p : cloud) p = DXVector3(normal(random) * 3.0f, normal(random), normal(random) * 0.5f);
    return cloud;
  }();
  return points;
}

void BM_SphereSmallest(benchmark::State& state) {
  const std::vector<DXVector3>& points = CloudOfPoints();
  Sphere sphere;
  for (auto _ : state) {
    std::srand(1);
    sphere = MeshContainer::ComputeSphere(points.data(), 1000000, MeshContainer::SPHERE_SMALLEST);
  }
  state.counters["radius"] = sphere.Radius;
}
BENCHMARK(BM_SphereSmallest)->Unit(benchmark::kMillisecond);

void BM_SphereBoxCentre(benchmark::State& state) {
  const std::vector<DXVector3>& points = CloudOfPoints();
  Sphere sphere;
  for (auto _ : state) sphere = MeshContainer::ComputeSphere(points.data(), 1000000, MeshContainer::SPHERE_BOX_CENTER);
  state.counters["radius"] = sphere.Radius;
}
BENCHMARK(BM_SphereBoxCentre)->Unit(benchmark::kMillisecond);

GraphicsDevice* Device() {
  static GraphicsDevice* device = new GraphicsDevice(0, false);
  return device;
}

// The container of the device-mesh benchmarks: positions, corner normals,
// texture coordinates and colours, with a material list.
MeshContainer* DeviceSource() {
  static std::unique_ptr<MeshContainer> mesh = [] {
    std::unique_ptr<MeshContainer> field = HeightField(true);
    field->ComputeCreaseNormals(0.3f, 0, true, true);
    return field;
  }();
  return mesh.get();
}

double PeakMegabytes() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

void BM_DeviceMeshBuild(benchmark::State& state) {
  GraphicsDevice* device = Device();
  MeshContainer* source = DeviceSource();
  for (auto _ : state) {
    DeviceMesh mesh(source, device, 0xEF);
    benchmark::DoNotOptimize(mesh.GetSubsetCount());
  }
  PerTriangle(state, source->GetTriangleCount());
  state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(BM_DeviceMeshBuild)->Unit(benchmark::kMillisecond);

void BM_DeviceMeshRead(benchmark::State& state) {
  GraphicsDevice* device = Device();
  char* record = nullptr;
  size_t size = 0;
  {
    DeviceMesh mesh(DeviceSource(), device, 0xEF);
    FILE* out = open_memstream(&record, &size);
    mesh.Write(out);
    std::fclose(out);
  }
  double before = PeakMegabytes();
  for (auto _ : state) {
    FILE* in = fmemopen(record, size, "rb");
    DeviceMesh mesh(device);
    if (!mesh.Read(in)) state.SkipWithError("record refused");
    std::fclose(in);
  }
  std::free(record);
  state.counters["record_MB"] = size / (1024.0 * 1024.0);
  state.counters["peak_MB"] = PeakMegabytes();
  state.counters["peak_growth_MB"] = PeakMegabytes() - before;
}
BENCHMARK(BM_DeviceMeshRead)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  Core::Init();
  return RunWithRatios(argc, argv,
                       {{"BM_SphereSmallest", "BM_SphereBoxCentre"}, {"BM_DeviceMeshBuild", "BM_DeviceMeshRead"}});
}
