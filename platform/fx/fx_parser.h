// The effect language above HLSL: techniques and passes, state blocks,
// annotations, constant buffers, shared variables and shader variables. The
// parser lifts those out of the preprocessed tokens and keeps, in order, the
// tokens of the plain HLSL the shader back end compiles (function bodies are
// not parsed here, only skipped).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fx_diagnostics.h"
#include "fx_lexer.h"
#include "fx_states.h"

// A constant: numbers component by component, or strings.
struct FxValue {
  std::vector<double> numbers;
  std::vector<std::string> strings;
};

// A type as written.
struct FxTypeRef {
  enum Kind { kNumeric, kStruct, kObject } kind = kNumeric;
  uint32_t base = 0;  // D3D10_SHADER_VARIABLE_TYPE
  uint32_t rows = 1;
  uint32_t columns = 1;
  bool matrix = false;
  bool vector = false;
  int structIndex = -1;
  std::string name;  // as reflection shows it: "float4", "Texture2D", the struct's name
};

enum FxModifier : uint32_t {
  kFxStatic = 1u << 0,
  kFxConst = 1u << 1,
  kFxSharedModifier = 1u << 2,
  kFxUniform = 1u << 3,
  kFxRowMajor = 1u << 4,
  kFxColumnMajor = 1u << 5,
};

struct FxAnnotationSyntax {
  FxLocation at;
  std::string name;
  FxTypeRef type;
  uint32_t elements = 0;
  FxValue value;
};

struct FxStateAssignment {
  FxLocation at;
  const FxStateField* field = nullptr;
  uint32_t index = 0;
  double values[4] = {};
};

// A shader named in a pass or a shader variable: NULL, CompileShader with
// the entry point's uniform arguments as tokens, or a shader variable.
struct FxShaderExpression {
  enum Kind { kNull, kCompile, kVariable } kind = kNull;
  FxLocation at;
  std::string profile;
  std::string entry;
  std::vector<std::vector<FxToken>> arguments;
  std::string variable;
  uint32_t element = 0;
};

struct FxDeclaration {
  FxLocation at;
  std::string name;
  std::string semantic;
  FxTypeRef type;
  uint32_t elements = 0;  // 0 when not an array; all dimensions multiplied
  std::vector<uint32_t> dimensions;  // as declared, outermost first
  uint32_t modifiers = 0;
  char registerClass = 0;  // 'b', 't', 's', 'c' of register(...), 0 when none
  int registerIndex = -1;
  int packOffset = -1;  // in 4-byte components
  std::vector<FxAnnotationSyntax> annotations;
  bool hasValue = false;
  FxValue value;
  std::vector<std::vector<FxStateAssignment>> states;  // state objects: per element
  std::vector<FxShaderExpression> shaders;             // shader variables: per element
  int buffer = -1;                                     // numeric globals: cbuffer, or -1 for $Globals
};

struct FxStructSyntax {
  FxLocation at;
  std::string name;
  std::vector<FxDeclaration> members;
};

struct FxBufferSyntax {
  FxLocation at;
  std::string name;
  bool shared = false;
  int registerIndex = -1;
  std::vector<FxAnnotationSyntax> annotations;
};

struct FxParameterSyntax {
  std::vector<FxToken> tokens;
  std::string name;
  bool uniform = false;
};

struct FxFunctionSyntax {
  FxLocation at;
  std::string name;
  std::vector<FxToken> attributes;  // [maxvertexcount(n)] and the like
  std::vector<FxToken> returnType;
  std::vector<FxToken> returnSemantic;  // ':' and the semantic, when given
  std::vector<FxParameterSyntax> parameters;
};

struct FxStateReference {
  enum Kind { kUnset, kNull, kVariable } kind = kUnset;
  FxLocation at;
  std::string variable;
  uint32_t element = 0;
};

struct FxPassSyntax {
  FxLocation at;
  std::string name;
  std::vector<FxAnnotationSyntax> annotations;
  FxShaderExpression shaders[3];  // vertex, geometry, pixel
  FxStateReference blend;
  FxStateReference depthStencil;
  FxStateReference rasterizer;
  double blendFactor[4] = {1, 1, 1, 1};
  uint32_t sampleMask = 0xFFFFFFFFu;
  uint32_t stencilRef = 0;
};

struct FxTechniqueSyntax {
  FxLocation at;
  std::string name;
  std::vector<FxAnnotationSyntax> annotations;
  std::vector<FxPassSyntax> passes;
};

struct FxSyntax {
  std::vector<FxStructSyntax> structs;
  std::vector<FxBufferSyntax> buffers;
  // Variables of the effect in declaration order: numeric ones (with their
  // buffer) and objects. Static variables are HLSL's alone and not here.
  std::vector<FxDeclaration> globals;
  std::vector<FxFunctionSyntax> functions;
  std::vector<FxTechniqueSyntax> techniques;
  // The HLSL for the shader back end.
  std::vector<FxToken> hlsl;
};

// Parses the preprocessed tokens. Stops at the first syntax error.
bool FxParse(const std::vector<FxToken>& tokens, FxDiagnostics& diagnostics, FxSyntax* syntax);

// GLSL has no arrays of separate samplers: the HLSL the back end compiles
// declares each element of a sampler array as a sampler of this name.
std::string FxSamplerElementName(const std::string& name, uint32_t element);

// Number of scalar components a value of the type holds, one element.
uint32_t FxComponentCount(const FxSyntax& syntax, const FxTypeRef& type);
