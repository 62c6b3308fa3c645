#include <morvane/ShaderManager.h>

#include <morvane/ShaderEffect.h>

#include "EffectKey.h"

ShaderManager::ShaderManager(GraphicsDevice* const device) : m_pDevice(device) {}

ShaderManager::~ShaderManager() { PurgeAndReport(" unfreed shader resources."); }

ShaderEffect* ShaderManager::CreateShaderEffect(const StringEX& file, const std::vector<ShaderMacro>* const defines) {
  StringEX key = EffectKey(file, "", defines);
  if (ShaderEffect* found = FindResourceOf<ShaderEffect>(key)) return found;
  ShaderEffect* effect = new ShaderEffect(m_pDevice, file, defines, nullptr);
  RegisterResource(effect, key);
  return effect;
}

PooledEffectCompiler* ShaderManager::CreatePooledEffectCompiler(const StringEX& file,
                                                                const std::vector<ShaderMacro>* const defines) {
  StringEX key = EffectKey(file, " (Pooled)", defines);
  if (PooledEffectCompiler* found = FindResourceOf<PooledEffectCompiler>(key)) return found;
  PooledEffectCompiler* compiler = new PooledEffectCompiler(m_pDevice, file, defines);
  RegisterResource(compiler, key);
  return compiler;
}

void ShaderManager::ReloadShaders() {
  // Reloading may register nothing new here, but index the table anyway: a
  // listener of the compiled event is free to create effects.
  for (size_t i = 0; i < m_Slots.size(); ++i)
    if (ShaderProgram* program = dynamic_cast<ShaderProgram*>(m_Slots[i])) program->Reload();
}

void ShaderManager::PromptShaderErrors(HWND__* parent) const {
  for (Resource* resource : m_Slots) {
    const ShaderProgram* program = dynamic_cast<const ShaderProgram*>(resource);
    if (!program || program->GetErrors().empty()) continue;
    StringEX caption = "Shader Error in: " + program->GetFilename();
    MessageBoxA(parent, program->GetErrors().c_str(), caption.c_str(), 0);
  }
}

void ShaderManager::LoadAllShaders(const StringEX&, bool) {}

void ShaderManager::LoadShaderEffectBuilds(const StringEX&) {}

void ShaderManager::LoadPooledEffectBuilds(const StringEX&) {}
