#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

#include <cstring>
#include <string>
#include <vector>

#include <morvane/MeshLoader.h>
#include <morvane/SkinInfo.h>

#include "DeviceFixture.h"
#include "MeshBuilders.h"
#include "MeshTestSupport.h"

namespace {

const std::string kHeader = "xof 0303txt 0032\n";

class MeshLoaderTest : public DeviceFixture {
 protected:
  // A model of the test data, copied where its cache may be written.
  std::string Copy(const std::string& name) {
    std::string path = dir.File(name);
    WriteFileBytes(path, ReadFileBytes(std::string(MORVANE_MESH_DATA) + "/" + name));
    return path;
  }
  std::string Write(const std::string& name, const std::string& text) {
    std::string path = dir.File(name);
    WriteFileBytes(path, text);
    return path;
  }
  MeshPtr Load(const std::string& path) {
    MeshLoader loader(device.get());
    return MeshPtr(loader.FromXFile(path));
  }
  bool Logged(RecordingLogger::Op op, const std::string& text) const { return log.Contains(op, text); }
  // Moves the source's modification time, as editing it would.
  static void Touch(const std::string& path, int seconds) {
    struct stat status;
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    struct utimbuf times = {status.st_atime, status.st_mtime + seconds};
    ASSERT_EQ(utime(path.c_str(), &times), 0);
  }
  template <typename T>
  static T* Entity(const MeshPtr& mesh, const std::string& name) {
    return dynamic_cast<T*>(mesh->GetEntity(name));
  }
  // The values of the vertex element of the given semantic, read from the
  // CPU copy of its buffer (loaded meshes interleave their vertices).
  template <typename T>
  static std::vector<T> Stream(const DeviceMesh& mesh, const std::string& semantic) {
    const BufferLayout* layout = mesh.GetBufferLayout();
    for (unsigned int e = 0; layout && e < layout->GetElementCount(); ++e) {
      BUFFER_ELEMENT_DESC element = layout->GetElement(e);
      if (semantic != element.SemanticName) continue;
      std::vector<T> values(mesh.GetVertexCount());
      const unsigned char* data = mesh.GetVertexData(element.InputSlot);
      unsigned int stride = mesh.GetVertexStride(element.InputSlot);
      for (size_t v = 0; v < values.size(); ++v)
        std::memcpy(&values[v], data + v * stride + element.AlignedByteOffset, sizeof(T));
      return values;
    }
    return std::vector<T>();
  }

  TempDir dir;
};

TEST_F(MeshLoaderTest, HeaderChecksVersionAndTextFormat) {
  const struct {
    const char* header;
    const char* error;  // null: loads
  } cases[] = {
      {"xof 0303txt 0032", nullptr},
      {"xof 0302txt 0064", nullptr},
      {"xof 0303bin 0032", "Non text format not implemented."},
      {"xof 0303tzip0032", "Non text format not implemented."},
      {"xof 0301txt 0032", "X file version not supported."},
      {"XOF 0303txt 0032", "This file is not a x model file."},
      {"xof", "This file is not a x model file."},
  };
  int file = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header);
    log.entries.clear();
    // One file each: files of one size written within a second share a cache stamp.
    MeshPtr mesh = Load(Write("header" + std::to_string(file++) + ".x", std::string(c.header) + "\nFrame A {}\n"));
    if (c.error) {
      EXPECT_EQ(mesh, nullptr);
      EXPECT_EQ(log.Texts(RecordingLogger::kError), std::vector<std::string>{c.error});
    } else {
      ASSERT_NE(mesh, nullptr);
      EXPECT_EQ(mesh->GetFrameRoot()->GetName(), "A");
    }
  }
  log.entries.clear();
  EXPECT_EQ(Load(dir.File("missing.x")), nullptr);
  EXPECT_TRUE(log.entries.empty());
}

TEST_F(MeshLoaderTest, TexturedCube) {
  MeshPtr mesh = Load(Copy("cube.x"));
  ASSERT_NE(mesh, nullptr);
  EXPECT_TRUE(Logged(RecordingLogger::kWarning, "Unknown block: \"template\""));
  EXPECT_TRUE(Logged(RecordingLogger::kWriteLine, "Vertices: 8 Faces: 6 Triangles: 12"));

  MeshFrame* cube = mesh->GetFrameRoot();
  ASSERT_NE(cube, nullptr);
  EXPECT_EQ(cube->GetName(), "Cube");
  EXPECT_EQ(cube->GetTransform()._42, 2.0f);
  ASSERT_EQ(cube->GetGeometryCount(), 1u);
  MeshGeometry* geometry = cube->GetGeometry(0);
  EXPECT_EQ(geometry->GetName(), "CubeMesh");
  EXPECT_EQ(geometry->GetInstanceFrame(0), cube);

  MeshMaterial* crate = Entity<MeshMaterial>(mesh, "Crate");
  ASSERT_NE(crate, nullptr);
  EXPECT_EQ(crate->m_TextureFilename, "textures\\\\crate.png");
  EXPECT_EQ(crate->m_Power, 8.0f);
  EXPECT_EQ(crate->m_Specular[0], 0.5f);
  EXPECT_EQ(crate->GetRefCount(), 2);  // its creator's and the material list's
  ASSERT_EQ(geometry->GetMaterialCount(), 1u);
  EXPECT_EQ(geometry->GetMaterial(0), crate);

  // One normal per face: corners split where their faces meet.
  const DeviceMesh& device = *geometry->GetGeometry();
  EXPECT_EQ(device.GetTriangleCount(), 12u);
  EXPECT_EQ(device.GetVertexCount(), 24u);
  EXPECT_EQ(device.GetSubsetCount(), 1u);
  std::vector<DXVector3> normals = Stream<DXVector3>(device, "NORMAL");
  std::vector<DXVector3> positions = Stream<DXVector3>(device, "POSITION");
  ASSERT_EQ(normals.size(), 24u);
  for (unsigned int v = 0; v < 24; ++v) {
    // Each corner's normal points out of the face along the axis it touches.
    const float* n = &normals[v].x;
    const float* p = &positions[v].x;
    for (int axis = 0; axis < 3; ++axis) {
      if (n[axis] != 0.0f) {
        EXPECT_EQ(n[axis], p[axis]) << v;
      }
    }
  }
  EXPECT_EQ(Stream<DXVector2>(device, "TEXCOORD").size(), 24u);
}

TEST_F(MeshLoaderTest, HierarchyNamesCaseAndSpacing) {
  MeshPtr mesh = Load(Copy("hierarchy.x"));
  ASSERT_NE(mesh, nullptr);
  MeshFrame* root = mesh->GetFrameRoot();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->GetName(), "Root");
  EXPECT_EQ(root->GetNextSibling(), nullptr);
  MeshFrame* body = root->GetFirstChild();
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(body->GetName(), "Body");
  EXPECT_EQ(body->GetTransform()._11, 2.0f);
  EXPECT_EQ(body->GetTransform()._41, 1.0f);
  MeshFrame* arm = body->GetNextSibling();
  ASSERT_NE(arm, nullptr);
  EXPECT_EQ(arm->GetName(), "Arm");
  EXPECT_EQ(arm->GetParent(), root);

  // Every unnamed block (transforms, meshes, normals ...) takes the next
  // generated name; the repeated name Body gets _Dup suffixes.
  std::vector<std::string> children;
  for (MeshFrame* child = arm->GetFirstChild(); child; child = child->GetNextSibling()) {
    children.push_back(child->GetName());
    EXPECT_EQ(child->GetParent(), arm);
  }
  EXPECT_EQ(children, (std::vector<std::string>{"Unnamed7", "Unnamed9", "Body_Dup", "Body_Dup_Dup"}));
  EXPECT_EQ(Entity<MeshFrame>(mesh, "Unnamed7")->GetTransform()._43, 4.0f);
  EXPECT_EQ(mesh->GetFrameCount(), 7u);
  ASSERT_EQ(body->GetGeometryCount(), 1u);
  EXPECT_EQ(body->GetGeometry(0)->GetName(), "Unnamed2");

  // Block types match in any case.
  ASSERT_NE(Entity<MeshMaterial>(mesh, "Red"), nullptr);
  ASSERT_NE(Entity<MeshMaterial>(mesh, "Blue"), nullptr);
  EXPECT_EQ(Entity<MeshMaterial>(mesh, "Blue")->m_Emissive[2], 0.5f);
  ASSERT_EQ(arm->GetGeometryCount(), 1u);
  EXPECT_EQ(arm->GetGeometry(0)->GetName(), "Fingers");

  MeshPtr top = Load(Write("names.x", kHeader + "Frame {} Frame {} Frame Body {} Frame Body {} Frame Body {} "
                                                 "Frame Unnamed2 {} Frame {}"));
  ASSERT_NE(top, nullptr);
  std::vector<std::string> names;
  for (MeshFrame* frame = top->GetFrameRoot(); frame; frame = frame->GetNextSibling()) names.push_back(frame->GetName());
  EXPECT_EQ(names, (std::vector<std::string>{"Unnamed0", "Unnamed1", "Body", "Body_Dup", "Body_Dup_Dup", "Unnamed2",
                                             "Unnamed2_Dup"}));
}

TEST_F(MeshLoaderTest, PolygonsAreCutIntoFans) {
  MeshPtr mesh = Load(Copy("hierarchy.x"));
  ASSERT_NE(mesh, nullptr);
  // Polygons of 3 to 8 sides: 1 + 2 + ... + 6 triangles.
  EXPECT_TRUE(Logged(RecordingLogger::kWriteLine, "Vertices: 8 Faces: 6 Triangles: 21"));
  EXPECT_EQ(Entity<MeshGeometry>(mesh, "Fingers")->GetGeometry()->GetTriangleCount(), 21u);

  // Triangles (0,1,2) and (0,2,3) with materials 1 and 0: the subsets
  // follow the material numbers.
  MeshGeometry* quad = Entity<MeshGeometry>(mesh, "Unnamed2");
  ASSERT_NE(quad, nullptr);
  const DeviceMesh& device = *quad->GetGeometry();
  EXPECT_EQ(Indices(device), (std::vector<unsigned int>{0, 2, 3, 0, 1, 2}));
  ASSERT_EQ(device.GetSubsetCount(), 2u);
  ASSERT_EQ(quad->GetMaterialCount(), 2u);
  EXPECT_EQ(quad->GetMaterial(0)->GetName(), "Red");
  EXPECT_EQ(quad->GetMaterial(1)->GetName(), "Blue");
}

TEST_F(MeshLoaderTest, VertexColoursArePackedAsWritten) {
  MeshPtr mesh = Load(Copy("hierarchy.x"));
  ASSERT_NE(mesh, nullptr);
  std::vector<unsigned int> colors = Stream<unsigned int>(*Entity<MeshGeometry>(mesh, "Unnamed2")->GetGeometry(), "COLOR");
  EXPECT_EQ(colors, (std::vector<unsigned int>{0xFFFF8000u, 0x00000000u, 0xFFFFFFFFu, 0xFF4080BFu}));
}

TEST_F(MeshLoaderTest, MeshWithoutNormalsGetsCreaseNormals) {
  MeshPtr mesh = Load(Copy("hierarchy.x"));
  ASSERT_NE(mesh, nullptr);
  const DeviceMesh& fingers = *Entity<MeshGeometry>(mesh, "Fingers")->GetGeometry();
  std::vector<DXVector3> normals = Stream<DXVector3>(fingers, "NORMAL");
  ASSERT_FALSE(normals.empty());
  // A flat fan in z = 0, counter-clockwise seen from -z: every normal is
  // along -z (not normalized, so only the direction is checked).
  for (const DXVector3& n : normals) {
    EXPECT_EQ(n.x, 0.0f);
    EXPECT_EQ(n.y, 0.0f);
    EXPECT_NE(n.z, 0.0f);
  }
}

TEST_F(MeshLoaderTest, SkinnedCharacter) {
  MeshPtr mesh = Load(Copy("character.x"));
  ASSERT_NE(mesh, nullptr);
  MeshGeometry* leg = Entity<MeshGeometry>(mesh, "Leg");
  ASSERT_NE(leg, nullptr);
  const SkinInfo* skin = leg->GetSkinInfo();
  ASSERT_NE(skin, nullptr);
  EXPECT_EQ(skin->m_MaxWeightsPerVertex, 2);
  EXPECT_EQ(skin->m_BoneNames, (std::vector<StringEX>{"Hip", "Knee"}));
  ASSERT_EQ(skin->m_BoneOffsets.size(), 2u);
  EXPECT_EQ(skin->m_BoneOffsets[0]._42, -2.0f);
  EXPECT_EQ(skin->m_BoneOffsets[1]._42, -1.0f);
  ASSERT_EQ(leg->GetMaterialCount(), 1u);
  EXPECT_EQ(leg->GetMaterial(0)->GetName(), "Skin");
  EXPECT_EQ(leg->GetMaterial(0)->m_Diffuse[0], 0.8f);

  // Feet vertices (y = 0) belong to Hip and Knee, the top ones to Hip alone.
  const DeviceMesh& device = *leg->GetGeometry();
  std::vector<DXVector3> positions = Stream<DXVector3>(device, "POSITION");
  std::vector<unsigned int> bones = Stream<unsigned int>(device, "BONEINDICES");
  std::vector<DXVector4> weights = Stream<DXVector4>(device, "SKINWEIGHTS");
  ASSERT_EQ(bones.size(), positions.size());
  ASSERT_EQ(weights.size(), positions.size());
  for (size_t v = 0; v < positions.size(); ++v) {
    bool foot = positions[v].y == 0.0f;
    EXPECT_EQ(bones[v], foot ? 0x100u : 0u) << v;
    EXPECT_EQ(weights[v], foot ? DXVector4(0.25f, 0.75f, 0, 0) : DXVector4(1, 0, 0, 0)) << v;
  }
}

TEST_F(MeshLoaderTest, AnimationWithAllKeyTypes) {
  MeshPtr mesh = Load(Copy("character.x"));
  ASSERT_NE(mesh, nullptr);
  ASSERT_EQ(mesh->GetAnimationSetCount(), 1u);
  AnimationSet* walk = mesh->GetAnimationSet(0);
  EXPECT_EQ(walk->GetName(), "Walk");
  EXPECT_EQ(walk->GetMaxTime(), 100u);
  ASSERT_EQ(walk->GetAnimationCount(), 2u);

  Animation* hip = walk->GetAnimation(0);
  EXPECT_EQ(hip->GetFrame(), Entity<MeshFrame>(mesh, "Hip"));
  ASSERT_EQ(hip->GetKeyCount(), 3u);
  EXPECT_EQ(hip->GetAnimationKey(0)->GetKeyType(), AKT_SCALING);
  EXPECT_EQ(hip->GetAnimationKey(1)->GetKeyType(), AKT_ROTATION);
  EXPECT_EQ(hip->GetAnimationKey(2)->GetKeyType(), AKT_TRANSLATION);
  // Rotation keys are written w, x, y, z and kept x, y, z, w.
  const RotationAnimationKey* rotation = dynamic_cast<const RotationAnimationKey*>(hip->GetAnimationKey(1));
  ASSERT_NE(rotation, nullptr);
  EXPECT_EQ(rotation->GetRotations()[0], D3DXQUATERNION(0, 0, 0, 1));
  EXPECT_EQ(rotation->GetRotations()[2], D3DXQUATERNION(1, 0, 0, 0));
  EXPECT_EQ(rotation->GetTimes()[1], 50u);

  // Scale, then rotate, then translate: the translation row is the
  // translation key's value whatever the rotation.
  DXMatrix at50 = hip->GetTransformation(50.0f);
  EXPECT_FLOAT_EQ(at50._41, 5.0f);
  EXPECT_FLOAT_EQ(at50._42, 2.0f);
  DXMatrix at100 = hip->GetTransformation(100.0f);
  EXPECT_FLOAT_EQ(at100._11, 2.0f);  // scaled by 2 along x; the half turn about x keeps x
  EXPECT_FLOAT_EQ(at100._22, -1.0f);
  EXPECT_FLOAT_EQ(at100._41, 10.0f);

  Animation* knee = walk->GetAnimation(1);
  EXPECT_EQ(knee->GetFrame(), Entity<MeshFrame>(mesh, "Knee"));
  EXPECT_FALSE(knee->IsClosed());
  EXPECT_EQ(knee->GetPositionQuality(), 1u);
  ASSERT_EQ(knee->GetKeyCount(), 1u);
  EXPECT_EQ(knee->GetAnimationKey(0)->GetKeyType(), AKT_MATRIX);
  EXPECT_FLOAT_EQ(knee->GetTransformation(20.0f)._41, 2.0f);
  EXPECT_FLOAT_EQ(knee->GetTransformation(20.0f)._42, -1.0f);
  // Each animated frame holds the hierarchy's reference and its animation's.
  EXPECT_EQ(Entity<MeshFrame>(mesh, "Knee")->GetRefCount(), 2);
}

// What a renderer does each frame: apply the clip to the animated frames,
// then compose world matrices down the hierarchy (parent links are not
// needed, so a model from the cache works the same).
TEST_F(MeshLoaderTest, AnimatedWorldMatricesFromTheCache) {
  std::string path = Copy("character.x");
  Load(path);
  MeshPtr mesh = Load(path);
  ASSERT_NE(mesh, nullptr);
  ASSERT_TRUE(Logged(RecordingLogger::kWriteLine, "Reading XMesh from cache: " + path + ".bin"));
  auto kneeAt = [&](float time) {
    AnimationSet* walk = mesh->GetAnimationSet(0);
    for (unsigned int a = 0; a < walk->GetAnimationCount(); ++a)
      walk->GetAnimation(a)->GetFrame()->SetTransform(walk->GetAnimation(a)->GetTransformation(time));
    DXMatrix identity, knee;
    D3DXMatrixIdentity(&identity);
    D3DXMatrixIdentity(&knee);
    std::vector<std::pair<MeshFrame*, DXMatrix>> pending;
    pending.push_back({mesh->GetFrameRoot(), identity});
    while (!pending.empty()) {
      auto [frame, parentWorld] = pending.back();
      pending.pop_back();
      if (!frame) continue;
      DXMatrix local = frame->GetTransform(), world;
      D3DXMatrixMultiply(&world, &local, &parentWorld);
      if (frame->GetName() == "Knee") knee = world;
      pending.push_back({frame->GetNextSibling(), parentWorld});
      pending.push_back({frame->GetFirstChild(), world});
    }
    return DXVector3(knee._41, knee._42, knee._43);
  };
  EXPECT_EQ(kneeAt(0.0f), DXVector3(0, 1, 0));
  // Knee (4, -1, 0), scaled 2 along x, turned half about x, moved (10, 2, 0).
  DXVector3 end = kneeAt(100.0f);
  EXPECT_NEAR(end.x, 18.0f, 1e-4f);
  EXPECT_NEAR(end.y, 3.0f, 1e-4f);
  EXPECT_NEAR(end.z, 0.0f, 1e-4f);
}

TEST_F(MeshLoaderTest, MeshEndsItsFramesChildList) {
  const std::string mesh = "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n";
  MeshPtr after = Load(Write("after.x", kHeader + "Frame A {\n " + mesh + " Frame B {}\n}\n"));
  ASSERT_NE(after, nullptr);
  MeshFrame* a = after->GetFrameRoot();
  EXPECT_EQ(a->GetFirstChild(), nullptr);
  ASSERT_NE(a->GetNextSibling(), nullptr);
  EXPECT_EQ(a->GetNextSibling()->GetName(), "B");

  MeshPtr last = Load(Write("last.x", kHeader + "Frame A {\n Frame B {}\n " + mesh + "}\nFrame C {}\n"));
  ASSERT_NE(last, nullptr);
  a = last->GetFrameRoot();
  ASSERT_NE(a->GetFirstChild(), nullptr);
  EXPECT_EQ(a->GetFirstChild()->GetName(), "B");
  EXPECT_EQ(a->GetGeometryCount(), 1u);
  ASSERT_NE(a->GetNextSibling(), nullptr);
  EXPECT_EQ(a->GetNextSibling()->GetName(), "C");
}

class MeshCacheTest : public MeshLoaderTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(MeshCacheTest, CachedModelEqualsParsedModel) {
  std::string path = Copy(GetParam());
  MeshPtr parsed = Load(path);
  ASSERT_NE(parsed, nullptr);
  EXPECT_TRUE(Logged(RecordingLogger::kBeginSection, "Reading XMesh: " + path));
  ASSERT_FALSE(ReadFileBytes(path + ".bin").empty());

  log.entries.clear();
  MeshPtr cached = Load(path);
  ASSERT_NE(cached, nullptr);
  EXPECT_TRUE(Logged(RecordingLogger::kWriteLine, "Reading XMesh from cache: " + path + ".bin"));
  EXPECT_FALSE(Logged(RecordingLogger::kBeginSection, "Reading XMesh: " + path));
  EXPECT_EQ(Describe(*cached), Describe(*parsed));
  EXPECT_EQ(cached->GetFrameCount(), parsed->GetFrameCount());
  EXPECT_EQ(cached->GetGeometryCount(), parsed->GetGeometryCount());
  for (unsigned int f = 0; f < cached->GetFrameCount(); ++f) EXPECT_EQ(cached->GetFrame(f)->GetParent(), nullptr);
  // A cached model writes the same cache again.
  std::string first = ReadFileBytes(path + ".bin");
  cached->SaveBinary(path);
  EXPECT_EQ(ReadFileBytes(path + ".bin"), first);
}

INSTANTIATE_TEST_SUITE_P(Models, MeshCacheTest, ::testing::Values("cube.x", "hierarchy.x", "character.x"));

TEST_F(MeshLoaderTest, StaleDamagedAndOrphanedCaches) {
  std::string path = Copy("character.x");
  std::string expected = Describe(*Load(path));
  std::string cache = ReadFileBytes(path + ".bin");
  ASSERT_FALSE(cache.empty());

  // A touched source makes the cache stale: the model is parsed again.
  Touch(path, 10);
  log.entries.clear();
  EXPECT_EQ(Describe(*Load(path)), expected);
  EXPECT_TRUE(Logged(RecordingLogger::kBeginSection, "Reading XMesh: " + path));

  // A cache of another format byte, or cut short, is not used.
  std::string wrongFormat = ReadFileBytes(path + ".bin");
  wrongFormat[0] = 12;
  WriteFileBytes(path + ".bin", wrongFormat);
  log.entries.clear();
  EXPECT_EQ(Describe(*Load(path)), expected);
  EXPECT_TRUE(Logged(RecordingLogger::kBeginSection, "Reading XMesh: " + path));

  std::string fresh = ReadFileBytes(path + ".bin");
  for (size_t cut : {size_t(40), fresh.size() / 2, fresh.size() - 1}) {
    WriteFileBytes(path + ".bin", fresh.substr(0, cut));
    log.entries.clear();
    EXPECT_EQ(Describe(*Load(path)), expected) << cut;
    EXPECT_TRUE(Logged(RecordingLogger::kError, "Mesh cache damaged: \"" + path + ".bin\"")) << cut;
  }

  // Without its source the cache is still used.
  WriteFileBytes(path + ".bin", fresh);
  std::remove(path.c_str());
  MeshPtr orphan = Load(path);
  ASSERT_NE(orphan, nullptr);
  EXPECT_EQ(Describe(*orphan), expected);
}

TEST_F(MeshLoaderTest, BadInputIsLoggedAndSkipped) {
  const std::string cube = ReadFileBytes(std::string(MORVANE_MESH_DATA) + "/cube.x");
  const std::string tri = "3; 0;0;0;, 1;0;0;, 0;1;0;;\n";
  const struct {
    const char* name;
    std::string text;
    RecordingLogger::Op op;
    std::string line;
  } cases[] = {
      {"truncated in the material list", cube.substr(0, cube.find("   0;;\n   { Crate }")), RecordingLogger::kWriteLine,
       "Create DeviceMesh"},
      {"truncated in the vertices", cube.substr(0, cube.find("1.0;1.0;-1.0")), RecordingLogger::kError,
       "Unexpected EOF."},
      {"unbalanced", kHeader + "Frame A { Frame B { Frame C {", RecordingLogger::kWriteLine, "ProcessFrame: C"},
      {"too many vertices", kHeader + "Frame A { Mesh { 1000; 0;0;0;; 1; 3;0,0,0;; } }", RecordingLogger::kError,
       "Invalid number of vertices."},
      {"huge vertex count", kHeader + "Frame A { Mesh { 2147483647; 0;0;0;; } }", RecordingLogger::kError,
       "Invalid number of vertices."},
      {"negative face count", kHeader + "Frame A { Mesh { " + tri + "-1; } }", RecordingLogger::kError,
       "Invalid number of faces."},
      {"huge face", kHeader + "Frame A { Mesh { " + tri + "1; 99999999;0,1,2;; } }", RecordingLogger::kError,
       "Invalid number of faces."},
      {"index beyond vertices", kHeader + "Frame A { Mesh { " + tri + "1; 3;0,1,3;; } }", RecordingLogger::kError,
       "Vertex index out of range."},
      {"material beyond list",
       kHeader + "Frame A { Mesh { " + tri + "1; 3;0,1,2;; MeshMaterialList { 1; 1; 1;; Material M {1;1;1;1;;1;0;0;0;;0;0;0;;} } } }",
       RecordingLogger::kError, "Material number out of range."},
      {"material list without materials", kHeader + "Frame A { Mesh { " + tri + "1; 3;0,1,2;; MeshMaterialList { 0; 1; 0;; } } }",
       RecordingLogger::kError, "MeshLoader::ProcessMeshMaterialList: MaterialList with 0 materials -> ignoring block"},
      {"material list of other faces", kHeader + "Frame A { Mesh { " + tri + "1; 3;0,1,2;; MeshMaterialList { 1; 2; 0,0;; {M} } } }",
       RecordingLogger::kError, "Face count of MaterialList does not match face count of mesh."},
      {"coordinates of other vertices", kHeader + "Frame A { Mesh { " + tri + "1; 3;0,1,2;; MeshTextureCoords { 2; 0;0;, 1;1;; } } }",
       RecordingLogger::kError, "Invalid number of texture coordinates."},
      {"colours of other vertices", kHeader + "Frame A { Mesh { " + tri + "1; 3;0,1,2;; MeshVertexColors { 1; 0;1;1;1;1;;; } } }",
       RecordingLogger::kError, "Invalid number of vertex colors."},
      {"normals of other faces", kHeader + "Frame A { Mesh { " + tri + "1; 3;0,1,2;; MeshNormals { 2; 0;0;1;, 0;0;1;; 2; 3;0,0,0;, 3;1,1,1;; } } }",
       RecordingLogger::kError, "Normal count invalid."},
      {"normal index beyond normals", kHeader + "Frame A { Mesh { " + tri + "1; 3;0,1,2;; MeshNormals { 2; 0;0;1;, 0;0;1;; 1; 3;0,1,7;; } } }",
       RecordingLogger::kError, "Normal index out of range."},
      {"weights without header", kHeader + "Frame A { Mesh { " + tri + "1; 3;0,1,2;; SkinWeights { \"A\"; 0;; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } } }",
       RecordingLogger::kError, "MeshLoader::ProcessSkinWeights: Mesh has no SkinInfo"},
      {"weight on a missing vertex",
       kHeader + "Frame A { Mesh { " + tri + "1; 3;0,1,2;; XSkinMeshHeader { 1; 1; 1; } SkinWeights { \"A\"; 1; 9; 1.0; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } } }",
       RecordingLogger::kError, "Vertex index out of range."},
      {"mesh outside a frame", kHeader + "Mesh { " + tri + "1; 3;0,1,2;; }", RecordingLogger::kError,
       "No frame to put mesh in."},
      {"normals outside a mesh", kHeader + "Frame A { MeshNormals { 0;; 0;; } }", RecordingLogger::kError, "No Mesh."},
      {"texture outside a material", kHeader + "Frame A { TextureFilename { \"a.png\"; } }", RecordingLogger::kError,
       "No Material."},
      {"animation outside a set", kHeader + "Animation { }", RecordingLogger::kError, "No animation set."},
      {"key outside an animation", kHeader + "AnimationKey { 0; 0; }", RecordingLogger::kError, "No animation."},
      {"key of an unknown type", kHeader + "AnimationSet { Animation { AnimationKey { 3; 1; 0;1;1.0;;; } } }",
       RecordingLogger::kError, "Invalid animation key type."},
      {"huge key count", kHeader + "AnimationSet { Animation { AnimationKey { 2; 1000000000; 0;3;1,2,3;;; } } }",
       RecordingLogger::kError, "Invalid number of animation keys."},
      {"too many values", kHeader + "AnimationSet { Animation { AnimationKey { 2; 1; 0;4;1,2,3,4;;; } } }",
       RecordingLogger::kError, "Invalid anaimation data."},
      {"fourth track",
       kHeader + "AnimationSet { Animation { AnimationKey { 2; 1; 0;3;1,2,3;;; } AnimationKey { 2; 1; 0;3;1,2,3;;; } "
                 "AnimationKey { 2; 1; 0;3;1,2,3;;; } AnimationKey { 2; 1; 0;3;1,2,3;;; } } }",
       RecordingLogger::kError, "AnimationKey limit exceeded."},
      {"lone slash", kHeader + "Frame A { / }", RecordingLogger::kWriteLine, "Error processing x file."},
      {"unknown reference", kHeader + "Frame A { { Nope } }", RecordingLogger::kWarning, "Entity: \"Nope\" not found."},
      {"binary after the header", kHeader + std::string("\x01\x00\xff{\x7f}\x00\x80{{", 11), RecordingLogger::kWarning,
       std::string("Unknown block: \"\x01\x00\xff\"", 20)},
      {"deep nesting", kHeader + [] {
         std::string deep;
         for (int i = 0; i < 2000; ++i) deep += "Frame {";
         return deep;
       }(),
       RecordingLogger::kError, "Blocks nested too deeply."},
  };
  int file = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    log.entries.clear();
    MeshPtr mesh = Load(Write("bad" + std::to_string(file++) + ".x", c.text));
    ASSERT_NE(mesh, nullptr);
    EXPECT_TRUE(Logged(c.op, c.line));
    Describe(*mesh);
  }
}

TEST_F(MeshLoaderTest, RegisteredProcessorsReplaceAndExtend) {
  static int calls;
  calls = 0;
  MeshLoader loader(device.get());
  MeshLoader::Processor counter = [](XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent) -> MeshEntity* {
    ++calls;
    EXPECT_EQ(info.m_Name, "Ticks");
    MeshLoader::SkipRest(stream);
    return parent;
  };
  loader.RegisterTemplate("AnimTicksPerSecond", counter);
  EXPECT_TRUE(log.entries.empty());
  loader.RegisterTemplate("ANIMTICKSPERSECOND", counter);
  EXPECT_TRUE(Logged(RecordingLogger::kWriteLine,
                     "Warning: A mesh template processor for: \"animtickspersecond\" was already registered."));
  MeshPtr mesh(loader.FromXFile(Write("ticks.x", kHeader + "animTicksPerSecond Ticks { 4800; }\nFrame A {}\n")));
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(mesh->GetFrameRoot()->GetName(), "A");
}

TEST_F(MeshLoaderTest, TokenReaders) {
  std::string text = " 42;\n -7 ,1.5e2;# comment, with separators;\n  -0.25 ;+3;// more\n 2.5;99999999999;";
  XFileStream stream(text.data(), text.size());
  EXPECT_EQ(MeshLoader::ReadInt(stream), 42);
  EXPECT_EQ(MeshLoader::ReadInt(stream), -7);
  EXPECT_EQ(MeshLoader::ReadFloat(stream), 150.0f);
  EXPECT_EQ(MeshLoader::ReadFloat(stream), -0.25f);
  EXPECT_EQ(MeshLoader::ReadFloat(stream), 3.0f);
  EXPECT_EQ(MeshLoader::ReadFloat(stream), 2.5f);
  EXPECT_EQ(MeshLoader::ReadInt(stream), 0x7FFFFFFF);
  EXPECT_TRUE(stream.Eof());
  EXPECT_EQ(MeshLoader::ReadInt(stream), 0);

  std::string name = "\"tex.png\";rest";
  XFileStream names(name.data(), name.size());
  EXPECT_EQ(MeshLoader::ReadString(names, ';'), "\"tex.png\"");
  EXPECT_EQ(names.Peek(), 'r');
}

}  // namespace
