// Types of effect variables and the two packings of a constant buffer: the
// HLSL packing the effect interfaces show (offsets, SetRawValue), and the
// std140 packing of the GL uniform block the shaders read. A buffer's copy
// runs move its bytes from the first to the second when it is uploaded.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "fx_object.h"
#include "fx_parser.h"

// Builds the effect's type list from declarations, one entry per distinct
// type; struct members are added before their struct.
class FxTypeTable {
 public:
  FxTypeTable(const FxSyntax& syntax, std::vector<FxType>* types) : m_syntax(syntax), m_types(types) {}

  // The type of a declaration: its written type, array size and packing.
  uint32_t Add(const FxTypeRef& type, uint32_t elements, uint32_t modifiers);

 private:
  uint32_t Intern(FxType type);

  const FxSyntax& m_syntax;
  std::vector<FxType>* m_types;
  std::map<std::string, uint32_t> m_known;
};

// Where a variable of the type goes in HLSL packing when the previous one
// ended at `cursor`: arrays, matrices and structs start a new register and
// no vector crosses one.
uint32_t FxPlaceHlsl(const FxType& type, uint32_t cursor);

// The std140 size of a type, arrays included, and its members' offsets.
uint32_t FxGlSize(const std::vector<FxType>& types, uint32_t type);
std::vector<uint32_t> FxGlMemberOffsets(const std::vector<FxType>& types, uint32_t type);
// The std140 offsets of a buffer's variables, in order, and its size.
std::vector<uint32_t> FxGlBufferOffsets(const std::vector<FxType>& types, const FxBuffer& buffer, uint32_t* size);

// Appends the runs that move a value of the type from `source` (HLSL) to
// `target` (std140), joining runs that continue each other.
void FxAppendCopyRuns(const std::vector<FxType>& types, uint32_t type, uint32_t source, uint32_t target,
                      std::vector<FxCopyRun>* runs);

// Writes values, given as initializers list them (matrices row by row), into
// `out` in HLSL packing. Consumes exactly the type's component count;
// returns false when fewer remain.
// For the compiler's types and a loaded effect's.
template <typename Types>
bool FxWriteValues(const Types& types, uint32_t type, const std::vector<double>& values, std::size_t* next,
                   uint8_t* out);
// The number of components a value of the type holds, all elements.
template <typename Types>
uint32_t FxValueCount(const Types& types, uint32_t type);
// A number as a 4-byte component of the base type.
uint32_t FxEncodeComponent(uint32_t baseType, double value);
