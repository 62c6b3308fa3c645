// DDS files written byte by byte: the legacy header with a DirectDraw pixel
// format, or the DX10 extension header with a DXGI format.
#pragma once

#include <d3d10.h>

#include <cstdint>
#include <cstring>
#include <string>

struct DdsPixelFormat {
  uint32_t flags, fourCC, bits, masks[4];
};

constexpr uint32_t kDdsFourCCFlag = 0x4, kDdsRgbFlag = 0x40, kDdsAlphaPixels = 0x1, kDdsLuminance = 0x20000;
constexpr uint32_t kDdsCubeAllFaces = 0x200 | 0xFC00, kDdsVolume = 0x200000;

constexpr uint32_t DdsFourCC(const char (&code)[5]) {
  return uint32_t(uint8_t(code[0])) | uint32_t(uint8_t(code[1])) << 8 | uint32_t(uint8_t(code[2])) << 16 |
         uint32_t(uint8_t(code[3])) << 24;
}

inline DdsPixelFormat DdsCompressed(const char (&code)[5]) { return {kDdsFourCCFlag, DdsFourCC(code), 0, {}}; }
inline DdsPixelFormat DdsMasks(uint32_t flags, uint32_t bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  return {flags, 0, bits, {r, g, b, a}};
}

inline void DdsPut(std::string* out, uint32_t value) {
  char bytes[4];
  std::memcpy(bytes, &value, 4);
  out->append(bytes, 4);
}

// The magic, the header and the pixel format; depth and caps2 as given.
inline std::string DdsHeaderBytes(uint32_t width, uint32_t height, uint32_t mips, const DdsPixelFormat& pf,
                                  uint32_t caps2 = 0, uint32_t depth = 0) {
  std::string out = "DDS ";
  DdsPut(&out, 124);
  DdsPut(&out, 0x1 | 0x2 | 0x4 | 0x1000 | (mips > 1 ? 0x20000 : 0) | (depth ? 0x800000 : 0));
  DdsPut(&out, height);
  DdsPut(&out, width);
  DdsPut(&out, 0);  // pitch or linear size, which readers ignore
  DdsPut(&out, depth);
  DdsPut(&out, mips);
  for (int i = 0; i < 11; ++i) DdsPut(&out, 0);
  DdsPut(&out, 32);
  DdsPut(&out, pf.flags);
  DdsPut(&out, pf.fourCC);
  DdsPut(&out, pf.bits);
  for (uint32_t mask : pf.masks) DdsPut(&out, mask);
  DdsPut(&out, 0x1000 | (mips > 1 ? 0x400008 : 0) | (caps2 ? 0x8 : 0));
  DdsPut(&out, caps2);
  for (int i = 0; i < 3; ++i) DdsPut(&out, 0);
  return out;
}

inline std::string DdsLegacy(uint32_t width, uint32_t height, uint32_t mips, const DdsPixelFormat& pf,
                             const std::string& texels, uint32_t caps2 = 0) {
  return DdsHeaderBytes(width, height, mips, pf, caps2) + texels;
}

inline std::string DdsDx10(uint32_t width, uint32_t height, uint32_t mips, DXGI_FORMAT format,
                           const std::string& texels, uint32_t arraySize = 1, bool cube = false,
                           D3D10_RESOURCE_DIMENSION dimension = D3D10_RESOURCE_DIMENSION_TEXTURE2D) {
  std::string out = DdsHeaderBytes(width, height, mips, DdsCompressed("DX10"));
  DdsPut(&out, static_cast<uint32_t>(format));
  DdsPut(&out, static_cast<uint32_t>(dimension));
  DdsPut(&out, cube ? 0x4 : 0);
  DdsPut(&out, arraySize);
  DdsPut(&out, 0);
  return out + texels;
}

// Texels of one value, as bytes.
template <typename T>
std::string DdsFill(std::size_t count, T value) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out.append(reinterpret_cast<const char*>(&value), sizeof(T));
  return out;
}
