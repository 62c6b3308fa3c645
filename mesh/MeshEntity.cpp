#include <morvane/MeshEntity.h>

#include <morvane/Mesh.h>

MeshEntity::MeshEntity(Mesh* mesh, const StringEX& name) : m_pMesh(mesh), m_Name(name), m_RefCount(1) {
  if (m_pMesh) m_pMesh->AddEntity(this);
}

MeshEntity::~MeshEntity() {
  if (m_pMesh) {
    m_pMesh->RemoveEntity(this);
    m_pMesh->ForgetEntity(this);
  }
}

void MeshEntity::Release() {
  if (--m_RefCount < 1) delete this;
}
