#include "fx/fx_parser.h"

#include <d3d10effect.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <strings.h>

namespace {

struct ScalarName {
  const char* name;
  uint32_t base;
};
const ScalarName kScalars[] = {{"bool", D3D10_SVT_BOOL},        {"int", D3D10_SVT_INT},
                               {"uint", D3D10_SVT_UINT},        {"dword", D3D10_SVT_UINT},
                               {"half", D3D10_SVT_FLOAT},       {"float", D3D10_SVT_FLOAT},
                               {"min16float", D3D10_SVT_FLOAT}, {"min10float", D3D10_SVT_FLOAT},
                               {"min16int", D3D10_SVT_INT},     {"min12int", D3D10_SVT_INT},
                               {"min16uint", D3D10_SVT_UINT}};
// The name reflection gives each scalar base type.
const char* BaseName(uint32_t base) {
  switch (base) {
    case D3D10_SVT_BOOL: return "bool";
    case D3D10_SVT_INT: return "int";
    case D3D10_SVT_UINT: return "uint";
    default: return "float";
  }
}

const ScalarName kObjects[] = {{"Texture", D3D10_SVT_TEXTURE},
                               {"Texture1D", D3D10_SVT_TEXTURE1D},
                               {"Texture1DArray", D3D10_SVT_TEXTURE1DARRAY},
                               {"Texture2D", D3D10_SVT_TEXTURE2D},
                               {"Texture2DArray", D3D10_SVT_TEXTURE2DARRAY},
                               {"Texture2DMS", D3D10_SVT_TEXTURE2DMS},
                               {"Texture2DMSArray", D3D10_SVT_TEXTURE2DMSARRAY},
                               {"Texture3D", D3D10_SVT_TEXTURE3D},
                               {"TextureCube", D3D10_SVT_TEXTURECUBE},
                               {"TextureCubeArray", D3D10_SVT_TEXTURECUBEARRAY},
                               {"Buffer", D3D10_SVT_BUFFER},
                               {"SamplerState", D3D10_SVT_SAMPLER},
                               {"SamplerComparisonState", D3D10_SVT_SAMPLER},
                               {"BlendState", D3D10_SVT_BLEND},
                               {"DepthStencilState", D3D10_SVT_DEPTHSTENCIL},
                               {"RasterizerState", D3D10_SVT_RASTERIZER},
                               {"VertexShader", D3D10_SVT_VERTEXSHADER},
                               {"GeometryShader", D3D10_SVT_GEOMETRYSHADER},
                               {"PixelShader", D3D10_SVT_PIXELSHADER},
                               {"string", D3D10_SVT_STRING},
                               {"RenderTargetView", D3D10_SVT_RENDERTARGETVIEW},
                               {"DepthStencilView", D3D10_SVT_DEPTHSTENCILVIEW}};

struct ModifierName {
  const char* name;
  uint32_t flag;  // 0: kept for HLSL, no meaning to the effect
};
const ModifierName kModifiers[] = {
    {"static", kFxStatic},     {"const", kFxConst},         {"shared", kFxSharedModifier}, {"uniform", kFxUniform},
    {"row_major", kFxRowMajor}, {"column_major", kFxColumnMajor}, {"extern", 0},           {"volatile", 0},
    {"nointerpolation", 0},    {"linear", 0},               {"centroid", 0},               {"noperspective", 0},
    {"sample", 0},             {"precise", 0},              {"in", 0},                     {"out", 0},
    {"inout", 0},              {"inline", 0},               {"snorm", 0},                  {"unorm", 0},
    {"point", 0},              {"line", 0},                 {"triangle", 0},               {"lineadj", 0},
    {"triangleadj", 0}};

const ModifierName* FindModifier(const FxToken& token) {
  if (token.kind != FxTokenKind::kIdentifier) return nullptr;
  for (const ModifierName& modifier : kModifiers) {
    if (token.text == modifier.name) return &modifier;
  }
  return nullptr;
}

// "float4x3" and the like: a scalar name with optional dimensions.
bool MatchNumeric(const std::string& text, FxTypeRef* type) {
  for (const ScalarName& scalar : kScalars) {
    std::size_t length = std::strlen(scalar.name);
    if (text.compare(0, length, scalar.name) != 0) continue;
    std::string rest = text.substr(length);
    type->kind = FxTypeRef::kNumeric;
    type->base = scalar.base;
    if (rest.empty()) {
      type->rows = type->columns = 1;
      return true;
    }
    if (rest.size() == 1 && rest[0] >= '1' && rest[0] <= '4') {
      type->vector = true;
      type->rows = 1;
      type->columns = static_cast<uint32_t>(rest[0] - '0');
      return true;
    }
    if (rest.size() == 3 && rest[0] >= '1' && rest[0] <= '4' && rest[1] == 'x' && rest[2] >= '1' && rest[2] <= '4') {
      type->matrix = true;
      type->rows = static_cast<uint32_t>(rest[0] - '0');
      type->columns = static_cast<uint32_t>(rest[2] - '0');
      return true;
    }
  }
  return false;
}

std::string NumericName(const FxTypeRef& type) {
  std::string name = BaseName(type.base);
  if (type.matrix) return name + std::to_string(type.rows) + "x" + std::to_string(type.columns);
  if (type.vector) return name + std::to_string(type.columns);
  return name;
}

class Parser {
 public:
  Parser(const std::vector<FxToken>& tokens, FxDiagnostics& diagnostics, FxSyntax* syntax)
      : m_tokens(tokens), m_diagnostics(diagnostics), m_syntax(syntax) {
    m_end.text = "end of file";
    if (!tokens.empty()) m_end.at = tokens.back().at;
  }

  // translation_unit: { top_level }
  // top_level: ';' | technique | buffer | struct_definition | typedef | declaration
  bool Run() {
    while (!Failed() && !AtEnd()) {
      const FxToken& token = Peek();
      if (Accept(";")) continue;
      if (token.IsIdentifier("technique10") || token.IsIdentifier("technique")) {
        ParseTechnique();
      } else if (token.IsIdentifier("cbuffer") || token.IsIdentifier("tbuffer") ||
                 (token.IsIdentifier("shared") &&
                  (Peek(1).IsIdentifier("cbuffer") || Peek(1).IsIdentifier("tbuffer")))) {
        ParseBuffer();
      } else if (token.IsIdentifier("struct") && Peek(2).Is("{")) {
        ParseStruct(true);
      } else if (token.IsIdentifier("typedef")) {
        ParseTypedef();
      } else {
        ParseDeclaration(-1);
      }
    }
    return !Failed();
  }

 private:
  bool Failed() const { return m_failed || m_diagnostics.HasErrors(); }
  bool AtEnd() const { return m_next >= m_tokens.size(); }
  const FxToken& Peek(std::size_t ahead = 0) const {
    return m_next + ahead < m_tokens.size() ? m_tokens[m_next + ahead] : m_end;
  }
  const FxToken& Next() {
    const FxToken& token = Peek();
    if (!AtEnd()) ++m_next;
    return token;
  }
  bool Accept(const char* punctuator) {
    if (!Peek().Is(punctuator)) return false;
    ++m_next;
    return true;
  }
  bool AcceptWord(const char* word) {
    if (!Peek().IsIdentifier(word)) return false;
    ++m_next;
    return true;
  }
  void Error(const FxLocation& at, int code, const std::string& text) {
    if (!m_failed) m_diagnostics.Error(at, code, text);
    m_failed = true;
  }
  void Unexpected() {
    const FxToken& token = Peek();
    Error(token.at, kFxErrorSyntax,
          AtEnd() ? "syntax error: unexpected end of file" : "syntax error: unexpected token '" + token.text + "'");
  }
  bool Expect(const char* punctuator) {
    if (Accept(punctuator)) return true;
    Unexpected();
    return false;
  }
  bool ExpectIdentifier(FxToken* token) {
    if (Peek().kind != FxTokenKind::kIdentifier) {
      Unexpected();
      return false;
    }
    *token = Next();
    return true;
  }
  void Emit(std::size_t begin, std::size_t end) {
    m_syntax->hlsl.insert(m_syntax->hlsl.end(), m_tokens.begin() + static_cast<long>(begin),
                          m_tokens.begin() + static_cast<long>(end));
  }
  // Skips a bracketed group starting at the current opening token.
  bool SkipBalanced(const char* open, const char* close) {
    int depth = 0;
    do {
      if (AtEnd()) {
        Unexpected();
        return false;
      }
      const FxToken& token = Next();
      if (token.Is(open)) ++depth;
      if (token.Is(close)) --depth;
    } while (depth > 0);
    return true;
  }

  // modifiers: { modifier }
  uint32_t ParseModifiers(std::vector<FxToken>* kept) {
    uint32_t flags = 0;
    while (const ModifierName* modifier = FindModifier(Peek())) {
      flags |= modifier->flag;
      const FxToken& token = Next();
      if (kept && modifier->flag != kFxSharedModifier) kept->push_back(token);
    }
    return flags;
  }

  // type: numeric_name | 'vector' '<' scalar ',' n '>' | 'matrix' '<' scalar ',' r ',' c '>'
  //     | object_name [ '<' template_arguments '>' ] | [ 'struct' ] struct_name | typedef_name
  bool ParseType(FxTypeRef* type) {
    AcceptWord("struct");
    const FxToken& token = Peek();
    if (token.kind != FxTokenKind::kIdentifier) {
      Unexpected();
      return false;
    }
    Next();
    if (token.text.compare(0, 6, "double") == 0 &&
        (token.text.size() == 6 || std::isdigit(static_cast<unsigned char>(token.text[6])))) {
      Error(token.at, kFxErrorUnsupported, "double precision is not supported");
      return false;
    }
    if (MatchNumeric(token.text, type)) {
      type->name = NumericName(*type);
      return true;
    }
    if (token.text == "void") {
      type->kind = FxTypeRef::kNumeric;
      type->base = D3D10_SVT_VOID;
      type->name = "void";
      return true;
    }
    if (token.text == "vector" || token.text == "matrix") {
      bool matrix = token.text == "matrix";
      type->kind = FxTypeRef::kNumeric;
      type->base = D3D10_SVT_FLOAT;
      type->matrix = matrix;
      type->vector = !matrix;
      type->rows = matrix ? 4 : 1;
      type->columns = 4;
      if (Accept("<")) {
        FxToken scalar;
        FxTypeRef parsed;
        if (!ExpectIdentifier(&scalar)) return false;
        if (!MatchNumeric(scalar.text, &parsed) || parsed.vector || parsed.matrix) {
          Error(scalar.at, kFxErrorType, "'" + scalar.text + "' is not a scalar type");
          return false;
        }
        type->base = parsed.base;
        if (!Expect(",")) return false;
        if (matrix) {
          type->rows = ConstantDimension();
          if (!Expect(",")) return false;
        }
        type->columns = ConstantDimension();
        if (!Failed() && !Accept(">")) Expect(">");
      }
      type->name = NumericName(*type);
      return !Failed();
    }
    for (const ScalarName& object : kObjects) {
      if (token.text != object.name) continue;
      type->kind = FxTypeRef::kObject;
      type->base = object.base;
      type->name = object.name;
      if (Peek().Is("<")) return SkipTemplate();
      return true;
    }
    for (std::size_t i = 0; i < m_syntax->structs.size(); ++i) {
      if (m_syntax->structs[i].name != token.text) continue;
      type->kind = FxTypeRef::kStruct;
      type->structIndex = static_cast<int>(i);
      type->name = token.text;
      return true;
    }
    auto alias = m_typedefs.find(token.text);
    if (alias != m_typedefs.end()) {
      *type = alias->second;
      return true;
    }
    Error(token.at, kFxErrorUndeclared, "unknown type '" + token.text + "'");
    return false;
  }

  // template_arguments of objects; ">>" closes two levels.
  bool SkipTemplate() {
    int depth = 0;
    do {
      if (AtEnd()) {
        Unexpected();
        return false;
      }
      const FxToken& token = Next();
      if (token.Is("<")) ++depth;
      if (token.Is(">")) --depth;
      if (token.Is(">>")) depth -= 2;
    } while (depth > 0);
    return true;
  }

  uint32_t ConstantDimension() {
    uint32_t value = ConstantInteger();
    if (!Failed() && (value < 1 || value > 4)) Error(Peek().at, kFxErrorType, "dimension must be 1 to 4");
    return value;
  }

  uint32_t ConstantInteger() {
    FxLocation at = Peek().at;
    FxValue value;
    if (!ParseExpression(&value, nullptr)) return 0;
    if (value.numbers.size() != 1 || value.numbers[0] < 0 || value.numbers[0] != std::floor(value.numbers[0]) ||
        value.numbers[0] > 65536) {
      Error(at, kFxErrorType, "expected a non-negative integer constant");
      return 0;
    }
    return static_cast<uint32_t>(value.numbers[0]);
  }

  // struct_definition: 'struct' identifier '{' { member_declaration } '}' [ declarators ] ';'
  // member_declaration: modifiers type identifier { '[' constant ']' } [ ':' semantic ] { ',' ... } ';'
  void ParseStruct(bool topLevel) {
    std::size_t start = m_next;
    Next();  // struct
    FxToken name;
    if (!ExpectIdentifier(&name) || !Expect("{")) return;
    FxStructSyntax structure;
    structure.at = name.at;
    structure.name = name.text;
    while (!Failed() && !Accept("}")) {
      FxDeclaration member;
      member.modifiers = ParseModifiers(nullptr);
      if (!ParseType(&member.type)) return;
      while (!Failed()) {
        FxDeclaration declared = member;
        FxToken memberName;
        if (!ExpectIdentifier(&memberName)) return;
        declared.at = memberName.at;
        declared.name = memberName.text;
        declared.elements = ParseArrayDimensions();
        if (Accept(":")) {
          FxToken semantic;
          if (!ExpectIdentifier(&semantic)) return;
          declared.semantic = semantic.text;
        }
        structure.members.push_back(std::move(declared));
        if (!Accept(",")) break;
      }
      Expect(";");
    }
    if (Failed()) return;
    m_syntax->structs.push_back(std::move(structure));
    if (topLevel && !Peek().Is(";")) {
      // A variable declared with the definition: the struct stays HLSL's,
      // the variables are declared after it.
      Emit(start, m_next);
      FxToken semicolon;
      semicolon.text = ";";
      semicolon.at = Peek().at;
      m_syntax->hlsl.push_back(semicolon);
      FxTypeRef type;
      type.kind = FxTypeRef::kStruct;
      type.structIndex = static_cast<int>(m_syntax->structs.size() - 1);
      type.name = m_syntax->structs.back().name;
      FxToken typeName = name;
      typeName.spaceBefore = true;
      std::vector<FxToken> typeTokens = {typeName};
      ParseDeclarators(type, 0, {}, -1, m_next, &typeTokens);
      return;
    }
    if (!Expect(";")) return;
    Emit(start, m_next);
  }

  // typedef: 'typedef' modifiers type identifier ';'
  void ParseTypedef() {
    std::size_t start = m_next;
    Next();
    ParseModifiers(nullptr);
    FxTypeRef type;
    FxToken name;
    if (!ParseType(&type) || !ExpectIdentifier(&name) || !Expect(";")) return;
    m_typedefs[name.text] = type;
    Emit(start, m_next);
  }

  // array_dimensions: { '[' [ constant ] ']' }; an empty dimension takes its
  // size from the initializer.
  uint32_t ParseArrayDimensions(std::vector<uint32_t>* dimensions = nullptr) {
    uint32_t elements = 0;
    while (!Failed() && Accept("[")) {
      uint32_t size = kUnsized;
      if (!Peek().Is("]")) size = ConstantInteger();
      Expect("]");
      if (dimensions) dimensions->push_back(size);
      if (size == 0) {
        Error(Peek().at, kFxErrorType, "array dimension must be greater than zero");
        return 0;
      }
      if (size != kUnsized && elements != kUnsized && uint64_t{elements ? elements : 1} * size > kMaxElements) {
        Error(Peek().at, kFxErrorLimit, "array has more than " + std::to_string(kMaxElements) + " elements");
        return 0;
      }
      elements = elements == 0 || size == kUnsized ? size : elements * size;
    }
    return elements;
  }

  // buffer: [ 'shared' ] ( 'cbuffer' | 'tbuffer' ) identifier [ ':' 'register' '(' register ')' ]
  //         [ annotations ] '{' { declaration } '}' [ ';' ]
  void ParseBuffer() {
    std::size_t start = m_next;
    FxBufferSyntax buffer;
    buffer.shared = AcceptWord("shared");
    const FxToken& keyword = Next();
    if (keyword.text == "tbuffer") {
      Error(keyword.at, kFxErrorUnsupported, "tbuffer is not supported; declare a cbuffer");
      return;
    }
    FxToken name;
    if (!ExpectIdentifier(&name)) return;
    buffer.at = name.at;
    buffer.name = name.text;
    std::vector<FxToken> head(m_tokens.begin() + static_cast<long>(start) + (buffer.shared ? 1 : 0),
                              m_tokens.begin() + static_cast<long>(m_next));
    if (Accept(":")) {
      char registerClass = 0;
      std::size_t registerStart = m_next - 1;
      if (!ParseRegister(&registerClass, &buffer.registerIndex)) return;
      if (registerClass != 'b') {
        Error(name.at, kFxErrorType, "a constant buffer takes a b register");
        return;
      }
      head.insert(head.end(), m_tokens.begin() + static_cast<long>(registerStart),
                  m_tokens.begin() + static_cast<long>(m_next));
    }
    if (Peek().Is("<")) ParseAnnotations(&buffer.annotations);
    if (Failed() || !Expect("{")) return;
    head.push_back(m_tokens[m_next - 1]);
    m_syntax->hlsl.insert(m_syntax->hlsl.end(), head.begin(), head.end());
    int index = static_cast<int>(m_syntax->buffers.size());
    m_syntax->buffers.push_back(buffer);
    while (!Failed() && !Peek().Is("}")) {
      if (Accept(";")) continue;
      if (AtEnd()) {
        Unexpected();
        return;
      }
      ParseDeclaration(index);
    }
    if (Failed()) return;
    m_syntax->hlsl.push_back(Next());
    FxToken semicolon = m_tokens[m_next - 1];
    semicolon.text = ";";
    m_syntax->hlsl.push_back(semicolon);
    Accept(";");
  }

  // register: 'register' '(' [ profile ',' ] identifier ')'
  bool ParseRegister(char* registerClass, int* index) {
    if (!AcceptWord("register") || !Expect("(")) {
      if (!Failed()) Unexpected();
      return false;
    }
    FxToken reg;
    if (!ExpectIdentifier(&reg)) return false;
    if (Accept(",") && !ExpectIdentifier(&reg)) return false;
    if (!Expect(")")) return false;
    const std::string& text = reg.text;
    char* end = nullptr;
    long value = text.size() > 1 ? std::strtol(text.c_str() + 1, &end, 10) : -1;
    if (value < 0 || !end || *end || !std::strchr("bBtTsScC", text[0])) {
      Error(reg.at, kFxErrorSyntax, "invalid register '" + text + "'");
      return false;
    }
    *registerClass = static_cast<char>(std::tolower(text[0]));
    *index = static_cast<int>(value);
    return true;
  }

  // declaration: { attribute } modifiers type ( function | declarators )
  // attribute: '[' tokens ']'
  void ParseDeclaration(int buffer) {
    std::size_t start = m_next;
    while (Peek().Is("[")) {
      if (!SkipBalanced("[", "]")) return;
    }
    std::size_t attributesEnd = m_next;
    std::vector<FxToken> modifiers;
    uint32_t flags = ParseModifiers(&modifiers);
    std::size_t typeStart = m_next;
    FxTypeRef type;
    if (!ParseType(&type)) return;
    if (Peek().kind == FxTokenKind::kIdentifier && Peek(1).Is("(")) {
      if (buffer >= 0) {
        Error(Peek().at, kFxErrorSyntax, "functions cannot be declared inside a cbuffer");
        return;
      }
      ParseFunction(start, attributesEnd);
      return;
    }
    if (attributesEnd != start) {
      Error(m_tokens[start].at, kFxErrorSyntax, "attributes apply to functions only");
      return;
    }
    std::vector<FxToken> typeTokens(m_tokens.begin() + static_cast<long>(typeStart),
                                    m_tokens.begin() + static_cast<long>(m_next));
    ParseDeclarators(type, flags, modifiers, buffer, start, &typeTokens);
  }

  // declarators: declarator { ',' declarator } ';'
  // declarator: identifier array_dimensions { ':' ( semantic | register | packoffset ) }
  //             [ annotations ] [ '=' initializer | state_blocks ]
  void ParseDeclarators(const FxTypeRef& type, uint32_t flags, const std::vector<FxToken>& modifiers, int buffer,
                        std::size_t start, const std::vector<FxToken>* typeTokens = nullptr) {
    bool hlslOnly = (flags & kFxStatic) != 0;
    std::vector<FxDeclaration> declared;
    while (!Failed()) {
      FxDeclaration decl;
      decl.type = type;
      decl.modifiers = flags;
      decl.buffer = buffer;
      FxToken name;
      if (!ExpectIdentifier(&name)) return;
      decl.at = name.at;
      decl.name = name.text;
      decl.elements = ParseArrayDimensions(&decl.dimensions);
      while (!Failed() && Accept(":")) {
        if (Peek().IsIdentifier("register")) {
          ParseRegister(&decl.registerClass, &decl.registerIndex);
        } else if (AcceptWord("packoffset")) {
          ParsePackOffset(&decl);
        } else {
          FxToken semantic;
          if (!ExpectIdentifier(&semantic)) return;
          decl.semantic = semantic.text;
        }
      }
      if (Peek().Is("<")) ParseAnnotations(&decl.annotations);
      if (Failed()) return;
      if (hlslOnly) {
        // Static initializers are HLSL's to evaluate (they may call
        // intrinsics); a constant one is kept for array sizes and values.
        if (Accept("=")) {
          std::size_t begin = m_next;
          if (!SkipInitializer()) return;
          FxValue value;
          if ((flags & kFxConst) && decl.elements == 0 && QuietValue(begin, m_next, &value)) {
            m_constants[decl.name] = value;
          }
        }
        if (!Accept(",")) break;
        continue;
      }
      ParseValue(&decl);
      if (Failed()) return;
      if (decl.elements == kUnsized) {
        uint32_t components = type.kind == FxTypeRef::kObject ? 1 : FxComponentCount(*m_syntax, type);
        std::size_t count = type.kind == FxTypeRef::kObject ? decl.value.strings.size() + decl.shaders.size()
                                                            : decl.value.numbers.size();
        if (!decl.hasValue || count == 0 || count % components || decl.dimensions.size() != 1) {
          Error(decl.at, kFxErrorType, "the size of '" + decl.name + "' cannot be taken from its initializer");
          return;
        }
        decl.elements = static_cast<uint32_t>(count / components);
        decl.dimensions[0] = decl.elements;
      }
      if (!Check(decl)) return;
      if (typeTokens) EmitDeclaration(decl, modifiers, *typeTokens);
      declared.push_back(std::move(decl));
      if (!Accept(",")) break;
    }
    if (!Expect(";")) return;
    if (hlslOnly) {
      Emit(start, m_next);
      return;
    }
    for (FxDeclaration& decl : declared) m_syntax->globals.push_back(std::move(decl));
  }

  // Skips an initializer up to the ',' or ';' that ends it.
  bool SkipInitializer() {
    int depth = 0;
    while (!AtEnd()) {
      const FxToken& token = Peek();
      if (depth == 0 && (token.Is(",") || token.Is(";"))) return true;
      if (token.Is("(") || token.Is("[") || token.Is("{")) ++depth;
      if (token.Is(")") || token.Is("]") || token.Is("}")) --depth;
      Next();
    }
    Unexpected();
    return false;
  }

  // The value of tokens [begin, end) as a constant initializer, reporting
  // nothing when they are not one.
  bool QuietValue(std::size_t begin, std::size_t end, FxValue* value) {
    std::vector<FxToken> slice(m_tokens.begin() + static_cast<long>(begin), m_tokens.begin() + static_cast<long>(end));
    FxDiagnostics scratch;
    FxSyntax unused;
    Parser parser(slice, scratch, &unused);
    parser.m_constants = m_constants;
    parser.ParseInitializer(value);
    return !parser.Failed() && parser.AtEnd();
  }

  // What the effect language allows where.
  bool Check(const FxDeclaration& decl) {
    bool object = decl.type.kind == FxTypeRef::kObject;
    if (decl.type.kind == FxTypeRef::kNumeric && decl.type.base == D3D10_SVT_VOID) {
      Error(decl.at, kFxErrorType, "'" + decl.name + "': variables cannot be void");
      return false;
    }
    if (object && decl.buffer >= 0) {
      Error(decl.at, kFxErrorSyntax, "'" + decl.name + "': objects cannot be declared inside a cbuffer");
      return false;
    }
    if (!object && (decl.modifiers & kFxSharedModifier)) {
      Error(decl.at, kFxErrorUnsupported,
            "'" + decl.name + "': shared numeric variables belong in a shared cbuffer");
      return false;
    }
    if (object && (decl.type.base == D3D10_SVT_RENDERTARGETVIEW || decl.type.base == D3D10_SVT_DEPTHSTENCILVIEW)) {
      Error(decl.at, kFxErrorUnsupported, "'" + decl.name + "': " + decl.type.name + " variables are not supported");
      return false;
    }
    for (const FxDeclaration& other : m_syntax->globals) {
      if (other.name == decl.name) {
        Error(decl.at, kFxErrorRedefinition, "redefinition of '" + decl.name + "'");
        return false;
      }
    }
    return true;
  }

  // The declaration as the shader back end sees it: no semantic, packoffset,
  // annotation or initial value; samplers without their state blocks; state
  // objects, strings and shader variables not at all.
  void EmitDeclaration(const FxDeclaration& decl, const std::vector<FxToken>& modifiers,
                       const std::vector<FxToken>& typeTokens) {
    if (decl.type.kind == FxTypeRef::kObject && !IsResourceBase(decl.type.base) &&
        decl.type.base != D3D10_SVT_SAMPLER) {
      return;
    }
    std::vector<FxToken>& out = m_syntax->hlsl;
    FxToken token;
    token.at = decl.at;
    token.spaceBefore = true;
    if (decl.type.base == D3D10_SVT_SAMPLER && decl.elements) {
      if (decl.dimensions.size() > 1) {
        Error(decl.at, kFxErrorUnsupported, "'" + decl.name + "': sampler arrays have one dimension");
        return;
      }
      for (uint32_t e = 0; e < decl.elements; ++e) {
        FxDeclaration element = decl;
        element.name = FxSamplerElementName(decl.name, e);
        element.elements = 0;
        element.dimensions.clear();
        if (decl.registerIndex >= 0) element.registerIndex = decl.registerIndex + static_cast<int>(e);
        EmitDeclaration(element, modifiers, typeTokens);
      }
      return;
    }
    out.insert(out.end(), modifiers.begin(), modifiers.end());
    out.insert(out.end(), typeTokens.begin(), typeTokens.end());
    token.kind = FxTokenKind::kIdentifier;
    token.text = decl.name;
    out.push_back(token);
    auto punctuator = [&](const char* text) {
      token.kind = FxTokenKind::kPunctuator;
      token.text = text;
      out.push_back(token);
    };
    for (uint32_t dimension : decl.dimensions) {
      punctuator("[");
      token.kind = FxTokenKind::kNumber;
      token.text = std::to_string(dimension);
      out.push_back(token);
      punctuator("]");
    }
    if (decl.type.kind == FxTypeRef::kObject && decl.registerIndex >= 0) {
      punctuator(":");
      token.kind = FxTokenKind::kIdentifier;
      token.text = "register";
      out.push_back(token);
      punctuator("(");
      token.kind = FxTokenKind::kIdentifier;
      token.text = std::string(1, decl.registerClass) + std::to_string(decl.registerIndex);
      out.push_back(token);
      punctuator(")");
    }
    // A non-static constant keeps its value: the back end folds it.
    if ((decl.modifiers & kFxConst) && decl.hasValue) {
      bool list = decl.value.numbers.size() > 1;
      punctuator("=");
      if (list) punctuator("{");
      for (std::size_t i = 0; i < decl.value.numbers.size(); ++i) {
        if (i) punctuator(",");
        token.kind = FxTokenKind::kNumber;
        char text[64];
        std::snprintf(text, sizeof(text), "%.9g", decl.value.numbers[i]);
        token.text = text;
        if (token.text.find_first_of(".eE") == std::string::npos && decl.type.base == D3D10_SVT_FLOAT) {
          token.text += ".0";
        }
        out.push_back(token);
      }
      if (list) punctuator("}");
    }
    punctuator(";");
  }

  static bool IsResourceBase(uint32_t base) {
    return base != D3D10_SVT_SAMPLER && base != D3D10_SVT_BLEND && base != D3D10_SVT_DEPTHSTENCIL &&
           base != D3D10_SVT_RASTERIZER && base != D3D10_SVT_VERTEXSHADER && base != D3D10_SVT_GEOMETRYSHADER &&
           base != D3D10_SVT_PIXELSHADER && base != D3D10_SVT_STRING;
  }

  // packoffset: 'packoffset' '(' register [ '.' component ] ')'
  void ParsePackOffset(FxDeclaration* decl) {
    FxToken reg, component;
    if (!Expect("(") || !ExpectIdentifier(&reg)) return;
    int offset = -1;
    if (reg.text.size() > 1 && (reg.text[0] == 'c' || reg.text[0] == 'C')) {
      char* end = nullptr;
      long value = std::strtol(reg.text.c_str() + 1, &end, 10);
      if (*end == '\0' && value >= 0 && value < 4096) offset = static_cast<int>(value) * 4;
    }
    if (offset < 0) {
      Error(reg.at, kFxErrorSyntax, "invalid packoffset register '" + reg.text + "'");
      return;
    }
    if (Accept(".")) {
      if (!ExpectIdentifier(&component)) return;
      const char* components = "xyzw";
      const char* found = component.text.size() == 1 ? std::strchr(components, component.text[0]) : nullptr;
      if (!found || !*found) {
        Error(component.at, kFxErrorSyntax, "invalid packoffset component '" + component.text + "'");
        return;
      }
      offset += static_cast<int>(found - components);
    }
    decl->packOffset = offset;
    Expect(")");
  }

  // value: [ '=' ] state_blocks (state objects) | '=' shader_initializer (shader variables)
  //      | '=' initializer (numbers and strings)
  void ParseValue(FxDeclaration* decl) {
    const FxTypeRef& type = decl->type;
    uint32_t count = decl->elements == kUnsized ? 0 : (decl->elements ? decl->elements : 1);
    if (type.kind == FxTypeRef::kObject) {
      FxStateObject object;
      if (StateObjectOf(type.base, &object)) {
        if (Peek().Is("=")) Next();
        decl->states.assign(count, {});
        if (!Peek().Is("{")) return;
        if (decl->elements == 0) {
          ParseStateBlock(object, &decl->states[0]);
          return;
        }
        Expect("{");
        for (uint32_t e = 0; e < count && !Failed(); ++e) {
          ParseStateBlock(object, &decl->states[e]);
          if (e + 1 < count) Expect(",");
        }
        Accept(",");
        Expect("}");
        return;
      }
      if (FxIsShaderTypeBase(type.base)) {
        decl->shaders.assign(count, {});
        if (!Accept("=")) return;
        decl->hasValue = true;
        if (decl->elements == 0) {
          ParseShaderExpression(&decl->shaders[0]);
          return;
        }
        Expect("{");
        decl->shaders.clear();
        while (!Failed() && !Accept("}")) {
          decl->shaders.emplace_back();
          ParseShaderExpression(&decl->shaders.back());
          if (!Accept(",")) {
            Expect("}");
            break;
          }
        }
        return;
      }
    }
    if (!Accept("=")) return;
    decl->hasValue = true;
    ParseInitializer(&decl->value);
    if (Failed()) return;
    bool strings = type.kind == FxTypeRef::kObject && type.base == D3D10_SVT_STRING;
    if (type.kind == FxTypeRef::kObject && !strings) {
      Error(decl->at, kFxErrorType, "'" + decl->name + "' cannot be initialized");
    } else if (strings != decl->value.numbers.empty() || (!strings && !decl->value.strings.empty())) {
      Error(decl->at, kFxErrorType, "initializer of '" + decl->name + "' does not match its type");
    }
  }

  static bool FxIsShaderTypeBase(uint32_t base) {
    return base == D3D10_SVT_VERTEXSHADER || base == D3D10_SVT_GEOMETRYSHADER || base == D3D10_SVT_PIXELSHADER;
  }

  static bool StateObjectOf(uint32_t base, FxStateObject* object) {
    switch (base) {
      case D3D10_SVT_BLEND: *object = FxStateObject::kBlend; return true;
      case D3D10_SVT_DEPTHSTENCIL: *object = FxStateObject::kDepthStencil; return true;
      case D3D10_SVT_RASTERIZER: *object = FxStateObject::kRasterizer; return true;
      case D3D10_SVT_SAMPLER: *object = FxStateObject::kSampler; return true;
      default: return false;
    }
  }

  // state_block: '{' { identifier [ '[' constant ']' ] '=' state_value ';' } '}'
  void ParseStateBlock(FxStateObject object, std::vector<FxStateAssignment>* assignments) {
    if (!Expect("{")) return;
    while (!Failed() && !Accept("}")) {
      FxToken name;
      if (!ExpectIdentifier(&name)) return;
      FxStateAssignment assignment;
      assignment.at = name.at;
      assignment.field = FxFindStateField(object, name.text.c_str());
      if (!assignment.field) {
        Error(name.at, kFxErrorUnknownState, "unrecognized state '" + name.text + "'");
        return;
      }
      if (Accept("[")) {
        assignment.index = ConstantInteger();
        if (!Expect("]")) return;
        if (assignment.index >= assignment.field->elements) {
          Error(name.at, kFxErrorUnknownState,
                "index " + std::to_string(assignment.index) + " is out of range for state '" + name.text + "'");
          return;
        }
      }
      if (!Expect("=")) return;
      ParseStateValue(&assignment);
      if (!Expect(";")) return;
      assignments->push_back(assignment);
    }
  }

  // state_value: identifier naming one of the field's values | expression
  void ParseStateValue(FxStateAssignment* assignment) {
    const FxStateField& field = *assignment->field;
    const FxToken& token = Peek();
    FxLocation at = token.at;
    if (token.kind == FxTokenKind::kIdentifier && field.names && (Peek(1).Is(";"))) {
      uint32_t value = 0;
      if (!FxFindStateName(field, token.text.c_str(), &value)) {
        Error(token.at, kFxErrorUnknownStateValue,
              "unrecognized value '" + token.text + "' for state '" + field.name + "'");
        return;
      }
      Next();
      assignment->values[0] = value;
      return;
    }
    FxValue value;
    if (!ParseExpression(&value, &field)) return;
    std::size_t wanted = field.kind == FxStateValue::kFloat4 ? 4 : 1;
    if (value.numbers.size() != wanted) {
      Error(at, kFxErrorUnknownStateValue, std::string("state '") + field.name + "' takes " +
                                               (wanted == 4 ? "four numbers" : "one value"));
      return;
    }
    for (std::size_t i = 0; i < wanted; ++i) assignment->values[i] = value.numbers[i];
    if (field.kind == FxStateValue::kEnum && !FxStateNameOf(field, static_cast<uint32_t>(value.numbers[0]))) {
      Error(at, kFxErrorUnknownStateValue, "value is not valid for state '" + std::string(field.name) + "'");
    }
  }

  // annotations: '<' { annotation } '>'
  // annotation: type identifier array_dimensions '=' initializer ';'
  void ParseAnnotations(std::vector<FxAnnotationSyntax>* annotations) {
    Next();  // '<'
    while (!Failed() && !Accept(">")) {
      FxAnnotationSyntax annotation;
      if (!ParseType(&annotation.type)) return;
      if (annotation.type.kind == FxTypeRef::kStruct ||
          (annotation.type.kind == FxTypeRef::kObject && annotation.type.base != D3D10_SVT_STRING)) {
        Error(Peek().at, kFxErrorType, "annotations hold numbers and strings only");
        return;
      }
      FxToken name;
      if (!ExpectIdentifier(&name)) return;
      annotation.at = name.at;
      annotation.name = name.text;
      annotation.elements = ParseArrayDimensions();
      if (!Expect("=")) return;
      ParseInitializer(&annotation.value);
      if (!Expect(";")) return;
      bool strings = annotation.type.kind == FxTypeRef::kObject;
      uint32_t components = strings ? 1 : annotation.type.rows * annotation.type.columns;
      std::size_t count = strings ? annotation.value.strings.size() : annotation.value.numbers.size();
      if (annotation.elements == kUnsized && count % components == 0) {
        annotation.elements = static_cast<uint32_t>(count / components);
      }
      std::size_t elements = annotation.elements ? annotation.elements : 1;
      if (count != components * elements || (strings ? !annotation.value.numbers.empty() : !annotation.value.strings.empty())) {
        Error(name.at, kFxErrorType, "value of annotation '" + name.text + "' does not match its type");
        return;
      }
      annotations->push_back(std::move(annotation));
    }
  }

  // initializer: '{' [ initializer { ',' initializer } [ ',' ] ] '}' | expression
  void ParseInitializer(FxValue* value) {
    if (!Accept("{")) {
      FxValue part;
      if (!ParseExpression(&part, nullptr)) return;
      value->numbers.insert(value->numbers.end(), part.numbers.begin(), part.numbers.end());
      value->strings.insert(value->strings.end(), part.strings.begin(), part.strings.end());
      return;
    }
    while (!Failed() && !Accept("}")) {
      ParseInitializer(value);
      if (!Accept(",")) {
        Expect("}");
        return;
      }
    }
  }

  // expression: multiplicative { ( '+' | '-' ) multiplicative }
  bool ParseExpression(FxValue* value, const FxStateField* field) {
    if (!ParseMultiplicative(value, field)) return false;
    while (Peek().Is("+") || Peek().Is("-")) {
      bool add = Next().Is("+");
      FxValue right;
      if (!ParseMultiplicative(&right, field) || !Combine(value, right, add ? '+' : '-')) return false;
    }
    return true;
  }

  // multiplicative: unary { ( '*' | '/' ) unary }
  bool ParseMultiplicative(FxValue* value, const FxStateField* field) {
    if (!ParseUnary(value, field)) return false;
    while (Peek().Is("*") || Peek().Is("/")) {
      char op = Next().text[0];
      FxValue right;
      if (!ParseUnary(&right, field) || !Combine(value, right, op)) return false;
    }
    return true;
  }

  bool Combine(FxValue* left, const FxValue& right, char op) {
    std::size_t n = std::max(left->numbers.size(), right.numbers.size());
    if (!left->strings.empty() || !right.strings.empty() || left->numbers.empty() || right.numbers.empty() ||
        (left->numbers.size() != n && left->numbers.size() != 1) ||
        (right.numbers.size() != n && right.numbers.size() != 1)) {
      Error(Peek().at, kFxErrorType, "operands do not match");
      return false;
    }
    std::vector<double> result(n);
    for (std::size_t i = 0; i < n; ++i) {
      double a = left->numbers[left->numbers.size() == 1 ? 0 : i];
      double b = right.numbers[right.numbers.size() == 1 ? 0 : i];
      switch (op) {
        case '+': result[i] = a + b; break;
        case '-': result[i] = a - b; break;
        case '*': result[i] = a * b; break;
        default:
          if (b == 0) {
            Error(Peek().at, kFxErrorType, "division by zero");
            return false;
          }
          result[i] = a / b;
          break;
      }
    }
    left->numbers = std::move(result);
    return true;
  }

  // unary: ( '-' | '+' | '!' ) unary | primary
  // primary: number | string | '(' expression ')' | numeric_type '(' expression { ',' expression } ')'
  //        | identifier
  bool ParseUnary(FxValue* value, const FxStateField* field) {
    if (Peek().Is("-") || Peek().Is("!")) {
      bool negate = Next().Is("-");
      if (!ParseUnary(value, field)) return false;
      for (double& number : value->numbers) number = negate ? -number : (number == 0 ? 1 : 0);
      return true;
    }
    if (Accept("+")) return ParseUnary(value, field);
    const FxToken& token = Peek();
    if (Accept("(")) return ParseExpression(value, field) && Expect(")");
    if (token.kind == FxTokenKind::kNumber) {
      Next();
      return ParseNumber(token, value);
    }
    if (token.kind == FxTokenKind::kString) {
      Next();
      value->strings.push_back(FxStringValue(token));
      return true;
    }
    if (token.kind != FxTokenKind::kIdentifier) {
      Unexpected();
      return false;
    }
    Next();
    FxTypeRef constructor;
    if (Peek().Is("(") && (MatchNumeric(token.text, &constructor) || token.text == "vector" || token.text == "matrix")) {
      Next();
      while (!Failed()) {
        FxValue part;
        if (!ParseExpression(&part, field)) return false;
        value->numbers.insert(value->numbers.end(), part.numbers.begin(), part.numbers.end());
        if (!Accept(",")) break;
      }
      if (!Expect(")")) return false;
      uint32_t wanted = constructor.rows * constructor.columns;
      if (token.text != "vector" && token.text != "matrix" && value->numbers.size() != wanted) {
        if (value->numbers.size() == 1) {
          value->numbers.assign(wanted, value->numbers[0]);
        } else {
          Error(token.at, kFxErrorArguments, "wrong number of arguments to '" + token.text + "'");
          return false;
        }
      }
      return true;
    }
    uint32_t named = 0;
    if (field && FxFindStateName(*field, token.text.c_str(), &named)) {
      value->numbers.push_back(named);
      return true;
    }
    if (token.text == "true" || token.text == "TRUE" || token.text == "false" || token.text == "FALSE") {
      value->numbers.push_back(token.text == "true" || token.text == "TRUE" ? 1 : 0);
      return true;
    }
    auto constant = m_constants.find(token.text);
    if (constant != m_constants.end()) {
      *value = constant->second;
      return true;
    }
    if (field) {
      Error(token.at, kFxErrorUnknownStateValue,
            "unrecognized value '" + token.text + "' for state '" + field->name + "'");
    } else {
      Error(token.at, kFxErrorUndeclared, "undeclared identifier '" + token.text + "'");
    }
    return false;
  }

  bool ParseNumber(const FxToken& token, FxValue* value) {
    std::string text = token.text;
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    while (!text.empty() && std::strchr(hex ? "uUlL" : "fFhHlLuU", text.back())) text.pop_back();
    char* end = nullptr;
    double number = 0;
    if (hex) {
      number = static_cast<double>(std::strtoull(text.c_str(), &end, 16));
    } else if (text.find_first_of(".eE") != std::string::npos) {
      number = std::strtod(text.c_str(), &end);
    } else {
      // C-style octal would surprise: effect numbers are decimal.
      number = static_cast<double>(std::strtoull(text.c_str(), &end, 10));
    }
    if (text.empty() || *end) {
      Error(token.at, kFxErrorSyntax, "invalid number '" + token.text + "'");
      return false;
    }
    value->numbers.push_back(number);
    return true;
  }

  // shader_expression: 'NULL' | 'CompileShader' '(' profile ',' identifier '(' [ arguments ] ')' ')'
  //                  | identifier [ '[' constant ']' ]
  void ParseShaderExpression(FxShaderExpression* shader) {
    shader->at = Peek().at;
    if (AcceptWord("NULL")) {
      shader->kind = FxShaderExpression::kNull;
      return;
    }
    if (Peek().IsIdentifier("ConstructGSWithSO")) {
      Error(Peek().at, kFxErrorUnsupported, "stream output (ConstructGSWithSO) is not supported");
      return;
    }
    if (AcceptWord("CompileShader")) {
      FxToken profile, entry;
      if (!Expect("(") || !ExpectIdentifier(&profile) || !Expect(",") || !ExpectIdentifier(&entry) || !Expect("(")) {
        return;
      }
      shader->kind = FxShaderExpression::kCompile;
      shader->profile = profile.text;
      shader->entry = entry.text;
      shader->at = entry.at;
      if (!Accept(")")) {
        shader->arguments.emplace_back();
        int depth = 0;
        while (true) {
          if (AtEnd()) {
            Unexpected();
            return;
          }
          const FxToken& token = Next();
          if (token.Is("(")) ++depth;
          if (token.Is(")") && depth-- == 0) break;
          if (token.Is(",") && depth == 0) {
            shader->arguments.emplace_back();
            continue;
          }
          shader->arguments.back().push_back(token);
        }
      }
      Expect(")");
      return;
    }
    FxToken name;
    if (!ExpectIdentifier(&name)) return;
    shader->kind = FxShaderExpression::kVariable;
    shader->variable = name.text;
    if (Accept("[")) {
      shader->element = ConstantInteger();
      Expect("]");
    }
  }

  // function: identifier '(' [ parameter { ',' parameter } ] ')' [ ':' semantic ] ( ';' | '{' tokens '}' )
  void ParseFunction(std::size_t start, std::size_t attributesEnd) {
    FxFunctionSyntax function;
    function.attributes.assign(m_tokens.begin() + static_cast<long>(start),
                               m_tokens.begin() + static_cast<long>(attributesEnd));
    function.returnType.assign(m_tokens.begin() + static_cast<long>(attributesEnd), m_tokens.begin() + static_cast<long>(m_next));
    const FxToken& name = Next();
    function.at = name.at;
    function.name = name.text;
    Next();  // '('
    if (!Accept(")")) {
      function.parameters.emplace_back();
      int depth = 0;
      while (true) {
        if (AtEnd()) {
          Unexpected();
          return;
        }
        const FxToken& token = Next();
        if (token.Is("(") || token.Is("[") || token.Is("<")) ++depth;
        if (token.Is(")") && depth == 0) break;
        if (token.Is(")") || token.Is("]") || token.Is(">")) --depth;
        if (token.Is(",") && depth == 0) {
          function.parameters.emplace_back();
          continue;
        }
        function.parameters.back().tokens.push_back(token);
      }
      for (FxParameterSyntax& parameter : function.parameters) {
        if (parameter.tokens.empty()) {
          Error(name.at, kFxErrorSyntax, "syntax error: empty parameter in '" + name.text + "'");
          return;
        }
        if (!CheckParameter(parameter)) return;
        int level = 0;
        for (std::size_t i = 0; i < parameter.tokens.size(); ++i) {
          const FxToken& token = parameter.tokens[i];
          if (token.IsIdentifier("uniform")) parameter.uniform = true;
          if (token.Is("<")) ++level;
          if (token.Is(">")) --level;
          if (level == 0 && (token.Is("[") || token.Is(":") || token.Is("="))) break;
          if (token.kind == FxTokenKind::kIdentifier) parameter.name = token.text;
        }
      }
    }
    if (Accept(":")) {
      function.returnSemantic.push_back(m_tokens[m_next - 1]);
      FxToken semantic;
      if (!ExpectIdentifier(&semantic)) return;
      function.returnSemantic.push_back(semantic);
    }
    if (!Accept(";")) {
      if (!Peek().Is("{")) {
        Unexpected();
        return;
      }
      if (!SkipBalanced("{", "}")) return;
      m_syntax->functions.push_back(std::move(function));
    }
    Emit(start, m_next);
  }

  // What a parameter may hold before the HLSL compiler sees it: array sizes
  // of numbers, names and arithmetic, no statement punctuation.
  bool CheckParameter(const FxParameterSyntax& parameter) {
    static const char* const kArithmetic[] = {"+", "-", "*", "/", "%", "(", ")", "<<", ">>"};
    int brackets = 0;
    for (const FxToken& token : parameter.tokens) {
      bool bad = token.Is(";") || token.Is("{") || token.Is("}");
      if (token.Is("[")) {
        ++brackets;
      } else if (token.Is("]")) {
        --brackets;
      } else if (brackets > 0 && token.kind == FxTokenKind::kPunctuator) {
        bad = std::none_of(std::begin(kArithmetic), std::end(kArithmetic), [&](const char* op) { return token.Is(op); });
      } else if (brackets > 0 && token.kind == FxTokenKind::kString) {
        bad = true;
      }
      if (bad) {
        Error(token.at, kFxErrorSyntax, "syntax error: unexpected token '" + token.text + "'");
        return false;
      }
    }
    return true;
  }

  // technique: ( 'technique10' | 'technique' ) [ identifier ] [ annotations ] '{' { pass } '}' [ ';' ]
  void ParseTechnique() {
    FxTechniqueSyntax technique;
    technique.at = Next().at;
    if (Peek().kind == FxTokenKind::kIdentifier) technique.name = Next().text;
    if (Peek().Is("<")) ParseAnnotations(&technique.annotations);
    if (Failed() || !Expect("{")) return;
    while (!Failed() && !Accept("}")) {
      if (!Peek().IsIdentifier("pass")) {
        Unexpected();
        return;
      }
      ParsePass(&technique);
    }
    Accept(";");
    for (const FxTechniqueSyntax& other : m_syntax->techniques) {
      if (!technique.name.empty() && other.name == technique.name) {
        Error(technique.at, kFxErrorRedefinition, "redefinition of technique '" + technique.name + "'");
        return;
      }
    }
    m_syntax->techniques.push_back(std::move(technique));
  }

  // pass: 'pass' [ identifier ] [ annotations ] '{' { pass_statement } '}' [ ';' ]
  // pass_statement: identifier '(' arguments ')' ';'
  void ParsePass(FxTechniqueSyntax* technique) {
    FxPassSyntax pass;
    pass.at = Next().at;
    if (Peek().kind == FxTokenKind::kIdentifier) pass.name = Next().text;
    if (Peek().Is("<")) ParseAnnotations(&pass.annotations);
    if (Failed() || !Expect("{")) return;
    while (!Failed() && !Accept("}")) {
      FxToken name;
      if (!ExpectIdentifier(&name) || !Expect("(")) return;
      const std::string& call = name.text;
      if (call == "SetVertexShader" || call == "SetGeometryShader" || call == "SetPixelShader") {
        int stage = call == "SetVertexShader" ? 0 : call == "SetGeometryShader" ? 1 : 2;
        pass.shaders[stage] = FxShaderExpression();
        ParseShaderExpression(&pass.shaders[stage]);
      } else if (call == "SetBlendState") {
        FxValue factor, mask;
        ParseStateReference(&pass.blend);
        if (!Expect(",") || !ParseVector(&factor, 4) || !Expect(",") || !ParseVector(&mask, 1)) return;
        for (int i = 0; i < 4; ++i) pass.blendFactor[i] = factor.numbers[static_cast<std::size_t>(i)];
        pass.sampleMask = static_cast<uint32_t>(mask.numbers[0]);
      } else if (call == "SetDepthStencilState") {
        FxValue reference;
        ParseStateReference(&pass.depthStencil);
        if (!Expect(",") || !ParseVector(&reference, 1)) return;
        pass.stencilRef = static_cast<uint32_t>(reference.numbers[0]);
      } else if (call == "SetRasterizerState") {
        ParseStateReference(&pass.rasterizer);
      } else {
        Error(name.at, kFxErrorUnknownState, "unrecognized pass state '" + call + "'");
        return;
      }
      if (!Expect(")") || !Expect(";")) return;
    }
    Accept(";");
    technique->passes.push_back(std::move(pass));
  }

  bool ParseVector(FxValue* value, std::size_t size) {
    FxLocation at = Peek().at;
    if (!ParseExpression(value, nullptr)) return false;
    if (value->numbers.size() != size) {
      Error(at, kFxErrorType, size == 1 ? "expected a number" : "expected " + std::to_string(size) + " numbers");
      return false;
    }
    return true;
  }

  // state_reference: 'NULL' | identifier [ '[' constant ']' ]
  void ParseStateReference(FxStateReference* reference) {
    reference->at = Peek().at;
    if (AcceptWord("NULL")) {
      reference->kind = FxStateReference::kNull;
      return;
    }
    FxToken name;
    if (!ExpectIdentifier(&name)) return;
    reference->kind = FxStateReference::kVariable;
    reference->variable = name.text;
    if (Accept("[")) {
      reference->element = ConstantInteger();
      Expect("]");
    }
  }

  static constexpr uint32_t kUnsized = 0xFFFFFFFFu;
  static constexpr uint32_t kMaxElements = 65536;

  const std::vector<FxToken>& m_tokens;
  FxDiagnostics& m_diagnostics;
  FxSyntax* m_syntax;
  FxToken m_end;
  std::size_t m_next = 0;
  bool m_failed = false;
  std::map<std::string, FxTypeRef> m_typedefs;
  std::map<std::string, FxValue> m_constants;  // static const scalars and vectors
};

}  // namespace

std::string FxSamplerElementName(const std::string& name, uint32_t element) {
  return "fx_" + name + "_" + std::to_string(element);
}

uint32_t FxComponentCount(const FxSyntax& syntax, const FxTypeRef& type) {
  if (type.kind == FxTypeRef::kNumeric) return type.rows * type.columns;
  if (type.kind == FxTypeRef::kObject) return 0;
  uint32_t count = 0;
  for (const FxDeclaration& member : syntax.structs[static_cast<std::size_t>(type.structIndex)].members) {
    count += FxComponentCount(syntax, member.type) * (member.elements ? member.elements : 1);
  }
  return count;
}

bool FxParse(const std::vector<FxToken>& tokens, FxDiagnostics& diagnostics, FxSyntax* syntax) {
  return Parser(tokens, diagnostics, syntax).Run();
}
