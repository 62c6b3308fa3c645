#include "fx/fx_variable.h"

#include <cstring>
#include <memory>
#include <strings.h>

namespace {

// A component as the variable's base type stores it.
void Store(uint8_t* at, uint32_t baseType, double value) {
  switch (baseType) {
    case D3D10_SVT_FLOAT: {
      float f = static_cast<float>(value);
      std::memcpy(at, &f, 4);
      return;
    }
    case D3D10_SVT_BOOL: {
      uint32_t b = value != 0 ? 1u : 0u;
      std::memcpy(at, &b, 4);
      return;
    }
    case D3D10_SVT_UINT: {
      uint32_t u = value < 0 ? static_cast<uint32_t>(static_cast<int64_t>(value)) : static_cast<uint32_t>(value);
      std::memcpy(at, &u, 4);
      return;
    }
    default: {
      int32_t i = static_cast<int32_t>(value);
      std::memcpy(at, &i, 4);
      return;
    }
  }
}

double Load(const uint8_t* at, uint32_t baseType) {
  switch (baseType) {
    case D3D10_SVT_FLOAT: {
      float f;
      std::memcpy(&f, at, 4);
      return f;
    }
    case D3D10_SVT_BOOL:
    case D3D10_SVT_UINT: {
      uint32_t u;
      std::memcpy(&u, at, 4);
      return baseType == D3D10_SVT_BOOL ? (u != 0) : u;
    }
    default: {
      int32_t i;
      std::memcpy(&i, at, 4);
      return i;
    }
  }
}

// Whether [offset, offset + count) lies within `total` elements.
bool InRange(UINT offset, UINT count, uint32_t total) { return offset <= total && count <= total - offset; }

template <typename T>
T Convert(double value);
template <>
float Convert<float>(double value) {
  return static_cast<float>(value);
}
template <>
int Convert<int>(double value) {
  return static_cast<int>(value);
}

// Reads or writes `components` values per element for elements
// [offset, offset + count), each element `stride` bytes apart in the
// variable and `step` values apart in the caller's array.
template <typename T>
HRESULT Transfer(uint8_t* write, const uint8_t* read, const FxLoadedType* type, T* data, UINT offset, UINT count,
                 uint32_t components, uint32_t step, bool set) {
  if (!type || !data || (set ? !write : !read)) return E_FAIL;
  if (!InRange(offset, count, FxElementCount(*type))) return E_INVALIDARG;
  uint32_t stride = type->elements ? type->stride : 16;
  for (UINT e = 0; e < count; ++e) {
    for (uint32_t c = 0; c < components; ++c) {
      uint32_t at = (offset + e) * stride + 4 * c;
      T& value = data[e * step + c];
      if (set) {
        Store(write + at, type->baseType, static_cast<double>(value));
      } else {
        value = Convert<T>(Load(read + at, type->baseType));
      }
    }
  }
  return S_OK;
}

// BOOL travels as int.
HRESULT TransferBools(uint8_t* write, const uint8_t* read, const FxLoadedType* type, BOOL* data, UINT offset, UINT count,
                      uint32_t components, uint32_t step, bool set) {
  if (!type || !data) return E_FAIL;
  std::vector<int> values(static_cast<std::size_t>(count) * step);
  if (set) {
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = data[i] != 0;
  }
  HRESULT hr = Transfer(write, read, type, values.data(), offset, count, components, step, set);
  if (SUCCEEDED(hr) && !set) {
    for (UINT e = 0; e < count; ++e) {
      for (uint32_t c = 0; c < components; ++c) data[e * step + c] = values[e * step + c] != 0;
    }
  }
  return hr;
}

bool IsMatrixClass(uint32_t typeClass) {
  return typeClass == D3D10_SVC_MATRIX_ROWS || typeClass == D3D10_SVC_MATRIX_COLUMNS;
}

}  // namespace

// FxVariableBase ---------------------------------------------------------------

template <typename Interface>
ID3D10EffectType* STDMETHODCALLTYPE FxVariableBase<Interface>::GetType() {
  if (!m_core.effect) return FxTypeInterface::Invalid();
  if (m_core.shader != kFxNone) return FxTypeInterface::Invalid();
  return m_core.effect->TypeInterface(m_core.type, m_core.element);
}

template <typename Interface>
HRESULT STDMETHODCALLTYPE FxVariableBase<Interface>::GetDesc(D3D10_EFFECT_VARIABLE_DESC* pDesc) {
  if (!m_core.effect) return E_FAIL;
  if (!pDesc) return E_INVALIDARG;
  pDesc->Name = m_core.name;
  pDesc->Semantic = *m_core.semantic ? m_core.semantic : nullptr;
  pDesc->Flags = m_core.flags;
  pDesc->Annotations = m_core.annotations ? static_cast<UINT>(m_core.annotations->size()) : 0;
  pDesc->BufferOffset = m_core.offset;
  pDesc->ExplicitBindPoint = m_core.bindPoint;
  return S_OK;
}

template <typename Interface>
ID3D10EffectVariable* STDMETHODCALLTYPE FxVariableBase<Interface>::GetAnnotationByIndex(UINT Index) {
  if (!m_core.effect || !m_core.annotations || Index >= m_core.annotations->size()) return FxPlainVariable::Invalid();
  return m_core.effect->Annotations(*m_core.annotations)[Index];
}

template <typename Interface>
ID3D10EffectVariable* STDMETHODCALLTYPE FxVariableBase<Interface>::GetAnnotationByName(LPCSTR Name) {
  if (!m_core.effect || !m_core.annotations || !Name) return FxPlainVariable::Invalid();
  for (std::size_t i = 0; i < m_core.annotations->size(); ++i) {
    if ((*m_core.annotations)[i].name == Name) return m_core.effect->Annotations(*m_core.annotations)[i];
  }
  return FxPlainVariable::Invalid();
}

template <typename Interface>
ID3D10EffectVariable* FxVariableBase<Interface>::Child(FxSpan<ID3D10EffectVariable*>* cache, std::size_t count,
                                                       std::size_t index, const FxVariableCore& core) {
  if (cache->empty()) {
    *cache = m_core.effect->Allocate<ID3D10EffectVariable*>(count);
    std::fill(cache->begin(), cache->end(), nullptr);
  }
  if (!(*cache)[index]) (*cache)[index] = FxMakeVariable(core);
  return (*cache)[index];
}

template <typename Interface>
ID3D10EffectVariable* STDMETHODCALLTYPE FxVariableBase<Interface>::GetMemberByIndex(UINT Index) {
  const FxLoadedType* type = TypeDesc();
  if (!type || Index >= type->members.size()) return FxPlainVariable::Invalid();
  // The members of an array are those of its first element.
  const FxLoadedTypeMember& member = type->members[Index];
  FxVariableCore core;
  core.effect = m_core.effect;
  core.type = member.type;
  core.name = member.name.c_str();
  core.semantic = member.semantic.c_str();
  core.parent = m_core.parent;
  core.buffer = m_core.buffer;
  core.constant = m_core.constant;
  core.offset = m_core.offset + member.offset;
  return Child(&m_members, type->members.size(), Index, core);
}

template <typename Interface>
ID3D10EffectVariable* STDMETHODCALLTYPE FxVariableBase<Interface>::GetMemberByName(LPCSTR Name) {
  const FxLoadedType* type = TypeDesc();
  if (!type || !Name) return FxPlainVariable::Invalid();
  for (std::size_t i = 0; i < type->members.size(); ++i) {
    if (type->members[i].name == Name) return GetMemberByIndex(static_cast<UINT>(i));
  }
  return FxPlainVariable::Invalid();
}

template <typename Interface>
ID3D10EffectVariable* STDMETHODCALLTYPE FxVariableBase<Interface>::GetMemberBySemantic(LPCSTR Semantic) {
  const FxLoadedType* type = TypeDesc();
  if (!type || !Semantic) return FxPlainVariable::Invalid();
  for (std::size_t i = 0; i < type->members.size(); ++i) {
    if (!strcasecmp(type->members[i].semantic.c_str(), Semantic)) return GetMemberByIndex(static_cast<UINT>(i));
  }
  return FxPlainVariable::Invalid();
}

template <typename Interface>
ID3D10EffectVariable* STDMETHODCALLTYPE FxVariableBase<Interface>::GetElement(UINT Index) {
  const FxLoadedType* type = TypeDesc();
  if (!type || m_core.element || Index >= type->elements) return FxPlainVariable::Invalid();
  FxVariableCore core = m_core;
  core.element = true;
  core.annotations = nullptr;
  core.offset = m_core.offset + Index * type->stride;
  core.first = m_core.first + Index;
  core.count = 1;
  return Child(&m_elements, type->elements, Index, core);
}

template <typename Interface>
ID3D10EffectConstantBuffer* STDMETHODCALLTYPE FxVariableBase<Interface>::GetParentConstantBuffer() {
  return m_core.parent ? m_core.parent : FxConstantBufferVariable::Invalid();
}

template <typename Interface>
ID3D10EffectScalarVariable* STDMETHODCALLTYPE FxVariableBase<Interface>::AsScalar() {
  return FxScalarVariable::Invalid();
}
template <typename Interface>
ID3D10EffectVectorVariable* STDMETHODCALLTYPE FxVariableBase<Interface>::AsVector() {
  return FxVectorVariable::Invalid();
}
template <typename Interface>
ID3D10EffectMatrixVariable* STDMETHODCALLTYPE FxVariableBase<Interface>::AsMatrix() {
  return FxMatrixVariable::Invalid();
}
template <typename Interface>
ID3D10EffectStringVariable* STDMETHODCALLTYPE FxVariableBase<Interface>::AsString() {
  return FxStringVariable::Invalid();
}
template <typename Interface>
ID3D10EffectShaderResourceVariable* STDMETHODCALLTYPE FxVariableBase<Interface>::AsShaderResource() {
  return FxShaderResourceVariable::Invalid();
}
template <typename Interface>
ID3D10EffectRenderTargetViewVariable* STDMETHODCALLTYPE FxVariableBase<Interface>::AsRenderTargetView() {
  return FxRenderTargetViewVariable::Invalid();
}
template <typename Interface>
ID3D10EffectDepthStencilViewVariable* STDMETHODCALLTYPE FxVariableBase<Interface>::AsDepthStencilView() {
  return FxDepthStencilViewVariable::Invalid();
}
template <typename Interface>
ID3D10EffectConstantBuffer* STDMETHODCALLTYPE FxVariableBase<Interface>::AsConstantBuffer() {
  return FxConstantBufferVariable::Invalid();
}
template <typename Interface>
ID3D10EffectShaderVariable* STDMETHODCALLTYPE FxVariableBase<Interface>::AsShader() {
  return FxShaderVariable::Invalid();
}
template <typename Interface>
ID3D10EffectBlendVariable* STDMETHODCALLTYPE FxVariableBase<Interface>::AsBlend() {
  return FxBlendVariable::Invalid();
}
template <typename Interface>
ID3D10EffectDepthStencilVariable* STDMETHODCALLTYPE FxVariableBase<Interface>::AsDepthStencil() {
  return FxDepthStencilVariable::Invalid();
}
template <typename Interface>
ID3D10EffectRasterizerVariable* STDMETHODCALLTYPE FxVariableBase<Interface>::AsRasterizer() {
  return FxRasterizerVariable::Invalid();
}
template <typename Interface>
ID3D10EffectSamplerVariable* STDMETHODCALLTYPE FxVariableBase<Interface>::AsSampler() {
  return FxSamplerVariable::Invalid();
}

template <typename Interface>
const uint8_t* FxVariableBase<Interface>::Read() const {
  if (m_core.buffer) return m_core.buffer->data.data() + m_core.offset;
  return m_core.constant ? m_core.constant + m_core.offset : nullptr;
}

template <typename Interface>
uint8_t* FxVariableBase<Interface>::Write() {
  if (!m_core.buffer) return nullptr;
  m_core.buffer->dirty = true;
  return m_core.buffer->data.data() + m_core.offset;
}

template <typename Interface>
HRESULT STDMETHODCALLTYPE FxVariableBase<Interface>::SetRawValue(void* pData, UINT ByteOffset, UINT ByteCount) {
  const FxLoadedType* type = TypeDesc();
  if (!type || !m_core.buffer) return E_FAIL;
  if (!pData || !InRange(ByteOffset, ByteCount, type->unpackedSize)) return E_INVALIDARG;
  if (ByteCount) std::memcpy(Write() + ByteOffset, pData, ByteCount);
  return S_OK;
}

template <typename Interface>
HRESULT STDMETHODCALLTYPE FxVariableBase<Interface>::GetRawValue(void* pData, UINT ByteOffset, UINT ByteCount) {
  const FxLoadedType* type = TypeDesc();
  const uint8_t* data = Read();
  if (!type || !data) return E_FAIL;
  if (!pData || !InRange(ByteOffset, ByteCount, type->unpackedSize)) return E_INVALIDARG;
  if (ByteCount) std::memcpy(pData, data + ByteOffset, ByteCount);
  return S_OK;
}

template class FxVariableBase<ID3D10EffectVariable>;
template class FxVariableBase<ID3D10EffectScalarVariable>;
template class FxVariableBase<ID3D10EffectVectorVariable>;
template class FxVariableBase<ID3D10EffectMatrixVariable>;
template class FxVariableBase<ID3D10EffectStringVariable>;
template class FxVariableBase<ID3D10EffectShaderResourceVariable>;
template class FxVariableBase<ID3D10EffectRenderTargetViewVariable>;
template class FxVariableBase<ID3D10EffectDepthStencilViewVariable>;
template class FxVariableBase<ID3D10EffectConstantBuffer>;
template class FxVariableBase<ID3D10EffectShaderVariable>;
template class FxVariableBase<ID3D10EffectBlendVariable>;
template class FxVariableBase<ID3D10EffectDepthStencilVariable>;
template class FxVariableBase<ID3D10EffectRasterizerVariable>;
template class FxVariableBase<ID3D10EffectSamplerVariable>;

#define FX_INVALID(Class)        \
  Class* Class::Invalid() {      \
    static Class invalid{{}};    \
    return &invalid;             \
  }
FX_INVALID(FxPlainVariable)
FX_INVALID(FxScalarVariable)
FX_INVALID(FxVectorVariable)
FX_INVALID(FxMatrixVariable)
FX_INVALID(FxStringVariable)
FX_INVALID(FxShaderResourceVariable)
FX_INVALID(FxRenderTargetViewVariable)
FX_INVALID(FxDepthStencilViewVariable)
FX_INVALID(FxConstantBufferVariable)
FX_INVALID(FxShaderVariable)
FX_INVALID(FxBlendVariable)
FX_INVALID(FxDepthStencilVariable)
FX_INVALID(FxRasterizerVariable)
FX_INVALID(FxSamplerVariable)
#undef FX_INVALID

// Numbers ----------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE FxScalarVariable::SetFloat(float Value) { return SetFloatArray(&Value, 0, 1); }
HRESULT STDMETHODCALLTYPE FxScalarVariable::GetFloat(float* pValue) { return GetFloatArray(pValue, 0, 1); }
HRESULT STDMETHODCALLTYPE FxScalarVariable::SetFloatArray(float* pData, UINT Offset, UINT Count) {
  return Transfer(Write(), Read(), TypeDesc(), pData, Offset, Count, 1, 1, true);
}
HRESULT STDMETHODCALLTYPE FxScalarVariable::GetFloatArray(float* pData, UINT Offset, UINT Count) {
  return Transfer(nullptr, Read(), TypeDesc(), pData, Offset, Count, 1, 1, false);
}
HRESULT STDMETHODCALLTYPE FxScalarVariable::SetInt(int Value) { return SetIntArray(&Value, 0, 1); }
HRESULT STDMETHODCALLTYPE FxScalarVariable::GetInt(int* pValue) { return GetIntArray(pValue, 0, 1); }
HRESULT STDMETHODCALLTYPE FxScalarVariable::SetIntArray(int* pData, UINT Offset, UINT Count) {
  return Transfer(Write(), Read(), TypeDesc(), pData, Offset, Count, 1, 1, true);
}
HRESULT STDMETHODCALLTYPE FxScalarVariable::GetIntArray(int* pData, UINT Offset, UINT Count) {
  return Transfer(nullptr, Read(), TypeDesc(), pData, Offset, Count, 1, 1, false);
}
HRESULT STDMETHODCALLTYPE FxScalarVariable::SetBool(BOOL Value) { return SetBoolArray(&Value, 0, 1); }
HRESULT STDMETHODCALLTYPE FxScalarVariable::GetBool(BOOL* pValue) { return GetBoolArray(pValue, 0, 1); }
HRESULT STDMETHODCALLTYPE FxScalarVariable::SetBoolArray(BOOL* pData, UINT Offset, UINT Count) {
  return TransferBools(Write(), Read(), TypeDesc(), pData, Offset, Count, 1, 1, true);
}
HRESULT STDMETHODCALLTYPE FxScalarVariable::GetBoolArray(BOOL* pData, UINT Offset, UINT Count) {
  return TransferBools(nullptr, Read(), TypeDesc(), pData, Offset, Count, 1, 1, false);
}

// Vectors travel as four components each, of which the variable's own are used.
#define FX_VECTOR_COLUMNS (TypeDesc() ? TypeDesc()->columns : 0)
HRESULT STDMETHODCALLTYPE FxVectorVariable::SetBoolVector(BOOL* pData) { return SetBoolVectorArray(pData, 0, 1); }
HRESULT STDMETHODCALLTYPE FxVectorVariable::SetIntVector(int* pData) { return SetIntVectorArray(pData, 0, 1); }
HRESULT STDMETHODCALLTYPE FxVectorVariable::SetFloatVector(float* pData) { return SetFloatVectorArray(pData, 0, 1); }
HRESULT STDMETHODCALLTYPE FxVectorVariable::GetBoolVector(BOOL* pData) { return GetBoolVectorArray(pData, 0, 1); }
HRESULT STDMETHODCALLTYPE FxVectorVariable::GetIntVector(int* pData) { return GetIntVectorArray(pData, 0, 1); }
HRESULT STDMETHODCALLTYPE FxVectorVariable::GetFloatVector(float* pData) { return GetFloatVectorArray(pData, 0, 1); }
HRESULT STDMETHODCALLTYPE FxVectorVariable::SetBoolVectorArray(BOOL* pData, UINT Offset, UINT Count) {
  return TransferBools(Write(), Read(), TypeDesc(), pData, Offset, Count, FX_VECTOR_COLUMNS, 4, true);
}
HRESULT STDMETHODCALLTYPE FxVectorVariable::SetIntVectorArray(int* pData, UINT Offset, UINT Count) {
  return Transfer(Write(), Read(), TypeDesc(), pData, Offset, Count, FX_VECTOR_COLUMNS, 4, true);
}
HRESULT STDMETHODCALLTYPE FxVectorVariable::SetFloatVectorArray(float* pData, UINT Offset, UINT Count) {
  return Transfer(Write(), Read(), TypeDesc(), pData, Offset, Count, FX_VECTOR_COLUMNS, 4, true);
}
HRESULT STDMETHODCALLTYPE FxVectorVariable::GetBoolVectorArray(BOOL* pData, UINT Offset, UINT Count) {
  return TransferBools(nullptr, Read(), TypeDesc(), pData, Offset, Count, FX_VECTOR_COLUMNS, 4, false);
}
HRESULT STDMETHODCALLTYPE FxVectorVariable::GetIntVectorArray(int* pData, UINT Offset, UINT Count) {
  return Transfer(nullptr, Read(), TypeDesc(), pData, Offset, Count, FX_VECTOR_COLUMNS, 4, false);
}
HRESULT STDMETHODCALLTYPE FxVectorVariable::GetFloatVectorArray(float* pData, UINT Offset, UINT Count) {
  return Transfer(nullptr, Read(), TypeDesc(), pData, Offset, Count, FX_VECTOR_COLUMNS, 4, false);
}
#undef FX_VECTOR_COLUMNS

HRESULT FxMatrixVariable::Transfer(float* data, UINT offset, UINT count, bool set, bool transpose) {
  const FxLoadedType* type = TypeDesc();
  const uint8_t* read = Read();
  if (!type || !data || !read || !IsMatrixClass(type->typeClass)) return E_FAIL;
  if (!InRange(offset, count, FxElementCount(*type))) return E_INVALIDARG;
  uint8_t* write = set ? Write() : nullptr;
  if (set && !write) return E_FAIL;
  bool columnMajor = type->typeClass == D3D10_SVC_MATRIX_COLUMNS;
  for (UINT e = 0; e < count; ++e) {
    float* matrix = data + 16 * e;
    uint32_t base = (offset + e) * type->stride;
    for (uint32_t r = 0; r < type->rows; ++r) {
      for (uint32_t c = 0; c < type->columns; ++c) {
        uint32_t at = base + (columnMajor ? 16 * c + 4 * r : 16 * r + 4 * c);
        float& value = matrix[transpose ? 4 * c + r : 4 * r + c];
        if (set) {
          Store(write + at, type->baseType, value);
        } else {
          value = static_cast<float>(Load(read + at, type->baseType));
        }
      }
    }
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FxMatrixVariable::SetMatrix(float* pData) { return Transfer(pData, 0, 1, true, false); }
HRESULT STDMETHODCALLTYPE FxMatrixVariable::GetMatrix(float* pData) { return Transfer(pData, 0, 1, false, false); }
HRESULT STDMETHODCALLTYPE FxMatrixVariable::SetMatrixArray(float* pData, UINT Offset, UINT Count) {
  return Transfer(pData, Offset, Count, true, false);
}
HRESULT STDMETHODCALLTYPE FxMatrixVariable::GetMatrixArray(float* pData, UINT Offset, UINT Count) {
  return Transfer(pData, Offset, Count, false, false);
}
HRESULT STDMETHODCALLTYPE FxMatrixVariable::SetMatrixTranspose(float* pData) { return Transfer(pData, 0, 1, true, true); }
HRESULT STDMETHODCALLTYPE FxMatrixVariable::GetMatrixTranspose(float* pData) { return Transfer(pData, 0, 1, false, true); }
HRESULT STDMETHODCALLTYPE FxMatrixVariable::SetMatrixTransposeArray(float* pData, UINT Offset, UINT Count) {
  return Transfer(pData, Offset, Count, true, true);
}
HRESULT STDMETHODCALLTYPE FxMatrixVariable::GetMatrixTransposeArray(float* pData, UINT Offset, UINT Count) {
  return Transfer(pData, Offset, Count, false, true);
}

// Objects ----------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE FxStringVariable::GetString(LPCSTR* ppString) { return GetStringArray(ppString, 0, 1); }

HRESULT STDMETHODCALLTYPE FxStringVariable::GetStringArray(LPCSTR* ppStrings, UINT Offset, UINT Count) {
  if (!m_core.strings) return E_FAIL;
  if (!ppStrings || !InRange(Offset, Count, m_core.count)) return E_INVALIDARG;
  for (UINT i = 0; i < Count; ++i) ppStrings[i] = (*m_core.strings)[m_core.first + Offset + i].c_str();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FxShaderResourceVariable::SetResource(ID3D10ShaderResourceView* pResource) {
  return SetResourceArray(&pResource, 0, 1);
}

HRESULT STDMETHODCALLTYPE FxShaderResourceVariable::GetResource(ID3D10ShaderResourceView** ppResource) {
  return GetResourceArray(ppResource, 0, 1);
}

HRESULT STDMETHODCALLTYPE FxShaderResourceVariable::SetResourceArray(ID3D10ShaderResourceView** ppResources,
                                                                     UINT Offset, UINT Count) {
  if (!m_core.object) return E_FAIL;
  if (!ppResources || !InRange(Offset, Count, m_core.count)) return E_INVALIDARG;
  for (UINT i = 0; i < Count; ++i) {
    m_core.object->views[m_core.first + Offset + i] = ComPtr<ID3D10ShaderResourceView>(ppResources[i]);
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FxShaderResourceVariable::GetResourceArray(ID3D10ShaderResourceView** ppResources,
                                                                     UINT Offset, UINT Count) {
  if (!m_core.object) return E_FAIL;
  if (!ppResources || !InRange(Offset, Count, m_core.count)) return E_INVALIDARG;
  for (UINT i = 0; i < Count; ++i) {
    ID3D10ShaderResourceView* view = m_core.object->views[m_core.first + Offset + i].Get();
    if (view) view->AddRef();
    ppResources[i] = view;
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FxConstantBufferVariable::SetConstantBuffer(ID3D10Buffer* pConstantBuffer) {
  if (!m_core.buffer) return E_FAIL;
  FxBufferState& state = *m_core.buffer;
  state.external = pConstantBuffer != nullptr;
  state.buffer = pConstantBuffer ? ComPtr<ID3D10Buffer>(pConstantBuffer) : state.own;
  state.dirty = true;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FxConstantBufferVariable::GetConstantBuffer(ID3D10Buffer** ppConstantBuffer) {
  if (!m_core.buffer) return E_FAIL;
  if (!ppConstantBuffer) return E_INVALIDARG;
  *ppConstantBuffer = m_core.buffer->buffer.Get();
  if (*ppConstantBuffer) (*ppConstantBuffer)->AddRef();
  return S_OK;
}

FxShaderState* FxShaderVariable::ShaderAt(UINT index) {
  if (!m_core.effect) return nullptr;
  uint32_t shader = m_core.shader;
  if (shader == kFxNone) {
    if (!m_core.object || index >= m_core.count) return nullptr;
    shader = m_core.object->desc->shaders[m_core.first + index];
  } else if (index != 0) {
    return nullptr;
  }
  return shader == kFxNone ? nullptr : &m_core.effect->Shader(shader);
}

HRESULT STDMETHODCALLTYPE FxShaderVariable::GetShaderDesc(UINT ShaderIndex, D3D10_EFFECT_SHADER_DESC* pDesc) {
  if (!m_core.effect) return E_FAIL;
  if (!pDesc || (m_core.shader == kFxNone && ShaderIndex >= m_core.count)) return E_INVALIDARG;
  *pDesc = D3D10_EFFECT_SHADER_DESC();
  FxShaderState* shader = ShaderAt(ShaderIndex);
  if (!shader) return S_OK;  // NULL
  pDesc->pInputSignature = static_cast<const BYTE*>(shader->signature);
  pDesc->IsInline = m_core.shader != kFxNone;
  pDesc->pBytecode = shader->desc->bytecode.data();
  pDesc->BytecodeLength = static_cast<UINT>(shader->desc->bytecode.size());
  pDesc->NumInputSignatureEntries = static_cast<UINT>(shader->desc->inputs.size());
  pDesc->NumOutputSignatureEntries = static_cast<UINT>(shader->desc->outputs.size());
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FxShaderVariable::GetVertexShader(UINT ShaderIndex, ID3D10VertexShader** ppVS) {
  if (!ppVS) return E_INVALIDARG;
  *ppVS = nullptr;
  FxShaderState* shader = ShaderAt(ShaderIndex);
  if (!shader || !shader->vertex) return E_FAIL;
  *ppVS = shader->vertex.Get();
  (*ppVS)->AddRef();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FxShaderVariable::GetGeometryShader(UINT ShaderIndex, ID3D10GeometryShader** ppGS) {
  if (!ppGS) return E_INVALIDARG;
  *ppGS = nullptr;
  FxShaderState* shader = ShaderAt(ShaderIndex);
  if (!shader || !shader->geometry) return E_FAIL;
  *ppGS = shader->geometry.Get();
  (*ppGS)->AddRef();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FxShaderVariable::GetPixelShader(UINT ShaderIndex, ID3D10PixelShader** ppPS) {
  if (!ppPS) return E_INVALIDARG;
  *ppPS = nullptr;
  FxShaderState* shader = ShaderAt(ShaderIndex);
  if (!shader || !shader->pixel) return E_FAIL;
  *ppPS = shader->pixel.Get();
  (*ppPS)->AddRef();
  return S_OK;
}

namespace {

HRESULT SignatureElement(FxShaderState* shader, bool input, UINT element, D3D10_SIGNATURE_PARAMETER_DESC* pDesc) {
  if (!shader) return E_FAIL;
  const FxSpan<FxLoadedSignatureElement>& elements = input ? shader->desc->inputs : shader->desc->outputs;
  if (!pDesc || element >= elements.size()) return E_INVALIDARG;
  const FxLoadedSignatureElement& e = elements[element];
  pDesc->SemanticName = e.semantic.c_str();
  pDesc->SemanticIndex = e.index;
  pDesc->Register = e.reg;
  pDesc->SystemValueType = static_cast<D3D10_NAME>(e.systemValue);
  pDesc->ComponentType = static_cast<D3D10_REGISTER_COMPONENT_TYPE>(e.componentType);
  pDesc->Mask = static_cast<BYTE>(e.mask);
  pDesc->ReadWriteMask = static_cast<BYTE>(e.mask);
  return S_OK;
}

// Copies a state of an object variable out with a reference.
template <typename State>
HRESULT GetState(FxObjectState* object, const std::vector<ComPtr<State>> FxObjectState::*states, uint32_t first,
                 uint32_t count, UINT index, State** out) {
  if (!object) return E_FAIL;
  if (!out || index >= count) return E_INVALIDARG;
  *out = (object->*states)[first + index].Get();
  if (*out) (*out)->AddRef();
  return S_OK;
}

template <typename Desc>
HRESULT GetBacking(FxObjectState* object, const FxSpan<Desc> FxLoadedObject::*descs, uint32_t first, uint32_t count,
                   UINT index, Desc* out) {
  if (!object) return E_FAIL;
  if (!out || index >= count) return E_INVALIDARG;
  *out = (object->desc->*descs)[first + index];
  return S_OK;
}

}  // namespace

HRESULT STDMETHODCALLTYPE FxShaderVariable::GetInputSignatureElementDesc(UINT ShaderIndex, UINT Element,
                                                                         D3D10_SIGNATURE_PARAMETER_DESC* pDesc) {
  return SignatureElement(ShaderAt(ShaderIndex), true, Element, pDesc);
}

HRESULT STDMETHODCALLTYPE FxShaderVariable::GetOutputSignatureElementDesc(UINT ShaderIndex, UINT Element,
                                                                          D3D10_SIGNATURE_PARAMETER_DESC* pDesc) {
  return SignatureElement(ShaderAt(ShaderIndex), false, Element, pDesc);
}

HRESULT STDMETHODCALLTYPE FxBlendVariable::GetBlendState(UINT Index, ID3D10BlendState** ppBlendState) {
  return GetState(m_core.object, &FxObjectState::blends, m_core.first, m_core.count, Index, ppBlendState);
}
HRESULT STDMETHODCALLTYPE FxBlendVariable::GetBackingStore(UINT Index, D3D10_BLEND_DESC* pBlendDesc) {
  return GetBacking(m_core.object, &FxLoadedObject::blends, m_core.first, m_core.count, Index, pBlendDesc);
}
HRESULT STDMETHODCALLTYPE FxDepthStencilVariable::GetDepthStencilState(UINT Index, ID3D10DepthStencilState** ppState) {
  return GetState(m_core.object, &FxObjectState::depthStencils, m_core.first, m_core.count, Index, ppState);
}
HRESULT STDMETHODCALLTYPE FxDepthStencilVariable::GetBackingStore(UINT Index, D3D10_DEPTH_STENCIL_DESC* pDesc) {
  return GetBacking(m_core.object, &FxLoadedObject::depthStencils, m_core.first, m_core.count, Index, pDesc);
}
HRESULT STDMETHODCALLTYPE FxRasterizerVariable::GetRasterizerState(UINT Index, ID3D10RasterizerState** ppState) {
  return GetState(m_core.object, &FxObjectState::rasterizers, m_core.first, m_core.count, Index, ppState);
}
HRESULT STDMETHODCALLTYPE FxRasterizerVariable::GetBackingStore(UINT Index, D3D10_RASTERIZER_DESC* pDesc) {
  return GetBacking(m_core.object, &FxLoadedObject::rasterizers, m_core.first, m_core.count, Index, pDesc);
}
HRESULT STDMETHODCALLTYPE FxSamplerVariable::GetSampler(UINT Index, ID3D10SamplerState** ppSampler) {
  return GetState(m_core.object, &FxObjectState::samplers, m_core.first, m_core.count, Index, ppSampler);
}
HRESULT STDMETHODCALLTYPE FxSamplerVariable::GetBackingStore(UINT Index, D3D10_SAMPLER_DESC* pSamplerDesc) {
  return GetBacking(m_core.object, &FxLoadedObject::samplers, m_core.first, m_core.count, Index, pSamplerDesc);
}

ID3D10EffectVariable* FxMakeVariable(const FxVariableCore& core) {
  FxEffect* effect = core.effect;
  const FxLoadedType& type = effect->Type(core.type, core.element);
  switch (type.typeClass) {
    case D3D10_SVC_SCALAR: return effect->Make<FxScalarVariable>(core);
    case D3D10_SVC_VECTOR: return effect->Make<FxVectorVariable>(core);
    case D3D10_SVC_MATRIX_ROWS:
    case D3D10_SVC_MATRIX_COLUMNS: return effect->Make<FxMatrixVariable>(core);
    case D3D10_SVC_STRUCT: return effect->Make<FxPlainVariable>(core);
    default: break;
  }
  uint32_t base = type.baseType;
  if (FxIsResourceType(base)) return effect->Make<FxShaderResourceVariable>(core);
  if (FxIsShaderType(base)) return effect->Make<FxShaderVariable>(core);
  switch (base) {
    case D3D10_SVT_STRING: return effect->Make<FxStringVariable>(core);
    case D3D10_SVT_SAMPLER: return effect->Make<FxSamplerVariable>(core);
    case D3D10_SVT_BLEND: return effect->Make<FxBlendVariable>(core);
    case D3D10_SVT_DEPTHSTENCIL: return effect->Make<FxDepthStencilVariable>(core);
    case D3D10_SVT_RASTERIZER: return effect->Make<FxRasterizerVariable>(core);
    case D3D10_SVT_CBUFFER: return effect->Make<FxConstantBufferVariable>(core);
    default: return effect->Make<FxPlainVariable>(core);
  }
}

// Types ------------------------------------------------------------------------

FxTypeInterface* FxTypeInterface::Invalid() {
  static FxTypeInterface invalid(nullptr, 0, false);
  return &invalid;
}

HRESULT STDMETHODCALLTYPE FxTypeInterface::GetDesc(D3D10_EFFECT_TYPE_DESC* pDesc) {
  if (!m_effect) return E_FAIL;
  if (!pDesc) return E_INVALIDARG;
  const FxLoadedType& type = m_effect->Type(m_type, m_element);
  pDesc->TypeName = type.name.c_str();
  pDesc->Class = static_cast<D3D10_SHADER_VARIABLE_CLASS>(type.typeClass);
  pDesc->Type = static_cast<D3D10_SHADER_VARIABLE_TYPE>(type.baseType);
  pDesc->Elements = type.elements;
  pDesc->Members = static_cast<UINT>(type.members.size());
  pDesc->Rows = type.rows;
  pDesc->Columns = type.columns;
  pDesc->PackedSize = type.packedSize;
  pDesc->UnpackedSize = type.unpackedSize;
  pDesc->Stride = type.stride;
  return S_OK;
}

ID3D10EffectType* STDMETHODCALLTYPE FxTypeInterface::GetMemberTypeByIndex(UINT Index) {
  if (!m_effect) return Invalid();
  const FxLoadedType& type = m_effect->Type(m_type, m_element);
  if (Index >= type.members.size()) return Invalid();
  return m_effect->TypeInterface(type.members[Index].type, false);
}

ID3D10EffectType* STDMETHODCALLTYPE FxTypeInterface::GetMemberTypeByName(LPCSTR Name) {
  if (!m_effect || !Name) return Invalid();
  const FxLoadedType& type = m_effect->Type(m_type, m_element);
  for (std::size_t i = 0; i < type.members.size(); ++i) {
    if (type.members[i].name == Name) return GetMemberTypeByIndex(static_cast<UINT>(i));
  }
  return Invalid();
}

ID3D10EffectType* STDMETHODCALLTYPE FxTypeInterface::GetMemberTypeBySemantic(LPCSTR Semantic) {
  if (!m_effect || !Semantic) return Invalid();
  const FxLoadedType& type = m_effect->Type(m_type, m_element);
  for (std::size_t i = 0; i < type.members.size(); ++i) {
    if (!strcasecmp(type.members[i].semantic.c_str(), Semantic)) return GetMemberTypeByIndex(static_cast<UINT>(i));
  }
  return Invalid();
}

LPCSTR STDMETHODCALLTYPE FxTypeInterface::GetMemberName(UINT Index) {
  if (!m_effect) return nullptr;
  const FxLoadedType& type = m_effect->Type(m_type, m_element);
  return Index < type.members.size() ? type.members[Index].name.c_str() : nullptr;
}

LPCSTR STDMETHODCALLTYPE FxTypeInterface::GetMemberSemantic(UINT Index) {
  if (!m_effect) return nullptr;
  const FxLoadedType& type = m_effect->Type(m_type, m_element);
  if (Index >= type.members.size() || type.members[Index].semantic.empty()) return nullptr;
  return type.members[Index].semantic.c_str();
}
