#include <morvane/MeshContainer.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include <dxgiformat.h>

#include <morvane/Core.h>

namespace {

const unsigned int kNoEntry = 0xFFFFFFFFu;

typedef PerVertexAttribute<DXVector3> PositionAttribute;
typedef PerTriangleAttribute<DXVector3> FaceNormalAttribute;

DXVector3 Position(const PositionAttribute& positions, unsigned int vertex) {
  return vertex < positions.m_Count ? positions[vertex] : DXVector3(0.0f, 0.0f, 0.0f);
}

DXVector3 Cross(const DXVector3& a, const DXVector3& b) {
  DXVector3 out;
  D3DXVec3Cross(&out, &a, &b);
  return out;
}

void Extend(DXVector3& low, DXVector3& high, const DXVector3& p) {
  low = DXVector3(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
  high = DXVector3(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z));
}

DXVector3 Normalized(const DXVector3& v) {
  DXVector3 out;
  D3DXVec3Normalize(&out, &v);
  return out;
}

// Points in double precision for the exact sphere construction.
struct Point {
  double x, y, z;
};

Point operator-(const Point& a, const Point& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Point operator+(const Point& a, const Point& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Point operator*(const Point& a, double f) { return {a.x * f, a.y * f, a.z * f}; }
double Dot(const Point& a, const Point& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Point CrossD(const Point& a, const Point& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Point ToPoint(const DXVector3& v) { return {v.x, v.y, v.z}; }

struct Ball {
  Point center;
  double radius2;
};

// The sphere through 1-4 points whose centre lies in their affine hull;
// false when the points are degenerate (collinear three, coplanar four).
bool CircumBall(const Point* p, unsigned int count, Ball& ball) {
  switch (count) {
    case 1:
      ball = {p[0], 0.0};
      return true;
    case 2: {
      ball.center = (p[0] + p[1]) * 0.5;
      Point d = p[1] - p[0];
      ball.radius2 = 0.25 * Dot(d, d);
      return true;
    }
    case 3: {
      Point a = p[1] - p[0], b = p[2] - p[0];
      Point axb = CrossD(a, b);
      double denominator = 2.0 * Dot(axb, axb);
      double scale = Dot(a, a) * Dot(b, b);
      if (denominator <= 1e-30 * scale) return false;
      Point offset = CrossD(b * Dot(a, a) - a * Dot(b, b), axb) * (1.0 / denominator);
      ball = {p[0] + offset, Dot(offset, offset)};
      return true;
    }
    case 4: {
      // 2 (p_i - p_0) . c = |p_i - p_0|^2 for the centre c relative to p_0.
      Point a = p[1] - p[0], b = p[2] - p[0], c = p[3] - p[0];
      double det = Dot(a, CrossD(b, c));
      double scale = std::sqrt(Dot(a, a) * Dot(b, b) * Dot(c, c));
      if (std::fabs(det) <= 1e-12 * scale) return false;
      Point offset = (CrossD(b, c) * Dot(a, a) + CrossD(c, a) * Dot(b, b) + CrossD(a, b) * Dot(c, c)) *
                     (1.0 / (2.0 * det));
      ball = {p[0] + offset, Dot(offset, offset)};
      return true;
    }
    default:
      return false;
  }
}

bool Contains(const Ball& ball, const Point& p) {
  Point d = p - ball.center;
  return Dot(d, d) <= ball.radius2 * (1.0 + 1e-9) + 1e-18;
}

// The smallest ball containing the support points and p, with p on its
// boundary; the support set becomes the points that define it. Every subset
// of the (at most four) support points is tried together with p, which is
// exact and cheap at this size.
Ball CombineSupport(Point* support, unsigned int& supportCount, const Point& p) {
  Point all[5];
  std::copy(support, support + supportCount, all);
  all[supportCount] = p;
  unsigned int allCount = supportCount + 1;

  Ball best = {p, -1.0};
  unsigned int bestMask = 0;
  for (unsigned int mask = 0; mask < (1u << supportCount); ++mask) {
    Point chosen[4];
    unsigned int count = 0;
    for (unsigned int i = 0; i < supportCount; ++i)
      if (mask & (1u << i)) chosen[count++] = support[i];
    if (count == 4) continue;
    chosen[count++] = p;
    Ball ball;
    if (!CircumBall(chosen, count, ball)) continue;
    if (best.radius2 >= 0.0 && ball.radius2 >= best.radius2) continue;
    bool containsAll = true;
    for (unsigned int i = 0; i < allCount && containsAll; ++i) containsAll = Contains(ball, all[i]);
    if (containsAll) {
      best = ball;
      bestMask = mask;
    }
  }
  if (best.radius2 < 0.0) {
    // Only rounding can leave no candidate: fall back to the pair sphere of p
    // and the farthest support point, widened over the rest.
    unsigned int far = 0;
    for (unsigned int i = 1; i < supportCount; ++i) {
      if (Dot(support[i] - p, support[i] - p) > Dot(support[far] - p, support[far] - p)) far = i;
    }
    Point pair[2] = {support[far], p};
    CircumBall(pair, 2, best);
    for (unsigned int i = 0; i < allCount; ++i)
      best.radius2 = std::max(best.radius2, Dot(all[i] - best.center, all[i] - best.center));
    bestMask = 1u << far;
  }
  unsigned int count = 0;
  for (unsigned int i = 0; i < supportCount; ++i)
    if (bestMask & (1u << i)) support[count++] = support[i];
  support[count++] = p;
  supportCount = count;
  return best;
}

Sphere SmallestSphere(const DXVector3* points, unsigned int count) {
  std::vector<Point> shuffled(count);
  for (unsigned int i = 0; i < count; ++i) shuffled[i] = ToPoint(points[i]);
  for (unsigned int i = count - 1; i >= 1; --i) {
    unsigned int j = static_cast<unsigned int>(std::rand()) % (i + 1);
    if (j != i) std::swap(shuffled[i], shuffled[j]);
  }

  Point support[4] = {shuffled[0]};
  unsigned int supportCount = 1;
  Ball ball = {shuffled[0], 0.0};
  unsigned int i = 1;
  while (i < count) {
    Point d = shuffled[i] - ball.center;
    if (Dot(d, d) >= ball.radius2) {
      unsigned int candidateCount = supportCount;
      Point candidate[4];
      std::copy(support, support + supportCount, candidate);
      Ball grown = CombineSupport(candidate, candidateCount, shuffled[i]);
      // A relative margin keeps rounding from growing the ball forever
      // through points that already lie on its boundary.
      if (grown.radius2 > ball.radius2 * (1.0 + 1e-12)) {
        ball = grown;
        std::copy(candidate, candidate + candidateCount, support);
        supportCount = candidateCount;
        i = 0;
        continue;
      }
    }
    ++i;
  }
  Sphere sphere;
  sphere.Center = DXVector3(static_cast<float>(ball.center.x), static_cast<float>(ball.center.y),
                            static_cast<float>(ball.center.z));
  sphere.Radius = static_cast<float>(std::sqrt(ball.radius2));
  return sphere;
}

}  // namespace

MeshContainer::MeshContainer(unsigned int vertexCount, unsigned int triangleCount)
    : m_VertexCount(vertexCount), m_TriangleCount(triangleCount) {}

MeshContainer::~MeshContainer() {
  for (auto& entry : m_Attributes) delete entry.second;
}

void MeshContainer::AddAttribute(const StringEX& name, MeshAttribute* attribute) {
  if (!attribute) {
    Core::Log()->Warning("ERROR: pAttrib = NULL", 4);
    return;
  }
  auto found = m_Attributes.find(name);
  if (found != m_Attributes.end()) {
    if (found->second != attribute) delete found->second;
    found->second = attribute;
    Core::Log()->Write("WARNING: Attribute \"", 4);
    Core::Log()->Write(name, 4);
    Core::Log()->WriteLine("\" overwritten.", 4);
    return;
  }
  m_Attributes.emplace(name, attribute);
}

MeshAttribute* MeshContainer::GetAttribute(const StringEX& name) const {
  auto found = m_Attributes.find(name);
  return found == m_Attributes.end() ? nullptr : found->second;
}

MeshAttribute* MeshContainer::RemoveAttribute(const StringEX& name) {
  auto found = m_Attributes.find(name);
  if (found == m_Attributes.end()) return nullptr;
  MeshAttribute* attribute = found->second;
  m_Attributes.erase(found);
  attribute->m_pContainer = nullptr;
  return attribute;
}

void MeshContainer::DropAttributes() { m_Attributes.clear(); }

// The list has a chain head per vertex below firstFree and one further
// entry for every corner beyond the first of its vertex. With unreferenced
// vertices the heads alone exceed the referenced vertex count, so the list
// is sized firstFree + 3 x T rather than 3 x T: no chain can run past it.
// Corners naming a vertex at or above firstFree belong to no chain.
bool MeshContainer::FillVertexTriangleList(VertexTriangleRef<unsigned int>* list, unsigned int firstFree) const {
  const IndexAttribute* indices = dynamic_cast<const IndexAttribute*>(GetIndices());
  if (!indices) {
    Core::Log()->Error("MeshContainer::BuildVertexTriangleList => Invalid indices format.");
    return false;
  }
  std::fill_n(list, VertexTriangleListSize(firstFree), VertexTriangleRef<unsigned int>{kNoEntry, kNoEntry});
  // The last entry of each chain is remembered, so that a vertex shared by
  // many triangles does not make appending quadratic.
  unsigned int vertexCount = firstFree;
  std::vector<unsigned int> last(vertexCount);
  unsigned int triangleCount = std::min(m_TriangleCount, indices->m_Count);
  for (unsigned int t = 0; t < triangleCount; ++t) {
    for (unsigned int c = 0; c < 3; ++c) {
      unsigned int v = (*indices)[t][c];
      if (v >= vertexCount) continue;
      unsigned int reference = (c << 30) | t;
      if (list[v].reference == kNoEntry) {
        list[v].reference = reference;
        last[v] = v;
        continue;
      }
      list[last[v]].next = firstFree;
      last[v] = firstFree;
      list[firstFree++].reference = reference;
    }
  }
  return true;
}

VertexTriangleRef<unsigned int>* MeshContainer::BuildVertexTriangleList() const {
  VertexTriangleRef<unsigned int>* list = new VertexTriangleRef<unsigned int>[VertexTriangleListSize(m_VertexCount)];
  if (!FillVertexTriangleList(list, m_VertexCount)) {
    delete[] list;
    return nullptr;
  }
  return list;
}

void MeshContainer::RemapPerVertexAttributes(const unsigned int* newToOld, unsigned int newCount) {
  std::vector<std::pair<StringEX, MeshAttribute*>> remapped;
  for (auto& entry : m_Attributes) {
    if (const PerVertexAttributeFunctions* functions = dynamic_cast<const PerVertexAttributeFunctions*>(entry.second))
      remapped.emplace_back(entry.first, functions->Remap(newToOld, newCount));
  }
  for (auto& entry : remapped) AddAttribute(entry.first, entry.second);
}

MeshContainer* MeshContainer::RollOut() const {
  MeshContainer* target = new MeshContainer(3 * m_TriangleCount, m_TriangleCount);
  MeshAttribute* indices = GetIndices();
  bool otherPerTriangle = false;
  for (auto& entry : m_Attributes) {
    MeshAttribute* attribute = entry.second;
    if (attribute->m_Kind == PerVertex || attribute->m_Kind == Single)
      target->m_Attributes.emplace(entry.first, attribute->Clone(target, true));
    else if (attribute->m_Kind == PerTriangle && attribute != indices)
      otherPerTriangle = true;
  }
  if (!indices) {
    Core::Log()->WriteLine("Error@RollOut: No indices!", 0);
    return target;
  }

  if (!otherPerTriangle) {
    target->SetIndices(indices->Clone(target, true));
    unsigned int vertexCount = m_VertexCount;
    unsigned int cornerCount = 3 * m_TriangleCount;
    std::vector<unsigned int> newToOld(cornerCount);
    for (auto& entry : m_Attributes) {
      MeshAttribute* attribute = entry.second;
      if (attribute->m_Kind != PerTriangleIndexed && attribute->m_Kind != PerTriangleVertexIndexed) continue;
      std::vector<VertexTriangleRef<unsigned int>> list(target->VertexTriangleListSize(vertexCount));
      if (!target->FillVertexTriangleList(list.data(), vertexCount)) break;
      std::vector<unsigned int> lastVertexOfValue(attribute->m_Count + 1);
      std::vector<unsigned int> vertexOfValue(attribute->m_Count + 1);
      MeshAttribute* split = attribute->SplitVertices(target, &vertexCount, newToOld.data(),
                                                      lastVertexOfValue.data(), list.data(), vertexOfValue.data());
      target->RemapPerVertexAttributes(newToOld.data(), vertexCount);
      target->AddAttribute(entry.first, split);
    }
    target->m_VertexCount = vertexCount;
    return target;
  }

  std::vector<StringEX> perVertex;
  for (auto& entry : target->m_Attributes)
    if (entry.second->m_Kind == PerVertex) perVertex.push_back(entry.first);
  for (const StringEX& name : perVertex) {
    MeshAttribute* rolled = target->GetAttribute(name)->RollOut(target, indices);
    target->AddAttribute(name, rolled);
  }
  for (auto& entry : m_Attributes) {
    MeshAttribute* attribute = entry.second;
    if (attribute == indices) continue;
    if (attribute->m_Kind == PerTriangle || attribute->m_Kind == PerTriangleIndexed ||
        attribute->m_Kind == PerTriangleVertexIndexed)
      target->AddAttribute(entry.first, attribute->RollOut(target, indices));
  }
  IndexAttribute* triangles = new IndexAttribute(target);
  for (unsigned int t = 0; t < m_TriangleCount; ++t) (*triangles)[t] = {{3 * t, 3 * t + 1, 3 * t + 2}};
  target->SetIndices(triangles);
  return target;
}

bool MeshContainer::FaceNormals(std::vector<DXVector3>& normals, bool ccw, bool normalize) const {
  MeshAttribute* positionAttribute = GetAttribute("POSITION");
  MeshAttribute* indexAttribute = GetIndices();
  if (!positionAttribute || !indexAttribute) {
    Core::Log()->WriteLine("no vertices or triangles", 0);
    return false;
  }
  const PositionAttribute* positions = dynamic_cast<const PositionAttribute*>(positionAttribute);
  if (!positions) {
    Core::Log()->WriteLine("invalid vertex format", 0);
    return false;
  }
  const IndexAttribute* indices = dynamic_cast<const IndexAttribute*>(indexAttribute);
  if (!indices) return false;
  normals.assign(m_TriangleCount, DXVector3(0.0f, 0.0f, 0.0f));
  unsigned int triangleCount = std::min(m_TriangleCount, indices->m_Count);
  for (unsigned int t = 0; t < triangleCount; ++t) {
    DXVector3 p0 = Position(*positions, (*indices)[t][0]);
    DXVector3 e1 = Position(*positions, (*indices)[t][1]) - p0;
    DXVector3 e2 = Position(*positions, (*indices)[t][2]) - p0;
    normals[t] = ccw ? Cross(e1, e2) : Cross(e2, e1);
    if (normalize) normals[t] = Normalized(normals[t]);
  }
  return true;
}

void MeshContainer::ComputeFaceNormals(int semanticIndex, bool ccw, bool normalize) {
  std::vector<DXVector3> normals;
  if (!FaceNormals(normals, ccw, normalize)) {
    // Indices of another type make no normals; storing the missing result
    // reports it.
    if (dynamic_cast<PositionAttribute*>(GetAttribute("POSITION")) && GetIndices()) AddAttribute("NORMALS", nullptr);
    return;
  }
  FaceNormalAttribute* result = new FaceNormalAttribute(this);
  result->m_Semantic = "NORMAL";
  result->m_SemanticIndex = semanticIndex;
  result->m_Format = DXGI_FORMAT_R32G32B32_FLOAT;
  std::copy(normals.begin(), normals.end(), result->GetData());
  AddAttribute("NORMALS", result);
}

template <typename I>
void MeshContainer::StoreCreaseNormals(const std::vector<unsigned int>& cornerNormal,
                                       const std::vector<DXVector3>& values, int semanticIndex) {
  PerTriangleVertexIndexedAttribute<DXVector3, I>* result =
      new PerTriangleVertexIndexedAttribute<DXVector3, I>(this, static_cast<unsigned int>(values.size()));
  result->m_Semantic = "NORMAL";
  result->m_SemanticIndex = semanticIndex;
  result->m_Format = DXGI_FORMAT_R32G32B32_FLOAT;
  std::copy(values.begin(), values.end(), result->GetValues());
  for (size_t i = 0; i < cornerNormal.size(); ++i) result->GetIndices()[i] = static_cast<I>(cornerNormal[i]);
  AddAttribute("NORMALS", result);
}

void MeshContainer::ComputeCreaseNormals(float creaseAngle, int semanticIndex, bool ccw, bool normalize) {
  MeshAttribute* positionAttribute = GetAttribute("POSITION");
  MeshAttribute* indexAttribute = GetIndices();
  if (!positionAttribute || !indexAttribute) {
    Core::Log()->WriteLine("no vertices or triangles", 0);
    return;
  }
  const PositionAttribute* positions = dynamic_cast<const PositionAttribute*>(positionAttribute);
  if (!positions) {
    Core::Log()->WriteLine("invalid vertex format", 0);
    return;
  }
  const IndexAttribute* indices = dynamic_cast<const IndexAttribute*>(indexAttribute);
  if (!indices) {
    Core::Log()->WriteLine("invalid indices format", 0);
    return;
  }

  std::vector<VertexTriangleRef<unsigned int>> list(VertexTriangleListSize(m_VertexCount));
  FillVertexTriangleList(list.data(), m_VertexCount);

  std::vector<DXVector3> faceNormals;
  const FaceNormalAttribute* stored =
      dynamic_cast<const FaceNormalAttribute*>(GetAttribute(StringEX("FACENORMALS_") + (ccw ? "CCW" : "CW") + "_N"));
  if (stored && stored->m_Count >= m_TriangleCount)
    faceNormals.assign(stored->GetData(), stored->GetData() + m_TriangleCount);
  else
    FaceNormals(faceNormals, ccw, true);

  // Each unassigned corner seeds a normal shared by every corner of its
  // vertex whose face is within the crease angle of the seed's face.
  unsigned int triangleCount = std::min(m_TriangleCount, indices->m_Count);
  std::vector<unsigned int> cornerNormal(3 * static_cast<size_t>(m_TriangleCount), kNoEntry);
  float cosLimit = std::cos(creaseAngle);
  unsigned int normalCount = 0;
  for (unsigned int t = 0; t < triangleCount; ++t) {
    for (unsigned int c = 0; c < 3; ++c) {
      if (cornerNormal[3 * t + c] != kNoEntry) continue;
      unsigned int m = normalCount++;
      cornerNormal[3 * t + c] = m;
      unsigned int v = (*indices)[t][c];
      if (v >= m_VertexCount) continue;
      for (unsigned int e = v; e != kNoEntry && list[e].reference != kNoEntry; e = list[e].next) {
        unsigned int t2 = list[e].reference & 0x3FFFFFFFu;
        unsigned int c2 = list[e].reference >> 30;
        if (t2 == t || cornerNormal[3 * t2 + c2] != kNoEntry) continue;
        if (D3DXVec3Dot(&faceNormals[t2], &faceNormals[t]) > cosLimit) cornerNormal[3 * t2 + c2] = m;
      }
    }
  }

  // Every corner adds its face normal weighted by its interior angle.
  std::vector<DXVector3> values(normalCount, DXVector3(0.0f, 0.0f, 0.0f));
  for (unsigned int t = 0; t < triangleCount; ++t) {
    DXVector3 p0 = Position(*positions, (*indices)[t][0]);
    DXVector3 p1 = Position(*positions, (*indices)[t][1]);
    DXVector3 p2 = Position(*positions, (*indices)[t][2]);
    DXVector3 d01 = Normalized(p1 - p0), d12 = Normalized(p2 - p1), d20 = Normalized(p0 - p2);
    const DXVector3 leaving[3][2] = {{d01, -d20}, {d12, -d01}, {d20, -d12}};
    for (unsigned int c = 0; c < 3; ++c) {
      float cosine = std::max(-1.0f, std::min(1.0f, D3DXVec3Dot(&leaving[c][0], &leaving[c][1])));
      values[cornerNormal[3 * t + c]] += faceNormals[t] * std::acos(cosine);
    }
  }
  if (normalize) {
    for (DXVector3& value : values) value = Normalized(value);
  }

  if (3ull * m_TriangleCount < 0xFFFF)
    StoreCreaseNormals<unsigned short>(cornerNormal, values, semanticIndex);
  else
    StoreCreaseNormals<unsigned int>(cornerNormal, values, semanticIndex);
}

AABB MeshContainer::ComputeBoundingBox() const {
  AABB box;
  const PositionAttribute* positions = dynamic_cast<const PositionAttribute*>(GetAttribute("POSITION"));
  if (!positions) return box;
  unsigned int count = std::min(m_VertexCount, positions->m_Count);
  for (unsigned int i = 0; i < count; ++i) {
    Extend(box.Min, box.Max, (*positions)[i]);
  }
  return box;
}

Sphere MeshContainer::ComputeBoundingSphere() const {
  const PositionAttribute* positions = dynamic_cast<const PositionAttribute*>(GetAttribute("POSITION"));
  if (!positions) return Sphere();
  return ComputeSphere(positions->GetData(), std::min(m_VertexCount, positions->m_Count), SPHERE_SMALLEST);
}

Sphere MeshContainer::ComputeSphere(const DXVector3* points, unsigned int count, SphereMethod method) {
  Sphere sphere;
  if (count == 0) return sphere;
  if (method == SPHERE_SMALLEST) return SmallestSphere(points, count);
  if (method == SPHERE_BOX_CENTER) {
    DXVector3 low = points[0], high = points[0];
    for (unsigned int i = 1; i < count; ++i) Extend(low, high, points[i]);
    sphere.Center = (low + high) * 0.5f;
  } else {
    double sum[3] = {0.0, 0.0, 0.0};
    for (unsigned int i = 0; i < count; ++i) {
      sum[0] += points[i].x;
      sum[1] += points[i].y;
      sum[2] += points[i].z;
    }
    sphere.Center = DXVector3(static_cast<float>(sum[0] / count), static_cast<float>(sum[1] / count),
                              static_cast<float>(sum[2] / count));
  }
  float radius2 = 0.0f;
  for (unsigned int i = 0; i < count; ++i) {
    DXVector3 d = points[i] - sphere.Center;
    radius2 = std::max(radius2, D3DXVec3Dot(&d, &d));
  }
  sphere.Radius = std::sqrt(radius2);
  return sphere;
}
