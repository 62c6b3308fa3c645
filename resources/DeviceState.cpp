#include <morvane/DeviceState.h>

#include <cstring>

#include <morvane/GraphicsDevice.h>

DepthStencilState::DepthStencilState(ID3D10DepthStencilState* state, unsigned int stencilRef)
    : m_pState(state), m_StencilRef(stencilRef) {}

DepthStencilState::~DepthStencilState() {
  if (m_pState) m_pState->Release();
}

void DepthStencilState::Apply(GraphicsDevice* device) const {
  device->m_pCurrentDepthStencilState = this;
  device->GetDevice()->OMSetDepthStencilState(m_pState, m_StencilRef);
}

RasterizerState::RasterizerState(ID3D10RasterizerState* state) : m_pState(state) {}

RasterizerState::~RasterizerState() {
  if (m_pState) m_pState->Release();
}

void RasterizerState::Apply(GraphicsDevice* device) const {
  device->m_pCurrentRasterizerState = this;
  device->GetDevice()->RSSetState(m_pState);
}

DeviceStateManager::DeviceStateManager(GraphicsDevice* device) : m_pDevice(device) {}

DeviceStateManager::~DeviceStateManager() { PurgeAndReport(" unfreed device states."); }

void DeviceStateManager::FillDSDesc(D3D10_DEPTH_STENCIL_DESC& desc) {
  desc.DepthEnable = TRUE;
  desc.DepthWriteMask = D3D10_DEPTH_WRITE_MASK_ALL;
  desc.DepthFunc = D3D10_COMPARISON_LESS;
  desc.StencilEnable = FALSE;
  desc.StencilReadMask = D3D10_DEFAULT_STENCIL_READ_MASK;
  desc.StencilWriteMask = D3D10_DEFAULT_STENCIL_WRITE_MASK;
  const D3D10_DEPTH_STENCILOP_DESC face = {D3D10_STENCIL_OP_KEEP, D3D10_STENCIL_OP_KEEP, D3D10_STENCIL_OP_KEEP,
                                           D3D10_COMPARISON_ALWAYS};
  desc.FrontFace = face;
  desc.BackFace = face;
}

void DeviceStateManager::FillRSDesc(D3D10_RASTERIZER_DESC& desc) {
  desc.FillMode = D3D10_FILL_SOLID;
  desc.CullMode = D3D10_CULL_BACK;
  desc.FrontCounterClockwise = FALSE;
  desc.DepthBias = 0;
  desc.DepthBiasClamp = 0.0f;
  desc.SlopeScaledDepthBias = 0.0f;
  desc.DepthClipEnable = TRUE;
  desc.ScissorEnable = FALSE;
  desc.MultisampleEnable = FALSE;
  desc.AntialiasedLineEnable = FALSE;
}

unsigned short DeviceStateManager::PackDepthStencilOp(const D3D10_DEPTH_STENCILOP_DESC& desc) {
  unsigned int low = desc.StencilDepthFailOp * 16 + desc.StencilFailOp;
  unsigned int high = desc.StencilFunc * 16 + desc.StencilPassOp;
  return static_cast<unsigned short>(((high & 0xFF) << 8) | (low & 0xFF));
}

void DeviceStateManager::WriteWORD(char* out, unsigned short value) {
  out[0] = static_cast<char>(value & 0xFF);
  out[1] = static_cast<char>(value >> 8);
}

void DeviceStateManager::WriteDWORD(char* out, unsigned int value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

StringEX DeviceStateManager::DepthStencilName(const D3D10_DEPTH_STENCIL_DESC& desc, unsigned int stencilRef) {
  char name[11];
  name[0] = static_cast<char>((desc.DepthEnable ? 0 : 1) | ((desc.DepthWriteMask & 1) << 1) |
                              ((desc.StencilEnable ? 1 : 0) << 2) | (desc.DepthFunc << 3));
  name[1] = static_cast<char>(desc.StencilReadMask);
  name[2] = static_cast<char>(desc.StencilWriteMask);
  WriteWORD(name + 3, PackDepthStencilOp(desc.FrontFace));
  WriteWORD(name + 5, PackDepthStencilOp(desc.BackFace));
  WriteDWORD(name + 7, stencilRef);
  return StringEX(name, sizeof(name));
}

StringEX DeviceStateManager::RasterizerName(const D3D10_RASTERIZER_DESC& desc) {
  char name[14];
  name[0] = static_cast<char>((desc.FillMode & 3) | ((desc.CullMode & 3) << 2) |
                              ((desc.FrontCounterClockwise != 0) << 4) | ((desc.DepthClipEnable != 0) << 5) |
                              ((desc.ScissorEnable != 0) << 6) | ((desc.MultisampleEnable != 0) << 7));
  name[1] = static_cast<char>(desc.AntialiasedLineEnable & 0xFF);
  WriteDWORD(name + 2, static_cast<unsigned int>(desc.DepthBias));
  unsigned int bits;
  std::memcpy(&bits, &desc.DepthBiasClamp, 4);
  WriteDWORD(name + 6, bits);
  std::memcpy(&bits, &desc.SlopeScaledDepthBias, 4);
  WriteDWORD(name + 10, bits);
  return StringEX(name, sizeof(name));
}

DepthStencilState* DeviceStateManager::CreateDepthStencilState(const D3D10_DEPTH_STENCIL_DESC& desc,
                                                               unsigned int stencilRef) {
  StringEX name = DepthStencilName(desc, stencilRef);
  if (DepthStencilState* found = FindResourceOf<DepthStencilState>(name)) return found;
  // A refused description still makes a state; it binds as the default.
  ID3D10DepthStencilState* state = nullptr;
  if (FAILED(m_pDevice->GetDevice()->CreateDepthStencilState(&desc, &state))) state = nullptr;
  DepthStencilState* object = new DepthStencilState(state, stencilRef);
  RegisterResource(object, name);
  return object;
}

DepthStencilState* DeviceStateManager::CreateDepthStencilState(bool depthEnable, D3D10_DEPTH_WRITE_MASK writeMask,
                                                               D3D10_COMPARISON_FUNC depthFunc) {
  D3D10_DEPTH_STENCIL_DESC desc;
  FillDSDesc(desc);
  desc.DepthEnable = depthEnable;
  desc.DepthWriteMask = writeMask;
  desc.DepthFunc = depthFunc;
  return CreateDepthStencilState(desc, 0);
}

DepthStencilState* DeviceStateManager::CreateDefaultDepthStencilState() {
  D3D10_DEPTH_STENCIL_DESC desc;
  FillDSDesc(desc);
  return CreateDepthStencilState(desc, 0);
}

RasterizerState* DeviceStateManager::CreateRasterizerState(const D3D10_RASTERIZER_DESC& desc) {
  StringEX name = RasterizerName(desc);
  if (RasterizerState* found = FindResourceOf<RasterizerState>(name)) return found;
  ID3D10RasterizerState* state = nullptr;
  if (FAILED(m_pDevice->GetDevice()->CreateRasterizerState(&desc, &state))) state = nullptr;
  RasterizerState* object = new RasterizerState(state);
  RegisterResource(object, name);
  return object;
}

RasterizerState* DeviceStateManager::CreateRasterizerState(D3D10_FILL_MODE fill, D3D10_CULL_MODE cull,
                                                           int depthBias, float depthBiasClamp,
                                                           float slopeScaledDepthBias) {
  D3D10_RASTERIZER_DESC desc;
  FillRSDesc(desc);
  desc.FillMode = fill;
  desc.CullMode = cull;
  desc.DepthBias = depthBias;
  desc.DepthBiasClamp = depthBiasClamp;
  desc.SlopeScaledDepthBias = slopeScaledDepthBias;
  return CreateRasterizerState(desc);
}

RasterizerState* DeviceStateManager::CreateDefaultRasterizerState() {
  D3D10_RASTERIZER_DESC desc;
  FillRSDesc(desc);
  return CreateRasterizerState(desc);
}
