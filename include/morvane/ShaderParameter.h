// ShaderParameter, ShaderResource: one value or one texture bound to one
// effect variable, applied with Set() just before a draw.
//
// A parameter either owns a copy of its bytes or borrows the caller's memory,
// which it reads at every Set(): a value that changes every frame is then
// uploaded without being copied into the parameter first.
#pragma once

#include <d3d10.h>

class BaseTexture;
class RenderTexture2D;
struct EffectVariable;

class ShaderParameter {
 public:
  ShaderParameter();
  // Element 0 targets the whole variable, any other the array element.
  ShaderParameter(EffectVariable* const variable, void* data, unsigned int size, bool borrowed,
                  unsigned int element);
  ShaderParameter(const ShaderParameter& other);
  ShaderParameter& operator=(const ShaderParameter& other);
  ~ShaderParameter();

  void SetVariable(EffectVariable* const variable, unsigned int element);
  // Borrowed: keeps data itself. Owned: copies size bytes (none for null data).
  void SetValue(const void* const data, unsigned int size, bool borrowed);
  void SetVariableValue(EffectVariable* const variable, const void* const data, unsigned int size, bool borrowed,
                        unsigned int element);
  // Owned: copies size bytes into the block. Borrowed: points at data.
  void UpdateValue(const void* const data);

  const void* GetValue() const { return m_pValue; }
  EffectVariable* GetVariable() const { return m_pVariable; }

  // Uploads the bytes; nothing without a target or a value.
  void Set() const;
  // Same target, same size and the same bytes.
  bool operator==(const ShaderParameter& other) const;

 private:
  void FreeValue();

  ID3D10EffectVariable* m_pTarget;
  EffectVariable* m_pVariable;
  unsigned int m_Element;
  unsigned char* m_pValue;
  unsigned int m_Size;
  bool m_Borrowed;
};

class ShaderResource {
 public:
  ShaderResource() : m_pVariable(nullptr), m_pView(nullptr) {}
  ShaderResource(ID3D10EffectShaderResourceVariable* const variable, ID3D10ShaderResourceView* const view)
      : m_pVariable(variable), m_pView(view) {}

  void SetVariable(EffectVariable* const variable);
  void SetResource(BaseTexture* const texture);
  void SetResource(RenderTexture2D* const texture);
  // Binds the view (a null view unbinds); nothing without a variable.
  void Set() const;

 private:
  ID3D10EffectShaderResourceVariable* m_pVariable;
  ID3D10ShaderResourceView* m_pView;
};
