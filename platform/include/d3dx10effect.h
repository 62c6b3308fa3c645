// D3DX10 effect creation: effects and effect pools from this platform's
// compiled effect objects (written by fxc) or from effect source text.
#pragma once

#include "d3d10effect.h"

struct ID3DX10ThreadPump;

// pData holds a compiled effect object, or effect source text that is
// compiled in-process with pDefines and pInclude (without an include handler,
// includes are found beside pSrcFileName, or in the working directory). The
// profile is "fx_4_0". With D3D10_EFFECT_COMPILE_CHILD_EFFECT the effect's
// shared variables and constant buffers are those of pEffectPool. Anything
// that cannot be used gives E_FAIL with the reasons in *ppErrors (text in the
// form "file(line,col): error Xnnnn: message"); on success *ppErrors holds
// the compiler's warnings, or null when there are none. The thread pump is
// not used: creation always completes before the call returns, and
// *pHResult, when given, receives the result.
extern "C" HRESULT WINAPI D3DX10CreateEffectFromMemory(LPCVOID pData, SIZE_T DataLength, LPCSTR pSrcFileName,
                                                       const D3D10_SHADER_MACRO* pDefines, ID3D10Include* pInclude,
                                                       LPCSTR pProfile, UINT HLSLFlags, UINT FXFlags,
                                                       ID3D10Device* pDevice, ID3D10EffectPool* pEffectPool,
                                                       ID3DX10ThreadPump* pPump, ID3D10Effect** ppEffect,
                                                       ID3D10Blob** ppErrors, HRESULT* pHResult);

// As D3DX10CreateEffectFromMemory, for a pool: its variables declared shared
// are those its child effects share.
extern "C" HRESULT WINAPI D3DX10CreateEffectPoolFromMemory(LPCVOID pData, SIZE_T DataLength, LPCSTR pSrcFileName,
                                                           const D3D10_SHADER_MACRO* pDefines,
                                                           ID3D10Include* pInclude, LPCSTR pProfile, UINT HLSLFlags,
                                                           UINT FXFlags, ID3D10Device* pDevice,
                                                           ID3DX10ThreadPump* pPump, ID3D10EffectPool** ppEffectPool,
                                                           ID3D10Blob** ppErrors, HRESULT* pHResult);
