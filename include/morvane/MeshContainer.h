// MeshContainer: the editable CPU-side form of one triangle mesh, a vertex
// count, a triangle count and a dictionary of named attributes it owns, with
// the geometric helpers that work on it (normals, roll-out, bounds).
//
// Well-known attribute names: "POSITION", "INDICES", "NAME", "FACEINDEX",
// "NORMALS", "DIFFUSECOORD", "COLORS", "MATERIALS", "SKININFO",
// "BONEINDEXCOUNT", "BONEINDICES", "SKINWEIGHTS" and the face normals
// "FACENORMALS_CCW_N" / "FACENORMALS_CW_N" that crease normals use when present.
#pragma once

#include <map>

#include "MeshAttribute.h"
#include "StringEX.h"

class MeshContainer {
 public:
  // Attributes ordered by byte-wise name comparison.
  typedef std::map<StringEX, MeshAttribute*> AttributeMap;

  // How ComputeSphere centres a sphere.
  enum SphereMethod { SPHERE_BOX_CENTER = 0, SPHERE_MEAN = 1, SPHERE_SMALLEST = 2 };

  MeshContainer(unsigned int vertexCount, unsigned int triangleCount);
  ~MeshContainer();
  MeshContainer(const MeshContainer&) = delete;
  MeshContainer& operator=(const MeshContainer&) = delete;

  unsigned int GetVertexCount() const { return m_VertexCount; }
  unsigned int GetTriangleCount() const { return m_TriangleCount; }
  const AttributeMap& GetAttributes() const { return m_Attributes; }

  // Takes ownership; an attribute already stored under name is destroyed.
  void AddAttribute(const StringEX& name, MeshAttribute* attribute);
  MeshAttribute* GetAttribute(const StringEX& name) const;
  // Hands the attribute back to the caller (null when absent).
  MeshAttribute* RemoveAttribute(const StringEX& name);
  // Forgets every attribute without destroying it: its owner must hold it.
  void DropAttributes();

  MeshAttribute* GetIndices() const { return GetAttribute("INDICES"); }
  void SetIndices(MeshAttribute* indices) { AddAttribute("INDICES", indices); }

  // A new container (the caller owns it) whose attributes can all be put into
  // vertex buffers: per-corner data splits vertices, per-triangle data gives
  // three vertices per triangle. This container is left unchanged.
  MeshContainer* RollOut() const;

  void ComputeFaceNormals(int semanticIndex, bool ccw, bool normalize);
  // Corners whose faces differ from the seed corner's face by less than
  // creaseAngle (radians) share a normal.
  void ComputeCreaseNormals(float creaseAngle, int semanticIndex, bool ccw, bool normalize);

  AABB ComputeBoundingBox() const;
  // The smallest sphere enclosing "POSITION".
  Sphere ComputeBoundingSphere() const;
  // A sphere over count points: method 0 centres it on the bounding box,
  // method 1 on the mean, method 2 is the smallest enclosing sphere; shuffling
  // for method 2 uses rand().
  static Sphere ComputeSphere(const DXVector3* points, unsigned int count, SphereMethod method);

  // 3 x triangle count + vertex count entries (the caller frees them with delete[]).
  VertexTriangleRef<unsigned int>* BuildVertexTriangleList() const;
  // The number of entries a list for this container needs when the chains
  // begin at firstFree vertices.
  unsigned int VertexTriangleListSize(unsigned int firstFree) const { return firstFree + 3 * m_TriangleCount; }

 private:
  // Chains the corners of every triangle to their vertices; entries below
  // firstFree are the chain heads. False (and nothing filled) without a
  // usable index attribute.
  bool FillVertexTriangleList(VertexTriangleRef<unsigned int>* list, unsigned int firstFree) const;
  void RemapPerVertexAttributes(const unsigned int* newToOld, unsigned int newCount);
  // Unit or raw face normals of every triangle; false after logging when the
  // container lacks positions or indices.
  bool FaceNormals(std::vector<DXVector3>& normals, bool ccw, bool normalize) const;
  template <typename I>
  void StoreCreaseNormals(const std::vector<unsigned int>& cornerNormal, const std::vector<DXVector3>& values,
                          int semanticIndex);

  unsigned int m_VertexCount;
  unsigned int m_TriangleCount;
  AttributeMap m_Attributes;
};
