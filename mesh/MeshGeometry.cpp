#include <morvane/MeshGeometry.h>

#include <algorithm>
#include <cstring>

#include <morvane/Core.h>
#include <morvane/DeviceMesh.h>
#include <morvane/Mesh.h>
#include <morvane/MeshMaterial.h>
#include <morvane/SkinInfo.h>

MeshGeometry::MeshGeometry(Mesh* mesh, const StringEX& name)
    : MeshEntity(mesh, name), m_pGeometry(nullptr), m_ppMaterials(nullptr), m_MaterialCount(0),
      m_pSkinInfo(nullptr) {
  if (m_pMesh) m_pMesh->AddGeometry(this);
}

MeshGeometry::~MeshGeometry() { Clear(); }

void MeshGeometry::Clear() {
  for (unsigned int i = 0; i < m_MaterialCount; ++i)
    if (m_ppMaterials[i]) m_ppMaterials[i]->Release();
  delete[] m_ppMaterials;
  m_ppMaterials = nullptr;
  m_MaterialCount = 0;
  delete m_pGeometry;
  m_pGeometry = nullptr;
  delete m_pSkinInfo;
  m_pSkinInfo = nullptr;
}

void MeshGeometry::SetGeometry(DeviceMesh* geometry, MeshMaterial** materials, unsigned int count,
                               SkinInfo* skinInfo) {
  Clear();
  m_pGeometry = geometry;
  m_ppMaterials = materials;
  m_MaterialCount = count;
  m_pSkinInfo = skinInfo;
}

void MeshGeometry::SetMeshContainer(MeshContainer* container) {
  Clear();
  if (!container) return;

  m_pGeometry = new DeviceMesh(container, m_pMesh ? m_pMesh->GetDevice() : nullptr, 0xEF);

  if (auto* skin = dynamic_cast<SingleAttribute<SkinInfo>*>(container->GetAttribute("SKININFO")))
    m_pSkinInfo = new SkinInfo(skin->GetValue());

  unsigned int subsets = m_pGeometry->GetSubsetCount();
  auto* materials = dynamic_cast<MaterialAttribute*>(container->GetAttribute("MATERIALS"));
  if (!materials) {
    Core::Log()->Warning("MeshGeometry::SetMeshContainer: no materials", 3);
    m_MaterialCount = subsets;
    m_ppMaterials = new MeshMaterial*[subsets]();
    return;
  }
  unsigned int values = materials->m_Count;
  if (values != subsets) Core::Log()->Warning("MeshGeometry::SetMeshContainer: materialcount != subsetcount", 3);
  // Compared as signed numbers, as the counts are elsewhere in the engine.
  m_MaterialCount = static_cast<int>(values) > static_cast<int>(subsets) ? values : subsets;
  m_ppMaterials = new MeshMaterial*[m_MaterialCount]();
  std::copy(materials->GetValues(), materials->GetValues() + std::min(values, m_MaterialCount), m_ppMaterials);
}
