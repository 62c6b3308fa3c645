#include "d3d10/d3d10_format.h"

#include <array>
#include <iterator>

namespace {

using C = D3D10FormatClass;
constexpr unsigned V = kFormatVertex;
constexpr unsigned T = kFormatTexture;
constexpr unsigned R = kFormatRenderTarget;
constexpr unsigned D = kFormatDepthStencil;
constexpr unsigned DR = kFormatDepthRead;
constexpr unsigned TL = kFormatTypeless | kFormatTexture;
constexpr unsigned SR = kFormatStencilRead;
constexpr unsigned B = kFormatBlock | kFormatTexture;
constexpr unsigned BL = kFormatBlock | kFormatTypeless | kFormatTexture;
constexpr D3D10FormatPacking P = D3D10FormatPacking::kPlain;
constexpr D3D10FormatPacking P248 = D3D10FormatPacking::kDepth24Stencil8;

#define F(name) DXGI_FORMAT_##name

// clang-format off
const D3D10FormatInfo kFormats[] = {
  // format                     family                 size caps     class      n  attrib type                        internal format          transfer format     transfer type
  {F(R32G32B32A32_TYPELESS),    F(R32G32B32A32_TYPELESS), 16, TL,     C::kNone,  0, 0,                                 GL_RGBA32F,              GL_RGBA,            GL_FLOAT, P},
  {F(R32G32B32A32_FLOAT),       F(R32G32B32A32_TYPELESS), 16, V|T|R,  C::kFloat, 4, GL_FLOAT,                          GL_RGBA32F,              GL_RGBA,            GL_FLOAT, P},
  {F(R32G32B32A32_UINT),        F(R32G32B32A32_TYPELESS), 16, V|T|R,  C::kUint,  4, GL_UNSIGNED_INT,                   GL_RGBA32UI,             GL_RGBA_INTEGER,    GL_UNSIGNED_INT, P},
  {F(R32G32B32A32_SINT),        F(R32G32B32A32_TYPELESS), 16, V|T|R,  C::kSint,  4, GL_INT,                            GL_RGBA32I,              GL_RGBA_INTEGER,    GL_INT, P},
  {F(R32G32B32_TYPELESS),       F(R32G32B32_TYPELESS),    12, TL,     C::kNone,  0, 0,                                 GL_RGB32F,               GL_RGB,             GL_FLOAT, P},
  {F(R32G32B32_FLOAT),          F(R32G32B32_TYPELESS),    12, V|T,    C::kFloat, 3, GL_FLOAT,                          GL_RGB32F,               GL_RGB,             GL_FLOAT, P},
  {F(R32G32B32_UINT),           F(R32G32B32_TYPELESS),    12, V|T,    C::kUint,  3, GL_UNSIGNED_INT,                   GL_RGB32UI,              GL_RGB_INTEGER,     GL_UNSIGNED_INT, P},
  {F(R32G32B32_SINT),           F(R32G32B32_TYPELESS),    12, V|T,    C::kSint,  3, GL_INT,                            GL_RGB32I,               GL_RGB_INTEGER,     GL_INT, P},
  {F(R16G16B16A16_TYPELESS),    F(R16G16B16A16_TYPELESS),  8, TL,     C::kNone,  0, 0,                                 GL_RGBA16,               GL_RGBA,            GL_UNSIGNED_SHORT, P},
  {F(R16G16B16A16_FLOAT),       F(R16G16B16A16_TYPELESS),  8, V|T|R,  C::kFloat, 4, GL_HALF_FLOAT,                     GL_RGBA16F,              GL_RGBA,            GL_HALF_FLOAT, P},
  {F(R16G16B16A16_UNORM),       F(R16G16B16A16_TYPELESS),  8, V|T|R,  C::kUnorm, 4, GL_UNSIGNED_SHORT,                 GL_RGBA16,               GL_RGBA,            GL_UNSIGNED_SHORT, P},
  {F(R16G16B16A16_UINT),        F(R16G16B16A16_TYPELESS),  8, V|T|R,  C::kUint,  4, GL_UNSIGNED_SHORT,                 GL_RGBA16UI,             GL_RGBA_INTEGER,    GL_UNSIGNED_SHORT, P},
  {F(R16G16B16A16_SNORM),       F(R16G16B16A16_TYPELESS),  8, V|T,    C::kSnorm, 4, GL_SHORT,                          GL_RGBA16_SNORM,         GL_RGBA,            GL_SHORT, P},
  {F(R16G16B16A16_SINT),        F(R16G16B16A16_TYPELESS),  8, V|T|R,  C::kSint,  4, GL_SHORT,                          GL_RGBA16I,              GL_RGBA_INTEGER,    GL_SHORT, P},
  {F(R32G32_TYPELESS),          F(R32G32_TYPELESS),        8, TL,     C::kNone,  0, 0,                                 GL_RG32F,                GL_RG,              GL_FLOAT, P},
  {F(R32G32_FLOAT),             F(R32G32_TYPELESS),        8, V|T|R,  C::kFloat, 2, GL_FLOAT,                          GL_RG32F,                GL_RG,              GL_FLOAT, P},
  {F(R32G32_UINT),              F(R32G32_TYPELESS),        8, V|T|R,  C::kUint,  2, GL_UNSIGNED_INT,                   GL_RG32UI,               GL_RG_INTEGER,      GL_UNSIGNED_INT, P},
  {F(R32G32_SINT),              F(R32G32_TYPELESS),        8, V|T|R,  C::kSint,  2, GL_INT,                            GL_RG32I,                GL_RG_INTEGER,      GL_INT, P},
  {F(R32G8X24_TYPELESS),        F(R32G8X24_TYPELESS),      8, TL,     C::kNone,  0, 0,                                 GL_DEPTH32F_STENCIL8,    GL_DEPTH_STENCIL,   GL_FLOAT_32_UNSIGNED_INT_24_8_REV, P},
  {F(D32_FLOAT_S8X24_UINT),     F(R32G8X24_TYPELESS),      8, D,      C::kNone,  0, 0,                                 GL_DEPTH32F_STENCIL8,    GL_DEPTH_STENCIL,   GL_FLOAT_32_UNSIGNED_INT_24_8_REV, P},
  {F(R32_FLOAT_X8X24_TYPELESS), F(R32G8X24_TYPELESS),      8, DR,     C::kFloat, 0, 0,                                 0,                       GL_DEPTH_STENCIL,   GL_FLOAT_32_UNSIGNED_INT_24_8_REV, P},
  {F(X32_TYPELESS_G8X24_UINT),  F(R32G8X24_TYPELESS),      8, SR,     C::kUint,  0, 0,                                 0,                       GL_DEPTH_STENCIL,   GL_FLOAT_32_UNSIGNED_INT_24_8_REV, P},
  {F(R10G10B10A2_TYPELESS),     F(R10G10B10A2_TYPELESS),   4, TL,     C::kNone,  0, 0,                                 GL_RGB10_A2,             GL_RGBA,            GL_UNSIGNED_INT_2_10_10_10_REV, P},
  {F(R10G10B10A2_UNORM),        F(R10G10B10A2_TYPELESS),   4, V|T|R,  C::kUnorm, 4, GL_UNSIGNED_INT_2_10_10_10_REV,    GL_RGB10_A2,             GL_RGBA,            GL_UNSIGNED_INT_2_10_10_10_REV, P},
  {F(R10G10B10A2_UINT),         F(R10G10B10A2_TYPELESS),   4, T|R,    C::kUint,  0, 0,                                 GL_RGB10_A2UI,           GL_RGBA_INTEGER,    GL_UNSIGNED_INT_2_10_10_10_REV, P},
  {F(R11G11B10_FLOAT),          F(R11G11B10_FLOAT),        4, V|T|R,  C::kFloat, 3, GL_UNSIGNED_INT_10F_11F_11F_REV,   GL_R11F_G11F_B10F,       GL_RGB,             GL_UNSIGNED_INT_10F_11F_11F_REV, P},
  {F(R8G8B8A8_TYPELESS),        F(R8G8B8A8_TYPELESS),      4, TL,     C::kNone,  0, 0,                                 GL_RGBA8,                GL_RGBA,            GL_UNSIGNED_BYTE, P},
  {F(R8G8B8A8_UNORM),           F(R8G8B8A8_TYPELESS),      4, V|T|R,  C::kUnorm, 4, GL_UNSIGNED_BYTE,                  GL_RGBA8,                GL_RGBA,            GL_UNSIGNED_BYTE, P},
  {F(R8G8B8A8_UNORM_SRGB),      F(R8G8B8A8_TYPELESS),      4, T|R,    C::kUnorm, 0, 0,                                 GL_SRGB8_ALPHA8,         GL_RGBA,            GL_UNSIGNED_BYTE, P},
  {F(R8G8B8A8_UINT),            F(R8G8B8A8_TYPELESS),      4, V|T|R,  C::kUint,  4, GL_UNSIGNED_BYTE,                  GL_RGBA8UI,              GL_RGBA_INTEGER,    GL_UNSIGNED_BYTE, P},
  {F(R8G8B8A8_SNORM),           F(R8G8B8A8_TYPELESS),      4, V|T,    C::kSnorm, 4, GL_BYTE,                           GL_RGBA8_SNORM,          GL_RGBA,            GL_BYTE, P},
  {F(R8G8B8A8_SINT),            F(R8G8B8A8_TYPELESS),      4, V|T|R,  C::kSint,  4, GL_BYTE,                           GL_RGBA8I,               GL_RGBA_INTEGER,    GL_BYTE, P},
  {F(R16G16_TYPELESS),          F(R16G16_TYPELESS),        4, TL,     C::kNone,  0, 0,                                 GL_RG16,                 GL_RG,              GL_UNSIGNED_SHORT, P},
  {F(R16G16_FLOAT),             F(R16G16_TYPELESS),        4, V|T|R,  C::kFloat, 2, GL_HALF_FLOAT,                     GL_RG16F,                GL_RG,              GL_HALF_FLOAT, P},
  {F(R16G16_UNORM),             F(R16G16_TYPELESS),        4, V|T|R,  C::kUnorm, 2, GL_UNSIGNED_SHORT,                 GL_RG16,                 GL_RG,              GL_UNSIGNED_SHORT, P},
  {F(R16G16_UINT),              F(R16G16_TYPELESS),        4, V|T|R,  C::kUint,  2, GL_UNSIGNED_SHORT,                 GL_RG16UI,               GL_RG_INTEGER,      GL_UNSIGNED_SHORT, P},
  {F(R16G16_SNORM),             F(R16G16_TYPELESS),        4, V|T,    C::kSnorm, 2, GL_SHORT,                          GL_RG16_SNORM,           GL_RG,              GL_SHORT, P},
  {F(R16G16_SINT),              F(R16G16_TYPELESS),        4, V|T|R,  C::kSint,  2, GL_SHORT,                          GL_RG16I,                GL_RG_INTEGER,      GL_SHORT, P},
  {F(R32_TYPELESS),             F(R32_TYPELESS),           4, TL,     C::kNone,  0, 0,                                 GL_R32F,                 GL_RED,             GL_FLOAT, P},
  {F(D32_FLOAT),                F(R32_TYPELESS),           4, D,      C::kNone,  0, 0,                                 GL_DEPTH_COMPONENT32F,   GL_DEPTH_COMPONENT, GL_FLOAT, P},
  {F(R32_FLOAT),                F(R32_TYPELESS),           4, V|T|R|DR, C::kFloat, 1, GL_FLOAT,                        GL_R32F,                 GL_RED,             GL_FLOAT, P},
  {F(R32_UINT),                 F(R32_TYPELESS),           4, V|T|R,  C::kUint,  1, GL_UNSIGNED_INT,                   GL_R32UI,                GL_RED_INTEGER,     GL_UNSIGNED_INT, P},
  {F(R32_SINT),                 F(R32_TYPELESS),           4, V|T|R,  C::kSint,  1, GL_INT,                            GL_R32I,                 GL_RED_INTEGER,     GL_INT, P},
  {F(R24G8_TYPELESS),           F(R24G8_TYPELESS),         4, TL,     C::kNone,  0, 0,                                 GL_DEPTH24_STENCIL8,     GL_DEPTH_STENCIL,   GL_UNSIGNED_INT_24_8, P248},
  {F(D24_UNORM_S8_UINT),        F(R24G8_TYPELESS),         4, D,      C::kNone,  0, 0,                                 GL_DEPTH24_STENCIL8,     GL_DEPTH_STENCIL,   GL_UNSIGNED_INT_24_8, P248},
  {F(R24_UNORM_X8_TYPELESS),    F(R24G8_TYPELESS),         4, DR,     C::kUnorm, 0, 0,                                 0,                       GL_DEPTH_STENCIL,   GL_UNSIGNED_INT_24_8, P248},
  {F(X24_TYPELESS_G8_UINT),     F(R24G8_TYPELESS),         4, SR,     C::kUint,  0, 0,                                 0,                       GL_DEPTH_STENCIL,   GL_UNSIGNED_INT_24_8, P248},
  {F(R8G8_TYPELESS),            F(R8G8_TYPELESS),          2, TL,     C::kNone,  0, 0,                                 GL_RG8,                  GL_RG,              GL_UNSIGNED_BYTE, P},
  {F(R8G8_UNORM),               F(R8G8_TYPELESS),          2, V|T|R,  C::kUnorm, 2, GL_UNSIGNED_BYTE,                  GL_RG8,                  GL_RG,              GL_UNSIGNED_BYTE, P},
  {F(R8G8_UINT),                F(R8G8_TYPELESS),          2, V|T|R,  C::kUint,  2, GL_UNSIGNED_BYTE,                  GL_RG8UI,                GL_RG_INTEGER,      GL_UNSIGNED_BYTE, P},
  {F(R8G8_SNORM),               F(R8G8_TYPELESS),          2, V|T,    C::kSnorm, 2, GL_BYTE,                           GL_RG8_SNORM,            GL_RG,              GL_BYTE, P},
  {F(R8G8_SINT),                F(R8G8_TYPELESS),          2, V|T|R,  C::kSint,  2, GL_BYTE,                           GL_RG8I,                 GL_RG_INTEGER,      GL_BYTE, P},
  {F(R16_TYPELESS),             F(R16_TYPELESS),           2, TL,     C::kNone,  0, 0,                                 GL_R16,                  GL_RED,             GL_UNSIGNED_SHORT, P},
  {F(R16_FLOAT),                F(R16_TYPELESS),           2, V|T|R,  C::kFloat, 1, GL_HALF_FLOAT,                     GL_R16F,                 GL_RED,             GL_HALF_FLOAT, P},
  {F(D16_UNORM),                F(R16_TYPELESS),           2, D,      C::kNone,  0, 0,                                 GL_DEPTH_COMPONENT16,    GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT, P},
  {F(R16_UNORM),                F(R16_TYPELESS),           2, V|T|R|DR, C::kUnorm, 1, GL_UNSIGNED_SHORT,               GL_R16,                  GL_RED,             GL_UNSIGNED_SHORT, P},
  {F(R16_UINT),                 F(R16_TYPELESS),           2, V|T|R,  C::kUint,  1, GL_UNSIGNED_SHORT,                 GL_R16UI,                GL_RED_INTEGER,     GL_UNSIGNED_SHORT, P},
  {F(R16_SNORM),                F(R16_TYPELESS),           2, V|T,    C::kSnorm, 1, GL_SHORT,                          GL_R16_SNORM,            GL_RED,             GL_SHORT, P},
  {F(R16_SINT),                 F(R16_TYPELESS),           2, V|T|R,  C::kSint,  1, GL_SHORT,                          GL_R16I,                 GL_RED_INTEGER,     GL_SHORT, P},
  {F(R8_TYPELESS),              F(R8_TYPELESS),            1, TL,     C::kNone,  0, 0,                                 GL_R8,                   GL_RED,             GL_UNSIGNED_BYTE, P},
  {F(R8_UNORM),                 F(R8_TYPELESS),            1, V|T|R,  C::kUnorm, 1, GL_UNSIGNED_BYTE,                  GL_R8,                   GL_RED,             GL_UNSIGNED_BYTE, P},
  {F(R8_UINT),                  F(R8_TYPELESS),            1, V|T|R,  C::kUint,  1, GL_UNSIGNED_BYTE,                  GL_R8UI,                 GL_RED_INTEGER,     GL_UNSIGNED_BYTE, P},
  {F(R8_SNORM),                 F(R8_TYPELESS),            1, V|T,    C::kSnorm, 1, GL_BYTE,                           GL_R8_SNORM,             GL_RED,             GL_BYTE, P},
  {F(R8_SINT),                  F(R8_TYPELESS),            1, V|T|R,  C::kSint,  1, GL_BYTE,                           GL_R8I,                  GL_RED_INTEGER,     GL_BYTE, P},
  {F(R9G9B9E5_SHAREDEXP),       F(R9G9B9E5_SHAREDEXP),     4, T,      C::kFloat, 0, 0,                                 GL_RGB9_E5,              GL_RGB,             GL_UNSIGNED_INT_5_9_9_9_REV, P},
  // Block formats move as whole blocks: their transfers are compressed ones.
  {F(BC1_TYPELESS),             F(BC1_TYPELESS),           8, BL,     C::kNone,  0, 0,                                 GL_COMPRESSED_RGBA_S3TC_DXT1_EXT,        0, 0, P},
  {F(BC1_UNORM),                F(BC1_TYPELESS),           8, B,      C::kUnorm, 0, 0,                                 GL_COMPRESSED_RGBA_S3TC_DXT1_EXT,        0, 0, P},
  {F(BC1_UNORM_SRGB),           F(BC1_TYPELESS),           8, B,      C::kUnorm, 0, 0,                                 GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT1_EXT,  0, 0, P},
  {F(BC2_TYPELESS),             F(BC2_TYPELESS),          16, BL,     C::kNone,  0, 0,                                 GL_COMPRESSED_RGBA_S3TC_DXT3_EXT,        0, 0, P},
  {F(BC2_UNORM),                F(BC2_TYPELESS),          16, B,      C::kUnorm, 0, 0,                                 GL_COMPRESSED_RGBA_S3TC_DXT3_EXT,        0, 0, P},
  {F(BC2_UNORM_SRGB),           F(BC2_TYPELESS),          16, B,      C::kUnorm, 0, 0,                                 GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT3_EXT,  0, 0, P},
  {F(BC3_TYPELESS),             F(BC3_TYPELESS),          16, BL,     C::kNone,  0, 0,                                 GL_COMPRESSED_RGBA_S3TC_DXT5_EXT,        0, 0, P},
  {F(BC3_UNORM),                F(BC3_TYPELESS),          16, B,      C::kUnorm, 0, 0,                                 GL_COMPRESSED_RGBA_S3TC_DXT5_EXT,        0, 0, P},
  {F(BC3_UNORM_SRGB),           F(BC3_TYPELESS),          16, B,      C::kUnorm, 0, 0,                                 GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT5_EXT,  0, 0, P},
  {F(BC4_TYPELESS),             F(BC4_TYPELESS),           8, BL,     C::kNone,  0, 0,                                 GL_COMPRESSED_RED_RGTC1,                 0, 0, P},
  {F(BC4_UNORM),                F(BC4_TYPELESS),           8, B,      C::kUnorm, 0, 0,                                 GL_COMPRESSED_RED_RGTC1,                 0, 0, P},
  {F(BC4_SNORM),                F(BC4_TYPELESS),           8, B,      C::kSnorm, 0, 0,                                 GL_COMPRESSED_SIGNED_RED_RGTC1,          0, 0, P},
  {F(BC5_TYPELESS),             F(BC5_TYPELESS),          16, BL,     C::kNone,  0, 0,                                 GL_COMPRESSED_RG_RGTC2,                  0, 0, P},
  {F(BC5_UNORM),                F(BC5_TYPELESS),          16, B,      C::kUnorm, 0, 0,                                 GL_COMPRESSED_RG_RGTC2,                  0, 0, P},
  {F(BC5_SNORM),                F(BC5_TYPELESS),          16, B,      C::kSnorm, 0, 0,                                 GL_COMPRESSED_SIGNED_RG_RGTC2,           0, 0, P},
  // GL stores these as RGBA; transfers swap red and blue back.
  {F(B8G8R8A8_UNORM),           F(B8G8R8A8_TYPELESS),      4, V|T|R,  C::kUnorm, GL_BGRA, GL_UNSIGNED_BYTE,          GL_RGBA8,                GL_BGRA,            GL_UNSIGNED_BYTE, P},
  {F(B8G8R8A8_TYPELESS),        F(B8G8R8A8_TYPELESS),      4, TL,     C::kNone,  0, 0,                                 GL_RGBA8,                GL_BGRA,            GL_UNSIGNED_BYTE, P},
  {F(B8G8R8A8_UNORM_SRGB),      F(B8G8R8A8_TYPELESS),      4, T|R,    C::kUnorm, 0, 0,                                 GL_SRGB8_ALPHA8,         GL_BGRA,            GL_UNSIGNED_BYTE, P},
};
// clang-format on

#undef F

// Formats are looked up by value on every view and layout creation.
constexpr std::size_t kMaxFormat = DXGI_FORMAT_B8G8R8A8_UNORM_SRGB + 1;

std::array<const D3D10FormatInfo*, kMaxFormat> BuildIndex() {
  std::array<const D3D10FormatInfo*, kMaxFormat> index{};
  for (const D3D10FormatInfo& info : kFormats) index[info.format] = &info;
  return index;
}

}  // namespace

const D3D10FormatInfo* D3D10GetFormatInfo(DXGI_FORMAT format) {
  static const std::array<const D3D10FormatInfo*, kMaxFormat> s_index = BuildIndex();
  return static_cast<std::size_t>(format) < kMaxFormat ? s_index[format] : nullptr;
}

const D3D10FormatInfo* D3D10FindFamilyFormat(DXGI_FORMAT family, unsigned caps) {
  for (const D3D10FormatInfo& info : kFormats) {
    if (info.family == family && (info.caps & caps) == caps) return &info;
  }
  return nullptr;
}

const D3D10FormatInfo* D3D10DepthReadFormat(DXGI_FORMAT family) {
  return D3D10FindFamilyFormat(family, kFormatDepthRead);
}

UINT D3D10RowPitch(const D3D10FormatInfo& format, UINT width) {
  return (format.caps & kFormatBlock) ? (width + 3) / 4 * format.size : width * format.size;
}

UINT D3D10RowCount(const D3D10FormatInfo& format, UINT height) {
  return (format.caps & kFormatBlock) ? (height + 3) / 4 : height;
}

const D3D10FormatInfo* D3D10FormatTable(std::size_t* count) {
  *count = std::size(kFormats);
  return kFormats;
}

D3D10_REGISTER_COMPONENT_TYPE D3D10ComponentTypeOf(D3D10FormatClass cls) {
  switch (cls) {
    case D3D10FormatClass::kUint:
      return D3D10_REGISTER_COMPONENT_UINT32;
    case D3D10FormatClass::kSint:
      return D3D10_REGISTER_COMPONENT_SINT32;
    case D3D10FormatClass::kNone:
      return D3D10_REGISTER_COMPONENT_UNKNOWN;
    default:
      return D3D10_REGISTER_COMPONENT_FLOAT32;
  }
}

bool D3D10IsDepthInternalFormat(GLenum internalFormat) {
  switch (internalFormat) {
    case GL_DEPTH_COMPONENT16:
    case GL_DEPTH_COMPONENT32F:
    case GL_DEPTH24_STENCIL8:
    case GL_DEPTH32F_STENCIL8:
      return true;
    default:
      return false;
  }
}
