// Shaders from this platform's shader blobs (layout in d3d10_platform.h), and
// the GL programs linked from them per (VS, GS, PS) set.
#pragma once

#include <d3d10_platform.h>
#include <epoxy/gl.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "d3d10/d3d10_device.h"
#include "d3d10/d3d10_signature.h"

// A parsed and compiled shader blob.
struct D3D10ShaderCode {
  D3D10_PLATFORM_SHADER_STAGE stage;
  GLuint shader = 0;
  std::vector<D3D10_PLATFORM_SAMPLER_BINDING> samplers;
  std::vector<D3D10_PLATFORM_CONSTANT_BUFFER_BINDING> constantBuffers;
  // Whether the vertex shader reads inputs that vertex buffers feed.
  bool readsVertexBuffers = false;
};

// Parses a blob of the expected stage and compiles its GLSL. E_INVALIDARG
// for a malformed blob, another stage or GLSL that does not compile (the
// info log goes to stderr on a debug device).
HRESULT D3D10CompileShader(D3D10Device* device, const void* bytecode, SIZE_T length,
                           D3D10_PLATFORM_SHADER_STAGE stage, D3D10ShaderCode* code);

template <typename Interface, D3D10_PLATFORM_SHADER_STAGE Stage>
class D3D10Shader final : public D3D10DeviceChild<Interface> {
 public:
  static HRESULT Create(D3D10Device* device, const void* bytecode, SIZE_T length, Interface** shader);

  const D3D10ShaderCode& Code() const { return m_code; }

 private:
  D3D10Shader(D3D10Device* device, D3D10ShaderCode code)
      : D3D10DeviceChild<Interface>(device), m_code(std::move(code)) {}
  ~D3D10Shader() override;

  D3D10ShaderCode m_code;
};

using D3D10VertexShaderImpl = D3D10Shader<ID3D10VertexShader, D3D10_PLATFORM_SHADER_STAGE_VERTEX>;
using D3D10GeometryShaderImpl = D3D10Shader<ID3D10GeometryShader, D3D10_PLATFORM_SHADER_STAGE_GEOMETRY>;
using D3D10PixelShaderImpl = D3D10Shader<ID3D10PixelShader, D3D10_PLATFORM_SHADER_STAGE_PIXEL>;

// A linked program and the bindings of all its stages.
struct D3D10Program {
  struct Sampler {
    uint8_t stage;
    uint8_t textureSlot;
    uint8_t samplerSlot;
    uint8_t unit;
  };
  struct Block {
    uint8_t stage;
    uint8_t slot;
    uint8_t binding;
  };
  GLuint program = 0;  // 0 when linking failed: nothing draws with it
  bool readsVertexBuffers = false;
  std::vector<Sampler> samplers;
  std::vector<Block> blocks;
};

// Links the stages (geometry and pixel may be null). A failed link leaves the
// program 0, with the info log on stderr on a debug device.
D3D10Program* D3D10LinkProgram(D3D10Device* device, const D3D10ShaderCode* stages[kStageCount]);
void D3D10DeleteProgram(D3D10Program* program);
