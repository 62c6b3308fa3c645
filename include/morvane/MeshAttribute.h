// MeshAttribute and its templates: one named piece of mesh data (positions,
// indices, normals, materials ...) stored per vertex, per triangle, per
// triangle through a value table, per triangle corner through a value table,
// or once for the whole mesh. TriangleIndices, VertexTriangleRef, AABB and
// Sphere are the plain records the mesh code shares.
#pragma once

#include <cfloat>
#include <cstring>
#include <type_traits>
#include <vector>

#include "DXMath.h"
#include "SkinInfo.h"
#include "StringEX.h"

class MeshContainer;
class MeshMaterial;

// The three vertex indices of one triangle, corners 0, 1, 2 in order.
template <typename T>
struct TriangleIndices {
  T Index[3];

  T& operator[](unsigned int corner) { return Index[corner]; }
  const T& operator[](unsigned int corner) const { return Index[corner]; }
};

// One entry of the vertex-to-triangle list: reference holds the triangle in
// bits 0-29 and the corner in bits 30-31; next is the following entry for the
// same vertex, all bits set at the end of a chain.
template <typename T>
struct VertexTriangleRef {
  T reference;
  T next;
};

// An axis-aligned box; the empty box has min above max on every axis.
struct AABB {
  DXVector3 Min = DXVector3(FLT_MAX, FLT_MAX, FLT_MAX);
  DXVector3 Max = DXVector3(-FLT_MAX, -FLT_MAX, -FLT_MAX);
};

// A sphere; the sphere of no points has radius -FLT_MAX.
struct Sphere {
  DXVector3 Center = DXVector3(0.0f, 0.0f, 0.0f);
  float Radius = -FLT_MAX;
};

enum AttributeKind : unsigned int {
  PerTriangle = 1,
  PerTriangleIndexed = 2,
  PerVertex = 3,
  PerTriangleVertexIndexed = 4,
  Single = 5,
};

// The common record of every attribute. The operations that make a new
// attribute return null here; each template gives them its own meaning.
class MeshAttribute {
 public:
  MeshAttribute(MeshContainer* container, unsigned int kind, unsigned int count, unsigned int elementSize)
      : m_Kind(kind), m_Count(count), m_ElementSize(elementSize), m_SemanticIndex(-1), m_Format(0),
        m_pContainer(container) {}
  virtual ~MeshAttribute() = default;
  MeshAttribute(const MeshAttribute&) = delete;
  MeshAttribute& operator=(const MeshAttribute&) = delete;

  // A new attribute of the same type for owner, with the semantic, its index
  // and the format copied, and the elements too when copyData.
  virtual MeshAttribute* Clone(MeshContainer* owner, bool copyData) const;
  // A per-vertex attribute for target, which has three vertices per triangle
  // of this attribute's container: vertex 3t + c takes the value of corner c
  // of triangle t.
  virtual MeshAttribute* RollOut(MeshContainer* target, MeshAttribute* indices) const;
  // A per-vertex attribute for target in which every vertex of *vertexCount
  // is split into one vertex per distinct value among its corners; rewrites
  // target's index attribute, fills newToOld and sets *vertexCount to the
  // number of vertices made. lastVertexOfValue and vertexOfValue need one
  // entry per value plus one, list is target's vertex-to-triangle list.
  virtual MeshAttribute* SplitVertices(MeshContainer* target, unsigned int* vertexCount, unsigned int* newToOld,
                                       unsigned int* lastVertexOfValue, VertexTriangleRef<unsigned int>* list,
                                       unsigned int* vertexOfValue) const;

  unsigned int m_Kind;
  unsigned int m_Count;
  unsigned int m_ElementSize;
  StringEX m_Semantic;
  int m_SemanticIndex;
  unsigned int m_Format;
  MeshContainer* m_pContainer;

 protected:
  void CopyDescription(MeshAttribute* to) const {
    to->m_Semantic = m_Semantic;
    to->m_SemanticIndex = m_SemanticIndex;
    to->m_Format = m_Format;
  }
  // The checks every RollOut makes first; logs and returns false on failure.
  bool CanRollOutTo(const MeshContainer* target) const;
};

// The operations only per-vertex attributes offer.
class PerVertexAttributeFunctions {
 public:
  virtual ~PerVertexAttributeFunctions() = default;
  // A new attribute for the same container whose element i is element
  // newToOld[i] of this one, for i below newCount.
  virtual MeshAttribute* Remap(const unsigned int* newToOld, unsigned int newCount) const = 0;
  // Writes element i to destination + i * stride for every vertex of the
  // container; types that cannot live in a vertex buffer write nothing.
  virtual void CopyInterleaved(void* destination, unsigned int stride) const = 0;
};

template <typename T>
class PerVertexAttribute : public MeshAttribute, public PerVertexAttributeFunctions {
 public:
  // One element per vertex of container, or count elements when given.
  explicit PerVertexAttribute(MeshContainer* container);
  PerVertexAttribute(MeshContainer* container, unsigned int count)
      : MeshAttribute(container, PerVertex, count, sizeof(T)), m_Data(count) {}

  MeshAttribute* Clone(MeshContainer* owner, bool copyData) const override;
  MeshAttribute* RollOut(MeshContainer* target, MeshAttribute* indices) const override;
  MeshAttribute* Remap(const unsigned int* newToOld, unsigned int newCount) const override;
  void CopyInterleaved(void* destination, unsigned int stride) const override;

  T* GetData() { return m_Data.data(); }
  const T* GetData() const { return m_Data.data(); }
  T& operator[](unsigned int i) { return m_Data[i]; }
  const T& operator[](unsigned int i) const { return m_Data[i]; }

 private:
  std::vector<T> m_Data;
};

template <typename T>
class PerTriangleAttribute : public MeshAttribute {
 public:
  explicit PerTriangleAttribute(MeshContainer* container);

  MeshAttribute* Clone(MeshContainer* owner, bool copyData) const override;
  MeshAttribute* RollOut(MeshContainer* target, MeshAttribute* indices) const override;

  T* GetData() { return m_Data.data(); }
  const T* GetData() const { return m_Data.data(); }
  T& operator[](unsigned int i) { return m_Data[i]; }
  const T& operator[](unsigned int i) const { return m_Data[i]; }

 private:
  std::vector<T> m_Data;
};

// A table of valueCount values and one index into it per triangle (corners
// false) or per triangle corner (corners true). An index outside the table
// reads as a default value.
template <typename T, typename I, bool corners>
class IndexedAttribute : public MeshAttribute {
 public:
  IndexedAttribute(MeshContainer* container, unsigned int valueCount);

  MeshAttribute* Clone(MeshContainer* owner, bool copyData) const override;
  MeshAttribute* RollOut(MeshContainer* target, MeshAttribute* indices) const override;
  MeshAttribute* SplitVertices(MeshContainer* target, unsigned int* vertexCount, unsigned int* newToOld,
                               unsigned int* lastVertexOfValue, VertexTriangleRef<unsigned int>* list,
                               unsigned int* vertexOfValue) const override;

  T* GetValues() { return m_Values.data(); }
  const T* GetValues() const { return m_Values.data(); }
  I* GetIndices() { return m_Indices.data(); }
  const I* GetIndices() const { return m_Indices.data(); }
  unsigned int GetIndexCount() const { return static_cast<unsigned int>(m_Indices.size()); }
  // The value index of corner c of triangle t.
  unsigned int ValueIndex(unsigned int t, unsigned int c) const { return m_Indices[corners ? 3 * t + c : t]; }

 private:
  std::vector<T> m_Values;
  std::vector<I> m_Indices;
};

// Kind 2: one value index per triangle. Kind 4: one per triangle corner.
template <typename T, typename I>
using PerTriangleIndexedAttribute = IndexedAttribute<T, I, false>;
template <typename T, typename I>
using PerTriangleVertexIndexedAttribute = IndexedAttribute<T, I, true>;

template <typename T>
class SingleAttribute : public MeshAttribute {
 public:
  explicit SingleAttribute(MeshContainer* container) : MeshAttribute(container, Single, 1, sizeof(T)), m_Value() {}

  MeshAttribute* Clone(MeshContainer* owner, bool copyData) const override;
  MeshAttribute* RollOut(MeshContainer* target, MeshAttribute* indices) const override;

  T& GetValue() { return m_Value; }
  const T& GetValue() const { return m_Value; }

 private:
  T m_Value;
};

// The instantiations the engine uses are compiled once, in the library.
extern template class PerVertexAttribute<DXVector3>;
extern template class PerVertexAttribute<DXVector2>;
extern template class PerVertexAttribute<DXVector4>;
extern template class PerVertexAttribute<unsigned int>;
extern template class PerVertexAttribute<unsigned char>;
extern template class PerVertexAttribute<TriangleIndices<unsigned int>>;
extern template class PerVertexAttribute<StringEX>;
extern template class PerVertexAttribute<MeshMaterial*>;
extern template class PerVertexAttribute<SkinInfo>;
extern template class PerTriangleAttribute<TriangleIndices<unsigned int>>;
extern template class PerTriangleAttribute<DXVector3>;
extern template class IndexedAttribute<unsigned char, unsigned int, false>;
extern template class IndexedAttribute<MeshMaterial*, unsigned short, false>;
extern template class IndexedAttribute<DXVector3, unsigned int, true>;
extern template class IndexedAttribute<DXVector3, unsigned short, true>;
extern template class SingleAttribute<StringEX>;
extern template class SingleAttribute<SkinInfo>;

typedef PerTriangleAttribute<TriangleIndices<unsigned int>> IndexAttribute;
typedef PerTriangleIndexedAttribute<MeshMaterial*, unsigned short> MaterialAttribute;
