// MeshFrame: a node of a model's transform hierarchy (first child / next
// sibling links) with the geometries placed at it.
#pragma once

#include <vector>

#include "DXMath.h"
#include "MeshEntity.h"

class MeshGeometry;

class MeshFrame : public MeshEntity {
 public:
  // Identity transform, no links, no geometries; appends itself to the mesh's
  // frame list when it has a mesh.
  MeshFrame(Mesh* mesh, const StringEX& name);
  MeshFrame(const MeshFrame&) = default;
  MeshFrame& operator=(const MeshFrame&) = default;

  DXMatrix GetTransform() const { return m_Transform; }
  void SetTransform(const DXMatrix& transform) { m_Transform = transform; }

  // Plain links: linking changes no reference count, and the frame never
  // releases its children or siblings (the mesh tears the hierarchy down).
  MeshFrame* GetParent() const { return m_pParent; }
  void SetParent(MeshFrame* parent) { m_pParent = parent; }
  MeshFrame* GetNextSibling() const { return m_pNextSibling; }
  void SetNextSibling(MeshFrame* sibling) { m_pNextSibling = sibling; }
  MeshFrame* GetFirstChild() const { return m_pFirstChild; }
  void SetFirstChild(MeshFrame* child) { m_pFirstChild = child; }

  unsigned int GetGeometryCount() const { return static_cast<unsigned int>(m_Geometries.size()); }
  // No range check.
  MeshGeometry* GetGeometry(unsigned int index) const { return m_Geometries[index]; }
  // Places geometry at this frame; the caller's reference passes to the frame.
  void AddGeometry(MeshGeometry* geometry);

 private:
  // Releases one reference of every geometry placed here.
  ~MeshFrame() override;

  DXMatrix m_Transform;
  std::vector<MeshGeometry*> m_Geometries;
  MeshFrame* m_pParent;
  MeshFrame* m_pNextSibling;
  MeshFrame* m_pFirstChild;
};
