// The demo host: starts the engine with a console logger, lists every
// adapter, output and display mode it found, draws a frame of the demo scene
// into a render texture, writes it as a PNG file and shuts down.
#include <morvane/Morvane.h>

#include <d3dx10.h>

#include "ConsoleLogger.h"
#include "DemoModel.h"
#include "DemoScene.h"

namespace {

const char* FormatName(DXGI_FORMAT format) {
  switch (format) {
    case DXGI_FORMAT_R8G8B8A8_UNORM_SRGB: return "R8G8B8A8_UNORM_SRGB";
    case DXGI_FORMAT_R8G8B8A8_UNORM: return "R8G8B8A8_UNORM";
    case DXGI_FORMAT_R16G16B16A16_FLOAT: return "R16G16B16A16_FLOAT";
    case DXGI_FORMAT_R10G10B10A2_UNORM: return "R10G10B10A2_UNORM";
    default: return "other";
  }
}

void ListAdapters(ILogger* log) {
  const std::vector<AdapterInfo>& adapters = Core::Adapters();
  log->BeginSection("Adapters: " + StringEX(static_cast<int>(adapters.size())), 4);
  int index = 0;
  for (const AdapterInfo& adapter : adapters) {
    log->BeginSection("Adapter " + StringEX(index++) + ": " + StringEX(adapter.GetDesc().Description), 4);
    if (adapter.GetOutputs().empty()) log->WriteLine("no outputs (no display)", 4);
    for (const OutputInfo& output : adapter.GetOutputs()) {
      DXGI_OUTPUT_DESC desc = output.GetDesc();
      const RECT& area = desc.DesktopCoordinates;
      log->BeginSection("Output " + StringEX(desc.DeviceName) + " " + StringEX(static_cast<int>(area.right - area.left)) +
                            "x" + StringEX(static_cast<int>(area.bottom - area.top)),
                        4);
      for (const FormatModes& formatModes : output.GetFormatModes())
        log->WriteLine(StringEX(FormatName(formatModes.Format)) + ": " +
                           StringEX(static_cast<int>(formatModes.Modes.size())) + " modes",
                       4);
      log->EndSection(4);
    }
    log->EndSection(4);
  }
  log->EndSection(4);
}

// The directory of the demo program, with its separator.
StringEX ProgramDirectory() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  StringEX directory(path);
  return StringEX(directory.substr(0, directory.find_last_of('/') + 1));
}

void DrawFrame(ILogger* log, const StringEX& directory) {
  GraphicsDevice device(0, false);
  if (!device.GetDevice()) return;
  DemoScene scene(&device, directory + "data/");
  if (!scene.IsReady()) return;

  RenderTexture2D target(&device, DF_R8G8B8A8_UNORM, 320, 240, 1, 0, false);
  target.Bind();
  target.Clear(ColorRGBA{0.1f, 0.1f, 0.15f, 1.0f});
  device.SetViewPort(ViewPort{0, 0, 320, 240, 0.0f, 1.0f});
  scene.Render(0.4f);
  DemoModel model(&device, directory + "data/");
  if (model.IsReady()) {
    DXMatrix view, projection, viewProjection;
    DXVector3 eye(0.0f, 2.0f, -5.5f), at(0.0f, 1.4f, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, 0.8f, 320.0f / 240.0f, 0.1f, 100.0f);
    D3DXMatrixMultiply(&viewProjection, &view, &projection);
    model.Render(0.7f, viewProjection);
  }
  device.GetDevice()->OMSetRenderTargets(0, nullptr, nullptr);

  const StringEX png = directory + "frame.png";
  HRESULT hr = D3DX10SaveTextureToFileA(target.GetTexture()->GetTexture(), D3DX10_IFF_PNG, png.c_str());
  if (FAILED(hr))
    log->Error("Writing " + png + " failed: " + GetErrorText(hr));
  else
    log->WriteLine("Frame written to " + png, 4);
}

}  // namespace

int main() {
  ConsoleLogger logger;
  Core::Init();
  if (!Core::s_pCore) return 1;
  Core::SetLogger(&logger);

  logger.WriteLine("Morvane demo, root " + Core::GetRoot(), 4);
  ListAdapters(&logger);
  DrawFrame(&logger, ProgramDirectory());

  Core::Clock().Update();
  logger.WriteLine("Shut down after " + StringEX(static_cast<int>(Core::Clock().GetTotalTime() * 1000.0)) + " ms", 4);
  Core::Cleanup();
  return 0;
}
