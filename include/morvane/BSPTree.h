// BSPTree: partitions the triangles of one mesh subset by planes taken from
// its own triangles, so that their indices can be emitted back to front (or
// front to back) for any eye position without sorting. Spanning triangles are
// never cut: a node keeps the triangles that lie in or across its plane, and
// the index count stays 3 x the triangle count.
//
// Stored form (little-endian): node count N, triangle count T, 3T indices
// (u32), then N records of plane (4 floats), triangle count, first index,
// front child, back child (u32 each); a child number not below N means none.
#pragma once

#include <cstdio>

#include "DXMath.h"

class BSPTree {
 public:
  enum BSPTRIANGLECLASS {
    BSP_FRONT = 1,     // at least one vertex in front, none behind
    BSP_BACK = 2,      // at least one vertex behind, none in front
    BSP_SPANNING = 3,  // vertices on both sides
    BSP_COPLANAR = 4,  // all three within the tolerance of the plane
  };

  struct BSPTreeNode {
    DXPlane Plane;
    unsigned int TriangleCount;
    unsigned int* Triangles;  // the node's first index in the tree's index array
    BSPTreeNode* Front;
    BSPTreeNode* Back;
  };

  // Builds the tree. Positions are three floats at the start of each vertex,
  // stride bytes apart. Without indices triangle i uses vertices 3i, 3i+1 and
  // 3i+2; otherwise indices holds 3 x triangleCount 32-bit (indices32) or
  // 16-bit indices. The vertices are read during construction only.
  BSPTree(const void* vertices, unsigned int stride, const void* indices, bool indices32, unsigned int triangleCount);
  ~BSPTree();
  BSPTree(const BSPTree&) = delete;
  BSPTree& operator=(const BSPTree&) = delete;

  // Writes all 3 x triangle count indices in traversal order: 32-bit values
  // when out32, else the low 16 bits of each. transform takes the eye into
  // the mesh's space. A node's own triangles come between its two subtrees,
  // in the order they were given.
  void BuildIndexBuffer(void* out, bool out32, bool backToFront, const DXVector3& eye,
                        const DXMatrix& transform) const;

  void Write(FILE* stream) const;
  // A tree read from the stored form at the stream's position, or null (and
  // an error logged) when the data is short or inconsistent. The stream must
  // be seekable: the counts are checked against the bytes that remain before
  // anything is allocated. A read tree can only be traversed.
  static BSPTree* Read(FILE* stream);

  // No intersection query is offered: always -1.
  int Intersect(const DXVector3& origin, const DXVector3& direction, const DXMatrix& transform) const;

 private:
  BSPTree();

  // Splits node and, below it, its front and back children until no plane
  // separates a node's triangles.
  void SplitNode(BSPTreeNode* node);
  // The best splitting plane among sampled triangles of the node, with the
  // counts of the node's triangles on each side of it; the zero plane when
  // no triangle qualifies.
  DXPlane FindSplitter(BSPTreeNode* node, unsigned int& front, unsigned int& back, unsigned int& spanning,
                       unsigned int& coplanar);

  unsigned int m_TriangleCount;
  unsigned int m_NodeCount;
  BSPTreeNode* m_pNodes;
  unsigned int* m_pIndices;
  // Building only: a copy of a node's indices while it is split, and the
  // corners of the node's triangles, gathered once per node.
  unsigned int* m_pScratch;
  DXVector3* m_pCorners;
  const void* m_pVertices;
  unsigned int m_VertexStride;
};
