// ShaderEffect, PooledEffect, PooledEffectCompiler: effects on the device.
// A ShaderEffect turns the code of its program (a compiled object or text)
// into a Direct3D effect and keeps its reflection current; it stands alone or
// is a child of an effect pool. A PooledEffectCompiler compiles a pool (a
// file of shared variables) and manages the PooledEffects compiled against it.
#pragma once

#include <d3d10.h>

#include "ShaderData.h"
#include "ShaderProgram.h"
#include "SharedObject.h"

class PooledEffectCompiler;

class ShaderEffect : public Resource, public ShaderProgram, public ShaderData {
 public:
  ShaderEffect(GraphicsDevice* const device, ID3D10EffectPool* const pool);
  // Opens file through the cache and compiles it at once.
  ShaderEffect(GraphicsDevice* const device, const StringEX& file, const std::vector<ShaderMacro>* const defines,
               ID3D10EffectPool* const pool);
  ~ShaderEffect() override;
  // An effect holds its own reference to the Direct3D effect: not copied.
  ShaderEffect(const ShaderEffect&) = delete;
  ShaderEffect& operator=(const ShaderEffect&) = delete;

  ID3D10Effect* GetEffect() const { return m_pEffect; }
  // Invalidates; a pool makes the effect a child effect.
  void SetPool(ID3D10EffectPool* const pool);

  void Compile(bool bDebug) override;
  StringEX GetDisassembly() override;

 private:
  friend class PooledEffectCompiler;
  void Invalidate() override;

  ID3D10Effect* m_pEffect;
  ID3D10EffectPool* m_pPool;
};

class PooledEffect : public ShaderEffect {
 public:
  ~PooledEffect() override = default;

  PooledEffectCompiler* GetPool() const { return m_pOwner; }

 protected:
  friend class PooledEffectCompiler;
  PooledEffect(PooledEffectCompiler* const owner, const StringEX& file, const std::vector<ShaderMacro>* const defines);

 private:
  PooledEffectCompiler* m_pOwner;
};

class PooledEffectCompiler : public Resource, public ShaderProgram, public Manager, public ShaderData {
 public:
  PooledEffectCompiler(GraphicsDevice* const device, const StringEX& file,
                       const std::vector<ShaderMacro>* const defines);
  // Detaches the children, then deletes those parked (no leak report).
  ~PooledEffectCompiler() override;

  ID3D10EffectPool* GetPool() const { return m_pPool; }
  // The child effect of file and defines, shared by key; one reference for the caller.
  PooledEffect* CompileEffect(const StringEX& file, const std::vector<ShaderMacro>* const defines);

  void SetCode(const StringEX& code, bool binary) override;
  // Recompiling leaves every child uncompiled, holding the new pool.
  void Compile(bool bDebug) override;
  void Open(const StringEX& file, bool bBinary, bool bDebug) override;
  void Reload() override;

 protected:
  void Invalidate() override;
  void AddErrorMsgs(const StringEX& text) { m_Errors += text; }

 private:
  friend class PooledEffect;
  template <typename F>
  void ForEachChild(F f);

  ID3D10EffectPool* m_pPool;
};
