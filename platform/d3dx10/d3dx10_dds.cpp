#include "d3dx10/d3dx10_dds.h"

#include <d3dx10tex.h>

#include <algorithm>
#include <cstring>

#include "d3d10/d3d10_format.h"

namespace {

constexpr uint32_t FourCC(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}

constexpr uint32_t kMagic = FourCC('D', 'D', 'S', ' ');
constexpr std::size_t kHeaderSize = 124;
constexpr std::size_t kPixelFormatSize = 32;
constexpr std::size_t kDx10HeaderSize = 20;

// Header flags, pixel format flags and caps the reader looks at.
constexpr uint32_t kFlagDepth = 0x800000;
constexpr uint32_t kPixelAlphaPixels = 0x1;
constexpr uint32_t kPixelAlpha = 0x2;
constexpr uint32_t kPixelFourCC = 0x4;
constexpr uint32_t kPixelRGB = 0x40;
constexpr uint32_t kPixelLuminance = 0x20000;
constexpr uint32_t kPixelBumpDuDv = 0x80000;
constexpr uint32_t kCaps2Cubemap = 0x200;
constexpr uint32_t kCaps2AllFaces = 0xFC00;
constexpr uint32_t kCaps2Volume = 0x200000;
constexpr uint32_t kDx10MiscCube = 0x4;

// Larger textures and arrays than these cannot become textures, and keep
// every size computation inside 64 bits.
constexpr UINT kMaxSize = 16384;
constexpr UINT kMaxLayers = 2048;

// Legacy pixel formats stored as a DXGI format, texel for texel.
struct MaskFormat {
  uint32_t flags;
  UINT bits;
  uint32_t masks[4];
  DXGI_FORMAT format;
};

// clang-format off
const MaskFormat kMaskFormats[] = {
  {kPixelRGB,       32, {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000}, DXGI_FORMAT_R8G8B8A8_UNORM},
  {kPixelRGB,       32, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}, DXGI_FORMAT_B8G8R8A8_UNORM},
  {kPixelRGB,       32, {0x000003FF, 0x000FFC00, 0x3FF00000, 0xC0000000}, DXGI_FORMAT_R10G10B10A2_UNORM},
  {kPixelRGB,       32, {0x0000FFFF, 0xFFFF0000, 0x00000000, 0x00000000}, DXGI_FORMAT_R16G16_UNORM},
  {kPixelRGB,       32, {0xFFFFFFFF, 0x00000000, 0x00000000, 0x00000000}, DXGI_FORMAT_R32_FLOAT},
  {kPixelLuminance,  8, {0x000000FF, 0x00000000, 0x00000000, 0x00000000}, DXGI_FORMAT_R8_UNORM},
  {kPixelLuminance, 16, {0x0000FFFF, 0x00000000, 0x00000000, 0x00000000}, DXGI_FORMAT_R16_UNORM},
  {kPixelLuminance, 16, {0x000000FF, 0x00000000, 0x00000000, 0x0000FF00}, DXGI_FORMAT_R8G8_UNORM},
  {kPixelBumpDuDv,  16, {0x000000FF, 0x0000FF00, 0x00000000, 0x00000000}, DXGI_FORMAT_R8G8_SNORM},
  {kPixelBumpDuDv,  32, {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000}, DXGI_FORMAT_R8G8B8A8_SNORM},
  {kPixelBumpDuDv,  32, {0x0000FFFF, 0xFFFF0000, 0x00000000, 0x00000000}, DXGI_FORMAT_R16G16_SNORM},
};

// Four-character codes: block formats and the Direct3D 9 format numbers.
const struct { uint32_t code; DXGI_FORMAT format; } kFourCCs[] = {
  {FourCC('D', 'X', 'T', '1'), DXGI_FORMAT_BC1_UNORM},
  {FourCC('D', 'X', 'T', '2'), DXGI_FORMAT_BC2_UNORM},
  {FourCC('D', 'X', 'T', '3'), DXGI_FORMAT_BC2_UNORM},
  {FourCC('D', 'X', 'T', '4'), DXGI_FORMAT_BC3_UNORM},
  {FourCC('D', 'X', 'T', '5'), DXGI_FORMAT_BC3_UNORM},
  {FourCC('A', 'T', 'I', '1'), DXGI_FORMAT_BC4_UNORM},
  {FourCC('B', 'C', '4', 'U'), DXGI_FORMAT_BC4_UNORM},
  {FourCC('B', 'C', '4', 'S'), DXGI_FORMAT_BC4_SNORM},
  {FourCC('A', 'T', 'I', '2'), DXGI_FORMAT_BC5_UNORM},
  {FourCC('B', 'C', '5', 'U'), DXGI_FORMAT_BC5_UNORM},
  {FourCC('B', 'C', '5', 'S'), DXGI_FORMAT_BC5_SNORM},
  {36,  DXGI_FORMAT_R16G16B16A16_UNORM},
  {110, DXGI_FORMAT_R16G16B16A16_SNORM},
  {111, DXGI_FORMAT_R16_FLOAT},
  {112, DXGI_FORMAT_R16G16_FLOAT},
  {113, DXGI_FORMAT_R16G16B16A16_FLOAT},
  {114, DXGI_FORMAT_R32_FLOAT},
  {115, DXGI_FORMAT_R32G32_FLOAT},
  {116, DXGI_FORMAT_R32G32B32A32_FLOAT},
};
// clang-format on

constexpr uint32_t kDx10 = FourCC('D', 'X', '1', '0');

uint32_t Read32(const uint8_t* p) {
  uint32_t value;
  std::memcpy(&value, p, 4);
  return value;
}

UINT FullMipCount(UINT size) {
  UINT levels = 1;
  for (; size > 1; size >>= 1) ++levels;
  return levels;
}

// A legacy format's masks must be contiguous runs inside the texel, with a
// colour (or alpha) channel present.
bool ValidMasks(const uint32_t (&masks)[4], UINT bits) {
  uint32_t used = 0;
  for (uint32_t mask : masks) {
    if (bits < 32 && (mask >> bits) != 0) return false;
    if (mask && ((mask >> __builtin_ctz(mask)) & ((mask >> __builtin_ctz(mask)) + 1)) != 0) return false;
    if (used & mask) return false;
    used |= mask;
  }
  return used != 0;
}

// The legacy pixel format: a DXGI format, or masks to widen.
HRESULT ReadPixelFormat(const uint8_t* pf, D3DX10DdsFile* file) {
  uint32_t flags = Read32(pf + 4), code = Read32(pf + 8), bits = Read32(pf + 12);
  uint32_t masks[4] = {Read32(pf + 16), Read32(pf + 20), Read32(pf + 24), Read32(pf + 28)};
  if (flags & kPixelFourCC) {
    for (const auto& entry : kFourCCs) {
      if (entry.code == code) {
        file->format = entry.format;
        return S_OK;
      }
    }
    return D3DX10_ERR_INVALID_DATA;
  }
  if (!(flags & (kPixelRGB | kPixelLuminance | kPixelAlpha | kPixelBumpDuDv))) return D3DX10_ERR_INVALID_DATA;
  if (!(flags & (kPixelAlphaPixels | kPixelAlpha))) masks[3] = 0;
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return D3DX10_ERR_INVALID_DATA;
  for (const MaskFormat& entry : kMaskFormats) {
    if ((flags & entry.flags) && bits == entry.bits && std::equal(masks, masks + 4, entry.masks)) {
      file->format = entry.format;
      return S_OK;
    }
  }
  // Signed bump formats have no 8-bit widening.
  if ((flags & kPixelBumpDuDv) || !ValidMasks(masks, bits)) return D3DX10_ERR_INVALID_DATA;
  file->expand = true;
  file->bits = bits;
  std::copy(masks, masks + 4, file->masks);
  file->luminance = (flags & kPixelLuminance) != 0;
  file->format = DXGI_FORMAT_R8G8B8A8_UNORM;
  return S_OK;
}

HRESULT ReadDx10Header(const uint8_t* header, D3DX10DdsFile* file) {
  uint32_t format = Read32(header), dimension = Read32(header + 4), misc = Read32(header + 8);
  uint32_t arraySize = Read32(header + 12);
  if (dimension == D3D10_RESOURCE_DIMENSION_TEXTURE3D) return E_FAIL;
  if (dimension != D3D10_RESOURCE_DIMENSION_TEXTURE1D && dimension != D3D10_RESOURCE_DIMENSION_TEXTURE2D) {
    return D3DX10_ERR_INVALID_DATA;
  }
  const D3D10FormatInfo* info = D3D10GetFormatInfo(static_cast<DXGI_FORMAT>(format));
  if (!info) return D3DX10_ERR_INVALID_DATA;
  file->dimension = static_cast<D3D10_RESOURCE_DIMENSION>(dimension);
  file->format = info->format;
  file->cube = (misc & kDx10MiscCube) != 0;
  if (arraySize == 0 || arraySize > kMaxLayers / (file->cube ? 6 : 1)) return D3DX10_ERR_INVALID_DATA;
  if (file->cube && dimension != D3D10_RESOURCE_DIMENSION_TEXTURE2D) return D3DX10_ERR_INVALID_DATA;
  file->layers = arraySize * (file->cube ? 6 : 1);
  return S_OK;
}

// Bytes of a level of a texel format: whole blocks for block formats.
uint64_t LevelBytes(const D3DX10DdsFile& file, UINT level) {
  uint64_t width = std::max(1u, file.width >> level), height = std::max(1u, file.height >> level);
  if (file.expand) return (width * file.bits + 7) / 8 * height;
  const D3D10FormatInfo& info = *D3D10GetFormatInfo(file.format);
  if (info.caps & kFormatBlock) return (width + 3) / 4 * ((height + 3) / 4) * info.size;
  return width * info.size * height;
}

// Scales a channel of the texel to eight bits.
uint8_t Channel(uint32_t texel, uint32_t mask) {
  if (!mask) return 0;
  uint32_t shift = static_cast<uint32_t>(__builtin_ctz(mask));
  uint64_t top = mask >> shift, value = (texel & mask) >> shift;
  return static_cast<uint8_t>(value * 255 / top);
}

}  // namespace

HRESULT D3DX10ReadDds(const uint8_t* bytes, std::size_t size, D3DX10DdsFile* file) {
  *file = D3DX10DdsFile{};
  // The magic number and a header of the size it claims.
  if (size < 4 + kHeaderSize || Read32(bytes) != kMagic) return D3DX10_ERR_INVALID_DATA;
  const uint8_t* header = bytes + 4;
  if (Read32(header) != kHeaderSize || Read32(header + 72) != kPixelFormatSize) return D3DX10_ERR_INVALID_DATA;
  uint32_t flags = Read32(header + 4), height = Read32(header + 8), width = Read32(header + 12);
  uint32_t mipCount = Read32(header + 24), caps2 = Read32(header + 108);
  // Volumes are not supported.
  if ((caps2 & kCaps2Volume) && (flags & kFlagDepth)) return E_FAIL;
  std::size_t offset = 4 + kHeaderSize;
  file->dimension = D3D10_RESOURCE_DIMENSION_TEXTURE2D;
  file->layers = 1;
  const uint8_t* pixelFormat = header + 72;
  HRESULT hr = S_OK;
  if ((Read32(pixelFormat + 4) & kPixelFourCC) && Read32(pixelFormat + 8) == kDx10) {
    if (size < offset + kDx10HeaderSize) return D3DX10_ERR_INVALID_DATA;
    hr = ReadDx10Header(bytes + offset, file);
    offset += kDx10HeaderSize;
  } else {
    hr = ReadPixelFormat(pixelFormat, file);
    // Legacy cube maps hold all six faces; Direct3D 10 has no partial cubes.
    if (caps2 & kCaps2Cubemap) {
      if ((caps2 & kCaps2AllFaces) != kCaps2AllFaces) return D3DX10_ERR_INVALID_DATA;
      file->cube = true;
      file->layers = 6;
    }
  }
  if (FAILED(hr)) return hr;
  // Sizes from 1 to the largest the reader places; 1D textures are one row.
  if (width == 0 || height == 0 || width > kMaxSize || height > kMaxSize) return D3DX10_ERR_INVALID_DATA;
  if (file->dimension == D3D10_RESOURCE_DIMENSION_TEXTURE1D && height != 1) return D3DX10_ERR_INVALID_DATA;
  // Cube faces are square.
  if (file->cube && width != height) return D3DX10_ERR_INVALID_DATA;
  file->width = width;
  file->height = height;
  // No more levels than the chain down to 1x1; 0 means one.
  file->levels = mipCount ? mipCount : 1;
  if (file->levels > FullMipCount(std::max(width, height))) return D3DX10_ERR_INVALID_DATA;
  // Every subresource lies inside the file.
  uint64_t total = 0;
  for (UINT level = 0; level < file->levels; ++level) total += LevelBytes(*file, level);
  total *= file->layers;
  if (total > size - offset) return D3DX10_ERR_INVALID_DATA;
  file->data = bytes + offset;
  file->size = static_cast<std::size_t>(total);
  return S_OK;
}

void D3DX10ExpandDdsTexels(const D3DX10DdsFile& file, std::vector<uint8_t>* texels) {
  UINT bytesPerTexel = file.bits / 8;
  texels->clear();
  texels->reserve(file.size / bytesPerTexel * 4);
  const uint8_t* source = file.data;
  const uint8_t* end = file.data + file.size;
  for (; source + bytesPerTexel <= end; source += bytesPerTexel) {
    uint32_t texel = 0;
    std::memcpy(&texel, source, bytesPerTexel);
    uint8_t red = Channel(texel, file.masks[0]);
    uint8_t rgba[4] = {red, file.luminance ? red : Channel(texel, file.masks[1]),
                       file.luminance ? red : Channel(texel, file.masks[2]),
                       file.masks[3] ? Channel(texel, file.masks[3]) : uint8_t{255}};
    texels->insert(texels->end(), rgba, rgba + 4);
  }
}
