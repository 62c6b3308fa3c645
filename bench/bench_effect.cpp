// Effects: compiling sources; creating effects from compiled objects against
// creating them from source and against compiling and linking the same GLSL
// programs by hand (an effect's creation compiles its shaders and links the
// program of every pass, so that no draw waits for a link); the first draw of
// every pass after creation, which then finds its program ready; and applying
// a pass with one changed matrix against binding the same GL program and
// uniform buffer by hand. Each figure is printed as a ratio against its
// baseline run in this process; CreateFromObjectVersusByHand also alternates
// creation and the hand-made work one by one and reports their ratio as a
// counter, which holds steadier than the ratio of two separate runs.
// CreateFromObjectVersusByHandWithBuffers does the same against a hand-made
// baseline that also makes the GL objects the effect's device calls make
// beside its programs: a uniform buffer per constant buffer, holding its
// initial values, and a sampler object per sampler state.
// CreateFromObject also reports the object's size and the heap one live
// effect holds.
//
// The effects are the test suite's samples, found beside this file's
// directory (tests/fx/data/effects). The separate hand-made runs use a second
// device's context, so that they never disturb the first device's view of GL;
// the alternated ones share the device's context, which compiling, linking
// and deleting leave as they found it.
#include <benchmark/benchmark.h>

#include <d3d10_platform.h>
#include <d3dx10.h>
#include <dlfcn.h>
#include <malloc.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "../platform/fx/fx_compiler.h"
#include "../platform/fx/fx_object.h"
#include "bench_ratio.h"

namespace {

const char* const kEffects[] = {"BasicLighting.fx", "Texturing.fx", "ShadowMap.fx",
                                "ParticleGS.fx",    "PostProcess.fx", "Instancing.fx"};

std::string EffectDirectory() {
  std::string file = __FILE__;
  return file.substr(0, file.rfind('/')) + "/../tests/fx/data/effects/";
}

// The GL entry points the hand-made baselines call, from EGL: the benchmark
// does not link GL itself.
struct Gl {
  PFNGLCREATESHADERPROC CreateShader;
  PFNGLSHADERSOURCEPROC ShaderSource;
  PFNGLCOMPILESHADERPROC CompileShader;
  PFNGLCREATEPROGRAMPROC CreateProgram;
  PFNGLATTACHSHADERPROC AttachShader;
  PFNGLLINKPROGRAMPROC LinkProgram;
  PFNGLGETPROGRAMIVPROC GetProgramiv;
  PFNGLDELETESHADERPROC DeleteShader;
  PFNGLDELETEPROGRAMPROC DeleteProgram;
  PFNGLUSEPROGRAMPROC UseProgram;
  PFNGLCREATEBUFFERSPROC CreateBuffers;
  PFNGLNAMEDBUFFERDATAPROC NamedBufferData;
  PFNGLNAMEDBUFFERSUBDATAPROC NamedBufferSubData;
  PFNGLBINDBUFFERBASEPROC BindBufferBase;
  PFNGLDELETEBUFFERSPROC DeleteBuffers;
  PFNGLCREATESAMPLERSPROC CreateSamplers;
  PFNGLSAMPLERPARAMETERIPROC SamplerParameteri;
  PFNGLDELETESAMPLERSPROC DeleteSamplers;

  bool Load() {
    void* egl = dlopen("libEGL.so.1", RTLD_LAZY);
    if (!egl) return false;
    using GetProc = void* (*)(const char*);
    GetProc get = reinterpret_cast<GetProc>(dlsym(egl, "eglGetProcAddress"));
    if (!get) return false;
    auto load = [&](auto& function, const char* name) {
      function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(get(name));
      return function != nullptr;
    };
    return load(CreateShader, "glCreateShader") && load(ShaderSource, "glShaderSource") &&
           load(CompileShader, "glCompileShader") && load(CreateProgram, "glCreateProgram") &&
           load(AttachShader, "glAttachShader") && load(LinkProgram, "glLinkProgram") &&
           load(GetProgramiv, "glGetProgramiv") && load(DeleteShader, "glDeleteShader") &&
           load(DeleteProgram, "glDeleteProgram") && load(UseProgram, "glUseProgram") &&
           load(CreateBuffers, "glCreateBuffers") && load(NamedBufferData, "glNamedBufferData") &&
           load(NamedBufferSubData, "glNamedBufferSubData") && load(BindBufferBase, "glBindBufferBase") &&
           load(DeleteBuffers, "glDeleteBuffers") && load(CreateSamplers, "glCreateSamplers") &&
           load(SamplerParameteri, "glSamplerParameteri") && load(DeleteSamplers, "glDeleteSamplers");
  }
};

std::string GlslOf(const FxShader& shader) {
  const uint8_t* blob = shader.bytecode.data();
  uint32_t at, length;
  std::memcpy(&at, blob + 16, 4);
  std::memcpy(&length, blob + 20, 4);
  return std::string(reinterpret_cast<const char*>(blob + at), length);
}

struct Effect {
  std::string name;
  std::string source;
  FxEffectObject object;
  std::vector<uint8_t> bytes;
};

class Bench {
 public:
  Bench() {
    D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_HARDWARE, nullptr, 0, D3D10_SDK_VERSION, &device);
    D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_HARDWARE, nullptr, 0, D3D10_SDK_VERSION, &glDevice);
    loaded = device && glDevice && gl.Load();
    if (!loaded) return;
    // A small target, so that passes can be drawn and their programs linked.
    D3D10_TEXTURE2D_DESC desc = {4, 4, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D10_USAGE_DEFAULT,
                                 D3D10_BIND_RENDER_TARGET, 0, 0};
    device->CreateTexture2D(&desc, nullptr, &target);
    device->CreateRenderTargetView(target, nullptr, &targetView);
    device->OMSetRenderTargets(1, &targetView, nullptr);
    D3D10_VIEWPORT viewport = {0, 0, 4, 4, 0, 1};
    device->RSSetViewports(1, &viewport);
    device->IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    for (const char* name : kEffects) {
      Effect effect;
      effect.name = name;
      FxReadFile(EffectDirectory() + name, &effect.source);
      FxCompile(effect.source, Options(&includes, name), &effect.object, nullptr);
      effect.bytes = FxWriteObject(effect.object);
      effects.push_back(std::move(effect));
    }
  }
  ~Bench() {
    if (targetView) targetView->Release();
    if (target) target->Release();
    if (glDevice) glDevice->Release();
    if (device) device->Release();
  }

  static FxCompileOptions Options(FxIncludeHandler* handler, const std::string& name) {
    FxCompileOptions options;
    options.sourceName = EffectDirectory() + name;
    options.includes = handler;
    return options;
  }

  // Draws every pass once.
  void DrawPasses(ID3D10Effect* effect) {
    D3D10_EFFECT_DESC desc;
    effect->GetDesc(&desc);
    for (UINT t = 0; t < desc.Techniques; ++t) {
      D3D10_TECHNIQUE_DESC technique;
      effect->GetTechniqueByIndex(t)->GetDesc(&technique);
      for (UINT p = 0; p < technique.Passes; ++p) {
        effect->GetTechniqueByIndex(t)->GetPassByIndex(p)->Apply(0);
        device->Draw(3, 0);
      }
    }
  }

  ID3D10Device* device = nullptr;
  ID3D10Device* glDevice = nullptr;
  ID3D10Texture2D* target = nullptr;
  ID3D10RenderTargetView* targetView = nullptr;
  bool loaded = false;
  Gl gl;
  FxFileIncludeHandler includes{{""}};
  std::vector<Effect> effects;
};

Bench& Shared() {
  static Bench bench;
  return bench;
}

void CompileSource(benchmark::State& state, std::size_t index) {
  Bench& bench = Shared();
  const Effect& effect = bench.effects[index];
  for (auto _ : state) {
    FxEffectObject object;
    std::string messages;
    if (!FxCompile(effect.source, Bench::Options(&bench.includes, effect.name), &object, &messages)) {
      state.SkipWithError(messages.c_str());
      break;
    }
  }
}

void CreateEffect(benchmark::State& state, std::size_t index, bool fromObject, bool draw) {
  Bench& bench = Shared();
  const Effect& effect = bench.effects[index];
  std::string path = EffectDirectory() + effect.name;
  const void* data = fromObject ? static_cast<const void*>(effect.bytes.data()) : effect.source.data();
  SIZE_T size = fromObject ? effect.bytes.size() : effect.source.size();
  for (auto _ : state) {
    ID3D10Effect* created = nullptr;
    if (FAILED(D3DX10CreateEffectFromMemory(data, size, path.c_str(), nullptr, nullptr, "fx_4_0", 0, 0, bench.device,
                                            nullptr, nullptr, &created, nullptr, nullptr))) {
      state.SkipWithError("creation failed");
      break;
    }
    if (draw) bench.DrawPasses(created);
    created->Release();
  }
  // The heap one live effect holds, driver memory included. The effect's own
  // part is also its peak, as reading and building free nothing they made;
  // the working memory the driver frees after a link is not counted.
  if (fromObject && !draw) {
    std::size_t before = mallinfo2().uordblks;
    ID3D10Effect* held = nullptr;
    D3DX10CreateEffectFromMemory(data, size, path.c_str(), nullptr, nullptr, "fx_4_0", 0, 0, bench.device, nullptr,
                                 nullptr, &held, nullptr, nullptr);
    std::size_t after = mallinfo2().uordblks;
    if (held) held->Release();
    state.counters["object_kb"] = size / 1024.0;
    state.counters["heap_kb"] = after > before ? (after - before) / 1024.0 : 0.0;
  }
}

// The same GLSL, compiled, and linked per distinct (VS, GS, PS) of the passes.
// Like the effect, the baseline keeps its shaders and programs until it is
// done with them (here: the end of the run), so that each link works beside
// the programs linked before it, as a loader's links do.
// With `withBuffers`, it also makes and deletes a uniform buffer per constant
// buffer, holding its initial values, and a sampler object per sampler state,
// with the filter and the wrap modes set.
class HandMade {
 public:
  HandMade(const Gl& gl, const FxEffectObject& object, bool withBuffers = false) : m_gl(gl), m_object(object) {
    for (const FxTechnique& technique : object.techniques) {
      for (const FxPass& pass : technique.passes) {
        m_programs.insert({pass.shaders[0].shader, pass.shaders[1].shader, pass.shaders[2].shader});
      }
    }
    for (const FxShader& shader : object.shaders) m_sources.push_back(GlslOf(shader));
    m_shaders.resize(object.shaders.size());
    m_names.reserve(m_programs.size());
    if (!withBuffers) return;
    for (const FxBuffer& buffer : object.buffers) {
      std::vector<uint8_t> values(buffer.glSize);
      std::memcpy(values.data(), buffer.initial.data(), std::min<std::size_t>(values.size(), buffer.initial.size()));
      m_bufferValues.push_back(std::move(values));
    }
    m_buffers.resize(m_bufferValues.size());
    for (const FxObject& variable : object.objects) m_samplers.resize(m_samplers.size() + variable.samplers.size());
  }

  // On the current context.
  void Run() {
    const GLenum stages[] = {GL_VERTEX_SHADER, GL_GEOMETRY_SHADER, GL_FRAGMENT_SHADER};
    for (std::size_t s = 0; s < m_shaders.size(); ++s) {
      m_shaders[s] = m_gl.CreateShader(stages[m_object.shaders[s].stage]);
      const GLchar* text = m_sources[s].c_str();
      m_gl.ShaderSource(m_shaders[s], 1, &text, nullptr);
      m_gl.CompileShader(m_shaders[s]);
    }
    for (const auto& program : m_programs) {
      GLuint name = m_gl.CreateProgram();
      for (uint32_t s : {std::get<0>(program), std::get<1>(program), std::get<2>(program)}) {
        if (s != kFxNone) m_gl.AttachShader(name, m_shaders[s]);
      }
      m_gl.LinkProgram(name);
      GLint linked = 0;
      m_gl.GetProgramiv(name, GL_LINK_STATUS, &linked);
      benchmark::DoNotOptimize(linked);
      m_names.push_back(name);
    }
    for (std::size_t b = 0; b < m_buffers.size(); ++b) {
      m_gl.CreateBuffers(1, &m_buffers[b]);
      m_gl.NamedBufferData(m_buffers[b], m_bufferValues[b].size(), m_bufferValues[b].data(), GL_DYNAMIC_DRAW);
    }
    for (GLuint& sampler : m_samplers) {
      m_gl.CreateSamplers(1, &sampler);
      m_gl.SamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
      for (GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R}) {
        m_gl.SamplerParameteri(sampler, wrap, GL_CLAMP_TO_EDGE);
      }
    }
    for (GLuint name : m_names) m_gl.DeleteProgram(name);
    for (GLuint shader : m_shaders) m_gl.DeleteShader(shader);
    if (!m_buffers.empty()) m_gl.DeleteBuffers(static_cast<GLsizei>(m_buffers.size()), m_buffers.data());
    if (!m_samplers.empty()) m_gl.DeleteSamplers(static_cast<GLsizei>(m_samplers.size()), m_samplers.data());
    m_names.clear();
  }

 private:
  const Gl& m_gl;
  const FxEffectObject& m_object;
  std::set<std::tuple<uint32_t, uint32_t, uint32_t>> m_programs;
  std::vector<std::string> m_sources;
  std::vector<GLuint> m_shaders;
  std::vector<GLuint> m_names;
  std::vector<std::vector<uint8_t>> m_bufferValues;
  std::vector<GLuint> m_buffers;
  std::vector<GLuint> m_samplers;
};

void CompileAndLinkGlslByHand(benchmark::State& state, std::size_t index) {
  Bench& bench = Shared();
  HandMade hand(bench.gl, bench.effects[index].object);
  bench.glDevice->Flush();  // makes the second device's context current
  for (auto _ : state) hand.Run();
  bench.device->Flush();
}

// Creation from the object and the hand-made work, alternated one by one on
// the device's context and timed apart: the machine's drift and what ran
// before touch both alike, which separate runs do not ensure. The counter
// "ratio" is the creations' time over the hand-made runs' time.
void CreateVersusHand(benchmark::State& state, std::size_t index, bool withBuffers) {
  using Clock = std::chrono::steady_clock;
  Bench& bench = Shared();
  const Effect& effect = bench.effects[index];
  HandMade hand(bench.gl, effect.object, withBuffers);
  Clock::duration created{}, byHand{};
  for (auto _ : state) {
    Clock::time_point start = Clock::now();
    ID3D10Effect* made = nullptr;
    if (FAILED(D3DX10CreateEffectFromMemory(effect.bytes.data(), effect.bytes.size(), nullptr, nullptr, nullptr,
                                            "fx_4_0", 0, 0, bench.device, nullptr, nullptr, &made, nullptr,
                                            nullptr))) {
      state.SkipWithError("creation failed");
      break;
    }
    made->Release();
    Clock::time_point between = Clock::now();
    hand.Run();
    created += between - start;
    byHand += Clock::now() - between;
  }
  if (byHand.count()) state.counters["ratio"] = static_cast<double>(created.count()) / byHand.count();
}

const char* const kApplyEffect = R"(
cbuffer PerObject { float4x4 World; float4 Color; };
float4 VS(float3 p : POSITION) : SV_Position { return mul(float4(p, 1), World); }
float4 PS() : SV_Target { return Color; }
technique10 T { pass P {
  SetVertexShader(CompileShader(vs_4_0, VS()));
  SetGeometryShader(NULL);
  SetPixelShader(CompileShader(ps_4_0, PS()));
} }
)";

void ApplyChangedMatrix(benchmark::State& state) {
  Bench& bench = Shared();
  ID3D10Effect* effect = nullptr;
  D3DX10CreateEffectFromMemory(kApplyEffect, std::strlen(kApplyEffect), nullptr, nullptr, nullptr, "fx_4_0", 0, 0,
                               bench.device, nullptr, nullptr, &effect, nullptr, nullptr);
  if (!effect) {
    state.SkipWithError("effect creation failed");
    return;
  }
  ID3D10EffectMatrixVariable* world = effect->GetVariableByName("World")->AsMatrix();
  ID3D10EffectPass* pass = effect->GetTechniqueByIndex(0)->GetPassByIndex(0);
  float matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  for (auto _ : state) {
    matrix[12] += 1.0f;
    world->SetMatrix(matrix);
    pass->Apply(0);
  }
  effect->Release();
}

// The GL work Apply stands for: the program, the buffer and its new values.
void BindByHand(benchmark::State& state) {
  Bench& bench = Shared();
  const Gl& gl = bench.gl;
  FxEffectObject object;
  FxCompile(kApplyEffect, FxCompileOptions(), &object, nullptr);
  bench.glDevice->Flush();
  GLuint shaders[2], program = gl.CreateProgram();
  for (int s = 0; s < 2; ++s) {
    std::string source = GlslOf(object.shaders[s]);
    const GLchar* text = source.c_str();
    shaders[s] = gl.CreateShader(s ? GL_FRAGMENT_SHADER : GL_VERTEX_SHADER);
    gl.ShaderSource(shaders[s], 1, &text, nullptr);
    gl.CompileShader(shaders[s]);
    gl.AttachShader(program, shaders[s]);
  }
  gl.LinkProgram(program);
  GLuint buffer = 0;
  gl.CreateBuffers(1, &buffer);
  gl.NamedBufferData(buffer, object.buffers[0].glSize, nullptr, GL_DYNAMIC_DRAW);
  float matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  for (auto _ : state) {
    matrix[12] += 1.0f;
    gl.UseProgram(program);
    gl.BindBufferBase(GL_UNIFORM_BUFFER, 0, buffer);
    gl.NamedBufferSubData(buffer, 0, sizeof(matrix), matrix);
  }
  gl.UseProgram(0);
  gl.DeleteBuffers(1, &buffer);
  gl.DeleteProgram(program);
  for (GLuint shader : shaders) gl.DeleteShader(shader);
  bench.device->Flush();
}

}  // namespace

int main(int argc, char** argv) {
  if (!Shared().loaded) {
    std::fprintf(stderr, "bench_effect: no device or no GL entry points\n");
    return 1;
  }
  std::vector<std::pair<std::string, std::string>> pairs;
  for (std::size_t i = 0; i < Shared().effects.size(); ++i) {
    std::string name = Shared().effects[i].name;
    name = name.substr(0, name.size() - 3);
    benchmark::RegisterBenchmark(("CompileSource/" + name).c_str(), CompileSource, i)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("CreateFromSource/" + name).c_str(), CreateEffect, i, false, false)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("CreateFromObject/" + name).c_str(), CreateEffect, i, true, false)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("CompileAndLinkGlslByHand/" + name).c_str(), CompileAndLinkGlslByHand, i)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("CreateAndDrawFromObject/" + name).c_str(), CreateEffect, i, true, true)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("CreateFromObjectVersusByHand/" + name).c_str(), CreateVersusHand, i, false)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("CreateFromObjectVersusByHandWithBuffers/" + name).c_str(), CreateVersusHand, i,
                                 true)
        ->Unit(benchmark::kMillisecond);
    pairs.emplace_back("CreateFromObject/" + name, "CompileAndLinkGlslByHand/" + name);
    pairs.emplace_back("CreateAndDrawFromObject/" + name, "CreateFromObject/" + name);
    pairs.emplace_back("CreateFromSource/" + name, "CreateFromObject/" + name);
  }
  benchmark::RegisterBenchmark("ApplyChangedMatrix", ApplyChangedMatrix);
  benchmark::RegisterBenchmark("BindByHand", BindByHand);
  pairs.emplace_back("ApplyChangedMatrix", "BindByHand");
  return RunWithRatios(argc, argv, pairs);
}
