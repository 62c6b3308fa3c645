// Animation: up to three key tracks that drive one frame of a model, and
// AnimationSet: one named clip made of animations.
#pragma once

#include <vector>

#include "DXMath.h"
#include "MeshEntity.h"

class AnimationKey;
class MeshFrame;

// The clip's position-quality option: stored and returned, never evaluated.
enum PositionQuality : unsigned int {
  PQ_SPLINE = 0,
  PQ_LINEAR = 1,
};

class Animation : public MeshEntity {
 public:
  static const unsigned int kMaxKeys = 3;

  Animation(Mesh* const mesh, const StringEX& name);

  // Takes over the caller's reference; a frame set before is released.
  void SetFrame(MeshFrame* const frame);
  MeshFrame* GetFrame() const { return m_pFrame; }
  void SetOptions(bool closed, PositionQuality quality) {
    m_Closed = closed;
    m_PositionQuality = quality;
  }
  bool IsClosed() const { return m_Closed; }
  PositionQuality GetPositionQuality() const { return m_PositionQuality; }

  // Takes over the caller's reference. A fourth track is refused with an
  // error and keeps the reference the caller handed over.
  void AddAnimationKey(AnimationKey* const key);
  unsigned int GetKeyCount() const { return m_KeyCount; }
  // No range check.
  AnimationKey* GetAnimationKey(unsigned int index) const { return m_pKeys[index]; }
  unsigned int GetMaxTime() const { return m_MaxTime; }

  // The product of the tracks' transforms at time, in the order the tracks
  // were added (current product on the left); the identity without tracks.
  DXMatrix GetTransformation(float time) const;

 protected:
  ~Animation() override;

 private:
  Animation(const Animation&) = delete;
  Animation& operator=(const Animation&) = delete;

  MeshFrame* m_pFrame;
  bool m_Closed;
  PositionQuality m_PositionQuality;
  unsigned int m_KeyCount;
  AnimationKey* m_pKeys[kMaxKeys];
  unsigned int m_MaxTime;
};

class AnimationSet : public MeshEntity {
 public:
  // Appends itself to the mesh's list of animation sets when it has a mesh.
  AnimationSet(Mesh* const mesh, const StringEX& name);

  // Takes over the caller's reference; null is ignored.
  void AddAnimation(Animation* const animation);
  unsigned int GetAnimationCount() const { return static_cast<unsigned int>(m_Animations.size()); }
  // No range check.
  Animation* GetAnimation(unsigned int index) const { return m_Animations[index]; }
  unsigned int GetMaxTime() const { return m_MaxTime; }

 protected:
  ~AnimationSet() override;

 private:
  AnimationSet(const AnimationSet&) = delete;
  AnimationSet& operator=(const AnimationSet&) = delete;

  std::vector<Animation*> m_Animations;
  unsigned int m_MaxTime;
};
