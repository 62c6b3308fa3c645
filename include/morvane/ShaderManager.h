// ShaderManager: the graphics device's registry of effects, shared by file
// name and defines. Pooled effects live in their pool compiler instead.
#pragma once

#include <vector>

#include <windows.h>

#include "SharedObject.h"
#include "ShaderProgram.h"

class GraphicsDevice;
class PooledEffectCompiler;
class ShaderEffect;

class ShaderManager : public Manager {
 public:
  explicit ShaderManager(GraphicsDevice* const device);
  // Deletes the parked effects and reports those still referenced.
  ~ShaderManager() override;

  GraphicsDevice* GetDevice() const { return m_pDevice; }

  // The effect of file and defines, opened and compiled on first request;
  // one reference for the caller. A failed compile is returned all the same
  // and its error text tells why.
  ShaderEffect* CreateShaderEffect(const StringEX& file, const std::vector<ShaderMacro>* const defines);
  PooledEffectCompiler* CreatePooledEffectCompiler(const StringEX& file, const std::vector<ShaderMacro>* const defines);

  // Reloads every program whose files changed.
  void ReloadShaders();
  // One modal message box per program with errors.
  void PromptShaderErrors(HWND__* parent) const;

  // Kept for hosts written against bulk loading; they load nothing.
  void LoadAllShaders(const StringEX& path, bool recursive);
  void LoadShaderEffectBuilds(const StringEX& path);
  void LoadPooledEffectBuilds(const StringEX& path);

 private:
  GraphicsDevice* m_pDevice;
};
