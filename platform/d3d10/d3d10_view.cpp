#include "d3d10/d3d10_view.h"

#include <new>

namespace {

// The 2D texture a view is made of; views of buffers, 1D and 3D resources
// are not supported.
HRESULT ViewedTexture(ID3D10Resource* resource, UINT bindFlag, D3D10Texture2D** texture) {
  if (!resource) return E_INVALIDARG;
  D3D10_RESOURCE_DIMENSION dimension = D3D10_RESOURCE_DIMENSION_UNKNOWN;
  resource->GetType(&dimension);
  if (dimension != D3D10_RESOURCE_DIMENSION_TEXTURE2D) return E_INVALIDARG;
  *texture = static_cast<D3D10Texture2D*>(static_cast<ID3D10Texture2D*>(resource));
  // The resource was created for this kind of view.
  if (!((*texture)->Desc().BindFlags & bindFlag)) return E_INVALIDARG;
  return S_OK;
}

// The view's format: the texture's when none is given. A typed texture is
// viewed in its own format, a typeless one in a typed format of its family.
const D3D10FormatInfo* ViewFormat(const D3D10Texture2D& texture, DXGI_FORMAT requested) {
  const D3D10FormatInfo& resource = texture.Format();
  if (requested == DXGI_FORMAT_UNKNOWN || requested == resource.format) {
    return (resource.caps & kFormatTypeless) ? nullptr : &resource;
  }
  const D3D10FormatInfo* view = D3D10GetFormatInfo(requested);
  if (!view || (view->caps & kFormatTypeless)) return nullptr;
  if (!(resource.caps & kFormatTypeless) || view->family != resource.family) return nullptr;
  return view;
}

GLuint MakeTextureView(const D3D10Texture2D& texture, GLenum internalFormat, UINT firstLevel, UINT levels) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glTextureView(name, GL_TEXTURE_2D, texture.Name(), internalFormat, firstLevel, levels, 0, 1);
  return name;
}

}  // namespace

HRESULT D3D10ShaderResourceView::Create(D3D10Device* device, ID3D10Resource* resource,
                                        const D3D10_SHADER_RESOURCE_VIEW_DESC* pDesc,
                                        ID3D10ShaderResourceView** view) {
  D3D10Texture2D* texture = nullptr;
  HRESULT hr = ViewedTexture(resource, D3D10_BIND_SHADER_RESOURCE, &texture);
  if (FAILED(hr)) return hr;
  const D3D10_TEXTURE2D_DESC& td = texture->Desc();
  D3D10_SHADER_RESOURCE_VIEW_DESC desc = {};
  if (pDesc) {
    desc = *pDesc;
  } else {
    desc.Format = td.Format;
    desc.ViewDimension = D3D10_SRV_DIMENSION_TEXTURE2D;
    desc.Texture2D = {0, td.MipLevels};
  }
  // A typed format of the texture's family that shaders can read.
  const D3D10FormatInfo* format = ViewFormat(*texture, desc.Format);
  if (!format || !(format->caps & (kFormatTexture | kFormatDepthRead))) return E_INVALIDARG;
  // Depth storage is read through the family's depth-read format; colour
  // storage through a format GL has.
  if (texture->HasDepthStorage() ? !(format->caps & kFormatDepthRead) : format->internalFormat == 0) {
    return E_INVALIDARG;
  }
  // Plain 2D views only: array and multisampled views are not supported.
  if (desc.ViewDimension != D3D10_SRV_DIMENSION_TEXTURE2D) return E_INVALIDARG;
  // Levels inside the texture; -1 takes every level from the first.
  UINT first = desc.Texture2D.MostDetailedMip;
  if (first >= td.MipLevels) return E_INVALIDARG;
  if (desc.Texture2D.MipLevels == static_cast<UINT>(-1)) desc.Texture2D.MipLevels = td.MipLevels - first;
  if (desc.Texture2D.MipLevels == 0 || desc.Texture2D.MipLevels > td.MipLevels - first) return E_INVALIDARG;
  if (!view) return S_FALSE;

  desc.Format = format->format;
  device->Activate();
  GLenum internalFormat = texture->HasDepthStorage() ? texture->Storage().internalFormat : format->internalFormat;
  GLuint name = MakeTextureView(*texture, internalFormat, first, desc.Texture2D.MipLevels);
  *view = new (std::nothrow) D3D10ShaderResourceView(device, texture, desc, *format, name);
  if (!*view) {
    glDeleteTextures(1, &name);
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT D3D10RenderTargetView::Create(D3D10Device* device, ID3D10Resource* resource,
                                      const D3D10_RENDER_TARGET_VIEW_DESC* pDesc, ID3D10RenderTargetView** view) {
  D3D10Texture2D* texture = nullptr;
  HRESULT hr = ViewedTexture(resource, D3D10_BIND_RENDER_TARGET, &texture);
  if (FAILED(hr)) return hr;
  D3D10_RENDER_TARGET_VIEW_DESC desc = {};
  if (pDesc) {
    desc = *pDesc;
  } else {
    desc.Format = texture->Desc().Format;
    desc.ViewDimension = D3D10_RTV_DIMENSION_TEXTURE2D;
  }
  // A typed format of the texture's family that GL renders to.
  const D3D10FormatInfo* format = ViewFormat(*texture, desc.Format);
  if (!format || !(format->caps & kFormatRenderTarget)) return E_INVALIDARG;
  // Plain 2D views only: array and multisampled views are not supported.
  if (desc.ViewDimension != D3D10_RTV_DIMENSION_TEXTURE2D) return E_INVALIDARG;
  // A level of the texture.
  if (desc.Texture2D.MipSlice >= texture->Desc().MipLevels) return E_INVALIDARG;
  if (!view) return S_FALSE;

  desc.Format = format->format;
  device->Activate();
  GLuint name = MakeTextureView(*texture, format->internalFormat, desc.Texture2D.MipSlice, 1);
  *view = new (std::nothrow) D3D10RenderTargetView(device, texture, desc, *format, name);
  if (!*view) {
    glDeleteTextures(1, &name);
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT D3D10DepthStencilView::Create(D3D10Device* device, ID3D10Resource* resource,
                                      const D3D10_DEPTH_STENCIL_VIEW_DESC* pDesc, ID3D10DepthStencilView** view) {
  D3D10Texture2D* texture = nullptr;
  HRESULT hr = ViewedTexture(resource, D3D10_BIND_DEPTH_STENCIL, &texture);
  if (FAILED(hr)) return hr;
  D3D10_DEPTH_STENCIL_VIEW_DESC desc = {};
  if (pDesc) {
    desc = *pDesc;
  } else {
    desc.Format = texture->Desc().Format;
    desc.ViewDimension = D3D10_DSV_DIMENSION_TEXTURE2D;
  }
  // A depth format of the texture's family.
  const D3D10FormatInfo* format = ViewFormat(*texture, desc.Format);
  if (!format || !(format->caps & kFormatDepthStencil)) return E_INVALIDARG;
  // Plain 2D views only: array and multisampled views are not supported.
  if (desc.ViewDimension != D3D10_DSV_DIMENSION_TEXTURE2D) return E_INVALIDARG;
  // A level of the texture.
  if (desc.Texture2D.MipSlice >= texture->Desc().MipLevels) return E_INVALIDARG;
  if (!view) return S_FALSE;

  desc.Format = format->format;
  device->Activate();
  GLuint name = MakeTextureView(*texture, format->internalFormat, desc.Texture2D.MipSlice, 1);
  *view = new (std::nothrow) D3D10DepthStencilView(device, texture, desc, *format, name);
  if (!*view) {
    glDeleteTextures(1, &name);
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

bool D3D10DepthStencilView::HasStencil() const { return Format().transferFormat == GL_DEPTH_STENCIL; }
