// EffectVariable, EffectConstantBuffer, EffectTechnique, ShaderData: the
// reflection of a created effect. ShaderData walks the effect once after each
// compile and keeps its global variables (by index, name and semantic), its
// techniques with one input signature per pass, and its constant buffers.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include <d3d10.h>

#include "DXMath.h"
#include "StringEX.h"

class BaseTexture;
class GraphicsDevice;
class InputSignature;

struct EffectVariable {
  std::string Name;
  std::string Semantic;
  ID3D10EffectVariable* Variable = nullptr;  // lives as long as the effect

  // Raw bytes at offset 0; nothing for null data.
  void SetValue(const void* data, unsigned int size) const;
  void SetValue(float value) const;
  void SetValue(int value) const;
  // The 64 bytes as stored: no transposition.
  void SetValue(const DXMatrix& value) const;
  // The texture's shader resource view, or none for a null texture.
  void SetResource(const BaseTexture* const texture) const;
};

struct EffectConstantBuffer {
  std::string Name;
  ID3D10Buffer* Buffer = nullptr;  // the effect's buffer; not released here
};

// Owns one reference to each pass's signature; released with Release(true)
// so that the layout manager keeps them parked for the next compile.
struct EffectTechnique {
  EffectTechnique() = default;
  ~EffectTechnique();
  // The maps of ShaderData point into its tables: techniques are not copied.
  EffectTechnique(const EffectTechnique&) = delete;
  EffectTechnique& operator=(const EffectTechnique&) = delete;

  std::string Name;
  ID3D10EffectTechnique* Technique = nullptr;
  unsigned char PassCount = 0;
  InputSignature** Signatures = nullptr;
};

class ShaderData {
 public:
  typedef std::unordered_map<std::string, EffectVariable*> VariableMap;
  typedef std::unordered_map<std::string, EffectTechnique*> TechniqueMap;
  typedef std::unordered_map<std::string, EffectConstantBuffer*> ConstantBufferMap;

  ShaderData() = default;
  virtual ~ShaderData() = default;
  ShaderData(const ShaderData&) = delete;
  ShaderData& operator=(const ShaderData&) = delete;

  // Null for an index at or beyond the count.
  EffectVariable* GetVariable(unsigned int index);
  EffectTechnique* GetTechnique(unsigned int index);
  EffectConstantBuffer* GetConstantBuffer(unsigned int index);
  unsigned int GetVariableCount() const { return static_cast<unsigned int>(m_Variables.size()); }
  unsigned int GetTechniqueCount() const { return static_cast<unsigned int>(m_Techniques.size()); }
  unsigned int GetConstatnBufferCount() const { return static_cast<unsigned int>(m_ConstantBuffers.size()); }

  // Exact-name lookups; null when missing. A semantic shared by several
  // variables finds the last one declared.
  EffectVariable* GetVariable(const StringEX& name) const;
  EffectVariable* GetVariableBySemantic(const StringEX& semantic) const;
  EffectTechnique* GetTechnique(const StringEX& name) const;
  EffectConstantBuffer* GetConstantBuffer(const StringEX& name) const;

  const VariableMap& GetVariables() const { return m_VariablesByName; }
  const VariableMap& GetSemanticVariables() const { return m_VariablesBySemantic; }
  const TechniqueMap& GetTechniques() const { return m_TechniquesByName; }
  const ConstantBufferMap& GetConstantBuffers() const { return m_ConstantBuffersByName; }

 protected:
  void Init(GraphicsDevice* const device, ID3D10Effect* const effect);
  void Invalidate();

 private:
  std::vector<EffectVariable> m_Variables;
  VariableMap m_VariablesByName;
  VariableMap m_VariablesBySemantic;
  std::vector<EffectTechnique> m_Techniques;
  TechniqueMap m_TechniquesByName;
  std::vector<EffectConstantBuffer> m_ConstantBuffers;
  ConstantBufferMap m_ConstantBuffersByName;
};
