// ID3D10Effect and ID3D10EffectPool over this platform's Direct3D 10 device.
// An effect is made from a compiled effect object; it creates its shaders,
// constant buffers and state objects through the device's public calls and
// keeps the variables' values: constant-buffer bytes in HLSL packing,
// uploaded in GL packing when a pass that reads them is applied.
#pragma once

#include <d3d10effect.h>

#include <forward_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "com/com_object.h"
#include "fx_object.h"

MORVANE_COM_PARENT(ID3D10Effect, IUnknown);
MORVANE_COM_PARENT(ID3D10EffectPool, IUnknown);

class FxEffect;
class FxTechniqueImpl;
class FxConstantBufferVariable;
class FxShaderVariable;

// A constant buffer's values and its device buffer, a dynamic one rewritten
// whole (mapped with discard) at each upload.
struct FxBufferState {
  const FxLoadedBuffer* desc = nullptr;
  FxSpan<uint8_t> data;          // HLSL packing: what the variables read and write
  bool identity = false;         // the packings place every value alike: data goes up as it is
  ComPtr<ID3D10Buffer> buffer;   // what the shaders read, in GL packing
  ComPtr<ID3D10Buffer> own;      // the effect's, when the application's replaces it
  bool external = false;         // the application supplied the buffer
  bool dirty = true;
  FxConstantBufferVariable* variable = nullptr;

  // Uploads the values when they changed since the last upload.
  void Upload();
};

// The values of one object variable, one entry per element.
struct FxObjectState {
  const FxLoadedObject* desc = nullptr;
  std::vector<ComPtr<ID3D10ShaderResourceView>> views;
  std::vector<ComPtr<ID3D10SamplerState>> samplers;
  std::vector<ComPtr<ID3D10BlendState>> blends;
  std::vector<ComPtr<ID3D10DepthStencilState>> depthStencils;
  std::vector<ComPtr<ID3D10RasterizerState>> rasterizers;
  ID3D10EffectVariable* variable = nullptr;
};

// A created shader and where its inputs come from.
struct FxShaderState {
  const FxLoadedShader* desc = nullptr;
  ComPtr<ID3D10VertexShader> vertex;
  ComPtr<ID3D10GeometryShader> geometry;
  ComPtr<ID3D10PixelShader> pixel;
  const void* signature = nullptr;  // vertex shaders: the input signature inside the blob
  SIZE_T signatureSize = 0;
  // In the loaded effect's memory.
  FxSpan<std::pair<uint32_t, FxBufferState*>> buffers;                      // slot, buffer
  FxSpan<std::pair<uint32_t, ComPtr<ID3D10ShaderResourceView>*>> views;     // slot, value
  FxSpan<std::pair<uint32_t, ComPtr<ID3D10SamplerState>*>> samplers;        // slot, value
  FxShaderVariable* anonymous = nullptr;  // stands for the shader when a pass gives it inline
};

class FxEffect final : public ComObject<ID3D10Effect> {
 public:
  // Creates the effect of a compiled object's bytes on the device. With a
  // pool, the object's shared buffers and variables are the pool's. E_FAIL
  // with *error set for anything that cannot be used.
  static HRESULT Create(ID3D10Device* device, const void* data, std::size_t size, FxEffect* pool, bool isPool,
                        FxEffect** effect, std::string* error);

  BOOL STDMETHODCALLTYPE IsValid() override { return TRUE; }
  BOOL STDMETHODCALLTYPE IsPool() override { return m_isPool; }
  HRESULT STDMETHODCALLTYPE GetDevice(ID3D10Device** ppDevice) override;
  HRESULT STDMETHODCALLTYPE GetDesc(D3D10_EFFECT_DESC* pDesc) override;
  ID3D10EffectConstantBuffer* STDMETHODCALLTYPE GetConstantBufferByIndex(UINT Index) override;
  ID3D10EffectConstantBuffer* STDMETHODCALLTYPE GetConstantBufferByName(LPCSTR Name) override;
  ID3D10EffectVariable* STDMETHODCALLTYPE GetVariableByIndex(UINT Index) override;
  ID3D10EffectVariable* STDMETHODCALLTYPE GetVariableByName(LPCSTR Name) override;
  ID3D10EffectVariable* STDMETHODCALLTYPE GetVariableBySemantic(LPCSTR Semantic) override;
  ID3D10EffectTechnique* STDMETHODCALLTYPE GetTechniqueByIndex(UINT Index) override;
  ID3D10EffectTechnique* STDMETHODCALLTYPE GetTechniqueByName(LPCSTR Name) override;
  HRESULT STDMETHODCALLTYPE Optimize() override;
  BOOL STDMETHODCALLTYPE IsOptimized() override { return m_optimized; }

  // For the variables, techniques and passes.
  ID3D10Device* Device() const { return m_device.Get(); }
  const FxEffectObjectOf<FxLoadedForm>& Object() const { return *m_object; }
  // A type of the object, the type of a constant buffer after those, or the
  // element type of either when `element` is set.
  const FxLoadedType& Type(uint32_t index, bool element) const {
    uint32_t own = element ? m_elementTypeOf[index] : kFxNone;
    if (own != kFxNone) return m_elementTypes[own];
    return index < m_object->types.size() ? m_object->types[index] : m_bufferTypes[index - m_object->types.size()];
  }
  ID3D10EffectType* TypeInterface(uint32_t index, bool element);
  FxShaderState& Shader(uint32_t index) { return m_shaders[index]; }
  FxObjectState& ObjectAt(uint32_t index) { return *m_objects[index]; }
  // The annotation variables of a list, made on first use.
  const std::vector<ID3D10EffectVariable*>& Annotations(const FxSpan<FxLoadedAnnotation>& annotations);
  // Variables, types, techniques and passes, and their lists, live in the
  // memory of the loaded object and go with it, with no destructor to run.
  template <typename Node, typename... Args>
  Node* Make(Args&&... args) {
    return m_object.Make<Node>(std::forward<Args>(args)...);
  }
  template <typename T>
  FxSpan<T> Allocate(std::size_t count) {
    return m_object.Allocate<T>(count);
  }

 private:
  FxEffect(ID3D10Device* device, bool isPool);
  ~FxEffect() override;

  HRESULT Build(const void* data, std::size_t size, FxEffect* pool, std::string* error);
  void MakeTypes();
  HRESULT BindShared(FxEffect* pool, std::string* error);
  HRESULT CreateBuffers(std::string* error);
  HRESULT CreateObjects(std::string* error);
  void PreparePrograms();
  HRESULT CreateShaders(std::string* error);

  ComPtr<ID3D10Device> m_device;
  FxLoadedEffect m_object;
  std::vector<FxLoadedType> m_bufferTypes;   // each constant buffer's, listing its variables
  std::vector<FxLoadedType> m_elementTypes;  // of the array types
  std::vector<uint32_t> m_elementTypeOf;     // per type, the buffers' too: its entry above, or kFxNone
  bool m_isPool;
  bool m_optimized = false;
  ComPtr<ID3D10Effect> m_pool;  // keeps the shared buffers and variables of a child alive

  std::vector<FxBufferState> m_ownBuffers;  // sized before the first is made
  std::vector<FxObjectState> m_ownObjects;
  std::vector<FxBufferState*> m_buffers;  // by buffer index: own, or the pool's when shared
  std::vector<FxObjectState*> m_objects;  // by object index: own, or the pool's when shared
  std::vector<FxShaderState> m_shaders;

  // What GetDesc counts: the effect's own, then (for a child) the pool's shared ones.
  std::vector<ID3D10EffectConstantBuffer*> m_localBuffers;
  std::vector<ID3D10EffectConstantBuffer*> m_sharedBuffers;
  std::vector<ID3D10EffectVariable*> m_localVariables;
  std::vector<ID3D10EffectVariable*> m_sharedVariables;
  std::vector<FxTechniqueImpl*> m_techniques;

  std::map<std::pair<uint32_t, bool>, ID3D10EffectType*> m_typeInterfaces;
  std::map<const FxSpan<FxLoadedAnnotation>*, std::vector<ID3D10EffectVariable*>> m_annotations;
  std::forward_list<std::vector<uint8_t>> m_annotationData;  // stays where it is made
};

class FxEffectPool final : public ComObject<ID3D10EffectPool> {
 public:
  explicit FxEffectPool(FxEffect* effect) : m_effect(effect) {}
  ID3D10Effect* STDMETHODCALLTYPE AsEffect() override { return m_effect.Get(); }
  FxEffect* Effect() const { return m_effect.Get(); }

 private:
  ComPtr<FxEffect> m_effect;
};
