// Drawing, verified by the pixels that land in the render target.
#include <cmath>

#include "D3D10Fixture.h"

namespace {

class DrawTest : public D3D10Test {
 protected:
  void SetUp() override {
    D3D10Test::SetUp();
    BindTarget();
    std::vector<uint8_t> blob;
    vertexShader = MakeVertexShader(kColorVS, ColorInputs(), &blob);
    pixelShader = MakePixelShader(kColorPS);
    ASSERT_EQ(S_OK, device->CreateInputLayout(ColorElements(), 2, blob.data(), blob.size(), layout.Put()));
    device->VSSetShader(vertexShader.Get());
    device->PSSetShader(pixelShader.Get());
    device->IASetInputLayout(layout.Get());
    device->IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  }

  // Binds the vertices at slot 0 of a new immutable buffer.
  void BindVertices(const std::vector<Vertex>& vertices) {
    vertexBuffer = MakeBuffer(static_cast<UINT>(vertices.size() * sizeof(Vertex)), D3D10_USAGE_IMMUTABLE,
                              D3D10_BIND_VERTEX_BUFFER, 0, vertices.data());
    ID3D10Buffer* buffers[] = {vertexBuffer.Get()};
    UINT stride = sizeof(Vertex), offset = 0;
    device->IASetVertexBuffers(0, 1, buffers, &stride, &offset);
  }

  void DrawTriangle(const std::vector<Vertex>& vertices) {
    BindVertices(vertices);
    device->Draw(static_cast<UINT>(vertices.size()), 0);
  }

  Ref<ID3D10RasterizerState> Rasterizer(D3D10_CULL_MODE cull, BOOL frontCounterClockwise = FALSE) {
    D3D10_RASTERIZER_DESC desc = {D3D10_FILL_SOLID, cull, frontCounterClockwise, 0, 0, 0, TRUE, FALSE, FALSE, FALSE};
    Ref<ID3D10RasterizerState> state;
    EXPECT_EQ(S_OK, device->CreateRasterizerState(&desc, state.Put()));
    return state;
  }

  Ref<ID3D10VertexShader> vertexShader;
  Ref<ID3D10PixelShader> pixelShader;
  Ref<ID3D10InputLayout> layout;
  Ref<ID3D10Buffer> vertexBuffer;
};

std::vector<Vertex> CounterClockwise(std::vector<Vertex> vertices) {
  std::swap(vertices[1], vertices[2]);
  return vertices;
}

TEST_F(DrawTest, TriangleFillsTheTarget) {
  DrawTriangle(FullScreenTriangle(0.5f, 1, 0, 0));
  for (uint32_t texel : ReadTarget()) ASSERT_EQ(kRed, texel);
  EXPECT_EQ(1u, Counters().drawCalls);
}

TEST_F(DrawTest, TopLeftViewportOriginAndRowsTopFirst) {
  // A viewport over the top-left quarter colours the first rows of memory.
  D3D10_VIEWPORT viewport = {0, 0, kSize / 2, kSize / 2, 0, 1};
  device->RSSetViewports(1, &viewport);
  DrawTriangle(FullScreenTriangle(0.5f, 0, 1, 0));
  std::vector<uint32_t> texels = ReadTarget();
  EXPECT_EQ(kGreen, texels[0]);
  EXPECT_EQ(kGreen, texels[(kSize / 2 - 1) * kSize + kSize / 2 - 1]);
  EXPECT_EQ(kBlack, texels[kSize / 2]);
  EXPECT_EQ(kBlack, texels[(kSize / 2) * kSize]);
  // A triangle in the top half of clip space lands in the top rows.
  device->RSSetViewports(1, &(viewport = {0, 0, kSize, kSize, 0, 1}));
  BindTarget();
  DrawTriangle({{-1, 0, 0.5f, 1, 0, 0, 1}, {-1, 1, 0.5f, 1, 0, 0, 1}, {1, 1, 0.5f, 1, 0, 0, 1}});
  texels = ReadTarget();
  EXPECT_EQ(kRed, texels[1 * kSize + 0]);
  EXPECT_EQ(kBlack, texels[(kSize - 1) * kSize + 0]);
}

TEST_F(DrawTest, ClockwiseIsTheDefaultFrontFace) {
  // Culling back faces by default: the counter-clockwise triangle goes.
  DrawTriangle(CounterClockwise(FullScreenTriangle(0.5f, 0, 1, 0)));
  EXPECT_EQ(kBlack, ReadTarget()[0]);
  DrawTriangle(FullScreenTriangle(0.5f, 1, 0, 0));
  EXPECT_EQ(kRed, ReadTarget()[0]);

  Ref<ID3D10RasterizerState> cullFront = Rasterizer(D3D10_CULL_FRONT);
  device->RSSetState(cullFront.Get());
  DrawTriangle(FullScreenTriangle(0.5f, 0, 0, 1));
  EXPECT_EQ(kRed, ReadTarget()[0]);
  DrawTriangle(CounterClockwise(FullScreenTriangle(0.5f, 0, 0, 1)));
  EXPECT_EQ(kBlue, ReadTarget()[0]);

  // Counter-clockwise front faces turn the rule around.
  Ref<ID3D10RasterizerState> ccw = Rasterizer(D3D10_CULL_BACK, TRUE);
  device->RSSetState(ccw.Get());
  DrawTriangle(FullScreenTriangle(0.5f, 0, 1, 0));
  EXPECT_EQ(kBlue, ReadTarget()[0]);
  DrawTriangle(CounterClockwise(FullScreenTriangle(0.5f, 0, 1, 0)));
  EXPECT_EQ(kGreen, ReadTarget()[0]);

  // A null state is the default again.
  device->RSSetState(nullptr);
  DrawTriangle(CounterClockwise(FullScreenTriangle(0.5f, 1, 0, 0)));
  EXPECT_EQ(kGreen, ReadTarget()[0]);
}

TEST_F(DrawTest, DepthTestAgainstD32Buffer) {
  D3D10_TEXTURE2D_DESC desc =
      TextureDesc(kSize, kSize, DXGI_FORMAT_R32_TYPELESS, D3D10_BIND_DEPTH_STENCIL | D3D10_BIND_SHADER_RESOURCE);
  Ref<ID3D10Texture2D> depth = MakeTexture(desc);
  D3D10_DEPTH_STENCIL_VIEW_DESC viewDesc = {};
  viewDesc.Format = DXGI_FORMAT_D32_FLOAT;
  viewDesc.ViewDimension = D3D10_DSV_DIMENSION_TEXTURE2D;
  Ref<ID3D10DepthStencilView> depthView;
  ASSERT_EQ(S_OK, device->CreateDepthStencilView(depth.Get(), &viewDesc, depthView.Put()));
  BindTarget(DXGI_FORMAT_R8G8B8A8_UNORM, depthView.Get());
  device->ClearDepthStencilView(depthView.Get(), D3D10_CLEAR_DEPTH, 1.0f, 0);

  DrawTriangle(FullScreenTriangle(0.25f, 1, 0, 0));
  DrawTriangle(FullScreenTriangle(0.75f, 0, 1, 0));
  EXPECT_EQ(kRed, ReadTarget()[0]);
  DrawTriangle(FullScreenTriangle(0.125f, 0, 0, 1));
  EXPECT_EQ(kBlue, ReadTarget()[0]);
  // The depth buffer holds the nearest depth, read through a typeless copy.
  std::vector<float> depths = ReadTexels<float>(depth.Get());
  EXPECT_FLOAT_EQ(0.125f, depths[0]);
  EXPECT_FLOAT_EQ(0.125f, depths[kSize * kSize - 1]);

  // Without depth testing the far triangle wins.
  D3D10_DEPTH_STENCIL_DESC off = {};
  off.DepthEnable = FALSE;
  off.DepthWriteMask = D3D10_DEPTH_WRITE_MASK_ALL;
  off.DepthFunc = D3D10_COMPARISON_LESS;
  off.FrontFace = off.BackFace = {D3D10_STENCIL_OP_KEEP, D3D10_STENCIL_OP_KEEP, D3D10_STENCIL_OP_KEEP,
                                  D3D10_COMPARISON_ALWAYS};
  Ref<ID3D10DepthStencilState> state;
  ASSERT_EQ(S_OK, device->CreateDepthStencilState(&off, state.Put()));
  device->OMSetDepthStencilState(state.Get(), 0);
  DrawTriangle(FullScreenTriangle(0.9f, 0, 1, 0));
  EXPECT_EQ(kGreen, ReadTarget()[0]);
}

TEST_F(DrawTest, ConstantBufferColour) {
  static const char* kSource = R"(#version 450
layout(std140, binding = 3) uniform Colors { vec4 color; };
layout(location = 0) out vec4 target;
void main() { target = color; }
)";
  Ref<ID3D10PixelShader> shader = MakePixelShader(kSource, {}, {{1, 3}});
  device->PSSetShader(shader.Get());
  Ref<ID3D10Buffer> colors = MakeBuffer(16, D3D10_USAGE_DYNAMIC, D3D10_BIND_CONSTANT_BUFFER, D3D10_CPU_ACCESS_WRITE,
                                        nullptr);
  ID3D10Buffer* buffers[] = {colors.Get()};
  device->PSSetConstantBuffers(1, 1, buffers);

  const float blue[4] = {0, 0, 1, 1}, green[4] = {0, 1, 0, 1};
  void* data = nullptr;
  ASSERT_EQ(S_OK, colors->Map(D3D10_MAP_WRITE_DISCARD, 0, &data));
  std::memcpy(data, blue, sizeof(blue));
  colors->Unmap();
  DrawTriangle(FullScreenTriangle(0.5f, 1, 0, 0));
  EXPECT_EQ(kBlue, ReadTarget()[0]);

  ASSERT_EQ(S_OK, colors->Map(D3D10_MAP_WRITE_DISCARD, 0, &data));
  std::memcpy(data, green, sizeof(green));
  colors->Unmap();
  device->Draw(3, 0);
  EXPECT_EQ(kGreen, ReadTarget()[0]);
}

TEST_F(DrawTest, TextureAndSamplerSlotsPairPerShader) {
  // Unit 0 samples outside the texture, unit 1 inside it, on two halves.
  static const char* kSource = R"(#version 450
layout(binding = 0) uniform sampler2D outside;
layout(binding = 1) uniform sampler2D inside;
layout(location = 0) out vec4 target;
void main() {
  target = gl_FragCoord.x < 4.0 ? texture(outside, vec2(2.0, 0.5)) : texture(inside, vec2(0.5, 0.5));
}
)";
  auto solid = [&](uint32_t color) {
    std::vector<uint32_t> texels(4, color);
    D3D10_SUBRESOURCE_DATA data = {texels.data(), 8, 0};
    Ref<ID3D10Texture2D> texture =
        MakeTexture(TextureDesc(2, 2, DXGI_FORMAT_R8G8B8A8_UNORM, D3D10_BIND_SHADER_RESOURCE, D3D10_USAGE_IMMUTABLE),
                    &data);
    Ref<ID3D10ShaderResourceView> view;
    EXPECT_EQ(S_OK, device->CreateShaderResourceView(texture.Get(), nullptr, view.Put()));
    return view;
  };
  Ref<ID3D10ShaderResourceView> red = solid(kRed), blue = solid(kBlue);
  ID3D10ShaderResourceView* slot2[] = {red.Get()};
  ID3D10ShaderResourceView* slot5[] = {blue.Get()};
  device->PSSetShaderResources(2, 1, slot2);
  device->PSSetShaderResources(5, 1, slot5);

  D3D10_SAMPLER_DESC clamp = {D3D10_FILTER_MIN_MAG_MIP_POINT, D3D10_TEXTURE_ADDRESS_CLAMP, D3D10_TEXTURE_ADDRESS_CLAMP,
                              D3D10_TEXTURE_ADDRESS_CLAMP, 0, 1, D3D10_COMPARISON_NEVER, {0, 0, 0, 0}, 0, 1000};
  D3D10_SAMPLER_DESC border = clamp;
  border.AddressU = border.AddressV = D3D10_TEXTURE_ADDRESS_BORDER;
  border.BorderColor[1] = border.BorderColor[3] = 1.0f;
  Ref<ID3D10SamplerState> clampSampler, borderSampler;
  ASSERT_EQ(S_OK, device->CreateSamplerState(&clamp, clampSampler.Put()));
  ASSERT_EQ(S_OK, device->CreateSamplerState(&border, borderSampler.Put()));
  ID3D10SamplerState* samplers[] = {clampSampler.Get(), borderSampler.Get()};
  device->PSSetSamplers(0, 2, samplers);

  // Texture 2 through the border sampler outside, texture 5 clamped inside.
  Ref<ID3D10PixelShader> first = MakePixelShader(kSource, {{2, 1, 0}, {5, 0, 1}});
  device->PSSetShader(first.Get());
  DrawTriangle(FullScreenTriangle(0.5f, 0, 0, 0));
  std::vector<uint32_t> texels = ReadTarget();
  EXPECT_EQ(kGreen, texels[0]);
  EXPECT_EQ(kBlue, texels[kSize - 1]);

  // The other pairing: texture 5 clamped outside, texture 2 bordered inside.
  Ref<ID3D10PixelShader> second = MakePixelShader(kSource, {{5, 0, 0}, {2, 1, 1}});
  device->PSSetShader(second.Get());
  device->Draw(3, 0);
  texels = ReadTarget();
  EXPECT_EQ(kBlue, texels[0]);
  EXPECT_EQ(kRed, texels[kSize - 1]);

  // An empty sampler slot samples with the default state (clamping).
  device->PSSetSamplers(1, 1, std::vector<ID3D10SamplerState*>{nullptr}.data());
  device->PSSetShader(first.Get());
  device->Draw(3, 0);
  EXPECT_EQ(kRed, ReadTarget()[0]);
}

TEST_F(DrawTest, InstancesStepFromTheStartInstance) {
  // Per-instance offsets move a small triangle around the top-left pixel.
  static const char* kSource = R"(#version 450
layout(location = 0) in vec3 position;
layout(location = 1) in vec4 color;
layout(location = 2) in vec2 offset;
layout(location = 0) out vec4 vColor;
void main() {
  vColor = color;
  gl_Position = vec4(position.xy + offset, position.z, 1.0);
}
)";
  std::vector<D3D10_SIGNATURE_PARAMETER_DESC> inputs = ColorInputs();
  inputs.push_back(Input("TEXCOORD", 3, 2, D3D10_REGISTER_COMPONENT_FLOAT32, 0x3));
  std::vector<uint8_t> blob;
  Ref<ID3D10VertexShader> shader = MakeVertexShader(kSource, inputs, &blob);
  D3D10_INPUT_ELEMENT_DESC elements[] = {
      ColorElements()[0],
      ColorElements()[1],
      {"texcoord", 3, DXGI_FORMAT_R32G32_FLOAT, 1, 0, D3D10_INPUT_PER_INSTANCE_DATA, 1},
  };
  Ref<ID3D10InputLayout> instanced;
  ASSERT_EQ(S_OK, device->CreateInputLayout(elements, 3, blob.data(), blob.size(), instanced.Put()));
  device->VSSetShader(shader.Get());
  device->IASetInputLayout(instanced.Get());

  // A triangle around the centre of pixel (0, 0); instance offsets in clip units.
  const float pixel = 2.0f / kSize;
  std::vector<Vertex> vertices = {{-1, 1 - 2 * pixel, 0.5f, 1, 1, 1, 1},
                                  {-1, 1, 0.5f, 1, 1, 1, 1},
                                  {-1 + 2 * pixel, 1, 0.5f, 1, 1, 1, 1}};
  BindVertices(vertices);
  const float offsets[] = {0, 0, 2 * pixel, 0, 4 * pixel, 0};
  Ref<ID3D10Buffer> offsetBuffer = MakeBuffer(sizeof(offsets), D3D10_USAGE_IMMUTABLE, D3D10_BIND_VERTEX_BUFFER, 0,
                                              offsets);
  ID3D10Buffer* buffers[] = {offsetBuffer.Get()};
  UINT stride = 8, offset = 0;
  device->IASetVertexBuffers(1, 1, buffers, &stride, &offset);
  const uint16_t indices[] = {0, 1, 2};
  Ref<ID3D10Buffer> indexBuffer = MakeBuffer(sizeof(indices), D3D10_USAGE_IMMUTABLE, D3D10_BIND_INDEX_BUFFER, 0, indices);
  device->IASetIndexBuffer(indexBuffer.Get(), DXGI_FORMAT_R16_UINT, 0);

  device->DrawIndexedInstanced(3, 2, 0, 0, 1);
  std::vector<uint32_t> texels = ReadTarget();
  EXPECT_EQ(kBlack, texels[0]);
  EXPECT_EQ(0xFFFFFFFFu, texels[2]);
  EXPECT_EQ(0xFFFFFFFFu, texels[4]);
  EXPECT_EQ(kBlack, texels[6]);
}

TEST_F(DrawTest, IndexedDrawAddsBaseVertex) {
  std::vector<Vertex> vertices = FullScreenTriangle(0.5f, 1, 0, 0);
  std::vector<Vertex> green = FullScreenTriangle(0.5f, 0, 1, 0);
  vertices.insert(vertices.end(), green.begin(), green.end());
  BindVertices(vertices);
  const uint32_t indices[] = {7, 0, 1, 2};
  Ref<ID3D10Buffer> indexBuffer = MakeBuffer(sizeof(indices), D3D10_USAGE_IMMUTABLE, D3D10_BIND_INDEX_BUFFER, 0, indices);
  device->IASetIndexBuffer(indexBuffer.Get(), DXGI_FORMAT_R32_UINT, 4);
  device->DrawIndexed(3, 0, 3);
  EXPECT_EQ(kGreen, ReadTarget()[0]);
  device->DrawIndexed(3, 0, 0);
  EXPECT_EQ(kRed, ReadTarget()[0]);
}

TEST_F(DrawTest, NothingDrawsWithoutShaderLayoutOrTopology) {
  BindVertices(FullScreenTriangle(0.5f, 1, 0, 0));
  device->IASetInputLayout(nullptr);
  device->Draw(3, 0);
  device->IASetInputLayout(layout.Get());
  device->VSSetShader(nullptr);
  device->Draw(3, 0);
  device->VSSetShader(vertexShader.Get());
  device->IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY_UNDEFINED);
  device->Draw(3, 0);
  device->IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  device->DrawIndexed(3, 0, 0);  // no index buffer
  EXPECT_EQ(kBlack, ReadTarget()[0]);
  EXPECT_EQ(0u, Counters().drawCalls);
  EXPECT_EQ(4u, Counters().skippedDraws);
}

TEST_F(DrawTest, RepeatedDrawsReuseProgramLayoutAndFramebuffer) {
  BindVertices(FullScreenTriangle(0.5f, 1, 0, 0));
  for (int i = 0; i < 100; ++i) device->Draw(3, 0);
  D3D10Testing::DeviceCounters counters = Counters();
  EXPECT_EQ(100u, counters.drawCalls);
  EXPECT_EQ(1u, counters.programLinks);
  EXPECT_EQ(1u, counters.vertexFormatChanges);
  EXPECT_EQ(1u, counters.framebufferCreations);
  // Switching away and back links nothing new.
  device->PSSetShader(nullptr);
  device->Draw(3, 0);
  device->PSSetShader(pixelShader.Get());
  device->Draw(3, 0);
  EXPECT_EQ(2u, Counters().programLinks);
  EXPECT_EQ(kRed, ReadTarget()[0]);
}

TEST_F(DrawTest, ScissorAndBlendStates) {
  D3D10_RASTERIZER_DESC desc = {D3D10_FILL_SOLID, D3D10_CULL_BACK, FALSE, 0, 0, 0, TRUE, TRUE, FALSE, FALSE};
  Ref<ID3D10RasterizerState> scissored;
  ASSERT_EQ(S_OK, device->CreateRasterizerState(&desc, scissored.Put()));
  device->RSSetState(scissored.Get());
  D3D10_RECT rect = {0, 0, 2, 2};
  device->RSSetScissorRects(1, &rect);
  DrawTriangle(FullScreenTriangle(0.5f, 1, 0, 0));
  std::vector<uint32_t> texels = ReadTarget();
  EXPECT_EQ(kRed, texels[kSize + 1]);
  EXPECT_EQ(kBlack, texels[2]);
  device->RSSetState(nullptr);

  // Additive blending with the blend factor scaling the source.
  D3D10_BLEND_DESC blend = {};
  blend.BlendEnable[0] = TRUE;
  blend.SrcBlend = D3D10_BLEND_BLEND_FACTOR;
  blend.DestBlend = D3D10_BLEND_ONE;
  blend.BlendOp = D3D10_BLEND_OP_ADD;
  blend.SrcBlendAlpha = D3D10_BLEND_ONE;
  blend.DestBlendAlpha = D3D10_BLEND_ZERO;
  blend.BlendOpAlpha = D3D10_BLEND_OP_ADD;
  blend.RenderTargetWriteMask[0] = D3D10_COLOR_WRITE_ENABLE_ALL;
  Ref<ID3D10BlendState> additive;
  ASSERT_EQ(S_OK, device->CreateBlendState(&blend, additive.Put()));
  const FLOAT half[4] = {0.5f, 0.5f, 0.5f, 0.5f};
  device->OMSetBlendState(additive.Get(), half, D3D10_DEFAULT_SAMPLE_MASK);
  DrawTriangle(FullScreenTriangle(0.5f, 0, 1, 0));
  texels = ReadTarget();
  EXPECT_EQ(0xFFu, texels[kSize + 1] & 0xFF);
  EXPECT_NEAR(128, (texels[kSize + 1] >> 8) & 0xFF, 1);
  EXPECT_NEAR(128, (texels[2] >> 8) & 0xFF, 1);
  EXPECT_EQ(0u, texels[2] & 0xFF);
}

}  // namespace
