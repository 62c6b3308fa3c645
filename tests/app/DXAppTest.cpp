#include <morvane/DXApp.h>
#include <morvane/GraphicsDevice.h>
#include <morvane/RenderTarget.h>
#include <morvane/SwapChain.h>

#include <SDL.h>

#include <memory>

#include "AppTestSupport.h"
#include "win32/win32_window.h"

namespace {

// Counts the frames the loop hands to the scene; closes its window after
// closeAfter rendered frames when that is set.
class CountingApp : public DXApp {
 public:
  void UpdateScene() override { ++updates; }
  void RenderScene() override {
    if (++renders == closeAfter) PostMessageA(GetHWND(), WM_CLOSE, 0, 0);
  }
  void SetPaused(bool paused) { m_bPaused = paused; }
  bool IsActive() const { return m_bActive; }

  int updates = 0;
  int renders = 0;
  int closeAfter = 0;
};

class DXAppTest : public AppFixture {
 protected:
  CountingApp* CreateApp(const STMode& mode) {
    apps.emplace_back(new CountingApp());
    apps.back()->CreateAppWnd(mode, nullptr, "Morvane test", nullptr);
    if (apps.back()->GetHWND()) windows.push_back(apps.back()->GetHWND());
    return apps.back().get();
  }
  CountingApp* CreateDefaultApp() {
    STMode mode;
    mode.Default();
    return CreateApp(mode);
  }
  void TearDown() override {
    // The windows go first: their procedure still reaches the applications.
    CloseWindows();
    apps.clear();
    AppFixture::TearDown();
  }
  std::vector<std::unique_ptr<CountingApp>> apps;
};
using DXAppDisplayTest = DXAppTest;

TEST(STMode, ZeroAtConstructionThenTheDefaultMode) {
  STMode mode;
  EXPECT_EQ(0u, mode.Adapter);
  EXPECT_EQ(DXGI_FORMAT_UNKNOWN, mode.Format);
  EXPECT_EQ(DF_UNKNOWN, mode.DepthFormat);
  EXPECT_FALSE(mode.Windowed);
  EXPECT_EQ(0u, mode.Width + mode.Height + mode.RefreshNumerator + mode.RefreshDenominator + mode.MultiSampleLevel);
  EXPECT_FALSE(mode.VSync);
  mode.Default();
  EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM, mode.Format);
  EXPECT_EQ(40, static_cast<int>(mode.DepthFormat));
  EXPECT_TRUE(mode.Windowed);
  EXPECT_EQ(1024u, mode.Width);
  EXPECT_EQ(768u, mode.Height);
  EXPECT_EQ(0u, mode.RefreshNumerator + mode.RefreshDenominator + mode.MultiSampleLevel);
  EXPECT_FALSE(mode.VSync);
}

TEST_F(DXAppTest, SecondApplicationFindsTheClassRegisteredAndDoesNothing) {
  CountingApp* first = CreateDefaultApp();
  ASSERT_NE(nullptr, first->GetHWND());
  ASSERT_NE(nullptr, first->GetDevice());
  ASSERT_NE(nullptr, first->GetSwapChain());
  std::vector<std::string> lines = log.Texts(RecordingLogger::kWriteLine);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ("Create Device", lines[0]);
  EXPECT_EQ("Create SwapChain", lines[1]);
  EXPECT_TRUE(log.Texts(RecordingLogger::kError).empty());
  HWND associated = nullptr;
  Core::Factory()->GetWindowAssociation(&associated);
  EXPECT_EQ(first->GetHWND(), associated);

  log.entries.clear();
  CountingApp* second = CreateDefaultApp();
  EXPECT_EQ(nullptr, second->GetHWND());
  EXPECT_EQ(nullptr, second->GetDevice());
  EXPECT_EQ(nullptr, second->GetSwapChain());
  EXPECT_TRUE(log.entries.empty());
  second->Render();
  EXPECT_EQ(0, second->updates);
}

TEST_F(DXAppTest, DefaultModeOpensOuterSizeAndSwapChainTakesTheClientArea) {
  CountingApp* app = CreateDefaultApp();
  RECT outer, client;
  GetWindowRect(app->GetHWND(), &outer);
  GetClientRect(app->GetHWND(), &client);
  EXPECT_EQ(1024, outer.right - outer.left);
  EXPECT_EQ(768, outer.bottom - outer.top);
  EXPECT_EQ(1016, client.right);
  EXPECT_EQ(760, client.bottom);

  RenderTexture2D* backBuffer = app->GetSwapChain()->GetBackBuffer();
  ASSERT_NE(nullptr, backBuffer);
  EXPECT_EQ(1016u, backBuffer->GetWidth());
  EXPECT_EQ(760u, backBuffer->GetHeight());
  ASSERT_NE(nullptr, backBuffer->GetDepthStencilBuffer());
  const ViewPortTarget* target = app->GetSwapChain()->GetTarget();
  EXPECT_EQ(backBuffer, target->Target);
  EXPECT_EQ(0, target->Viewport.TopLeftX);
  EXPECT_EQ(1016u, target->Viewport.Width);
  EXPECT_EQ(760u, target->Viewport.Height);
  EXPECT_EQ(1.0f, target->Viewport.MaxDepth);
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(app), GetWindowLongA(app->GetHWND(), GWL_USERDATA));
}

TEST_F(DXAppTest, ClosingTheWindowEndsRun) {
  CountingApp* app = CreateDefaultApp();
  app->closeAfter = 3;
  app->Run();
  EXPECT_GE(app->renders, 3);
  EXPECT_EQ(app->updates, app->renders);
  // The window is the host's: closing only posted the quit message.
  EXPECT_TRUE(IsWindow(app->GetHWND()));
  EXPECT_EQ(0, app->WndProc(app->GetHWND(), WM_QUIT, 0, 0));
}

TEST_F(DXAppTest, PausedFramesOnlyPresent) {
  CountingApp* app = CreateDefaultApp();
  app->SetPaused(true);
  unsigned before = PlatformTesting::CallCount("IDXGISwapChain::Present");
  app->Render();
  app->Render();
  EXPECT_EQ(0, app->updates);
  EXPECT_EQ(0, app->renders);
  EXPECT_EQ(before + 2, PlatformTesting::CallCount("IDXGISwapChain::Present"));
  app->SetPaused(false);
  app->Render();
  EXPECT_EQ(1, app->updates);
  EXPECT_EQ(1, app->renders);
}

TEST_F(DXAppTest, OccludedFramesUpdateButSkipRenderScene) {
  CountingApp* app = CreateDefaultApp();
  ShowWindow(app->GetHWND(), SW_MINIMIZE);
  app->Render();  // renders, and learns from the present that nothing is seen
  EXPECT_TRUE(app->GetSwapChain()->IsOccluded());
  app->Render();
  EXPECT_EQ(2, app->updates);
  EXPECT_EQ(1, app->renders);

  ShowWindow(app->GetHWND(), SW_RESTORE);
  app->Render();  // the test present clears the mark
  EXPECT_FALSE(app->GetSwapChain()->IsOccluded());
  app->Render();
  EXPECT_EQ(4, app->updates);
  EXPECT_EQ(2, app->renders);
}

TEST_F(DXAppTest, AltEnterTogglesTheModeAndSystemCommandsAreSwallowed) {
  CountingApp* app = CreateDefaultApp();
  HWND window = app->GetHWND();
  SwapChain* swapChain = app->GetSwapChain();
  EXPECT_EQ(HTCLIENT, SendMessageA(window, WM_NCHITTEST, 0, 0));
  EXPECT_EQ(0, SendMessageA(window, WM_SYSKEYDOWN, VK_RETURN, 0));
  EXPECT_TRUE(swapChain->GetMode().Windowed);
  EXPECT_EQ(1, SendMessageA(window, WM_SYSKEYDOWN, VK_RETURN, 1L << 29));
  EXPECT_FALSE(swapChain->GetMode().Windowed);

  EXPECT_EQ(0, SendMessageA(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0));
  EXPECT_FALSE(Win32FindWindow(window)->maximized);
  SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(Win32FindWindow(window)->minimized);
  EXPECT_EQ(DLGC_WANTALLKEYS, SendMessageA(window, WM_GETDLGCODE, 0, 0));
  SendMessageA(window, WM_ACTIVATEAPP, 1, 0);
  EXPECT_TRUE(app->IsActive());
  SendMessageA(window, WM_ACTIVATEAPP, 0, 0);
  EXPECT_FALSE(app->IsActive());
}

TEST_F(DXAppTest, ResizingReplacesTheBackBuffer) {
  CountingApp* app = CreateDefaultApp();
  // Held, so that the new buffer cannot take the old one's address.
  ID3D10Texture2D* before = app->GetSwapChain()->GetBackBuffer()->GetTexture()->GetTexture();
  before->AddRef();
  MoveWindow(app->GetHWND(), 0, 0, 648, 488, TRUE);
  RenderTexture2D* after = app->GetSwapChain()->GetBackBuffer();
  ASSERT_NE(nullptr, after);
  EXPECT_NE(before, after->GetTexture()->GetTexture());
  before->Release();
  EXPECT_EQ(640u, after->GetWidth());
  EXPECT_EQ(480u, after->GetHeight());
  EXPECT_EQ(640u, app->GetSwapChain()->GetTarget()->Viewport.Width);
  // The mode keeps the size it was created with.
  EXPECT_EQ(1024u, app->GetSwapChain()->GetMode().Width);

  MoveWindow(app->GetHWND(), 0, 0, 0, 0, TRUE);
  ASSERT_NE(nullptr, app->GetSwapChain()->GetBackBuffer());
  EXPECT_EQ(1u, app->GetSwapChain()->GetBackBuffer()->GetWidth());
  app->Render();
  EXPECT_EQ(1, app->renders);
  EXPECT_TRUE(log.Texts(RecordingLogger::kError).empty());
}

TEST_F(DXAppTest, RefusedWindowAssociationIsLogged) {
  PlatformTesting::FailCall("IDXGIFactory::MakeWindowAssociation", E_FAIL);
  CountingApp* app = CreateDefaultApp();
  EXPECT_NE(nullptr, app->GetSwapChain());
  EXPECT_EQ((std::vector<std::string>{"MakeWindowAssociation failed"}), log.Texts(RecordingLogger::kError));
}

TEST_F(DXAppDisplayTest, AltEnterSwitchesToFullScreenAndBackDisplay) {
  SKIP_WITHOUT_TEST_DISPLAY();
  STMode mode;
  mode.Default();
  mode.Width = 640;
  mode.Height = 480;
  CountingApp* app = CreateApp(mode);
  HWND window = app->GetHWND();
  SDL_Event key = {};
  key.type = SDL_KEYDOWN;
  key.key.windowID = SDL_GetWindowID(Win32FindWindow(window)->sdl);
  key.key.keysym.sym = SDLK_RETURN;
  key.key.keysym.mod = KMOD_LALT;
  SDL_PushEvent(&key);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) && message.message != WM_SYSKEYDOWN)
    DispatchMessageA(&message);
  ASSERT_EQ(static_cast<UINT>(WM_SYSKEYDOWN), message.message);
  TranslateMessage(&message);
  EXPECT_EQ(1, DispatchMessageA(&message));

  BOOL fullscreen = FALSE;
  app->GetSwapChain()->GetSwapChain()->GetFullscreenState(&fullscreen, nullptr);
  EXPECT_TRUE(fullscreen);
  EXPECT_FALSE(app->GetSwapChain()->GetMode().Windowed);
  // Xvfb's one mode is its screen; the back buffer follows the new client area.
  EXPECT_EQ(1280u, app->GetSwapChain()->GetBackBuffer()->GetWidth());
  EXPECT_EQ(1024u, app->GetSwapChain()->GetBackBuffer()->GetHeight());
  EXPECT_EQ(HTCLIENT, SendMessageA(window, WM_NCHITTEST, 0, 0));
  app->Render();

  app->GetSwapChain()->ToggleFullScreen();
  app->GetSwapChain()->GetSwapChain()->GetFullscreenState(&fullscreen, nullptr);
  EXPECT_FALSE(fullscreen);
  EXPECT_TRUE(app->GetSwapChain()->GetMode().Windowed);
  // The target was sized to the mode before the switch; that size comes back.
  EXPECT_EQ(640u, app->GetSwapChain()->GetBackBuffer()->GetWidth());
}

}  // namespace
