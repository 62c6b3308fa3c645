// The vertex input signature blob of this platform (layout in d3d10_platform.h).
#pragma once

#include <d3d10_platform.h>

#include <string>
#include <vector>

struct D3D10SignatureInput {
  std::string semanticName;
  UINT semanticIndex;
  UINT reg;
  D3D10_NAME systemValue;
  D3D10_REGISTER_COMPONENT_TYPE componentType;
  BYTE mask;
  BYTE readWriteMask;
};

// Parses a signature blob of exactly `size` bytes. E_INVALIDARG for a wrong
// magic, version or size, a record or name outside the blob, or a field out
// of the range the builder accepts.
HRESULT D3D10ParseSignature(const void* data, SIZE_T size, std::vector<D3D10SignatureInput>* inputs);
