// The D3DX10 math types: row vectors, left-handed, 32-bit floats.
#pragma once

#include "windows.h"

struct D3DXVECTOR3 {
  D3DXVECTOR3() = default;
  D3DXVECTOR3(FLOAT fx, FLOAT fy, FLOAT fz) : x(fx), y(fy), z(fz) {}

  bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
  bool operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }

  FLOAT x, y, z;
};
