// State objects: validation, sharing of equal descriptions and their lifetime.
#include <cmath>
#include <limits>

#include "D3D10Fixture.h"

namespace {

const D3D10_RASTERIZER_DESC kRasterizer = {D3D10_FILL_SOLID, D3D10_CULL_BACK, FALSE, 0, 0, 0, TRUE, FALSE, FALSE, FALSE};
const D3D10_DEPTH_STENCILOP_DESC kKeep = {D3D10_STENCIL_OP_KEEP, D3D10_STENCIL_OP_KEEP, D3D10_STENCIL_OP_KEEP,
                                          D3D10_COMPARISON_ALWAYS};
const D3D10_DEPTH_STENCIL_DESC kDepthStencil = {TRUE, D3D10_DEPTH_WRITE_MASK_ALL, D3D10_COMPARISON_LESS, FALSE, 0xFF,
                                                0xFF, kKeep, kKeep};
const D3D10_BLEND_DESC kBlend = {FALSE,
                                 {FALSE, FALSE, FALSE, FALSE, FALSE, FALSE, FALSE, FALSE},
                                 D3D10_BLEND_ONE,
                                 D3D10_BLEND_ZERO,
                                 D3D10_BLEND_OP_ADD,
                                 D3D10_BLEND_ONE,
                                 D3D10_BLEND_ZERO,
                                 D3D10_BLEND_OP_ADD,
                                 {15, 15, 15, 15, 15, 15, 15, 15}};
const D3D10_SAMPLER_DESC kSampler = {D3D10_FILTER_MIN_MAG_MIP_LINEAR,
                                     D3D10_TEXTURE_ADDRESS_WRAP,
                                     D3D10_TEXTURE_ADDRESS_WRAP,
                                     D3D10_TEXTURE_ADDRESS_WRAP,
                                     0,
                                     1,
                                     D3D10_COMPARISON_NEVER,
                                     {0, 0, 0, 0},
                                     0,
                                     D3D10_FLOAT32_MAX};

template <typename Desc>
struct StateCase {
  const char* name;
  void (*change)(Desc&);
  HRESULT expected;
};

template <typename Desc>
std::string CaseName(const ::testing::TestParamInfo<StateCase<Desc>>& info) {
  return info.param.name;
}

using RasterizerCase = StateCase<D3D10_RASTERIZER_DESC>;
const RasterizerCase kRasterizerCases[] = {
    {"Default", [](D3D10_RASTERIZER_DESC&) {}, S_OK},
    {"Wireframe", [](D3D10_RASTERIZER_DESC& d) { d.FillMode = D3D10_FILL_WIREFRAME; }, S_OK},
    {"FillZero", [](D3D10_RASTERIZER_DESC& d) { d.FillMode = D3D10_FILL_MODE(0); }, E_INVALIDARG},
    {"FillPoint", [](D3D10_RASTERIZER_DESC& d) { d.FillMode = D3D10_FILL_MODE(1); }, E_INVALIDARG},
    {"CullZero", [](D3D10_RASTERIZER_DESC& d) { d.CullMode = D3D10_CULL_MODE(0); }, E_INVALIDARG},
    {"CullFour", [](D3D10_RASTERIZER_DESC& d) { SetRaw(d.CullMode, 4); }, E_INVALIDARG},
    {"ClampNaN", [](D3D10_RASTERIZER_DESC& d) { d.DepthBiasClamp = std::nanf(""); }, E_INVALIDARG},
};

using DepthStencilCase = StateCase<D3D10_DEPTH_STENCIL_DESC>;
const DepthStencilCase kDepthStencilCases[] = {
    {"Default", [](D3D10_DEPTH_STENCIL_DESC&) {}, S_OK},
    {"StencilOps", [](D3D10_DEPTH_STENCIL_DESC& d) {
       d.StencilEnable = TRUE;
       d.FrontFace = {D3D10_STENCIL_OP_INCR, D3D10_STENCIL_OP_DECR_SAT, D3D10_STENCIL_OP_REPLACE, D3D10_COMPARISON_EQUAL};
     }, S_OK},
    {"WriteMaskTwo", [](D3D10_DEPTH_STENCIL_DESC& d) { SetRaw(d.DepthWriteMask, 2); }, E_INVALIDARG},
    {"DepthFuncZero", [](D3D10_DEPTH_STENCIL_DESC& d) { d.DepthFunc = D3D10_COMPARISON_FUNC(0); }, E_INVALIDARG},
    {"DepthFuncNine", [](D3D10_DEPTH_STENCIL_DESC& d) { d.DepthFunc = D3D10_COMPARISON_FUNC(9); }, E_INVALIDARG},
    {"BackOpZero", [](D3D10_DEPTH_STENCIL_DESC& d) { d.BackFace.StencilPassOp = D3D10_STENCIL_OP(0); }, E_INVALIDARG},
    {"FrontFuncZeroWithStencilOff",
     [](D3D10_DEPTH_STENCIL_DESC& d) { d.FrontFace.StencilFunc = D3D10_COMPARISON_FUNC(0); }, E_INVALIDARG},
};

using BlendCase = StateCase<D3D10_BLEND_DESC>;
const BlendCase kBlendCases[] = {
    {"Default", [](D3D10_BLEND_DESC&) {}, S_OK},
    {"AlphaBlending", [](D3D10_BLEND_DESC& d) {
       d.BlendEnable[0] = TRUE;
       d.SrcBlend = D3D10_BLEND_SRC_ALPHA;
       d.DestBlend = D3D10_BLEND_INV_SRC_ALPHA;
       d.SrcBlendAlpha = D3D10_BLEND_INV_DEST_ALPHA;
     }, S_OK},
    {"SourceZero", [](D3D10_BLEND_DESC& d) { d.SrcBlend = D3D10_BLEND(0); }, E_INVALIDARG},
    {"SourceTwelve", [](D3D10_BLEND_DESC& d) { d.DestBlend = D3D10_BLEND(12); }, E_INVALIDARG},
    {"AlphaFromColour", [](D3D10_BLEND_DESC& d) { d.SrcBlendAlpha = D3D10_BLEND_SRC_COLOR; }, E_INVALIDARG},
    {"AlphaFromDestColour", [](D3D10_BLEND_DESC& d) { d.DestBlendAlpha = D3D10_BLEND_INV_DEST_COLOR; }, E_INVALIDARG},
    {"OperationSix", [](D3D10_BLEND_DESC& d) { d.BlendOpAlpha = D3D10_BLEND_OP(6); }, E_INVALIDARG},
    {"WriteMaskSixteen", [](D3D10_BLEND_DESC& d) { d.RenderTargetWriteMask[7] = 16; }, E_INVALIDARG},
};

using SamplerCase = StateCase<D3D10_SAMPLER_DESC>;
const SamplerCase kSamplerCases[] = {
    {"Default", [](D3D10_SAMPLER_DESC&) {}, S_OK},
    {"ComparisonShadow", [](D3D10_SAMPLER_DESC& d) {
       d.Filter = D3D10_FILTER_COMPARISON_MIN_MAG_LINEAR_MIP_POINT;
       d.ComparisonFunc = D3D10_COMPARISON_LESS_EQUAL;
       d.AddressU = d.AddressV = D3D10_TEXTURE_ADDRESS_BORDER;
     }, S_OK},
    {"Anisotropic", [](D3D10_SAMPLER_DESC& d) {
       d.Filter = D3D10_FILTER_ANISOTROPIC;
       d.MaxAnisotropy = 16;
       d.AddressW = D3D10_TEXTURE_ADDRESS_MIRROR_ONCE;
     }, S_OK},
    {"FilterTwo", [](D3D10_SAMPLER_DESC& d) { d.Filter = D3D10_FILTER(2); }, E_INVALIDARG},
    {"TextFilter", [](D3D10_SAMPLER_DESC& d) { d.Filter = D3D10_FILTER_TEXT_1BIT; }, E_INVALIDARG},
    {"AddressZero", [](D3D10_SAMPLER_DESC& d) { d.AddressV = D3D10_TEXTURE_ADDRESS_MODE(0); }, E_INVALIDARG},
    {"AddressSix", [](D3D10_SAMPLER_DESC& d) { d.AddressW = D3D10_TEXTURE_ADDRESS_MODE(6); }, E_INVALIDARG},
    {"BiasTooLow", [](D3D10_SAMPLER_DESC& d) { d.MipLODBias = -16.5f; }, E_INVALIDARG},
    {"BiasTooHigh", [](D3D10_SAMPLER_DESC& d) { d.MipLODBias = 16.0f; }, E_INVALIDARG},
    {"AnisotropySeventeen", [](D3D10_SAMPLER_DESC& d) { d.MaxAnisotropy = 17; }, E_INVALIDARG},
    {"ComparisonWithoutFunction", [](D3D10_SAMPLER_DESC& d) {
       d.Filter = D3D10_FILTER_COMPARISON_MIN_MAG_MIP_POINT;
       d.ComparisonFunc = D3D10_COMPARISON_FUNC(0);
     }, E_INVALIDARG},
    {"MinLodNaN", [](D3D10_SAMPLER_DESC& d) { d.MinLOD = std::nanf(""); }, E_INVALIDARG},
};

class RasterizerValidationTest : public D3D10Test, public ::testing::WithParamInterface<RasterizerCase> {};
TEST_P(RasterizerValidationTest, CreateAnswers) {
  D3D10_RASTERIZER_DESC desc = kRasterizer;
  GetParam().change(desc);
  Ref<ID3D10RasterizerState> state;
  EXPECT_EQ(GetParam().expected, device->CreateRasterizerState(&desc, state.Put()));
  EXPECT_EQ(SUCCEEDED(GetParam().expected), static_cast<bool>(state));
}
INSTANTIATE_TEST_SUITE_P(Descriptions, RasterizerValidationTest, ::testing::ValuesIn(kRasterizerCases),
                         CaseName<D3D10_RASTERIZER_DESC>);

class DepthStencilValidationTest : public D3D10Test, public ::testing::WithParamInterface<DepthStencilCase> {};
TEST_P(DepthStencilValidationTest, CreateAnswers) {
  D3D10_DEPTH_STENCIL_DESC desc = kDepthStencil;
  GetParam().change(desc);
  Ref<ID3D10DepthStencilState> state;
  EXPECT_EQ(GetParam().expected, device->CreateDepthStencilState(&desc, state.Put()));
}
INSTANTIATE_TEST_SUITE_P(Descriptions, DepthStencilValidationTest, ::testing::ValuesIn(kDepthStencilCases),
                         CaseName<D3D10_DEPTH_STENCIL_DESC>);

class BlendValidationTest : public D3D10Test, public ::testing::WithParamInterface<BlendCase> {};
TEST_P(BlendValidationTest, CreateAnswers) {
  D3D10_BLEND_DESC desc = kBlend;
  GetParam().change(desc);
  Ref<ID3D10BlendState> state;
  EXPECT_EQ(GetParam().expected, device->CreateBlendState(&desc, state.Put()));
}
INSTANTIATE_TEST_SUITE_P(Descriptions, BlendValidationTest, ::testing::ValuesIn(kBlendCases), CaseName<D3D10_BLEND_DESC>);

class SamplerValidationTest : public D3D10Test, public ::testing::WithParamInterface<SamplerCase> {};
TEST_P(SamplerValidationTest, CreateAnswers) {
  D3D10_SAMPLER_DESC desc = kSampler;
  GetParam().change(desc);
  Ref<ID3D10SamplerState> state;
  EXPECT_EQ(GetParam().expected, device->CreateSamplerState(&desc, state.Put()));
}
INSTANTIATE_TEST_SUITE_P(Descriptions, SamplerValidationTest, ::testing::ValuesIn(kSamplerCases),
                         CaseName<D3D10_SAMPLER_DESC>);

using StateTest = D3D10Test;

TEST_F(StateTest, EqualDescriptionsShareOneObject) {
  Ref<ID3D10RasterizerState> first, second, other;
  ASSERT_EQ(S_OK, device->CreateRasterizerState(&kRasterizer, first.Put()));
  ASSERT_EQ(S_OK, device->CreateRasterizerState(&kRasterizer, second.Put()));
  EXPECT_EQ(first.Get(), second.Get());
  EXPECT_EQ(2u, RefCount(first.Get()));
  D3D10_RASTERIZER_DESC negativeZero = kRasterizer;
  negativeZero.DepthBiasClamp = -0.0f;
  ASSERT_EQ(S_OK, device->CreateRasterizerState(&negativeZero, other.Put()));
  EXPECT_NE(first.Get(), other.Get());

  Ref<ID3D10SamplerState> samplerA, samplerB;
  ASSERT_EQ(S_OK, device->CreateSamplerState(&kSampler, samplerA.Put()));
  ASSERT_EQ(S_OK, device->CreateSamplerState(&kSampler, samplerB.Put()));
  EXPECT_EQ(samplerA.Get(), samplerB.Get());
  Ref<ID3D10BlendState> blendA, blendB;
  ASSERT_EQ(S_OK, device->CreateBlendState(&kBlend, blendA.Put()));
  ASSERT_EQ(S_OK, device->CreateBlendState(&kBlend, blendB.Put()));
  EXPECT_EQ(blendA.Get(), blendB.Get());

  // Padding between the stencil masks and the faces does not split states.
  D3D10_DEPTH_STENCIL_DESC noisy;
  std::memset(&noisy, 0xCD, sizeof(noisy));
  noisy.DepthEnable = kDepthStencil.DepthEnable;
  noisy.DepthWriteMask = kDepthStencil.DepthWriteMask;
  noisy.DepthFunc = kDepthStencil.DepthFunc;
  noisy.StencilEnable = kDepthStencil.StencilEnable;
  noisy.StencilReadMask = kDepthStencil.StencilReadMask;
  noisy.StencilWriteMask = kDepthStencil.StencilWriteMask;
  noisy.FrontFace = kDepthStencil.FrontFace;
  noisy.BackFace = kDepthStencil.BackFace;
  Ref<ID3D10DepthStencilState> depthA, depthB;
  ASSERT_EQ(S_OK, device->CreateDepthStencilState(&kDepthStencil, depthA.Put()));
  ASSERT_EQ(S_OK, device->CreateDepthStencilState(&noisy, depthB.Put()));
  EXPECT_EQ(depthA.Get(), depthB.Get());
  D3D10_DEPTH_STENCIL_DESC readBack;
  depthB->GetDesc(&readBack);
  EXPECT_EQ(D3D10_COMPARISON_LESS, readBack.DepthFunc);
}

TEST_F(StateTest, ReleasedStatesLeaveTheCache) {
  Ref<ID3D10SamplerState> sampler;
  ASSERT_EQ(S_OK, device->CreateSamplerState(&kSampler, sampler.Put()));
  EXPECT_EQ(1u, RefCount(sampler.Get()));
  sampler.Reset();
  // A new object for the same description, fully working.
  ASSERT_EQ(S_OK, device->CreateSamplerState(&kSampler, sampler.Put()));
  EXPECT_EQ(1u, RefCount(sampler.Get()));
  D3D10_SAMPLER_DESC desc;
  sampler->GetDesc(&desc);
  EXPECT_EQ(D3D10_TEXTURE_ADDRESS_WRAP, desc.AddressU);
  // A bound state stays alive after the caller lets go.
  device->PSSetSamplers(3, 1, std::vector<ID3D10SamplerState*>{sampler.Get()}.data());
  ID3D10SamplerState* raw = sampler.Get();
  sampler.Reset();
  Ref<ID3D10SamplerState> again;
  ASSERT_EQ(S_OK, device->CreateSamplerState(&kSampler, again.Put()));
  EXPECT_EQ(raw, again.Get());
}

TEST_F(StateTest, BindingsReadBackWithReferences) {
  Ref<ID3D10RasterizerState> rasterizer;
  Ref<ID3D10DepthStencilState> depth;
  Ref<ID3D10BlendState> blend;
  ASSERT_EQ(S_OK, device->CreateRasterizerState(&kRasterizer, rasterizer.Put()));
  ASSERT_EQ(S_OK, device->CreateDepthStencilState(&kDepthStencil, depth.Put()));
  ASSERT_EQ(S_OK, device->CreateBlendState(&kBlend, blend.Put()));
  const FLOAT factor[4] = {0.25f, 0.5f, 0.75f, 1.0f};
  device->RSSetState(rasterizer.Get());
  device->OMSetDepthStencilState(depth.Get(), 5);
  device->OMSetBlendState(blend.Get(), factor, 0x0F);

  Ref<ID3D10RasterizerState> boundRasterizer;
  device->RSGetState(boundRasterizer.Put());
  EXPECT_EQ(rasterizer.Get(), boundRasterizer.Get());
  EXPECT_EQ(3u, RefCount(rasterizer.Get()));
  Ref<ID3D10DepthStencilState> boundDepth;
  UINT stencilRef = 0;
  device->OMGetDepthStencilState(boundDepth.Put(), &stencilRef);
  EXPECT_EQ(depth.Get(), boundDepth.Get());
  EXPECT_EQ(5u, stencilRef);
  Ref<ID3D10BlendState> boundBlend;
  FLOAT boundFactor[4] = {};
  UINT mask = 0;
  device->OMGetBlendState(boundBlend.Put(), boundFactor, &mask);
  EXPECT_EQ(blend.Get(), boundBlend.Get());
  EXPECT_EQ(0.75f, boundFactor[2]);
  EXPECT_EQ(0x0Fu, mask);

  // Clearing the state restores the defaults: null states, factor one, all samples.
  device->ClearState();
  device->RSGetState(boundRasterizer.Put());
  device->OMGetBlendState(boundBlend.Put(), boundFactor, &mask);
  EXPECT_FALSE(boundRasterizer);
  EXPECT_FALSE(boundBlend);
  EXPECT_EQ(1.0f, boundFactor[0]);
  EXPECT_EQ(D3D10_DEFAULT_SAMPLE_MASK, mask);
  EXPECT_EQ(1u, RefCount(rasterizer.Get()));
}

}  // namespace
