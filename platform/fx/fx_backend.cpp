// glslang's optional HLSL interfaces are declared only with this set.
#define ENABLE_HLSL 1

#include "fx/fx_backend.h"

#include <d3d10_platform.h>
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>
#include <spirv-tools/libspirv.hpp>
#include <spirv_cross/spirv_glsl.hpp>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <exception>
#include <functional>
#include <mutex>
#include <set>
#include <sstream>

#include "fx/fx_layout.h"
#include "fx/fx_parser.h"

namespace {

// Texture-only reads (Load, GetDimensions) still go through a GL sampler;
// they name this slot, which effects do not bind, so no comparison sampler
// ends up on them.
constexpr uint32_t kUnusedSamplerSlot = D3D10_COMMONSHADER_SAMPLER_SLOT_COUNT - 1;
// Varying locations every GL 4.5 implementation offers.
constexpr uint32_t kMaxLocations = 32;

const EShLanguage kLanguages[] = {EShLangVertex, EShLangGeometry, EShLangFragment};

void InitializeGlslang() {
  static std::once_flag once;
  std::call_once(once, [] { glslang::InitializeProcess(); });
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

struct SystemValue {
  const char* name;
  D3D10_NAME value;
};
const SystemValue kSystemValues[] = {{"SV_POSITION", D3D10_NAME_POSITION},
                                     {"SV_CLIPDISTANCE", D3D10_NAME_CLIP_DISTANCE},
                                     {"SV_CULLDISTANCE", D3D10_NAME_CULL_DISTANCE},
                                     {"SV_RENDERTARGETARRAYINDEX", D3D10_NAME_RENDER_TARGET_ARRAY_INDEX},
                                     {"SV_VIEWPORTARRAYINDEX", D3D10_NAME_VIEWPORT_ARRAY_INDEX},
                                     {"SV_VERTEXID", D3D10_NAME_VERTEX_ID},
                                     {"SV_PRIMITIVEID", D3D10_NAME_PRIMITIVE_ID},
                                     {"SV_INSTANCEID", D3D10_NAME_INSTANCE_ID},
                                     {"SV_ISFRONTFACE", D3D10_NAME_IS_FRONT_FACE},
                                     {"SV_SAMPLEINDEX", D3D10_NAME_SAMPLE_INDEX},
                                     {"SV_TARGET", D3D10_NAME_TARGET},
                                     {"SV_DEPTH", D3D10_NAME_DEPTH},
                                     {"SV_COVERAGE", D3D10_NAME_COVERAGE}};

uint32_t SystemValueOf(const std::string& name) {
  for (const SystemValue& value : kSystemValues) {
    if (name == value.name) return value.value;
  }
  return D3D10_NAME_UNDEFINED;
}

uint32_t ComponentTypeOf(const spirv_cross::SPIRType& type) {
  switch (type.basetype) {
    case spirv_cross::SPIRType::Float: return D3D10_REGISTER_COMPONENT_FLOAT32;
    case spirv_cross::SPIRType::Int: return D3D10_REGISTER_COMPONENT_SINT32;
    case spirv_cross::SPIRType::UInt:
    case spirv_cross::SPIRType::Boolean: return D3D10_REGISTER_COMPONENT_UINT32;
    default: return D3D10_REGISTER_COMPONENT_UNKNOWN;
  }
}

FxSignatureElement SignatureElement(const std::string& semantic, uint32_t reg, const spirv_cross::SPIRType& type) {
  FxSignatureElement element;
  FxSplitSemantic(semantic, &element.semantic, &element.index);
  element.reg = reg;
  element.systemValue = SystemValueOf(element.semantic);
  element.componentType = ComponentTypeOf(type);
  element.mask = (1u << std::min(type.vecsize, 4u)) - 1;
  return element;
}

// Slots of one kind for one shader: explicit registers are kept, the rest
// take the first free run of slots.
class SlotAllocator {
 public:
  explicit SlotAllocator(uint32_t count) : m_used(count, false) {}
  bool Take(uint32_t first, uint32_t count) {
    if (first + count > m_used.size()) return false;
    for (uint32_t i = 0; i < count; ++i) {
      if (m_used[first + i]) return false;
    }
    for (uint32_t i = 0; i < count; ++i) m_used[first + i] = true;
    return true;
  }
  bool Find(uint32_t count, uint32_t* first) {
    for (uint32_t at = 0; at + count <= m_used.size(); ++at) {
      if (Take(at, count)) {
        *first = at;
        return true;
      }
    }
    return false;
  }

 private:
  std::vector<bool> m_used;
};

enum class HlslResult { kCompiled, kParseFailed, kLinkFailed, kNoSpirv };

// HLSL to SPIR-V through glslang.
HlslResult CompileHlsl(const std::string& source, EShLanguage language, const std::string& entry,
                       std::vector<uint32_t>* spirv, std::string* log) {
  glslang::TShader hlsl(language);
  const char* text = source.c_str();
  int length = static_cast<int>(source.size());
  const char* name = "0";
  hlsl.setStringsWithLengthsAndNames(&text, &length, &name, 1);
  hlsl.setEntryPoint(entry.c_str());
  hlsl.setSourceEntryPoint(entry.c_str());
  hlsl.setEnvInput(glslang::EShSourceHlsl, language, glslang::EShClientOpenGL, 450);
  hlsl.setEnvClient(glslang::EShClientOpenGL, glslang::EShTargetOpenGL_450);
  hlsl.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
  hlsl.setEnvTargetHlslFunctionality1();
  hlsl.setHlslIoMapping(true);
  hlsl.setAutoMapBindings(true);
  hlsl.setAutoMapLocations(true);
  // SV_Position.w of a pixel shader is w, not GL's 1/w.
  hlsl.setDxPositionW(true);
  EShMessages messages = static_cast<EShMessages>(EShMsgReadHlsl | EShMsgHlslOffsets | EShMsgSpvRules | EShMsgEnhanced);
  if (!hlsl.parse(GetDefaultResources(), 450, false, messages)) {
    *log = hlsl.getInfoLog();
    return HlslResult::kParseFailed;
  }
  glslang::TProgram program;
  program.addShader(&hlsl);
  if (!program.link(messages) || !program.mapIO()) {
    *log = program.getInfoLog();
    return HlslResult::kLinkFailed;
  }
  glslang::SpvOptions options;
  options.disableOptimizer = true;
  spv::SpvBuildLogger logger;
  glslang::GlslangToSpv(*program.getIntermediate(language), *spirv, &logger, &options);
  if (spirv->empty()) {
    *log = logger.getAllMessages();
    return HlslResult::kNoSpirv;
  }
  return HlslResult::kCompiled;
}

}  // namespace

void FxSplitSemantic(const std::string& semantic, std::string* name, uint32_t* index) {
  std::size_t digits = semantic.size();
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(semantic[digits - 1]))) --digits;
  *name = semantic.substr(0, digits);
  *index = digits < semantic.size() ? static_cast<uint32_t>(std::stoul(semantic.substr(digits))) : 0;
}

bool FxValidateSpirv(const std::vector<uint8_t>& spirv, std::string* messages) {
  if (spirv.size() % 4) {
    if (messages) *messages = "SPIR-V is not a whole number of words";
    return false;
  }
  std::vector<uint32_t> words(spirv.size() / 4);
  std::memcpy(words.data(), spirv.data(), spirv.size());
  spvtools::SpirvTools tools(SPV_ENV_OPENGL_4_5);
  std::string text;
  tools.SetMessageConsumer([&](spv_message_level_t, const char*, const spv_position_t&, const char* message) {
    text += message;
    text += '\n';
  });
  bool valid = tools.Validate(words);
  if (messages) *messages = text;
  return valid;
}

FxBackend::FxBackend(const FxEffectObject& object, std::string hlsl, const std::vector<FxToken>& tokens,
                     FxDiagnostics& diagnostics)
    : m_object(object), m_hlsl(std::move(hlsl)), m_diagnostics(diagnostics) {
  for (const FxToken& token : tokens) m_lines[{token.at.file, token.at.line}].push_back(&token);
  for (std::size_t i = 0; i < object.buffers.size(); ++i) {
    // glslang gathers the variables outside any cbuffer into "$Global".
    const std::string& name = object.buffers[i].name;
    m_bufferByName[name == "$Globals" ? "$Global" : name] = static_cast<uint32_t>(i);
  }
  for (std::size_t i = 0; i < object.objects.size(); ++i) {
    const FxObject& o = object.objects[i];
    uint32_t index = static_cast<uint32_t>(i);
    m_objectByName[o.name] = {index, 0};
    const FxType& type = object.types[o.type];
    if (type.baseType != D3D10_SVT_SAMPLER) continue;
    for (uint32_t e = 0; e < type.elements; ++e) m_objectByName[FxSamplerElementName(o.name, e)] = {index, e};
  }
}

uint32_t FxBackend::Location(const std::string& semantic, uint32_t count) {
  std::string name;
  uint32_t index;
  FxSplitSemantic(Upper(semantic), &name, &index);
  std::string key = name + std::to_string(index);
  auto found = m_locations.find(key);
  if (found != m_locations.end()) return found->second;
  uint32_t location = m_nextLocation;
  m_nextLocation += count;
  for (uint32_t i = 0; i < count; ++i) m_locations[name + std::to_string(index + i)] = location + i;
  return location;
}

void FxBackend::TranslateLog(const std::string& log, const FxLocation& at) {
  std::istringstream lines(log);
  std::string line;
  std::map<std::pair<uint32_t, uint32_t>, uint32_t> columns;
  struct Message {
    bool error;
    uint32_t file, line;
    std::string text;
  };
  std::vector<Message> parsed;
  while (std::getline(lines, line)) {
    bool error = line.compare(0, 7, "ERROR: ") == 0;
    bool warning = line.compare(0, 9, "WARNING: ") == 0;
    if (!error && !warning) {
      // "file(line): error at column N, ..." gives the column of the line's failure.
      unsigned file = 0, number = 0, column = 0;
      if (std::sscanf(line.c_str(), "%u(%u): error at column %u", &file, &number, &column) == 3) {
        columns[{file, number}] = column;
      }
      continue;
    }
    std::string rest = line.substr(error ? 7 : 9);
    unsigned file = 0, number = 0;
    int consumed = 0;
    if (std::sscanf(rest.c_str(), "%u:%u: %n", &file, &number, &consumed) == 2 && consumed > 0) {
      parsed.push_back({error, file, number, rest.substr(static_cast<std::size_t>(consumed))});
    } else if (rest.find("compilation errors") == std::string::npos && rest.find("compilation terminated") == std::string::npos) {
      parsed.push_back({error, at.file, 0, rest});
    }
  }
  for (Message& message : parsed) {
    std::string text = message.text;
    while (!text.empty() && text.back() == ' ') text.pop_back();
    uint32_t column = 1;
    // "'token' : message" names the token; find it on its line.
    std::string quoted;
    if (text.size() > 2 && text[0] == '\'') {
      std::size_t close = text.find("' : ");
      if (close != std::string::npos) {
        quoted = text.substr(1, close - 1);
        text = "'" + quoted + "': " + text.substr(close + 4);
      }
    }
    auto found = columns.find({message.file, message.line});
    auto tokens = m_lines.find({message.file, message.line});
    // The HLSL compiler's column is where it gave up, which may lie past the line.
    if (found != columns.end() && tokens != m_lines.end()) {
      const FxToken* last = tokens->second.back();
      column = found->second <= last->at.column + last->text.size() ? found->second : tokens->second.front()->at.column;
    }
    if (tokens != m_lines.end() && !quoted.empty()) {
      for (const FxToken* token : tokens->second) {
        if (token->text == quoted) {
          column = token->at.column;
          break;
        }
      }
    }
    int code = text.find("unknown variable") != std::string::npos || text.find("undeclared") != std::string::npos
                   ? kFxErrorUndeclared
               : text.find("syntax error") != std::string::npos ? kFxErrorSyntax
                                                                : kFxErrorShader;
    if (message.line == 0) {
      (message.error ? m_diagnostics.Error(at, code, text) : m_diagnostics.Warning(at, code, text));
      continue;
    }
    FxLocation where = {message.file, message.line, column};
    (message.error ? m_diagnostics.Error(where, code, text) : m_diagnostics.Warning(where, code, text));
  }
}

bool FxBackend::Compile(uint32_t stage, const std::string& entry, const std::string& profile, const FxLocation& at,
                        FxShader* shader) {
  InitializeGlslang();
  shader->stage = stage;
  shader->entry = entry;
  shader->profile = profile;
  std::vector<uint32_t> spirv;
  try {
    std::string log;
    switch (CompileHlsl(m_hlsl, kLanguages[stage], entry, &spirv, &log)) {
      case HlslResult::kParseFailed:
        TranslateLog(log, at);
        if (!m_diagnostics.HasErrors()) m_diagnostics.Error(at, kFxErrorShader, "'" + entry + "' does not compile");
        return false;
      case HlslResult::kLinkFailed:
        m_diagnostics.Error(at, kFxErrorShader, "'" + entry + "' does not link: " + log);
        return false;
      case HlslResult::kNoSpirv:
        m_diagnostics.Error(at, kFxErrorInternal, "SPIR-V generation failed: " + log);
        return false;
      case HlslResult::kCompiled:
        break;
    }
  } catch (const std::exception& e) {
    m_diagnostics.Error(at, kFxErrorInternal, std::string("HLSL compiler failure: ") + e.what());
    return false;
  }
  shader->spirv.resize(spirv.size() * 4);
  std::memcpy(shader->spirv.data(), spirv.data(), shader->spirv.size());
  std::string validation;
  if (!FxValidateSpirv(shader->spirv, &validation)) {
    m_diagnostics.Warning(at, kFxWarningSpirv, "SPIR-V of '" + entry + "' does not validate: " + validation);
  }
  try {
    return Reflect(stage, at, spirv, shader);
  } catch (const std::exception& e) {
    m_diagnostics.Error(at, kFxErrorInternal, "'" + entry + "' cannot be translated to GLSL: " + e.what());
    return false;
  }
}

bool FxBackend::Reflect(uint32_t stage, const FxLocation& at, const std::vector<uint32_t>& spirv, FxShader* shader) {
  spirv_cross::CompilerGLSL glsl(spirv);
  spirv_cross::CompilerGLSL::Options options = glsl.get_common_options();
  options.version = 450;
  options.es = false;
  options.vulkan_semantics = false;
  options.separate_shader_objects = false;
  glsl.set_common_options(options);
  uint32_t dummySampler = glsl.build_dummy_sampler_for_combined_images();
  glsl.build_combined_image_samplers();
  auto active = glsl.get_active_interface_variables();
  spirv_cross::ShaderResources all = glsl.get_shader_resources();
  auto isActive = [&](uint32_t id) { return active.count(id) != 0; };
  auto fail = [&](int code, const std::string& text) {
    m_diagnostics.Error(at, code, text);
    return false;
  };

  // Constant buffers: the effect's std140 offsets, its binding, and a slot
  // for each buffer the shader reads.
  std::vector<std::pair<uint32_t, uint32_t>> usedBuffers;  // (buffer, variable id)
  for (const spirv_cross::Resource& resource : all.uniform_buffers) {
    std::string name = glsl.get_name(resource.base_type_id);
    auto found = m_bufferByName.find(name);
    if (found == m_bufferByName.end()) return fail(kFxErrorInternal, "unknown uniform block '" + name + "'");
    const FxBuffer& buffer = m_object.buffers[found->second];
    uint32_t glSize = 0;
    std::vector<uint32_t> offsets = FxGlBufferOffsets(m_object.types, buffer, &glSize);
    const spirv_cross::SPIRType& block = glsl.get_type(resource.base_type_id);
    // Nested structs and arrays of them get the same std140 layout.
    std::function<bool(const spirv_cross::SPIRType&, uint32_t)> relayoutStruct;
    auto relayoutMember = [&](const spirv_cross::SPIRType& owner, uint32_t index, uint32_t fxType, uint32_t offset) {
      glsl.set_member_decoration(owner.self, index, spv::DecorationOffset, offset);
      uint32_t memberTypeId = owner.member_types[index];
      const spirv_cross::SPIRType& memberType = glsl.get_type(memberTypeId);
      const FxType& type = m_object.types[fxType];
      if (!memberType.array.empty() && type.elements) {
        // Arrays of arrays are a type per dimension, the outermost first;
        // each strides over all the elements of the dimensions inside it.
        uint32_t stride = FxGlSize(m_object.types, fxType) / type.elements;
        uint32_t inner = type.elements;
        for (uint32_t id = memberTypeId; !glsl.get_type(id).array.empty(); id = glsl.get_type(id).parent_type) {
          inner /= std::max(glsl.get_type(id).array.back(), 1u);
          glsl.set_decoration(id, spv::DecorationArrayStride, stride * inner);
        }
      }
      if (memberType.basetype == spirv_cross::SPIRType::Struct) return relayoutStruct(memberType, fxType);
      return true;
    };
    relayoutStruct = [&](const spirv_cross::SPIRType& owner, uint32_t fxType) {
      const FxType& type = m_object.types[fxType];
      std::vector<uint32_t> memberOffsets = FxGlMemberOffsets(m_object.types, fxType);
      for (uint32_t i = 0; i < owner.member_types.size(); ++i) {
        const std::string& memberName = glsl.get_member_name(owner.self, i);
        std::size_t m = 0;
        while (m < type.members.size() && type.members[m].name != memberName) ++m;
        if (m == type.members.size()) return false;
        if (!relayoutMember(owner, i, type.members[m].type, memberOffsets[m])) return false;
      }
      return true;
    };
    for (uint32_t i = 0; i < block.member_types.size(); ++i) {
      const std::string& memberName = glsl.get_member_name(resource.base_type_id, i);
      std::size_t v = 0;
      while (v < buffer.variables.size() && buffer.variables[v].name != memberName) ++v;
      if (v == buffer.variables.size() || !relayoutMember(block, i, buffer.variables[v].type, offsets[v])) {
        return fail(kFxErrorInternal, "member '" + memberName + "' of '" + buffer.name + "' has no layout");
      }
    }
    if (found->second >= D3D10_PLATFORM_UNIFORM_BINDING_COUNT) {
      return fail(kFxErrorLimit, "an effect holds at most " + std::to_string(D3D10_PLATFORM_UNIFORM_BINDING_COUNT) +
                                     " constant buffers");
    }
    glsl.set_decoration(resource.id, spv::DecorationBinding, found->second);
    if (isActive(resource.id)) usedBuffers.emplace_back(found->second, resource.id);
  }
  std::sort(usedBuffers.begin(), usedBuffers.end());
  SlotAllocator bufferSlots(D3D10_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT);
  std::vector<D3D10_PLATFORM_CONSTANT_BUFFER_BINDING> blockBindings;
  for (int pass = 0; pass < 2; ++pass) {
    for (const auto& used : usedBuffers) {
      const FxBuffer& buffer = m_object.buffers[used.first];
      bool explicitSlot = (buffer.flags & kFxExplicitBindPoint) != 0;
      if (explicitSlot != (pass == 0)) continue;
      uint32_t slot = buffer.bindPoint;
      if (explicitSlot ? !bufferSlots.Take(slot, 1) : !bufferSlots.Find(1, &slot)) {
        return fail(kFxErrorLimit, "no constant buffer slot left for '" + buffer.name + "'");
      }
      shader->constantBuffers.push_back({slot, used.first, 0});
      blockBindings.push_back({slot, used.first});
    }
  }

  // Textures and samplers: slots for the variables the shader samples, one
  // GL unit per (texture, sampler) pair of the effect.
  auto objectOf = [&](uint32_t id, uint32_t* index, uint32_t* element) {
    auto found = m_objectByName.find(glsl.get_name(id));
    if (found == m_objectByName.end()) return false;
    *index = found->second.first;
    *element = found->second.second;
    return true;
  };
  const spirv_cross::SmallVector<spirv_cross::CombinedImageSampler>& combined = glsl.get_combined_image_samplers();
  std::set<uint32_t> textures, samplers;
  for (const spirv_cross::CombinedImageSampler& pair : combined) {
    uint32_t texture, sampler, element;
    if (!objectOf(pair.image_id, &texture, &element)) {
      return fail(kFxErrorInternal, "unknown texture '" + glsl.get_name(pair.image_id) + "'");
    }
    textures.insert(texture);
    if (pair.sampler_id != dummySampler) {
      if (!objectOf(pair.sampler_id, &sampler, &element)) {
        return fail(kFxErrorInternal, "unknown sampler '" + glsl.get_name(pair.sampler_id) + "'");
      }
      samplers.insert(sampler);
    }
  }
  auto assignSlots = [&](const std::set<uint32_t>& variables, uint32_t slotCount, std::vector<FxBinding>* bindings,
                         std::map<uint32_t, uint32_t>* firstSlot) {
    SlotAllocator slots(slotCount);
    for (int pass = 0; pass < 2; ++pass) {
      for (uint32_t index : variables) {
        const FxObject& object = m_object.objects[index];
        bool explicitSlot = (object.flags & kFxExplicitBindPoint) != 0;
        if (explicitSlot != (pass == 0)) continue;
        uint32_t count = FxElementCount(m_object.types[object.type]);
        uint32_t slot = object.bindPoint;
        if (explicitSlot ? !slots.Take(slot, count) : !slots.Find(count, &slot)) {
          return fail(kFxErrorLimit, "no slot left for '" + object.name + "'");
        }
        (*firstSlot)[index] = slot;
        for (uint32_t e = 0; e < count; ++e) bindings->push_back({slot + e, index, e});
      }
    }
    return true;
  };
  std::map<uint32_t, uint32_t> textureSlots, samplerSlots;
  if (!assignSlots(textures, D3D10_COMMONSHADER_INPUT_RESOURCE_SLOT_COUNT, &shader->resources, &textureSlots) ||
      !assignSlots(samplers, kUnusedSamplerSlot, &shader->samplers, &samplerSlots)) {
    return false;
  }
  std::vector<D3D10_PLATFORM_SAMPLER_BINDING> samplerBindings;
  for (const spirv_cross::CombinedImageSampler& pair : combined) {
    uint32_t texture = 0, sampler = kFxNone, unused = 0, element = 0;
    objectOf(pair.image_id, &texture, &unused);
    if (pair.sampler_id != dummySampler) objectOf(pair.sampler_id, &sampler, &element);
    uint32_t count = FxElementCount(m_object.types[m_object.objects[texture].type]);
    auto unit = m_units.find({texture, sampler, element});
    if (unit == m_units.end()) {
      if (m_nextUnit + count > D3D10_PLATFORM_TEXTURE_UNIT_COUNT) {
        return fail(kFxErrorLimit, "an effect samples at most " + std::to_string(D3D10_PLATFORM_TEXTURE_UNIT_COUNT) +
                                       " texture and sampler pairs");
      }
      unit = m_units.emplace(std::make_tuple(texture, sampler, element), m_nextUnit).first;
      m_nextUnit += count;
    }
    glsl.set_decoration(pair.combined_id, spv::DecorationBinding, unit->second);
    std::string samplerName = sampler == kFxNone ? "texel" : glsl.get_name(pair.sampler_id);
    glsl.set_name(pair.combined_id, "fx_" + m_object.objects[texture].name + "_" + samplerName);
    uint32_t samplerSlot = sampler == kFxNone ? kUnusedSamplerSlot : samplerSlots[sampler] + element;
    for (uint32_t e = 0; e < count; ++e) {
      samplerBindings.push_back({textureSlots[texture] + e, samplerSlot, unit->second + e});
    }
  }

  // Stage inputs and outputs: vertex inputs keep the registers of their
  // parameter order; varyings meet by semantic.
  std::vector<D3D10_SIGNATURE_PARAMETER_DESC> parameters;
  auto semanticOf = [&](uint32_t id) { return Upper(glsl.get_decoration_string(id, spv::DecorationUserSemantic)); };
  auto locationCount = [&](const spirv_cross::SPIRType& type, bool perVertexArray) {
    uint32_t count = std::max(type.columns, 1u);
    for (std::size_t i = perVertexArray ? 1 : 0; i < type.array.size(); ++i) count *= std::max(type.array[i], 1u);
    return count;
  };
  uint32_t nextRegister = 0;
  for (const spirv_cross::Resource& input : all.stage_inputs) {
    const spirv_cross::SPIRType& type = glsl.get_type(input.type_id);
    std::string semantic = semanticOf(input.id);
    if (stage == kFxVertex) {
      uint32_t reg = glsl.get_decoration(input.id, spv::DecorationLocation);
      for (uint32_t i = 0; i < locationCount(type, false); ++i) {
        FxSignatureElement element = SignatureElement(semantic, reg + i, type);
        element.index += i;
        shader->inputs.push_back(element);
      }
      nextRegister = std::max(nextRegister, reg + locationCount(type, false));
      continue;
    }
    uint32_t location = Location(semantic, locationCount(type, stage == kFxGeometry));
    glsl.set_decoration(input.id, spv::DecorationLocation, location);
    shader->inputs.push_back(SignatureElement(semantic, location, type));
  }
  for (const spirv_cross::BuiltInResource& builtin : all.builtin_inputs) {
    std::string semantic = semanticOf(builtin.resource.id);
    if (semantic.empty()) continue;
    FxSignatureElement element = SignatureElement(semantic, stage == kFxVertex ? nextRegister++ : 0,
                                                  glsl.get_type(builtin.resource.type_id));
    element.componentType = D3D10_REGISTER_COMPONENT_UNKNOWN;
    shader->inputs.push_back(element);
  }
  for (const spirv_cross::Resource& output : all.stage_outputs) {
    const spirv_cross::SPIRType& type = glsl.get_type(output.type_id);
    std::string semantic = semanticOf(output.id);
    uint32_t location = glsl.get_decoration(output.id, spv::DecorationLocation);
    if (stage != kFxPixel) {
      location = Location(semantic, locationCount(type, false));
      glsl.set_decoration(output.id, spv::DecorationLocation, location);
    }
    shader->outputs.push_back(SignatureElement(semantic, location, type));
  }
  for (const spirv_cross::BuiltInResource& builtin : all.builtin_outputs) {
    std::string semantic = semanticOf(builtin.resource.id);
    if (!semantic.empty()) {
      shader->outputs.push_back(SignatureElement(semantic, 0, glsl.get_type(builtin.resource.type_id)));
    }
  }
  if (m_nextLocation > kMaxLocations) {
    return fail(kFxErrorLimit, "the effect's shaders pass more than " + std::to_string(kMaxLocations) +
                                   " varying registers between stages");
  }
  if (stage == kFxVertex) {
    for (const FxSignatureElement& input : shader->inputs) {
      if (input.reg >= D3D10_PLATFORM_INPUT_REGISTER_COUNT) {
        return fail(kFxErrorLimit, "a vertex shader reads at most " +
                                       std::to_string(D3D10_PLATFORM_INPUT_REGISTER_COUNT) + " input registers");
      }
      D3D10_SIGNATURE_PARAMETER_DESC parameter = {};
      parameter.SemanticName = input.semantic.c_str();
      parameter.SemanticIndex = input.index;
      parameter.Register = input.reg;
      parameter.SystemValueType = static_cast<D3D10_NAME>(input.systemValue);
      parameter.ComponentType = static_cast<D3D10_REGISTER_COMPONENT_TYPE>(input.componentType);
      parameter.Mask = static_cast<BYTE>(input.mask);
      parameter.ReadWriteMask = static_cast<BYTE>(input.mask);
      parameters.push_back(parameter);
    }
  }

  std::string source = glsl.compile();
  D3D10_PLATFORM_SHADER_DESC desc = {};
  desc.Stage = static_cast<D3D10_PLATFORM_SHADER_STAGE>(stage);
  desc.pSource = source.c_str();
  desc.SourceLength = source.size();
  desc.pInputParameters = parameters.data();
  desc.NumInputParameters = static_cast<UINT>(parameters.size());
  desc.pSamplerBindings = samplerBindings.data();
  desc.NumSamplerBindings = static_cast<UINT>(samplerBindings.size());
  desc.pConstantBuffers = blockBindings.data();
  desc.NumConstantBuffers = static_cast<UINT>(blockBindings.size());
  SIZE_T size = 0;
  if (FAILED(D3D10PlatformBuildShader(&desc, nullptr, &size))) {
    return fail(kFxErrorInternal, "the shader blob of '" + shader->entry + "' cannot be built");
  }
  shader->bytecode.resize(size);
  D3D10PlatformBuildShader(&desc, shader->bytecode.data(), &size);
  return true;
}
