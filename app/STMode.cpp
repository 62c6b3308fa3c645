#include <morvane/STMode.h>

STMode::STMode()
    : Adapter(0),
      Format(DXGI_FORMAT_UNKNOWN),
      DepthFormat(DF_UNKNOWN),
      Windowed(false),
      Width(0),
      Height(0),
      RefreshNumerator(0),
      RefreshDenominator(0),
      VSync(false),
      MultiSampleLevel(0) {}

void STMode::Default() {
  Adapter = 0;
  Format = DXGI_FORMAT_R8G8B8A8_UNORM;
  DepthFormat = DF_D32_FLOAT;
  Windowed = true;
  Width = 1024;
  Height = 768;
  RefreshNumerator = 0;
  RefreshDenominator = 0;
  VSync = false;
  MultiSampleLevel = 0;
}
