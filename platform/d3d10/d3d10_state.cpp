#include "d3d10/d3d10_state.h"

#include <cassert>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <iterator>
#include <new>
#include <type_traits>
#include <utility>


namespace {

// Enumeration translations, indexed by the Direct3D value; kNone marks a
// value that is not part of the enumeration.
constexpr GLenum kNone = 0xFFFFFFFFu;
const GLenum kComparisonFuncs[] = {kNone,     GL_NEVER,    GL_LESS,   GL_EQUAL, GL_LEQUAL,
                                   GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
const GLenum kStencilOps[] = {kNone, GL_KEEP, GL_ZERO, GL_REPLACE, GL_INCR, GL_DECR, GL_INVERT, GL_INCR_WRAP, GL_DECR_WRAP};
const GLenum kBlendFactors[] = {kNone,
                                GL_ZERO,
                                GL_ONE,
                                GL_SRC_COLOR,
                                GL_ONE_MINUS_SRC_COLOR,
                                GL_SRC_ALPHA,
                                GL_ONE_MINUS_SRC_ALPHA,
                                GL_DST_ALPHA,
                                GL_ONE_MINUS_DST_ALPHA,
                                GL_DST_COLOR,
                                GL_ONE_MINUS_DST_COLOR,
                                GL_SRC_ALPHA_SATURATE,
                                kNone,
                                kNone,
                                GL_CONSTANT_COLOR,
                                GL_ONE_MINUS_CONSTANT_COLOR,
                                GL_SRC1_COLOR,
                                GL_ONE_MINUS_SRC1_COLOR,
                                GL_SRC1_ALPHA,
                                GL_ONE_MINUS_SRC1_ALPHA};
const GLenum kBlendOps[] = {kNone, GL_FUNC_ADD, GL_FUNC_SUBTRACT, GL_FUNC_REVERSE_SUBTRACT, GL_MIN, GL_MAX};
const GLenum kAddressModes[] = {kNone, GL_REPEAT, GL_MIRRORED_REPEAT, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_BORDER,
                                GL_MIRROR_CLAMP_TO_EDGE};
const D3D10_FILTER kFilters[] = {
    D3D10_FILTER_MIN_MAG_MIP_POINT,
    D3D10_FILTER_MIN_MAG_POINT_MIP_LINEAR,
    D3D10_FILTER_MIN_POINT_MAG_LINEAR_MIP_POINT,
    D3D10_FILTER_MIN_POINT_MAG_MIP_LINEAR,
    D3D10_FILTER_MIN_LINEAR_MAG_MIP_POINT,
    D3D10_FILTER_MIN_LINEAR_MAG_POINT_MIP_LINEAR,
    D3D10_FILTER_MIN_MAG_LINEAR_MIP_POINT,
    D3D10_FILTER_MIN_MAG_MIP_LINEAR,
    D3D10_FILTER_ANISOTROPIC,
    D3D10_FILTER_COMPARISON_MIN_MAG_MIP_POINT,
    D3D10_FILTER_COMPARISON_MIN_MAG_POINT_MIP_LINEAR,
    D3D10_FILTER_COMPARISON_MIN_POINT_MAG_LINEAR_MIP_POINT,
    D3D10_FILTER_COMPARISON_MIN_POINT_MAG_MIP_LINEAR,
    D3D10_FILTER_COMPARISON_MIN_LINEAR_MAG_MIP_POINT,
    D3D10_FILTER_COMPARISON_MIN_LINEAR_MAG_POINT_MIP_LINEAR,
    D3D10_FILTER_COMPARISON_MIN_MAG_LINEAR_MIP_POINT,
    D3D10_FILTER_COMPARISON_MIN_MAG_MIP_LINEAR,
    D3D10_FILTER_COMPARISON_ANISOTROPIC,
};
// Filter bits: mip, magnification and minification linear, anisotropic, comparison.
constexpr unsigned kFilterMipLinear = 0x1, kFilterMagLinear = 0x4, kFilterMinLinear = 0x10;
constexpr unsigned kFilterAnisotropic = 0x40, kFilterComparison = 0x80;

// Minification by (minification linear, mip linear).
const GLenum kMinFilters[2][2] = {{GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST_MIPMAP_LINEAR},
                                  {GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR_MIPMAP_LINEAR}};

// With the clip control's top-left origin GL reverses the sense of its
// facing test as well as window y, so Direct3D's clockwise is GL's.
constexpr GLenum kClockwiseFront = GL_CW;
constexpr GLenum kCounterClockwiseFront = GL_CCW;

template <std::size_t N>
bool InTable(const GLenum (&table)[N], unsigned value) {
  return value < N && table[value] != kNone;
}

bool IsColorFactor(D3D10_BLEND blend) {
  switch (blend) {
    case D3D10_BLEND_SRC_COLOR:
    case D3D10_BLEND_INV_SRC_COLOR:
    case D3D10_BLEND_DEST_COLOR:
    case D3D10_BLEND_INV_DEST_COLOR:
    case D3D10_BLEND_SRC1_COLOR:
    case D3D10_BLEND_INV_SRC1_COLOR:
      return true;
    default:
      return false;
  }
}

bool IsValidFilter(UINT filter) {
  for (D3D10_FILTER valid : kFilters) {
    if (filter == static_cast<UINT>(valid)) return true;
  }
  return false;
}

HRESULT ValidateStencilOps(const D3D10_DEPTH_STENCILOP_DESC& face) {
  if (!InTable(kStencilOps, D3D10Raw(face.StencilFailOp))) return E_INVALIDARG;
  if (!InTable(kStencilOps, D3D10Raw(face.StencilDepthFailOp))) return E_INVALIDARG;
  if (!InTable(kStencilOps, D3D10Raw(face.StencilPassOp))) return E_INVALIDARG;
  if (!InTable(kComparisonFuncs, D3D10Raw(face.StencilFunc))) return E_INVALIDARG;
  return S_OK;
}

// Keys hold every field's bytes and never padding, so that equal
// descriptions and only those share a key.
class KeyWriter {
 public:
  explicit KeyWriter(char kind) { m_key.bytes[m_key.size++] = kind; }
  template <typename T>
  KeyWriter& operator<<(const T& value) {
    assert(m_key.size + sizeof(value) <= sizeof(m_key.bytes));
    std::memcpy(m_key.bytes + m_key.size, &value, sizeof(value));
    m_key.size += sizeof(value);
    return *this;
  }
  const D3D10StateKey& Take() const { return m_key; }

 private:
  D3D10StateKey m_key;
};

D3D10StateKey StateKey(const D3D10_RASTERIZER_DESC& d) {
  KeyWriter key('R');
  key << d.FillMode << d.CullMode << d.FrontCounterClockwise << d.DepthBias << d.DepthBiasClamp
      << d.SlopeScaledDepthBias << d.DepthClipEnable << d.ScissorEnable << d.MultisampleEnable
      << d.AntialiasedLineEnable;
  return key.Take();
}

KeyWriter& operator<<(KeyWriter& key, const D3D10_DEPTH_STENCILOP_DESC& face) {
  return key << face.StencilFailOp << face.StencilDepthFailOp << face.StencilPassOp << face.StencilFunc;
}

D3D10StateKey StateKey(const D3D10_DEPTH_STENCIL_DESC& d) {
  KeyWriter key('D');
  key << d.DepthEnable << d.DepthWriteMask << d.DepthFunc << d.StencilEnable << d.StencilReadMask
      << d.StencilWriteMask << d.FrontFace << d.BackFace;
  return key.Take();
}

D3D10StateKey StateKey(const D3D10_BLEND_DESC& d) {
  KeyWriter key('B');
  key << d.AlphaToCoverageEnable << d.BlendEnable << d.SrcBlend << d.DestBlend << d.BlendOp << d.SrcBlendAlpha
      << d.DestBlendAlpha << d.BlendOpAlpha << d.RenderTargetWriteMask;
  return key.Take();
}

D3D10StateKey StateKey(const D3D10_SAMPLER_DESC& d) {
  KeyWriter key('S');
  key << d.Filter << d.AddressU << d.AddressV << d.AddressW << d.MipLODBias << d.MaxAnisotropy << d.ComparisonFunc
      << d.BorderColor << d.MinLOD << d.MaxLOD;
  return key.Take();
}

HRESULT Validate(const D3D10_RASTERIZER_DESC* d) { return D3D10ValidateRasterizerDesc(d); }
HRESULT Validate(const D3D10_DEPTH_STENCIL_DESC* d) { return D3D10ValidateDepthStencilDesc(d); }
HRESULT Validate(const D3D10_BLEND_DESC* d) { return D3D10ValidateBlendDesc(d); }
HRESULT Validate(const D3D10_SAMPLER_DESC* d) { return D3D10ValidateSamplerDesc(d); }

}  // namespace

const D3D10_RASTERIZER_DESC kD3D10DefaultRasterizerDesc = {
    D3D10_FILL_SOLID, D3D10_CULL_BACK, FALSE, 0, 0.0f, 0.0f, TRUE, FALSE, FALSE, FALSE};

const D3D10_DEPTH_STENCIL_DESC kD3D10DefaultDepthStencilDesc = {
    TRUE,
    D3D10_DEPTH_WRITE_MASK_ALL,
    D3D10_COMPARISON_LESS,
    FALSE,
    D3D10_DEFAULT_STENCIL_READ_MASK,
    D3D10_DEFAULT_STENCIL_WRITE_MASK,
    {D3D10_STENCIL_OP_KEEP, D3D10_STENCIL_OP_KEEP, D3D10_STENCIL_OP_KEEP, D3D10_COMPARISON_ALWAYS},
    {D3D10_STENCIL_OP_KEEP, D3D10_STENCIL_OP_KEEP, D3D10_STENCIL_OP_KEEP, D3D10_COMPARISON_ALWAYS}};

const D3D10_BLEND_DESC kD3D10DefaultBlendDesc = {
    FALSE,
    {FALSE, FALSE, FALSE, FALSE, FALSE, FALSE, FALSE, FALSE},
    D3D10_BLEND_ONE,
    D3D10_BLEND_ZERO,
    D3D10_BLEND_OP_ADD,
    D3D10_BLEND_ONE,
    D3D10_BLEND_ZERO,
    D3D10_BLEND_OP_ADD,
    {D3D10_COLOR_WRITE_ENABLE_ALL, D3D10_COLOR_WRITE_ENABLE_ALL, D3D10_COLOR_WRITE_ENABLE_ALL,
     D3D10_COLOR_WRITE_ENABLE_ALL, D3D10_COLOR_WRITE_ENABLE_ALL, D3D10_COLOR_WRITE_ENABLE_ALL,
     D3D10_COLOR_WRITE_ENABLE_ALL, D3D10_COLOR_WRITE_ENABLE_ALL}};

const D3D10_SAMPLER_DESC kD3D10DefaultSamplerDesc = {D3D10_FILTER_MIN_MAG_MIP_LINEAR,
                                                     D3D10_TEXTURE_ADDRESS_CLAMP,
                                                     D3D10_TEXTURE_ADDRESS_CLAMP,
                                                     D3D10_TEXTURE_ADDRESS_CLAMP,
                                                     0.0f,
                                                     1,
                                                     D3D10_COMPARISON_NEVER,
                                                     {1.0f, 1.0f, 1.0f, 1.0f},
                                                     -FLT_MAX,
                                                     FLT_MAX};

HRESULT D3D10ValidateRasterizerDesc(const D3D10_RASTERIZER_DESC* d) {
  if (!d) return E_INVALIDARG;
  // Solid or wireframe.
  UINT fill = D3D10Raw(d->FillMode), cull = D3D10Raw(d->CullMode);
  if (fill != D3D10_FILL_SOLID && fill != D3D10_FILL_WIREFRAME) return E_INVALIDARG;
  // None, front or back.
  if (cull < D3D10_CULL_NONE || cull > D3D10_CULL_BACK) return E_INVALIDARG;
  // Bias factors are numbers.
  if (std::isnan(d->DepthBiasClamp) || std::isnan(d->SlopeScaledDepthBias)) return E_INVALIDARG;
  return S_OK;
}

HRESULT D3D10ValidateDepthStencilDesc(const D3D10_DEPTH_STENCIL_DESC* d) {
  if (!d) return E_INVALIDARG;
  // Depth writes are all or nothing.
  UINT writeMask = D3D10Raw(d->DepthWriteMask);
  if (writeMask != D3D10_DEPTH_WRITE_MASK_ZERO && writeMask != D3D10_DEPTH_WRITE_MASK_ALL) {
    return E_INVALIDARG;
  }
  // A known comparison, even with depth testing off.
  if (!InTable(kComparisonFuncs, D3D10Raw(d->DepthFunc))) return E_INVALIDARG;
  // Known operations and comparisons on both faces, even with stencil off.
  if (FAILED(ValidateStencilOps(d->FrontFace)) || FAILED(ValidateStencilOps(d->BackFace))) return E_INVALIDARG;
  return S_OK;
}

HRESULT D3D10ValidateBlendDesc(const D3D10_BLEND_DESC* d) {
  if (!d) return E_INVALIDARG;
  // Known colour factors and operation.
  if (!InTable(kBlendFactors, D3D10Raw(d->SrcBlend)) || !InTable(kBlendFactors, D3D10Raw(d->DestBlend))) {
    return E_INVALIDARG;
  }
  if (!InTable(kBlendOps, D3D10Raw(d->BlendOp))) return E_INVALIDARG;
  // Known alpha factors and operation; alpha cannot blend by a colour.
  if (!InTable(kBlendFactors, D3D10Raw(d->SrcBlendAlpha)) || !InTable(kBlendFactors, D3D10Raw(d->DestBlendAlpha))) {
    return E_INVALIDARG;
  }
  if (IsColorFactor(d->SrcBlendAlpha) || IsColorFactor(d->DestBlendAlpha)) return E_INVALIDARG;
  if (!InTable(kBlendOps, D3D10Raw(d->BlendOpAlpha))) return E_INVALIDARG;
  // Write masks name the four channels only.
  for (UINT8 mask : d->RenderTargetWriteMask) {
    if (mask > D3D10_COLOR_WRITE_ENABLE_ALL) return E_INVALIDARG;
  }
  return S_OK;
}

HRESULT D3D10ValidateSamplerDesc(const D3D10_SAMPLER_DESC* d) {
  if (!d) return E_INVALIDARG;
  // A filter of the enumeration; the 1-bit text filter is not supported.
  if (!IsValidFilter(D3D10Raw(d->Filter))) return E_INVALIDARG;
  // Known address modes on all three axes.
  if (!InTable(kAddressModes, D3D10Raw(d->AddressU)) || !InTable(kAddressModes, D3D10Raw(d->AddressV)) ||
      !InTable(kAddressModes, D3D10Raw(d->AddressW))) {
    return E_INVALIDARG;
  }
  // The bias lies in the hardware's range.
  if (!(d->MipLODBias >= D3D10_MIP_LOD_BIAS_MIN && d->MipLODBias <= D3D10_MIP_LOD_BIAS_MAX)) return E_INVALIDARG;
  // At most 16 samples of anisotropy.
  if (d->MaxAnisotropy > D3D10_MAX_MAXANISOTROPY) return E_INVALIDARG;
  // Comparison filters need a known comparison.
  if ((D3D10Raw(d->Filter) & kFilterComparison) && !InTable(kComparisonFuncs, D3D10Raw(d->ComparisonFunc))) {
    return E_INVALIDARG;
  }
  // Level limits are numbers.
  if (std::isnan(d->MinLOD) || std::isnan(d->MaxLOD)) return E_INVALIDARG;
  return S_OK;
}

void D3D10ApplyRasterizerDesc(const D3D10_RASTERIZER_DESC& d) {
  // Whether GL can clamp the bias; the same driver serves every device.
  static const bool s_offsetClamp =
      epoxy_has_gl_extension("GL_ARB_polygon_offset_clamp") || epoxy_has_gl_extension("GL_EXT_polygon_offset_clamp");
  glPolygonMode(GL_FRONT_AND_BACK, d.FillMode == D3D10_FILL_WIREFRAME ? GL_LINE : GL_FILL);
  if (d.CullMode == D3D10_CULL_NONE) {
    glDisable(GL_CULL_FACE);
  } else {
    glEnable(GL_CULL_FACE);
    glCullFace(d.CullMode == D3D10_CULL_FRONT ? GL_FRONT : GL_BACK);
  }
  glFrontFace(d.FrontCounterClockwise ? kCounterClockwiseFront : kClockwiseFront);
  bool biased = d.DepthBias != 0 || d.SlopeScaledDepthBias != 0.0f;
  for (GLenum mode : {GL_POLYGON_OFFSET_FILL, GL_POLYGON_OFFSET_LINE, GL_POLYGON_OFFSET_POINT}) {
    if (biased) {
      glEnable(mode);
    } else {
      glDisable(mode);
    }
  }
  if (biased) {
    if (s_offsetClamp) {
      glPolygonOffsetClamp(d.SlopeScaledDepthBias, static_cast<GLfloat>(d.DepthBias), d.DepthBiasClamp);
    } else {
      glPolygonOffset(d.SlopeScaledDepthBias, static_cast<GLfloat>(d.DepthBias));
    }
  }
  // Without depth clipping, depth is clamped to the viewport's range instead.
  if (d.DepthClipEnable) {
    glDisable(GL_DEPTH_CLAMP);
  } else {
    glEnable(GL_DEPTH_CLAMP);
  }
  if (d.ScissorEnable) {
    glEnable(GL_SCISSOR_TEST);
  } else {
    glDisable(GL_SCISSOR_TEST);
  }
  if (d.MultisampleEnable) {
    glEnable(GL_MULTISAMPLE);
  } else {
    glDisable(GL_MULTISAMPLE);
  }
  // Line antialiasing applies when multisampling does not.
  if (d.AntialiasedLineEnable && !d.MultisampleEnable) {
    glEnable(GL_LINE_SMOOTH);
  } else {
    glDisable(GL_LINE_SMOOTH);
  }
}

void D3D10ApplyDepthStencilDesc(const D3D10_DEPTH_STENCIL_DESC& d, UINT stencilRef) {
  if (d.DepthEnable) {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(kComparisonFuncs[d.DepthFunc]);
  } else {
    glDisable(GL_DEPTH_TEST);
  }
  glDepthMask(d.DepthWriteMask == D3D10_DEPTH_WRITE_MASK_ALL ? GL_TRUE : GL_FALSE);
  if (!d.StencilEnable) {
    glDisable(GL_STENCIL_TEST);
    return;
  }
  glEnable(GL_STENCIL_TEST);
  // Direct3D's front face is GL's: the rasterizer state sets GL's winding.
  const std::pair<GLenum, const D3D10_DEPTH_STENCILOP_DESC*> faces[] = {{GL_FRONT, &d.FrontFace},
                                                                       {GL_BACK, &d.BackFace}};
  for (const auto& face : faces) {
    glStencilFuncSeparate(face.first, kComparisonFuncs[face.second->StencilFunc], static_cast<GLint>(stencilRef),
                          d.StencilReadMask);
    glStencilOpSeparate(face.first, kStencilOps[face.second->StencilFailOp],
                        kStencilOps[face.second->StencilDepthFailOp], kStencilOps[face.second->StencilPassOp]);
  }
  glStencilMask(d.StencilWriteMask);
}

void D3D10ApplyBlendDesc(const D3D10_BLEND_DESC& d, const FLOAT factor[4], UINT sampleMask) {
  for (GLuint i = 0; i < D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT; ++i) {
    if (d.BlendEnable[i]) {
      glEnablei(GL_BLEND, i);
    } else {
      glDisablei(GL_BLEND, i);
    }
    UINT8 mask = d.RenderTargetWriteMask[i];
    glColorMaski(i, (mask & D3D10_COLOR_WRITE_ENABLE_RED) != 0, (mask & D3D10_COLOR_WRITE_ENABLE_GREEN) != 0,
                 (mask & D3D10_COLOR_WRITE_ENABLE_BLUE) != 0, (mask & D3D10_COLOR_WRITE_ENABLE_ALPHA) != 0);
  }
  // Direct3D 10 blends every target with the same factors.
  glBlendFuncSeparate(kBlendFactors[d.SrcBlend], kBlendFactors[d.DestBlend], kBlendFactors[d.SrcBlendAlpha],
                      kBlendFactors[d.DestBlendAlpha]);
  glBlendEquationSeparate(kBlendOps[d.BlendOp], kBlendOps[d.BlendOpAlpha]);
  if (d.AlphaToCoverageEnable) {
    glEnable(GL_SAMPLE_ALPHA_TO_COVERAGE);
  } else {
    glDisable(GL_SAMPLE_ALPHA_TO_COVERAGE);
  }
  glBlendColor(factor[0], factor[1], factor[2], factor[3]);
  if (sampleMask == D3D10_DEFAULT_SAMPLE_MASK) {
    glDisable(GL_SAMPLE_MASK);
  } else {
    glEnable(GL_SAMPLE_MASK);
    glSampleMaski(0, sampleMask);
  }
}

GLuint D3D10CreateGLSampler(const D3D10_SAMPLER_DESC& d) {
  static const bool s_anisotropy = epoxy_has_gl_extension("GL_ARB_texture_filter_anisotropic") ||
                                   epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic");
  GLuint sampler = 0;
  glCreateSamplers(1, &sampler);
  // A new sampler holds GL's initial values; only what differs is set.
  auto integer = [sampler](GLenum name, GLint value, GLint initial) {
    if (value != initial) glSamplerParameteri(sampler, name, value);
  };
  auto real = [sampler](GLenum name, GLfloat value, GLfloat initial) {
    if (value != initial) glSamplerParameterf(sampler, name, value);
  };
  unsigned filter = static_cast<unsigned>(d.Filter);
  integer(GL_TEXTURE_MIN_FILTER, kMinFilters[(filter & kFilterMinLinear) != 0][(filter & kFilterMipLinear) != 0],
          GL_NEAREST_MIPMAP_LINEAR);
  integer(GL_TEXTURE_MAG_FILTER, (filter & kFilterMagLinear) ? GL_LINEAR : GL_NEAREST, GL_LINEAR);
  if (s_anisotropy) {
    GLfloat anisotropy = (filter & kFilterAnisotropic) ? static_cast<GLfloat>(d.MaxAnisotropy ? d.MaxAnisotropy : 1)
                                                       : 1.0f;
    real(GL_TEXTURE_MAX_ANISOTROPY, anisotropy, 1.0f);
  }
  integer(GL_TEXTURE_WRAP_S, kAddressModes[d.AddressU], GL_REPEAT);
  integer(GL_TEXTURE_WRAP_T, kAddressModes[d.AddressV], GL_REPEAT);
  integer(GL_TEXTURE_WRAP_R, kAddressModes[d.AddressW], GL_REPEAT);
  real(GL_TEXTURE_LOD_BIAS, d.MipLODBias, 0.0f);
  real(GL_TEXTURE_MIN_LOD, d.MinLOD, -1000.0f);
  real(GL_TEXTURE_MAX_LOD, d.MaxLOD, 1000.0f);
  if (d.BorderColor[0] != 0 || d.BorderColor[1] != 0 || d.BorderColor[2] != 0 || d.BorderColor[3] != 0) {
    glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, d.BorderColor);
  }
  if (filter & kFilterComparison) {
    glSamplerParameteri(sampler, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_REF_TO_TEXTURE);
    integer(GL_TEXTURE_COMPARE_FUNC, kComparisonFuncs[d.ComparisonFunc], GL_LEQUAL);
  }
  return sampler;
}

template <typename Interface, typename Desc>
HRESULT D3D10State<Interface, Desc>::Create(D3D10Device* device, const Desc* desc, Interface** state) {
  HRESULT hr = Validate(desc);
  if (FAILED(hr)) return hr;
  if (!state) return S_FALSE;

  D3D10StateKey key = StateKey(*desc);
  if (IUnknown* existing = device->FindState(key)) {
    // Keys start with the kind of state, so the object found is of this kind.
    *state = static_cast<Interface*>(existing);
    return S_OK;
  }
  D3D10State* created = new (std::nothrow) D3D10State(device, *desc, key);
  if (!created) return E_OUTOFMEMORY;
  if constexpr (std::is_same<Desc, D3D10_SAMPLER_DESC>::value) {
    device->Activate();
    created->m_sampler = D3D10CreateGLSampler(*desc);
  }
  device->RegisterState(created->m_key, static_cast<Interface*>(created));
  *state = created;
  return S_OK;
}

template <typename Interface, typename Desc>
D3D10State<Interface, Desc>::~D3D10State() {
  D3D10Device* device = this->Device();
  device->UnregisterState(m_key);
  if (m_sampler) {
    device->Activate();
    device->OnSamplerDestroyed(m_sampler);
    glDeleteSamplers(1, &m_sampler);
  }
}

template class D3D10State<ID3D10RasterizerState, D3D10_RASTERIZER_DESC>;
template class D3D10State<ID3D10DepthStencilState, D3D10_DEPTH_STENCIL_DESC>;
template class D3D10State<ID3D10BlendState, D3D10_BLEND_DESC>;
template class D3D10State<ID3D10SamplerState, D3D10_SAMPLER_DESC>;
