// STMode: a display mode, shared by the application window, the swap chain
// and the device settings dialog.
#pragma once

#include <dxgi.h>

#include "Texture.h"

struct STMode {
  // Every field zero or false.
  STMode();

  // Adapter 0, R8G8B8A8_UNORM with a D32_FLOAT depth buffer, windowed
  // 1024 x 768, any refresh rate, no vertical sync, no multisampling.
  void Default();

  unsigned int Adapter;  // index into Core::Adapters()
  DXGI_FORMAT Format;    // back-buffer format
  DataFormat DepthFormat;  // 0: no depth-stencil buffer
  bool Windowed;
  unsigned int Width;
  unsigned int Height;
  unsigned int RefreshNumerator;  // 0/0: unspecified
  unsigned int RefreshDenominator;
  bool VSync;  // present with sync interval 1 instead of 0
  // The swap chain takes 1 << MultiSampleLevel samples.
  unsigned int MultiSampleLevel;
};
