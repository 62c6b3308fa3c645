// Direct3D 10 effects: compile flags, the effect interfaces and their
// descriptions, with the published names, layouts and values. Implemented by
// this platform's effect runtime over its Direct3D 10 device (platform/fx).
//
// The variable, technique and pass interfaces are not reference counted:
// they live as long as their effect. Every lookup that finds nothing returns
// an invalid object of the asked interface, whose IsValid is FALSE and whose
// other methods fail harmlessly, so that calls can be chained.
#pragma once

#include "d3d10.h"
#include "d3d10misc.h"
#include "d3d10shader.h"

// HLSL compile flags.
#define D3D10_SHADER_DEBUG 0x0001
#define D3D10_SHADER_SKIP_VALIDATION 0x0002
#define D3D10_SHADER_SKIP_OPTIMIZATION 0x0004
#define D3D10_SHADER_PACK_MATRIX_ROW_MAJOR 0x0008
#define D3D10_SHADER_PACK_MATRIX_COLUMN_MAJOR 0x0010
#define D3D10_SHADER_PARTIAL_PRECISION 0x0020
#define D3D10_SHADER_FORCE_VS_SOFTWARE_NO_OPT 0x0040
#define D3D10_SHADER_FORCE_PS_SOFTWARE_NO_OPT 0x0080
#define D3D10_SHADER_NO_PRESHADER 0x0100
#define D3D10_SHADER_AVOID_FLOW_CONTROL 0x0200
#define D3D10_SHADER_PREFER_FLOW_CONTROL 0x0400
#define D3D10_SHADER_ENABLE_STRICTNESS 0x0800
#define D3D10_SHADER_ENABLE_BACKWARDS_COMPATIBILITY 0x1000
#define D3D10_SHADER_IEEE_STRICTNESS 0x2000
#define D3D10_SHADER_OPTIMIZATION_LEVEL0 0x4000
#define D3D10_SHADER_OPTIMIZATION_LEVEL1 0x0000
#define D3D10_SHADER_OPTIMIZATION_LEVEL2 0xC000
#define D3D10_SHADER_OPTIMIZATION_LEVEL3 0x8000
#define D3D10_SHADER_WARNINGS_ARE_ERRORS 0x40000

// Effect flags.
#define D3D10_EFFECT_COMPILE_CHILD_EFFECT 0x0001
#define D3D10_EFFECT_COMPILE_ALLOW_SLOW_OPS 0x0002
#define D3D10_EFFECT_SINGLE_THREADED 0x0008

// D3D10_EFFECT_VARIABLE_DESC::Flags.
#define D3D10_EFFECT_VARIABLE_POOLED 0x1
#define D3D10_EFFECT_VARIABLE_ANNOTATION 0x2
#define D3D10_EFFECT_VARIABLE_EXPLICIT_BIND_POINT 0x4

#define D3D10_BYTES_FROM_BITS(x) (((x) + 7) >> 3)

typedef struct _D3D10_SHADER_MACRO {
  LPCSTR Name;
  LPCSTR Definition;
} D3D10_SHADER_MACRO, *LPD3D10_SHADER_MACRO;

typedef enum _D3D10_INCLUDE_TYPE {
  D3D10_INCLUDE_LOCAL = 0,
  D3D10_INCLUDE_SYSTEM = 1
} D3D10_INCLUDE_TYPE;

// Opens the files an effect source includes. Open hands out the bytes of the
// named file; Close gets them back when the compiler is done with them.
struct ID3D10Include {
  virtual HRESULT STDMETHODCALLTYPE Open(D3D10_INCLUDE_TYPE IncludeType, LPCSTR pFileName, LPCVOID pParentData,
                                        LPCVOID* ppData, UINT* pBytes) = 0;
  virtual HRESULT STDMETHODCALLTYPE Close(LPCVOID pData) = 0;

 protected:
  ~ID3D10Include() = default;
};
typedef ID3D10Include* LPD3D10INCLUDE;

typedef enum _D3D10_SHADER_VARIABLE_CLASS {
  D3D10_SVC_SCALAR = 0,
  D3D10_SVC_VECTOR = 1,
  D3D10_SVC_MATRIX_ROWS = 2,
  D3D10_SVC_MATRIX_COLUMNS = 3,
  D3D10_SVC_OBJECT = 4,
  D3D10_SVC_STRUCT = 5
} D3D10_SHADER_VARIABLE_CLASS;

typedef enum _D3D10_SHADER_VARIABLE_FLAGS {
  D3D10_SVF_USERPACKED = 1,
  D3D10_SVF_USED = 2
} D3D10_SHADER_VARIABLE_FLAGS;

typedef enum _D3D10_SHADER_VARIABLE_TYPE {
  D3D10_SVT_VOID = 0,
  D3D10_SVT_BOOL = 1,
  D3D10_SVT_INT = 2,
  D3D10_SVT_FLOAT = 3,
  D3D10_SVT_STRING = 4,
  D3D10_SVT_TEXTURE = 5,
  D3D10_SVT_TEXTURE1D = 6,
  D3D10_SVT_TEXTURE2D = 7,
  D3D10_SVT_TEXTURE3D = 8,
  D3D10_SVT_TEXTURECUBE = 9,
  D3D10_SVT_SAMPLER = 10,
  D3D10_SVT_PIXELSHADER = 15,
  D3D10_SVT_VERTEXSHADER = 16,
  D3D10_SVT_UINT = 19,
  D3D10_SVT_UINT8 = 20,
  D3D10_SVT_GEOMETRYSHADER = 21,
  D3D10_SVT_RASTERIZER = 22,
  D3D10_SVT_DEPTHSTENCIL = 23,
  D3D10_SVT_BLEND = 24,
  D3D10_SVT_BUFFER = 25,
  D3D10_SVT_CBUFFER = 26,
  D3D10_SVT_TBUFFER = 27,
  D3D10_SVT_TEXTURE1DARRAY = 28,
  D3D10_SVT_TEXTURE2DARRAY = 29,
  D3D10_SVT_RENDERTARGETVIEW = 30,
  D3D10_SVT_DEPTHSTENCILVIEW = 31,
  D3D10_SVT_TEXTURE2DMS = 32,
  D3D10_SVT_TEXTURE2DMSARRAY = 33,
  D3D10_SVT_TEXTURECUBEARRAY = 34
} D3D10_SHADER_VARIABLE_TYPE;

typedef struct _D3D10_STATE_BLOCK_MASK {
  BYTE VS;
  BYTE VSSamplers[D3D10_BYTES_FROM_BITS(D3D10_COMMONSHADER_SAMPLER_SLOT_COUNT)];
  BYTE VSShaderResources[D3D10_BYTES_FROM_BITS(D3D10_COMMONSHADER_INPUT_RESOURCE_SLOT_COUNT)];
  BYTE VSConstantBuffers[D3D10_BYTES_FROM_BITS(D3D10_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT)];
  BYTE GS;
  BYTE GSSamplers[D3D10_BYTES_FROM_BITS(D3D10_COMMONSHADER_SAMPLER_SLOT_COUNT)];
  BYTE GSShaderResources[D3D10_BYTES_FROM_BITS(D3D10_COMMONSHADER_INPUT_RESOURCE_SLOT_COUNT)];
  BYTE GSConstantBuffers[D3D10_BYTES_FROM_BITS(D3D10_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT)];
  BYTE PS;
  BYTE PSSamplers[D3D10_BYTES_FROM_BITS(D3D10_COMMONSHADER_SAMPLER_SLOT_COUNT)];
  BYTE PSShaderResources[D3D10_BYTES_FROM_BITS(D3D10_COMMONSHADER_INPUT_RESOURCE_SLOT_COUNT)];
  BYTE PSConstantBuffers[D3D10_BYTES_FROM_BITS(D3D10_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT)];
  BYTE IAVertexBuffers[D3D10_BYTES_FROM_BITS(D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT)];
  BYTE IAIndexBuffer;
  BYTE IAInputLayout;
  BYTE IAPrimitiveTopology;
  BYTE OMRenderTargets;
  BYTE OMDepthStencilState;
  BYTE OMBlendState;
  BYTE RSViewports;
  BYTE RSScissorRects;
  BYTE RSRasterizerState;
  BYTE SOBuffers;
  BYTE Predication;
} D3D10_STATE_BLOCK_MASK;

typedef struct _D3D10_EFFECT_TYPE_DESC {
  LPCSTR TypeName;
  D3D10_SHADER_VARIABLE_CLASS Class;
  D3D10_SHADER_VARIABLE_TYPE Type;
  UINT Elements;
  UINT Members;
  UINT Rows;
  UINT Columns;
  UINT PackedSize;
  UINT UnpackedSize;
  UINT Stride;
} D3D10_EFFECT_TYPE_DESC;

typedef struct _D3D10_EFFECT_VARIABLE_DESC {
  LPCSTR Name;
  LPCSTR Semantic;
  UINT Flags;
  UINT Annotations;
  UINT BufferOffset;
  UINT ExplicitBindPoint;
} D3D10_EFFECT_VARIABLE_DESC;

typedef struct _D3D10_EFFECT_DESC {
  BOOL IsChildEffect;
  UINT ConstantBuffers;
  UINT SharedConstantBuffers;
  UINT GlobalVariables;
  UINT SharedGlobalVariables;
  UINT Techniques;
} D3D10_EFFECT_DESC;

typedef struct _D3D10_TECHNIQUE_DESC {
  LPCSTR Name;
  UINT Passes;
  UINT Annotations;
} D3D10_TECHNIQUE_DESC;

typedef struct _D3D10_PASS_DESC {
  LPCSTR Name;
  UINT Annotations;
  BYTE* pIAInputSignature;
  SIZE_T IAInputSignatureSize;
  UINT StencilRef;
  UINT SampleMask;
  FLOAT BlendFactor[4];
} D3D10_PASS_DESC;

struct ID3D10EffectShaderVariable;

typedef struct _D3D10_PASS_SHADER_DESC {
  ID3D10EffectShaderVariable* pShaderVariable;
  UINT ShaderIndex;
} D3D10_PASS_SHADER_DESC;

// pBytecode is this platform's shader blob (d3d10_platform.h); the input
// signature is the blob's, so it exists for vertex shaders only.
typedef struct _D3D10_EFFECT_SHADER_DESC {
  const BYTE* pInputSignature;
  BOOL IsInline;
  const BYTE* pBytecode;
  UINT BytecodeLength;
  LPCSTR SODecl;
  UINT NumInputSignatureEntries;
  UINT NumOutputSignatureEntries;
} D3D10_EFFECT_SHADER_DESC;

struct ID3D10EffectType {
  virtual BOOL STDMETHODCALLTYPE IsValid() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDesc(D3D10_EFFECT_TYPE_DESC* pDesc) = 0;
  virtual ID3D10EffectType* STDMETHODCALLTYPE GetMemberTypeByIndex(UINT Index) = 0;
  virtual ID3D10EffectType* STDMETHODCALLTYPE GetMemberTypeByName(LPCSTR Name) = 0;
  virtual ID3D10EffectType* STDMETHODCALLTYPE GetMemberTypeBySemantic(LPCSTR Semantic) = 0;
  virtual LPCSTR STDMETHODCALLTYPE GetMemberName(UINT Index) = 0;
  virtual LPCSTR STDMETHODCALLTYPE GetMemberSemantic(UINT Index) = 0;

 protected:
  ~ID3D10EffectType() = default;
};

struct ID3D10EffectConstantBuffer;
struct ID3D10EffectScalarVariable;
struct ID3D10EffectVectorVariable;
struct ID3D10EffectMatrixVariable;
struct ID3D10EffectStringVariable;
struct ID3D10EffectShaderResourceVariable;
struct ID3D10EffectRenderTargetViewVariable;
struct ID3D10EffectDepthStencilViewVariable;
struct ID3D10EffectBlendVariable;
struct ID3D10EffectDepthStencilVariable;
struct ID3D10EffectRasterizerVariable;
struct ID3D10EffectSamplerVariable;

struct ID3D10EffectVariable {
  virtual BOOL STDMETHODCALLTYPE IsValid() = 0;
  virtual ID3D10EffectType* STDMETHODCALLTYPE GetType() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDesc(D3D10_EFFECT_VARIABLE_DESC* pDesc) = 0;
  virtual ID3D10EffectVariable* STDMETHODCALLTYPE GetAnnotationByIndex(UINT Index) = 0;
  virtual ID3D10EffectVariable* STDMETHODCALLTYPE GetAnnotationByName(LPCSTR Name) = 0;
  virtual ID3D10EffectVariable* STDMETHODCALLTYPE GetMemberByIndex(UINT Index) = 0;
  virtual ID3D10EffectVariable* STDMETHODCALLTYPE GetMemberByName(LPCSTR Name) = 0;
  virtual ID3D10EffectVariable* STDMETHODCALLTYPE GetMemberBySemantic(LPCSTR Semantic) = 0;
  virtual ID3D10EffectVariable* STDMETHODCALLTYPE GetElement(UINT Index) = 0;
  virtual ID3D10EffectConstantBuffer* STDMETHODCALLTYPE GetParentConstantBuffer() = 0;
  virtual ID3D10EffectScalarVariable* STDMETHODCALLTYPE AsScalar() = 0;
  virtual ID3D10EffectVectorVariable* STDMETHODCALLTYPE AsVector() = 0;
  virtual ID3D10EffectMatrixVariable* STDMETHODCALLTYPE AsMatrix() = 0;
  virtual ID3D10EffectStringVariable* STDMETHODCALLTYPE AsString() = 0;
  virtual ID3D10EffectShaderResourceVariable* STDMETHODCALLTYPE AsShaderResource() = 0;
  virtual ID3D10EffectRenderTargetViewVariable* STDMETHODCALLTYPE AsRenderTargetView() = 0;
  virtual ID3D10EffectDepthStencilViewVariable* STDMETHODCALLTYPE AsDepthStencilView() = 0;
  virtual ID3D10EffectConstantBuffer* STDMETHODCALLTYPE AsConstantBuffer() = 0;
  virtual ID3D10EffectShaderVariable* STDMETHODCALLTYPE AsShader() = 0;
  virtual ID3D10EffectBlendVariable* STDMETHODCALLTYPE AsBlend() = 0;
  virtual ID3D10EffectDepthStencilVariable* STDMETHODCALLTYPE AsDepthStencil() = 0;
  virtual ID3D10EffectRasterizerVariable* STDMETHODCALLTYPE AsRasterizer() = 0;
  virtual ID3D10EffectSamplerVariable* STDMETHODCALLTYPE AsSampler() = 0;
  // Bytes as they are, at an offset into the variable's constant-buffer data.
  virtual HRESULT STDMETHODCALLTYPE SetRawValue(void* pData, UINT ByteOffset, UINT ByteCount) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRawValue(void* pData, UINT ByteOffset, UINT ByteCount) = 0;

 protected:
  ~ID3D10EffectVariable() = default;
};

struct ID3D10EffectScalarVariable : public ID3D10EffectVariable {
  virtual HRESULT STDMETHODCALLTYPE SetFloat(float Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFloat(float* pValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetFloatArray(float* pData, UINT Offset, UINT Count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFloatArray(float* pData, UINT Offset, UINT Count) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetInt(int Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetInt(int* pValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetIntArray(int* pData, UINT Offset, UINT Count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIntArray(int* pData, UINT Offset, UINT Count) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetBool(BOOL Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBool(BOOL* pValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetBoolArray(BOOL* pData, UINT Offset, UINT Count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBoolArray(BOOL* pData, UINT Offset, UINT Count) = 0;

 protected:
  ~ID3D10EffectScalarVariable() = default;
};

struct ID3D10EffectVectorVariable : public ID3D10EffectVariable {
  virtual HRESULT STDMETHODCALLTYPE SetBoolVector(BOOL* pData) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetIntVector(int* pData) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetFloatVector(float* pData) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBoolVector(BOOL* pData) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIntVector(int* pData) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFloatVector(float* pData) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetBoolVectorArray(BOOL* pData, UINT Offset, UINT Count) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetIntVectorArray(int* pData, UINT Offset, UINT Count) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetFloatVectorArray(float* pData, UINT Offset, UINT Count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBoolVectorArray(BOOL* pData, UINT Offset, UINT Count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIntVectorArray(int* pData, UINT Offset, UINT Count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFloatVectorArray(float* pData, UINT Offset, UINT Count) = 0;

 protected:
  ~ID3D10EffectVectorVariable() = default;
};

// Matrices are given as 16 floats in rows (a D3DXMATRIX); SetMatrix stores
// them in the variable's packing, SetMatrixTranspose stores the transpose.
struct ID3D10EffectMatrixVariable : public ID3D10EffectVariable {
  virtual HRESULT STDMETHODCALLTYPE SetMatrix(float* pData) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMatrix(float* pData) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMatrixArray(float* pData, UINT Offset, UINT Count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMatrixArray(float* pData, UINT Offset, UINT Count) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMatrixTranspose(float* pData) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMatrixTranspose(float* pData) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMatrixTransposeArray(float* pData, UINT Offset, UINT Count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMatrixTransposeArray(float* pData, UINT Offset, UINT Count) = 0;

 protected:
  ~ID3D10EffectMatrixVariable() = default;
};

struct ID3D10EffectStringVariable : public ID3D10EffectVariable {
  virtual HRESULT STDMETHODCALLTYPE GetString(LPCSTR* ppString) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStringArray(LPCSTR* ppStrings, UINT Offset, UINT Count) = 0;

 protected:
  ~ID3D10EffectStringVariable() = default;
};

struct ID3D10EffectShaderResourceVariable : public ID3D10EffectVariable {
  virtual HRESULT STDMETHODCALLTYPE SetResource(ID3D10ShaderResourceView* pResource) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetResource(ID3D10ShaderResourceView** ppResource) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetResourceArray(ID3D10ShaderResourceView** ppResources, UINT Offset,
                                                     UINT Count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetResourceArray(ID3D10ShaderResourceView** ppResources, UINT Offset,
                                                     UINT Count) = 0;

 protected:
  ~ID3D10EffectShaderResourceVariable() = default;
};

struct ID3D10EffectRenderTargetViewVariable : public ID3D10EffectVariable {
  virtual HRESULT STDMETHODCALLTYPE SetRenderTarget(ID3D10RenderTargetView* pResource) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRenderTarget(ID3D10RenderTargetView** ppResource) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetRenderTargetArray(ID3D10RenderTargetView** ppResources, UINT Offset,
                                                         UINT Count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRenderTargetArray(ID3D10RenderTargetView** ppResources, UINT Offset,
                                                         UINT Count) = 0;

 protected:
  ~ID3D10EffectRenderTargetViewVariable() = default;
};

struct ID3D10EffectDepthStencilViewVariable : public ID3D10EffectVariable {
  virtual HRESULT STDMETHODCALLTYPE SetDepthStencil(ID3D10DepthStencilView* pResource) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDepthStencil(ID3D10DepthStencilView** ppResource) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDepthStencilArray(ID3D10DepthStencilView** ppResources, UINT Offset,
                                                         UINT Count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDepthStencilArray(ID3D10DepthStencilView** ppResources, UINT Offset,
                                                         UINT Count) = 0;

 protected:
  ~ID3D10EffectDepthStencilViewVariable() = default;
};

struct ID3D10EffectConstantBuffer : public ID3D10EffectVariable {
  virtual HRESULT STDMETHODCALLTYPE SetConstantBuffer(ID3D10Buffer* pConstantBuffer) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetConstantBuffer(ID3D10Buffer** ppConstantBuffer) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetTextureBuffer(ID3D10ShaderResourceView* pTextureBuffer) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTextureBuffer(ID3D10ShaderResourceView** ppTextureBuffer) = 0;

 protected:
  ~ID3D10EffectConstantBuffer() = default;
};

struct ID3D10EffectShaderVariable : public ID3D10EffectVariable {
  virtual HRESULT STDMETHODCALLTYPE GetShaderDesc(UINT ShaderIndex, D3D10_EFFECT_SHADER_DESC* pDesc) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetVertexShader(UINT ShaderIndex, ID3D10VertexShader** ppVS) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetGeometryShader(UINT ShaderIndex, ID3D10GeometryShader** ppGS) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPixelShader(UINT ShaderIndex, ID3D10PixelShader** ppPS) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetInputSignatureElementDesc(UINT ShaderIndex, UINT Element,
                                                                 D3D10_SIGNATURE_PARAMETER_DESC* pDesc) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetOutputSignatureElementDesc(UINT ShaderIndex, UINT Element,
                                                                  D3D10_SIGNATURE_PARAMETER_DESC* pDesc) = 0;

 protected:
  ~ID3D10EffectShaderVariable() = default;
};

struct ID3D10EffectBlendVariable : public ID3D10EffectVariable {
  virtual HRESULT STDMETHODCALLTYPE GetBlendState(UINT Index, ID3D10BlendState** ppBlendState) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBackingStore(UINT Index, D3D10_BLEND_DESC* pBlendDesc) = 0;

 protected:
  ~ID3D10EffectBlendVariable() = default;
};

struct ID3D10EffectDepthStencilVariable : public ID3D10EffectVariable {
  virtual HRESULT STDMETHODCALLTYPE GetDepthStencilState(UINT Index, ID3D10DepthStencilState** ppDepthStencilState) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBackingStore(UINT Index, D3D10_DEPTH_STENCIL_DESC* pDepthStencilDesc) = 0;

 protected:
  ~ID3D10EffectDepthStencilVariable() = default;
};

struct ID3D10EffectRasterizerVariable : public ID3D10EffectVariable {
  virtual HRESULT STDMETHODCALLTYPE GetRasterizerState(UINT Index, ID3D10RasterizerState** ppRasterizerState) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBackingStore(UINT Index, D3D10_RASTERIZER_DESC* pRasterizerDesc) = 0;

 protected:
  ~ID3D10EffectRasterizerVariable() = default;
};

struct ID3D10EffectSamplerVariable : public ID3D10EffectVariable {
  virtual HRESULT STDMETHODCALLTYPE GetSampler(UINT Index, ID3D10SamplerState** ppSampler) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBackingStore(UINT Index, D3D10_SAMPLER_DESC* pSamplerDesc) = 0;

 protected:
  ~ID3D10EffectSamplerVariable() = default;
};

struct ID3D10EffectPass {
  virtual BOOL STDMETHODCALLTYPE IsValid() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDesc(D3D10_PASS_DESC* pDesc) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetVertexShaderDesc(D3D10_PASS_SHADER_DESC* pDesc) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetGeometryShaderDesc(D3D10_PASS_SHADER_DESC* pDesc) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPixelShaderDesc(D3D10_PASS_SHADER_DESC* pDesc) = 0;
  virtual ID3D10EffectVariable* STDMETHODCALLTYPE GetAnnotationByIndex(UINT Index) = 0;
  virtual ID3D10EffectVariable* STDMETHODCALLTYPE GetAnnotationByName(LPCSTR Name) = 0;
  // Binds the pass's shaders with their constant buffers, resources and
  // samplers, uploading constant buffers changed since their last upload, and
  // the states the pass sets; states it does not set stay as they are.
  virtual HRESULT STDMETHODCALLTYPE Apply(UINT Flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE ComputeStateBlockMask(D3D10_STATE_BLOCK_MASK* pStateBlockMask) = 0;

 protected:
  ~ID3D10EffectPass() = default;
};

struct ID3D10EffectTechnique {
  virtual BOOL STDMETHODCALLTYPE IsValid() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDesc(D3D10_TECHNIQUE_DESC* pDesc) = 0;
  virtual ID3D10EffectVariable* STDMETHODCALLTYPE GetAnnotationByIndex(UINT Index) = 0;
  virtual ID3D10EffectVariable* STDMETHODCALLTYPE GetAnnotationByName(LPCSTR Name) = 0;
  virtual ID3D10EffectPass* STDMETHODCALLTYPE GetPassByIndex(UINT Index) = 0;
  virtual ID3D10EffectPass* STDMETHODCALLTYPE GetPassByName(LPCSTR Name) = 0;
  virtual HRESULT STDMETHODCALLTYPE ComputeStateBlockMask(D3D10_STATE_BLOCK_MASK* pStateBlockMask) = 0;

 protected:
  ~ID3D10EffectTechnique() = default;
};

extern "C" const IID IID_ID3D10Effect;
extern "C" const IID IID_ID3D10EffectPool;

// A child effect sees the shared constant buffers and variables of its pool
// after its own: index GlobalVariables + i is the pool's i-th shared variable.
struct ID3D10Effect : public IUnknown {
  virtual BOOL STDMETHODCALLTYPE IsValid() = 0;
  virtual BOOL STDMETHODCALLTYPE IsPool() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDevice(ID3D10Device** ppDevice) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDesc(D3D10_EFFECT_DESC* pDesc) = 0;
  virtual ID3D10EffectConstantBuffer* STDMETHODCALLTYPE GetConstantBufferByIndex(UINT Index) = 0;
  virtual ID3D10EffectConstantBuffer* STDMETHODCALLTYPE GetConstantBufferByName(LPCSTR Name) = 0;
  virtual ID3D10EffectVariable* STDMETHODCALLTYPE GetVariableByIndex(UINT Index) = 0;
  virtual ID3D10EffectVariable* STDMETHODCALLTYPE GetVariableByName(LPCSTR Name) = 0;
  // Semantics compare without regard to case.
  virtual ID3D10EffectVariable* STDMETHODCALLTYPE GetVariableBySemantic(LPCSTR Semantic) = 0;
  virtual ID3D10EffectTechnique* STDMETHODCALLTYPE GetTechniqueByIndex(UINT Index) = 0;
  virtual ID3D10EffectTechnique* STDMETHODCALLTYPE GetTechniqueByName(LPCSTR Name) = 0;
  virtual HRESULT STDMETHODCALLTYPE Optimize() = 0;
  virtual BOOL STDMETHODCALLTYPE IsOptimized() = 0;
};
MORVANE_DECLARE_UUID(ID3D10Effect, IID_ID3D10Effect);

struct ID3D10EffectPool : public IUnknown {
  // The pool's own effect, without a new reference.
  virtual ID3D10Effect* STDMETHODCALLTYPE AsEffect() = 0;
};
MORVANE_DECLARE_UUID(ID3D10EffectPool, IID_ID3D10EffectPool);

// A readable listing of the effect: constant buffers with their offsets,
// variables, techniques, passes with their states, and each shader's GLSL.
extern "C" HRESULT WINAPI D3D10DisassembleEffect(ID3D10Effect* pEffect, BOOL EnableColorCode,
                                                 ID3D10Blob** ppDisassembly);
