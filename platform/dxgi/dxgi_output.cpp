#include "dxgi/dxgi_output.h"

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <iterator>
#include <new>
#include <tuple>
#include <vector>

#include "testing/testing_faults.h"

namespace {

// The back-buffer formats the swap chain can present.
const DXGI_FORMAT kPresentableFormats[] = {
    DXGI_FORMAT_R8G8B8A8_UNORM,
    DXGI_FORMAT_R8G8B8A8_UNORM_SRGB,
    DXGI_FORMAT_B8G8R8A8_UNORM,
    DXGI_FORMAT_B8G8R8A8_UNORM_SRGB,
    DXGI_FORMAT_R10G10B10A2_UNORM,
    DXGI_FORMAT_R16G16B16A16_FLOAT,
};

}  // namespace

bool DxgiIsPresentable(DXGI_FORMAT format) {
  return std::find(std::begin(kPresentableFormats), std::end(kPresentableFormats), format) !=
         std::end(kPresentableFormats);
}

namespace {

DXGI_MODE_DESC MakeMode(const SdlDisplayMode& mode, DXGI_FORMAT format, DXGI_MODE_SCALING scaling) {
  DXGI_MODE_DESC desc{};
  desc.Width = static_cast<UINT>(mode.width);
  desc.Height = static_cast<UINT>(mode.height);
  desc.RefreshRate = {static_cast<UINT>(mode.refreshRate), 1};
  desc.Format = format;
  desc.ScanlineOrdering = DXGI_MODE_SCANLINE_ORDER_PROGRESSIVE;
  desc.Scaling = scaling;
  return desc;
}

auto SortKey(const DXGI_MODE_DESC& mode) {
  return std::make_tuple(mode.Width, mode.Height, mode.RefreshRate.Numerator, mode.Scaling);
}

// One entry per size and rate (SDL may list a size once per pixel format; the
// swap chain converts, so the pixel format does not matter), sorted by width,
// height, rate and scaling. With DXGI_ENUM_MODES_SCALING, a mode the desktop
// holds with room to spare is also offered centered and stretched.
std::vector<DXGI_MODE_DESC> BuildModeList(const std::vector<SdlDisplayMode>& displayModes,
                                          const SdlDisplayMode& desktop, DXGI_FORMAT format, UINT flags) {
  std::vector<DXGI_MODE_DESC> modes;
  for (const SdlDisplayMode& mode : displayModes) {
    modes.push_back(MakeMode(mode, format, DXGI_MODE_SCALING_UNSPECIFIED));
    bool fits = mode.width <= desktop.width && mode.height <= desktop.height;
    bool smaller = mode.width < desktop.width || mode.height < desktop.height;
    if ((flags & DXGI_ENUM_MODES_SCALING) && fits && smaller) {
      modes.push_back(MakeMode(mode, format, DXGI_MODE_SCALING_CENTERED));
      modes.push_back(MakeMode(mode, format, DXGI_MODE_SCALING_STRETCHED));
    }
  }
  auto less = [](const DXGI_MODE_DESC& a, const DXGI_MODE_DESC& b) { return SortKey(a) < SortKey(b); };
  auto same = [](const DXGI_MODE_DESC& a, const DXGI_MODE_DESC& b) { return SortKey(a) == SortKey(b); };
  std::sort(modes.begin(), modes.end(), less);
  modes.erase(std::unique(modes.begin(), modes.end(), same), modes.end());
  return modes;
}

}  // namespace

DxgiOutput::DxgiOutput(IDXGIAdapter* adapter, UINT display) : DxgiObject(adapter), m_display(display) {}

HRESULT STDMETHODCALLTYPE DxgiOutput::GetDesc(DXGI_OUTPUT_DESC* pDesc) {
  if (!pDesc) return E_INVALIDARG;
  *pDesc = DXGI_OUTPUT_DESC{};
  std::swprintf(pDesc->DeviceName, std::size(pDesc->DeviceName), L"\\\\.\\DISPLAY%u", m_display + 1);
  SdlDisplayBounds bounds;
  // A display unplugged since enumeration is reported detached, with an empty rectangle.
  if (m_video.GetBounds(static_cast<int>(m_display), &bounds)) {
    pDesc->DesktopCoordinates = {bounds.x, bounds.y, bounds.x + bounds.width, bounds.y + bounds.height};
    pDesc->AttachedToDesktop = TRUE;
  }
  pDesc->Rotation = DXGI_MODE_ROTATION_IDENTITY;
  // A token that names the display; nothing dereferences it.
  pDesc->Monitor = reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(0x10001 + m_display));
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DxgiOutput::GetDisplayModeList(DXGI_FORMAT EnumFormat, UINT Flags, UINT* pNumModes,
                                                         DXGI_MODE_DESC* pDesc) {
  static FaultSite s_site("IDXGIOutput::GetDisplayModeList");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;

  if (!pNumModes) return DXGI_ERROR_INVALID_CALL;
  if (!DxgiIsPresentable(EnumFormat)) return DXGI_ERROR_UNSUPPORTED;
  // In a remote session the modes belong to the viewer's screen, which this
  // machine cannot switch; callers fall back to the desktop's size.
  if (GetSystemMetrics(SM_REMOTESESSION)) return DXGI_ERROR_NOT_CURRENTLY_AVAILABLE;

  std::vector<SdlDisplayMode> displayModes;
  SdlDisplayMode desktop;
  int display = static_cast<int>(m_display);
  if (!m_video.GetModes(display, &displayModes) || !m_video.GetDesktopMode(display, &desktop)) {
    return DXGI_ERROR_NOT_CURRENTLY_AVAILABLE;
  }
  std::vector<DXGI_MODE_DESC> modes;
  try {
    modes = BuildModeList(displayModes, desktop, EnumFormat, Flags);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }

  UINT count = static_cast<UINT>(modes.size());
  if (!pDesc) {
    *pNumModes = count;
    return S_OK;
  }
  UINT written = std::min(*pNumModes, count);
  std::copy_n(modes.begin(), written, pDesc);
  *pNumModes = written;
  return written < count ? DXGI_ERROR_MORE_DATA : S_OK;
}
