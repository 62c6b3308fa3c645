// MeshGeometry: a drawable mesh of a model, its device mesh with one material
// per subset, its skin header and the frames it is placed at.
#pragma once

#include <vector>

#include "MeshEntity.h"

class DeviceMesh;
class MeshContainer;
class MeshFrame;
class MeshMaterial;
struct SkinInfo;

class MeshGeometry : public MeshEntity {
 public:
  // Empty; appends itself to the mesh's geometry list when it has a mesh.
  MeshGeometry(Mesh* mesh, const StringEX& name);

  DeviceMesh* GetGeometry() const { return m_pGeometry; }
  MeshMaterial** GetMaterials() const { return m_ppMaterials; }
  unsigned int GetMaterialCount() const { return m_MaterialCount; }
  // No range check; null for a subset without a material.
  MeshMaterial* GetMaterial(unsigned int index) const { return m_ppMaterials[index]; }
  SkinInfo* GetSkinInfo() const { return m_pSkinInfo; }
  unsigned int GetInstanceCount() const { return static_cast<unsigned int>(m_Instances.size()); }
  MeshFrame* GetInstanceFrame(unsigned int index) const { return m_Instances[index]; }

  // Replaces everything by the four arguments, taken over as given: the
  // device mesh, the material array (new[]) with the caller's references, the
  // skin header (new).
  void SetGeometry(DeviceMesh* geometry, MeshMaterial** materials, unsigned int count, SkinInfo* skinInfo);
  // Builds the device mesh (options 0xEF) and takes the materials and the
  // skin header of container; null leaves the geometry empty. The references
  // of the container's material list pass to the geometry.
  void SetMeshContainer(MeshContainer* container);

 protected:
  friend class MeshFrame;
  ~MeshGeometry() override;
  void AddInstance(MeshFrame* frame) { m_Instances.push_back(frame); }

 private:
  MeshGeometry(const MeshGeometry&) = delete;
  MeshGeometry& operator=(const MeshGeometry&) = delete;
  void Clear();

  DeviceMesh* m_pGeometry;
  MeshMaterial** m_ppMaterials;
  unsigned int m_MaterialCount;
  SkinInfo* m_pSkinInfo;
  std::vector<MeshFrame*> m_Instances;
};
