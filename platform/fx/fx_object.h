// The compiled effect object: what fxc writes and the effect runtime reads,
// in memory and as bytes.
//
// Byte form, little-endian, every number unsigned 32-bit unless noted:
//   0  magic 'MVFX' (bytes 4D 56 46 58)   4  version (3)   8  total size
//   12 flags (kFxObjectChild: compiled as a child effect)
//   16 checksum of the head, the bytes before the SPIR-V tail: four 64-bit
//      FNV-1a lanes over its 32-byte blocks of little-endian words (a short
//      end padded with zeros; the words after the last whole block go to the
//      first lane), these four bytes read as zero, the lanes folded into one
//      FNV-1a hash and that to 32 bits (low half xor high half)
//   20 strings offset   24 strings size
//   28 records offset   32 records size
//   36 data offset      40 data size
//   44 tail offset: where the shaders' SPIR-V starts, at the end of the data
//      section; everything else lies before it
//   48 checksum of the tail, as the head's but with no field skipped
//   52 the three sections, each starting on a multiple of 4.
// The SPIR-V has a checksum of its own so that a reader that does not use it
// need not read it. Versions 1 and 2 have a 44-byte header and no tail: one
// checksum covers everything, an FNV-1a chain in version 1 and the lanes in
// version 2.
// Strings: zero-terminated texts; a string is referred to by its offset in
// the section. Data: raw bytes (initial values, shader blobs, SPIR-V),
// referred to by an offset and a size. Records: a sequence of numbers, in
// this order (a list is its count followed by its items; a string is one
// number, bytes are two; floats are their bit patterns):
//   types:      name, class, type, elements, rows, columns, packed size,
//               unpacked size, stride, members (name, semantic, type, offset)
//   buffers:    name, size, flags, bind point, annotations, variables (name,
//               semantic, type, offset, flags, bind point, annotations),
//               initial bytes, GL size, copy runs (source, target, size)
//   objects:    name, semantic, type, flags, bind point, annotations, then by
//               type: blend / depth-stencil / rasterizer / sampler
//               descriptions field by field, strings, or shader indices, one
//               per element
//   shaders:    stage, entry, profile, shader blob bytes, SPIR-V bytes,
//               inputs and outputs (semantic, index, register, system value,
//               component type, mask), constant-buffer, resource and sampler
//               bindings (slot, index, element)
//   techniques: name, annotations, passes (name, annotations, three shader
//               references (shader, variable, element), blend, depth-stencil
//               and rasterizer references (kind, variable, element), blend
//               factor, sample mask, stencil reference)
//   annotations: name, type, value bytes, strings
// A type's members refer to types listed before it. Reading checks the magic,
// version, sizes, the checksums of what it reads, every offset and every
// index before anything is used.
#pragma once

#include <d3d10effect.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t kFxObjectMagic = 0x5846564Du;
constexpr uint32_t kFxObjectVersion = 3;
// Objects of the earlier versions differ only in their header and checksums,
// and still read.
constexpr uint32_t kFxObjectFirstVersion = 1;
constexpr uint32_t kFxObjectSecondVersion = 2;
constexpr uint32_t kFxObjectChild = 0x1;
constexpr uint32_t kFxNone = 0xFFFFFFFFu;

// Variable and buffer flags.
constexpr uint32_t kFxShared = 0x1;
constexpr uint32_t kFxExplicitBindPoint = 0x4;

struct FxTypeMember {
  std::string name;
  std::string semantic;
  uint32_t type = 0;
  uint32_t offset = 0;  // in the constant buffer's packing, from the struct's start
};

// An effect type as D3D10_EFFECT_TYPE_DESC describes it. Sizes are those of
// HLSL constant-buffer packing; objects have none.
struct FxType {
  std::string name;
  uint32_t typeClass = D3D10_SVC_SCALAR;
  uint32_t baseType = D3D10_SVT_FLOAT;
  uint32_t elements = 0;  // 0 when not an array
  uint32_t rows = 0;
  uint32_t columns = 0;
  uint32_t packedSize = 0;
  uint32_t unpackedSize = 0;
  uint32_t stride = 0;
  std::vector<FxTypeMember> members;
};

// A named value attached to a variable, technique or pass: numbers as 4-byte
// components, or strings.
struct FxAnnotation {
  std::string name;
  uint32_t type = 0;
  std::vector<uint8_t> value;
  std::vector<std::string> strings;
};

// A variable inside a constant buffer.
struct FxVariable {
  std::string name;
  std::string semantic;
  uint32_t type = 0;
  uint32_t offset = 0;
  uint32_t flags = 0;
  uint32_t bindPoint = 0;
  std::vector<FxAnnotation> annotations;
};

// Moves `size` bytes from `source` in the effect's packing to `target` in the
// GL uniform block's.
struct FxCopyRun {
  uint32_t source = 0;
  uint32_t target = 0;
  uint32_t size = 0;
};

struct FxBuffer {
  std::string name;
  uint32_t size = 0;  // HLSL packing, a multiple of 16
  uint32_t flags = 0;
  uint32_t bindPoint = 0;
  std::vector<FxAnnotation> annotations;
  std::vector<FxVariable> variables;
  std::vector<uint8_t> initial;  // size bytes
  uint32_t glSize = 0;           // the GL block's size, a multiple of 16
  std::vector<FxCopyRun> runs;
};

// A variable outside the constant buffers: texture, sampler, state object,
// string or shader. The state and shader lists hold one entry per element.
struct FxObject {
  std::string name;
  std::string semantic;
  uint32_t type = 0;
  uint32_t flags = 0;
  uint32_t bindPoint = 0;
  std::vector<FxAnnotation> annotations;
  std::vector<D3D10_BLEND_DESC> blends;
  std::vector<D3D10_DEPTH_STENCIL_DESC> depthStencils;
  std::vector<D3D10_RASTERIZER_DESC> rasterizers;
  std::vector<D3D10_SAMPLER_DESC> samplers;
  std::vector<std::string> strings;
  std::vector<uint32_t> shaders;  // kFxNone for NULL
};

struct FxSignatureElement {
  std::string semantic;
  uint32_t index = 0;
  uint32_t reg = 0;
  uint32_t systemValue = 0;
  uint32_t componentType = 0;
  uint32_t mask = 0;
};

// Slot of the shader's stage, and what goes there: a constant buffer index,
// or an object variable index and element.
struct FxBinding {
  uint32_t slot = 0;
  uint32_t index = 0;
  uint32_t element = 0;
};

struct FxShader {
  uint32_t stage = 0;  // D3D10_PLATFORM_SHADER_STAGE
  std::string entry;
  std::string profile;
  std::vector<uint8_t> bytecode;  // the platform shader blob (d3d10_platform.h)
  std::vector<uint8_t> spirv;
  std::vector<FxSignatureElement> inputs;
  std::vector<FxSignatureElement> outputs;
  std::vector<FxBinding> constantBuffers;
  std::vector<FxBinding> resources;
  std::vector<FxBinding> samplers;
};

// The shader a pass sets for a stage: none (NULL), or a shader, given inline
// (variable kFxNone) or through an element of a shader variable.
struct FxShaderRef {
  uint32_t shader = kFxNone;
  uint32_t variable = kFxNone;
  uint32_t element = 0;
};

enum FxStateKind : uint32_t { kFxStateUnset = 0, kFxStateNull = 1, kFxStateVariable = 2 };

struct FxStateRef {
  uint32_t kind = kFxStateUnset;
  uint32_t variable = 0;
  uint32_t element = 0;
};

enum FxStage : uint32_t { kFxVertex = 0, kFxGeometry = 1, kFxPixel = 2, kFxStageCount = 3 };

struct FxPass {
  std::string name;
  std::vector<FxAnnotation> annotations;
  FxShaderRef shaders[kFxStageCount];
  FxStateRef blend;
  FxStateRef depthStencil;
  FxStateRef rasterizer;
  float blendFactor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  uint32_t sampleMask = 0xFFFFFFFFu;
  uint32_t stencilRef = 0;
};

struct FxTechnique {
  std::string name;
  std::vector<FxAnnotation> annotations;
  std::vector<FxPass> passes;
};

struct FxEffectObject {
  uint32_t flags = 0;
  std::vector<FxType> types;
  std::vector<FxBuffer> buffers;
  std::vector<FxObject> objects;
  std::vector<FxShader> shaders;
  std::vector<FxTechnique> techniques;
};

// The checksum an object of these bytes carries at offset 16, by the version
// the bytes name.
uint32_t FxObjectChecksum(const void* data, std::size_t size);
// Writes the checksums an object of these bytes carries, by the version the
// bytes name: what the writer does last, and what a test or a fuzzer does to
// bytes it has changed.
void FxSealObject(void* data, std::size_t size);
// Whether the bytes start like an effect object.
bool FxIsObject(const void* data, std::size_t size);
std::vector<uint8_t> FxWriteObject(const FxEffectObject& object);
// What a read keeps: an effect being created never looks at its shaders'
// SPIR-V, which is most of an object's bytes.
enum class FxRead { Everything, WithoutSpirv };
// False, with the reason, for bytes that are not a complete, consistent
// effect object; *object is then unspecified.
bool FxReadObject(const void* data, std::size_t size, FxEffectObject* object, std::string* error,
                  FxRead parts = FxRead::Everything);
// The consistency rules of an effect object, also applied to what the
// compiler builds: every index in range, every value inside its buffer.
bool FxValidateObject(const FxEffectObject& object, std::string* error);

// The number of elements an object variable holds (1 when not an array).
uint32_t FxElementCount(const FxType& type);
bool FxIsNumeric(const FxType& type);
// Shader resource types: textures and buffers.
bool FxIsResourceType(uint32_t baseType);
bool FxIsShaderType(uint32_t baseType);
// The stage of a shader variable type (vertex, geometry or pixel shader).
uint32_t FxShaderStageOf(uint32_t baseType);
