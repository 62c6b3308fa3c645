#include "d3d10/d3d10_shader.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "d3d10/d3d10_blob.h"

namespace {

constexpr std::size_t kHeaderSize = 48;
constexpr std::size_t kSamplerRecordSize = 12;
constexpr std::size_t kBlockRecordSize = 8;

const GLenum kGLStages[] = {GL_VERTEX_SHADER, GL_GEOMETRY_SHADER, GL_FRAGMENT_SHADER};

// The shader blob's sections, pointing into it.
struct ShaderBlob {
  D3D10_PLATFORM_SHADER_STAGE stage;
  const char* source;
  std::size_t sourceLength;
  const void* signature;
  std::size_t signatureSize;
  std::vector<D3D10_PLATFORM_SAMPLER_BINDING> samplers;
  std::vector<D3D10_PLATFORM_CONSTANT_BUFFER_BINDING> constantBuffers;
};

// The rules of the binding records, shared by the builder and the parser.
HRESULT ValidateBindings(const D3D10_PLATFORM_SAMPLER_BINDING* samplers, UINT samplerCount,
                         const D3D10_PLATFORM_CONSTANT_BUFFER_BINDING* blocks, UINT blockCount) {
  for (UINT i = 0; i < samplerCount; ++i) {
    const D3D10_PLATFORM_SAMPLER_BINDING& s = samplers[i];
    // Slots are those of a Direct3D 10 shader stage.
    if (s.TextureSlot >= D3D10_COMMONSHADER_INPUT_RESOURCE_SLOT_COUNT) return E_INVALIDARG;
    if (s.SamplerSlot >= D3D10_COMMONSHADER_SAMPLER_SLOT_COUNT) return E_INVALIDARG;
    if (s.TextureUnit >= D3D10_PLATFORM_TEXTURE_UNIT_COUNT) return E_INVALIDARG;
    // A unit holds one texture and one sampler.
    for (UINT j = 0; j < i; ++j) {
      if (samplers[j].TextureUnit == s.TextureUnit) return E_INVALIDARG;
    }
  }
  for (UINT i = 0; i < blockCount; ++i) {
    if (blocks[i].Slot >= D3D10_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT) return E_INVALIDARG;
    if (blocks[i].Binding >= D3D10_PLATFORM_UNIFORM_BINDING_COUNT) return E_INVALIDARG;
    // A binding holds one buffer.
    for (UINT j = 0; j < i; ++j) {
      if (blocks[j].Binding == blocks[i].Binding) return E_INVALIDARG;
    }
  }
  return S_OK;
}

HRESULT ParseShaderBlob(const void* data, SIZE_T size, ShaderBlob* blob) {
  if (!data) return E_INVALIDARG;
  D3D10BlobReader in(data, size);
  if (!in.Holds(0, kHeaderSize)) return E_INVALIDARG;
  if (in.U32(0) != D3D10_PLATFORM_SHADER_MAGIC || in.U32(4) != D3D10_PLATFORM_BLOB_VERSION) return E_INVALIDARG;
  if (in.U32(8) != size) return E_INVALIDARG;
  uint32_t stage = in.U32(12);
  if (stage > D3D10_PLATFORM_SHADER_STAGE_PIXEL) return E_INVALIDARG;
  blob->stage = static_cast<D3D10_PLATFORM_SHADER_STAGE>(stage);

  uint32_t sourceAt = in.U32(16), sourceLength = in.U32(20);
  // The text is followed by its terminating zero.
  if (sourceLength == 0 || !in.Holds(sourceAt, std::size_t{sourceLength} + 1)) return E_INVALIDARG;
  if (in.U8(sourceAt + sourceLength) != 0) return E_INVALIDARG;
  blob->source = reinterpret_cast<const char*>(in.At(sourceAt));
  blob->sourceLength = sourceLength;

  uint32_t signatureAt = in.U32(24), signatureSize = in.U32(28);
  if (!in.Holds(signatureAt, signatureSize)) return E_INVALIDARG;
  blob->signature = signatureSize ? in.At(signatureAt) : nullptr;
  blob->signatureSize = signatureSize;
  if (signatureSize && blob->stage != D3D10_PLATFORM_SHADER_STAGE_VERTEX) return E_INVALIDARG;

  uint32_t samplerCount = in.U32(32), samplerAt = in.U32(36);
  if (samplerCount > size / kSamplerRecordSize || !in.Holds(samplerAt, samplerCount * kSamplerRecordSize)) {
    return E_INVALIDARG;
  }
  blob->samplers.resize(samplerCount);
  for (uint32_t i = 0; i < samplerCount; ++i) {
    std::size_t at = samplerAt + i * kSamplerRecordSize;
    blob->samplers[i] = {in.U32(at), in.U32(at + 4), in.U32(at + 8)};
  }
  uint32_t blockCount = in.U32(40), blockAt = in.U32(44);
  if (blockCount > size / kBlockRecordSize || !in.Holds(blockAt, blockCount * kBlockRecordSize)) return E_INVALIDARG;
  blob->constantBuffers.resize(blockCount);
  for (uint32_t i = 0; i < blockCount; ++i) {
    std::size_t at = blockAt + i * kBlockRecordSize;
    blob->constantBuffers[i] = {in.U32(at), in.U32(at + 4)};
  }
  return ValidateBindings(blob->samplers.data(), samplerCount, blob->constantBuffers.data(), blockCount);
}

std::string InfoLog(GLuint object, bool program) {
  GLint length = 0;
  if (program) {
    glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
  } else {
    glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
  }
  std::string log(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
  if (program) {
    glGetProgramInfoLog(object, length, nullptr, &log[0]);
  } else {
    glGetShaderInfoLog(object, length, nullptr, &log[0]);
  }
  return log.c_str();
}

}  // namespace

extern "C" HRESULT WINAPI D3D10PlatformBuildShader(const D3D10_PLATFORM_SHADER_DESC* pDesc, void* pBlob,
                                                   SIZE_T* pSize) {
  // The description must be complete.
  if (!pDesc || !pSize || !pDesc->pSource) return E_INVALIDARG;
  if (D3D10Raw(pDesc->Stage) > D3D10_PLATFORM_SHADER_STAGE_PIXEL) return E_INVALIDARG;
  std::size_t sourceLength = pDesc->SourceLength ? pDesc->SourceLength : std::strlen(pDesc->pSource);
  if (sourceLength == 0) return E_INVALIDARG;
  // Only vertex shaders take input from vertex buffers.
  if (pDesc->NumInputParameters && pDesc->Stage != D3D10_PLATFORM_SHADER_STAGE_VERTEX) return E_INVALIDARG;
  if ((pDesc->NumSamplerBindings && !pDesc->pSamplerBindings) ||
      (pDesc->NumConstantBuffers && !pDesc->pConstantBuffers)) {
    return E_INVALIDARG;
  }
  HRESULT hr = ValidateBindings(pDesc->pSamplerBindings, pDesc->NumSamplerBindings, pDesc->pConstantBuffers,
                                pDesc->NumConstantBuffers);
  if (FAILED(hr)) return hr;
  SIZE_T signatureSize = 0;
  bool hasSignature = pDesc->Stage == D3D10_PLATFORM_SHADER_STAGE_VERTEX;
  if (hasSignature) {
    hr = D3D10PlatformBuildSignature(pDesc->pInputParameters, pDesc->NumInputParameters, nullptr, &signatureSize);
    if (FAILED(hr)) return hr;
  }

  // Lay the sections out once to measure, once to write.
  auto layout = [&](D3D10BlobWriter& out) -> HRESULT {
    std::size_t header = out.Tell();
    out.U32(D3D10_PLATFORM_SHADER_MAGIC);
    out.U32(D3D10_PLATFORM_BLOB_VERSION);
    for (int i = 0; i < 10; ++i) out.U32(0);
    out.PatchU32(header + 12, pDesc->Stage);

    out.PatchU32(header + 16, static_cast<uint32_t>(out.Tell()));
    out.PatchU32(header + 20, static_cast<uint32_t>(sourceLength));
    out.Bytes(pDesc->pSource, sourceLength);
    out.U8(0);
    out.Align4();

    if (hasSignature) {
      out.PatchU32(header + 24, static_cast<uint32_t>(out.Tell()));
      out.PatchU32(header + 28, static_cast<uint32_t>(signatureSize));
      if (uint8_t* target = out.Reserve(signatureSize)) {
        SIZE_T written = signatureSize;
        HRESULT result =
            D3D10PlatformBuildSignature(pDesc->pInputParameters, pDesc->NumInputParameters, target, &written);
        if (FAILED(result)) return result;
      }
      out.Align4();
    }

    out.PatchU32(header + 32, pDesc->NumSamplerBindings);
    out.PatchU32(header + 36, static_cast<uint32_t>(out.Tell()));
    for (UINT i = 0; i < pDesc->NumSamplerBindings; ++i) {
      out.U32(pDesc->pSamplerBindings[i].TextureSlot);
      out.U32(pDesc->pSamplerBindings[i].SamplerSlot);
      out.U32(pDesc->pSamplerBindings[i].TextureUnit);
    }
    out.PatchU32(header + 40, pDesc->NumConstantBuffers);
    out.PatchU32(header + 44, static_cast<uint32_t>(out.Tell()));
    for (UINT i = 0; i < pDesc->NumConstantBuffers; ++i) {
      out.U32(pDesc->pConstantBuffers[i].Slot);
      out.U32(pDesc->pConstantBuffers[i].Binding);
    }
    out.PatchU32(header + 8, static_cast<uint32_t>(out.Tell()));
    return S_OK;
  };

  D3D10BlobWriter measure;
  layout(measure);
  std::size_t size = measure.Tell();
  if (!pBlob) {
    *pSize = size;
    return S_OK;
  }
  if (*pSize < size) return E_INVALIDARG;
  D3D10BlobWriter out(static_cast<uint8_t*>(pBlob));
  hr = layout(out);
  if (FAILED(hr)) return hr;
  *pSize = size;
  return S_OK;
}

extern "C" HRESULT WINAPI D3D10PlatformGetInputSignature(const void* pShader, SIZE_T Size, const void** ppSignature,
                                                         SIZE_T* pSignatureSize) {
  if (!pShader || !ppSignature || !pSignatureSize) return E_INVALIDARG;
  D3D10BlobReader in(pShader, Size);
  if (in.Holds(0, 4) && in.U32(0) == D3D10_PLATFORM_SIGNATURE_MAGIC) {
    *ppSignature = pShader;
    *pSignatureSize = Size;
    return S_OK;
  }
  ShaderBlob blob;
  HRESULT hr = ParseShaderBlob(pShader, Size, &blob);
  if (FAILED(hr)) return hr;
  if (!blob.signature) return E_INVALIDARG;
  *ppSignature = blob.signature;
  *pSignatureSize = blob.signatureSize;
  return S_OK;
}

HRESULT D3D10CompileShader(D3D10Device* device, const void* bytecode, SIZE_T length,
                           D3D10_PLATFORM_SHADER_STAGE stage, D3D10ShaderCode* code) {
  ShaderBlob blob;
  HRESULT hr = ParseShaderBlob(bytecode, length, &blob);
  if (FAILED(hr)) return hr;
  // A blob of another stage cannot make this kind of shader.
  if (blob.stage != stage) return E_INVALIDARG;
  if (blob.signature) {
    std::vector<D3D10SignatureInput> inputs;
    hr = D3D10ParseSignature(blob.signature, blob.signatureSize, &inputs);
    if (FAILED(hr)) return hr;
    for (const D3D10SignatureInput& input : inputs) {
      if (input.systemValue == D3D10_NAME_UNDEFINED) code->readsVertexBuffers = true;
    }
  }

  device->Activate();
  GLuint shader = glCreateShader(kGLStages[stage]);
  const GLchar* source = blob.source;
  GLint sourceLength = static_cast<GLint>(blob.sourceLength);
  glShaderSource(shader, 1, &source, &sourceLength);
  glCompileShader(shader);
  GLint compiled = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
  if (!compiled) {
    if (device->IsDebug()) std::fprintf(stderr, "d3d10: shader compilation failed:\n%s\n", InfoLog(shader, false).c_str());
    glDeleteShader(shader);
    return E_INVALIDARG;
  }
  code->stage = stage;
  code->shader = shader;
  code->samplers = std::move(blob.samplers);
  code->constantBuffers = std::move(blob.constantBuffers);
  return S_OK;
}

template <typename Interface, D3D10_PLATFORM_SHADER_STAGE Stage>
HRESULT D3D10Shader<Interface, Stage>::Create(D3D10Device* device, const void* bytecode, SIZE_T length,
                                              Interface** shader) {
  D3D10ShaderCode code;
  HRESULT hr = D3D10CompileShader(device, bytecode, length, Stage, &code);
  if (FAILED(hr)) return hr;
  if (!shader) {
    glDeleteShader(code.shader);
    return S_FALSE;
  }
  *shader = new (std::nothrow) D3D10Shader(device, std::move(code));
  if (!*shader) {
    glDeleteShader(code.shader);
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

template <typename Interface, D3D10_PLATFORM_SHADER_STAGE Stage>
D3D10Shader<Interface, Stage>::~D3D10Shader() {
  D3D10Device* device = this->Device();
  device->Activate();
  device->OnShaderDestroyed(static_cast<Interface*>(this));
  glDeleteShader(m_code.shader);
}

template class D3D10Shader<ID3D10VertexShader, D3D10_PLATFORM_SHADER_STAGE_VERTEX>;
template class D3D10Shader<ID3D10GeometryShader, D3D10_PLATFORM_SHADER_STAGE_GEOMETRY>;
template class D3D10Shader<ID3D10PixelShader, D3D10_PLATFORM_SHADER_STAGE_PIXEL>;

D3D10Program* D3D10LinkProgram(D3D10Device* device, const D3D10ShaderCode* stages[kStageCount]) {
  D3D10Program* program = new (std::nothrow) D3D10Program;
  if (!program) return nullptr;
  std::size_t samplers = 0, blocks = 0;
  for (unsigned stage = 0; stage < kStageCount; ++stage) {
    if (!stages[stage]) continue;
    samplers += stages[stage]->samplers.size();
    blocks += stages[stage]->constantBuffers.size();
  }
  program->samplers.reserve(samplers);
  program->blocks.reserve(blocks);
  GLuint name = glCreateProgram();
  for (unsigned stage = 0; stage < kStageCount; ++stage) {
    const D3D10ShaderCode* code = stages[stage];
    if (!code) continue;
    glAttachShader(name, code->shader);
    for (const D3D10_PLATFORM_SAMPLER_BINDING& s : code->samplers) {
      program->samplers.push_back({static_cast<uint8_t>(stage), static_cast<uint8_t>(s.TextureSlot),
                                   static_cast<uint8_t>(s.SamplerSlot), static_cast<uint8_t>(s.TextureUnit)});
    }
    for (const D3D10_PLATFORM_CONSTANT_BUFFER_BINDING& b : code->constantBuffers) {
      program->blocks.push_back(
          {static_cast<uint8_t>(stage), static_cast<uint8_t>(b.Slot), static_cast<uint8_t>(b.Binding)});
    }
  }
  program->readsVertexBuffers = stages[kStageVertex]->readsVertexBuffers;
  glLinkProgram(name);
  GLint linked = GL_FALSE;
  glGetProgramiv(name, GL_LINK_STATUS, &linked);
  // Detached now, the shaders cost the driver less when the program goes:
  // keeping them attached measured slower over a create-and-release cycle.
  for (unsigned stage = 0; stage < kStageCount; ++stage) {
    if (stages[stage]) glDetachShader(name, stages[stage]->shader);
  }
  if (!linked) {
    if (device->IsDebug()) std::fprintf(stderr, "d3d10: program link failed:\n%s\n", InfoLog(name, true).c_str());
    glDeleteProgram(name);
    name = 0;
  }
  program->program = name;
  ++device->Counters().programLinks;
  return program;
}

void D3D10DeleteProgram(D3D10Program* program) {
  if (program->program) glDeleteProgram(program->program);
  delete program;
}
