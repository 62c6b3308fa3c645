// ID3D10Blob: the buffer in which Direct3D 10 hands back compiled effects,
// compiler messages and disassembly listings.
#pragma once

#include "unknwn.h"

extern "C" const IID IID_ID3D10Blob;

struct ID3D10Blob : public IUnknown {
  virtual LPVOID STDMETHODCALLTYPE GetBufferPointer() = 0;
  virtual SIZE_T STDMETHODCALLTYPE GetBufferSize() = 0;
};
MORVANE_DECLARE_UUID(ID3D10Blob, IID_ID3D10Blob);

typedef ID3D10Blob* LPD3D10BLOB;

// A blob of NumBytes uninitialised bytes.
extern "C" HRESULT WINAPI D3D10CreateBlob(SIZE_T NumBytes, ID3D10Blob** ppBuffer);
