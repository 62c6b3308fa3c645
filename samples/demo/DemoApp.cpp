#include "DemoApp.h"

#include <d3dx10.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

// Headless runs render this many frames and keep every kFrameStep-th.
const int kHeadlessFrames = 30;
const int kFrameStep = 5;

bool HasDisplay() {
  for (const AdapterInfo& adapter : Core::Adapters())
    if (!adapter.GetOutputs().empty()) return true;
  return false;
}

}  // namespace

DemoApp::DemoApp() : m_pScene(nullptr), m_pModel(nullptr), m_Time(0.0f), m_TitleTime(0.0) {}

DemoApp::~DemoApp() {
  delete m_pModel;
  delete m_pScene;
}

bool DemoApp::CreateScene(const StringEX& dataDirectory) {
  if (!GetDevice() || !GetDevice()->GetDevice()) return false;
  m_pScene = new DemoScene(GetDevice(), dataDirectory);
  m_pModel = new DemoModel(GetDevice(), dataDirectory);
  return m_pScene->IsReady() && m_pModel->IsReady();
}

long DemoApp::WndProc(HWND__* window, unsigned int message, unsigned int wParam, long lParam) {
  if (message == WM_KEYDOWN && wParam == 'P') {
    m_bPaused = !m_bPaused;
    SetWindowTextA(window, m_bPaused ? "Morvane demo (paused)" : "Morvane demo");
    return 0;
  }
  if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
    PostQuitMessage(0);
    return 0;
  }
  return DXApp::WndProc(window, message, wParam, lParam);
}

void DemoApp::UpdateScene() {
  CClock& clock = Core::Clock();
  m_Time += static_cast<float>(clock.GetFrameTime());
  // The title changes twice a second; more often only costs the window manager.
  if (clock.GetTotalTime() - m_TitleTime >= 0.5) {
    m_TitleTime = clock.GetTotalTime();
    char title[64];
    std::snprintf(title, sizeof(title), "Morvane demo - %.1f fps", clock.GetFPS());
    SetWindowTextA(GetHWND(), title);
  }
}

void DemoApp::RenderScene() {
  RenderTexture2D* backBuffer = GetSwapChain()->GetBackBuffer();
  if (!backBuffer || !m_pScene) return;
  GraphicsDevice* device = GetDevice();
  backBuffer->Clear(ColorRGBA{0.1f, 0.1f, 0.15f, 1.0f});
  if (backBuffer->GetDepthStencilBuffer()) backBuffer->GetDepthStencilBuffer()->ClearDepth();
  backBuffer->Bind();
  const ViewPort& port = GetSwapChain()->GetTarget()->Viewport;
  device->SetViewPort(port);
  m_pScene->Render(m_Time);

  float aspect = port.Height ? static_cast<float>(port.Width) / static_cast<float>(port.Height) : 1.0f;
  DXMatrix view, projection, viewProjection;
  DXVector3 eye(0.0f, 2.0f, -5.5f), at(0.0f, 1.4f, 0.0f), up(0.0f, 1.0f, 0.0f);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  D3DXMatrixPerspectiveFovLH(&projection, 0.8f, aspect, 0.1f, 100.0f);
  D3DXMatrixMultiply(&viewProjection, &view, &projection);
  m_pModel->Render(m_Time, viewProjection);
}

bool DemoApp::WriteFrame(const StringEX& fileName) {
  RenderTexture2D* backBuffer = GetSwapChain() ? GetSwapChain()->GetBackBuffer() : nullptr;
  if (!backBuffer) return false;
  HRESULT hr = D3DX10SaveTextureToFileA(backBuffer->GetTexture()->GetTexture(), D3DX10_IFF_PNG, fileName.c_str());
  if (FAILED(hr)) Core::Log()->Error("Could not write " + fileName + ": " + GetErrorText(hr));
  return SUCCEEDED(hr);
}

int RunDemo(ILogger* log, const StringEX& dataDirectory) {
  bool display = HasDisplay();
  STMode mode;
  mode.Default();
  if (!display) {
    mode.Width = 640;
    mode.Height = 480;
  }
  DemoApp app;
  app.CreateAppWnd(mode, nullptr, "Morvane demo", nullptr);
  if (!app.CreateScene(dataDirectory) || !app.GetSwapChain()->GetBackBuffer()) return 1;

  if (display) {
    log->WriteLine("P pauses, Alt+Enter switches full screen, Esc or closing the window quits.", 4);
    app.Run();
  } else {
    StringEX directory = Core::GetRoot() + "/frames";
    std::error_code error;
    std::filesystem::create_directories(directory.c_str(), error);
    if (error) {
      log->Error("Cannot make " + directory);
      return 1;
    }
    int written = 0;
    for (int frame = 0; frame < kHeadlessFrames; ++frame) {
      app.Render();
      if (frame % kFrameStep != kFrameStep - 1) continue;
      char name[32];
      std::snprintf(name, sizeof(name), "/frame_%02d.png", frame + 1);
      if (app.WriteFrame(directory + name)) ++written;
    }
    log->WriteLine("No display: rendered " + StringEX(kHeadlessFrames) + " frames at " +
                       StringEX(static_cast<int>(Core::Clock().GetFPS())) + " fps, wrote " + StringEX(written) +
                       " of them as PNG files to " + directory,
                   4);
  }
  DestroyWindow(app.GetHWND());
  return 0;
}
