#include "DemoApp.h"

#include <d3dx10.h>
#include <stb/stb_image_write.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

const char kEffect[] = R"(
float4x4 WorldViewProj;

struct VSIn { float3 pos : POSITION; float4 color : COLOR; };
struct PSIn { float4 pos : SV_Position; float4 color : COLOR; };

PSIn VS(VSIn input) {
  PSIn output;
  output.pos = mul(float4(input.pos, 1), WorldViewProj);
  output.color = input.color;
  return output;
}

float4 PS(PSIn input) : SV_Target { return input.color; }

RasterizerState BothSides { CullMode = NONE; };

technique10 Colored {
  pass P0 {
    SetVertexShader(CompileShader(vs_4_0, VS()));
    SetGeometryShader(NULL);
    SetPixelShader(CompileShader(ps_4_0, PS()));
    SetRasterizerState(BothSides);
  }
}
)";

struct Vertex {
  float x, y, z;
  float r, g, b, a;
};

const D3D10_INPUT_ELEMENT_DESC kElements[] = {
    {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D10_INPUT_PER_VERTEX_DATA, 0},
    {"COLOR", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 12, D3D10_INPUT_PER_VERTEX_DATA, 0},
};

const Vertex kTriangle[] = {
    {0.0f, 0.8f, 0.5f, 1.0f, 0.2f, 0.2f, 1.0f},
    {0.7f, -0.5f, 0.5f, 0.2f, 1.0f, 0.2f, 1.0f},
    {-0.7f, -0.5f, 0.5f, 0.2f, 0.4f, 1.0f, 1.0f},
};

// Radians per second the triangle turns.
const float kSpinSpeed = 1.2f;
// Headless runs render this many frames and keep every kFrameStep-th.
const int kHeadlessFrames = 30;
const int kFrameStep = 5;

bool HasDisplay() {
  for (const AdapterInfo& adapter : Core::Adapters())
    if (!adapter.GetOutputs().empty()) return true;
  return false;
}

}  // namespace

DemoApp::DemoApp()
    : m_pEffect(nullptr), m_pTechnique(nullptr), m_pWorldViewProj(nullptr), m_pLayout(nullptr), m_Angle(0.0f),
      m_TitleTime(0.0) {}

DemoApp::~DemoApp() {
  if (m_pLayout) m_pLayout->Release();
  if (m_pEffect) m_pEffect->Release();
}

bool DemoApp::CreateScene() {
  if (!GetDevice() || !GetDevice()->GetDevice()) return false;
  ID3D10Device* device = GetDevice()->GetDevice();
  ID3D10Blob* errors = nullptr;
  HRESULT hr = D3DX10CreateEffectFromMemory(kEffect, sizeof(kEffect) - 1, "demo.fx", nullptr, nullptr, "fx_4_0", 0, 0,
                                            device, nullptr, nullptr, &m_pEffect, &errors, nullptr);
  if (FAILED(hr)) {
    StringEX text = errors ? StringEX(static_cast<const char*>(errors->GetBufferPointer())) : StringEX();
    Core::Log()->Error("demo.fx does not compile: " + text);
    if (errors) errors->Release();
    return false;
  }
  if (errors) errors->Release();
  m_pTechnique = m_pEffect->GetTechniqueByName("Colored");
  m_pWorldViewProj = m_pEffect->GetVariableByName("WorldViewProj")->AsMatrix();
  D3D10_PASS_DESC pass;
  m_pTechnique->GetPassByIndex(0)->GetDesc(&pass);
  hr = device->CreateInputLayout(kElements, 2, pass.pIAInputSignature, pass.IAInputSignatureSize, &m_pLayout);
  if (FAILED(hr)) {
    Core::Log()->Error("demo input layout: " + GetErrorText(hr));
    return false;
  }
  return true;
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
  m_Angle = std::fmod(m_Angle + kSpinSpeed * static_cast<float>(clock.GetFrameTime()), 6.2831853f);
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
  if (!backBuffer || !m_pLayout) return;
  GraphicsDevice* device = GetDevice();
  double time = Core::Clock().GetTotalTime();
  ColorRGBA sky = {0.1f + 0.1f * static_cast<float>(std::sin(time * 0.5)), 0.15f, 0.3f, 1.0f};
  backBuffer->Clear(sky);
  if (backBuffer->GetDepthStencilBuffer()) backBuffer->GetDepthStencilBuffer()->ClearDepth();
  backBuffer->Bind();
  device->SetViewPort(GetSwapChain()->GetTarget()->Viewport);

  // Keep the triangle's shape whatever the window's aspect ratio.
  const ViewPort& port = GetSwapChain()->GetTarget()->Viewport;
  float aspect = port.Height ? static_cast<float>(port.Width) / static_cast<float>(port.Height) : 1.0f;
  D3DXMATRIX rotation, scale, world;
  D3DXMatrixRotationZ(&rotation, m_Angle);
  D3DXMatrixScaling(&scale, 1.0f / aspect, 1.0f, 1.0f);
  D3DXMatrixMultiply(&world, &rotation, &scale);
  m_pWorldViewProj->SetMatrix(reinterpret_cast<float*>(&world));

  device->SetPrimitiveType(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  device->SetInputLayout(m_pLayout);
  m_pTechnique->GetPassByIndex(0)->Apply(0);
  device->DrawUP(kTriangle, sizeof(Vertex), 3);
}

bool DemoApp::WriteFrame(const StringEX& fileName) {
  RenderTexture2D* backBuffer = GetSwapChain() ? GetSwapChain()->GetBackBuffer() : nullptr;
  if (!backBuffer) return false;
  Texture2D* staging = Texture2D::CreateStagingTexture(GetDevice(), backBuffer->GetWidth(), backBuffer->GetHeight(),
                                                       DF_R8G8B8A8_UNORM, 1);
  GetDevice()->GetDevice()->CopyResource(staging->GetTexture(), backBuffer->GetTexture()->GetTexture());
  D3D10_MAPPED_TEXTURE2D mapped;
  bool written = false;
  if (SUCCEEDED(staging->GetTexture()->Map(0, D3D10_MAP_READ, 0, &mapped))) {
    written = stbi_write_png(fileName.c_str(), static_cast<int>(backBuffer->GetWidth()),
                             static_cast<int>(backBuffer->GetHeight()), 4, mapped.pData,
                             static_cast<int>(mapped.RowPitch)) != 0;
    staging->GetTexture()->Unmap(0);
  }
  staging->Release();
  if (!written) Core::Log()->Error("Could not write " + fileName);
  return written;
}

int RunDemo(ILogger* log) {
  bool display = HasDisplay();
  STMode mode;
  mode.Default();
  if (!display) {
    mode.Width = 640;
    mode.Height = 480;
  }
  DemoApp app;
  app.CreateAppWnd(mode, nullptr, "Morvane demo", nullptr);
  if (!app.CreateScene() || !app.GetSwapChain()->GetBackBuffer()) return 1;

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
