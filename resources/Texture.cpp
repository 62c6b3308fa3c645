#include <morvane/Texture.h>

#include <cstring>

#include <d3dx10.h>

#include <morvane/Core.h>
#include <morvane/GraphicsDevice.h>

BaseTexture::BaseTexture(GraphicsDevice* device, TEXTURETYPE type, DataFormat format, unsigned int mipLevels)
    : m_Type(type),
      m_pView(nullptr),
      m_pDevice(device),
      m_pResource(nullptr),
      m_MipLevels(mipLevels),
      m_Format(format),
      m_ViewFormat(DF_UNKNOWN) {
  if (!Device()) Core::Log()->Error("BaseTexture::BaseTexture: no device");
}

BaseTexture::~BaseTexture() {
  if (m_pResource) m_pResource->Release();
  if (m_pView) m_pView->Release();
}

ID3D10Device* BaseTexture::Device() const { return m_pDevice ? m_pDevice->GetDevice() : nullptr; }

Texture1D* BaseTexture::AsTexture1D() { return m_Type == TEXTURE_1D ? static_cast<Texture1D*>(this) : nullptr; }

Texture2D* BaseTexture::AsTexture2D() { return m_Type == TEXTURE_2D ? static_cast<Texture2D*>(this) : nullptr; }

VolumeTexture* BaseTexture::AsVolumeTexture() {
  return m_Type == TEXTURE_VOLUME ? static_cast<VolumeTexture*>(this) : nullptr;
}

CubeTexture* BaseTexture::AsCubeTexture() {
  return m_Type == TEXTURE_CUBE ? static_cast<CubeTexture*>(this) : nullptr;
}

void BaseTexture::CreateViewByDesc(const D3D10_SHADER_RESOURCE_VIEW_DESC& desc) {
  HRESULT hr = Device()->CreateShaderResourceView(m_pResource, &desc, &m_pView);
  if (FAILED(hr)) {
    m_pView = nullptr;
    Core::Log()->Error("Creating shader resource view for texture failed: " + GetErrorText(hr));
    return;
  }
  m_ViewFormat = static_cast<DataFormat>(desc.Format);
}

// The description is read back so that a requested full mip chain (0) reads
// as the number of levels the device made.
bool BaseTexture::CreateTexture2D(D3D10_TEXTURE2D_DESC& desc) {
  ID3D10Texture2D* texture = nullptr;
  if (FAILED(Device()->CreateTexture2D(&desc, nullptr, &texture))) {
    Core::Log()->Error("create texture failed.");
    return false;
  }
  m_pResource = texture;
  texture->GetDesc(&desc);
  return true;
}

unsigned int BaseTexture::RequestRule(unsigned int bindFlags, DataFormat srvFormat) {
  if (srvFormat == DF_UNKNOWN || (bindFlags & D3D10_BIND_SHADER_RESOURCE)) return bindFlags;
  Core::Log()->Warning("shader resource view requested, but bind flag not set", 3);
  return bindFlags | D3D10_BIND_SHADER_RESOURCE;
}

void BaseTexture::LoadFromFile(const StringEX& fileName, unsigned int miscFlags, const char* failure) {
  D3DX10_IMAGE_LOAD_INFO info;
  info.Width = D3DX10_DEFAULT;
  info.Height = D3DX10_DEFAULT;
  info.Depth = D3DX10_DEFAULT;
  info.FirstMipLevel = 0;
  info.MipLevels = 0;
  info.Usage = D3D10_USAGE_IMMUTABLE;
  info.BindFlags = D3D10_BIND_SHADER_RESOURCE;
  info.CpuAccessFlags = 0;
  info.MiscFlags = miscFlags;
  info.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
  info.Filter = D3DX10_DEFAULT;
  info.MipFilter = D3DX10_DEFAULT;
  info.pSrcInfo = nullptr;
  HRESULT hr = D3DX10CreateTextureFromFileA(Device(), fileName.c_str(), &info, nullptr, &m_pResource, nullptr);
  if (FAILED(hr)) {
    m_pResource = nullptr;
    Core::Log()->WriteLine(failure + GetErrorText(hr), 0);
  }
}

namespace {

D3D10_SHADER_RESOURCE_VIEW_DESC ViewDesc(DataFormat format, D3D10_SRV_DIMENSION dimension) {
  D3D10_SHADER_RESOURCE_VIEW_DESC desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.Format = static_cast<DXGI_FORMAT>(format);
  desc.ViewDimension = dimension;
  return desc;
}

}  // namespace

Texture1D::Texture1D(GraphicsDevice* device, unsigned int width, DataFormat format, unsigned int mipLevels,
                     bool dynamic, unsigned int bindFlags, DXGI_FORMAT srvFormat)
    : BaseTexture(device, TEXTURE_1D, format, mipLevels), m_Dynamic(dynamic) {
  // Without a device nothing below can be made; the texture stays empty.
  if (!Device()) return;
  DataFormat viewFormat = static_cast<DataFormat>(srvFormat);
  D3D10_TEXTURE1D_DESC desc;
  desc.Width = width;
  desc.MipLevels = mipLevels;
  desc.ArraySize = 1;
  desc.Format = static_cast<DXGI_FORMAT>(format);
  desc.Usage = dynamic ? D3D10_USAGE_DYNAMIC : D3D10_USAGE_DEFAULT;
  desc.BindFlags = RequestRule(bindFlags, viewFormat);
  desc.CPUAccessFlags = dynamic ? D3D10_CPU_ACCESS_WRITE : 0;
  desc.MiscFlags = 0;
  ID3D10Texture1D* texture = nullptr;
  HRESULT hr = Device()->CreateTexture1D(&desc, nullptr, &texture);
  if (FAILED(hr)) {
    Core::Log()->Error("CreateTexture1D failed: " + StringEX(static_cast<int>(hr)));
    return;
  }
  m_pResource = texture;
  if (!(desc.BindFlags & D3D10_BIND_SHADER_RESOURCE)) return;
  D3D10_SHADER_RESOURCE_VIEW_DESC view =
      ViewDesc(viewFormat != DF_UNKNOWN ? viewFormat : format, D3D10_SRV_DIMENSION_TEXTURE1D);
  view.Texture1D.MostDetailedMip = 0;
  view.Texture1D.MipLevels = mipLevels;
  CreateViewByDesc(view);
}

Texture2D::Texture2D(GraphicsDevice* device, unsigned int width, unsigned int height, DataFormat format,
                     unsigned int mipLevels, unsigned int sampleCount, unsigned int sampleQuality,
                     unsigned int bindFlags, DataFormat srvFormat)
    : BaseTexture(device, TEXTURE_2D, format, mipLevels), m_Desc() {
  if (!Device()) return;
  Core::Log()->WriteLine("Texture2D::Texture2D w=" + StringEX(static_cast<int>(width)) +
                             " h=" + StringEX(static_cast<int>(height)) + " fmt=" + StringEX(static_cast<int>(format)) +
                             " mip=" + StringEX(static_cast<int>(mipLevels)) +
                             " samples=" + StringEX(static_cast<int>(sampleCount)) +
                             " samplequal=" + StringEX(static_cast<int>(sampleQuality)) +
                             " bflag=" + StringEX(static_cast<int>(bindFlags)) +
                             " srvfmt=" + StringEX(static_cast<int>(srvFormat)),
                         4);
  m_Desc.Width = width;
  m_Desc.Height = height;
  m_Desc.MipLevels = mipLevels;
  m_Desc.ArraySize = 1;
  m_Desc.Format = static_cast<DXGI_FORMAT>(format);
  m_Desc.SampleDesc.Count = sampleCount;
  m_Desc.SampleDesc.Quality = sampleQuality;
  m_Desc.Usage = D3D10_USAGE_DEFAULT;
  m_Desc.BindFlags = RequestRule(bindFlags, srvFormat);
  m_Desc.CPUAccessFlags = 0;
  m_Desc.MiscFlags = 0;
  if (CreateTexture2D(m_Desc)) CreateView(srvFormat);
}

Texture2D::Texture2D(GraphicsDevice* device, ID3D10Texture2D* texture)
    : BaseTexture(device, TEXTURE_2D, DF_UNKNOWN, 0xFFFFFFFF), m_Desc() {
  m_pResource = texture;
  if (!texture) return;
  texture->GetDesc(&m_Desc);
  m_MipLevels = m_Desc.MipLevels;
  m_Format = static_cast<DataFormat>(m_Desc.Format);
  if (Device()) CreateView(m_Format);
}

Texture2D::Texture2D(GraphicsDevice* device, const D3D10_TEXTURE2D_DESC& desc, DataFormat srvFormat)
    : BaseTexture(device, TEXTURE_2D, static_cast<DataFormat>(desc.Format), desc.MipLevels), m_Desc(desc) {
  if (!Device()) return;
  if (CreateTexture2D(m_Desc)) CreateView(srvFormat);
}

Texture2D::Texture2D(GraphicsDevice* device, const StringEX& fileName)
    : BaseTexture(device, TEXTURE_2D, DF_R8G8B8A8_UNORM, 0), m_Desc() {
  if (!Device()) return;
  LoadFromFile(fileName, 0, "Error creating texture from file: ");
  if (!m_pResource) return;
  GetTexture()->GetDesc(&m_Desc);
  D3D10_SHADER_RESOURCE_VIEW_DESC view = ViewDesc(DF_R8G8B8A8_UNORM, D3D10_SRV_DIMENSION_TEXTURE2D);
  view.Texture2D.MostDetailedMip = 0;
  view.Texture2D.MipLevels = m_Desc.MipLevels;
  CreateViewByDesc(view);
}

namespace {

D3D10_TEXTURE2D_DESC CpuTextureDesc(unsigned int width, unsigned int height, DataFormat format,
                                    unsigned int mipLevels) {
  D3D10_TEXTURE2D_DESC desc;
  desc.Width = width;
  desc.Height = height;
  desc.MipLevels = mipLevels;
  desc.ArraySize = 1;
  desc.Format = static_cast<DXGI_FORMAT>(format);
  desc.SampleDesc.Count = 1;
  desc.SampleDesc.Quality = 0;
  desc.Usage = D3D10_USAGE_STAGING;
  desc.BindFlags = 0;
  desc.CPUAccessFlags = D3D10_CPU_ACCESS_READ;
  desc.MiscFlags = 0;
  return desc;
}

}  // namespace

Texture2D* Texture2D::CreateStagingTexture(GraphicsDevice* device, unsigned int width, unsigned int height,
                                           DataFormat format, unsigned int mipLevels) {
  return new Texture2D(device, CpuTextureDesc(width, height, format, mipLevels), DF_UNKNOWN);
}

// The device accepts a dynamic texture only when the CPU may write it and
// something may read it; a shader resource written by the CPU is what a
// dynamic texture is for.
Texture2D* Texture2D::CreateDynamicTexture(GraphicsDevice* device, unsigned int width, unsigned int height,
                                           DataFormat format, unsigned int mipLevels) {
  D3D10_TEXTURE2D_DESC desc = CpuTextureDesc(width, height, format, mipLevels);
  desc.Usage = D3D10_USAGE_DYNAMIC;
  desc.BindFlags = D3D10_BIND_SHADER_RESOURCE;
  desc.CPUAccessFlags = D3D10_CPU_ACCESS_WRITE;
  return new Texture2D(device, desc, DF_UNKNOWN);
}

void Texture2D::CreateView(DataFormat srvFormat) {
  if (!(m_Desc.BindFlags & D3D10_BIND_SHADER_RESOURCE)) return;
  DataFormat format = srvFormat != DF_UNKNOWN ? srvFormat : static_cast<DataFormat>(m_Desc.Format);
  bool array = m_Desc.ArraySize > 1;
  bool multisampled = m_Desc.SampleDesc.Count > 1;
  D3D10_SHADER_RESOURCE_VIEW_DESC view;
  if (!array && !multisampled) {
    view = ViewDesc(format, D3D10_SRV_DIMENSION_TEXTURE2D);
    view.Texture2D.MostDetailedMip = 0;
    view.Texture2D.MipLevels = m_Desc.MipLevels;
  } else if (!array) {
    view = ViewDesc(format, D3D10_SRV_DIMENSION_TEXTURE2DMS);
  } else if (!multisampled) {
    view = ViewDesc(format, D3D10_SRV_DIMENSION_TEXTURE2DARRAY);
    view.Texture2DArray.MostDetailedMip = 0;
    view.Texture2DArray.MipLevels = m_Desc.MipLevels;
    view.Texture2DArray.FirstArraySlice = 0;
    view.Texture2DArray.ArraySize = m_Desc.ArraySize;
  } else {
    view = ViewDesc(format, D3D10_SRV_DIMENSION_TEXTURE2DMSARRAY);
    view.Texture2DMSArray.FirstArraySlice = 0;
    view.Texture2DMSArray.ArraySize = m_Desc.ArraySize;
  }
  CreateViewByDesc(view);
}

CubeTexture::CubeTexture(GraphicsDevice* device, unsigned int length, DataFormat format, unsigned int mipLevels,
                         unsigned int sampleCount, unsigned int sampleQuality, unsigned int bindFlags,
                         DataFormat srvFormat)
    : BaseTexture(device, TEXTURE_CUBE, format, mipLevels), m_Desc() {
  if (!Device()) return;
  m_Desc.Width = length;
  m_Desc.Height = length;
  m_Desc.MipLevels = mipLevels;
  m_Desc.ArraySize = 6;
  m_Desc.Format = static_cast<DXGI_FORMAT>(format);
  m_Desc.SampleDesc.Count = sampleCount;
  m_Desc.SampleDesc.Quality = sampleQuality;
  m_Desc.Usage = D3D10_USAGE_DEFAULT;
  m_Desc.BindFlags = RequestRule(bindFlags, srvFormat);
  m_Desc.CPUAccessFlags = 0;
  m_Desc.MiscFlags = D3D10_RESOURCE_MISC_TEXTURECUBE;
  if (CreateTexture2D(m_Desc)) CreateView(srvFormat);
}

CubeTexture::CubeTexture(GraphicsDevice* device, const StringEX& fileName)
    : BaseTexture(device, TEXTURE_CUBE, DF_R8G8B8A8_UNORM, 0), m_Desc() {
  if (!Device()) return;
  LoadFromFile(fileName, D3D10_RESOURCE_MISC_TEXTURECUBE, "Error creating cubetexture from file: ");
  if (!m_pResource) return;
  GetTexture()->GetDesc(&m_Desc);
  CreateView(DF_R8G8B8A8_UNORM);
}

void CubeTexture::CreateView(DataFormat srvFormat) {
  if (!(m_Desc.BindFlags & D3D10_BIND_SHADER_RESOURCE)) return;
  D3D10_SHADER_RESOURCE_VIEW_DESC view = ViewDesc(
      srvFormat != DF_UNKNOWN ? srvFormat : static_cast<DataFormat>(m_Desc.Format), D3D10_SRV_DIMENSION_TEXTURECUBE);
  view.TextureCube.MostDetailedMip = 0;
  view.TextureCube.MipLevels = m_Desc.MipLevels;
  CreateViewByDesc(view);
}

VolumeTexture::VolumeTexture(GraphicsDevice* device) : BaseTexture(device, TEXTURE_VOLUME, DF_UNKNOWN, 1) {}
