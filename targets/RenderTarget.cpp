#include <morvane/RenderTarget.h>

#include <cstring>

#include <morvane/Core.h>
#include <morvane/GraphicsDevice.h>

namespace {

// Colour targets have a shader view only when shader-readable: a target that
// is never sampled needs neither the bind flag nor the view.
unsigned int ColorBindFlags(bool shaderReadable) {
  return D3D10_BIND_RENDER_TARGET | (shaderReadable ? D3D10_BIND_SHADER_RESOURCE : 0);
}

DataFormat ColorViewFormat(DataFormat format, bool shaderReadable) { return shaderReadable ? format : DF_UNKNOWN; }

void ReleaseView(ID3D10RenderTargetView*& view) {
  if (view) view->Release();
  view = nullptr;
}

// A view over slices [first, first + count) of the cube texture at mip 0.
ID3D10RenderTargetView* CreateCubeView(GraphicsDevice* device, CubeTexture* texture, DataFormat format,
                                       bool multisampled, unsigned int first, unsigned int count,
                                       const char* failure) {
  D3D10_RENDER_TARGET_VIEW_DESC desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.Format = static_cast<DXGI_FORMAT>(format);
  if (multisampled) {
    desc.ViewDimension = D3D10_RTV_DIMENSION_TEXTURE2DMSARRAY;
    desc.Texture2DMSArray.FirstArraySlice = first;
    desc.Texture2DMSArray.ArraySize = count;
  } else {
    desc.ViewDimension = D3D10_RTV_DIMENSION_TEXTURE2DARRAY;
    desc.Texture2DArray.MipSlice = 0;
    desc.Texture2DArray.FirstArraySlice = first;
    desc.Texture2DArray.ArraySize = count;
  }
  ID3D10RenderTargetView* view = nullptr;
  if (!device->GetDevice() || !texture->GetResource() ||
      FAILED(device->GetDevice()->CreateRenderTargetView(texture->GetResource(), &desc, &view))) {
    Core::Log()->Error(failure);
    return nullptr;
  }
  return view;
}

}  // namespace

RenderTexture2D::RenderTexture2D(GraphicsDevice* device, DataFormat format, unsigned int width,
                                 unsigned int height, unsigned int sampleCount, unsigned int sampleQuality,
                                 bool shaderReadable)
    : IRenderTarget(device),
      m_Format(format),
      m_Width(width),
      m_Height(height),
      m_SampleCount(sampleCount),
      m_SampleQuality(sampleQuality),
      m_ShaderReadable(shaderReadable),
      m_pView(nullptr),
      m_pTexture(nullptr),
      m_pDepthStencil(nullptr) {
  CreateTexture();
  CreateRTV();
}

RenderTexture2D::RenderTexture2D(GraphicsDevice* device, Texture2D* texture)
    : IRenderTarget(device),
      m_Format(texture->GetFormat()),
      m_Width(texture->GetWidth()),
      m_Height(texture->GetHeight()),
      m_SampleCount(texture->GetSampleCount()),
      m_SampleQuality(texture->GetSampleQuality()),
      m_ShaderReadable(texture->GetSRV() != nullptr),
      m_pView(nullptr),
      m_pTexture(texture),
      m_pDepthStencil(nullptr) {
  CreateRTV();
}

RenderTexture2D::~RenderTexture2D() {
  delete m_pDepthStencil;
  ReleaseView(m_pView);
  if (m_pTexture) m_pTexture->Release();
}

void RenderTexture2D::CreateTexture() {
  m_pTexture = new Texture2D(m_pDevice, m_Width, m_Height, m_Format, 1, m_SampleCount, m_SampleQuality,
                             ColorBindFlags(m_ShaderReadable), ColorViewFormat(m_Format, m_ShaderReadable));
}

void RenderTexture2D::CreateRTV() {
  if (!m_pTexture || !m_pTexture->GetResource()) {
    Core::Log()->Error("RenderTexture2D::CreateRTV: no texture");
    return;
  }
  D3D10_RENDER_TARGET_VIEW_DESC desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.Format = static_cast<DXGI_FORMAT>(m_Format);
  if (m_pTexture->GetSampleCount() > 1) {
    desc.ViewDimension = D3D10_RTV_DIMENSION_TEXTURE2DMS;
  } else {
    desc.ViewDimension = D3D10_RTV_DIMENSION_TEXTURE2D;
    desc.Texture2D.MipSlice = 0;
  }
  if (FAILED(m_pDevice->GetDevice()->CreateRenderTargetView(m_pTexture->GetResource(), &desc, &m_pView))) {
    m_pView = nullptr;
    Core::Log()->Error("Cant create RTV");
  }
}

void RenderTexture2D::Bind() { m_pDevice->SetRenderTargets(this, m_pDepthStencil); }

void RenderTexture2D::CreateAutoDepthStencil(DataFormat format, bool shaderReadable) {
  delete m_pDepthStencil;
  m_pDepthStencil =
      new DepthStencilBuffer(m_pDevice, m_Width, m_Height, format, m_SampleCount, m_SampleQuality, shaderReadable);
}

void RenderTexture2D::SetSize(unsigned int width, unsigned int height) {
  if (width == m_Width && height == m_Height) return;
  m_Width = width;
  m_Height = height;
  if (m_pDepthStencil) m_pDepthStencil->SetSize(width, height);
  ReleaseView(m_pView);
  if (m_pTexture) m_pTexture->Release();
  CreateTexture();
  CreateRTV();
}

CubeRenderTexture::CubeRenderTexture(GraphicsDevice* device, unsigned int length, DataFormat format,
                                     unsigned int mipLevels, unsigned int sampleCount, unsigned int sampleQuality,
                                     bool shaderReadable)
    : IRenderTarget(device),
      m_pTexture(nullptr),
      m_pCubeView(nullptr),
      m_pFaceViews(),
      m_pCurrentView(nullptr),
      m_pSingleDepthStencil(nullptr),
      m_pCubeDepthStencil(nullptr) {
  m_pTexture = new CubeTexture(device, length, format, mipLevels, sampleCount, sampleQuality,
                               ColorBindFlags(shaderReadable), ColorViewFormat(format, shaderReadable));
  bool multisampled = sampleCount > 1;
  m_pCubeView = CreateCubeView(device, m_pTexture, format, multisampled, 0, 6,
                               "CubeRenderTexture::CubeRenderTexture: Can't create cube RTV.");
  for (unsigned int face = 0; face < 6; ++face)
    m_pFaceViews[face] = CreateCubeView(device, m_pTexture, format, multisampled, face, 1,
                                        "CubeRenderTexture::CubeRenderTexture: Can't create single RTV.");
  m_pCurrentView = m_pCubeView;
}

CubeRenderTexture::~CubeRenderTexture() {
  delete m_pSingleDepthStencil;
  delete m_pCubeDepthStencil;
  ReleaseView(m_pCubeView);
  for (ID3D10RenderTargetView*& view : m_pFaceViews) ReleaseView(view);
  m_pTexture->Release();
}

void CubeRenderTexture::UseSingleView(CUBEMAP_FACE face) {
  if (static_cast<unsigned int>(face) < 6) m_pCurrentView = m_pFaceViews[face];
}

void CubeRenderTexture::UseCubeView() { m_pCurrentView = m_pCubeView; }

void CubeRenderTexture::CreateSingleDepthStencil(DataFormat format, bool shaderReadable) {
  delete m_pSingleDepthStencil;
  m_pSingleDepthStencil =
      new DepthStencilBuffer(m_pDevice, m_pTexture->GetLength(), m_pTexture->GetLength(), format,
                             m_pTexture->GetSampleCount(), m_pTexture->GetSampleQuality(), shaderReadable);
}

void CubeRenderTexture::CreateCubeDepthStencil(DataFormat format, bool shaderReadable) {
  delete m_pCubeDepthStencil;
  m_pCubeDepthStencil = new CubeDepthStencilBuffer(m_pDevice, m_pTexture->GetLength(), format,
                                                   m_pTexture->GetSampleCount(), m_pTexture->GetSampleQuality(),
                                                   shaderReadable);
}

RenderTargetArray::RenderTargetArray(GraphicsDevice* device, unsigned int width, unsigned int height,
                                     unsigned int sampleCount, unsigned int sampleQuality)
    : IRenderTarget(device),
      m_Width(width),
      m_Height(height),
      m_SampleCount(sampleCount),
      m_SampleQuality(sampleQuality),
      m_TargetCount(0),
      m_pTargets(),
      m_pViews(),
      m_pDepthStencil(nullptr) {}

RenderTargetArray::~RenderTargetArray() {
  for (unsigned int i = 0; i < m_TargetCount; ++i) delete m_pTargets[i];
  delete m_pDepthStencil;
}

RenderTexture2D* RenderTargetArray::AddTarget(DataFormat format) {
  if (m_TargetCount == kMaxTargets) return nullptr;
  RenderTexture2D* target =
      new RenderTexture2D(m_pDevice, format, m_Width, m_Height, m_SampleCount, m_SampleQuality, true);
  m_pTargets[m_TargetCount] = target;
  m_pViews[m_TargetCount] = target->GetViewArray()[0];
  ++m_TargetCount;
  return target;
}

void RenderTargetArray::CreateDepthStencil(DataFormat format, bool shaderReadable) {
  delete m_pDepthStencil;
  m_pDepthStencil =
      new DepthStencilBuffer(m_pDevice, m_Width, m_Height, format, m_SampleCount, m_SampleQuality, shaderReadable);
}

void RenderTargetArray::Bind() { m_pDevice->SetRenderTargets(this, m_pDepthStencil); }

void RenderTargetArray::SetSize(unsigned int width, unsigned int height) {
  if (width == m_Width && height == m_Height) return;
  m_Width = width;
  m_Height = height;
  if (m_pDepthStencil) m_pDepthStencil->SetSize(width, height);
  for (unsigned int i = 0; i < m_TargetCount; ++i) {
    m_pTargets[i]->SetSize(width, height);
    m_pViews[i] = m_pTargets[i]->GetViewArray()[0];
  }
}
