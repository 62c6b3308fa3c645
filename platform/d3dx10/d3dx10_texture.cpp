// D3DX10GetImageInfoFromFileA and D3DX10CreateTextureFromFileA: the file's
// texels go to the device as they are where the load information allows,
// and through conversion, resizing and generated levels where it does not.
#include <d3dx10tex.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "d3d10/d3d10_format.h"
#include "d3dx10/d3dx10_image.h"

namespace {

constexpr UINT kFilterTypeMask = 0xFF;
constexpr UINT kFilterFlags = D3DX10_FILTER_MIRROR | D3DX10_FILTER_DITHER | D3DX10_FILTER_DITHER_DIFFUSION |
                              D3DX10_FILTER_SRGB;

HRESULT ReadFile(const char* path, std::vector<uint8_t>* bytes) {
  struct stat status;
  if (!path || stat(path, &status) != 0 || !S_ISREG(status.st_mode)) return D3D10_ERROR_FILE_NOT_FOUND;
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path, "rb"), std::fclose);
  if (!file) return D3D10_ERROR_FILE_NOT_FOUND;
  bytes->resize(static_cast<std::size_t>(status.st_size));
  if (std::fread(bytes->data(), 1, bytes->size(), file.get()) != bytes->size()) return D3DX10_ERR_INVALID_DATA;
  return S_OK;
}

UINT FullMipCount(UINT size) {
  UINT levels = 1;
  for (; size > 1; size >>= 1) ++levels;
  return levels;
}

bool Given(UINT value) { return value != D3DX10_DEFAULT && value != D3DX10_FROM_FILE && value != 0; }

// A filter: one of the five kinds and known flags; the default is a box.
HRESULT ResolveFilter(UINT filter, UINT* resolved) {
  if (filter == D3DX10_DEFAULT) {
    *resolved = D3DX10_FILTER_BOX;
    return S_OK;
  }
  UINT kind = filter & kFilterTypeMask;
  if (kind < D3DX10_FILTER_NONE || kind > D3DX10_FILTER_BOX || (filter & ~(kFilterTypeMask | kFilterFlags))) {
    return E_INVALIDARG;
  }
  *resolved = filter;
  return S_OK;
}

bool PointFilter(UINT filter) {
  UINT kind = filter & kFilterTypeMask;
  return kind == D3DX10_FILTER_NONE || kind == D3DX10_FILTER_POINT;
}

// The load information with every default resolved against the file.
struct Load {
  UINT width, height, firstLevel, levels;
  UINT usage, bind, cpu, misc;
  DXGI_FORMAT format;
  UINT filter, mipFilter;
};

HRESULT ResolveLoad(const D3DX10_IMAGE_LOAD_INFO& in, const D3DX10_IMAGE_INFO& file, Load* load) {
  // The top level: one of the file's.
  load->firstLevel = in.FirstMipLevel == D3DX10_DEFAULT ? 0 : in.FirstMipLevel;
  if (load->firstLevel >= file.MipLevels) return E_INVALIDARG;
  // Sizes: the file's top level unless given.
  load->width = Given(in.Width) ? in.Width : std::max(1u, file.Width >> load->firstLevel);
  load->height = Given(in.Height) ? in.Height : std::max(1u, file.Height >> load->firstLevel);
  if (file.ResourceDimension == D3D10_RESOURCE_DIMENSION_TEXTURE1D) load->height = 1;
  // Sizes a texture can have.
  if (load->width > D3D10_REQ_TEXTURE2D_U_OR_V_DIMENSION || load->height > D3D10_REQ_TEXTURE2D_U_OR_V_DIMENSION) {
    return E_INVALIDARG;
  }
  // Levels: the whole chain (0 or default), the file's from the top level on, or the number given.
  UINT chain = FullMipCount(std::max(load->width, load->height));
  if (in.MipLevels == 0 || in.MipLevels == D3DX10_DEFAULT) {
    load->levels = chain;
  } else if (in.MipLevels == D3DX10_FROM_FILE) {
    load->levels = std::min(file.MipLevels - load->firstLevel, chain);
  } else {
    load->levels = in.MipLevels;
  }
  // No more levels than the chain down to 1x1.
  if (load->levels > chain) return E_INVALIDARG;
  // Usage, binding and CPU access that fit one another by default.
  UINT usage;
  std::memcpy(&usage, &in.Usage, sizeof(usage));
  load->usage = usage == D3DX10_DEFAULT ? UINT(D3D10_USAGE_DEFAULT) : usage;
  bool staging = load->usage == D3D10_USAGE_STAGING, dynamic = load->usage == D3D10_USAGE_DYNAMIC;
  load->bind = in.BindFlags != D3DX10_DEFAULT ? in.BindFlags : staging ? 0u : UINT(D3D10_BIND_SHADER_RESOURCE);
  load->cpu = in.CpuAccessFlags != D3DX10_DEFAULT ? in.CpuAccessFlags
              : staging ? UINT(D3D10_CPU_ACCESS_READ | D3D10_CPU_ACCESS_WRITE)
              : dynamic ? UINT(D3D10_CPU_ACCESS_WRITE)
                        : 0u;
  load->misc = in.MiscFlags != D3DX10_DEFAULT ? in.MiscFlags : file.MiscFlags;
  // The format: the file's unless given.
  UINT format = static_cast<UINT>(in.Format);
  bool fromFile = format == D3DX10_DEFAULT || format == D3DX10_FROM_FILE || format == DXGI_FORMAT_UNKNOWN;
  load->format = fromFile ? file.Format : in.Format;
  HRESULT hr = ResolveFilter(in.Filter, &load->filter);
  if (FAILED(hr)) return hr;
  return ResolveFilter(in.MipFilter, &load->mipFilter);
}

// Formats whose texels are four bytes of one channel each, halved without floats.
bool IsFourByteColour(DXGI_FORMAT format) {
  switch (format) {
    case DXGI_FORMAT_R8G8B8A8_UNORM:
    case DXGI_FORMAT_R8G8B8A8_UNORM_SRGB:
    case DXGI_FORMAT_B8G8R8A8_UNORM:
    case DXGI_FORMAT_B8G8R8A8_UNORM_SRGB:
      return true;
    default:
      return false;
  }
}

// The subresources of the texture to create: the file's texels where they
// fit as they are, else converted, resized or filtered from the level above.
class LevelBuilder {
 public:
  LevelBuilder(const D3DX10Image& image, const Load& load) : m_image(image), m_load(load) {}

  HRESULT Build(std::vector<D3D10_SUBRESOURCE_DATA>* subresources) {
    const D3D10FormatInfo* target = D3D10GetFormatInfo(m_load.format);
    if (!target) return E_INVALIDARG;
    const D3DX10_IMAGE_INFO& file = m_image.info;
    UINT layers = file.ArraySize;
    bool resized = m_load.width != std::max(1u, file.Width >> m_load.firstLevel) ||
                   m_load.height != std::max(1u, file.Height >> m_load.firstLevel);
    m_srgbIn = (m_load.filter & D3DX10_FILTER_SRGB_IN) != 0;
    m_srgbOut = (m_load.filter & D3DX10_FILTER_SRGB_OUT) != 0;
    bool direct = m_load.format == file.Format && !m_srgbIn && !m_srgbOut;
    m_made.reserve(std::size_t{layers} * m_load.levels);
    subresources->resize(std::size_t{layers} * m_load.levels);
    for (UINT layer = 0; layer < layers; ++layer) {
      m_havePixels = false;
      for (UINT level = 0; level < m_load.levels; ++level) {
        UINT width = std::max(1u, m_load.width >> level), height = std::max(1u, m_load.height >> level);
        UINT fileLevel = m_load.firstLevel + level;
        const uint8_t* texels = nullptr;
        HRESULT hr = S_OK;
        if (!resized && fileLevel < file.MipLevels) {
          // A level of the file, as it is or converted.
          const uint8_t* stored = m_image.Subresource(layer * file.MipLevels + fileLevel);
          m_previous = {stored, file.Format, width, height, true};
          m_havePixels = false;
          if (direct) {
            texels = stored;
          } else {
            hr = Convert(&texels);
          }
        } else if (level == 0) {
          // The file's top level at another size.
          D3DX10Pixels top;
          const uint8_t* stored = m_image.Subresource(layer * file.MipLevels + m_load.firstLevel);
          if (!D3DX10DecodePixels(file.Format, stored, std::max(1u, file.Width >> m_load.firstLevel),
                                  std::max(1u, file.Height >> m_load.firstLevel), &top)) {
            return E_INVALIDARG;
          }
          if (m_srgbIn) D3DX10SrgbToLinear(&top);
          D3DX10ResizePixels(top, width, height, PointFilter(m_load.filter), &m_pixels);
          m_havePixels = true;
          hr = Encode(width, height, &texels);
        } else {
          hr = Generate(width, height, &texels);
        }
        if (FAILED(hr)) return hr;
        UINT rowPitch = D3D10RowPitch(*target, width);
        (*subresources)[std::size_t{layer} * m_load.levels + level] = {texels, rowPitch,
                                                                       rowPitch * D3D10RowCount(*target, height)};
      }
    }
    return S_OK;
  }

 private:
  // A level as stored: in the file's format or already in the target's.
  struct Stored {
    const uint8_t* texels;
    DXGI_FORMAT format;
    UINT width, height;
    bool fromFile;
  };

  HRESULT Decode() {
    if (m_havePixels) return S_OK;
    if (!D3DX10DecodePixels(m_previous.format, m_previous.texels, m_previous.width, m_previous.height, &m_pixels)) {
      return E_INVALIDARG;
    }
    if (m_previous.fromFile && m_srgbIn) D3DX10SrgbToLinear(&m_pixels);
    m_havePixels = true;
    return S_OK;
  }

  HRESULT Encode(UINT width, UINT height, const uint8_t** texels) {
    m_made.emplace_back();
    bool encoded;
    if (m_srgbOut) {
      D3DX10Pixels encodedPixels = m_pixels;
      D3DX10LinearToSrgb(&encodedPixels);
      encoded = D3DX10EncodePixels(m_load.format, encodedPixels, &m_made.back());
    } else {
      encoded = D3DX10EncodePixels(m_load.format, m_pixels, &m_made.back());
    }
    if (!encoded) return E_INVALIDARG;
    *texels = m_made.back().data();
    m_previous = {*texels, m_load.format, width, height, false};
    return S_OK;
  }

  HRESULT Convert(const uint8_t** texels) {
    // 8-bit colour to RGBA8 keeps to bytes; the levels below follow from them.
    bool bytes = m_load.format == DXGI_FORMAT_R8G8B8A8_UNORM || m_load.format == DXGI_FORMAT_R8G8B8A8_UNORM_SRGB;
    if (bytes && !m_srgbIn && !m_srgbOut) {
      m_made.emplace_back();
      if (D3DX10DecodeTexels8(m_previous.format, m_previous.texels, m_previous.width, m_previous.height,
                              &m_made.back())) {
        *texels = m_made.back().data();
        m_previous = {*texels, m_load.format, m_previous.width, m_previous.height, false};
        return S_OK;
      }
      m_made.pop_back();
    }
    HRESULT hr = Decode();
    if (FAILED(hr)) return hr;
    Stored file = m_previous;
    hr = Encode(file.width, file.height, texels);
    // The next level is filtered from the file's texels, not the converted ones.
    m_previous = file;
    return hr;
  }

  // The level below the previous one, filtered from it.
  HRESULT Generate(UINT width, UINT height, const uint8_t** texels) {
    bool point = PointFilter(m_load.mipFilter);
    if (!m_havePixels && m_previous.format == m_load.format && IsFourByteColour(m_load.format) && !m_srgbOut) {
      m_made.emplace_back();
      D3DX10HalveTexels8(m_previous.texels, m_previous.width, m_previous.height, point, &m_made.back());
      *texels = m_made.back().data();
      m_previous = {*texels, m_load.format, width, height, false};
      return S_OK;
    }
    HRESULT hr = Decode();
    if (FAILED(hr)) return hr;
    D3DX10Pixels half;
    D3DX10HalvePixels(m_pixels, point, &half);
    m_pixels = std::move(half);
    return Encode(width, height, texels);
  }

  const D3DX10Image& m_image;
  const Load& m_load;
  bool m_srgbIn = false, m_srgbOut = false;
  Stored m_previous = {};
  // The previous level as pixels, when it has been decoded.
  D3DX10Pixels m_pixels;
  bool m_havePixels = false;
  std::vector<std::vector<uint8_t>> m_made;
};

HRESULT CreateTexture(ID3D10Device* device, const char* path, D3DX10_IMAGE_LOAD_INFO* loadInfo,
                      ID3D10Resource** texture) {
  if (!device || !texture) return E_INVALIDARG;
  *texture = nullptr;
  std::vector<uint8_t> bytes;
  HRESULT hr = ReadFile(path, &bytes);
  if (FAILED(hr)) return hr;
  D3DX10Image image;
  hr = D3DX10DecodeImage(bytes.data(), bytes.size(), &image);
  if (FAILED(hr)) return hr;
  D3DX10_IMAGE_LOAD_INFO defaults;
  const D3DX10_IMAGE_LOAD_INFO& in = loadInfo ? *loadInfo : defaults;
  if (in.pSrcInfo) *in.pSrcInfo = image.info;
  Load load;
  hr = ResolveLoad(in, image.info, &load);
  if (FAILED(hr)) return hr;
  std::vector<D3D10_SUBRESOURCE_DATA> subresources;
  LevelBuilder builder(image, load);
  hr = builder.Build(&subresources);
  if (FAILED(hr)) return hr;

  D3D10_USAGE usage = static_cast<D3D10_USAGE>(load.usage);
  if (image.info.ResourceDimension == D3D10_RESOURCE_DIMENSION_TEXTURE1D) {
    D3D10_TEXTURE1D_DESC desc = {load.width, load.levels, image.info.ArraySize, load.format,
                                 usage,      load.bind,   load.cpu,             load.misc};
    ID3D10Texture1D* created = nullptr;
    hr = device->CreateTexture1D(&desc, subresources.data(), &created);
    *texture = created;
  } else {
    D3D10_TEXTURE2D_DESC desc = {load.width, load.height, load.levels, image.info.ArraySize, load.format, {1, 0},
                                 usage,      load.bind,   load.cpu,    load.misc};
    ID3D10Texture2D* created = nullptr;
    hr = device->CreateTexture2D(&desc, subresources.data(), &created);
    *texture = created;
  }
  return hr;
}

}  // namespace

extern "C" HRESULT WINAPI D3DX10GetImageInfoFromFileA(LPCSTR pSrcFile, ID3DX10ThreadPump*, D3DX10_IMAGE_INFO* pSrcInfo,
                                                      HRESULT* pHResult) {
  HRESULT hr;
  try {
    std::vector<uint8_t> bytes;
    hr = pSrcInfo ? ReadFile(pSrcFile, &bytes) : E_INVALIDARG;
    if (SUCCEEDED(hr)) hr = D3DX10ReadImageInfo(bytes.data(), bytes.size(), pSrcInfo);
  } catch (const std::bad_alloc&) {
    hr = E_OUTOFMEMORY;
  }
  if (pHResult) *pHResult = hr;
  return hr;
}

extern "C" HRESULT WINAPI D3DX10CreateTextureFromFileA(ID3D10Device* pDevice, LPCSTR pSrcFile,
                                                       D3DX10_IMAGE_LOAD_INFO* pLoadInfo, ID3DX10ThreadPump*,
                                                       ID3D10Resource** ppTexture, HRESULT* pHResult) {
  HRESULT hr;
  try {
    hr = CreateTexture(pDevice, pSrcFile, pLoadInfo, ppTexture);
  } catch (const std::bad_alloc&) {
    hr = E_OUTOFMEMORY;
  }
  if (pHResult) *pHResult = hr;
  return hr;
}
