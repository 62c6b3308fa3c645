#include "fx/fx_object.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <type_traits>

#include "d3d10/d3d10_blob.h"
#include "fx/fx_states.h"

namespace {

constexpr std::size_t kHeaderSize = 52;
// Versions 1 and 2 have no tail.
constexpr std::size_t kEarlierHeaderSize = 44;

constexpr std::size_t kChecksumAt = 16;
constexpr std::size_t kTailAt = 44;
constexpr std::size_t kTailChecksumAt = 48;

uint32_t FloatBits(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof(bits));
  return bits;
}

float BitsFloat(uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof(value));
  return value;
}

// Limits that keep what an object describes within what a constant buffer
// and an effect can hold.
constexpr uint32_t kMaxNesting = 32;
constexpr uint64_t kMaxNumericSize = 4096 * 16;
constexpr uint32_t kMaxObjectElements = 4096;

uint64_t Align16(uint64_t value) { return (value + 15) & ~uint64_t{15}; }

// The three sections being built, and the SPIR-V that ends the data section.
class Writer {
 public:
  void U32(uint32_t value) { m_records.push_back(value); }
  void F32(float value) { U32(FloatBits(value)); }
  void String(const std::string& text) {
    auto found = m_stringOffsets.find(text);
    if (found != m_stringOffsets.end()) {
      U32(found->second);
      return;
    }
    uint32_t offset = static_cast<uint32_t>(m_strings.size());
    m_strings.insert(m_strings.end(), text.begin(), text.end());
    m_strings.push_back(0);
    m_stringOffsets.emplace(text, offset);
    U32(offset);
  }
  void Bytes(const void* bytes, std::size_t size) {
    while (m_data.size() % 4) m_data.push_back(0);
    U32(static_cast<uint32_t>(m_data.size()));
    U32(static_cast<uint32_t>(size));
    const uint8_t* at = static_cast<const uint8_t*>(bytes);
    m_data.insert(m_data.end(), at, at + size);
  }
  // Bytes of the tail; their offset is made one from the data section's
  // start when the head's data is complete.
  void Spirv(const void* bytes, std::size_t size) {
    while (m_tail.size() % 4) m_tail.push_back(0);
    m_tailOffsets.push_back(m_records.size());
    U32(static_cast<uint32_t>(m_tail.size()));
    U32(static_cast<uint32_t>(size));
    const uint8_t* at = static_cast<const uint8_t*>(bytes);
    m_tail.insert(m_tail.end(), at, at + size);
  }
  template <typename T, typename Item>
  void List(const std::vector<T>& items, Item item) {
    U32(static_cast<uint32_t>(items.size()));
    for (const T& value : items) item(value);
  }

  std::vector<uint8_t> Finish(uint32_t flags) {
    auto aligned = [](std::size_t size) { return (size + 3) & ~std::size_t{3}; };
    std::size_t headData = aligned(m_data.size());
    for (std::size_t record : m_tailOffsets) m_records[record] += static_cast<uint32_t>(headData);
    std::size_t stringsAt = kHeaderSize;
    std::size_t recordsAt = aligned(stringsAt + m_strings.size());
    std::size_t dataAt = recordsAt + m_records.size() * 4;
    std::size_t dataSize = headData + m_tail.size();
    std::size_t total = aligned(dataAt + dataSize);
    std::vector<uint8_t> bytes(total, 0);
    D3D10BlobWriter out(bytes.data());
    out.U32(kFxObjectMagic);
    out.U32(kFxObjectVersion);
    out.U32(static_cast<uint32_t>(total));
    out.U32(flags);
    out.U32(0);
    out.U32(static_cast<uint32_t>(stringsAt));
    out.U32(static_cast<uint32_t>(m_strings.size()));
    out.U32(static_cast<uint32_t>(recordsAt));
    out.U32(static_cast<uint32_t>(m_records.size() * 4));
    out.U32(static_cast<uint32_t>(dataAt));
    out.U32(static_cast<uint32_t>(dataSize));
    out.U32(static_cast<uint32_t>(dataAt + headData));
    if (!m_strings.empty()) std::memcpy(&bytes[stringsAt], m_strings.data(), m_strings.size());
    D3D10BlobWriter records(&bytes[recordsAt]);
    for (uint32_t word : m_records) records.U32(word);
    if (!m_data.empty()) std::memcpy(&bytes[dataAt], m_data.data(), m_data.size());
    if (!m_tail.empty()) std::memcpy(&bytes[dataAt + headData], m_tail.data(), m_tail.size());
    FxSealObject(bytes.data(), total);
    return bytes;
  }

 private:
  std::vector<uint32_t> m_records;
  std::vector<uint8_t> m_strings;
  std::vector<uint8_t> m_data;
  std::vector<uint8_t> m_tail;
  std::vector<std::size_t> m_tailOffsets;  // records holding a tail offset
  std::map<std::string, uint32_t> m_stringOffsets;
};

// Reads the records; the first failure sticks and every later read gives 0.
// Names and bytes come from `strings` and `data`: the object's own for a
// tree, the loaded effect's copies for a loaded one, whose lists the loaded
// effect also holds.
class Reader {
 public:
  // The strings section ends with a zero, so every string in it ends.
  // `headData`: how much of the data section lies before the SPIR-V tail.
  Reader(D3D10BlobReader blob, std::size_t records, std::size_t recordsSize, const char* strings,
         std::size_t stringsSize, const uint8_t* data, std::size_t dataSize, std::size_t headData,
         FxLoadedEffect* loaded)
      : m_blob(blob),
        m_at(records),
        m_end(records + recordsSize),
        m_strings(strings),
        m_stringsSize(stringsSize),
        m_data(data),
        m_dataSize(dataSize),
        m_headData(headData),
        m_loaded(loaded) {}

  bool Failed() const { return m_failed; }
  bool AtEnd() const { return m_at == m_end; }
  const std::string& Error() const { return m_error; }
  void Fail(const std::string& error) {
    if (!m_failed) m_error = error;
    m_failed = true;
  }

  // Every field of every record comes through here: the check stays inline
  // and the failure out of line.
  __attribute__((always_inline)) uint32_t U32() {
    if (__builtin_expect(m_failed || m_end - m_at < 4, 0)) return EndEarly();
    uint32_t value = m_blob.U32(m_at);
    m_at += 4;
    return value;
  }
  float F32() { return BitsFloat(U32()); }
  // Strings and bytes go straight into the item being read.
  void String(std::string* text) {
    if (const char* at = StringAt()) text->assign(at);
  }
  void String(FxName* name) {
    if (const char* at = StringAt()) name->text = at;
  }
  void Bytes(std::vector<uint8_t>* bytes) {
    std::size_t size = 0;
    if (const uint8_t* begin = Range(m_headData, &size)) bytes->assign(begin, begin + size);
  }
  void Bytes(FxSpan<uint8_t>* bytes) {
    std::size_t size = 0;
    if (const uint8_t* begin = Range(m_headData, &size)) *bytes = {const_cast<uint8_t*>(begin), size};
  }
  // SPIR-V may also lie in the tail.
  void Spirv(std::vector<uint8_t>* bytes) {
    std::size_t size = 0;
    if (const uint8_t* begin = Range(m_dataSize, &size)) bytes->assign(begin, begin + size);
  }
  // Checks a range of SPIR-V without copying it.
  void SkipSpirv() {
    std::size_t size = 0;
    Range(m_dataSize, &size);
  }
  // A count of items each taking at least `minWords` record words; a count
  // the remaining records cannot hold is refused before anything is sized.
  uint32_t Count(std::size_t minWords) {
    uint32_t count = U32();
    // Multiplied, not divided: this runs for every list. Both sides fit in
    // 64 bits (a count is 32-bit, minWords small).
    if (!m_failed && uint64_t{count} * 4 * minWords > m_end - m_at) {
      Fail("a list is longer than the records");
      return 0;
    }
    return m_failed ? 0 : count;
  }
  template <typename T, typename Item>
  void List(std::vector<T>* items, std::size_t minWords, Item item) {
    uint32_t count = Count(minWords);
    items->resize(count);
    for (uint32_t i = 0; i < count && !m_failed; ++i) item(&(*items)[i]);
  }
  template <typename T, typename Item>
  void List(FxSpan<T>* items, std::size_t minWords, Item item) {
    uint32_t count = Count(minWords);
    *items = m_loaded->Allocate<T>(count);
    for (uint32_t i = 0; i < count && !m_failed; ++i) item(&(*items)[i]);
  }

 private:
  D3D10BlobReader m_blob;
  std::size_t m_at, m_end;
  const char* m_strings;
  std::size_t m_stringsSize;
  const uint8_t* m_data;
  std::size_t m_dataSize, m_headData;
  FxLoadedEffect* m_loaded;
  bool m_failed = false;
  std::string m_error;

  __attribute__((noinline)) uint32_t EndEarly() {
    Fail("the records end early");
    return 0;
  }

  // The string a record names; null once the records have failed.
  const char* StringAt() {
    uint32_t offset = U32();
    if (m_failed) return nullptr;
    if (offset >= m_stringsSize) {
      Fail("a string lies outside the string table");
      return nullptr;
    }
    return m_strings + offset;
  }

  // The data bytes a record names, which must lie within the first `limit`
  // bytes of the data section; null once the records have failed.
  const uint8_t* Range(std::size_t limit, std::size_t* size) {
    uint32_t offset = U32(), length = U32();
    if (m_failed) return nullptr;
    if (offset > m_dataSize || length > m_dataSize - offset) {
      Fail("bytes lie outside the data section");
      return nullptr;
    }
    if (offset + std::size_t{length} > limit) {
      Fail("bytes other than SPIR-V lie in the SPIR-V tail");
      return nullptr;
    }
    *size = length;
    return m_data + offset;
  }
};

// Each description is stored field by field, in declaration order.
template <typename Io, typename Desc>
void BlendFields(Io& io, Desc& d) {
  io(d.AlphaToCoverageEnable);
  for (auto& enable : d.BlendEnable) io(enable);
  io(d.SrcBlend), io(d.DestBlend), io(d.BlendOp), io(d.SrcBlendAlpha), io(d.DestBlendAlpha), io(d.BlendOpAlpha);
  for (auto& mask : d.RenderTargetWriteMask) io(mask);
}
template <typename Io, typename Desc>
void DepthStencilFields(Io& io, Desc& d) {
  io(d.DepthEnable), io(d.DepthWriteMask), io(d.DepthFunc), io(d.StencilEnable), io(d.StencilReadMask);
  io(d.StencilWriteMask);
  for (auto* face : {&d.FrontFace, &d.BackFace}) {
    io(face->StencilFailOp), io(face->StencilDepthFailOp), io(face->StencilPassOp), io(face->StencilFunc);
  }
}
template <typename Io, typename Desc>
void RasterizerFields(Io& io, Desc& d) {
  io(d.FillMode), io(d.CullMode), io(d.FrontCounterClockwise), io(d.DepthBias), io(d.DepthBiasClamp);
  io(d.SlopeScaledDepthBias), io(d.DepthClipEnable), io(d.ScissorEnable), io(d.MultisampleEnable);
  io(d.AntialiasedLineEnable);
}
template <typename Io, typename Desc>
void SamplerFields(Io& io, Desc& d) {
  io(d.Filter), io(d.AddressU), io(d.AddressV), io(d.AddressW), io(d.MipLODBias), io(d.MaxAnisotropy);
  io(d.ComparisonFunc);
  for (auto& c : d.BorderColor) io(c);
  io(d.MinLOD), io(d.MaxLOD);
}

// Writes a field of any 32-bit or 8-bit integer, enumeration or float type.
// Fields travel through their bytes: an enumeration field may hold a number
// outside its enumeration until validation refuses it.
struct FieldWriter {
  Writer& out;
  template <typename T>
  void operator()(const T& field) {
    static_assert(sizeof(T) == 4 || sizeof(T) == 1, "description fields are 32 or 8 bits");
    if constexpr (sizeof(T) == 4) {
      uint32_t bits;
      std::memcpy(&bits, &field, 4);
      out.U32(bits);
    } else {
      uint8_t byte;
      std::memcpy(&byte, &field, 1);
      out.U32(byte);
    }
  }
};
struct FieldReader {
  Reader& in;
  template <typename T>
  void operator()(T& field) {
    uint32_t bits = in.U32();
    if constexpr (sizeof(T) == 4) {
      std::memcpy(&field, &bits, 4);
    } else {
      uint8_t byte = static_cast<uint8_t>(bits);
      std::memcpy(&field, &byte, 1);
    }
  }
};

void WriteAnnotations(Writer& out, const std::vector<FxAnnotation>& annotations) {
  out.List(annotations, [&](const FxAnnotation& a) {
    out.String(a.name);
    out.U32(a.type);
    out.Bytes(a.value.data(), a.value.size());
    out.List(a.strings, [&](const std::string& s) { out.String(s); });
  });
}

template <typename Annotations>
void ReadAnnotations(Reader& in, Annotations* annotations) {
  in.List(annotations, 5, [&](auto* a) {
    in.String(&a->name);
    a->type = in.U32();
    in.Bytes(&a->value);
    in.List(&a->strings, 1, [&](auto* s) { in.String(s); });
  });
}

void WriteSignature(Writer& out, const std::vector<FxSignatureElement>& elements) {
  out.List(elements, [&](const FxSignatureElement& e) {
    out.String(e.semantic);
    out.U32(e.index), out.U32(e.reg), out.U32(e.systemValue), out.U32(e.componentType), out.U32(e.mask);
  });
}

template <typename Elements>
void ReadSignature(Reader& in, Elements* elements) {
  in.List(elements, 6, [&](auto* e) {
    in.String(&e->semantic);
    e->index = in.U32(), e->reg = in.U32(), e->systemValue = in.U32(), e->componentType = in.U32();
    e->mask = in.U32();
  });
}

void WriteBindings(Writer& out, const std::vector<FxBinding>& bindings) {
  out.List(bindings, [&](const FxBinding& b) { out.U32(b.slot), out.U32(b.index), out.U32(b.element); });
}

template <typename Bindings>
void ReadBindings(Reader& in, Bindings* bindings) {
  in.List(bindings, 3, [&](FxBinding* b) { b->slot = in.U32(), b->index = in.U32(), b->element = in.U32(); });
}

void WriteState(Writer& out, const FxStateRef& ref) { out.U32(ref.kind), out.U32(ref.variable), out.U32(ref.element); }
void ReadState(Reader& in, FxStateRef* ref) { ref->kind = in.U32(), ref->variable = in.U32(), ref->element = in.U32(); }

bool Fail(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

}  // namespace

bool FxIsResourceType(uint32_t baseType) {
  switch (baseType) {
    case D3D10_SVT_TEXTURE:
    case D3D10_SVT_TEXTURE1D:
    case D3D10_SVT_TEXTURE2D:
    case D3D10_SVT_TEXTURE3D:
    case D3D10_SVT_TEXTURECUBE:
    case D3D10_SVT_BUFFER:
    case D3D10_SVT_TEXTURE1DARRAY:
    case D3D10_SVT_TEXTURE2DARRAY:
    case D3D10_SVT_TEXTURE2DMS:
    case D3D10_SVT_TEXTURE2DMSARRAY:
    case D3D10_SVT_TEXTURECUBEARRAY:
      return true;
    default:
      return false;
  }
}

bool FxIsShaderType(uint32_t baseType) {
  return baseType == D3D10_SVT_VERTEXSHADER || baseType == D3D10_SVT_GEOMETRYSHADER ||
         baseType == D3D10_SVT_PIXELSHADER;
}

namespace {

constexpr uint64_t kFnvBasis = 14695981039346656037ull;
constexpr uint64_t kFnvPrime = 1099511628211ull;

void FnvMix(uint64_t& hash, uint64_t word) { hash = (hash ^ word) * kFnvPrime; }

uint64_t LittleEndianWord(const uint8_t* at) {
  uint64_t word;
  std::memcpy(&word, at, 8);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  word = __builtin_bswap64(word);
#endif
  return word;
}

// Whether a checksum skips the head's checksum field.
enum class Field { Skipped, Kept };

// The 8-byte word at `at` with whatever lies past the end, and the checksum
// field when skipped, read as zeros.
uint64_t EdgeWord(const uint8_t* bytes, std::size_t size, std::size_t at, Field field = Field::Skipped) {
  uint64_t word = 0;
  for (std::size_t i = 0; i < 8 && at + i < size; ++i) {
    std::size_t byte = at + i;
    bool skipped = field == Field::Skipped && byte >= kChecksumAt && byte < kChecksumAt + 4;
    if (!skipped) word |= uint64_t{bytes[byte]} << (8 * i);
  }
  return word;
}

// Version 1: one FNV-1a chain over the words.
uint32_t ChainChecksum(const uint8_t* bytes, std::size_t size) {
  uint64_t hash = kFnvBasis;
  std::size_t at = 0;
  for (; at + 8 <= size; at += 8) {
    FnvMix(hash, at == kChecksumAt ? EdgeWord(bytes, size, at) : LittleEndianWord(bytes + at));
  }
  if (at < size) FnvMix(hash, EdgeWord(bytes, size, at));
  return static_cast<uint32_t>(hash ^ (hash >> 32));
}

// Versions 2 and 3: four FNV-1a lanes over 32-byte blocks, so that the
// lanes' multiplications overlap (one chain waits on each product); the words
// after the last whole block go to the first lane, and the lanes fold into
// one.
uint32_t LaneChecksum(const uint8_t* bytes, std::size_t size, Field field = Field::Skipped) {
  uint64_t lanes[4] = {kFnvBasis, kFnvBasis, kFnvBasis, kFnvBasis};
  std::size_t at = 0;
  // The first block may hold the checksum field.
  for (; at < 32 && at < size; at += 8) FnvMix(lanes[at / 8], EdgeWord(bytes, size, at, field));
  for (; at + 32 <= size; at += 32) {
    FnvMix(lanes[0], LittleEndianWord(bytes + at));
    FnvMix(lanes[1], LittleEndianWord(bytes + at + 8));
    FnvMix(lanes[2], LittleEndianWord(bytes + at + 16));
    FnvMix(lanes[3], LittleEndianWord(bytes + at + 24));
  }
  for (; at < size; at += 8) {
    FnvMix(lanes[0], at + 8 <= size ? LittleEndianWord(bytes + at) : EdgeWord(bytes, size, at));
  }
  uint64_t hash = kFnvBasis;
  for (uint64_t lane : lanes) FnvMix(hash, lane);
  return static_cast<uint32_t>(hash ^ (hash >> 32));
}

uint32_t VersionOf(const D3D10BlobReader& blob) { return blob.Holds(4, 4) ? blob.U32(4) : 0; }

// Where the head the checksum at offset 16 covers ends: at the tail in
// version 3 (held to the bytes there are), at the end before.
std::size_t HeadEnd(const D3D10BlobReader& blob, std::size_t size) {
  if (VersionOf(blob) != kFxObjectVersion || !blob.Holds(kTailAt, 4)) return size;
  return std::min<std::size_t>(blob.U32(kTailAt), size);
}

uint32_t TailChecksum(const uint8_t* bytes, std::size_t size, std::size_t headEnd) {
  return LaneChecksum(bytes + headEnd, size - headEnd, Field::Kept);
}

}  // namespace

uint32_t FxObjectChecksum(const void* data, std::size_t size) {
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  D3D10BlobReader blob(data, size);
  if (VersionOf(blob) == kFxObjectFirstVersion) return ChainChecksum(bytes, size);
  return LaneChecksum(bytes, HeadEnd(blob, size));
}

void FxSealObject(void* data, std::size_t size) {
  D3D10BlobReader blob(data, size);
  if (!data || !blob.Holds(kChecksumAt, 4)) return;
  uint8_t* bytes = static_cast<uint8_t*>(data);
  D3D10BlobWriter out(bytes);
  // The tail's checksum lies in the head, so it goes first.
  std::size_t headEnd = HeadEnd(blob, size);
  if (VersionOf(blob) == kFxObjectVersion && blob.Holds(kTailChecksumAt, 4) && headEnd >= kHeaderSize) {
    out.PatchU32(kTailChecksumAt, TailChecksum(bytes, size, headEnd));
  }
  out.PatchU32(kChecksumAt, FxObjectChecksum(data, size));
}

uint32_t FxShaderStageOf(uint32_t baseType) {
  return baseType == D3D10_SVT_VERTEXSHADER ? kFxVertex : baseType == D3D10_SVT_GEOMETRYSHADER ? kFxGeometry : kFxPixel;
}

bool FxIsObject(const void* data, std::size_t size) {
  D3D10BlobReader in(data, size);
  return data && in.Holds(0, 4) && in.U32(0) == kFxObjectMagic;
}

std::vector<uint8_t> FxWriteObject(const FxEffectObject& object) {
  Writer out;
  FieldWriter field{out};
  out.List(object.types, [&](const FxType& t) {
    out.String(t.name);
    out.U32(t.typeClass), out.U32(t.baseType), out.U32(t.elements), out.U32(t.rows), out.U32(t.columns);
    out.U32(t.packedSize), out.U32(t.unpackedSize), out.U32(t.stride);
    out.List(t.members, [&](const FxTypeMember& m) {
      out.String(m.name), out.String(m.semantic), out.U32(m.type), out.U32(m.offset);
    });
  });
  out.List(object.buffers, [&](const FxBuffer& b) {
    out.String(b.name);
    out.U32(b.size), out.U32(b.flags), out.U32(b.bindPoint);
    WriteAnnotations(out, b.annotations);
    out.List(b.variables, [&](const FxVariable& v) {
      out.String(v.name), out.String(v.semantic);
      out.U32(v.type), out.U32(v.offset), out.U32(v.flags), out.U32(v.bindPoint);
      WriteAnnotations(out, v.annotations);
    });
    out.Bytes(b.initial.data(), b.initial.size());
    out.U32(b.glSize);
    out.List(b.runs, [&](const FxCopyRun& r) { out.U32(r.source), out.U32(r.target), out.U32(r.size); });
  });
  out.List(object.objects, [&](const FxObject& o) {
    out.String(o.name), out.String(o.semantic);
    out.U32(o.type), out.U32(o.flags), out.U32(o.bindPoint);
    WriteAnnotations(out, o.annotations);
    out.List(o.blends, [&](const D3D10_BLEND_DESC& d) { BlendFields(field, d); });
    out.List(o.depthStencils, [&](const D3D10_DEPTH_STENCIL_DESC& d) { DepthStencilFields(field, d); });
    out.List(o.rasterizers, [&](const D3D10_RASTERIZER_DESC& d) { RasterizerFields(field, d); });
    out.List(o.samplers, [&](const D3D10_SAMPLER_DESC& d) { SamplerFields(field, d); });
    out.List(o.strings, [&](const std::string& s) { out.String(s); });
    out.List(o.shaders, [&](uint32_t s) { out.U32(s); });
  });
  out.List(object.shaders, [&](const FxShader& s) {
    out.U32(s.stage);
    out.String(s.entry), out.String(s.profile);
    out.Bytes(s.bytecode.data(), s.bytecode.size());
    out.Spirv(s.spirv.data(), s.spirv.size());
    WriteSignature(out, s.inputs);
    WriteSignature(out, s.outputs);
    WriteBindings(out, s.constantBuffers);
    WriteBindings(out, s.resources);
    WriteBindings(out, s.samplers);
  });
  out.List(object.techniques, [&](const FxTechnique& t) {
    out.String(t.name);
    WriteAnnotations(out, t.annotations);
    out.List(t.passes, [&](const FxPass& p) {
      out.String(p.name);
      WriteAnnotations(out, p.annotations);
      for (const FxShaderRef& s : p.shaders) out.U32(s.shader), out.U32(s.variable), out.U32(s.element);
      WriteState(out, p.blend);
      WriteState(out, p.depthStencil);
      WriteState(out, p.rasterizer);
      for (float f : p.blendFactor) out.F32(f);
      out.U32(p.sampleMask), out.U32(p.stencilRef);
    });
  });
  return out.Finish(object.flags);
}

namespace {

// Where the parts of an object lie, from its checked header.
struct Layout {
  std::size_t strings, stringsSize;
  std::size_t records, recordsSize;
  std::size_t data, dataSize;
  std::size_t headData;  // the data before the SPIR-V tail
};

bool ReadLayout(const void* data, std::size_t size, FxRead parts, Layout* layout, std::string* error) {
  D3D10BlobReader blob(data, size);
  if (!data || !blob.Holds(0, kEarlierHeaderSize)) return Fail(error, "too small for an effect object");
  if (blob.U32(0) != kFxObjectMagic) return Fail(error, "not an effect object of this platform");
  uint32_t version = blob.U32(4);
  if (version < kFxObjectFirstVersion || version > kFxObjectVersion) {
    return Fail(error, "effect object version " + std::to_string(version) + " is not supported");
  }
  std::size_t headerSize = version == kFxObjectVersion ? kHeaderSize : kEarlierHeaderSize;
  if (!blob.Holds(0, headerSize)) return Fail(error, "too small for an effect object");
  if (blob.U32(8) != size) return Fail(error, "the effect object is truncated or has trailing bytes");
  std::size_t headEnd = HeadEnd(blob, size);
  if (version == kFxObjectVersion && (blob.U32(kTailAt) > size || headEnd < headerSize || headEnd % 4)) {
    return Fail(error, "the SPIR-V tail lies outside the effect object");
  }
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  // An effect being created never reads the tail, so it need not check it.
  bool tailChecked = version != kFxObjectVersion || parts == FxRead::WithoutSpirv ||
                     TailChecksum(bytes, size, headEnd) == blob.U32(kTailChecksumAt);
  if (FxObjectChecksum(data, size) != blob.U32(kChecksumAt) || !tailChecked) {
    return Fail(error, "the effect object is damaged (checksum mismatch)");
  }
  std::size_t sections[3][2];
  for (int i = 0; i < 3; ++i) {
    sections[i][0] = blob.U32(20 + 8 * i);
    sections[i][1] = blob.U32(24 + 8 * i);
    if (sections[i][0] < headerSize || sections[i][0] % 4 || !blob.Holds(sections[i][0], sections[i][1])) {
      return Fail(error, "a section lies outside the effect object");
    }
  }
  // Strings, records and the data's start lie in the head.
  if (sections[0][0] + sections[0][1] > headEnd || sections[1][0] + sections[1][1] > headEnd ||
      sections[2][0] > headEnd) {
    return Fail(error, "a section lies in the SPIR-V tail");
  }
  if (sections[1][1] % 4) return Fail(error, "the records are not whole numbers");
  // Each string ends with a zero, the last one too.
  if (sections[0][1] && bytes[sections[0][0] + sections[0][1] - 1]) return Fail(error, "a string is not terminated");
  *layout = {sections[0][0], sections[0][1], sections[1][0], sections[1][1], sections[2][0], sections[2][1],
             std::min(headEnd - sections[2][0], sections[2][1])};
  return true;
}

// The records, into either form of the object.
template <typename Form>
bool ReadRecords(Reader& in, FxEffectObjectOf<Form>* object, FxRead parts, std::string* error) {
  FieldReader field{in};
  in.List(&object->types, 10, [&](auto* t) {
    in.String(&t->name);
    t->typeClass = in.U32(), t->baseType = in.U32(), t->elements = in.U32(), t->rows = in.U32();
    t->columns = in.U32(), t->packedSize = in.U32(), t->unpackedSize = in.U32(), t->stride = in.U32();
    in.List(&t->members, 4, [&](auto* m) {
      in.String(&m->name), in.String(&m->semantic), m->type = in.U32(), m->offset = in.U32();
    });
  });
  in.List(&object->buffers, 10, [&](auto* b) {
    in.String(&b->name);
    b->size = in.U32(), b->flags = in.U32(), b->bindPoint = in.U32();
    ReadAnnotations(in, &b->annotations);
    in.List(&b->variables, 7, [&](auto* v) {
      in.String(&v->name), in.String(&v->semantic);
      v->type = in.U32(), v->offset = in.U32(), v->flags = in.U32(), v->bindPoint = in.U32();
      ReadAnnotations(in, &v->annotations);
    });
    in.Bytes(&b->initial);
    b->glSize = in.U32();
    in.List(&b->runs, 3, [&](FxCopyRun* r) { r->source = in.U32(), r->target = in.U32(), r->size = in.U32(); });
  });
  in.List(&object->objects, 12, [&](auto* o) {
    in.String(&o->name), in.String(&o->semantic);
    o->type = in.U32(), o->flags = in.U32(), o->bindPoint = in.U32();
    ReadAnnotations(in, &o->annotations);
    in.List(&o->blends, 23, [&](D3D10_BLEND_DESC* d) { BlendFields(field, *d); });
    in.List(&o->depthStencils, 14, [&](D3D10_DEPTH_STENCIL_DESC* d) { DepthStencilFields(field, *d); });
    in.List(&o->rasterizers, 10, [&](D3D10_RASTERIZER_DESC* d) { RasterizerFields(field, *d); });
    in.List(&o->samplers, 13, [&](D3D10_SAMPLER_DESC* d) { SamplerFields(field, *d); });
    in.List(&o->strings, 1, [&](auto* s) { in.String(s); });
    in.List(&o->shaders, 1, [&](uint32_t* s) { *s = in.U32(); });
  });
  in.List(&object->shaders, 18, [&](auto* s) {
    s->stage = in.U32();
    in.String(&s->entry), in.String(&s->profile);
    in.Bytes(&s->bytecode);
    if constexpr (std::is_same_v<Form, FxOwnedForm>) {
      if (parts == FxRead::Everything) {
        in.Spirv(&s->spirv);
      } else {
        in.SkipSpirv();
      }
    } else {
      in.SkipSpirv();
    }
    ReadSignature(in, &s->inputs);
    ReadSignature(in, &s->outputs);
    ReadBindings(in, &s->constantBuffers);
    ReadBindings(in, &s->resources);
    ReadBindings(in, &s->samplers);
  });
  in.List(&object->techniques, 2, [&](auto* t) {
    in.String(&t->name);
    ReadAnnotations(in, &t->annotations);
    in.List(&t->passes, 24, [&](auto* p) {
      in.String(&p->name);
      ReadAnnotations(in, &p->annotations);
      for (FxShaderRef& s : p->shaders) s.shader = in.U32(), s.variable = in.U32(), s.element = in.U32();
      ReadState(in, &p->blend);
      ReadState(in, &p->depthStencil);
      ReadState(in, &p->rasterizer);
      for (float& f : p->blendFactor) f = in.F32();
      p->sampleMask = in.U32(), p->stencilRef = in.U32();
    });
  });
  if (in.Failed()) return Fail(error, in.Error());
  if (!in.AtEnd()) return Fail(error, "the records hold more than the effect");
  return true;
}

template <typename Form>
bool Validate(const FxEffectObjectOf<Form>& object, std::string* error);

// The records and flags of laid-out bytes into `object`, checked; names and
// bytes come from `strings` and `head`, and a loaded object's lists from
// `loaded`.
template <typename Form>
bool ReadChecked(const void* data, std::size_t size, const Layout& layout, const char* strings, const uint8_t* head,
                 FxLoadedEffect* loaded, FxRead parts, FxEffectObjectOf<Form>* object, std::string* error) {
  D3D10BlobReader blob(data, size);
  Reader in(blob, layout.records, layout.recordsSize, strings, layout.stringsSize, head, layout.dataSize,
            layout.headData, loaded);
  object->flags = blob.U32(12);
  return ReadRecords(in, object, parts, error) && Validate(*object, error);
}

}  // namespace

bool FxReadObject(const void* data, std::size_t size, FxEffectObject* object, std::string* error, FxRead parts) {
  Layout layout;
  if (!ReadLayout(data, size, parts, &layout, error)) return false;
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  *object = FxEffectObject();
  return ReadChecked(data, size, layout, reinterpret_cast<const char*>(bytes + layout.strings), bytes + layout.data,
                     nullptr, parts, object, error);
}

bool FxLoadedEffect::Read(const void* data, std::size_t size, std::string* error) {
  Layout layout;
  if (!ReadLayout(data, size, FxRead::WithoutSpirv, &layout, error)) return false;
  // The first block is sized for all that creation makes: the strings and
  // the head's data copied, the items, which take about twice the room of
  // their records, and the effect's variables, types and passes, which take
  // less than as much again. A second block would cost creation another
  // allocation and its free.
  m_memory.emplace(layout.stringsSize + layout.headData + 4 * layout.recordsSize + 256);
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  FxSpan<char> strings = Allocate<char>(layout.stringsSize);
  FxSpan<uint8_t> head = Allocate<uint8_t>(layout.headData);
  if (!strings.empty()) std::memcpy(strings.data(), bytes + layout.strings, layout.stringsSize);
  if (!head.empty()) std::memcpy(head.data(), bytes + layout.data, layout.headData);
  // The tail is never read from the copy: only its bounds are checked.
  return ReadChecked(data, size, layout, strings.data(), head.data(), this, FxRead::WithoutSpirv, &m_root, error);
}

namespace {

// A type holds together when its sizes are those of the packing rules.
template <typename Types>
bool CheckType(const Types& types, std::size_t index, std::vector<uint32_t>* depth, std::string* error) {
  const auto& t = types[index];
  // The message is made only when the type fails.
  auto fail = [&](const char* why) { return Fail(error, "type '" + t.name + "' " + why); };
  if (t.typeClass > D3D10_SVC_STRUCT) return fail("has an unknown class");
  if (t.typeClass != D3D10_SVC_STRUCT && !t.members.empty()) return fail("has members");
  if (t.typeClass == D3D10_SVC_OBJECT) {
    bool known = FxIsResourceType(t.baseType) || FxIsShaderType(t.baseType) || t.baseType == D3D10_SVT_SAMPLER ||
                 t.baseType == D3D10_SVT_BLEND || t.baseType == D3D10_SVT_DEPTHSTENCIL ||
                 t.baseType == D3D10_SVT_RASTERIZER || t.baseType == D3D10_SVT_STRING;
    if (!known) return fail("is not an object of effects");
    if (t.elements > kMaxObjectElements) return fail("has too many elements");
    return true;
  }
  uint64_t elementSize = 0;
  if (t.typeClass == D3D10_SVC_STRUCT) {
    if (t.baseType != D3D10_SVT_VOID) return fail("is a struct of a base type");
    for (const auto& m : t.members) {
      // Members come first, so types nest without cycles.
      if (m.type >= index || !FxIsNumeric(types[m.type])) return fail("has a member of a wrong type");
      (*depth)[index] = std::max((*depth)[index], (*depth)[m.type] + 1);
    }
    if ((*depth)[index] > kMaxNesting) return fail("nests too deeply");
    elementSize = t.elements ? uint64_t{t.unpackedSize} - uint64_t{t.stride} * (t.elements - 1) : t.unpackedSize;
    for (const auto& m : t.members) {
      if (m.offset + uint64_t{types[m.type].unpackedSize} > elementSize) {
        return Fail(error, "member '" + m.name + "' lies outside its struct");
      }
    }
  } else {
    bool base = t.baseType == D3D10_SVT_BOOL || t.baseType == D3D10_SVT_INT || t.baseType == D3D10_SVT_UINT ||
                t.baseType == D3D10_SVT_FLOAT;
    bool shape = t.rows >= 1 && t.rows <= 4 && t.columns >= 1 && t.columns <= 4 &&
                 (t.typeClass != D3D10_SVC_SCALAR || (t.rows == 1 && t.columns == 1)) &&
                 (t.typeClass != D3D10_SVC_VECTOR || t.rows == 1);
    if (!base || !shape) return fail("is not a number type");
    uint32_t vectors = t.typeClass == D3D10_SVC_MATRIX_COLUMNS ? t.columns : t.rows;
    uint32_t components = t.typeClass == D3D10_SVC_MATRIX_COLUMNS ? t.rows : t.columns;
    elementSize = 16 * (vectors - 1) + 4 * components;
  }
  uint64_t unpacked = t.elements ? uint64_t{t.stride} * (t.elements - 1) + elementSize : elementSize;
  if (t.stride != Align16(elementSize) || t.unpackedSize != unpacked || unpacked > kMaxNumericSize) {
    return fail("does not follow the packing rules");
  }
  return true;
}

template <typename Object, typename Annotations>
bool CheckAnnotations(const Object& object, const Annotations& annotations, std::string* error) {
  for (const auto& a : annotations) {
    if (a.type >= object.types.size()) return Fail(error, "annotation '" + a.name + "' has an unknown type");
    const auto& type = object.types[a.type];
    bool strings = type.typeClass == D3D10_SVC_OBJECT && type.baseType == D3D10_SVT_STRING;
    bool numbers = FxIsNumeric(type) && type.typeClass != D3D10_SVC_STRUCT;
    uint64_t count = FxElementCount(type);
    bool fits = strings ? a.strings.size() == count && a.value.empty()
                        : numbers && a.strings.empty() && a.value.size() == 4 * count * type.rows * type.columns;
    if (!fits) return Fail(error, "annotation '" + a.name + "' does not hold its type");
  }
  return true;
}

// Every value of a state description is one the state takes.
template <typename Descs, typename Name>
bool CheckStates(FxStateObject kind, const Descs& descs, const Name& name, std::string* error) {
  for (const auto& desc : descs) {
    for (std::size_t f = 0; f < kFxStateFieldCount; ++f) {
      const FxStateField& field = kFxStateFields[f];
      // Only fields with named values can hold a wrong one.
      if (field.object != kind || !field.names) continue;
      for (uint32_t e = 0; e < field.elements; ++e) {
        double value[4];
        FxLoadState(field, e, &desc, value);
        if (!FxStateNameOf(field, static_cast<uint32_t>(value[0]))) {
          return Fail(error, "state '" + std::string(field.name) + "' of '" + name + "' has an unknown value");
        }
      }
    }
  }
  return true;
}

template <typename Form>
bool Validate(const FxEffectObjectOf<Form>& object, std::string* error) {
  const std::size_t typeCount = object.types.size();
  std::vector<uint32_t> depth(typeCount, 1);
  for (std::size_t i = 0; i < typeCount; ++i) {
    if (!CheckType(object.types, i, &depth, error)) return false;
  }
  auto numericType = [&](uint32_t type) { return type < typeCount && FxIsNumeric(object.types[type]); };
  for (const auto& b : object.buffers) {
    if (!CheckAnnotations(object, b.annotations, error)) return false;
    if (b.size % 16 || b.initial.size() != b.size) return Fail(error, "buffer '" + b.name + "' has a wrong size");
    if (b.glSize % 16) return Fail(error, "buffer '" + b.name + "' has a wrong GL size");
    for (const auto& v : b.variables) {
      if (!numericType(v.type)) return Fail(error, "variable '" + v.name + "' has a wrong type");
      if (!CheckAnnotations(object, v.annotations, error)) return false;
      uint32_t size = object.types[v.type].unpackedSize;
      if (v.offset > b.size || size > b.size - v.offset) return Fail(error, "variable '" + v.name + "' lies outside its buffer");
    }
    for (const FxCopyRun& r : b.runs) {
      if (r.source > b.size || r.size > b.size - r.source || r.target > b.glSize || r.size > b.glSize - r.target) {
        return Fail(error, "buffer '" + b.name + "' copies outside itself");
      }
    }
  }
  const std::size_t shaderCount = object.shaders.size();
  for (const auto& o : object.objects) {
    if (o.type >= typeCount || FxIsNumeric(object.types[o.type])) return Fail(error, "object '" + o.name + "' has a wrong type");
    if (!CheckAnnotations(object, o.annotations, error) ||
        !CheckStates(FxStateObject::kBlend, o.blends, o.name, error) ||
        !CheckStates(FxStateObject::kDepthStencil, o.depthStencils, o.name, error) ||
        !CheckStates(FxStateObject::kRasterizer, o.rasterizers, o.name, error) ||
        !CheckStates(FxStateObject::kSampler, o.samplers, o.name, error)) {
      return false;
    }
    const auto& type = object.types[o.type];
    std::size_t count = FxElementCount(type);
    auto expect = [&](std::size_t size, bool wanted) { return size == (wanted ? count : 0); };
    if (!expect(o.blends.size(), type.baseType == D3D10_SVT_BLEND) ||
        !expect(o.depthStencils.size(), type.baseType == D3D10_SVT_DEPTHSTENCIL) ||
        !expect(o.rasterizers.size(), type.baseType == D3D10_SVT_RASTERIZER) ||
        !expect(o.samplers.size(), type.baseType == D3D10_SVT_SAMPLER) ||
        !expect(o.strings.size(), type.baseType == D3D10_SVT_STRING) ||
        !expect(o.shaders.size(), FxIsShaderType(type.baseType))) {
      return Fail(error, "object '" + o.name + "' holds the wrong values");
    }
    for (uint32_t s : o.shaders) {
      if (s != kFxNone && (s >= shaderCount || object.shaders[s].stage != FxShaderStageOf(type.baseType))) {
        return Fail(error, "shader variable '" + o.name + "' names a wrong shader");
      }
    }
  }
  auto objectOf = [&](uint32_t index, uint32_t element, bool (*kind)(uint32_t)) {
    if (index >= object.objects.size()) return false;
    const auto& type = object.types[object.objects[index].type];
    return kind(type.baseType) && element < FxElementCount(type);
  };
  for (const auto& s : object.shaders) {
    if (s.stage >= kFxStageCount) return Fail(error, "shader '" + s.entry + "' has an unknown stage");
    for (const FxBinding& b : s.constantBuffers) {
      if (b.index >= object.buffers.size() || b.slot >= D3D10_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT) {
        return Fail(error, "shader '" + s.entry + "' binds a wrong constant buffer");
      }
    }
    for (const FxBinding& b : s.resources) {
      if (!objectOf(b.index, b.element, FxIsResourceType) || b.slot >= D3D10_COMMONSHADER_INPUT_RESOURCE_SLOT_COUNT) {
        return Fail(error, "shader '" + s.entry + "' binds a wrong resource");
      }
    }
    for (const FxBinding& b : s.samplers) {
      if (!objectOf(b.index, b.element, [](uint32_t t) { return t == D3D10_SVT_SAMPLER; }) ||
          b.slot >= D3D10_COMMONSHADER_SAMPLER_SLOT_COUNT) {
        return Fail(error, "shader '" + s.entry + "' binds a wrong sampler");
      }
    }
  }
  for (const auto& t : object.techniques) {
    if (!CheckAnnotations(object, t.annotations, error)) return false;
    for (const auto& p : t.passes) {
      if (!CheckAnnotations(object, p.annotations, error)) return false;
      for (uint32_t stage = 0; stage < kFxStageCount; ++stage) {
        const FxShaderRef& ref = p.shaders[stage];
        if (ref.shader != kFxNone && (ref.shader >= shaderCount || object.shaders[ref.shader].stage != stage)) {
          return Fail(error, "pass '" + p.name + "' sets a wrong shader");
        }
        if (ref.variable != kFxNone && !objectOf(ref.variable, ref.element, FxIsShaderType)) {
          return Fail(error, "pass '" + p.name + "' names a wrong shader variable");
        }
      }
      const std::pair<const FxStateRef*, uint32_t> states[] = {
          {&p.blend, D3D10_SVT_BLEND}, {&p.depthStencil, D3D10_SVT_DEPTHSTENCIL}, {&p.rasterizer, D3D10_SVT_RASTERIZER}};
      for (const auto& state : states) {
        const FxStateRef& ref = *state.first;
        if (ref.kind > kFxStateVariable) return Fail(error, "pass '" + p.name + "' has a wrong state reference");
        if (ref.kind != kFxStateVariable) continue;
        if (ref.variable >= object.objects.size() ||
            object.types[object.objects[ref.variable].type].baseType != state.second ||
            ref.element >= FxElementCount(object.types[object.objects[ref.variable].type])) {
          return Fail(error, "pass '" + p.name + "' sets a wrong state");
        }
      }
    }
  }
  return true;
}

}  // namespace

bool FxValidateObject(const FxEffectObject& object, std::string* error) { return Validate(object, error); }
