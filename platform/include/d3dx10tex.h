// The subset of D3DX10 textures the engine uses: image information and
// textures from files, with the published names, layouts and values.
// Implemented over stb_image (PNG, JPEG, BMP, TGA, HDR) and the platform's
// own DDS reader (platform/d3dx10).
#pragma once

#include "d3d10.h"

// Stands for "the value the file gives" or "the usual value" in load information.
#define D3DX10_DEFAULT ((UINT)-1)
#define D3DX10_FROM_FILE ((UINT)-3)
#define DXGI_FORMAT_FROM_FILE ((DXGI_FORMAT)-3)

#define _FACDD 0x876
#define MAKE_DDHRESULT(code) MAKE_HRESULT(1, _FACDD, code)

enum _D3DX10_ERR {
  D3DX10_ERR_CANNOT_MODIFY_INDEX_BUFFER = MAKE_DDHRESULT(2900),
  D3DX10_ERR_INVALID_MESH = MAKE_DDHRESULT(2901),
  D3DX10_ERR_CANNOT_ATTR_SORT = MAKE_DDHRESULT(2902),
  D3DX10_ERR_SKINNING_NOT_SUPPORTED = MAKE_DDHRESULT(2903),
  D3DX10_ERR_TOO_MANY_INFLUENCES = MAKE_DDHRESULT(2904),
  D3DX10_ERR_INVALID_DATA = MAKE_DDHRESULT(2905),
  D3DX10_ERR_LOADED_MESH_HAS_NO_DATA = MAKE_DDHRESULT(2906),
  D3DX10_ERR_DUPLICATE_NAMED_FRAGMENT = MAKE_DDHRESULT(2907),
  D3DX10_ERR_CANNOT_REMOVE_LAST_ITEM = MAKE_DDHRESULT(2908)
};

typedef enum D3DX10_FILTER_FLAG {
  D3DX10_FILTER_NONE = (1 << 0),
  D3DX10_FILTER_POINT = (2 << 0),
  D3DX10_FILTER_LINEAR = (3 << 0),
  D3DX10_FILTER_TRIANGLE = (4 << 0),
  D3DX10_FILTER_BOX = (5 << 0),
  D3DX10_FILTER_MIRROR_U = (1 << 16),
  D3DX10_FILTER_MIRROR_V = (2 << 16),
  D3DX10_FILTER_MIRROR_W = (4 << 16),
  D3DX10_FILTER_MIRROR = (7 << 16),
  D3DX10_FILTER_DITHER = (1 << 19),
  D3DX10_FILTER_DITHER_DIFFUSION = (2 << 19),
  D3DX10_FILTER_SRGB_IN = (1 << 21),
  D3DX10_FILTER_SRGB_OUT = (2 << 21),
  D3DX10_FILTER_SRGB = (3 << 21)
} D3DX10_FILTER_FLAG;

// This platform also reads TGA and HDR files; they report 2 and 7, the
// numbers the D3DX image-file enumeration has always given them.
typedef enum D3DX10_IMAGE_FILE_FORMAT {
  D3DX10_IFF_BMP = 0,
  D3DX10_IFF_JPG = 1,
  D3DX10_IFF_PNG = 3,
  D3DX10_IFF_DDS = 4,
  D3DX10_IFF_TIFF = 10,
  D3DX10_IFF_GIF = 11,
  D3DX10_IFF_WMP = 12,
  D3DX10_IFF_FORCE_DWORD = 0x7fffffff
} D3DX10_IMAGE_FILE_FORMAT;

typedef struct D3DX10_IMAGE_INFO {
  UINT Width;
  UINT Height;
  UINT Depth;
  UINT ArraySize;
  UINT MipLevels;
  UINT MiscFlags;
  DXGI_FORMAT Format;
  D3D10_RESOURCE_DIMENSION ResourceDimension;
  D3DX10_IMAGE_FILE_FORMAT ImageFileFormat;
} D3DX10_IMAGE_INFO;

// Every field may be D3DX10_DEFAULT: sizes, format, mip count and misc flags
// then come from the file (MipLevels 0 or D3DX10_DEFAULT: the whole chain;
// D3DX10_FROM_FILE: the file's levels), usage is D3D10_USAGE_DEFAULT, bind
// flags D3D10_BIND_SHADER_RESOURCE (none for staging), CPU access none
// (staging: read and write; dynamic: write), filters box.
typedef struct D3DX10_IMAGE_LOAD_INFO {
  UINT Width;
  UINT Height;
  UINT Depth;
  UINT FirstMipLevel;
  UINT MipLevels;
  D3D10_USAGE Usage;
  UINT BindFlags;
  UINT CpuAccessFlags;
  UINT MiscFlags;
  DXGI_FORMAT Format;
  UINT Filter;
  UINT MipFilter;
  D3DX10_IMAGE_INFO* pSrcInfo;

  D3DX10_IMAGE_LOAD_INFO()
      : Width(D3DX10_DEFAULT),
        Height(D3DX10_DEFAULT),
        Depth(D3DX10_DEFAULT),
        FirstMipLevel(D3DX10_DEFAULT),
        MipLevels(D3DX10_DEFAULT),
        Usage((D3D10_USAGE)D3DX10_DEFAULT),
        BindFlags(D3DX10_DEFAULT),
        CpuAccessFlags(D3DX10_DEFAULT),
        MiscFlags(D3DX10_DEFAULT),
        Format(DXGI_FORMAT_FROM_FILE),
        Filter(D3DX10_DEFAULT),
        MipFilter(D3DX10_DEFAULT),
        pSrcInfo(nullptr) {}
} D3DX10_IMAGE_LOAD_INFO;

// Work is always done at once on this platform: a pump may be passed but is
// not used, and *pHResult (when given) receives the result as well.
struct ID3DX10ThreadPump;

extern "C" HRESULT WINAPI D3DX10GetImageInfoFromFileA(LPCSTR pSrcFile, ID3DX10ThreadPump* pPump,
                                                      D3DX10_IMAGE_INFO* pSrcInfo, HRESULT* pHResult);

// Loads a 1D or 2D texture (a texture array or cube map from a DDS file),
// converted to the requested format and size, with the requested levels:
// those the file holds, the rest filtered from the level above. A missing
// file gives D3D10_ERROR_FILE_NOT_FOUND, a damaged or truncated one
// D3DX10_ERR_INVALID_DATA, a conversion or texture the platform cannot make
// E_INVALIDARG or the device's result.
extern "C" HRESULT WINAPI D3DX10CreateTextureFromFileA(ID3D10Device* pDevice, LPCSTR pSrcFile,
                                                       D3DX10_IMAGE_LOAD_INFO* pLoadInfo, ID3DX10ThreadPump* pPump,
                                                       ID3D10Resource** ppTexture, HRESULT* pHResult);

// Writes the first level of a 2D texture with 8-bit RGBA or BGRA texels as a
// PNG, BMP or JPG file (rows top to bottom, alpha kept where the format has
// it). Other file formats give E_NOTIMPL, other textures E_INVALIDARG, an
// unwritable file E_FAIL.
extern "C" HRESULT WINAPI D3DX10SaveTextureToFileA(ID3D10Resource* pSrcTexture, D3DX10_IMAGE_FILE_FORMAT DestFormat,
                                                   LPCSTR pDestFile);
