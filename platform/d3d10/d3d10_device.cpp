#include "d3d10/d3d10_device.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>
#include <string_view>

#include "d3d10/d3d10_buffer.h"
#include "d3d10/d3d10_input_layout.h"
#include "d3d10/d3d10_shader.h"
#include "d3d10/d3d10_state.h"
#include "d3d10/d3d10_texture.h"
#include "d3d10/d3d10_view.h"
#include "dxgi/dxgi_adapter.h"
#include "testing/testing_faults.h"

EGLContext D3D10Device::s_currentContext = EGL_NO_CONTEXT;

namespace {

constexpr UINT kKnownCreateFlags = D3D10_CREATE_DEVICE_SINGLETHREADED | D3D10_CREATE_DEVICE_DEBUG |
                                   D3D10_CREATE_DEVICE_SWITCH_TO_REF |
                                   D3D10_CREATE_DEVICE_PREVENT_INTERNAL_THREADING_OPTIMIZATIONS |
                                   D3D10_CREATE_DEVICE_ALLOW_NULL_FROM_MAP | D3D10_CREATE_DEVICE_BGRA_SUPPORT;

// GL primitive modes by topology; kNoMode where Direct3D 10 has none.
constexpr GLenum kNoMode = 0xFFFFFFFFu;
const GLenum kPrimitiveModes[] = {kNoMode,
                                  GL_POINTS,
                                  GL_LINES,
                                  GL_LINE_STRIP,
                                  GL_TRIANGLES,
                                  GL_TRIANGLE_STRIP,
                                  kNoMode,
                                  kNoMode,
                                  kNoMode,
                                  kNoMode,
                                  GL_LINES_ADJACENCY,
                                  GL_LINE_STRIP_ADJACENCY,
                                  GL_TRIANGLES_ADJACENCY,
                                  GL_TRIANGLE_STRIP_ADJACENCY};

GLenum PrimitiveMode(D3D10_PRIMITIVE_TOPOLOGY topology) {
  return static_cast<UINT>(topology) < std::size(kPrimitiveModes) ? kPrimitiveModes[topology] : kNoMode;
}

EGLContext CreateContext(EGLDisplay display, bool debug) {
  if (!debug) return EglCreateCoreContext(display);
  static const EGLint kAttributes[] = {
      EGL_CONTEXT_MAJOR_VERSION, 4,
      EGL_CONTEXT_MINOR_VERSION, 5,
      EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
      EGL_CONTEXT_OPENGL_DEBUG, EGL_TRUE,
      EGL_NONE,
  };
  if (!eglBindAPI(EGL_OPENGL_API)) return EGL_NO_CONTEXT;
  return eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, kAttributes);
}

// Creation calls build objects with containers; an allocation failure
// becomes a result code instead of crossing the interface.
template <typename Create>
HRESULT Guarded(Create create) {
  try {
    return create();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

// Copies count bindings out with a reference each; slots past the table read null.
template <typename Interface, std::size_t N>
void GetBindings(const ComPtr<Interface> (&table)[N], UINT start, UINT count, Interface** out) {
  if (!out) return;
  for (UINT i = 0; i < count; ++i) {
    Interface* object = start + i < N ? table[start + i].Get() : nullptr;
    if (object) object->AddRef();
    out[i] = object;
  }
}

// Stores count bindings; true when any changed. Calls beyond the table are dropped.
template <typename Interface, std::size_t N>
bool SetBindings(ComPtr<Interface> (&table)[N], UINT start, UINT count, Interface* const* objects) {
  if (start > N || count > N - start) return false;
  bool changed = false;
  for (UINT i = 0; i < count; ++i) {
    Interface* object = objects ? objects[i] : nullptr;
    if (table[start + i].Get() == object) continue;
    table[start + i] = ComPtr<Interface>(object);
    changed = true;
  }
  return changed;
}

template <typename Interface>
void GetBinding(const ComPtr<Interface>& binding, Interface** out) {
  if (!out) return;
  *out = binding.Get();
  if (*out) (*out)->AddRef();
}

}  // namespace

void D3D10RetainDevice(D3D10Device* device) { device->RetainPrivate(); }
void D3D10ReleaseDevice(D3D10Device* device) { device->ReleasePrivate(); }
ID3D10Device* D3D10DeviceInterface(D3D10Device* device) { return device; }

extern "C" HRESULT WINAPI D3D10CreateDevice(IDXGIAdapter* pAdapter, D3D10_DRIVER_TYPE DriverType, HMODULE Software,
                                            UINT Flags, UINT SDKVersion, ID3D10Device** ppDevice) {
  static FaultSite s_site("D3D10CreateDevice");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  // The caller was built against this runtime's headers.
  if (SDKVersion != D3D10_SDK_VERSION) return E_INVALIDARG;
  if (!ppDevice) return E_INVALIDARG;
  *ppDevice = nullptr;
  // Known creation flags only.
  if (Flags & ~kKnownCreateFlags) return E_INVALIDARG;
  // A rasteriser module goes with the software driver type, and only with it.
  if ((DriverType == D3D10_DRIVER_TYPE_SOFTWARE) != (Software != nullptr)) return E_INVALIDARG;
  // An adapter is named for hardware devices only.
  if (pAdapter && DriverType != D3D10_DRIVER_TYPE_HARDWARE) return E_INVALIDARG;
  switch (D3D10Raw(DriverType)) {
    case D3D10_DRIVER_TYPE_HARDWARE:
      break;
    case D3D10_DRIVER_TYPE_REFERENCE:
    case D3D10_DRIVER_TYPE_NULL:
    case D3D10_DRIVER_TYPE_SOFTWARE:
    case D3D10_DRIVER_TYPE_WARP:
      // The adapters are the GL drivers; there is no other kind of device here.
      return DXGI_ERROR_UNSUPPORTED;
    default:
      return E_INVALIDARG;
  }
  const EglDevice* adapter = nullptr;
  if (pAdapter) {
    // Adapters come from this platform's factory.
    const DxgiAdapter* dxgiAdapter = dynamic_cast<const DxgiAdapter*>(pAdapter);
    if (!dxgiAdapter) return E_INVALIDARG;
    adapter = &dxgiAdapter->GetEglDevice();
  } else {
    const std::vector<EglDevice>& devices = EglDevices();
    if (devices.empty()) return DXGI_ERROR_UNSUPPORTED;
    adapter = &devices.front();
  }
  D3D10Device* device = nullptr;
  hr = D3D10Device::Create(*adapter, Flags, &device);
  if (FAILED(hr)) return hr;
  *ppDevice = device;
  return S_OK;
}

HRESULT D3D10Device::Create(const EglDevice& adapter, UINT flags, D3D10Device** device) {
  bool debug = (flags & D3D10_CREATE_DEVICE_DEBUG) != 0;
  EGLContext context = CreateContext(adapter.display, debug);
  if (context == EGL_NO_CONTEXT) return E_FAIL;
  D3D10Device* created = new (std::nothrow) D3D10Device(adapter.display, context, debug);
  if (!created) {
    eglDestroyContext(adapter.display, context);
    return E_OUTOFMEMORY;
  }
  if (!eglMakeCurrent(adapter.display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
    created->Release();
    return E_FAIL;
  }
  s_currentContext = context;
  created->InitialiseGL();
  *device = created;
  return S_OK;
}

D3D10Device::D3D10Device(EGLDisplay display, EGLContext context, bool debug)
    : m_display(display), m_context(context), m_debug(debug) {}

D3D10Device::~D3D10Device() {
  // A context that never became current holds no GL objects.
  if (m_vertexArray) {
    Activate();
    for (auto& entry : m_programs) {
      if (entry.second) D3D10DeleteProgram(entry.second);
    }
    for (auto& entry : m_framebuffers) glDeleteFramebuffers(1, &entry.second);
    glDeleteFramebuffers(1, &m_scratchFramebuffer);
    glDeleteVertexArrays(1, &m_vertexArray);
    glDeleteSamplers(1, &m_defaultSampler);
  }
  if (s_currentContext == m_context) {
    eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    s_currentContext = EGL_NO_CONTEXT;
  }
  eglDestroyContext(m_display, m_context);
}

void D3D10Device::MakeCurrent() {
  eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, m_context);
  s_currentContext = m_context;
}

void D3D10Device::InitialiseGL() {
  if (m_debug) {
    glEnable(GL_DEBUG_OUTPUT);
    glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    glDebugMessageCallback(OnDebugMessage, this);
  }
  // Direct3D's conventions: depth 0..1 and the first row at the top.
  glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
  // Flat attributes come from the first vertex; an index of all ones cuts strips.
  glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
  glEnable(GL_PRIMITIVE_RESTART_FIXED_INDEX);
  glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
  // sRGB views convert on write as Direct3D's do.
  glEnable(GL_FRAMEBUFFER_SRGB);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glCreateVertexArrays(1, &m_vertexArray);
  glBindVertexArray(m_vertexArray);
  glCreateFramebuffers(1, &m_scratchFramebuffer);
  m_defaultSampler = D3D10CreateGLSampler(kD3D10DefaultSamplerDesc);
}

void GLAPIENTRY D3D10Device::OnDebugMessage(GLenum source, GLenum type, GLuint, GLenum severity, GLsizei length,
                                            const GLchar* message, const void* userParam) {
  D3D10Device* device = static_cast<D3D10Device*>(const_cast<void*>(userParam));
  // Compiler diagnostics are the shader's errors, reported by CreateXShader; the rest are the platform's.
  if (type == GL_DEBUG_TYPE_ERROR && source != GL_DEBUG_SOURCE_SHADER_COMPILER) ++device->m_counters.glErrors;
  if (severity == GL_DEBUG_SEVERITY_NOTIFICATION) return;
  std::fprintf(stderr, "d3d10: GL: %.*s\n", static_cast<int>(length), message);
}

// IUnknown ----------------------------------------------------------------

HRESULT STDMETHODCALLTYPE D3D10Device::QueryInterface(REFIID riid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  if (!ComImplements<ID3D10Device>(riid)) {
    *ppvObject = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  *ppvObject = static_cast<ID3D10Device*>(this);
  return S_OK;
}

ULONG STDMETHODCALLTYPE D3D10Device::AddRef() { return ++m_publicRefs; }

ULONG STDMETHODCALLTYPE D3D10Device::Release() {
  ULONG count = --m_publicRefs;
  if (count == 0) {
    // Hold the device while the bindings let go of its children.
    ++m_privateRefs;
    ReleaseBindings();
    ReleasePrivate();
  }
  return count;
}

void D3D10Device::ReleasePrivate() {
  if (--m_privateRefs == 0 && m_publicRefs == 0) delete this;
}

// Children ------------------------------------------------------------------

void D3D10Device::OnBufferDestroyed(GLuint name) {
  for (GLuint& bound : m_glUniformBuffers) {
    if (bound == name) bound = 0;
  }
}

void D3D10Device::OnViewDestroyed(const void* view, GLuint name) {
  for (auto it = m_framebuffers.begin(); it != m_framebuffers.end();) {
    const FramebufferKey& key = it->first;
    if (std::find(std::begin(key.views), std::end(key.views), view) == std::end(key.views)) {
      ++it;
      continue;
    }
    if (it->second == m_glFramebuffer) {
      m_glFramebuffer = 0;
      m_dirty |= kDirtyFramebuffer;
    }
    glDeleteFramebuffers(1, &it->second);
    it = m_framebuffers.erase(it);
  }
  for (GLuint& bound : m_glTextures) {
    if (bound == name) bound = 0;
  }
}

void D3D10Device::OnSamplerDestroyed(GLuint name) {
  for (GLuint& bound : m_glSamplers) {
    if (bound == name) bound = 0;
  }
}

void D3D10Device::OnShaderDestroyed(const void* shader) {
  for (auto it = m_programs.begin(); it != m_programs.end();) {
    const ProgramKey& key = it->first;
    if (std::find(std::begin(key.shaders), std::end(key.shaders), shader) == std::end(key.shaders)) {
      ++it;
      continue;
    }
    D3D10Program* program = it->second;
    if (program == m_program) {
      m_program = nullptr;
      m_dirty |= kDirtyProgram;
    }
    if (program && program->program == m_glProgram) m_glProgram = 0;
    if (program) D3D10DeleteProgram(program);
    it = m_programs.erase(it);
  }
}

void D3D10Device::OnInputLayoutDestroyed(const void* layout) {
  if (m_appliedLayout == layout) m_appliedLayout = nullptr;
}

IUnknown* D3D10Device::FindState(const D3D10StateKey& key) {
  auto it = m_states.find(key);
  if (it == m_states.end()) return nullptr;
  it->second->AddRef();
  return it->second;
}

bool D3D10Device::ProgramKey::operator==(const ProgramKey& other) const {
  return std::equal(std::begin(shaders), std::end(shaders), std::begin(other.shaders));
}

bool D3D10Device::FramebufferKey::operator==(const FramebufferKey& other) const {
  return std::equal(std::begin(views), std::end(views), std::begin(other.views));
}

std::size_t D3D10Device::KeyHash::operator()(const ProgramKey& key) const {
  std::size_t hash = 0;
  for (const void* shader : key.shaders) hash = hash * 31 + std::hash<const void*>()(shader);
  return hash;
}

std::size_t D3D10Device::KeyHash::operator()(const FramebufferKey& key) const {
  std::size_t hash = 0;
  for (const void* view : key.views) hash = hash * 31 + std::hash<const void*>()(view);
  return hash;
}

std::size_t D3D10Device::KeyHash::operator()(const D3D10StateKey& key) const {
  return std::hash<std::string_view>()(std::string_view(key.bytes, key.size));
}

// Bindings ------------------------------------------------------------------

void D3D10Device::SetConstantBuffers(D3D10Stage stage, UINT start, UINT count, ID3D10Buffer* const* buffers) {
  if (SetBindings(m_stages[stage].constantBuffers, start, count, buffers)) m_dirty |= kDirtyResources;
}

void D3D10Device::SetShaderResources(D3D10Stage stage, UINT start, UINT count,
                                     ID3D10ShaderResourceView* const* views) {
  if (SetBindings(m_stages[stage].resources, start, count, views)) m_dirty |= kDirtyResources;
}

void D3D10Device::SetSamplers(D3D10Stage stage, UINT start, UINT count, ID3D10SamplerState* const* samplers) {
  if (SetBindings(m_stages[stage].samplers, start, count, samplers)) m_dirty |= kDirtyResources;
}

void D3D10Device::GetConstantBuffers(D3D10Stage stage, UINT start, UINT count, ID3D10Buffer** buffers) {
  GetBindings(m_stages[stage].constantBuffers, start, count, buffers);
}

void D3D10Device::GetShaderResources(D3D10Stage stage, UINT start, UINT count, ID3D10ShaderResourceView** views) {
  GetBindings(m_stages[stage].resources, start, count, views);
}

void D3D10Device::GetSamplers(D3D10Stage stage, UINT start, UINT count, ID3D10SamplerState** samplers) {
  GetBindings(m_stages[stage].samplers, start, count, samplers);
}

void STDMETHODCALLTYPE D3D10Device::VSSetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                         ID3D10Buffer* const* ppConstantBuffers) {
  SetConstantBuffers(kStageVertex, StartSlot, NumBuffers, ppConstantBuffers);
}
void STDMETHODCALLTYPE D3D10Device::PSSetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                         ID3D10Buffer* const* ppConstantBuffers) {
  SetConstantBuffers(kStagePixel, StartSlot, NumBuffers, ppConstantBuffers);
}
void STDMETHODCALLTYPE D3D10Device::GSSetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                         ID3D10Buffer* const* ppConstantBuffers) {
  SetConstantBuffers(kStageGeometry, StartSlot, NumBuffers, ppConstantBuffers);
}
void STDMETHODCALLTYPE D3D10Device::VSSetShaderResources(UINT StartSlot, UINT NumViews,
                                                         ID3D10ShaderResourceView* const* ppShaderResourceViews) {
  SetShaderResources(kStageVertex, StartSlot, NumViews, ppShaderResourceViews);
}
void STDMETHODCALLTYPE D3D10Device::PSSetShaderResources(UINT StartSlot, UINT NumViews,
                                                         ID3D10ShaderResourceView* const* ppShaderResourceViews) {
  SetShaderResources(kStagePixel, StartSlot, NumViews, ppShaderResourceViews);
}
void STDMETHODCALLTYPE D3D10Device::GSSetShaderResources(UINT StartSlot, UINT NumViews,
                                                         ID3D10ShaderResourceView* const* ppShaderResourceViews) {
  SetShaderResources(kStageGeometry, StartSlot, NumViews, ppShaderResourceViews);
}
void STDMETHODCALLTYPE D3D10Device::VSSetSamplers(UINT StartSlot, UINT NumSamplers,
                                                  ID3D10SamplerState* const* ppSamplers) {
  SetSamplers(kStageVertex, StartSlot, NumSamplers, ppSamplers);
}
void STDMETHODCALLTYPE D3D10Device::PSSetSamplers(UINT StartSlot, UINT NumSamplers,
                                                  ID3D10SamplerState* const* ppSamplers) {
  SetSamplers(kStagePixel, StartSlot, NumSamplers, ppSamplers);
}
void STDMETHODCALLTYPE D3D10Device::GSSetSamplers(UINT StartSlot, UINT NumSamplers,
                                                  ID3D10SamplerState* const* ppSamplers) {
  SetSamplers(kStageGeometry, StartSlot, NumSamplers, ppSamplers);
}
void STDMETHODCALLTYPE D3D10Device::VSGetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                         ID3D10Buffer** ppConstantBuffers) {
  GetConstantBuffers(kStageVertex, StartSlot, NumBuffers, ppConstantBuffers);
}
void STDMETHODCALLTYPE D3D10Device::PSGetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                         ID3D10Buffer** ppConstantBuffers) {
  GetConstantBuffers(kStagePixel, StartSlot, NumBuffers, ppConstantBuffers);
}
void STDMETHODCALLTYPE D3D10Device::GSGetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                         ID3D10Buffer** ppConstantBuffers) {
  GetConstantBuffers(kStageGeometry, StartSlot, NumBuffers, ppConstantBuffers);
}
void STDMETHODCALLTYPE D3D10Device::VSGetShaderResources(UINT StartSlot, UINT NumViews,
                                                         ID3D10ShaderResourceView** ppShaderResourceViews) {
  GetShaderResources(kStageVertex, StartSlot, NumViews, ppShaderResourceViews);
}
void STDMETHODCALLTYPE D3D10Device::PSGetShaderResources(UINT StartSlot, UINT NumViews,
                                                         ID3D10ShaderResourceView** ppShaderResourceViews) {
  GetShaderResources(kStagePixel, StartSlot, NumViews, ppShaderResourceViews);
}
void STDMETHODCALLTYPE D3D10Device::GSGetShaderResources(UINT StartSlot, UINT NumViews,
                                                         ID3D10ShaderResourceView** ppShaderResourceViews) {
  GetShaderResources(kStageGeometry, StartSlot, NumViews, ppShaderResourceViews);
}
void STDMETHODCALLTYPE D3D10Device::VSGetSamplers(UINT StartSlot, UINT NumSamplers, ID3D10SamplerState** ppSamplers) {
  GetSamplers(kStageVertex, StartSlot, NumSamplers, ppSamplers);
}
void STDMETHODCALLTYPE D3D10Device::PSGetSamplers(UINT StartSlot, UINT NumSamplers, ID3D10SamplerState** ppSamplers) {
  GetSamplers(kStagePixel, StartSlot, NumSamplers, ppSamplers);
}
void STDMETHODCALLTYPE D3D10Device::GSGetSamplers(UINT StartSlot, UINT NumSamplers, ID3D10SamplerState** ppSamplers) {
  GetSamplers(kStageGeometry, StartSlot, NumSamplers, ppSamplers);
}

void STDMETHODCALLTYPE D3D10Device::VSSetShader(ID3D10VertexShader* pVertexShader) {
  if (m_vertexShader.Get() == pVertexShader) return;
  m_vertexShader = ComPtr<ID3D10VertexShader>(pVertexShader);
  m_dirty |= kDirtyProgram;
}
void STDMETHODCALLTYPE D3D10Device::GSSetShader(ID3D10GeometryShader* pShader) {
  if (m_geometryShader.Get() == pShader) return;
  m_geometryShader = ComPtr<ID3D10GeometryShader>(pShader);
  m_dirty |= kDirtyProgram;
}
void STDMETHODCALLTYPE D3D10Device::PSSetShader(ID3D10PixelShader* pPixelShader) {
  if (m_pixelShader.Get() == pPixelShader) return;
  m_pixelShader = ComPtr<ID3D10PixelShader>(pPixelShader);
  m_dirty |= kDirtyProgram;
}
void STDMETHODCALLTYPE D3D10Device::VSGetShader(ID3D10VertexShader** ppVertexShader) {
  GetBinding(m_vertexShader, ppVertexShader);
}
void STDMETHODCALLTYPE D3D10Device::GSGetShader(ID3D10GeometryShader** ppGeometryShader) {
  GetBinding(m_geometryShader, ppGeometryShader);
}
void STDMETHODCALLTYPE D3D10Device::PSGetShader(ID3D10PixelShader** ppPixelShader) {
  GetBinding(m_pixelShader, ppPixelShader);
}

void STDMETHODCALLTYPE D3D10Device::IASetInputLayout(ID3D10InputLayout* pInputLayout) {
  if (m_inputLayout.Get() != pInputLayout) m_inputLayout = ComPtr<ID3D10InputLayout>(pInputLayout);
}
void STDMETHODCALLTYPE D3D10Device::IAGetInputLayout(ID3D10InputLayout** ppInputLayout) {
  GetBinding(m_inputLayout, ppInputLayout);
}

void STDMETHODCALLTYPE D3D10Device::IASetVertexBuffers(UINT StartSlot, UINT NumBuffers,
                                                       ID3D10Buffer* const* ppVertexBuffers, const UINT* pStrides,
                                                       const UINT* pOffsets) {
  // Calls past the 16 input slots are dropped whole.
  if (StartSlot > D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT ||
      NumBuffers > D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT - StartSlot) {
    return;
  }
  for (UINT i = 0; i < NumBuffers; ++i) {
    VertexBufferBinding& binding = m_vertexBuffers[StartSlot + i];
    ID3D10Buffer* buffer = ppVertexBuffers ? ppVertexBuffers[i] : nullptr;
    UINT stride = pStrides ? pStrides[i] : 0;
    UINT offset = pOffsets ? pOffsets[i] : 0;
    if (binding.buffer.Get() == buffer && binding.stride == stride && binding.offset == offset) continue;
    binding.buffer = ComPtr<ID3D10Buffer>(buffer);
    binding.stride = stride;
    binding.offset = offset;
    m_dirtyVertexBuffers |= 1u << (StartSlot + i);
  }
}

void STDMETHODCALLTYPE D3D10Device::IAGetVertexBuffers(UINT StartSlot, UINT NumBuffers, ID3D10Buffer** ppVertexBuffers,
                                                       UINT* pStrides, UINT* pOffsets) {
  for (UINT i = 0; i < NumBuffers; ++i) {
    UINT slot = StartSlot + i;
    const VertexBufferBinding* binding =
        slot < D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT ? &m_vertexBuffers[slot] : nullptr;
    if (ppVertexBuffers) {
      ppVertexBuffers[i] = nullptr;
      if (binding) GetBinding(binding->buffer, &ppVertexBuffers[i]);
    }
    if (pStrides) pStrides[i] = binding ? binding->stride : 0;
    if (pOffsets) pOffsets[i] = binding ? binding->offset : 0;
  }
}

void STDMETHODCALLTYPE D3D10Device::IASetIndexBuffer(ID3D10Buffer* pIndexBuffer, DXGI_FORMAT Format, UINT Offset) {
  if (m_indexBuffer.Get() != pIndexBuffer) {
    m_indexBuffer = ComPtr<ID3D10Buffer>(pIndexBuffer);
    m_dirty |= kDirtyIndexBuffer;
  }
  m_indexFormat = Format;
  m_indexOffset = Offset;
  // Indices are 16 or 32 bits; any other format draws nothing.
  m_glIndexType = Format == DXGI_FORMAT_R16_UINT   ? GL_UNSIGNED_SHORT
                  : Format == DXGI_FORMAT_R32_UINT ? GL_UNSIGNED_INT
                                                   : 0;
}

void STDMETHODCALLTYPE D3D10Device::IAGetIndexBuffer(ID3D10Buffer** pIndexBuffer, DXGI_FORMAT* Format, UINT* Offset) {
  GetBinding(m_indexBuffer, pIndexBuffer);
  if (Format) *Format = m_indexFormat;
  if (Offset) *Offset = m_indexOffset;
}

void STDMETHODCALLTYPE D3D10Device::IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY Topology) {
  m_topology = Topology;
  m_glTopology = PrimitiveMode(Topology);
}

void STDMETHODCALLTYPE D3D10Device::IAGetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY* pTopology) {
  if (pTopology) *pTopology = m_topology;
}

void STDMETHODCALLTYPE D3D10Device::OMSetRenderTargets(UINT NumViews,
                                                       ID3D10RenderTargetView* const* ppRenderTargetViews,
                                                       ID3D10DepthStencilView* pDepthStencilView) {
  if (NumViews > D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT) return;
  bool changed = false;
  for (UINT i = 0; i < D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT; ++i) {
    ID3D10RenderTargetView* view = i < NumViews && ppRenderTargetViews ? ppRenderTargetViews[i] : nullptr;
    if (m_renderTargets[i].Get() == view) continue;
    m_renderTargets[i] = ComPtr<ID3D10RenderTargetView>(view);
    changed = true;
  }
  if (m_depthStencil.Get() != pDepthStencilView) {
    m_depthStencil = ComPtr<ID3D10DepthStencilView>(pDepthStencilView);
    changed = true;
  }
  if (changed) m_dirty |= kDirtyFramebuffer;
}

void STDMETHODCALLTYPE D3D10Device::OMGetRenderTargets(UINT NumViews, ID3D10RenderTargetView** ppRenderTargetViews,
                                                       ID3D10DepthStencilView** ppDepthStencilView) {
  GetBindings(m_renderTargets, 0, NumViews, ppRenderTargetViews);
  GetBinding(m_depthStencil, ppDepthStencilView);
}

void STDMETHODCALLTYPE D3D10Device::OMSetBlendState(ID3D10BlendState* pBlendState, const FLOAT BlendFactor[4],
                                                    UINT SampleMask) {
  static const FLOAT kOnes[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  const FLOAT* factor = BlendFactor ? BlendFactor : kOnes;
  if (m_blendState.Get() == pBlendState && SampleMask == m_sampleMask &&
      std::equal(factor, factor + 4, m_blendFactor)) {
    return;
  }
  m_blendState = ComPtr<ID3D10BlendState>(pBlendState);
  std::copy(factor, factor + 4, m_blendFactor);
  m_sampleMask = SampleMask;
  m_dirty |= kDirtyBlend;
}

void STDMETHODCALLTYPE D3D10Device::OMGetBlendState(ID3D10BlendState** ppBlendState, FLOAT BlendFactor[4],
                                                    UINT* pSampleMask) {
  GetBinding(m_blendState, ppBlendState);
  if (BlendFactor) std::copy(m_blendFactor, m_blendFactor + 4, BlendFactor);
  if (pSampleMask) *pSampleMask = m_sampleMask;
}

void STDMETHODCALLTYPE D3D10Device::OMSetDepthStencilState(ID3D10DepthStencilState* pDepthStencilState,
                                                           UINT StencilRef) {
  if (m_depthStencilState.Get() == pDepthStencilState && m_stencilRef == StencilRef) return;
  m_depthStencilState = ComPtr<ID3D10DepthStencilState>(pDepthStencilState);
  m_stencilRef = StencilRef;
  m_dirty |= kDirtyDepthStencil;
}

void STDMETHODCALLTYPE D3D10Device::OMGetDepthStencilState(ID3D10DepthStencilState** ppDepthStencilState,
                                                           UINT* pStencilRef) {
  GetBinding(m_depthStencilState, ppDepthStencilState);
  if (pStencilRef) *pStencilRef = m_stencilRef;
}

void STDMETHODCALLTYPE D3D10Device::RSSetState(ID3D10RasterizerState* pRasterizerState) {
  if (m_rasterizerState.Get() == pRasterizerState) return;
  m_rasterizerState = ComPtr<ID3D10RasterizerState>(pRasterizerState);
  m_dirty |= kDirtyRasterizer;
}

void STDMETHODCALLTYPE D3D10Device::RSGetState(ID3D10RasterizerState** ppRasterizerState) {
  GetBinding(m_rasterizerState, ppRasterizerState);
}

void STDMETHODCALLTYPE D3D10Device::RSSetViewports(UINT NumViewports, const D3D10_VIEWPORT* pViewports) {
  if (NumViewports > D3D10_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE || (NumViewports && !pViewports)) return;
  std::copy(pViewports, pViewports + NumViewports, m_viewports);
  m_viewportCount = NumViewports;
  m_dirty |= kDirtyViewports;
}

void STDMETHODCALLTYPE D3D10Device::RSGetViewports(UINT* NumViewports, D3D10_VIEWPORT* pViewports) {
  if (!NumViewports) return;
  if (!pViewports) {
    *NumViewports = m_viewportCount;
    return;
  }
  for (UINT i = 0; i < *NumViewports; ++i) pViewports[i] = i < m_viewportCount ? m_viewports[i] : D3D10_VIEWPORT{};
}

void STDMETHODCALLTYPE D3D10Device::RSSetScissorRects(UINT NumRects, const D3D10_RECT* pRects) {
  if (NumRects > D3D10_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE || (NumRects && !pRects)) return;
  std::copy(pRects, pRects + NumRects, m_scissors);
  m_scissorCount = NumRects;
  m_dirty |= kDirtyScissors;
}

void STDMETHODCALLTYPE D3D10Device::RSGetScissorRects(UINT* NumRects, D3D10_RECT* pRects) {
  if (!NumRects) return;
  if (!pRects) {
    *NumRects = m_scissorCount;
    return;
  }
  for (UINT i = 0; i < *NumRects; ++i) pRects[i] = i < m_scissorCount ? m_scissors[i] : D3D10_RECT{};
}

void D3D10Device::ReleaseBindings() {
  for (StageBindings& stage : m_stages) {
    for (auto& binding : stage.constantBuffers) binding.Reset();
    for (auto& binding : stage.resources) binding.Reset();
    for (auto& binding : stage.samplers) binding.Reset();
  }
  m_vertexShader.Reset();
  m_geometryShader.Reset();
  m_pixelShader.Reset();
  m_inputLayout.Reset();
  for (VertexBufferBinding& binding : m_vertexBuffers) binding = VertexBufferBinding();
  m_indexBuffer.Reset();
  for (auto& view : m_renderTargets) view.Reset();
  m_depthStencil.Reset();
  m_blendState.Reset();
  m_depthStencilState.Reset();
  m_rasterizerState.Reset();
}

void STDMETHODCALLTYPE D3D10Device::ClearState() {
  ReleaseBindings();
  m_indexFormat = DXGI_FORMAT_UNKNOWN;
  m_indexOffset = 0;
  m_glIndexType = 0;
  m_topology = D3D10_PRIMITIVE_TOPOLOGY_UNDEFINED;
  m_glTopology = kNoMode;
  std::fill(std::begin(m_blendFactor), std::end(m_blendFactor), 1.0f);
  m_sampleMask = D3D10_DEFAULT_SAMPLE_MASK;
  m_stencilRef = 0;
  m_viewportCount = 0;
  m_scissorCount = 0;
  m_dirty = kDirtyAll;
  m_dirtyVertexBuffers = (1u << D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT) - 1;
}

void STDMETHODCALLTYPE D3D10Device::Flush() {
  Activate();
  glFlush();
}

HRESULT STDMETHODCALLTYPE D3D10Device::GetDeviceRemovedReason() { return S_OK; }

// Drawing -------------------------------------------------------------------

bool D3D10Device::PrepareDraw(bool indexed) {
  Activate();
  if (!m_vertexShader || m_glTopology == kNoMode) return false;
  if (m_dirty & kDirtyFramebuffer) ApplyFramebuffer();
  if (!m_hasTargets) return false;
  if (m_dirty & kDirtyProgram) ApplyProgram();
  if (!m_program || !m_program->program) return false;
  // A shader that fetches vertices needs an input layout to fetch them with.
  if (m_program->readsVertexBuffers && !m_inputLayout) return false;
  if (indexed) {
    if (!m_indexBuffer || !m_glIndexType) return false;
    if (m_dirty & kDirtyIndexBuffer) {
      glVertexArrayElementBuffer(m_vertexArray, static_cast<D3D10Buffer*>(m_indexBuffer.Get())->Name());
      m_dirty &= ~kDirtyIndexBuffer;
    }
  }
  ApplyVertexInput();
  if (m_dirty & kDirtyResources) ApplyResources();
  if (m_dirty & (kDirtyRasterizer | kDirtyDepthStencil | kDirtyBlend)) ApplyStates();
  if (m_dirty & (kDirtyViewports | kDirtyScissors)) ApplyViewportsAndScissors();
  return true;
}

void D3D10Device::ApplyFramebuffer() {
  m_dirty &= ~kDirtyFramebuffer;
  FramebufferKey key = {};
  bool any = false;
  for (UINT i = 0; i < D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT; ++i) {
    key.views[i] = m_renderTargets[i].Get();
    any |= key.views[i] != nullptr;
  }
  key.views[D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT] = m_depthStencil.Get();
  any |= m_depthStencil.Get() != nullptr;
  m_hasTargets = false;
  if (!any) return;

  auto it = m_framebuffers.find(key);
  if (it == m_framebuffers.end()) {
    GLuint framebuffer = 0;
    glCreateFramebuffers(1, &framebuffer);
    GLenum drawBuffers[D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT];
    for (UINT i = 0; i < D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT; ++i) {
      auto* view = static_cast<D3D10RenderTargetView*>(m_renderTargets[i].Get());
      drawBuffers[i] = view ? GL_COLOR_ATTACHMENT0 + i : GL_NONE;
      if (view) view->Attach(framebuffer, GL_COLOR_ATTACHMENT0 + i);
    }
    glNamedFramebufferDrawBuffers(framebuffer, D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT, drawBuffers);
    if (auto* view = static_cast<D3D10DepthStencilView*>(m_depthStencil.Get())) {
      view->Attach(framebuffer, view->HasStencil() ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT);
    }
    // An incomplete set stays cached as nothing to draw into.
    if (glCheckNamedFramebufferStatus(framebuffer, GL_DRAW_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
      glDeleteFramebuffers(1, &framebuffer);
      framebuffer = 0;
    }
    ++m_counters.framebufferCreations;
    it = m_framebuffers.emplace(key, framebuffer).first;
  }
  if (!it->second) return;
  if (it->second != m_glFramebuffer) {
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, it->second);
    m_glFramebuffer = it->second;
  }
  m_hasTargets = true;
}

const D3D10Program* D3D10Device::FindOrLinkProgram(ID3D10VertexShader* vertex, ID3D10GeometryShader* geometry,
                                                  ID3D10PixelShader* pixel) {
  ProgramKey key = {{vertex, geometry, pixel}};
  auto it = m_programs.find(key);
  if (it == m_programs.end()) {
    const D3D10ShaderCode* stages[kStageCount] = {
        &static_cast<D3D10VertexShaderImpl*>(vertex)->Code(),
        geometry ? &static_cast<D3D10GeometryShaderImpl*>(geometry)->Code() : nullptr,
        pixel ? &static_cast<D3D10PixelShaderImpl*>(pixel)->Code() : nullptr,
    };
    it = m_programs.emplace(key, D3D10LinkProgram(this, stages)).first;
  }
  return it->second;
}

HRESULT D3D10Device::PrepareProgram(ID3D10VertexShader* vertex, ID3D10GeometryShader* geometry,
                                    ID3D10PixelShader* pixel) {
  if (!vertex) return E_INVALIDARG;
  Activate();
  const D3D10Program* program = nullptr;
  HRESULT hr = Guarded([&] {
    program = FindOrLinkProgram(vertex, geometry, pixel);
    return S_OK;
  });
  if (FAILED(hr) || !program) return E_OUTOFMEMORY;
  return program->program ? S_OK : E_FAIL;
}

void D3D10Device::ApplyProgram() {
  m_dirty &= ~kDirtyProgram;
  m_program = FindOrLinkProgram(m_vertexShader.Get(), m_geometryShader.Get(), m_pixelShader.Get());
  if (m_program && m_program->program && m_program->program != m_glProgram) {
    glUseProgram(m_program->program);
    m_glProgram = m_program->program;
  }
  // Another program reads other slots through other units and bindings.
  m_dirty |= kDirtyResources;
}

void D3D10Device::ApplyVertexInput() {
  const D3D10InputLayout* layout = static_cast<D3D10InputLayout*>(m_inputLayout.Get());
  if (layout && layout != m_appliedLayout) {
    m_enabledAttributes = layout->ApplyTo(m_vertexArray, m_enabledAttributes);
    m_appliedLayout = layout;
    ++m_counters.vertexFormatChanges;
  }
  for (uint32_t slots = m_dirtyVertexBuffers; slots; slots &= slots - 1) {
    GLuint slot = static_cast<GLuint>(__builtin_ctz(slots));
    const VertexBufferBinding& binding = m_vertexBuffers[slot];
    GLuint name = binding.buffer ? static_cast<D3D10Buffer*>(binding.buffer.Get())->Name() : 0;
    glVertexArrayVertexBuffer(m_vertexArray, slot, name, binding.offset, static_cast<GLsizei>(binding.stride));
  }
  m_dirtyVertexBuffers = 0;
}

void D3D10Device::ApplyResources() {
  m_dirty &= ~kDirtyResources;
  for (const D3D10Program::Sampler& s : m_program->samplers) {
    const StageBindings& stage = m_stages[s.stage];
    auto* view = static_cast<D3D10ShaderResourceView*>(stage.resources[s.textureSlot].Get());
    GLuint texture = view ? view->Name() : 0;
    if (m_glTextures[s.unit] != texture) {
      glBindTextureUnit(s.unit, texture);
      m_glTextures[s.unit] = texture;
    }
    auto* state = static_cast<D3D10SamplerState*>(stage.samplers[s.samplerSlot].Get());
    GLuint sampler = state ? state->GLSampler() : m_defaultSampler;
    if (m_glSamplers[s.unit] != sampler) {
      glBindSampler(s.unit, sampler);
      m_glSamplers[s.unit] = sampler;
    }
  }
  for (const D3D10Program::Block& b : m_program->blocks) {
    auto* buffer = static_cast<D3D10Buffer*>(m_stages[b.stage].constantBuffers[b.slot].Get());
    GLuint name = buffer ? buffer->Name() : 0;
    if (m_glUniformBuffers[b.binding] != name) {
      glBindBufferBase(GL_UNIFORM_BUFFER, b.binding, name);
      m_glUniformBuffers[b.binding] = name;
    }
  }
}

void D3D10Device::ApplyStates() {
  if (m_dirty & kDirtyRasterizer) {
    auto* state = static_cast<D3D10RasterizerState*>(m_rasterizerState.Get());
    D3D10ApplyRasterizerDesc(state ? state->Description() : kD3D10DefaultRasterizerDesc);
  }
  if (m_dirty & kDirtyDepthStencil) {
    auto* state = static_cast<D3D10DepthStencilState*>(m_depthStencilState.Get());
    D3D10ApplyDepthStencilDesc(state ? state->Description() : kD3D10DefaultDepthStencilDesc, m_stencilRef);
  }
  if (m_dirty & kDirtyBlend) {
    auto* state = static_cast<D3D10BlendState*>(m_blendState.Get());
    D3D10ApplyBlendDesc(state ? state->Description() : kD3D10DefaultBlendDesc, m_blendFactor, m_sampleMask);
  }
  m_dirty &= ~(kDirtyRasterizer | kDirtyDepthStencil | kDirtyBlend);
}

void D3D10Device::ApplyViewportsAndScissors() {
  if (m_dirty & kDirtyViewports) {
    // The top-left origin of the clip control makes Direct3D's viewport GL's.
    for (UINT i = 0; i < std::max(m_viewportCount, 1u); ++i) {
      D3D10_VIEWPORT v = i < m_viewportCount ? m_viewports[i] : D3D10_VIEWPORT{};
      glViewportIndexedf(i, static_cast<GLfloat>(v.TopLeftX), static_cast<GLfloat>(v.TopLeftY),
                         static_cast<GLfloat>(v.Width), static_cast<GLfloat>(v.Height));
      glDepthRangeIndexed(i, v.MinDepth, v.MaxDepth);
    }
  }
  if (m_dirty & kDirtyScissors) {
    // Without rectangles an enabled scissor test passes nothing.
    for (UINT i = 0; i < std::max(m_scissorCount, 1u); ++i) {
      D3D10_RECT r = i < m_scissorCount ? m_scissors[i] : D3D10_RECT{};
      glScissorIndexed(i, r.left, r.top, std::max(0, r.right - r.left), std::max(0, r.bottom - r.top));
    }
  }
  m_dirty &= ~(kDirtyViewports | kDirtyScissors);
}

void STDMETHODCALLTYPE D3D10Device::Draw(UINT VertexCount, UINT StartVertexLocation) {
  if (!PrepareDraw(false)) {
    ++m_counters.skippedDraws;
    return;
  }
  glDrawArrays(m_glTopology, static_cast<GLint>(StartVertexLocation), static_cast<GLsizei>(VertexCount));
  ++m_counters.drawCalls;
}

void STDMETHODCALLTYPE D3D10Device::DrawInstanced(UINT VertexCountPerInstance, UINT InstanceCount,
                                                  UINT StartVertexLocation, UINT StartInstanceLocation) {
  if (!PrepareDraw(false)) {
    ++m_counters.skippedDraws;
    return;
  }
  glDrawArraysInstancedBaseInstance(m_glTopology, static_cast<GLint>(StartVertexLocation),
                                    static_cast<GLsizei>(VertexCountPerInstance), static_cast<GLsizei>(InstanceCount),
                                    StartInstanceLocation);
  ++m_counters.drawCalls;
}

void STDMETHODCALLTYPE D3D10Device::DrawIndexed(UINT IndexCount, UINT StartIndexLocation, INT BaseVertexLocation) {
  if (!PrepareDraw(true)) {
    ++m_counters.skippedDraws;
    return;
  }
  std::uintptr_t offset = m_indexOffset + std::uintptr_t{StartIndexLocation} * (m_glIndexType == GL_UNSIGNED_INT ? 4 : 2);
  glDrawElementsBaseVertex(m_glTopology, static_cast<GLsizei>(IndexCount), m_glIndexType,
                           reinterpret_cast<const void*>(offset), BaseVertexLocation);
  ++m_counters.drawCalls;
}

void STDMETHODCALLTYPE D3D10Device::DrawIndexedInstanced(UINT IndexCountPerInstance, UINT InstanceCount,
                                                         UINT StartIndexLocation, INT BaseVertexLocation,
                                                         UINT StartInstanceLocation) {
  if (!PrepareDraw(true)) {
    ++m_counters.skippedDraws;
    return;
  }
  std::uintptr_t offset = m_indexOffset + std::uintptr_t{StartIndexLocation} * (m_glIndexType == GL_UNSIGNED_INT ? 4 : 2);
  glDrawElementsInstancedBaseVertexBaseInstance(m_glTopology, static_cast<GLsizei>(IndexCountPerInstance),
                                                m_glIndexType, reinterpret_cast<const void*>(offset),
                                                static_cast<GLsizei>(InstanceCount), BaseVertexLocation,
                                                StartInstanceLocation);
  ++m_counters.drawCalls;
}

// Copies and clears -----------------------------------------------------------

void STDMETHODCALLTYPE D3D10Device::CopyResource(ID3D10Resource* pDstResource, ID3D10Resource* pSrcResource) {
  if (!pDstResource || !pSrcResource || pDstResource == pSrcResource) return;
  D3D10_RESOURCE_DIMENSION dstType = D3D10_RESOURCE_DIMENSION_UNKNOWN, srcType = D3D10_RESOURCE_DIMENSION_UNKNOWN;
  pDstResource->GetType(&dstType);
  pSrcResource->GetType(&srcType);
  if (dstType != srcType) return;
  Activate();
  if (dstType == D3D10_RESOURCE_DIMENSION_BUFFER) {
    auto* dst = static_cast<D3D10Buffer*>(static_cast<ID3D10Buffer*>(pDstResource));
    auto* src = static_cast<D3D10Buffer*>(static_cast<ID3D10Buffer*>(pSrcResource));
    // Equal sizes, a writable destination, neither mapped.
    if (dst->Desc().ByteWidth != src->Desc().ByteWidth || dst->Desc().Usage == D3D10_USAGE_IMMUTABLE) return;
    if (dst->IsMapped() || src->IsMapped()) return;
    dst->CopyFrom(*src);
  } else if (D3D10TextureImage* dst = D3D10GetTextureImage(pDstResource)) {
    const D3D10TextureImage* src = D3D10GetTextureImage(pSrcResource);
    const D3D10TextureShape &d = dst->Shape(), &s = src->Shape();
    // Equal sizes, levels, slices and sampling, one format family, a writable destination, neither mapped.
    if (d.width != s.width || d.height != s.height || d.depth != s.depth) return;
    if (d.levels != s.levels || d.layers != s.layers || d.samples != s.samples) return;
    if (dst->Format().family != src->Format().family || d.usage == D3D10_USAGE_IMMUTABLE) return;
    if (dst->IsMapped() || src->IsMapped()) return;
    dst->CopyFrom(*src);
  }
}

void STDMETHODCALLTYPE D3D10Device::CopySubresourceRegion(ID3D10Resource* pDstResource, UINT DstSubresource,
                                                          UINT DstX, UINT DstY, UINT DstZ,
                                                          ID3D10Resource* pSrcResource, UINT SrcSubresource,
                                                          const D3D10_BOX* pSrcBox) {
  // Textures only: buffer regions are not supported.
  D3D10TextureImage* dst = D3D10GetTextureImage(pDstResource);
  const D3D10TextureImage* src = D3D10GetTextureImage(pSrcResource);
  if (!dst || !src) return;
  const D3D10TextureShape &d = dst->Shape(), &s = src->Shape();
  // One kind of texture, format family and sampling; a writable destination; neither mapped.
  if (d.dimension != s.dimension || d.samples != s.samples || dst->Format().family != src->Format().family) return;
  if (d.usage == D3D10_USAGE_IMMUTABLE || dst->IsMapped() || src->IsMapped()) return;
  // Subresources of the two; never a subresource onto itself.
  if (DstSubresource >= dst->SubresourceCount() || SrcSubresource >= src->SubresourceCount()) return;
  if (pDstResource == pSrcResource && DstSubresource == SrcSubresource) return;
  // A box inside the source (all of it without one); an empty box copies nothing.
  D3D10Region region = src->WholeRegion(SrcSubresource);
  if (pSrcBox) {
    const D3D10_BOX& b = *pSrcBox;
    if (b.left >= b.right || b.top >= b.bottom || b.front >= b.back) return;
    region = {b.left, b.top, b.front, b.right - b.left, b.bottom - b.top, b.back - b.front};
  }
  if (!src->HoldsRegion(SrcSubresource, region)) return;
  // Depth-stencil and multisampled subresources are copied whole.
  D3D10Region whole = src->WholeRegion(SrcSubresource);
  bool partial = region.width != whole.width || region.height != whole.height || region.depth != whole.depth;
  if ((dst->HasDepthStorage() || src->HasDepthStorage() || d.samples > 1) && (partial || DstX || DstY || DstZ)) return;
  // The region lands inside the destination.
  if (!dst->HoldsRegion(DstSubresource, {DstX, DstY, DstZ, region.width, region.height, region.depth})) return;
  Activate();
  dst->CopyRegion(DstSubresource, DstX, DstY, DstZ, *src, SrcSubresource, region);
}

void STDMETHODCALLTYPE D3D10Device::UpdateSubresource(ID3D10Resource* pDstResource, UINT DstSubresource,
                                                      const D3D10_BOX* pDstBox, const void* pSrcData,
                                                      UINT SrcRowPitch, UINT SrcDepthPitch) {
  if (!pDstResource || !pSrcData) return;
  D3D10_RESOURCE_DIMENSION type = D3D10_RESOURCE_DIMENSION_UNKNOWN;
  pDstResource->GetType(&type);
  if (type == D3D10_RESOURCE_DIMENSION_BUFFER) {
    auto* buffer = static_cast<D3D10Buffer*>(static_cast<ID3D10Buffer*>(pDstResource));
    const D3D10_BUFFER_DESC& desc = buffer->Desc();
    // Default buffers only, constant buffers whole, boxes inside the buffer.
    if (desc.Usage != D3D10_USAGE_DEFAULT || DstSubresource != 0) return;
    if (pDstBox && (desc.BindFlags & D3D10_BIND_CONSTANT_BUFFER)) return;
    UINT left = pDstBox ? pDstBox->left : 0, right = pDstBox ? pDstBox->right : desc.ByteWidth;
    if (left >= right || right > desc.ByteWidth) return;
    Activate();
    buffer->Update(left, right - left, pSrcData);
  } else if (D3D10TextureImage* texture = D3D10GetTextureImage(pDstResource)) {
    const D3D10TextureShape& shape = texture->Shape();
    // Default textures other than depth targets and multisampled ones.
    if (shape.usage != D3D10_USAGE_DEFAULT || (shape.bind & D3D10_BIND_DEPTH_STENCIL) || shape.samples > 1) return;
    if (DstSubresource >= texture->SubresourceCount()) return;
    // A box inside the subresource (all of it without one); an empty box writes nothing.
    D3D10Region region = texture->WholeRegion(DstSubresource);
    if (pDstBox) {
      const D3D10_BOX& b = *pDstBox;
      if (b.left >= b.right || b.top >= b.bottom || b.front >= b.back) return;
      region = {b.left, b.top, b.front, b.right - b.left, b.bottom - b.top, b.back - b.front};
    }
    if (!texture->HoldsRegion(DstSubresource, region)) return;
    Activate();
    texture->WriteRegion(DstSubresource, region, pSrcData, SrcRowPitch, SrcDepthPitch);
  }
}

void STDMETHODCALLTYPE D3D10Device::ClearRenderTargetView(ID3D10RenderTargetView* pRenderTargetView,
                                                          const FLOAT ColorRGBA[4]) {
  if (!pRenderTargetView || !ColorRGBA) return;
  Activate();
  auto* view = static_cast<D3D10RenderTargetView*>(pRenderTargetView);
  view->Attach(m_scratchFramebuffer, GL_COLOR_ATTACHMENT0);
  glNamedFramebufferDrawBuffer(m_scratchFramebuffer, GL_COLOR_ATTACHMENT0);
  // Clears ignore the scissor and the write masks; the next draw sets them again.
  glDisable(GL_SCISSOR_TEST);
  glColorMaski(0, GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  m_dirty |= kDirtyRasterizer | kDirtyBlend;
  switch (view->Format().cls) {
    case D3D10FormatClass::kUint: {
      GLuint value[4];
      for (int i = 0; i < 4; ++i) value[i] = static_cast<GLuint>(std::max(ColorRGBA[i], 0.0f));
      glClearNamedFramebufferuiv(m_scratchFramebuffer, GL_COLOR, 0, value);
      break;
    }
    case D3D10FormatClass::kSint: {
      GLint value[4];
      for (int i = 0; i < 4; ++i) value[i] = static_cast<GLint>(ColorRGBA[i]);
      glClearNamedFramebufferiv(m_scratchFramebuffer, GL_COLOR, 0, value);
      break;
    }
    default:
      glClearNamedFramebufferfv(m_scratchFramebuffer, GL_COLOR, 0, ColorRGBA);
      break;
  }
  glNamedFramebufferTexture(m_scratchFramebuffer, GL_COLOR_ATTACHMENT0, 0, 0);
}

void STDMETHODCALLTYPE D3D10Device::ClearDepthStencilView(ID3D10DepthStencilView* pDepthStencilView, UINT ClearFlags,
                                                          FLOAT Depth, UINT8 Stencil) {
  if (!pDepthStencilView) return;
  Activate();
  auto* view = static_cast<D3D10DepthStencilView*>(pDepthStencilView);
  bool depth = (ClearFlags & D3D10_CLEAR_DEPTH) != 0;
  bool stencil = (ClearFlags & D3D10_CLEAR_STENCIL) && view->HasStencil();
  GLenum attachment = view->HasStencil() ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
  view->Attach(m_scratchFramebuffer, attachment);
  glNamedFramebufferDrawBuffer(m_scratchFramebuffer, GL_NONE);
  // Clears ignore the scissor and the write masks; the next draw sets them again.
  glDisable(GL_SCISSOR_TEST);
  glDepthMask(GL_TRUE);
  glStencilMask(0xFF);
  m_dirty |= kDirtyRasterizer | kDirtyDepthStencil;
  if (depth && stencil) {
    glClearNamedFramebufferfi(m_scratchFramebuffer, GL_DEPTH_STENCIL, 0, Depth, Stencil);
  } else if (depth) {
    glClearNamedFramebufferfv(m_scratchFramebuffer, GL_DEPTH, 0, &Depth);
  } else if (stencil) {
    GLint value = Stencil;
    glClearNamedFramebufferiv(m_scratchFramebuffer, GL_STENCIL, 0, &value);
  }
  glNamedFramebufferTexture(m_scratchFramebuffer, attachment, 0, 0);
}

void STDMETHODCALLTYPE D3D10Device::GenerateMips(ID3D10ShaderResourceView* pShaderResourceView) {
  if (!pShaderResourceView) return;
  auto* view = static_cast<D3D10ShaderResourceView*>(pShaderResourceView);
  // Textures made for it, in a format that filters; each level of the view is filtered from the one above.
  if (!(view->Image().Shape().misc & D3D10_RESOURCE_MISC_GENERATE_MIPS)) return;
  if (view->Format().cls == D3D10FormatClass::kUint || view->Format().cls == D3D10FormatClass::kSint) return;
  Activate();
  glGenerateTextureMipmap(view->Name());
}

// Creation ------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE D3D10Device::CreateBuffer(const D3D10_BUFFER_DESC* pDesc,
                                                    const D3D10_SUBRESOURCE_DATA* pInitialData,
                                                    ID3D10Buffer** ppBuffer) {
  static FaultSite s_site("ID3D10Device::CreateBuffer");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (ppBuffer) *ppBuffer = nullptr;
  return Guarded([&] { return D3D10Buffer::Create(this, pDesc, pInitialData, ppBuffer); });
}

HRESULT STDMETHODCALLTYPE D3D10Device::CreateTexture1D(const D3D10_TEXTURE1D_DESC* pDesc,
                                                       const D3D10_SUBRESOURCE_DATA* pInitialData,
                                                       ID3D10Texture1D** ppTexture1D) {
  static FaultSite s_site("ID3D10Device::CreateTexture1D");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (ppTexture1D) *ppTexture1D = nullptr;
  return Guarded([&] { return D3D10Texture1D::Create(this, pDesc, pInitialData, ppTexture1D); });
}

HRESULT STDMETHODCALLTYPE D3D10Device::CreateTexture2D(const D3D10_TEXTURE2D_DESC* pDesc,
                                                       const D3D10_SUBRESOURCE_DATA* pInitialData,
                                                       ID3D10Texture2D** ppTexture2D) {
  static FaultSite s_site("ID3D10Device::CreateTexture2D");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (ppTexture2D) *ppTexture2D = nullptr;
  return Guarded([&] { return D3D10Texture2D::Create(this, pDesc, pInitialData, ppTexture2D); });
}

HRESULT STDMETHODCALLTYPE D3D10Device::CreateTexture3D(const D3D10_TEXTURE3D_DESC* pDesc,
                                                       const D3D10_SUBRESOURCE_DATA* pInitialData,
                                                       ID3D10Texture3D** ppTexture3D) {
  static FaultSite s_site("ID3D10Device::CreateTexture3D");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (ppTexture3D) *ppTexture3D = nullptr;
  return Guarded([&] { return D3D10Texture3D::Create(this, pDesc, pInitialData, ppTexture3D); });
}

HRESULT STDMETHODCALLTYPE D3D10Device::CreateShaderResourceView(ID3D10Resource* pResource,
                                                                const D3D10_SHADER_RESOURCE_VIEW_DESC* pDesc,
                                                                ID3D10ShaderResourceView** ppSRView) {
  static FaultSite s_site("ID3D10Device::CreateShaderResourceView");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (ppSRView) *ppSRView = nullptr;
  return Guarded([&] { return D3D10ShaderResourceView::Create(this, pResource, pDesc, ppSRView); });
}

HRESULT STDMETHODCALLTYPE D3D10Device::CreateRenderTargetView(ID3D10Resource* pResource,
                                                              const D3D10_RENDER_TARGET_VIEW_DESC* pDesc,
                                                              ID3D10RenderTargetView** ppRTView) {
  static FaultSite s_site("ID3D10Device::CreateRenderTargetView");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (ppRTView) *ppRTView = nullptr;
  return Guarded([&] { return D3D10RenderTargetView::Create(this, pResource, pDesc, ppRTView); });
}

HRESULT STDMETHODCALLTYPE D3D10Device::CreateDepthStencilView(ID3D10Resource* pResource,
                                                              const D3D10_DEPTH_STENCIL_VIEW_DESC* pDesc,
                                                              ID3D10DepthStencilView** ppDepthStencilView) {
  static FaultSite s_site("ID3D10Device::CreateDepthStencilView");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (ppDepthStencilView) *ppDepthStencilView = nullptr;
  return Guarded([&] { return D3D10DepthStencilView::Create(this, pResource, pDesc, ppDepthStencilView); });
}

HRESULT STDMETHODCALLTYPE D3D10Device::CreateInputLayout(const D3D10_INPUT_ELEMENT_DESC* pInputElementDescs,
                                                         UINT NumElements, const void* pShaderBytecodeWithInputSignature,
                                                         SIZE_T BytecodeLength, ID3D10InputLayout** ppInputLayout) {
  static FaultSite s_site("ID3D10Device::CreateInputLayout");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (ppInputLayout) *ppInputLayout = nullptr;
  return Guarded([&] {
    return D3D10InputLayout::Create(this, pInputElementDescs, NumElements, pShaderBytecodeWithInputSignature,
                                    BytecodeLength, ppInputLayout);
  });
}

HRESULT STDMETHODCALLTYPE D3D10Device::CreateVertexShader(const void* pShaderBytecode, SIZE_T BytecodeLength,
                                                          ID3D10VertexShader** ppVertexShader) {
  static FaultSite s_site("ID3D10Device::CreateVertexShader");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (ppVertexShader) *ppVertexShader = nullptr;
  return Guarded([&] { return D3D10VertexShaderImpl::Create(this, pShaderBytecode, BytecodeLength, ppVertexShader); });
}

HRESULT STDMETHODCALLTYPE D3D10Device::CreateGeometryShader(const void* pShaderBytecode, SIZE_T BytecodeLength,
                                                            ID3D10GeometryShader** ppGeometryShader) {
  static FaultSite s_site("ID3D10Device::CreateGeometryShader");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (ppGeometryShader) *ppGeometryShader = nullptr;
  return Guarded(
      [&] { return D3D10GeometryShaderImpl::Create(this, pShaderBytecode, BytecodeLength, ppGeometryShader); });
}

HRESULT STDMETHODCALLTYPE D3D10Device::CreatePixelShader(const void* pShaderBytecode, SIZE_T BytecodeLength,
                                                         ID3D10PixelShader** ppPixelShader) {
  static FaultSite s_site("ID3D10Device::CreatePixelShader");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (ppPixelShader) *ppPixelShader = nullptr;
  return Guarded([&] { return D3D10PixelShaderImpl::Create(this, pShaderBytecode, BytecodeLength, ppPixelShader); });
}

HRESULT STDMETHODCALLTYPE D3D10Device::CreateBlendState(const D3D10_BLEND_DESC* pBlendStateDesc,
                                                        ID3D10BlendState** ppBlendState) {
  static FaultSite s_site("ID3D10Device::CreateBlendState");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (ppBlendState) *ppBlendState = nullptr;
  return Guarded([&] { return D3D10BlendState::Create(this, pBlendStateDesc, ppBlendState); });
}

HRESULT STDMETHODCALLTYPE D3D10Device::CreateDepthStencilState(const D3D10_DEPTH_STENCIL_DESC* pDepthStencilDesc,
                                                               ID3D10DepthStencilState** ppDepthStencilState) {
  static FaultSite s_site("ID3D10Device::CreateDepthStencilState");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (ppDepthStencilState) *ppDepthStencilState = nullptr;
  return Guarded([&] { return D3D10DepthStencilState::Create(this, pDepthStencilDesc, ppDepthStencilState); });
}

HRESULT STDMETHODCALLTYPE D3D10Device::CreateRasterizerState(const D3D10_RASTERIZER_DESC* pRasterizerDesc,
                                                             ID3D10RasterizerState** ppRasterizerState) {
  static FaultSite s_site("ID3D10Device::CreateRasterizerState");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (ppRasterizerState) *ppRasterizerState = nullptr;
  return Guarded([&] { return D3D10RasterizerState::Create(this, pRasterizerDesc, ppRasterizerState); });
}

HRESULT STDMETHODCALLTYPE D3D10Device::CreateSamplerState(const D3D10_SAMPLER_DESC* pSamplerDesc,
                                                          ID3D10SamplerState** ppSamplerState) {
  static FaultSite s_site("ID3D10Device::CreateSamplerState");
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return hr;
  if (ppSamplerState) *ppSamplerState = nullptr;
  return Guarded([&] { return D3D10SamplerState::Create(this, pSamplerDesc, ppSamplerState); });
}

extern "C" HRESULT WINAPI D3D10PlatformPrepareProgram(ID3D10Device* pDevice, ID3D10VertexShader* pVertexShader,
                                                      ID3D10GeometryShader* pGeometryShader,
                                                      ID3D10PixelShader* pPixelShader) {
  auto* device = dynamic_cast<D3D10Device*>(pDevice);
  if (!device) return E_INVALIDARG;
  return device->PrepareProgram(pVertexShader, pGeometryShader, pPixelShader);
}
