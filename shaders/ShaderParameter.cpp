#include <morvane/ShaderParameter.h>

#include <cstring>

#include <morvane/Core.h>
#include <morvane/Logger.h>
#include <morvane/RenderTarget.h>
#include <morvane/ShaderData.h>
#include <morvane/Texture.h>

ShaderParameter::ShaderParameter()
    : m_pTarget(nullptr), m_pVariable(nullptr), m_Element(0), m_pValue(nullptr), m_Size(0), m_Borrowed(false) {}

ShaderParameter::ShaderParameter(EffectVariable* const variable, void* data, unsigned int size, bool borrowed,
                                 unsigned int element)
    : ShaderParameter() {
  SetVariableValue(variable, data, size, borrowed, element);
}

ShaderParameter::ShaderParameter(const ShaderParameter& other) : ShaderParameter() { *this = other; }

ShaderParameter& ShaderParameter::operator=(const ShaderParameter& other) {
  if (this != &other)
    SetVariableValue(other.m_pVariable, other.m_pValue, other.m_Size, other.m_Borrowed, other.m_Element);
  return *this;
}

ShaderParameter::~ShaderParameter() { FreeValue(); }

void ShaderParameter::FreeValue() {
  if (!m_Borrowed) delete[] m_pValue;
  m_pValue = nullptr;
}

void ShaderParameter::SetVariable(EffectVariable* const variable, unsigned int element) {
  m_pVariable = variable;
  m_Element = element;
  if (!variable || !variable->Variable)
    m_pTarget = nullptr;
  else
    m_pTarget = element == 0 ? variable->Variable : variable->Variable->GetElement(element);
}

void ShaderParameter::SetValue(const void* const data, unsigned int size, bool borrowed) {
  // The new block is filled before the old one goes: data may point into it.
  unsigned char* value = static_cast<unsigned char*>(const_cast<void*>(data));
  if (!borrowed) {
    value = new unsigned char[size];
    if (data) std::memcpy(value, data, size);
  }
  FreeValue();
  m_pValue = value;
  m_Size = size;
  m_Borrowed = borrowed;
}

void ShaderParameter::SetVariableValue(EffectVariable* const variable, const void* const data, unsigned int size,
                                       bool borrowed, unsigned int element) {
  SetVariable(variable, element);
  SetValue(data, size, borrowed);
}

void ShaderParameter::UpdateValue(const void* const data) {
  if (m_Borrowed)
    m_pValue = static_cast<unsigned char*>(const_cast<void*>(data));
  else if (m_pValue && data)
    std::memcpy(m_pValue, data, m_Size);
}

void ShaderParameter::Set() const {
  if (!m_pTarget || !m_pValue) return;
  if (FAILED(m_pTarget->SetRawValue(m_pValue, 0, m_Size)))
    Core::Log()->Error("ShaderParameter::Set: SetRawValue failed.");
}

bool ShaderParameter::operator==(const ShaderParameter& other) const {
  if (m_pTarget != other.m_pTarget || m_Size != other.m_Size) return false;
  if (m_pValue == other.m_pValue) return true;
  return m_pValue && other.m_pValue && std::memcmp(m_pValue, other.m_pValue, m_Size) == 0;
}

void ShaderResource::SetVariable(EffectVariable* const variable) {
  m_pVariable = variable && variable->Variable ? variable->Variable->AsShaderResource() : nullptr;
}

void ShaderResource::SetResource(BaseTexture* const texture) { m_pView = texture ? texture->GetSRV() : nullptr; }

void ShaderResource::SetResource(RenderTexture2D* const texture) {
  m_pView = texture && texture->GetTexture() ? texture->GetTexture()->GetSRV() : nullptr;
}

void ShaderResource::Set() const {
  if (!m_pVariable) return;
  if (FAILED(m_pVariable->SetResource(m_pView))) Core::Log()->Error("SetResource failed.");
}
