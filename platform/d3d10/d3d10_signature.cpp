#include "d3d10/d3d10_signature.h"

#include <cstring>

#include "d3d10/d3d10_blob.h"
#include "d3d10/d3d10_object.h"

namespace {

constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kRecordSize = 24;

bool IsKnownSystemValue(UINT value) {
  return value <= D3D10_NAME_SAMPLE_INDEX || (value >= D3D10_NAME_TARGET && value <= D3D10_NAME_COVERAGE);
}

// The rules one parameter must meet, shared by the builder and the parser.
HRESULT ValidateParameter(const char* name, UINT reg, UINT systemValue, UINT componentType, UINT mask) {
  // A parameter is found by its semantic name.
  if (!name || !*name) return E_INVALIDARG;
  // Registers are GL attribute locations.
  if (reg >= D3D10_PLATFORM_INPUT_REGISTER_COUNT) return E_INVALIDARG;
  if (!IsKnownSystemValue(systemValue)) return E_INVALIDARG;
  if (componentType > D3D10_REGISTER_COMPONENT_FLOAT32) return E_INVALIDARG;
  // Inputs fed by vertex buffers say how their components are read.
  if (systemValue == D3D10_NAME_UNDEFINED && componentType == D3D10_REGISTER_COMPONENT_UNKNOWN) return E_INVALIDARG;
  // One to four components.
  if (mask == 0 || mask > 0xF) return E_INVALIDARG;
  return S_OK;
}

}  // namespace

extern "C" HRESULT WINAPI D3D10PlatformBuildSignature(const D3D10_SIGNATURE_PARAMETER_DESC* pParameters,
                                                      UINT NumParameters, void* pBlob, SIZE_T* pSize) {
  if (!pSize || (NumParameters && !pParameters)) return E_INVALIDARG;
  std::size_t size = kHeaderSize + kRecordSize * NumParameters;
  for (UINT i = 0; i < NumParameters; ++i) {
    const D3D10_SIGNATURE_PARAMETER_DESC& p = pParameters[i];
    HRESULT hr =
        ValidateParameter(p.SemanticName, p.Register, D3D10Raw(p.SystemValueType), D3D10Raw(p.ComponentType), p.Mask);
    if (FAILED(hr)) return hr;
    size += std::strlen(p.SemanticName) + 1;
  }
  if (!pBlob) {
    *pSize = size;
    return S_OK;
  }
  if (*pSize < size) return E_INVALIDARG;

  D3D10BlobWriter out(static_cast<uint8_t*>(pBlob));
  out.U32(D3D10_PLATFORM_SIGNATURE_MAGIC);
  out.U32(D3D10_PLATFORM_BLOB_VERSION);
  out.U32(static_cast<uint32_t>(size));
  out.U32(NumParameters);
  std::size_t nameAt = kHeaderSize + kRecordSize * NumParameters;
  for (UINT i = 0; i < NumParameters; ++i) {
    const D3D10_SIGNATURE_PARAMETER_DESC& p = pParameters[i];
    out.U32(static_cast<uint32_t>(nameAt));
    out.U32(p.SemanticIndex);
    out.U32(p.Register);
    out.U32(D3D10Raw(p.SystemValueType));
    out.U32(D3D10Raw(p.ComponentType));
    out.U8(p.Mask);
    out.U8(p.ReadWriteMask);
    out.U16(0);
    nameAt += std::strlen(p.SemanticName) + 1;
  }
  for (UINT i = 0; i < NumParameters; ++i) {
    out.Bytes(pParameters[i].SemanticName, std::strlen(pParameters[i].SemanticName) + 1);
  }
  *pSize = size;
  return S_OK;
}

HRESULT D3D10ParseSignature(const void* data, SIZE_T size, std::vector<D3D10SignatureInput>* inputs) {
  if (!data) return E_INVALIDARG;
  D3D10BlobReader in(data, size);
  if (!in.Holds(0, kHeaderSize)) return E_INVALIDARG;
  if (in.U32(0) != D3D10_PLATFORM_SIGNATURE_MAGIC || in.U32(4) != D3D10_PLATFORM_BLOB_VERSION) return E_INVALIDARG;
  if (in.U32(8) != size) return E_INVALIDARG;
  uint32_t count = in.U32(12);
  if (count > (size - kHeaderSize) / kRecordSize) return E_INVALIDARG;

  inputs->clear();
  inputs->reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    std::size_t at = kHeaderSize + kRecordSize * i;
    uint32_t nameAt = in.U32(at);
    if (!in.Holds(nameAt, 1)) return E_INVALIDARG;
    const void* end = std::memchr(in.At(nameAt), 0, size - nameAt);
    if (!end) return E_INVALIDARG;
    D3D10SignatureInput input;
    input.semanticName.assign(reinterpret_cast<const char*>(in.At(nameAt)));
    input.semanticIndex = in.U32(at + 4);
    input.reg = in.U32(at + 8);
    uint32_t systemValue = in.U32(at + 12);
    uint32_t componentType = in.U32(at + 16);
    input.mask = in.U8(at + 20);
    input.readWriteMask = in.U8(at + 21);
    HRESULT hr = ValidateParameter(input.semanticName.c_str(), input.reg, systemValue, componentType, input.mask);
    if (FAILED(hr)) return hr;
    input.systemValue = static_cast<D3D10_NAME>(systemValue);
    input.componentType = static_cast<D3D10_REGISTER_COMPONENT_TYPE>(componentType);
    inputs->push_back(std::move(input));
  }
  return S_OK;
}
