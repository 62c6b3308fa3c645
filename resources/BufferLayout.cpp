#include <morvane/BufferLayout.h>

#include <morvane/Core.h>
#include <morvane/GraphicsDevice.h>

#include <cstring>

namespace {

// The conversion array of GetInputLayout: the most elements a layout may have.
const unsigned int kMaxElements = 32;

}  // namespace

BufferLayout::BufferLayout(const BUFFER_ELEMENT_DESC* elements, unsigned int count)
    : m_pElements(nullptr),
      m_ElementCount(count),
      m_TexCoordCount(0),
      m_ColorCount(0),
      m_NormalCount(0),
      m_TangentCount(0),
      m_HasInstanceData(false) {
  if (count == 0) return;
  m_pElements = new BUFFER_ELEMENT_DESC[count];
  for (unsigned int i = 0; i < count; ++i) {
    m_pElements[i] = elements[i];
    const StringEX& name = elements[i].SemanticName;
    if (name == "TEXCOORD") ++m_TexCoordCount;
    else if (name == "COLOR") ++m_ColorCount;
    else if (name == "NORMAL") ++m_NormalCount;
    else if (name == "TANGENT") ++m_TangentCount;
    if (elements[i].InputSlotClass == D3D10_INPUT_PER_INSTANCE_DATA) m_HasInstanceData = true;
  }
}

BufferLayout::~BufferLayout() {
  if (LayoutManager* manager = dynamic_cast<LayoutManager*>(GetManager())) manager->ForgetInputLayouts(this);
  delete[] m_pElements;
}

InputSignature::InputSignature(const unsigned char* code, unsigned int size)
    : m_pSignatureCode(nullptr), m_SignatureSize(size) {
  if (size == 0) return;
  m_pSignatureCode = new unsigned char[size];
  std::memcpy(m_pSignatureCode, code, size);
}

InputSignature::~InputSignature() {
  if (LayoutManager* manager = dynamic_cast<LayoutManager*>(GetManager())) manager->ForgetInputLayouts(this);
  delete[] m_pSignatureCode;
}

LayoutManager::LayoutManager(GraphicsDevice* device) : m_pDevice(device) {}

LayoutManager::~LayoutManager() {
  // Emptied before the purge, so that the layouts deleted there find no
  // entries of theirs left to forget.
  for (auto& entry : m_InputLayouts)
    if (entry.second) entry.second->Release();
  m_InputLayouts.clear();
  PurgeAndReport(" unfreed layouts.");
}

// The cache is keyed by address: a deleted layout or signature takes its
// entries along, so that a new object at the same address never finds them.
void LayoutManager::ForgetInputLayouts(const Resource* object) {
  for (auto it = m_InputLayouts.begin(); it != m_InputLayouts.end();) {
    if (static_cast<const Resource*>(it->first.first) == object ||
        static_cast<const Resource*>(it->first.second) == object) {
      if (it->second) it->second->Release();
      it = m_InputLayouts.erase(it);
    } else {
      ++it;
    }
  }
}

StringEX LayoutManager::LayoutName(const BUFFER_ELEMENT_DESC* elements, unsigned int count) {
  StringEX name;
  name.reserve(26 * count);
  for (unsigned int i = 0; i < count; ++i) {
    const BUFFER_ELEMENT_DESC& e = elements[i];
    name += e.SemanticName;
    name += std::to_string(e.SemanticIndex);
    name += '-';
    name += std::to_string(e.Format);
    name += '-';
    name += std::to_string(e.AlignedByteOffset);
    name += '-';
    name += std::to_string(e.InputSlot);
    name += std::to_string(e.InputSlotClass);
    name += std::to_string(e.InstanceDataStepRate);
  }
  return name;
}

StringEX LayoutManager::SignatureName(const unsigned char* code, unsigned int size) {
  StringEX name(reinterpret_cast<const char*>(code), size);
  for (char& c : name)
    if (c == '\0') c = static_cast<char>(255);
  return name;
}

BufferLayout* LayoutManager::CreateBufferLayout(const BUFFER_ELEMENT_DESC* elements, unsigned int count) {
  StringEX name = LayoutName(elements, count);
  if (BufferLayout* found = FindResourceOf<BufferLayout>(name)) return found;
  BufferLayout* layout = new BufferLayout(elements, count);
  RegisterResource(layout, name);
  return layout;
}

InputSignature* LayoutManager::CreateInputSignature(const unsigned char* code, unsigned int size) {
  StringEX name = SignatureName(code, size);
  if (InputSignature* found = FindResourceOf<InputSignature>(name)) return found;
  InputSignature* signature = new InputSignature(code, size);
  RegisterResource(signature, name);
  return signature;
}

ID3D10InputLayout* LayoutManager::GetInputLayout(BufferLayout* layout, InputSignature* signature) {
  if (!layout || !signature) return nullptr;
  InputLayoutRef key(layout, signature);
  auto found = m_InputLayouts.find(key);
  if (found != m_InputLayouts.end()) {
    if (!found->second) Core::Log()->WriteLine("Layout is invalid.", 0);
    return found->second;
  }

  // A layout beyond the conversion array cannot be described to the device;
  // it is refused like any layout the device rejects.
  ID3D10InputLayout* inputLayout = nullptr;
  unsigned int count = layout->GetElementCount();
  HRESULT hr = E_INVALIDARG;
  if (count <= kMaxElements) {
    D3D10_INPUT_ELEMENT_DESC elements[kMaxElements];
    for (unsigned int i = 0; i < count; ++i) {
      const BUFFER_ELEMENT_DESC& e = layout->GetElements()[i];
      elements[i].SemanticName = e.SemanticName.c_str();
      elements[i].SemanticIndex = e.SemanticIndex;
      elements[i].Format = static_cast<DXGI_FORMAT>(e.Format);
      elements[i].InputSlot = e.InputSlot;
      elements[i].AlignedByteOffset = e.AlignedByteOffset;
      elements[i].InputSlotClass = static_cast<D3D10_INPUT_CLASSIFICATION>(e.InputSlotClass);
      elements[i].InstanceDataStepRate = e.InstanceDataStepRate;
    }
    hr = m_pDevice->GetDevice()->CreateInputLayout(elements, count, signature->GetSignatureCode(),
                                                   signature->GetSignatureSize(), &inputLayout);
  }
  if (FAILED(hr)) {
    inputLayout = nullptr;
    Core::Log()->WriteLine("Error@GetInputLayout: Creating inputlayout failed.", 0);
  }
  m_InputLayouts[key] = inputLayout;
  return inputLayout;
}
