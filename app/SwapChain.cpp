#include <morvane/SwapChain.h>

#include <cstring>

#include <morvane/Core.h>
#include <morvane/GraphicsDevice.h>
#include <morvane/RenderTarget.h>

namespace {

// ResizeBuffers always asks for these, whatever the mode says.
const UINT kResizeBufferCount = 2;
const DXGI_FORMAT kResizeFormat = DXGI_FORMAT_R8G8B8A8_UNORM;

RECT ClientRect(HWND window) {
  RECT client = {0, 0, 0, 0};
  GetClientRect(window, &client);
  return client;
}

DXGI_MODE_DESC TargetMode(const STMode& mode, UINT width, UINT height) {
  DXGI_MODE_DESC desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.Width = width;
  desc.Height = height;
  desc.RefreshRate.Numerator = mode.RefreshNumerator;
  desc.RefreshRate.Denominator = mode.RefreshDenominator;
  desc.Format = mode.Format;
  return desc;
}

}  // namespace

ViewPortTarget::ViewPortTarget() : Target(nullptr), Viewport() {}

ViewPortTarget::ViewPortTarget(RenderTexture2D* backBuffer) : Target(backBuffer), Viewport() {
  if (!backBuffer) return;
  Texture2D* texture = backBuffer->GetTexture();
  Viewport.Width = texture ? texture->GetWidth() : 0;
  Viewport.Height = texture ? texture->GetHeight() : 0;
  Viewport.MinDepth = 0.0f;
  Viewport.MaxDepth = 1.0f;
}

SwapChain::SwapChain(GraphicsDevice* const device, const STMode& mode, HWND__* const window)
    : m_Mode(mode),
      m_pDevice(device),
      m_pSwapChain(nullptr),
      m_hWnd(window),
      m_bOccluded(false),
      m_pBackBuffer(nullptr),
      m_Target() {
  CreateSwapChain();
}

SwapChain::~SwapChain() {
  if (m_pSwapChain) {
    m_pSwapChain->SetFullscreenState(FALSE, nullptr);
    m_pSwapChain->Release();
  }
  delete m_pBackBuffer;
}

void SwapChain::CreateSwapChain() {
  delete m_pBackBuffer;
  m_pBackBuffer = nullptr;
  if (m_pSwapChain) {
    m_pSwapChain->Release();
    m_pSwapChain = nullptr;
  }

  DXGI_SWAP_CHAIN_DESC desc;
  std::memset(&desc, 0, sizeof(desc));
  if (m_Mode.Windowed) {
    RECT client = ClientRect(m_hWnd);
    desc.BufferDesc.Width = static_cast<UINT>(client.right - client.left);
    desc.BufferDesc.Height = static_cast<UINT>(client.bottom - client.top);
  } else {
    desc.BufferDesc.Width = m_Mode.Width;
    desc.BufferDesc.Height = m_Mode.Height;
  }
  desc.BufferDesc.RefreshRate.Numerator = m_Mode.RefreshNumerator;
  desc.BufferDesc.RefreshRate.Denominator = m_Mode.RefreshDenominator;
  desc.BufferDesc.Format = m_Mode.Format;
  desc.BufferDesc.ScanlineOrdering = DXGI_MODE_SCANLINE_ORDER_UNSPECIFIED;
  desc.BufferDesc.Scaling = DXGI_MODE_SCALING_UNSPECIFIED;
  desc.SampleDesc.Count = 1u << m_Mode.MultiSampleLevel;
  desc.SampleDesc.Quality = 0;
  desc.BufferUsage = DXGI_USAGE_SHADER_INPUT | DXGI_USAGE_RENDER_TARGET_OUTPUT;
  desc.BufferCount = 1;
  desc.OutputWindow = m_hWnd;
  desc.Windowed = m_Mode.Windowed ? TRUE : FALSE;
  desc.SwapEffect = DXGI_SWAP_EFFECT_DISCARD;
  desc.Flags = 0;

  ID3D10Device* device = m_pDevice ? m_pDevice->GetDevice() : nullptr;
  IDXGIFactory* factory = Core::Factory();
  if (!factory || FAILED(factory->CreateSwapChain(device, &desc, &m_pSwapChain))) {
    m_pSwapChain = nullptr;
    Core::Log()->Error("Failed to create swap chain.");
  }

  ID3D10Texture2D* texture = nullptr;
  if (!m_pSwapChain ||
      FAILED(m_pSwapChain->GetBuffer(0, __uuidof(ID3D10Texture2D), reinterpret_cast<void**>(&texture)))) {
    texture = nullptr;
    Core::Log()->Error("GetBackBuffer failed.");
  }
  WrapBackBuffer(texture);
}

void SwapChain::WrapBackBuffer(ID3D10Texture2D* texture) {
  // Without a buffer there is nothing to wrap; the target stays empty.
  if (texture) {
    m_pBackBuffer = new RenderTexture2D(m_pDevice, new Texture2D(m_pDevice, texture));
    if (m_Mode.DepthFormat != DF_UNKNOWN) m_pBackBuffer->CreateAutoDepthStencil(m_Mode.DepthFormat, false);
  }
  m_Target = ViewPortTarget(m_pBackBuffer);
}

void SwapChain::SetMode(const STMode& mode) {
  if (!m_pSwapChain) return;
  unsigned int previousLevel = m_Mode.MultiSampleLevel;
  m_Mode = mode;
  if (mode.MultiSampleLevel != previousLevel) {
    CreateSwapChain();
    return;
  }
  if (mode.Windowed) {
    RECT client = ClientRect(m_hWnd);
    DXGI_MODE_DESC desc = TargetMode(mode, static_cast<UINT>(client.right - client.left),
                                     static_cast<UINT>(client.bottom - client.top));
    m_pSwapChain->SetFullscreenState(FALSE, nullptr);
    m_pSwapChain->ResizeTarget(&desc);
  } else {
    DXGI_MODE_DESC desc = TargetMode(mode, mode.Width, mode.Height);
    m_pSwapChain->ResizeTarget(&desc);
    m_pSwapChain->SetFullscreenState(TRUE, nullptr);
  }
}

void SwapChain::ToggleFullScreen() {
  if (!m_pSwapChain) return;
  BOOL fullscreen = FALSE;
  m_pSwapChain->GetFullscreenState(&fullscreen, nullptr);
  if (fullscreen) {
    m_pSwapChain->SetFullscreenState(FALSE, nullptr);
    m_Mode.Windowed = true;
  } else {
    DXGI_MODE_DESC desc = TargetMode(m_Mode, m_Mode.Width, m_Mode.Height);
    m_pSwapChain->ResizeTarget(&desc);
    m_pSwapChain->SetFullscreenState(TRUE, nullptr);
    m_Mode.Windowed = false;
  }
}

void SwapChain::ResizeBuffers() {
  if (!m_pSwapChain) return;
  RECT client = ClientRect(m_hWnd);
  delete m_pBackBuffer;
  m_pBackBuffer = nullptr;
  m_pSwapChain->ResizeBuffers(kResizeBufferCount, static_cast<UINT>(client.right - client.left),
                              static_cast<UINT>(client.bottom - client.top), kResizeFormat,
                              DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH);
  ID3D10Texture2D* texture = nullptr;
  if (FAILED(m_pSwapChain->GetBuffer(0, __uuidof(ID3D10Texture2D), reinterpret_cast<void**>(&texture))))
    texture = nullptr;
  WrapBackBuffer(texture);
}

void SwapChain::ResizeTarget(unsigned int, unsigned int) {}

long SwapChain::Present() {
  if (!m_pSwapChain) return DXGI_ERROR_INVALID_CALL;
  HRESULT hr = m_pSwapChain->Present(m_Mode.VSync ? 1 : 0, m_bOccluded ? DXGI_PRESENT_TEST : 0);
  if (hr == DXGI_STATUS_OCCLUDED) {
    m_bOccluded = true;
  } else if (SUCCEEDED(hr)) {
    m_bOccluded = false;
  }
  return hr;
}
