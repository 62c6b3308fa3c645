#include <gtest/gtest.h>

#include <morvane/DeviceState.h>

#include "DeviceFixture.h"

namespace {

D3D10_DEPTH_STENCIL_DESC DefaultDepthStencil() {
  D3D10_DEPTH_STENCIL_DESC desc = {};
  desc.DepthEnable = TRUE;
  desc.DepthWriteMask = D3D10_DEPTH_WRITE_MASK_ALL;
  desc.DepthFunc = D3D10_COMPARISON_LESS;
  desc.StencilReadMask = 0xFF;
  desc.StencilWriteMask = 0xFF;
  desc.FrontFace = {D3D10_STENCIL_OP_KEEP, D3D10_STENCIL_OP_KEEP, D3D10_STENCIL_OP_KEEP, D3D10_COMPARISON_ALWAYS};
  desc.BackFace = desc.FrontFace;
  return desc;
}

D3D10_RASTERIZER_DESC DefaultRasterizer() {
  D3D10_RASTERIZER_DESC desc = {};
  desc.FillMode = D3D10_FILL_SOLID;
  desc.CullMode = D3D10_CULL_BACK;
  desc.DepthClipEnable = TRUE;
  return desc;
}

}  // namespace

TEST(DeviceStateNames, DepthStencilBytes) {
  D3D10_DEPTH_STENCIL_DESC desc = DefaultDepthStencil();
  // depth on (bit 0 clear), write all (bit 1), stencil off, LESS (2) << 3;
  // ops KEEP(1) with depth-fail KEEP: 1*16+1 = 0x11; ALWAYS(8)*16 + KEEP = 0x81.
  const char expected[11] = {0x12, '\xFF', '\xFF', 0x11, '\x81', 0x11, '\x81', 0, 0, 0, 0};
  EXPECT_EQ(DeviceStateManager::DepthStencilName(desc, 0), std::string(expected, 11));

  desc.DepthEnable = FALSE;
  desc.StencilEnable = TRUE;
  desc.FrontFace.StencilFailOp = D3D10_STENCIL_OP_REPLACE;
  desc.FrontFace.StencilDepthFailOp = D3D10_STENCIL_OP_INCR;
  const char expected2[11] = {0x17, '\xFF', '\xFF', 0x73, '\x81', 0x11, '\x81', 0x04, 0x03, 0x02, 0x01};
  EXPECT_EQ(DeviceStateManager::DepthStencilName(desc, 0x01020304), std::string(expected2, 11));
}

TEST(DeviceStateNames, RasterizerBytes) {
  D3D10_RASTERIZER_DESC desc = DefaultRasterizer();
  // SOLID (3) | BACK (3) << 2 | depth clip bit 5.
  const char expected[14] = {0x2F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(DeviceStateManager::RasterizerName(desc), std::string(expected, 14));

  desc.FrontCounterClockwise = TRUE;
  desc.MultisampleEnable = TRUE;
  desc.AntialiasedLineEnable = TRUE;
  desc.DepthBias = -1;
  desc.DepthBiasClamp = 1.0f;  // 0x3F800000
  desc.SlopeScaledDepthBias = -2.0f;  // 0xC0000000
  const char expected2[14] = {'\xBF', 1, '\xFF', '\xFF', '\xFF', '\xFF', 0, 0, '\x80', 0x3F, 0, 0, 0, '\xC0'};
  EXPECT_EQ(DeviceStateManager::RasterizerName(desc), std::string(expected2, 14));
}

using DeviceStateTest = DeviceFixture;

TEST_F(DeviceStateTest, EqualDescriptionsShareOneState) {
  DeviceStateManager* states = device->GetDeviceStateManager();
  DepthStencilState* a = states->CreateDefaultDepthStencilState();
  DepthStencilState* b = states->CreateDepthStencilState(true, D3D10_DEPTH_WRITE_MASK_ALL, D3D10_COMPARISON_LESS);
  DepthStencilState* c = states->CreateDepthStencilState(DefaultDepthStencil(), 0);
  DepthStencilState* other = states->CreateDepthStencilState(DefaultDepthStencil(), 1);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a, c);
  EXPECT_NE(a, other);
  EXPECT_EQ(other->GetStencilRef(), 1u);
  EXPECT_NE(a->GetState(), nullptr);
  for (DepthStencilState* s : {a, b, c, other}) s->Release();

  RasterizerState* r1 = states->CreateDefaultRasterizerState();
  RasterizerState* r2 = states->CreateRasterizerState(D3D10_FILL_SOLID, D3D10_CULL_BACK, 0, 0.0f, 0.0f);
  RasterizerState* r3 = states->CreateRasterizerState(D3D10_FILL_SOLID, D3D10_CULL_BACK, 0, -0.0f, 0.0f);
  EXPECT_EQ(r1, r2);
  EXPECT_NE(r1, r3);
  for (RasterizerState* s : {r1, r2, r3}) s->Release();
}

TEST_F(DeviceStateTest, ApplyBindsAndRecords) {
  RasterizerState* wire = device->GetDeviceStateManager()->CreateRasterizerState(
      D3D10_FILL_WIREFRAME, D3D10_CULL_NONE, 0, 0.0f, 0.0f);
  wire->Apply(device.get());
  EXPECT_EQ(device->GetRasterizerState(), wire);
  ID3D10RasterizerState* bound = nullptr;
  device->GetDevice()->RSGetState(&bound);
  EXPECT_EQ(bound, wire->GetState());
  if (bound) bound->Release();

  DepthStencilState* noDepth = device->GetDeviceStateManager()->CreateDepthStencilState(
      false, D3D10_DEPTH_WRITE_MASK_ZERO, D3D10_COMPARISON_ALWAYS);
  noDepth->Apply(device.get());
  EXPECT_EQ(device->GetDepthStencilState(), noDepth);
  ID3D10DepthStencilState* boundDepth = nullptr;
  UINT ref = 7;
  device->GetDevice()->OMGetDepthStencilState(&boundDepth, &ref);
  EXPECT_EQ(boundDepth, noDepth->GetState());
  EXPECT_EQ(ref, 0u);
  if (boundDepth) boundDepth->Release();

  device->ResetRasterizerState();
  device->ResetDepthStencilState();
  wire->Release();
  noDepth->Release();
}

TEST_F(DeviceStateTest, LeakReportAtManagerDestruction) {
  RasterizerState* leaked = device->GetDeviceStateManager()->CreateRasterizerState(
      D3D10_FILL_WIREFRAME, D3D10_CULL_FRONT, 3, 0.0f, 0.0f);
  device.reset();
  EXPECT_EQ(log.entries,
            (std::vector<RecordingLogger::Entry>{{RecordingLogger::kWarning, 3, "1 unfreed device states."}}));
  leaked->Release();  // detached from the dead manager, deleted as a plain object
}
