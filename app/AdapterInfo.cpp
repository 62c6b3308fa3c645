#include <morvane/AdapterInfo.h>

#include <cstring>

namespace {

// The back-buffer formats the engine offers, in the order they are listed.
const DXGI_FORMAT kModeFormats[] = {
    DXGI_FORMAT_R8G8B8A8_UNORM_SRGB,
    DXGI_FORMAT_R8G8B8A8_UNORM,
    DXGI_FORMAT_R16G16B16A16_FLOAT,
    DXGI_FORMAT_R10G10B10A2_UNORM,
};

// The one mode a remote session offers when the output lists none: the
// desktop's current size at 60 Hz.
void AddRemoteSessionMode(std::vector<DXGI_MODE_DESC>& modes) {
  if (!GetSystemMetrics(SM_REMOTESESSION)) return;
  DEVMODEA desktop;
  std::memset(&desktop, 0, sizeof(desktop));
  desktop.dmSize = sizeof(DEVMODEA);
  if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &desktop)) return;
  DXGI_MODE_DESC mode;
  mode.Width = desktop.dmPelsWidth;
  mode.Height = desktop.dmPelsHeight;
  mode.RefreshRate.Numerator = 60;
  mode.RefreshRate.Denominator = 1;
  mode.Format = DXGI_FORMAT_R8G8B8A8_UNORM_SRGB;
  mode.ScanlineOrdering = DXGI_MODE_SCANLINE_ORDER_PROGRESSIVE;
  mode.Scaling = DXGI_MODE_SCALING_CENTERED;
  modes.push_back(mode);
}

}  // namespace

OutputInfo::OutputInfo(IDXGIOutput* const output) : m_pOutput(output) {
  std::memset(&m_Desc, 0, sizeof(m_Desc));
  if (m_pOutput) m_pOutput->GetDesc(&m_Desc);
}

OutputInfo::OutputInfo(const OutputInfo& other)
    : m_pOutput(other.m_pOutput), m_Desc(other.m_Desc), m_FormatModes(other.m_FormatModes) {
  if (m_pOutput) m_pOutput->AddRef();
}

OutputInfo& OutputInfo::operator=(const OutputInfo& other) {
  if (other.m_pOutput) other.m_pOutput->AddRef();
  if (m_pOutput) m_pOutput->Release();
  m_pOutput = other.m_pOutput;
  m_Desc = other.m_Desc;
  m_FormatModes = other.m_FormatModes;
  return *this;
}

OutputInfo::~OutputInfo() {
  if (m_pOutput) m_pOutput->Release();
}

void OutputInfo::EnumFormatModes() {
  m_FormatModes.clear();
  if (!m_pOutput) return;
  std::vector<DXGI_MODE_DESC> modes;
  for (DXGI_FORMAT format : kModeFormats) {
    modes.clear();
    UINT count = 0;
    HRESULT hr = m_pOutput->GetDisplayModeList(format, DXGI_ENUM_MODES_SCALING, &count, nullptr);
    if (hr == DXGI_ERROR_NOT_CURRENTLY_AVAILABLE) {
      if (format != kModeFormats[0]) return;
      AddRemoteSessionMode(modes);
    } else {
      if (FAILED(hr)) return;
      modes.resize(count);
      if (FAILED(m_pOutput->GetDisplayModeList(format, DXGI_ENUM_MODES_SCALING, &count, modes.data())))
        return;
      // The output may have fewer modes by now than it counted.
      modes.resize(count);
    }
    m_FormatModes.push_back(FormatModes{format, modes});
  }
}

AdapterInfo::AdapterInfo(IDXGIAdapter* const adapter) : m_pAdapter(adapter) {
  std::memset(&m_Desc, 0, sizeof(m_Desc));
  if (m_pAdapter) m_pAdapter->GetDesc(&m_Desc);
}

AdapterInfo::AdapterInfo(const AdapterInfo& other)
    : m_pAdapter(other.m_pAdapter), m_Desc(other.m_Desc), m_Outputs(other.m_Outputs) {
  if (m_pAdapter) m_pAdapter->AddRef();
}

AdapterInfo& AdapterInfo::operator=(const AdapterInfo& other) {
  if (other.m_pAdapter) other.m_pAdapter->AddRef();
  if (m_pAdapter) m_pAdapter->Release();
  m_pAdapter = other.m_pAdapter;
  m_Desc = other.m_Desc;
  m_Outputs = other.m_Outputs;
  return *this;
}

AdapterInfo::~AdapterInfo() {
  if (m_pAdapter) m_pAdapter->Release();
}

void AdapterInfo::EnumOutputs(bool modes) {
  m_Outputs.clear();
  if (!m_pAdapter) return;
  for (UINT j = 0;; ++j) {
    IDXGIOutput* output = nullptr;
    if (m_pAdapter->EnumOutputs(j, &output) != S_OK) break;
    m_Outputs.push_back(OutputInfo(output));
    if (modes) m_Outputs.back().EnumFormatModes();
  }
}
