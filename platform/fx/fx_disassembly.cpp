#include "fx/fx_disassembly.h"

#include <cstdio>
#include <cstring>

#include "d3d10/d3d10_blob.h"
#include "fx/fx_states.h"

namespace {

const char* const kStageNames[] = {"Vertex", "Geometry", "Pixel"};

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof(text), "%g", value);
  return text;
}

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08x", value);
  return text;
}

std::string HexByte(uint32_t value) {
  char text[8];
  std::snprintf(text, sizeof(text), "0x%02x", value & 0xFF);
  return text;
}

std::string Quote(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c == '\n' ? ' ' : c;
  }
  return quoted + "\"";
}

uint32_t Word(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
         static_cast<uint32_t>(at[3]) << 24;
}

// Components written as the type's base type gives them.
std::string Components(uint32_t baseType, const uint8_t* data, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    if (i) text += ", ";
    uint32_t bits = Word(data + 4 * i);
    switch (baseType) {
      case D3D10_SVT_BOOL: text += bits ? "true" : "false"; break;
      case D3D10_SVT_INT: text += std::to_string(static_cast<int32_t>(bits)); break;
      case D3D10_SVT_UINT: text += std::to_string(bits); break;
      default: {
        float value;
        std::memcpy(&value, &bits, 4);
        text += Number(value);
        break;
      }
    }
  }
  return text;
}

template <typename Form>
class Listing {
 public:
  Listing(const FxEffectObjectOf<Form>& object, bool withCode) : m_object(object), m_withCode(withCode) {}

  std::string Run() {
    Line("// " + std::to_string(m_object.buffers.size()) + " constant buffer(s), " +
         std::to_string(m_object.objects.size()) + " object variable(s), " +
         std::to_string(m_object.techniques.size()) + " technique(s), " + std::to_string(m_object.shaders.size()) +
         " shader(s)" + ((m_object.flags & kFxObjectChild) ? ", compiled as a child effect" : ""));
    for (std::size_t i = 0; i < m_object.types.size(); ++i) {
      if (m_object.types[i].typeClass == D3D10_SVC_STRUCT && m_object.types[i].elements == 0) Struct(m_object.types[i]);
    }
    for (const auto& buffer : m_object.buffers) Buffer(buffer);
    for (const auto& object : m_object.objects) Object(object);
    for (const auto& technique : m_object.techniques) Technique(technique);
    for (std::size_t i = 0; i < m_object.shaders.size(); ++i) Shader(i);
    return m_text;
  }

 private:
  void Line(const std::string& text) {
    m_text += text;
    m_text += '\n';
  }

  std::string TypeName(uint32_t type) const { return m_object.types[type].name.c_str(); }
  std::string Dimension(uint32_t type) const {
    uint32_t elements = m_object.types[type].elements;
    return elements ? "[" + std::to_string(elements) + "]" : "";
  }
  std::string Major(uint32_t type) const {
    return m_object.types[type].typeClass == D3D10_SVC_MATRIX_ROWS ? "row_major " : "";
  }

  std::string Annotations(const typename Form::template List<FxAnnotationOf<Form>>& annotations) const {
    if (annotations.empty()) return "";
    std::string text = " <";
    for (const auto& a : annotations) {
      const auto& type = m_object.types[a.type];
      std::string value;
      if (!a.strings.empty()) {
        for (std::size_t i = 0; i < a.strings.size(); ++i) value += (i ? ", " : "") + Quote(a.strings[i].c_str());
      } else {
        value = Components(type.baseType, a.value.data(), a.value.size() / 4);
      }
      bool list = a.value.size() > 4 || a.strings.size() > 1;
      text += TypeName(a.type) + " " + a.name + Dimension(a.type) + " = " + (list ? "{" + value + "}" : value) + "; ";
    }
    text.pop_back();
    return text + ">";
  }

  void Struct(const FxTypeOf<Form>& type) {
    Line("struct " + type.name + "  // " + std::to_string(type.unpackedSize) + " bytes");
    Line("{");
    for (const auto& member : type.members) {
      std::string semantic = member.semantic.empty() ? "" : " : " + member.semantic;
      Line("  " + Major(member.type) + TypeName(member.type) + " " + member.name + Dimension(member.type) + semantic +
           ";  // offset " + std::to_string(member.offset) + ", " +
           std::to_string(m_object.types[member.type].unpackedSize) + " bytes");
    }
    Line("};");
  }

  void Buffer(const FxBufferOf<Form>& buffer) {
    std::string head = ((buffer.flags & kFxShared) ? "shared cbuffer " : "cbuffer ") + buffer.name;
    if (buffer.flags & kFxExplicitBindPoint) head += " : register(b" + std::to_string(buffer.bindPoint) + ")";
    Line(head + Annotations(buffer.annotations) + "  // " + std::to_string(buffer.size) + " bytes, GL block " +
         std::to_string(buffer.glSize) + " bytes in " + std::to_string(buffer.runs.size()) + " run(s)");
    Line("{");
    for (const auto& variable : buffer.variables) {
      const auto& type = m_object.types[variable.type];
      std::string semantic = variable.semantic.empty() ? "" : " : " + variable.semantic;
      std::string value;
      const uint8_t* data = &buffer.initial[variable.offset];
      bool zero = true;
      for (uint32_t i = 0; i < type.unpackedSize; ++i) zero = zero && data[i] == 0;
      if (!zero) value = " = " + Value(variable.type, data);
      Line("  " + Major(variable.type) + TypeName(variable.type) + " " + variable.name + Dimension(variable.type) +
           semantic + Annotations(variable.annotations) + value + ";  // offset " + std::to_string(variable.offset) +
           ", " + std::to_string(type.unpackedSize) + " bytes");
    }
    Line("};");
  }

  // A value in HLSL packing, as an initializer lists it.
  std::string Value(uint32_t typeIndex, const uint8_t* data) const {
    const auto& type = m_object.types[typeIndex];
    std::string text;
    for (uint32_t e = 0; e < FxElementCount(type); ++e) {
      const uint8_t* element = data + e * type.stride;
      if (e) text += ", ";
      if (type.typeClass == D3D10_SVC_STRUCT) {
        for (std::size_t m = 0; m < type.members.size(); ++m) {
          text += (m ? ", " : "") + Value(type.members[m].type, element + type.members[m].offset);
        }
        continue;
      }
      for (uint32_t r = 0; r < type.rows; ++r) {
        for (uint32_t c = 0; c < type.columns; ++c) {
          bool matrix = type.typeClass == D3D10_SVC_MATRIX_ROWS || type.typeClass == D3D10_SVC_MATRIX_COLUMNS;
          uint32_t offset = !matrix ? 4 * c : type.typeClass == D3D10_SVC_MATRIX_COLUMNS ? 16 * c + 4 * r : 16 * r + 4 * c;
          if (r || c) text += ", ";
          text += Components(type.baseType, element + offset, 1);
        }
      }
    }
    bool scalar = type.elements == 0 && type.typeClass == D3D10_SVC_SCALAR;
    return scalar ? text : "{" + text + "}";
  }

  template <typename Desc>
  std::string StateBlock(FxStateObject kind, const Desc& desc, const Desc& defaults) const {
    std::string text;
    for (std::size_t f = 0; f < kFxStateFieldCount; ++f) {
      const FxStateField& field = kFxStateFields[f];
      if (field.object != kind) continue;
      for (uint32_t i = 0; i < field.elements; ++i) {
        double value[4], standard[4];
        FxLoadState(field, i, &desc, value);
        FxLoadState(field, i, &defaults, standard);
        std::size_t count = field.kind == FxStateValue::kFloat4 ? 4 : 1;
        if (std::memcmp(value, standard, count * sizeof(double)) == 0) continue;
        std::string name = field.name;
        if (field.elements > 1) name += "[" + std::to_string(i) + "]";
        const char* named = field.names ? FxStateNameOf(field, static_cast<uint32_t>(value[0])) : nullptr;
        std::string shown;
        if (named) {
          shown = named;
        } else if (count == 4) {
          shown = "float4(" + Number(value[0]) + ", " + Number(value[1]) + ", " + Number(value[2]) + ", " +
                  Number(value[3]) + ")";
        } else if (field.kind == FxStateValue::kUint8) {
          shown = HexByte(static_cast<uint32_t>(value[0]));
        } else {
          shown = Number(value[0]);
        }
        text += " " + name + " = " + shown + ";";
      }
    }
    return "{" + text + " }";
  }

  void Object(const FxObjectOf<Form>& object) {
    const auto& type = m_object.types[object.type];
    std::string head = std::string((object.flags & kFxShared) ? "shared " : "") + type.name + " " + object.name +
                       Dimension(object.type);
    if (!object.semantic.empty()) head += " : " + object.semantic;
    if (object.flags & kFxExplicitBindPoint) {
      head += std::string(" : register(") + (type.baseType == D3D10_SVT_SAMPLER ? "s" : "t") +
              std::to_string(object.bindPoint) + ")";
    }
    head += Annotations(object.annotations);
    std::vector<std::string> values;
    for (const D3D10_BLEND_DESC& d : object.blends) values.push_back(StateBlock(FxStateObject::kBlend, d, FxDefaultBlendDesc()));
    for (const D3D10_DEPTH_STENCIL_DESC& d : object.depthStencils) {
      values.push_back(StateBlock(FxStateObject::kDepthStencil, d, FxDefaultDepthStencilDesc()));
    }
    for (const D3D10_RASTERIZER_DESC& d : object.rasterizers) {
      values.push_back(StateBlock(FxStateObject::kRasterizer, d, FxDefaultRasterizerDesc()));
    }
    for (const D3D10_SAMPLER_DESC& d : object.samplers) values.push_back(StateBlock(FxStateObject::kSampler, d, FxDefaultSamplerDesc()));
    for (const auto& s : object.strings) values.push_back(Quote(s.c_str()));
    for (uint32_t s : object.shaders) values.push_back(s == kFxNone ? "NULL" : "shader " + std::to_string(s));
    bool assigned = FxIsShaderType(type.baseType) || type.baseType == D3D10_SVT_STRING;
    if (values.empty()) {
      Line(head + ";");
    } else if (values.size() == 1) {
      Line(head + (assigned ? " = " : " ") + values[0] + ";");
    } else {
      std::string list;
      for (std::size_t i = 0; i < values.size(); ++i) list += (i ? ", " : "") + values[i];
      Line(head + (assigned ? " = {" : " {") + list + "};");
    }
  }

  std::string ObjectName(uint32_t variable, uint32_t element) const {
    const auto& object = m_object.objects[variable];
    return object.name + (m_object.types[object.type].elements ? "[" + std::to_string(element) + "]" : "");
  }

  std::string State(const FxStateRef& ref) const {
    return ref.kind == kFxStateNull ? "NULL" : ObjectName(ref.variable, ref.element);
  }

  void Technique(const FxTechniqueOf<Form>& technique) {
    Line("technique10 " + technique.name + Annotations(technique.annotations));
    Line("{");
    for (const auto& pass : technique.passes) {
      Line("  pass " + pass.name + Annotations(pass.annotations));
      Line("  {");
      for (uint32_t stage = 0; stage < kFxStageCount; ++stage) {
        const FxShaderRef& ref = pass.shaders[stage];
        std::string shader = ref.shader == kFxNone ? "NULL" : "shader " + std::to_string(ref.shader);
        if (ref.variable != kFxNone) shader = ObjectName(ref.variable, ref.element) + " /* " + shader + " */";
        Line(std::string("    Set") + kStageNames[stage] + "Shader(" + shader + ");");
      }
      if (pass.blend.kind != kFxStateUnset) {
        Line("    SetBlendState(" + State(pass.blend) + ", float4(" + Number(pass.blendFactor[0]) + ", " +
             Number(pass.blendFactor[1]) + ", " + Number(pass.blendFactor[2]) + ", " + Number(pass.blendFactor[3]) +
             "), " + Hex(pass.sampleMask) + ");");
      }
      if (pass.depthStencil.kind != kFxStateUnset) {
        Line("    SetDepthStencilState(" + State(pass.depthStencil) + ", " + std::to_string(pass.stencilRef) + ");");
      }
      if (pass.rasterizer.kind != kFxStateUnset) Line("    SetRasterizerState(" + State(pass.rasterizer) + ");");
      Line("  }");
    }
    Line("}");
  }

  std::string Signature(const typename Form::template List<FxSignatureElementOf<Form>>& elements) const {
    std::string text;
    for (const auto& e : elements) {
      static const char* const kTypes[] = {"?", "uint", "int", "float"};
      std::string mask;
      for (int c = 0; c < 4; ++c) {
        if (e.mask & (1u << c)) mask += "xyzw"[c];
      }
      text += (text.empty() ? "" : ", ") + e.semantic + std::to_string(e.index) + " r" + std::to_string(e.reg) + "." +
              mask + " " + kTypes[e.componentType & 3];
    }
    return text.empty() ? "none" : text;
  }

  void Shader(std::size_t index) {
    const auto& shader = m_object.shaders[index];
    Line("// shader " + std::to_string(index) + ": " + shader.profile + " " + shader.entry);
    Line("//   inputs: " + Signature(shader.inputs));
    Line("//   outputs: " + Signature(shader.outputs));
    for (const FxBinding& b : shader.constantBuffers) {
      Line("//   b" + std::to_string(b.slot) + " = " + m_object.buffers[b.index].name);
    }
    for (const FxBinding& b : shader.resources) Line("//   t" + std::to_string(b.slot) + " = " + ObjectName(b.index, b.element));
    for (const FxBinding& b : shader.samplers) Line("//   s" + std::to_string(b.slot) + " = " + ObjectName(b.index, b.element));
    if (!m_withCode) return;
    D3D10BlobReader blob(shader.bytecode.data(), shader.bytecode.size());
    if (!blob.Holds(0, 24)) return;
    uint32_t at = blob.U32(16), length = blob.U32(20);
    if (!blob.Holds(at, length)) return;
    m_text.append(reinterpret_cast<const char*>(blob.At(at)), length);
    if (length && m_text.back() != '\n') m_text += '\n';
  }

  const FxEffectObjectOf<Form>& m_object;
  bool m_withCode;
  std::string m_text;
};

}  // namespace

std::string FxDisassemble(const FxEffectObject& object, bool withCode) {
  return Listing<FxOwnedForm>(object, withCode).Run();
}

std::string FxDisassemble(const FxEffectObjectOf<FxLoadedForm>& object, bool withCode) {
  return Listing<FxLoadedForm>(object, withCode).Run();
}
