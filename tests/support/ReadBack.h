// Reads texels of a device texture back through a staging copy.
#pragma once

#include <d3d10.h>

#include <cstdint>
#include <cstring>
#include <vector>

// The bytes of one subresource, rows packed (width * texelSize each).
inline std::vector<uint8_t> ReadSubresource(ID3D10Device* device, ID3D10Texture2D* texture, UINT subresource,
                                            UINT texelSize) {
  D3D10_TEXTURE2D_DESC desc;
  texture->GetDesc(&desc);
  UINT mip = subresource % desc.MipLevels;
  UINT width = desc.Width >> mip ? desc.Width >> mip : 1;
  UINT height = desc.Height >> mip ? desc.Height >> mip : 1;
  desc.Usage = D3D10_USAGE_STAGING;
  desc.BindFlags = 0;
  desc.CPUAccessFlags = D3D10_CPU_ACCESS_READ;
  desc.MiscFlags = 0;
  std::vector<uint8_t> bytes;
  ID3D10Texture2D* staging = nullptr;
  if (FAILED(device->CreateTexture2D(&desc, nullptr, &staging))) return bytes;
  device->CopyResource(staging, texture);
  D3D10_MAPPED_TEXTURE2D mapped = {};
  if (SUCCEEDED(staging->Map(subresource, D3D10_MAP_READ, 0, &mapped))) {
    bytes.resize(static_cast<size_t>(width) * height * texelSize);
    for (UINT row = 0; row < height; ++row)
      std::memcpy(&bytes[row * width * texelSize], static_cast<const uint8_t*>(mapped.pData) + row * mapped.RowPitch,
                  width * texelSize);
    staging->Unmap(subresource);
  }
  staging->Release();
  return bytes;
}

// The first texel of a subresource as a 32-bit value (RGBA8 reads as 0xAABBGGRR).
inline uint32_t FirstTexel(ID3D10Device* device, ID3D10Texture2D* texture, UINT subresource = 0) {
  std::vector<uint8_t> bytes = ReadSubresource(device, texture, subresource, 4);
  uint32_t value = 0;
  if (bytes.size() >= 4) std::memcpy(&value, bytes.data(), 4);
  return value;
}
