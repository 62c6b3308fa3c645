#include <morvane/ShaderEffect.h>

#include <d3dx10.h>

#include <morvane/Core.h>
#include <morvane/GraphicsDevice.h>
#include <morvane/Logger.h>

#include "EffectKey.h"

namespace {

constexpr UINT kHlslDebug = D3D10_SHADER_DEBUG | D3D10_SHADER_SKIP_OPTIMIZATION;
constexpr UINT kHlslRelease = D3D10_SHADER_ENABLE_STRICTNESS | D3D10_SHADER_OPTIMIZATION_LEVEL3;
constexpr UINT kDefineSlots = 64;

// The defines as D3DX takes them: only for source text, at most 63 of them
// and a null entry at the end; null when there are none to pass.
class DefineArray {
 public:
  DefineArray(const std::vector<ShaderMacro>& defines, bool binaryCode) : m_Count(0) {
    if (binaryCode) return;
    for (const ShaderMacro& define : defines) {
      if (m_Count == kDefineSlots - 1) break;
      m_Macros[m_Count++] = D3D10_SHADER_MACRO{define.Name.c_str(), define.Definition.c_str()};
    }
    m_Macros[m_Count] = D3D10_SHADER_MACRO{nullptr, nullptr};
  }
  const D3D10_SHADER_MACRO* Get() const { return m_Count ? m_Macros : nullptr; }

 private:
  D3D10_SHADER_MACRO m_Macros[kDefineSlots];
  unsigned int m_Count;
};

// Logs a failed creation and leaves the compiler's text (or a stand-in) as
// the error text.
void ReportFailure(const char* what, HRESULT hr, ID3D10Blob* errors, StringEX& errorText) {
  ILogger* log = Core::Log();
  log->Error(what + GetErrorText(hr));
  if (errors && errors->GetBufferSize() > 0) {
    StringEX text(static_cast<const char*>(errors->GetBufferPointer()), errors->GetBufferSize());
    while (!text.empty() && text.back() == '\0') text.pop_back();
    log->WriteLine(text, 0);
    errorText = text;
  } else {
    errorText = "ERROR: Unknown compiler result.";
  }
}

}  // namespace

ShaderEffect::ShaderEffect(GraphicsDevice* const device, ID3D10EffectPool* const pool)
    : ShaderProgram(device), m_pEffect(nullptr), m_pPool(pool) {
  m_ChildEffect = pool != nullptr;
}

ShaderEffect::ShaderEffect(GraphicsDevice* const device, const StringEX& file,
                           const std::vector<ShaderMacro>* const defines, ID3D10EffectPool* const pool)
    : ShaderEffect(device, pool) {
  Invalidate();
  if (defines) m_Defines = *defines;
  Open(file, true, false);
  Compile(false);
  // The object came from the cache or the compiler: show the text instead.
  if (m_BinaryCode) ReadCodeFile(file);
}

ShaderEffect::~ShaderEffect() { ShaderEffect::Invalidate(); }

void ShaderEffect::SetPool(ID3D10EffectPool* const pool) {
  Invalidate();
  m_pPool = pool;
  m_ChildEffect = pool != nullptr;
}

void ShaderEffect::Invalidate() {
  m_Compiled = false;
  ShaderData::Invalidate();
  if (m_pEffect) m_pEffect->Release();
  m_pEffect = nullptr;
}

void ShaderEffect::Compile(bool bDebug) {
  ILogger* log = Core::Log();
  log->BeginSection("Compile Effect", 4);
  Invalidate();
  if (!m_pDevice) {
    log->EndSection(4);
    return;
  }
  if (m_BinaryCode && m_Debug != bDebug)
    log->Warning("Forcing bDebug because of different binary code compilation.", 0);
  m_Debug = bDebug;

  DefineArray defines(m_Defines, m_BinaryCode);
  UINT hlslFlags = m_BinaryCode ? 0 : (bDebug ? kHlslDebug : kHlslRelease);
  UINT effectFlags = m_pPool ? D3D10_EFFECT_COMPILE_CHILD_EFFECT : 0;

  log->BeginSection("CreateEffectFromMemory", 4);
  ID3D10Effect* effect = nullptr;
  ID3D10Blob* errors = nullptr;
  HRESULT hr = D3DX10CreateEffectFromMemory(m_Code.data(), m_Code.size(), nullptr, defines.Get(), nullptr, "fx_4_0",
                                            hlslFlags, effectFlags, m_pDevice->GetDevice(), m_pPool, nullptr,
                                            &effect, &errors, nullptr);
  log->EndSection(4);

  if (FAILED(hr)) ReportFailure("CreateEffect = ", hr, errors, m_Errors);
  if (errors) errors->Release();
  if (effect) {
    m_pEffect = effect;
    m_Compiled = true;
    ShaderData::Init(m_pDevice, effect);
    m_Errors.clear();
  }
  log->EndSection(4);
  m_CompiledEvent.Fire();
}

StringEX ShaderEffect::GetDisassembly() {
  if (!m_Compiled || !m_pEffect) return StringEX();
  ID3D10Blob* listing = nullptr;
  StringEX text;
  if (SUCCEEDED(D3D10DisassembleEffect(m_pEffect, TRUE, &listing)) && listing) {
    const char* begin = static_cast<const char*>(listing->GetBufferPointer());
    text.assign(begin, listing->GetBufferSize());
    while (!text.empty() && text.back() == '\0') text.pop_back();
  }
  if (listing) listing->Release();
  return text;
}

PooledEffect::PooledEffect(PooledEffectCompiler* const owner, const StringEX& file,
                           const std::vector<ShaderMacro>* const defines)
    : ShaderEffect(owner->GetDevice(), file, defines, owner->GetPool()), m_pOwner(owner) {
  if (!m_Errors.empty()) owner->AddErrorMsgs(m_Errors);
}

PooledEffectCompiler::PooledEffectCompiler(GraphicsDevice* const device, const StringEX& file,
                                           const std::vector<ShaderMacro>* const defines)
    : ShaderProgram(device), m_pPool(nullptr) {
  Invalidate();
  if (defines) m_Defines = *defines;
  Open(file, true, false);
  Compile(false);
  if (m_BinaryCode) ReadCodeFile(file);
}

PooledEffectCompiler::~PooledEffectCompiler() { PooledEffectCompiler::Invalidate(); }

template <typename F>
void PooledEffectCompiler::ForEachChild(F f) {
  for (Resource* resource : m_Slots)
    if (ShaderEffect* child = dynamic_cast<ShaderEffect*>(resource)) f(child);
}

void PooledEffectCompiler::Invalidate() {
  ForEachChild([](ShaderEffect* child) {
    child->Invalidate();
    child->m_pPool = nullptr;
    child->m_ChildEffect = false;
  });
  if (m_pPool) m_pPool->Release();
  m_pPool = nullptr;
  ShaderData::Invalidate();
  m_Compiled = false;
  m_Errors.clear();
}

void PooledEffectCompiler::Open(const StringEX& file, bool bBinary, bool bDebug) {
  ShaderProgram::Open(file, bBinary, bDebug);
  ForEachChild([this](ShaderEffect* child) { m_Errors += child->m_Errors; });
}

void PooledEffectCompiler::Compile(bool) {
  Invalidate();
  if (!m_pDevice) return;
  ILogger* log = Core::Log();
  if (m_Code.empty()) log->Error("PooledEffectCompiler::Compile: Empty effect code.");

  DefineArray defines(m_Defines, m_BinaryCode);
  ID3D10EffectPool* pool = nullptr;
  ID3D10Blob* errors = nullptr;
  HRESULT hr = D3DX10CreateEffectPoolFromMemory(m_Code.data(), m_Code.size(), nullptr, defines.Get(), nullptr,
                                                "fx_4_0", D3D10_SHADER_ENABLE_BACKWARDS_COMPATIBILITY, 0,
                                                m_pDevice->GetDevice(), nullptr, &pool, &errors, nullptr);
  if (FAILED(hr))
    ReportFailure("CreateEffectPool = ", hr, errors, m_Errors);
  else
    m_Compiled = true;
  if (errors) errors->Release();

  m_pPool = pool;
  if (m_pPool) ShaderData::Init(m_pDevice, m_pPool->AsEffect());
  ForEachChild([this](ShaderEffect* child) {
    child->Invalidate();
    child->m_pPool = m_pPool;
    child->m_ChildEffect = m_pPool != nullptr;
  });
  m_CompiledEvent.Fire();
}

void PooledEffectCompiler::SetCode(const StringEX& code, bool binary) {
  m_Code = code;
  m_BinaryCode = binary;
  ForEachChild([&](ShaderEffect* child) { child->SetCode(code, binary); });
}

void PooledEffectCompiler::Reload() {
  ShaderProgram::Reload();
  ForEachChild([](ShaderEffect* child) { child->Reload(); });
}

PooledEffect* PooledEffectCompiler::CompileEffect(const StringEX& file, const std::vector<ShaderMacro>* const defines) {
  StringEX key = EffectKey(file, "", defines);
  if (PooledEffect* found = FindResourceOf<PooledEffect>(key)) return found;
  PooledEffect* effect = new PooledEffect(this, file, defines);
  RegisterResource(effect, key);
  return effect;
}
