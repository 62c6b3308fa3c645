// SwapChain: presents the frames of one window. Its back buffer is a render
// texture (with a depth-stencil buffer when the mode names a depth format)
// that is replaced on every creation and every ResizeBuffers: fetch
// GetBackBuffer() and GetTarget() again after either.
#pragma once

#include <windows.h>
#include <dxgi.h>

#include "RenderBuffer.h"
#include "STMode.h"
#include "ViewPort.h"

class GraphicsDevice;
class RenderTexture2D;

// A render target with the viewport that covers it.
struct ViewPortTarget {
  // Null target and an all-zero viewport.
  ViewPortTarget();
  // The back buffer with a viewport from (0, 0) over its whole texture,
  // depth 0 to 1; null gives the empty target.
  explicit ViewPortTarget(RenderTexture2D* backBuffer);

  IRenderTarget* Target;  // not owned
  ViewPort Viewport;
};

class SwapChain {
 public:
  // Creates the DXGI swap chain for the window; failures are logged and
  // leave the swap chain or its back buffer null.
  SwapChain(GraphicsDevice* const device, const STMode& mode, HWND__* const window);
  // Leaves full screen first.
  ~SwapChain();
  SwapChain(const SwapChain&) = delete;
  SwapChain& operator=(const SwapChain&) = delete;

  // A new multisample level recreates the swap chain; otherwise the target
  // is resized and the full-screen state switched. Nothing without a swap chain.
  void SetMode(const STMode& mode);
  void ToggleFullScreen();
  // Follows the window's client size with a new back buffer.
  void ResizeBuffers();
  // Accepted and ignored.
  void ResizeTarget(unsigned int width, unsigned int height);
  // The DXGI result; DXGI_STATUS_OCCLUDED marks the window occluded, any
  // other success clears the mark.
  long Present();

  STMode GetMode() const { return m_Mode; }
  bool IsOccluded() const { return m_bOccluded; }
  RenderTexture2D* GetBackBuffer() const { return m_pBackBuffer; }
  const ViewPortTarget* GetTarget() const { return &m_Target; }
  HWND__* GetHWND() const { return m_hWnd; }
  GraphicsDevice* GetDevice() const { return m_pDevice; }
  IDXGISwapChain* GetSwapChain() const { return m_pSwapChain; }

 private:
  void CreateSwapChain();
  // Wraps buffer 0 as the back buffer and rebuilds the target.
  void WrapBackBuffer(ID3D10Texture2D* texture);

  STMode m_Mode;
  GraphicsDevice* m_pDevice;
  IDXGISwapChain* m_pSwapChain;
  HWND m_hWnd;
  bool m_bOccluded;
  RenderTexture2D* m_pBackBuffer;
  ViewPortTarget m_Target;
};
