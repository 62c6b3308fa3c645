#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>

#include <morvane/Core.h>
#include <morvane/MeshContainer.h>

#include "MeshBuilders.h"
#include "RecordingLogger.h"

namespace {

typedef RecordingLogger::Entry Entry;
const float kPi = 3.14159265358979f;

class MeshContainerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Core::Init();
    log.reset(new ScopedRecordingLogger());
  }
  void TearDown() override {
    log.reset();
    Core::Cleanup();
  }
  std::unique_ptr<ScopedRecordingLogger> log;
};

void ExpectNear(const DXVector3& a, const DXVector3& b, float tolerance = 1e-5f) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

// The smallest enclosing sphere by trying every sphere through 1-4 points.
Sphere BruteForceSphere(const std::vector<DXVector3>& points) {
  auto sphereThrough = [](const std::vector<DXVector3>& p, Sphere& s) {
    DXVector3 c;
    if (p.size() == 1) {
      c = p[0];
    } else if (p.size() == 2) {
      c = (p[0] + p[1]) * 0.5f;
    } else if (p.size() == 3) {
      DXVector3 a = p[1] - p[0], b = p[2] - p[0], axb;
      D3DXVec3Cross(&axb, &a, &b);
      double d = 2.0 * D3DXVec3Dot(&axb, &axb);
      if (d < 1e-12) return false;
      DXVector3 t = b * D3DXVec3Dot(&a, &a) - a * D3DXVec3Dot(&b, &b), r;
      D3DXVec3Cross(&r, &t, &axb);
      c = p[0] + r * static_cast<float>(1.0 / d);
    } else {
      DXVector3 a = p[1] - p[0], b = p[2] - p[0], e = p[3] - p[0], bxe, exa, axb;
      D3DXVec3Cross(&bxe, &b, &e);
      D3DXVec3Cross(&exa, &e, &a);
      D3DXVec3Cross(&axb, &a, &b);
      double det = D3DXVec3Dot(&a, &bxe);
      if (std::fabs(det) < 1e-9) return false;
      c = p[0] + (bxe * D3DXVec3Dot(&a, &a) + exa * D3DXVec3Dot(&b, &b) + axb * D3DXVec3Dot(&e, &e)) *
                     static_cast<float>(1.0 / (2.0 * det));
    }
    DXVector3 d = p[0] - c;
    s.Center = c;
    s.Radius = D3DXVec3Length(&d);
    return true;
  };
  Sphere best;
  best.Radius = FLT_MAX;
  size_t n = points.size();
  for (size_t i = 0; i < n; ++i)
    for (size_t j = i; j < n; ++j)
      for (size_t k = j; k < n; ++k)
        for (size_t l = k; l < n; ++l) {
          std::vector<DXVector3> chosen = {points[i]};
          if (j != i) chosen.push_back(points[j]);
          if (k != j && chosen.size() == 2) chosen.push_back(points[k]);
          if (l != k && chosen.size() == 3) chosen.push_back(points[l]);
          Sphere s;
          if (!sphereThrough(chosen, s) || s.Radius >= best.Radius) continue;
          bool all = true;
          for (const DXVector3& p : points) {
            DXVector3 d = p - s.Center;
            all = all && D3DXVec3Length(&d) <= s.Radius * (1.0f + 1e-4f) + 1e-5f;
          }
          if (all) best = s;
        }
  return best;
}

}  // namespace

TEST_F(MeshContainerTest, AttributesAreOwnedReplacedRemovedAndDropped) {
  MeshContainer mesh(3, 1);
  mesh.AddAttribute("POSITION", new PerVertexAttribute<DXVector3>(&mesh));
  mesh.AddAttribute("NORMALS", new PerVertexAttribute<DXVector3>(&mesh));
  log->entries.clear();
  MeshAttribute* second = new PerVertexAttribute<DXVector3>(&mesh);
  mesh.AddAttribute("NORMALS", second);
  EXPECT_EQ(log->entries, (std::vector<Entry>{{RecordingLogger::kWrite, 4, "WARNING: Attribute \""},
                                               {RecordingLogger::kWrite, 4, "NORMALS"},
                                               {RecordingLogger::kWriteLine, 4, "\" overwritten."}}));
  EXPECT_EQ(mesh.GetAttribute("NORMALS"), second);

  log->entries.clear();
  mesh.AddAttribute("COLORS", nullptr);
  EXPECT_EQ(log->entries, (std::vector<Entry>{{RecordingLogger::kWarning, 4, "ERROR: pAttrib = NULL"}}));
  EXPECT_EQ(mesh.GetAttribute("COLORS"), nullptr);

  EXPECT_EQ(mesh.RemoveAttribute("MISSING"), nullptr);
  std::unique_ptr<MeshAttribute> removed(mesh.RemoveAttribute("NORMALS"));
  EXPECT_EQ(removed.get(), second);
  EXPECT_EQ(removed->m_pContainer, nullptr);
  EXPECT_EQ(mesh.GetAttribute("NORMALS"), nullptr);

  std::unique_ptr<MeshAttribute> kept(mesh.GetAttribute("POSITION"));
  mesh.DropAttributes();
  EXPECT_TRUE(mesh.GetAttributes().empty());
}

TEST_F(MeshContainerTest, AttributeKindsSizesAndDefaults) {
  MeshContainer mesh(5, 2);
  PerVertexAttribute<DXVector2> coords(&mesh);
  PerTriangleAttribute<DXVector3> faces(&mesh);
  PerTriangleIndexedAttribute<MeshMaterial*, unsigned short> materials(&mesh, 3);
  PerTriangleVertexIndexedAttribute<DXVector3, unsigned int> corners(&mesh, 7);
  SingleAttribute<StringEX> name(&mesh);
  EXPECT_EQ(coords.m_Kind, 3u);
  EXPECT_EQ(coords.m_Count, 5u);
  EXPECT_EQ(coords.m_ElementSize, 8u);
  EXPECT_EQ(faces.m_Kind, 1u);
  EXPECT_EQ(faces.m_Count, 2u);
  EXPECT_EQ(materials.m_Kind, 2u);
  EXPECT_EQ(materials.m_Count, 3u);
  EXPECT_EQ(materials.m_ElementSize, sizeof(MeshMaterial*));
  EXPECT_EQ(materials.GetIndexCount(), 2u);
  EXPECT_EQ(corners.m_Kind, 4u);
  EXPECT_EQ(corners.GetIndexCount(), 6u);
  EXPECT_EQ(name.m_Kind, 5u);
  EXPECT_EQ(name.m_Count, 1u);
  EXPECT_EQ(coords.m_SemanticIndex, -1);
  EXPECT_EQ(coords.m_Format, 0u);
  EXPECT_EQ(coords.m_pContainer, &mesh);
}

TEST_F(MeshContainerTest, VertexTriangleListChainsEveryCorner) {
  std::unique_ptr<MeshContainer> strip(MakeStrip(2));  // 6 vertices, 4 triangles
  std::unique_ptr<VertexTriangleRef<unsigned int>[]> list(strip->BuildVertexTriangleList());
  ASSERT_TRUE(list);
  // Vertex 2 is corner 2 of triangle 0, corner 2 of triangle 1 and corner 0 of triangle 2.
  std::vector<unsigned int> references;
  for (unsigned int e = 2; e != 0xFFFFFFFFu; e = list[e].next) references.push_back(list[e].reference);
  EXPECT_EQ(references, (std::vector<unsigned int>{(2u << 30) | 0, (2u << 30) | 1, (0u << 30) | 2}));
}

TEST_F(MeshContainerTest, UnreferencedVerticesAndBadIndicesStayInsideTheList) {
  MeshContainer mesh(100, 1);
  AddPositions(mesh, {});
  AddIndices(mesh, {{{99, 98, 1000}}});
  std::unique_ptr<VertexTriangleRef<unsigned int>[]> list(mesh.BuildVertexTriangleList());
  ASSERT_TRUE(list);
  EXPECT_EQ(list[99].reference, 0u);
  EXPECT_EQ(list[98].reference, 1u << 30);
  EXPECT_EQ(list[0].reference, 0xFFFFFFFFu);

  MeshContainer bad(3, 1);
  bad.SetIndices(new PerTriangleAttribute<DXVector3>(&bad));
  EXPECT_EQ(bad.BuildVertexTriangleList(), nullptr);
  EXPECT_TRUE(log->Contains(RecordingLogger::kError, "MeshContainer::BuildVertexTriangleList => Invalid indices format."));
}

TEST_F(MeshContainerTest, RollOutIsPartialUnlessAnotherPerTriangleAttributeExists) {
  std::unique_ptr<MeshContainer> strip(MakeStrip(2));
  std::unique_ptr<MeshContainer> partial(strip->RollOut());
  EXPECT_EQ(partial->GetVertexCount(), 6u);
  const IndexAttribute* copy = dynamic_cast<const IndexAttribute*>(partial->GetIndices());
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, strip->GetIndices());
  EXPECT_EQ((*copy)[3][1], 5u);

  strip->ComputeFaceNormals(0, true, true);
  log->entries.clear();
  std::unique_ptr<MeshContainer> full(strip->RollOut());
  EXPECT_EQ(full->GetVertexCount(), 12u);
  const IndexAttribute* indices = dynamic_cast<const IndexAttribute*>(full->GetIndices());
  ASSERT_NE(indices, nullptr);
  for (unsigned int t = 0; t < 4; ++t) {
    EXPECT_EQ((*indices)[t][0], 3 * t);
    EXPECT_EQ((*indices)[t][2], 3 * t + 2);
  }
  auto* positions = dynamic_cast<PerVertexAttribute<DXVector3>*>(full->GetAttribute("POSITION"));
  auto* normals = dynamic_cast<PerVertexAttribute<DXVector3>*>(full->GetAttribute("NORMALS"));
  ASSERT_TRUE(positions && normals);
  ExpectNear((*positions)[10], DXVector3(2, 1, 0));  // triangle 3, corner 1 = vertex 5
  ExpectNear((*normals)[11], DXVector3(0, 0, -1));
  EXPECT_EQ(normals->m_Semantic, "NORMAL");
  // The per-vertex clone of POSITION was replaced through AddAttribute.
  EXPECT_TRUE(log->Contains(RecordingLogger::kWrite, "POSITION"));

  MeshContainer noIndices(3, 1);
  AddPositions(noIndices, {});
  log->entries.clear();
  std::unique_ptr<MeshContainer> asIs(noIndices.RollOut());
  EXPECT_EQ(log->entries, (std::vector<Entry>{{RecordingLogger::kWriteLine, 0, "Error@RollOut: No indices!"}}));
  EXPECT_NE(asIs->GetAttribute("POSITION"), nullptr);
}

TEST_F(MeshContainerTest, CubeWithCornerNormalsSplitsInto24Vertices) {
  std::unique_ptr<MeshContainer> cube(MakeCube());
  cube->ComputeCreaseNormals(0.3f, 0, true, true);
  std::unique_ptr<MeshContainer> rolled(cube->RollOut());
  ASSERT_EQ(rolled->GetVertexCount(), 24u);
  auto* positions = dynamic_cast<PerVertexAttribute<DXVector3>*>(rolled->GetAttribute("POSITION"));
  auto* normals = dynamic_cast<PerVertexAttribute<DXVector3>*>(rolled->GetAttribute("NORMALS"));
  const IndexAttribute* indices = dynamic_cast<const IndexAttribute*>(rolled->GetIndices());
  ASSERT_TRUE(positions && normals && indices);
  // Every corner keeps its position and sees its face's outward normal.
  const IndexAttribute* original = dynamic_cast<const IndexAttribute*>(cube->GetIndices());
  auto* cubePositions = dynamic_cast<PerVertexAttribute<DXVector3>*>(cube->GetAttribute("POSITION"));
  for (unsigned int t = 0; t < 12; ++t) {
    for (unsigned int c = 0; c < 3; ++c) {
      unsigned int v = (*indices)[t][c];
      ASSERT_LT(v, 24u);
      ExpectNear((*positions)[v], (*cubePositions)[(*original)[t][c]]);
    }
    DXVector3 p0 = (*positions)[(*indices)[t][0]];
    DXVector3 centre = ((*positions)[(*indices)[t][1]] + (*positions)[(*indices)[t][2]]) * 0.5f;
    DXVector3 n = (*normals)[(*indices)[t][0]];
    EXPECT_GT(D3DXVec3Dot(&n, &p0), 0.9f);
    EXPECT_GT(D3DXVec3Dot(&n, &centre), 0.9f);
  }
}

TEST_F(MeshContainerTest, VertexOutsideThreeTimesTrianglesKeepsItsElements) {
  // 10 vertices, 1 triangle naming vertex 9: the clone must reach element 9.
  MeshContainer mesh(10, 1);
  std::vector<DXVector3> points(10, DXVector3(0, 0, 0));
  points[9] = DXVector3(9, 9, 9);
  AddPositions(mesh, points);
  AddIndices(mesh, {{{9, 8, 7}}});
  mesh.ComputeFaceNormals(0, true, true);
  std::unique_ptr<MeshContainer> rolled(mesh.RollOut());
  auto* positions = dynamic_cast<PerVertexAttribute<DXVector3>*>(rolled->GetAttribute("POSITION"));
  ASSERT_NE(positions, nullptr);
  ExpectNear((*positions)[0], DXVector3(9, 9, 9));
}

TEST_F(MeshContainerTest, FaceNormalsFollowWindingAndReportBadInput) {
  std::unique_ptr<MeshContainer> strip(MakeStrip(1));
  strip->ComputeFaceNormals(2, false, false);
  auto* normals = dynamic_cast<PerTriangleAttribute<DXVector3>*>(strip->GetAttribute("NORMALS"));
  ASSERT_NE(normals, nullptr);
  ExpectNear((*normals)[0], DXVector3(0, 0, 1));
  EXPECT_EQ(normals->m_SemanticIndex, 2);
  EXPECT_EQ(normals->m_Format, static_cast<unsigned int>(DXGI_FORMAT_R32G32B32_FLOAT));

  MeshContainer empty(3, 1);
  log->entries.clear();
  empty.ComputeFaceNormals(0, true, true);
  empty.ComputeCreaseNormals(0.3f, 0, true, true);
  EXPECT_EQ(log->Texts(RecordingLogger::kWriteLine),
            (std::vector<std::string>{"no vertices or triangles", "no vertices or triangles"}));

  MeshContainer wrongIndices(3, 1);
  AddPositions(wrongIndices, {});
  wrongIndices.SetIndices(new PerTriangleAttribute<DXVector3>(&wrongIndices));
  log->entries.clear();
  wrongIndices.ComputeFaceNormals(0, true, true);
  wrongIndices.ComputeCreaseNormals(0.3f, 0, true, true);
  EXPECT_EQ(log->entries, (std::vector<Entry>{{RecordingLogger::kWarning, 4, "ERROR: pAttrib = NULL"},
                                               {RecordingLogger::kWriteLine, 0, "invalid indices format"}}));

  MeshContainer wrongPositions(3, 1);
  wrongPositions.AddAttribute("POSITION", new PerVertexAttribute<DXVector2>(&wrongPositions));
  AddIndices(wrongPositions, {{{0, 1, 2}}});
  log->entries.clear();
  wrongPositions.ComputeFaceNormals(0, true, true);
  EXPECT_EQ(log->Texts(RecordingLogger::kWriteLine), (std::vector<std::string>{"invalid vertex format"}));
}

// Two triangles folded 90 degrees along the edge from vertex 0 to vertex 1:
// A = (0, 1, 2) in z = 0 with normal +z, B = (0, 3, 1) in y = 0 with normal +y.
TEST_F(MeshContainerTest, CreaseNormalsMatchHandComputedValues) {
  MeshContainer mesh(4, 2);
  AddPositions(mesh, {DXVector3(0, 0, 0), DXVector3(1, 0, 0), DXVector3(0, 1, 0), DXVector3(0, 0, 1)});
  AddIndices(mesh, {{{0, 1, 2}}, {{0, 3, 1}}});

  mesh.ComputeCreaseNormals(kPi / 2 + 0.1f, 1, true, false);
  auto* joined = dynamic_cast<PerTriangleVertexIndexedAttribute<DXVector3, unsigned short>*>(mesh.GetAttribute("NORMALS"));
  ASSERT_NE(joined, nullptr);
  EXPECT_EQ(joined->m_Count, 4u);
  EXPECT_EQ(joined->m_SemanticIndex, 1);
  const unsigned short* corner = joined->GetIndices();
  EXPECT_EQ(corner[0], corner[3]);  // vertex 0 in both triangles
  EXPECT_EQ(corner[1], corner[5]);  // vertex 1 in both triangles
  // Angle-weighted sums: at vertex 0 both faces have 90 degrees, at vertex 1 both 45.
  ExpectNear(joined->GetValues()[corner[0]], DXVector3(0, kPi / 2, kPi / 2));
  ExpectNear(joined->GetValues()[corner[1]], DXVector3(0, kPi / 4, kPi / 4));
  ExpectNear(joined->GetValues()[corner[2]], DXVector3(0, 0, kPi / 4));

  mesh.ComputeCreaseNormals(0.3f, 0, true, true);
  auto* split = dynamic_cast<PerTriangleVertexIndexedAttribute<DXVector3, unsigned short>*>(mesh.GetAttribute("NORMALS"));
  ASSERT_NE(split, nullptr);
  EXPECT_EQ(split->m_Count, 6u);
  ExpectNear(split->GetValues()[split->GetIndices()[0]], DXVector3(0, 0, 1));
  ExpectNear(split->GetValues()[split->GetIndices()[3]], DXVector3(0, 1, 0));
}

TEST_F(MeshContainerTest, CreaseAngleJoinsOnlyFacesWithinIt) {
  // Two triangles sharing the edge (0, 1), the second tilted by angle degrees.
  auto cornersShared = [](float degrees) {
    float a = degrees * kPi / 180.0f;
    MeshContainer mesh(4, 2);
    AddPositions(mesh, {DXVector3(0, 0, 0), DXVector3(1, 0, 0), DXVector3(0, 1, 0),
                        DXVector3(0, -std::cos(a), std::sin(a))});
    AddIndices(mesh, {{{0, 1, 2}}, {{1, 0, 3}}});
    mesh.ComputeCreaseNormals(0.3f, 0, true, true);
    auto* normals = dynamic_cast<PerTriangleVertexIndexedAttribute<DXVector3, unsigned short>*>(mesh.GetAttribute("NORMALS"));
    return normals && normals->m_Count == 4;
  };
  EXPECT_TRUE(cornersShared(17.0f));
  EXPECT_FALSE(cornersShared(17.4f));
}

TEST_F(MeshContainerTest, CreaseNormalsUse32BitCornerIndicesFrom0xFFFFCorners) {
  for (unsigned int columns : {21844u / 2, 21846u / 2}) {  // 21844 and 21846 triangles
    std::unique_ptr<MeshContainer> strip(MakeStrip(columns));
    strip->ComputeCreaseNormals(0.3f, 0, true, true);
    MeshAttribute* normals = strip->GetAttribute("NORMALS");
    typedef PerTriangleVertexIndexedAttribute<DXVector3, unsigned int> WideNormals;
    typedef PerTriangleVertexIndexedAttribute<DXVector3, unsigned short> NarrowNormals;
    bool wide = dynamic_cast<WideNormals*>(normals) != nullptr;
    bool narrow = dynamic_cast<NarrowNormals*>(normals) != nullptr;
    EXPECT_EQ(wide, 3 * strip->GetTriangleCount() >= 0xFFFF);
    EXPECT_NE(wide, narrow);
  }
  MeshContainer exact(3, 21845);
  AddPositions(exact, {DXVector3(0, 0, 0), DXVector3(1, 0, 0), DXVector3(0, 1, 0)});
  AddIndices(exact, std::vector<TriangleIndices<unsigned int>>(21845, {{0, 1, 2}}));
  exact.ComputeCreaseNormals(0.3f, 0, true, true);
  typedef PerTriangleVertexIndexedAttribute<DXVector3, unsigned int> WideNormals;
  EXPECT_NE(dynamic_cast<WideNormals*>(exact.GetAttribute("NORMALS")), nullptr);
}

TEST_F(MeshContainerTest, BoundsOfNothingOnePointAndTwoPoints) {
  MeshContainer none(0, 0);
  AddPositions(none, {});
  AABB emptyBox = none.ComputeBoundingBox();
  EXPECT_EQ(emptyBox.Min.x, FLT_MAX);
  EXPECT_EQ(emptyBox.Max.z, -FLT_MAX);
  EXPECT_EQ(none.ComputeBoundingSphere().Radius, -FLT_MAX);

  MeshContainer one(1, 0);
  AddPositions(one, {DXVector3(1, 2, 3)});
  Sphere point = one.ComputeBoundingSphere();
  ExpectNear(point.Center, DXVector3(1, 2, 3));
  EXPECT_EQ(point.Radius, 0.0f);

  MeshContainer two(2, 0);
  AddPositions(two, {DXVector3(1, 0, 0), DXVector3(5, 3, 0)});
  Sphere diameter = two.ComputeBoundingSphere();
  ExpectNear(diameter.Center, DXVector3(3, 1.5f, 0));
  EXPECT_NEAR(diameter.Radius, 2.5f, 1e-5f);
  AABB box = two.ComputeBoundingBox();
  ExpectNear(box.Min, DXVector3(1, 0, 0));
  ExpectNear(box.Max, DXVector3(5, 3, 0));
}

TEST_F(MeshContainerTest, SmallestSphereMatchesBruteForceOnRandomSets) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> coordinate(-10.0f, 10.0f);
  for (int set = 0; set < 40; ++set) {
    std::vector<DXVector3> points(3 + set % 10);
    for (DXVector3& p : points) p = DXVector3(coordinate(random), coordinate(random), coordinate(random));
    if (set % 4 == 0) {
      for (DXVector3& p : points) p.z = 0.0f;  // coplanar sets stress the degenerate cases
    }
    std::srand(set);
    Sphere fast = MeshContainer::ComputeSphere(points.data(), static_cast<unsigned int>(points.size()),
                                               MeshContainer::SPHERE_SMALLEST);
    Sphere exact = BruteForceSphere(points);
    EXPECT_NEAR(fast.Radius, exact.Radius, 1e-3f * exact.Radius) << "set " << set;
    for (const DXVector3& p : points) {
      DXVector3 d = p - fast.Center;
      EXPECT_LE(D3DXVec3Length(&d), fast.Radius * 1.0001f) << "set " << set;
    }
  }
}

TEST_F(MeshContainerTest, CheaperSphereMethodsEncloseEveryPoint) {
  std::vector<DXVector3> points = {DXVector3(0, 0, 0), DXVector3(4, 0, 0), DXVector3(0, 0, 0), DXVector3(0, 2, 0)};
  Sphere box = MeshContainer::ComputeSphere(points.data(), 4, MeshContainer::SPHERE_BOX_CENTER);
  ExpectNear(box.Center, DXVector3(2, 1, 0));
  EXPECT_NEAR(box.Radius, std::sqrt(5.0f), 1e-5f);
  Sphere mean = MeshContainer::ComputeSphere(points.data(), 4, MeshContainer::SPHERE_MEAN);
  ExpectNear(mean.Center, DXVector3(1, 0.5f, 0));
  EXPECT_NEAR(mean.Radius, std::sqrt(9.25f), 1e-5f);
}
