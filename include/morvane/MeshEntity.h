// MeshEntity: the common base of every named, reference-counted object of a
// loaded model (frames, geometries, materials, animation sets, animations and
// key tracks). An entity registers itself with its mesh when it is created;
// its last Release unregisters and destroys it. Code that holds a
// MeshEntity* finds its kind by a dynamic cast.
#pragma once

#include "StringEX.h"

class Mesh;

class MeshEntity {
 public:
  // Copies every field, the reference count included; the copy is not
  // registered with the mesh.
  MeshEntity(const MeshEntity&) = default;
  MeshEntity& operator=(const MeshEntity&) = default;

  StringEX GetName() const { return m_Name; }
  Mesh* GetMesh() const { return m_pMesh; }
  int GetRefCount() const { return m_RefCount; }

  // Plain count changes: neither registers, unregisters nor destroys.
  void IncRefCount() { ++m_RefCount; }
  void DecRefCount() { --m_RefCount; }
  // Drops one reference; below 1 the entity leaves its mesh and is destroyed.
  void Release();

 protected:
  // Count 1; registered with mesh (Mesh::AddEntity) when mesh is not null.
  MeshEntity(Mesh* mesh, const StringEX& name);
  // Leaves the mesh's registry and typed lists if it is still there, so that
  // no list of the mesh ever points at a destroyed entity.
  virtual ~MeshEntity();

  Mesh* m_pMesh;
  StringEX m_Name;
  int m_RefCount;

 private:
  friend class Mesh;
};
