// Shader-resource, render-target and depth-stencil views of textures. Each is
// a GL texture view over the texture's immutable storage, which gives a
// typeless texture its typed formats and a slice, face or level range its own
// GL texture.
//
// View formats. DXGI_FORMAT_UNKNOWN in a view description, like the
// texture's own format, means the texture's format. A typeless texture needs
// a typed view format, except that depth storage (see d3d10_format.h)
// resolves it to its family's depth format for depth-stencil views and to
// its depth-read format (R32_FLOAT, R16_UNORM, R24_UNORM_X8_TYPELESS,
// R32_FLOAT_X8X24_TYPELESS) for shader views: a shader-readable D16 buffer
// made as R16_TYPELESS reads through a view that names R16_TYPELESS. A
// named format belongs to the texture's family and is the texture's own, any
// typed format of a typeless family, or, over depth storage, the family's
// depth, depth-read or stencil-read format.
//
// Render-target and depth-stencil views of one slice are plain (not layered)
// attachments, whatever their dimension, so that they combine with plain
// views; views of several slices render into slice 0 unless a geometry
// shader chooses, as in Direct3D.
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
    *ppResource = m_resource.Get();
    m_resource->AddRef();
  }
  // The description with the format and the -1 counts resolved.
  void STDMETHODCALLTYPE GetDesc(Desc* pDesc) override {
    if (pDesc) *pDesc = m_desc;
  }

  // The GL texture view: the viewed levels and slices only.
  GLuint Name() const { return m_name; }
  D3D10TextureImage& Image() const { return *m_image; }
  const D3D10FormatInfo& Format() const { return *m_format; }

  // Attaches the view to a framebuffer: one slice of a volume, or the whole
  // view (layered when it has several slices).
  void Attach(GLuint framebuffer, GLenum attachment) const {
    if (m_layer >= 0) {
      glNamedFramebufferTextureLayer(framebuffer, attachment, m_name, 0, m_layer);
    } else {
      glNamedFramebufferTexture(framebuffer, attachment, m_name, 0);
    }
  }

 protected:
  D3D10View(D3D10Device* device, ID3D10Resource* resource, const Desc& desc, const D3D10FormatInfo& format,
            GLuint name, GLint layer)
      : D3D10DeviceChild<Interface>(device),
        m_resource(resource),
        m_image(D3D10GetTextureImage(resource)),
        m_desc(desc),
        m_format(&format),
        m_name(name),
        m_layer(layer) {}
  ~D3D10View() override {
    D3D10Device* device = this->Device();
    device->Activate();
    device->OnViewDestroyed(static_cast<Interface*>(this), m_name);
    glDeleteTextures(1, &m_name);
  }

 private:
  ComPtr<ID3D10Resource> m_resource;
  D3D10TextureImage* m_image;
  Desc m_desc;
  const D3D10FormatInfo* m_format;
  GLuint m_name;
  GLint m_layer;  // -1: the whole view
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
