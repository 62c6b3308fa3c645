// IRenderBuffer, IRenderTarget, IDepthStencilTarget: what the graphics device
// renders into. A colour target is an array of render-target views, a depth
// target one depth-stencil view; GraphicsDevice::SetRenderTargets binds a pair
// and records it, which is what IsBound compares against.
#pragma once

#include <d3d10.h>

#include "ColorRGBA.h"

class GraphicsDevice;

class IRenderBuffer {
 public:
  explicit IRenderBuffer(GraphicsDevice* device) : m_pDevice(device) {}
  virtual ~IRenderBuffer() = default;
  virtual bool IsBound() const = 0;

  GraphicsDevice* GetDevice() const { return m_pDevice; }

 protected:
  GraphicsDevice* m_pDevice;
};

class IRenderTarget : public IRenderBuffer {
 public:
  using IRenderBuffer::IRenderBuffer;

  // True when the device's current render target is this object.
  bool IsBound() const override;
  virtual ID3D10RenderTargetView* const* GetViewArray() const = 0;
  virtual unsigned int GetViewCount() const = 0;

  // Clears every view, in order.
  void Clear(const ColorRGBA& color);
  void ClearView(unsigned int index, const ColorRGBA& color);
};

class IDepthStencilTarget : public IRenderBuffer {
 public:
  using IRenderBuffer::IRenderBuffer;

  // True when the device's current depth-stencil target is this object.
  bool IsBound() const override;
  virtual ID3D10DepthStencilView* GetView() const = 0;

  // Depth to 1.0, stencil untouched.
  void ClearDepth();
  void Clear(unsigned int flags, float depth, unsigned char stencil);
};
