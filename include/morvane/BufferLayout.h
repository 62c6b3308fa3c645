// BUFFER_ELEMENT_DESC, BufferLayout, InputSignature, LayoutManager: vertex
// formats, the input signatures of effect passes, and the input layouts made
// once per (layout, signature) pair and cached for the manager's life.
#pragma once

#include <map>
#include <utility>

#include <d3d10.h>

#include "SharedObject.h"
#include "StringEX.h"

class GraphicsDevice;

// One vertex element, as D3D10_INPUT_ELEMENT_DESC with the semantic held as a string.
struct BUFFER_ELEMENT_DESC {
  StringEX SemanticName;
  unsigned int SemanticIndex;
  int Format;  // a DXGI_FORMAT value
  unsigned int InputSlot;
  unsigned int AlignedByteOffset;
  int InputSlotClass;  // D3D10_INPUT_CLASSIFICATION
  unsigned int InstanceDataStepRate;
};

class BufferLayout : public Resource {
 public:
  BufferLayout(const BUFFER_ELEMENT_DESC* elements, unsigned int count);
  ~BufferLayout() override;

  const BUFFER_ELEMENT_DESC* GetElements() const { return m_pElements; }
  unsigned int GetElementCount() const { return m_ElementCount; }
  BUFFER_ELEMENT_DESC GetElement(unsigned int index) const { return m_pElements[index]; }
  unsigned char GetTexCoordCount() const { return m_TexCoordCount; }
  unsigned char GetColorCount() const { return m_ColorCount; }
  unsigned char GetNormalCount() const { return m_NormalCount; }
  unsigned char GetTangentCount() const { return m_TangentCount; }
  bool HasInstanceData() const { return m_HasInstanceData; }

 private:
  BUFFER_ELEMENT_DESC* m_pElements;
  unsigned int m_ElementCount;
  unsigned char m_TexCoordCount;
  unsigned char m_ColorCount;
  unsigned char m_NormalCount;
  unsigned char m_TangentCount;
  bool m_HasInstanceData;
};

class InputSignature : public Resource {
 public:
  InputSignature(const unsigned char* code, unsigned int size);
  ~InputSignature() override;

  const unsigned char* GetSignatureCode() const { return m_pSignatureCode; }
  unsigned int GetSignatureSize() const { return m_SignatureSize; }

 private:
  unsigned char* m_pSignatureCode;
  unsigned int m_SignatureSize;
};

class LayoutManager : public Manager {
 public:
  // The cache key: a layout and a signature, ordered by address.
  typedef std::pair<BufferLayout*, InputSignature*> InputLayoutRef;

  explicit LayoutManager(GraphicsDevice* device);
  ~LayoutManager() override;

  // The shared layout for this content, with one reference for the caller.
  BufferLayout* CreateBufferLayout(const BUFFER_ELEMENT_DESC* elements, unsigned int count);
  // The shared signature for these bytes, with one reference for the caller.
  InputSignature* CreateInputSignature(const unsigned char* code, unsigned int size);
  // The input layout of the pair, created on first use; the manager keeps it.
  // Null for a null argument or a pair the device refused.
  ID3D10InputLayout* GetInputLayout(BufferLayout* layout, InputSignature* signature);

  // The lookup names of a layout and of a signature.
  static StringEX LayoutName(const BUFFER_ELEMENT_DESC* elements, unsigned int count);
  static StringEX SignatureName(const unsigned char* code, unsigned int size);

 private:
  friend class BufferLayout;
  friend class InputSignature;
  void ForgetInputLayouts(const Resource* object);

  GraphicsDevice* m_pDevice;
  std::map<InputLayoutRef, ID3D10InputLayout*> m_InputLayouts;
};
