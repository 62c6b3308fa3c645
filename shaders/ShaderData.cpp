#include <morvane/ShaderData.h>

#include <morvane/BufferLayout.h>
#include <morvane/GraphicsDevice.h>
#include <morvane/Texture.h>

namespace {

template <typename T>
T* Find(const std::unordered_map<std::string, T*>& map, const StringEX& key) {
  auto found = map.find(key);
  return found == map.end() ? nullptr : found->second;
}

template <typename T>
T* At(std::vector<T>& table, unsigned int index) {
  return index < table.size() ? &table[index] : nullptr;
}

}  // namespace

void EffectVariable::SetValue(const void* data, unsigned int size) const {
  if (data) Variable->SetRawValue(const_cast<void*>(data), 0, size);
}

void EffectVariable::SetValue(float value) const { Variable->AsScalar()->SetFloat(value); }

void EffectVariable::SetValue(int value) const { Variable->AsScalar()->SetInt(value); }

void EffectVariable::SetValue(const DXMatrix& value) const {
  Variable->SetRawValue(const_cast<DXMatrix*>(&value), 0, sizeof(DXMatrix));
}

void EffectVariable::SetResource(const BaseTexture* const texture) const {
  Variable->AsShaderResource()->SetResource(texture ? texture->GetSRV() : nullptr);
}

EffectTechnique::~EffectTechnique() {
  for (unsigned int pass = 0; Signatures && pass < PassCount; ++pass)
    if (Signatures[pass]) Signatures[pass]->Release(true);
  delete[] Signatures;
}

EffectVariable* ShaderData::GetVariable(unsigned int index) { return At(m_Variables, index); }

EffectTechnique* ShaderData::GetTechnique(unsigned int index) { return At(m_Techniques, index); }

EffectConstantBuffer* ShaderData::GetConstantBuffer(unsigned int index) { return At(m_ConstantBuffers, index); }

EffectVariable* ShaderData::GetVariable(const StringEX& name) const { return Find(m_VariablesByName, name); }

EffectVariable* ShaderData::GetVariableBySemantic(const StringEX& semantic) const {
  return Find(m_VariablesBySemantic, semantic);
}

EffectTechnique* ShaderData::GetTechnique(const StringEX& name) const { return Find(m_TechniquesByName, name); }

EffectConstantBuffer* ShaderData::GetConstantBuffer(const StringEX& name) const {
  return Find(m_ConstantBuffersByName, name);
}

void ShaderData::Init(GraphicsDevice* const device, ID3D10Effect* const effect) {
  Invalidate();
  D3D10_EFFECT_DESC desc{};
  effect->GetDesc(&desc);

  m_Variables.resize(desc.GlobalVariables);
  for (UINT i = 0; i < desc.GlobalVariables; ++i) {
    EffectVariable& entry = m_Variables[i];
    entry.Variable = effect->GetVariableByIndex(i);
    D3D10_EFFECT_VARIABLE_DESC variable{};
    entry.Variable->GetDesc(&variable);
    entry.Name = variable.Name ? variable.Name : "";
    entry.Semantic = variable.Semantic ? variable.Semantic : "";
    m_VariablesByName[entry.Name] = &entry;
    if (!entry.Semantic.empty()) m_VariablesBySemantic[entry.Semantic] = &entry;
  }

  std::vector<EffectTechnique> techniques(desc.Techniques);
  m_Techniques.swap(techniques);
  LayoutManager* layouts = device ? device->GetLayoutManager() : nullptr;
  for (UINT i = 0; i < desc.Techniques; ++i) {
    EffectTechnique& entry = m_Techniques[i];
    entry.Technique = effect->GetTechniqueByIndex(i);
    D3D10_TECHNIQUE_DESC technique{};
    entry.Technique->GetDesc(&technique);
    entry.Name = technique.Name ? technique.Name : "";
    entry.PassCount = static_cast<unsigned char>(technique.Passes);
    entry.Signatures = new InputSignature*[entry.PassCount]();
    for (unsigned int pass = 0; pass < entry.PassCount && layouts; ++pass) {
      D3D10_PASS_DESC passDesc{};
      entry.Technique->GetPassByIndex(pass)->GetDesc(&passDesc);
      entry.Signatures[pass] = layouts->CreateInputSignature(passDesc.pIAInputSignature,
                                                             static_cast<unsigned int>(passDesc.IAInputSignatureSize));
    }
    m_TechniquesByName[entry.Name] = &entry;
  }

  m_ConstantBuffers.resize(desc.ConstantBuffers);
  for (UINT i = 0; i < desc.ConstantBuffers; ++i) {
    EffectConstantBuffer& entry = m_ConstantBuffers[i];
    ID3D10EffectConstantBuffer* buffer = effect->GetConstantBufferByIndex(i);
    D3D10_EFFECT_VARIABLE_DESC bufferDesc{};
    buffer->GetDesc(&bufferDesc);
    entry.Name = bufferDesc.Name ? bufferDesc.Name : "";
    // The effect hands out a reference with the buffer; the effect keeps its own.
    buffer->GetConstantBuffer(&entry.Buffer);
    if (entry.Buffer) entry.Buffer->Release();
    m_ConstantBuffersByName[entry.Name] = &entry;
  }
}

void ShaderData::Invalidate() {
  // Fresh maps return to their initial bucket tables.
  VariableMap().swap(m_VariablesByName);
  VariableMap().swap(m_VariablesBySemantic);
  TechniqueMap().swap(m_TechniquesByName);
  ConstantBufferMap().swap(m_ConstantBuffersByName);
  std::vector<EffectVariable>().swap(m_Variables);
  std::vector<EffectTechnique>().swap(m_Techniques);
  std::vector<EffectConstantBuffer>().swap(m_ConstantBuffers);
}
