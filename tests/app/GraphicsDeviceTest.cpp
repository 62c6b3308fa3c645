#include <gtest/gtest.h>

#include <d3d10_platform.h>

#include <morvane/Buffer.h>
#include <morvane/BufferLayout.h>
#include <morvane/DeviceState.h>
#include <morvane/RenderTarget.h>

#include "DeviceFixture.h"
#include "ReadBack.h"
#include "ShaderBlob.h"

using GraphicsDeviceTest = DeviceFixture;

TEST(GraphicsDeviceCreation, FailureLogsOneLineWithTheSystemText) {
  Core::Init();
  RecordingLogger log;
  Core::SetLogger(&log);
  PlatformTesting::FailCall("D3D10CreateDevice", E_FAIL);
  {
    GraphicsDevice device(0, true);
    EXPECT_EQ(device.GetDevice(), nullptr);
  }
  ASSERT_EQ(log.entries.size(), 1u);
  EXPECT_EQ(log.entries[0].op, RecordingLogger::kError);
  EXPECT_EQ(log.entries[0].text,
            "Failed to create device(Adapter=0, D3D10_DRIVER_TYPE_HARDWARE, Debug=true): " + GetErrorText(E_FAIL));
  Core::Cleanup();
  PlatformTesting::Reset();
}

TEST_F(GraphicsDeviceTest, ConstructionMakesManagersStreamsAndDefaults) {
  EXPECT_NE(device->GetLayoutManager(), nullptr);
  EXPECT_NE(device->GetShaderManager(), nullptr);
  EXPECT_NE(device->GetResourceManager(), nullptr);
  EXPECT_NE(device->GetDeviceStateManager(), nullptr);
  ASSERT_NE(device->GetDynVB(), nullptr);
  ASSERT_NE(device->GetDynIB(), nullptr);
  EXPECT_EQ(device->GetDynVB()->GetSize(), 2048u);
  EXPECT_EQ(device->GetDynIB()->GetSize(), 2048u);
  EXPECT_NE(device->GetRasterizerState(), nullptr);
  EXPECT_NE(device->GetDepthStencilState(), nullptr);
  ViewPort zero = device->GetViewPort();
  EXPECT_EQ(zero.Width, 0u);
  EXPECT_EQ(zero.MaxDepth, 0.0f);
  EXPECT_EQ(device->GetDrawCallCount(), 0u);
}

TEST_F(GraphicsDeviceTest, DestructionReportsNoLeaks) {
  device.reset();
  EXPECT_TRUE(log.entries.empty());
}

TEST_F(GraphicsDeviceTest, CountsDrawsAndSubmittedPrimitives) {
  device->DrawIndexed(36, 0, 0);
  device->DrawIndexed(36, 0, 0);
  device->DrawInstanced(4, 10, 0, 0);
  EXPECT_EQ(device->GetDrawCallCount(), 3u);
  EXPECT_EQ(device->GetPrimitiveCount(), 112u);
  device->DrawIndexedInstanced(36, 10, 0, 0, 0);
  EXPECT_EQ(device->GetPrimitiveCount(), 148u);
  device->Draw(3, 0);
  EXPECT_EQ(device->GetDrawCallCount(), 5u);
  EXPECT_EQ(device->GetPrimitiveCount(), 151u);
  device->ResetCounts();
  EXPECT_EQ(device->GetDrawCallCount(), 0u);
  EXPECT_EQ(device->GetPrimitiveCount(), 0u);
}

TEST_F(GraphicsDeviceTest, NullStatesApplyTheDefaults) {
  const RasterizerState* defaultRasterizer = device->GetRasterizerState();
  const DepthStencilState* defaultDepth = device->GetDepthStencilState();
  device->SetRasterizerState(nullptr);
  device->SetDepthStencilState(nullptr);
  EXPECT_EQ(device->GetRasterizerState(), nullptr);
  EXPECT_EQ(device->GetDepthStencilState(), nullptr);

  ID3D10RasterizerState* bound = nullptr;
  device->GetDevice()->RSGetState(&bound);
  EXPECT_EQ(bound, defaultRasterizer->GetState());
  if (bound) bound->Release();
  ID3D10DepthStencilState* boundDepth = nullptr;
  UINT ref = 5;
  device->GetDevice()->OMGetDepthStencilState(&boundDepth, &ref);
  EXPECT_EQ(boundDepth, defaultDepth->GetState());
  if (boundDepth) boundDepth->Release();

  device->ResetRasterizerState();
  EXPECT_EQ(device->GetRasterizerState(), defaultRasterizer);
}

TEST_F(GraphicsDeviceTest, BindingsAreRecordedAndReachTheDevice) {
  ViewPort viewport = {1, 2, 64, 32, 0.0f, 1.0f};
  device->SetViewPort(viewport);
  EXPECT_EQ(device->GetViewPort().Width, 64u);
  D3D10_VIEWPORT boundViewport;
  UINT viewportCount = 1;
  device->GetDevice()->RSGetViewports(&viewportCount, &boundViewport);
  EXPECT_EQ(viewportCount, 1u);
  EXPECT_EQ(boundViewport.TopLeftY, 2);
  EXPECT_EQ(boundViewport.Height, 32u);

  device->SetPrimitiveType(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
  D3D10_PRIMITIVE_TOPOLOGY topology;
  device->GetDevice()->IAGetPrimitiveTopology(&topology);
  EXPECT_EQ(topology, D3D10_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
  EXPECT_EQ(device->GetPrimitiveType(), D3D10_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);

  const unsigned int indices[3] = {0, 1, 2};
  IndexBuffer indexBuffer(device.get(), 3, true, false, indices);
  device->SetIndexBuffer(&indexBuffer, 4);
  ID3D10Buffer* boundIndices = nullptr;
  DXGI_FORMAT format = DXGI_FORMAT_UNKNOWN;
  UINT offset = 0;
  device->GetDevice()->IAGetIndexBuffer(&boundIndices, &format, &offset);
  EXPECT_EQ(boundIndices, indexBuffer.GetBuffer());
  EXPECT_EQ(format, DXGI_FORMAT_R32_UINT);
  EXPECT_EQ(offset, 4u);
  if (boundIndices) boundIndices->Release();

  device->SetIndexBuffer(static_cast<IndexBuffer*>(nullptr), 0);
  EXPECT_EQ(device->GetIndexBuffer(), nullptr);
  device->GetDevice()->IAGetIndexBuffer(&boundIndices, &format, &offset);
  EXPECT_EQ(boundIndices, nullptr);
}

TEST_F(GraphicsDeviceTest, VertexBufferListsBindFromSlotZero) {
  const float data[6] = {};
  VertexBuffer a(device.get(), 1, 12, false, data);
  VertexBuffer b(device.get(), 3, 8, false, data);
  device->SetVertexBuffers({&a, &b});
  EXPECT_EQ(device->GetStrides(), (std::vector<unsigned int>{12, 8}));
  EXPECT_EQ(device->GetOffsets(), (std::vector<unsigned int>{0, 0}));
  ID3D10Buffer* bound[2] = {};
  UINT strides[2] = {};
  UINT offsets[2] = {};
  device->GetDevice()->IAGetVertexBuffers(0, 2, bound, strides, offsets);
  EXPECT_EQ(bound[0], a.GetBuffer());
  EXPECT_EQ(bound[1], b.GetBuffer());
  EXPECT_EQ(strides[1], 8u);
  for (ID3D10Buffer* buffer : bound)
    if (buffer) buffer->Release();

  device->SetVertexBuffer(&b, 16);
  EXPECT_EQ(device->GetVertexBuffers(), (std::vector<VertexBuffer*>{&b}));
  EXPECT_EQ(device->GetOffsets(), (std::vector<unsigned int>{16}));

  // An empty list empties the record; the device call with no buffers changes
  // no slot, as in Direct3D.
  device->SetVertexBuffers({});
  EXPECT_TRUE(device->GetVertexBuffers().empty());
  EXPECT_TRUE(device->GetStrides().empty());
  EXPECT_TRUE(device->GetOffsets().empty());
}

TEST_F(GraphicsDeviceTest, DrawUPStreamsThroughTheDynamicBuffer) {
  const float triangle[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  device->DrawUP(triangle, 12, 3);
  device->DrawUP(triangle, 12, 3);
  EXPECT_EQ(device->GetDrawCallCount(), 2u);
  EXPECT_EQ(device->GetPrimitiveCount(), 6u);
  EXPECT_EQ(device->GetVertexBuffers(), (std::vector<VertexBuffer*>{device->GetDynVB()}));
  EXPECT_EQ(device->GetStrides(), (std::vector<unsigned int>{12}));
  EXPECT_EQ(device->GetOffsets(), (std::vector<unsigned int>{36}));
}

TEST_F(GraphicsDeviceTest, NullInputLayoutBindsNothing) {
  device->SetInputLayout(nullptr, nullptr);
  EXPECT_EQ(device->GetInputLayout(), nullptr);
  device->Draw(3, 0);  // no layout, no shaders: the device draws nothing and survives
  EXPECT_EQ(device->GetDrawCallCount(), 1u);
}

namespace {


}  // namespace

// The engine's bindings and stream buffer drive the device all the way to pixels.
TEST_F(GraphicsDeviceTest, DrawUPThroughALayoutReachesThePixels) {
  ID3D10Device* d3d = device->GetDevice();
  D3D10_SIGNATURE_PARAMETER_DESC inputs[2] = {
      {"POSITION", 0, 0, D3D10_NAME_UNDEFINED, D3D10_REGISTER_COMPONENT_FLOAT32, 3, 3},
      {"COLOR", 0, 1, D3D10_NAME_UNDEFINED, D3D10_REGISTER_COMPONENT_FLOAT32, 15, 15}};
  std::vector<uint8_t> vs = BuildShaderBlob(D3D10_PLATFORM_SHADER_STAGE_VERTEX,
                                              "#version 450\n"
                                              "layout(location = 0) in vec2 position;\n"
                                              "layout(location = 1) in vec4 color;\n"
                                              "layout(location = 0) out vec4 vColor;\n"
                                              "void main() { gl_Position = vec4(position, 0.5, 1.0); vColor = color; }\n",
                                              inputs, 2);
  std::vector<uint8_t> ps = BuildShaderBlob(D3D10_PLATFORM_SHADER_STAGE_PIXEL,
                                              "#version 450\n"
                                              "layout(location = 0) in vec4 vColor;\n"
                                              "layout(location = 0) out vec4 color;\n"
                                              "void main() { color = vColor; }\n",
                                              nullptr, 0);
  ID3D10VertexShader* vertexShader = nullptr;
  ID3D10PixelShader* pixelShader = nullptr;
  ASSERT_EQ(d3d->CreateVertexShader(vs.data(), vs.size(), &vertexShader), S_OK);
  ASSERT_EQ(d3d->CreatePixelShader(ps.data(), ps.size(), &pixelShader), S_OK);
  d3d->VSSetShader(vertexShader);
  d3d->PSSetShader(pixelShader);

  BUFFER_ELEMENT_DESC elements[2] = {{"POSITION", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 0, 0, 0},
                                     {"COLOR", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 8, 0, 0}};
  BufferLayout* layout = device->GetLayoutManager()->CreateBufferLayout(elements, 2);
  InputSignature* signature =
      device->GetLayoutManager()->CreateInputSignature(vs.data(), static_cast<unsigned int>(vs.size()));
  device->SetInputLayout(layout, signature);
  ASSERT_NE(device->GetInputLayout(), nullptr);
  EXPECT_EQ(device->GetLayoutManager()->GetInputLayout(layout, signature), device->GetInputLayout());

  RenderTexture2D target(device.get(), DF_R8G8B8A8_UNORM, 8, 8, 1, 0, false);
  target.Bind();
  target.Clear(ColorRGBA{0, 0, 0, 1});
  device->SetViewPort(ViewPort{0, 0, 8, 8, 0.0f, 1.0f});
  device->SetPrimitiveType(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);

  // One clockwise triangle covering the whole target, in green.
  const float triangle[3][6] = {{-1, 3, 0, 1, 0, 1}, {3, -1, 0, 1, 0, 1}, {-1, -1, 0, 1, 0, 1}};
  device->DrawUP(triangle, sizeof(triangle[0]), 3);

  std::vector<uint8_t> texels = ReadSubresource(d3d, target.GetTexture()->GetTexture(), 0, 4);
  ASSERT_EQ(texels.size(), 256u);
  const uint8_t* centre = &texels[(4 * 8 + 4) * 4];
  EXPECT_EQ(centre[0], 0);
  EXPECT_EQ(centre[1], 255);
  EXPECT_EQ(centre[2], 0);

  d3d->OMSetRenderTargets(0, nullptr, nullptr);
  d3d->VSSetShader(nullptr);
  d3d->PSSetShader(nullptr);
  for (IUnknown* object : std::initializer_list<IUnknown*>{vertexShader, pixelShader}) object->Release();
  layout->Release(true);
  signature->Release(true);
}
