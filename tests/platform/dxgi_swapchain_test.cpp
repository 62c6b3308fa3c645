#include <d3d10.h>
#include <dxgi.h>

#include <cstdint>
#include <vector>

#include "com/com_object.h"
#include "platform_test.h"
#include "win32/win32_window.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef None
#undef Status
#undef Success
#undef Bool

namespace {

const char kClass[] = "SwapChainTestWnd";

// A device, a factory and one 200 x 150 window with a sizing frame (client
// area 192 x 142); without a display the window exists but is shown nowhere.
class SwapChainFixture : public PlatformTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, CreateDXGIFactory(IID_IDXGIFactory, reinterpret_cast<void**>(m_factory.ReleaseAndGetAddressOf())));
    ASSERT_EQ(S_OK, D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_HARDWARE, nullptr, 0, D3D10_SDK_VERSION,
                                      m_device.ReleaseAndGetAddressOf()));
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = kClass;
    ASSERT_NE(0, RegisterClassA(&windowClass));
    m_window = CreateWindowExA(0, kClass, "swap chain", WS_VISIBLE | WS_THICKFRAME, 0, 0, 200, 150, nullptr, nullptr,
                               nullptr, nullptr);
    ASSERT_NE(nullptr, m_window);
  }

  void TearDown() override {
    m_swapChain.Reset();
    DestroyWindow(m_window);
    UnregisterClassA(kClass, nullptr);
    PlatformTest::TearDown();
  }

  DXGI_SWAP_CHAIN_DESC Desc() const {
    DXGI_SWAP_CHAIN_DESC desc = {};
    desc.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    desc.SampleDesc.Count = 1;
    desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT | DXGI_USAGE_SHADER_INPUT;
    desc.BufferCount = 1;
    desc.OutputWindow = m_window;
    desc.Windowed = TRUE;
    return desc;
  }

  HRESULT Create(DXGI_SWAP_CHAIN_DESC desc) {
    return m_factory->CreateSwapChain(m_device.Get(), &desc, m_swapChain.ReleaseAndGetAddressOf());
  }

  ComPtr<ID3D10Texture2D> Buffer() {
    ComPtr<ID3D10Texture2D> buffer;
    EXPECT_EQ(S_OK, m_swapChain->GetBuffer(0, IID_ID3D10Texture2D, reinterpret_cast<void**>(buffer.ReleaseAndGetAddressOf())));
    return buffer;
  }

  ComPtr<IDXGIFactory> m_factory;
  ComPtr<ID3D10Device> m_device;
  ComPtr<IDXGISwapChain> m_swapChain;
  HWND m_window = nullptr;
};

using DxgiSwapChain = SwapChainFixture;
using DxgiSwapChainDisplay = SwapChainFixture;

struct DescCase {
  const char* name;
  void (*change)(DXGI_SWAP_CHAIN_DESC*);
  HRESULT expected;
};

TEST_F(DxgiSwapChain, DescriptionRules) {
  const DescCase cases[] = {
      {"valid", [](DXGI_SWAP_CHAIN_DESC*) {}, S_OK},
      {"no window", [](DXGI_SWAP_CHAIN_DESC* d) { d->OutputWindow = nullptr; }, DXGI_ERROR_INVALID_CALL},
      {"no buffers", [](DXGI_SWAP_CHAIN_DESC* d) { d->BufferCount = 0; }, DXGI_ERROR_INVALID_CALL},
      {"17 buffers", [](DXGI_SWAP_CHAIN_DESC* d) { d->BufferCount = 17; }, DXGI_ERROR_INVALID_CALL},
      {"16 buffers", [](DXGI_SWAP_CHAIN_DESC* d) { d->BufferCount = 16; }, S_OK},
      {"depth format", [](DXGI_SWAP_CHAIN_DESC* d) { d->BufferDesc.Format = DXGI_FORMAT_D32_FLOAT; },
       DXGI_ERROR_INVALID_CALL},
      {"float format", [](DXGI_SWAP_CHAIN_DESC* d) { d->BufferDesc.Format = DXGI_FORMAT_R16G16B16A16_FLOAT; }, S_OK},
      {"no samples", [](DXGI_SWAP_CHAIN_DESC* d) { d->SampleDesc.Count = 0; }, DXGI_ERROR_INVALID_CALL},
      {"sequential multisampled",
       [](DXGI_SWAP_CHAIN_DESC* d) {
         d->SwapEffect = DXGI_SWAP_EFFECT_SEQUENTIAL;
         d->SampleDesc.Count = 4;
       },
       DXGI_ERROR_INVALID_CALL},
      {"unknown swap effect", [](DXGI_SWAP_CHAIN_DESC* d) { d->SwapEffect = static_cast<DXGI_SWAP_EFFECT>(7); },
       DXGI_ERROR_INVALID_CALL},
      {"unknown usage", [](DXGI_SWAP_CHAIN_DESC* d) { d->BufferUsage |= 0x1000; }, DXGI_ERROR_INVALID_CALL},
      {"unknown flag", [](DXGI_SWAP_CHAIN_DESC* d) { d->Flags = 0x100; }, DXGI_ERROR_INVALID_CALL},
  };
  for (const DescCase& c : cases) {
    DXGI_SWAP_CHAIN_DESC desc = Desc();
    c.change(&desc);
    EXPECT_EQ(c.expected, Create(desc)) << c.name;
    EXPECT_EQ(c.expected == S_OK, m_swapChain.Get() != nullptr) << c.name;
  }
  DXGI_SWAP_CHAIN_DESC desc = Desc();
  EXPECT_EQ(DXGI_ERROR_INVALID_CALL, m_factory->CreateSwapChain(nullptr, &desc, m_swapChain.ReleaseAndGetAddressOf()));
  EXPECT_EQ(DXGI_ERROR_INVALID_CALL, m_factory->CreateSwapChain(m_device.Get(), nullptr, m_swapChain.ReleaseAndGetAddressOf()));
  // Only devices of this runtime: a factory is no device.
  EXPECT_EQ(DXGI_ERROR_INVALID_CALL, m_factory->CreateSwapChain(m_factory.Get(), &desc, m_swapChain.ReleaseAndGetAddressOf()));
}

TEST_F(DxgiSwapChain, ZeroSizeTakesClientAreaAndBufferIsRenderTarget) {
  ASSERT_EQ(S_OK, Create(Desc()));
  DXGI_SWAP_CHAIN_DESC desc;
  ASSERT_EQ(S_OK, m_swapChain->GetDesc(&desc));
  EXPECT_EQ(192u, desc.BufferDesc.Width);
  EXPECT_EQ(142u, desc.BufferDesc.Height);

  ComPtr<ID3D10Texture2D> buffer = Buffer();
  D3D10_TEXTURE2D_DESC texture;
  buffer->GetDesc(&texture);
  EXPECT_EQ(192u, texture.Width);
  EXPECT_EQ(142u, texture.Height);
  EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM, texture.Format);
  EXPECT_EQ(static_cast<UINT>(D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE), texture.BindFlags);
  ComPtr<ID3D10RenderTargetView> view;
  EXPECT_EQ(S_OK, m_device->CreateRenderTargetView(buffer.Get(), nullptr, view.ReleaseAndGetAddressOf()));

  void* other = nullptr;
  EXPECT_EQ(DXGI_ERROR_INVALID_CALL, m_swapChain->GetBuffer(1, IID_ID3D10Texture2D, &other));
  EXPECT_EQ(E_NOINTERFACE, m_swapChain->GetBuffer(0, IID_IDXGIFactory, &other));
  ComPtr<ID3D10Device> device;
  ASSERT_EQ(S_OK, m_swapChain->GetDevice(IID_ID3D10Device, reinterpret_cast<void**>(device.ReleaseAndGetAddressOf())));
  EXPECT_EQ(m_device.Get(), device.Get());
}

TEST_F(DxgiSwapChain, MultisampledBufferKeepsItsSampling) {
  DXGI_SWAP_CHAIN_DESC desc = Desc();
  desc.SampleDesc.Count = 4;
  ASSERT_EQ(S_OK, Create(desc));
  D3D10_TEXTURE2D_DESC texture;
  Buffer()->GetDesc(&texture);
  EXPECT_EQ(4u, texture.SampleDesc.Count);
  EXPECT_EQ(0u, texture.SampleDesc.Quality);
  EXPECT_EQ(S_OK, m_swapChain->Present(0, 0));
}

TEST_F(DxgiSwapChain, PresentArgumentsAndOcclusion) {
  ASSERT_EQ(S_OK, Create(Desc()));
  EXPECT_EQ(S_OK, m_swapChain->Present(0, 0));
  EXPECT_EQ(S_OK, m_swapChain->Present(0, DXGI_PRESENT_TEST));
  EXPECT_EQ(DXGI_ERROR_INVALID_CALL, m_swapChain->Present(5, 0));
  EXPECT_EQ(DXGI_ERROR_INVALID_CALL, m_swapChain->Present(0, 0x80));

  ShowWindow(m_window, SW_MINIMIZE);
  EXPECT_EQ(DXGI_STATUS_OCCLUDED, m_swapChain->Present(0, 0));
  EXPECT_EQ(DXGI_STATUS_OCCLUDED, m_swapChain->Present(0, DXGI_PRESENT_TEST));
  ShowWindow(m_window, SW_RESTORE);
  EXPECT_EQ(S_OK, m_swapChain->Present(0, DXGI_PRESENT_TEST));
  ShowWindow(m_window, SW_HIDE);
  EXPECT_EQ(DXGI_STATUS_OCCLUDED, m_swapChain->Present(1, 0));
}

TEST_F(DxgiSwapChain, ResizeBuffersMakesANewBuffer) {
  ASSERT_EQ(S_OK, Create(Desc()));
  ComPtr<ID3D10Texture2D> before = Buffer();

  ASSERT_EQ(S_OK, m_swapChain->ResizeBuffers(2, 64, 32, DXGI_FORMAT_UNKNOWN, DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH));
  ComPtr<ID3D10Texture2D> after = Buffer();
  EXPECT_NE(before.Get(), after.Get());
  D3D10_TEXTURE2D_DESC texture;
  after->GetDesc(&texture);
  EXPECT_EQ(64u, texture.Width);
  EXPECT_EQ(32u, texture.Height);
  EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM, texture.Format);
  DXGI_SWAP_CHAIN_DESC desc;
  m_swapChain->GetDesc(&desc);
  EXPECT_EQ(2u, desc.BufferCount);
  EXPECT_EQ(static_cast<UINT>(DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH), desc.Flags);

  // Sizes of 0 follow the window, also a window sized to nothing.
  MoveWindow(m_window, 0, 0, 8, 8, TRUE);
  ASSERT_EQ(S_OK, m_swapChain->ResizeBuffers(0, 0, 0, DXGI_FORMAT_R16G16B16A16_FLOAT, 0));
  Buffer()->GetDesc(&texture);
  EXPECT_EQ(1u, texture.Width);
  EXPECT_EQ(1u, texture.Height);
  EXPECT_EQ(DXGI_FORMAT_R16G16B16A16_FLOAT, texture.Format);
  EXPECT_EQ(S_OK, m_swapChain->Present(0, 0));

  // A refused resize keeps the buffer it had.
  ComPtr<ID3D10Texture2D> kept = Buffer();
  EXPECT_EQ(DXGI_ERROR_INVALID_CALL, m_swapChain->ResizeBuffers(1, 16, 16, DXGI_FORMAT_D32_FLOAT, 0));
  EXPECT_EQ(kept.Get(), Buffer().Get());
}

TEST_F(DxgiSwapChain, ResizeTargetSizesTheWindowedClientArea) {
  ASSERT_EQ(S_OK, Create(Desc()));
  DXGI_MODE_DESC mode = {};
  mode.Width = 320;
  mode.Height = 240;
  ASSERT_EQ(S_OK, m_swapChain->ResizeTarget(&mode));
  RECT client;
  GetClientRect(m_window, &client);
  EXPECT_EQ(320, client.right);
  EXPECT_EQ(240, client.bottom);
  EXPECT_EQ(DXGI_ERROR_INVALID_CALL, m_swapChain->ResizeTarget(nullptr));
}

TEST_F(DxgiSwapChain, HeadlessFullScreenIsUnavailable) {
  SKIP_WITH_DISPLAY_SERVER();
  ASSERT_EQ(S_OK, Create(Desc()));
  EXPECT_EQ(DXGI_ERROR_NOT_CURRENTLY_AVAILABLE, m_swapChain->SetFullscreenState(TRUE, nullptr));
  BOOL fullscreen = TRUE;
  ASSERT_EQ(S_OK, m_swapChain->GetFullscreenState(&fullscreen, nullptr));
  EXPECT_FALSE(fullscreen);
  EXPECT_EQ(S_OK, m_swapChain->SetFullscreenState(FALSE, nullptr));

  // A full-screen description gives a windowed swap chain that tells nothing can be seen.
  DXGI_SWAP_CHAIN_DESC desc = Desc();
  desc.Windowed = FALSE;
  EXPECT_EQ(DXGI_STATUS_OCCLUDED, Create(desc));
  ASSERT_NE(nullptr, m_swapChain.Get());
  m_swapChain->GetDesc(&desc);
  EXPECT_TRUE(desc.Windowed);
}

TEST_F(DxgiSwapChain, WindowAssociation) {
  HWND associated = reinterpret_cast<HWND>(1);
  ASSERT_EQ(S_OK, m_factory->GetWindowAssociation(&associated));
  EXPECT_EQ(nullptr, associated);
  EXPECT_EQ(S_OK, m_factory->MakeWindowAssociation(m_window, DXGI_MWA_NO_WINDOW_CHANGES | DXGI_MWA_NO_ALT_ENTER));
  m_factory->GetWindowAssociation(&associated);
  EXPECT_EQ(m_window, associated);
  EXPECT_EQ(DXGI_ERROR_INVALID_CALL, m_factory->MakeWindowAssociation(m_window, 0x8));
  EXPECT_EQ(DXGI_ERROR_INVALID_CALL, m_factory->MakeWindowAssociation(reinterpret_cast<HWND>(16), 0));
  EXPECT_EQ(S_OK, m_factory->MakeWindowAssociation(nullptr, 0));
  EXPECT_EQ(DXGI_ERROR_INVALID_CALL, m_factory->GetWindowAssociation(nullptr));
}

// The window's pixels as the X server has them, 0xRRGGBB, rows top first.
std::vector<uint32_t> WindowPixels(HWND window) {
  std::vector<uint32_t> pixels;
  Win32Window* record = Win32FindWindow(window);
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!record || !record->sdl || !SDL_GetWindowWMInfo(record->sdl, &info) || info.subsystem != SDL_SYSWM_X11)
    return pixels;
  int width = record->clientWidth, height = record->clientHeight;
  XImage* image = XGetImage(info.info.x11.display, info.info.x11.window, 0, 0, width, height, AllPlanes, ZPixmap);
  if (!image) return pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels.push_back(static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFFu);
  XDestroyImage(image);
  return pixels;
}

// Fills the back buffer with four quadrants: red, green / blue, white.
void FillQuadrants(ID3D10Device* device, ID3D10Texture2D* buffer, UINT width, UINT height) {
  std::vector<uint32_t> texels(width * height);
  for (UINT y = 0; y < height; ++y) {
    for (UINT x = 0; x < width; ++x) {
      bool right = x >= width / 2, bottom = y >= height / 2;
      texels[y * width + x] = bottom ? (right ? 0xFFFFFFFFu : 0xFFFF0000u) : (right ? 0xFF00FF00u : 0xFF0000FFu);
    }
  }
  device->UpdateSubresource(buffer, 0, nullptr, texels.data(), width * 4, 0);
}

TEST_F(DxgiSwapChainDisplay, PresentShowsTheBackBufferTopRowFirst) {
  SKIP_WITHOUT_TEST_DISPLAY();
  ASSERT_EQ(S_OK, Create(Desc()));
  FillQuadrants(m_device.Get(), Buffer().Get(), 192, 142);
  ASSERT_EQ(S_OK, m_swapChain->Present(0, 0));
  std::vector<uint32_t> pixels = WindowPixels(m_window);
  ASSERT_EQ(192u * 142u, pixels.size());
  auto at = [&](int x, int y) { return pixels[y * 192 + x]; };
  EXPECT_EQ(0xFF0000u, at(0, 0));
  EXPECT_EQ(0x00FF00u, at(191, 0));
  EXPECT_EQ(0x0000FFu, at(0, 141));
  EXPECT_EQ(0xFFFFFFu, at(191, 141));
  EXPECT_EQ(0xFF0000u, at(95, 70));
  EXPECT_EQ(0xFFFFFFu, at(96, 71));
}

TEST_F(DxgiSwapChainDisplay, MultisampledBufferIsResolvedWhenPresented) {
  SKIP_WITHOUT_TEST_DISPLAY();
  DXGI_SWAP_CHAIN_DESC desc = Desc();
  desc.SampleDesc.Count = 4;
  desc.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM_SRGB;
  ASSERT_EQ(S_OK, Create(desc));
  ComPtr<ID3D10RenderTargetView> view;
  ASSERT_EQ(S_OK, m_device->CreateRenderTargetView(Buffer().Get(), nullptr, view.ReleaseAndGetAddressOf()));
  // Stored sRGB values reach the screen unchanged: 0.5 linear is 188 stored.
  const FLOAT colour[4] = {0.5f, 0.0f, 1.0f, 1.0f};
  m_device->ClearRenderTargetView(view.Get(), colour);
  ASSERT_EQ(S_OK, m_swapChain->Present(0, 0));
  std::vector<uint32_t> pixels = WindowPixels(m_window);
  ASSERT_FALSE(pixels.empty());
  uint32_t red = pixels[0] >> 16;
  EXPECT_NEAR(188, static_cast<int>(red), 1);
  EXPECT_EQ(0x0000FFu, pixels[0] & 0xFFFF);
}

TEST_F(DxgiSwapChainDisplay, FullScreenTakesTheScreenAndGivesItBack) {
  SKIP_WITHOUT_TEST_DISPLAY();
  ASSERT_EQ(S_OK, Create(Desc()));
  // Xvfb has one mode, the screen's: the closest to any smaller target.
  ASSERT_EQ(S_OK, m_swapChain->SetFullscreenState(TRUE, nullptr));
  BOOL fullscreen = FALSE;
  m_swapChain->GetFullscreenState(&fullscreen, nullptr);
  EXPECT_TRUE(fullscreen);
  RECT client;
  GetClientRect(m_window, &client);
  EXPECT_EQ(1280, client.right);
  EXPECT_EQ(1024, client.bottom);
  EXPECT_EQ(S_OK, m_swapChain->Present(0, 0));

  ASSERT_EQ(S_OK, m_swapChain->SetFullscreenState(FALSE, nullptr));
  m_swapChain->GetFullscreenState(&fullscreen, nullptr);
  EXPECT_FALSE(fullscreen);
  GetClientRect(m_window, &client);
  EXPECT_EQ(192, client.right);
  EXPECT_EQ(142, client.bottom);
}

}  // namespace
