// The DDS reader: the legacy header (DirectDraw pixel formats, cube maps) and
// the DX10 extension header (any DXGI format of the platform's table, 1D and
// 2D arrays, cube maps), with mip chains. Every size and count in a file is
// checked against the bytes that follow before anything is allocated or read.
#pragma once

#include <d3d10.h>

#include <cstddef>
#include <cstdint>
#include <vector>

struct D3DX10DdsFile {
  D3D10_RESOURCE_DIMENSION dimension;
  UINT width, height;
  UINT layers;  // slices; six per cube
  UINT levels;
  bool cube;
  // The format of the texels: the DXGI format the file names, or
  // R8G8B8A8_UNORM for a legacy pixel format that ExpandDdsTexels widens.
  DXGI_FORMAT format;
  // The subresources in Direct3D's order (levels of slice 0, then slice 1 …),
  // each packed, inside the file's bytes.
  const uint8_t* data;
  std::size_t size;
  // Legacy pixel formats without a DXGI twin: bits per texel and the masks
  // of red, green, blue and alpha (luminance in red).
  bool expand;
  UINT bits;
  uint32_t masks[4];
  bool luminance;
};

// Reads the headers and checks that every subresource lies inside the
// bytes: S_OK, D3DX10_ERR_INVALID_DATA for a damaged file or a format the
// reader cannot place, E_FAIL for volume textures, which are not supported.
HRESULT D3DX10ReadDds(const uint8_t* bytes, std::size_t size, D3DX10DdsFile* file);

// Widens the texels of a legacy pixel format to R8G8B8A8_UNORM, every
// subresource in order.
void D3DX10ExpandDdsTexels(const D3DX10DdsFile& file, std::vector<uint8_t>* texels);
