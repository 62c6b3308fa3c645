#include "d3d10/d3d10_texture.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr UINT kKnownBindFlags = D3D10_BIND_VERTEX_BUFFER | D3D10_BIND_INDEX_BUFFER | D3D10_BIND_CONSTANT_BUFFER |
                                 D3D10_BIND_SHADER_RESOURCE | D3D10_BIND_STREAM_OUTPUT | D3D10_BIND_RENDER_TARGET |
                                 D3D10_BIND_DEPTH_STENCIL;
constexpr UINT kBufferBindFlags =
    D3D10_BIND_VERTEX_BUFFER | D3D10_BIND_INDEX_BUFFER | D3D10_BIND_CONSTANT_BUFFER | D3D10_BIND_STREAM_OUTPUT;
constexpr UINT kOutputBindFlags = D3D10_BIND_RENDER_TARGET | D3D10_BIND_DEPTH_STENCIL;
constexpr UINT kMipsBindFlags = D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE;
constexpr UINT kCpuAccess = D3D10_CPU_ACCESS_READ | D3D10_CPU_ACCESS_WRITE;
constexpr UINT kKnownMiscFlags =
    D3D10_RESOURCE_MISC_GENERATE_MIPS | D3D10_RESOURCE_MISC_SHARED | D3D10_RESOURCE_MISC_TEXTURECUBE;
// 1D arrays have the same limit as 2D ones.
constexpr UINT kMaxArraySize = D3D10_REQ_TEXTURE2D_ARRAY_AXIS_DIMENSION;
constexpr UINT kCubeFaces = 6;

UINT FullMipCount(UINT size) {
  UINT levels = 1;
  for (; size > 1; size >>= 1) ++levels;
  return levels;
}

UINT LargestSize(const D3D10TextureShape& shape) {
  switch (shape.dimension) {
    case D3D10_RESOURCE_DIMENSION_TEXTURE1D:
      return D3D10_REQ_TEXTURE1D_U_DIMENSION;
    case D3D10_RESOURCE_DIMENSION_TEXTURE3D:
      return D3D10_REQ_TEXTURE3D_U_V_OR_W_DIMENSION;
    default:
      return D3D10_REQ_TEXTURE2D_U_OR_V_DIMENSION;
  }
}

// Depth-bound textures, and textures in a format that only reads depth or
// stencil, hold their family's depth format; the rest hold their own.
const D3D10FormatInfo* StorageOf(const D3D10FormatInfo& format, UINT bind) {
  bool readsDepth = format.internalFormat == 0 && (format.caps & (kFormatDepthRead | kFormatStencilRead));
  if ((bind & D3D10_BIND_DEPTH_STENCIL) || readsDepth) return D3D10FindFamilyFormat(format.family, kFormatDepthStencil);
  return &format;
}

GLenum TargetOf(const D3D10TextureShape& shape) {
  switch (shape.dimension) {
    case D3D10_RESOURCE_DIMENSION_TEXTURE1D:
      return shape.layers > 1 ? GL_TEXTURE_1D_ARRAY : GL_TEXTURE_1D;
    case D3D10_RESOURCE_DIMENSION_TEXTURE3D:
      return GL_TEXTURE_3D;
    default:
      if (shape.samples > 1) return shape.layers > 1 ? GL_TEXTURE_2D_MULTISAMPLE_ARRAY : GL_TEXTURE_2D_MULTISAMPLE;
      if (shape.misc & D3D10_RESOURCE_MISC_TEXTURECUBE) return GL_TEXTURE_CUBE_MAP;
      return shape.layers > 1 ? GL_TEXTURE_2D_ARRAY : GL_TEXTURE_2D;
  }
}

bool SupportsSamples(D3D10Device* device, GLenum internalFormat, UINT samples) {
  device->Activate();
  GLint count = 0;
  glGetInternalformativ(GL_TEXTURE_2D_MULTISAMPLE, internalFormat, GL_NUM_SAMPLE_COUNTS, 1, &count);
  if (count <= 0) return false;
  std::vector<GLint> counts(static_cast<std::size_t>(count));
  glGetInternalformativ(GL_TEXTURE_2D_MULTISAMPLE, internalFormat, GL_SAMPLES, count, counts.data());
  return std::find(counts.begin(), counts.end(), static_cast<GLint>(samples)) != counts.end();
}

// Direct3D keeps depth in the low 24 bits; GL in the high ones.
void ToGLDepthStencil(uint32_t* texels, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) texels[i] = (texels[i] << 8) | (texels[i] >> 24);
}
void FromGLDepthStencil(uint32_t* texels, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) texels[i] = (texels[i] >> 8) | (texels[i] << 24);
}

UINT StagingAccess(UINT type) {
  switch (type) {
    case D3D10_MAP_READ:
      return D3D10_CPU_ACCESS_READ;
    case D3D10_MAP_WRITE:
      return D3D10_CPU_ACCESS_WRITE;
    case D3D10_MAP_READ_WRITE:
      return D3D10_CPU_ACCESS_READ | D3D10_CPU_ACCESS_WRITE;
    default:
      return 0;
  }
}

// A region as GL's texture calls address it: slices of arrays and faces of
// cubes are the next coordinate after the texel ones.
struct GLBox {
  GLint x, y, z;
  GLsizei width, height, depth;
};

GLBox ToGLBox(GLenum target, UINT layer, const D3D10Region& r) {
  auto i = [](UINT v) { return static_cast<GLint>(v); };
  switch (target) {
    case GL_TEXTURE_1D:
      return {i(r.x), 0, 0, i(r.width), 1, 1};
    case GL_TEXTURE_1D_ARRAY:
      return {i(r.x), i(layer), 0, i(r.width), 1, 1};
    case GL_TEXTURE_2D:
    case GL_TEXTURE_2D_MULTISAMPLE:
      return {i(r.x), i(r.y), 0, i(r.width), i(r.height), 1};
    case GL_TEXTURE_3D:
      return {i(r.x), i(r.y), i(r.z), i(r.width), i(r.height), i(r.depth)};
    default:
      return {i(r.x), i(r.y), i(layer), i(r.width), i(r.height), 1};
  }
}

// Validates, then answers the resolved mip count and the two formats.
HRESULT Prepare(D3D10Device* device, D3D10TextureShape* shape, const D3D10_SUBRESOURCE_DATA* initialData,
                const D3D10FormatInfo** format, const D3D10FormatInfo** storage) {
  HRESULT hr = D3D10ValidateTexture(device, *shape, initialData);
  if (FAILED(hr)) return hr;
  if (shape->levels == 0) shape->levels = FullMipCount(std::max({shape->width, shape->height, shape->depth}));
  *format = D3D10GetFormatInfo(shape->format);
  *storage = StorageOf(**format, shape->bind);
  return S_OK;
}

}  // namespace

HRESULT D3D10ValidateTexture(D3D10Device* device, const D3D10TextureShape& s,
                             const D3D10_SUBRESOURCE_DATA* initialData) {
  // Sizes from 1 to the largest texture of the dimension.
  UINT largest = LargestSize(s);
  if (s.width == 0 || s.height == 0 || s.depth == 0) return E_INVALIDARG;
  if (s.width > largest || s.height > largest || s.depth > largest) return E_INVALIDARG;
  // One to 512 slices.
  if (s.layers == 0 || s.layers > kMaxArraySize) return E_INVALIDARG;
  // No more levels than the chain down to 1x1 (0 asks for the whole chain).
  UINT chain = FullMipCount(std::max({s.width, s.height, s.depth}));
  UINT levels = s.levels ? s.levels : chain;
  if (levels > chain) return E_INVALIDARG;
  // A format the platform stores as a texture.
  const D3D10FormatInfo* format = D3D10GetFormatInfo(s.format);
  if (!format) return E_INVALIDARG;
  const D3D10FormatInfo* storage = StorageOf(*format, s.bind);
  if (!storage || storage->internalFormat == 0) return E_INVALIDARG;
  // Block formats: 2D textures whose top level is whole blocks.
  if ((format->caps & kFormatBlock) &&
      (s.dimension != D3D10_RESOURCE_DIMENSION_TEXTURE2D || s.width % 4 != 0 || s.height % 4 != 0)) {
    return E_INVALIDARG;
  }
  // Depth: 1D and 2D textures only.
  if (D3D10IsDepthInternalFormat(storage->internalFormat) && s.dimension == D3D10_RESOURCE_DIMENSION_TEXTURE3D) {
    return E_INVALIDARG;
  }
  // A known usage.
  if (s.usage > D3D10_USAGE_STAGING) return E_INVALIDARG;
  // Known bind flags, none of them for buffers.
  if ((s.bind & ~kKnownBindFlags) || (s.bind & kBufferBindFlags)) return E_INVALIDARG;
  // Colour and depth targets exclude each other.
  if ((s.bind & kOutputBindFlags) == kOutputBindFlags) return E_INVALIDARG;
  // A render target needs a format GL renders to, or a typeless family that has one.
  if (s.bind & D3D10_BIND_RENDER_TARGET) {
    if (!(format->caps & (kFormatRenderTarget | kFormatTypeless))) return E_INVALIDARG;
    if (!D3D10FindFamilyFormat(format->family, kFormatRenderTarget)) return E_INVALIDARG;
  }
  // A depth target needs a format of a depth family that stands for depth:
  // the depth format, the typeless one, or a depth- or stencil-read format.
  constexpr unsigned kDepthMembers = kFormatDepthStencil | kFormatTypeless | kFormatDepthRead | kFormatStencilRead;
  if ((s.bind & D3D10_BIND_DEPTH_STENCIL) && !(format->caps & kDepthMembers)) return E_INVALIDARG;
  // Shaders read colour, typeless, depth-read and stencil-read formats, never typed depth formats.
  constexpr unsigned kReadable = kFormatTexture | kFormatDepthRead | kFormatStencilRead;
  if ((s.bind & D3D10_BIND_SHADER_RESOURCE) && !(format->caps & kReadable)) return E_INVALIDARG;
  // Known CPU access flags.
  if (s.cpu & ~kCpuAccess) return E_INVALIDARG;
  // Known misc flags; shared textures are not supported.
  if ((s.misc & ~kKnownMiscFlags) || (s.misc & D3D10_RESOURCE_MISC_SHARED)) return E_INVALIDARG;
  // A cube is a 2D texture of six square slices.
  if ((s.misc & D3D10_RESOURCE_MISC_TEXTURECUBE) &&
      (s.dimension != D3D10_RESOURCE_DIMENSION_TEXTURE2D || s.layers != kCubeFaces || s.width != s.height)) {
    return E_INVALIDARG;
  }
  // Generated mips are filtered from a shader view into target views: integers do not filter.
  if (s.misc & D3D10_RESOURCE_MISC_GENERATE_MIPS) {
    if ((s.bind & kMipsBindFlags) != kMipsBindFlags) return E_INVALIDARG;
    if (format->cls == D3D10FormatClass::kUint || format->cls == D3D10FormatClass::kSint) return E_INVALIDARG;
  }
  // At least one sample; one quality level per sample count.
  if (s.samples == 0 || s.quality != 0) return E_INVALIDARG;
  // Multisampled: a 2D target of one level and no cube, in a sample count GL has for the format.
  if (s.samples > 1) {
    if (s.dimension != D3D10_RESOURCE_DIMENSION_TEXTURE2D || levels != 1) return E_INVALIDARG;
    if ((s.misc & D3D10_RESOURCE_MISC_TEXTURECUBE) || !(s.bind & kOutputBindFlags)) return E_INVALIDARG;
    if (s.usage != D3D10_USAGE_DEFAULT) return E_INVALIDARG;
    if (!SupportsSamples(device, storage->internalFormat, s.samples)) return E_INVALIDARG;
  }
  switch (s.usage) {
    case D3D10_USAGE_IMMUTABLE:
      // Immutable contents come at creation; the GPU only reads them.
      if (!initialData) return E_INVALIDARG;
      if (s.cpu != 0 || (s.bind & kOutputBindFlags)) return E_INVALIDARG;
      break;
    case D3D10_USAGE_DEFAULT:
      // Default textures are written by the GPU, copies and UpdateSubresource.
      if (s.cpu != 0) return E_INVALIDARG;
      break;
    case D3D10_USAGE_DYNAMIC:
      // Dynamic textures: one subresource, written by the CPU, read by shaders only.
      if (s.cpu != D3D10_CPU_ACCESS_WRITE) return E_INVALIDARG;
      if (levels != 1 || s.layers != 1 || (s.bind & kOutputBindFlags)) return E_INVALIDARG;
      break;
    case D3D10_USAGE_STAGING:
      // Staging textures are bound to nothing and mapped by the CPU.
      if (s.bind != 0 || s.cpu == 0) return E_INVALIDARG;
      break;
  }
  // Initial data gives every subresource; rows and slices at least as long as the level's.
  if (initialData) {
    for (UINT sub = 0; sub < levels * s.layers; ++sub) {
      const D3D10_SUBRESOURCE_DATA& data = initialData[sub];
      UINT level = sub % levels;
      UINT rowPitch = D3D10RowPitch(*format, std::max(1u, s.width >> level));
      UINT rows = D3D10RowCount(*format, std::max(1u, s.height >> level));
      if (!data.pSysMem) return E_INVALIDARG;
      if (s.dimension != D3D10_RESOURCE_DIMENSION_TEXTURE1D && data.SysMemPitch < rowPitch) return E_INVALIDARG;
      if (s.dimension == D3D10_RESOURCE_DIMENSION_TEXTURE3D &&
          std::size_t{data.SysMemSlicePitch} < std::size_t{data.SysMemPitch} * rows) {
        return E_INVALIDARG;
      }
    }
  }
  return S_OK;
}

// D3D10TextureImage -------------------------------------------------------------

D3D10TextureImage::D3D10TextureImage(D3D10Device* device, const D3D10TextureShape& shape,
                                     const D3D10FormatInfo& format, const D3D10FormatInfo& storage)
    : m_device(device), m_shape(shape), m_format(&format), m_storage(&storage) {}

D3D10TextureImage::~D3D10TextureImage() {
  if (!m_name) return;
  m_device->Activate();
  glDeleteTextures(1, &m_name);
}

bool D3D10TextureImage::HasDepthStorage() const { return D3D10IsDepthInternalFormat(m_storage->internalFormat); }

UINT D3D10TextureImage::LevelWidth(UINT level) const { return std::max(1u, m_shape.width >> level); }
UINT D3D10TextureImage::LevelHeight(UINT level) const { return std::max(1u, m_shape.height >> level); }
UINT D3D10TextureImage::LevelDepth(UINT level) const { return std::max(1u, m_shape.depth >> level); }

D3D10Region D3D10TextureImage::WholeRegion(UINT subresource) const {
  UINT level = LevelOf(subresource);
  return {0, 0, 0, LevelWidth(level), LevelHeight(level), LevelDepth(level)};
}

bool D3D10TextureImage::HoldsRegion(UINT subresource, const D3D10Region& r) const {
  if (subresource >= SubresourceCount()) return false;
  UINT level = LevelOf(subresource);
  UINT width = LevelWidth(level), height = LevelHeight(level), depth = LevelDepth(level);
  if (r.width == 0 || r.height == 0 || r.depth == 0) return false;
  if (r.x > width || r.width > width - r.x || r.y > height || r.height > height - r.y) return false;
  if (r.z > depth || r.depth > depth - r.z) return false;
  if (!(m_format->caps & kFormatBlock)) return true;
  // Blocks start on multiples of four and end there or at the level's edge.
  auto aligned = [](UINT start, UINT size, UINT edge) {
    return start % 4 == 0 && (size % 4 == 0 || start + size == edge);
  };
  return aligned(r.x, r.width, width) && aligned(r.y, r.height, height);
}

std::size_t D3D10TextureImage::SubresourceSize(UINT subresource) const {
  UINT level = LevelOf(subresource);
  return std::size_t{D3D10RowPitch(*m_format, LevelWidth(level))} * D3D10RowCount(*m_format, LevelHeight(level)) *
         LevelDepth(level);
}

void D3D10TextureImage::Allocate(const D3D10_SUBRESOURCE_DATA* initialData) {
  UINT count = SubresourceCount();
  if (m_shape.usage == D3D10_USAGE_STAGING || m_shape.usage == D3D10_USAGE_DYNAMIC) {
    std::size_t total = 0;
    for (UINT sub = 0; sub < count; ++sub) {
      m_offsets.push_back(total);
      total += SubresourceSize(sub);
    }
    m_shadow.resize(total);
  }
  m_mapped.assign(count, false);
  if (m_shape.usage != D3D10_USAGE_STAGING) {
    m_device->Activate();
    m_target = TargetOf(m_shape);
    glCreateTextures(m_target, 1, &m_name);
    GLsizei levels = static_cast<GLsizei>(m_shape.levels);
    GLsizei width = static_cast<GLsizei>(m_shape.width), height = static_cast<GLsizei>(m_shape.height);
    GLsizei layers = static_cast<GLsizei>(m_shape.layers), samples = static_cast<GLsizei>(m_shape.samples);
    GLenum internalFormat = m_storage->internalFormat;
    switch (m_target) {
      case GL_TEXTURE_1D:
        glTextureStorage1D(m_name, levels, internalFormat, width);
        break;
      case GL_TEXTURE_1D_ARRAY:
        glTextureStorage2D(m_name, levels, internalFormat, width, layers);
        break;
      case GL_TEXTURE_2D:
      case GL_TEXTURE_CUBE_MAP:
        glTextureStorage2D(m_name, levels, internalFormat, width, height);
        break;
      case GL_TEXTURE_2D_ARRAY:
        glTextureStorage3D(m_name, levels, internalFormat, width, height, layers);
        break;
      case GL_TEXTURE_2D_MULTISAMPLE:
        glTextureStorage2DMultisample(m_name, samples, internalFormat, width, height, GL_TRUE);
        break;
      case GL_TEXTURE_2D_MULTISAMPLE_ARRAY:
        glTextureStorage3DMultisample(m_name, samples, internalFormat, width, height, layers, GL_TRUE);
        break;
      default:
        glTextureStorage3D(m_name, levels, internalFormat, width, height, static_cast<GLsizei>(m_shape.depth));
        break;
    }
  }
  if (!initialData) return;
  for (UINT sub = 0; sub < count; ++sub) {
    const D3D10_SUBRESOURCE_DATA& data = initialData[sub];
    WriteRegion(sub, WholeRegion(sub), data.pSysMem, data.SysMemPitch, data.SysMemSlicePitch);
  }
}

void D3D10TextureImage::ReadGL(UINT subresource, const D3D10Region& region, uint8_t* out, std::size_t size) const {
  GLBox b = ToGLBox(m_target, LayerOf(subresource), region);
  GLint level = static_cast<GLint>(LevelOf(subresource));
  GLsizei bytes = static_cast<GLsizei>(size);
  if (m_format->caps & kFormatBlock) {
    glGetCompressedTextureSubImage(m_name, level, b.x, b.y, b.z, b.width, b.height, b.depth, bytes, out);
    return;
  }
  glGetTextureSubImage(m_name, level, b.x, b.y, b.z, b.width, b.height, b.depth, m_storage->transferFormat,
                       m_storage->transferType, bytes, out);
  if (m_storage->packing == D3D10FormatPacking::kDepth24Stencil8) {
    FromGLDepthStencil(reinterpret_cast<uint32_t*>(out), size / 4);
  }
}

void D3D10TextureImage::WriteGL(UINT subresource, const D3D10Region& region, const uint8_t* packed,
                                std::size_t size) {
  GLBox b = ToGLBox(m_target, LayerOf(subresource), region);
  GLint level = static_cast<GLint>(LevelOf(subresource));
  if (m_format->caps & kFormatBlock) {
    GLsizei bytes = static_cast<GLsizei>(size);
    if (m_target == GL_TEXTURE_2D) {
      glCompressedTextureSubImage2D(m_name, level, b.x, b.y, b.width, b.height, m_storage->internalFormat, bytes,
                                    packed);
    } else {
      glCompressedTextureSubImage3D(m_name, level, b.x, b.y, b.z, b.width, b.height, b.depth,
                                    m_storage->internalFormat, bytes, packed);
    }
    return;
  }
  GLenum format = m_storage->transferFormat, type = m_storage->transferType;
  switch (m_target) {
    case GL_TEXTURE_1D:
      glTextureSubImage1D(m_name, level, b.x, b.width, format, type, packed);
      break;
    case GL_TEXTURE_1D_ARRAY:
    case GL_TEXTURE_2D:
      glTextureSubImage2D(m_name, level, b.x, b.y, b.width, b.height, format, type, packed);
      break;
    default:
      glTextureSubImage3D(m_name, level, b.x, b.y, b.z, b.width, b.height, b.depth, format, type, packed);
      break;
  }
}

void D3D10TextureImage::ReadRegion(UINT subresource, const D3D10Region& region, uint8_t* out) const {
  UINT rowBytes = D3D10RowPitch(*m_format, region.width), rows = D3D10RowCount(*m_format, region.height);
  if (m_name) {
    ReadGL(subresource, region, out, std::size_t{rowBytes} * rows * region.depth);
    return;
  }
  UINT level = LevelOf(subresource);
  std::size_t levelPitch = D3D10RowPitch(*m_format, LevelWidth(level));
  std::size_t slicePitch = levelPitch * D3D10RowCount(*m_format, LevelHeight(level));
  const uint8_t* source = m_shadow.data() + m_offsets[subresource] + D3D10RowPitch(*m_format, region.x) +
                          D3D10RowCount(*m_format, region.y) * levelPitch + region.z * slicePitch;
  for (UINT z = 0; z < region.depth; ++z) {
    for (UINT row = 0; row < rows; ++row) {
      std::memcpy(out, source + z * slicePitch + row * levelPitch, rowBytes);
      out += rowBytes;
    }
  }
}

void D3D10TextureImage::WriteRegion(UINT subresource, const D3D10Region& region, const void* data, UINT rowPitch,
                                    UINT depthPitch) {
  UINT rowBytes = D3D10RowPitch(*m_format, region.width), rows = D3D10RowCount(*m_format, region.height);
  const uint8_t* source = static_cast<const uint8_t*>(data);
  auto row = [&](UINT z, UINT y) { return source + std::size_t{z} * depthPitch + std::size_t{y} * rowPitch; };
  if (!m_name) {
    UINT level = LevelOf(subresource);
    std::size_t levelPitch = D3D10RowPitch(*m_format, LevelWidth(level));
    std::size_t slicePitch = levelPitch * D3D10RowCount(*m_format, LevelHeight(level));
    uint8_t* target = m_shadow.data() + m_offsets[subresource] + D3D10RowPitch(*m_format, region.x) +
                      D3D10RowCount(*m_format, region.y) * levelPitch + region.z * slicePitch;
    for (UINT z = 0; z < region.depth; ++z) {
      for (UINT y = 0; y < rows; ++y) std::memcpy(target + z * slicePitch + y * levelPitch, row(z, y), rowBytes);
    }
    return;
  }
  // GL takes packed rows, depth and stencil in its own order.
  std::size_t size = std::size_t{rowBytes} * rows * region.depth;
  bool convert = m_storage->packing == D3D10FormatPacking::kDepth24Stencil8;
  bool packed = (rows == 1 || rowPitch == rowBytes) && (region.depth == 1 || depthPitch == rowBytes * rows);
  if (packed && !convert) {
    WriteGL(subresource, region, source, size);
    return;
  }
  std::vector<uint8_t> texels(size);
  for (UINT z = 0; z < region.depth; ++z) {
    for (UINT y = 0; y < rows; ++y) std::memcpy(&texels[(std::size_t{z} * rows + y) * rowBytes], row(z, y), rowBytes);
  }
  if (convert) ToGLDepthStencil(reinterpret_cast<uint32_t*>(texels.data()), size / 4);
  WriteGL(subresource, region, texels.data(), size);
}

void D3D10TextureImage::CopyRegion(UINT subresource, UINT x, UINT y, UINT z, const D3D10TextureImage& source,
                                   UINT sourceSubresource, const D3D10Region& region) {
  D3D10Region target = {x, y, z, region.width, region.height, region.depth};
  // GL copies texels between formats of one family, but never between depth
  // and colour storage: those pass through memory, as staging textures do.
  if (m_name && source.m_name && HasDepthStorage() == source.HasDepthStorage()) {
    GLBox from = ToGLBox(source.m_target, source.LayerOf(sourceSubresource), region);
    GLBox to = ToGLBox(m_target, LayerOf(subresource), target);
    glCopyImageSubData(source.m_name, source.m_target, static_cast<GLint>(source.LevelOf(sourceSubresource)), from.x,
                       from.y, from.z, m_name, m_target, static_cast<GLint>(LevelOf(subresource)), to.x, to.y, to.z,
                       from.width, from.height, from.depth);
    return;
  }
  UINT rowBytes = D3D10RowPitch(*m_format, region.width), rows = D3D10RowCount(*m_format, region.height);
  std::vector<uint8_t> texels(std::size_t{rowBytes} * rows * region.depth);
  source.ReadRegion(sourceSubresource, region, texels.data());
  WriteRegion(subresource, target, texels.data(), rowBytes, rowBytes * rows);
}

void D3D10TextureImage::CopyFrom(const D3D10TextureImage& source) {
  for (UINT sub = 0; sub < SubresourceCount(); ++sub) CopyRegion(sub, 0, 0, 0, source, sub, WholeRegion(sub));
}

HRESULT D3D10TextureImage::MapSubresource(UINT subresource, D3D10_MAP type, UINT flags, void** data, UINT* rowPitch,
                                          UINT* depthPitch) {
  if (!data) return E_INVALIDARG;
  // A subresource of this texture, not already mapped; the only flag says not to wait.
  if (subresource >= SubresourceCount() || m_mapped[subresource]) return E_INVALIDARG;
  if (flags & ~static_cast<UINT>(D3D10_MAP_FLAG_DO_NOT_WAIT)) return E_INVALIDARG;
  UINT mapType = D3D10Raw(type);
  if (m_shape.usage == D3D10_USAGE_STAGING) {
    // Staging textures for the access they were created with.
    UINT access = StagingAccess(mapType);
    if (access == 0 || (m_shape.cpu & access) != access) return E_INVALIDARG;
  } else if (m_shape.usage != D3D10_USAGE_DYNAMIC || mapType != D3D10_MAP_WRITE_DISCARD) {
    // Dynamic textures are only rewritten whole; the others are not for the CPU.
    return E_INVALIDARG;
  }
  UINT level = LevelOf(subresource);
  *data = m_shadow.data() + m_offsets[subresource];
  *rowPitch = D3D10RowPitch(*m_format, LevelWidth(level));
  *depthPitch = *rowPitch * D3D10RowCount(*m_format, LevelHeight(level));
  m_mapped[subresource] = true;
  ++m_mappedCount;
  ++m_device->Counters().maps[mapType];
  return S_OK;
}

void D3D10TextureImage::UnmapSubresource(UINT subresource) {
  if (subresource >= SubresourceCount() || !m_mapped[subresource]) return;
  m_mapped[subresource] = false;
  --m_mappedCount;
  if (m_shape.usage != D3D10_USAGE_DYNAMIC) return;
  UINT level = LevelOf(subresource);
  UINT rowPitch = D3D10RowPitch(*m_format, LevelWidth(level));
  m_device->Activate();
  WriteRegion(subresource, WholeRegion(subresource), m_shadow.data() + m_offsets[subresource], rowPitch,
              rowPitch * D3D10RowCount(*m_format, LevelHeight(level)));
}

D3D10TextureImage* D3D10GetTextureImage(ID3D10Resource* resource) {
  if (!resource) return nullptr;
  D3D10_RESOURCE_DIMENSION dimension = D3D10_RESOURCE_DIMENSION_UNKNOWN;
  resource->GetType(&dimension);
  switch (dimension) {
    case D3D10_RESOURCE_DIMENSION_TEXTURE1D:
      return static_cast<D3D10Texture1D*>(static_cast<ID3D10Texture1D*>(resource));
    case D3D10_RESOURCE_DIMENSION_TEXTURE2D:
      return static_cast<D3D10Texture2D*>(static_cast<ID3D10Texture2D*>(resource));
    case D3D10_RESOURCE_DIMENSION_TEXTURE3D:
      return static_cast<D3D10Texture3D*>(static_cast<ID3D10Texture3D*>(resource));
    default:
      return nullptr;
  }
}

// The three interfaces ------------------------------------------------------------

D3D10Texture1D::D3D10Texture1D(D3D10Device* device, const D3D10_TEXTURE1D_DESC& desc, const D3D10TextureShape& shape,
                               const D3D10FormatInfo& format, const D3D10FormatInfo& storage)
    : D3D10DeviceChild(device), D3D10TextureImage(device, shape, format, storage), m_desc(desc) {}

HRESULT D3D10Texture1D::Create(D3D10Device* device, const D3D10_TEXTURE1D_DESC* desc,
                               const D3D10_SUBRESOURCE_DATA* initialData, ID3D10Texture1D** texture) {
  if (!desc) return E_INVALIDARG;
  D3D10TextureShape shape = {D3D10_RESOURCE_DIMENSION_TEXTURE1D,
                             desc->Width, 1, 1, desc->MipLevels, desc->ArraySize, 1, 0, desc->Format,
                             D3D10Raw(desc->Usage), desc->BindFlags, desc->CPUAccessFlags, desc->MiscFlags};
  const D3D10FormatInfo *format = nullptr, *storage = nullptr;
  HRESULT hr = Prepare(device, &shape, initialData, &format, &storage);
  if (FAILED(hr)) return hr;
  if (!texture) return S_FALSE;
  D3D10_TEXTURE1D_DESC resolved = *desc;
  resolved.MipLevels = shape.levels;
  D3D10Texture1D* created = new (std::nothrow) D3D10Texture1D(device, resolved, shape, *format, *storage);
  if (!created) return E_OUTOFMEMORY;
  ComPtr<ID3D10Texture1D> owner = ComPtr<ID3D10Texture1D>::Attach(created);
  created->Allocate(initialData);
  ++device->Counters().textureCreations;
  *texture = owner.Detach();
  return S_OK;
}

void STDMETHODCALLTYPE D3D10Texture1D::GetType(D3D10_RESOURCE_DIMENSION* rType) {
  if (rType) *rType = D3D10_RESOURCE_DIMENSION_TEXTURE1D;
}

HRESULT STDMETHODCALLTYPE D3D10Texture1D::Map(UINT Subresource, D3D10_MAP MapType, UINT MapFlags, void** ppData) {
  UINT rowPitch = 0, depthPitch = 0;
  return MapSubresource(Subresource, MapType, MapFlags, ppData, &rowPitch, &depthPitch);
}

void STDMETHODCALLTYPE D3D10Texture1D::Unmap(UINT Subresource) { UnmapSubresource(Subresource); }

void STDMETHODCALLTYPE D3D10Texture1D::GetDesc(D3D10_TEXTURE1D_DESC* pDesc) {
  if (pDesc) *pDesc = m_desc;
}

D3D10Texture2D::D3D10Texture2D(D3D10Device* device, const D3D10_TEXTURE2D_DESC& desc, const D3D10TextureShape& shape,
                               const D3D10FormatInfo& format, const D3D10FormatInfo& storage)
    : D3D10DeviceChild(device), D3D10TextureImage(device, shape, format, storage), m_desc(desc) {}

HRESULT D3D10Texture2D::Create(D3D10Device* device, const D3D10_TEXTURE2D_DESC* desc,
                               const D3D10_SUBRESOURCE_DATA* initialData, ID3D10Texture2D** texture) {
  if (!desc) return E_INVALIDARG;
  D3D10TextureShape shape = {D3D10_RESOURCE_DIMENSION_TEXTURE2D,
                             desc->Width,
                             desc->Height,
                             1,
                             desc->MipLevels,
                             desc->ArraySize,
                             desc->SampleDesc.Count,
                             desc->SampleDesc.Quality,
                             desc->Format,
                             D3D10Raw(desc->Usage),
                             desc->BindFlags,
                             desc->CPUAccessFlags,
                             desc->MiscFlags};
  const D3D10FormatInfo *format = nullptr, *storage = nullptr;
  HRESULT hr = Prepare(device, &shape, initialData, &format, &storage);
  if (FAILED(hr)) return hr;
  if (!texture) return S_FALSE;
  D3D10_TEXTURE2D_DESC resolved = *desc;
  resolved.MipLevels = shape.levels;
  D3D10Texture2D* created = new (std::nothrow) D3D10Texture2D(device, resolved, shape, *format, *storage);
  if (!created) return E_OUTOFMEMORY;
  ComPtr<ID3D10Texture2D> owner = ComPtr<ID3D10Texture2D>::Attach(created);
  created->Allocate(initialData);
  ++device->Counters().textureCreations;
  *texture = owner.Detach();
  return S_OK;
}

void STDMETHODCALLTYPE D3D10Texture2D::GetType(D3D10_RESOURCE_DIMENSION* rType) {
  if (rType) *rType = D3D10_RESOURCE_DIMENSION_TEXTURE2D;
}

HRESULT STDMETHODCALLTYPE D3D10Texture2D::Map(UINT Subresource, D3D10_MAP MapType, UINT MapFlags,
                                              D3D10_MAPPED_TEXTURE2D* pMappedTex2D) {
  if (!pMappedTex2D) return E_INVALIDARG;
  UINT depthPitch = 0;
  return MapSubresource(Subresource, MapType, MapFlags, &pMappedTex2D->pData, &pMappedTex2D->RowPitch, &depthPitch);
}

void STDMETHODCALLTYPE D3D10Texture2D::Unmap(UINT Subresource) { UnmapSubresource(Subresource); }

void STDMETHODCALLTYPE D3D10Texture2D::GetDesc(D3D10_TEXTURE2D_DESC* pDesc) {
  if (pDesc) *pDesc = m_desc;
}

D3D10Texture3D::D3D10Texture3D(D3D10Device* device, const D3D10_TEXTURE3D_DESC& desc, const D3D10TextureShape& shape,
                               const D3D10FormatInfo& format, const D3D10FormatInfo& storage)
    : D3D10DeviceChild(device), D3D10TextureImage(device, shape, format, storage), m_desc(desc) {}

HRESULT D3D10Texture3D::Create(D3D10Device* device, const D3D10_TEXTURE3D_DESC* desc,
                               const D3D10_SUBRESOURCE_DATA* initialData, ID3D10Texture3D** texture) {
  if (!desc) return E_INVALIDARG;
  D3D10TextureShape shape = {D3D10_RESOURCE_DIMENSION_TEXTURE3D,
                             desc->Width, desc->Height, desc->Depth, desc->MipLevels, 1, 1, 0, desc->Format,
                             D3D10Raw(desc->Usage), desc->BindFlags, desc->CPUAccessFlags, desc->MiscFlags};
  const D3D10FormatInfo *format = nullptr, *storage = nullptr;
  HRESULT hr = Prepare(device, &shape, initialData, &format, &storage);
  if (FAILED(hr)) return hr;
  if (!texture) return S_FALSE;
  D3D10_TEXTURE3D_DESC resolved = *desc;
  resolved.MipLevels = shape.levels;
  D3D10Texture3D* created = new (std::nothrow) D3D10Texture3D(device, resolved, shape, *format, *storage);
  if (!created) return E_OUTOFMEMORY;
  ComPtr<ID3D10Texture3D> owner = ComPtr<ID3D10Texture3D>::Attach(created);
  created->Allocate(initialData);
  ++device->Counters().textureCreations;
  *texture = owner.Detach();
  return S_OK;
}

void STDMETHODCALLTYPE D3D10Texture3D::GetType(D3D10_RESOURCE_DIMENSION* rType) {
  if (rType) *rType = D3D10_RESOURCE_DIMENSION_TEXTURE3D;
}

HRESULT STDMETHODCALLTYPE D3D10Texture3D::Map(UINT Subresource, D3D10_MAP MapType, UINT MapFlags,
                                              D3D10_MAPPED_TEXTURE3D* pMappedTex3D) {
  if (!pMappedTex3D) return E_INVALIDARG;
  return MapSubresource(Subresource, MapType, MapFlags, &pMappedTex3D->pData, &pMappedTex3D->RowPitch,
                        &pMappedTex3D->DepthPitch);
}

void STDMETHODCALLTYPE D3D10Texture3D::Unmap(UINT Subresource) { UnmapSubresource(Subresource); }

void STDMETHODCALLTYPE D3D10Texture3D::GetDesc(D3D10_TEXTURE3D_DESC* pDesc) {
  if (pDesc) *pDesc = m_desc;
}
