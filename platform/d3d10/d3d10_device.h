// ID3D10Device over one OpenGL 4.5 core context. The device records the
// Direct3D pipeline bindings as they are set and turns them into GL state at
// draw time, changing only what differs from what GL already has.
#pragma once

#include <d3d10.h>
#include <epoxy/egl.h>
#include <epoxy/gl.h>
#include <platform_testing_d3d10.h>

#include <d3d10_platform.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>

#include "com/com_object.h"
#include "d3d10/d3d10_object.h"
#include "egl/egl_device.h"

class D3D10Buffer;
class D3D10InputLayout;
class D3D10Texture2D;
class D3D10ShaderResourceView;
class D3D10RenderTargetView;
class D3D10DepthStencilView;
struct D3D10Program;

// The three shader stages, in the order of D3D10_PLATFORM_SHADER_STAGE.
enum D3D10Stage : unsigned { kStageVertex, kStageGeometry, kStagePixel, kStageCount };

// The bytes of a state description's fields after the kind of state: equal
// descriptions, and only those, have equal keys. The largest, a blend
// description's, takes 69 bytes.
struct D3D10StateKey {
  uint8_t size = 0;
  char bytes[71];
  bool operator==(const D3D10StateKey& other) const {
    return size == other.size && std::memcmp(bytes, other.bytes, size) == 0;
  }
};

class D3D10Device final : public ID3D10Device {
 public:
  // A device on the adapter's display; with D3D10_CREATE_DEVICE_DEBUG the
  // context is a debug context whose GL messages go to stderr.
  static HRESULT Create(const EglDevice& adapter, UINT flags, D3D10Device** device);

  // IUnknown. The public count belongs to the application; children hold
  // private references (D3D10RetainDevice). When the public count reaches
  // zero the pipeline bindings are dropped, which lets bound children die;
  // the device itself goes when no reference of either kind is left.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // ID3D10Device, in the published order.
  void STDMETHODCALLTYPE VSSetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                              ID3D10Buffer* const* ppConstantBuffers) override;
  void STDMETHODCALLTYPE PSSetShaderResources(UINT StartSlot, UINT NumViews,
                                              ID3D10ShaderResourceView* const* ppShaderResourceViews) override;
  void STDMETHODCALLTYPE PSSetShader(ID3D10PixelShader* pPixelShader) override;
  void STDMETHODCALLTYPE PSSetSamplers(UINT StartSlot, UINT NumSamplers, ID3D10SamplerState* const* ppSamplers) override;
  void STDMETHODCALLTYPE VSSetShader(ID3D10VertexShader* pVertexShader) override;
  void STDMETHODCALLTYPE DrawIndexed(UINT IndexCount, UINT StartIndexLocation, INT BaseVertexLocation) override;
  void STDMETHODCALLTYPE Draw(UINT VertexCount, UINT StartVertexLocation) override;
  void STDMETHODCALLTYPE PSSetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                              ID3D10Buffer* const* ppConstantBuffers) override;
  void STDMETHODCALLTYPE IASetInputLayout(ID3D10InputLayout* pInputLayout) override;
  void STDMETHODCALLTYPE IASetVertexBuffers(UINT StartSlot, UINT NumBuffers, ID3D10Buffer* const* ppVertexBuffers,
                                            const UINT* pStrides, const UINT* pOffsets) override;
  void STDMETHODCALLTYPE IASetIndexBuffer(ID3D10Buffer* pIndexBuffer, DXGI_FORMAT Format, UINT Offset) override;
  void STDMETHODCALLTYPE DrawIndexedInstanced(UINT IndexCountPerInstance, UINT InstanceCount, UINT StartIndexLocation,
                                              INT BaseVertexLocation, UINT StartInstanceLocation) override;
  void STDMETHODCALLTYPE DrawInstanced(UINT VertexCountPerInstance, UINT InstanceCount, UINT StartVertexLocation,
                                       UINT StartInstanceLocation) override;
  void STDMETHODCALLTYPE GSSetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                              ID3D10Buffer* const* ppConstantBuffers) override;
  void STDMETHODCALLTYPE GSSetShader(ID3D10GeometryShader* pShader) override;
  void STDMETHODCALLTYPE IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY Topology) override;
  void STDMETHODCALLTYPE VSSetShaderResources(UINT StartSlot, UINT NumViews,
                                              ID3D10ShaderResourceView* const* ppShaderResourceViews) override;
  void STDMETHODCALLTYPE VSSetSamplers(UINT StartSlot, UINT NumSamplers, ID3D10SamplerState* const* ppSamplers) override;
  void STDMETHODCALLTYPE GSSetShaderResources(UINT StartSlot, UINT NumViews,
                                              ID3D10ShaderResourceView* const* ppShaderResourceViews) override;
  void STDMETHODCALLTYPE GSSetSamplers(UINT StartSlot, UINT NumSamplers, ID3D10SamplerState* const* ppSamplers) override;
  void STDMETHODCALLTYPE OMSetRenderTargets(UINT NumViews, ID3D10RenderTargetView* const* ppRenderTargetViews,
                                            ID3D10DepthStencilView* pDepthStencilView) override;
  void STDMETHODCALLTYPE OMSetBlendState(ID3D10BlendState* pBlendState, const FLOAT BlendFactor[4],
                                         UINT SampleMask) override;
  void STDMETHODCALLTYPE OMSetDepthStencilState(ID3D10DepthStencilState* pDepthStencilState, UINT StencilRef) override;
  void STDMETHODCALLTYPE RSSetState(ID3D10RasterizerState* pRasterizerState) override;
  void STDMETHODCALLTYPE RSSetViewports(UINT NumViewports, const D3D10_VIEWPORT* pViewports) override;
  void STDMETHODCALLTYPE RSSetScissorRects(UINT NumRects, const D3D10_RECT* pRects) override;
  void STDMETHODCALLTYPE CopySubresourceRegion(ID3D10Resource* pDstResource, UINT DstSubresource, UINT DstX, UINT DstY,
                                               UINT DstZ, ID3D10Resource* pSrcResource, UINT SrcSubresource,
                                               const D3D10_BOX* pSrcBox) override;
  void STDMETHODCALLTYPE CopyResource(ID3D10Resource* pDstResource, ID3D10Resource* pSrcResource) override;
  void STDMETHODCALLTYPE UpdateSubresource(ID3D10Resource* pDstResource, UINT DstSubresource, const D3D10_BOX* pDstBox,
                                           const void* pSrcData, UINT SrcRowPitch, UINT SrcDepthPitch) override;
  void STDMETHODCALLTYPE ClearRenderTargetView(ID3D10RenderTargetView* pRenderTargetView,
                                               const FLOAT ColorRGBA[4]) override;
  void STDMETHODCALLTYPE ClearDepthStencilView(ID3D10DepthStencilView* pDepthStencilView, UINT ClearFlags, FLOAT Depth,
                                               UINT8 Stencil) override;
  void STDMETHODCALLTYPE GenerateMips(ID3D10ShaderResourceView* pShaderResourceView) override;
  void STDMETHODCALLTYPE VSGetConstantBuffers(UINT StartSlot, UINT NumBuffers, ID3D10Buffer** ppConstantBuffers) override;
  void STDMETHODCALLTYPE PSGetShaderResources(UINT StartSlot, UINT NumViews,
                                              ID3D10ShaderResourceView** ppShaderResourceViews) override;
  void STDMETHODCALLTYPE PSGetShader(ID3D10PixelShader** ppPixelShader) override;
  void STDMETHODCALLTYPE PSGetSamplers(UINT StartSlot, UINT NumSamplers, ID3D10SamplerState** ppSamplers) override;
  void STDMETHODCALLTYPE VSGetShader(ID3D10VertexShader** ppVertexShader) override;
  void STDMETHODCALLTYPE PSGetConstantBuffers(UINT StartSlot, UINT NumBuffers, ID3D10Buffer** ppConstantBuffers) override;
  void STDMETHODCALLTYPE IAGetInputLayout(ID3D10InputLayout** ppInputLayout) override;
  void STDMETHODCALLTYPE IAGetVertexBuffers(UINT StartSlot, UINT NumBuffers, ID3D10Buffer** ppVertexBuffers,
                                            UINT* pStrides, UINT* pOffsets) override;
  void STDMETHODCALLTYPE IAGetIndexBuffer(ID3D10Buffer** pIndexBuffer, DXGI_FORMAT* Format, UINT* Offset) override;
  void STDMETHODCALLTYPE GSGetConstantBuffers(UINT StartSlot, UINT NumBuffers, ID3D10Buffer** ppConstantBuffers) override;
  void STDMETHODCALLTYPE GSGetShader(ID3D10GeometryShader** ppGeometryShader) override;
  void STDMETHODCALLTYPE IAGetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY* pTopology) override;
  void STDMETHODCALLTYPE VSGetShaderResources(UINT StartSlot, UINT NumViews,
                                              ID3D10ShaderResourceView** ppShaderResourceViews) override;
  void STDMETHODCALLTYPE VSGetSamplers(UINT StartSlot, UINT NumSamplers, ID3D10SamplerState** ppSamplers) override;
  void STDMETHODCALLTYPE GSGetShaderResources(UINT StartSlot, UINT NumViews,
                                              ID3D10ShaderResourceView** ppShaderResourceViews) override;
  void STDMETHODCALLTYPE GSGetSamplers(UINT StartSlot, UINT NumSamplers, ID3D10SamplerState** ppSamplers) override;
  void STDMETHODCALLTYPE OMGetRenderTargets(UINT NumViews, ID3D10RenderTargetView** ppRenderTargetViews,
                                            ID3D10DepthStencilView** ppDepthStencilView) override;
  void STDMETHODCALLTYPE OMGetBlendState(ID3D10BlendState** ppBlendState, FLOAT BlendFactor[4],
                                         UINT* pSampleMask) override;
  void STDMETHODCALLTYPE OMGetDepthStencilState(ID3D10DepthStencilState** ppDepthStencilState,
                                                UINT* pStencilRef) override;
  void STDMETHODCALLTYPE RSGetState(ID3D10RasterizerState** ppRasterizerState) override;
  void STDMETHODCALLTYPE RSGetViewports(UINT* NumViewports, D3D10_VIEWPORT* pViewports) override;
  void STDMETHODCALLTYPE RSGetScissorRects(UINT* NumRects, D3D10_RECT* pRects) override;
  HRESULT STDMETHODCALLTYPE GetDeviceRemovedReason() override;
  void STDMETHODCALLTYPE ClearState() override;
  void STDMETHODCALLTYPE Flush() override;
  HRESULT STDMETHODCALLTYPE CreateBuffer(const D3D10_BUFFER_DESC* pDesc, const D3D10_SUBRESOURCE_DATA* pInitialData,
                                         ID3D10Buffer** ppBuffer) override;
  HRESULT STDMETHODCALLTYPE CreateTexture1D(const D3D10_TEXTURE1D_DESC* pDesc,
                                            const D3D10_SUBRESOURCE_DATA* pInitialData,
                                            ID3D10Texture1D** ppTexture1D) override;
  HRESULT STDMETHODCALLTYPE CreateTexture2D(const D3D10_TEXTURE2D_DESC* pDesc,
                                            const D3D10_SUBRESOURCE_DATA* pInitialData,
                                            ID3D10Texture2D** ppTexture2D) override;
  HRESULT STDMETHODCALLTYPE CreateTexture3D(const D3D10_TEXTURE3D_DESC* pDesc,
                                            const D3D10_SUBRESOURCE_DATA* pInitialData,
                                            ID3D10Texture3D** ppTexture3D) override;
  HRESULT STDMETHODCALLTYPE CreateShaderResourceView(ID3D10Resource* pResource,
                                                     const D3D10_SHADER_RESOURCE_VIEW_DESC* pDesc,
                                                     ID3D10ShaderResourceView** ppSRView) override;
  HRESULT STDMETHODCALLTYPE CreateRenderTargetView(ID3D10Resource* pResource, const D3D10_RENDER_TARGET_VIEW_DESC* pDesc,
                                                   ID3D10RenderTargetView** ppRTView) override;
  HRESULT STDMETHODCALLTYPE CreateDepthStencilView(ID3D10Resource* pResource, const D3D10_DEPTH_STENCIL_VIEW_DESC* pDesc,
                                                   ID3D10DepthStencilView** ppDepthStencilView) override;
  HRESULT STDMETHODCALLTYPE CreateInputLayout(const D3D10_INPUT_ELEMENT_DESC* pInputElementDescs, UINT NumElements,
                                              const void* pShaderBytecodeWithInputSignature, SIZE_T BytecodeLength,
                                              ID3D10InputLayout** ppInputLayout) override;
  HRESULT STDMETHODCALLTYPE CreateVertexShader(const void* pShaderBytecode, SIZE_T BytecodeLength,
                                               ID3D10VertexShader** ppVertexShader) override;
  HRESULT STDMETHODCALLTYPE CreateGeometryShader(const void* pShaderBytecode, SIZE_T BytecodeLength,
                                                 ID3D10GeometryShader** ppGeometryShader) override;
  HRESULT STDMETHODCALLTYPE CreatePixelShader(const void* pShaderBytecode, SIZE_T BytecodeLength,
                                              ID3D10PixelShader** ppPixelShader) override;
  HRESULT STDMETHODCALLTYPE CreateBlendState(const D3D10_BLEND_DESC* pBlendStateDesc,
                                             ID3D10BlendState** ppBlendState) override;
  HRESULT STDMETHODCALLTYPE CreateDepthStencilState(const D3D10_DEPTH_STENCIL_DESC* pDepthStencilDesc,
                                                    ID3D10DepthStencilState** ppDepthStencilState) override;
  HRESULT STDMETHODCALLTYPE CreateRasterizerState(const D3D10_RASTERIZER_DESC* pRasterizerDesc,
                                                  ID3D10RasterizerState** ppRasterizerState) override;
  HRESULT STDMETHODCALLTYPE CreateSamplerState(const D3D10_SAMPLER_DESC* pSamplerDesc,
                                               ID3D10SamplerState** ppSamplerState) override;

  // Makes this device's context current unless it already is. Every entry
  // point of the device and its children calls it before touching GL.
  void Activate() {
    if (s_currentContext != m_context) MakeCurrent();
  }
  // Tells the devices that code outside them changed the current context.
  static void ForgetCurrentContext() { s_currentContext = EGL_NO_CONTEXT; }

  // Links the program of a shader set ahead of its first draw.
  HRESULT PrepareProgram(ID3D10VertexShader* vertex, ID3D10GeometryShader* geometry, ID3D10PixelShader* pixel);

  bool IsDebug() const { return m_debug; }
  D3D10Testing::DeviceCounters& Counters() { return m_counters; }

  void RetainPrivate() { ++m_privateRefs; }
  void ReleasePrivate();

  // Children report their death so that no cache keeps their address or
  // their GL names.
  void OnBufferDestroyed(GLuint name);
  void OnViewDestroyed(const void* view, GLuint name);
  void OnSamplerDestroyed(GLuint name);
  void OnShaderDestroyed(const void* shader);
  void OnInputLayoutDestroyed(const void* layout);

  // Equal state descriptions share one object. Find returns it with a new
  // reference, or null; states register on creation and leave on death.
  IUnknown* FindState(const D3D10StateKey& key);
  void RegisterState(const D3D10StateKey& key, IUnknown* state) { m_states[key] = state; }
  void UnregisterState(const D3D10StateKey& key) { m_states.erase(key); }

 private:
  struct StageBindings {
    ComPtr<ID3D10Buffer> constantBuffers[D3D10_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT];
    ComPtr<ID3D10ShaderResourceView> resources[D3D10_COMMONSHADER_INPUT_RESOURCE_SLOT_COUNT];
    ComPtr<ID3D10SamplerState> samplers[D3D10_COMMONSHADER_SAMPLER_SLOT_COUNT];
  };
  struct VertexBufferBinding {
    ComPtr<ID3D10Buffer> buffer;
    UINT stride = 0;
    UINT offset = 0;
  };
  struct ProgramKey {
    const void* shaders[kStageCount];
    bool operator==(const ProgramKey& other) const;
  };
  struct FramebufferKey {
    const void* views[D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT + 1];  // colour views, then depth
    bool operator==(const FramebufferKey& other) const;
  };
  struct KeyHash {
    std::size_t operator()(const ProgramKey& key) const;
    std::size_t operator()(const FramebufferKey& key) const;
    std::size_t operator()(const D3D10StateKey& key) const;
  };

  // What differs between the recorded bindings and GL (bits of m_dirty).
  enum Dirty : uint32_t {
    kDirtyProgram = 1u << 0,
    kDirtyResources = 1u << 1,
    kDirtyFramebuffer = 1u << 2,
    kDirtyRasterizer = 1u << 3,
    kDirtyDepthStencil = 1u << 4,
    kDirtyBlend = 1u << 5,
    kDirtyViewports = 1u << 6,
    kDirtyScissors = 1u << 7,
    kDirtyIndexBuffer = 1u << 8,
    kDirtyAll = (1u << 9) - 1,
  };

  D3D10Device(EGLDisplay display, EGLContext context, bool debug);
  ~D3D10Device();

  void MakeCurrent();
  void InitialiseGL();
  static void GLAPIENTRY OnDebugMessage(GLenum source, GLenum type, GLuint id, GLenum severity, GLsizei length,
                                        const GLchar* message, const void* userParam);

  void SetConstantBuffers(D3D10Stage stage, UINT start, UINT count, ID3D10Buffer* const* buffers);
  void SetShaderResources(D3D10Stage stage, UINT start, UINT count, ID3D10ShaderResourceView* const* views);
  void SetSamplers(D3D10Stage stage, UINT start, UINT count, ID3D10SamplerState* const* samplers);
  void GetConstantBuffers(D3D10Stage stage, UINT start, UINT count, ID3D10Buffer** buffers);
  void GetShaderResources(D3D10Stage stage, UINT start, UINT count, ID3D10ShaderResourceView** views);
  void GetSamplers(D3D10Stage stage, UINT start, UINT count, ID3D10SamplerState** samplers);
  void ReleaseBindings();

  // Brings GL up to date for a draw; false when there is nothing to draw.
  bool PrepareDraw(bool indexed);
  void ApplyProgram();
  // The cached program of a shader set, linked on first request (null only
  // when memory ran out; a failed link is cached as program 0).
  const D3D10Program* FindOrLinkProgram(ID3D10VertexShader* vertex, ID3D10GeometryShader* geometry,
                                        ID3D10PixelShader* pixel);
  void ApplyFramebuffer();
  void ApplyVertexInput();
  void ApplyResources();
  void ApplyViewportsAndScissors();
  void ApplyStates();
  const D3D10Program* CurrentProgram();

  static EGLContext s_currentContext;

  EGLDisplay m_display;
  EGLContext m_context;
  bool m_debug;
  std::atomic<ULONG> m_publicRefs{1};
  ULONG m_privateRefs = 0;
  D3D10Testing::DeviceCounters m_counters{};

  // Pipeline bindings as Direct3D sees them.
  StageBindings m_stages[kStageCount];
  ComPtr<ID3D10VertexShader> m_vertexShader;
  ComPtr<ID3D10GeometryShader> m_geometryShader;
  ComPtr<ID3D10PixelShader> m_pixelShader;
  ComPtr<ID3D10InputLayout> m_inputLayout;
  VertexBufferBinding m_vertexBuffers[D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT];
  ComPtr<ID3D10Buffer> m_indexBuffer;
  DXGI_FORMAT m_indexFormat = DXGI_FORMAT_UNKNOWN;
  UINT m_indexOffset = 0;
  D3D10_PRIMITIVE_TOPOLOGY m_topology = D3D10_PRIMITIVE_TOPOLOGY_UNDEFINED;
  GLenum m_glTopology = 0xFFFFFFFFu;  // none
  ComPtr<ID3D10RenderTargetView> m_renderTargets[D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT];
  ComPtr<ID3D10DepthStencilView> m_depthStencil;
  ComPtr<ID3D10BlendState> m_blendState;
  FLOAT m_blendFactor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  UINT m_sampleMask = D3D10_DEFAULT_SAMPLE_MASK;
  ComPtr<ID3D10DepthStencilState> m_depthStencilState;
  UINT m_stencilRef = 0;
  ComPtr<ID3D10RasterizerState> m_rasterizerState;
  D3D10_VIEWPORT m_viewports[D3D10_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE] = {};
  UINT m_viewportCount = 0;
  D3D10_RECT m_scissors[D3D10_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE] = {};
  UINT m_scissorCount = 0;

  // What GL has.
  uint32_t m_dirty = kDirtyAll;
  uint32_t m_dirtyVertexBuffers = 0xFFFF;
  const D3D10Program* m_program = nullptr;
  GLuint m_glProgram = 0;
  const D3D10InputLayout* m_appliedLayout = nullptr;
  uint32_t m_enabledAttributes = 0;
  GLuint m_glFramebuffer = 0;
  bool m_hasTargets = false;
  GLenum m_glIndexType = 0;
  GLuint m_glUniformBuffers[D3D10_PLATFORM_UNIFORM_BINDING_COUNT] = {};
  GLuint m_glTextures[D3D10_PLATFORM_TEXTURE_UNIT_COUNT] = {};
  GLuint m_glSamplers[D3D10_PLATFORM_TEXTURE_UNIT_COUNT] = {};
  GLuint m_vertexArray = 0;
  GLuint m_defaultSampler = 0;
  // Clears attach their one view here.
  GLuint m_scratchFramebuffer = 0;

  std::unordered_map<ProgramKey, D3D10Program*, KeyHash> m_programs;
  std::unordered_map<FramebufferKey, GLuint, KeyHash> m_framebuffers;
  std::unordered_map<D3D10StateKey, IUnknown*, KeyHash> m_states;
};
