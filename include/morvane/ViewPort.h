// ViewPort: a render-target rectangle and depth range, laid out field for
// field as Direct3D's viewport record so that it is handed over unchanged.
#pragma once

#include <windows.h>

struct ViewPort {
  INT TopLeftX;
  INT TopLeftY;
  UINT Width;
  UINT Height;
  FLOAT MinDepth;
  FLOAT MaxDepth;
};
