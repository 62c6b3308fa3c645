#include <morvane/BSPTree.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include <morvane/Core.h>

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the stored tree is read and written in host order");

namespace {

// A vertex closer to a plane than this counts as lying in it.
const float kPlaneTolerance = 0.0001f;
// A candidate splitter must pass this on both of its edge sums.
const float kEdgeSumMinimum = 0.00001f;
// Candidate splitters are sampled at positions i -> trunc((i + 1) * factor).
const double kCandidateStep = 1.3;

// Copies the low 16 bits of count indices. Blocks of eight let the compiler
// narrow them with vector instructions.
void NarrowIndices(uint16_t* out, const unsigned int* in, size_t count) {
  size_t i = 0;
  for (; i + 8 <= count; i += 8)
    for (size_t k = 0; k < 8; ++k) out[i + k] = static_cast<uint16_t>(in[i + k]);
  for (; i < count; ++i) out[i] = static_cast<uint16_t>(in[i]);
}

// The position of a vertex: three floats at the start of each stride bytes,
// not necessarily float-aligned.
DXVector3 GetPosition(const void* vertices, unsigned int stride, unsigned int index) {
  DXVector3 p;
  std::memcpy(&p, static_cast<const char*>(vertices) + size_t(index) * stride, sizeof(p));
  return p;
}

// The class of the triangle with these three corners against the plane.
// Local to this file, so that the inner loops of the build inline it.
BSPTree::BSPTRIANGLECLASS ClassifyTriangle(const DXPlane& plane, const DXVector3* corners) {
  int front = 0, behind = 0;
  for (int c = 0; c < 3; ++c) {
    const DXVector3& p = corners[c];
    const float distance = ((plane.a * p.x + plane.b * p.y) + plane.c * p.z) + plane.d;
    if (distance > kPlaneTolerance)
      ++front;
    else if (distance < -kPlaneTolerance)
      ++behind;
  }
  if (front > 0) return behind > 0 ? BSPTree::BSP_SPANNING : BSPTree::BSP_FRONT;
  return behind > 0 ? BSPTree::BSP_BACK : BSPTree::BSP_COPLANAR;
}

// One node record of the stored form.
struct StoredNode {
  float Plane[4];
  uint32_t TriangleCount;
  uint32_t FirstIndex;
  uint32_t Front;
  uint32_t Back;
};
static_assert(sizeof(StoredNode) == 32, "a stored node is 32 bytes");

}  // namespace

BSPTree::BSPTree()
    : m_TriangleCount(0),
      m_NodeCount(0),
      m_pNodes(nullptr),
      m_pIndices(nullptr),
      m_pScratch(nullptr),
      m_pCorners(nullptr),
      m_pVertices(nullptr),
      m_VertexStride(0) {}

BSPTree::BSPTree(const void* vertices, unsigned int stride, const void* indices, bool indices32,
                 unsigned int triangleCount)
    : BSPTree() {
  if (triangleCount == 0) return;
  const size_t indexCount = size_t(triangleCount) * 3;
  // Nodes are cleared as they are taken, so that capacity the tree never
  // uses is never touched.
  m_pNodes = new (std::nothrow) BSPTreeNode[triangleCount];
  m_pIndices = new (std::nothrow) unsigned int[indexCount];
  m_pScratch = new (std::nothrow) unsigned int[indexCount];
  m_pCorners = new (std::nothrow) DXVector3[indexCount];
  if (!m_pNodes || !m_pIndices || !m_pScratch || !m_pCorners) {
    Core::Log()->Error(StringEX("Out of memory building a BSP tree of ") + StringEX(int(triangleCount)) +
                       " triangles.");
    delete[] m_pNodes;
    delete[] m_pIndices;
    delete[] m_pScratch;
    delete[] m_pCorners;
    m_pNodes = nullptr;
    m_pIndices = nullptr;
    m_pScratch = nullptr;
    m_pCorners = nullptr;
    return;
  }
  m_TriangleCount = triangleCount;
  m_pVertices = vertices;
  m_VertexStride = stride;

  if (!indices) {
    for (size_t i = 0; i < indexCount; ++i) m_pIndices[i] = static_cast<unsigned int>(i);
  } else if (indices32) {
    std::memcpy(m_pIndices, indices, indexCount * sizeof(unsigned int));
  } else {
    const uint16_t* narrow = static_cast<const uint16_t*>(indices);
    for (size_t i = 0; i < indexCount; ++i) m_pIndices[i] = narrow[i];
  }

  BSPTreeNode* root = &m_pNodes[0];
  *root = BSPTreeNode();
  root->TriangleCount = triangleCount;
  root->Triangles = m_pIndices;
  m_NodeCount = 1;
  SplitNode(root);

  delete[] m_pScratch;
  delete[] m_pCorners;
  m_pScratch = nullptr;
  m_pCorners = nullptr;
  m_pVertices = nullptr;
}

BSPTree::~BSPTree() {
  delete[] m_pNodes;
  delete[] m_pIndices;
  delete[] m_pScratch;
  delete[] m_pCorners;
}

DXPlane BSPTree::FindSplitter(BSPTreeNode* node, unsigned int& front, unsigned int& back, unsigned int& spanning,
                              unsigned int& coplanar) {
  DXPlane result(0.0f, 0.0f, 0.0f, 0.0f);
  front = back = spanning = coplanar = 0;
  const unsigned int count = node->TriangleCount;
  // Every candidate plane is tested against all of the node's corners: gather
  // them once so that each test streams through memory instead of following
  // indices into the vertices.
  for (size_t i = 0; i < size_t(count) * 3; ++i)
    m_pCorners[i] = GetPosition(m_pVertices, m_VertexStride, node->Triangles[i]);

  unsigned int best = ~0u;
  // Sampling candidates along a geometric sequence instead of trying every
  // triangle keeps each node's search at O(k log k) for k triangles.
  for (unsigned int i = 0; i < count;) {
    const DXVector3* candidate = m_pCorners + size_t(i) * 3;
    const DXVector3& p0 = candidate[0];
    const DXVector3& p1 = candidate[1];
    const DXVector3& p2 = candidate[2];
    const DXVector3 e1 = p0 - p1, e2 = p0 - p2;
    const float s1 = e1.x + e1.y + e1.z;
    const float s2 = e2.x + e2.y + e2.z;
    if (s1 >= kEdgeSumMinimum && s2 >= kEdgeSumMinimum) {
      DXPlane plane;
      D3DXPlaneFromPoints(&plane, &p0, &p1, &p2);
      unsigned int counts[BSP_COPLANAR + 1] = {};
      for (unsigned int t = 0; t < count; ++t) ++counts[ClassifyTriangle(plane, m_pCorners + size_t(t) * 3)];
      const unsigned int f = counts[BSP_FRONT], b = counts[BSP_BACK];
      const unsigned int score = (f > b ? f - b : b - f) + 3 * counts[BSP_SPANNING];
      if (score < best) {
        best = score;
        result = plane;
        front = f;
        back = b;
        spanning = counts[BSP_SPANNING];
        coplanar = counts[BSP_COPLANAR];
      }
    }
    const double next = (i + 1.0) * kCandidateStep;
    if (next >= count) break;
    i = static_cast<unsigned int>(next);
  }
  return result;
}

void BSPTree::SplitNode(BSPTreeNode* node) {
  // Front subtrees first, depth first, so nodes are numbered as a recursion
  // on the front child would number them; the back children wait here, which
  // keeps deep trees off the call stack.
  std::vector<BSPTreeNode*> pending;
  for (;;) {
    bool split = false;
    if (node && node->TriangleCount >= 2) {
      unsigned int front, back, spanning, coplanar;
      node->Plane = FindSplitter(node, front, back, spanning, coplanar);
      const DXPlane& plane = node->Plane;
      const bool zeroPlane = plane.a == 0.0f && plane.b == 0.0f && plane.c == 0.0f && plane.d == 0.0f;
      // A node normally keeps at least its splitter's own triangle, so the
      // nodes cannot outnumber the triangles. With coordinates so large that
      // the splitter's vertices fall outside the tolerance of its own plane a
      // node can be left empty and that bound fails; such a node then stays a
      // leaf with its triangles in their given order. The tree remains valid,
      // and the node array keeps its one node per triangle.
      const bool roomForChildren = m_NodeCount + 2 <= m_TriangleCount;
      split = !zeroPlane && front != 0 && back != 0 && roomForChildren;
      if (split) {
        BSPTreeNode* frontChild = &m_pNodes[m_NodeCount++];
        BSPTreeNode* backChild = &m_pNodes[m_NodeCount++];
        *frontChild = BSPTreeNode();
        *backChild = BSPTreeNode();
        // The node's index range becomes [staying][front][back].
        frontChild->Triangles = node->Triangles + size_t(spanning + coplanar) * 3;
        backChild->Triangles = frontChild->Triangles + size_t(front) * 3;
        const unsigned int count = node->TriangleCount;
        std::memcpy(m_pScratch, node->Triangles, size_t(count) * 3 * sizeof(unsigned int));
        node->TriangleCount = 0;
        // FindSplitter left the node's corners gathered, in this order.
        for (unsigned int t = 0; t < count; ++t) {
          const unsigned int* triangle = m_pScratch + size_t(t) * 3;
          BSPTreeNode* target = node;
          switch (ClassifyTriangle(plane, m_pCorners + size_t(t) * 3)) {
            case BSP_FRONT: target = frontChild; break;
            case BSP_BACK: target = backChild; break;
            default: break;
          }
          std::memcpy(target->Triangles + size_t(target->TriangleCount) * 3, triangle, 3 * sizeof(unsigned int));
          ++target->TriangleCount;
        }
        node->Front = frontChild;
        node->Back = backChild;
        pending.push_back(backChild);
        node = frontChild;
      }
    }
    if (!split) {
      if (pending.empty()) return;
      node = pending.back();
      pending.pop_back();
    }
  }
}

void BSPTree::BuildIndexBuffer(void* out, bool out32, bool backToFront, const DXVector3& eye,
                               const DXMatrix& transform) const {
  if (m_NodeCount == 0) return;
  DXVector3 local;
  D3DXVec3TransformCoord(&local, &eye, &transform);

  unsigned int* out32Cursor = static_cast<unsigned int*>(out);
  uint16_t* out16Cursor = static_cast<uint16_t*>(out);
  // Each entry is a node whose own triangles and second subtree are still to
  // come; an explicit stack keeps a degenerate (list-like) tree off the call stack.
  std::vector<std::pair<const BSPTreeNode*, const BSPTreeNode*>> pending;
  pending.reserve(64);
  const BSPTreeNode* node = m_pNodes;
  for (;;) {
    while (node) {
      const DXPlane& p = node->Plane;
      const float side = p.a * local.x + p.b * local.y + p.c * local.z + p.d;
      // An eye in the plane (or a plane that gives no answer) takes the front first.
      const bool frontFirst = backToFront ? !(side > 0.0f) : !(side < 0.0f);
      const BSPTreeNode* first = frontFirst ? node->Front : node->Back;
      const BSPTreeNode* second = frontFirst ? node->Back : node->Front;
      pending.emplace_back(node, second);
      node = first;
    }
    if (pending.empty()) return;
    const BSPTreeNode* emitted = pending.back().first;
    node = pending.back().second;
    pending.pop_back();

    const size_t count = size_t(emitted->TriangleCount) * 3;
    if (count == 0) continue;  // an empty tree may come with no output buffer at all
    if (out32) {
      std::memcpy(out32Cursor, emitted->Triangles, count * sizeof(unsigned int));
      out32Cursor += count;
    } else {
      NarrowIndices(out16Cursor, emitted->Triangles, count);
      out16Cursor += count;
    }
  }
}

void BSPTree::Write(FILE* stream) const {
  const uint32_t header[2] = {m_NodeCount, m_TriangleCount};
  std::fwrite(header, sizeof(uint32_t), 2, stream);
  if (m_TriangleCount) std::fwrite(m_pIndices, sizeof(uint32_t), size_t(m_TriangleCount) * 3, stream);
  for (unsigned int n = 0; n < m_NodeCount; ++n) {
    const BSPTreeNode& node = m_pNodes[n];
    StoredNode stored;
    std::memcpy(stored.Plane, &node.Plane, sizeof(stored.Plane));
    stored.TriangleCount = node.TriangleCount;
    stored.FirstIndex = static_cast<uint32_t>(node.Triangles - m_pIndices);
    stored.Front = node.Front ? static_cast<uint32_t>(node.Front - m_pNodes) : m_NodeCount;
    stored.Back = node.Back ? static_cast<uint32_t>(node.Back - m_pNodes) : m_NodeCount;
    std::fwrite(&stored, sizeof(stored), 1, stream);
  }
}

BSPTree* BSPTree::Read(FILE* stream) {
  // The counts are trusted only as far as the bytes behind them go.
  const long start = std::ftell(stream);
  if (start < 0 || std::fseek(stream, 0, SEEK_END) != 0) {
    Core::Log()->Error("BSP tree: the stream cannot be measured.");
    return nullptr;
  }
  const long end = std::ftell(stream);
  if (end < start || std::fseek(stream, start, SEEK_SET) != 0) {
    Core::Log()->Error("BSP tree: the stream cannot be measured.");
    return nullptr;
  }
  uint32_t header[2];
  if (std::fread(header, sizeof(uint32_t), 2, stream) != 2) {
    Core::Log()->Error("BSP tree: the data is truncated.");
    return nullptr;
  }
  const uint32_t nodeCount = header[0], triangleCount = header[1];
  const uint64_t indexCount = uint64_t(triangleCount) * 3;
  const uint64_t needed = sizeof(header) + indexCount * sizeof(uint32_t) + uint64_t(nodeCount) * sizeof(StoredNode);
  if (needed > uint64_t(end - start)) {
    Core::Log()->Error("BSP tree: the data is truncated.");
    return nullptr;
  }

  BSPTree* tree = new (std::nothrow) BSPTree();
  if (!tree) return nullptr;
  tree->m_pIndices = new (std::nothrow) unsigned int[indexCount ? indexCount : 1];
  tree->m_pNodes = nodeCount ? new (std::nothrow) BSPTreeNode[nodeCount]() : nullptr;
  std::vector<unsigned char> hasParent(nodeCount, 0);
  if (!tree->m_pIndices || (nodeCount && !tree->m_pNodes) ||
      std::fread(tree->m_pIndices, sizeof(uint32_t), indexCount, stream) != indexCount) {
    Core::Log()->Error("BSP tree: the data is truncated.");
    delete tree;
    return nullptr;
  }
  tree->m_TriangleCount = triangleCount;
  tree->m_NodeCount = nodeCount;

  // Every index range must lie in the index array, and the nodes must form a
  // tree below node 0: no link back to the root and no node with two
  // parents, so that a traversal meets each node at most once.
  bool valid = true;
  for (uint32_t n = 0; n < nodeCount && valid; ++n) {
    StoredNode stored;
    if (std::fread(&stored, sizeof(stored), 1, stream) != 1) {
      Core::Log()->Error("BSP tree: the data is truncated.");
      delete tree;
      return nullptr;
    }
    BSPTreeNode& node = tree->m_pNodes[n];
    std::memcpy(&node.Plane, stored.Plane, sizeof(stored.Plane));
    node.TriangleCount = stored.TriangleCount;
    valid = uint64_t(stored.FirstIndex) + uint64_t(stored.TriangleCount) * 3 <= indexCount;
    node.Triangles = tree->m_pIndices + (valid ? stored.FirstIndex : 0);
    for (uint32_t child : {stored.Front, stored.Back}) {
      if (child >= nodeCount) continue;
      if (child == 0 || hasParent[child]) valid = false;
      hasParent[child] = 1;
    }
    node.Front = stored.Front < nodeCount ? &tree->m_pNodes[stored.Front] : nullptr;
    node.Back = stored.Back < nodeCount ? &tree->m_pNodes[stored.Back] : nullptr;
  }

  // The reachable nodes must hold every triangle exactly once in total, so
  // that BuildIndexBuffer writes exactly 3 x triangle count indices.
  if (valid && nodeCount) {
    uint64_t reached = 0;
    std::vector<const BSPTreeNode*> stack(1, tree->m_pNodes);
    while (!stack.empty()) {
      const BSPTreeNode* node = stack.back();
      stack.pop_back();
      reached += node->TriangleCount;
      if (node->Front) stack.push_back(node->Front);
      if (node->Back) stack.push_back(node->Back);
    }
    valid = reached == triangleCount;
  } else if (valid) {
    valid = triangleCount == 0;
  }
  if (!valid) {
    Core::Log()->Error("BSP tree: the data is inconsistent.");
    delete tree;
    return nullptr;
  }
  return tree;
}

int BSPTree::Intersect(const DXVector3&, const DXVector3&, const DXMatrix&) const { return -1; }
