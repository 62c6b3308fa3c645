// The test-only inspection of this platform's Direct3D 10 devices.
#include <platform_testing_d3d10.h>

#include "d3d10/d3d10_buffer.h"
#include "d3d10/d3d10_device.h"

namespace D3D10Testing {

HRESULT GetCounters(ID3D10Device* device, DeviceCounters* counters) {
  auto* ours = dynamic_cast<D3D10Device*>(device);
  if (!ours || !counters) return E_INVALIDARG;
  *counters = ours->Counters();
  return S_OK;
}

void ResetCounters(ID3D10Device* device) {
  if (auto* ours = dynamic_cast<D3D10Device*>(device)) ours->Counters() = DeviceCounters{};
}

D3D10_MAP LastMapType(ID3D10Buffer* buffer) {
  auto* ours = dynamic_cast<D3D10Buffer*>(buffer);
  return ours ? ours->LastMapType() : static_cast<D3D10_MAP>(0);
}

bool IsDebugDevice(ID3D10Device* device) {
  auto* ours = dynamic_cast<D3D10Device*>(device);
  return ours && ours->IsDebug();
}

}  // namespace D3D10Testing
