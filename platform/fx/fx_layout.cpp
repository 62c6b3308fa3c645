#include "fx/fx_layout.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

uint32_t Align(uint32_t value, uint32_t alignment) { return (value + alignment - 1) / alignment * alignment; }

template <typename Type>
bool IsMatrix(const Type& type) {
  return type.typeClass == D3D10_SVC_MATRIX_ROWS || type.typeClass == D3D10_SVC_MATRIX_COLUMNS;
}

// The stored vectors of a matrix and their components: columns of a
// column-major matrix, rows of a row-major one.
void MatrixVectors(const FxType& type, uint32_t* vectors, uint32_t* components) {
  bool columnMajor = type.typeClass == D3D10_SVC_MATRIX_COLUMNS;
  *vectors = columnMajor ? type.columns : type.rows;
  *components = columnMajor ? type.rows : type.columns;
}

// std140 alignment and size of one element.
void GlElement(const std::vector<FxType>& types, const FxType& type, uint32_t* alignment, uint32_t* size) {
  switch (type.typeClass) {
    case D3D10_SVC_SCALAR:
      *alignment = 4, *size = 4;
      return;
    case D3D10_SVC_VECTOR:
      *alignment = type.columns == 1 ? 4 : type.columns == 2 ? 8 : 16;
      *size = 4 * type.columns;
      return;
    case D3D10_SVC_STRUCT: {
      uint32_t cursor = 0;
      for (const FxTypeMember& member : type.members) {
        const FxType& memberType = types[member.type];
        uint32_t memberAlignment, memberSize;
        GlElement(types, memberType, &memberAlignment, &memberSize);
        if (memberType.elements) memberAlignment = 16, memberSize = memberType.elements * Align(memberSize, 16);
        cursor = Align(cursor, memberAlignment) + memberSize;
      }
      *alignment = 16, *size = Align(cursor, 16);
      return;
    }
    default: {
      uint32_t vectors, components;
      MatrixVectors(type, &vectors, &components);
      *alignment = 16, *size = 16 * vectors;
      return;
    }
  }
}

void AddRun(std::vector<FxCopyRun>* runs, uint32_t source, uint32_t target, uint32_t size) {
  if (!runs->empty()) {
    FxCopyRun& last = runs->back();
    if (last.source + last.size == source && last.target + last.size == target) {
      last.size += size;
      return;
    }
  }
  runs->push_back({source, target, size});
}

}  // namespace

uint32_t FxTypeTable::Add(const FxTypeRef& ref, uint32_t elements, uint32_t modifiers) {
  FxType type;
  type.name = ref.name;
  type.elements = elements;
  if (ref.kind == FxTypeRef::kObject) {
    type.typeClass = D3D10_SVC_OBJECT;
    type.baseType = ref.base;
    return Intern(std::move(type));
  }
  uint32_t packed = 0, size = 0;
  if (ref.kind == FxTypeRef::kStruct) {
    type.typeClass = D3D10_SVC_STRUCT;
    type.baseType = D3D10_SVT_VOID;
    type.rows = type.columns = 1;
    for (const FxDeclaration& member : m_syntax.structs[static_cast<std::size_t>(ref.structIndex)].members) {
      FxTypeMember m;
      m.name = member.name;
      m.semantic = member.semantic;
      m.type = Add(member.type, member.elements, member.modifiers);
      const FxType& memberType = (*m_types)[m.type];
      m.offset = FxPlaceHlsl(memberType, size);
      size = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{m.offset} + memberType.unpackedSize, UINT32_MAX / 2));
      packed += memberType.packedSize;
      type.members.push_back(std::move(m));
    }
  } else {
    type.baseType = ref.base;
    type.rows = ref.rows;
    type.columns = ref.columns;
    if (ref.matrix) {
      type.typeClass = (modifiers & kFxRowMajor) ? D3D10_SVC_MATRIX_ROWS : D3D10_SVC_MATRIX_COLUMNS;
      uint32_t vectors, components;
      MatrixVectors(type, &vectors, &components);
      size = 16 * (vectors - 1) + 4 * components;
    } else {
      type.typeClass = ref.vector ? D3D10_SVC_VECTOR : D3D10_SVC_SCALAR;
      size = 4 * ref.columns;
    }
    packed = 4 * ref.rows * ref.columns;
  }
  // Sizes past what a constant buffer holds saturate; the buffer then refuses them.
  auto saturate = [](uint64_t value) { return static_cast<uint32_t>(std::min<uint64_t>(value, UINT32_MAX)); };
  type.stride = Align(size, 16);
  type.packedSize = saturate(uint64_t{packed} * (elements ? elements : 1));
  type.unpackedSize = elements ? saturate(uint64_t{type.stride} * (elements - 1) + size) : size;
  return Intern(std::move(type));
}

uint32_t FxTypeTable::Intern(FxType type) {
  std::string key = type.name + "|" + std::to_string(type.typeClass) + "|" + std::to_string(type.baseType) + "|" +
                    std::to_string(type.elements);
  auto found = m_known.find(key);
  if (found != m_known.end()) return found->second;
  uint32_t index = static_cast<uint32_t>(m_types->size());
  m_types->push_back(std::move(type));
  m_known.emplace(key, index);
  return index;
}

uint32_t FxPlaceHlsl(const FxType& type, uint32_t cursor) {
  if (type.elements || type.typeClass == D3D10_SVC_STRUCT || IsMatrix(type)) return Align(cursor, 16);
  if (cursor % 16 + type.unpackedSize > 16) return Align(cursor, 16);
  return cursor;
}

uint32_t FxGlSize(const std::vector<FxType>& types, uint32_t index) {
  const FxType& type = types[index];
  uint32_t alignment, size;
  GlElement(types, type, &alignment, &size);
  return type.elements ? type.elements * Align(size, 16) : size;
}

std::vector<uint32_t> FxGlMemberOffsets(const std::vector<FxType>& types, uint32_t index) {
  std::vector<uint32_t> offsets;
  uint32_t cursor = 0;
  for (const FxTypeMember& member : types[index].members) {
    uint32_t alignment, size;
    GlElement(types, types[member.type], &alignment, &size);
    if (types[member.type].elements) alignment = 16;
    cursor = Align(cursor, alignment);
    offsets.push_back(cursor);
    cursor += FxGlSize(types, member.type);
  }
  return offsets;
}

std::vector<uint32_t> FxGlBufferOffsets(const std::vector<FxType>& types, const FxBuffer& buffer, uint32_t* size) {
  std::vector<uint32_t> offsets;
  uint32_t cursor = 0;
  for (const FxVariable& variable : buffer.variables) {
    uint32_t alignment, elementSize;
    GlElement(types, types[variable.type], &alignment, &elementSize);
    if (types[variable.type].elements) alignment = 16;
    cursor = Align(cursor, alignment);
    offsets.push_back(cursor);
    cursor += FxGlSize(types, variable.type);
  }
  *size = Align(cursor, 16);
  return offsets;
}

void FxAppendCopyRuns(const std::vector<FxType>& types, uint32_t index, uint32_t source, uint32_t target,
                      std::vector<FxCopyRun>* runs) {
  const FxType& type = types[index];
  uint32_t alignment, glElement;
  GlElement(types, type, &alignment, &glElement);
  uint32_t glStride = Align(glElement, 16);
  std::vector<uint32_t> memberOffsets;
  if (type.typeClass == D3D10_SVC_STRUCT) memberOffsets = FxGlMemberOffsets(types, index);
  for (uint32_t e = 0; e < FxElementCount(type); ++e) {
    uint32_t from = source + e * type.stride, to = target + e * glStride;
    switch (type.typeClass) {
      case D3D10_SVC_SCALAR:
      case D3D10_SVC_VECTOR:
        AddRun(runs, from, to, 4 * type.columns);
        break;
      case D3D10_SVC_STRUCT:
        for (std::size_t m = 0; m < type.members.size(); ++m) {
          FxAppendCopyRuns(types, type.members[m].type, from + type.members[m].offset, to + memberOffsets[m], runs);
        }
        break;
      default: {
        uint32_t vectors, components;
        MatrixVectors(type, &vectors, &components);
        for (uint32_t v = 0; v < vectors; ++v) AddRun(runs, from + 16 * v, to + 16 * v, 4 * components);
        break;
      }
    }
  }
}

uint32_t FxEncodeComponent(uint32_t baseType, double value) {
  switch (baseType) {
    case D3D10_SVT_BOOL:
      return value != 0 ? 1u : 0u;
    case D3D10_SVT_INT:
      return static_cast<uint32_t>(static_cast<int32_t>(value));
    case D3D10_SVT_UINT:
      return value < 0 ? static_cast<uint32_t>(static_cast<int64_t>(value)) : static_cast<uint32_t>(value);
    default: {
      float f = static_cast<float>(value);
      uint32_t bits;
      std::memcpy(&bits, &f, sizeof(bits));
      return bits;
    }
  }
}

template <typename Types>
uint32_t FxValueCount(const Types& types, uint32_t index) {
  const auto& type = types[index];
  uint32_t count = 0;
  if (type.typeClass == D3D10_SVC_STRUCT) {
    for (const auto& member : type.members) count += FxValueCount(types, member.type);
  } else {
    count = type.rows * type.columns;
  }
  return count * FxElementCount(type);
}

template <typename Types>
bool FxWriteValues(const Types& types, uint32_t index, const std::vector<double>& values, std::size_t* next,
                   uint8_t* out) {
  const auto& type = types[index];
  for (uint32_t e = 0; e < FxElementCount(type); ++e) {
    uint8_t* element = out + e * type.stride;
    if (type.typeClass == D3D10_SVC_STRUCT) {
      for (const auto& member : type.members) {
        if (!FxWriteValues(types, member.type, values, next, element + member.offset)) return false;
      }
      continue;
    }
    bool columnMajor = type.typeClass == D3D10_SVC_MATRIX_COLUMNS;
    bool matrix = IsMatrix(type);
    for (uint32_t r = 0; r < type.rows; ++r) {
      for (uint32_t c = 0; c < type.columns; ++c) {
        if (*next >= values.size()) return false;
        uint32_t offset = !matrix ? 4 * c : columnMajor ? 16 * c + 4 * r : 16 * r + 4 * c;
        uint32_t bits = FxEncodeComponent(type.baseType, values[(*next)++]);
        std::memcpy(element + offset, &bits, 4);
      }
    }
  }
  return true;
}

// The compiler's types and a loaded effect's.
template uint32_t FxValueCount(const std::vector<FxType>&, uint32_t);
template uint32_t FxValueCount(const FxSpan<FxLoadedType>&, uint32_t);
template bool FxWriteValues(const std::vector<FxType>&, uint32_t, const std::vector<double>&, std::size_t*, uint8_t*);
template bool FxWriteValues(const FxSpan<FxLoadedType>&, uint32_t, const std::vector<double>&, std::size_t*,
                            uint8_t*);
