#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "DeviceFixture.h"
#include "MeshBuilders.h"
#include "MeshTestSupport.h"

namespace {

class MeshEntityTest : public DeviceFixture {
 protected:
  void SetUp() override {
    DeviceFixture::SetUp();
    mesh.reset(new TestMesh(device.get(), dir.File("model.x")));
  }
  void TearDown() override {
    mesh.reset();
    DeviceFixture::TearDown();
  }
  MeshMaterial* Material(const char* name) {
    MeshMaterial* material = new MeshMaterial(mesh.get(), name);
    std::memset(material->m_Diffuse, 0, sizeof(material->m_Diffuse));
    material->m_Power = 1.0f;
    return material;
  }
  // A key track with the given times, every value v at time t being t / 10.
  template <typename Key>
  Key* Track(const char* name, std::vector<unsigned int> times) {
    Key* key = new Key(mesh.get(), name);
    unsigned int* t = new unsigned int[times.size()];
    float* data = new float[times.size() * key->FloatsPerKey()];
    for (size_t i = 0; i < times.size(); ++i) {
      t[i] = times[i];
      for (unsigned int f = 0; f < key->FloatsPerKey(); ++f) data[i * key->FloatsPerKey() + f] = times[i] / 10.0f;
    }
    key->SetKeys(static_cast<unsigned int>(times.size()), t, data);
    return key;
  }

  TempDir dir;
  std::unique_ptr<TestMesh> mesh;
};

TEST_F(MeshEntityTest, ReferenceCountsAndRegistry) {
  MeshFrame* frame = new MeshFrame(mesh.get(), "F");
  EXPECT_EQ(frame->GetRefCount(), 1);
  EXPECT_EQ(mesh->GetEntity("F"), frame);
  frame->IncRefCount();
  frame->Release();
  EXPECT_EQ(frame->GetRefCount(), 1);
  EXPECT_TRUE(mesh->HasEntity("F"));
  frame->Release();
  EXPECT_FALSE(mesh->HasEntity("F"));
  EXPECT_EQ(mesh->GetFrameCount(), 0u);
  EXPECT_TRUE(log.entries.empty());

  EXPECT_EQ(mesh->GetEntity("F"), nullptr);
  EXPECT_EQ(log.entries, (std::vector<RecordingLogger::Entry>{{RecordingLogger::kWarning, 4, "Entity: \"F\" not found."}}));

  // A second entity of one name replaces (and destroys) the first.
  log.entries.clear();
  Material("M");
  MeshMaterial* second = Material("M");
  EXPECT_EQ(mesh->GetEntity("M"), second);
  EXPECT_EQ(mesh->GetMaterialCount(), 1u);
  EXPECT_EQ(log.entries, (std::vector<RecordingLogger::Entry>{
                             {RecordingLogger::kWarning, 3, "XMesh::AddEntity: Entity (M) already exists; overwritten."}}));
}

TEST_F(MeshEntityTest, FrameReleasesItsGeometriesButNotItsChildren) {
  MeshFrame* parent = new MeshFrame(mesh.get(), "Parent");
  MeshFrame* child = new MeshFrame(mesh.get(), "Child");
  parent->SetFirstChild(child);
  child->SetParent(parent);
  MeshGeometry* shared = new MeshGeometry(mesh.get(), "Shared");
  shared->IncRefCount();  // placed at two frames
  parent->AddGeometry(shared);
  child->AddGeometry(shared);
  EXPECT_EQ(shared->GetInstanceCount(), 2u);
  EXPECT_EQ(shared->GetInstanceFrame(1), child);

  parent->Release();
  EXPECT_TRUE(mesh->HasEntity("Child"));
  EXPECT_EQ(shared->GetRefCount(), 1);
  child->Release();
  EXPECT_FALSE(mesh->HasEntity("Shared"));
  EXPECT_EQ(mesh->GetGeometryCount(), 0u);
}

TEST_F(MeshEntityTest, SetMeshContainerMaterialRules) {
  MeshGeometry* geometry = new MeshGeometry(mesh.get(), "G");
  std::unique_ptr<MeshContainer> strip(MakeStrip(2));
  MaterialAttribute* list = AddMaterials(*strip, 3, {0, 0, 1, 1});
  MeshMaterial* a = Material("A");
  MeshMaterial* b = Material("B");
  MeshMaterial* c = Material("C");
  list->GetValues()[0] = a;
  list->GetValues()[1] = b;
  list->GetValues()[2] = c;
  geometry->SetMeshContainer(strip.get());
  // Two subsets (material 2 is unused) but three values: the longer count wins.
  ASSERT_EQ(geometry->GetGeometry()->GetSubsetCount(), 2u);
  ASSERT_EQ(geometry->GetMaterialCount(), 3u);
  EXPECT_EQ(geometry->GetMaterial(0), a);
  EXPECT_EQ(geometry->GetMaterial(1), b);
  EXPECT_EQ(geometry->GetMaterial(2), c);
  EXPECT_EQ(a->GetRefCount(), 1);  // the list's reference passed on uncounted
  EXPECT_TRUE(log.Contains(RecordingLogger::kWarning, "MeshGeometry::SetMeshContainer: materialcount != subsetcount"));

  log.entries.clear();
  std::unique_ptr<MeshContainer> plain(MakeCube());
  a->IncRefCount();
  c->IncRefCount();
  geometry->SetMeshContainer(plain.get());
  EXPECT_EQ(a->GetRefCount(), 1);
  EXPECT_FALSE(mesh->HasEntity("B"));
  ASSERT_EQ(geometry->GetMaterialCount(), geometry->GetGeometry()->GetSubsetCount());
  EXPECT_EQ(geometry->GetMaterial(0), nullptr);
  EXPECT_EQ(log.entries, (std::vector<RecordingLogger::Entry>{
                             {RecordingLogger::kWarning, 3, "MeshGeometry::SetMeshContainer: no materials"}}));

  SingleAttribute<SkinInfo>* skin = new SingleAttribute<SkinInfo>(plain.get());
  skin->GetValue().m_BoneNames.push_back("Bone");
  plain->AddAttribute("SKININFO", skin);
  geometry->SetMeshContainer(plain.get());
  ASSERT_NE(geometry->GetSkinInfo(), nullptr);
  EXPECT_EQ(geometry->GetSkinInfo()->m_BoneNames[0], "Bone");

  geometry->SetMeshContainer(nullptr);
  EXPECT_EQ(geometry->GetGeometry(), nullptr);
  EXPECT_EQ(geometry->GetMaterialCount(), 0u);
  EXPECT_EQ(geometry->GetSkinInfo(), nullptr);
}

TEST_F(MeshEntityTest, KeyIndexBetweenTimes) {
  TranslationAnimationKey* key = Track<TranslationAnimationKey>("K", {0, 10, 20});
  const struct {
    float time, index;
  } cases[] = {{5, 0.5f}, {10, 1}, {15.5f, 1.55f}, {-3, 0}, {0, 0}, {20, 2}, {99, 2}, {19.9f, 1.99f}, {0.25f, 0.025f}};
  for (const auto& c : cases) EXPECT_FLOAT_EQ(key->GetKeyIndex(c.time), c.index) << c.time;
  EXPECT_EQ(key->GetMaxTime(), 20u);
  TranslationAnimationKey* empty = new TranslationAnimationKey(mesh.get(), "E");
  EXPECT_EQ(empty->GetKeyIndex(5), 0.0f);
  EXPECT_EQ(empty->GetMaxTime(), 0u);
  DXMatrix identity;
  D3DXMatrixIdentity(&identity);
  EXPECT_EQ(empty->GetTransform(0.5f), identity);
}

TEST_F(MeshEntityTest, TrackTransforms) {
  // Translation (0,0,0) at 0 and (10,0,0) at 10: 2.5 along x at 2.5.
  TranslationAnimationKey* move = new TranslationAnimationKey(mesh.get(), "Move");
  move->SetKeys(2, new unsigned int[2]{0, 10}, new float[6]{0, 0, 0, 10, 0, 0});
  DXMatrix m = move->GetTransform(move->GetKeyIndex(2.5f));
  EXPECT_FLOAT_EQ(m._41, 2.5f);
  EXPECT_FLOAT_EQ(m._42, 0.0f);

  // Two equal rotations give one matrix at every time; a quarter turn about
  // z is transposed: row vectors turn the other way than the plain matrix.
  const float s = std::sqrt(0.5f);
  RotationAnimationKey* turn = new RotationAnimationKey(mesh.get(), "Turn");
  turn->SetKeys(2, new unsigned int[2]{0, 10}, new float[8]{0, 0, s, s, 0, 0, s, s});
  DXMatrix first = turn->GetTransform(0), middle = turn->GetTransform(turn->GetKeyIndex(3));
  for (int i = 0; i < 16; ++i) EXPECT_NEAR((&first._11)[i], (&middle._11)[i], 1e-6f) << i;
  EXPECT_NEAR(first._12, -1.0f, 1e-6f);
  EXPECT_NEAR(first._21, 1.0f, 1e-6f);

  ScalingAnimationKey* grow = new ScalingAnimationKey(mesh.get(), "Grow");
  grow->SetKeys(2, new unsigned int[2]{0, 10}, new float[6]{1, 1, 1, 3, 5, 7});
  DXMatrix half = grow->GetTransform(0.5f);
  EXPECT_FLOAT_EQ(half._11, 2.0f);
  EXPECT_FLOAT_EQ(half._22, 3.0f);
  EXPECT_FLOAT_EQ(half._33, 4.0f);

  MatrixAnimationKey* blend = Track<MatrixAnimationKey>("Blend", {0, 10});
  EXPECT_FLOAT_EQ(blend->GetTransform(0.25f)._23, 0.25f);

  // Scaling, then translation, in the order of adding.
  Animation* animation = new Animation(mesh.get(), "A");
  DXMatrix identity;
  D3DXMatrixIdentity(&identity);
  EXPECT_EQ(animation->GetTransformation(5), identity);
  animation->AddAnimationKey(grow);
  animation->AddAnimationKey(move);
  DXMatrix both = animation->GetTransformation(5);
  EXPECT_FLOAT_EQ(both._11, 2.0f);
  EXPECT_FLOAT_EQ(both._41, 5.0f);
  animation->AddAnimationKey(turn);
  EXPECT_TRUE(log.entries.empty());
  animation->AddAnimationKey(blend);
  EXPECT_EQ(animation->GetKeyCount(), 3u);
  EXPECT_EQ(log.Texts(RecordingLogger::kError), std::vector<std::string>{"AnimationKey limit exceeded."});
  EXPECT_EQ(animation->GetMaxTime(), 10u);

  AnimationSet* set = new AnimationSet(mesh.get(), "S");
  set->AddAnimation(nullptr);
  set->AddAnimation(animation);
  EXPECT_EQ(set->GetAnimationCount(), 1u);
  EXPECT_EQ(set->GetMaxTime(), 10u);
  // The set releases its animation, which releases its three tracks; the
  // refused track stays with its creator.
  set->Release();
  EXPECT_FALSE(mesh->HasEntity("Move"));
  EXPECT_TRUE(mesh->HasEntity("Blend"));
}

TEST_F(MeshEntityTest, CleanupTearsTheModelDown) {
  MeshFrame* root = new MeshFrame(mesh.get(), "Root");
  mesh->SetFrameRoot(root);
  MeshFrame* child = new MeshFrame(mesh.get(), "Child");
  root->SetFirstChild(child);
  root->SetNextSibling(new MeshFrame(mesh.get(), "Sibling"));
  child->IncRefCount();  // held by an animation as well
  Animation* animation = new Animation(mesh.get(), "A");
  animation->SetFrame(child);
  (new AnimationSet(mesh.get(), "S"))->AddAnimation(animation);
  Material("Loose");
  mesh->Cleanup();
  EXPECT_EQ(mesh->GetFrameRoot(), nullptr);
  EXPECT_EQ(mesh->GetFrameCount(), 0u);
  EXPECT_EQ(mesh->GetAnimationSetCount(), 0u);
  EXPECT_EQ(mesh->GetMaterialCount(), 0u);
  EXPECT_FALSE(mesh->HasEntity("Child"));
  EXPECT_FALSE(mesh->HasEntity("Loose"));
}

TEST_F(MeshEntityTest, FrameRecordEndsWithTwoMarkers) {
  std::string source = dir.File("model.x");
  WriteFileBytes(source, "source");
  MeshFrame* root = new MeshFrame(mesh.get(), "R");
  mesh->SetFrameRoot(root);
  mesh->SaveBinary(source);
  std::string bytes = ReadFileBytes(source + ".bin");
  // Header, marker, name, transform, geometry count, two end markers.
  ASSERT_EQ(bytes.size(), 32u + 4 + 4 + 1 + 64 + 4 + 8);
  EXPECT_EQ(bytes[0], 13);
  long long size = 0;
  std::memcpy(&size, &bytes[16], 8);
  EXPECT_EQ(size, 6);
  unsigned int markers[3];
  std::memcpy(&markers[0], &bytes[32], 4);
  std::memcpy(&markers[1], &bytes[bytes.size() - 8], 8);
  EXPECT_EQ(markers[0], 0xC010A1EEu);
  EXPECT_EQ(markers[1], 0xFF1337FFu);
  EXPECT_EQ(markers[2], 0xFF1337FFu);

  // Without a source to stamp it, no cache is written.
  mesh->SaveBinary(dir.File("absent.x"));
  EXPECT_TRUE(ReadFileBytes(dir.File("absent.x.bin")).empty());
}

}  // namespace
