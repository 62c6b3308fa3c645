// IDeviceState, DepthStencilState, RasterizerState, DeviceStateManager: shared,
// immutable pipeline states. Equal descriptions give the same object, found by
// a short byte-string name packed from the description.
#pragma once

#include <d3d10.h>

#include "SharedObject.h"
#include "StringEX.h"

class GraphicsDevice;

class IDeviceState : public Resource {
 public:
  // Records the state as the device's current one and binds it.
  virtual void Apply(GraphicsDevice* device) const = 0;
};

class DepthStencilState : public IDeviceState {
 public:
  // Takes over one reference of the state (which may be null).
  DepthStencilState(ID3D10DepthStencilState* state, unsigned int stencilRef);
  ~DepthStencilState() override;

  void Apply(GraphicsDevice* device) const override;
  ID3D10DepthStencilState* GetState() const { return m_pState; }
  unsigned int GetStencilRef() const { return m_StencilRef; }

 private:
  ID3D10DepthStencilState* m_pState;
  unsigned int m_StencilRef;
};

class RasterizerState : public IDeviceState {
 public:
  // Takes over one reference of the state (which may be null).
  explicit RasterizerState(ID3D10RasterizerState* state);
  ~RasterizerState() override;

  void Apply(GraphicsDevice* device) const override;
  ID3D10RasterizerState* GetState() const { return m_pState; }

 private:
  ID3D10RasterizerState* m_pState;
};

class DeviceStateManager : public Manager {
 public:
  explicit DeviceStateManager(GraphicsDevice* device);
  ~DeviceStateManager() override;

  DepthStencilState* CreateDepthStencilState(const D3D10_DEPTH_STENCIL_DESC& desc, unsigned int stencilRef);
  // The default description with these three fields replaced, reference 0.
  DepthStencilState* CreateDepthStencilState(bool depthEnable, D3D10_DEPTH_WRITE_MASK writeMask,
                                             D3D10_COMPARISON_FUNC depthFunc);
  DepthStencilState* CreateDefaultDepthStencilState();
  RasterizerState* CreateRasterizerState(const D3D10_RASTERIZER_DESC& desc);
  // The default description with these five fields replaced.
  RasterizerState* CreateRasterizerState(D3D10_FILL_MODE fill, D3D10_CULL_MODE cull, int depthBias,
                                         float depthBiasClamp, float slopeScaledDepthBias);
  RasterizerState* CreateDefaultRasterizerState();

  // The lookup names: 11 bytes for a depth-stencil state, 14 for a rasterizer state.
  static StringEX DepthStencilName(const D3D10_DEPTH_STENCIL_DESC& desc, unsigned int stencilRef);
  static StringEX RasterizerName(const D3D10_RASTERIZER_DESC& desc);

 private:
  static void FillDSDesc(D3D10_DEPTH_STENCIL_DESC& desc);
  static void FillRSDesc(D3D10_RASTERIZER_DESC& desc);
  static unsigned short PackDepthStencilOp(const D3D10_DEPTH_STENCILOP_DESC& desc);
  static void WriteWORD(char* out, unsigned short value);
  static void WriteDWORD(char* out, unsigned int value);

  GraphicsDevice* m_pDevice;
};
