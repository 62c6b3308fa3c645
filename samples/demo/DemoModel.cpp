#include "DemoModel.h"

#include <cmath>

namespace {

// Animation ticks per second of the demo's playback.
constexpr float kTicksPerSecond = 60.0f;

}  // namespace

DemoModel::DemoModel(GraphicsDevice* device, const StringEX& dataDirectory)
    : m_pDevice(device), m_pMesh(nullptr), m_pEffect(nullptr), m_pTechnique(nullptr) {
  m_pMesh = MeshLoader(device).FromXFile(dataDirectory + "Column.x");
  if (!m_pMesh) return;
  m_pEffect = device->GetShaderManager()->CreateShaderEffect(dataDirectory + "Skinned.fx", nullptr);
  if (!m_pEffect->IsCompiled()) {
    Core::Log()->Error("Skinned.fx did not compile: " + m_pEffect->GetErrors());
    return;
  }
  m_pTechnique = m_pEffect->GetTechnique("Skinned");
  m_Worlds.reserve(m_pMesh->GetFrameCount());
  m_Pending.reserve(m_pMesh->GetFrameCount() * 2 + 2);
}

DemoModel::~DemoModel() {
  if (m_pEffect) m_pEffect->Release();
  if (m_pMesh) m_pMesh->Release();
}

void DemoModel::UpdateWorlds() {
  DXMatrix identity;
  D3DXMatrixIdentity(&identity);
  m_Worlds.clear();
  m_Pending.clear();
  m_Pending.push_back(Posed{m_pMesh->GetFrameRoot(), identity});
  while (!m_Pending.empty()) {
    Posed parent = m_Pending.back();
    m_Pending.pop_back();
    if (!parent.frame) continue;
    DXMatrix local = parent.frame->GetTransform();
    Posed posed{parent.frame, identity};
    D3DXMatrixMultiply(&posed.world, &local, &parent.world);
    m_Worlds.push_back(posed);
    // Siblings share the parent's world, children take this frame's.
    m_Pending.push_back(Posed{parent.frame->GetNextSibling(), parent.world});
    m_Pending.push_back(Posed{parent.frame->GetFirstChild(), posed.world});
  }
}

const DXMatrix* DemoModel::FindWorld(const StringEX& frame) const {
  for (const Posed& posed : m_Worlds)
    if (posed.frame->GetName() == frame) return &posed.world;
  return nullptr;
}

void DemoModel::Render(float time, const DXMatrix& viewProjection) {
  if (!IsReady()) return;
  if (m_pMesh->GetAnimationSetCount() > 0) {
    AnimationSet* set = m_pMesh->GetAnimationSet(0);
    float length = static_cast<float>(set->GetMaxTime());
    float ticks = length > 0.0f ? std::fmod(time * kTicksPerSecond, length) : 0.0f;
    for (unsigned int a = 0; a < set->GetAnimationCount(); ++a) {
      Animation* animation = set->GetAnimation(a);
      if (animation->GetFrame()) animation->GetFrame()->SetTransform(animation->GetTransformation(ticks));
    }
  }
  UpdateWorlds();

  if (EffectVariable* variable = m_pEffect->GetVariableBySemantic("VIEWPROJECTION")) variable->SetValue(viewProjection);
  EffectVariable* bones = m_pEffect->GetVariableBySemantic("BONES");
  EffectVariable* diffuse = m_pEffect->GetVariableBySemantic("DIFFUSE");
  ID3D10EffectPass* pass = m_pTechnique->Technique->GetPassByIndex(0);
  for (unsigned int g = 0; g < m_pMesh->GetGeometryCount(); ++g) {
    MeshGeometry* geometry = m_pMesh->GetGeometry(g);
    DeviceMesh* deviceMesh = geometry->GetGeometry();
    const SkinInfo* skin = geometry->GetSkinInfo();
    if (!deviceMesh || !skin) continue;
    // Each bone carries the skin from its bind pose to its animated frame.
    m_Bones.resize(skin->m_BoneNames.size());
    for (size_t b = 0; b < m_Bones.size(); ++b) {
      const DXMatrix* world = FindWorld(skin->m_BoneNames[b]);
      if (world)
        D3DXMatrixMultiply(&m_Bones[b], &skin->m_BoneOffsets[b], world);
      else
        D3DXMatrixIdentity(&m_Bones[b]);
    }
    if (bones) bones->SetValue(m_Bones.data(), static_cast<unsigned int>(m_Bones.size() * sizeof(DXMatrix)));

    for (unsigned int s = 0; s < deviceMesh->GetSubsetCount(); ++s) {
      const SubsetInfo& subset = deviceMesh->GetSubset(s);
      if (diffuse && s < geometry->GetMaterialCount())
        diffuse->SetValue(geometry->GetMaterial(s)->m_Diffuse, sizeof(float) * 4);
      m_Buffers.assign(subset.vertexBuffers.Data(), subset.vertexBuffers.Data() + subset.vertexBuffers.Size());
      m_pDevice->SetVertexBuffers(m_Buffers);
      m_pDevice->SetIndexBuffer(subset.indexBuffer, 0);
      m_pDevice->SetInputLayout(subset.bufferLayout, m_pTechnique->Signatures[0]);
      m_pDevice->SetPrimitiveType(static_cast<PrimitiveType>(subset.topology));
      pass->Apply(0);
      m_pDevice->DrawIndexed(subset.indexCount, subset.startIndex, 0);
    }
  }
}
