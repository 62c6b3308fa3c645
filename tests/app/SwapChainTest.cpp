#include <morvane/GraphicsDevice.h>
#include <morvane/RenderTarget.h>
#include <morvane/SwapChain.h>

#include <memory>

#include "AppTestSupport.h"

namespace {

// A device and an 808 x 608 window with a sizing frame: client area 800 x 600.
class SwapChainTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    device.reset(new GraphicsDevice(0, false));
    ASSERT_NE(nullptr, device->GetDevice());
    window = CreatePlainWindow(808, 608);
    ASSERT_NE(nullptr, window);
    mode.Default();
  }
  void TearDown() override {
    swapChain.reset();
    device.reset();
    AppFixture::TearDown();
  }
  SwapChain* Create() {
    swapChain.reset(new SwapChain(device.get(), mode, window));
    return swapChain.get();
  }
  DXGI_SWAP_CHAIN_DESC Desc() const {
    DXGI_SWAP_CHAIN_DESC desc = {};
    swapChain->GetSwapChain()->GetDesc(&desc);
    return desc;
  }

  std::unique_ptr<GraphicsDevice> device;
  std::unique_ptr<SwapChain> swapChain;
  HWND window = nullptr;
  STMode mode;
};

TEST_F(SwapChainTest, WindowedBuffersTakeTheClientArea) {
  Create();
  DXGI_SWAP_CHAIN_DESC desc = Desc();
  EXPECT_EQ(800u, desc.BufferDesc.Width);
  EXPECT_EQ(600u, desc.BufferDesc.Height);
  EXPECT_EQ(1u, desc.BufferCount);
  EXPECT_EQ(1u, desc.SampleDesc.Count);
  EXPECT_EQ(0u, desc.Flags);
  EXPECT_EQ(static_cast<UINT>(DXGI_USAGE_SHADER_INPUT | DXGI_USAGE_RENDER_TARGET_OUTPUT), desc.BufferUsage);
  EXPECT_EQ(window, desc.OutputWindow);
  EXPECT_EQ(window, swapChain->GetHWND());
  EXPECT_EQ(device.get(), swapChain->GetDevice());
  ASSERT_NE(nullptr, swapChain->GetBackBuffer());
  EXPECT_EQ(800u, swapChain->GetBackBuffer()->GetWidth());
  EXPECT_TRUE(log.Texts(RecordingLogger::kError).empty());
}

TEST_F(SwapChainTest, MultisampleLevelAndSetMode) {
  mode.MultiSampleLevel = 2;
  Create();
  EXPECT_EQ(4u, Desc().SampleDesc.Count);
  EXPECT_EQ(0u, Desc().SampleDesc.Quality);
  EXPECT_EQ(4u, swapChain->GetBackBuffer()->GetSampleCount());

  // The same level keeps swap chain and back buffer.
  IDXGISwapChain* before = swapChain->GetSwapChain();
  RenderTexture2D* backBuffer = swapChain->GetBackBuffer();
  swapChain->SetMode(mode);
  EXPECT_EQ(before, swapChain->GetSwapChain());
  EXPECT_EQ(backBuffer, swapChain->GetBackBuffer());

  // Another level replaces both; the old swap chain is held so its address stays taken.
  before->AddRef();
  mode.MultiSampleLevel = 0;
  swapChain->SetMode(mode);
  EXPECT_NE(before, swapChain->GetSwapChain());
  EXPECT_EQ(1u, Desc().SampleDesc.Count);
  EXPECT_EQ(1u, swapChain->GetBackBuffer()->GetSampleCount());
  before->Release();
}

TEST_F(SwapChainTest, DepthBufferOnlyWithADepthFormat) {
  Create();
  EXPECT_NE(nullptr, swapChain->GetBackBuffer()->GetDepthStencilBuffer());
  mode.DepthFormat = DF_UNKNOWN;
  Create();
  EXPECT_EQ(nullptr, swapChain->GetBackBuffer()->GetDepthStencilBuffer());
}

TEST_F(SwapChainTest, ResizeBuffersUsesItsOwnFixedValues) {
  mode.Format = DXGI_FORMAT_R16G16B16A16_FLOAT;
  Create();
  EXPECT_EQ(DXGI_FORMAT_R16G16B16A16_FLOAT, Desc().BufferDesc.Format);
  MoveWindow(window, 0, 0, 408, 308, TRUE);
  swapChain->ResizeBuffers();
  DXGI_SWAP_CHAIN_DESC desc = Desc();
  EXPECT_EQ(2u, desc.BufferCount);
  EXPECT_EQ(400u, desc.BufferDesc.Width);
  EXPECT_EQ(300u, desc.BufferDesc.Height);
  EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM, desc.BufferDesc.Format);
  EXPECT_EQ(static_cast<UINT>(DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH), desc.Flags);
  EXPECT_EQ(400u, swapChain->GetTarget()->Viewport.Width);
  EXPECT_NE(nullptr, swapChain->GetBackBuffer()->GetDepthStencilBuffer());
  EXPECT_EQ(1024u, swapChain->GetMode().Width);
  swapChain->ResizeTarget(1, 1);
  EXPECT_EQ(400u, Desc().BufferDesc.Width);
}

TEST_F(SwapChainTest, OcclusionMarkFollowsPresentResults) {
  Create();
  EXPECT_EQ(S_OK, swapChain->Present());
  ShowWindow(window, SW_MINIMIZE);
  EXPECT_EQ(DXGI_STATUS_OCCLUDED, swapChain->Present());
  EXPECT_TRUE(swapChain->IsOccluded());
  // A failure leaves the mark as it was.
  PlatformTesting::FailCall("IDXGISwapChain::Present", DXGI_ERROR_DEVICE_REMOVED);
  EXPECT_EQ(DXGI_ERROR_DEVICE_REMOVED, swapChain->Present());
  EXPECT_TRUE(swapChain->IsOccluded());
  ShowWindow(window, SW_RESTORE);
  EXPECT_EQ(S_OK, swapChain->Present());
  EXPECT_FALSE(swapChain->IsOccluded());
}

TEST_F(SwapChainTest, CreationFailuresAreLoggedAndLeaveNoBackBuffer) {
  PlatformTesting::FailCall("IDXGIFactory::CreateSwapChain", E_FAIL);
  Create();
  EXPECT_EQ((std::vector<std::string>{"Failed to create swap chain.", "GetBackBuffer failed."}),
            log.Texts(RecordingLogger::kError));
  EXPECT_EQ(nullptr, swapChain->GetSwapChain());
  EXPECT_EQ(nullptr, swapChain->GetBackBuffer());
  EXPECT_EQ(nullptr, swapChain->GetTarget()->Target);
  EXPECT_EQ(0u, swapChain->GetTarget()->Viewport.Width);
  EXPECT_EQ(0.0f, swapChain->GetTarget()->Viewport.MaxDepth);
  swapChain->SetMode(mode);
  swapChain->ToggleFullScreen();
  swapChain->ResizeBuffers();
  EXPECT_TRUE(FAILED(swapChain->Present()));

  log.entries.clear();
  PlatformTesting::FailCall("IDXGISwapChain::GetBuffer", E_FAIL);
  Create();
  EXPECT_EQ((std::vector<std::string>{"GetBackBuffer failed."}), log.Texts(RecordingLogger::kError));
  EXPECT_NE(nullptr, swapChain->GetSwapChain());
  EXPECT_EQ(nullptr, swapChain->GetBackBuffer());
}

TEST_F(SwapChainTest, RefusedFullScreenStillMarksTheMode) {
  if (HasTestDisplay() || std::getenv("DISPLAY")) GTEST_SKIP() << "a display accepts the switch";
  Create();
  swapChain->ToggleFullScreen();
  EXPECT_FALSE(swapChain->GetMode().Windowed);
  BOOL fullscreen = TRUE;
  swapChain->GetSwapChain()->GetFullscreenState(&fullscreen, nullptr);
  EXPECT_FALSE(fullscreen);
  // The windowed target took the mode's size on the way.
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(1024, client.right);
  EXPECT_EQ(768, client.bottom);
  EXPECT_EQ(S_OK, swapChain->Present());
}

}  // namespace
