// Rasterizer, depth-stencil, blend and sampler states. Equal descriptions
// give the same object, as in Direct3D 10; GL state is set from the
// descriptions when the device draws.
#pragma once

#include <d3d10.h>
#include <epoxy/gl.h>

#include "d3d10/d3d10_device.h"

// One validation function per description: S_OK or E_INVALIDARG.
HRESULT D3D10ValidateRasterizerDesc(const D3D10_RASTERIZER_DESC* desc);
HRESULT D3D10ValidateDepthStencilDesc(const D3D10_DEPTH_STENCIL_DESC* desc);
HRESULT D3D10ValidateBlendDesc(const D3D10_BLEND_DESC* desc);
HRESULT D3D10ValidateSamplerDesc(const D3D10_SAMPLER_DESC* desc);

// The states a null binding stands for.
extern const D3D10_RASTERIZER_DESC kD3D10DefaultRasterizerDesc;
extern const D3D10_DEPTH_STENCIL_DESC kD3D10DefaultDepthStencilDesc;
extern const D3D10_BLEND_DESC kD3D10DefaultBlendDesc;
extern const D3D10_SAMPLER_DESC kD3D10DefaultSamplerDesc;

// Set the GL state of a description on the current context.
void D3D10ApplyRasterizerDesc(const D3D10_RASTERIZER_DESC& desc);
void D3D10ApplyDepthStencilDesc(const D3D10_DEPTH_STENCIL_DESC& desc, UINT stencilRef);
void D3D10ApplyBlendDesc(const D3D10_BLEND_DESC& desc, const FLOAT factor[4], UINT sampleMask);
// A GL sampler object with the description's parameters.
GLuint D3D10CreateGLSampler(const D3D10_SAMPLER_DESC& desc);

template <typename Interface, typename Desc>
class D3D10State final : public D3D10DeviceChild<Interface> {
 public:
  // The device's state for an equal description with a new reference, or a
  // new state. The description is validated first.
  static HRESULT Create(D3D10Device* device, const Desc* desc, Interface** state);

  void STDMETHODCALLTYPE GetDesc(Desc* pDesc) override {
    if (pDesc) *pDesc = m_desc;
  }

  const Desc& Description() const { return m_desc; }
  // The GL sampler object of a sampler state; 0 for the other states.
  GLuint GLSampler() const { return m_sampler; }

 private:
  D3D10State(D3D10Device* device, const Desc& desc, const D3D10StateKey& key)
      : D3D10DeviceChild<Interface>(device), m_desc(desc), m_key(key) {}
  ~D3D10State() override;

  Desc m_desc;
  D3D10StateKey m_key;
  GLuint m_sampler = 0;
};

using D3D10RasterizerState = D3D10State<ID3D10RasterizerState, D3D10_RASTERIZER_DESC>;
using D3D10DepthStencilState = D3D10State<ID3D10DepthStencilState, D3D10_DEPTH_STENCIL_DESC>;
using D3D10BlendState = D3D10State<ID3D10BlendState, D3D10_BLEND_DESC>;
using D3D10SamplerState = D3D10State<ID3D10SamplerState, D3D10_SAMPLER_DESC>;
