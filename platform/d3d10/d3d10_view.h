// Shader-resource, render-target and depth-stencil views of 2D textures. Each
// is a GL texture view over the texture's immutable storage, which gives a
// typeless texture its typed formats.
#pragma once

#include <d3d10.h>
#include <epoxy/gl.h>

#include "d3d10/d3d10_device.h"
#include "d3d10/d3d10_format.h"
#include "d3d10/d3d10_texture.h"

template <typename Interface, typename Desc>
class D3D10View : public D3D10DeviceChild<Interface> {
 public:
  void STDMETHODCALLTYPE GetResource(ID3D10Resource** ppResource) override {
    if (!ppResource) return;
    *ppResource = m_texture.Get();
    m_texture->AddRef();
  }
  void STDMETHODCALLTYPE GetDesc(Desc* pDesc) override {
    if (pDesc) *pDesc = m_desc;
  }

  // The GL texture view: the viewed levels only.
  GLuint Name() const { return m_name; }
  D3D10Texture2D* Texture() const { return static_cast<D3D10Texture2D*>(m_texture.Get()); }
  const D3D10FormatInfo& Format() const { return *m_format; }

 protected:
  D3D10View(D3D10Device* device, D3D10Texture2D* texture, const Desc& desc, const D3D10FormatInfo& format,
            GLuint name)
      : D3D10DeviceChild<Interface>(device), m_texture(texture), m_desc(desc), m_format(&format), m_name(name) {}
  ~D3D10View() override {
    D3D10Device* device = this->Device();
    device->Activate();
    device->OnViewDestroyed(static_cast<Interface*>(this), m_name);
    glDeleteTextures(1, &m_name);
  }

 private:
  ComPtr<ID3D10Texture2D> m_texture;
  Desc m_desc;
  const D3D10FormatInfo* m_format;
  GLuint m_name;
};

class D3D10ShaderResourceView final
    : public D3D10View<ID3D10ShaderResourceView, D3D10_SHADER_RESOURCE_VIEW_DESC> {
 public:
  static HRESULT Create(D3D10Device* device, ID3D10Resource* resource, const D3D10_SHADER_RESOURCE_VIEW_DESC* desc,
                        ID3D10ShaderResourceView** view);

 private:
  using D3D10View::D3D10View;
};

class D3D10RenderTargetView final : public D3D10View<ID3D10RenderTargetView, D3D10_RENDER_TARGET_VIEW_DESC> {
 public:
  static HRESULT Create(D3D10Device* device, ID3D10Resource* resource, const D3D10_RENDER_TARGET_VIEW_DESC* desc,
                        ID3D10RenderTargetView** view);

 private:
  using D3D10View::D3D10View;
};

class D3D10DepthStencilView final : public D3D10View<ID3D10DepthStencilView, D3D10_DEPTH_STENCIL_VIEW_DESC> {
 public:
  static HRESULT Create(D3D10Device* device, ID3D10Resource* resource, const D3D10_DEPTH_STENCIL_VIEW_DESC* desc,
                        ID3D10DepthStencilView** view);

  // Whether the view's format holds stencil as well as depth.
  bool HasStencil() const;

 private:
  using D3D10View::D3D10View;
};
