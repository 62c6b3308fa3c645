// ID3D10Blob: bytes handed to the caller (error text, disassembly).
#pragma once

#include <d3d10misc.h>

#include <string>
#include <vector>

#include "com/com_object.h"

MORVANE_COM_PARENT(ID3D10Blob, IUnknown);

class FxBlob final : public ComObject<ID3D10Blob> {
 public:
  // A blob holding the text and a terminating zero; null when out of memory.
  static ID3D10Blob* FromText(const std::string& text);

  LPVOID STDMETHODCALLTYPE GetBufferPointer() override { return m_bytes.data(); }
  SIZE_T STDMETHODCALLTYPE GetBufferSize() override { return m_bytes.size(); }

  explicit FxBlob(std::size_t size) : m_bytes(size) {}

 private:
  std::vector<uint8_t> m_bytes;
};
