// Image files in memory for the D3DX10 loaders: what a file holds (DDS
// through the platform's reader; PNG, JPEG, BMP, TGA and HDR through
// stb_image), its texels as the subresources of a texture, and the
// conversions between formats, sizes and mip levels that loading asks for.
#pragma once

#include <d3dx10tex.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// TGA and HDR files (see d3dx10tex.h).
constexpr D3DX10_IMAGE_FILE_FORMAT kD3DX10FileTga = static_cast<D3DX10_IMAGE_FILE_FORMAT>(2);
constexpr D3DX10_IMAGE_FILE_FORMAT kD3DX10FileHdr = static_cast<D3DX10_IMAGE_FILE_FORMAT>(7);

// A decoded file: its description and its subresources in Direct3D's order
// (the levels of slice 0, then slice 1 …), each packed, top row first.
struct D3DX10Image {
  D3DX10_IMAGE_INFO info = {};
  const uint8_t* data = nullptr;
  std::vector<uint8_t> owned;                            // widened DDS texels
  std::unique_ptr<uint8_t, void (*)(void*)> decoded{nullptr, nullptr};  // stb_image's pixels

  std::size_t SubresourceSize(UINT subresource) const;
  const uint8_t* Subresource(UINT subresource) const;
};

// Reads a file's description. DDS files are checked whole; the other
// formats by their header. D3DX10_ERR_INVALID_DATA for anything else.
HRESULT D3DX10ReadImageInfo(const uint8_t* bytes, std::size_t size, D3DX10_IMAGE_INFO* info);

// Decodes a file. DDS texels stay in the file's bytes unless a legacy pixel
// format is widened, so the bytes must outlive the image. Images of other
// formats decode to R8G8B8A8_UNORM, R16G16B16A16_UNORM (16-bit PNG) or
// R32G32B32A32_FLOAT (HDR), and must not claim more pixels than their bytes
// can hold; images larger than a 2D texture are refused with E_INVALIDARG.
HRESULT D3DX10DecodeImage(const uint8_t* bytes, std::size_t size, D3DX10Image* image);

// One level as RGBA floats: values as stored (UNORM 0..1, SNORM -1..1),
// without colour-space conversion.
struct D3DX10Pixels {
  UINT width = 0, height = 0;
  std::vector<float> rgba;
};

// Reads a level of texels in a format into pixels; false for a format it
// cannot read (typeless, integer, depth …).
bool D3DX10DecodePixels(DXGI_FORMAT format, const uint8_t* texels, UINT width, UINT height, D3DX10Pixels* pixels);
// Reads a level of 8-bit colour texels (RGBA8, BGRA8, BC1-BC3) as R8G8B8A8
// texels, without the trip through floats; false for other formats.
bool D3DX10DecodeTexels8(DXGI_FORMAT format, const uint8_t* texels, UINT width, UINT height,
                         std::vector<uint8_t>* rgba);
// Appends the packed texels (or blocks) of pixels in a format; false for a
// format it cannot write.
bool D3DX10EncodePixels(DXGI_FORMAT format, const D3DX10Pixels& pixels, std::vector<uint8_t>* texels);

// The next mip level, half the size and at least 1: the average of each 2x2
// texels, or with point the first of them.
void D3DX10HalvePixels(const D3DX10Pixels& in, bool point, D3DX10Pixels* out);
// The same over 8-bit four-component texels, without the trip through floats.
void D3DX10HalveTexels8(const uint8_t* in, UINT width, UINT height, bool point, std::vector<uint8_t>* out);
// Another size: bilinear, or with point the nearest texel.
void D3DX10ResizePixels(const D3DX10Pixels& in, UINT width, UINT height, bool point, D3DX10Pixels* out);

// sRGB encoding of the colour channels, in either direction.
void D3DX10SrgbToLinear(D3DX10Pixels* pixels);
void D3DX10LinearToSrgb(D3DX10Pixels* pixels);
