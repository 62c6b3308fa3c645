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
#include <cstring>
#include <memory_resource>
#include <new>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
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

// A name of a loaded object: its text lies in the object's own copy of the
// string table, which lives as long as the object.
struct FxName {
  const char* text = "";
  const char* c_str() const { return text; }
  bool empty() const { return !*text; }
};
inline bool operator==(const FxName& a, const char* b) { return !std::strcmp(a.text, b); }
inline bool operator==(const FxName& a, const FxName& b) { return !std::strcmp(a.text, b.text); }
inline std::string operator+(const std::string& a, const FxName& b) { return a + b.text; }
inline std::string operator+(const char* a, const FxName& b) { return std::string(a) + b.text; }
inline std::string operator+(const FxName& a, const std::string& b) { return a.text + b; }
inline std::string operator+(const FxName& a, const char* b) { return std::string(a.text) + b; }

// A list of a loaded object: items in the object's own memory.
template <typename T>
struct FxSpan {
  T* items = nullptr;
  std::size_t count = 0;
  std::size_t size() const { return count; }
  bool empty() const { return !count; }
  T* data() const { return items; }
  T* begin() const { return items; }
  T* end() const { return items + count; }
  T& operator[](std::size_t i) const { return items[i]; }
};

// The two forms of the object's parts. What the compiler builds owns its
// names and lists; what an effect loads views them in memory the loaded
// object owns, and is made without one allocation per name or list.
struct FxOwnedForm {
  using Name = std::string;
  template <typename T>
  using List = std::vector<T>;
};
struct FxLoadedForm {
  using Name = FxName;
  template <typename T>
  using List = FxSpan<T>;
};

template <typename Form>
struct FxTypeMemberOf {
  typename Form::Name name;
  typename Form::Name semantic;
  uint32_t type = 0;
  uint32_t offset = 0;  // in the constant buffer's packing, from the struct's start
};

// An effect type as D3D10_EFFECT_TYPE_DESC describes it. Sizes are those of
// HLSL constant-buffer packing; objects have none.
template <typename Form>
struct FxTypeOf {
  typename Form::Name name;
  uint32_t typeClass = D3D10_SVC_SCALAR;
  uint32_t baseType = D3D10_SVT_FLOAT;
  uint32_t elements = 0;  // 0 when not an array
  uint32_t rows = 0;
  uint32_t columns = 0;
  uint32_t packedSize = 0;
  uint32_t unpackedSize = 0;
  uint32_t stride = 0;
  typename Form::template List<FxTypeMemberOf<Form>> members;
};

// A named value attached to a variable, technique or pass: numbers as 4-byte
// components, or strings.
template <typename Form>
struct FxAnnotationOf {
  typename Form::Name name;
  uint32_t type = 0;
  typename Form::template List<uint8_t> value;
  typename Form::template List<typename Form::Name> strings;
};

// A variable inside a constant buffer.
template <typename Form>
struct FxVariableOf {
  typename Form::Name name;
  typename Form::Name semantic;
  uint32_t type = 0;
  uint32_t offset = 0;
  uint32_t flags = 0;
  uint32_t bindPoint = 0;
  typename Form::template List<FxAnnotationOf<Form>> annotations;
};

// Moves `size` bytes from `source` in the effect's packing to `target` in the
// GL uniform block's.
struct FxCopyRun {
  uint32_t source = 0;
  uint32_t target = 0;
  uint32_t size = 0;
};

template <typename Form>
struct FxBufferOf {
  typename Form::Name name;
  uint32_t size = 0;  // HLSL packing, a multiple of 16
  uint32_t flags = 0;
  uint32_t bindPoint = 0;
  typename Form::template List<FxAnnotationOf<Form>> annotations;
  typename Form::template List<FxVariableOf<Form>> variables;
  typename Form::template List<uint8_t> initial;  // size bytes
  uint32_t glSize = 0;                            // the GL block's size, a multiple of 16
  typename Form::template List<FxCopyRun> runs;
};

// A variable outside the constant buffers: texture, sampler, state object,
// string or shader. The state and shader lists hold one entry per element.
template <typename Form>
struct FxObjectOf {
  typename Form::Name name;
  typename Form::Name semantic;
  uint32_t type = 0;
  uint32_t flags = 0;
  uint32_t bindPoint = 0;
  typename Form::template List<FxAnnotationOf<Form>> annotations;
  typename Form::template List<D3D10_BLEND_DESC> blends;
  typename Form::template List<D3D10_DEPTH_STENCIL_DESC> depthStencils;
  typename Form::template List<D3D10_RASTERIZER_DESC> rasterizers;
  typename Form::template List<D3D10_SAMPLER_DESC> samplers;
  typename Form::template List<typename Form::Name> strings;
  typename Form::template List<uint32_t> shaders;  // kFxNone for NULL
};

template <typename Form>
struct FxSignatureElementOf {
  typename Form::Name semantic;
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

template <typename Form>
struct FxShaderOf {
  uint32_t stage = 0;  // D3D10_PLATFORM_SHADER_STAGE
  typename Form::Name entry;
  typename Form::Name profile;
  typename Form::template List<uint8_t> bytecode;  // the platform shader blob (d3d10_platform.h)
  typename Form::template List<uint8_t> spirv;     // never loaded
  typename Form::template List<FxSignatureElementOf<Form>> inputs;
  typename Form::template List<FxSignatureElementOf<Form>> outputs;
  typename Form::template List<FxBinding> constantBuffers;
  typename Form::template List<FxBinding> resources;
  typename Form::template List<FxBinding> samplers;
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

template <typename Form>
struct FxPassOf {
  typename Form::Name name;
  typename Form::template List<FxAnnotationOf<Form>> annotations;
  FxShaderRef shaders[kFxStageCount];
  FxStateRef blend;
  FxStateRef depthStencil;
  FxStateRef rasterizer;
  float blendFactor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  uint32_t sampleMask = 0xFFFFFFFFu;
  uint32_t stencilRef = 0;
};

template <typename Form>
struct FxTechniqueOf {
  typename Form::Name name;
  typename Form::template List<FxAnnotationOf<Form>> annotations;
  typename Form::template List<FxPassOf<Form>> passes;
};

template <typename Form>
struct FxEffectObjectOf {
  uint32_t flags = 0;
  typename Form::template List<FxTypeOf<Form>> types;
  typename Form::template List<FxBufferOf<Form>> buffers;
  typename Form::template List<FxObjectOf<Form>> objects;
  typename Form::template List<FxShaderOf<Form>> shaders;
  typename Form::template List<FxTechniqueOf<Form>> techniques;
};

// What the compiler builds and the writer writes.
using FxTypeMember = FxTypeMemberOf<FxOwnedForm>;
using FxType = FxTypeOf<FxOwnedForm>;
using FxAnnotation = FxAnnotationOf<FxOwnedForm>;
using FxVariable = FxVariableOf<FxOwnedForm>;
using FxBuffer = FxBufferOf<FxOwnedForm>;
using FxObject = FxObjectOf<FxOwnedForm>;
using FxSignatureElement = FxSignatureElementOf<FxOwnedForm>;
using FxShader = FxShaderOf<FxOwnedForm>;
using FxPass = FxPassOf<FxOwnedForm>;
using FxTechnique = FxTechniqueOf<FxOwnedForm>;
using FxEffectObject = FxEffectObjectOf<FxOwnedForm>;

// What an effect loads.
using FxLoadedTypeMember = FxTypeMemberOf<FxLoadedForm>;
using FxLoadedType = FxTypeOf<FxLoadedForm>;
using FxLoadedAnnotation = FxAnnotationOf<FxLoadedForm>;
using FxLoadedVariable = FxVariableOf<FxLoadedForm>;
using FxLoadedBuffer = FxBufferOf<FxLoadedForm>;
using FxLoadedObject = FxObjectOf<FxLoadedForm>;
using FxLoadedSignatureElement = FxSignatureElementOf<FxLoadedForm>;
using FxLoadedShader = FxShaderOf<FxLoadedForm>;
using FxLoadedPass = FxPassOf<FxLoadedForm>;
using FxLoadedTechnique = FxTechniqueOf<FxLoadedForm>;

// An effect object read for an effect's whole life. Its names, lists and
// bytes (all but the SPIR-V, which an effect never uses) lie in a few blocks
// it owns and drops together, beside what the effect makes of them;
// nothing in them has a destructor to run.
class FxLoadedEffect {
 public:
  FxLoadedEffect() = default;
  FxLoadedEffect(const FxLoadedEffect&) = delete;
  FxLoadedEffect& operator=(const FxLoadedEffect&) = delete;

  // False, with the reason, for bytes that are not a complete, consistent
  // effect object; *this is then unspecified. Called once.
  bool Read(const void* data, std::size_t size, std::string* error);
  const FxEffectObjectOf<FxLoadedForm>& operator*() const { return m_root; }
  const FxEffectObjectOf<FxLoadedForm>* operator->() const { return &m_root; }

  // Room for `count` items that live as long as the object. Items of plain
  // types are left for the caller to fill.
  template <typename T>
  FxSpan<T> Allocate(std::size_t count) {
    static_assert(std::is_trivially_destructible_v<T>, "nothing in a loaded object is destroyed");
    FxSpan<T> span;
    if (!count) return span;
    span.items = static_cast<T*>(m_memory->allocate(count * sizeof(T), alignof(T)));
    if constexpr (!std::is_trivially_default_constructible_v<T>) {
      for (std::size_t i = 0; i < count; ++i) new (&span.items[i]) T();
    }
    span.count = count;
    return span;
  }
  // An item made with arguments, living as long as the object.
  template <typename T, typename... Args>
  T* Make(Args&&... args) {
    static_assert(std::is_trivially_destructible_v<T>, "nothing in a loaded object is destroyed");
    return new (m_memory->allocate(sizeof(T), alignof(T))) T(std::forward<Args>(args)...);
  }

 private:
  // Made by the read, its first block sized from the object.
  std::optional<std::pmr::monotonic_buffer_resource> m_memory;
  FxEffectObjectOf<FxLoadedForm> m_root;
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
template <typename Type>
uint32_t FxElementCount(const Type& type) {
  return type.elements ? type.elements : 1;
}
template <typename Type>
bool FxIsNumeric(const Type& type) {
  return type.typeClass != D3D10_SVC_OBJECT;
}
// Shader resource types: textures and buffers.
bool FxIsResourceType(uint32_t baseType);
bool FxIsShaderType(uint32_t baseType);
// The stage of a shader variable type (vertex, geometry or pixel shader).
uint32_t FxShaderStageOf(uint32_t baseType);
