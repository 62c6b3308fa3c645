// Effects drawing into render targets, verified by the pixels read back.
#include <cstdio>
#include <cstring>

#include "FxTestSupport.h"

namespace {

const char* const kColorEffect = R"(
float4x4 WorldViewProj : WORLDVIEWPROJECTION;
float4 Tint = {1, 1, 1, 1};

struct VSIn { float3 pos : POSITION; float4 color : COLOR; };
struct PSIn { float4 pos : SV_Position; float4 color : COLOR; };

PSIn VS(VSIn input) {
  PSIn output;
  output.pos = mul(float4(input.pos, 1), WorldViewProj);
  output.color = input.color * Tint;
  return output;
}

float4 PS(PSIn input) : SV_Target { return input.color; }
float4 Solid(PSIn input, uniform float4 color) : SV_Target { return color; }

DepthStencilState DepthLess { DepthEnable = TRUE; DepthFunc = LESS; };
BlendState AlphaBlend {
  BlendEnable[0] = TRUE;
  SrcBlend = SRC_ALPHA;
  DestBlend = INV_SRC_ALPHA;
};
RasterizerState NoCull { CullMode = NONE; };

technique10 Color {
  pass P0 {
    SetVertexShader(CompileShader(vs_4_0, VS()));
    SetGeometryShader(NULL);
    SetPixelShader(CompileShader(ps_4_0, PS()));
  }
}
technique10 Depth {
  pass P0 {
    SetVertexShader(CompileShader(vs_4_0, VS()));
    SetGeometryShader(NULL);
    SetPixelShader(CompileShader(ps_4_0, PS()));
    SetDepthStencilState(DepthLess, 0);
  }
}
technique10 Blend {
  pass P0 {
    SetVertexShader(CompileShader(vs_4_0, VS()));
    SetGeometryShader(NULL);
    SetPixelShader(CompileShader(ps_4_0, PS()));
    SetBlendState(AlphaBlend, float4(0, 0, 0, 0), 0xFFFFFFFF);
  }
}
technique10 TwoPasses {
  pass Red {
    SetVertexShader(CompileShader(vs_4_0, VS()));
    SetGeometryShader(NULL);
    SetPixelShader(CompileShader(ps_4_0, Solid(float4(1, 0, 0, 1))));
    SetRasterizerState(NoCull);
  }
  pass Blue {
    SetVertexShader(CompileShader(vs_4_0, VS()));
    SetGeometryShader(NULL);
    SetPixelShader(CompileShader(ps_4_0, Solid(float4(0, 0, 1, 1))));
    SetBlendState(AlphaBlend, float4(0, 0, 0, 0), 0xFFFFFFFF);
    SetRasterizerState(NULL);
  }
}
)";

void Identity(float m[16]) {
  std::memset(m, 0, 16 * sizeof(float));
  m[0] = m[5] = m[10] = m[15] = 1;
}

// Texels of an RGBA8 target as 0xAABBGGRR, compared channel by channel.
bool Near(uint32_t actual, uint32_t expected, int tolerance = 2) {
  for (int shift = 0; shift < 32; shift += 8) {
    int a = static_cast<int>((actual >> shift) & 0xFF), e = static_cast<int>((expected >> shift) & 0xFF);
    if (a - e > tolerance || e - a > tolerance) return false;
  }
  return true;
}

class RenderTest : public EffectTest {
 protected:
  void SetUp() override {
    EffectTest::SetUp();
    BindTarget();
    effect = Compile(kColorEffect);
    ASSERT_TRUE(effect);
    float m[16];
    Identity(m);
    ASSERT_EQ(S_OK, effect->GetVariableByName("WorldViewProj")->AsMatrix()->SetMatrix(m));
  }

  void Draw(const char* technique, const std::vector<Vertex>& vertices) {
    DrawTechnique(effect->GetTechniqueByName(technique), vertices.data(), sizeof(Vertex),
                  static_cast<UINT>(vertices.size()), FxColorElements(), 2);
  }

  Ref<ID3D10Effect> effect;
};

TEST_F(RenderTest, TriangleMovedBySetMatrix) {
  float m[16];
  Identity(m);
  m[12] = 1.0f;  // row vectors: the last row translates x by one, from the left half to the right half
  ASSERT_EQ(S_OK, effect->GetVariableByName("WorldViewProj")->AsMatrix()->SetMatrix(m));
  Draw("Color", {{-1, -1, 0.5f, 0, 1, 0, 1}, {-1, 3, 0.5f, 0, 1, 0, 1}, {0, -1, 0.5f, 0, 1, 0, 1}});
  std::vector<uint32_t> texels = ReadTarget();
  EXPECT_EQ(kBlack, texels[kSize * 4 + 1]);
  EXPECT_EQ(kGreen, texels[kSize * 4 + 6]);
  // A scale through the transpose setter reaches the shader the same way.
  BindTarget();
  Identity(m);
  m[0] = 0.0f;  // collapses x: nothing is drawn
  ASSERT_EQ(S_OK, effect->GetVariableByName("WorldViewProj")->AsMatrix()->SetMatrixTranspose(m));
  Draw("Color", FullScreenTriangle(0.5f, 0, 1, 0));
  for (uint32_t texel : ReadTarget()) ASSERT_EQ(kBlack, texel);
}

TEST_F(RenderTest, VectorVariableTintsAndReachesTheShaderOnlyOnApply) {
  float tint[4] = {1, 0, 0, 1};
  ASSERT_EQ(S_OK, effect->GetVariableBySemantic("worldviewprojection")->AsMatrix()->IsValid() ? S_OK : E_FAIL);
  ASSERT_EQ(S_OK, effect->GetVariableByName("Tint")->AsVector()->SetFloatVector(tint));
  Draw("Color", FullScreenTriangle(0.5f, 1, 1, 1));
  for (uint32_t texel : ReadTarget()) ASSERT_EQ(kRed, texel);
}

TEST_F(RenderTest, DepthStateOfThePassKeepsTheNearerTriangle) {
  Ref<ID3D10Texture2D> depth = MakeTexture(TextureDesc(kSize, kSize, DXGI_FORMAT_D32_FLOAT, D3D10_BIND_DEPTH_STENCIL));
  Ref<ID3D10DepthStencilView> depthView;
  ASSERT_EQ(S_OK, device->CreateDepthStencilView(depth.Get(), nullptr, depthView.Put()));
  device->ClearDepthStencilView(depthView.Get(), D3D10_CLEAR_DEPTH, 1.0f, 0);
  BindTarget(DXGI_FORMAT_R8G8B8A8_UNORM, depthView.Get());
  Draw("Depth", FullScreenTriangle(0.3f, 1, 0, 0));
  Draw("Depth", FullScreenTriangle(0.6f, 0, 1, 0));
  for (uint32_t texel : ReadTarget()) ASSERT_EQ(kRed, texel);
  Draw("Depth", FullScreenTriangle(0.1f, 0, 0, 1));
  for (uint32_t texel : ReadTarget()) ASSERT_EQ(kBlue, texel);
}

TEST_F(RenderTest, BlendStateOfThePassMixesWithTheTarget) {
  Draw("Color", FullScreenTriangle(0.5f, 1, 0, 0));
  std::vector<Vertex> half = FullScreenTriangle(0.5f, 0, 1, 0);
  for (Vertex& v : half) v.a = 0.5f;
  Draw("Blend", half);
  // Alpha blends with the default ONE, ZERO: it becomes the source's.
  for (uint32_t texel : ReadTarget()) ASSERT_TRUE(Near(texel, 0x80008080u)) << std::hex << texel;
  // A pass without a blend state leaves the device's: still blending.
  Draw("Color", half);
  for (uint32_t texel : ReadTarget()) ASSERT_TRUE(Near(texel, 0x8000C040u)) << std::hex << texel;
}

TEST_F(RenderTest, TwoPassTechniqueDrawsOncePerPass) {
  D3D10Testing::ResetCounters(device.Get());
  std::vector<Vertex> vertices = FullScreenTriangle(0.5f, 1, 1, 1);
  // Counter-clockwise: only the pass without culling draws it; NULL restores
  // the default state, which culls it again.
  std::swap(vertices[1], vertices[2]);
  Draw("TwoPasses", vertices);
  EXPECT_EQ(2u, Counters().drawCalls);
  for (uint32_t texel : ReadTarget()) ASSERT_EQ(kRed, texel);
  BindTarget();
  Draw("TwoPasses", FullScreenTriangle(0.5f, 1, 1, 1));
  for (uint32_t texel : ReadTarget()) ASSERT_EQ(kBlue, texel);
}

// A 24-bit BMP of 2x2 texels, rows bottom-up: red, green on top; blue, white below.
void WriteCheckerBmp(const std::string& path) {
  const uint8_t pixels[2][2][3] = {{{255, 0, 0}, {255, 255, 255}}, {{0, 0, 255}, {0, 255, 0}}};  // BGR, bottom row first
  std::string bytes = "BM";
  auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) bytes += static_cast<char>(v >> (8 * i)); };
  auto u16 = [&](uint16_t v) { bytes += static_cast<char>(v), bytes += static_cast<char>(v >> 8); };
  u32(54 + 16), u32(0), u32(54);
  u32(40), u32(2), u32(2), u16(1), u16(24), u32(0), u32(16), u32(2835), u32(2835), u32(0), u32(0);
  for (const auto& row : pixels) {
    for (const auto& texel : row) bytes.append(reinterpret_cast<const char*>(texel), 3);
    bytes.append(2, '\0');
  }
  WriteFileBytes(path, bytes);
}

TEST_F(RenderTest, TexturedQuadSamplesALoadedImage) {
  TempDir directory;
  std::string path = directory.File("checker.bmp");
  WriteCheckerBmp(path);
  Ref<ID3D10Resource> resource;
  ASSERT_EQ(S_OK, D3DX10CreateTextureFromFileA(device.Get(), path.c_str(), nullptr, nullptr, resource.Put(), nullptr));
  Ref<ID3D10ShaderResourceView> view;
  ASSERT_EQ(S_OK, device->CreateShaderResourceView(resource.Get(), nullptr, view.Put()));

  Ref<ID3D10Effect> texturing = CompileFile("Texturing.fx");
  ASSERT_TRUE(texturing);
  float m[16];
  Identity(m);
  ASSERT_EQ(S_OK, texturing->GetVariableByName("g_mWorldViewProj")->AsMatrix()->SetMatrix(m));
  ASSERT_EQ(S_OK, texturing->GetVariableByName("g_txDiffuse")->AsShaderResource()->SetResource(view.Get()));
  struct TexVertex {
    float x, y, z, u, v;
  };
  const TexVertex quad[] = {{-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0},  {-1, -1, 0.5f, 0, 1},
                            {1, 1, 0.5f, 1, 0},  {1, -1, 0.5f, 1, 1}, {-1, -1, 0.5f, 0, 1}};
  const D3D10_INPUT_ELEMENT_DESC elements[] = {
      {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D10_INPUT_PER_VERTEX_DATA, 0},
      {"TEXCOORD", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 12, D3D10_INPUT_PER_VERTEX_DATA, 0}};
  DrawTechnique(texturing->GetTechniqueByName("Point"), quad, sizeof(TexVertex), 6, elements, 2);
  std::vector<uint32_t> texels = ReadTarget();
  EXPECT_EQ(kRed, texels[1 * kSize + 1]);
  EXPECT_EQ(kGreen, texels[1 * kSize + 6]);
  EXPECT_EQ(kBlue, texels[6 * kSize + 1]);
  EXPECT_EQ(0xFFFFFFFFu, texels[6 * kSize + 6]);
  // The filter override of a debugging view: the pass's point sampler read
  // back and replaced by a linear one blends the texels.
  ASSERT_EQ(S_OK, texturing->GetTechniqueByName("Point")->GetPassByIndex(0)->Apply(0));
  Ref<ID3D10SamplerState> applied;
  device->PSGetSamplers(0, 1, applied.Put());
  ASSERT_TRUE(applied);
  D3D10_SAMPLER_DESC samplerDesc;
  applied->GetDesc(&samplerDesc);
  EXPECT_EQ(D3D10_FILTER_MIN_MAG_MIP_POINT, samplerDesc.Filter);
  samplerDesc.Filter = D3D10_FILTER_MIN_MAG_MIP_LINEAR;
  samplerDesc.AddressU = samplerDesc.AddressV = D3D10_TEXTURE_ADDRESS_CLAMP;
  Ref<ID3D10SamplerState> linear;
  ASSERT_EQ(S_OK, device->CreateSamplerState(&samplerDesc, linear.Put()));
  ID3D10SamplerState* samplers[] = {linear.Get()};
  device->PSSetSamplers(0, 1, samplers);
  BindTarget();
  device->Draw(6, 0);
  uint32_t blended = ReadTarget()[3 * kSize + 3];
  EXPECT_NE(kRed, blended);
  EXPECT_NE(0u, blended & 0x0000FFu);
  EXPECT_NE(0u, blended & 0x00FF00u);
  // Unbinding the texture through the variable leaves black (a null view reads zero).
  ASSERT_EQ(S_OK, texturing->GetVariableByName("g_txDiffuse")->AsShaderResource()->SetResource(nullptr));
  BindTarget();
  DrawTechnique(texturing->GetTechniqueByName("Point"), quad, sizeof(TexVertex), 6, elements, 2);
  EXPECT_EQ(0u, ReadTarget()[1 * kSize + 1] & 0x00FFFFFFu);
}

TEST_F(RenderTest, ChildEffectReadsThePoolsSharedVariables) {
  std::string pool = FxReadText(FxDataDirectory() + "/effects/SharedPool.fx");
  Ref<ID3D10EffectPool> effectPool;
  ID3D10Blob* errors = nullptr;
  ASSERT_EQ(S_OK, D3DX10CreateEffectPoolFromMemory(pool.data(), pool.size(), "SharedPool.fx", nullptr, nullptr, "fx_4_0",
                                                   0, 0, device.Get(), nullptr, effectPool.Put(), &errors, nullptr))
      << FxBlobText(errors);
  Ref<ID3D10Effect> child = Compile(FxReadText(FxDataDirectory() + "/effects/ChildEffect.fx"), effectPool.Get());
  ASSERT_TRUE(child);
  ID3D10Effect* shared = effectPool->AsEffect();
  EXPECT_TRUE(shared->IsPool());
  float m[16];
  Identity(m);
  ASSERT_EQ(S_OK, shared->GetVariableBySemantic("VIEWPROJECTION")->AsMatrix()->SetMatrix(m));
  ASSERT_EQ(S_OK, child->GetVariableByName("g_mWorld")->AsMatrix()->SetMatrix(m));
  float green[4] = {0, 1, 0, 1};
  ASSERT_EQ(S_OK, shared->GetVariableByName("g_vSceneColor")->AsVector()->SetFloatVector(green));
  // The child's shared variable is the pool's.
  EXPECT_EQ(shared->GetVariableByName("g_vSceneColor"), child->GetVariableByName("g_vSceneColor"));
  D3D10_EFFECT_DESC desc;
  ASSERT_EQ(S_OK, child->GetDesc(&desc));
  EXPECT_TRUE(desc.IsChildEffect);
  EXPECT_EQ(1u, desc.ConstantBuffers);
  EXPECT_EQ(1u, desc.SharedConstantBuffers);
  DrawTechnique(child->GetTechniqueByIndex(0), FullScreenTriangle(0.5f, 1, 1, 1).data(), sizeof(Vertex), 3,
                FxColorElements(), 2);
  for (uint32_t texel : ReadTarget()) ASSERT_EQ(kGreen, texel);
  // A change made through the pool after the first draw reaches the child's next Apply.
  float blue[4] = {0, 0, 1, 1};
  ASSERT_EQ(S_OK, child->GetVariableByName("g_vSceneColor")->AsVector()->SetFloatVector(blue));
  DrawTechnique(child->GetTechniqueByIndex(0), FullScreenTriangle(0.5f, 1, 1, 1).data(), sizeof(Vertex), 3,
                FxColorElements(), 2);
  for (uint32_t texel : ReadTarget()) ASSERT_EQ(kBlue, texel);
  // The pool outlives its release while the child holds it.
  effectPool.Reset();
  EXPECT_EQ(kBlue, ReadTarget()[0]);
}

TEST_F(RenderTest, InstancedDrawPlacesEachInstanceFromItsOwnElement) {
  Ref<ID3D10Effect> instancing = CompileFile("Instancing.fx");
  ASSERT_TRUE(instancing);
  float m[16];
  Identity(m);
  ASSERT_EQ(S_OK, instancing->GetVariableByName("g_mViewProj")->AsMatrix()->SetMatrix(m));
  // One triangle over the left half's middle, moved per instance.
  const float triangle[] = {-1, -1, 0.5f, -1, 1, 0.5f, 0, 1, 0.5f, 0, -1, 0.5f, -1, -1, 0.5f, 0, 1, 0.5f};
  struct Instance {
    float x, y, z, r, g, b, a;
  };
  const Instance instances[] = {{0, 0, 0, 1, 0, 0, 1}, {1, 0, 0, 0, 1, 0, 1}};
  const D3D10_INPUT_ELEMENT_DESC elements[] = {
      {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D10_INPUT_PER_VERTEX_DATA, 0},
      {"INSTANCEPOS", 0, DXGI_FORMAT_R32G32B32_FLOAT, 1, 0, D3D10_INPUT_PER_INSTANCE_DATA, 1},
      {"INSTANCECOLOR", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 1, 12, D3D10_INPUT_PER_INSTANCE_DATA, 1}};
  ID3D10EffectPass* pass = instancing->GetTechniqueByIndex(0)->GetPassByIndex(0);
  D3D10_PASS_DESC passDesc;
  ASSERT_EQ(S_OK, pass->GetDesc(&passDesc));
  Ref<ID3D10InputLayout> layout;
  ASSERT_EQ(S_OK, device->CreateInputLayout(elements, 3, passDesc.pIAInputSignature, passDesc.IAInputSignatureSize,
                                            layout.Put()));
  Ref<ID3D10Buffer> vertexBuffer = MakeBuffer(sizeof(triangle), D3D10_USAGE_IMMUTABLE, D3D10_BIND_VERTEX_BUFFER, 0, triangle);
  Ref<ID3D10Buffer> instanceBuffer =
      MakeBuffer(sizeof(instances), D3D10_USAGE_IMMUTABLE, D3D10_BIND_VERTEX_BUFFER, 0, instances);
  ID3D10Buffer* buffers[] = {vertexBuffer.Get(), instanceBuffer.Get()};
  UINT strides[] = {12, sizeof(Instance)}, offsets[] = {0, 0};
  device->IASetVertexBuffers(0, 2, buffers, strides, offsets);
  device->IASetInputLayout(layout.Get());
  device->IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  ASSERT_EQ(S_OK, pass->Apply(0));
  device->DrawInstanced(6, 2, 0, 0);
  std::vector<uint32_t> texels = ReadTarget();
  EXPECT_EQ(kRed, texels[4 * kSize + 1]);
  EXPECT_EQ(kGreen, texels[4 * kSize + 6]);
}

TEST_F(RenderTest, ShadowMapPassThenComparisonSampling) {
  Ref<ID3D10Effect> shadow = CompileFile("ShadowMap.fx");
  ASSERT_TRUE(shadow);
  float m[16];
  Identity(m);
  for (const char* name : {"g_mLightViewProj", "g_mWorld", "g_mViewProj"}) {
    ASSERT_EQ(S_OK, shadow->GetVariableByName(name)->AsMatrix()->SetMatrix(m));
  }
  Ref<ID3D10Texture2D> map = MakeTexture(TextureDesc(kSize, kSize, DXGI_FORMAT_R32_TYPELESS,
                                                     D3D10_BIND_DEPTH_STENCIL | D3D10_BIND_SHADER_RESOURCE));
  D3D10_DEPTH_STENCIL_VIEW_DESC dsvDesc = {};
  dsvDesc.Format = DXGI_FORMAT_D32_FLOAT;
  dsvDesc.ViewDimension = D3D10_DSV_DIMENSION_TEXTURE2D;
  Ref<ID3D10DepthStencilView> depthView;
  ASSERT_EQ(S_OK, device->CreateDepthStencilView(map.Get(), &dsvDesc, depthView.Put()));
  D3D10_SHADER_RESOURCE_VIEW_DESC srvDesc = {};
  srvDesc.Format = DXGI_FORMAT_R32_FLOAT;
  srvDesc.ViewDimension = D3D10_SRV_DIMENSION_TEXTURE2D;
  srvDesc.Texture2D.MipLevels = 1;
  Ref<ID3D10ShaderResourceView> mapView;
  ASSERT_EQ(S_OK, device->CreateShaderResourceView(map.Get(), &srvDesc, mapView.Put()));

  // Depth pass: an occluder over the left half at depth 0.5, facing away
  // because the pass culls front faces.
  device->ClearDepthStencilView(depthView.Get(), D3D10_CLEAR_DEPTH, 1.0f, 0);
  device->OMSetRenderTargets(0, nullptr, depthView.Get());
  const Vertex occluder[] = {{-1, -1, 0.5f, 0, 0, 0, 1}, {0, 3, 0.5f, 0, 0, 0, 1}, {-1, 3, 0.5f, 0, 0, 0, 1},
                             {-1, -1, 0.5f, 0, 0, 0, 1}, {0, -1, 0.5f, 0, 0, 0, 1}, {0, 3, 0.5f, 0, 0, 0, 1}};
  DrawTechnique(shadow->GetTechniqueByName("RenderShadowDepth"), occluder, sizeof(Vertex), 6, FxColorElements(), 1);
  device->OMSetRenderTargets(0, nullptr, nullptr);

  // Scene pass: a receiver at depth 0.7 over the whole target, shadowed on the left.
  ASSERT_EQ(S_OK, shadow->GetVariableByName("g_txShadowMap")->AsShaderResource()->SetResource(mapView.Get()));
  BindTarget();
  DrawTechnique(shadow->GetTechniqueByName("RenderScene"), FullScreenTriangle(0.7f, 1, 1, 1).data(), sizeof(Vertex), 3,
                FxColorElements(), 1);
  std::vector<uint32_t> texels = ReadTarget();
  EXPECT_TRUE(Near(texels[4 * kSize + 1], 0xFF333333u)) << std::hex << texels[4 * kSize + 1];
  EXPECT_TRUE(Near(texels[4 * kSize + 6], 0xFFFFFFFFu)) << std::hex << texels[4 * kSize + 6];
}

TEST_F(RenderTest, GeometryShaderExpandsAPointIntoAQuad) {
  Ref<ID3D10Effect> particles = CompileFile("ParticleGS.fx");
  ASSERT_TRUE(particles);
  float m[16];
  Identity(m);
  ASSERT_EQ(S_OK, particles->GetVariableByName("g_mViewProj")->AsMatrix()->SetMatrix(m));
  ASSERT_EQ(S_OK, particles->GetVariableByName("g_fSize")->AsScalar()->SetFloat(0.5f));
  float white[4] = {1, 1, 1, 1};
  ASSERT_EQ(S_OK, particles->GetVariableByName("g_vColor")->AsVector()->SetFloatVector(white));
  const Vertex point[] = {{0, 0, 0.5f, 0, 0, 1, 1}};
  DrawTechnique(particles->GetTechniqueByIndex(0), point, sizeof(Vertex), 1, FxColorElements(), 2,
                D3D10_PRIMITIVE_TOPOLOGY_POINTLIST);
  // The additive blend state writes alpha 0.
  std::vector<uint32_t> texels = ReadTarget();
  EXPECT_EQ(kBlue & 0xFFFFFFu, texels[3 * kSize + 3]);
  EXPECT_EQ(kBlue & 0xFFFFFFu, texels[4 * kSize + 4]);
  EXPECT_EQ(kBlack, texels[0]);
  EXPECT_EQ(kBlack, texels[kSize * kSize - 1]);
}

TEST_F(RenderTest, FullScreenPassFromVertexIdsFiltersASourceTexture) {
  // Left half bright, right half dark.
  std::vector<uint32_t> source(kSize * kSize);
  for (UINT y = 0; y < kSize; ++y) {
    for (UINT x = 0; x < kSize; ++x) source[y * kSize + x] = x < kSize / 2 ? 0xFFFFFFFFu : 0xFF404040u;
  }
  D3D10_SUBRESOURCE_DATA data = {source.data(), kSize * 4, 0};
  Ref<ID3D10Texture2D> texture =
      MakeTexture(TextureDesc(kSize, kSize, DXGI_FORMAT_R8G8B8A8_UNORM, D3D10_BIND_SHADER_RESOURCE), &data);
  Ref<ID3D10ShaderResourceView> view;
  ASSERT_EQ(S_OK, device->CreateShaderResourceView(texture.Get(), nullptr, view.Put()));
  Ref<ID3D10Effect> post = CompileFile("PostProcess.fx");
  ASSERT_TRUE(post);
  ASSERT_EQ(S_OK, post->GetVariableByName("g_txSource")->AsShaderResource()->SetResource(view.Get()));
  device->IASetInputLayout(nullptr);
  device->IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  ASSERT_EQ(S_OK, post->GetTechniqueByName("BrightPass")->GetPassByIndex(0)->Apply(0));
  device->Draw(3, 0);
  std::vector<uint32_t> texels = ReadTarget();
  EXPECT_EQ(0xFFFFFFFFu, texels[4 * kSize + 1]);
  EXPECT_EQ(0xFF000000u, texels[4 * kSize + 6]);
}

TEST_F(RenderTest, HlslPackedValuesReachTheShaderAndPixelRowsStartAtTheTop) {
  Ref<ID3D10Effect> packed = Compile(R"(
    cbuffer Packed {
      float Alpha;
      float3 Color;
      float Pad[2];
      float2 Tail;
    };
    struct Pair { float4 First; float Second; };
    Pair Item;
    float After;
    float4 VS(uint id : SV_VertexID) : SV_Position {
      float2 uv = float2((id << 1) & 2, id & 2);
      return float4(uv * float2(2, -2) + float2(-1, 1), 0.5, 1);
    }
    float4 PS(float4 position : SV_Position) : SV_Target {
      if (position.y < 4) return float4(Color, Alpha);
      return float4(Tail, Item.Second, After);
    }
    technique10 T { pass P {
      SetVertexShader(CompileShader(vs_4_0, VS()));
      SetPixelShader(CompileShader(ps_4_0, PS()));
    } })");
  ASSERT_TRUE(packed);
  auto offsetOf = [&](const char* name) {
    D3D10_EFFECT_VARIABLE_DESC desc;
    EXPECT_EQ(S_OK, packed->GetVariableByName(name)->GetDesc(&desc));
    return desc.BufferOffset;
  };
  EXPECT_EQ(4u, offsetOf("Color"));
  EXPECT_EQ(36u, offsetOf("Tail"));
  EXPECT_EQ(20u, offsetOf("After"));
  float red[4] = {1, 0, 0, 0}, tail[4] = {0, 1, 0, 0};
  ASSERT_EQ(S_OK, packed->GetVariableByName("Alpha")->AsScalar()->SetFloat(1));
  ASSERT_EQ(S_OK, packed->GetVariableByName("Color")->AsVector()->SetFloatVector(red));
  ASSERT_EQ(S_OK, packed->GetVariableByName("Tail")->AsVector()->SetFloatVector(tail));
  ASSERT_EQ(S_OK, packed->GetVariableByName("After")->AsScalar()->SetFloat(1));
  device->IASetInputLayout(nullptr);
  device->IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  ASSERT_EQ(S_OK, packed->GetTechniqueByIndex(0)->GetPassByIndex(0)->Apply(0));
  device->Draw(3, 0);
  std::vector<uint32_t> texels = ReadTarget();
  EXPECT_EQ(kRed, texels[0]);
  EXPECT_EQ(kRed, texels[3 * kSize + 7]);
  EXPECT_EQ(kGreen, texels[4 * kSize]);
  EXPECT_EQ(kGreen, texels[kSize * kSize - 1]);
}

TEST_F(RenderTest, ArraysOfArraysAndStructArraysReachTheShader) {
  Ref<ID3D10Effect> arrays = Compile(R"(
    struct Item { float Weight; float3 Color; };
    cbuffer Values {
      float Pad;
      float2 Grid[2][3];
      Item Items[2];
    };
    float4 VS(uint id : SV_VertexID) : SV_Position {
      float2 uv = float2((id << 1) & 2, id & 2);
      return float4(uv * float2(2, -2) + float2(-1, 1), 0.5, 1);
    }
    float4 PS() : SV_Target { return float4(Grid[1][2], Items[1].Color.z * Items[1].Weight, 1); }
    technique10 T { pass P {
      SetVertexShader(CompileShader(vs_4_0, VS()));
      SetPixelShader(CompileShader(ps_4_0, PS()));
    } })");
  ASSERT_TRUE(arrays);
  // Arrays of arrays are flat to the effect: element 5 is Grid[1][2].
  D3D10_EFFECT_TYPE_DESC grid;
  ASSERT_EQ(S_OK, arrays->GetVariableByName("Grid")->GetType()->GetDesc(&grid));
  EXPECT_EQ(6u, grid.Elements);
  float value[4] = {1, 0, 0, 0};
  ASSERT_EQ(S_OK, arrays->GetVariableByName("Grid")->AsVector()->SetFloatVectorArray(value, 5, 1));
  ID3D10EffectVariable* item = arrays->GetVariableByName("Items")->GetElement(1);
  ASSERT_EQ(S_OK, item->GetMemberByName("Weight")->AsScalar()->SetFloat(0.5f));
  float color[4] = {0, 0, 2, 0};
  ASSERT_EQ(S_OK, item->GetMemberByName("Color")->AsVector()->SetFloatVector(color));
  device->IASetInputLayout(nullptr);
  device->IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  ASSERT_EQ(S_OK, arrays->GetTechniqueByIndex(0)->GetPassByIndex(0)->Apply(0));
  device->Draw(3, 0);
  EXPECT_EQ(0xFFFF00FFu, ReadTarget()[0]);
}

}  // namespace

// Creation links the program of every pass: Color, Depth and Blend share one
// (VS, PS) set, TwoPasses adds two; drawing then links nothing more.
TEST_F(RenderTest, CreationLinksEveryPassAheadOfItsDraw) {
  D3D10Testing::ResetCounters(device.Get());
  Ref<ID3D10Effect> fresh = Compile(kColorEffect);
  ASSERT_TRUE(fresh);
  EXPECT_EQ(3u, Counters().programLinks);
  float m[16];
  Identity(m);
  ASSERT_EQ(S_OK, fresh->GetVariableByName("WorldViewProj")->AsMatrix()->SetMatrix(m));
  DrawTechnique(fresh->GetTechniqueByName("TwoPasses"), FullScreenTriangle(0.5f, 1, 1, 1).data(), sizeof(Vertex), 3,
                FxColorElements(), 2);
  EXPECT_EQ(3u, Counters().programLinks);
}
