#include "dxgi/dxgi_swapchain.h"

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "d3d10/d3d10_texture.h"
#include "dxgi/dxgi_output.h"
#include "testing/testing_faults.h"
#include "win32/win32_window.h"

namespace {

constexpr UINT kKnownUsage = DXGI_USAGE_SHADER_INPUT | DXGI_USAGE_RENDER_TARGET_OUTPUT | DXGI_USAGE_BACK_BUFFER;
constexpr UINT kKnownFlags =
    DXGI_SWAP_CHAIN_FLAG_NONPREROTATED | DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH | DXGI_SWAP_CHAIN_FLAG_GDI_COMPATIBLE;
constexpr UINT kKnownPresentFlags = DXGI_PRESENT_TEST | DXGI_PRESENT_DO_NOT_SEQUENCE | DXGI_PRESENT_RESTART;
constexpr UINT kMaxSyncInterval = 4;

// The rules of a swap-chain description, checked before anything is made.
HRESULT ValidateDesc(const DXGI_SWAP_CHAIN_DESC& desc) {
  // The output window is a living window of this process.
  if (!Win32FindWindow(desc.OutputWindow)) return DXGI_ERROR_INVALID_CALL;
  // At least one buffer, at most the runtime's limit.
  if (desc.BufferCount < 1 || desc.BufferCount > DXGI_MAX_SWAP_CHAIN_BUFFERS) return DXGI_ERROR_INVALID_CALL;
  // Only formats the display can scan out.
  if (!DxgiIsPresentable(desc.BufferDesc.Format)) return DXGI_ERROR_INVALID_CALL;
  // One sample or more; the sequential effect keeps single-sampled buffers.
  if (desc.SampleDesc.Count < 1) return DXGI_ERROR_INVALID_CALL;
  // Callers may store any number in the enumeration field.
  UINT swapEffect = D3D10Raw(desc.SwapEffect);
  if (swapEffect == DXGI_SWAP_EFFECT_SEQUENTIAL && desc.SampleDesc.Count > 1) return DXGI_ERROR_INVALID_CALL;
  if (swapEffect != DXGI_SWAP_EFFECT_DISCARD && swapEffect != DXGI_SWAP_EFFECT_SEQUENTIAL)
    return DXGI_ERROR_INVALID_CALL;
  // Known usage bits and flags only.
  if (desc.BufferUsage & ~kKnownUsage) return DXGI_ERROR_INVALID_CALL;
  if (desc.Flags & ~kKnownFlags) return DXGI_ERROR_INVALID_CALL;
  return S_OK;
}

// Sizes of 0 take the client area; a zero-sized client area (a minimised
// window) still gets a one-pixel buffer.
void CompleteSize(HWND window, UINT* width, UINT* height) {
  RECT client = {0, 0, 0, 0};
  if (*width == 0 || *height == 0) GetClientRect(window, &client);
  if (*width == 0) *width = static_cast<UINT>(std::max<LONG>(client.right - client.left, 1));
  if (*height == 0) *height = static_cast<UINT>(std::max<LONG>(client.bottom - client.top, 1));
}

SDL_Window* SdlWindowOf(HWND handle) {
  Win32Window* window = Win32FindWindow(handle);
  return window ? window->sdl : nullptr;
}

// Bytes of one band of rows read back at a time: well inside the cache.
constexpr std::size_t kBandBytes = 128 * 1024;

// Four pixels at a time: a vector type GCC and clang both know, since neither
// vectorises the plain loop at the build's optimisation level.
typedef uint32_t PixelLanes __attribute__((vector_size(16)));

void SwapRedAndBlue(const uint32_t* from, uint32_t* to, std::size_t count) {
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    PixelLanes pixels;
    std::memcpy(&pixels, from + i, sizeof(pixels));
    PixelLanes redBlue = pixels & 0x00FF00FFu;
    pixels = (pixels & 0xFF00FF00u) | (redBlue << 16) | (redBlue >> 16);
    std::memcpy(to + i, &pixels, sizeof(pixels));
  }
  for (; i < count; ++i) {
    uint32_t pixel = from[i];
    to[i] = (pixel & 0xFF00FF00u) | ((pixel >> 16) & 0xFFu) | ((pixel & 0xFFu) << 16);
  }
}

int RefreshHz(const DXGI_RATIONAL& rate) {
  return rate.Denominator ? static_cast<int>(rate.Numerator / rate.Denominator) : 0;
}

}  // namespace

HRESULT DxgiSwapChain::Create(IDXGIFactory* factory, ID3D10Device* device, const DXGI_SWAP_CHAIN_DESC& desc,
                              IDXGISwapChain** swapChain) {
  *swapChain = nullptr;
  // Devices come from this platform's runtime.
  D3D10Device* backend = dynamic_cast<D3D10Device*>(device);
  if (!backend) return DXGI_ERROR_INVALID_CALL;
  HRESULT hr = ValidateDesc(desc);
  if (FAILED(hr)) return hr;

  DxgiSwapChain* created = new (std::nothrow) DxgiSwapChain(factory, device, backend, desc);
  if (!created) return E_OUTOFMEMORY;
  CompleteSize(desc.OutputWindow, &created->m_desc.BufferDesc.Width, &created->m_desc.BufferDesc.Height);
  created->m_desc.Windowed = TRUE;
  hr = created->CreateBuffer();
  if (FAILED(hr)) {
    created->Release();
    return hr;
  }
  *swapChain = created;
  // A full-screen start the display refuses leaves a working windowed swap
  // chain; the status tells the application that nothing can be seen yet.
  if (!desc.Windowed && FAILED(created->SetFullscreenState(TRUE, nullptr))) return DXGI_STATUS_OCCLUDED;
  return S_OK;
}

DxgiSwapChain::DxgiSwapChain(IDXGIFactory* factory, ID3D10Device* device, D3D10Device* backend,
                             const DXGI_SWAP_CHAIN_DESC& desc)
    : DxgiObject(factory), m_device(device), m_backend(backend), m_desc(desc) {}

DxgiSwapChain::~DxgiSwapChain() {
  if (m_fullscreen) {
    if (SDL_Window* window = SdlWindowOf(m_desc.OutputWindow)) SdlLeaveFullscreen(window);
  }
  DeleteResolveTarget();
}

HRESULT DxgiSwapChain::CreateBuffer() {
  D3D10_TEXTURE2D_DESC texture{};
  texture.Width = m_desc.BufferDesc.Width;
  texture.Height = m_desc.BufferDesc.Height;
  texture.MipLevels = 1;
  texture.ArraySize = 1;
  texture.Format = m_desc.BufferDesc.Format;
  texture.SampleDesc = m_desc.SampleDesc;
  texture.Usage = D3D10_USAGE_DEFAULT;
  if (m_desc.BufferUsage & DXGI_USAGE_RENDER_TARGET_OUTPUT) texture.BindFlags |= D3D10_BIND_RENDER_TARGET;
  if (m_desc.BufferUsage & DXGI_USAGE_SHADER_INPUT) texture.BindFlags |= D3D10_BIND_SHADER_RESOURCE;
  ComPtr<ID3D10Texture2D> buffer;
  HRESULT hr = m_device->CreateTexture2D(&texture, nullptr, buffer.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;

  // What presenting into a window needs; a window without a display needs none.
  std::unique_ptr<SdlPicture> picture;
  std::vector<uint32_t> band;
  if (SdlWindowOf(m_desc.OutputWindow)) {
    picture.reset(new (std::nothrow) SdlPicture(static_cast<int>(texture.Width), static_cast<int>(texture.Height)));
    if (!picture) return E_OUTOFMEMORY;
    // At least one whole row per band.
    std::size_t bandPixels = std::max<std::size_t>(kBandBytes / 4, texture.Width);
    band.resize(bandPixels - bandPixels % texture.Width);
  }
  DeleteResolveTarget();
  m_buffer = std::move(buffer);
  m_picture = std::move(picture);
  m_band = std::move(band);
  if (texture.SampleDesc.Count > 1) {
    m_backend->Activate();
    GLuint source = D3D10GetTextureImage(m_buffer.Get())->Name();
    GLint internalFormat = GL_RGBA8;
    glGetTextureLevelParameteriv(source, 0, GL_TEXTURE_INTERNAL_FORMAT, &internalFormat);
    glCreateTextures(GL_TEXTURE_2D, 1, &m_resolveTexture);
    glTextureStorage2D(m_resolveTexture, 1, static_cast<GLenum>(internalFormat), static_cast<GLsizei>(texture.Width),
                       static_cast<GLsizei>(texture.Height));
    glCreateFramebuffers(2, m_resolveFramebuffers);
    glNamedFramebufferTexture(m_resolveFramebuffers[0], GL_COLOR_ATTACHMENT0, source, 0);
    glNamedFramebufferTexture(m_resolveFramebuffers[1], GL_COLOR_ATTACHMENT0, m_resolveTexture, 0);
  }
  return S_OK;
}

void DxgiSwapChain::DeleteResolveTarget() {
  if (!m_resolveTexture) return;
  m_backend->Activate();
  glDeleteFramebuffers(2, m_resolveFramebuffers);
  glDeleteTextures(1, &m_resolveTexture);
  m_resolveFramebuffers[0] = m_resolveFramebuffers[1] = 0;
  m_resolveTexture = 0;
}

void DxgiSwapChain::ReadBackBuffer(void* pixels, bool swapRedAndBlue) {
  m_backend->Activate();
  GLsizei width = static_cast<GLsizei>(m_desc.BufferDesc.Width);
  GLsizei height = static_cast<GLsizei>(m_desc.BufferDesc.Height);
  GLuint source = D3D10GetTextureImage(m_buffer.Get())->Name();
  if (m_resolveTexture) {
    // The stored values are resolved as they are, without sRGB conversion.
    GLboolean srgb = glIsEnabled(GL_FRAMEBUFFER_SRGB);
    glDisable(GL_FRAMEBUFFER_SRGB);
    glBlitNamedFramebuffer(m_resolveFramebuffers[0], m_resolveFramebuffers[1], 0, 0, width, height, 0, 0, width,
                           height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    if (srgb) glEnable(GL_FRAMEBUFFER_SRGB);
    source = m_resolveTexture;
  }
  // Texture rows are stored top row first, as windows want them; GL converts
  // any presentable format to 8-bit RGBA.
  if (!swapRedAndBlue) {
    glGetTextureSubImage(source, 0, 0, 0, 0, width, height, 1, GL_RGBA, GL_UNSIGNED_BYTE, width * height * 4, pixels);
    return;
  }
  // GL's own conversion to BGRA is slow, and swapping in the window's memory
  // afterwards reads it all back from RAM: the rows come in bands that stay
  // in the cache while they are swapped on their way.
  auto* out = static_cast<uint32_t*>(pixels);
  GLsizei bandRows = static_cast<GLsizei>(m_band.size() / static_cast<std::size_t>(width));
  for (GLsizei row = 0; row < height; row += bandRows) {
    GLsizei rows = std::min(bandRows, height - row);
    std::size_t count = static_cast<std::size_t>(rows) * width;
    glGetTextureSubImage(source, 0, 0, row, 0, width, rows, 1, GL_RGBA, GL_UNSIGNED_BYTE,
                         static_cast<GLsizei>(count * 4), m_band.data());
    SwapRedAndBlue(m_band.data(), out + static_cast<std::size_t>(row) * width, count);
  }
}

void DxgiSwapChain::WaitForRefresh(SDL_Window* window, UINT syncInterval) {
  unsigned long long frequency = SDL_GetPerformanceFrequency();
  unsigned long long now = SDL_GetPerformanceCounter() * 1000000000ull / frequency;
  if (syncInterval > 0) {
    int hz = window ? SdlRefreshRate(window) : 60;
    unsigned long long due = m_lastPresentNs + syncInterval * 1000000000ull / static_cast<unsigned>(hz);
    if (now < due) {
      SDL_Delay(static_cast<Uint32>((due - now) / 1000000));
      while ((now = SDL_GetPerformanceCounter() * 1000000000ull / frequency) < due) {
      }
    }
  }
  m_lastPresentNs = now;
}

void DxgiSwapChain::FollowWindowSize(SDL_Window* window) {
  int width = 0, height = 0;
  SdlWindowSize(window, &width, &height);
  Win32SetClientSize(m_desc.OutputWindow, width, height);
}

HRESULT STDMETHODCALLTYPE DxgiSwapChain::GetDevice(REFIID riid, void** ppDevice) {
  if (!ppDevice) return DXGI_ERROR_INVALID_CALL;
  return m_device->QueryInterface(riid, ppDevice);
}

HRESULT STDMETHODCALLTYPE DxgiSwapChain::Present(UINT SyncInterval, UINT Flags) {
  static FaultSite s_site("IDXGISwapChain::Present");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (SyncInterval > kMaxSyncInterval || (Flags & ~kKnownPresentFlags)) return DXGI_ERROR_INVALID_CALL;
  if (Win32IsWindowOccluded(m_desc.OutputWindow)) return DXGI_STATUS_OCCLUDED;
  if (Flags & DXGI_PRESENT_TEST) return S_OK;
  SDL_Window* window = SdlWindowOf(m_desc.OutputWindow);
  // A window made without a display shows nothing; the frame still counts.
  if (window && m_picture) {
    // Straight into the window's pixels when their layout allows, else
    // through the picture, which SDL converts and stretches.
    int width = static_cast<int>(m_desc.BufferDesc.Width), height = static_cast<int>(m_desc.BufferDesc.Height);
    bool bgra = false;
    if (void* pixels = SdlWindowPixels(window, width, height, &bgra)) {
      ReadBackBuffer(pixels, bgra);
      SdlUpdateWindow(window);
    } else if (m_picture->Pixels()) {
      ReadBackBuffer(m_picture->Pixels(), false);
      m_picture->ShowIn(window);
    }
  }
  WaitForRefresh(window, SyncInterval);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DxgiSwapChain::GetBuffer(UINT Buffer, REFIID riid, void** ppSurface) {
  static FaultSite s_site("IDXGISwapChain::GetBuffer");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (!ppSurface) return DXGI_ERROR_INVALID_CALL;
  *ppSurface = nullptr;
  // Only the buffer the application draws into can be reached.
  if (Buffer != 0) return DXGI_ERROR_INVALID_CALL;
  return m_buffer->QueryInterface(riid, ppSurface);
}

HRESULT STDMETHODCALLTYPE DxgiSwapChain::SetFullscreenState(BOOL Fullscreen, IDXGIOutput* pTarget) {
  static FaultSite s_site("IDXGISwapChain::SetFullscreenState");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  SDL_Window* window = SdlWindowOf(m_desc.OutputWindow);
  if (!Fullscreen) {
    if (m_fullscreen && window) {
      SdlLeaveFullscreen(window);
      // The window gets back the size it had, as soon as the windowing
      // system catches up.
      Win32SetClientSize(m_desc.OutputWindow, m_windowedWidth, m_windowedHeight);
    }
    m_fullscreen = false;
    m_desc.Windowed = TRUE;
    return S_OK;
  }
  int display = -1;
  if (pTarget) {
    // Outputs come from this platform's factory.
    DxgiOutput* output = dynamic_cast<DxgiOutput*>(pTarget);
    if (!output) return DXGI_ERROR_INVALID_CALL;
    display = static_cast<int>(output->Display());
  }
  if (!window) return DXGI_ERROR_NOT_CURRENTLY_AVAILABLE;
  if (!m_fullscreen) {
    RECT client = {0, 0, 0, 0};
    GetClientRect(m_desc.OutputWindow, &client);
    m_windowedWidth = client.right;
    m_windowedHeight = client.bottom;
  }
  int width = static_cast<int>(m_target.Width ? m_target.Width : m_desc.BufferDesc.Width);
  int height = static_cast<int>(m_target.Height ? m_target.Height : m_desc.BufferDesc.Height);
  if (!SdlEnterFullscreen(window, display, width, height, RefreshHz(m_target.RefreshRate))) {
    SdlLeaveFullscreen(window);
    return DXGI_ERROR_NOT_CURRENTLY_AVAILABLE;
  }
  m_fullscreen = true;
  m_targetDisplay = display;
  m_desc.Windowed = FALSE;
  FollowWindowSize(window);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DxgiSwapChain::GetFullscreenState(BOOL* pFullscreen, IDXGIOutput** ppTarget) {
  if (pFullscreen) *pFullscreen = m_fullscreen ? TRUE : FALSE;
  // The output is not tracked; applications of this engine never ask for it.
  if (ppTarget) *ppTarget = nullptr;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DxgiSwapChain::GetDesc(DXGI_SWAP_CHAIN_DESC* pDesc) {
  if (!pDesc) return DXGI_ERROR_INVALID_CALL;
  *pDesc = m_desc;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DxgiSwapChain::ResizeBuffers(UINT BufferCount, UINT Width, UINT Height,
                                                       DXGI_FORMAT NewFormat, UINT SwapChainFlags) {
  static FaultSite s_site("IDXGISwapChain::ResizeBuffers");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  DXGI_SWAP_CHAIN_DESC desc = m_desc;
  // Zero keeps the count and UNKNOWN the format.
  if (BufferCount) desc.BufferCount = BufferCount;
  if (NewFormat != DXGI_FORMAT_UNKNOWN) desc.BufferDesc.Format = NewFormat;
  desc.BufferDesc.Width = Width;
  desc.BufferDesc.Height = Height;
  desc.Flags = SwapChainFlags;
  hr = ValidateDesc(desc);
  if (FAILED(hr)) return hr;
  CompleteSize(desc.OutputWindow, &desc.BufferDesc.Width, &desc.BufferDesc.Height);
  DXGI_SWAP_CHAIN_DESC previous = m_desc;
  m_desc = desc;
  try {
    hr = CreateBuffer();
  } catch (const std::bad_alloc&) {
    hr = E_OUTOFMEMORY;
  }
  if (FAILED(hr)) m_desc = previous;
  return hr;
}

HRESULT STDMETHODCALLTYPE DxgiSwapChain::ResizeTarget(const DXGI_MODE_DESC* pNewTargetParameters) {
  static FaultSite s_site("IDXGISwapChain::ResizeTarget");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (!pNewTargetParameters) return DXGI_ERROR_INVALID_CALL;
  m_target = *pNewTargetParameters;
  SDL_Window* window = SdlWindowOf(m_desc.OutputWindow);
  if (m_fullscreen && window) {
    // Switching again picks the display mode closest to the new target.
    if (!SdlEnterFullscreen(window, m_targetDisplay, static_cast<int>(m_target.Width),
                            static_cast<int>(m_target.Height), RefreshHz(m_target.RefreshRate)))
      return DXGI_ERROR_NOT_CURRENTLY_AVAILABLE;
    FollowWindowSize(window);
    return S_OK;
  }
  if (m_target.Width && m_target.Height) {
    Win32SetClientSize(m_desc.OutputWindow, static_cast<int>(m_target.Width), static_cast<int>(m_target.Height));
  }
  return S_OK;
}
