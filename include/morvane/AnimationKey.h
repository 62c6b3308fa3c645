// AnimationKey and its four kinds: one key track of an animation, integer
// key times with rotation, scaling, translation or whole-matrix values, that
// turns a time into a transform by interpolating between neighbouring keys.
#pragma once

#include "DXMath.h"
#include "MeshEntity.h"

enum AnimationKeyType : unsigned int {
  AKT_ROTATION = 0,
  AKT_SCALING = 1,
  AKT_TRANSLATION = 2,
  AKT_MATRIX = 4,
};

class AnimationKey : public MeshEntity {
 public:
  // Takes over both arrays (new[]): count times, ascending, and count x
  // FloatsPerKey() values.
  void SetKeys(unsigned int count, unsigned int* const times, float* const data);

  unsigned int GetKeyCount() const { return m_KeyCount; }
  const unsigned int* GetTimes() const { return m_pTimes; }
  const float* GetData() const { return m_pData; }
  AnimationKeyType GetKeyType() const { return m_Type; }
  // The floats one key holds for this kind of track.
  unsigned int FloatsPerKey() const { return FloatsPerKey(m_Type); }
  // 4 for rotations, 3 for scaling and translation, 16 for matrices, 0 for
  // any other number.
  static unsigned int FloatsPerKey(unsigned int type);
  // The last key's time, 0 without keys.
  unsigned int GetMaxTime() const;

  // The fractional position of time among the keys: 0 up to the first key,
  // count - 1 from the last on, in between the index of the key before time
  // plus the fraction of the way to the next one.
  float GetKeyIndex(float time) const;
  // The transform at a fractional key index; the identity without keys.
  virtual DXMatrix GetTransform(float keyIndex) const = 0;

 protected:
  AnimationKey(AnimationKeyType type, Mesh* const mesh, const StringEX& name);
  ~AnimationKey() override;
  AnimationKey(const AnimationKey&) = delete;
  AnimationKey& operator=(const AnimationKey&) = delete;

  // Resolves a key index into key i and the weight f towards key i + 1;
  // false without keys. f is 0 at either end and on exact keys.
  bool Locate(float keyIndex, unsigned int& i, float& f) const;
  // The n values of each key, interpolated linearly at a key index into out;
  // false (out untouched) without keys.
  bool Interpolate(float keyIndex, unsigned int n, float* out) const;

  AnimationKeyType m_Type;
  unsigned int m_KeyCount;
  unsigned int* m_pTimes;
  float* m_pData;
};

// Quaternions x, y, z, w; the matrix is the transposed rotation matrix.
class RotationAnimationKey : public AnimationKey {
 public:
  RotationAnimationKey(Mesh* const mesh, const StringEX& name) : AnimationKey(AKT_ROTATION, mesh, name) {}
  const D3DXQUATERNION* GetRotations() const { return reinterpret_cast<const D3DXQUATERNION*>(m_pData); }
  DXMatrix GetTransform(float keyIndex) const override;
};

// Scale factors x, y, z, interpolated linearly.
class ScalingAnimationKey : public AnimationKey {
 public:
  ScalingAnimationKey(Mesh* const mesh, const StringEX& name) : AnimationKey(AKT_SCALING, mesh, name) {}
  const DXVector3* GetTranslations() const { return reinterpret_cast<const DXVector3*>(m_pData); }
  DXMatrix GetTransform(float keyIndex) const override;
};

// Offsets x, y, z, interpolated linearly.
class TranslationAnimationKey : public AnimationKey {
 public:
  TranslationAnimationKey(Mesh* const mesh, const StringEX& name) : AnimationKey(AKT_TRANSLATION, mesh, name) {}
  const DXVector3* GetTranslations() const { return reinterpret_cast<const DXVector3*>(m_pData); }
  DXMatrix GetTransform(float keyIndex) const override;
};

// Whole matrices, interpolated element by element.
class MatrixAnimationKey : public AnimationKey {
 public:
  MatrixAnimationKey(Mesh* const mesh, const StringEX& name) : AnimationKey(AKT_MATRIX, mesh, name) {}
  const DXMatrix* GetMatrices() const { return reinterpret_cast<const DXMatrix*>(m_pData); }
  DXMatrix GetTransform(float keyIndex) const override;
};
