// Fuzz target for the device-mesh record reader: whatever the bytes, Read
// refuses them and leaves the mesh empty, or accepts a mesh whose ray
// queries, vertex read-back and geometry rebuild stay inside its data and
// whose record writes back at the length read and then byte for byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <morvane/Core.h>
#include <morvane/DeviceMesh.h>
#include <morvane/GraphicsDevice.h>

namespace {

GraphicsDevice* Device() {
  static GraphicsDevice* device = (Core::Init(), new GraphicsDevice(0, false));
  return device;
}

void Exercise(const DeviceMesh& mesh) {
  const Ray rays[] = {{DXVector3(0, 0, -10), DXVector3(0, 0, 1)}, {DXVector3(0.3f, -5, 0.2f), DXVector3(0, 1, 0)}};
  for (const Ray& ray : rays) {
    for (int subset = -1; subset < static_cast<int>(mesh.GetSubsetCount()); ++subset) {
      DXVector3 hit;
      int triangle;
      if (mesh.IntersectSubset(subset, ray, hit, triangle) && triangle < 0) std::abort();
    }
  }
  std::vector<DXVector3> vertices = mesh.GetVertices();
  if (!vertices.empty() && vertices.size() != mesh.GetVertexCount()) std::abort();
  std::unique_ptr<MeshContainer> geometry(mesh.BuildGeometryMesh());
}

std::string Record(const DeviceMesh& mesh) {
  char* written = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&written, &size);
  if (!out) std::abort();
  mesh.Write(out);
  std::fclose(out);
  std::string bytes(written, size);
  std::free(written);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  GraphicsDevice* device = Device();
  if (size == 0) return 0;
  FILE* stream = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!stream) return 0;
  DeviceMesh mesh(device);
  bool accepted = mesh.Read(stream);
  long consumed = std::ftell(stream);
  std::fclose(stream);
  if (!accepted) {
    if (!mesh.IsEmpty() || mesh.GetVertexCount() != 0) std::abort();
    return 0;
  }
  Exercise(mesh);

  // The record written back has the length that was read, and reads back
  // into a mesh that writes the same bytes again. (Stored BSP trees may come
  // back normalised, so the first write need not repeat the input.)
  std::string first = Record(mesh);
  if (first.size() != static_cast<size_t>(consumed)) std::abort();
  FILE* again = fmemopen(&first[0], first.size(), "rb");
  if (!again) return 0;
  DeviceMesh reread(device);
  bool reaccepted = reread.Read(again);
  std::fclose(again);
  if (!reaccepted || Record(reread) != first) std::abort();
  return 0;
}
