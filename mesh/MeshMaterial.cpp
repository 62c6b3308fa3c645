#include <morvane/MeshMaterial.h>

#include <morvane/Mesh.h>

MeshMaterial::MeshMaterial(Mesh* mesh, const StringEX& name) : MeshEntity(mesh, name) {
  if (m_pMesh) m_pMesh->AddMaterial(this);
}
