// The effect variable interfaces: one class per typed view, all sharing what
// a variable refers to. Members, elements and annotations are variables too,
// made on first use and owned by the effect. Every class has an invalid
// instance, returned for lookups that find nothing; its methods fail with
// E_FAIL and its lookups return invalid variables again.
#pragma once

#include <d3d10effect.h>

#include <string>
#include <vector>

#include "fx_effect.h"

// What a variable object stands for.
struct FxVariableCore {
  FxEffect* effect = nullptr;  // null for the invalid variables
  uint32_t type = 0;
  bool element = false;  // an element of an array: its type is the element type
  const char* name = "";
  const char* semantic = "";
  uint32_t flags = 0;  // D3D10_EFFECT_VARIABLE_*
  uint32_t bindPoint = 0;
  const FxSpan<FxLoadedAnnotation>* annotations = nullptr;
  ID3D10EffectConstantBuffer* parent = nullptr;
  // Numbers: bytes in HLSL packing, in a constant buffer or, read-only, in an annotation.
  FxBufferState* buffer = nullptr;
  const uint8_t* constant = nullptr;
  uint32_t offset = 0;
  // Objects: the elements [first, first + count) of an object variable, or of
  // a list of strings.
  FxObjectState* object = nullptr;
  const FxSpan<FxName>* strings = nullptr;
  uint32_t first = 0;
  uint32_t count = 1;
  uint32_t shader = kFxNone;  // an inline shader standing alone
};

template <typename Interface>
class FxVariableBase : public Interface {
 public:
  explicit FxVariableBase(const FxVariableCore& core) : m_core(core) {}

  BOOL STDMETHODCALLTYPE IsValid() override { return m_core.effect != nullptr; }
  ID3D10EffectType* STDMETHODCALLTYPE GetType() override;
  HRESULT STDMETHODCALLTYPE GetDesc(D3D10_EFFECT_VARIABLE_DESC* pDesc) override;
  ID3D10EffectVariable* STDMETHODCALLTYPE GetAnnotationByIndex(UINT Index) override;
  ID3D10EffectVariable* STDMETHODCALLTYPE GetAnnotationByName(LPCSTR Name) override;
  ID3D10EffectVariable* STDMETHODCALLTYPE GetMemberByIndex(UINT Index) override;
  ID3D10EffectVariable* STDMETHODCALLTYPE GetMemberByName(LPCSTR Name) override;
  ID3D10EffectVariable* STDMETHODCALLTYPE GetMemberBySemantic(LPCSTR Semantic) override;
  ID3D10EffectVariable* STDMETHODCALLTYPE GetElement(UINT Index) override;
  ID3D10EffectConstantBuffer* STDMETHODCALLTYPE GetParentConstantBuffer() override;
  ID3D10EffectScalarVariable* STDMETHODCALLTYPE AsScalar() override;
  ID3D10EffectVectorVariable* STDMETHODCALLTYPE AsVector() override;
  ID3D10EffectMatrixVariable* STDMETHODCALLTYPE AsMatrix() override;
  ID3D10EffectStringVariable* STDMETHODCALLTYPE AsString() override;
  ID3D10EffectShaderResourceVariable* STDMETHODCALLTYPE AsShaderResource() override;
  ID3D10EffectRenderTargetViewVariable* STDMETHODCALLTYPE AsRenderTargetView() override;
  ID3D10EffectDepthStencilViewVariable* STDMETHODCALLTYPE AsDepthStencilView() override;
  ID3D10EffectConstantBuffer* STDMETHODCALLTYPE AsConstantBuffer() override;
  ID3D10EffectShaderVariable* STDMETHODCALLTYPE AsShader() override;
  ID3D10EffectBlendVariable* STDMETHODCALLTYPE AsBlend() override;
  ID3D10EffectDepthStencilVariable* STDMETHODCALLTYPE AsDepthStencil() override;
  ID3D10EffectRasterizerVariable* STDMETHODCALLTYPE AsRasterizer() override;
  ID3D10EffectSamplerVariable* STDMETHODCALLTYPE AsSampler() override;
  HRESULT STDMETHODCALLTYPE SetRawValue(void* pData, UINT ByteOffset, UINT ByteCount) override;
  HRESULT STDMETHODCALLTYPE GetRawValue(void* pData, UINT ByteOffset, UINT ByteCount) override;

  const FxVariableCore& Core() const { return m_core; }

 protected:
  const FxLoadedType* TypeDesc() const { return m_core.effect ? &m_core.effect->Type(m_core.type, m_core.element) : nullptr; }
  // The variable's bytes, or null when there are none (objects, invalid
  // variables) or, for Write, when they are read-only (annotations).
  const uint8_t* Read() const;
  uint8_t* Write();
  // The variable of a member or element, made on first use; `count` members
  // or elements can be asked for.
  ID3D10EffectVariable* Child(FxSpan<ID3D10EffectVariable*>* cache, std::size_t count, std::size_t index,
                              const FxVariableCore& core);

  FxVariableCore m_core;
  FxSpan<ID3D10EffectVariable*> m_members;
  FxSpan<ID3D10EffectVariable*> m_elements;
};

// The plain variable: structs, and what has no typed view.
class FxPlainVariable final : public FxVariableBase<ID3D10EffectVariable> {
 public:
  using FxVariableBase::FxVariableBase;
  static FxPlainVariable* Invalid();
};

class FxScalarVariable final : public FxVariableBase<ID3D10EffectScalarVariable> {
 public:
  using FxVariableBase::FxVariableBase;
  static FxScalarVariable* Invalid();
  ID3D10EffectScalarVariable* STDMETHODCALLTYPE AsScalar() override { return this; }
  HRESULT STDMETHODCALLTYPE SetFloat(float Value) override;
  HRESULT STDMETHODCALLTYPE GetFloat(float* pValue) override;
  HRESULT STDMETHODCALLTYPE SetFloatArray(float* pData, UINT Offset, UINT Count) override;
  HRESULT STDMETHODCALLTYPE GetFloatArray(float* pData, UINT Offset, UINT Count) override;
  HRESULT STDMETHODCALLTYPE SetInt(int Value) override;
  HRESULT STDMETHODCALLTYPE GetInt(int* pValue) override;
  HRESULT STDMETHODCALLTYPE SetIntArray(int* pData, UINT Offset, UINT Count) override;
  HRESULT STDMETHODCALLTYPE GetIntArray(int* pData, UINT Offset, UINT Count) override;
  HRESULT STDMETHODCALLTYPE SetBool(BOOL Value) override;
  HRESULT STDMETHODCALLTYPE GetBool(BOOL* pValue) override;
  HRESULT STDMETHODCALLTYPE SetBoolArray(BOOL* pData, UINT Offset, UINT Count) override;
  HRESULT STDMETHODCALLTYPE GetBoolArray(BOOL* pData, UINT Offset, UINT Count) override;
};

class FxVectorVariable final : public FxVariableBase<ID3D10EffectVectorVariable> {
 public:
  using FxVariableBase::FxVariableBase;
  static FxVectorVariable* Invalid();
  ID3D10EffectVectorVariable* STDMETHODCALLTYPE AsVector() override { return this; }
  HRESULT STDMETHODCALLTYPE SetBoolVector(BOOL* pData) override;
  HRESULT STDMETHODCALLTYPE SetIntVector(int* pData) override;
  HRESULT STDMETHODCALLTYPE SetFloatVector(float* pData) override;
  HRESULT STDMETHODCALLTYPE GetBoolVector(BOOL* pData) override;
  HRESULT STDMETHODCALLTYPE GetIntVector(int* pData) override;
  HRESULT STDMETHODCALLTYPE GetFloatVector(float* pData) override;
  HRESULT STDMETHODCALLTYPE SetBoolVectorArray(BOOL* pData, UINT Offset, UINT Count) override;
  HRESULT STDMETHODCALLTYPE SetIntVectorArray(int* pData, UINT Offset, UINT Count) override;
  HRESULT STDMETHODCALLTYPE SetFloatVectorArray(float* pData, UINT Offset, UINT Count) override;
  HRESULT STDMETHODCALLTYPE GetBoolVectorArray(BOOL* pData, UINT Offset, UINT Count) override;
  HRESULT STDMETHODCALLTYPE GetIntVectorArray(int* pData, UINT Offset, UINT Count) override;
  HRESULT STDMETHODCALLTYPE GetFloatVectorArray(float* pData, UINT Offset, UINT Count) override;
};

class FxMatrixVariable final : public FxVariableBase<ID3D10EffectMatrixVariable> {
 public:
  using FxVariableBase::FxVariableBase;
  static FxMatrixVariable* Invalid();
  ID3D10EffectMatrixVariable* STDMETHODCALLTYPE AsMatrix() override { return this; }
  HRESULT STDMETHODCALLTYPE SetMatrix(float* pData) override;
  HRESULT STDMETHODCALLTYPE GetMatrix(float* pData) override;
  HRESULT STDMETHODCALLTYPE SetMatrixArray(float* pData, UINT Offset, UINT Count) override;
  HRESULT STDMETHODCALLTYPE GetMatrixArray(float* pData, UINT Offset, UINT Count) override;
  HRESULT STDMETHODCALLTYPE SetMatrixTranspose(float* pData) override;
  HRESULT STDMETHODCALLTYPE GetMatrixTranspose(float* pData) override;
  HRESULT STDMETHODCALLTYPE SetMatrixTransposeArray(float* pData, UINT Offset, UINT Count) override;
  HRESULT STDMETHODCALLTYPE GetMatrixTransposeArray(float* pData, UINT Offset, UINT Count) override;

 private:
  HRESULT Transfer(float* data, UINT offset, UINT count, bool set, bool transpose);
};

class FxStringVariable final : public FxVariableBase<ID3D10EffectStringVariable> {
 public:
  using FxVariableBase::FxVariableBase;
  static FxStringVariable* Invalid();
  ID3D10EffectStringVariable* STDMETHODCALLTYPE AsString() override { return this; }
  HRESULT STDMETHODCALLTYPE GetString(LPCSTR* ppString) override;
  HRESULT STDMETHODCALLTYPE GetStringArray(LPCSTR* ppStrings, UINT Offset, UINT Count) override;
};

class FxShaderResourceVariable final : public FxVariableBase<ID3D10EffectShaderResourceVariable> {
 public:
  using FxVariableBase::FxVariableBase;
  static FxShaderResourceVariable* Invalid();
  ID3D10EffectShaderResourceVariable* STDMETHODCALLTYPE AsShaderResource() override { return this; }
  HRESULT STDMETHODCALLTYPE SetResource(ID3D10ShaderResourceView* pResource) override;
  HRESULT STDMETHODCALLTYPE GetResource(ID3D10ShaderResourceView** ppResource) override;
  HRESULT STDMETHODCALLTYPE SetResourceArray(ID3D10ShaderResourceView** ppResources, UINT Offset, UINT Count) override;
  HRESULT STDMETHODCALLTYPE GetResourceArray(ID3D10ShaderResourceView** ppResources, UINT Offset, UINT Count) override;
};

// Effects of this platform hold no render-target or depth-stencil view
// variables; these exist as the invalid views of the other variables.
class FxRenderTargetViewVariable final : public FxVariableBase<ID3D10EffectRenderTargetViewVariable> {
 public:
  using FxVariableBase::FxVariableBase;
  static FxRenderTargetViewVariable* Invalid();
  HRESULT STDMETHODCALLTYPE SetRenderTarget(ID3D10RenderTargetView*) override { return E_FAIL; }
  HRESULT STDMETHODCALLTYPE GetRenderTarget(ID3D10RenderTargetView**) override { return E_FAIL; }
  HRESULT STDMETHODCALLTYPE SetRenderTargetArray(ID3D10RenderTargetView**, UINT, UINT) override { return E_FAIL; }
  HRESULT STDMETHODCALLTYPE GetRenderTargetArray(ID3D10RenderTargetView**, UINT, UINT) override { return E_FAIL; }
};

class FxDepthStencilViewVariable final : public FxVariableBase<ID3D10EffectDepthStencilViewVariable> {
 public:
  using FxVariableBase::FxVariableBase;
  static FxDepthStencilViewVariable* Invalid();
  HRESULT STDMETHODCALLTYPE SetDepthStencil(ID3D10DepthStencilView*) override { return E_FAIL; }
  HRESULT STDMETHODCALLTYPE GetDepthStencil(ID3D10DepthStencilView**) override { return E_FAIL; }
  HRESULT STDMETHODCALLTYPE SetDepthStencilArray(ID3D10DepthStencilView**, UINT, UINT) override { return E_FAIL; }
  HRESULT STDMETHODCALLTYPE GetDepthStencilArray(ID3D10DepthStencilView**, UINT, UINT) override { return E_FAIL; }
};

class FxConstantBufferVariable final : public FxVariableBase<ID3D10EffectConstantBuffer> {
 public:
  using FxVariableBase::FxVariableBase;
  static FxConstantBufferVariable* Invalid();
  ID3D10EffectConstantBuffer* STDMETHODCALLTYPE AsConstantBuffer() override { return this; }
  // Another buffer replaces the effect's; values set through the variables
  // are then no longer uploaded. Null returns to the effect's own buffer.
  HRESULT STDMETHODCALLTYPE SetConstantBuffer(ID3D10Buffer* pConstantBuffer) override;
  HRESULT STDMETHODCALLTYPE GetConstantBuffer(ID3D10Buffer** ppConstantBuffer) override;
  HRESULT STDMETHODCALLTYPE SetTextureBuffer(ID3D10ShaderResourceView*) override { return E_FAIL; }
  HRESULT STDMETHODCALLTYPE GetTextureBuffer(ID3D10ShaderResourceView**) override { return E_FAIL; }

  // The buffer's variables are the effect's top-level ones.
  void SetMembers(FxSpan<ID3D10EffectVariable*> members) { m_members = members; }
};

class FxShaderVariable final : public FxVariableBase<ID3D10EffectShaderVariable> {
 public:
  using FxVariableBase::FxVariableBase;
  static FxShaderVariable* Invalid();
  ID3D10EffectShaderVariable* STDMETHODCALLTYPE AsShader() override { return this; }
  HRESULT STDMETHODCALLTYPE GetShaderDesc(UINT ShaderIndex, D3D10_EFFECT_SHADER_DESC* pDesc) override;
  HRESULT STDMETHODCALLTYPE GetVertexShader(UINT ShaderIndex, ID3D10VertexShader** ppVS) override;
  HRESULT STDMETHODCALLTYPE GetGeometryShader(UINT ShaderIndex, ID3D10GeometryShader** ppGS) override;
  HRESULT STDMETHODCALLTYPE GetPixelShader(UINT ShaderIndex, ID3D10PixelShader** ppPS) override;
  HRESULT STDMETHODCALLTYPE GetInputSignatureElementDesc(UINT ShaderIndex, UINT Element,
                                                         D3D10_SIGNATURE_PARAMETER_DESC* pDesc) override;
  HRESULT STDMETHODCALLTYPE GetOutputSignatureElementDesc(UINT ShaderIndex, UINT Element,
                                                          D3D10_SIGNATURE_PARAMETER_DESC* pDesc) override;

 private:
  // The shader at an index of the variable; null for NULL or out of range.
  FxShaderState* ShaderAt(UINT index);
};

class FxBlendVariable final : public FxVariableBase<ID3D10EffectBlendVariable> {
 public:
  using FxVariableBase::FxVariableBase;
  static FxBlendVariable* Invalid();
  ID3D10EffectBlendVariable* STDMETHODCALLTYPE AsBlend() override { return this; }
  HRESULT STDMETHODCALLTYPE GetBlendState(UINT Index, ID3D10BlendState** ppBlendState) override;
  HRESULT STDMETHODCALLTYPE GetBackingStore(UINT Index, D3D10_BLEND_DESC* pBlendDesc) override;
};

class FxDepthStencilVariable final : public FxVariableBase<ID3D10EffectDepthStencilVariable> {
 public:
  using FxVariableBase::FxVariableBase;
  static FxDepthStencilVariable* Invalid();
  ID3D10EffectDepthStencilVariable* STDMETHODCALLTYPE AsDepthStencil() override { return this; }
  HRESULT STDMETHODCALLTYPE GetDepthStencilState(UINT Index, ID3D10DepthStencilState** ppDepthStencilState) override;
  HRESULT STDMETHODCALLTYPE GetBackingStore(UINT Index, D3D10_DEPTH_STENCIL_DESC* pDepthStencilDesc) override;
};

class FxRasterizerVariable final : public FxVariableBase<ID3D10EffectRasterizerVariable> {
 public:
  using FxVariableBase::FxVariableBase;
  static FxRasterizerVariable* Invalid();
  ID3D10EffectRasterizerVariable* STDMETHODCALLTYPE AsRasterizer() override { return this; }
  HRESULT STDMETHODCALLTYPE GetRasterizerState(UINT Index, ID3D10RasterizerState** ppRasterizerState) override;
  HRESULT STDMETHODCALLTYPE GetBackingStore(UINT Index, D3D10_RASTERIZER_DESC* pRasterizerDesc) override;
};

class FxSamplerVariable final : public FxVariableBase<ID3D10EffectSamplerVariable> {
 public:
  using FxVariableBase::FxVariableBase;
  static FxSamplerVariable* Invalid();
  ID3D10EffectSamplerVariable* STDMETHODCALLTYPE AsSampler() override { return this; }
  HRESULT STDMETHODCALLTYPE GetSampler(UINT Index, ID3D10SamplerState** ppSampler) override;
  HRESULT STDMETHODCALLTYPE GetBackingStore(UINT Index, D3D10_SAMPLER_DESC* pSamplerDesc) override;
};

// A variable object of the class its type calls for, owned by the effect.
ID3D10EffectVariable* FxMakeVariable(const FxVariableCore& core);

// ID3D10EffectType over a type of the effect.
class FxTypeInterface final : public ID3D10EffectType {
 public:
  FxTypeInterface(FxEffect* effect, uint32_t type, bool element) : m_effect(effect), m_type(type), m_element(element) {}
  static FxTypeInterface* Invalid();

  BOOL STDMETHODCALLTYPE IsValid() override { return m_effect != nullptr; }
  HRESULT STDMETHODCALLTYPE GetDesc(D3D10_EFFECT_TYPE_DESC* pDesc) override;
  ID3D10EffectType* STDMETHODCALLTYPE GetMemberTypeByIndex(UINT Index) override;
  ID3D10EffectType* STDMETHODCALLTYPE GetMemberTypeByName(LPCSTR Name) override;
  ID3D10EffectType* STDMETHODCALLTYPE GetMemberTypeBySemantic(LPCSTR Semantic) override;
  LPCSTR STDMETHODCALLTYPE GetMemberName(UINT Index) override;
  LPCSTR STDMETHODCALLTYPE GetMemberSemantic(UINT Index) override;

 private:
  FxEffect* m_effect;
  uint32_t m_type;
  bool m_element;
};
