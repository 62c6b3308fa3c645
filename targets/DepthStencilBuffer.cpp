#include <morvane/DepthStencilBuffer.h>

#include <cstring>

#include <morvane/Core.h>
#include <morvane/GraphicsDevice.h>

namespace {

const unsigned int kDepthBind = D3D10_BIND_DEPTH_STENCIL;

unsigned int DepthBindFlags(bool shaderReadable) {
  return kDepthBind | (shaderReadable ? D3D10_BIND_SHADER_RESOURCE : 0);
}

// A view over slices [first, first + count) of an array or cube texture, or
// the plain 2D view when count is 0; null (logged) when the device refuses.
ID3D10DepthStencilView* CreateDepthView(GraphicsDevice* device, BaseTexture* texture, DataFormat format,
                                        bool multisampled, unsigned int first, unsigned int count) {
  if (!device->GetDevice() || !texture->GetResource()) return nullptr;
  D3D10_DEPTH_STENCIL_VIEW_DESC desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.Format = static_cast<DXGI_FORMAT>(format);
  if (count == 0) {
    desc.ViewDimension = multisampled ? D3D10_DSV_DIMENSION_TEXTURE2DMS : D3D10_DSV_DIMENSION_TEXTURE2D;
  } else if (multisampled) {
    desc.ViewDimension = D3D10_DSV_DIMENSION_TEXTURE2DMSARRAY;
    desc.Texture2DMSArray.FirstArraySlice = first;
    desc.Texture2DMSArray.ArraySize = count;
  } else {
    desc.ViewDimension = D3D10_DSV_DIMENSION_TEXTURE2DARRAY;
    desc.Texture2DArray.MipSlice = 0;
    desc.Texture2DArray.FirstArraySlice = first;
    desc.Texture2DArray.ArraySize = count;
  }
  ID3D10DepthStencilView* view = nullptr;
  if (FAILED(device->GetDevice()->CreateDepthStencilView(texture->GetResource(), &desc, &view))) {
    Core::Log()->WriteLine("Error creating depth stencil view.", 0);
    return nullptr;
  }
  return view;
}

void ReleaseView(ID3D10DepthStencilView*& view) {
  if (view) view->Release();
  view = nullptr;
}

}  // namespace

// D16 has no typed view in its texture format (R16_TYPELESS), so its shader
// view reads it as R16_UNORM; R24_UNORM_X8_TYPELESS and
// R32_FLOAT_X8X24_TYPELESS are themselves readable view formats.
void DepthStencilBuffer::DepthFormats(DataFormat format, bool shaderReadable, DataFormat& textureFormat,
                                      DataFormat& viewFormat) {
  textureFormat = format;
  viewFormat = DF_UNKNOWN;
  if (!shaderReadable) return;
  switch (format) {
    case DF_D32_FLOAT:
      textureFormat = DF_R32_TYPELESS;
      viewFormat = DF_R32_FLOAT;
      break;
    case DF_D16_UNORM:
      textureFormat = DF_R16_TYPELESS;
      viewFormat = DF_R16_UNORM;
      break;
    case DF_D24_UNORM_S8_UINT:
      textureFormat = DF_R24_UNORM_X8_TYPELESS;
      break;
    case DF_D32_FLOAT_S8X24_UINT:
      textureFormat = DF_R32_FLOAT_X8X24_TYPELESS;
      break;
    default:
      break;
  }
}

DepthStencilBuffer::DepthStencilBuffer(GraphicsDevice* device, unsigned int width, unsigned int height,
                                       DataFormat format, unsigned int sampleCount, unsigned int sampleQuality,
                                       bool shaderReadable)
    : IDepthStencilTarget(device),
      m_Format(format),
      m_Width(width),
      m_Height(height),
      m_SampleCount(sampleCount),
      m_SampleQuality(sampleQuality),
      m_ShaderReadable(shaderReadable),
      m_pView(nullptr),
      m_pTexture(nullptr) {
  Create();
}

DepthStencilBuffer::~DepthStencilBuffer() {
  ReleaseView(m_pView);
  if (m_pTexture) m_pTexture->Release();
}

void DepthStencilBuffer::Create() {
  DataFormat textureFormat;
  DataFormat viewFormat;
  DepthFormats(m_Format, m_ShaderReadable, textureFormat, viewFormat);
  m_pTexture = new Texture2D(m_pDevice, m_Width, m_Height, textureFormat, 1, m_SampleCount, m_SampleQuality,
                             DepthBindFlags(m_ShaderReadable), viewFormat);
  CreateDSV(m_Format);
}

void DepthStencilBuffer::CreateDSV(DataFormat format) {
  m_pView = CreateDepthView(m_pDevice, m_pTexture, format, m_SampleCount > 1, 0, 0);
}

void DepthStencilBuffer::SetSize(unsigned int width, unsigned int height) {
  if (width == m_Width && height == m_Height) return;
  m_Width = width;
  m_Height = height;
  m_pTexture->Release();
  m_pTexture = nullptr;
  ReleaseView(m_pView);
  Create();
}

DepthStencilBufferArray::DepthStencilBufferArray(GraphicsDevice* device, DataFormat format, unsigned int width,
                                                 unsigned int height, unsigned int arraySize,
                                                 unsigned int sampleCount, unsigned int sampleQuality,
                                                 bool shaderReadable)
    : IDepthStencilTarget(device),
      m_ArraySize(arraySize),
      m_pSingleViews(new ID3D10DepthStencilView*[arraySize]()),
      m_pArrayView(nullptr),
      m_pTexture(nullptr),
      m_pCurrentView(nullptr) {
  DataFormat textureFormat;
  DataFormat viewFormat;
  DepthStencilBuffer::DepthFormats(format, shaderReadable, textureFormat, viewFormat);
  D3D10_TEXTURE2D_DESC desc;
  desc.Width = width;
  desc.Height = height;
  desc.MipLevels = 1;
  desc.ArraySize = arraySize;
  desc.Format = static_cast<DXGI_FORMAT>(textureFormat);
  desc.SampleDesc.Count = sampleCount;
  desc.SampleDesc.Quality = sampleQuality;
  desc.Usage = D3D10_USAGE_DEFAULT;
  desc.BindFlags = DepthBindFlags(shaderReadable);
  desc.CPUAccessFlags = 0;
  desc.MiscFlags = 0;
  m_pTexture = new Texture2D(device, desc, viewFormat);
  bool multisampled = sampleCount > 1;
  m_pArrayView = CreateDepthView(device, m_pTexture, format, multisampled, 0, arraySize);
  for (unsigned int slice = 0; slice < arraySize; ++slice)
    m_pSingleViews[slice] = CreateDepthView(device, m_pTexture, format, multisampled, slice, 1);
  m_pCurrentView = m_pArrayView;
}

DepthStencilBufferArray::~DepthStencilBufferArray() {
  for (unsigned int slice = 0; slice < m_ArraySize; ++slice) ReleaseView(m_pSingleViews[slice]);
  delete[] m_pSingleViews;
  ReleaseView(m_pArrayView);
  m_pTexture->Release();
}

// A slice beyond the array leaves the current view as it is.
void DepthStencilBufferArray::UseSingleView(unsigned int slice) {
  if (slice < m_ArraySize) m_pCurrentView = m_pSingleViews[slice];
}

void DepthStencilBufferArray::UseArrayView() { m_pCurrentView = m_pArrayView; }

// The cube's depth texture is single-sampled (a multisampled cube cannot be
// made); the sample count only chooses the view dimension, and the device
// refuses a multisampled view of it, which is logged.
CubeDepthStencilBuffer::CubeDepthStencilBuffer(GraphicsDevice* device, unsigned int length, DataFormat format,
                                               unsigned int sampleCount, unsigned int, bool shaderReadable)
    : IDepthStencilTarget(device), m_pFaceViews(), m_pCubeView(nullptr), m_pTexture(nullptr), m_pCurrentView(nullptr) {
  DataFormat textureFormat;
  DataFormat viewFormat;
  DepthStencilBuffer::DepthFormats(format, shaderReadable, textureFormat, viewFormat);
  m_pTexture = new CubeTexture(device, length, textureFormat, 1, 1, 0, DepthBindFlags(shaderReadable), viewFormat);
  bool multisampled = sampleCount > 1;
  m_pCubeView = CreateDepthView(device, m_pTexture, format, multisampled, 0, 6);
  for (unsigned int face = 0; face < 6; ++face)
    m_pFaceViews[face] = CreateDepthView(device, m_pTexture, format, multisampled, face, 1);
  m_pCurrentView = m_pCubeView;
}

CubeDepthStencilBuffer::~CubeDepthStencilBuffer() {
  for (ID3D10DepthStencilView*& view : m_pFaceViews) ReleaseView(view);
  ReleaseView(m_pCubeView);
  m_pTexture->Release();
}

void CubeDepthStencilBuffer::UseSingleView(CUBEMAP_FACE face) {
  if (static_cast<unsigned int>(face) < 6) m_pCurrentView = m_pFaceViews[face];
}

void CubeDepthStencilBuffer::UseCubeView() { m_pCurrentView = m_pCubeView; }
