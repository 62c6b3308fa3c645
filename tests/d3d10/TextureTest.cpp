// 2D textures and their views: creation rules, the format table, clears,
// copies, updates and maps read back through staging textures.
#include <cmath>

#include "D3D10Fixture.h"

namespace {

constexpr UINT SR = D3D10_BIND_SHADER_RESOURCE, RT = D3D10_BIND_RENDER_TARGET, DS = D3D10_BIND_DEPTH_STENCIL;
constexpr UINT W = D3D10_CPU_ACCESS_WRITE, R = D3D10_CPU_ACCESS_READ;

struct TextureCase {
  const char* name;
  D3D10_TEXTURE2D_DESC desc;
  bool initialData;
  HRESULT expected;
};

D3D10_TEXTURE2D_DESC Desc(DXGI_FORMAT format, UINT bind, D3D10_USAGE usage = D3D10_USAGE_DEFAULT, UINT cpu = 0,
                          UINT mips = 1) {
  return D3D10Test::TextureDesc(16, 8, format, bind, usage, cpu, mips);
}
D3D10_TEXTURE2D_DESC With(D3D10_TEXTURE2D_DESC desc, void (*change)(D3D10_TEXTURE2D_DESC&)) {
  change(desc);
  return desc;
}

const TextureCase kTextureCases[] = {
    {"ShaderResource", Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR), false, S_OK},
    {"FullMipChain", Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR, D3D10_USAGE_DEFAULT, 0, 0), false, S_OK},
    {"ImmutableWithData", Desc(DXGI_FORMAT_R32_FLOAT, SR, D3D10_USAGE_IMMUTABLE), true, S_OK},
    {"DynamicWritable", Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR, D3D10_USAGE_DYNAMIC, W), false, S_OK},
    {"StagingReadable", Desc(DXGI_FORMAT_R16G16_FLOAT, 0, D3D10_USAGE_STAGING, R), false, S_OK},
    {"TypelessDepthAndShader", Desc(DXGI_FORMAT_R32_TYPELESS, DS | SR), false, S_OK},
    {"TypelessColourTarget", Desc(DXGI_FORMAT_R8G8B8A8_TYPELESS, RT | SR), false, S_OK},
    {"DepthStencil", Desc(DXGI_FORMAT_D24_UNORM_S8_UINT, DS), false, S_OK},
    {"ZeroWidth", With(Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR), [](D3D10_TEXTURE2D_DESC& d) { d.Width = 0; }), false,
     E_INVALIDARG},
    {"TooLarge", With(Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR), [](D3D10_TEXTURE2D_DESC& d) { d.Height = 8193; }), false,
     E_INVALIDARG},
    {"TooManyMips", Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR, D3D10_USAGE_DEFAULT, 0, 6), false, E_INVALIDARG},
    {"ZeroArraySize", With(Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR), [](D3D10_TEXTURE2D_DESC& d) { d.ArraySize = 0; }),
     false, E_INVALIDARG},
    {"ZeroSamples", With(Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR), [](D3D10_TEXTURE2D_DESC& d) { d.SampleDesc.Count = 0; }),
     false, E_INVALIDARG},
    {"QualityWithOneSample",
     With(Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR), [](D3D10_TEXTURE2D_DESC& d) { d.SampleDesc.Quality = 1; }), false,
     E_INVALIDARG},
    {"UnknownFormat", Desc(DXGI_FORMAT_UNKNOWN, SR), false, E_INVALIDARG},
    {"DepthFormatAsShaderResource", Desc(DXGI_FORMAT_D32_FLOAT, DS | SR), false, E_INVALIDARG},
    {"ColourFormatAsDepth", Desc(DXGI_FORMAT_R8G8B8A8_UNORM, DS), false, E_INVALIDARG},
    {"DepthFormatAsRenderTarget", Desc(DXGI_FORMAT_D16_UNORM, RT), false, E_INVALIDARG},
    {"ColourAndDepthTarget", Desc(DXGI_FORMAT_R32_TYPELESS, RT | DS), false, E_INVALIDARG},
    {"TypelessFamilyWithoutTargets", Desc(DXGI_FORMAT_R24G8_TYPELESS, RT), false, E_INVALIDARG},
    {"VertexBufferBinding", Desc(DXGI_FORMAT_R8G8B8A8_UNORM, D3D10_BIND_VERTEX_BUFFER), false, E_INVALIDARG},
    {"ImmutableWithoutData", Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR, D3D10_USAGE_IMMUTABLE), false, E_INVALIDARG},
    {"ImmutableRenderTarget", Desc(DXGI_FORMAT_R8G8B8A8_UNORM, RT, D3D10_USAGE_IMMUTABLE), true, E_INVALIDARG},
    {"DefaultWithCpuAccess", Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR, D3D10_USAGE_DEFAULT, R), false, E_INVALIDARG},
    {"DynamicWithoutWrite", Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR, D3D10_USAGE_DYNAMIC), false, E_INVALIDARG},
    {"DynamicWithMips", Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR, D3D10_USAGE_DYNAMIC, W, 2), false, E_INVALIDARG},
    {"DynamicRenderTarget", Desc(DXGI_FORMAT_R8G8B8A8_UNORM, RT, D3D10_USAGE_DYNAMIC, W), false, E_INVALIDARG},
    {"StagingWithBindFlags", Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR, D3D10_USAGE_STAGING, R), false, E_INVALIDARG},
    {"StagingWithoutCpuAccess", Desc(DXGI_FORMAT_R8G8B8A8_UNORM, 0, D3D10_USAGE_STAGING), false, E_INVALIDARG},
    {"Array", With(Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR), [](D3D10_TEXTURE2D_DESC& d) { d.ArraySize = 6; }), false,
     S_OK},
    {"ArrayTooLong", With(Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR), [](D3D10_TEXTURE2D_DESC& d) { d.ArraySize = 513; }),
     false, E_INVALIDARG},
    {"DynamicArray", With(Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR, D3D10_USAGE_DYNAMIC, W),
                          [](D3D10_TEXTURE2D_DESC& d) { d.ArraySize = 2; }),
     false, E_INVALIDARG},
    {"Multisampled",
     With(Desc(DXGI_FORMAT_R8G8B8A8_UNORM, RT | SR), [](D3D10_TEXTURE2D_DESC& d) { d.SampleDesc.Count = 4; }), false,
     S_OK},
    {"MultisampledDepth",
     With(Desc(DXGI_FORMAT_R24G8_TYPELESS, DS | SR), [](D3D10_TEXTURE2D_DESC& d) { d.SampleDesc.Count = 4; }), false,
     S_OK},
    {"UnsupportedSampleCount",
     With(Desc(DXGI_FORMAT_R8G8B8A8_UNORM, RT), [](D3D10_TEXTURE2D_DESC& d) { d.SampleDesc.Count = 3; }), false,
     E_INVALIDARG},
    {"MultisampledWithMips", With(Desc(DXGI_FORMAT_R8G8B8A8_UNORM, RT, D3D10_USAGE_DEFAULT, 0, 2),
                                  [](D3D10_TEXTURE2D_DESC& d) { d.SampleDesc.Count = 4; }),
     false, E_INVALIDARG},
    {"MultisampledShaderResourceOnly",
     With(Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR), [](D3D10_TEXTURE2D_DESC& d) { d.SampleDesc.Count = 4; }), false,
     E_INVALIDARG},
    {"MultisampledQuality", With(Desc(DXGI_FORMAT_R8G8B8A8_UNORM, RT), [](D3D10_TEXTURE2D_DESC& d) {
       d.SampleDesc = {4, 1};
     }), false, E_INVALIDARG},
    {"Cube", With(Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR | RT), [](D3D10_TEXTURE2D_DESC& d) {
       d.Height = 16;
       d.ArraySize = 6;
       d.MiscFlags = D3D10_RESOURCE_MISC_TEXTURECUBE;
     }), false, S_OK},
    {"CubeOfOneSlice", With(Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR), [](D3D10_TEXTURE2D_DESC& d) {
       d.Height = 16;
       d.MiscFlags = D3D10_RESOURCE_MISC_TEXTURECUBE;
     }), false, E_INVALIDARG},
    {"CubeNotSquare", With(Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR), [](D3D10_TEXTURE2D_DESC& d) {
       d.ArraySize = 6;
       d.MiscFlags = D3D10_RESOURCE_MISC_TEXTURECUBE;
     }), false, E_INVALIDARG},
    {"MultisampledCube", With(Desc(DXGI_FORMAT_R8G8B8A8_UNORM, RT), [](D3D10_TEXTURE2D_DESC& d) {
       d.Height = 16;
       d.ArraySize = 6;
       d.SampleDesc.Count = 4;
       d.MiscFlags = D3D10_RESOURCE_MISC_TEXTURECUBE;
     }), false, E_INVALIDARG},
    {"GenerateMips", With(Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR | RT, D3D10_USAGE_DEFAULT, 0, 0),
                          [](D3D10_TEXTURE2D_DESC& d) { d.MiscFlags = D3D10_RESOURCE_MISC_GENERATE_MIPS; }),
     false, S_OK},
    {"GenerateMipsWithoutTarget", With(Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR, D3D10_USAGE_DEFAULT, 0, 0),
                                       [](D3D10_TEXTURE2D_DESC& d) { d.MiscFlags = D3D10_RESOURCE_MISC_GENERATE_MIPS; }),
     false, E_INVALIDARG},
    {"GenerateMipsOfIntegers", With(Desc(DXGI_FORMAT_R8G8B8A8_UINT, SR | RT, D3D10_USAGE_DEFAULT, 0, 0),
                                    [](D3D10_TEXTURE2D_DESC& d) { d.MiscFlags = D3D10_RESOURCE_MISC_GENERATE_MIPS; }),
     false, E_INVALIDARG},
    {"Shared", With(Desc(DXGI_FORMAT_R8G8B8A8_UNORM, SR), [](D3D10_TEXTURE2D_DESC& d) {
       d.MiscFlags = D3D10_RESOURCE_MISC_SHARED;
     }), false, E_INVALIDARG},
    {"BlockCompressed", Desc(DXGI_FORMAT_BC1_UNORM, SR, D3D10_USAGE_IMMUTABLE), true, S_OK},
    {"BlockCompressedPartialBlock",
     With(Desc(DXGI_FORMAT_BC3_UNORM, SR), [](D3D10_TEXTURE2D_DESC& d) { d.Width = 6; }), false, E_INVALIDARG},
    {"BlockCompressedTarget", Desc(DXGI_FORMAT_BC2_UNORM, RT), false, E_INVALIDARG},
    // Formats of a depth family may stand for its depth format.
    {"DepthReadFormatAsDepth", Desc(DXGI_FORMAT_R24_UNORM_X8_TYPELESS, DS | SR), false, S_OK},
    {"StencilReadFormatAsDepth", Desc(DXGI_FORMAT_X32_TYPELESS_G8X24_UINT, DS | SR), false, S_OK},
    {"ReadableFloatAsDepth", Desc(DXGI_FORMAT_R32_FLOAT, DS | SR), false, S_OK},
    {"IntegerOfDepthFamilyAsDepth", Desc(DXGI_FORMAT_R32_UINT, DS), false, E_INVALIDARG},
};

class TextureValidationTest : public D3D10Test, public ::testing::WithParamInterface<TextureCase> {};

TEST_P(TextureValidationTest, CreateTexture2DAnswers) {
  const TextureCase& c = GetParam();
  std::vector<uint8_t> texels(16 * 8 * 16);
  std::vector<D3D10_SUBRESOURCE_DATA> data(8, D3D10_SUBRESOURCE_DATA{texels.data(), 16 * 16, 0});
  Ref<ID3D10Texture2D> texture;
  EXPECT_EQ(c.expected, device->CreateTexture2D(&c.desc, c.initialData ? data.data() : nullptr, texture.Put()));
  EXPECT_EQ(SUCCEEDED(c.expected), static_cast<bool>(texture));
}

INSTANTIATE_TEST_SUITE_P(Descriptions, TextureValidationTest, ::testing::ValuesIn(kTextureCases),
                         [](const ::testing::TestParamInfo<TextureCase>& info) { return std::string(info.param.name); });

enum class ViewKind { kShaderResource, kRenderTarget, kDepthStencil };

struct ViewCase {
  const char* name;
  DXGI_FORMAT textureFormat;
  UINT bind;
  ViewKind kind;
  bool useDesc;
  DXGI_FORMAT viewFormat;
  UINT firstMip;  // most detailed mip or mip slice
  UINT mipCount;  // shader resource views
  HRESULT expected;
};

const ViewCase kViewCases[] = {
    {"WholeTexture", DXGI_FORMAT_R8G8B8A8_UNORM, SR, ViewKind::kShaderResource, false, DXGI_FORMAT_UNKNOWN, 0, 0, S_OK},
    {"DepthReadOfTypeless", DXGI_FORMAT_R32_TYPELESS, DS | SR, ViewKind::kShaderResource, true, DXGI_FORMAT_R32_FLOAT, 0, 1,
     S_OK},
    {"DepthOfTypeless", DXGI_FORMAT_R32_TYPELESS, DS | SR, ViewKind::kDepthStencil, true, DXGI_FORMAT_D32_FLOAT, 0, 0,
     S_OK},
    {"SrgbTargetOfTypeless", DXGI_FORMAT_R8G8B8A8_TYPELESS, RT, ViewKind::kRenderTarget, true,
     DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, 0, 0, S_OK},
    {"LowerMipsOnly", DXGI_FORMAT_R8G8B8A8_UNORM, SR, ViewKind::kShaderResource, true, DXGI_FORMAT_UNKNOWN, 2, UINT(-1),
     S_OK},
    {"WithoutShaderBinding", DXGI_FORMAT_R8G8B8A8_UNORM, RT, ViewKind::kShaderResource, false, DXGI_FORMAT_UNKNOWN, 0, 0,
     E_INVALIDARG},
    {"WithoutTargetBinding", DXGI_FORMAT_R8G8B8A8_UNORM, SR, ViewKind::kRenderTarget, false, DXGI_FORMAT_UNKNOWN, 0, 0,
     E_INVALIDARG},
    {"WithoutDepthBinding", DXGI_FORMAT_R32_TYPELESS, SR, ViewKind::kDepthStencil, true, DXGI_FORMAT_D32_FLOAT, 0, 0,
     E_INVALIDARG},
    {"TypelessWithoutFormat", DXGI_FORMAT_R8G8B8A8_TYPELESS, SR, ViewKind::kShaderResource, false, DXGI_FORMAT_UNKNOWN,
     0, 0, E_INVALIDARG},
    {"OtherFamily", DXGI_FORMAT_R8G8B8A8_TYPELESS, SR, ViewKind::kShaderResource, true, DXGI_FORMAT_R32_FLOAT, 0, 1,
     E_INVALIDARG},
    {"RetypedTypedTexture", DXGI_FORMAT_R8G8B8A8_UNORM, SR, ViewKind::kShaderResource, true,
     DXGI_FORMAT_R8G8B8A8_UINT, 0, 1, E_INVALIDARG},
    {"ColourDepthView", DXGI_FORMAT_R32_TYPELESS, DS, ViewKind::kDepthStencil, true, DXGI_FORMAT_R32_FLOAT, 0, 0,
     E_INVALIDARG},
    {"DepthFormatShaderView", DXGI_FORMAT_R32_TYPELESS, DS | SR, ViewKind::kShaderResource, true,
     DXGI_FORMAT_D32_FLOAT, 0, 1, E_INVALIDARG},
    {"MipPastTheEnd", DXGI_FORMAT_R8G8B8A8_UNORM, RT, ViewKind::kRenderTarget, true, DXGI_FORMAT_UNKNOWN, 4, 0,
     E_INVALIDARG},
    {"TooManyMips", DXGI_FORMAT_R8G8B8A8_UNORM, SR, ViewKind::kShaderResource, true, DXGI_FORMAT_UNKNOWN, 1, 4,
     E_INVALIDARG},
};

class ViewValidationTest : public D3D10Test, public ::testing::WithParamInterface<ViewCase> {};

TEST_P(ViewValidationTest, CreateViewAnswers) {
  const ViewCase& c = GetParam();
  Ref<ID3D10Texture2D> texture = MakeTexture(TextureDesc(8, 8, c.textureFormat, c.bind, D3D10_USAGE_DEFAULT, 0, 4));
  HRESULT hr = E_FAIL;
  switch (c.kind) {
    case ViewKind::kShaderResource: {
      D3D10_SHADER_RESOURCE_VIEW_DESC desc = {};
      desc.Format = c.viewFormat;
      desc.ViewDimension = D3D10_SRV_DIMENSION_TEXTURE2D;
      desc.Texture2D = {c.firstMip, c.mipCount};
      Ref<ID3D10ShaderResourceView> view;
      hr = device->CreateShaderResourceView(texture.Get(), c.useDesc ? &desc : nullptr, view.Put());
      if (view) {
        view->GetDesc(&desc);
        EXPECT_EQ(c.useDesc && c.mipCount != UINT(-1) ? c.mipCount : 4u - c.firstMip, desc.Texture2D.MipLevels);
      }
      break;
    }
    case ViewKind::kRenderTarget: {
      D3D10_RENDER_TARGET_VIEW_DESC desc = {};
      desc.Format = c.viewFormat;
      desc.ViewDimension = D3D10_RTV_DIMENSION_TEXTURE2D;
      desc.Texture2D.MipSlice = c.firstMip;
      Ref<ID3D10RenderTargetView> view;
      hr = device->CreateRenderTargetView(texture.Get(), c.useDesc ? &desc : nullptr, view.Put());
      break;
    }
    case ViewKind::kDepthStencil: {
      D3D10_DEPTH_STENCIL_VIEW_DESC desc = {};
      desc.Format = c.viewFormat;
      desc.ViewDimension = D3D10_DSV_DIMENSION_TEXTURE2D;
      desc.Texture2D.MipSlice = c.firstMip;
      Ref<ID3D10DepthStencilView> view;
      hr = device->CreateDepthStencilView(texture.Get(), c.useDesc ? &desc : nullptr, view.Put());
      break;
    }
  }
  EXPECT_EQ(c.expected, hr);
}

INSTANTIATE_TEST_SUITE_P(Descriptions, ViewValidationTest, ::testing::ValuesIn(kViewCases),
                         [](const ::testing::TestParamInfo<ViewCase>& info) { return std::string(info.param.name); });

// What the platform supports of each format: bytes per texel (per 4x4 block
// for block formats), vertex element, sampled texture, and as a render target
// or depth target: 0 refused, 1 the bind flag only (a typeless format whose
// view needs a format), 2 the bind flag and a view without description.
struct FormatRow {
  DXGI_FORMAT format;
  UINT bytes;
  bool block, vertex, texture;
  int renderTarget, depth;
};

#define ROW(name, bytes, v, t, r, d) {DXGI_FORMAT_##name, bytes, false, v, t, r, d}
#define BLOCK(name, bytes) {DXGI_FORMAT_##name, bytes, true, false, true, 0, 0}
const FormatRow kFormatRows[] = {
    ROW(R32G32B32A32_TYPELESS, 16, 0, 1, 1, 0), ROW(R32G32B32A32_FLOAT, 16, 1, 1, 2, 0),
    ROW(R32G32B32A32_UINT, 16, 1, 1, 2, 0),     ROW(R32G32B32A32_SINT, 16, 1, 1, 2, 0),
    ROW(R32G32B32_TYPELESS, 12, 0, 1, 0, 0),    ROW(R32G32B32_FLOAT, 12, 1, 1, 0, 0),
    ROW(R32G32B32_UINT, 12, 1, 1, 0, 0),        ROW(R32G32B32_SINT, 12, 1, 1, 0, 0),
    ROW(R16G16B16A16_TYPELESS, 8, 0, 1, 1, 0),  ROW(R16G16B16A16_FLOAT, 8, 1, 1, 2, 0),
    ROW(R16G16B16A16_UNORM, 8, 1, 1, 2, 0),     ROW(R16G16B16A16_UINT, 8, 1, 1, 2, 0),
    ROW(R16G16B16A16_SNORM, 8, 1, 1, 0, 0),     ROW(R16G16B16A16_SINT, 8, 1, 1, 2, 0),
    ROW(R32G32_TYPELESS, 8, 0, 1, 1, 0),        ROW(R32G32_FLOAT, 8, 1, 1, 2, 0),
    ROW(R32G32_UINT, 8, 1, 1, 2, 0),            ROW(R32G32_SINT, 8, 1, 1, 2, 0),
    ROW(R32G8X24_TYPELESS, 8, 0, 1, 0, 2),      ROW(D32_FLOAT_S8X24_UINT, 8, 0, 0, 0, 2),
    ROW(R32_FLOAT_X8X24_TYPELESS, 8, 0, 1, 0, 2), ROW(X32_TYPELESS_G8X24_UINT, 8, 0, 1, 0, 2),
    ROW(R10G10B10A2_TYPELESS, 4, 0, 1, 1, 0),   ROW(R10G10B10A2_UNORM, 4, 1, 1, 2, 0),
    ROW(R10G10B10A2_UINT, 4, 0, 1, 2, 0),       ROW(R11G11B10_FLOAT, 4, 1, 1, 2, 0),
    ROW(R8G8B8A8_TYPELESS, 4, 0, 1, 1, 0),      ROW(R8G8B8A8_UNORM, 4, 1, 1, 2, 0),
    ROW(R8G8B8A8_UNORM_SRGB, 4, 0, 1, 2, 0),    ROW(R8G8B8A8_UINT, 4, 1, 1, 2, 0),
    ROW(R8G8B8A8_SNORM, 4, 1, 1, 0, 0),         ROW(R8G8B8A8_SINT, 4, 1, 1, 2, 0),
    ROW(R16G16_TYPELESS, 4, 0, 1, 1, 0),        ROW(R16G16_FLOAT, 4, 1, 1, 2, 0),
    ROW(R16G16_UNORM, 4, 1, 1, 2, 0),           ROW(R16G16_UINT, 4, 1, 1, 2, 0),
    ROW(R16G16_SNORM, 4, 1, 1, 0, 0),           ROW(R16G16_SINT, 4, 1, 1, 2, 0),
    ROW(R32_TYPELESS, 4, 0, 1, 1, 2),           ROW(D32_FLOAT, 4, 0, 0, 0, 2),
    ROW(R32_FLOAT, 4, 1, 1, 2, 2),              ROW(R32_UINT, 4, 1, 1, 2, 0),
    ROW(R32_SINT, 4, 1, 1, 2, 0),               ROW(R24G8_TYPELESS, 4, 0, 1, 0, 2),
    ROW(D24_UNORM_S8_UINT, 4, 0, 0, 0, 2),      ROW(R24_UNORM_X8_TYPELESS, 4, 0, 1, 0, 2),
    ROW(X24_TYPELESS_G8_UINT, 4, 0, 1, 0, 2),   ROW(R8G8_TYPELESS, 2, 0, 1, 1, 0),
    ROW(R8G8_UNORM, 2, 1, 1, 2, 0),             ROW(R8G8_UINT, 2, 1, 1, 2, 0),
    ROW(R8G8_SNORM, 2, 1, 1, 0, 0),             ROW(R8G8_SINT, 2, 1, 1, 2, 0),
    ROW(R16_TYPELESS, 2, 0, 1, 1, 2),           ROW(R16_FLOAT, 2, 1, 1, 2, 0),
    ROW(D16_UNORM, 2, 0, 0, 0, 2),              ROW(R16_UNORM, 2, 1, 1, 2, 2),
    ROW(R16_UINT, 2, 1, 1, 2, 0),               ROW(R16_SNORM, 2, 1, 1, 0, 0),
    ROW(R16_SINT, 2, 1, 1, 2, 0),               ROW(R8_TYPELESS, 1, 0, 1, 1, 0),
    ROW(R8_UNORM, 1, 1, 1, 2, 0),               ROW(R8_UINT, 1, 1, 1, 2, 0),
    ROW(R8_SNORM, 1, 1, 1, 0, 0),               ROW(R8_SINT, 1, 1, 1, 2, 0),
    ROW(R9G9B9E5_SHAREDEXP, 4, 0, 1, 0, 0),     BLOCK(BC1_TYPELESS, 8),
    BLOCK(BC1_UNORM, 8),                        BLOCK(BC1_UNORM_SRGB, 8),
    BLOCK(BC2_TYPELESS, 16),                    BLOCK(BC2_UNORM, 16),
    BLOCK(BC2_UNORM_SRGB, 16),                  BLOCK(BC3_TYPELESS, 16),
    BLOCK(BC3_UNORM, 16),                       BLOCK(BC3_UNORM_SRGB, 16),
    BLOCK(BC4_TYPELESS, 8),                     BLOCK(BC4_UNORM, 8),
    BLOCK(BC4_SNORM, 8),                        BLOCK(BC5_TYPELESS, 16),
    BLOCK(BC5_UNORM, 16),                       BLOCK(BC5_SNORM, 16),
    ROW(B8G8R8A8_UNORM, 4, 1, 1, 2, 0),         ROW(B8G8R8A8_TYPELESS, 4, 0, 1, 1, 0),
    ROW(B8G8R8A8_UNORM_SRGB, 4, 0, 1, 2, 0),
};
#undef ROW
#undef BLOCK

const FormatRow* FindRow(UINT format) {
  for (const FormatRow& row : kFormatRows) {
    if (row.format == format) return &row;
  }
  return nullptr;
}

D3D10_REGISTER_COMPONENT_TYPE ComponentTypeOf(DXGI_FORMAT format) {
  switch (format) {
    case DXGI_FORMAT_R32G32B32A32_UINT: case DXGI_FORMAT_R32G32B32_UINT: case DXGI_FORMAT_R16G16B16A16_UINT:
    case DXGI_FORMAT_R32G32_UINT: case DXGI_FORMAT_R8G8B8A8_UINT: case DXGI_FORMAT_R16G16_UINT:
    case DXGI_FORMAT_R32_UINT: case DXGI_FORMAT_R8G8_UINT: case DXGI_FORMAT_R16_UINT: case DXGI_FORMAT_R8_UINT:
      return D3D10_REGISTER_COMPONENT_UINT32;
    case DXGI_FORMAT_R32G32B32A32_SINT: case DXGI_FORMAT_R32G32B32_SINT: case DXGI_FORMAT_R16G16B16A16_SINT:
    case DXGI_FORMAT_R32G32_SINT: case DXGI_FORMAT_R8G8B8A8_SINT: case DXGI_FORMAT_R16G16_SINT:
    case DXGI_FORMAT_R32_SINT: case DXGI_FORMAT_R8G8_SINT: case DXGI_FORMAT_R16_SINT: case DXGI_FORMAT_R8_SINT:
      return D3D10_REGISTER_COMPONENT_SINT32;
    default:
      return D3D10_REGISTER_COMPONENT_FLOAT32;
  }
}

using FormatTableTest = D3D10Test;

// Every DXGI format is either a row of the table, fully usable as the row
// says, or refused everywhere.
TEST_F(FormatTableTest, EveryFormatIsSupportedAsTabledOrRefused) {
  for (UINT value = 0; value <= DXGI_FORMAT_B8G8R8A8_UNORM_SRGB + 1; ++value) {
    DXGI_FORMAT format = static_cast<DXGI_FORMAT>(value);
    const FormatRow* row = FindRow(value);
    SCOPED_TRACE(value);
    // Staging storage: one row of texels (of blocks) is the tabled size.
    Ref<ID3D10Texture2D> staging;
    D3D10_TEXTURE2D_DESC stagingDesc = TextureDesc(4, 4, format, 0, D3D10_USAGE_STAGING, R);
    ASSERT_EQ(row ? S_OK : E_INVALIDARG, device->CreateTexture2D(&stagingDesc, nullptr, staging.Put()));
    if (staging) {
      D3D10_MAPPED_TEXTURE2D mapped = {};
      ASSERT_EQ(S_OK, staging->Map(0, D3D10_MAP_READ, 0, &mapped));
      EXPECT_EQ(row->block ? row->bytes : 4 * row->bytes, mapped.RowPitch);
      staging->Unmap(0);
    }
    // Sampled textures.
    Ref<ID3D10Texture2D> texture;
    D3D10_TEXTURE2D_DESC desc = TextureDesc(4, 4, format, SR);
    EXPECT_EQ(row && row->texture ? S_OK : E_INVALIDARG, device->CreateTexture2D(&desc, nullptr, texture.Put()));
    // Render targets.
    desc.BindFlags = RT;
    int renderTarget = row ? row->renderTarget : 0;
    ASSERT_EQ(renderTarget ? S_OK : E_INVALIDARG, device->CreateTexture2D(&desc, nullptr, texture.Put()));
    if (renderTarget) {
      Ref<ID3D10RenderTargetView> view;
      ASSERT_EQ(renderTarget == 2 ? S_OK : E_INVALIDARG,
                device->CreateRenderTargetView(texture.Get(), nullptr, view.Put()));
      const FLOAT clear[4] = {1, 0, 0, 1};
      if (view) device->ClearRenderTargetView(view.Get(), clear);
    }
    // Depth targets.
    desc.BindFlags = DS;
    int depth = row ? row->depth : 0;
    ASSERT_EQ(depth ? S_OK : E_INVALIDARG, device->CreateTexture2D(&desc, nullptr, texture.Put()));
    if (depth) {
      Ref<ID3D10DepthStencilView> view;
      ASSERT_EQ(depth == 2 ? S_OK : E_INVALIDARG, device->CreateDepthStencilView(texture.Get(), nullptr, view.Put()));
      if (view) device->ClearDepthStencilView(view.Get(), D3D10_CLEAR_DEPTH | D3D10_CLEAR_STENCIL, 1.0f, 0);
    }
    // Vertex elements feeding an input of the format's component type.
    std::vector<uint8_t> signature = BuildSignature({Input("DATA", 0, 0, ComponentTypeOf(format))});
    D3D10_INPUT_ELEMENT_DESC element = {"DATA", 0, format, 0, 0, D3D10_INPUT_PER_VERTEX_DATA, 0};
    Ref<ID3D10InputLayout> layout;
    EXPECT_EQ(row && row->vertex ? S_OK : E_INVALIDARG,
              device->CreateInputLayout(&element, 1, signature.data(), signature.size(), layout.Put()));
  }
}

using TextureTest = D3D10Test;

TEST_F(TextureTest, InitialMipsUpdateAndStagingMaps) {
  // Two levels of distinct bytes, with a padded pitch on the first.
  std::vector<uint32_t> level0(8 * 4, 0), level1(4 * 2);
  for (UINT y = 0; y < 4; ++y) {
    for (UINT x = 0; x < 4; ++x) level0[y * 8 + x] = 0x01000000u * (y * 4 + x);
  }
  for (UINT i = 0; i < level1.size(); ++i) level1[i] = 0xAA00u + i;
  D3D10_SUBRESOURCE_DATA data[] = {{level0.data(), 32, 0}, {level1.data(), 8, 0}};
  Ref<ID3D10Texture2D> texture =
      MakeTexture(TextureDesc(4, 4, DXGI_FORMAT_R8G8B8A8_UINT, SR, D3D10_USAGE_DEFAULT, 0, 3), nullptr);
  Ref<ID3D10Texture2D> immutable =
      MakeTexture(TextureDesc(4, 4, DXGI_FORMAT_R8G8B8A8_UINT, SR, D3D10_USAGE_DEFAULT, 0, 2), data);
  Ref<ID3D10Texture2D> staging =
      MakeTexture(TextureDesc(4, 4, DXGI_FORMAT_R8G8B8A8_UINT, 0, D3D10_USAGE_STAGING, R, 2));
  device->CopyResource(staging.Get(), immutable.Get());
  D3D10_MAPPED_TEXTURE2D mapped = {};
  ASSERT_EQ(S_OK, staging->Map(1, D3D10_MAP_READ, 0, &mapped));
  EXPECT_EQ(8u, mapped.RowPitch);
  EXPECT_EQ(0xAA03u, static_cast<uint32_t*>(mapped.pData)[3]);
  EXPECT_EQ(E_INVALIDARG, staging->Map(1, D3D10_MAP_READ, 0, &mapped));
  EXPECT_EQ(E_INVALIDARG, staging->Map(2, D3D10_MAP_READ, 0, &mapped));
  EXPECT_EQ(E_INVALIDARG, staging->Map(0, D3D10_MAP_WRITE, 0, &mapped));
  staging->Unmap(1);
  std::vector<uint32_t> texels = ReadTexels(immutable.Get());
  EXPECT_EQ(0x05000000u, texels[5]);
  EXPECT_EQ(0x0F000000u, texels[15]);

  // A box of the first level, rows top first.
  const uint32_t patch[] = {1, 2, 3, 4};
  D3D10_BOX box = {1, 2, 0, 3, 4, 1};
  device->UpdateSubresource(immutable.Get(), 0, &box, patch, 8, 0);
  texels = ReadTexels(immutable.Get());
  EXPECT_EQ(1u, texels[2 * 4 + 1]);
  EXPECT_EQ(2u, texels[2 * 4 + 2]);
  EXPECT_EQ(3u, texels[3 * 4 + 1]);
  EXPECT_EQ(0x04000000u, texels[4]);
  // Copies need equal mip counts.
  device->CopyResource(texture.Get(), immutable.Get());
  EXPECT_EQ(0u, ReadTexels(texture.Get())[5]);
}

TEST_F(TextureTest, DynamicTextureMapsWithDiscard) {
  Ref<ID3D10Texture2D> texture =
      MakeTexture(TextureDesc(2, 2, DXGI_FORMAT_R8G8B8A8_UNORM, SR, D3D10_USAGE_DYNAMIC, W));
  D3D10_MAPPED_TEXTURE2D mapped = {};
  EXPECT_EQ(E_INVALIDARG, texture->Map(0, D3D10_MAP_WRITE, 0, &mapped));
  ASSERT_EQ(S_OK, texture->Map(0, D3D10_MAP_WRITE_DISCARD, 0, &mapped));
  for (int i = 0; i < 4; ++i) static_cast<uint32_t*>(mapped.pData)[i] = kGreen;
  texture->Unmap(0);
  EXPECT_EQ(std::vector<uint32_t>(4, kGreen), ReadTexels(texture.Get()));
  EXPECT_EQ(1u, Counters().maps[D3D10_MAP_WRITE_DISCARD]);
}

TEST_F(TextureTest, TypelessTextureTakesSrgbAndUnormViews) {
  Ref<ID3D10Texture2D> texture = MakeTexture(TextureDesc(2, 2, DXGI_FORMAT_R8G8B8A8_TYPELESS, RT | SR));
  D3D10_RENDER_TARGET_VIEW_DESC srgb = {};
  srgb.Format = DXGI_FORMAT_R8G8B8A8_UNORM_SRGB;
  srgb.ViewDimension = D3D10_RTV_DIMENSION_TEXTURE2D;
  Ref<ID3D10RenderTargetView> srgbView;
  ASSERT_EQ(S_OK, device->CreateRenderTargetView(texture.Get(), &srgb, srgbView.Put()));
  // Linear 0.5 is stored sRGB-encoded.
  const FLOAT half[4] = {0.5f, 0.5f, 0.5f, 1.0f};
  device->ClearRenderTargetView(srgbView.Get(), half);
  uint32_t texel = ReadTexels(texture.Get())[0];
  EXPECT_NEAR(188, texel & 0xFF, 1);
  // Through a UNORM view the stored value is written as is.
  srgb.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
  Ref<ID3D10RenderTargetView> unormView;
  ASSERT_EQ(S_OK, device->CreateRenderTargetView(texture.Get(), &srgb, unormView.Put()));
  device->ClearRenderTargetView(unormView.Get(), half);
  EXPECT_NEAR(128, ReadTexels(texture.Get())[0] & 0xFF, 1);
  Ref<ID3D10Resource> resource;
  unormView->GetResource(resource.Put());
  EXPECT_EQ(static_cast<ID3D10Resource*>(texture.Get()), resource.Get());
}

TEST_F(TextureTest, DepthStencilReadsBackInDirect3DLayout) {
  Ref<ID3D10Texture2D> texture = MakeTexture(TextureDesc(2, 2, DXGI_FORMAT_R24G8_TYPELESS, DS | SR));
  D3D10_DEPTH_STENCIL_VIEW_DESC desc = {};
  desc.Format = DXGI_FORMAT_D24_UNORM_S8_UINT;
  desc.ViewDimension = D3D10_DSV_DIMENSION_TEXTURE2D;
  Ref<ID3D10DepthStencilView> view;
  ASSERT_EQ(S_OK, device->CreateDepthStencilView(texture.Get(), &desc, view.Put()));
  device->ClearDepthStencilView(view.Get(), D3D10_CLEAR_DEPTH | D3D10_CLEAR_STENCIL, 0.5f, 7);
  uint32_t texel = ReadTexels(texture.Get())[3];
  EXPECT_EQ(7u, texel >> 24);
  EXPECT_NEAR(0x800000, static_cast<int>(texel & 0xFFFFFF), 1);
  // Stencil alone leaves depth.
  device->ClearDepthStencilView(view.Get(), D3D10_CLEAR_STENCIL, 0.0f, 9);
  texel = ReadTexels(texture.Get())[0];
  EXPECT_EQ(9u, texel >> 24);
  EXPECT_NEAR(0x800000, static_cast<int>(texel & 0xFFFFFF), 1);
  // The shader view reads depth.
  D3D10_SHADER_RESOURCE_VIEW_DESC read = {};
  read.Format = DXGI_FORMAT_R24_UNORM_X8_TYPELESS;
  read.ViewDimension = D3D10_SRV_DIMENSION_TEXTURE2D;
  read.Texture2D = {0, 1};
  Ref<ID3D10ShaderResourceView> readView;
  EXPECT_EQ(S_OK, device->CreateShaderResourceView(texture.Get(), &read, readView.Put()));
}

}  // namespace
