#include "fx/fx_compiler.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <map>
#include <new>

#include "fx/fx_backend.h"
#include "fx/fx_layout.h"
#include "fx/fx_parser.h"
#include "fx/fx_states.h"

namespace {

struct Profile {
  const char* name;
  uint32_t stage;
};
const Profile kProfiles[] = {{"vs_4_0", kFxVertex},   {"vs_4_1", kFxVertex}, {"gs_4_0", kFxGeometry},
                             {"gs_4_1", kFxGeometry}, {"ps_4_0", kFxPixel},  {"ps_4_1", kFxPixel}};
const char* const kStageNames[] = {"vertex shader", "geometry shader", "pixel shader"};
// What the runtime takes: object arrays and annotation values of these sizes.
constexpr uint32_t kMaxObjectElements = 4096;
constexpr uint32_t kMaxAnnotationSize = 4096 * 16;

std::string Spell(const std::vector<FxToken>& tokens) {
  std::string text;
  for (const FxToken& token : tokens) {
    if (!text.empty()) text += ' ';
    text += token.text;
  }
  return text;
}

// The HLSL text of the tokens, each at its line and column, with #line
// directives naming files by their index.
std::string WriteHlsl(const std::vector<FxToken>& tokens) {
  std::string out;
  uint32_t file = kFxNone, line = 0, column = 1;
  for (const FxToken& token : tokens) {
    if (token.at.file != file || token.at.line < line || token.at.line > line + 8) {
      if (!out.empty()) out += '\n';
      out += "#line " + std::to_string(token.at.line) + " \"" + std::to_string(token.at.file) + "\"\n";
      file = token.at.file;
      line = token.at.line;
      column = 1;
    }
    while (line < token.at.line) {
      out += '\n';
      ++line;
      column = 1;
    }
    if (column < token.at.column) {
      out.append(token.at.column - column, ' ');
      column = token.at.column;
    } else if (column > 1) {
      out += ' ';
      ++column;
    }
    out += token.text;
    column += static_cast<uint32_t>(token.text.size());
  }
  out += '\n';
  return out;
}

class Compiler {
 public:
  Compiler(const FxCompileOptions& options, FxDiagnostics& diagnostics, FxEffectObject* object)
      : m_options(options), m_diagnostics(diagnostics), m_object(object), m_types(m_syntax, &object->types) {}

  bool Run(const std::string& source) {
    std::vector<FxToken> tokens;
    if (!FxPreprocess(source, m_options.sourceName, m_options.defines, m_options.includes, m_diagnostics, &tokens)) {
      return false;
    }
    if (!FxParse(tokens, m_diagnostics, &m_syntax)) return false;
    m_object->flags = m_options.child ? kFxObjectChild : 0;
    BuildBuffers();
    if (!Failed()) BuildObjects();
    if (!Failed()) CollectShaders();
    if (!Failed()) CompileShaders();
    if (!Failed()) BuildTechniques();
    if (Failed()) return false;
    std::string error;
    if (!FxValidateObject(*m_object, &error)) {
      m_diagnostics.Error({}, kFxErrorInternal, "the compiled effect is inconsistent: " + error);
      return false;
    }
    return true;
  }

 private:
  bool Failed() const { return m_diagnostics.HasErrors(); }

  std::vector<FxAnnotation> Annotations(const std::vector<FxAnnotationSyntax>& syntax) {
    std::vector<FxAnnotation> annotations;
    for (const FxAnnotationSyntax& a : syntax) {
      FxAnnotation annotation;
      annotation.name = a.name;
      annotation.type = m_types.Add(a.type, a.elements, 0);
      if (m_object->types[annotation.type].unpackedSize > kMaxAnnotationSize) {
        m_diagnostics.Error(a.at, kFxErrorLimit, "annotation '" + a.name + "' is too large");
        return annotations;
      }
      annotation.strings = a.value.strings;
      uint32_t base = m_object->types[annotation.type].baseType;
      for (double number : a.value.numbers) {
        uint32_t bits = FxEncodeComponent(base, number);
        for (int i = 0; i < 4; ++i) annotation.value.push_back(static_cast<uint8_t>(bits >> (8 * i)));
      }
      annotations.push_back(std::move(annotation));
    }
    return annotations;
  }

  // Constant buffers: $Globals first (when it has variables), then the
  // cbuffers in declaration order.
  void BuildBuffers() {
    std::vector<int> bufferOf(m_syntax.buffers.size() + 1, -1);
    bool globals = std::any_of(m_syntax.globals.begin(), m_syntax.globals.end(), [](const FxDeclaration& d) {
      return d.type.kind != FxTypeRef::kObject && d.buffer < 0;
    });
    if (globals) {
      FxBuffer buffer;
      buffer.name = "$Globals";
      bufferOf[0] = static_cast<int>(m_object->buffers.size());
      m_object->buffers.push_back(buffer);
    }
    for (std::size_t i = 0; i < m_syntax.buffers.size(); ++i) {
      const FxBufferSyntax& syntax = m_syntax.buffers[i];
      FxBuffer buffer;
      buffer.name = syntax.name;
      buffer.flags = syntax.shared ? kFxShared : 0;
      if (syntax.registerIndex >= 0) {
        buffer.flags |= kFxExplicitBindPoint;
        buffer.bindPoint = static_cast<uint32_t>(syntax.registerIndex);
        if (buffer.bindPoint >= D3D10_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT) {
          m_diagnostics.Error(syntax.at, kFxErrorLimit, "register b" + std::to_string(buffer.bindPoint) + " does not exist");
        }
      }
      buffer.annotations = Annotations(syntax.annotations);
      bufferOf[i + 1] = static_cast<int>(m_object->buffers.size());
      m_object->buffers.push_back(std::move(buffer));
    }
    std::vector<std::vector<const FxDeclaration*>> members(m_object->buffers.size());
    for (const FxDeclaration& decl : m_syntax.globals) {
      if (decl.type.kind == FxTypeRef::kObject) continue;
      members[static_cast<std::size_t>(bufferOf[static_cast<std::size_t>(decl.buffer + 1)])].push_back(&decl);
    }
    for (std::size_t b = 0; b < m_object->buffers.size() && !Failed(); ++b) Layout(&m_object->buffers[b], members[b]);
  }

  void Layout(FxBuffer* buffer, const std::vector<const FxDeclaration*>& members) {
    uint32_t cursor = 0;
    for (const FxDeclaration* decl : members) {
      FxVariable variable;
      variable.name = decl->name;
      variable.semantic = decl->semantic;
      variable.type = m_types.Add(decl->type, decl->elements, decl->modifiers);
      variable.flags = buffer->flags & kFxShared;
      variable.annotations = Annotations(decl->annotations);
      const FxType& type = m_object->types[variable.type];
      // register(cN) places a variable like packoffset(cN).
      int packOffset = decl->packOffset >= 0 ? decl->packOffset : decl->registerClass == 'c' ? decl->registerIndex * 4 : -1;
      if (decl->registerIndex >= 0 && decl->registerClass != 'c') {
        m_diagnostics.Error(decl->at, kFxErrorType, "register of '" + decl->name + "' is of the wrong class");
        return;
      }
      if (packOffset >= 0) {
        variable.offset = static_cast<uint32_t>(packOffset) * 4;
        if (variable.offset != FxPlaceHlsl(type, variable.offset)) {
          m_diagnostics.Error(decl->at, kFxErrorType, "packoffset of '" + decl->name + "' breaks the packing rules");
          return;
        }
      } else {
        variable.offset = FxPlaceHlsl(type, cursor);
      }
      for (const FxVariable& other : buffer->variables) {
        uint32_t otherEnd = other.offset + m_object->types[other.type].unpackedSize;
        if (variable.offset < otherEnd && other.offset < variable.offset + type.unpackedSize) {
          m_diagnostics.Error(decl->at, kFxErrorType, "'" + decl->name + "' overlaps '" + other.name + "'");
          return;
        }
      }
      cursor = std::max(cursor, variable.offset + type.unpackedSize);
      buffer->variables.push_back(std::move(variable));
    }
    // A constant buffer is whole registers, and never empty.
    buffer->size = std::max<uint32_t>(16, (cursor + 15) / 16 * 16);
    if (buffer->size > D3D10_REQ_CONSTANT_BUFFER_ELEMENT_COUNT * 16) {
      m_diagnostics.Error(members.empty() ? FxLocation() : members.front()->at, kFxErrorLimit,
                          "constant buffer '" + buffer->name + "' is larger than 4096 registers");
      return;
    }
    buffer->initial.assign(buffer->size, 0);
    std::vector<uint32_t> glOffsets = FxGlBufferOffsets(m_object->types, *buffer, &buffer->glSize);
    buffer->glSize = std::max<uint32_t>(16, buffer->glSize);
    for (std::size_t i = 0; i < members.size(); ++i) {
      const FxVariable& variable = buffer->variables[i];
      FxAppendCopyRuns(m_object->types, variable.type, variable.offset, glOffsets[i], &buffer->runs);
      const FxDeclaration& decl = *members[i];
      if (!decl.hasValue) continue;
      uint32_t wanted = FxValueCount(m_object->types, variable.type);
      std::size_t next = 0;
      if (decl.value.numbers.size() != wanted ||
          !FxWriteValues(m_object->types, variable.type, decl.value.numbers, &next, &buffer->initial[variable.offset])) {
        m_diagnostics.Error(decl.at, kFxErrorType,
                            "initializer of '" + decl.name + "' has " + std::to_string(decl.value.numbers.size()) +
                                " values where its type holds " + std::to_string(wanted));
        return;
      }
    }
  }

  void BuildObjects() {
    for (const FxDeclaration& decl : m_syntax.globals) {
      if (decl.type.kind != FxTypeRef::kObject) continue;
      FxObject object;
      object.name = decl.name;
      object.semantic = decl.semantic;
      object.type = m_types.Add(decl.type, decl.elements, decl.modifiers);
      object.flags = (decl.modifiers & kFxSharedModifier) ? kFxShared : 0;
      object.annotations = Annotations(decl.annotations);
      uint32_t base = decl.type.base;
      uint32_t count = FxElementCount(m_object->types[object.type]);
      if (count > kMaxObjectElements) {
        m_diagnostics.Error(decl.at, kFxErrorLimit, "'" + decl.name + "' has more than " +
                                                        std::to_string(kMaxObjectElements) + " elements");
        return;
      }
      if (decl.registerIndex >= 0) {
        char expected = base == D3D10_SVT_SAMPLER ? 's' : FxIsResourceType(base) ? 't' : 0;
        if (decl.registerClass != expected) {
          m_diagnostics.Error(decl.at, kFxErrorType, "register of '" + decl.name + "' is of the wrong class");
          return;
        }
        object.flags |= kFxExplicitBindPoint;
        object.bindPoint = static_cast<uint32_t>(decl.registerIndex);
      }
      for (uint32_t e = 0; e < count && !decl.states.empty(); ++e) {
        const std::vector<FxStateAssignment>& states = decl.states[e];
        switch (base) {
          case D3D10_SVT_BLEND:
            object.blends.push_back(FxDefaultBlendDesc());
            for (const FxStateAssignment& s : states) FxStoreState(*s.field, s.index, s.values, &object.blends.back());
            break;
          case D3D10_SVT_DEPTHSTENCIL:
            object.depthStencils.push_back(FxDefaultDepthStencilDesc());
            for (const FxStateAssignment& s : states) FxStoreState(*s.field, s.index, s.values, &object.depthStencils.back());
            break;
          case D3D10_SVT_RASTERIZER:
            object.rasterizers.push_back(FxDefaultRasterizerDesc());
            for (const FxStateAssignment& s : states) FxStoreState(*s.field, s.index, s.values, &object.rasterizers.back());
            break;
          default:
            object.samplers.push_back(FxDefaultSamplerDesc());
            for (const FxStateAssignment& s : states) FxStoreState(*s.field, s.index, s.values, &object.samplers.back());
            break;
        }
      }
      if (base == D3D10_SVT_STRING) {
        object.strings = decl.value.strings;
        object.strings.resize(count);
        if (decl.hasValue && decl.value.strings.size() != count) {
          m_diagnostics.Error(decl.at, kFxErrorType, "'" + decl.name + "' needs " + std::to_string(count) + " strings");
          return;
        }
      }
      if (FxIsShaderType(base)) {
        object.shaders.assign(count, kFxNone);
        if (decl.hasValue && decl.shaders.size() != count) {
          m_diagnostics.Error(decl.at, kFxErrorType, "'" + decl.name + "' needs " + std::to_string(count) + " shaders");
          return;
        }
        m_shaderVariables.push_back({static_cast<uint32_t>(m_object->objects.size()), &decl});
      }
      m_objectByName[decl.name] = static_cast<uint32_t>(m_object->objects.size());
      m_object->objects.push_back(std::move(object));
    }
  }

  // Gives every distinct CompileShader a shader index, and an entry point
  // that binds its uniform arguments when it has any.
  void CollectShaders() {
    for (const auto& variable : m_shaderVariables) {
      uint32_t stage = FxShaderStageOf(m_object->types[m_object->objects[variable.first].type].baseType);
      for (const FxShaderExpression& shader : variable.second->shaders) Request(stage, shader);
    }
    for (const FxTechniqueSyntax& technique : m_syntax.techniques) {
      for (const FxPassSyntax& pass : technique.passes) {
        for (uint32_t stage = 0; stage < kFxStageCount; ++stage) Request(stage, pass.shaders[stage]);
      }
    }
  }

  static std::string ShaderKey(const FxShaderExpression& shader) {
    std::string key = shader.profile + " " + shader.entry + "(";
    for (const std::vector<FxToken>& argument : shader.arguments) key += Spell(argument) + ",";
    return key;
  }

  void Request(uint32_t stage, const FxShaderExpression& shader) {
    if (shader.kind != FxShaderExpression::kCompile || Failed()) return;
    const Profile* profile = nullptr;
    for (const Profile& candidate : kProfiles) {
      if (shader.profile == candidate.name) profile = &candidate;
    }
    if (!profile) {
      m_diagnostics.Error(shader.at, kFxErrorProfile, "profile '" + shader.profile + "' is not supported");
      return;
    }
    if (profile->stage != stage) {
      m_diagnostics.Error(shader.at, kFxErrorProfile,
                          "profile '" + shader.profile + "' cannot make a " + kStageNames[stage]);
      return;
    }
    std::string key = ShaderKey(shader);
    if (m_shaderKeys.count(key)) return;
    const FxFunctionSyntax* function = nullptr;
    std::size_t uniforms = 0;
    for (const FxFunctionSyntax& candidate : m_syntax.functions) {
      if (candidate.name != shader.entry) continue;
      std::size_t count = std::count_if(candidate.parameters.begin(), candidate.parameters.end(),
                                        [](const FxParameterSyntax& p) { return p.uniform; });
      if (!function || count == shader.arguments.size()) function = &candidate, uniforms = count;
    }
    if (!function) {
      m_diagnostics.Error(shader.at, kFxErrorEntryNotFound, "'" + shader.entry + "': entrypoint not found");
      return;
    }
    if (uniforms != shader.arguments.size()) {
      m_diagnostics.Error(shader.at, kFxErrorArguments,
                          "'" + shader.entry + "' takes " + std::to_string(uniforms) + " uniform arguments, " +
                              std::to_string(shader.arguments.size()) + " given");
      return;
    }
    Pending pending;
    pending.stage = stage;
    pending.profile = shader.profile;
    pending.entry = shader.entry;
    pending.at = shader.at;
    if (!shader.arguments.empty()) pending.compiled = Wrapper(*function, shader);
    m_shaderKeys[key] = static_cast<uint32_t>(m_pending.size());
    m_pending.push_back(std::move(pending));
  }

  // An entry point passing the literal arguments to the uniform parameters:
  //   [attributes] type fx_entry_N(varying parameters) [: semantic]
  //   { return entry(parameters and arguments in order); }
  std::string Wrapper(const FxFunctionSyntax& function, const FxShaderExpression& shader) {
    std::string name = "fx_entry_" + std::to_string(m_pending.size());
    std::string parameters, arguments;
    std::size_t next = 0;
    for (const FxParameterSyntax& parameter : function.parameters) {
      if (!arguments.empty()) arguments += ", ";
      if (parameter.uniform) {
        arguments += "(" + Spell(shader.arguments[next++]) + ")";
        continue;
      }
      if (!parameters.empty()) parameters += ", ";
      parameters += Spell(parameter.tokens);
      arguments += parameter.name;
    }
    bool returns = !(function.returnType.size() == 1 && function.returnType[0].text == "void");
    m_wrappers += "#line " + std::to_string(shader.at.line) + " \"" + std::to_string(shader.at.file) + "\"\n" +
                  Spell(function.attributes) + " " + Spell(function.returnType) + " " + name + "(" + parameters +
                  ") " + Spell(function.returnSemantic) + " { " + (returns ? "return " : "") + function.name + "(" +
                  arguments + "); }\n";
    return name;
  }

  // Uses of sampler arrays become uses of their elements' samplers.
  void RenameSamplerElements() {
    std::map<std::string, uint32_t> arrays;
    for (const FxDeclaration& decl : m_syntax.globals) {
      if (decl.type.kind == FxTypeRef::kObject && decl.type.base == D3D10_SVT_SAMPLER && decl.elements) {
        arrays[decl.name] = decl.elements;
      }
    }
    if (arrays.empty()) return;
    std::vector<FxToken>& tokens = m_syntax.hlsl;
    std::vector<FxToken> renamed;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
      auto found = tokens[i].kind == FxTokenKind::kIdentifier ? arrays.find(tokens[i].text) : arrays.end();
      if (found == arrays.end()) {
        renamed.push_back(tokens[i]);
        continue;
      }
      char* end = nullptr;
      unsigned long element = i + 3 < tokens.size() && tokens[i + 2].kind == FxTokenKind::kNumber
                                  ? std::strtoul(tokens[i + 2].text.c_str(), &end, 0)
                                  : 0;
      if (!end || *end || !tokens[i + 1].Is("[") || !tokens[i + 3].Is("]") || element >= found->second) {
        m_diagnostics.Error(tokens[i].at, kFxErrorUnsupported,
                            "sampler array '" + found->first + "' must be indexed with a literal within its size");
        return;
      }
      renamed.push_back(tokens[i]);
      renamed.back().text = FxSamplerElementName(found->first, static_cast<uint32_t>(element));
      i += 3;
    }
    tokens = std::move(renamed);
  }

  void CompileShaders() {
    if (m_pending.empty()) return;
    RenameSamplerElements();
    if (Failed()) return;
    FxBackend backend(*m_object, WriteHlsl(m_syntax.hlsl) + m_wrappers, m_syntax.hlsl, m_diagnostics);
    for (const Pending& pending : m_pending) {
      FxShader shader;
      std::string entry = pending.compiled.empty() ? pending.entry : pending.compiled;
      if (!backend.Compile(pending.stage, entry, pending.profile, pending.at, &shader)) return;
      shader.entry = pending.entry;
      m_object->shaders.push_back(std::move(shader));
    }
    for (const auto& variable : m_shaderVariables) {
      FxObject& object = m_object->objects[variable.first];
      for (std::size_t e = 0; e < variable.second->shaders.size(); ++e) {
        FxShaderRef ref;
        if (!Resolve(FxShaderStageOf(m_object->types[object.type].baseType), variable.second->shaders[e], &ref)) return;
        object.shaders[e] = ref.shader;
      }
    }
  }

  bool Resolve(uint32_t stage, const FxShaderExpression& shader, FxShaderRef* ref) {
    switch (shader.kind) {
      case FxShaderExpression::kNull:
        return true;
      case FxShaderExpression::kCompile: {
        ref->shader = m_shaderKeys.at(ShaderKey(shader));
        return true;
      }
      default: {
        auto found = m_objectByName.find(shader.variable);
        if (found == m_objectByName.end()) {
          m_diagnostics.Error(shader.at, kFxErrorUndeclared, "undeclared identifier '" + shader.variable + "'");
          return false;
        }
        const FxObject& object = m_object->objects[found->second];
        const FxType& type = m_object->types[object.type];
        if (!FxIsShaderType(type.baseType) || FxShaderStageOf(type.baseType) != stage) {
          m_diagnostics.Error(shader.at, kFxErrorType, "'" + shader.variable + "' is not a " + kStageNames[stage]);
          return false;
        }
        if (shader.element >= FxElementCount(type)) {
          m_diagnostics.Error(shader.at, kFxErrorType, "'" + shader.variable + "' has no element " +
                                                           std::to_string(shader.element));
          return false;
        }
        ref->variable = found->second;
        ref->element = shader.element;
        ref->shader = object.shaders[shader.element];
        return true;
      }
    }
  }

  bool ResolveState(const FxStateReference& syntax, uint32_t baseType, const char* typeName, FxStateRef* ref) {
    ref->kind = syntax.kind == FxStateReference::kUnset ? kFxStateUnset
                : syntax.kind == FxStateReference::kNull ? kFxStateNull
                                                         : kFxStateVariable;
    if (syntax.kind != FxStateReference::kVariable) return true;
    auto found = m_objectByName.find(syntax.variable);
    if (found == m_objectByName.end()) {
      m_diagnostics.Error(syntax.at, kFxErrorUndeclared, "undeclared identifier '" + syntax.variable + "'");
      return false;
    }
    const FxType& type = m_object->types[m_object->objects[found->second].type];
    if (type.baseType != baseType) {
      m_diagnostics.Error(syntax.at, kFxErrorType, "'" + syntax.variable + "' is not a " + typeName);
      return false;
    }
    if (syntax.element >= FxElementCount(type)) {
      m_diagnostics.Error(syntax.at, kFxErrorType, "'" + syntax.variable + "' has no element " +
                                                       std::to_string(syntax.element));
      return false;
    }
    ref->variable = found->second;
    ref->element = syntax.element;
    return true;
  }

  void BuildTechniques() {
    for (const FxTechniqueSyntax& syntax : m_syntax.techniques) {
      FxTechnique technique;
      technique.name = syntax.name;
      technique.annotations = Annotations(syntax.annotations);
      for (const FxPassSyntax& passSyntax : syntax.passes) {
        FxPass pass;
        pass.name = passSyntax.name;
        pass.annotations = Annotations(passSyntax.annotations);
        for (uint32_t stage = 0; stage < kFxStageCount; ++stage) {
          if (!Resolve(stage, passSyntax.shaders[stage], &pass.shaders[stage])) return;
        }
        if (!ResolveState(passSyntax.blend, D3D10_SVT_BLEND, "BlendState", &pass.blend) ||
            !ResolveState(passSyntax.depthStencil, D3D10_SVT_DEPTHSTENCIL, "DepthStencilState", &pass.depthStencil) ||
            !ResolveState(passSyntax.rasterizer, D3D10_SVT_RASTERIZER, "RasterizerState", &pass.rasterizer)) {
          return;
        }
        for (int i = 0; i < 4; ++i) pass.blendFactor[i] = static_cast<float>(passSyntax.blendFactor[i]);
        pass.sampleMask = passSyntax.sampleMask;
        pass.stencilRef = passSyntax.stencilRef;
        technique.passes.push_back(std::move(pass));
      }
      m_object->techniques.push_back(std::move(technique));
    }
  }

  struct Pending {
    uint32_t stage;
    std::string profile;
    std::string entry;
    std::string compiled;  // the generated entry point, when there are arguments
    FxLocation at;
  };

  const FxCompileOptions& m_options;
  FxDiagnostics& m_diagnostics;
  FxEffectObject* m_object;
  FxSyntax m_syntax;
  FxTypeTable m_types;
  std::map<std::string, uint32_t> m_objectByName;
  std::vector<std::pair<uint32_t, const FxDeclaration*>> m_shaderVariables;
  std::map<std::string, uint32_t> m_shaderKeys;
  std::vector<Pending> m_pending;
  std::string m_wrappers;
};

}  // namespace

bool FxCompile(const std::string& source, const FxCompileOptions& options, FxEffectObject* object,
               std::string* messages) {
  FxDiagnostics diagnostics;
  bool compiled = false;
  try {
    *object = FxEffectObject();
    compiled = Compiler(options, diagnostics, object).Run(source);
  } catch (const std::bad_alloc&) {
    diagnostics.Error({}, kFxErrorInternal, "out of memory");
  }
  if (messages) *messages = diagnostics.Text();
  return compiled && !diagnostics.HasErrors();
}
