#include <morvane/AnimationKey.h>

AnimationKey::AnimationKey(AnimationKeyType type, Mesh* const mesh, const StringEX& name)
    : MeshEntity(mesh, name), m_Type(type), m_KeyCount(0), m_pTimes(nullptr), m_pData(nullptr) {}

AnimationKey::~AnimationKey() {
  delete[] m_pTimes;
  delete[] m_pData;
}

void AnimationKey::SetKeys(unsigned int count, unsigned int* const times, float* const data) {
  // The old arrays go whatever the new count, unless they are handed in
  // again: keeping them would leak them.
  if (m_pTimes != times) delete[] m_pTimes;
  if (m_pData != data) delete[] m_pData;
  m_KeyCount = count;
  m_pTimes = times;
  m_pData = data;
}

unsigned int AnimationKey::FloatsPerKey(unsigned int type) {
  switch (type) {
    case AKT_ROTATION: return 4;
    case AKT_SCALING:
    case AKT_TRANSLATION: return 3;
    case AKT_MATRIX: return 16;
    default: return 0;
  }
}

unsigned int AnimationKey::GetMaxTime() const { return m_KeyCount ? m_pTimes[m_KeyCount - 1] : 0; }

float AnimationKey::GetKeyIndex(float time) const {
  // Written as negations so that a NaN time lands on the first key.
  if (m_KeyCount == 0 || !(time > static_cast<float>(m_pTimes[0]))) return 0.0f;
  const unsigned int last = m_KeyCount - 1;
  if (time >= static_cast<float>(m_pTimes[last])) return static_cast<float>(last);

  // Binary search for the whole part of time.
  const unsigned int whole = static_cast<unsigned int>(time);
  int low = 0, high = static_cast<int>(last), mid = 0;
  bool hit = false;
  while (low <= high) {
    mid = (low + high) / 2;
    if (m_pTimes[mid] == whole) {
      hit = true;
      break;
    }
    if (whole > m_pTimes[mid])
      low = mid + 1;
    else
      high = mid - 1;
  }
  if (hit && time == static_cast<float>(whole)) return static_cast<float>(mid);
  int first = hit || m_pTimes[mid] <= whole ? mid : mid - 1;
  // Times out of order (a damaged model) can leave the interval outside the
  // track; it is pulled back in so that both keys exist.
  if (first < 0) first = 0;
  if (first > static_cast<int>(last) - 1) first = static_cast<int>(last) - 1;
  float from = static_cast<float>(m_pTimes[first]);
  float span = static_cast<float>(m_pTimes[first + 1]) - from;
  // Two keys at one time: the earlier key holds until the next one.
  if (span == 0.0f) return static_cast<float>(first);
  return static_cast<float>(first) + (time - from) / span;
}

bool AnimationKey::Locate(float keyIndex, unsigned int& i, float& f) const {
  if (m_KeyCount == 0) return false;
  i = 0;
  f = 0.0f;
  // A NaN index fails the first test and takes key 0.
  if (!(keyIndex > 0.0f)) return true;
  if (keyIndex >= static_cast<float>(m_KeyCount - 1)) {
    i = m_KeyCount - 1;
    return true;
  }
  i = static_cast<unsigned int>(keyIndex);
  f = keyIndex - static_cast<float>(i);
  return true;
}

DXMatrix RotationAnimationKey::GetTransform(float keyIndex) const {
  DXMatrix result;
  D3DXMatrixIdentity(&result);
  unsigned int i;
  float f;
  if (!Locate(keyIndex, i, f)) return result;
  const D3DXQUATERNION* q = GetRotations();
  D3DXQUATERNION value = q[i];
  if (f != 0.0f) D3DXQuaternionSlerp(&value, &q[i], &q[i + 1], f);
  DXMatrix rotation;
  D3DXMatrixRotationQuaternion(&rotation, &value);
  D3DXMatrixTranspose(&result, &rotation);
  return result;
}

bool AnimationKey::Interpolate(float keyIndex, unsigned int n, float* out) const {
  unsigned int i;
  float f;
  if (!Locate(keyIndex, i, f)) return false;
  // v[i] + (v[i + 1] - v[i]) x f, component by component; f is 0 at the last key.
  const float* a = m_pData + static_cast<size_t>(i) * n;
  for (unsigned int c = 0; c < n; ++c) out[c] = f != 0.0f ? a[c] + (a[n + c] - a[c]) * f : a[c];
  return true;
}

DXMatrix ScalingAnimationKey::GetTransform(float keyIndex) const {
  DXMatrix result;
  D3DXMatrixIdentity(&result);
  float v[3];
  if (Interpolate(keyIndex, 3, v)) D3DXMatrixScaling(&result, v[0], v[1], v[2]);
  return result;
}

DXMatrix TranslationAnimationKey::GetTransform(float keyIndex) const {
  DXMatrix result;
  D3DXMatrixIdentity(&result);
  float v[3];
  if (Interpolate(keyIndex, 3, v)) D3DXMatrixTranslation(&result, v[0], v[1], v[2]);
  return result;
}

DXMatrix MatrixAnimationKey::GetTransform(float keyIndex) const {
  DXMatrix result;
  D3DXMatrixIdentity(&result);
  Interpolate(keyIndex, 16, &result._11);
  return result;
}
