#include "fx/fx_technique.h"

#include <cstring>

#include "fx/fx_variable.h"

namespace {

ID3D10EffectVariable* AnnotationByName(FxEffect* effect, const FxSpan<FxLoadedAnnotation>& annotations, LPCSTR name) {
  if (!effect || !name) return FxPlainVariable::Invalid();
  for (std::size_t i = 0; i < annotations.size(); ++i) {
    if (annotations[i].name == name) return effect->Annotations(annotations)[i];
  }
  return FxPlainVariable::Invalid();
}

ID3D10EffectVariable* AnnotationByIndex(FxEffect* effect, const FxSpan<FxLoadedAnnotation>& annotations, UINT index) {
  if (!effect || index >= annotations.size()) return FxPlainVariable::Invalid();
  return effect->Annotations(annotations)[index];
}

void SetBit(BYTE* bits, uint32_t index) { bits[index / 8] |= static_cast<BYTE>(1u << (index % 8)); }

}  // namespace

// Passes ------------------------------------------------------------------------

FxPassImpl::FxPassImpl(FxEffect* effect, const FxLoadedPass* pass) : m_effect(effect), m_pass(pass) {
  if (!effect) return;
  for (uint32_t stage = 0; stage < kFxStageCount; ++stage) {
    uint32_t shader = pass->shaders[stage].shader;
    if (shader != kFxNone) m_shaders[stage] = &effect->Shader(shader);
  }
  if (pass->blend.kind == kFxStateVariable) {
    m_blend = effect->ObjectAt(pass->blend.variable).blends[pass->blend.element].Get();
  }
  if (pass->depthStencil.kind == kFxStateVariable) {
    m_depthStencil = effect->ObjectAt(pass->depthStencil.variable).depthStencils[pass->depthStencil.element].Get();
  }
  if (pass->rasterizer.kind == kFxStateVariable) {
    m_rasterizer = effect->ObjectAt(pass->rasterizer.variable).rasterizers[pass->rasterizer.element].Get();
  }
}

FxPassImpl* FxPassImpl::Invalid() {
  static FxPassImpl invalid(nullptr, nullptr);
  return &invalid;
}

HRESULT STDMETHODCALLTYPE FxPassImpl::GetDesc(D3D10_PASS_DESC* pDesc) {
  if (!m_effect) return E_FAIL;
  if (!pDesc) return E_INVALIDARG;
  pDesc->Name = m_pass->name.c_str();
  pDesc->Annotations = static_cast<UINT>(m_pass->annotations.size());
  const FxShaderState* vertex = m_shaders[kFxVertex];
  pDesc->pIAInputSignature = vertex ? static_cast<BYTE*>(const_cast<void*>(vertex->signature)) : nullptr;
  pDesc->IAInputSignatureSize = vertex ? vertex->signatureSize : 0;
  pDesc->StencilRef = m_pass->stencilRef;
  pDesc->SampleMask = m_pass->sampleMask;
  for (int i = 0; i < 4; ++i) pDesc->BlendFactor[i] = m_pass->blendFactor[i];
  return S_OK;
}

HRESULT FxPassImpl::ShaderDesc(uint32_t stage, D3D10_PASS_SHADER_DESC* pDesc) {
  if (!m_effect) return E_FAIL;
  if (!pDesc) return E_INVALIDARG;
  const FxShaderRef& ref = m_pass->shaders[stage];
  if (ref.variable != kFxNone) {
    pDesc->pShaderVariable = m_effect->ObjectAt(ref.variable).variable->AsShader();
    pDesc->ShaderIndex = ref.element;
  } else {
    pDesc->pShaderVariable = m_shaders[stage] ? m_shaders[stage]->anonymous : FxShaderVariable::Invalid();
    pDesc->ShaderIndex = 0;
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FxPassImpl::GetVertexShaderDesc(D3D10_PASS_SHADER_DESC* pDesc) {
  return ShaderDesc(kFxVertex, pDesc);
}
HRESULT STDMETHODCALLTYPE FxPassImpl::GetGeometryShaderDesc(D3D10_PASS_SHADER_DESC* pDesc) {
  return ShaderDesc(kFxGeometry, pDesc);
}
HRESULT STDMETHODCALLTYPE FxPassImpl::GetPixelShaderDesc(D3D10_PASS_SHADER_DESC* pDesc) {
  return ShaderDesc(kFxPixel, pDesc);
}

ID3D10EffectVariable* STDMETHODCALLTYPE FxPassImpl::GetAnnotationByIndex(UINT Index) {
  return m_effect ? AnnotationByIndex(m_effect, m_pass->annotations, Index) : FxPlainVariable::Invalid();
}

ID3D10EffectVariable* STDMETHODCALLTYPE FxPassImpl::GetAnnotationByName(LPCSTR Name) {
  return m_effect ? AnnotationByName(m_effect, m_pass->annotations, Name) : FxPlainVariable::Invalid();
}

HRESULT STDMETHODCALLTYPE FxPassImpl::Apply(UINT) {
  if (!m_effect) return E_FAIL;
  ID3D10Device* device = m_effect->Device();
  FxShaderState* vertex = m_shaders[kFxVertex];
  FxShaderState* geometry = m_shaders[kFxGeometry];
  FxShaderState* pixel = m_shaders[kFxPixel];
  device->VSSetShader(vertex ? vertex->vertex.Get() : nullptr);
  device->GSSetShader(geometry ? geometry->geometry.Get() : nullptr);
  device->PSSetShader(pixel ? pixel->pixel.Get() : nullptr);
  using SetBuffers = void (STDMETHODCALLTYPE ID3D10Device::*)(UINT, UINT, ID3D10Buffer* const*);
  using SetViews = void (STDMETHODCALLTYPE ID3D10Device::*)(UINT, UINT, ID3D10ShaderResourceView* const*);
  using SetSamplers = void (STDMETHODCALLTYPE ID3D10Device::*)(UINT, UINT, ID3D10SamplerState* const*);
  static const SetBuffers kSetBuffers[] = {&ID3D10Device::VSSetConstantBuffers, &ID3D10Device::GSSetConstantBuffers,
                                           &ID3D10Device::PSSetConstantBuffers};
  static const SetViews kSetViews[] = {&ID3D10Device::VSSetShaderResources, &ID3D10Device::GSSetShaderResources,
                                       &ID3D10Device::PSSetShaderResources};
  static const SetSamplers kSetSamplers[] = {&ID3D10Device::VSSetSamplers, &ID3D10Device::GSSetSamplers,
                                             &ID3D10Device::PSSetSamplers};
  for (uint32_t stage = 0; stage < kFxStageCount; ++stage) {
    FxShaderState* shader = m_shaders[stage];
    if (!shader) continue;
    for (const auto& binding : shader->buffers) {
      FxBufferState* buffer = binding.second;
      buffer->Upload();
      ID3D10Buffer* d3d = buffer->buffer.Get();
      (device->*kSetBuffers[stage])(binding.first, 1, &d3d);
    }
    for (const auto& binding : shader->views) {
      ID3D10ShaderResourceView* view = binding.second->Get();
      (device->*kSetViews[stage])(binding.first, 1, &view);
    }
    for (const auto& binding : shader->samplers) {
      ID3D10SamplerState* sampler = binding.second->Get();
      (device->*kSetSamplers[stage])(binding.first, 1, &sampler);
    }
  }
  if (m_pass->blend.kind != kFxStateUnset) device->OMSetBlendState(m_blend, m_pass->blendFactor, m_pass->sampleMask);
  if (m_pass->depthStencil.kind != kFxStateUnset) device->OMSetDepthStencilState(m_depthStencil, m_pass->stencilRef);
  if (m_pass->rasterizer.kind != kFxStateUnset) device->RSSetState(m_rasterizer);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FxPassImpl::ComputeStateBlockMask(D3D10_STATE_BLOCK_MASK* pStateBlockMask) {
  if (!m_effect) return E_FAIL;
  if (!pStateBlockMask) return E_INVALIDARG;
  D3D10_STATE_BLOCK_MASK& mask = *pStateBlockMask;
  // Every pass sets all three shaders, NULL included.
  mask.VS = mask.GS = mask.PS = 1;
  BYTE* buffers[] = {mask.VSConstantBuffers, mask.GSConstantBuffers, mask.PSConstantBuffers};
  BYTE* views[] = {mask.VSShaderResources, mask.GSShaderResources, mask.PSShaderResources};
  BYTE* samplers[] = {mask.VSSamplers, mask.GSSamplers, mask.PSSamplers};
  for (uint32_t stage = 0; stage < kFxStageCount; ++stage) {
    if (!m_shaders[stage]) continue;
    for (const auto& binding : m_shaders[stage]->buffers) SetBit(buffers[stage], binding.first);
    for (const auto& binding : m_shaders[stage]->views) SetBit(views[stage], binding.first);
    for (const auto& binding : m_shaders[stage]->samplers) SetBit(samplers[stage], binding.first);
  }
  if (m_pass->blend.kind != kFxStateUnset) mask.OMBlendState = 1;
  if (m_pass->depthStencil.kind != kFxStateUnset) mask.OMDepthStencilState = 1;
  if (m_pass->rasterizer.kind != kFxStateUnset) mask.RSRasterizerState = 1;
  return S_OK;
}

// Techniques ---------------------------------------------------------------------

FxTechniqueImpl::FxTechniqueImpl(FxEffect* effect, const FxLoadedTechnique* technique)
    : m_effect(effect), m_technique(technique) {
  if (!effect) return;
  m_passes = effect->Allocate<FxPassImpl*>(technique->passes.size());
  for (std::size_t p = 0; p < m_passes.size(); ++p) m_passes[p] = effect->Make<FxPassImpl>(effect, &technique->passes[p]);
}

FxTechniqueImpl* FxTechniqueImpl::Invalid() {
  static FxTechniqueImpl invalid(nullptr, nullptr);
  return &invalid;
}

HRESULT STDMETHODCALLTYPE FxTechniqueImpl::GetDesc(D3D10_TECHNIQUE_DESC* pDesc) {
  if (!m_effect) return E_FAIL;
  if (!pDesc) return E_INVALIDARG;
  pDesc->Name = m_technique->name.c_str();
  pDesc->Passes = static_cast<UINT>(m_passes.size());
  pDesc->Annotations = static_cast<UINT>(m_technique->annotations.size());
  return S_OK;
}

ID3D10EffectVariable* STDMETHODCALLTYPE FxTechniqueImpl::GetAnnotationByIndex(UINT Index) {
  return m_effect ? AnnotationByIndex(m_effect, m_technique->annotations, Index) : FxPlainVariable::Invalid();
}

ID3D10EffectVariable* STDMETHODCALLTYPE FxTechniqueImpl::GetAnnotationByName(LPCSTR Name) {
  return m_effect ? AnnotationByName(m_effect, m_technique->annotations, Name) : FxPlainVariable::Invalid();
}

ID3D10EffectPass* STDMETHODCALLTYPE FxTechniqueImpl::GetPassByIndex(UINT Index) {
  return Index < m_passes.size() ? m_passes[Index] : FxPassImpl::Invalid();
}

ID3D10EffectPass* STDMETHODCALLTYPE FxTechniqueImpl::GetPassByName(LPCSTR Name) {
  if (!Name) return FxPassImpl::Invalid();
  for (std::size_t i = 0; i < m_passes.size(); ++i) {
    if (m_technique->passes[i].name == Name) return m_passes[i];
  }
  return FxPassImpl::Invalid();
}

HRESULT STDMETHODCALLTYPE FxTechniqueImpl::ComputeStateBlockMask(D3D10_STATE_BLOCK_MASK* pStateBlockMask) {
  if (!m_effect) return E_FAIL;
  if (!pStateBlockMask) return E_INVALIDARG;
  for (FxPassImpl* pass : m_passes) pass->ComputeStateBlockMask(pStateBlockMask);
  return S_OK;
}
