#include <morvane/GraphicsDevice.h>

#include <cstring>

#include <morvane/Buffer.h>
#include <morvane/BufferLayout.h>
#include <morvane/Core.h>
#include <morvane/DeviceState.h>
#include <morvane/RenderBuffer.h>
#include <morvane/ResourceManager.h>
#include <morvane/ShaderManager.h>

static_assert(sizeof(ViewPort) == sizeof(D3D10_VIEWPORT), "ViewPort is handed to the device unchanged");

namespace {

const unsigned int kStreamBufferSize = 2048;

}  // namespace

GraphicsDevice::GraphicsDevice(unsigned int adapter, bool debug)
    : m_PrimitiveCount(0),
      m_DrawCallCount(0),
      m_pDevice(nullptr),
      m_pRenderTarget(nullptr),
      m_pDepthStencil(nullptr),
      m_ViewPort(),
      m_pDefaultDepthStencilState(nullptr),
      m_pDefaultRasterizerState(nullptr),
      m_pCurrentDepthStencilState(nullptr),
      m_pCurrentRasterizerState(nullptr),
      m_PrimitiveType(D3D10_PRIMITIVE_TOPOLOGY_UNDEFINED),
      m_pIndexBuffer(nullptr),
      m_pInputLayout(nullptr),
      m_pLayoutManager(nullptr),
      m_pResourceManager(nullptr),
      m_pShaderManager(nullptr),
      m_pDeviceStateManager(nullptr),
      m_pDynamicVB(nullptr),
      m_pDynamicIB(nullptr) {
  HRESULT hr = D3D10CreateDevice(Core::Adapters()[adapter].GetAdapter(), D3D10_DRIVER_TYPE_HARDWARE, nullptr,
                                 debug ? D3D10_CREATE_DEVICE_DEBUG : 0, D3D10_SDK_VERSION, &m_pDevice);
  if (FAILED(hr)) {
    m_pDevice = nullptr;
    Core::Log()->Error("Failed to create device(Adapter=" + StringEX(static_cast<int>(adapter)) +
                       ", D3D10_DRIVER_TYPE_HARDWARE, Debug=" + (debug ? "true" : "false") +
                       "): " + GetErrorText(hr));
    // Everything below needs a device: a device without one keeps null
    // managers and stream buffers, and its failure is the one line logged.
    return;
  }

  m_pLayoutManager = new LayoutManager(this);
  m_pShaderManager = new ShaderManager(this);
  m_pResourceManager = new ResourceManager(this);
  m_pDeviceStateManager = new DeviceStateManager(this);
  m_pDynamicVB = new DynamicVB(this, kStreamBufferSize);
  m_pDynamicIB = new DynamicIB(this, kStreamBufferSize);

  m_pDefaultDepthStencilState = m_pDeviceStateManager->CreateDefaultDepthStencilState();
  m_pDefaultRasterizerState = m_pDeviceStateManager->CreateDefaultRasterizerState();
  m_pCurrentDepthStencilState = m_pDefaultDepthStencilState;
  m_pCurrentRasterizerState = m_pDefaultRasterizerState;
}

GraphicsDevice::~GraphicsDevice() {
  // Parked, the defaults go with the state manager without a leak report.
  if (m_pDefaultDepthStencilState) m_pDefaultDepthStencilState->Release(true);
  if (m_pDefaultRasterizerState) m_pDefaultRasterizerState->Release(true);

  delete m_pDynamicVB;
  delete m_pDynamicIB;
  delete m_pResourceManager;
  delete m_pShaderManager;
  delete m_pLayoutManager;
  delete m_pDeviceStateManager;

  if (m_pDevice) m_pDevice->Release();
}

void GraphicsDevice::SetRenderTargets(IRenderTarget* const target, IDepthStencilTarget* const depthStencil) {
  m_pRenderTarget = target;
  m_pDepthStencil = depthStencil;
  m_pDevice->OMSetRenderTargets(target ? target->GetViewCount() : 0, target ? target->GetViewArray() : nullptr,
                                depthStencil ? depthStencil->GetView() : nullptr);
}

void GraphicsDevice::SetViewPort(const ViewPort& viewport) {
  m_ViewPort = viewport;
  m_pDevice->RSSetViewports(1, reinterpret_cast<const D3D10_VIEWPORT*>(&m_ViewPort));
}

void GraphicsDevice::SetPrimitiveType(PrimitiveType type) {
  m_PrimitiveType = type;
  m_pDevice->IASetPrimitiveTopology(type);
}

void GraphicsDevice::SetIndexBuffer(IndexBuffer* const buffer, unsigned int offset) {
  m_pIndexBuffer = buffer;
  if (!buffer) {
    m_pDevice->IASetIndexBuffer(nullptr, DXGI_FORMAT_UNKNOWN, 0);
    return;
  }
  m_pDevice->IASetIndexBuffer(buffer->GetBuffer(), buffer->Is32Bit() ? DXGI_FORMAT_R32_UINT : DXGI_FORMAT_R16_UINT,
                              offset);
}

void GraphicsDevice::SetIndexBuffer(DynamicIB* const buffer, bool is32Bit) {
  m_pIndexBuffer = buffer;
  m_pDevice->IASetIndexBuffer(buffer->GetBuffer(), is32Bit ? DXGI_FORMAT_R32_UINT : DXGI_FORMAT_R16_UINT,
                              buffer->GetStreamOffset());
}

void GraphicsDevice::SetRasterizerState(const RasterizerState* const state) {
  m_pCurrentRasterizerState = state;
  m_pDevice->RSSetState((state ? state : m_pDefaultRasterizerState)->GetState());
}

void GraphicsDevice::SetDepthStencilState(const DepthStencilState* const state) {
  m_pCurrentDepthStencilState = state;
  const DepthStencilState* applied = state ? state : m_pDefaultDepthStencilState;
  m_pDevice->OMSetDepthStencilState(applied->GetState(), applied->GetStencilRef());
}

void GraphicsDevice::ResetDepthStencilState() { SetDepthStencilState(m_pDefaultDepthStencilState); }

void GraphicsDevice::ResetRasterizerState() { SetRasterizerState(m_pDefaultRasterizerState); }

void GraphicsDevice::SetInputLayout(BufferLayout* const layout, InputSignature* const signature) {
  SetInputLayout(m_pLayoutManager->GetInputLayout(layout, signature));
}

void GraphicsDevice::SetInputLayout(ID3D10InputLayout* const layout) {
  m_pInputLayout = layout;
  m_pDevice->IASetInputLayout(layout);
}

void GraphicsDevice::BindVertexBuffers(unsigned int count, ID3D10Buffer* const* buffers) {
  if (count == 0) {
    m_pDevice->IASetVertexBuffers(0, 0, nullptr, nullptr, nullptr);
    return;
  }
  m_pDevice->IASetVertexBuffers(0, count, buffers, m_Strides.data(), m_Offsets.data());
}

void GraphicsDevice::SetVertexBuffers(const std::vector<VertexBuffer*>& buffers) {
  m_VertexBuffers.clear();
  m_Strides.clear();
  m_Offsets.clear();
  ID3D10Buffer* deviceBuffers[D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT];
  unsigned int count = 0;
  for (VertexBuffer* buffer : buffers) {
    // The device has 16 input slots; further buffers are not bound.
    if (count == D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT) break;
    m_VertexBuffers.push_back(buffer);
    m_Strides.push_back(buffer->GetElementStride());
    m_Offsets.push_back(0);
    deviceBuffers[count++] = buffer->GetBuffer();
  }
  BindVertexBuffers(count, deviceBuffers);
}

void GraphicsDevice::SetVertexBuffer(VertexBuffer* const buffer, unsigned int offset) {
  m_VertexBuffers.assign(1, buffer);
  m_Strides.assign(1, buffer->GetElementStride());
  m_Offsets.assign(1, offset);
  ID3D10Buffer* deviceBuffer = buffer->GetBuffer();
  BindVertexBuffers(1, &deviceBuffer);
}

void GraphicsDevice::SetVertexBuffer(DynamicVB* const buffer, unsigned int stride) {
  m_VertexBuffers.assign(1, buffer);
  m_Strides.assign(1, stride);
  m_Offsets.assign(1, buffer->GetStreamOffset());
  ID3D10Buffer* deviceBuffer = buffer->GetBuffer();
  BindVertexBuffers(1, &deviceBuffer);
}

void GraphicsDevice::Draw(unsigned int vertexCount, unsigned int startVertex) {
  ++m_DrawCallCount;
  m_PrimitiveCount += vertexCount;
  m_pDevice->Draw(vertexCount, startVertex);
}

void GraphicsDevice::DrawInstanced(unsigned int vertexCountPerInstance, unsigned int instanceCount,
                                   unsigned int startVertex, unsigned int startInstance) {
  ++m_DrawCallCount;
  m_PrimitiveCount += vertexCountPerInstance * instanceCount;
  m_pDevice->DrawInstanced(vertexCountPerInstance, instanceCount, startVertex, startInstance);
}

void GraphicsDevice::DrawIndexed(unsigned int indexCount, unsigned int startIndex, unsigned int baseVertex) {
  ++m_DrawCallCount;
  m_PrimitiveCount += indexCount;
  m_pDevice->DrawIndexed(indexCount, startIndex, static_cast<INT>(baseVertex));
}

void GraphicsDevice::DrawIndexedInstanced(unsigned int indexCountPerInstance, unsigned int instanceCount,
                                          unsigned int startIndex, unsigned int baseVertex,
                                          unsigned int startInstance) {
  ++m_DrawCallCount;
  // Counted once per call, not per instance: the count is of indices handed over.
  m_PrimitiveCount += indexCountPerInstance;
  m_pDevice->DrawIndexedInstanced(indexCountPerInstance, instanceCount, startIndex, static_cast<INT>(baseVertex),
                                  startInstance);
}

void GraphicsDevice::DrawUP(const void* const data, unsigned int stride, unsigned int vertexCount) {
  unsigned int size = stride * vertexCount;
  void* window = m_pDynamicVB->Lock(size);
  if (window) std::memcpy(window, data, size);
  m_pDynamicVB->Unlock();
  SetVertexBuffer(m_pDynamicVB, stride);
  ++m_DrawCallCount;
  m_PrimitiveCount += vertexCount;
  m_pDevice->Draw(vertexCount, 0);
}

void GraphicsDevice::ResetCounts() {
  m_PrimitiveCount = 0;
  m_DrawCallCount = 0;
}
