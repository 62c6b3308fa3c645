#include "dxgi/dxgi_adapter.h"

#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <new>

#include "dxgi/dxgi_output.h"
#include "sdl/sdl_video.h"
#include "testing/testing_faults.h"

namespace {

// PCI vendor ids by the GL_VENDOR prefix their drivers report.
struct VendorPrefix {
  const char* prefix;
  UINT id;
};
const VendorPrefix kVendors[] = {
    {"NVIDIA", 0x10DE},
    {"AMD", 0x1002},
    {"ATI", 0x1002},
    {"Advanced Micro Devices", 0x1002},
    {"Intel", 0x8086},
};

// The Khronos vendor id of Mesa, for its software rasterisers.
constexpr UINT kMesaVendorId = 0x10005;

UINT VendorId(const EglDevice& device) {
  if (device.software) return kMesaVendorId;
  for (const VendorPrefix& vendor : kVendors) {
    if (device.vendor.rfind(vendor.prefix, 0) == 0) return vendor.id;
  }
  return 0;
}

SIZE_T SystemMemory() {
  long pages = sysconf(_SC_PHYS_PAGES);
  long pageSize = sysconf(_SC_PAGESIZE);
  return pages > 0 && pageSize > 0 ? static_cast<SIZE_T>(pages) * static_cast<SIZE_T>(pageSize) : 0;
}

}  // namespace

DxgiAdapter::DxgiAdapter(IDXGIFactory* factory, const EglDevice& device, UINT index)
    : DxgiObject(factory), m_device(device), m_index(index) {}

HRESULT STDMETHODCALLTYPE DxgiAdapter::EnumOutputs(UINT Output, IDXGIOutput** ppOutput) {
  static FaultSite s_site("IDXGIAdapter::EnumOutputs");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;

  if (!ppOutput) return DXGI_ERROR_INVALID_CALL;
  *ppOutput = nullptr;
  if (m_index != 0) return DXGI_ERROR_NOT_FOUND;
  SdlVideo video;
  if (Output >= static_cast<UINT>(video.DisplayCount())) return DXGI_ERROR_NOT_FOUND;
  DxgiOutput* output = new (std::nothrow) DxgiOutput(this, Output);
  if (!output) return E_OUTOFMEMORY;
  *ppOutput = output;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DxgiAdapter::GetDesc(DXGI_ADAPTER_DESC* pDesc) {
  if (!pDesc) return E_INVALIDARG;
  *pDesc = DXGI_ADAPTER_DESC{};
  // Renderer names are ASCII; each byte widens to one character.
  std::size_t length = std::min(m_device.renderer.size(), std::size(pDesc->Description) - 1);
  for (std::size_t i = 0; i < length; ++i) {
    pDesc->Description[i] = static_cast<unsigned char>(m_device.renderer[i]);
  }
  pDesc->VendorId = VendorId(m_device);
  if (m_device.software) {
    // A CPU rasteriser draws into ordinary memory: all of it is shared.
    pDesc->SharedSystemMemory = SystemMemory();
  } else {
    pDesc->DedicatedVideoMemory = static_cast<SIZE_T>(m_device.dedicatedMemory);
    // A GPU may borrow up to half of system memory, as Windows drivers grant.
    pDesc->SharedSystemMemory = SystemMemory() / 2;
  }
  // Unique per adapter and stable for the process, which is what callers
  // compare it for.
  pDesc->AdapterLuid.LowPart = m_index + 1;
  return S_OK;
}
