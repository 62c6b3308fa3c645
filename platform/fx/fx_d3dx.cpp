// The D3DX10 entry points of effects and D3D10DisassembleEffect.
#include <d3dx10effect.h>

#include <cstring>
#include <new>

#include "fx/fx_blob.h"
#include "fx/fx_compiler.h"
#include "fx/fx_disassembly.h"
#include "fx/fx_effect.h"

namespace {

// Includes through the application's handler.
class ApplicationIncludes : public FxIncludeHandler {
 public:
  explicit ApplicationIncludes(ID3D10Include* include) : m_include(include) {}
  bool Open(bool system, const std::string& name, const std::string&, std::string* path,
            std::string* content) override {
    LPCVOID data = nullptr;
    UINT bytes = 0;
    if (FAILED(m_include->Open(system ? D3D10_INCLUDE_SYSTEM : D3D10_INCLUDE_LOCAL, name.c_str(), nullptr, &data,
                               &bytes))) {
      return false;
    }
    content->assign(static_cast<const char*>(data), bytes);
    m_include->Close(data);
    *path = name;
    return true;
  }

 private:
  ID3D10Include* m_include;
};

// Makes the effect of compiled or source bytes; the messages collect the
// reasons of a failure and the compiler's warnings.
HRESULT CreateEffect(LPCVOID pData, SIZE_T DataLength, LPCSTR pSrcFileName, const D3D10_SHADER_MACRO* pDefines,
                     ID3D10Include* pInclude, LPCSTR pProfile, ID3D10Device* pDevice, FxEffect* pool, bool isPool,
                     FxEffect** effect, std::string* messages) {
  std::string name = pSrcFileName && *pSrcFileName ? pSrcFileName : "memory";
  // Source becomes an object first: an effect is made from an object's bytes.
  std::vector<uint8_t> compiled;
  if (!FxIsObject(pData, DataLength)) {
    if (!pProfile || (std::strcmp(pProfile, "fx_4_0") && std::strcmp(pProfile, "fx_4_1"))) {
      *messages = name + "(1,1): error X" + std::to_string(kFxErrorProfile) + ": profile '" +
                  (pProfile ? pProfile : "") + "' is not supported; use fx_4_0\n";
      return E_FAIL;
    }
    // Source text may come with its terminating zero.
    std::string source(static_cast<const char*>(pData), DataLength);
    while (!source.empty() && source.back() == '\0') source.pop_back();
    FxCompileOptions options;
    options.sourceName = name;
    for (const D3D10_SHADER_MACRO* define = pDefines; define && define->Name; ++define) {
      options.defines.push_back({define->Name, define->Definition ? define->Definition : ""});
    }
    ApplicationIncludes application(pInclude);
    FxFileIncludeHandler files({""});
    options.includes = pInclude ? static_cast<FxIncludeHandler*>(&application) : &files;
    FxEffectObject object;
    if (!FxCompile(source, options, &object, messages)) return E_FAIL;
    compiled = FxWriteObject(object);
    pData = compiled.data();
    DataLength = compiled.size();
  }
  std::string error;
  HRESULT hr = FxEffect::Create(pDevice, pData, DataLength, pool, isPool, effect, &error);
  if (FAILED(hr)) *messages += name + "(1,1): error X" + std::to_string(kFxErrorObject) + ": " + error + "\n";
  return hr;
}

HRESULT Finish(HRESULT hr, const std::string& messages, ID3D10Blob** ppErrors, HRESULT* pHResult) {
  if (ppErrors) *ppErrors = messages.empty() ? nullptr : FxBlob::FromText(messages);
  if (pHResult) *pHResult = hr;
  return hr;
}

}  // namespace

extern "C" HRESULT WINAPI D3DX10CreateEffectFromMemory(LPCVOID pData, SIZE_T DataLength, LPCSTR pSrcFileName,
                                                       const D3D10_SHADER_MACRO* pDefines, ID3D10Include* pInclude,
                                                       LPCSTR pProfile, UINT, UINT FXFlags, ID3D10Device* pDevice,
                                                       ID3D10EffectPool* pEffectPool, ID3DX10ThreadPump*,
                                                       ID3D10Effect** ppEffect, ID3D10Blob** ppErrors,
                                                       HRESULT* pHResult) {
  if (ppEffect) *ppEffect = nullptr;
  if (!pData || !DataLength || !pDevice || !ppEffect) return Finish(E_INVALIDARG, "", ppErrors, pHResult);
  FxEffect* pool = nullptr;
  if (FXFlags & D3D10_EFFECT_COMPILE_CHILD_EFFECT) {
    // A child needs a pool of this platform.
    FxEffectPool* effectPool = dynamic_cast<FxEffectPool*>(pEffectPool);
    if (!effectPool) return Finish(E_INVALIDARG, "", ppErrors, pHResult);
    pool = effectPool->Effect();
  }
  std::string messages;
  FxEffect* effect = nullptr;
  HRESULT hr;
  try {
    hr = CreateEffect(pData, DataLength, pSrcFileName, pDefines, pInclude, pProfile, pDevice, pool, false, &effect,
                      &messages);
  } catch (const std::bad_alloc&) {
    hr = E_OUTOFMEMORY;
  }
  if (SUCCEEDED(hr)) *ppEffect = effect;
  return Finish(hr, messages, ppErrors, pHResult);
}

extern "C" HRESULT WINAPI D3DX10CreateEffectPoolFromMemory(LPCVOID pData, SIZE_T DataLength, LPCSTR pSrcFileName,
                                                           const D3D10_SHADER_MACRO* pDefines,
                                                           ID3D10Include* pInclude, LPCSTR pProfile, UINT, UINT,
                                                           ID3D10Device* pDevice, ID3DX10ThreadPump*,
                                                           ID3D10EffectPool** ppEffectPool, ID3D10Blob** ppErrors,
                                                           HRESULT* pHResult) {
  if (ppEffectPool) *ppEffectPool = nullptr;
  if (!pData || !DataLength || !pDevice || !ppEffectPool) return Finish(E_INVALIDARG, "", ppErrors, pHResult);
  std::string messages;
  FxEffect* effect = nullptr;
  HRESULT hr;
  try {
    hr = CreateEffect(pData, DataLength, pSrcFileName, pDefines, pInclude, pProfile, pDevice, nullptr, true, &effect,
                      &messages);
    if (SUCCEEDED(hr)) {
      *ppEffectPool = new FxEffectPool(effect);
      effect->Release();
    }
  } catch (const std::bad_alloc&) {
    if (effect) effect->Release();
    hr = E_OUTOFMEMORY;
  }
  return Finish(hr, messages, ppErrors, pHResult);
}

extern "C" HRESULT WINAPI D3D10DisassembleEffect(ID3D10Effect* pEffect, BOOL, ID3D10Blob** ppDisassembly) {
  if (!ppDisassembly) return E_INVALIDARG;
  *ppDisassembly = nullptr;
  FxEffect* effect = dynamic_cast<FxEffect*>(pEffect);
  if (!effect) return E_INVALIDARG;
  try {
    *ppDisassembly = FxBlob::FromText(FxDisassemble(effect->Object(), true));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return *ppDisassembly ? S_OK : E_OUTOFMEMORY;
}
