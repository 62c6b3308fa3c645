// D3DX10SaveTextureToFileA: the texels come back through a staging copy and
// stb_image_write encodes them.
#include <d3dx10.h>

#include <stb_image_write.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Packs the first level's rows as RGBA bytes; false for texel formats that
// are not 8-bit RGBA or BGRA.
bool ReadTexels(ID3D10Texture2D* texture, std::vector<uint8_t>& texels, UINT& width, UINT& height) {
  D3D10_TEXTURE2D_DESC desc;
  texture->GetDesc(&desc);
  bool bgra = false;
  switch (desc.Format) {
    case DXGI_FORMAT_R8G8B8A8_UNORM:
    case DXGI_FORMAT_R8G8B8A8_UNORM_SRGB:
    case DXGI_FORMAT_R8G8B8A8_TYPELESS:
      break;
    case DXGI_FORMAT_B8G8R8A8_UNORM:
      bgra = true;
      break;
    default:
      return false;
  }
  if (desc.SampleDesc.Count != 1) return false;
  width = desc.Width;
  height = desc.Height;

  ID3D10Device* device = nullptr;
  texture->GetDevice(&device);
  D3D10_TEXTURE2D_DESC stagingDesc = desc;
  stagingDesc.MipLevels = 1;
  stagingDesc.ArraySize = 1;
  stagingDesc.Usage = D3D10_USAGE_STAGING;
  stagingDesc.BindFlags = 0;
  stagingDesc.CPUAccessFlags = D3D10_CPU_ACCESS_READ;
  stagingDesc.MiscFlags = 0;
  ID3D10Texture2D* staging = nullptr;
  bool read = false;
  if (device && SUCCEEDED(device->CreateTexture2D(&stagingDesc, nullptr, &staging))) {
    device->CopySubresourceRegion(staging, 0, 0, 0, 0, texture, 0, nullptr);
    D3D10_MAPPED_TEXTURE2D mapped = {};
    if (SUCCEEDED(staging->Map(0, D3D10_MAP_READ, 0, &mapped))) {
      texels.resize(static_cast<size_t>(width) * height * 4);
      for (UINT row = 0; row < height; ++row) {
        uint8_t* out = &texels[static_cast<size_t>(row) * width * 4];
        std::memcpy(out, static_cast<const uint8_t*>(mapped.pData) + static_cast<size_t>(row) * mapped.RowPitch,
                    static_cast<size_t>(width) * 4);
        if (bgra)
          for (UINT x = 0; x < width; ++x) std::swap(out[x * 4], out[x * 4 + 2]);
      }
      staging->Unmap(0);
      read = true;
    }
    staging->Release();
  }
  if (device) device->Release();
  return read;
}

}  // namespace

extern "C" HRESULT WINAPI D3DX10SaveTextureToFileA(ID3D10Resource* pSrcTexture, D3DX10_IMAGE_FILE_FORMAT DestFormat,
                                                   LPCSTR pDestFile) {
  if (!pSrcTexture || !pDestFile) return E_INVALIDARG;
  if (DestFormat != D3DX10_IFF_PNG && DestFormat != D3DX10_IFF_BMP && DestFormat != D3DX10_IFF_JPG) return E_NOTIMPL;
  ID3D10Texture2D* texture = nullptr;
  if (FAILED(pSrcTexture->QueryInterface(IID_ID3D10Texture2D, reinterpret_cast<void**>(&texture)))) return E_INVALIDARG;
  std::vector<uint8_t> texels;
  UINT width = 0;
  UINT height = 0;
  bool read = ReadTexels(texture, texels, width, height);
  texture->Release();
  if (!read) return E_INVALIDARG;

  const int w = static_cast<int>(width);
  const int h = static_cast<int>(height);
  int written = 0;
  switch (DestFormat) {
    case D3DX10_IFF_PNG: written = stbi_write_png(pDestFile, w, h, 4, texels.data(), w * 4); break;
    case D3DX10_IFF_BMP: written = stbi_write_bmp(pDestFile, w, h, 4, texels.data()); break;
    default: written = stbi_write_jpg(pDestFile, w, h, 4, texels.data(), 90); break;
  }
  return written ? S_OK : E_FAIL;
}
