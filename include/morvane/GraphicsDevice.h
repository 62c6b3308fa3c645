// GraphicsDevice: the Direct3D 10 device of the engine. It owns the managers
// and the two stream buffers, records the pipeline bindings it sets so that
// callers can read them back, and counts draw calls and submitted vertices or
// indices.
#pragma once

#include <vector>

#include <d3d10.h>

#include "ColorRGBA.h"
#include "ViewPort.h"

class BufferLayout;
class DepthStencilState;
class DeviceStateManager;
class DynamicIB;
class DynamicVB;
class IDepthStencilTarget;
class IRenderTarget;
class IndexBuffer;
class InputSignature;
class LayoutManager;
class RasterizerState;
class ResourceManager;
class ShaderManager;
class VertexBuffer;

// Direct3D 10 primitive topology values, handed to the device unchanged.
typedef D3D10_PRIMITIVE_TOPOLOGY PrimitiveType;

class GraphicsDevice {
 public:
  // adapter indexes Core::Adapters(); debug asks for the platform's debug layer.
  GraphicsDevice(unsigned int adapter, bool debug);
  ~GraphicsDevice();
  GraphicsDevice(const GraphicsDevice&) = delete;
  GraphicsDevice& operator=(const GraphicsDevice&) = delete;

  void SetRenderTargets(IRenderTarget* const target, IDepthStencilTarget* const depthStencil);
  void SetViewPort(const ViewPort& viewport);
  void SetPrimitiveType(PrimitiveType type);
  // Null binds no index buffer.
  void SetIndexBuffer(IndexBuffer* const buffer, unsigned int offset);
  // Binds the stream buffer at its current stream offset.
  void SetIndexBuffer(DynamicIB* const buffer, bool is32Bit);
  // Null stores null and applies the default state.
  void SetRasterizerState(const RasterizerState* const state);
  void SetDepthStencilState(const DepthStencilState* const state);
  void ResetDepthStencilState();
  void ResetRasterizerState();
  void SetInputLayout(BufferLayout* const layout, InputSignature* const signature);
  void SetInputLayout(ID3D10InputLayout* const layout);
  // Binds the buffers from slot 0 with their strides and offset 0 (at most 16).
  void SetVertexBuffers(const std::vector<VertexBuffer*>& buffers);
  void SetVertexBuffer(VertexBuffer* const buffer, unsigned int offset);
  // Binds the stream buffer at slot 0 at its current stream offset.
  void SetVertexBuffer(DynamicVB* const buffer, unsigned int stride);

  void Draw(unsigned int vertexCount, unsigned int startVertex);
  void DrawInstanced(unsigned int vertexCountPerInstance, unsigned int instanceCount, unsigned int startVertex,
                     unsigned int startInstance);
  void DrawIndexed(unsigned int indexCount, unsigned int startIndex, unsigned int baseVertex);
  void DrawIndexedInstanced(unsigned int indexCountPerInstance, unsigned int instanceCount, unsigned int startIndex,
                            unsigned int baseVertex, unsigned int startInstance);
  // Draws vertices from memory through the stream vertex buffer.
  void DrawUP(const void* const data, unsigned int stride, unsigned int vertexCount);

  ID3D10Device* GetDevice() const { return m_pDevice; }
  IRenderTarget* GetRenderTarget() const { return m_pRenderTarget; }
  IDepthStencilTarget* GetDepthStencil() const { return m_pDepthStencil; }
  ViewPort GetViewPort() const { return m_ViewPort; }
  // Vertices or indices handed to the device since the last ResetCounts.
  unsigned int GetPrimitiveCount() const { return m_PrimitiveCount; }
  unsigned int GetDrawCallCount() const { return m_DrawCallCount; }
  void ResetCounts();

  const DepthStencilState* GetDepthStencilState() const { return m_pCurrentDepthStencilState; }
  const RasterizerState* GetRasterizerState() const { return m_pCurrentRasterizerState; }
  PrimitiveType GetPrimitiveType() const { return m_PrimitiveType; }
  IndexBuffer* GetIndexBuffer() const { return m_pIndexBuffer; }
  const std::vector<VertexBuffer*>& GetVertexBuffers() const { return m_VertexBuffers; }
  const std::vector<unsigned int>& GetStrides() const { return m_Strides; }
  const std::vector<unsigned int>& GetOffsets() const { return m_Offsets; }
  ID3D10InputLayout* GetInputLayout() const { return m_pInputLayout; }

  LayoutManager* GetLayoutManager() const { return m_pLayoutManager; }
  ResourceManager* GetResourceManager() const { return m_pResourceManager; }
  ShaderManager* GetShaderManager() const { return m_pShaderManager; }
  DeviceStateManager* GetDeviceStateManager() const { return m_pDeviceStateManager; }
  DynamicVB* GetDynVB() const { return m_pDynamicVB; }
  DynamicIB* GetDynIB() const { return m_pDynamicIB; }

 private:
  friend class DepthStencilState;
  friend class RasterizerState;

  void BindVertexBuffers(unsigned int count, ID3D10Buffer* const* buffers);

  unsigned int m_PrimitiveCount;
  unsigned int m_DrawCallCount;
  ID3D10Device* m_pDevice;
  IRenderTarget* m_pRenderTarget;
  IDepthStencilTarget* m_pDepthStencil;
  ViewPort m_ViewPort;
  DepthStencilState* m_pDefaultDepthStencilState;
  RasterizerState* m_pDefaultRasterizerState;
  const DepthStencilState* m_pCurrentDepthStencilState;
  const RasterizerState* m_pCurrentRasterizerState;
  PrimitiveType m_PrimitiveType;
  IndexBuffer* m_pIndexBuffer;
  std::vector<VertexBuffer*> m_VertexBuffers;
  std::vector<unsigned int> m_Strides;
  std::vector<unsigned int> m_Offsets;
  ID3D10InputLayout* m_pInputLayout;
  LayoutManager* m_pLayoutManager;
  ResourceManager* m_pResourceManager;
  ShaderManager* m_pShaderManager;
  DeviceStateManager* m_pDeviceStateManager;
  DynamicVB* m_pDynamicVB;
  DynamicIB* m_pDynamicIB;
};
