#include "d3dx10/d3dx10_image.h"

#include <stb_dxt.h>
#include <stb_image.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "d3d10/d3d10_format.h"
#include "d3dx10/d3dx10_dds.h"

namespace {

// File kinds by their first bytes. TGA has no signature: it is what is left
// once the formats stb_image also reads but the loaders do not (GIF, PSD,
// PIC, PNM) are set aside.
//
// No file of a kind packs more pixels into a byte than its limit here (a
// one-bit PNG of one colour, a JPEG of flat blocks, the longest runs of BMP,
// TGA and HDR come closest); a header that claims more is lying, and is
// refused before stb_image allocates for it.
struct Kind {
  const char* signature;
  std::size_t size;
  D3DX10_IMAGE_FILE_FORMAT format;
  bool supported;
  uint64_t maxPixelsPerByte;
};

const Kind kKinds[] = {
    {"DDS ", 4, D3DX10_IFF_DDS, true, 0},
    {"\x89PNG\r\n\x1a\n", 8, D3DX10_IFF_PNG, true, 16384},
    {"\xFF\xD8", 2, D3DX10_IFF_JPG, true, 1024},
    {"BM", 2, D3DX10_IFF_BMP, true, 256},
    {"#?RADIANCE\n", 11, kD3DX10FileHdr, true, 64},
    {"#?RGBE\n", 7, kD3DX10FileHdr, true, 64},
    {"GIF8", 4, D3DX10_IFF_GIF, false, 0},
    {"8BPS", 4, D3DX10_IFF_FORCE_DWORD, false, 0},
    {"\x53\x80\xF6\x34", 4, D3DX10_IFF_FORCE_DWORD, false, 0},
    {"P5", 2, D3DX10_IFF_FORCE_DWORD, false, 0},
    {"P6", 2, D3DX10_IFF_FORCE_DWORD, false, 0},
};
const Kind kTga = {"", 0, kD3DX10FileTga, true, 256};

HRESULT Identify(const uint8_t* bytes, std::size_t size, const Kind** kind) {
  // An empty file is no image (and stb_image must not see a null buffer).
  if (size == 0) return D3DX10_ERR_INVALID_DATA;
  // stb_image takes fill bytes before a JPEG's first marker.
  std::size_t fill = 0;
  while (fill + 1 < size && bytes[fill] == 0xFF && bytes[fill + 1] == 0xFF) ++fill;
  for (const Kind& k : kKinds) {
    std::size_t at = k.format == D3DX10_IFF_JPG ? fill : 0;
    if (size - at >= k.size && std::memcmp(bytes + at, k.signature, k.size) == 0) {
      *kind = &k;
      return k.supported ? S_OK : D3DX10_ERR_INVALID_DATA;
    }
  }
  *kind = &kTga;
  return S_OK;
}

// Whether every Huffman table of a JPEG file holds at most 256 codes, as
// the format allows: stb_image's reader writes past its tables otherwise.
// Every FF C4 in the file is taken for a table segment, wherever it is, so
// that none the reader might find goes unchecked; the tables are read as the
// reader reads them: on while the segment has bytes left, even past its end,
// with zeros past the end of the file.
bool JpegTablesFit(const uint8_t* bytes, std::size_t size) {
  for (std::size_t marker = 0; marker + 4 <= size; ++marker) {
    if (bytes[marker] != 0xFF || bytes[marker + 1] != 0xC4) continue;
    std::ptrdiff_t left = std::ptrdiff_t(bytes[marker + 2] << 8 | bytes[marker + 3]) - 2;
    for (std::size_t table = marker + 4; left > 0 && table < size;) {
      std::size_t codes = 0;
      for (std::size_t i = table + 1; i <= table + 16 && i < size; ++i) codes += bytes[i];
      if (codes > 256) return false;
      table += 17 + codes;
      left -= std::ptrdiff_t(17 + codes);
    }
  }
  return true;
}

// Whether every scan of a JPEG file decodes with Huffman tables defined
// before it: stb_image's reader decodes with whatever its memory holds for a
// table never defined. Walks the markers as the reader does (skipping bytes
// that are no marker, and each scan's entropy-coded data); a baseline scan
// uses its components' DC and AC tables, a progressive one its DC tables
// (first DC scans) or its AC tables (AC scans).
bool JpegScansUseDefinedTables(const uint8_t* bytes, std::size_t size) {
  bool defined[2][4] = {};
  bool progressive = false;
  std::size_t at = 2;
  while (at < size) {
    if (bytes[at] != 0xFF) {
      ++at;
      continue;
    }
    while (at < size && bytes[at] == 0xFF) ++at;
    if (at + 2 >= size) return true;
    uint8_t marker = bytes[at++];
    if (marker == 0xD9) return true;
    if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;
    std::size_t length = std::size_t{bytes[at]} << 8 | bytes[at + 1];
    const uint8_t* segment = bytes + at + 2;
    std::size_t available = std::min(size - at - 2, length < 2 ? 0 : length - 2);
    if (marker == 0xC2) progressive = true;
    if (marker == 0xC4) {
      for (std::size_t table = 0; table + 17 <= available;) {
        uint8_t kind = segment[table] >> 4, number = segment[table] & 15;
        if (kind > 1 || number > 3) return true;
        defined[kind][number] = true;
        std::size_t codes = 0;
        for (std::size_t i = 1; i <= 16; ++i) codes += segment[table + i];
        table += 17 + codes;
      }
    }
    if (marker == 0xDA && available >= 1) {
      std::size_t components = segment[0];
      if (available < 1 + 2 * components + 3) return true;
      uint8_t spectralStart = segment[1 + 2 * components], approximation = segment[3 + 2 * components] >> 4;
      for (std::size_t c = 0; c < components; ++c) {
        uint8_t dc = segment[2 + 2 * c] >> 4, ac = segment[2 + 2 * c] & 15;
        if (dc > 3 || ac > 3) return true;
        bool usesDc = !progressive || (spectralStart == 0 && approximation == 0);
        bool usesAc = !progressive || spectralStart != 0;
        if ((usesDc && !defined[0][dc]) || (usesAc && !defined[1][ac])) return false;
      }
    }
    at += length;
    if (marker == 0xDA) {
      // Entropy-coded data runs to the next marker other than a restart.
      while (at + 1 < size && !(bytes[at] == 0xFF && bytes[at + 1] != 0 && (bytes[at + 1] & 0xF8) != 0xD0)) ++at;
    }
  }
  return true;
}

// Whether every chunk of a PNG file lies inside it: stb_image's reader
// allocates for the length a chunk claims before it reads the chunk.
bool PngChunksFit(const uint8_t* bytes, std::size_t size) {
  for (std::size_t at = 8; at < size;) {
    if (size - at < 12) return false;
    uint64_t length = uint64_t{bytes[at]} << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3];
    if (length > size - at - 12) return false;
    if (std::memcmp(bytes + at + 4, "IEND", 4) == 0) return true;
    at += 12 + static_cast<std::size_t>(length);
  }
  return true;
}

// The description of a file stb_image reads, from its header.
HRESULT ReadStbInfo(const uint8_t* bytes, std::size_t size, const Kind& kind, D3DX10_IMAGE_INFO* info) {
  if (size > static_cast<std::size_t>(std::numeric_limits<int>::max())) return D3DX10_ERR_INVALID_DATA;
  if (kind.format == D3DX10_IFF_JPG && !(JpegTablesFit(bytes, size) && JpegScansUseDefinedTables(bytes, size))) {
    return D3DX10_ERR_INVALID_DATA;
  }
  int length = static_cast<int>(size), width = 0, height = 0, components = 0;
  if (!stbi_info_from_memory(bytes, length, &width, &height, &components) || width <= 0 || height <= 0) {
    return D3DX10_ERR_INVALID_DATA;
  }
  if (uint64_t{static_cast<UINT>(width)} * static_cast<UINT>(height) > size * kind.maxPixelsPerByte) {
    return D3DX10_ERR_INVALID_DATA;
  }
  DXGI_FORMAT format = DXGI_FORMAT_R8G8B8A8_UNORM;
  if (kind.format == kD3DX10FileHdr) {
    format = DXGI_FORMAT_R32G32B32A32_FLOAT;
  } else if (kind.format == D3DX10_IFF_PNG && stbi_is_16_bit_from_memory(bytes, length)) {
    format = DXGI_FORMAT_R16G16B16A16_UNORM;
  }
  UINT w = static_cast<UINT>(width), h = static_cast<UINT>(height);
  *info = {w, h, 1, 1, 1, 0, format, D3D10_RESOURCE_DIMENSION_TEXTURE2D, kind.format};
  return S_OK;
}

void DescribeDds(const D3DX10DdsFile& dds, D3DX10_IMAGE_INFO* info) {
  UINT misc = dds.cube ? UINT(D3D10_RESOURCE_MISC_TEXTURECUBE) : 0u;
  *info = {dds.width, dds.height, 1, dds.layers, dds.levels, misc, dds.format, dds.dimension, D3DX10_IFF_DDS};
}

// Pixel conversions --------------------------------------------------------------

float HalfToFloat(uint16_t half) {
  uint32_t sign = uint32_t(half & 0x8000) << 16, exponent = (half >> 10) & 0x1F, mantissa = half & 0x3FF;
  uint32_t bits;
  if (exponent == 0x1F) {
    bits = sign | 0x7F800000 | (mantissa << 13);
  } else if (exponent != 0) {
    bits = sign | ((exponent + 112) << 23) | (mantissa << 13);
  } else if (mantissa == 0) {
    bits = sign;
  } else {
    // Subnormal halves are normal floats.
    int shift = __builtin_clz(mantissa) - 21;
    bits = sign | (uint32_t(113 - shift) << 23) | ((mantissa << shift) & 0x3FF) << 13;
  }
  float value;
  std::memcpy(&value, &bits, 4);
  return value;
}

uint16_t FloatToHalf(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, 4);
  uint16_t sign = static_cast<uint16_t>((bits >> 16) & 0x8000);
  uint32_t magnitude = bits & 0x7FFFFFFF;
  if (magnitude >= 0x7F800000) return sign | (magnitude > 0x7F800000 ? 0x7E00 : 0x7C00);
  if (magnitude >= 0x477FF000) return sign | 0x7C00;  // rounds past the largest half
  if (magnitude < 0x38800000) {
    // Subnormal halves, rounded to nearest even.
    if (magnitude < 0x33000000) return sign;
    uint32_t mantissa = (magnitude & 0x7FFFFF) | 0x800000;
    uint32_t shift = 126 - (magnitude >> 23);
    uint32_t half = mantissa >> shift, rest = mantissa & ((1u << shift) - 1), midway = 1u << (shift - 1);
    if (rest > midway || (rest == midway && (half & 1))) ++half;
    return sign | static_cast<uint16_t>(half);
  }
  uint32_t half = ((magnitude - 0x38000000) >> 13), rest = magnitude & 0x1FFF;
  if (rest > 0x1000 || (rest == 0x1000 && (half & 1))) ++half;
  return sign | static_cast<uint16_t>(half);
}

enum class Component : uint8_t { kUnorm8, kSnorm8, kUnorm16, kSnorm16, kFloat16, kFloat32 };

// Formats of whole components: the component type, how many, and which
// channel (red, green, blue, alpha) each stored component is.
struct Layout {
  DXGI_FORMAT format;
  Component component;
  UINT count;
  UINT channels[4];
};

#define L(name, component, count, ...) {DXGI_FORMAT_##name, Component::component, count, __VA_ARGS__}
// clang-format off
const Layout kLayouts[] = {
  L(R32G32B32A32_FLOAT,  kFloat32, 4, {0, 1, 2, 3}),
  L(R32G32B32_FLOAT,     kFloat32, 3, {0, 1, 2}),
  L(R16G16B16A16_FLOAT,  kFloat16, 4, {0, 1, 2, 3}),
  L(R16G16B16A16_UNORM,  kUnorm16, 4, {0, 1, 2, 3}),
  L(R16G16B16A16_SNORM,  kSnorm16, 4, {0, 1, 2, 3}),
  L(R32G32_FLOAT,        kFloat32, 2, {0, 1}),
  L(R8G8B8A8_UNORM,      kUnorm8,  4, {0, 1, 2, 3}),
  L(R8G8B8A8_UNORM_SRGB, kUnorm8,  4, {0, 1, 2, 3}),
  L(R8G8B8A8_SNORM,      kSnorm8,  4, {0, 1, 2, 3}),
  L(R16G16_FLOAT,        kFloat16, 2, {0, 1}),
  L(R16G16_UNORM,        kUnorm16, 2, {0, 1}),
  L(R16G16_SNORM,        kSnorm16, 2, {0, 1}),
  L(R32_FLOAT,           kFloat32, 1, {0}),
  L(R8G8_UNORM,          kUnorm8,  2, {0, 1}),
  L(R8G8_SNORM,          kSnorm8,  2, {0, 1}),
  L(R16_FLOAT,           kFloat16, 1, {0}),
  L(R16_UNORM,           kUnorm16, 1, {0}),
  L(R16_SNORM,           kSnorm16, 1, {0}),
  L(R8_UNORM,            kUnorm8,  1, {0}),
  L(R8_SNORM,            kSnorm8,  1, {0}),
  L(B8G8R8A8_UNORM,      kUnorm8,  4, {2, 1, 0, 3}),
  L(B8G8R8A8_UNORM_SRGB, kUnorm8,  4, {2, 1, 0, 3}),
};
// clang-format on
#undef L

const Layout* FindLayout(DXGI_FORMAT format) {
  for (const Layout& layout : kLayouts) {
    if (layout.format == format) return &layout;
  }
  return nullptr;
}

UINT ComponentSize(Component c) {
  switch (c) {
    case Component::kUnorm8:
    case Component::kSnorm8:
      return 1;
    case Component::kFloat32:
      return 4;
    default:
      return 2;
  }
}

float ReadComponent(Component c, const uint8_t* p) {
  uint16_t u16;
  int16_t s16;
  float f32;
  switch (c) {
    case Component::kUnorm8:
      return p[0] / 255.0f;
    case Component::kSnorm8:
      return std::max(static_cast<int8_t>(p[0]) / 127.0f, -1.0f);
    case Component::kUnorm16:
      std::memcpy(&u16, p, 2);
      return u16 / 65535.0f;
    case Component::kSnorm16:
      std::memcpy(&s16, p, 2);
      return std::max(s16 / 32767.0f, -1.0f);
    case Component::kFloat16:
      std::memcpy(&u16, p, 2);
      return HalfToFloat(u16);
    case Component::kFloat32:
      std::memcpy(&f32, p, 4);
      return f32;
  }
  return 0.0f;
}

float Clamp(float v, float low, float high) { return std::isnan(v) ? 0.0f : std::min(std::max(v, low), high); }

void WriteComponent(Component c, float v, uint8_t* p) {
  uint16_t u16;
  int16_t s16;
  switch (c) {
    case Component::kUnorm8:
      p[0] = static_cast<uint8_t>(std::lround(Clamp(v, 0.0f, 1.0f) * 255.0f));
      break;
    case Component::kSnorm8:
      p[0] = static_cast<uint8_t>(static_cast<int8_t>(std::lround(Clamp(v, -1.0f, 1.0f) * 127.0f)));
      break;
    case Component::kUnorm16:
      u16 = static_cast<uint16_t>(std::lround(Clamp(v, 0.0f, 1.0f) * 65535.0f));
      std::memcpy(p, &u16, 2);
      break;
    case Component::kSnorm16:
      s16 = static_cast<int16_t>(std::lround(Clamp(v, -1.0f, 1.0f) * 32767.0f));
      std::memcpy(p, &s16, 2);
      break;
    case Component::kFloat16:
      u16 = FloatToHalf(v);
      std::memcpy(p, &u16, 2);
      break;
    case Component::kFloat32:
      std::memcpy(p, &v, 4);
      break;
  }
}

// Block formats ------------------------------------------------------------------

// A decoded block: 16 texels of red, green, blue and alpha in the 8-bit
// units the formats decode to (-127..127 for the SNORM ones).
using Block = int[16][4];

uint32_t Read32(const uint8_t* p) {
  uint32_t value;
  std::memcpy(&value, p, 4);
  return value;
}

// x / d rounded to nearest, for either sign.
int RoundedDivide(int x, int d) { return x >= 0 ? (x + d / 2) / d : -((-x + d / 2) / d); }

void Expand565(uint16_t c, int* rgb) {
  int r = c >> 11, g = (c >> 5) & 0x3F, b = c & 0x1F;
  rgb[0] = (r << 3) | (r >> 2);
  rgb[1] = (g << 2) | (g >> 4);
  rgb[2] = (b << 3) | (b >> 2);
}

// The colour half of BC1-BC3 blocks; BC1 blocks whose first colour is not
// the larger hold three colours and transparent black.
void DecodeColours(const uint8_t* block, bool threeColourMode, Block out) {
  uint16_t c0 = static_cast<uint16_t>(block[0] | block[1] << 8), c1 = static_cast<uint16_t>(block[2] | block[3] << 8);
  int palette[4][4] = {};
  Expand565(c0, palette[0]);
  Expand565(c1, palette[1]);
  bool four = c0 > c1 || !threeColourMode;
  for (int i = 0; i < 3; ++i) {
    palette[2][i] =
        four ? RoundedDivide(2 * palette[0][i] + palette[1][i], 3) : RoundedDivide(palette[0][i] + palette[1][i], 2);
    palette[3][i] = four ? RoundedDivide(palette[0][i] + 2 * palette[1][i], 3) : 0;
  }
  palette[0][3] = palette[1][3] = palette[2][3] = 255;
  palette[3][3] = four ? 255 : 0;
  uint32_t indices = Read32(block + 4);
  for (int t = 0; t < 16; ++t)
    std::copy(palette[(indices >> (2 * t)) & 3], palette[(indices >> (2 * t)) & 3] + 4, out[t]);
}

// BC4 blocks, and the alpha of BC3 and each channel of BC5: two end points
// and eight interpolated values.
void DecodeInterpolated(const uint8_t* block, bool snorm, Block out, int channel) {
  int e0 = snorm ? std::max<int>(static_cast<int8_t>(block[0]), -127) : block[0];
  int e1 = snorm ? std::max<int>(static_cast<int8_t>(block[1]), -127) : block[1];
  bool eight = snorm ? static_cast<int8_t>(block[0]) > static_cast<int8_t>(block[1]) : block[0] > block[1];
  int values[8] = {e0, e1};
  for (int k = 2; k < 8; ++k) {
    if (eight) {
      values[k] = RoundedDivide((8 - k) * e0 + (k - 1) * e1, 7);
    } else {
      values[k] =
          k < 6 ? RoundedDivide((6 - k) * e0 + (k - 1) * e1, 5) : (k == 6 ? (snorm ? -127 : 0) : (snorm ? 127 : 255));
    }
  }
  uint64_t indices = 0;
  for (int i = 0; i < 6; ++i) indices |= uint64_t{block[2 + i]} << (8 * i);
  for (int t = 0; t < 16; ++t) out[t][channel] = values[(indices >> (3 * t)) & 7];
}

bool IsSnormBlock(DXGI_FORMAT format) { return format == DXGI_FORMAT_BC4_SNORM || format == DXGI_FORMAT_BC5_SNORM; }

void DecodeBlock(DXGI_FORMAT format, const uint8_t* block, Block out) {
  switch (format) {
    case DXGI_FORMAT_BC1_UNORM:
    case DXGI_FORMAT_BC1_UNORM_SRGB:
      DecodeColours(block, true, out);
      break;
    case DXGI_FORMAT_BC2_UNORM:
    case DXGI_FORMAT_BC2_UNORM_SRGB:
      DecodeColours(block + 8, false, out);
      for (int t = 0; t < 16; ++t) out[t][3] = ((block[t / 2] >> (4 * (t % 2))) & 0xF) * 17;
      break;
    case DXGI_FORMAT_BC3_UNORM:
    case DXGI_FORMAT_BC3_UNORM_SRGB:
      DecodeColours(block + 8, false, out);
      DecodeInterpolated(block, false, out, 3);
      break;
    default: {
      // BC4 and BC5: red, and green, over opaque black.
      bool snorm = IsSnormBlock(format);
      for (int t = 0; t < 16; ++t) out[t][0] = out[t][1] = out[t][2] = 0, out[t][3] = snorm ? 127 : 255;
      DecodeInterpolated(block, snorm, out, 0);
      if (format == DXGI_FORMAT_BC5_UNORM || format == DXGI_FORMAT_BC5_SNORM)
        DecodeInterpolated(block + 8, snorm, out, 1);
      break;
    }
  }
}

// Calls texel(x, y, rgba) for every texel of a level of blocks.
template <typename Texel>
void ForEachBlockTexel(DXGI_FORMAT format, const uint8_t* texels, UINT width, UINT height, Texel texel) {
  UINT blockSize = D3D10GetFormatInfo(format)->size;
  for (UINT by = 0; by < (height + 3) / 4; ++by) {
    for (UINT bx = 0; bx < (width + 3) / 4; ++bx, texels += blockSize) {
      Block block;
      DecodeBlock(format, texels, block);
      for (UINT t = 0; t < 16; ++t) {
        UINT x = bx * 4 + t % 4, y = by * 4 + t / 4;
        if (x < width && y < height) texel(x, y, block[t]);
      }
    }
  }
}

bool IsDecodableBlock(DXGI_FORMAT format) {
  return format >= DXGI_FORMAT_BC1_UNORM && format <= DXGI_FORMAT_BC5_SNORM && format != DXGI_FORMAT_BC2_TYPELESS &&
         format != DXGI_FORMAT_BC3_TYPELESS && format != DXGI_FORMAT_BC4_TYPELESS && format != DXGI_FORMAT_BC5_TYPELESS;
}

// stb_dxt writes BC1, BC3, BC4 and BC5 blocks from 8-bit texels; BC2 keeps
// its alpha as four-bit values beside a BC1 colour block.
bool IsEncodableBlock(DXGI_FORMAT format) {
  switch (format) {
    case DXGI_FORMAT_BC1_UNORM:
    case DXGI_FORMAT_BC1_UNORM_SRGB:
    case DXGI_FORMAT_BC2_UNORM:
    case DXGI_FORMAT_BC2_UNORM_SRGB:
    case DXGI_FORMAT_BC3_UNORM:
    case DXGI_FORMAT_BC3_UNORM_SRGB:
    case DXGI_FORMAT_BC4_UNORM:
    case DXGI_FORMAT_BC5_UNORM:
      return true;
    default:
      return false;
  }
}

void EncodeBlock(DXGI_FORMAT format, const uint8_t (&rgba)[16][4], uint8_t* out) {
  switch (format) {
    case DXGI_FORMAT_BC1_UNORM:
    case DXGI_FORMAT_BC1_UNORM_SRGB:
      stb_compress_dxt_block(out, &rgba[0][0], 0, STB_DXT_NORMAL);
      break;
    case DXGI_FORMAT_BC2_UNORM:
    case DXGI_FORMAT_BC2_UNORM_SRGB:
      std::memset(out, 0, 8);
      for (int t = 0; t < 16; ++t) out[t / 2] |= static_cast<uint8_t>(((rgba[t][3] * 15 + 127) / 255) << (4 * (t % 2)));
      stb_compress_dxt_block(out + 8, &rgba[0][0], 0, STB_DXT_NORMAL);
      break;
    case DXGI_FORMAT_BC3_UNORM:
    case DXGI_FORMAT_BC3_UNORM_SRGB:
      stb_compress_dxt_block(out, &rgba[0][0], 1, STB_DXT_NORMAL);
      break;
    case DXGI_FORMAT_BC4_UNORM: {
      uint8_t red[16];
      for (int t = 0; t < 16; ++t) red[t] = rgba[t][0];
      stb_compress_bc4_block(out, red);
      break;
    }
    default: {
      uint8_t redGreen[32];
      for (int t = 0; t < 16; ++t) redGreen[2 * t] = rgba[t][0], redGreen[2 * t + 1] = rgba[t][1];
      stb_compress_bc5_block(out, redGreen);
      break;
    }
  }
}

// R10G10B10A2_UNORM: red in the low bits.
void DecodeR10G10B10A2(uint32_t texel, float* rgba) {
  rgba[0] = (texel & 0x3FF) / 1023.0f;
  rgba[1] = ((texel >> 10) & 0x3FF) / 1023.0f;
  rgba[2] = ((texel >> 20) & 0x3FF) / 1023.0f;
  rgba[3] = (texel >> 30) / 3.0f;
}

uint32_t EncodeR10G10B10A2(const float* rgba) {
  auto q = [](float v, float top) { return static_cast<uint32_t>(std::lround(Clamp(v, 0.0f, 1.0f) * top)); };
  return q(rgba[0], 1023) | q(rgba[1], 1023) << 10 | q(rgba[2], 1023) << 20 | q(rgba[3], 3) << 30;
}

float SrgbToLinear(float v) { return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f); }
float LinearToSrgb(float v) { return v <= 0.0031308f ? v * 12.92f : 1.055f * std::pow(v, 1.0f / 2.4f) - 0.055f; }

}  // namespace

// Files ---------------------------------------------------------------------

std::size_t D3DX10Image::SubresourceSize(UINT subresource) const {
  const D3D10FormatInfo& format = *D3D10GetFormatInfo(info.Format);
  UINT level = subresource % info.MipLevels;
  UINT width = std::max(1u, info.Width >> level), height = std::max(1u, info.Height >> level);
  return std::size_t{D3D10RowPitch(format, width)} * D3D10RowCount(format, height);
}

const uint8_t* D3DX10Image::Subresource(UINT subresource) const {
  const uint8_t* texels = data;
  for (UINT sub = 0; sub < subresource; ++sub) texels += SubresourceSize(sub);
  return texels;
}

HRESULT D3DX10ReadImageInfo(const uint8_t* bytes, std::size_t size, D3DX10_IMAGE_INFO* info) {
  const Kind* kind = nullptr;
  HRESULT hr = Identify(bytes, size, &kind);
  if (FAILED(hr)) return hr;
  if (kind->format != D3DX10_IFF_DDS) return ReadStbInfo(bytes, size, *kind, info);
  D3DX10DdsFile dds;
  hr = D3DX10ReadDds(bytes, size, &dds);
  if (SUCCEEDED(hr)) DescribeDds(dds, info);
  return hr;
}

HRESULT D3DX10DecodeImage(const uint8_t* bytes, std::size_t size, D3DX10Image* image) {
  const Kind* kind = nullptr;
  HRESULT hr = Identify(bytes, size, &kind);
  if (FAILED(hr)) return hr;
  if (kind->format == D3DX10_IFF_DDS) {
    D3DX10DdsFile dds;
    hr = D3DX10ReadDds(bytes, size, &dds);
    if (FAILED(hr)) return hr;
    DescribeDds(dds, &image->info);
    image->data = dds.data;
    if (dds.expand) {
      D3DX10ExpandDdsTexels(dds, &image->owned);
      image->data = image->owned.data();
    }
    return S_OK;
  }
  hr = ReadStbInfo(bytes, size, *kind, &image->info);
  if (FAILED(hr)) return hr;
  if (image->info.Width > D3D10_REQ_TEXTURE2D_U_OR_V_DIMENSION ||
      image->info.Height > D3D10_REQ_TEXTURE2D_U_OR_V_DIMENSION) {
    return E_INVALIDARG;
  }
  if (kind->format == D3DX10_IFF_PNG && !PngChunksFit(bytes, size)) return D3DX10_ERR_INVALID_DATA;
  int length = static_cast<int>(size), width = 0, height = 0, components = 0;
  void* pixels = nullptr;
  switch (image->info.Format) {
    case DXGI_FORMAT_R32G32B32A32_FLOAT:
      pixels = stbi_loadf_from_memory(bytes, length, &width, &height, &components, 4);
      break;
    case DXGI_FORMAT_R16G16B16A16_UNORM:
      pixels = stbi_load_16_from_memory(bytes, length, &width, &height, &components, 4);
      break;
    default:
      pixels = stbi_load_from_memory(bytes, length, &width, &height, &components, 4);
      break;
  }
  // The pixels must be the size the header announced.
  image->decoded = {static_cast<uint8_t*>(pixels), stbi_image_free};
  if (!pixels || static_cast<UINT>(width) != image->info.Width || static_cast<UINT>(height) != image->info.Height) {
    return D3DX10_ERR_INVALID_DATA;
  }
  image->data = image->decoded.get();
  return S_OK;
}

// Pixels --------------------------------------------------------------------

bool D3DX10DecodePixels(DXGI_FORMAT format, const uint8_t* texels, UINT width, UINT height, D3DX10Pixels* pixels) {
  pixels->width = width;
  pixels->height = height;
  pixels->rgba.assign(std::size_t{width} * height * 4, 0.0f);
  float* out = pixels->rgba.data();
  if (const Layout* layout = FindLayout(format)) {
    UINT step = ComponentSize(layout->component);
    for (std::size_t i = 0; i < std::size_t{width} * height; ++i, out += 4) {
      out[3] = 1.0f;
      for (UINT c = 0; c < layout->count; ++c, texels += step)
        out[layout->channels[c]] = ReadComponent(layout->component, texels);
    }
    return true;
  }
  if (format == DXGI_FORMAT_R10G10B10A2_UNORM) {
    for (std::size_t i = 0; i < std::size_t{width} * height; ++i)
      DecodeR10G10B10A2(Read32(texels + 4 * i), out + 4 * i);
    return true;
  }
  if (!IsDecodableBlock(format)) return false;
  float scale = IsSnormBlock(format) ? 1.0f / 127.0f : 1.0f / 255.0f;
  ForEachBlockTexel(format, texels, width, height, [&](UINT x, UINT y, const int* rgba) {
    for (int c = 0; c < 4; ++c) out[(std::size_t{y} * width + x) * 4 + c] = rgba[c] * scale;
  });
  return true;
}

bool D3DX10DecodeTexels8(DXGI_FORMAT format, const uint8_t* texels, UINT width, UINT height,
                         std::vector<uint8_t>* rgba) {
  std::size_t count = std::size_t{width} * height;
  switch (format) {
    case DXGI_FORMAT_R8G8B8A8_UNORM:
    case DXGI_FORMAT_R8G8B8A8_UNORM_SRGB:
      rgba->assign(texels, texels + count * 4);
      return true;
    case DXGI_FORMAT_B8G8R8A8_UNORM:
    case DXGI_FORMAT_B8G8R8A8_UNORM_SRGB:
      rgba->resize(count * 4);
      for (std::size_t i = 0; i < count * 4; i += 4) {
        const uint8_t bgra[4] = {texels[i + 2], texels[i + 1], texels[i], texels[i + 3]};
        std::copy(bgra, bgra + 4, rgba->data() + i);
      }
      return true;
    case DXGI_FORMAT_BC1_UNORM:
    case DXGI_FORMAT_BC1_UNORM_SRGB:
    case DXGI_FORMAT_BC2_UNORM:
    case DXGI_FORMAT_BC2_UNORM_SRGB:
    case DXGI_FORMAT_BC3_UNORM:
    case DXGI_FORMAT_BC3_UNORM_SRGB:
      rgba->resize(count * 4);
      ForEachBlockTexel(format, texels, width, height, [&](UINT x, UINT y, const int* texel) {
        uint8_t* target = rgba->data() + (std::size_t{y} * width + x) * 4;
        for (int c = 0; c < 4; ++c) target[c] = static_cast<uint8_t>(texel[c]);
      });
      return true;
    default:
      return false;
  }
}

bool D3DX10EncodePixels(DXGI_FORMAT format, const D3DX10Pixels& pixels, std::vector<uint8_t>* texels) {
  std::size_t count = std::size_t{pixels.width} * pixels.height;
  const float* in = pixels.rgba.data();
  if (const Layout* layout = FindLayout(format)) {
    UINT step = ComponentSize(layout->component);
    std::size_t start = texels->size();
    texels->resize(start + count * layout->count * step);
    uint8_t* out = texels->data() + start;
    for (std::size_t i = 0; i < count; ++i, in += 4) {
      for (UINT c = 0; c < layout->count; ++c, out += step)
        WriteComponent(layout->component, in[layout->channels[c]], out);
    }
    return true;
  }
  if (format == DXGI_FORMAT_R10G10B10A2_UNORM) {
    for (std::size_t i = 0; i < count; ++i) {
      uint32_t texel = EncodeR10G10B10A2(in + 4 * i);
      const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&texel);
      texels->insert(texels->end(), bytes, bytes + 4);
    }
    return true;
  }
  if (!IsEncodableBlock(format)) return false;
  // Blocks past the edge of small levels repeat the last row and column.
  UINT width = pixels.width, height = pixels.height;
  uint8_t block[16] = {};
  uint8_t rgba[16][4];
  for (UINT by = 0; by < (height + 3) / 4; ++by) {
    for (UINT bx = 0; bx < (width + 3) / 4; ++bx) {
      for (UINT t = 0; t < 16; ++t) {
        UINT x = std::min(bx * 4 + t % 4, width - 1), y = std::min(by * 4 + t / 4, height - 1);
        const float* texel = in + (std::size_t{y} * width + x) * 4;
        for (int c = 0; c < 4; ++c)
          rgba[t][c] = static_cast<uint8_t>(std::lround(Clamp(texel[c], 0.0f, 1.0f) * 255.0f));
      }
      EncodeBlock(format, rgba, block);
      texels->insert(texels->end(), block, block + D3D10GetFormatInfo(format)->size);
    }
  }
  return true;
}

void D3DX10HalvePixels(const D3DX10Pixels& in, bool point, D3DX10Pixels* out) {
  UINT width = std::max(1u, in.width / 2), height = std::max(1u, in.height / 2);
  out->width = width;
  out->height = height;
  out->rgba.assign(std::size_t{width} * height * 4, 0.0f);
  for (UINT y = 0; y < height; ++y) {
    UINT y0 = std::min(2 * y, in.height - 1), y1 = point ? y0 : std::min(2 * y + 1, in.height - 1);
    for (UINT x = 0; x < width; ++x) {
      UINT x0 = std::min(2 * x, in.width - 1), x1 = point ? x0 : std::min(2 * x + 1, in.width - 1);
      float* target = &out->rgba[(std::size_t{y} * width + x) * 4];
      for (UINT c = 0; c < 4; ++c) {
        auto at = [&](UINT sx, UINT sy) { return in.rgba[(std::size_t{sy} * in.width + sx) * 4 + c]; };
        target[c] = (at(x0, y0) + at(x1, y0) + at(x0, y1) + at(x1, y1)) * 0.25f;
      }
    }
  }
}

void D3DX10HalveTexels8(const uint8_t* in, UINT width, UINT height, bool point, std::vector<uint8_t>* out) {
  UINT halfWidth = std::max(1u, width / 2), halfHeight = std::max(1u, height / 2);
  out->resize(std::size_t{halfWidth} * halfHeight * 4);
  uint8_t* target = out->data();
  for (UINT y = 0; y < halfHeight; ++y) {
    const uint8_t* row0 = in + std::size_t{std::min(2 * y, height - 1)} * width * 4;
    const uint8_t* row1 = point ? row0 : in + std::size_t{std::min(2 * y + 1, height - 1)} * width * 4;
    for (UINT x = 0; x < halfWidth; ++x, target += 4) {
      UINT x0 = std::min(2 * x, width - 1) * 4, x1 = point ? x0 : std::min(2 * x + 1, width - 1) * 4;
      for (UINT c = 0; c < 4; ++c) {
        target[c] = static_cast<uint8_t>((row0[x0 + c] + row0[x1 + c] + row1[x0 + c] + row1[x1 + c] + 2) / 4);
      }
    }
  }
}

void D3DX10ResizePixels(const D3DX10Pixels& in, UINT width, UINT height, bool point, D3DX10Pixels* out) {
  out->width = width;
  out->height = height;
  out->rgba.assign(std::size_t{width} * height * 4, 0.0f);
  float scaleX = static_cast<float>(in.width) / width, scaleY = static_cast<float>(in.height) / height;
  auto at = [&](int x, int y, UINT c) {
    x = std::min(std::max(x, 0), static_cast<int>(in.width) - 1);
    y = std::min(std::max(y, 0), static_cast<int>(in.height) - 1);
    return in.rgba[(std::size_t(y) * in.width + std::size_t(x)) * 4 + c];
  };
  for (UINT y = 0; y < height; ++y) {
    for (UINT x = 0; x < width; ++x) {
      // The source position of the target texel's centre.
      float sx = (x + 0.5f) * scaleX - 0.5f, sy = (y + 0.5f) * scaleY - 0.5f;
      float* target = &out->rgba[(std::size_t{y} * width + x) * 4];
      if (point) {
        for (UINT c = 0; c < 4; ++c)
          target[c] = at(static_cast<int>(std::lround(sx)), static_cast<int>(std::lround(sy)), c);
        continue;
      }
      int x0 = static_cast<int>(std::floor(sx)), y0 = static_cast<int>(std::floor(sy));
      float fx = sx - x0, fy = sy - y0;
      for (UINT c = 0; c < 4; ++c) {
        float top = at(x0, y0, c) * (1 - fx) + at(x0 + 1, y0, c) * fx;
        float bottom = at(x0, y0 + 1, c) * (1 - fx) + at(x0 + 1, y0 + 1, c) * fx;
        target[c] = top * (1 - fy) + bottom * fy;
      }
    }
  }
}

void D3DX10SrgbToLinear(D3DX10Pixels* pixels) {
  for (std::size_t i = 0; i < pixels->rgba.size(); ++i) {
    if (i % 4 != 3) pixels->rgba[i] = SrgbToLinear(pixels->rgba[i]);
  }
}

void D3DX10LinearToSrgb(D3DX10Pixels* pixels) {
  for (std::size_t i = 0; i < pixels->rgba.size(); ++i) {
    if (i % 4 != 3) pixels->rgba[i] = LinearToSrgb(Clamp(pixels->rgba[i], 0.0f, 1.0f));
  }
}
