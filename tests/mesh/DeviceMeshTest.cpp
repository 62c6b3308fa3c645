#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

#include <morvane/DeviceMesh.h>

#include <morvane/RenderTarget.h>
#include <morvane/ShaderEffect.h>
#include <morvane/ShaderManager.h>

#include "DeviceFixture.h"
#include "ReadBack.h"
#include "MeshBuilders.h"
#include "TempDir.h"

namespace {

typedef RecordingLogger::Entry Entry;

class DeviceMeshTest : public DeviceFixture {
 protected:
  // The record of mesh as bytes.
  static std::string Record(const DeviceMesh& mesh) {
    FILE* file = std::tmpfile();
    mesh.Write(file);
    std::string bytes(static_cast<size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    EXPECT_EQ(std::fread(&bytes[0], 1, bytes.size(), file), bytes.size());
    std::fclose(file);
    return bytes;
  }
  // Reads bytes into mesh through a seekable stream.
  static bool ReadRecord(DeviceMesh& mesh, const std::string& bytes) {
    FILE* file = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::rewind(file);
    bool ok = mesh.Read(file);
    std::fclose(file);
    return ok;
  }
};

// The cube with corner normals and material 1 on the -z face, 0 elsewhere.
MeshContainer* MakeMaterialCube() {
  MeshContainer* cube = MakeCube();
  cube->ComputeCreaseNormals(0.3f, 0, true, true);
  AddMaterials(*cube, 2, {1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  return cube;
}

}  // namespace

TEST_F(DeviceMeshTest, MaterialNumbersSortTrianglesIntoSubsets) {
  std::unique_ptr<MeshContainer> strip(MakeStrip(2));  // triangles (0,1,2) (1,3,2) (2,3,4) (3,5,4)
  AddMaterials(*strip, 3, {2, 0, 2, 1});
  DeviceMesh mesh(strip.get(), device.get(), 0);
  ASSERT_EQ(mesh.GetSubsetCount(), 3u);
  const unsigned int starts[3] = {0, 3, 6}, counts[3] = {3, 3, 6};
  for (unsigned int s = 0; s < 3; ++s) {
    EXPECT_EQ(mesh.GetSubset(s).startIndex, starts[s]);
    EXPECT_EQ(mesh.GetSubset(s).indexCount, counts[s]);
    EXPECT_EQ(mesh.GetSubset(s).topology, 4u);
    EXPECT_EQ(mesh.GetSubset(s).indexBuffer, mesh.GetIndexBuffer());
    EXPECT_EQ(mesh.GetSubset(s).bufferLayout, mesh.GetBufferLayout());
    EXPECT_EQ(mesh.GetSubset(s).vertexBuffers.Size(), 1u);
  }
  std::vector<unsigned int> indices = Indices(mesh);
  ASSERT_EQ(indices.size(), 12u);
  EXPECT_EQ(std::vector<unsigned int>(indices.begin(), indices.begin() + 6), (std::vector<unsigned int>{1, 3, 2, 3, 5, 4}));
  EXPECT_FALSE(mesh.HasIndices32());
  EXPECT_TRUE(log.entries.empty());
}

TEST_F(DeviceMeshTest, UnusedAndExcessMaterialNumbers) {
  std::unique_ptr<MeshContainer> strip(MakeStrip(2));
  AddMaterials(*strip, 3, {2, 0, 2, 0});
  DeviceMesh unused(strip.get(), device.get(), 0);
  EXPECT_EQ(unused.GetSubsetCount(), 2u);
  EXPECT_EQ(log.entries, (std::vector<Entry>{{RecordingLogger::kWarning, 4, "Unused materials in mesh."}}));
  EXPECT_EQ(unused.GetSubset(1).startIndex, 6u);

  AddMaterials(*strip, 2, {0, 1, 2, 3});
  log.entries.clear();
  DeviceMesh corrupted(strip.get(), device.get(), 0);
  EXPECT_EQ(corrupted.GetSubsetCount(), 2u);
  EXPECT_TRUE(log.Contains(RecordingLogger::kWriteLine, "Corrupted material list."));
}

TEST_F(DeviceMeshTest, IndexWidthFollowsTheVertexCount) {
  for (unsigned int vertexCount : {65535u, 70000u}) {
    MeshContainer big(vertexCount, 1);
    AddPositions(big, {DXVector3(0, 0, 0), DXVector3(1, 0, 0)});
    AddIndices(big, {{{0, vertexCount - 1, 1}}});
    DeviceMesh mesh(&big, device.get(), 0);
    EXPECT_EQ(mesh.HasIndices32(), vertexCount > 0xFFFF);
    EXPECT_EQ(mesh.GetIndexBuffer()->Is32Bit(), vertexCount > 0xFFFF);
    EXPECT_EQ(Indices(mesh), (std::vector<unsigned int>{0, vertexCount - 1, 1}));
  }
}

TEST_F(DeviceMeshTest, InterleavedAndSeparateVertexBuffers) {
  MeshContainer mesh(3, 1);
  AddPositions(mesh, {DXVector3(1, 2, 3), DXVector3(4, 5, 6), DXVector3(7, 8, 9)});
  AddIndices(mesh, {{{0, 1, 2}}});
  auto* normals = new PerVertexAttribute<DXVector3>(&mesh);
  normals->m_Semantic = "NORMAL";
  normals->m_SemanticIndex = 0;
  normals->m_Format = DXGI_FORMAT_R32G32B32_FLOAT;
  (*normals)[1] = DXVector3(0, 1, 0);
  mesh.AddAttribute("NORMALS", normals);
  auto* coords = new PerVertexAttribute<DXVector2>(&mesh);
  coords->m_Semantic = "TEXCOORD";
  coords->m_SemanticIndex = 0;
  coords->m_Format = DXGI_FORMAT_R32G32_FLOAT;
  (*coords)[1] = DXVector2(0.25f, 0.75f);
  mesh.AddAttribute("DIFFUSECOORD", coords);

  DeviceMesh interleaved(&mesh, device.get(), DeviceMesh::DM_INTERLEAVED);
  ASSERT_EQ(interleaved.GetVertexBufferCount(), 1u);
  EXPECT_EQ(interleaved.GetStreamName(0), "INTERLEAVED");
  EXPECT_EQ(interleaved.GetVertexStride(0), 32u);
  EXPECT_EQ(interleaved.GetStreamCount(), 3u);
  BufferLayout* layout = interleaved.GetBufferLayout();
  ASSERT_EQ(layout->GetElementCount(), 3u);
  const char* semantics[3] = {"TEXCOORD", "NORMAL", "POSITION"};
  const unsigned int offsets[3] = {0, 8, 20};
  for (unsigned int i = 0; i < 3; ++i) {
    EXPECT_EQ(layout->GetElement(i).SemanticName, semantics[i]);
    EXPECT_EQ(layout->GetElement(i).AlignedByteOffset, offsets[i]);
    EXPECT_EQ(layout->GetElement(i).InputSlot, 0u);
  }
  float vertex1[8];
  std::memcpy(vertex1, interleaved.GetVertexData(0) + 32, 32);
  EXPECT_EQ(std::vector<float>(vertex1, vertex1 + 8), (std::vector<float>{0.25f, 0.75f, 0, 1, 0, 4, 5, 6}));

  DeviceMesh separate(&mesh, device.get(), 0);
  ASSERT_EQ(separate.GetVertexBufferCount(), 3u);
  EXPECT_EQ(separate.GetStreamName(2), "POSITION");
  EXPECT_EQ(separate.GetVertexStride(0), 8u);
  EXPECT_EQ(separate.GetBufferLayout()->GetElement(2).InputSlot, 2u);
  EXPECT_EQ(separate.GetVertexBuffer(2)->GetElementStride(), 12u);
  std::vector<DXVector3> positions = separate.GetVertices();
  ASSERT_EQ(positions.size(), 3u);
  EXPECT_EQ(positions[2], DXVector3(7, 8, 9));
  EXPECT_EQ(interleaved.GetVertices(), positions);
}

TEST_F(DeviceMeshTest, CornerNormalsAreRolledOutAndTheSourceKept) {
  std::unique_ptr<MeshContainer> cube(MakeMaterialCube());
  MeshAttribute* normals = cube->GetAttribute("NORMALS");
  DeviceMesh mesh(cube.get(), device.get(), 0xEF);
  EXPECT_EQ(mesh.GetVertexCount(), 24u);
  EXPECT_EQ(mesh.GetTriangleCount(), 12u);
  EXPECT_EQ(cube->GetVertexCount(), 8u);
  EXPECT_EQ(cube->GetAttribute("NORMALS"), normals);
  EXPECT_EQ(normals->m_Kind, static_cast<unsigned int>(PerTriangleVertexIndexed));
  EXPECT_EQ(cube->GetAttributes().size(), 4u);
  ASSERT_EQ(mesh.GetSubsetCount(), 2u);
  EXPECT_EQ(mesh.GetSubset(1).indexCount, 6u);  // the -z face
  EXPECT_NE(mesh.GetBSPTree(), nullptr);
  EXPECT_NE(mesh.GetSubset(0).bspTree, nullptr);

  // Per-subset boxes and box-centred spheres merge into the mesh bounds.
  EXPECT_EQ(mesh.GetBox().Min, DXVector3(-1, -1, -1));
  EXPECT_EQ(mesh.GetBox().Max, DXVector3(1, 1, 1));
  EXPECT_EQ(mesh.GetSubset(1).box.Max.z, -1.0f);
  for (const DXVector3& p : mesh.GetVertices()) {
    DXVector3 d = p - mesh.GetSphere().Center;
    EXPECT_LE(D3DXVec3Length(&d), mesh.GetSphere().Radius + 1e-5f);
  }
}

TEST_F(DeviceMeshTest, MeshSphereMethods) {
  std::unique_ptr<MeshContainer> cube(MakeCube());
  DeviceMesh smallest(cube.get(), device.get(), 0x1D);
  EXPECT_NEAR(smallest.GetSphere().Radius, std::sqrt(3.0f), 1e-5f);
  EXPECT_NEAR(smallest.GetSphere().Center.x, 0.0f, 1e-5f);
  EXPECT_EQ(smallest.GetSubset(0).sphere.Radius, -FLT_MAX);
  DeviceMesh boxCentred(cube.get(), device.get(), 0x0D);
  EXPECT_NEAR(boxCentred.GetSphere().Radius, std::sqrt(3.0f), 1e-5f);
  DeviceMesh none(cube.get(), device.get(), 0x0C);
  EXPECT_EQ(none.GetSphere().Radius, -FLT_MAX);
  EXPECT_EQ(none.GetBox().Min.x, FLT_MAX);
}

TEST_F(DeviceMeshTest, RayPickingMatchesBruteForce) {
  std::unique_ptr<MeshContainer> cube(MakeMaterialCube());
  DeviceMesh mesh(cube.get(), device.get(), 0xEF);
  std::unique_ptr<MeshContainer> geometry(mesh.BuildGeometryMesh());
  auto* positions = dynamic_cast<PerVertexAttribute<DXVector3>*>(geometry->GetAttribute("POSITION"));
  auto* indices = dynamic_cast<IndexAttribute*>(geometry->GetIndices());
  ASSERT_TRUE(positions && indices);
  EXPECT_EQ(geometry->GetVertexCount(), 24u);

  std::mt19937 random(3);
  std::uniform_real_distribution<float> coordinate(-3.0f, 3.0f);
  int hits = 0;
  for (int i = 0; i < 200; ++i) {
    Ray ray = {DXVector3(coordinate(random), coordinate(random), coordinate(random)),
               DXVector3(coordinate(random), coordinate(random), coordinate(random))};
    float best = FLT_MAX;
    for (unsigned int t = 0; t < 12; ++t) {
      float u, v, distance;
      if (D3DXIntersectTri(&(*positions)[(*indices)[t][0]], &(*positions)[(*indices)[t][1]],
                           &(*positions)[(*indices)[t][2]], &ray.Origin, &ray.Direction, &u, &v, &distance))
        best = std::min(best, distance);
    }
    DXVector3 hit;
    int triangle;
    bool found = mesh.IntersectSubset(-1, ray, hit, triangle);
    ASSERT_EQ(found, best != FLT_MAX) << i;
    if (!found) {
      EXPECT_EQ(triangle, -1);
      continue;
    }
    ++hits;
    DXVector3 expected = ray.Origin + ray.Direction * best;
    EXPECT_NEAR(hit.x, expected.x, 1e-4f);
    EXPECT_NEAR(hit.y, expected.y, 1e-4f);
    EXPECT_NEAR(hit.z, expected.z, 1e-4f);
    // Per subset, the hit lies in the subset that holds that triangle.
    DXVector3 subsetHit;
    int subsetTriangle;
    unsigned int subset = triangle < 10 ? 0 : 1;
    EXPECT_TRUE(mesh.IntersectSubset(static_cast<int>(subset), ray, subsetHit, subsetTriangle));
    EXPECT_EQ(static_cast<unsigned int>(subsetTriangle) + mesh.GetSubset(subset).startIndex / 3,
              static_cast<unsigned int>(triangle));
  }
  EXPECT_GT(hits, 20);
}

TEST_F(DeviceMeshTest, RecordRoundTripsByteForByte) {
  std::unique_ptr<MeshContainer> cube(MakeMaterialCube());
  for (unsigned int options : {0xEFu, 0x6Fu, 0x00u}) {
    DeviceMesh mesh(cube.get(), device.get(), options);
    std::string bytes = Record(mesh);
    DeviceMesh read(device.get());
    ASSERT_TRUE(ReadRecord(read, bytes)) << options;
    EXPECT_EQ(read.GetOptions(), options);
    EXPECT_EQ(read.GetVertexCount(), mesh.GetVertexCount());
    EXPECT_EQ(read.GetTriangleCount(), mesh.GetTriangleCount());
    EXPECT_EQ(read.GetStreamCount(), mesh.GetStreamCount());
    EXPECT_EQ(read.GetBufferLayout(), mesh.GetBufferLayout());  // shared through the layout manager
    EXPECT_EQ(read.GetBox().Max, mesh.GetBox().Max);
    EXPECT_EQ(read.GetSphere().Radius, mesh.GetSphere().Radius);
    EXPECT_EQ(Indices(read), Indices(mesh));
    ASSERT_EQ(read.GetVertexBufferCount(), mesh.GetVertexBufferCount());
    for (unsigned int i = 0; i < read.GetVertexBufferCount(); ++i) {
      EXPECT_EQ(read.GetStreamName(i), mesh.GetStreamName(i));
      EXPECT_EQ(0, std::memcmp(read.GetVertexData(i), mesh.GetVertexData(i),
                               mesh.GetVertexStride(i) * mesh.GetVertexCount()));
    }
    ASSERT_EQ(read.GetSubsetCount(), mesh.GetSubsetCount());
    for (unsigned int s = 0; s < read.GetSubsetCount(); ++s) {
      EXPECT_EQ(read.GetSubset(s).startIndex, mesh.GetSubset(s).startIndex);
      EXPECT_EQ(read.GetSubset(s).topology, 4u);
      EXPECT_EQ(read.GetSubset(s).bspTree != nullptr, mesh.GetSubset(s).bspTree != nullptr);
    }
    EXPECT_EQ(Record(read), bytes);
    // Reading into a filled mesh replaces it.
    ASSERT_TRUE(ReadRecord(read, bytes));
    EXPECT_EQ(read.GetSubsetCount(), mesh.GetSubsetCount());
  }
}

TEST_F(DeviceMeshTest, DamagedRecordsAreRefusedAndLeaveTheMeshEmpty) {
  std::unique_ptr<MeshContainer> cube(MakeMaterialCube());
  DeviceMesh mesh(cube.get(), device.get(), 0x4F);  // no mesh tree: the header is 61 bytes
  const std::string bytes = Record(mesh);
  auto patched = [&](size_t offset, unsigned int value) {
    std::string copy = bytes;
    std::memcpy(&copy[offset], &value, 4);
    return copy;
  };
  // The vertex count at 16, the subset count at 4, the layout element count
  // at 61 and the first semantic name's length at 65.
  std::vector<std::string> damaged = {patched(16, 0x7FFFFFFF), patched(16, 23), patched(61, 21),
                                      patched(65, 0xFFFFFFF0), patched(4, 0x10000000)};
  for (size_t length = 0; length < bytes.size(); length += 7) damaged.push_back(bytes.substr(0, length));
  for (const std::string& record : damaged) {
    DeviceMesh read(device.get());
    ASSERT_TRUE(ReadRecord(read, bytes));
    log.entries.clear();
    EXPECT_FALSE(ReadRecord(read, record)) << record.size();
    EXPECT_TRUE(read.IsEmpty());
    EXPECT_EQ(read.GetVertexCount(), 0u);
    EXPECT_FALSE(log.entries.empty());
  }

  DeviceMesh orphan(nullptr);
  log.entries.clear();
  EXPECT_FALSE(ReadRecord(orphan, bytes));
  EXPECT_EQ(log.entries, (std::vector<Entry>{{RecordingLogger::kError, 0, "No Device."}}));
}

TEST_F(DeviceMeshTest, BadIndicesBuildNoIndexBuffer) {
  MeshContainer mesh(3, 1);
  AddPositions(mesh, {});
  AddIndices(mesh, {{{0, 1, 3}}});
  DeviceMesh device_mesh(&mesh, device.get(), 0xEF);
  EXPECT_EQ(device_mesh.GetIndexBuffer(), nullptr);
  EXPECT_TRUE(log.Contains(RecordingLogger::kWriteLine, "Error@DeviceMesh: Invalid indices format."));
  EXPECT_EQ(device_mesh.GetSubsetCount(), 1u);
  EXPECT_EQ(device_mesh.GetSubset(0).indexCount, 3u);
}

namespace {


}  // namespace

// The subsets of a device mesh carry everything a draw call needs: drawn
// through an effect of the test data, the cube seen along +z shows its +z
// face from subset 0, then the -z face of subset 1 drawn over it, each
// coloured by its rolled-out normals.
TEST_F(DeviceMeshTest, SubsetsDrawTheCube) {
  std::unique_ptr<MeshContainer> cube(MakeMaterialCube());
  DeviceMesh mesh(cube.get(), device.get(), 0xEF);
  ASSERT_EQ(mesh.GetSubsetCount(), 2u);

  // The effect's cache is written beside its source: compile a copy.
  TempDir dir;
  const std::string file = dir.File("NormalColor.fx");
  WriteFileBytes(file, ReadFileBytes(MORVANE_MESH_DATA "/NormalColor.fx"));
  ShaderEffect* effect = device->GetShaderManager()->CreateShaderEffect(file, nullptr);
  ASSERT_TRUE(effect->IsCompiled()) << effect->GetErrors();
  EffectTechnique* technique = effect->GetTechnique("NormalColor");
  ASSERT_NE(technique, nullptr);

  ID3D10Device* d3d = device->GetDevice();
  RenderTexture2D target(device.get(), DF_R8G8B8A8_UNORM, 16, 16, 1, 0, false);
  target.Bind();
  target.Clear(ColorRGBA{0, 0, 0, 1});
  device->SetViewPort(ViewPort{0, 0, 16, 16, 0.0f, 1.0f});

  auto drawSubset = [&](unsigned int s) {
    const SubsetInfo& subset = mesh.GetSubset(s);
    device->SetVertexBuffers(
        std::vector<VertexBuffer*>(subset.vertexBuffers.Data(), subset.vertexBuffers.Data() + subset.vertexBuffers.Size()));
    device->SetIndexBuffer(subset.indexBuffer, 0);
    device->SetInputLayout(subset.bufferLayout, technique->Signatures[0]);
    device->SetPrimitiveType(static_cast<PrimitiveType>(subset.topology));
    technique->Technique->GetPassByIndex(0)->Apply(0);
    device->DrawIndexed(subset.indexCount, subset.startIndex, 0);
  };
  // Texel (x, y) as 0xAABBGGRR; the cube covers texels 4 to 11 on both axes.
  auto texel = [&](unsigned int x, unsigned int y) {
    std::vector<uint8_t> bytes = ReadSubresource(d3d, target.GetTexture()->GetTexture(), 0, 4);
    uint32_t value = 0;
    std::memcpy(&value, &bytes[(y * 16 + x) * 4], 4);
    return value;
  };
  auto expectColor = [](uint32_t value, int r, int g, int b) {
    EXPECT_NEAR(static_cast<int>(value & 0xFF), r, 2);
    EXPECT_NEAR(static_cast<int>((value >> 8) & 0xFF), g, 2);
    EXPECT_NEAR(static_cast<int>((value >> 16) & 0xFF), b, 2);
  };
  drawSubset(0);
  EXPECT_NE(device->GetInputLayout(), nullptr);
  expectColor(texel(8, 8), 128, 128, 255);  // +z face: normal (0, 0, 1)
  expectColor(texel(1, 8), 0, 0, 0);
  drawSubset(1);
  expectColor(texel(8, 8), 128, 128, 0);  // -z face: normal (0, 0, -1)
  expectColor(texel(4, 4), 128, 128, 0);
  expectColor(texel(11, 11), 128, 128, 0);
  expectColor(texel(12, 12), 0, 0, 0);

  d3d->OMSetRenderTargets(0, nullptr, nullptr);
  effect->Release();
}
