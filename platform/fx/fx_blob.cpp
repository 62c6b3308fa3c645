#include "fx/fx_blob.h"

#include <cstring>
#include <new>

extern "C" const IID IID_ID3D10Blob = {0x8ba5fb08, 0x5195, 0x40e2, {0xac, 0x58, 0x0d, 0x98, 0x9c, 0x3a, 0x01, 0x02}};

ID3D10Blob* FxBlob::FromText(const std::string& text) {
  try {
    FxBlob* blob = new FxBlob(text.size() + 1);
    std::memcpy(blob->GetBufferPointer(), text.c_str(), text.size() + 1);
    return blob;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

extern "C" HRESULT WINAPI D3D10CreateBlob(SIZE_T NumBytes, ID3D10Blob** ppBuffer) {
  if (!ppBuffer) return E_INVALIDARG;
  *ppBuffer = nullptr;
  try {
    *ppBuffer = new FxBlob(NumBytes);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}
