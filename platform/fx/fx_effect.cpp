#include "fx/fx_effect.h"

#include <d3d10_platform.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <strings.h>

#include "fx/fx_layout.h"
#include "fx/fx_technique.h"
#include "fx/fx_variable.h"

extern "C" const IID IID_ID3D10Effect = {0x51b0ca8b, 0xec0b, 0x4519, {0x87, 0x0d, 0x8e, 0xe1, 0xcb, 0x50, 0x17, 0xc7}};
extern "C" const IID IID_ID3D10EffectPool = {0x9537ab04, 0x3250, 0x412e, {0x82, 0x13, 0xfc, 0xd2, 0xf8, 0x67, 0x79, 0x33}};

namespace {

// The variables creation makes: one per buffer and buffer variable, per
// object variable and per shader.
std::size_t CreatedVariables(const FxEffectObjectOf<FxLoadedForm>& object) {
  std::size_t variables = object.objects.size() + object.shaders.size();
  for (const FxLoadedBuffer& buffer : object.buffers) variables += 1 + buffer.variables.size();
  return variables;
}

}  // namespace

void FxBufferState::Upload() {
  if (!dirty || external) return;
  void* mapped = nullptr;
  if (FAILED(buffer->Map(D3D10_MAP_WRITE_DISCARD, 0, &mapped))) return;
  uint8_t* target = static_cast<uint8_t*>(mapped);
  // Between the values lies nothing a shader reads.
  if (identity) {
    std::memcpy(target, data.data(), data.size());
  } else {
    for (const FxCopyRun& run : desc->runs) std::memcpy(target + run.target, &data[run.source], run.size);
  }
  buffer->Unmap();
  dirty = false;
}

HRESULT FxEffect::Create(ID3D10Device* device, const void* data, std::size_t size, FxEffect* pool, bool isPool,
                         FxEffect** effect, std::string* error) {
  *effect = nullptr;
  FxEffect* created = new (std::nothrow) FxEffect(device, isPool);
  if (!created) return E_OUTOFMEMORY;
  HRESULT hr;
  try {
    hr = created->Build(data, size, pool, error);
  } catch (const std::bad_alloc&) {
    hr = E_OUTOFMEMORY;
  }
  if (FAILED(hr)) {
    created->Release();
    return hr;
  }
  *effect = created;
  return S_OK;
}

FxEffect::FxEffect(ID3D10Device* device, bool isPool) : m_device(device), m_isPool(isPool) {}

FxEffect::~FxEffect() = default;

// Each constant buffer is also a variable, of a type listing its variables;
// the buffers' types follow the object's. An element of an array has the type
// without the count; any other type is its own element type.
void FxEffect::MakeTypes() {
  const FxEffectObjectOf<FxLoadedForm>& object = *m_object;
  m_bufferTypes.resize(object.buffers.size());
  for (std::size_t b = 0; b < object.buffers.size(); ++b) {
    const FxLoadedBuffer& buffer = object.buffers[b];
    FxLoadedType& type = m_bufferTypes[b];
    type.name.text = "cbuffer";
    type.typeClass = D3D10_SVC_OBJECT;
    type.baseType = D3D10_SVT_CBUFFER;
    type.packedSize = type.unpackedSize = buffer.size;
    type.members = m_object.Allocate<FxLoadedTypeMember>(buffer.variables.size());
    for (std::size_t v = 0; v < buffer.variables.size(); ++v) {
      const FxLoadedVariable& variable = buffer.variables[v];
      type.members[v] = {variable.name, variable.semantic, variable.type, variable.offset};
    }
  }
  const std::size_t typeCount = object.types.size() + m_bufferTypes.size();
  m_elementTypeOf.assign(typeCount, kFxNone);
  for (std::size_t t = 0; t < typeCount; ++t) {
    const FxLoadedType& type = Type(static_cast<uint32_t>(t), false);
    if (!type.elements) continue;
    FxLoadedType element = type;
    element.packedSize = type.packedSize / type.elements;
    element.unpackedSize = type.unpackedSize - type.stride * (type.elements - 1);
    element.elements = 0;
    m_elementTypeOf[t] = static_cast<uint32_t>(m_elementTypes.size());
    m_elementTypes.push_back(element);
  }
}

HRESULT FxEffect::Build(const void* data, std::size_t size, FxEffect* pool, std::string* error) {
  if (!m_object.Read(data, size, error)) return E_FAIL;
  const FxEffectObjectOf<FxLoadedForm>& object = *m_object;
  m_localVariables.reserve(CreatedVariables(object));
  m_techniques.reserve(object.techniques.size());
  MakeTypes();
  const std::size_t firstBufferType = object.types.size();
  m_buffers.assign(object.buffers.size(), nullptr);
  m_objects.assign(object.objects.size(), nullptr);
  HRESULT hr = S_OK;
  if (pool) hr = BindShared(pool, error);
  if (SUCCEEDED(hr)) hr = CreateBuffers(error);
  if (SUCCEEDED(hr)) hr = CreateObjects(error);
  if (SUCCEEDED(hr)) hr = CreateShaders(error);
  if (FAILED(hr)) return hr;
  PreparePrograms();

  for (std::size_t b = 0; b < object.buffers.size(); ++b) {
    FxBufferState* state = m_buffers[b];
    if (state->variable) {
      // The pool's buffer, with the pool's variables.
      m_sharedBuffers.push_back(state->variable);
      for (UINT i = 0; i < object.buffers[b].variables.size(); ++i) {
        m_sharedVariables.push_back(state->variable->GetMemberByIndex(i));
      }
      continue;
    }
    const FxLoadedBuffer& buffer = object.buffers[b];
    FxVariableCore core;
    core.effect = this;
    core.type = static_cast<uint32_t>(firstBufferType + b);
    core.name = buffer.name.c_str();
    core.flags = (buffer.flags & kFxShared) ? D3D10_EFFECT_VARIABLE_POOLED : 0;
    if (buffer.flags & kFxExplicitBindPoint) {
      core.flags |= D3D10_EFFECT_VARIABLE_EXPLICIT_BIND_POINT;
      core.bindPoint = buffer.bindPoint;
    }
    core.annotations = &buffer.annotations;
    core.buffer = state;
    auto variable = Make<FxConstantBufferVariable>(core);
    state->variable = variable;
    FxSpan<ID3D10EffectVariable*> members = Allocate<ID3D10EffectVariable*>(buffer.variables.size());
    for (std::size_t i = 0; i < buffer.variables.size(); ++i) {
      const FxLoadedVariable& v = buffer.variables[i];
      FxVariableCore member;
      member.effect = this;
      member.type = v.type;
      member.name = v.name.c_str();
      member.semantic = v.semantic.c_str();
      member.flags = core.flags & D3D10_EFFECT_VARIABLE_POOLED;
      member.annotations = &v.annotations;
      member.parent = variable;
      member.buffer = state;
      member.offset = v.offset;
      members[i] = FxMakeVariable(member);
    }
    m_localVariables.insert(m_localVariables.end(), members.begin(), members.end());
    variable->SetMembers(members);
    m_localBuffers.push_back(variable);
  }
  for (std::size_t o = 0; o < object.objects.size(); ++o) {
    FxObjectState* state = m_objects[o];
    if (state->variable) {
      m_sharedVariables.push_back(state->variable);
      continue;
    }
    const FxLoadedObject& variable = object.objects[o];
    FxVariableCore core;
    core.effect = this;
    core.type = variable.type;
    core.name = variable.name.c_str();
    core.semantic = variable.semantic.c_str();
    core.flags = (variable.flags & kFxShared) ? D3D10_EFFECT_VARIABLE_POOLED : 0;
    if (variable.flags & kFxExplicitBindPoint) {
      core.flags |= D3D10_EFFECT_VARIABLE_EXPLICIT_BIND_POINT;
      core.bindPoint = variable.bindPoint;
    }
    core.annotations = &variable.annotations;
    core.object = state;
    core.strings = &variable.strings;
    core.count = FxElementCount(object.types[variable.type]);
    state->variable = FxMakeVariable(core);
    m_localVariables.push_back(state->variable);
  }
  for (const FxLoadedTechnique& technique : object.techniques) {
    m_techniques.push_back(Make<FxTechniqueImpl>(this, &technique));
  }
  return S_OK;
}

// A child's shared buffers and variables are the pool's, which must declare
// them the same way.
HRESULT FxEffect::BindShared(FxEffect* pool, std::string* error) {
  const FxEffectObjectOf<FxLoadedForm>& mine = *m_object;
  const FxEffectObjectOf<FxLoadedForm>& shared = *pool->m_object;
  for (std::size_t b = 0; b < mine.buffers.size(); ++b) {
    const FxLoadedBuffer& buffer = mine.buffers[b];
    if (!(buffer.flags & kFxShared)) continue;
    std::size_t p = 0;
    while (p < shared.buffers.size() && !(shared.buffers[p].name == buffer.name && (shared.buffers[p].flags & kFxShared))) {
      ++p;
    }
    if (p == shared.buffers.size()) {
      *error = "shared cbuffer '" + buffer.name + "' is not in the effect pool";
      return E_FAIL;
    }
    const FxLoadedBuffer& theirs = shared.buffers[p];
    bool same = theirs.size == buffer.size && theirs.variables.size() == buffer.variables.size();
    for (std::size_t v = 0; same && v < buffer.variables.size(); ++v) {
      const FxLoadedVariable& a = buffer.variables[v];
      const FxLoadedVariable& b2 = theirs.variables[v];
      same = a.name == b2.name && a.offset == b2.offset && mine.types[a.type].name == shared.types[b2.type].name &&
             mine.types[a.type].elements == shared.types[b2.type].elements;
    }
    if (!same) {
      *error = "shared cbuffer '" + buffer.name + "' is declared differently in the effect pool";
      return E_FAIL;
    }
    m_buffers[b] = pool->m_buffers[p];
  }
  for (std::size_t o = 0; o < mine.objects.size(); ++o) {
    const FxLoadedObject& object = mine.objects[o];
    if (!(object.flags & kFxShared)) continue;
    std::size_t p = 0;
    while (p < shared.objects.size() && !(shared.objects[p].name == object.name && (shared.objects[p].flags & kFxShared))) {
      ++p;
    }
    if (p == shared.objects.size()) {
      *error = "shared variable '" + object.name + "' is not in the effect pool";
      return E_FAIL;
    }
    const FxLoadedType& ours = mine.types[object.type];
    const FxLoadedType& theirs = shared.types[shared.objects[p].type];
    if (ours.baseType != theirs.baseType || ours.elements != theirs.elements) {
      *error = "shared variable '" + object.name + "' is declared differently in the effect pool";
      return E_FAIL;
    }
    m_objects[o] = pool->m_objects[p];
  }
  m_pool = ComPtr<ID3D10Effect>(pool);
  return S_OK;
}

HRESULT FxEffect::CreateBuffers(std::string* error) {
  // States are referred to by address: the list never grows past this.
  const FxEffectObjectOf<FxLoadedForm>& object = *m_object;
  m_ownBuffers.reserve(object.buffers.size());
  for (std::size_t b = 0; b < object.buffers.size(); ++b) {
    if (m_buffers[b]) continue;
    const FxLoadedBuffer& desc = object.buffers[b];
    FxBufferState& state = m_ownBuffers.emplace_back();
    state.desc = &desc;
    state.data = m_object.Allocate<uint8_t>(desc.initial.size());
    if (!desc.initial.empty()) std::memcpy(state.data.data(), desc.initial.data(), desc.initial.size());
    // When every value sits at the same offset in both packings the bytes
    // go up as they are; what lies between values is read by no shader.
    state.identity = desc.size == desc.glSize &&
                     std::all_of(desc.runs.begin(), desc.runs.end(),
                                 [](const FxCopyRun& run) { return run.source == run.target; });
    // The GL packing of the first values, made where the last buffer's was.
    static thread_local std::vector<uint8_t> gl;
    if (!state.identity) {
      gl.assign(desc.glSize, 0);
      for (const FxCopyRun& run : desc.runs) std::memcpy(&gl[run.target], &state.data[run.source], run.size);
    }
    D3D10_BUFFER_DESC bufferDesc = {desc.glSize, D3D10_USAGE_DYNAMIC, D3D10_BIND_CONSTANT_BUFFER,
                                    D3D10_CPU_ACCESS_WRITE, 0};
    D3D10_SUBRESOURCE_DATA initial = {state.identity ? state.data.data() : gl.data(), 0, 0};
    HRESULT hr = m_device->CreateBuffer(&bufferDesc, &initial, state.buffer.ReleaseAndGetAddressOf());
    if (FAILED(hr)) {
      *error = "constant buffer '" + desc.name + "' cannot be created";
      return hr == E_OUTOFMEMORY ? hr : E_FAIL;
    }
    state.own = state.buffer;
    state.dirty = false;
    m_buffers[b] = &state;
  }
  return S_OK;
}

HRESULT FxEffect::CreateObjects(std::string* error) {
  // States are referred to by address: the list never grows past this.
  const FxEffectObjectOf<FxLoadedForm>& object = *m_object;
  m_ownObjects.reserve(object.objects.size());
  for (std::size_t o = 0; o < object.objects.size(); ++o) {
    if (m_objects[o]) continue;
    const FxLoadedObject& desc = object.objects[o];
    FxObjectState& state = m_ownObjects.emplace_back();
    state.desc = &desc;
    uint32_t count = FxElementCount(object.types[desc.type]);
    if (FxIsResourceType(object.types[desc.type].baseType)) state.views.resize(count);
    state.samplers.reserve(desc.samplers.size());
    state.blends.reserve(desc.blends.size());
    state.depthStencils.reserve(desc.depthStencils.size());
    state.rasterizers.reserve(desc.rasterizers.size());
    auto fail = [&](const char* kind) {
      *error = std::string(kind) + " '" + desc.name + "' is not a valid state";
      return E_FAIL;
    };
    for (const D3D10_SAMPLER_DESC& d : desc.samplers) {
      if (FAILED(m_device->CreateSamplerState(&d, state.samplers.emplace_back().ReleaseAndGetAddressOf()))) {
        return fail("sampler");
      }
    }
    for (const D3D10_BLEND_DESC& d : desc.blends) {
      if (FAILED(m_device->CreateBlendState(&d, state.blends.emplace_back().ReleaseAndGetAddressOf()))) {
        return fail("blend state");
      }
    }
    for (const D3D10_DEPTH_STENCIL_DESC& d : desc.depthStencils) {
      if (FAILED(m_device->CreateDepthStencilState(&d, state.depthStencils.emplace_back().ReleaseAndGetAddressOf()))) {
        return fail("depth-stencil state");
      }
    }
    for (const D3D10_RASTERIZER_DESC& d : desc.rasterizers) {
      if (FAILED(m_device->CreateRasterizerState(&d, state.rasterizers.emplace_back().ReleaseAndGetAddressOf()))) {
        return fail("rasterizer state");
      }
    }
    m_objects[o] = &state;
  }
  return S_OK;
}

// Links every pass's program at creation, as Direct3D creates a pass's
// shaders ready to draw: the first frame that draws with the effect does not
// stop to link. A set that does not link fails at its draw, as before.
void FxEffect::PreparePrograms() {
  for (const FxLoadedTechnique& technique : m_object->techniques) {
    for (const FxLoadedPass& pass : technique.passes) {
      auto stage = [&](uint32_t index) {
        uint32_t shader = pass.shaders[index].shader;
        return shader == kFxNone ? nullptr : &m_shaders[shader];
      };
      const FxShaderState* vertex = stage(kFxVertex);
      if (!vertex) continue;
      const FxShaderState* geometry = stage(kFxGeometry);
      const FxShaderState* pixel = stage(kFxPixel);
      D3D10PlatformPrepareProgram(m_device.Get(), vertex->vertex.Get(), geometry ? geometry->geometry.Get() : nullptr,
                                  pixel ? pixel->pixel.Get() : nullptr);
    }
  }
}

HRESULT FxEffect::CreateShaders(std::string* error) {
  m_shaders.resize(m_object->shaders.size());
  for (std::size_t s = 0; s < m_object->shaders.size(); ++s) {
    const FxLoadedShader& desc = m_object->shaders[s];
    FxShaderState& state = m_shaders[s];
    state.desc = &desc;
    const void* code = desc.bytecode.data();
    SIZE_T size = desc.bytecode.size();
    HRESULT hr = E_FAIL;
    switch (desc.stage) {
      case kFxVertex:
        hr = m_device->CreateVertexShader(code, size, state.vertex.ReleaseAndGetAddressOf());
        if (SUCCEEDED(hr)) hr = D3D10PlatformGetInputSignature(code, size, &state.signature, &state.signatureSize);
        break;
      case kFxGeometry:
        hr = m_device->CreateGeometryShader(code, size, state.geometry.ReleaseAndGetAddressOf());
        break;
      default:
        hr = m_device->CreatePixelShader(code, size, state.pixel.ReleaseAndGetAddressOf());
        break;
    }
    if (FAILED(hr)) {
      *error = std::string(desc.profile.c_str()) + " shader '" + desc.entry + "' is refused by the device";
      return hr == E_OUTOFMEMORY ? hr : E_FAIL;
    }
    state.buffers = m_object.Allocate<std::pair<uint32_t, FxBufferState*>>(desc.constantBuffers.size());
    state.views = m_object.Allocate<std::pair<uint32_t, ComPtr<ID3D10ShaderResourceView>*>>(desc.resources.size());
    state.samplers = m_object.Allocate<std::pair<uint32_t, ComPtr<ID3D10SamplerState>*>>(desc.samplers.size());
    for (std::size_t i = 0; i < desc.constantBuffers.size(); ++i) {
      const FxBinding& b = desc.constantBuffers[i];
      state.buffers[i] = {b.slot, m_buffers[b.index]};
    }
    for (std::size_t i = 0; i < desc.resources.size(); ++i) {
      const FxBinding& b = desc.resources[i];
      state.views[i] = {b.slot, &m_objects[b.index]->views[b.element]};
    }
    for (std::size_t i = 0; i < desc.samplers.size(); ++i) {
      const FxBinding& b = desc.samplers[i];
      state.samplers[i] = {b.slot, &m_objects[b.index]->samplers[b.element]};
    }
    FxVariableCore core;
    core.effect = this;
    core.name = desc.entry.c_str();
    core.shader = static_cast<uint32_t>(s);
    state.anonymous = Make<FxShaderVariable>(core);
  }
  return S_OK;
}

ID3D10EffectType* FxEffect::TypeInterface(uint32_t index, bool element) {
  auto found = m_typeInterfaces.find({index, element});
  if (found != m_typeInterfaces.end()) return found->second;
  ID3D10EffectType* type = Make<FxTypeInterface>(this, index, element);
  m_typeInterfaces.emplace(std::make_pair(index, element), type);
  return type;
}

const std::vector<ID3D10EffectVariable*>& FxEffect::Annotations(const FxSpan<FxLoadedAnnotation>& annotations) {
  auto found = m_annotations.find(&annotations);
  if (found != m_annotations.end()) return found->second;
  std::vector<ID3D10EffectVariable*> variables;
  for (const FxLoadedAnnotation& a : annotations) {
    const FxLoadedType& type = m_object->types[a.type];
    // Annotation values are stored tightly; variables read them in constant-buffer packing.
    std::vector<uint8_t>& data = m_annotationData.emplace_front(type.unpackedSize, 0);
    std::vector<double> numbers;
    for (std::size_t i = 0; i + 4 <= a.value.size(); i += 4) {
      uint32_t bits = static_cast<uint32_t>(a.value[i]) | static_cast<uint32_t>(a.value[i + 1]) << 8 |
                      static_cast<uint32_t>(a.value[i + 2]) << 16 | static_cast<uint32_t>(a.value[i + 3]) << 24;
      float f;
      std::memcpy(&f, &bits, 4);
      numbers.push_back(type.baseType == D3D10_SVT_FLOAT  ? f
                        : type.baseType == D3D10_SVT_INT ? static_cast<double>(static_cast<int32_t>(bits))
                                                          : bits);
    }
    std::size_t next = 0;
    if (FxIsNumeric(type) && numbers.size() == FxValueCount(m_object->types, a.type)) {
      FxWriteValues(m_object->types, a.type, numbers, &next, data.data());
    }
    FxVariableCore core;
    core.effect = this;
    core.type = a.type;
    core.name = a.name.c_str();
    core.flags = D3D10_EFFECT_VARIABLE_ANNOTATION;
    core.constant = FxIsNumeric(type) ? data.data() : nullptr;
    core.strings = &a.strings;
    core.count = FxElementCount(type);
    variables.push_back(FxMakeVariable(core));
  }
  return m_annotations.emplace(&annotations, std::move(variables)).first->second;
}

HRESULT STDMETHODCALLTYPE FxEffect::GetDevice(ID3D10Device** ppDevice) {
  if (!ppDevice) return E_INVALIDARG;
  *ppDevice = m_device.Get();
  (*ppDevice)->AddRef();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FxEffect::GetDesc(D3D10_EFFECT_DESC* pDesc) {
  if (!pDesc) return E_INVALIDARG;
  pDesc->IsChildEffect = m_pool ? TRUE : FALSE;
  pDesc->ConstantBuffers = static_cast<UINT>(m_localBuffers.size());
  pDesc->SharedConstantBuffers = static_cast<UINT>(m_sharedBuffers.size());
  pDesc->GlobalVariables = static_cast<UINT>(m_localVariables.size());
  pDesc->SharedGlobalVariables = static_cast<UINT>(m_sharedVariables.size());
  pDesc->Techniques = static_cast<UINT>(m_techniques.size());
  return S_OK;
}

ID3D10EffectConstantBuffer* STDMETHODCALLTYPE FxEffect::GetConstantBufferByIndex(UINT Index) {
  if (Index < m_localBuffers.size()) return m_localBuffers[Index];
  Index -= static_cast<UINT>(m_localBuffers.size());
  return Index < m_sharedBuffers.size() ? m_sharedBuffers[Index] : FxConstantBufferVariable::Invalid();
}

ID3D10EffectConstantBuffer* STDMETHODCALLTYPE FxEffect::GetConstantBufferByName(LPCSTR Name) {
  if (!Name) return FxConstantBufferVariable::Invalid();
  for (const auto* list : {&m_localBuffers, &m_sharedBuffers}) {
    for (ID3D10EffectConstantBuffer* buffer : *list) {
      D3D10_EFFECT_VARIABLE_DESC desc;
      buffer->GetDesc(&desc);
      if (!std::strcmp(desc.Name, Name)) return buffer;
    }
  }
  return FxConstantBufferVariable::Invalid();
}

ID3D10EffectVariable* STDMETHODCALLTYPE FxEffect::GetVariableByIndex(UINT Index) {
  if (Index < m_localVariables.size()) return m_localVariables[Index];
  Index -= static_cast<UINT>(m_localVariables.size());
  return Index < m_sharedVariables.size() ? m_sharedVariables[Index] : FxPlainVariable::Invalid();
}

ID3D10EffectVariable* STDMETHODCALLTYPE FxEffect::GetVariableByName(LPCSTR Name) {
  if (!Name) return FxPlainVariable::Invalid();
  for (const auto* list : {&m_localVariables, &m_sharedVariables}) {
    for (ID3D10EffectVariable* variable : *list) {
      D3D10_EFFECT_VARIABLE_DESC desc;
      variable->GetDesc(&desc);
      if (!std::strcmp(desc.Name, Name)) return variable;
    }
  }
  return FxPlainVariable::Invalid();
}

ID3D10EffectVariable* STDMETHODCALLTYPE FxEffect::GetVariableBySemantic(LPCSTR Semantic) {
  if (!Semantic) return FxPlainVariable::Invalid();
  for (const auto* list : {&m_localVariables, &m_sharedVariables}) {
    for (ID3D10EffectVariable* variable : *list) {
      D3D10_EFFECT_VARIABLE_DESC desc;
      variable->GetDesc(&desc);
      if (desc.Semantic && !strcasecmp(desc.Semantic, Semantic)) return variable;
    }
  }
  return FxPlainVariable::Invalid();
}

ID3D10EffectTechnique* STDMETHODCALLTYPE FxEffect::GetTechniqueByIndex(UINT Index) {
  return Index < m_techniques.size() ? static_cast<ID3D10EffectTechnique*>(m_techniques[Index])
                                     : FxTechniqueImpl::Invalid();
}

ID3D10EffectTechnique* STDMETHODCALLTYPE FxEffect::GetTechniqueByName(LPCSTR Name) {
  if (!Name) return FxTechniqueImpl::Invalid();
  for (FxTechniqueImpl* technique : m_techniques) {
    if (!std::strcmp(technique->Name(), Name)) return technique;
  }
  return FxTechniqueImpl::Invalid();
}

HRESULT STDMETHODCALLTYPE FxEffect::Optimize() {
  // Reflection data stays: the variables and passes already point at it.
  m_optimized = true;
  return S_OK;
}
