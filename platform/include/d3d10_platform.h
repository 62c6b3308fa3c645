// This platform's own additions to Direct3D 10: the shader bytecode and the
// vertex input signature that ID3D10Device consumes, and their builders.
//
// Shader bytecode is a little-endian blob (every number unsigned 32-bit):
//   0  magic 'MVSH' (bytes 4D 56 53 48)   4  version (1)     8  total size
//   12 stage (D3D10_PLATFORM_SHADER_STAGE)
//   16 source offset   20 source length (bytes; a zero byte follows the text)
//   24 signature offset 28 signature size (both 0 when the shader has none)
//   32 sampler binding count   36 their offset   (records of 12 bytes:
//      texture slot, sampler slot, GL texture unit)
//   40 constant buffer count   44 their offset   (records of 8 bytes:
//      constant buffer slot, GL uniform block binding)
//   48 the sections, each starting on a multiple of 4.
// The source is GLSL 4.50 for one stage. It declares its bindings itself, as
// the records say: layout(binding = unit) on each combined sampler,
// layout(binding = binding, std140) on each uniform block, and for a vertex
// shader layout(location = register) on each input of its signature.
//
// The vertex input signature is a little-endian blob of its own:
//   0  magic 'MVIS' (bytes 4D 56 49 53)   4  version (1)     8  total size
//   12 parameter count
//   16 parameter records of 24 bytes: name offset, semantic index, register,
//      system value (D3D10_NAME), component type, then one byte each of mask
//      and read-write mask and two zero bytes
//   then the semantic names, each followed by a zero byte.
// A vertex shader blob embeds its signature; CreateInputLayout accepts either
// a signature blob or a vertex shader blob.
#pragma once

#include "d3d10.h"
#include "d3d10shader.h"

#define D3D10_PLATFORM_SHADER_MAGIC 0x4853564Du
#define D3D10_PLATFORM_SIGNATURE_MAGIC 0x5349564Du
#define D3D10_PLATFORM_BLOB_VERSION 1u

// GL texture units and uniform block bindings a shader may name.
#define D3D10_PLATFORM_TEXTURE_UNIT_COUNT 48
#define D3D10_PLATFORM_UNIFORM_BINDING_COUNT 48
// Input registers of a vertex shader (GL attribute locations).
#define D3D10_PLATFORM_INPUT_REGISTER_COUNT 16

typedef enum D3D10_PLATFORM_SHADER_STAGE {
  D3D10_PLATFORM_SHADER_STAGE_VERTEX = 0,
  D3D10_PLATFORM_SHADER_STAGE_GEOMETRY = 1,
  D3D10_PLATFORM_SHADER_STAGE_PIXEL = 2
} D3D10_PLATFORM_SHADER_STAGE;

// One texture sampled through one sampler: at draw time the shader resource
// view bound at TextureSlot and the sampler state bound at SamplerSlot of the
// shader's stage are bound to GL texture unit TextureUnit.
typedef struct D3D10_PLATFORM_SAMPLER_BINDING {
  UINT TextureSlot;
  UINT SamplerSlot;
  UINT TextureUnit;
} D3D10_PLATFORM_SAMPLER_BINDING;

// The constant buffer bound at Slot of the shader's stage is bound to GL
// uniform block binding Binding. Stages that share a binding must be given
// the same buffer.
typedef struct D3D10_PLATFORM_CONSTANT_BUFFER_BINDING {
  UINT Slot;
  UINT Binding;
} D3D10_PLATFORM_CONSTANT_BUFFER_BINDING;

typedef struct D3D10_PLATFORM_SHADER_DESC {
  D3D10_PLATFORM_SHADER_STAGE Stage;
  LPCSTR pSource;
  SIZE_T SourceLength;  // 0: the source is zero-terminated
  // Vertex shaders only: the input signature.
  const D3D10_SIGNATURE_PARAMETER_DESC* pInputParameters;
  UINT NumInputParameters;
  const D3D10_PLATFORM_SAMPLER_BINDING* pSamplerBindings;
  UINT NumSamplerBindings;
  const D3D10_PLATFORM_CONSTANT_BUFFER_BINDING* pConstantBuffers;
  UINT NumConstantBuffers;
} D3D10_PLATFORM_SHADER_DESC;

// Writes the shader blob of pDesc. With pBlob null, *pSize receives the size
// of the blob. Otherwise *pSize is the capacity of pBlob and receives the
// size written. E_INVALIDARG for an invalid description (no source, a stage
// out of range, an input signature on a stage other than the vertex stage, a
// slot, unit, binding or signature field out of range, a unit or binding
// named twice with different slots) or a capacity too small.
extern "C" HRESULT WINAPI D3D10PlatformBuildShader(const D3D10_PLATFORM_SHADER_DESC* pDesc, void* pBlob,
                                                   SIZE_T* pSize);

// Writes the signature blob of NumParameters parameters, with the same size
// protocol as D3D10PlatformBuildShader. Each parameter needs a non-empty
// semantic name, a register below D3D10_PLATFORM_INPUT_REGISTER_COUNT, a mask
// of 1 to 15 and, unless it is a system value, a component type other than
// unknown.
extern "C" HRESULT WINAPI D3D10PlatformBuildSignature(const D3D10_SIGNATURE_PARAMETER_DESC* pParameters,
                                                      UINT NumParameters, void* pBlob, SIZE_T* pSize);

// Links the GL program of a vertex, geometry and pixel shader set now rather
// than at its first draw, so that the first frame drawn with it does not wait
// for the link; later draws with the same set find it ready. The geometry and
// pixel shaders may be null. E_FAIL when the shaders do not link together.
extern "C" HRESULT WINAPI D3D10PlatformPrepareProgram(ID3D10Device* pDevice, ID3D10VertexShader* pVertexShader,
                                                      ID3D10GeometryShader* pGeometryShader,
                                                      ID3D10PixelShader* pPixelShader);

// Finds the input signature inside a vertex shader blob: *ppSignature points
// into pShader. A signature blob is its own signature. E_INVALIDARG when the
// bytes are neither, or the shader has no signature.
extern "C" HRESULT WINAPI D3D10PlatformGetInputSignature(const void* pShader, SIZE_T Size,
                                                         const void** ppSignature, SIZE_T* pSignatureSize);
