#include "d3d10/d3d10_input_layout.h"

#include <strings.h>

#include <algorithm>
#include <iterator>
#include <new>

#include "d3d10/d3d10_format.h"
#include "d3d10/d3d10_signature.h"

namespace {

// Bytes a vertex may span: GL's smallest guaranteed relative offset limit
// and Direct3D 10's largest stride.
constexpr UINT kMaxVertexBytes = 2048;
// Per-instance data with step rate 0 never advances.
constexpr GLuint kNeverAdvance = 0xFFFFFFFFu;

struct ResolvedElement {
  const D3D10_INPUT_ELEMENT_DESC* desc;
  const D3D10FormatInfo* format;
  UINT offset;
};

// The elements with offsets resolved, checked one by one and per slot.
HRESULT ResolveElements(const D3D10_INPUT_ELEMENT_DESC* elements, UINT count, std::vector<ResolvedElement>* out) {
  // At most the input assembler's element count.
  if (count > D3D10_IA_VERTEX_INPUT_STRUCTURE_ELEMENT_COUNT) return E_INVALIDARG;
  if (count && !elements) return E_INVALIDARG;
  UINT slotEnd[D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT] = {};
  const D3D10_INPUT_ELEMENT_DESC* slotFirst[D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT] = {};
  for (UINT i = 0; i < count; ++i) {
    const D3D10_INPUT_ELEMENT_DESC& e = elements[i];
    // Elements are found by semantic name.
    if (!e.SemanticName || !*e.SemanticName) return E_INVALIDARG;
    // A format the vertex fetch reads.
    const D3D10FormatInfo* format = D3D10GetFormatInfo(e.Format);
    if (!format || !(format->caps & kFormatVertex)) return E_INVALIDARG;
    // One of the 16 input slots.
    if (e.InputSlot >= D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT) return E_INVALIDARG;
    // Per-vertex or per-instance; only per-instance data steps by instances.
    UINT slotClass = D3D10Raw(e.InputSlotClass);
    if (slotClass != D3D10_INPUT_PER_VERTEX_DATA && slotClass != D3D10_INPUT_PER_INSTANCE_DATA) return E_INVALIDARG;
    if (slotClass == D3D10_INPUT_PER_VERTEX_DATA && e.InstanceDataStepRate != 0) return E_INVALIDARG;
    // A slot's elements share classification and step rate: GL steps whole bindings.
    const D3D10_INPUT_ELEMENT_DESC*& first = slotFirst[e.InputSlot];
    if (first && (D3D10Raw(first->InputSlotClass) != slotClass || first->InstanceDataStepRate != e.InstanceDataStepRate)) {
      return E_INVALIDARG;
    }
    if (!first) first = &e;
    // Appended elements follow the previous element of their slot.
    UINT offset = e.AlignedByteOffset == D3D10_APPEND_ALIGNED_ELEMENT ? slotEnd[e.InputSlot] : e.AlignedByteOffset;
    // The element lies inside the largest vertex.
    if (offset > kMaxVertexBytes || format->size > kMaxVertexBytes - offset) return E_INVALIDARG;
    slotEnd[e.InputSlot] = offset + format->size;
    // A semantic name and index feed one input only.
    for (const ResolvedElement& other : *out) {
      if (other.desc->SemanticIndex == e.SemanticIndex && !strcasecmp(other.desc->SemanticName, e.SemanticName)) {
        return E_INVALIDARG;
      }
    }
    out->push_back({&e, format, offset});
  }
  return S_OK;
}

}  // namespace

HRESULT D3D10InputLayout::Create(D3D10Device* device, const D3D10_INPUT_ELEMENT_DESC* elements, UINT count,
                                 const void* signature, SIZE_T signatureSize, ID3D10InputLayout** layout) {
  std::vector<ResolvedElement> resolved;
  HRESULT hr = ResolveElements(elements, count, &resolved);
  if (FAILED(hr)) return hr;
  // The signature of this platform, alone or inside a vertex shader.
  const void* blob = nullptr;
  SIZE_T blobSize = 0;
  hr = D3D10PlatformGetInputSignature(signature, signatureSize, &blob, &blobSize);
  if (FAILED(hr)) return hr;
  std::vector<D3D10SignatureInput> inputs;
  hr = D3D10ParseSignature(blob, blobSize, &inputs);
  if (FAILED(hr)) return hr;

  std::vector<Attribute> attributes;
  uint32_t attributeMask = 0, slotMask = 0;
  GLuint divisors[D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT] = {};
  for (const D3D10SignatureInput& input : inputs) {
    // System values are generated, not fetched.
    if (input.systemValue != D3D10_NAME_UNDEFINED) continue;
    const ResolvedElement* match = nullptr;
    for (const ResolvedElement& element : resolved) {
      // HLSL semantics ignore case.
      if (element.desc->SemanticIndex == input.semanticIndex &&
          !strcasecmp(element.desc->SemanticName, input.semanticName.c_str())) {
        match = &element;
      }
    }
    // Every fetched input is fed, with components of the type it reads.
    if (!match || D3D10ComponentTypeOf(match->format->cls) != input.componentType) return E_INVALIDARG;
    D3D10FormatClass cls = match->format->cls;
    bool integer = cls == D3D10FormatClass::kUint || cls == D3D10FormatClass::kSint;
    bool normalized = cls == D3D10FormatClass::kUnorm || cls == D3D10FormatClass::kSnorm;
    GLuint slot = match->desc->InputSlot;
    attributes.push_back({input.reg, slot, match->offset, match->format->components, match->format->attribType,
                          static_cast<GLboolean>(normalized ? GL_TRUE : GL_FALSE), integer});
    attributeMask |= 1u << input.reg;
    slotMask |= 1u << slot;
    if (match->desc->InputSlotClass == D3D10_INPUT_PER_INSTANCE_DATA) {
      UINT rate = match->desc->InstanceDataStepRate;
      divisors[slot] = rate ? rate : kNeverAdvance;
    }
  }
  if (!layout) return S_FALSE;

  D3D10InputLayout* created = new (std::nothrow) D3D10InputLayout(device);
  if (!created) return E_OUTOFMEMORY;
  created->m_attributes = std::move(attributes);
  created->m_attributeMask = attributeMask;
  created->m_slotMask = slotMask;
  std::copy(std::begin(divisors), std::end(divisors), created->m_divisors);
  *layout = created;
  return S_OK;
}

D3D10InputLayout::~D3D10InputLayout() { Device()->OnInputLayoutDestroyed(static_cast<ID3D10InputLayout*>(this)); }

uint32_t D3D10InputLayout::ApplyTo(GLuint vertexArray, uint32_t enabled) const {
  for (uint32_t unused = enabled & ~m_attributeMask; unused; unused &= unused - 1) {
    glDisableVertexArrayAttrib(vertexArray, static_cast<GLuint>(__builtin_ctz(unused)));
  }
  for (const Attribute& a : m_attributes) {
    if (a.integer) {
      glVertexArrayAttribIFormat(vertexArray, a.location, a.components, a.type, a.offset);
    } else {
      glVertexArrayAttribFormat(vertexArray, a.location, a.components, a.type, a.normalized, a.offset);
    }
    glVertexArrayAttribBinding(vertexArray, a.location, a.slot);
    if (!(enabled & (1u << a.location))) glEnableVertexArrayAttrib(vertexArray, a.location);
  }
  for (uint32_t slots = m_slotMask; slots; slots &= slots - 1) {
    GLuint slot = static_cast<GLuint>(__builtin_ctz(slots));
    glVertexArrayBindingDivisor(vertexArray, slot, m_divisors[slot]);
  }
  return m_attributeMask;
}
