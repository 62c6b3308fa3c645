// The demo host: starts the engine with a console logger, lists every
// adapter, output and display mode it found, runs the demo application and
// shuts down.
#include <morvane/Morvane.h>

#include "ConsoleLogger.h"
#include "DemoApp.h"

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

}  // namespace

int main() {
  ConsoleLogger logger;
  Core::Init();
  if (!Core::s_pCore) return 1;
  Core::SetLogger(&logger);

  logger.WriteLine("Morvane demo, root " + Core::GetRoot(), 4);
  ListAdapters(&logger);
  int result = RunDemo(&logger, ProgramDirectory() + "data/");

  Core::Clock().Update();
  logger.WriteLine("Shut down after " + StringEX(static_cast<int>(Core::Clock().GetTotalTime() * 1000.0)) + " ms", 4);
  Core::Cleanup();
  return result;
}
