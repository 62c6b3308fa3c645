// ID3D10EffectTechnique and ID3D10EffectPass. A pass knows, from the
// effect's creation on, which shader, buffers, views and samplers go to which
// slots, so that Apply is a run of device calls.
#pragma once

#include <d3d10effect.h>

#include "fx_effect.h"

class FxPassImpl final : public ID3D10EffectPass {
 public:
  FxPassImpl(FxEffect* effect, const FxLoadedPass* pass);
  static FxPassImpl* Invalid();

  BOOL STDMETHODCALLTYPE IsValid() override { return m_effect != nullptr; }
  HRESULT STDMETHODCALLTYPE GetDesc(D3D10_PASS_DESC* pDesc) override;
  HRESULT STDMETHODCALLTYPE GetVertexShaderDesc(D3D10_PASS_SHADER_DESC* pDesc) override;
  HRESULT STDMETHODCALLTYPE GetGeometryShaderDesc(D3D10_PASS_SHADER_DESC* pDesc) override;
  HRESULT STDMETHODCALLTYPE GetPixelShaderDesc(D3D10_PASS_SHADER_DESC* pDesc) override;
  ID3D10EffectVariable* STDMETHODCALLTYPE GetAnnotationByIndex(UINT Index) override;
  ID3D10EffectVariable* STDMETHODCALLTYPE GetAnnotationByName(LPCSTR Name) override;
  HRESULT STDMETHODCALLTYPE Apply(UINT Flags) override;
  HRESULT STDMETHODCALLTYPE ComputeStateBlockMask(D3D10_STATE_BLOCK_MASK* pStateBlockMask) override;

 private:
  HRESULT ShaderDesc(uint32_t stage, D3D10_PASS_SHADER_DESC* pDesc);

  FxEffect* m_effect;
  const FxLoadedPass* m_pass;
  FxShaderState* m_shaders[kFxStageCount] = {};
  ID3D10BlendState* m_blend = nullptr;
  ID3D10DepthStencilState* m_depthStencil = nullptr;
  ID3D10RasterizerState* m_rasterizer = nullptr;
};

class FxTechniqueImpl final : public ID3D10EffectTechnique {
 public:
  FxTechniqueImpl(FxEffect* effect, const FxLoadedTechnique* technique);
  static FxTechniqueImpl* Invalid();

  BOOL STDMETHODCALLTYPE IsValid() override { return m_effect != nullptr; }
  HRESULT STDMETHODCALLTYPE GetDesc(D3D10_TECHNIQUE_DESC* pDesc) override;
  ID3D10EffectVariable* STDMETHODCALLTYPE GetAnnotationByIndex(UINT Index) override;
  ID3D10EffectVariable* STDMETHODCALLTYPE GetAnnotationByName(LPCSTR Name) override;
  ID3D10EffectPass* STDMETHODCALLTYPE GetPassByIndex(UINT Index) override;
  ID3D10EffectPass* STDMETHODCALLTYPE GetPassByName(LPCSTR Name) override;
  HRESULT STDMETHODCALLTYPE ComputeStateBlockMask(D3D10_STATE_BLOCK_MASK* pStateBlockMask) override;

  const char* Name() const { return m_technique ? m_technique->name.c_str() : ""; }

 private:
  FxEffect* m_effect;
  const FxLoadedTechnique* m_technique;
  FxSpan<FxPassImpl*> m_passes;
};
