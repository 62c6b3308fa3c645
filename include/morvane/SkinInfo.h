// SkinInfo: the skin header of a skinned mesh, the per-vertex weight maximum
// followed by one name and one offset matrix per bone.
#pragma once

#include <vector>

#include "DXMath.h"
#include "StringEX.h"

struct SkinInfo {
  unsigned char m_MaxWeightsPerVertex = 0;
  std::vector<StringEX> m_BoneNames;
  std::vector<DXMatrix> m_BoneOffsets;
};
