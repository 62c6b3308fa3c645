// The shader back end: one HLSL entry point to SPIR-V with glslang's HLSL
// front end, then to GLSL 4.50 with SPIRV-Cross, reflected into the
// effect's terms and packed into this platform's shader blob. Bindings are
// assigned once for the whole effect (GL refuses a program whose stages give
// one uniform block different bindings): a constant buffer's uniform block
// binding is its index, a (texture, sampler) pair gets one GL texture unit,
// and a varying semantic one location. Direct3D slots are assigned per
// shader, as fxc does: explicit registers first, then in declaration order.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "fx_diagnostics.h"
#include "fx_lexer.h"
#include "fx_object.h"

// What all shaders of one effect share while they are compiled.
class FxBackend {
 public:
  // `object` holds the effect's types, buffers and objects; `hlsl` is the
  // text to compile, whose #line directives name files by their index in
  // `diagnostics`; `tokens` locate the messages of the HLSL compiler.
  FxBackend(const FxEffectObject& object, std::string hlsl, const std::vector<FxToken>& tokens,
            FxDiagnostics& diagnostics);

  // Compiles `entry` for the stage; messages point at `at` when they have no
  // place of their own. False after errors.
  bool Compile(uint32_t stage, const std::string& entry, const std::string& profile, const FxLocation& at,
               FxShader* shader);

 private:
  bool Reflect(uint32_t stage, const FxLocation& at, const std::vector<uint32_t>& spirv, FxShader* shader);
  void TranslateLog(const std::string& log, const FxLocation& at);
  uint32_t Location(const std::string& semantic, uint32_t count);

  const FxEffectObject& m_object;
  std::string m_hlsl;
  FxDiagnostics& m_diagnostics;
  std::map<std::pair<uint32_t, uint32_t>, std::vector<const FxToken*>> m_lines;  // (file, line) → tokens
  std::map<std::string, uint32_t> m_bufferByName;
  std::map<std::string, std::pair<uint32_t, uint32_t>> m_objectByName;  // name → (object, element)
  std::map<std::tuple<uint32_t, uint32_t, uint32_t>, uint32_t> m_units;  // (texture, sampler, element) → first GL unit
  uint32_t m_nextUnit = 0;
  std::map<std::string, uint32_t> m_locations;  // varying semantic → location
  uint32_t m_nextLocation = 0;
};

// Checks SPIR-V bytes with the SPIR-V validator for OpenGL 4.5; false with
// the validator's messages when it is not valid.
bool FxValidateSpirv(const std::vector<uint8_t>& spirv, std::string* messages);

// Splits "TEXCOORD3" into "TEXCOORD" and 3.
void FxSplitSemantic(const std::string& semantic, std::string* name, uint32_t* index);
