#include <gtest/gtest.h>

#include <morvane/RenderTarget.h>

#include "DeviceFixture.h"
#include "ReadBack.h"

namespace {

const ColorRGBA kRed = {1, 0, 0, 1};
const ColorRGBA kGreen = {0, 1, 0, 1};
const uint32_t kRedTexel = 0xFF0000FFu;
const uint32_t kGreenTexel = 0xFF00FF00u;

UINT FirstSlice(ID3D10RenderTargetView* view) {
  D3D10_RENDER_TARGET_VIEW_DESC desc;
  view->GetDesc(&desc);
  return desc.Texture2DArray.FirstArraySlice;
}

}  // namespace

using RenderTargetTest = DeviceFixture;

TEST_F(RenderTargetTest, RenderTextureClearsAndBinds) {
  RenderTexture2D target(device.get(), DF_R8G8B8A8_UNORM, 4, 4, 1, 0, true);
  ASSERT_NE(target.GetViewArray()[0], nullptr);
  EXPECT_EQ(target.GetViewCount(), 1u);
  EXPECT_NE(target.GetTexture()->GetSRV(), nullptr);
  target.Clear(kRed);
  EXPECT_EQ(FirstTexel(device->GetDevice(), target.GetTexture()->GetTexture()), kRedTexel);

  EXPECT_FALSE(target.IsBound());
  target.CreateAutoDepthStencil(DF_D24_UNORM_S8_UINT, false);
  target.Bind();
  EXPECT_TRUE(target.IsBound());
  EXPECT_TRUE(target.GetDepthStencilBuffer()->IsBound());
  RenderTexture2D other(device.get(), DF_R8G8B8A8_UNORM, 4, 4, 1, 0, false);
  EXPECT_EQ(other.GetTexture()->GetSRV(), nullptr);
  other.Bind();
  EXPECT_FALSE(target.IsBound());
  EXPECT_FALSE(target.GetDepthStencilBuffer()->IsBound());
  EXPECT_TRUE(log.Texts(RecordingLogger::kError).empty());
  EXPECT_TRUE(log.Texts(RecordingLogger::kWarning).empty());
}

TEST_F(RenderTargetTest, SetSizeRebuildsOnlyOnChange) {
  RenderTexture2D target(device.get(), DF_R8G8B8A8_UNORM, 4, 4, 1, 0, true);
  target.CreateAutoDepthStencil(DF_D32_FLOAT, true);
  ID3D10RenderTargetView* view = target.GetViewArray()[0];
  Texture2D* texture = target.GetTexture();
  target.SetSize(4, 4);
  EXPECT_EQ(target.GetViewArray()[0], view);
  EXPECT_EQ(target.GetTexture(), texture);
  target.SetSize(8, 2);
  EXPECT_EQ(target.GetTexture()->GetWidth(), 8u);
  EXPECT_EQ(target.GetTexture()->GetHeight(), 2u);
  EXPECT_EQ(target.GetDepthStencilBuffer()->GetTexture()->GetWidth(), 8u);
  ASSERT_NE(target.GetViewArray()[0], nullptr);
  target.Clear(kGreen);
  EXPECT_EQ(FirstTexel(device->GetDevice(), target.GetTexture()->GetTexture()), kGreenTexel);
}

TEST_F(RenderTargetTest, DepthFormatRule) {
  DepthStencilBuffer readable(device.get(), 4, 4, DF_D32_FLOAT, 1, 0, true);
  EXPECT_EQ(readable.GetTexture()->GetFormat(), DF_R32_TYPELESS);
  EXPECT_EQ(readable.GetTexture()->GetSRVFormat(), DF_R32_FLOAT);
  ASSERT_NE(readable.GetView(), nullptr);
  D3D10_DEPTH_STENCIL_VIEW_DESC view;
  readable.GetView()->GetDesc(&view);
  EXPECT_EQ(view.Format, DXGI_FORMAT_D32_FLOAT);

  DepthStencilBuffer plain(device.get(), 4, 4, DF_D32_FLOAT, 1, 0, false);
  EXPECT_EQ(plain.GetTexture()->GetFormat(), DF_D32_FLOAT);
  EXPECT_EQ(plain.GetTexture()->GetSRV(), nullptr);
  EXPECT_NE(plain.GetView(), nullptr);

  DataFormat texture;
  DataFormat srv;
  DepthStencilBuffer::DepthFormats(DF_D24_UNORM_S8_UINT, true, texture, srv);
  EXPECT_EQ(texture, DF_R24_UNORM_X8_TYPELESS);
  EXPECT_EQ(srv, DF_UNKNOWN);
  DepthStencilBuffer::DepthFormats(DF_D32_FLOAT_S8X24_UINT, true, texture, srv);
  EXPECT_EQ(texture, DF_R32_FLOAT_X8X24_TYPELESS);
  DepthStencilBuffer::DepthFormats(DF_D16_UNORM, true, texture, srv);
  EXPECT_EQ(texture, DF_R16_TYPELESS);
  DepthStencilBuffer::DepthFormats(DF_R8G8B8A8_UNORM, true, texture, srv);
  EXPECT_EQ(texture, DF_R8G8B8A8_UNORM);
}

TEST_F(RenderTargetTest, DepthClearReadsThroughTheReadableTexture) {
  DepthStencilBuffer depth(device.get(), 4, 4, DF_D32_FLOAT, 1, 0, true);
  depth.Clear(D3D10_CLEAR_DEPTH, 0.25f, 0);
  uint32_t bits = FirstTexel(device->GetDevice(), depth.GetTexture()->GetTexture());
  float value;
  std::memcpy(&value, &bits, 4);
  EXPECT_FLOAT_EQ(value, 0.25f);
  depth.ClearDepth();
  bits = FirstTexel(device->GetDevice(), depth.GetTexture()->GetTexture());
  std::memcpy(&value, &bits, 4);
  EXPECT_FLOAT_EQ(value, 1.0f);
}

TEST_F(RenderTargetTest, ShaderReadableStencilDepthFormats) {
  for (DataFormat format : {DF_D16_UNORM, DF_D24_UNORM_S8_UINT, DF_D32_FLOAT_S8X24_UINT}) {
    DepthStencilBuffer depth(device.get(), 4, 4, format, 1, 0, true);
    EXPECT_NE(depth.GetView(), nullptr) << format;
    EXPECT_NE(depth.GetTexture()->GetSRV(), nullptr) << format;
  }
  EXPECT_TRUE(log.Texts(RecordingLogger::kError).empty());
}

TEST_F(RenderTargetTest, TargetArrayHoldsEight) {
  RenderTargetArray targets(device.get(), 4, 4, 1, 0);
  EXPECT_EQ(targets.GetViewCount(), 0u);
  for (unsigned int i = 0; i < 8; ++i) ASSERT_NE(targets.AddTarget(DF_R8G8B8A8_UNORM), nullptr);
  EXPECT_EQ(targets.AddTarget(DF_R8G8B8A8_UNORM), nullptr);
  EXPECT_EQ(targets.GetViewCount(), 8u);
  EXPECT_EQ(targets.GetTarget(8), nullptr);
  EXPECT_EQ(targets.GetTarget(7)->GetViewArray()[0], targets.GetViewArray()[7]);

  targets.CreateDepthStencil(DF_D32_FLOAT, false);
  targets.Bind();
  EXPECT_TRUE(targets.IsBound());
  targets.Clear(kRed);
  targets.ClearView(3, kGreen);
  EXPECT_EQ(FirstTexel(device->GetDevice(), targets.GetTarget(2)->GetTexture()->GetTexture()), kRedTexel);
  EXPECT_EQ(FirstTexel(device->GetDevice(), targets.GetTarget(3)->GetTexture()->GetTexture()), kGreenTexel);

  targets.SetSize(2, 2);
  EXPECT_EQ(targets.GetTarget(5)->GetWidth(), 2u);
  EXPECT_EQ(targets.GetTarget(5)->GetViewArray()[0], targets.GetViewArray()[5]);
  EXPECT_EQ(targets.GetDepthStencilBuffer()->GetWidth(), 2u);
}

TEST_F(RenderTargetTest, CubeFacesAreSingleViews) {
  CubeRenderTexture cube(device.get(), 4, DF_R8G8B8A8_UNORM, 1, 1, 0, true);
  ID3D10RenderTargetView* cubeView = cube.GetViewArray()[0];
  ASSERT_NE(cubeView, nullptr);
  cube.Clear(kRed);
  cube.UseSingleView(CUBEMAP_FACE_NEGATIVE_Y);
  ASSERT_NE(cube.GetViewArray()[0], nullptr);
  EXPECT_EQ(FirstSlice(cube.GetViewArray()[0]), 3u);
  cube.Clear(kGreen);
  ID3D10Texture2D* texture = cube.GetTexture()->GetTexture();
  for (UINT face = 0; face < 6; ++face)
    EXPECT_EQ(FirstTexel(device->GetDevice(), texture, face), face == 3 ? kGreenTexel : kRedTexel) << face;
  cube.UseCubeView();
  EXPECT_EQ(cube.GetViewArray()[0], cubeView);

  cube.CreateSingleDepthStencil(DF_D32_FLOAT, false);
  cube.CreateCubeDepthStencil(DF_D32_FLOAT, true);
  EXPECT_NE(cube.GetSingleDepthStencilBuffer()->GetView(), nullptr);
  CubeDepthStencilBuffer* cubeDepth = cube.GetCubeDepthStencilBuffer();
  ID3D10DepthStencilView* wholeCube = cubeDepth->GetView();
  ASSERT_NE(wholeCube, nullptr);
  cubeDepth->UseSingleView(CUBEMAP_FACE_POSITIVE_Z);
  EXPECT_NE(cubeDepth->GetView(), wholeCube);
  cubeDepth->UseCubeView();
  EXPECT_EQ(cubeDepth->GetView(), wholeCube);
  EXPECT_TRUE(log.Texts(RecordingLogger::kError).empty());
}

TEST_F(RenderTargetTest, DepthArraySlices) {
  DepthStencilBufferArray depth(device.get(), DF_D32_FLOAT, 4, 4, 3, 1, 0, true);
  ID3D10DepthStencilView* whole = depth.GetView();
  ASSERT_NE(whole, nullptr);
  depth.UseSingleView(1);
  ASSERT_NE(depth.GetView(), nullptr);
  depth.Clear(D3D10_CLEAR_DEPTH, 0.5f, 0);
  depth.UseArrayView();
  EXPECT_EQ(depth.GetView(), whole);
  std::vector<uint8_t> slice1 =
      ReadSubresource(device->GetDevice(), depth.GetTexture()->GetTexture(), D3D10CalcSubresource(0, 1, 1), 4);
  ASSERT_EQ(slice1.size(), 64u);
  float value;
  std::memcpy(&value, slice1.data(), 4);
  EXPECT_FLOAT_EQ(value, 0.5f);
  EXPECT_EQ(depth.GetTexture()->GetSRVFormat(), DF_R32_FLOAT);
}

TEST_F(RenderTargetTest, WrappedBackBufferTexture) {
  D3D10_TEXTURE2D_DESC desc = {6, 3, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D10_USAGE_DEFAULT,
                               D3D10_BIND_RENDER_TARGET, 0, 0};
  ID3D10Texture2D* raw = nullptr;
  ASSERT_EQ(device->GetDevice()->CreateTexture2D(&desc, nullptr, &raw), S_OK);
  RenderTexture2D target(device.get(), new Texture2D(device.get(), raw));
  EXPECT_EQ(target.GetWidth(), 6u);
  EXPECT_EQ(target.GetHeight(), 3u);
  EXPECT_EQ(target.GetDataFormat(), DF_R8G8B8A8_UNORM);
  EXPECT_NE(target.GetViewArray()[0], nullptr);
  EXPECT_EQ(target.GetDepthStencilBuffer(), nullptr);
}
