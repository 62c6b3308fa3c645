// DataFormat, TEXTURETYPE, CUBEMAP_FACE, BaseTexture, Texture1D, Texture2D,
// CubeTexture, VolumeTexture: texture resources over Direct3D 10. Every texture
// that can be bound as a shader resource gets its view at construction.
#pragma once

#include <d3d10.h>

#include "SharedObject.h"
#include "StringEX.h"

class GraphicsDevice;

// The engine's pixel and element formats: the DXGI_FORMAT numbers under the
// engine's names, handed to the platform unchanged. DF_UNKNOWN (0) means "no
// separate view format: the view takes the texture's format".
enum DataFormat {
  DF_UNKNOWN = DXGI_FORMAT_UNKNOWN,
  DF_R32G32B32A32_TYPELESS = DXGI_FORMAT_R32G32B32A32_TYPELESS,
  DF_R32G32B32A32_FLOAT = DXGI_FORMAT_R32G32B32A32_FLOAT,
  DF_R32G32B32A32_UINT = DXGI_FORMAT_R32G32B32A32_UINT,
  DF_R32G32B32A32_SINT = DXGI_FORMAT_R32G32B32A32_SINT,
  DF_R32G32B32_TYPELESS = DXGI_FORMAT_R32G32B32_TYPELESS,
  DF_R32G32B32_FLOAT = DXGI_FORMAT_R32G32B32_FLOAT,
  DF_R32G32B32_UINT = DXGI_FORMAT_R32G32B32_UINT,
  DF_R32G32B32_SINT = DXGI_FORMAT_R32G32B32_SINT,
  DF_R16G16B16A16_TYPELESS = DXGI_FORMAT_R16G16B16A16_TYPELESS,
  DF_R16G16B16A16_FLOAT = DXGI_FORMAT_R16G16B16A16_FLOAT,
  DF_R16G16B16A16_UNORM = DXGI_FORMAT_R16G16B16A16_UNORM,
  DF_R16G16B16A16_UINT = DXGI_FORMAT_R16G16B16A16_UINT,
  DF_R16G16B16A16_SNORM = DXGI_FORMAT_R16G16B16A16_SNORM,
  DF_R16G16B16A16_SINT = DXGI_FORMAT_R16G16B16A16_SINT,
  DF_R32G32_TYPELESS = DXGI_FORMAT_R32G32_TYPELESS,
  DF_R32G32_FLOAT = DXGI_FORMAT_R32G32_FLOAT,
  DF_R32G32_UINT = DXGI_FORMAT_R32G32_UINT,
  DF_R32G32_SINT = DXGI_FORMAT_R32G32_SINT,
  DF_R32G8X24_TYPELESS = DXGI_FORMAT_R32G8X24_TYPELESS,
  DF_D32_FLOAT_S8X24_UINT = DXGI_FORMAT_D32_FLOAT_S8X24_UINT,
  DF_R32_FLOAT_X8X24_TYPELESS = DXGI_FORMAT_R32_FLOAT_X8X24_TYPELESS,
  DF_X32_TYPELESS_G8X24_UINT = DXGI_FORMAT_X32_TYPELESS_G8X24_UINT,
  DF_R10G10B10A2_TYPELESS = DXGI_FORMAT_R10G10B10A2_TYPELESS,
  DF_R10G10B10A2_UNORM = DXGI_FORMAT_R10G10B10A2_UNORM,
  DF_R10G10B10A2_UINT = DXGI_FORMAT_R10G10B10A2_UINT,
  DF_R11G11B10_FLOAT = DXGI_FORMAT_R11G11B10_FLOAT,
  DF_R8G8B8A8_TYPELESS = DXGI_FORMAT_R8G8B8A8_TYPELESS,
  DF_R8G8B8A8_UNORM = DXGI_FORMAT_R8G8B8A8_UNORM,
  DF_R8G8B8A8_UNORM_SRGB = DXGI_FORMAT_R8G8B8A8_UNORM_SRGB,
  DF_R8G8B8A8_UINT = DXGI_FORMAT_R8G8B8A8_UINT,
  DF_R8G8B8A8_SNORM = DXGI_FORMAT_R8G8B8A8_SNORM,
  DF_R8G8B8A8_SINT = DXGI_FORMAT_R8G8B8A8_SINT,
  DF_R16G16_TYPELESS = DXGI_FORMAT_R16G16_TYPELESS,
  DF_R16G16_FLOAT = DXGI_FORMAT_R16G16_FLOAT,
  DF_R16G16_UNORM = DXGI_FORMAT_R16G16_UNORM,
  DF_R16G16_UINT = DXGI_FORMAT_R16G16_UINT,
  DF_R16G16_SNORM = DXGI_FORMAT_R16G16_SNORM,
  DF_R16G16_SINT = DXGI_FORMAT_R16G16_SINT,
  DF_R32_TYPELESS = DXGI_FORMAT_R32_TYPELESS,
  DF_D32_FLOAT = DXGI_FORMAT_D32_FLOAT,
  DF_R32_FLOAT = DXGI_FORMAT_R32_FLOAT,
  DF_R32_UINT = DXGI_FORMAT_R32_UINT,
  DF_R32_SINT = DXGI_FORMAT_R32_SINT,
  DF_R24G8_TYPELESS = DXGI_FORMAT_R24G8_TYPELESS,
  DF_D24_UNORM_S8_UINT = DXGI_FORMAT_D24_UNORM_S8_UINT,
  DF_R24_UNORM_X8_TYPELESS = DXGI_FORMAT_R24_UNORM_X8_TYPELESS,
  DF_X24_TYPELESS_G8_UINT = DXGI_FORMAT_X24_TYPELESS_G8_UINT,
  DF_R8G8_TYPELESS = DXGI_FORMAT_R8G8_TYPELESS,
  DF_R8G8_UNORM = DXGI_FORMAT_R8G8_UNORM,
  DF_R8G8_UINT = DXGI_FORMAT_R8G8_UINT,
  DF_R8G8_SNORM = DXGI_FORMAT_R8G8_SNORM,
  DF_R8G8_SINT = DXGI_FORMAT_R8G8_SINT,
  DF_R16_TYPELESS = DXGI_FORMAT_R16_TYPELESS,
  DF_R16_FLOAT = DXGI_FORMAT_R16_FLOAT,
  DF_D16_UNORM = DXGI_FORMAT_D16_UNORM,
  DF_R16_UNORM = DXGI_FORMAT_R16_UNORM,
  DF_R16_UINT = DXGI_FORMAT_R16_UINT,
  DF_R16_SNORM = DXGI_FORMAT_R16_SNORM,
  DF_R16_SINT = DXGI_FORMAT_R16_SINT,
  DF_R8_TYPELESS = DXGI_FORMAT_R8_TYPELESS,
  DF_R8_UNORM = DXGI_FORMAT_R8_UNORM,
  DF_R8_UINT = DXGI_FORMAT_R8_UINT,
  DF_R8_SNORM = DXGI_FORMAT_R8_SNORM,
  DF_R8_SINT = DXGI_FORMAT_R8_SINT,
  DF_A8_UNORM = DXGI_FORMAT_A8_UNORM,
  DF_R1_UNORM = DXGI_FORMAT_R1_UNORM,
  DF_R9G9B9E5_SHAREDEXP = DXGI_FORMAT_R9G9B9E5_SHAREDEXP,
  DF_R8G8_B8G8_UNORM = DXGI_FORMAT_R8G8_B8G8_UNORM,
  DF_G8R8_G8B8_UNORM = DXGI_FORMAT_G8R8_G8B8_UNORM,
  DF_BC1_TYPELESS = DXGI_FORMAT_BC1_TYPELESS,
  DF_BC1_UNORM = DXGI_FORMAT_BC1_UNORM,
  DF_BC1_UNORM_SRGB = DXGI_FORMAT_BC1_UNORM_SRGB,
  DF_BC2_TYPELESS = DXGI_FORMAT_BC2_TYPELESS,
  DF_BC2_UNORM = DXGI_FORMAT_BC2_UNORM,
  DF_BC2_UNORM_SRGB = DXGI_FORMAT_BC2_UNORM_SRGB,
  DF_BC3_TYPELESS = DXGI_FORMAT_BC3_TYPELESS,
  DF_BC3_UNORM = DXGI_FORMAT_BC3_UNORM,
  DF_BC3_UNORM_SRGB = DXGI_FORMAT_BC3_UNORM_SRGB,
  DF_BC4_TYPELESS = DXGI_FORMAT_BC4_TYPELESS,
  DF_BC4_UNORM = DXGI_FORMAT_BC4_UNORM,
  DF_BC4_SNORM = DXGI_FORMAT_BC4_SNORM,
  DF_BC5_TYPELESS = DXGI_FORMAT_BC5_TYPELESS,
  DF_BC5_UNORM = DXGI_FORMAT_BC5_UNORM,
  DF_BC5_SNORM = DXGI_FORMAT_BC5_SNORM,
  DF_B5G6R5_UNORM = DXGI_FORMAT_B5G6R5_UNORM,
  DF_B5G5R5A1_UNORM = DXGI_FORMAT_B5G5R5A1_UNORM,
  DF_B8G8R8A8_UNORM = DXGI_FORMAT_B8G8R8A8_UNORM,
  DF_B8G8R8X8_UNORM = DXGI_FORMAT_B8G8R8X8_UNORM,
  DF_R10G10B10_XR_BIAS_A2_UNORM = DXGI_FORMAT_R10G10B10_XR_BIAS_A2_UNORM,
  DF_B8G8R8A8_TYPELESS = DXGI_FORMAT_B8G8R8A8_TYPELESS,
  DF_B8G8R8A8_UNORM_SRGB = DXGI_FORMAT_B8G8R8A8_UNORM_SRGB,
  DF_B8G8R8X8_TYPELESS = DXGI_FORMAT_B8G8R8X8_TYPELESS,
  DF_B8G8R8X8_UNORM_SRGB = DXGI_FORMAT_B8G8R8X8_UNORM_SRGB,
  DF_BC6H_TYPELESS = DXGI_FORMAT_BC6H_TYPELESS,
  DF_BC6H_UF16 = DXGI_FORMAT_BC6H_UF16,
  DF_BC6H_SF16 = DXGI_FORMAT_BC6H_SF16,
  DF_BC7_TYPELESS = DXGI_FORMAT_BC7_TYPELESS,
  DF_BC7_UNORM = DXGI_FORMAT_BC7_UNORM,
  DF_BC7_UNORM_SRGB = DXGI_FORMAT_BC7_UNORM_SRGB,
  DF_AYUV = DXGI_FORMAT_AYUV,
  DF_Y410 = DXGI_FORMAT_Y410,
  DF_Y416 = DXGI_FORMAT_Y416,
  DF_NV12 = DXGI_FORMAT_NV12,
  DF_P010 = DXGI_FORMAT_P010,
  DF_P016 = DXGI_FORMAT_P016,
  DF_420_OPAQUE = DXGI_FORMAT_420_OPAQUE,
  DF_YUY2 = DXGI_FORMAT_YUY2,
  DF_Y210 = DXGI_FORMAT_Y210,
  DF_Y216 = DXGI_FORMAT_Y216,
  DF_NV11 = DXGI_FORMAT_NV11,
  DF_AI44 = DXGI_FORMAT_AI44,
  DF_IA44 = DXGI_FORMAT_IA44,
  DF_P8 = DXGI_FORMAT_P8,
  DF_A8P8 = DXGI_FORMAT_A8P8,
  DF_B4G4R4A4_UNORM = DXGI_FORMAT_B4G4R4A4_UNORM,
  DF_P208 = DXGI_FORMAT_P208,
  DF_V208 = DXGI_FORMAT_V208,
  DF_V408 = DXGI_FORMAT_V408,
};

enum TEXTURETYPE { TEXTURE_1D = 0, TEXTURE_2D = 1, TEXTURE_VOLUME = 2, TEXTURE_CUBE = 3 };

// The cube faces in the array-slice order of the device.
enum CUBEMAP_FACE {
  CUBEMAP_FACE_POSITIVE_X = 0,
  CUBEMAP_FACE_NEGATIVE_X = 1,
  CUBEMAP_FACE_POSITIVE_Y = 2,
  CUBEMAP_FACE_NEGATIVE_Y = 3,
  CUBEMAP_FACE_POSITIVE_Z = 4,
  CUBEMAP_FACE_NEGATIVE_Z = 5
};

class Texture1D;
class Texture2D;
class VolumeTexture;
class CubeTexture;

class BaseTexture : public Resource {
 public:
  // Releases the resource, then the view.
  ~BaseTexture() override;

  ID3D10Resource* GetResource() const { return m_pResource; }
  ID3D10ShaderResourceView* GetSRV() const { return m_pView; }
  GraphicsDevice* GetDevice() const { return m_pDevice; }
  TEXTURETYPE GetType() const { return m_Type; }
  DataFormat GetFormat() const { return m_Format; }
  // The format the shader resource view was made with; DF_UNKNOWN without a view.
  DataFormat GetSRVFormat() const { return m_ViewFormat; }
  unsigned int GetMipLevels() const { return m_MipLevels; }

  // This object when its type matches, otherwise null.
  Texture1D* AsTexture1D();
  Texture2D* AsTexture2D();
  VolumeTexture* AsVolumeTexture();
  CubeTexture* AsCubeTexture();

 protected:
  BaseTexture(GraphicsDevice* device, TEXTURETYPE type, DataFormat format, unsigned int mipLevels);
  void CreateViewByDesc(const D3D10_SHADER_RESOURCE_VIEW_DESC& desc);
  // Creates the resource from desc (read back afterwards); logs a refusal.
  bool CreateTexture2D(D3D10_TEXTURE2D_DESC& desc);
  // The device of the texture, or null (logged once at construction).
  ID3D10Device* Device() const;
  // Adds the shader-resource flag when a view format is asked for without it.
  static unsigned int RequestRule(unsigned int bindFlags, DataFormat srvFormat);
  // Loads an image file as an immutable shader resource (a cube with misc).
  void LoadFromFile(const StringEX& fileName, unsigned int miscFlags, const char* failure);

  TEXTURETYPE m_Type;
  ID3D10ShaderResourceView* m_pView;
  GraphicsDevice* m_pDevice;
  ID3D10Resource* m_pResource;
  unsigned int m_MipLevels;
  DataFormat m_Format;
  DataFormat m_ViewFormat;
};

class Texture1D : public BaseTexture {
 public:
  Texture1D(GraphicsDevice* device, unsigned int width, DataFormat format, unsigned int mipLevels, bool dynamic,
            unsigned int bindFlags, DXGI_FORMAT srvFormat);

  ID3D10Texture1D* GetTexture() const { return static_cast<ID3D10Texture1D*>(m_pResource); }

 private:
  bool m_Dynamic;
};

class Texture2D : public BaseTexture {
 public:
  Texture2D(GraphicsDevice* device, unsigned int width, unsigned int height, DataFormat format,
            unsigned int mipLevels, unsigned int sampleCount, unsigned int sampleQuality, unsigned int bindFlags,
            DataFormat srvFormat);
  // Wraps an existing texture (a swap chain's back buffer), taking over the caller's reference.
  Texture2D(GraphicsDevice* device, ID3D10Texture2D* texture);
  Texture2D(GraphicsDevice* device, const D3D10_TEXTURE2D_DESC& desc, DataFormat srvFormat);
  // Loads an image file as an R8G8B8A8_UNORM texture with its whole mip chain.
  Texture2D(GraphicsDevice* device, const StringEX& fileName);

  // A CPU-readable copy target.
  static Texture2D* CreateStagingTexture(GraphicsDevice* device, unsigned int width, unsigned int height,
                                         DataFormat format, unsigned int mipLevels);
  // A CPU-writable shader resource.
  static Texture2D* CreateDynamicTexture(GraphicsDevice* device, unsigned int width, unsigned int height,
                                         DataFormat format, unsigned int mipLevels);

  ID3D10Texture2D* GetTexture() const { return static_cast<ID3D10Texture2D*>(m_pResource); }
  const D3D10_TEXTURE2D_DESC& GetDesc() const { return m_Desc; }
  unsigned int GetWidth() const { return m_Desc.Width; }
  unsigned int GetHeight() const { return m_Desc.Height; }
  unsigned int GetSampleCount() const { return m_Desc.SampleDesc.Count; }
  unsigned int GetSampleQuality() const { return m_Desc.SampleDesc.Quality; }

 private:
  void CreateView(DataFormat srvFormat);

  D3D10_TEXTURE2D_DESC m_Desc;
};

class CubeTexture : public BaseTexture {
 public:
  CubeTexture(GraphicsDevice* device, unsigned int length, DataFormat format, unsigned int mipLevels,
              unsigned int sampleCount, unsigned int sampleQuality, unsigned int bindFlags, DataFormat srvFormat);
  // Loads a cube map file (six faces) as an R8G8B8A8_UNORM texture.
  CubeTexture(GraphicsDevice* device, const StringEX& fileName);

  ID3D10Texture2D* GetTexture() const { return static_cast<ID3D10Texture2D*>(m_pResource); }
  const D3D10_TEXTURE2D_DESC& GetDesc() const { return m_Desc; }
  unsigned int GetLength() const { return m_Desc.Width; }
  unsigned int GetSampleCount() const { return m_Desc.SampleDesc.Count; }
  unsigned int GetSampleQuality() const { return m_Desc.SampleDesc.Quality; }

 private:
  void CreateView(DataFormat srvFormat);

  D3D10_TEXTURE2D_DESC m_Desc;
};

// A type tag only: no volume resource is made.
class VolumeTexture : public BaseTexture {
 public:
  explicit VolumeTexture(GraphicsDevice* device);
};
