// The DXGI formats this platform supports and what each is in GL: vertex
// attribute format, texture storage and pixel transfer. A format missing from
// the table is refused wherever it is asked for, never substituted.
//
// Depth families. The typeless families R32G8X24, R32, R24G8 and R16 hold a
// depth format; a texture of any format of such a family that is bound as a
// depth-stencil (or whose format only reads depth, like R24_UNORM_X8_TYPELESS)
// is stored as that depth format. Its views then name any format of the
// family that fits the view: the depth format for depth-stencil views, the
// depth-read (R32_FLOAT, R16_UNORM, R24_UNORM_X8_TYPELESS,
// R32_FLOAT_X8X24_TYPELESS) or stencil-read formats for shader views. So a
// shader-readable depth buffer may be created in R32_TYPELESS, R16_TYPELESS,
// R24_UNORM_X8_TYPELESS or R32_FLOAT_X8X24_TYPELESS alike.
#pragma once

#include <d3d10.h>
#include <d3d10shader.h>
#include <epoxy/gl.h>

#include <cstddef>

// What a format may be used for (bits of D3D10FormatInfo::caps).
enum D3D10FormatCap : unsigned {
  kFormatVertex = 1u << 0,        // vertex element of an input layout
  kFormatTexture = 1u << 1,       // texture storage and shader resource view
  kFormatRenderTarget = 1u << 2,  // render target view
  kFormatDepthStencil = 1u << 3,  // depth-stencil view
  kFormatDepthRead = 1u << 4,     // shader resource view of depth storage
  kFormatTypeless = 1u << 5,      // a family's typeless format: storage only
  kFormatStencilRead = 1u << 6,   // shader resource view of the stencil of depth storage
  kFormatBlock = 1u << 7,         // compressed in 4x4 blocks; size is bytes per block
};

// How the components read in a shader.
enum class D3D10FormatClass : unsigned char { kNone, kFloat, kUnorm, kSnorm, kUint, kSint };

// How stored texels differ from Direct3D's bytes in memory.
enum class D3D10FormatPacking : unsigned char {
  kPlain,
  // GL keeps depth in the high 24 bits and stencil in the low 8; Direct3D
  // the other way round.
  kDepth24Stencil8,
};

struct D3D10FormatInfo {
  DXGI_FORMAT format;
  // The typeless format of the family; a format without one is its own.
  DXGI_FORMAT family;
  UINT size;  // bytes per texel or element, or per block
  unsigned caps;
  D3D10FormatClass cls;
  // Vertex attribute: components (GL_BGRA for BGRA order), type.
  GLint components;
  GLenum attribType;
  // Texture: internal format (0 where the format only reads depth storage),
  // and the format and type of pixel transfers.
  GLenum internalFormat;
  GLenum transferFormat;
  GLenum transferType;
  D3D10FormatPacking packing;
};

// The row of a format, or null when the platform does not support it.
const D3D10FormatInfo* D3D10GetFormatInfo(DXGI_FORMAT format);

// The first format of the family with every capability in caps, or null.
const D3D10FormatInfo* D3D10FindFamilyFormat(DXGI_FORMAT family, unsigned caps);

// The whole table, for the tests that walk it.
const D3D10FormatInfo* D3D10FormatTable(std::size_t* count);

// The typed format of a family that views of depth storage read depth
// through (R32_FLOAT, R16_UNORM …), or null for a family without depth.
const D3D10FormatInfo* D3D10DepthReadFormat(DXGI_FORMAT family);

// Bytes in one row of texels (of blocks for block formats) of a level, and
// the number of such rows.
UINT D3D10RowPitch(const D3D10FormatInfo& format, UINT width);
UINT D3D10RowCount(const D3D10FormatInfo& format, UINT height);

// The register component type a shader input fed by this class must declare.
D3D10_REGISTER_COMPONENT_TYPE D3D10ComponentTypeOf(D3D10FormatClass cls);

// Whether the internal format holds depth (and stencil).
bool D3D10IsDepthInternalFormat(GLenum internalFormat);
