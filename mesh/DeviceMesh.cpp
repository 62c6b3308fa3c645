#include <morvane/DeviceMesh.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include <dxgiformat.h>

#include <morvane/Core.h>
#include <morvane/GraphicsDevice.h>

#include "RecordReader.h"
#include "RecordWriter.h"

namespace {

typedef PerVertexAttribute<DXVector3> PositionAttribute;

const unsigned int kTriangleList = 4;  // D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST

// Sorts the triangles' material numbers together with their indices:
// Hoare partition around the middle element, the left part by recursion and
// the right part by iteration. The order inside a subset is the one this
// sort leaves.
void SortByMaterial(unsigned short* keys, TriangleIndices<unsigned int>* triangles, int low, int high) {
  while (low < high) {
    unsigned short pivot = keys[(low + high) / 2];
    int i = low, j = high;
    while (i <= j) {
      while (keys[i] < pivot) ++i;
      while (keys[j] > pivot) --j;
      if (i <= j) {
        std::swap(keys[i], keys[j]);
        std::swap(triangles[i], triangles[j]);
        ++i;
        --j;
      }
    }
    if (low < j) SortByMaterial(keys, triangles, low, j);
    low = i;
  }
}

// The union of two spheres; a sphere without a positive radius takes the other.
Sphere MergeSpheres(const Sphere& a, const Sphere& b) {
  if (a.Radius <= 0.0f) return b;
  if (b.Radius <= 0.0f) return a;
  DXVector3 delta = b.Center - a.Center;
  float d = D3DXVec3Length(&delta);
  Sphere merged = a;
  if (d <= 0.0f) {
    // Concentric: no direction to move in, the larger radius holds both.
    merged.Radius = std::max(a.Radius, b.Radius);
    return merged;
  }
  float g = d + b.Radius - a.Radius;
  if (g > 0.0f) {
    merged.Center = a.Center + delta * (0.5f * g / d);
    merged.Radius = a.Radius + 0.5f * g;
  }
  return merged;
}

AABB MergeBoxes(const AABB& a, const AABB& b) {
  AABB merged;
  merged.Min = DXVector3(std::min(a.Min.x, b.Min.x), std::min(a.Min.y, b.Min.y), std::min(a.Min.z, b.Min.z));
  merged.Max = DXVector3(std::max(a.Max.x, b.Max.x), std::max(a.Max.y, b.Max.y), std::max(a.Max.z, b.Max.z));
  return merged;
}

unsigned int ReadIndex(const unsigned char* data, bool indices32, size_t i) {
  if (indices32) {
    unsigned int value;
    std::memcpy(&value, data + 4 * i, 4);
    return value;
  }
  unsigned short value;
  std::memcpy(&value, data + 2 * i, 2);
  return value;
}

void PutBounds(FILE* stream, const AABB& box, const Sphere& sphere) {
  const float values[10] = {box.Min.x,       box.Min.y,       box.Min.z,       box.Max.x,    box.Max.y,
                            box.Max.z,       sphere.Center.x, sphere.Center.y, sphere.Center.z, sphere.Radius};
  std::fwrite(values, sizeof(values), 1, stream);
}

void PutTree(FILE* stream, const BSPTree* tree) {
  Put(stream, static_cast<unsigned char>(tree ? 1 : 0));
  if (tree) tree->Write(stream);
}

// The device-mesh record adds bounds and BSP trees to the record reader.
class DeviceRecordReader : public RecordReader {
 public:
  using RecordReader::RecordReader;

  bool Bounds(AABB& box, Sphere& sphere) {
    float values[10];
    if (!Bytes(values, sizeof(values))) return false;
    box.Min = DXVector3(values[0], values[1], values[2]);
    box.Max = DXVector3(values[3], values[4], values[5]);
    sphere.Center = DXVector3(values[6], values[7], values[8]);
    sphere.Radius = values[9];
    return true;
  }
  // A flag byte of 0 or 1 and, for 1, a tree; false for anything else.
  bool Tree(std::unique_ptr<BSPTree>& tree) {
    unsigned char present = 0;
    if (!Value(present) || present > 1) return Fail();
    if (present) {
      // The tree reads the stream itself.
      tree.reset(BSPTree::Read(File()));
      if (!tree) return Fail();
      Resync();
    }
    return Ok();
  }
};

}  // namespace

DeviceMesh::DeviceMesh(GraphicsDevice* device)
    : m_pDevice(device),
      m_pIndexBuffer(nullptr),
      m_pIndexData(nullptr),
      m_IndexDataSize(0),
      m_Indices32(false),
      m_pBufferLayout(nullptr),
      m_SubsetCount(0),
      m_pSubsets(nullptr),
      m_pBSPTree(nullptr),
      m_StreamCount(0),
      m_TriangleCount(0),
      m_VertexCount(0),
      m_Options(0) {}

DeviceMesh::DeviceMesh(MeshContainer* container, GraphicsDevice* device, unsigned int options)
    : DeviceMesh(device) {
  m_Options = options;
  if (!container) return;
  m_TriangleCount = container->GetTriangleCount();

  // The working container shares the source's vertex-buffer attributes and
  // indices; a single value is no vertex stream and stays out.
  MeshContainer working(container->GetVertexCount(), m_TriangleCount);
  // The working container never destroys what it shares, however this ends.
  struct Sharing {
    MeshContainer& container;
    ~Sharing() { container.DropAttributes(); }
  } sharing{working};
  MeshAttribute* indices = container->GetIndices();
  if (indices) working.AddAttribute("INDICES", indices);
  unsigned int stride = 0;
  bool rollOut = false;
  for (auto& entry : container->GetAttributes()) {
    MeshAttribute* attribute = entry.second;
    if (attribute == indices || attribute->m_Format == 0 || attribute->m_Semantic.empty() ||
        attribute->m_Kind == Single || m_StreamCount == kMaxElements)
      continue;
    working.AddAttribute(entry.first, attribute);
    ++m_StreamCount;
    stride += attribute->m_ElementSize;
    rollOut = rollOut || attribute->m_Kind != PerVertex;
  }
  std::unique_ptr<MeshContainer> rolled(rollOut ? working.RollOut() : nullptr);
  MeshContainer* source = rolled ? rolled.get() : &working;

  m_VertexCount = source->GetVertexCount();
  BuildVertexBuffers(source, stride);
  BuildIndexBuffer(source, container->GetAttribute("MATERIALS"));
  ShareBuffers();
  const PositionAttribute* positions = dynamic_cast<const PositionAttribute*>(source->GetAttribute("POSITION"));
  if (positions && positions->m_Count >= m_VertexCount) BuildSubsetBounds(positions->GetData());
  ComputeMeshBounds(source);
}

DeviceMesh::~DeviceMesh() { Cleanup(); }

void DeviceMesh::Cleanup() {
  for (unsigned int i = 0; i < m_VertexBuffers.Size(); ++i) delete m_VertexBuffers[i];
  for (unsigned int i = 0; i < m_VertexData.Size(); ++i) delete[] m_VertexData[i];
  m_VertexBuffers.Clear();
  m_VertexData.Clear();
  m_Strides.Clear();
  m_StreamNames.clear();
  delete m_pIndexBuffer;
  m_pIndexBuffer = nullptr;
  delete[] m_pIndexData;
  m_pIndexData = nullptr;
  m_IndexDataSize = 0;
  m_Indices32 = false;
  if (m_pBufferLayout) m_pBufferLayout->Release(true);
  m_pBufferLayout = nullptr;
  for (unsigned int i = 0; i < m_SubsetCount; ++i) {
    if (m_pSubsets[i].bspTree != m_pBSPTree) delete m_pSubsets[i].bspTree;
  }
  delete[] m_pSubsets;
  m_pSubsets = nullptr;
  m_SubsetCount = 0;
  delete m_pBSPTree;
  m_pBSPTree = nullptr;
  m_StreamCount = 0;
  m_TriangleCount = 0;
  m_VertexCount = 0;
  m_Box = AABB();
  m_Sphere = Sphere();
  m_Options = 0;
}

void DeviceMesh::BuildVertexBuffers(MeshContainer* container, unsigned int stride) {
  BUFFER_ELEMENT_DESC elements[kMaxElements];
  unsigned int elementCount = 0;
  bool interleaved = (m_Options & DM_INTERLEAVED) != 0;
  unsigned char* interleavedData = nullptr;
  if (interleaved) interleavedData = new unsigned char[static_cast<size_t>(stride) * m_VertexCount]();
  unsigned int offset = 0;
  for (auto& entry : container->GetAttributes()) {
    const PerVertexAttributeFunctions* functions = dynamic_cast<const PerVertexAttributeFunctions*>(entry.second);
    if (!functions || elementCount == kMaxElements) continue;
    const MeshAttribute* attribute = entry.second;
    unsigned int size = attribute->m_ElementSize;
    if (interleaved && offset + size > stride) continue;
    BUFFER_ELEMENT_DESC& element = elements[elementCount];
    element.SemanticName = attribute->m_Semantic;
    element.SemanticIndex = static_cast<unsigned int>(attribute->m_SemanticIndex);
    element.Format = static_cast<int>(attribute->m_Format);
    element.InputSlotClass = 0;
    element.InstanceDataStepRate = 0;
    if (interleaved) {
      functions->CopyInterleaved(interleavedData + offset, stride);
      element.InputSlot = 0;
      element.AlignedByteOffset = offset;
      offset += size;
    } else {
      unsigned char* data = new unsigned char[static_cast<size_t>(size) * m_VertexCount]();
      functions->CopyInterleaved(data, size);
      element.InputSlot = m_VertexBuffers.Size();
      element.AlignedByteOffset = 0;
      m_VertexBuffers.Push(new VertexBuffer(m_pDevice, m_VertexCount, size, false, data));
      m_VertexData.Push(data);
      m_Strides.Push(size);
      m_StreamNames.push_back(entry.first);
    }
    ++elementCount;
  }
  if (interleaved) {
    m_VertexBuffers.Push(new VertexBuffer(m_pDevice, m_VertexCount, stride, false, interleavedData));
    m_VertexData.Push(interleavedData);
    m_Strides.Push(stride);
    m_StreamNames.push_back("INTERLEAVED");
  }
  m_pBufferLayout = m_pDevice->GetLayoutManager()->CreateBufferLayout(elements, elementCount);
}

void DeviceMesh::CreateIndexBuffer() {
  unsigned int indexCount = m_IndexDataSize / (m_Indices32 ? 4 : 2);
  m_pIndexBuffer = new IndexBuffer(m_pDevice, indexCount, m_Indices32, false, m_pIndexData);
}

void DeviceMesh::BuildIndexBuffer(MeshContainer* container, MeshAttribute* materials) {
  const PositionAttribute* positionAttribute =
      dynamic_cast<const PositionAttribute*>(container->GetAttribute("POSITION"));
  const DXVector3* positions =
      positionAttribute && positionAttribute->m_Count >= m_VertexCount ? positionAttribute->GetData() : nullptr;
  MeshAttribute* indexAttribute = container->GetIndices();
  const IndexAttribute* source = dynamic_cast<const IndexAttribute*>(indexAttribute);
  bool valid = source && source->m_Count >= m_TriangleCount;
  for (unsigned int t = 0; valid && t < m_TriangleCount; ++t) {
    const TriangleIndices<unsigned int>& triangle = (*source)[t];
    valid = triangle[0] < m_VertexCount && triangle[1] < m_VertexCount && triangle[2] < m_VertexCount;
  }
  if (indexAttribute && !valid) {
    Core::Log()->WriteLine("Error@DeviceMesh: Invalid indices format.", 0);
    source = nullptr;
  }

  std::vector<TriangleIndices<unsigned int>> sorted;
  if (source) sorted.assign(source->GetData(), source->GetData() + m_TriangleCount);
  const unsigned int* indexData = sorted.empty() ? nullptr : &sorted[0][0];
  const MaterialAttribute* materialList = dynamic_cast<const MaterialAttribute*>(materials);
  if (materialList && materialList->GetIndexCount() < m_TriangleCount) materialList = nullptr;

  if (!materialList || !source) {
    // One subset over everything: with an index buffer its triangles, without
    // one the vertices taken three at a time.
    unsigned int triangleCount = source ? m_TriangleCount : m_VertexCount / 3;
    if ((m_Options & DM_MESH_BSP) && positions)
      m_pBSPTree = new BSPTree(positions, 12, indexData, true, triangleCount);
    m_SubsetCount = 1;
    m_pSubsets = new SubsetInfo[1];
    m_pSubsets[0].indexCount = m_VertexCount;
    if ((m_Options & DM_PER_SUBSET) && positions)
      m_pSubsets[0].bspTree = m_pBSPTree ? m_pBSPTree : new BSPTree(positions, 12, indexData, true, triangleCount);
  } else {
    std::vector<unsigned short> keys(materialList->GetIndices(), materialList->GetIndices() + m_TriangleCount);
    if (m_TriangleCount > 1) SortByMaterial(keys.data(), sorted.data(), 0, static_cast<int>(m_TriangleCount) - 1);
    if ((m_Options & DM_MESH_BSP) && positions)
      m_pBSPTree = new BSPTree(positions, 12, indexData, true, m_TriangleCount);
    unsigned int materialCount = materialList->m_Count;
    m_pSubsets = new SubsetInfo[materialCount];
    unsigned int runs = 0;
    for (unsigned int first = 0; first < m_TriangleCount;) {
      unsigned int end = first + 1;
      while (end < m_TriangleCount && keys[end] == keys[first]) ++end;
      if (runs == materialCount) {
        Core::Log()->WriteLine("Corrupted material list.", 0);
        break;
      }
      SubsetInfo& subset = m_pSubsets[runs++];
      subset.topology = kTriangleList;
      subset.startIndex = 3 * first;
      subset.indexCount = 3 * (end - first);
      if ((m_Options & DM_SUBSET_BSP) && positions)
        subset.bspTree = new BSPTree(positions, 12, &sorted[first][0], true, end - first);
      first = end;
    }
    m_SubsetCount = materialCount;
    if (runs < materialCount) {
      m_SubsetCount = runs;
      Core::Log()->Warning("Unused materials in mesh.", 4);
    }
    if ((m_Options & DM_PER_SUBSET) && m_SubsetCount == 1 && !m_pSubsets[0].bspTree && positions)
      m_pSubsets[0].bspTree = m_pBSPTree ? m_pBSPTree : new BSPTree(positions, 12, indexData, true, m_TriangleCount);
  }

  if (!source) return;
  m_Indices32 = m_VertexCount > 0xFFFF;
  unsigned int indexCount = 3 * m_TriangleCount;
  m_IndexDataSize = indexCount * (m_Indices32 ? 4 : 2);
  m_pIndexData = new unsigned char[m_IndexDataSize];
  if (m_Indices32) {
    std::memcpy(m_pIndexData, indexData, m_IndexDataSize);
  } else {
    unsigned short* out = reinterpret_cast<unsigned short*>(m_pIndexData);
    for (unsigned int i = 0; i < indexCount; ++i) out[i] = static_cast<unsigned short>(indexData[i]);
  }
  CreateIndexBuffer();
}

void DeviceMesh::ShareBuffers() {
  for (unsigned int i = 0; i < m_SubsetCount; ++i) {
    SubsetInfo& subset = m_pSubsets[i];
    subset.vertexBuffers = m_VertexBuffers;
    subset.indexBuffer = m_pIndexBuffer;
    subset.bufferLayout = m_pBufferLayout;
  }
}

void DeviceMesh::BuildSubsetBounds(const DXVector3* positions) {
  if (!(m_Options & DM_PER_SUBSET)) return;
  std::vector<DXVector3> points;
  unsigned int indexCount = m_IndexDataSize / (m_Indices32 ? 4 : 2);
  for (unsigned int s = 0; s < m_SubsetCount; ++s) {
    SubsetInfo& subset = m_pSubsets[s];
    points.clear();
    if (m_pIndexData) {
      unsigned int start = std::min(subset.startIndex, indexCount);
      unsigned int end = start + std::min(subset.indexCount, indexCount - start);
      for (unsigned int i = start; i < end; ++i) points.push_back(positions[ReadIndex(m_pIndexData, m_Indices32, i)]);
    } else {
      points.assign(positions, positions + m_VertexCount);
    }
    if (m_Options & DM_BOX) {
      for (const DXVector3& p : points) subset.box = MergeBoxes(subset.box, AABB{p, p});
    }
    // The smallest-enclosing method is not offered per subset.
    if ((m_Options & DM_SPHERE) && !(m_Options & DM_SMALLEST_SPHERE))
      subset.sphere = MeshContainer::ComputeSphere(points.data(), static_cast<unsigned int>(points.size()),
                                                   MeshContainer::SPHERE_BOX_CENTER);
  }
}

void DeviceMesh::ComputeMeshBounds(MeshContainer* container) {
  if (!(m_Options & DM_MESH_BOUNDS)) return;
  if (m_Options & DM_PER_SUBSET) {
    for (unsigned int s = 0; s < m_SubsetCount; ++s) {
      if (m_Options & DM_BOX) m_Box = MergeBoxes(m_Box, m_pSubsets[s].box);
      if (m_Options & DM_SPHERE) m_Sphere = MergeSpheres(m_Sphere, m_pSubsets[s].sphere);
    }
    return;
  }
  if (m_Options & DM_BOX) m_Box = container->ComputeBoundingBox();
  if (m_Options & DM_SPHERE) {
    const PositionAttribute* positions = dynamic_cast<const PositionAttribute*>(container->GetAttribute("POSITION"));
    if (positions)
      m_Sphere = MeshContainer::ComputeSphere(
          positions->GetData(), std::min(m_VertexCount, positions->m_Count),
          (m_Options & DM_SMALLEST_SPHERE) ? MeshContainer::SPHERE_SMALLEST : MeshContainer::SPHERE_BOX_CENTER);
  }
}

bool DeviceMesh::PositionElement(unsigned int& slot, unsigned int& offset) const {
  if (!m_pBufferLayout) return false;
  for (unsigned int i = 0; i < m_pBufferLayout->GetElementCount(); ++i) {
    const BUFFER_ELEMENT_DESC& element = m_pBufferLayout->GetElements()[i];
    if (element.SemanticName != "POSITION") continue;
    slot = element.InputSlot;
    offset = element.AlignedByteOffset;
    // A position must lie inside one vertex of an existing stream.
    return slot < m_VertexData.Size() && static_cast<unsigned long long>(offset) + 12 <= m_Strides[slot];
  }
  return false;
}

bool DeviceMesh::IntersectSubset(int subset, const Ray& ray, DXVector3& hit, int& triangle) const {
  triangle = -1;
  unsigned int slot, offset;
  if (!PositionElement(slot, offset) || !m_pIndexData) return false;
  unsigned int indexCount = m_IndexDataSize / (m_Indices32 ? 4 : 2);
  unsigned int start = 0, count = 3 * m_TriangleCount;
  if (subset >= 0) {
    if (static_cast<unsigned int>(subset) >= m_SubsetCount) return false;
    start = m_pSubsets[subset].startIndex;
    count = m_pSubsets[subset].indexCount;
  }
  start = std::min(start, indexCount);
  count = std::min(count, indexCount - start);

  const unsigned char* vertices = m_VertexData[slot] + offset;
  unsigned int stride = m_Strides[slot];
  auto position = [&](unsigned int i) {
    DXVector3 p;
    std::memcpy(&p, vertices + static_cast<size_t>(ReadIndex(m_pIndexData, m_Indices32, start + i)) * stride, 12);
    return p;
  };
  float best = 0.0f;
  for (unsigned int t = 0; t < count / 3; ++t) {
    DXVector3 p0 = position(3 * t), p1 = position(3 * t + 1), p2 = position(3 * t + 2);
    float u, v, distance;
    if (!D3DXIntersectTri(&p0, &p1, &p2, &ray.Origin, &ray.Direction, &u, &v, &distance)) continue;
    if (triangle >= 0 && distance >= best) continue;
    best = distance;
    triangle = static_cast<int>(t);
    hit = p0 + (p1 - p0) * u + (p2 - p0) * v;
  }
  return triangle >= 0;
}

std::vector<DXVector3> DeviceMesh::GetVertices() const {
  std::vector<DXVector3> positions;
  unsigned int slot, offset;
  if (!PositionElement(slot, offset)) return positions;
  positions.resize(m_VertexCount);
  const unsigned char* data = m_VertexData[slot] + offset;
  for (unsigned int i = 0; i < m_VertexCount; ++i)
    std::memcpy(&positions[i], data + static_cast<size_t>(i) * m_Strides[slot], 12);
  return positions;
}

MeshContainer* DeviceMesh::BuildGeometryMesh() const {
  MeshContainer* container = new MeshContainer(m_VertexCount, m_TriangleCount);
  std::vector<DXVector3> vertices = GetVertices();
  PositionAttribute* positions = new PositionAttribute(container);
  positions->m_Semantic = "POSITION";
  positions->m_SemanticIndex = 0;
  positions->m_Format = DXGI_FORMAT_R32G32B32_FLOAT;
  std::copy(vertices.begin(), vertices.end(), positions->GetData());
  container->AddAttribute("POSITION", positions);
  if (m_pIndexData) {
    IndexAttribute* indices = new IndexAttribute(container);
    unsigned int indexCount = std::min(m_IndexDataSize / (m_Indices32 ? 4 : 2), 3 * m_TriangleCount);
    for (unsigned int i = 0; i < indexCount; ++i) (*indices)[i / 3][i % 3] = ReadIndex(m_pIndexData, m_Indices32, i);
    container->SetIndices(indices);
  }
  return container;
}

void DeviceMesh::Write(FILE* stream) const {
  Put(stream, m_Options);
  Put(stream, m_SubsetCount);
  Put(stream, m_StreamCount);
  Put(stream, m_TriangleCount);
  Put(stream, m_VertexCount);
  PutBounds(stream, m_Box, m_Sphere);
  PutTree(stream, m_pBSPTree);

  unsigned int elementCount = m_pBufferLayout ? m_pBufferLayout->GetElementCount() : 0;
  Put(stream, elementCount);
  for (unsigned int i = 0; i < elementCount; ++i) {
    const BUFFER_ELEMENT_DESC& element = m_pBufferLayout->GetElements()[i];
    PutString(stream, element.SemanticName);
    Put(stream, element.SemanticIndex);
    Put(stream, element.Format);
    Put(stream, element.InputSlot);
    Put(stream, element.AlignedByteOffset);
    Put(stream, element.InputSlotClass);
    Put(stream, element.InstanceDataStepRate);
  }

  Put(stream, m_IndexDataSize);
  Put(stream, static_cast<unsigned char>(m_Indices32 ? 1 : 0));
  if (m_IndexDataSize) std::fwrite(m_pIndexData, 1, m_IndexDataSize, stream);

  Put(stream, m_VertexBuffers.Size());
  for (unsigned int i = 0; i < m_VertexBuffers.Size(); ++i) {
    PutString(stream, m_StreamNames[i]);
    Put(stream, m_Strides[i]);
    std::fwrite(m_VertexData[i], 1, static_cast<size_t>(m_Strides[i]) * m_VertexCount, stream);
  }

  for (unsigned int s = 0; s < m_SubsetCount; ++s) {
    const SubsetInfo& subset = m_pSubsets[s];
    PutBounds(stream, subset.box, subset.sphere);
    Put(stream, subset.startIndex);
    Put(stream, subset.indexCount);
    PutTree(stream, subset.bspTree);
  }
}

bool DeviceMesh::Read(FILE* stream) {
  if (!m_pDevice) {
    Core::Log()->Error("No Device.");
    return false;
  }
  if (!IsEmpty()) Cleanup();

  // Everything is read into locals first and checked against the bytes that
  // remain; the mesh takes it over only when the whole record is sound.
  DeviceRecordReader in(stream);
  unsigned int options = 0, subsetCount = 0, streamCount = 0, triangleCount = 0, vertexCount = 0;
  AABB box;
  Sphere sphere;
  std::unique_ptr<BSPTree> meshTree;
  in.Value(options) && in.Value(subsetCount) && in.Value(streamCount) && in.Value(triangleCount) &&
      in.Value(vertexCount) && in.Bounds(box, sphere) && in.Tree(meshTree);
  if (streamCount > kMaxElements) in.Fail();

  unsigned int elementCount = 0;
  BUFFER_ELEMENT_DESC elements[kMaxElements];
  if (in.Value(elementCount) && elementCount > kMaxElements) in.Fail();
  for (unsigned int i = 0; in.Ok() && i < elementCount; ++i) {
    BUFFER_ELEMENT_DESC& element = elements[i];
    in.String(element.SemanticName) && in.Value(element.SemanticIndex) && in.Value(element.Format) &&
        in.Value(element.InputSlot) && in.Value(element.AlignedByteOffset) && in.Value(element.InputSlotClass) &&
        in.Value(element.InstanceDataStepRate);
  }

  // The index data holds exactly three indices per triangle, each naming a vertex.
  unsigned int indexDataSize = 0;
  unsigned char indices32 = 0;
  std::unique_ptr<unsigned char[]> indexData;
  if (in.Value(indexDataSize) && in.Value(indices32) && indices32 > 1) in.Fail();
  unsigned int indexSize = indices32 ? 4 : 2;
  if (in.Ok() && indexDataSize &&
      (indexDataSize > in.Remaining() || indexDataSize != 3ull * triangleCount * indexSize))
    in.Fail();
  if (in.Ok() && indexDataSize) {
    indexData.reset(new unsigned char[indexDataSize]);
    in.Bytes(indexData.get(), indexDataSize);
    for (unsigned int i = 0; in.Ok() && i < indexDataSize / indexSize; ++i) {
      if (ReadIndex(indexData.get(), indices32 != 0, i) >= vertexCount) in.Fail();
    }
  }

  // Each vertex buffer is vertex count x stride bytes, and never empty; a
  // vertex count with no buffer behind it is bounded by nothing and refused.
  unsigned int bufferCount = 0;
  if (in.Value(bufferCount) && (bufferCount > kMaxElements || (vertexCount && !bufferCount))) in.Fail();
  std::vector<StringEX> names(in.Ok() ? bufferCount : 0);
  std::vector<unsigned int> strides(names.size());
  std::vector<std::unique_ptr<unsigned char[]>> buffers(names.size());
  for (unsigned int i = 0; in.Ok() && i < bufferCount; ++i) {
    if (!in.String(names[i]) || !in.Value(strides[i])) break;
    unsigned long long size = static_cast<unsigned long long>(strides[i]) * vertexCount;
    if (size == 0 || size > in.Remaining()) {
      in.Fail();
      break;
    }
    buffers[i].reset(new unsigned char[size]);
    in.Bytes(buffers[i].get(), size);
  }

  // A subset record is at least 49 bytes: bounds, range and tree flag.
  std::unique_ptr<SubsetInfo[]> subsets;
  std::vector<std::unique_ptr<BSPTree>> subsetTrees;
  if (in.Ok() && 49ull * subsetCount > in.Remaining()) in.Fail();
  if (in.Ok()) {
    subsets.reset(new SubsetInfo[subsetCount]);
    subsetTrees.resize(subsetCount);
  }
  for (unsigned int s = 0; in.Ok() && s < subsetCount; ++s) {
    in.Bounds(subsets[s].box, subsets[s].sphere) && in.Value(subsets[s].startIndex) &&
        in.Value(subsets[s].indexCount) && in.Tree(subsetTrees[s]);
  }
  if (!in.Ok()) {
    Core::Log()->Error("DeviceMesh::Read: damaged device mesh record.");
    return false;
  }

  m_Options = options;
  m_StreamCount = streamCount;
  m_TriangleCount = triangleCount;
  m_VertexCount = vertexCount;
  m_Box = box;
  m_Sphere = sphere;
  m_pBSPTree = meshTree.release();
  m_pBufferLayout = m_pDevice->GetLayoutManager()->CreateBufferLayout(elements, elementCount);
  if (indexData) {
    m_IndexDataSize = indexDataSize;
    m_Indices32 = indices32 != 0;
    m_pIndexData = indexData.release();
    CreateIndexBuffer();
  }
  for (unsigned int i = 0; i < bufferCount; ++i) {
    m_StreamNames.push_back(names[i]);
    m_Strides.Push(strides[i]);
    m_VertexData.Push(buffers[i].release());
    m_VertexBuffers.Push(new VertexBuffer(m_pDevice, m_VertexCount, strides[i], false, m_VertexData[i]));
  }
  m_SubsetCount = subsetCount;
  m_pSubsets = subsets.release();
  for (unsigned int s = 0; s < m_SubsetCount; ++s) {
    m_pSubsets[s].topology = kTriangleList;
    m_pSubsets[s].bspTree = subsetTrees[s].release();
  }
  ShareBuffers();
  return true;
}
