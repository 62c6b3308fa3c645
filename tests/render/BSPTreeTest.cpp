#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <morvane/BSPTree.h>
#include <morvane/Core.h>

#include "RecordingLogger.h"

namespace {

// --- The stored form, read back independently of the tree -----------------

struct StoredNode {
  float plane[4];
  uint32_t count, first, front, back;
};

struct StoredTree {
  uint32_t nodeCount = 0, triangleCount = 0;
  std::vector<uint32_t> indices;
  std::vector<StoredNode> nodes;
};

std::string WriteBytes(const BSPTree& tree) {
  FILE* file = std::tmpfile();
  tree.Write(file);
  std::string bytes(static_cast<size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  EXPECT_EQ(std::fread(&bytes[0], 1, bytes.size(), file), bytes.size());
  std::fclose(file);
  return bytes;
}

StoredTree Parse(const std::string& bytes) {
  StoredTree tree;
  std::memcpy(&tree.nodeCount, bytes.data(), 4);
  std::memcpy(&tree.triangleCount, bytes.data() + 4, 4);
  EXPECT_EQ(bytes.size(), 8u + 12u * tree.triangleCount + 32u * tree.nodeCount);
  tree.indices.resize(size_t(tree.triangleCount) * 3);
  std::memcpy(tree.indices.data(), bytes.data() + 8, tree.indices.size() * 4);
  tree.nodes.resize(tree.nodeCount);
  std::memcpy(tree.nodes.data(), bytes.data() + 8 + tree.indices.size() * 4, tree.nodes.size() * 32);
  return tree;
}

std::string StoredBytes(const std::vector<uint32_t>& indices, const std::vector<StoredNode>& nodes) {
  const uint32_t header[2] = {uint32_t(nodes.size()), uint32_t(indices.size() / 3)};
  std::string bytes(reinterpret_cast<const char*>(header), sizeof(header));
  bytes.append(reinterpret_cast<const char*>(indices.data()), indices.size() * 4);
  bytes.append(reinterpret_cast<const char*>(nodes.data()), nodes.size() * sizeof(StoredNode));
  return bytes;
}

std::unique_ptr<BSPTree> ReadBytes(const std::string& bytes) {
  FILE* file = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::rewind(file);
  std::unique_ptr<BSPTree> tree(BSPTree::Read(file));
  std::fclose(file);
  return tree;
}

// --- Geometry -------------------------------------------------------------

// Small triangles scattered through a cube, three vertices of their own each.
std::vector<DXVector3> Soup(unsigned int triangles, unsigned int seed, float scale = 10.0f) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> centre(-scale, scale), offset(-0.1f * scale, 0.1f * scale);
  std::vector<DXVector3> positions;
  for (unsigned int t = 0; t < triangles; ++t) {
    const DXVector3 c(centre(random), centre(random), centre(random));
    for (int k = 0; k < 3; ++k) positions.push_back(c + DXVector3(offset(random), offset(random), offset(random)));
  }
  return positions;
}

std::vector<uint32_t> Emit(const BSPTree& tree, unsigned int triangles, bool backToFront, const DXVector3& eye,
                           const DXMatrix* transform = nullptr) {
  DXMatrix identity;
  D3DXMatrixIdentity(&identity);
  std::vector<uint32_t> out(size_t(triangles) * 3, 0xDEADBEEF);
  tree.BuildIndexBuffer(out.data(), true, backToFront, eye, transform ? *transform : identity);
  return out;
}

std::vector<uint16_t> Emit16(const BSPTree& tree, unsigned int triangles, bool backToFront, const DXVector3& eye) {
  DXMatrix identity;
  D3DXMatrixIdentity(&identity);
  std::vector<uint16_t> out(size_t(triangles) * 3 + 1, 0xBEEF);
  tree.BuildIndexBuffer(out.data(), false, backToFront, eye, identity);
  EXPECT_EQ(out.back(), 0xBEEF) << "wrote past the indices";
  out.pop_back();
  return out;
}

// The triangles of a soup (vertices 3i, 3i+1, 3i+2) in the order emitted;
// each must come exactly once, with its corners in their order.
std::vector<unsigned int> TriangleOrder(const std::vector<uint32_t>& out, unsigned int triangles) {
  std::vector<unsigned int> order;
  std::vector<bool> seen(triangles, false);
  for (size_t k = 0; k + 2 < out.size(); k += 3) {
    const unsigned int t = out[k] / 3;
    EXPECT_LT(t, triangles);
    if (t >= triangles) break;
    EXPECT_EQ(out[k], 3 * t);
    EXPECT_EQ(out[k + 1], 3 * t + 1);
    EXPECT_EQ(out[k + 2], 3 * t + 2);
    EXPECT_FALSE(seen[t]) << "triangle " << t << " emitted twice";
    seen[t] = true;
    order.push_back(t);
  }
  EXPECT_EQ(order.size(), triangles);
  return order;
}

float Distance(const float plane[4], const DXVector3& p) {
  return ((plane[0] * p.x + plane[1] * p.y) + plane[2] * p.z) + plane[3];
}

// The soup triangles held by node n and by its whole subtree.
void Collect(const StoredTree& tree, uint32_t n, std::vector<unsigned int>& out) {
  if (n >= tree.nodeCount) return;
  const StoredNode& node = tree.nodes[n];
  for (uint32_t k = 0; k < node.count; ++k) out.push_back(tree.indices[node.first + 3 * k] / 3);
  Collect(tree, node.front, out);
  Collect(tree, node.back, out);
}

// For every node: its front subtree lies in front of its plane, its back
// subtree behind; and for an eye off the plane, back to front emits the far
// subtree, then the node's own triangles, then the near subtree (front to
// back the reverse).
void ExpectOrderedBySplitters(const StoredTree& tree, const std::vector<DXVector3>& positions, const DXVector3& eye,
                              bool backToFront, const std::vector<unsigned int>& order) {
  std::vector<size_t> rank(order.size());
  for (size_t i = 0; i < order.size(); ++i) rank[order[i]] = i;
  for (uint32_t n = 0; n < tree.nodeCount; ++n) {
    const StoredNode& node = tree.nodes[n];
    std::vector<unsigned int> own, front, back;
    for (uint32_t k = 0; k < node.count; ++k) own.push_back(tree.indices[node.first + 3 * k] / 3);
    Collect(tree, node.front, front);
    Collect(tree, node.back, back);
    for (unsigned int t : front)
      for (int c = 0; c < 3; ++c) ASSERT_GE(Distance(node.plane, positions[3 * t + c]), -1e-3f) << "node " << n;
    for (unsigned int t : back)
      for (int c = 0; c < 3; ++c) ASSERT_LE(Distance(node.plane, positions[3 * t + c]), 1e-3f) << "node " << n;

    const float side = Distance(node.plane, eye);
    if (side == 0.0f) continue;
    const bool eyeInFront = side > 0.0f;
    const std::vector<unsigned int>& first = (eyeInFront == backToFront) ? back : front;
    const std::vector<unsigned int>& last = (eyeInFront == backToFront) ? front : back;
    size_t firstMax = 0, ownMin = SIZE_MAX, ownMax = 0, lastMin = SIZE_MAX;
    for (unsigned int t : first) firstMax = std::max(firstMax, rank[t]);
    for (unsigned int t : own) {
      ownMin = std::min(ownMin, rank[t]);
      ownMax = std::max(ownMax, rank[t]);
    }
    for (unsigned int t : last) lastMin = std::min(lastMin, rank[t]);
    if (!first.empty() && !own.empty()) {
      ASSERT_LT(firstMax, ownMin) << "node " << n;
    }
    if (!own.empty() && !last.empty()) {
      ASSERT_LT(ownMax, lastMin) << "node " << n;
    }
    if (!first.empty() && !last.empty()) {
      ASSERT_LT(firstMax, lastMin) << "node " << n;
    }
  }
}

}  // namespace

TEST(BSPTree, SmallInputsStayOneNode) {
  // One triangle: one node, no children, its three indices out.
  const DXVector3 one[3] = {DXVector3(0, 0, 0), DXVector3(1, 0, 0), DXVector3(0, 1, 0)};
  const uint32_t oneIndices[3] = {2, 0, 1};
  BSPTree single(one, sizeof(DXVector3), oneIndices, true, 1);
  StoredTree stored = Parse(WriteBytes(single));
  ASSERT_EQ(stored.nodeCount, 1u);
  EXPECT_EQ(stored.nodes[0].count, 1u);
  EXPECT_GE(stored.nodes[0].front, 1u);
  EXPECT_GE(stored.nodes[0].back, 1u);
  EXPECT_EQ(Emit(single, 1, true, DXVector3(0, 0, -5)), std::vector<uint32_t>({2, 0, 1}));

  // Two parallel triangles: a node needs a front and a back triangle besides its splitter.
  const std::vector<DXVector3> two = {DXVector3(1, 1, 0), DXVector3(0, 1, 0), DXVector3(1, 0, 0),
                                      DXVector3(1, 1, 5), DXVector3(0, 1, 5), DXVector3(1, 0, 5)};
  BSPTree pair(two.data(), sizeof(DXVector3), nullptr, false, 2);
  EXPECT_EQ(Parse(WriteBytes(pair)).nodeCount, 1u);

  // Triangles all in one plane: one node, emitted in the order given.
  std::vector<DXVector3> flat;
  for (int t = 0; t < 6; ++t) {
    const float x = float(t * 3);
    flat.insert(flat.end(), {DXVector3(x + 1, 1, 2), DXVector3(x, 1, 2), DXVector3(x + 1, 0, 2)});
  }
  BSPTree plane(flat.data(), sizeof(DXVector3), nullptr, false, 6);
  EXPECT_EQ(Parse(WriteBytes(plane)).nodeCount, 1u);
  for (const DXVector3& eye : {DXVector3(0, 0, -3), DXVector3(4, 4, 9)})
    for (bool backToFront : {true, false})
      EXPECT_EQ(TriangleOrder(Emit(plane, 6, backToFront, eye), 6), std::vector<unsigned int>({0, 1, 2, 3, 4, 5}));

  // No triangles: nothing stored, nothing written.
  BSPTree empty(nullptr, sizeof(DXVector3), nullptr, false, 0);
  EXPECT_EQ(WriteBytes(empty), std::string(8, '\0'));
  DXMatrix identity;
  D3DXMatrixIdentity(&identity);
  empty.BuildIndexBuffer(nullptr, true, true, DXVector3(0, 0, 0), identity);
  EXPECT_EQ(single.Intersect(DXVector3(0, 0, -1), DXVector3(0, 0, 1), identity), -1);
}

TEST(BSPTree, OrdersFollowTheSplittingPlanes) {
  const unsigned int count = 400;
  const std::vector<DXVector3> positions = Soup(count, 1);
  BSPTree tree(positions.data(), sizeof(DXVector3), nullptr, false, count);
  const StoredTree stored = Parse(WriteBytes(tree));
  ASSERT_GT(stored.nodeCount, 20u);
  ASSERT_LE(stored.nodeCount, count);

  std::mt19937 random(2);
  std::uniform_real_distribution<float> coordinate(-25, 25);
  for (int e = 0; e < 12; ++e) {
    const DXVector3 eye(coordinate(random), coordinate(random), coordinate(random));
    for (bool backToFront : {true, false}) {
      SCOPED_TRACE(::testing::Message() << "eye " << e << (backToFront ? " back to front" : " front to back"));
      const std::vector<unsigned int> order = TriangleOrder(Emit(tree, count, backToFront, eye), count);
      ExpectOrderedBySplitters(stored, positions, eye, backToFront, order);
    }
  }
}

TEST(BSPTree, EyeIsTakenIntoMeshSpaceByTheTransform) {
  const unsigned int count = 200;
  const std::vector<DXVector3> positions = Soup(count, 4);
  BSPTree tree(positions.data(), sizeof(DXVector3), nullptr, false, count);
  DXMatrix toMesh;
  D3DXMatrixTranslation(&toMesh, 30, -5, 2);
  const DXVector3 worldEye(-12, 8, 1), meshEye(18, 3, 3);
  EXPECT_EQ(Emit(tree, count, true, worldEye, &toMesh), Emit(tree, count, true, meshEye));
}

TEST(BSPTree, IndexSourcesAndStridesGiveTheSameTree) {
  const unsigned int count = 300;
  const std::vector<DXVector3> soup = Soup(count, 5);
  // The same triangles behind a shuffled index buffer, in a padded vertex format.
  struct Vertex {
    DXVector3 position;
    float extra[2];
  };
  std::vector<unsigned int> slot(soup.size());
  for (unsigned int i = 0; i < slot.size(); ++i) slot[i] = i;
  std::shuffle(slot.begin(), slot.end(), std::mt19937(6));
  std::vector<Vertex> vertices(soup.size());
  std::vector<uint32_t> indices32(soup.size());
  std::vector<uint16_t> indices16(soup.size());
  for (unsigned int i = 0; i < soup.size(); ++i) {
    vertices[slot[i]] = {soup[i], {-1.0f, -2.0f}};
    indices32[i] = slot[i];
    indices16[i] = static_cast<uint16_t>(slot[i]);
  }
  BSPTree wide(vertices.data(), sizeof(Vertex), indices32.data(), true, count);
  BSPTree narrow(vertices.data(), sizeof(Vertex), indices16.data(), false, count);
  EXPECT_EQ(WriteBytes(wide), WriteBytes(narrow));

  // Only the index values differ from the tree over the soup itself.
  BSPTree plain(soup.data(), sizeof(DXVector3), nullptr, false, count);
  const DXVector3 eye(3, -20, 7);
  std::vector<uint32_t> mapped = Emit(plain, count, true, eye);
  for (uint32_t& index : mapped) index = slot[index];
  EXPECT_EQ(Emit(wide, count, true, eye), mapped);
}

TEST(BSPTree, NarrowOutputKeepsTheLowSixteenBits) {
  const unsigned int count = 25000;  // vertices up to 74999
  const std::vector<DXVector3> positions = Soup(count, 7, 100.0f);
  BSPTree tree(positions.data(), sizeof(DXVector3), nullptr, false, count);
  for (bool backToFront : {true, false}) {
    const std::vector<uint32_t> wide = Emit(tree, count, backToFront, DXVector3(150, 20, -40));
    const std::vector<uint16_t> narrow = Emit16(tree, count, backToFront, DXVector3(150, 20, -40));
    ASSERT_EQ(narrow.size(), wide.size());
    EXPECT_GT(*std::max_element(wide.begin(), wide.end()), 65535u);
    for (size_t i = 0; i < wide.size(); ++i) ASSERT_EQ(narrow[i], static_cast<uint16_t>(wide[i])) << i;
  }
}

TEST(BSPTree, SplitterCandidatesFollowTheSequence) {
  // Only triangles 25 and 26 qualify as splitters (both edge sums positive;
  // the others fail on the first sum or on the second).
  // Triangle 25's plane z = 0 would halve the rest; triangle 26's plane x = 5
  // leaves everything on one side. The candidates run 0, 1, 2, 3, 5, 7, 10,
  // 14, 19, 26, 35, so 25 is never tried and the root takes x = 5.
  std::vector<DXVector3> positions;
  for (int t = 0; t < 40; ++t) {
    if (t == 25) {
      positions.insert(positions.end(), {DXVector3(0.5f, 0.5f, 0), DXVector3(0.4f, 0.5f, 0), DXVector3(0.5f, 0.4f, 0)});
    } else if (t == 26) {
      positions.insert(positions.end(), {DXVector3(5, 0.5f, 0.5f), DXVector3(5, 0.4f, 0.5f), DXVector3(5, 0.5f, 0.4f)});
    } else {
      const DXVector3 p(0.5f, 0.5f, (t % 2 ? 1.0f : -1.0f) * float(1 + t));
      const float edge = t % 4 < 2 ? 0.1f : -0.1f;
      positions.insert(positions.end(), {p, p + DXVector3(edge, 0, 0), p + DXVector3(0, 0.1f, 0)});
    }
  }
  BSPTree tree(positions.data(), sizeof(DXVector3), nullptr, false, 40);
  const StoredTree stored = Parse(WriteBytes(tree));
  const float* plane = stored.nodes[0].plane;
  EXPECT_FLOAT_EQ(std::fabs(plane[0]), 1.0f);
  EXPECT_EQ(plane[1], 0.0f);
  EXPECT_EQ(plane[2], 0.0f);
  EXPECT_FLOAT_EQ(plane[3], -5.0f * plane[0]);

  // Triangles 0 (plane z = 0) and 1 (plane x = 0) both leave three
  // triangles on one side and two on the other: the first candidate wins.
  const std::vector<DXVector3> tie = {
      DXVector3(10.5f, 0.5f, 0), DXVector3(10.4f, 0.5f, 0), DXVector3(10.5f, 0.4f, 0),
      DXVector3(0, 0.5f, 10.5f), DXVector3(0, 0.4f, 10.5f), DXVector3(0, 0.5f, 10.4f),
      DXVector3(5, 0, 5),        DXVector3(5.1f, 0, 5),     DXVector3(5, 0.1f, 5),
      DXVector3(-5, 0, -5),      DXVector3(-4.9f, 0, -5),   DXVector3(-5, 0.1f, -5),
      DXVector3(5, 0, -5),       DXVector3(5.1f, 0, -5),    DXVector3(5, 0.1f, -5),
      DXVector3(-5, 0, 5),       DXVector3(-4.9f, 0, 5),    DXVector3(-5, 0.1f, 5)};
  BSPTree tied(tie.data(), sizeof(DXVector3), nullptr, false, 6);
  const StoredTree tiedStored = Parse(WriteBytes(tied));
  const float* root = tiedStored.nodes[0].plane;
  EXPECT_EQ(root[0], 0.0f);
  EXPECT_EQ(root[1], 0.0f);
  EXPECT_FLOAT_EQ(std::fabs(root[2]), 1.0f);
}

TEST(BSPTree, PlaneToleranceAndEyeInThePlane) {
  // Triangle 0 (plane z = 0) is the only qualifying splitter. Triangle 1 lies
  // within 0.0001 of that plane and stays with it; triangle 4, 0.0002 off it,
  // goes to a child like triangles 2 and 3.
  const float in = 0.00005f, off = 0.0002f;
  const std::vector<DXVector3> positions = {
      DXVector3(0.5f, 0.5f, 0), DXVector3(0.4f, 0.5f, 0), DXVector3(0.5f, 0.4f, 0),
      DXVector3(2, 2, in),      DXVector3(2.1f, 2, -in),  DXVector3(2, 2.1f, in),
      DXVector3(1, 1, 5),       DXVector3(1.1f, 1, 5),    DXVector3(1, 1.1f, 5),
      DXVector3(1, 1, -5),      DXVector3(1.1f, 1, -5),   DXVector3(1, 1.1f, -5),
      DXVector3(3, 3, off),     DXVector3(3.1f, 3, off),  DXVector3(3, 3.1f, off)};
  BSPTree tree(positions.data(), sizeof(DXVector3), nullptr, false, 5);
  const StoredTree stored = Parse(WriteBytes(tree));
  ASSERT_EQ(stored.nodeCount, 3u);
  const StoredNode& root = stored.nodes[0];
  EXPECT_EQ(root.count, 2u);
  EXPECT_EQ(stored.indices[root.first], 0u);
  EXPECT_EQ(stored.indices[root.first + 3], 3u);

  // An eye in the root's plane takes the front side first in both orders.
  const bool positiveZIsFront = root.plane[2] > 0;
  const unsigned int frontFirst = positiveZIsFront ? 2 : 3;
  for (bool backToFront : {true, false}) {
    const std::vector<unsigned int> order = TriangleOrder(Emit(tree, 5, backToFront, DXVector3(3, -7, 0)), 5);
    EXPECT_EQ(order.front(), frontFirst);
  }
}

TEST(BSPTree, HugeCoordinatesStayWithinTheNodeArray) {
  // Far from the origin a splitter's own vertices fall outside the plane
  // tolerance, nodes can be left without triangles, and unchecked splitting
  // would need more nodes than triangles (it does for many of these soups).
  unsigned int emptyNodes = 0;
  for (unsigned int seed = 0; seed < 300; ++seed) {
    const unsigned int count = 6 + seed % 5;
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> centre(-1.0e4f, 1.0e4f), offset(-100.0f, 100.0f);
    std::vector<DXVector3> positions;
    for (unsigned int i = 0; i < 3 * count; i += 3) {
      const DXVector3 c(centre(random), centre(random), centre(random));
      for (int k = 0; k < 3; ++k) positions.push_back(c + DXVector3(offset(random), offset(random), offset(random)));
    }
    BSPTree tree(positions.data(), sizeof(DXVector3), nullptr, false, count);
    const StoredTree stored = Parse(WriteBytes(tree));
    ASSERT_LE(stored.nodeCount, count) << "seed " << seed;
    for (const StoredNode& node : stored.nodes) emptyNodes += node.count == 0;
    TriangleOrder(Emit(tree, count, true, DXVector3(0, 0, 3.0e4f)), count);
  }
  EXPECT_GT(emptyNodes, 0u);
}

class BSPTreeReadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Core::Init();
    // A small valid tree to damage: root with a front and a back child.
    const std::vector<DXVector3> positions = Soup(60, 10);
    BSPTree tree(positions.data(), sizeof(DXVector3), nullptr, false, 60);
    m_Bytes = WriteBytes(tree);
    m_Stored = Parse(m_Bytes);
    ASSERT_GE(m_Stored.nodeCount, 3u);
  }
  void TearDown() override { Core::Cleanup(); }

  // The byte offset of field (0 plane a .. 4 count, 5 first, 6 front, 7 back) of node n.
  size_t FieldOffset(uint32_t n, int field) const {
    return 8 + 12 * size_t(m_Stored.triangleCount) + 32 * size_t(n) + 4 * size_t(field);
  }
  std::string With(size_t offset, uint32_t value) const {
    std::string bytes = m_Bytes;
    std::memcpy(&bytes[offset], &value, 4);
    return bytes;
  }

  std::string m_Bytes;
  StoredTree m_Stored;
};

TEST_F(BSPTreeReadTest, WrittenTreeReadsBackTheSame) {
  const unsigned int count = 500;
  const std::vector<DXVector3> positions = Soup(count, 9);
  BSPTree built(positions.data(), sizeof(DXVector3), nullptr, false, count);
  const std::string bytes = WriteBytes(built);
  const std::unique_ptr<BSPTree> read = ReadBytes(bytes);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(WriteBytes(*read), bytes);
  for (const DXVector3& eye : {DXVector3(0, 0, 0), DXVector3(-30, 4, 12), DXVector3(9, 9, -40)})
    for (bool backToFront : {true, false}) {
      EXPECT_EQ(Emit(*read, count, backToFront, eye), Emit(built, count, backToFront, eye));
      EXPECT_EQ(Emit16(*read, count, backToFront, eye), Emit16(built, count, backToFront, eye));
    }

  // Inside a larger file: read from the stream's position, which ends after the tree.
  FILE* file = std::tmpfile();
  std::fwrite("prefix", 1, 6, file);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fwrite("suffix", 1, 6, file);
  std::fseek(file, 6, SEEK_SET);
  const std::unique_ptr<BSPTree> embedded(BSPTree::Read(file));
  ASSERT_NE(embedded, nullptr);
  EXPECT_EQ(std::ftell(file), long(6 + bytes.size()));
  std::fclose(file);
  EXPECT_EQ(WriteBytes(*embedded), bytes);
}

TEST_F(BSPTreeReadTest, ShortOrLyingDataIsRefused) {
  const uint32_t root = 0, front = m_Stored.nodes[0].front;
  struct Case {
    const char* name;
    std::string bytes;
    const char* error;
  };
  const char* truncated = "BSP tree: the data is truncated.";
  const char* inconsistent = "BSP tree: the data is inconsistent.";
  const Case cases[] = {
      {"empty", std::string(), truncated},
      {"half a header", m_Bytes.substr(0, 6), truncated},
      {"header only", m_Bytes.substr(0, 8), truncated},
      {"one byte short", m_Bytes.substr(0, m_Bytes.size() - 1), truncated},
      {"node count beyond the data", With(0, m_Stored.nodeCount + 1), truncated},
      {"huge node count", With(0, 0xFFFFFFFFu), truncated},
      {"huge triangle count", With(4, 0xFFFFFFFFu), truncated},
      {"child links back to the root", With(FieldOffset(front, 6), 0), inconsistent},
      {"child with two parents", With(FieldOffset(front, 6), m_Stored.nodes[0].back), inconsistent},
      {"one empty child on both sides",
       StoredBytes({0, 1, 2}, {{{0, 0, 1, 0}, 1, 0, 1, 1}, {{0, 0, 1, 0}, 0, 0, 2, 2}}), inconsistent},
      {"first index beyond the indices", With(FieldOffset(root, 5), 3 * m_Stored.triangleCount), inconsistent},
      {"count overflowing the index range", With(FieldOffset(root, 4), 0x55555556u), inconsistent},
      {"first index wrapping around", With(FieldOffset(root, 5), 0xFFFFFFFEu), inconsistent},
      {"subtree cut off", With(FieldOffset(root, 6), m_Stored.nodeCount + 7), inconsistent},
      {"triangles counted twice", With(FieldOffset(root, 4), m_Stored.nodes[0].count + 1), inconsistent},
  };
  for (const Case& c : cases) {
    ScopedRecordingLogger log;
    EXPECT_EQ(ReadBytes(c.bytes), nullptr) << c.name;
    EXPECT_EQ(log.Texts(RecordingLogger::kError), std::vector<std::string>({c.error})) << c.name;
  }

  // A child number not below the node count is no child.
  const std::unique_ptr<BSPTree> single = ReadBytes(StoredBytes({0, 1, 2}, {{{0, 0, 1, 0}, 1, 0, 0xFFFFFFFFu, 1}}));
  ASSERT_NE(single, nullptr);
  EXPECT_EQ(Emit(*single, 1, true, DXVector3(0, 0, 0)), std::vector<uint32_t>({0, 1, 2}));
}

TEST_F(BSPTreeReadTest, UnseekableStreamIsRefused) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(write(fds[1], m_Bytes.data(), m_Bytes.size()), ssize_t(m_Bytes.size()));
  close(fds[1]);
  FILE* stream = fdopen(fds[0], "rb");
  ScopedRecordingLogger log;
  EXPECT_EQ(BSPTree::Read(stream), nullptr);
  EXPECT_TRUE(log.Contains(RecordingLogger::kError, "BSP tree: the stream cannot be measured."));
  std::fclose(stream);
}
