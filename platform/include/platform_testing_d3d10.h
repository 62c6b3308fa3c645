// Test-only inspection of the Direct3D 10 devices of the platform layer:
// what reached GL, counted per device. Fault injection goes through
// PlatformTesting::FailCall with the call names "D3D10CreateDevice" and
// "ID3D10Device::CreateBuffer", "ID3D10Device::CreateTexture2D" and so on for
// every Create method of the device.
#pragma once

#include "d3d10.h"

namespace D3D10Testing {

struct DeviceCounters {
  UINT drawCalls;            // draws handed to GL
  UINT skippedDraws;         // draws that had nothing to draw with
  UINT bufferCreations;
  UINT textureCreations;
  UINT maps[6];              // by D3D10_MAP value; [0] unused
  UINT programLinks;         // GL programs linked for (VS, GS, PS) sets
  UINT framebufferCreations; // GL framebuffers made for render-target sets
  UINT vertexFormatChanges;  // input layouts applied to the vertex array
  UINT glErrors;             // errors reported by GL debug output (debug devices)
};

// The device's counters since creation or the last ResetCounters.
// E_INVALIDARG for a device that is not one of this platform's.
HRESULT GetCounters(ID3D10Device* device, DeviceCounters* counters);
void ResetCounters(ID3D10Device* device);

// The map type of the buffer's last successful Map, 0 when never mapped.
D3D10_MAP LastMapType(ID3D10Buffer* buffer);

// Whether the device runs a GL debug context with its output routed to stderr.
bool IsDebugDevice(ID3D10Device* device);

}  // namespace D3D10Testing
