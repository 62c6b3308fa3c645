// The DXGI swap chain: one back buffer, a Direct3D 10 texture of this
// platform, whose pixels are copied into the SDL window behind the output
// window on every present.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "d3d10/d3d10_device.h"
#include "dxgi/dxgi_object.h"
#include "sdl/sdl_present.h"

class DxgiSwapChain final : public DxgiObject<IDXGISwapChain> {
 public:
  // The description is validated and completed (a width or height of 0
  // takes the window's client size); a full-screen description that the
  // display refuses gives a windowed swap chain and DXGI_STATUS_OCCLUDED.
  static HRESULT Create(IDXGIFactory* factory, ID3D10Device* device, const DXGI_SWAP_CHAIN_DESC& desc,
                        IDXGISwapChain** swapChain);

  HRESULT STDMETHODCALLTYPE GetDevice(REFIID riid, void** ppDevice) override;
  HRESULT STDMETHODCALLTYPE Present(UINT SyncInterval, UINT Flags) override;
  HRESULT STDMETHODCALLTYPE GetBuffer(UINT Buffer, REFIID riid, void** ppSurface) override;
  HRESULT STDMETHODCALLTYPE SetFullscreenState(BOOL Fullscreen, IDXGIOutput* pTarget) override;
  HRESULT STDMETHODCALLTYPE GetFullscreenState(BOOL* pFullscreen, IDXGIOutput** ppTarget) override;
  HRESULT STDMETHODCALLTYPE GetDesc(DXGI_SWAP_CHAIN_DESC* pDesc) override;
  HRESULT STDMETHODCALLTYPE ResizeBuffers(UINT BufferCount, UINT Width, UINT Height, DXGI_FORMAT NewFormat,
                                          UINT SwapChainFlags) override;
  HRESULT STDMETHODCALLTYPE ResizeTarget(const DXGI_MODE_DESC* pNewTargetParameters) override;

 private:
  DxgiSwapChain(IDXGIFactory* factory, ID3D10Device* device, D3D10Device* backend, const DXGI_SWAP_CHAIN_DESC& desc);
  ~DxgiSwapChain() override;

  // A new back buffer for the description's size, format and sampling; the
  // old one is dropped (applications holding it keep a dead texture).
  HRESULT CreateBuffer();
  void DeleteResolveTarget();
  // Copies the back buffer's pixels as rows of 8-bit RGBA, or BGRA when
  // red and blue are to be swapped.
  void ReadBackBuffer(void* pixels, bool swapRedAndBlue);
  // Waits until syncInterval refreshes have passed since the last present.
  void WaitForRefresh(SDL_Window* window, UINT syncInterval);
  // Records the client size the windowing system has after a switch.
  void FollowWindowSize(SDL_Window* window);

  ComPtr<ID3D10Device> m_device;
  D3D10Device* m_backend;
  DXGI_SWAP_CHAIN_DESC m_desc;
  ComPtr<ID3D10Texture2D> m_buffer;
  std::unique_ptr<SdlPicture> m_picture;
  // Rows on their way into a window whose pixels are BGRA.
  std::vector<uint32_t> m_band;
  // Multisampled buffers are resolved into this single-sampled texture.
  GLuint m_resolveFramebuffers[2] = {0, 0};
  GLuint m_resolveTexture = 0;
  bool m_fullscreen = false;
  // The last ResizeTarget; a size of 0 means the back buffer's.
  DXGI_MODE_DESC m_target{};
  int m_targetDisplay = -1;
  // The client size to go back to when leaving full screen.
  int m_windowedWidth = 0;
  int m_windowedHeight = 0;
  unsigned long long m_lastPresentNs = 0;
};
