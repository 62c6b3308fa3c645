#include <morvane/Animation.h>

#include <morvane/AnimationKey.h>
#include <morvane/Core.h>
#include <morvane/Mesh.h>
#include <morvane/MeshFrame.h>

Animation::Animation(Mesh* const mesh, const StringEX& name)
    : MeshEntity(mesh, name), m_pFrame(nullptr), m_Closed(false), m_PositionQuality(PQ_SPLINE), m_KeyCount(0),
      m_pKeys{}, m_MaxTime(0) {}

Animation::~Animation() {
  for (unsigned int i = 0; i < m_KeyCount; ++i) m_pKeys[i]->Release();
  if (m_pFrame) m_pFrame->Release();
}

void Animation::SetFrame(MeshFrame* const frame) {
  if (m_pFrame && m_pFrame != frame) m_pFrame->Release();
  m_pFrame = frame;
}

void Animation::AddAnimationKey(AnimationKey* const key) {
  if (!key) return;
  if (m_KeyCount >= kMaxKeys) {
    Core::Log()->Error("AnimationKey limit exceeded.");
    return;
  }
  m_pKeys[m_KeyCount++] = key;
  if (key->GetMaxTime() > m_MaxTime) m_MaxTime = key->GetMaxTime();
}

DXMatrix Animation::GetTransformation(float time) const {
  DXMatrix result;
  D3DXMatrixIdentity(&result);
  for (unsigned int i = 0; i < m_KeyCount; ++i) {
    DXMatrix track = m_pKeys[i]->GetTransform(m_pKeys[i]->GetKeyIndex(time));
    D3DXMatrixMultiply(&result, &result, &track);
  }
  return result;
}

AnimationSet::AnimationSet(Mesh* const mesh, const StringEX& name) : MeshEntity(mesh, name), m_MaxTime(0) {
  if (m_pMesh) m_pMesh->AddAnimationSet(this);
}

AnimationSet::~AnimationSet() {
  for (Animation* animation : m_Animations) animation->Release();
}

void AnimationSet::AddAnimation(Animation* const animation) {
  if (!animation) return;
  m_Animations.push_back(animation);
  if (animation->GetMaxTime() > m_MaxTime) m_MaxTime = animation->GetMaxTime();
}
