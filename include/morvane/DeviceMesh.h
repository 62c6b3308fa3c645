// DeviceMesh, SubsetInfo: the GPU form of one mesh container. Immutable
// vertex buffers (one per attribute or one interleaved), a layout from the
// device's layout manager, one immutable index buffer whose triangles are
// grouped by material into subsets, bounds, optional BSP trees, and CPU
// copies of every buffer so that the mesh can be stored, read back and
// intersected with rays without GPU read-back. The engine never draws a
// device mesh itself: each subset carries what one draw call needs.
#pragma once

#include <cstdio>
#include <vector>

#include "BSPTree.h"
#include "Buffer.h"
#include "BufferLayout.h"
#include "Camera.h"
#include "GrowArray.h"
#include "MeshContainer.h"

class GraphicsDevice;

// One draw range. The buffers and the layout belong to the mesh; the tree is
// the subset's own unless it is the mesh's tree.
struct SubsetInfo {
  AABB box;
  Sphere sphere;
  GrowArray<VertexBuffer*> vertexBuffers;
  IndexBuffer* indexBuffer = nullptr;
  unsigned int topology = 0;  // D3D10_PRIMITIVE_TOPOLOGY
  unsigned int startIndex = 0;
  unsigned int indexCount = 0;
  BufferLayout* bufferLayout = nullptr;
  BSPTree* bspTree = nullptr;
};

class DeviceMesh {
 public:
  // Option bits of the constructor; loaded meshes use 0xEF.
  enum Options : unsigned int {
    DM_MESH_BOUNDS = 0x01,      // compute the mesh bounds
    DM_PER_SUBSET = 0x02,       // subset bounds, merged into the mesh bounds; a single subset gets a tree
    DM_BOX = 0x04,              // bounding boxes
    DM_SPHERE = 0x08,           // bounding spheres
    DM_SMALLEST_SPHERE = 0x10,  // the mesh sphere is the smallest enclosing one, else box-centred
    DM_MESH_BSP = 0x20,         // a BSP tree over the whole mesh
    DM_SUBSET_BSP = 0x40,       // a BSP tree per material subset
    DM_INTERLEAVED = 0x80,      // one interleaved vertex buffer
  };
  // The most vertex elements a mesh carries.
  static const unsigned int kMaxElements = 20;

  // An empty mesh, to be filled by Read.
  explicit DeviceMesh(GraphicsDevice* device);
  // Builds everything from container, which is left unchanged.
  DeviceMesh(MeshContainer* container, GraphicsDevice* device, unsigned int options);
  ~DeviceMesh();
  DeviceMesh(const DeviceMesh&) = delete;
  DeviceMesh& operator=(const DeviceMesh&) = delete;

  GraphicsDevice* GetDevice() const { return m_pDevice; }
  unsigned int GetVertexCount() const { return m_VertexCount; }
  unsigned int GetTriangleCount() const { return m_TriangleCount; }
  unsigned int GetStreamCount() const { return m_StreamCount; }
  BufferLayout* GetBufferLayout() const { return m_pBufferLayout; }
  unsigned int GetSubsetCount() const { return m_SubsetCount; }
  // No range check.
  SubsetInfo& GetSubset(unsigned int index) const { return m_pSubsets[index]; }
  SubsetInfo* GetSubsetTable() const { return m_pSubsets; }
  const AABB& GetBox() const { return m_Box; }
  const Sphere& GetSphere() const { return m_Sphere; }
  unsigned int GetOptions() const { return m_Options; }
  BSPTree* GetBSPTree() const { return m_pBSPTree; }

  unsigned int GetVertexBufferCount() const { return m_VertexBuffers.Size(); }
  VertexBuffer* GetVertexBuffer(unsigned int index) const { return m_VertexBuffers[index]; }
  const StringEX& GetStreamName(unsigned int index) const { return m_StreamNames[index]; }
  // The CPU copy of a vertex buffer: its vertex count x stride bytes.
  const unsigned char* GetVertexData(unsigned int index) const { return m_VertexData[index]; }
  unsigned int GetVertexStride(unsigned int index) const { return m_Strides[index]; }
  IndexBuffer* GetIndexBuffer() const { return m_pIndexBuffer; }
  const unsigned char* GetIndexData() const { return m_pIndexData; }
  unsigned int GetIndexDataSize() const { return m_IndexDataSize; }
  bool HasIndices32() const { return m_Indices32; }

  bool IsEmpty() const { return !m_pIndexBuffer && m_VertexBuffers.IsEmpty() && m_SubsetCount == 0; }

  // The nearest triangle of a subset (negative: the whole mesh) that the ray
  // meets: triangle is its number within the range tested, hit the point.
  // Without a hit triangle is -1 and the result false.
  bool IntersectSubset(int subset, const Ray& ray, DXVector3& hit, int& triangle) const;
  // The positions of every vertex; empty when the layout has no "POSITION".
  std::vector<DXVector3> GetVertices() const;
  // A new container (the caller owns it) with "POSITION" and "INDICES"
  // rebuilt from the CPU copies.
  MeshContainer* BuildGeometryMesh() const;

  // The device-mesh record of the binary mesh file.
  void Write(FILE* stream) const;
  // Replaces the mesh by the record at the stream's position. A record whose
  // counts or sizes do not fit the bytes that remain, or do not agree with
  // each other, is refused: false, an error logged and the mesh left empty.
  // The stream must be seekable.
  bool Read(FILE* stream);

 private:
  void Cleanup();
  // Vertex buffers and layout from the per-vertex attributes of container.
  void BuildVertexBuffers(MeshContainer* container, unsigned int stride);
  // Index buffer and subsets; materials may be null.
  void BuildIndexBuffer(MeshContainer* container, MeshAttribute* materials);
  void BuildSubsetBounds(const DXVector3* positions);
  void ComputeMeshBounds(MeshContainer* container);
  // Gives every subset the mesh's buffers and layout.
  void ShareBuffers();
  void CreateIndexBuffer();
  bool PositionElement(unsigned int& slot, unsigned int& offset) const;

  GraphicsDevice* m_pDevice;
  std::vector<StringEX> m_StreamNames;
  GrowArray<VertexBuffer*> m_VertexBuffers;
  IndexBuffer* m_pIndexBuffer;
  GrowArray<unsigned char*> m_VertexData;
  GrowArray<unsigned int> m_Strides;
  unsigned char* m_pIndexData;
  unsigned int m_IndexDataSize;
  bool m_Indices32;
  BufferLayout* m_pBufferLayout;
  unsigned int m_SubsetCount;
  SubsetInfo* m_pSubsets;
  BSPTree* m_pBSPTree;
  unsigned int m_StreamCount;
  unsigned int m_TriangleCount;
  unsigned int m_VertexCount;
  AABB m_Box;
  Sphere m_Sphere;
  unsigned int m_Options;
};
