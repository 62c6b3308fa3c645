#include <morvane/MeshFrame.h>

#include <morvane/Mesh.h>
#include <morvane/MeshGeometry.h>

MeshFrame::MeshFrame(Mesh* mesh, const StringEX& name)
    : MeshEntity(mesh, name), m_pParent(nullptr), m_pNextSibling(nullptr), m_pFirstChild(nullptr) {
  D3DXMatrixIdentity(&m_Transform);
  if (m_pMesh) m_pMesh->AddFrame(this);
}

MeshFrame::~MeshFrame() {
  for (MeshGeometry* geometry : m_Geometries) geometry->Release();
}

void MeshFrame::AddGeometry(MeshGeometry* geometry) {
  m_Geometries.push_back(geometry);
  geometry->AddInstance(this);
}
